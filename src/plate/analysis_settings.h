#pragma once
// The 17 universal settings of the analysis, grouped as the analysis uses
// them, with their defaults; and the per-well settings rows the batch
// compares to find wells analysed with settings of their own.
#include <array>
#include <cstdint>

namespace vembrel {

/// How one channel is windowed into the composite.
struct ChannelDisplay {
  std::int32_t cutoff = 10;       // values below become 0
  std::int32_t saturation = 255;  // values above become 255
  bool fullRange = true;          // stretch cutoff..saturation to 0..255
  bool operator==(const ChannelDisplay&) const = default;
};

struct AnalysisSettings {
  struct Display {
    ChannelDisplay green{10, 255, true};
    ChannelDisplay blue{10, 155, true};
    bool operator==(const Display&) const = default;
  } display;
  struct Ring {
    std::int32_t radius = 350;    // the cell-free disc, in mosaic pixels
    std::int32_t increment = 50;  // width of the density profile's rings
    bool operator==(const Ring&) const = default;
  } ring;
  struct Nuclei {
    std::int32_t greenCutoff = 100;  // inclusive intensity cut-offs in the composite
    std::int32_t blueCutoff = 100;
    std::int32_t minimalSize = 10;  // strict size window in pixels
    std::int32_t maximalSize = 255;
    bool operator==(const Nuclei&) const = default;
  } nuclei;
  struct Cells {
    std::int32_t greenCutoff = 40;  // green below this is background
    std::int32_t minimalSize = 30;  // strict size window in pixels
    std::int32_t maximalSize = 2000;
    double lengthRatio = 3.0;  // long/short axis above which a cell is oval
    double smoothness = 0.75;  // fit quality above which an outline is smooth
    bool operator==(const Cells&) const = default;
  } cells;

  bool operator==(const AnalysisSettings&) const = default;
};

/// One row of the per-well settings: 0 green cut-off, 1 green saturation,
/// 2 blue cut-off, 3 blue saturation, 4 ring radius, 5 green full range,
/// 6 blue full range, 7..10 nucleus cut-offs green, blue and sizes min, max,
/// 11 ring increment, 12 cell cut-off, 13 cell min, 14 cell max, 15 length
/// ratio x 10 truncated, 16 smoothness x 100 truncated.
using WellSettingsRow = std::array<std::int32_t, 17>;
inline constexpr int kNuclearColumns = 12;  // columns 0..11; 12..16 are cell shape

/// Row from the settings. The float products are formed in extended
/// precision, so 2.9 x 10 truncates to 28 and 0.29 x 100 to 28.
WellSettingsRow ToWellSettingsRow(const AnalysisSettings& settings);

}  // namespace vembrel
