#pragma once
// Constructed wells with a known cell-free zone, for the zone fit and the
// suggested settings: a monolayer of cells (cell stain bodies around nuclear
// stain nuclei) around a round zone with a ragged edge, cells that migrated
// into the zone (some touching another), camera noise and an uneven
// illumination. Every picture and every count is known from its construction.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/well_session.h"
#include "imaging/picture.h"

namespace vembrel::testing {

struct ZoneWellRecipe {
  std::uint32_t seed = 1;
  int zoneX = 512, zoneY = 512;  // zone centre, row counted from the bottom
  int zoneRadius = 300;          // 0: a confluent well without a zone
  int migratedCells = 20;        // cells placed inside the zone
  double spacing = 1.0;          // monolayer spacing: 0.95 dense .. 1.6 loose
  double raggedness = 6;         // amplitude in pixels of the zone edge's wobble
  double illumination = 0.25;    // brightness lost towards the far corner (0..0.5)
  int noise = 12;                // span of the camera noise in grey levels
  double nucleusAreaLow = 60;    // nuclear areas drawn uniformly in this range
  double nucleusAreaHigh = 170;
  double bodyFactorLow = 5;  // cell bodies this many times their nucleus
  double bodyFactorHigh = 8;
  int bluePeakLow = 120;  // peak nuclear stain of a nucleus
  int bluePeakHigh = 230;
  double touchingShare = 0.2;  // share of migrated cells placed against another
};

struct ZoneWellNucleus {
  double x = 0, y = 0;  // centre
  double area = 0;      // pixels of the drawn ellipse (about)
  bool migrated = false;
};

struct ZoneWell {
  Picture blue;      // nuclear stain mosaic, grey in blue, green and red bytes
  Picture green;     // cell stain mosaic
  int migrated = 0;  // migrated cells actually placed
  std::vector<ZoneWellNucleus> nuclei;
  /// The mosaics as a session takes them.
  WellMosaics mosaics() const { return {blue, green, {}, {}, {}, 0}; }
};

ZoneWell MakeZoneWell(const ZoneWellRecipe& recipe);

/// Writes the well's mosaics as its field pictures (folder/<prefix><well>f0<field>d<0|1>.tif).
void WriteZoneWell(const std::string& folder, const std::string& prefix, const std::string& well,
                   const ZoneWell& zoneWell);

/// The nuclei whose centre lies in the mosaic.
int NucleiInMosaic(const ZoneWell& zoneWell);

/// A spread of 36 ordinary wells: radii 240..420, centres up to 100 px off
/// the middle, 0..90 migrated cells, several densities, illuminations and
/// noise levels, one well per seed.
std::vector<ZoneWellRecipe> ZoneWellSpread();

}  // namespace vembrel::testing
