// `vembrel well PICTURE WELL`: opens the plate of PICTURE and analyses one
// well exactly as opening its window does, with the universal settings
// (defaults or a settings file), then prints the results.
#include <filesystem>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "cli/analysis_options.h"
#include "cli/batch_runner.h"
#include "cli/command.h"
#include "cli/plate_options.h"
#include "core/convert.h"
#include "core/error.h"
#include "core/text_file.h"
#include "engine/cell_data_file.h"
#include "engine/well_session.h"
#include "imaging/image_files.h"
#include "plate/plate.h"
#include "plate/settings_file.h"
#include "plate/well_names.h"
#include "results/results_json.h"

namespace vembrel::cli {
namespace {

struct WellOptions {
  std::string picture;  // any picture of the plate, or its folder
  PlateOpenOptions plate;
  std::optional<RadiusRange> fitRadius;
  std::optional<Ring> ring;
  CutoffMode cutoffs = CutoffMode::Plate;
  std::string well;
  std::string settings;
  std::string pictures;  // folder for the PNG pictures, "" for none
  bool json = false;
  bool cells = false;       // analyse at cell level
  bool exportData = false;  // write the cell data file and the cell snapshot
};

void PrintResults(const WellSession& session, std::ostream& out) {
  const WellResults& r = session.results();
  out << "Well: " << session.wellName() << "\n"
      << "Ring: X " << r.ring.x << ", Y " << r.ring.y << ", radius " << r.ring.radius << "\n"
      << "Number of nuclei: " << r.nuclei << "\n"
      << "Number of pixels: " << r.pixels << "\n"
      << "Number of calculated nuclei: " << r.calculatedNuclei << "\n"
      << "Average distance: " << r.averageDistance << "\n"
      << "Total Number of Nuclei: " << r.totalNuclei << "\n"
      << "Average nucleus size: " << r.averageNucleusSize << "\n";
  if (r.cutoffs) {
    out << "Nucleus cut-offs of the well: blue " << r.cutoffs->blue << ", green "
        << r.cutoffs->green << "\n";
  }
  const std::string& maximum = session.densityChart().maximumText;
  if (!maximum.empty()) out << maximum << "\n";
  // Ring k holds the distances beyond R + k * increment; the last is open above.
  for (std::size_t k = 0; k < r.density.size(); ++k) {
    out << "Beyond " << r.ring.radius + int(k) * r.ringIncrement;
    if (k + 1 < r.density.size()) out << " up to " << r.ring.radius + int(k + 1) * r.ringIncrement;
    out << ": " << r.density[k].nuclei << " nuclei in " << r.density[k].area << " pixel\n";
  }
}

void WritePictures(const WellSession& session, const std::string& folder) {
  CreateFolders(folder);
  const std::string base = (std::filesystem::path(folder) / session.wellName()).string();
  const WellPictures& p = session.pictures();
  WritePng(p.greenMosaic, base + "_green_ring.png");
  WritePng(p.composite, base + "_composite.png");
  WritePng(p.result, base + "_result.png");
  WritePng(session.shownCrop(), base + "_crop.png");
  WritePng(session.wholeWellPicture(), base + "_whole_well.png");
  if (session.cellLevel()) {
    WritePng(p.cellGallery, base + "_cell_gallery.png");
    if (!p.orientationHistogram.empty())
      WritePng(p.orientationHistogram, base + "_cell_histogram.png");
    if (!p.classPie.empty()) WritePng(p.classPie, base + "_cell_pie.png");
  }
}

void PrintCells(const CellResults& cells, std::ostream& out) {
  if (cells.kept >= 1) {
    out << "Cells: " << cells.kept << " c./" << cells.seeds << " tot\n";
  } else {
    out << "Cells: 0/" << cells.seeds << "\n";
  }
  if (cells.kept < 1) return;
  const ShapeStatistics& s = cells.statistics;
  for (int k = 0; k < kClassCount; ++k) {
    out << ClassName(static_cast<CellClass>(k)) << ": " << s.classCounts[k] << "\n";
  }
  out << ElongationText(s) << "\n" << SmoothnessText(s) << "\n";
  if (s.gauge) out << "perc.<45: " << *s.gauge << "%\n";
}

int RunWell(const WellOptions& options) {
  int well = 0;
  AnalysisSettings settings;
  try {
    // The name is checked now; which well it is, once the plate's format is known.
    if (!WellKeyIfAny(options.well)) WellIndex(options.well);
    if (!options.settings.empty()) settings = ReadSettingsFile(options.settings);
  } catch (const Error& e) {
    throw UsageError(e.what());
  }
  const Plate plate = OpenPlateForCommand(options.picture, options.plate);
  try {
    well = WellIndex(options.well, plate.format);
  } catch (const Error& e) {
    throw UsageError(e.what());
  }
  const WellRecord& record = plate.wells[well];
  if (record.state != 1) {
    throw UsageError("Well " + record.name + " has no field with both channel pictures in '" +
                     plate.base + "'");
  }
  const bool cellLevel = options.cells || options.exportData;
  SessionOptions sessionOptions;
  sessionOptions.cellLevel = cellLevel;
  sessionOptions.fitRadius = options.fitRadius;
  sessionOptions.ring = options.ring;
  sessionOptions.cutoffs = options.cutoffs;
  const WellSession session(plate, well, settings, std::move(sessionOptions));
  for (const FieldProblem& problem : session.results().fieldProblems) {
    std::cerr << "vembrel: " << (problem.leftBlack() ? "left black" : "damaged") << ": "
              << problem.message << "\n";
  }
  if (options.exportData) SaveWellData(session, ResultsFolderOf(plate.path));
  if (!options.pictures.empty()) WritePictures(session, options.pictures);
  if (options.json) {
    std::cout << WellResultsJson(session).dump(2) << "\n";
  } else {
    PrintResults(session, std::cout);
    if (session.results().cells) PrintCells(*session.results().cells, std::cout);
  }
  return 0;
}

const CommandRegistration kWellCommand([](CLI::App& app, int& exitCode) {
  auto options = std::make_shared<WellOptions>();
  CLI::App* command = app.add_subcommand("well", "Analyse one well as its window does");
  command->add_option("PICTURE", options->picture, "Any picture of the plate, or its folder")
      ->required();
  AddPlateOpenOptions(*command, options->plate);
  AddFitRadiusOption(*command, options->fitRadius);
  AddRingOption(*command, options->ring)->excludes("--fit-radius");
  AddCutoffsOption(*command, options->cutoffs);
  command->add_option("WELL", options->well, "Well name, such as A01")->required();
  command->add_option("--settings", options->settings, "Settings file (.VLS) to analyse with");
  command->add_flag("--json", options->json, "Print the results as one JSON object");
  command->add_option("--pictures", options->pictures,
                      "Folder for the green mosaic with its ring, the composite, the result "
                      "picture, the crop and the whole-well picture at full size (PNG)");
  command->add_flag("--cells", options->cells, "Analyse the well at cell level");
  command->add_flag("--export", options->exportData,
                    "Write the cell data file and the cell snapshot as \"Save Welldata\" does "
                    "(implies --cells)");
  command->callback(
      [options, &exitCode] { RunWithExitCode(exitCode, [&] { return RunWell(*options); }); });
});

}  // namespace
}  // namespace vembrel::cli
