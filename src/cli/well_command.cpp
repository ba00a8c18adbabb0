// `vembrel well PICTURE WELL`: opens the plate of PICTURE and analyses one
// well exactly as opening its window does, with the universal settings
// (defaults or a settings file), then prints the results.
#include <filesystem>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "cli/command.h"
#include "core/convert.h"
#include "core/error.h"
#include "core/program_state.h"
#include "core/text_file.h"
#include "engine/cell_level.h"
#include "engine/workspace.h"
#include "imaging/image_files.h"
#include "plate/settings_file.h"
#include "plate/well_names.h"

namespace vembrel::cli {
namespace {

struct WellOptions {
  std::string picture;
  std::string well;
  std::string settings;
  std::string pictures;  // folder for the PNG pictures, "" for none
  bool json = false;
  bool cells = false;       // analyse at cell level
  bool exportData = false;  // write the cell data file and the cell snapshot
};

std::int64_t Number(const WellWindow& window, std::string_view label) {
  return StrToInt(window.label(label));
}

nlohmann::ordered_json ResultsAsJson(const WellWindow& window, const ProgramState& state) {
  nlohmann::ordered_json density = nlohmann::ordered_json::array();
  for (const DensityRow& row : state.DensityTable[window.well()]) {
    density.push_back({{"cells", StrToInt(row.cells)}, {"area", StrToInt(row.area)}});
  }
  const WellResultTexts& results = state.results[window.well()];
  return {
      {"well", window.caption()},
      {"ring", {{"x", window.ringX()}, {"y", window.ringY()}, {"radius", window.ringRadius()}}},
      {"nuclei", Number(window, "Label13")},
      {"pixels", Number(window, "Label14")},
      {"calculated_nuclei", Number(window, "Label15")},
      {"average_distance", Number(window, "Label29")},
      {"total_nuclei", Number(window, "Label31")},
      {"average_nucleus_size", StrToInt(results.ResultAvgNucleusSize)},
      {"density", density},
      {"radii", state.RadiiLabels},
      {"max_text", window.label("Label30")},
  };
}

void PrintResults(const WellWindow& window, const ProgramState& state, std::ostream& out) {
  out << "Well: " << window.caption() << "\n"
      << "Ring: X " << window.ringX() << ", Y " << window.ringY() << ", radius "
      << window.ringRadius() << "\n"
      << "Number of nuclei: " << window.label("Label13") << "\n"
      << "Number of pixels: " << window.label("Label14") << "\n"
      << "Number of calculated nuclei: " << window.label("Label15") << "\n"
      << "Average distance: " << window.label("Label29") << "\n"
      << "Total Number of Nuclei: " << window.label("Label31") << "\n"
      << "Average nucleus size: " << state.results[window.well()].ResultAvgNucleusSize << "\n";
  const std::string maxText = window.label("Label30");
  if (!maxText.empty()) out << maxText << "\n";
  // Bin k holds the distances beyond R + k * increment; the last is open above.
  const auto& rows = state.DensityTable[window.well()];
  const int increment = state.central.ring.increment;
  for (std::size_t k = 0; k < rows.size(); ++k) {
    out << "Beyond " << window.ringRadius() + int(k) * increment;
    if (k + 1 < rows.size()) out << " up to " << window.ringRadius() + int(k + 1) * increment;
    out << ": " << rows[k].cells << " nuclei in " << rows[k].area << " pixel\n";
  }
}

void WritePictures(const WellWindow& window, const std::string& folder, bool cellLevel) {
  CreateFolders(folder);
  const std::string base = (std::filesystem::path(folder) / window.caption()).string();
  WritePng(window.image(2), base + "_green_ring.png");
  WritePng(window.image(3), base + "_composite.png");
  WritePng(window.image(4), base + "_result.png");
  WritePng(window.image(5), base + "_crop.png");
  if (cellLevel) {
    WritePng(window.image(6), base + "_cell_gallery.png");
    WritePng(window.image(7), base + "_cell_histogram.png");
    WritePng(window.image(8), base + "_cell_pie.png");
  }
}

/// Opens the plate and the well's window; the window runs the whole pass.
WellWindow& OpenWell(Workspace& workspace, const WellOptions& options) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(options.picture, error)) {
    throw Error("Cannot open picture '" + options.picture + "': no such file");
  }
  const int well = WellIndex(options.well);
  if (!options.settings.empty()) workspace.state().central = ReadSettingsFile(options.settings);
  workspace.FileOpen(options.picture);
  const WellRecord& record = workspace.plate().wells[well];
  if (record.state != 1) {
    throw Error("Well " + record.name + " has no field with both channel pictures in '" +
                workspace.plate().base + "'");
  }
  workspace.selectphoto(well, MouseButton::Left);
  WellWindow* window = workspace.findWindow(record.name);
  if (window == nullptr) throw Error("Well " + record.name + " could not be opened");
  return *window;
}

void PrintCells(const WellWindow& window, const CellLevelResult& cells, std::ostream& out) {
  out << "Cells: " << window.label("Label43") << "\n";
  if (!cells.shapes) return;
  const ShapeStatistics& s = cells.shapes->statistics;
  for (int k = 0; k < kClassCount; ++k) {
    out << ClassName(static_cast<CellClass>(k)) << ": " << s.classCounts[k] << "\n";
  }
  out << window.label("Label89") << "\n" << window.label("Label90") << "\n";
  if (s.gauge) out << "perc.<45: " << *s.gauge << "%\n";
}

int RunWell(const WellOptions& options) {
  auto state = std::make_unique<ProgramState>();
  Workspace workspace(*state);
  WellWindow& window = OpenWell(workspace, options);
  for (const std::string& problem : window.fieldProblems()) {
    std::cerr << "vembrel: left black: " << problem << "\n";
  }
  const bool cellLevel = options.cells || options.exportData;
  std::optional<CellLevelResult> cells;
  if (cellLevel) {
    window.setCheckBox(3, true);  // "Look at Cell level": runs the pass with the cells
    if (options.exportData) window.Button9Click();
    // The same segmentation once more, for its figures (colours are seeded per run).
    cells = CellLevel(window).DoTheCell(nullptr);
  }
  if (!options.pictures.empty()) WritePictures(window, options.pictures, cellLevel);
  if (options.json) {
    nlohmann::ordered_json results = ResultsAsJson(window, *state);
    if (cells) results["cells"] = CellLevelJson(*cells);
    std::cout << results.dump(2) << "\n";
  } else {
    PrintResults(window, *state, std::cout);
    if (cells) PrintCells(window, *cells, std::cout);
  }
  return 0;
}

const CommandRegistration kRegistration([](CLI::App& app, int& exitCode) {
  auto options = std::make_shared<WellOptions>();
  CLI::App* command = app.add_subcommand("well", "Analyse one well as its window does");
  command->add_option("PICTURE", options->picture, "Any picture of the plate")->required();
  command->add_option("WELL", options->well, "Well name, such as A01")->required();
  command->add_option("--settings", options->settings, "Settings file (.VLS) to analyse with");
  command->add_flag("--json", options->json, "Print the results as one JSON object");
  command->add_option("--pictures", options->pictures,
                      "Folder for the green mosaic with its ring, the composite, the result "
                      "picture and the crop (PNG)");
  command->add_flag("--cells", options->cells, "Analyse the well at cell level");
  command->add_flag("--export", options->exportData,
                    "Write the cell data file and the cell snapshot as \"Save Welldata\" does "
                    "(implies --cells)");
  command->callback([options, &exitCode] { exitCode = RunWell(*options); });
});

}  // namespace
}  // namespace vembrel::cli
