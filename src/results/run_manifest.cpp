#include "results/run_manifest.h"

#include <nlohmann/json.hpp>

#include "core/date_text.h"
#include "core/error.h"
#include "core/name_text.h"
#include "engine/analysed_well.h"
#include "imaging/zone_fit.h"
#include "plate/json_reader.h"
#include "plate/plate.h"
#include "plate/settings_json.h"
#include "plate/settings_table.h"
#include "plate/well_names.h"

namespace vembrel {
namespace {

using Json = nlohmann::ordered_json;

std::string RelativeTo(const std::string& folder, const std::string& file) {
  return !folder.empty() && file.rfind(folder, 0) == 0 ? file.substr(folder.size()) : file;
}

Json MeasurementDateJson(double dateTime) {
  const std::time_t measured = dateTime > 0 ? TimeFromDateTime(dateTime) : -1;
  return measured != -1 ? Json(IsoDateTimeText(measured)) : Json(nullptr);
}

Json PlateJson(const Plate& plate) {
  Json json = {{"path", plate.path},
               {"prefix", plate.prefix},
               // The names' exact bytes, where the texts above replace what is not UTF-8.
               {"path_bytes", EscapedBytes(plate.path)},
               {"prefix_bytes", EscapedBytes(plate.prefix)},
               {"name", plate.plateName},
               {"layout", plate.layout},
               {"layout_description", plate.layoutDescription},
               {"channels", {{"nuclear", plate.channels[0]}, {"cell", plate.channels[1]}}},
               {"plane", plate.plane},
               {"input_bits", plate.inputBits},
               {"input_bits_detected", plate.inputBitsDetected},
               {"pictures", plate.pictureKind.empty() ? Json(nullptr) : Json(plate.pictureKind)},
               {"measurement_date", MeasurementDateJson(plate.measurementDate)},
               {"notes", plate.notes},
               // What opens the same plate again, to put parts of a run together.
               {"open",
                {{"layout", EscapedBytes(plate.naming ? plate.naming->option() : plate.layout)},
                 {"channels", plate.channels},
                 {"plane", plate.plane},
                 {"input_bits", plate.inputBits},
                 {"measurement_date", plate.measurementDate}}}};
  // Said only of plates other than 96 wells, whose manifests read as they always did.
  if (plate.format != PlateFormat()) {
    json["open"]["wells_per_plate"] = plate.format.wellCount();
  }
  // Said only when known: a run in pixels keeps the manifest it always had.
  if (plate.pixelSize) {
    json["pixel_size"] = {{"micrometres", plate.pixelSize->micrometres},
                          {"source", plate.pixelSize->source}};
  }
  return json;
}

Json InputJson(const WellResults& well, const InputPicture& input, const std::string& folder) {
  Json entry = {{"well", well.wellName()},
                {"channel", input.cellStain ? "cell" : "nuclear"},
                {"field", input.field},
                {"file", RelativeTo(folder, input.file)}};
  if (input.page > 0) entry["page"] = input.page + 1;  // counted from 1; none: the first
  if (input.fingerprint) {
    entry["size"] = input.fingerprint->size;
    entry["xxh3"] = FingerprintText(input.fingerprint->xxh3);
  }
  for (const FieldProblem& problem : well.fieldProblems) {
    if (problem.file == input.file) {
      entry["problem"] = FieldProblemName(problem.kind);
      break;
    }
  }
  if (!input.fingerprint && !entry.contains("problem")) entry["problem"] = "unreadable";
  return entry;
}

Json PlateMapJson(const MapRequest& request, const Plate& plate, const PlateResults& results,
                  bool cellLevel) {
  const MappedPlate& map = request.map;
  Json variables = Json::array();
  for (const char* name : kReservedMapVariables) variables.push_back(name);
  for (const std::string& name : map.otherVariables) variables.push_back(name);
  Json readouts = Json::array();
  for (const Readout readout :
       request.readouts.empty() ? DefaultReadouts(cellLevel) : request.readouts) {
    readouts.push_back(ReadoutName(readout));
  }
  Json unmapped = Json::array();
  for (const int well : UnmappedWells(map, plate)) unmapped.push_back(WellName(well, plate.format));
  Json dropped = Json::array();
  if (request.dropFlagged) {
    for (int w = 0; w < plate.format.wellCount(); ++w) {
      if (results.wells[w] && !results.wells[w]->quality.empty())
        dropped.push_back(WellName(w, plate.format));
    }
  }
  return {{"file", map.file},
          {"xxh3", map.fingerprint},
          {"form", map.form},
          {"variables", std::move(variables)},
          {"readouts", std::move(readouts)},
          {"drop_flagged", request.dropFlagged},
          {"wells_not_in_map", std::move(unmapped)},
          {"wells_dropped", std::move(dropped)}};
}

}  // namespace

RunManifestFacts ReadRunManifestFacts(const Json& manifest) {
  const JsonReader j(manifest);
  const auto unescaped = [](const JsonReader& value) {
    try {
      return UnescapedBytes(value.text());
    } catch (const Error& e) {
      value.fail(e.what());
    }
  };
  PlateFormat format;
  if (const JsonReader open = j.at("plate").at("open"); open.json().contains("wells_per_plate")) {
    const int wells = open.at("wells_per_plate").integer32(1, 1 << 16);
    const std::optional<PlateFormat> known = PlateFormat::OfWellCount(wells);
    if (!known) open.at("wells_per_plate").fail(std::to_string(wells) + " is no plate format");
    format = *known;
  }
  const auto wellOf = [&format](const JsonReader& value) {
    const std::optional<int> well = WellIndexIfAny(value.text(), format);
    if (!well) value.fail("'" + ValidUtf8Text(value.text()) + "' is no well");
    return *well;
  };
  RunManifestFacts facts;
  facts.program = j.at("program").at("version").text();
  const JsonReader plate = j.at("plate");
  facts.platePath = unescaped(plate.at("path_bytes"));
  facts.platePrefix = unescaped(plate.at("prefix_bytes"));
  facts.inputBitsDetected = plate.at("input_bits_detected").flag();
  if (plate.json().contains("pictures") && !plate.at("pictures").isNull()) {
    facts.pictureKind = plate.at("pictures").text();
  }
  const JsonReader open = plate.at("open");
  facts.open.layout = unescaped(open.at("layout"));
  const auto channels = open.at("channels").exactly(2);
  facts.open.channels = {channels[0].integer32(0, 1 << 16), channels[1].integer32(0, 1 << 16)};
  facts.open.plane = open.at("plane").integer32(1, 1 << 16);
  if (format != PlateFormat()) facts.open.format = format;
  facts.open.inputBits = open.at("input_bits").integer32(8, 16);
  if (facts.open.inputBits % 2 != 0) open.at("input_bits").fail("not 8, 10, 12, 14 or 16");
  facts.measurementDate =
      open.at("measurement_date").number(kEarliestDateTime, kLatestDateTime - 1e-9);
  if (plate.json().contains("pixel_size")) {
    const JsonReader size = plate.at("pixel_size");
    facts.pixelSize = PixelSize{size.at("micrometres").number(0, kPixelSizeOptionLimit * 64),
                                size.at("source").text()};
    if (!(facts.pixelSize->micrometres > 0)) size.at("micrometres").fail("not above 0");
  }
  facts.cellLevel = j.at("cell_level").flag();
  facts.fitRadius = FitRadiusFromJson(j.at("fit_radius"));
  if (j.json().contains("rings") && !j.at("rings").at("file").isNull()) {
    facts.ringsFile = j.at("rings").at("file").text();
  }
  if (j.json().contains("cutoffs")) {
    const JsonReader mode = j.at("cutoffs").at("mode");
    const std::optional<CutoffMode> parsed = CutoffModeFromName(mode.text());
    if (!parsed) mode.fail("'" + ValidUtf8Text(mode.text()) + "' is not 'plate' or 'well'");
    facts.cutoffs = *parsed;
  }
  try {
    facts.settings = SettingsFromJson(j.at("settings").json());
  } catch (const Error& e) {
    j.at("settings").fail(e.what());
  }
  if (SettingsToJson(facts.settings) != j.at("settings").json()) {
    j.at("settings").fail("not all 17 settings, or not in their steps");
  }
  const JsonReader wells = j.at("wells");
  for (const JsonReader& name : wells.at("analysed").elements(format.wellCount())) {
    facts.analysed.push_back(wellOf(name));
  }
  for (const JsonReader& failed : wells.at("failed").elements(format.wellCount())) {
    facts.failed.push_back({wellOf(failed.at("well")), failed.at("message").text()});
  }
  return facts;
}

std::string RunManifestFileName(const std::string& resultsFolder, const std::string& platePrefix) {
  return resultsFolder + platePrefix + "Vembrel_run.json";
}

std::string PartManifestFileName(const std::string& resultsFolder, const std::string& platePrefix,
                                 const std::string& part) {
  return resultsFolder + platePrefix + "Vembrel_run." + part + ".json";
}

Json RunManifest(const Plate& plate, const PlateResults& results, const RunFacts& facts) {
  Json analysed = Json::array();
  Json flagged = Json::array();
  Json problems = Json::array();
  Json inputs = Json::array();
  int included = 0;
  for (int w = 0; w < plate.format.wellCount(); ++w) {
    included += plate.wells[w].state == 1 ? 1 : 0;
    const auto& well = results.wells[w];
    if (!well) continue;
    analysed.push_back(WellName(w, plate.format));
    if (!well->quality.empty()) {
      Json notes = Json::array();
      for (const QualityNote note : well->quality) notes.push_back(QualityNoteName(note));
      flagged.push_back({{"well", WellName(w, plate.format)}, {"qc", std::move(notes)}});
    }
    for (const FieldProblem& problem : well->fieldProblems) {
      problems.push_back({{"well", WellName(w, plate.format)},
                          {"kind", FieldProblemName(problem.kind)},
                          {"file", RelativeTo(plate.path, problem.file)},
                          {"message", problem.message}});
    }
    for (const InputPicture& input : well->inputs) {
      inputs.push_back(InputJson(*well, input, plate.path));
    }
  }
  Json reviewed = Json::array();
  for (int w = 0; w < plate.format.wellCount(); ++w) {
    if (results.wells[w] && results.wells[w]->ringReviewed)
      reviewed.push_back(WellName(w, plate.format));
  }
  Json failed = Json::array();
  for (const RunFacts::Failure& failure : facts.failures) {
    failed.push_back(
        {{"well", WellName(failure.well, plate.format)}, {"message", failure.message}});
  }
  Json manifest = {
      {"program", {{"name", "vembrel"}, {"version", ProgramVersion()}}},
      {"command_line", facts.commandLine.empty() ? Json(nullptr) : Json(facts.commandLine)},
      {"started", IsoDateTimeText(facts.started)},
      {"ended", IsoDateTimeText(facts.ended)},
      {"seconds", static_cast<std::int64_t>(facts.ended - facts.started)},
      {"plate", PlateJson(plate)},
      {"cell_level", facts.cellLevel},
      {"fit_radius", FitRadiusJson(facts.fitRadius)},
      {"whole_plate", facts.wholePlate},
      {"settings", SettingsToJson(facts.settings)},
      {"wells",
       {{"included", included},
        {"analysed", std::move(analysed)},
        {"failed", std::move(failed)},
        {"flagged", std::move(flagged)}}},
      {"field_problems", std::move(problems)},
      {"inputs", std::move(inputs)},
  };
  // Kept after "fit_radius", so a run without reviewed rings or each
  // well's own cut-offs reads as before.
  Json after = Json::object();
  if (!reviewed.empty()) {
    after["rings"] = {{"file", facts.ringsFile.empty() ? Json(nullptr) : Json(facts.ringsFile)},
                      {"reviewed", std::move(reviewed)}};
  }
  if (facts.cutoffs == CutoffMode::Well) {
    Json byWell = Json::object();
    for (int w = 0; w < results.format.wellCount(); ++w) {
      const auto& well = results.wells[w];
      if (well && well->cutoffs) {
        byWell[WellName(w, results.format)] = {{"blue", well->cutoffs->blue},
                                               {"green", well->cutoffs->green}};
      }
    }
    after["cutoffs"] = {{"mode", CutoffModeName(facts.cutoffs)}, {"wells", std::move(byWell)}};
  }
  if (!after.empty()) {
    Json ordered;
    for (auto item = manifest.begin(); item != manifest.end(); ++item) {
      ordered[item.key()] = std::move(item.value());
      if (item.key() == "fit_radius") ordered.update(after);
    }
    manifest = std::move(ordered);
  }
  if (facts.plateMap) {
    manifest["plate_map"] = PlateMapJson(*facts.plateMap, plate, results, facts.cellLevel);
  }
  return manifest;
}

std::string RunManifestText(const Json& manifest) {
  return manifest.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::string RunManifestText(const Plate& plate, const PlateResults& results,
                            const RunFacts& facts) {
  return RunManifestText(RunManifest(plate, results, facts));
}

}  // namespace vembrel
