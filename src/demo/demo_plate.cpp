#include "demo/demo_plate.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <mutex>
#include <numbers>
#include <thread>

#include "core/error.h"
#include "core/text_file.h"
#include "imaging/grey_tiff_writer.h"
#include "plate/plate.h"

namespace vembrel {
namespace {

constexpr int kSize = kMosaicSize;
constexpr double kPi = std::numbers::pi;

// SplitMix64: tiny, fast and the same on every platform, unlike the
// distributions of <random>.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
  double uniform(double low, double high) { return low + (high - low) * uniform(); }
  int between(int low, int high) {  // inclusive
    return low + static_cast<int>(next() % static_cast<std::uint64_t>(high - low + 1));
  }
  bool chance(double p) { return uniform() < p; }

 private:
  std::uint64_t state_;
};

// Independent streams per seed, well and purpose.
enum Stream : std::uint64_t {
  kPlateStream = 1,
  kWellStream,
  kNoiseStream,
  kCellStream,
  kPaintStream
};

Random StreamFor(std::uint32_t seed, int well, Stream purpose) {
  Random mix((std::uint64_t{seed} << 32) ^ (static_cast<std::uint64_t>(well + 7) << 8) ^ purpose);
  return Random(mix.next());
}

// Wells whose pictures are incomplete: three with blue pictures only, three
// with one field missing (the last of them misses only its green picture).
struct PlateGaps {
  std::array<int, 3> blueOnly;
  std::array<int, 3> missingField;
};

PlateGaps ChooseGaps(std::uint32_t seed, const PlateFormat& format) {
  Random random = StreamFor(seed, -1, kPlateStream);
  std::vector<int> order(static_cast<std::size_t>(format.wellCount()));
  for (int i = 0; i < format.wellCount(); ++i) order[i] = i;
  for (int i = format.wellCount() - 1; i > 0; --i) std::swap(order[i], order[random.between(0, i)]);
  return {{order[0], order[1], order[2]}, {order[3], order[4], order[5]}};
}

struct Ellipse {
  double cx = 0, cy = 0;  // mosaic pixels, row from the bottom
  double a = 1, b = 1;    // half axes, a along the angle
  double cosine = 1, sine = 0;

  Ellipse() = default;
  Ellipse(double x, double y, double along, double across, double angle)
      : cx(x), cy(y), a(along), b(across), cosine(std::cos(angle)), sine(std::sin(angle)) {}
  // Normalised squared radius of a point: 1 on the outline.
  double rho2(double x, double y) const {
    const double dx = x - cx, dy = y - cy;
    const double u = dx * cosine + dy * sine;
    const double v = -dx * sine + dy * cosine;
    return (u * u) / (a * a) + (v * v) / (b * b);
  }
};

struct DemoCell {
  Ellipse body;
  std::array<double, 5> amplitude{};  // outline wobble for the harmonics below
  std::array<double, 5> phase{};
  int peakGreen = 150;
  Ellipse nucleus;
  int peakBlue = 160;
  double reach() const { return body.a * 1.15; }  // no outline point lies further out
};

constexpr std::array<int, 5> kHarmonics{2, 3, 5, 9, 13};

DemoCell MakeCell(Random& random, double cx, double cy) {
  DemoCell cell;
  const bool elongated = random.chance(0.25);
  const double area = random.uniform(300, 1400);
  const double ratio = elongated ? random.uniform(0.22, 0.42) : random.uniform(0.6, 1.0);
  const double a = std::sqrt(area / (kPi * ratio));
  const double angle = random.uniform(0, kPi);
  cell.body = Ellipse(cx, cy, a, a * ratio, angle);
  const bool rough = random.chance(0.3);
  for (int k = 0; k < 3; ++k) cell.amplitude[k] = random.uniform(0, 0.08);
  cell.amplitude[3] = rough ? random.uniform(0.04, 0.09) : 0;
  cell.amplitude[4] = rough ? random.uniform(0.02, 0.05) : 0;
  for (double& p : cell.phase) p = random.uniform(0, 2 * kPi);
  cell.peakGreen = random.between(115, 210);

  const double nuclearArea = random.uniform(60, 170);
  const double nuclearRatio = random.uniform(0.7, 1.0);
  double na = std::sqrt(nuclearArea / (kPi * nuclearRatio));
  double nb = na * nuclearRatio;
  na = std::min(na, 0.7 * cell.body.a);
  nb = std::min(nb, 0.7 * cell.body.b);
  const double shift = random.uniform(0, 0.2) * cell.body.b;
  const double direction = random.uniform(0, 2 * kPi);
  cell.nucleus =
      Ellipse(cx + shift * std::cos(direction), cy + shift * std::sin(direction), na, nb, angle);
  // A few dim nuclei stay below the usual cut-off, as in real stainings.
  cell.peakBlue = random.chance(0.04) ? random.between(45, 62) : random.between(105, 230);
  return cell;
}

// Cells placed so far, bucketed on a grid for the overlap test.
class CellField {
 public:
  bool fits(const DemoCell& candidate, double spacing) const {
    const int gx = Bucket(candidate.body.cx), gy = Bucket(candidate.body.cy);
    for (int y = std::max(0, gy - 2); y <= std::min(kBuckets - 1, gy + 2); ++y) {
      for (int x = std::max(0, gx - 2); x <= std::min(kBuckets - 1, gx + 2); ++x) {
        for (int i : buckets_[y * kBuckets + x]) {
          const DemoCell& other = cells_[i];
          const double dx = other.body.cx - candidate.body.cx;
          const double dy = other.body.cy - candidate.body.cy;
          const double room = spacing * (std::sqrt(other.body.a * other.body.b) +
                                         std::sqrt(candidate.body.a * candidate.body.b));
          if (dx * dx + dy * dy < room * room) return false;
        }
      }
    }
    return true;
  }
  void add(const DemoCell& cell) {
    buckets_[Bucket(cell.body.cy) * kBuckets + Bucket(cell.body.cx)].push_back(
        static_cast<int>(cells_.size()));
    cells_.push_back(cell);
  }
  const std::vector<DemoCell>& cells() const { return cells_; }

 private:
  static constexpr int kBucketSize = 32;
  static constexpr int kBuckets = kSize / kBucketSize + 2;
  static int Bucket(double v) {
    return std::clamp(static_cast<int>(v + kBucketSize) / kBucketSize, 0, kBuckets - 1);
  }
  std::vector<DemoCell> cells_;
  std::array<std::vector<int>, kBuckets * kBuckets> buckets_;
};

std::vector<DemoCell> PlaceCells(std::uint32_t seed, const DemoWell& well) {
  Random random = StreamFor(seed, well.index, kCellStream);
  CellField field;
  // The monolayer around the zone: dense, some cells touching, some reaching
  // a little into the zone.
  for (int attempt = 0; attempt < 9000; ++attempt) {
    const double x = random.uniform(-15, kSize + 15);
    const double y = random.uniform(-15, kSize + 15);
    DemoCell cell = MakeCell(random, x, y);
    const double fromCentre = std::hypot(x - well.ringX, y - well.ringY);
    if (fromCentre < well.zoneRadius + 0.3 * cell.body.a) continue;
    if (field.fits(cell, 0.95)) field.add(cell);
  }
  // Migrated cells inside the zone; about one in five sits against another.
  int placed = 0;
  for (int attempt = 0; attempt < 4000 && placed < well.migratedCells; ++attempt) {
    double x, y;
    const bool touching = placed > 0 && random.chance(0.2);
    DemoCell cell = MakeCell(random, 0, 0);
    if (touching) {
      const DemoCell& partner = field.cells().back();
      const double direction = random.uniform(0, 2 * kPi);
      const double gap =
          std::sqrt(partner.body.a * partner.body.b) + std::sqrt(cell.body.a * cell.body.b);
      x = partner.body.cx + gap * std::cos(direction);
      y = partner.body.cy + gap * std::sin(direction);
    } else {
      const double r = std::sqrt(random.uniform()) * (well.zoneRadius - cell.reach() - 4);
      const double direction = random.uniform(0, 2 * kPi);
      x = well.ringX + r * std::cos(direction);
      y = well.ringY + r * std::sin(direction);
    }
    if (std::hypot(x - well.ringX, y - well.ringY) > well.zoneRadius - cell.reach() - 4) continue;
    cell.body.cx += x, cell.body.cy += y;
    cell.nucleus.cx += x, cell.nucleus.cy += y;
    if (!field.fits(cell, touching ? 0.8 : 1.1)) continue;
    field.add(cell);
    ++placed;
  }
  return field.cells();
}

struct Planes {
  std::vector<std::uint8_t> blue = std::vector<std::uint8_t>(kSize * kSize);
  std::vector<std::uint8_t> green = std::vector<std::uint8_t>(kSize * kSize);
};

// Camera noise and an uneven illumination of every field, brightest in its middle.
void PaintBackground(std::uint32_t seed, int well, Planes& planes) {
  Random random = StreamFor(seed, well, kNoiseStream);
  std::array<int, kFieldSize> squares;
  for (int i = 0; i < kFieldSize; ++i) squares[i] = (i - kFieldSize / 2) * (i - kFieldSize / 2);
  for (int r = 0; r < kSize; ++r) {
    const int dy2 = squares[r % kFieldSize];
    for (int c = 0; c < kSize; c += 4) {
      std::uint64_t bits = random.next();
      for (int i = 0; i < 4; ++i, bits >>= 16) {
        const int light = 6 - 6 * (squares[(c + i) % kFieldSize] + dy2) / (2 * 256 * 256);
        const int greenNoise = static_cast<int>((bits & 15) + ((bits >> 4) & 15)) / 2;
        const int blueNoise = static_cast<int>(((bits >> 8) & 15) + ((bits >> 12) & 15)) / 2;
        const std::size_t p = static_cast<std::size_t>(r) * kSize + c + i;
        planes.green[p] = static_cast<std::uint8_t>(4 + light + greenNoise);
        planes.blue[p] = static_cast<std::uint8_t>(2 + light / 2 + blueNoise);
      }
    }
  }
}

std::vector<std::pair<double, double>> Outline(const DemoCell& cell) {
  constexpr int kCorners = 48;
  std::vector<std::pair<double, double>> corners;
  const Ellipse& e = cell.body;
  for (int i = 0; i < kCorners; ++i) {
    const double t = 2 * kPi * i / kCorners;
    double scale = 1;
    for (std::size_t k = 0; k < kHarmonics.size(); ++k) {
      scale += cell.amplitude[k] * std::sin(kHarmonics[k] * t + cell.phase[k]);
    }
    const double u = e.a * scale * std::cos(t), v = e.b * scale * std::sin(t);
    corners.emplace_back(e.cx + u * e.cosine - v * e.sine, e.cy + u * e.sine + v * e.cosine);
  }
  return corners;
}

// Fills the cell's outline row by row (even-odd rule); overlapping cells keep
// the brighter value.
void PaintCell(const DemoCell& cell, Random& random, Planes& planes) {
  const auto corners = Outline(cell);
  double low = kSize, high = -1;
  for (const auto& corner : corners) {
    low = std::min(low, corner.second);
    high = std::max(high, corner.second);
  }
  std::vector<double> crossings;
  for (int r = std::max(0, static_cast<int>(std::floor(low)));
       r <= std::min(kSize - 1, static_cast<int>(std::ceil(high))); ++r) {
    const double yc = r + 0.5;
    crossings.clear();
    for (std::size_t i = 0; i < corners.size(); ++i) {
      const auto& [x0, y0] = corners[i];
      const auto& [x1, y1] = corners[(i + 1) % corners.size()];
      if ((y0 <= yc) != (y1 <= yc)) crossings.push_back(x0 + (yc - y0) * (x1 - x0) / (y1 - y0));
    }
    std::sort(crossings.begin(), crossings.end());
    for (std::size_t i = 0; i + 1 < crossings.size(); i += 2) {
      const int from = std::max(0, static_cast<int>(std::ceil(crossings[i] - 0.5)));
      const int to = std::min(kSize - 1, static_cast<int>(std::floor(crossings[i + 1] - 0.5)));
      for (int c = from; c <= to; ++c) {
        const double x = c + 0.5;
        // One draw gives all the noise of the pixel: bytes scaled to small spans.
        const std::uint64_t bits = random.next();
        const auto noise = [bits](int byte, int span) {
          return static_cast<int>((((bits >> (8 * byte)) & 0xff) * span) >> 8);
        };
        const double body = std::min(cell.body.rho2(x, yc), 1.0);
        int green =
            static_cast<int>(62 + (cell.peakGreen - 62) * (1 - 0.7 * body)) + noise(0, 13) - 6;
        int blue = 12 + noise(1, 7);
        const double nuclear = cell.nucleus.rho2(x, yc);
        if (nuclear <= 1) {
          blue = static_cast<int>(cell.peakBlue * (0.85 + 0.15 * (1 - nuclear))) + noise(2, 11) - 5;
          green = std::max(green, 114 + noise(3, 11));
        }
        const std::size_t p = static_cast<std::size_t>(r) * kSize + c;
        planes.green[p] = static_cast<std::uint8_t>(std::max<int>(planes.green[p], green));
        planes.blue[p] = static_cast<std::uint8_t>(std::max<int>(planes.blue[p], blue));
      }
    }
  }
}

Planes RenderWell(std::uint32_t seed, const DemoWell& well) {
  Planes planes;
  PaintBackground(seed, well.index, planes);
  Random random = StreamFor(seed, well.index, kPaintStream);
  for (const DemoCell& cell : PlaceCells(seed, well)) PaintCell(cell, random, planes);
  return planes;
}

// Mosaic offsets of field 0 lower left, 1 lower right, 2 upper right, 3 upper left.
int FieldColumn(int field) {
  return field == 1 || field == 2 ? kFieldSize : 0;
}
int FieldRow(int field) {
  return field >= 2 ? kFieldSize : 0;
}

Picture FieldPicture(const std::vector<std::uint8_t>& plane, int field) {
  Picture picture(kFieldSize, kFieldSize);
  for (int r = 0; r < kFieldSize; ++r) {
    const std::uint8_t* source =
        plane.data() + static_cast<std::size_t>(r + FieldRow(field)) * kSize + FieldColumn(field);
    std::uint8_t* target = picture.bytes.data() + picture.offset(0, r);
    for (int c = 0; c < kFieldSize; ++c, target += 4) {
      target[kBlue] = target[kGreen] = target[kRed] = source[c];
      target[kSpare] = 255;
    }
  }
  return picture;
}

void CheckWell(int well, const PlateFormat& format) {
  if (well < 0 || well >= format.wellCount()) {
    throw Error("No well has the index " + std::to_string(well));
  }
}

}  // namespace

DemoWell DescribeDemoWell(std::uint32_t seed, int well, const PlateFormat& format) {
  CheckWell(well, format);
  Random random = StreamFor(seed, well, kWellStream);
  DemoWell demo;
  demo.index = well;
  demo.ringX = kSize / 2 + random.between(-60, 60);
  demo.ringY = kSize / 2 + random.between(-60, 60);
  demo.zoneRadius = random.between(300, 380);
  // Migration rises from the first column to the last, as along a dilution series.
  const double migrated =
      format.keyOf(well).column * 40.0 / (format.columns() - 1) + random.uniform(-3, 3);
  demo.migratedCells = std::clamp(static_cast<int>(std::lround(migrated)), 0, 40);
  demo.blueField.fill(true);
  demo.greenField.fill(true);
  const PlateGaps gaps = ChooseGaps(seed, format);
  if (std::find(gaps.blueOnly.begin(), gaps.blueOnly.end(), well) != gaps.blueOnly.end()) {
    demo.greenField.fill(false);
  }
  for (std::size_t i = 0; i < gaps.missingField.size(); ++i) {
    if (gaps.missingField[i] != well) continue;
    const int field = random.between(0, 3);
    demo.greenField[field] = false;
    if (i + 1 < gaps.missingField.size()) demo.blueField[field] = false;
  }
  return demo;
}

std::array<Picture, 8> MakeDemoWellFields(std::uint32_t seed, int well, const PlateFormat& format) {
  const DemoWell demo = DescribeDemoWell(seed, well, format);
  const Planes planes = RenderWell(seed, demo);
  std::array<Picture, 8> fields;
  for (int field = 0; field < 4; ++field) {
    if (demo.blueField[field]) fields[field] = FieldPicture(planes.blue, field);
    if (demo.greenField[field]) fields[4 + field] = FieldPicture(planes.green, field);
  }
  return fields;
}

void WriteDemoPlate(const std::string& folder, std::uint32_t seed, const std::vector<int>& wells,
                    const PlateFormat& format) {
  std::vector<int> todo = wells;
  if (todo.empty()) {
    for (int i = 0; i < format.wellCount(); ++i) todo.push_back(i);
  }
  for (int well : todo) CheckWell(well, format);
  // A well named twice would be written by two threads into the same files.
  std::sort(todo.begin(), todo.end());
  todo.erase(std::unique(todo.begin(), todo.end()), todo.end());
  CreateFolders(folder);
  const bool hasSeparator = !folder.empty() && (folder.back() == '/' || folder.back() == '\\');
  const std::string base = folder + (hasSeparator ? "" : "/") + kDemoPrefix;

  const auto writeWell = [&](int index) {
    const DemoWell demo = DescribeDemoWell(seed, index, format);
    const Planes planes = RenderWell(seed, demo);
    for (int field = 0; field < 4; ++field) {
      // Files store the top row first; the planes keep the bottom row first.
      const std::size_t top =
          static_cast<std::size_t>(FieldRow(field) + kFieldSize - 1) * kSize + FieldColumn(field);
      if (demo.blueField[field]) {
        WriteGreyTiffFile(FieldFileName(base, index, field, false, format),
                          planes.blue.data() + top, kFieldSize, kFieldSize, -kSize);
      }
      if (demo.greenField[field]) {
        WriteGreyTiffFile(FieldFileName(base, index, field, true, format),
                          planes.green.data() + top, kFieldSize, kFieldSize, -kSize);
      }
    }
  };

  // Wells are independent, so they are rendered on a few threads; the files
  // do not depend on the order.
  std::atomic<std::size_t> next{0};
  std::exception_ptr failure;
  std::mutex failureLock;
  const auto worker = [&] {
    for (std::size_t i = next++; i < todo.size(); i = next++) {
      try {
        writeWell(todo[i]);
      } catch (...) {
        std::lock_guard<std::mutex> lock(failureLock);
        if (!failure) failure = std::current_exception();
        next = todo.size();
      }
    }
  };
  const std::size_t threadCount =
      std::min<std::size_t>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u), todo.size());
  std::vector<std::thread> threads;
  for (std::size_t t = 1; t < threadCount; ++t) threads.emplace_back(worker);
  worker();
  for (auto& thread : threads) thread.join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace vembrel
