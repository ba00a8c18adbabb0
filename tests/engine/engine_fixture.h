#pragma once
// Constructed plates for the engine tests: real TIFF field files written with
// libtiff into a temporary plate folder, and a workspace to open them with.
#include <functional>
#include <memory>
#include <string>

#include "core/program_state.h"
#include "engine/workspace.h"
#include "support/temp_dir.h"

namespace vembrel::testing {

/// Grey value of mosaic pixel (column, row counted from the bottom).
using MosaicGrey = std::function<int(int column, int row)>;

/// Writes one 8-bit greyscale TIFF of width x height; grey(x, yTop) with y = 0 the top row.
void WriteFieldTiff(const std::string& path, int width, int height,
                    const std::function<int(int x, int yTop)>& grey);

/// A plate folder "plate/" with the prefix "T_" in a temporary folder, and a
/// workspace over a program state of its own.
class PlateFixture {
 public:
  PlateFixture();
  /// Writes the four fields of one channel of a well from a mosaic pattern;
  /// fields whose bit is clear in fieldMask are not written.
  void writeChannel(const std::string& well, bool green, const MosaicGrey& grey,
                    int fieldMask = 0xF);
  void writeWell(const std::string& well, const MosaicGrey& blue, const MosaicGrey& green) {
    writeChannel(well, false, blue);
    writeChannel(well, true, green);
  }
  /// Opens the plate and left-clicks the well: its window opens and runs its pass.
  WellWindow& open(const std::string& well);
  std::string plateFolder() const { return dir.file("plate") + "/"; }
  std::string anyPicture() const { return plateFolder() + "T_A01f00d0.tif"; }

  TempDir dir;
  std::unique_ptr<ProgramState> state = std::make_unique<ProgramState>();
  Workspace workspace{*state};
};

/// Green mosaic of grey 200 with a dark disc of grey 20 (radius 350 at 600, 450),
/// and green 200 at the nuclei of NucleiBlue so they pass the green cut-off.
int RingGreen(int column, int row);
/// Blue mosaic: 200 on the constructed nuclei, 0 elsewhere.
int NucleiBlue(int column, int row);

}  // namespace vembrel::testing
