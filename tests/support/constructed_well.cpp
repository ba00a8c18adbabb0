#include "support/constructed_well.h"

#include "plate/well_names.h"

namespace vembrel::testing {

std::unique_ptr<WellSession> PlateFixture::open(const std::string& well, SessionOptions options,
                                                const AnalysisSettings& settings) const {
  return std::make_unique<WellSession>(plate(), WellIndex(well), settings, std::move(options));
}

int RingGreen(int column, int row) {
  if (NucleiBlue(column, row) != 0) return 200;
  return InDisc(column, row, kRingX, kRingY, kRing) ? 20 : 200;
}

int NucleiBlue(int column, int row) {
  for (const Block& b : kBlocks) {
    if (column >= b.x && column < b.x + b.w && row >= b.y && row < b.y + b.h) return 200;
  }
  return 0;
}

namespace {

struct Rect {
  int x, y, w, h;  // bottom-left pixel and size
  bool contains(int c, int r) const { return c >= x && c < x + w && r >= y && r < y + h; }
};
constexpr Rect kRoundBody{550, 500, 12, 12}, kRoundNucleus{554, 504, 4, 4};
constexpr Rect kLongBody{650, 350, 40, 6}, kLongNucleus{665, 351, 4, 4};
constexpr Rect kBareNucleus{500, 600, 4, 4};

}  // namespace

int CellsBlue(int c, int r) {
  const bool nucleus =
      kRoundNucleus.contains(c, r) || kLongNucleus.contains(c, r) || kBareNucleus.contains(c, r);
  const bool outside = !InDisc(c, r, kRingX, kRingY, kRing) && NucleiBlue(c, r) != 0;
  return nucleus || outside ? 200 : 0;
}

int CellsGreen(int c, int r) {
  if (CellsBlue(c, r) != 0) return 200;
  if (kRoundBody.contains(c, r) || kLongBody.contains(c, r)) return 150;
  return InDisc(c, r, kRingX, kRingY, kRing) ? 20 : 200;
}

}  // namespace vembrel::testing
