#pragma once
// Program-wide state shared by every well window, the batch and the results
// files: universal settings, per-well settings and results, the density
// profile tables and the analysis buffers. One instance lives as long as the
// program (or one command-line run); it is passed explicitly where needed.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "imaging/picture.h"
#include "plate/analysis_settings.h"

namespace vembrel {

inline constexpr int kWellCount = 96;

/// Result texts of one well, as the summary file writes them ("" = never produced).
struct WellResultTexts {
  std::string ResultRingX;
  std::string ResultRingY;
  std::string ResultNuclei;
  std::string ResultAvgDistance;
  std::string ResultTotalNuclei;
  std::string ResultAvgNucleusSize;
  std::string ResultNuclearArea;
  std::string ResultCalcNuclei;
  bool operator==(const WellResultTexts&) const = default;
};

/// One density row of a well: decimal nuclei count and decimal area of a bin.
struct DensityRow {
  std::string cells;
  std::string area;
  bool operator==(const DensityRow&) const = default;
};

/// The tab a newly opened well window shows first ("AllWells" radio buttons).
enum class StartTab { BG, B, G, Im, Ce };

struct ProgramState {
  AnalysisSettings central;
  std::array<WellSettingsRow, 97> WellSettings{};  // rows 0..95 wells, 96 batch snapshot
  std::array<WellResultTexts, kWellCount> results;
  std::array<std::vector<DensityRow>, kWellCount> DensityTable;
  std::vector<std::string> RadiiLabels;

  // Analysis state of the pass that ran last.
  std::int32_t RingCentreX = 0;
  std::int32_t RingCentreY = 0;  // rows counted from the bottom
  Picture MaskPict;
  std::uint32_t PictCursor = 0;
  std::vector<double> ObjectList;
  std::int32_t CurrentWell = 0;
  /// Grows whenever a window changes a picture or buffer that the cell level
  /// reads, so a window can tell that its last cell-level run still stands.
  std::uint64_t analysisGeneration = 0;

  // Control panel and batch.
  bool BatchRunning = false;
  std::string DoneSignal = "-";
  StartTab startTab = StartTab::Im;
  int controlPanelHeight = 694;  // 851 while a well window looks at cell level
  std::string largeWellLabel;    // name of the well last chosen or analysed

  /// Called after a pass hands its settings back (the control panel redraws
  /// its display of the universal settings). May be empty.
  std::function<void()> onCentralValuesShown;
};

}  // namespace vembrel
