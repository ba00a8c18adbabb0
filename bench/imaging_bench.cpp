// The per-pass imaging work on a demo well: composite, ring fit, the
// whole-mosaic nucleus scan with its density profile, and the counting step;
// and loading a field into its mosaic quarter, plain or reduced from a large one.
#include <benchmark/benchmark.h>
#include <tiffio.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "demo/demo_plate.h"
#include "imaging/composite.h"
#include "imaging/field_loader.h"
#include "imaging/grey_tiff_writer.h"
#include "imaging/immigrants.h"
#include "imaging/mosaic.h"
#include "imaging/nuclei.h"
#include "imaging/ring_fit.h"
#include "imaging/simd_path.h"
#include "imaging/zone_fit.h"

namespace {

using vembrel::Picture;

struct WellPictures {
  Picture blue;
  Picture green;
  Picture composite;
  vembrel::GreyPlane greenGrey;  // written by the zone assessment, as a session does
  vembrel::GreyPlane blueGrey;   // the blue mosaic's blue bytes, as the batch loads them
  vembrel::MosaicPoint ring;     // fitted at radius 350
};

// Well A01 of demo plate 1, windowed with the default settings.
const WellPictures& Well() {
  static const WellPictures well = [] {
    const std::array<Picture, 8> fields = vembrel::MakeDemoWellFields(1, 0);
    WellPictures w;
    w.blue = vembrel::AssembleMosaic({fields[0], fields[1], fields[2], fields[3]});
    w.green = vembrel::AssembleMosaic({fields[4], fields[5], fields[6], fields[7]});
    vembrel::MakeComposite(w.blue, w.green, {}, {}, w.composite);
    w.ring = vembrel::FitRing(w.green, 350).centre;
    vembrel::AssessZone(w.green, {}, &w.greenGrey);
    w.blueGrey.width = w.blue.width;
    w.blueGrey.height = w.blue.height;
    w.blueGrey.bytes.resize(w.blue.bytes.size() / 4);
    for (std::size_t k = 0; k < w.blueGrey.bytes.size(); ++k)
      w.blueGrey.bytes[k] = w.blue.bytes[4 * k];
    return w;
  }();
  return well;
}

void BM_Composite(benchmark::State& state) {
  const WellPictures& well = Well();
  Picture composite;
  const vembrel::ChannelWindow blue{10, 240, true};
  const vembrel::ChannelWindow green{5, 250, false};
  for (auto _ : state) {
    vembrel::MakeComposite(well.blue, well.green, blue, green, composite);
    benchmark::DoNotOptimize(composite.bytes.data());
  }
}
BENCHMARK(BM_Composite)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_FitRing(benchmark::State& state) {
  const WellPictures& well = Well();
  for (auto _ : state) benchmark::DoNotOptimize(vembrel::FitRing(well.green, 350));
  state.counters["trials"] = vembrel::FitRing(well.green, 350).trials;
}
BENCHMARK(BM_FitRing)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// The session's way: the composite with stretched windows and the ring fit,
// both from the green mosaic's grey plane.
void BM_CompositeFromGreyPlane(benchmark::State& state) {
  const WellPictures& well = Well();
  Picture composite;
  const vembrel::ChannelWindow blue{10, 240, true};
  const vembrel::ChannelWindow green{5, 250, true};
  for (auto _ : state) {
    vembrel::MakeComposite(well.blue, well.greenGrey, blue, green, composite);
    benchmark::DoNotOptimize(composite.bytes.data());
  }
}
BENCHMARK(BM_CompositeFromGreyPlane)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// The batch's way: from both grey planes, halved and marked alongside, by
// the vector path given (0 plain, 1 SSE2, 2 AVX2).
void BM_CompositeFromGreyPlanes(benchmark::State& state) {
  const auto path = static_cast<vembrel::SimdPath>(state.range(0));
  if (!vembrel::HasSimdPath(path)) {
    state.SkipWithError("The processor lacks this vector path");
    return;
  }
  const WellPictures& well = Well();
  const vembrel::SimdPath chosen = vembrel::CurrentSimdPath();
  vembrel::UseSimdPath(path);
  Picture composite;
  Picture halved;
  std::vector<std::uint8_t> marks(well.blueGrey.bytes.size());
  const vembrel::CompositeMarks marking{80, 40, marks.data()};
  const vembrel::ChannelWindow blue{10, 240, true};
  const vembrel::ChannelWindow green{5, 250, true};
  for (auto _ : state) {
    vembrel::MakeComposite(well.blueGrey, well.greenGrey, blue, green, composite, &halved,
                           &marking);
    benchmark::DoNotOptimize(composite.bytes.data());
  }
  vembrel::UseSimdPath(chosen);
}
BENCHMARK(BM_CompositeFromGreyPlanes)
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_FitRingFromGreyPlane(benchmark::State& state) {
  const WellPictures& well = Well();
  for (auto _ : state) benchmark::DoNotOptimize(vembrel::FitRing(well.greenGrey, 350));
}
BENCHMARK(BM_FitRingFromGreyPlane)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_GetAllNuclei(benchmark::State& state) {
  const WellPictures& well = Well();
  vembrel::NucleusScanSettings settings;
  settings.ring.x = well.ring.x;
  settings.ring.y = well.ring.y;
  int total = 0;
  for (auto _ : state) {
    const vembrel::DensityProfile profile = vembrel::ScanNuclei(well.composite, settings);
    total = profile.total;
    benchmark::DoNotOptimize(profile.nbins);
  }
  state.counters["nuclei"] = total;
}
BENCHMARK(BM_GetAllNuclei)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_CountImmigrants(benchmark::State& state) {
  const WellPictures& well = Well();
  vembrel::ImmigrantSettings settings;
  settings.ring.x = well.ring.x;
  settings.ring.y = well.ring.y;
  Picture result;
  std::int64_t nuclei = 0;
  for (auto _ : state) {
    nuclei = vembrel::CountImmigrants(well.composite, settings, result).nuclei;
    benchmark::DoNotOptimize(nuclei);
  }
  state.counters["nuclei"] = static_cast<double>(nuclei);
}
BENCHMARK(BM_CountImmigrants)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// Field files written once per benchmark program into a temporary folder.
struct FieldFiles {
  std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("vembrel-bench-fields-" + std::to_string(getpid()));
  FieldFiles() { std::filesystem::create_directories(folder); }
  ~FieldFiles() { std::filesystem::remove_all(folder); }
};

const FieldFiles& Fields() {
  static const FieldFiles files;
  return files;
}

// A demo field as the demo plate writes it: 8 bits, uncompressed strips.
std::string PlainField() {
  static const std::string path = [] {
    const std::string file = (Fields().folder / "plain.tif").string();
    const Picture& blue = Well().blue;
    std::vector<std::uint8_t> grey(std::size_t{vembrel::kFieldSize} * vembrel::kFieldSize);
    for (int y = 0; y < vembrel::kFieldSize; ++y) {
      for (int x = 0; x < vembrel::kFieldSize; ++x)
        grey[y * vembrel::kFieldSize + x] = *blue.topDown(x, y);
    }
    vembrel::WriteGreyTiffFile(file, grey.data(), vembrel::kFieldSize, vembrel::kFieldSize,
                               vembrel::kFieldSize);
    return file;
  }();
  return path;
}

// A camera's 16-bit field of 12-bit values, uncompressed strips of 16 rows.
std::string LargeField(int side) {
  const std::string file = (Fields().folder / ("large" + std::to_string(side) + ".tif")).string();
  if (std::filesystem::exists(file)) return file;
  TIFF* tif = TIFFOpen(file.c_str(), "w");
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, side);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, side);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 16);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 16);
  std::vector<std::uint16_t> row(static_cast<std::size_t>(side));
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) row[x] = static_cast<std::uint16_t>((x * 7 + y * 13) % 4096);
    TIFFWriteScanline(tif, row.data(), static_cast<std::uint32_t>(y), 0);
  }
  TIFFClose(tif);
  return file;
}

void LoadInto(benchmark::State& state, const std::string& file, int inputBits) {
  Picture mosaic = Picture::Uninitialised(vembrel::kMosaicSize, vembrel::kMosaicSize);
  for (auto _ : state) {
    const vembrel::FieldLoad load = vembrel::LoadField(file, mosaic, 0, 0, {inputBits});
    if (load.problem) state.SkipWithError(load.problem->message.c_str());
    benchmark::DoNotOptimize(mosaic.bytes.data());
  }
}

void BM_LoadPlainField(benchmark::State& state) {
  LoadInto(state, PlainField(), 16);
}
BENCHMARK(BM_LoadPlainField)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_LoadLargeField(benchmark::State& state) {
  LoadInto(state, LargeField(static_cast<int>(state.range(0))), 12);
}
BENCHMARK(BM_LoadLargeField)
    ->Arg(2048)
    ->Arg(2160)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace
