#include "results/plate_merge.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>

#include "core/date_text.h"
#include "core/error.h"
#include "core/folder_lock.h"
#include "core/name_text.h"
#include "core/replacement_file.h"
#include "core/text_file.h"
#include "engine/analysed_well.h"
#include "engine/cell_data_file.h"
#include "plate/json_reader.h"
#include "plate/plate.h"
#include "plate/settings_json.h"
#include "plate/well_names.h"
#include "results/rings_file.h"
#include "results/run_manifest.h"
#include "results/summary_file.h"

namespace vembrel {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

std::string WithSeparator(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

struct Part {
  std::string folder;    // with a trailing separator
  std::string manifest;  // its path
  Json json;
  RunManifestFacts facts;
};

Part ReadPart(const std::string& folder) {
  std::vector<fs::path> manifests;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_regular_file() && name.ends_with("Vembrel_run.json")) manifests.push_back(entry);
  }
  if (error) throw UsageError("Unable to read the folder '" + folder + "': " + error.message());
  if (manifests.size() != 1) {
    throw UsageError(
        "The folder '" + folder + "' holds " +
        (manifests.empty() ? std::string("no run manifest") : "several run manifests") +
        " (*Vembrel_run.json): give the results folder of one run of vembrel batch");
  }
  Part part{WithSeparator(folder), manifests.front().string(), {}, {}};
  try {
    part.json = Json::parse(ReadWholeFile(part.manifest));
    part.facts = ReadRunManifestFacts(part.json);
  } catch (const Json::exception& e) {
    throw UsageError("Run manifest '" + ValidUtf8Text(part.manifest) + "': " + JsonProblem(e));
  } catch (const Error& e) {
    throw UsageError("Run manifest '" + ValidUtf8Text(part.manifest) + "': " + e.what());
  }
  return part;
}

// What every part must share to be one run, by its place in the manifest.
const std::vector<std::vector<std::string>> kSharedFacts = {
    {"plate", "path_bytes"}, {"plate", "prefix_bytes"},
    {"plate", "open"},       {"cell_level"},
    {"fit_radius"},          {"settings"},
    {"program", "version"}};

std::string Shown(const Json& fact) {
  return ValidUtf8Text(fact.dump(-1, ' ', false, Json::error_handler_t::replace).substr(0, 200));
}

const Json* Fact(const Json& manifest, const std::vector<std::string>& place) {
  const Json* at = &manifest;
  for (const std::string& key : place) {
    if (!at->is_object() || !at->contains(key)) return nullptr;
    at = &(*at)[key];
  }
  return at;
}

// What every part must share when one of them says it; a run with the
// plate's cut-offs leaves them out.
const std::vector<std::vector<std::string>> kSharedOptionalFacts = {{"cutoffs", "mode"}};

void RequireOneRun(const std::vector<Part>& parts) {
  const auto shared = [&](const std::vector<std::string>& place, bool optional) {
    std::string name;
    for (const std::string& key : place) name += (name.empty() ? "" : ".") + key;
    const Json* first = Fact(parts.front().json, place);
    if (first == nullptr && !optional)
      throw UsageError("Run manifest '" + parts.front().manifest + "' has no " + name);
    for (const Part& part : parts) {
      const Json* fact = Fact(part.json, place);
      const bool same = first == nullptr ? fact == nullptr : fact != nullptr && *fact == *first;
      if (!same) {
        const auto shown = [](const Json* f) { return f ? Shown(*f) : std::string("none"); };
        throw UsageError("The parts differ in " + name + ": '" + parts.front().folder + "' has " +
                         shown(first) + ", '" + part.folder + "' has " + shown(fact));
      }
    }
  };
  for (const std::vector<std::string>& place : kSharedFacts) shared(place, false);
  for (const std::vector<std::string>& place : kSharedOptionalFacts) shared(place, true);
}

Plate OpenPlateOf(const RunManifestFacts& facts) {
  Plate plate = OpenPlate(facts.platePath, facts.open);
  // The date the run took, whichever picture or folder it was given, and
  // whether its bits were found or chosen.
  plate.measurementDate = facts.measurementDate;
  plate.inputBitsDetected = facts.inputBitsDetected;
  plate.pictureKind = facts.pictureKind;
  // The pixel size the run had, whether chosen or read.
  plate.pixelSize = facts.pixelSize;
  return plate;
}

// The files of a well a batch writes besides its record.
std::vector<std::string> WellFiles(const Plate& plate, const std::string& name, bool cellLevel) {
  std::vector<std::string> files{"JPEGS/" + plate.prefix + name + ".jpg",
                                 "Wells/" + plate.prefix + name + ".jpg"};
  if (cellLevel) {
    files.push_back("CellShape/" + plate.prefix + name + "_Cell_Data_VL.csv");
    files.push_back("CellJPEGS/" + plate.prefix + name + ".jpg");
  }
  files.push_back("WellResults/" + plate.prefix + name + ".json");
  return files;
}

}  // namespace

MergeReport MergeParts(const std::vector<std::string>& partFolders,
                       const std::string& resultsFolder, bool workbook,
                       const std::string& commandLine, bool waitForFolder,
                       const std::optional<MapRequest>& plateMap) {
  if (partFolders.empty()) throw UsageError("No part to put together");
  const std::time_t started = std::time(nullptr);
  std::vector<Part> parts;
  for (const std::string& folder : partFolders) parts.push_back(ReadPart(folder));
  RequireOneRun(parts);
  const RunManifestFacts& reference = parts.front().facts;
  Plate plate;
  try {
    plate = OpenPlateOf(reference);
  } catch (const Error& e) {
    throw UsageError("The plate of the parts cannot be opened again: " + std::string(e.what()));
  }
  if (plate.prefix != reference.platePrefix) {
    throw UsageError("The plate of the parts opens with the prefix '" +
                     ValidUtf8Text(plate.prefix) + "', not '" +
                     ValidUtf8Text(reference.platePrefix) + "' as in '" +
                     ValidUtf8Text(parts.front().manifest) + "'");
  }
  const bool cellLevel = reference.cellLevel;
  const AnalysisSettings& settings = reference.settings;
  WellRequest request = PlateRequest(plate, settings, cellLevel, reference.fitRadius);
  request.cutoffs = reference.cutoffs;
  std::optional<MapRequest> mapOnPlate = plateMap;
  if (mapOnPlate) mapOnPlate->map = MapOnPlate(std::move(mapOnPlate->map), plate.format);

  const std::string out = WithSeparator(resultsFolder);
  CreateFolders(out);
  const FolderLock lock(out, waitForFolder);
  RemoveLeftoverTemporaries(out);
  for (const char* sub : {"JPEGS", "Wells", "CellShape", "CellJPEGS", "WellResults"}) {
    CreateFolders(out + sub);
    RemoveLeftoverTemporaries(out + sub);
  }

  MergeReport report;
  report.format = plate.format;
  if (mapOnPlate) report.plateMapNote = UnmappedWellsNote(mapOnPlate->map, plate);
  RunFacts facts;
  facts.commandLine = commandLine;
  facts.started = started;
  facts.cellLevel = cellLevel;
  facts.settings = settings;
  facts.plateMap = std::move(mapOnPlate);
  facts.fitRadius = reference.fitRadius;
  facts.cutoffs = reference.cutoffs;
  // Each well from the part that analysed it, in plate order.
  std::map<int, std::pair<const Part*, AnalysedWell>> taken;
  for (const Part& part : parts) {
    // Reviewed rings are part of each well's record; the manifest names the file.
    if (facts.ringsFile.empty()) facts.ringsFile = part.facts.ringsFile;
    for (const RunFacts::Failure& failed : part.facts.failed) {
      report.failures.push_back(failed.message);
      facts.failures.push_back(failed);
    }
    for (const int well : part.facts.analysed) {
      const std::string record =
          AnalysedWellFileName(part.folder, plate.prefix, WellName(well, plate.format));
      AnalysedWell analysed;
      try {
        analysed = ReadAnalysedWell(record, plate.format);
      } catch (const Error& e) {
        throw UsageError(e.what());
      }
      // A well analysed at its reviewed ring asked for that ring as well.
      WellRequest asked = request;
      if (analysed.request.ring) {
        asked.ring = analysed.request.ring;
        asked.ringSource = RingSourceName(RingSource::Reviewed);
      }
      // So did a well at a time point's held ring, and one whose zone coverage was measured.
      if (analysed.request.ringSource == kHeldRingSource) {
        asked.ringSource = kHeldRingSource;
        asked.ringDrift = analysed.request.ringDrift;
      }
      asked.zoneCoverage = analysed.request.zoneCoverage;
      const RecordMisfit misfit = RecordFit(analysed, well, asked, plate);
      if (misfit == RecordMisfit::PicturesChanged) {
        throw UsageError("The pictures of well " + WellName(well, plate.format) +
                         " changed since '" + ValidUtf8Text(part.folder) +
                         "' analysed them (well record '" + ValidUtf8Text(record) +
                         "'); analyse the well again");
      }
      if (misfit != RecordMisfit::Fits) {
        throw UsageError("Well record '" + ValidUtf8Text(record) + "' is " +
                         std::string(RecordMisfitText(misfit)) + ": analyse the well again");
      }
      const auto [at, fresh] = taken.try_emplace(well, &part, analysed);
      if (!fresh && AnalysedWellToJson(at->second.second) != AnalysedWellToJson(analysed)) {
        throw UsageError("Well " + WellName(well, plate.format) + " has other results in '" +
                         ValidUtf8Text(part.folder) + "' than in '" +
                         ValidUtf8Text(at->second.first->folder) + "'");
      }
    }
  }
  PlateResults results(plate.format);
  for (auto& [well, from] : taken) {
    const auto& [part, analysed] = from;
    const std::string name = WellName(well, plate.format);
    if (part->folder != out) {
      for (const std::string& file : WellFiles(plate, name, cellLevel)) {
        try {
          WriteFileAtomically(out + file, ReadWholeFile(part->folder + file), Durability::Deferred);
        } catch (const Error& e) {
          report.copyFailures.push_back("Well " + name + ": " + e.what());
        }
      }
    }
    results.record(analysed.results, analysed.settings);
    ++report.wells;
  }
  for (const WellRecord& well : plate.wells) {
    const bool failed = std::any_of(facts.failures.begin(), facts.failures.end(),
                                    [&](const auto& f) { return f.well == well.index; });
    if (well.state == 1 && !taken.contains(well.index) && !failed) {
      report.unanalysed.push_back(well.index);
    }
  }

  std::vector<CellLine> lines =
      SummaryHeaderLines(settings, plate.measurementDate, plate.path, plate.prefix, Now());
  for (CellLine& line : SummaryResultLines(results)) lines.push_back(std::move(line));
  report.summaryFile = SummaryFileName(out, plate.prefix);
  try {
    SyncFolder(out);
    WriteSummaryFile(report.summaryFile, lines, {});
  } catch (const Error& e) {
    report.summaryError = std::string(e.what()) + "; the earlier summary file is kept";
    return report;
  }
  facts.ended = std::time(nullptr);
  report.plateFiles = WritePlateFiles(plate, results, facts, out, lines, workbook);
  return report;
}

}  // namespace vembrel
