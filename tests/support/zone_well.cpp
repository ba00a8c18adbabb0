#include "support/zone_well.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "support/small_plate.h"

namespace vembrel::testing {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr int kSize = kMosaicSize;

class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed * 0x2545F4914F6CDD1Dull + 1) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
  double uniform(double low, double high) { return low + (high - low) * uniform(); }
  int between(int low, int high) {
    return low + static_cast<int>(next() % static_cast<std::uint64_t>(high - low + 1));
  }
  bool chance(double p) { return uniform() < p; }

 private:
  std::uint64_t state_;
};

struct Ellipse {
  double cx = 0, cy = 0, a = 1, b = 1, cosine = 1, sine = 0;
  double rho2(double x, double y) const {
    const double dx = x - cx, dy = y - cy;
    const double u = dx * cosine + dy * sine, v = -dx * sine + dy * cosine;
    return u * u / (a * a) + v * v / (b * b);
  }
};

struct Cell {
  Ellipse body, nucleus;
  int peakGreen = 150, peakBlue = 160;
  bool migrated = false;
  double size() const { return std::sqrt(body.a * body.b); }
};

Cell MakeCell(Random& random, const ZoneWellRecipe& recipe) {
  Cell cell;
  const double nuclearArea = random.uniform(recipe.nucleusAreaLow, recipe.nucleusAreaHigh);
  // Bodies several times the nucleus, so large nuclei have large cells.
  const double area = nuclearArea * random.uniform(recipe.bodyFactorLow, recipe.bodyFactorHigh);
  const double ratio = random.chance(0.25) ? random.uniform(0.3, 0.5) : random.uniform(0.65, 1);
  const double angle = random.uniform(0, kPi);
  const double a = std::sqrt(area / (kPi * ratio));
  cell.body = {0, 0, a, a * ratio, std::cos(angle), std::sin(angle)};
  const double nuclearRatio = random.uniform(0.7, 1);
  const double na = std::sqrt(nuclearArea / (kPi * nuclearRatio));
  cell.nucleus = {0, 0, na, na * nuclearRatio, std::cos(angle), std::sin(angle)};
  cell.peakGreen = random.between(110, 210);
  cell.peakBlue = random.between(recipe.bluePeakLow, recipe.bluePeakHigh);
  return cell;
}

void MoveTo(Cell& cell, double x, double y) {
  cell.body.cx = cell.nucleus.cx = x;
  cell.body.cy = cell.nucleus.cy = y;
}

class CellField {
 public:
  bool fits(const Cell& candidate, double spacing) const {
    const int gx = Bucket(candidate.body.cx), gy = Bucket(candidate.body.cy);
    for (int y = std::max(0, gy - 3); y <= std::min(kBuckets - 1, gy + 3); ++y) {
      for (int x = std::max(0, gx - 3); x <= std::min(kBuckets - 1, gx + 3); ++x) {
        for (int i : buckets_[y * kBuckets + x]) {
          const Cell& other = cells_[i];
          const double room = spacing * (other.size() + candidate.size());
          if (std::hypot(other.body.cx - candidate.body.cx, other.body.cy - candidate.body.cy) <
              room) {
            return false;
          }
        }
      }
    }
    return true;
  }
  void add(const Cell& cell) {
    buckets_[Bucket(cell.body.cy) * kBuckets + Bucket(cell.body.cx)].push_back(
        static_cast<int>(cells_.size()));
    cells_.push_back(cell);
  }
  const std::vector<Cell>& cells() const { return cells_; }

 private:
  static constexpr int kBucketSize = 48;
  static constexpr int kBuckets = kSize / kBucketSize + 4;
  static int Bucket(double v) {
    return std::clamp(static_cast<int>(v + 2 * kBucketSize) / kBucketSize, 0, kBuckets - 1);
  }
  std::vector<Cell> cells_;
  std::vector<std::vector<int>> buckets_ = std::vector<std::vector<int>>(kBuckets * kBuckets);
};

void Paint(const Cell& cell, Random& random, const ZoneWellRecipe& recipe, std::vector<int>& green,
           std::vector<int>& blue) {
  const double reach = cell.body.a + 1;
  const int r0 = std::max(0, static_cast<int>(cell.body.cy - reach));
  const int r1 = std::min(kSize - 1, static_cast<int>(cell.body.cy + reach));
  const int c0 = std::max(0, static_cast<int>(cell.body.cx - reach));
  const int c1 = std::min(kSize - 1, static_cast<int>(cell.body.cx + reach));
  for (int r = r0; r <= r1; ++r) {
    for (int c = c0; c <= c1; ++c) {
      const double body = cell.body.rho2(c + 0.5, r + 0.5);
      if (body > 1) continue;
      const std::size_t p = static_cast<std::size_t>(r) * kSize + c;
      int g = static_cast<int>(62 + (cell.peakGreen - 62) * (1 - 0.7 * body)) +
              random.between(0, recipe.noise) - recipe.noise / 2;
      const double nuclear = cell.nucleus.rho2(c + 0.5, r + 0.5);
      if (nuclear <= 1) {
        const int b = static_cast<int>(cell.peakBlue * (0.85 + 0.15 * (1 - nuclear))) +
                      random.between(0, 10) - 5;
        blue[p] = std::max(blue[p], b);
        g = std::max(g, 115 + random.between(0, 10));
      }
      green[p] = std::max(green[p], g);
    }
  }
}

}  // namespace

ZoneWell MakeZoneWell(const ZoneWellRecipe& recipe) {
  Random random(recipe.seed);
  const double phase3 = random.uniform(0, 2 * kPi), phase7 = random.uniform(0, 2 * kPi);
  const auto edge = [&](double x, double y) {
    const double angle = std::atan2(y - recipe.zoneY, x - recipe.zoneX);
    return recipe.zoneRadius + recipe.raggedness * (0.7 * std::sin(3 * angle + phase3) +
                                                    0.5 * std::sin(7 * angle + phase7));
  };
  CellField field;
  for (int attempt = 0; attempt < 12000; ++attempt) {
    Cell cell = MakeCell(random, recipe);
    const double x = random.uniform(-20, kSize + 20), y = random.uniform(-20, kSize + 20);
    MoveTo(cell, x, y);
    const double fromCentre = std::hypot(x - recipe.zoneX, y - recipe.zoneY);
    if (recipe.zoneRadius > 0 && fromCentre < edge(x, y) + 0.3 * cell.body.a) continue;
    if (field.fits(cell, recipe.spacing)) field.add(cell);
  }
  ZoneWell well;
  for (int attempt = 0; attempt < 20000 && well.migrated < recipe.migratedCells; ++attempt) {
    if (recipe.zoneRadius <= 0) break;
    Cell cell = MakeCell(random, recipe);
    const bool touching = well.migrated > 0 && random.chance(recipe.touchingShare);
    double x, y;
    if (touching) {
      const Cell& partner = field.cells().back();
      const double direction = random.uniform(0, 2 * kPi);
      const double gap = 0.9 * (partner.size() + cell.size());
      x = partner.body.cx + gap * std::cos(direction);
      y = partner.body.cy + gap * std::sin(direction);
    } else {
      const double r = std::sqrt(random.uniform()) * recipe.zoneRadius;
      const double direction = random.uniform(0, 2 * kPi);
      x = recipe.zoneX + r * std::cos(direction);
      y = recipe.zoneY + r * std::sin(direction);
    }
    const double fromCentre = std::hypot(x - recipe.zoneX, y - recipe.zoneY);
    if (fromCentre > edge(x, y) - cell.body.a - 4) continue;
    if (x < cell.body.a || y < cell.body.a || x > kSize - cell.body.a || y > kSize - cell.body.a) {
      continue;  // whole in the mosaic, so each one can be counted
    }
    MoveTo(cell, x, y);
    if (!field.fits(cell, touching ? 0.85 : 1.1)) continue;
    cell.migrated = true;
    field.add(cell);
    ++well.migrated;
  }

  std::vector<int> green(static_cast<std::size_t>(kSize) * kSize, 0);
  std::vector<int> blue(green.size(), 0);
  for (const Cell& cell : field.cells()) {
    Paint(cell, random, recipe, green, blue);
    well.nuclei.push_back(
        {cell.nucleus.cx, cell.nucleus.cy, kPi * cell.nucleus.a * cell.nucleus.b, cell.migrated});
  }
  // Background, illumination falling towards one corner, noise.
  const double lightX = random.uniform(0, kSize), lightY = random.uniform(0, kSize);
  const double far = std::sqrt(2.0) * kSize;
  well.green = Picture(kSize, kSize);
  well.blue = Picture(kSize, kSize);
  for (int r = 0; r < kSize; ++r) {
    for (int c = 0; c < kSize; ++c) {
      const std::size_t p = static_cast<std::size_t>(r) * kSize + c;
      const double light = 1 - recipe.illumination * std::hypot(c - lightX, r - lightY) / far;
      const int g = static_cast<int>((8 + green[p]) * light) + random.between(0, recipe.noise);
      const int b = static_cast<int>((4 + blue[p]) * light) + random.between(0, recipe.noise / 2);
      const auto gv = static_cast<std::uint8_t>(std::clamp(g, 0, 255));
      const auto bv = static_cast<std::uint8_t>(std::clamp(b, 0, 255));
      well.green.at(c, r, kBlue) = well.green.at(c, r, kGreen) = well.green.at(c, r, kRed) = gv;
      well.blue.at(c, r, kBlue) = well.blue.at(c, r, kGreen) = well.blue.at(c, r, kRed) = bv;
      well.green.at(c, r, kSpare) = well.blue.at(c, r, kSpare) = 0;
    }
  }
  return well;
}

void WriteZoneWell(const std::string& folder, const std::string& prefix, const std::string& well,
                   const ZoneWell& zoneWell) {
  WriteWellChannel(folder, prefix, well, false,
                   [&](int c, int r) { return zoneWell.blue.at(c, r, kBlue); });
  WriteWellChannel(folder, prefix, well, true,
                   [&](int c, int r) { return zoneWell.green.at(c, r, kBlue); });
}

int NucleiInMosaic(const ZoneWell& zoneWell) {
  return static_cast<int>(std::count_if(
      zoneWell.nuclei.begin(), zoneWell.nuclei.end(),
      [](const ZoneWellNucleus& n) { return n.x >= 0 && n.y >= 0 && n.x < kSize && n.y < kSize; }));
}

std::vector<ZoneWellRecipe> ZoneWellSpread() {
  std::vector<ZoneWellRecipe> spread;
  Random random(2024);
  const int radii[] = {240, 260, 280, 301, 320, 340, 360, 380, 400, 420, 250, 330};
  const int migrated[] = {0, 5, 15, 30, 45, 60, 75, 90, 10};
  const double spacings[] = {0.9, 0.95, 1.0, 1.1};
  for (int i = 0; i < 36; ++i) {
    ZoneWellRecipe recipe;
    recipe.seed = static_cast<std::uint32_t>(100 + i);
    recipe.zoneRadius = radii[i % 12];
    const double offset = random.uniform(0, 100), direction = random.uniform(0, 2 * kPi);
    recipe.zoneX = 512 + static_cast<int>(std::lround(offset * std::cos(direction)));
    recipe.zoneY = 512 + static_cast<int>(std::lround(offset * std::sin(direction)));
    // As many cells as a zone of its size takes in before it closes.
    const double room =
        std::min(1.0, double(recipe.zoneRadius) * recipe.zoneRadius / (380.0 * 380));
    recipe.migratedCells = static_cast<int>(std::lround(migrated[i % 9] * room));
    recipe.spacing = spacings[i % 4];
    recipe.raggedness = random.uniform(0, 6);
    recipe.illumination = random.uniform(0, 0.45);
    recipe.noise = random.between(4, 24);
    spread.push_back(recipe);
  }
  return spread;
}

}  // namespace vembrel::testing
