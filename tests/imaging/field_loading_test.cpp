// One field file into its mosaic quarter: the pixels of every layout, large
// fields reduced, 16-bit samples brought to 8 bits, the probe for the bits in
// use, and every field that cannot be used whole reported by kind.
#include "imaging/field_loader.h"

#include <gtest/gtest.h>
#include <tiffio.h>
#include <unistd.h>
#include <xxhash.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "imaging/field_reduction.h"
#include "imaging/input_bits.h"
#include "imaging/mosaic.h"
#include "imaging/tiff_file.h"
#include "imaging/tiff_loader.h"
#include "support/pictures.h"
#include "support/temp_dir.h"
#include "support/tiff_writer.h"

namespace vembrel {
namespace {

namespace fs = std::filesystem;
using testing::GreyRamp;
using testing::HandMadeTiff;
using testing::NamedLayout;
using testing::TempDir;
using testing::TiffLayout;
using testing::WriteBytes;
using testing::WriteGreyTiff;
using testing::WriteUniformTiff;

// A mosaic whose every byte says "not written", so untouched bytes show.
Picture Sentinel() {
  return Picture(kMosaicSize, kMosaicSize, 0xA5A5A5A5u);
}

// Whether the quadrant at (column, row) holds field and everything else is sentinel.
void ExpectOnlyQuadrant(const Picture& mosaic, const Picture& field, int column, int row) {
  const Picture sentinel = Sentinel();
  for (int r = 0; r < kMosaicSize; ++r) {
    const bool inRows = r >= row && r < row + kFieldSize;
    const std::uint8_t* got = mosaic.bytes.data() + mosaic.offset(0, r);
    const std::uint8_t* blank = sentinel.bytes.data() + sentinel.offset(0, r);
    if (!inRows) {
      ASSERT_EQ(std::memcmp(got, blank, kMosaicRowBytes), 0) << "row " << r;
      continue;
    }
    ASSERT_EQ(std::memcmp(got + 4 * column, field.bytes.data() + field.offset(0, r - row),
                          std::size_t{kFieldSize} * 4),
              0)
        << "row " << r;
    const int after = column + kFieldSize;
    ASSERT_EQ(std::memcmp(got, blank, 4 * std::size_t(column)), 0) << "row " << r;
    ASSERT_EQ(std::memcmp(got + 4 * after, blank, 4 * std::size_t(kMosaicSize - after)), 0);
  }
}

// A field loaded alone into the lower right quarter of a sentinel mosaic.
struct Loaded {
  Picture mosaic = Sentinel();
  FieldLoad load;
};
Loaded Load(const std::string& path, int inputBits = 16) {
  Loaded loaded;
  loaded.load = LoadField(path, loaded.mosaic, kFieldSize, 0, {inputBits});
  return loaded;
}

// The same file loaded into the same place of a grey plane whose every byte
// says "not written": the blue bytes of the picture's load, untouched ones too.
void ExpectGreyPlaneOfLoad(const std::string& path, const Loaded& loaded, int inputBits = 16) {
  GreyPlane plane{kMosaicSize, kMosaicSize, {}};
  plane.bytes.resize(std::size_t{kMosaicSize} * kMosaicSize);
  std::memset(plane.bytes.data(), 0xA5, plane.bytes.size());
  TiffFile file(path);
  const FieldLoad load = LoadFieldPage(file, 0, plane, kFieldSize, 0, kFieldSize, {inputBits});
  EXPECT_EQ(load.problem.has_value(), loaded.load.problem.has_value()) << path;
  EXPECT_EQ(load.side, loaded.load.side) << path;
  EXPECT_EQ(load.sampleBits, loaded.load.sampleBits) << path;
  EXPECT_TRUE(plane.bytes == testing::BlueBytesOf(loaded.mosaic).bytes) << path;
}

// A channel's four fields loaded as a grey plane.
ChannelMosaic LoadGreyMosaic(const std::array<std::string, 4>& files,
                             const FieldLoadOptions& options = {}) {
  TiffFiles opened;
  std::vector<FieldPage> pages;
  for (const std::string& file : files) pages.push_back({file, 0});
  return LoadChannelMosaic(pages, options, opened, MosaicForm::kGreyPlane);
}

// Overwrites bytes in the middle of a file, where compressed strips lie.
void Spoil(const std::string& path) {
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  file.seekp(static_cast<std::streamoff>(fs::file_size(path) / 3));
  const std::string garbage(200, '\xff');
  file.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
}

class FieldLayouts : public ::testing::TestWithParam<NamedLayout> {};

TEST_P(FieldLayouts, QuadrantEqualsTheRgbaConversion) {
  TempDir dir;
  const std::string path = dir.file("field.tif");
  auto values = GreyRamp(kFieldSize, kFieldSize);
  if (GetParam().layout.bits == 16) {
    for (auto& v : values) v = static_cast<std::uint16_t>(v << 8 | 0x5a);
  }
  WriteGreyTiff(path, kFieldSize, kFieldSize, values, GetParam().layout);
  const Loaded loaded = Load(path);
  ASSERT_FALSE(loaded.load.problem) << loaded.load.problem->message;
  EXPECT_EQ(loaded.load.side, kFieldSize);
  EXPECT_EQ(loaded.load.sampleBits, GetParam().layout.bits);
  ExpectOnlyQuadrant(loaded.mosaic, ReadTiffPicture(path), kFieldSize, 0);
  ExpectGreyPlaneOfLoad(path, loaded);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, FieldLayouts,
    ::testing::Values(NamedLayout{"one_strip", {8, COMPRESSION_NONE, false, 0}},
                      NamedLayout{"strips_of_1", {8, COMPRESSION_NONE, false, 1}},
                      NamedLayout{"strips_of_7", {8, COMPRESSION_LZW, false, 7}},
                      NamedLayout{"deflate_64", {8, COMPRESSION_ADOBE_DEFLATE, false, 64}},
                      NamedLayout{"packbits_100", {8, COMPRESSION_PACKBITS, false, 100}},
                      NamedLayout{"tiled", {8, COMPRESSION_NONE, true, 0}},
                      NamedLayout{"tiles_of_48_lzw", {8, COMPRESSION_LZW, true, 0, false, 48}},
                      NamedLayout{"min_is_white", {8, COMPRESSION_NONE, false, 0, false, 16, 0}},
                      NamedLayout{"sixteen_bit", {16, COMPRESSION_NONE, false, 0}},
                      NamedLayout{"sixteen_bit_lzw", {16, COMPRESSION_LZW, false, 16}},
                      NamedLayout{"sixteen_bit_big_endian", {16, COMPRESSION_NONE, false, 7, true}},
                      NamedLayout{"sixteen_bit_tiles_deflate",
                                  {16, COMPRESSION_ADOBE_DEFLATE, true, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FieldLoading, ColourAndOtherLayoutsGoThroughTheConversion) {
  TempDir dir;
  std::vector<std::uint8_t> rgb(std::size_t{kFieldSize} * kFieldSize * 3);
  for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<std::uint8_t>(i * 31 / 7);
  testing::WriteRgbTiff(dir.file("rgb.tif"), kFieldSize, kFieldSize, rgb);
  std::vector<std::uint16_t> ramp(256);
  for (int i = 0; i < 256; ++i) ramp[i] = static_cast<std::uint16_t>(i * 257);
  std::vector<std::uint8_t> indices(std::size_t{kFieldSize} * kFieldSize);
  for (std::size_t i = 0; i < indices.size(); ++i) indices[i] = static_cast<std::uint8_t>(i % 251);
  testing::WritePaletteTiff(dir.file("palette.tif"), kFieldSize, kFieldSize, indices, ramp, ramp,
                            ramp);
  WriteUniformTiff(dir.file("one_bit.tif"), kFieldSize, 1, 0x55);
  for (const char* name : {"rgb.tif", "palette.tif", "one_bit.tif"}) {
    const Loaded loaded = Load(dir.file(name));
    ASSERT_FALSE(loaded.load.problem) << loaded.load.problem->message;
    ExpectOnlyQuadrant(loaded.mosaic, ReadTiffPicture(dir.file(name)), kFieldSize, 0);
    ExpectGreyPlaneOfLoad(dir.file(name), loaded);
  }

  // Colour fields are reduced per channel: 2 x 2 blocks of one colour give that colour.
  std::vector<std::uint8_t> large(std::size_t{4} * rgb.size());
  for (int y = 0; y < 2 * kFieldSize; ++y) {
    for (int x = 0; x < 2 * kFieldSize; ++x) {
      std::memcpy(&large[3 * (std::size_t(y) * 2 * kFieldSize + x)],
                  &rgb[3 * (std::size_t(y / 2) * kFieldSize + x / 2)], 3);
    }
  }
  testing::WriteRgbTiff(dir.file("large.tif"), 2 * kFieldSize, 2 * kFieldSize, large);
  const Loaded reduced = Load(dir.file("large.tif"));
  ASSERT_FALSE(reduced.load.problem) << reduced.load.problem->message;
  EXPECT_EQ(reduced.load.side, 2 * kFieldSize);
  EXPECT_TRUE(reduced.mosaic == Load(dir.file("rgb.tif")).mosaic);
  ExpectGreyPlaneOfLoad(dir.file("large.tif"), reduced);
}

// Large fields, and 16-bit fields of fewer bits in use, against the same
// pixels written as a plain 512 x 512 8-bit field.
struct LargeField {
  const char* name;
  int side;
  TiffLayout layout;
  int inputBits;
};
void PrintTo(const LargeField& value, std::ostream* out) {
  *out << value.name;
}
class LargeFields : public ::testing::TestWithParam<LargeField> {};

TEST_P(LargeFields, EqualThePlainFieldOfTheirMeans) {
  const LargeField& c = GetParam();
  const int k = c.side / kFieldSize;
  const int shift = c.layout.bits == 16 ? c.inputBits - 8 : 0;
  std::vector<std::uint16_t> reference = GreyRamp(kFieldSize, kFieldSize);
  for (auto& v : reference) v = static_cast<std::uint16_t>(v % 254 + 1);
  // Each k x k block: its reference value with small offsets that average
  // away (rounding down); for 16 bits the offsets lie below the bits kept.
  std::vector<std::uint16_t> values(std::size_t(c.side) * c.side);
  for (int y = 0; y < c.side; ++y) {
    for (int x = 0; x < c.side; ++x) {
      const int p = reference[std::size_t(y / k) * kFieldSize + x / k];
      const int j = (y % k) * k + x % k;
      values[std::size_t(y) * c.side + x] = static_cast<std::uint16_t>(
          shift == 0 ? p + (j % 2 != 0 ? -1 : 1) : (p << shift) + (x * 5 + y * 3) % (1 << shift));
    }
  }
  TempDir dir;
  WriteGreyTiff(dir.file("large.tif"), c.side, c.side, values, c.layout);
  WriteGreyTiff(dir.file("plain.tif"), kFieldSize, kFieldSize, reference);
  const FieldLoadOptions options{c.inputBits};
  const std::string big = dir.file("large.tif"), small = dir.file("plain.tif");
  const ChannelMosaic large = LoadChannelMosaic({big, big, big, big}, options);
  const ChannelMosaic plain = LoadChannelMosaic({small, small, small, small});
  ASSERT_TRUE(large.problems().empty()) << large.problems().front().message;
  EXPECT_EQ(large.reducedFrom(), c.side == kFieldSize ? 0 : c.side);
  EXPECT_EQ(large.fields[3].sampleBits, c.layout.bits);
  EXPECT_TRUE(large.mosaic == plain.mosaic);
  const ChannelMosaic grey = LoadGreyMosaic({big, big, big, big}, options);
  EXPECT_TRUE(grey.mosaic.empty());  // no picture is made
  EXPECT_EQ(grey.reducedFrom(), large.reducedFrom());
  EXPECT_TRUE(grey.grey.bytes == testing::BlueBytesOf(large.mosaic).bytes);
  EXPECT_EQ(ProbeInputBits({big}), c.layout.bits == 8 ? 8 : std::max(10, c.inputBits));
}

INSTANTIATE_TEST_SUITE_P(
    Sides, LargeFields,
    ::testing::Values(
        LargeField{"k2_8bit", 1024, {8, COMPRESSION_NONE, false, 0}, 16},
        LargeField{"k3_8bit_tiles_lzw", 1536, {8, COMPRESSION_LZW, true, 0, false, 256}, 16},
        LargeField{"k4_16bit_lzw", 2048, {16, COMPRESSION_LZW, false, 64}, 16},
        LargeField{"k4_12bit_tiles_deflate",
                   2048,
                   {16, COMPRESSION_ADOBE_DEFLATE, true, 0, false, 256},
                   12},
        LargeField{"k2_10bit_big_endian", 1024, {16, COMPRESSION_NONE, false, 7, true}, 10},
        LargeField{"k3_14bit_packbits", 1536, {16, COMPRESSION_PACKBITS, false, 5}, 14},
        LargeField{"k1_12bit", 512, {16, COMPRESSION_NONE, false, 0}, 12}),
    [](const auto& info) { return std::string(info.param.name); });

// The reduction written out as its definition: the overlap of every source
// pixel with the output pixel, in 1/512 of a source pixel.
std::uint32_t AreaMean(const std::vector<std::uint16_t>& v, int n, int column, int row) {
  const auto overlap = [n](std::int64_t s, std::int64_t out) {
    return std::max<std::int64_t>(
        0, std::min(512 * s + 512, n * out + n) - std::max(512 * s, n * out));
  };
  std::uint64_t sum = 0;
  for (int y = n * row / 512; y <= (n * (row + 1) - 1) / 512; ++y) {
    for (int x = n * column / 512; x <= (n * (column + 1) - 1) / 512; ++x) {
      sum += overlap(x, column) * overlap(y, row) * v[std::size_t(y) * n + x];
    }
  }
  return static_cast<std::uint32_t>(sum / (std::uint64_t(n) * n));
}

TEST(FieldLoading, OtherSquareSidesAreAreaAveraged) {
  std::uint32_t seed = 12345;
  const auto random12 = [&] {
    return static_cast<std::uint16_t>((seed = seed * 1103515245 + 12345) >> 20);
  };
  for (const int n : {513, 600, 2160}) {
    std::vector<std::uint16_t> values(std::size_t(n) * n);
    for (auto& v : values) v = random12();
    // Two channels: the second holds the first's complement.
    std::vector<std::uint8_t> row(std::size_t(n) * 4);
    AreaReducer reducer(n, 2, 2);
    int out = 0;
    for (int y = 0; y < n; ++y) {
      for (int x = 0; x < n; ++x) {
        const std::uint16_t pair[2] = {
            values[std::size_t(y) * n + x],
            static_cast<std::uint16_t>(4095 - values[std::size_t(y) * n + x])};
        std::memcpy(&row[4 * std::size_t(x)], pair, 4);
      }
      const std::uint32_t* means = reducer.addRow(row.data());
      if (means == nullptr) continue;
      for (int x = 0; x < 512; ++x) {
        const std::uint32_t want = AreaMean(values, n, x, out);
        ASSERT_EQ(means[2 * x], want) << "n " << n << " x " << x << " row " << out;
        ASSERT_GE(means[2 * x + 1] + want, 4094u);  // each channel rounded down on its own
        ASSERT_LE(means[2 * x + 1] + want, 4095u);
      }
      ++out;
    }
    EXPECT_EQ(out, 512) << n;
    if (n != 2160) continue;

    // The same through a file: a 12-bit camera's 2160-pixel field in tiles.
    TempDir dir;
    WriteGreyTiff(dir.file("field.tif"), n, n, values,
                  {16, COMPRESSION_ADOBE_DEFLATE, true, 0, false, 240});
    const Loaded loaded = Load(dir.file("field.tif"), 12);
    ASSERT_FALSE(loaded.load.problem) << loaded.load.problem->message;
    EXPECT_EQ(loaded.load.side, n);
    for (int r = 0; r < 512; r += 7) {
      for (int x = 0; x < 512; ++x) {
        ASSERT_EQ(*loaded.mosaic.topDown(kFieldSize + x, kFieldSize + r),
                  AreaMean(values, n, x, r) >> 4);
      }
    }
  }
}

// The bits in use are brought to 8; samples above them saturate.
TEST(FieldLoading, SixteenBitSamplesKeepTheirTopBits) {
  TempDir dir;
  std::vector<std::uint16_t> values(std::size_t{kFieldSize} * kFieldSize);
  for (std::size_t i = 0; i < values.size(); ++i) values[i] = static_cast<std::uint16_t>(i * 7);
  WriteGreyTiff(dir.file("wide.tif"), kFieldSize, kFieldSize, values, {16, COMPRESSION_LZW});
  for (const int bits : {8, 10, 12, 14, 16}) {
    const Loaded loaded = Load(dir.file("wide.tif"), bits);
    ASSERT_FALSE(loaded.load.problem);
    for (int y = 0; y < kFieldSize; ++y) {
      for (int x = 0; x < kFieldSize; ++x) {
        std::uint32_t word;
        std::memcpy(&word, loaded.mosaic.topDown(kFieldSize + x, kFieldSize + y), 4);
        const auto grey = std::min(255, values[std::size_t(y) * kFieldSize + x] >> (bits - 8));
        ASSERT_EQ(word, 0xff000000u | 0x010101u * grey) << bits << " bits, x " << x << " y " << y;
      }
    }
  }
  // 8-bit files are not affected.
  WriteGreyTiff(dir.file("narrow.tif"), kFieldSize, kFieldSize, GreyRamp(kFieldSize, kFieldSize));
  EXPECT_TRUE(Load(dir.file("narrow.tif"), 10).mosaic == Load(dir.file("narrow.tif")).mosaic);
}

TEST(FieldLoading, UncompressedStripsInReversedBitOrderAreReadAsWritten) {
  TempDir dir;
  const std::string path = dir.file("reversed.tif");
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  ASSERT_NE(tif, nullptr);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, kFieldSize);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, kFieldSize);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
  TIFFSetField(tif, TIFFTAG_FILLORDER, FILLORDER_LSB2MSB);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 64);
  const auto grey = [](int x, int y) { return static_cast<std::uint8_t>(3 * x + y); };
  std::vector<std::uint8_t> row(kFieldSize);
  for (int y = 0; y < kFieldSize; ++y) {
    for (int x = 0; x < kFieldSize; ++x) row[x] = grey(x, y);
    ASSERT_EQ(TIFFWriteScanline(tif, row.data(), static_cast<std::uint32_t>(y), 0), 1);
  }
  TIFFClose(tif);
  const Loaded loaded = Load(path);
  ASSERT_FALSE(loaded.load.problem);
  for (int y = 0; y < kFieldSize; ++y) {
    for (int x = 0; x < kFieldSize; ++x) {
      std::uint32_t word;
      std::memcpy(&word, loaded.mosaic.topDown(kFieldSize + x, kFieldSize + y), 4);
      ASSERT_EQ(word, 0xff000000u | 0x010101u * grey(x, y)) << "x " << x << " y " << y;
    }
  }
}

// A file too large to be read into memory whole is decoded through its
// descriptor: a field followed by a long hole (sparse, so it takes no room)
// gives its pixels, and its fingerprint covers every byte, the hole too.
TEST(FieldLoading, FilesTooLargeToCopyAreReadWhereTheyLie) {
  TempDir dir;
  const std::string path = dir.file("long.tif");
  const std::vector<std::uint16_t> ramp = GreyRamp(kFieldSize, kFieldSize);
  WriteGreyTiff(path, kFieldSize, kFieldSize, ramp, {8, COMPRESSION_LZW, false, 64});
  const std::string written = testing::ReadFile(path);  // the directory is last
  constexpr std::uint64_t kLength = std::uint64_t{300} << 20;
  fs::resize_file(path, kLength);

  const Loaded loaded = Load(path);
  ASSERT_FALSE(loaded.load.problem) << loaded.load.problem->message;
  for (int y = 0; y < kFieldSize; ++y) {
    for (int x = 0; x < kFieldSize; ++x) {
      std::uint32_t word;
      std::memcpy(&word, loaded.mosaic.topDown(kFieldSize + x, kFieldSize + y), 4);
      ASSERT_EQ(word, 0xff000000u | 0x010101u * ramp[std::size_t(y) * kFieldSize + x])
          << "x " << x << " y " << y;
    }
  }
  XXH3_state_t* state = XXH3_createState();
  ASSERT_NE(state, nullptr);
  XXH3_64bits_reset(state);
  XXH3_64bits_update(state, written.data(), written.size());
  const std::vector<char> zeros(std::size_t{1} << 20);
  for (std::uint64_t done = written.size(); done < kLength;) {
    const std::size_t count =
        static_cast<std::size_t>(std::min<std::uint64_t>(zeros.size(), kLength - done));
    XXH3_64bits_update(state, zeros.data(), count);
    done += count;
  }
  const FileFingerprint whole{kLength, XXH3_64bits_digest(state)};
  XXH3_freeState(state);
  EXPECT_EQ(loaded.load.fingerprint, whole);
}

TEST(InputBits, ProbeFindsTheBitsEverySampleFitsIn) {
  TempDir dir;
  const auto wide = [&](std::uint16_t largest, bool tiled = false) {
    std::vector<std::uint16_t> values(64 * 64);
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = static_cast<std::uint16_t>(i % 500);
    values[64 * 40 + 33] = largest;
    const std::string path = dir.file(std::to_string(largest) + (tiled ? "t.tif" : ".tif"));
    WriteGreyTiff(path, 64, 64, values, {16, COMPRESSION_LZW, tiled, 9});
    return path;
  };
  const std::pair<std::uint16_t, int> cases[] = {{0, 10},    {1023, 10},  {1024, 12},  {4095, 12},
                                                 {4096, 14}, {16383, 14}, {16384, 16}, {65535, 16}};
  for (const auto& [largest, bits] : cases) {
    EXPECT_EQ(ProbeInputBits({wide(largest)}), bits) << largest;
  }
  EXPECT_EQ(ProbeInputBits({wide(4095, true)}), 12);
  // Bit 14 alone, no lower bit set anywhere, is beyond 14 bits.
  WriteGreyTiff(dir.file("top.tif"), 64, 64, std::vector<std::uint16_t>(64 * 64, 16384), {16});
  EXPECT_EQ(ProbeInputBits({dir.file("top.tif")}), 16);
  WriteGreyTiff(dir.file("narrow.tif"), 64, 64, GreyRamp(64, 64));
  const std::string missing = dir.file("missing.tif");
  EXPECT_EQ(ProbeInputBits({wide(1023), wide(4000), wide(100)}), 12);  // the largest decides
  EXPECT_EQ(ProbeInputBits({dir.file("narrow.tif")}), 8);
  EXPECT_EQ(ProbeInputBits({dir.file("narrow.tif"), wide(4095)}), 12);
  EXPECT_EQ(ProbeInputBits({missing, wide(1000)}), 10);
  EXPECT_EQ(ProbeInputBits({missing}), 16);
}

// Every kind of bad field, in one quarter of a mosaic whose other quarters are
// good: it is named with its kind, its quarter stays black (or, damaged, holds
// what the RGBA conversion makes of it, as it always has) and the others load.
TEST(FieldLoading, EveryBadFieldIsReportedByKind) {
  TempDir dir;
  const std::string good = dir.file("good.tif");
  WriteGreyTiff(good, kFieldSize, kFieldSize, GreyRamp(kFieldSize, kFieldSize));
  const Picture goodField = ReadTiffPicture(good);
  const auto path = [&](const char* name) { return dir.file(name); };

  fs::create_directory(path("folder.tif"));
  WriteBytes(path("empty.tif"), "");
  WriteBytes(path("text.tif"), "this is plain text, not a picture\n");
  WriteGreyTiff(path("cut.tif"), kFieldSize, kFieldSize, GreyRamp(kFieldSize, kFieldSize));
  fs::resize_file(path("cut.tif"), fs::file_size(path("cut.tif")) / 2);  // the directory is last
  WriteGreyTiff(path("locked.tif"), kFieldSize, kFieldSize, GreyRamp(kFieldSize, kFieldSize));
  fs::permissions(path("locked.tif"), fs::perms::none);
  const bool locked = !std::ifstream(path("locked.tif")).good();  // not for root
  WriteUniformTiff(path("float.tif"), kFieldSize, 32, 0x55, {}, SAMPLEFORMAT_IEEEFP);
  WriteGreyTiff(path("small.tif"), 256, 256, GreyRamp(256, 256));
  WriteGreyTiff(path("short.tif"), 512, 256, GreyRamp(512, 256));
  WriteGreyTiff(path("tall.tif"), 512, 600, GreyRamp(512, 600));
  WriteBytes(path("huge.tif"), HandMadeTiff(20000, 20000, 0));
  WriteBytes(path("truncated.tif"), HandMadeTiff(512, 512, 512 * 100 + 7));
  // libtiff reads at most ten times a strip's size past its offset: near the end
  // of the file that runs past it.
  WriteBytes(path("count.tif"), HandMadeTiff(512, 512, 512 * 512, 508));
  WriteGreyTiff(path("deflate.tif"), kFieldSize, kFieldSize, GreyRamp(kFieldSize, kFieldSize),
                {8, COMPRESSION_ADOBE_DEFLATE, false, 16});
  Spoil(path("deflate.tif"));
  WriteGreyTiff(path("white.tif"), kFieldSize, kFieldSize, GreyRamp(kFieldSize, kFieldSize),
                {8, COMPRESSION_ADOBE_DEFLATE, false, 16, false, 16, 0});
  Spoil(path("white.tif"));

  using K = FieldProblemKind;
  struct Case {
    const char* name;
    K kind;
    std::string says;  // the message from its start; the file's name follows
  };
  const Case cases[] = {
      {"missing.tif", K::kMissing, "Field picture '" + path("missing.tif") + "' does not exist"},
      {"folder.tif", K::kUnreadable,
       "Unable to open file '" + path("folder.tif") + "' (not a regular file)"},
      {"empty.tif", K::kEmpty, "Field picture '" + path("empty.tif") + "' is empty"},
      {"text.tif", K::kUnreadable, "Unable to open file '" + path("text.tif") + "' ("},
      {"cut.tif", K::kUnreadable, "Unable to open file '" + path("cut.tif") + "' ("},
      {"locked.tif", K::kUnreadable,
       "Unable to open file '" + path("locked.tif") + "' (Permission denied)"},
      {"float.tif", K::kUnreadable, "Unable to load file '" + path("float.tif") + "': "},
      {"small.tif", K::kWrongSize, "Field picture '" + path("small.tif") + "' is 256 x 256 pixels"},
      {"short.tif", K::kWrongSize, "Field picture '" + path("short.tif") + "' is 512 x 256 pixels"},
      {"tall.tif", K::kWrongSize, "Field picture '" + path("tall.tif") + "' is 512 x 600 pixels"},
      {"huge.tif", K::kWrongSize,
       "Field picture '" + path("huge.tif") + "' is 20000 x 20000 pixels"},
      {"truncated.tif", K::kDamaged, "Field picture '" + path("truncated.tif") + "' is damaged"},
      {"count.tif", K::kDamaged, "Field picture '" + path("count.tif") + "' is damaged"},
      {"deflate.tif", K::kDamaged, "Field picture '" + path("deflate.tif") + "' is damaged"},
      {"white.tif", K::kDamaged, "Field picture '" + path("white.tif") + "' is damaged"},
  };
  for (int i = 0; i < static_cast<int>(std::size(cases)); ++i) {
    const Case& c = cases[i];
    if (std::string(c.name) == "locked.tif" && !locked) continue;
    SCOPED_TRACE(c.name);
    const int quarter = i % 4;
    std::array<std::string, 4> files = {good, good, good, good};
    files[quarter] = path(c.name);
    ::testing::internal::CaptureStderr();
    const ChannelMosaic loaded = LoadChannelMosaic(files);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");

    const std::vector<FieldProblem> problems = loaded.problems();
    ASSERT_EQ(problems.size(), 1u);
    const FieldProblem& problem = *loaded.fields[quarter].problem;
    EXPECT_EQ(FieldProblemName(problem.kind), std::string(FieldProblemName(c.kind)));
    EXPECT_EQ(problem.file, files[quarter]);
    EXPECT_EQ(problem.message.rfind(c.says, 0), 0u) << problem.message;
    if (c.kind == K::kWrongSize) {
      EXPECT_NE(problem.message.find("square, from 512 x 512 to 16384 x 16384"), std::string::npos);
    }
    WellFields fields;
    for (int f = 0; f < 4; ++f) fields[f] = goodField;
    if (c.kind == K::kDamaged) {
      fields[quarter] = ReadTiffPicture(files[quarter]);
      EXPECT_FALSE(fields[quarter] == goodField);
      EXPECT_FALSE(fields[quarter] == Picture(kFieldSize, kFieldSize)) << "nothing decoded";
    } else {
      fields[quarter] = Picture();
    }
    EXPECT_TRUE(loaded.mosaic == AssembleMosaic(fields));
    const ChannelMosaic grey = LoadGreyMosaic(files);
    EXPECT_EQ(grey.problems().size(), 1u);
    EXPECT_EQ(grey.quarterBlack(quarter), loaded.quarterBlack(quarter));
    EXPECT_TRUE(grey.grey.bytes == testing::BlueBytesOf(loaded.mosaic).bytes);
    // Every regular file that could be opened is fingerprinted from the bytes read.
    for (int f = 0; f < 4; ++f) {
      if (!fs::is_regular_file(files[f]) || (f == quarter && std::string(c.name) == "locked.tif")) {
        EXPECT_FALSE(loaded.fields[f].fingerprint);
        continue;
      }
      const std::string bytes = testing::ReadFile(files[f]);
      EXPECT_EQ(loaded.fields[f].fingerprint, FingerprintOf(bytes.data(), bytes.size())) << f;
    }
  }
}

// A large field with a strip that cannot be decoded: that strip reads as
// black, every output row it does not reach is as the intact file gives it.
TEST(FieldLoading, ADamagedLargeFieldKeepsWhatDecodes) {
  TempDir dir;
  WriteBytes(dir.file("intact.tif"), HandMadeTiff(1024, 1024, 1024 * 1024));
  WriteBytes(dir.file("broken.tif"), HandMadeTiff(1024, 1024, 1024 * 1024, 1020));
  const Loaded intact = Load(dir.file("intact.tif"));
  const Loaded broken = Load(dir.file("broken.tif"));
  ASSERT_FALSE(intact.load.problem);
  ASSERT_TRUE(broken.load.problem);
  EXPECT_EQ(broken.load.problem->kind, FieldProblemKind::kDamaged);
  EXPECT_EQ(broken.load.side, 1024);
  for (int y = 0; y < kFieldSize; ++y) {
    const bool same = std::memcmp(intact.mosaic.topDown(kFieldSize, kFieldSize + y),
                                  broken.mosaic.topDown(kFieldSize, kFieldSize + y),
                                  std::size_t{kFieldSize} * 4) == 0;
    EXPECT_EQ(same, y != 510) << "row " << y;
  }
  ExpectGreyPlaneOfLoad(dir.file("broken.tif"), broken);
}

// A 16-bit field read at 12 bits with a strip that cannot be decoded: the
// rows of that strip are black, every other row holds its samples' top 8 of
// 12 bits (clamped), in the picture and in the grey plane alike.
TEST(FieldLoading, ADamagedSixteenBitFieldReadAtFewerBitsBlacksItsBadStrip) {
  TempDir dir;
  const std::string path = dir.file("wide.tif");
  std::vector<std::uint16_t> samples(std::size_t{kFieldSize} * kFieldSize);
  for (std::size_t i = 0; i < samples.size(); ++i) {
    samples[i] = static_cast<std::uint16_t>((i * 37) % 5000);  // some above 4095
  }
  WriteGreyTiff(path, kFieldSize, kFieldSize, samples, {16, COMPRESSION_ADOBE_DEFLATE, false, 16});
  Spoil(path);
  const Loaded loaded = Load(path, 12);
  ASSERT_TRUE(loaded.load.problem);
  EXPECT_EQ(loaded.load.problem->kind, FieldProblemKind::kDamaged);
  int blackRows = 0;
  for (int y = 0; y < kFieldSize; ++y) {
    const std::uint8_t* row = loaded.mosaic.topDown(kFieldSize, kMosaicSize - kFieldSize + y);
    bool black = true, exact = true;
    for (int x = 0; x < kFieldSize; ++x) {
      const std::uint16_t sample = samples[std::size_t(y) * kFieldSize + x];
      const int expected = std::min(sample >> 4, 255);
      black = black && row[4 * x] == 0 && row[4 * x + 1] == 0 && row[4 * x + 2] == 0;
      exact = exact && row[4 * x] == expected && row[4 * x + 1] == expected &&
              row[4 * x + 2] == expected && row[4 * x + 3] == 255;
    }
    EXPECT_TRUE(black || exact) << "row " << y;
    blackRows += black && !exact ? 1 : 0;
  }
  // Whole strips of 16 rows are lost, not the whole field.
  EXPECT_GT(blackRows, 0);
  EXPECT_EQ(blackRows % 16, 0);
  EXPECT_LT(blackRows, kFieldSize);
  ExpectGreyPlaneOfLoad(path, loaded, 12);
}

// Files renamed over the path while it loads: each load gives one whole
// picture or a clean refusal, never a mixture (run under AddressSanitizer).
TEST(FieldLoading, FilesSwappedUnderTheLoaderGiveWholeFieldsOrCleanFailures) {
  TempDir dir;
  WriteGreyTiff(dir.file("grey.tif"), kFieldSize, kFieldSize, GreyRamp(kFieldSize, kFieldSize),
                {8, COMPRESSION_LZW, false, 32});
  std::vector<std::uint16_t> ramp(256);
  std::vector<std::uint8_t> indices(std::size_t{kFieldSize} * kFieldSize);
  for (std::size_t i = 0; i < indices.size(); ++i) indices[i] = static_cast<std::uint8_t>(i % 7);
  for (int i = 0; i < 256; ++i) ramp[i] = static_cast<std::uint16_t>(i * 9000);
  testing::WritePaletteTiff(dir.file("palette.tif"), kFieldSize, kFieldSize, indices, ramp, ramp,
                            ramp);
  std::vector<std::uint16_t> wide(1024 * 1024);
  for (std::size_t i = 0; i < wide.size(); ++i) wide[i] = static_cast<std::uint16_t>(i * 13);
  WriteGreyTiff(dir.file("large.tif"), 1024, 1024, wide,
                {16, COMPRESSION_NONE, true, 0, false, 64});
  WriteGreyTiff(dir.file("tiny.tif"), 1, 1, {200});
  const std::vector<std::string> candidates = {dir.file("grey.tif"), dir.file("palette.tif"),
                                               dir.file("large.tif"), dir.file("tiny.tif")};
  std::vector<Picture> expected;
  for (int c = 0; c < 3; ++c) expected.push_back(Load(candidates[c]).mosaic);

  const std::string field = dir.file("field.tif");
  fs::copy_file(candidates[0], field);
  std::atomic<bool> stop = false;
  std::thread swapper([&] {
    for (std::size_t i = 0; !stop; ++i) {
      const std::string incoming = dir.file("incoming.tif");
      fs::create_hard_link(candidates[i % candidates.size()], incoming);
      fs::rename(incoming, field);
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  });
  std::vector<int> seen(4, 0);
  for (int i = 0; i < 200; ++i) {
    const Loaded loaded = Load(field);
    if (loaded.load.problem) {
      EXPECT_EQ(loaded.load.problem->kind, FieldProblemKind::kWrongSize)
          << loaded.load.problem->message;
      EXPECT_TRUE(loaded.mosaic == Sentinel());
      ++seen[3];
      continue;
    }
    const auto match = std::find(expected.begin(), expected.end(), loaded.mosaic);
    ASSERT_NE(match, expected.end()) << "load " << i << " mixed two files";
    ++seen[match - expected.begin()];
  }
  stop = true;
  swapper.join();
  EXPECT_GE(std::count_if(seen.begin(), seen.end(), [](int n) { return n > 0; }), 2)
      << "the files were not swapped while loading";
}

}  // namespace
}  // namespace vembrel

namespace vembrel {
namespace {

// Whole k x k blocks are meaned rounding down: k*k - 1 ones and a zero give
// 0, twos and a one give 1, for 8- and 16-bit values.
TEST(AreaReducer, WholeBlocksAreMeanedRoundingDown) {
  for (const int side : {1024, 1536, 2048}) {
    const int k = side / AreaReducer::kSide;
    for (const int high : {1, 2, 1000}) {
      AreaReducer reducer(side, 1, 2);
      std::vector<std::uint16_t> row(static_cast<std::size_t>(side));
      int outputs = 0;
      for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
          const bool last = x % k == k - 1 && y % k == k - 1;
          row[static_cast<std::size_t>(x)] = static_cast<std::uint16_t>(last ? high - 1 : high);
        }
        const std::uint32_t* means =
            reducer.addRow(reinterpret_cast<const std::uint8_t*>(row.data()));
        if (means == nullptr) continue;
        ++outputs;
        for (int X = 0; X < AreaReducer::kSide; ++X) {
          ASSERT_EQ(means[X], static_cast<std::uint32_t>(high - 1)) << side << " " << high;
        }
      }
      EXPECT_EQ(outputs, AreaReducer::kSide);
    }
  }
}

}  // namespace
}  // namespace vembrel
