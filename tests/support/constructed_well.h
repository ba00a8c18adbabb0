#pragma once
// Constructed plates for the engine tests: real TIFF field files in a
// temporary plate folder, opened as a plate.
//
// The constructed well: a dark ring of radius 350 at (600, 450) in the green
// channel and rectangular nuclei (blue 200, green 200) inside and outside it.
// With the default settings a nucleus is accepted when 10 < size < 255.
#include <array>
#include <memory>
#include <string>

#include "engine/well_session.h"
#include "plate/plate.h"
#include "support/small_plate.h"
#include "support/temp_dir.h"

namespace vembrel::testing {

inline constexpr int kRingX = 600, kRingY = 450, kRing = 350;

struct Block {
  int x, y, w, h;  // bottom-left pixel (column, row from the bottom) and size
  bool inRing;
  int size() const { return w * h; }
  bool accepted() const { return 10 < size() && size() < 255; }
};

inline constexpr std::array<Block, 10> kBlocks{{
    {600, 550, 3, 4, true},    // 12 px, seed 100 from the centre
    {801, 450, 4, 5, true},    // 20 px, seed 201 from the centre
    {500, 400, 2, 5, true},    // exactly the minimal size: rejected
    {650, 300, 1, 1, true},    // one pixel: rejected
    {400, 600, 16, 16, true},  // 256 px: rejected
    {700, 300, 3, 4, true},    // these two touch only at a corner:
    {703, 304, 3, 4, true},    // two nuclei
    {598, 30, 5, 5, false},    // outside the ring, for the density profile
    {100, 900, 5, 5, false},
    {1000, 1000, 5, 5, false},
}};

/// Green mosaic of grey 200 with a dark disc of grey 20 (the ring), and
/// green 200 at the nuclei of NucleiBlue so they pass the green cut-off.
int RingGreen(int column, int row);
/// Blue mosaic: 200 on the constructed nuclei, 0 elsewhere.
int NucleiBlue(int column, int row);

/// The cell well: inside the same ring a round cell (12 x 12 body around a
/// 4 x 4 nucleus), a long one (40 x 6 around 4 x 4) and a bare 4 x 4 nucleus;
/// outside it the nuclei of the constructed well.
int CellsBlue(int column, int row);
int CellsGreen(int column, int row);

/// A plate folder "plate/" with the prefix "T_" in a temporary folder.
class PlateFixture {
 public:
  void writeWell(const std::string& well, const MosaicGrey& blue = NucleiBlue,
                 const MosaicGrey& green = RingGreen) {
    WriteWellChannel(dir.file("plate"), "T_", well, false, blue);
    WriteWellChannel(dir.file("plate"), "T_", well, true, green);
  }
  /// The plate as it is on disk now.
  Plate plate() const { return OpenPlate(anyPicture()); }
  /// A session of the well with these settings (the defaults unless given).
  std::unique_ptr<WellSession> open(const std::string& well, SessionOptions options = {},
                                    const AnalysisSettings& settings = {}) const;
  std::string plateFolder() const { return dir.file("plate") + "/"; }
  std::string anyPicture() const { return plateFolder() + "T_A01f00d0.tif"; }

  TempDir dir;
};

}  // namespace vembrel::testing
