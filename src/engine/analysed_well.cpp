#include "engine/analysed_well.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/error.h"
#include "core/text_file.h"
#include "plate/settings_json.h"
#include "plate/well_names.h"

namespace vembrel {
namespace {

using json = nlohmann::ordered_json;

constexpr int kFormat = 1;

json CellsToJson(const CellResults& cells) {
  const ShapeStatistics& s = cells.statistics;
  json list = json::array();
  for (const CellMeasures& c : cells.cells) {
    list.push_back({{"x", c.x},
                    {"y", c.y},
                    {"size", c.size},
                    {"width", c.width},
                    {"height", c.height},
                    {"circumference", c.circumference},
                    {"length", c.length},
                    {"ratio", c.ratio},
                    {"correlation", c.correlation},
                    {"class", static_cast<int>(c.shapeClass)},
                    {"angle", c.angle ? json(*c.angle) : json(nullptr)},
                    {"nucleus_size", c.nucleusSize}});
  }
  return {{"kept", cells.kept},
          {"seeds", cells.seeds},
          {"classes", s.classCounts},
          {"orientation_bins", s.bins},
          {"radial_share", s.gauge ? json(*s.gauge) : json(nullptr)},
          {"elongation_median", s.elongationMedian},
          {"elongation_mean", s.elongationMean},
          {"smoothness_median", s.smoothnessMedian},
          {"smoothness_mean", s.smoothnessMean},
          {"list", std::move(list)}};
}

CellResults CellsFromJson(const json& j) {
  CellResults cells;
  cells.kept = j.at("kept").get<int>();
  cells.seeds = j.at("seeds").get<int>();
  ShapeStatistics& s = cells.statistics;
  s.classCounts = j.at("classes").get<std::array<int, kClassCount>>();
  s.bins = j.at("orientation_bins").get<std::array<int, kOrientationBins>>();
  if (!j.at("radial_share").is_null()) s.gauge = j.at("radial_share").get<int>();
  s.elongationMedian = j.at("elongation_median").get<double>();
  s.elongationMean = j.at("elongation_mean").get<double>();
  s.smoothnessMedian = j.at("smoothness_median").get<double>();
  s.smoothnessMean = j.at("smoothness_mean").get<double>();
  for (const json& c : j.at("list")) {
    CellMeasures m;
    m.x = c.at("x").get<double>();
    m.y = c.at("y").get<double>();
    m.size = c.at("size").get<int>();
    m.width = c.at("width").get<int>();
    m.height = c.at("height").get<int>();
    m.circumference = c.at("circumference").get<int>();
    m.length = c.at("length").get<double>();
    m.ratio = c.at("ratio").get<double>();
    m.correlation = c.at("correlation").get<double>();
    const int shape = c.at("class").get<int>();
    if (shape < 0 || shape >= kClassCount)
      throw Error("unknown cell class " + std::to_string(shape));
    m.shapeClass = static_cast<CellClass>(shape);
    if (!c.at("angle").is_null()) m.angle = c.at("angle").get<double>();
    m.nucleusSize = c.at("nucleus_size").get<int>();
    cells.cells.push_back(m);
  }
  return cells;
}

json ResultsToJson(const WellResults& r) {
  json immigrants = json::array();
  for (const NucleusMeasures& n : r.immigrants) {
    immigrants.push_back({n.x, n.y, n.size, n.distance});
  }
  json density = json::array();
  for (const DensityBin& bin : r.density) density.push_back({bin.nuclei, bin.area});
  json quality = json::array();
  for (const QualityNote note : r.quality) quality.push_back(QualityNoteName(note));
  json problems = json::array();
  for (const FieldProblem& p : r.fieldProblems) {
    problems.push_back(
        {{"kind", static_cast<int>(p.kind)}, {"file", p.file}, {"message", p.message}});
  }
  json inputs = json::array();
  for (const InputPicture& input : r.inputs) {
    json entry = {{"file", input.file}, {"cell_stain", input.cellStain}, {"field", input.field}};
    if (input.fingerprint) {
      entry["size"] = input.fingerprint->size;
      entry["xxh3"] = FingerprintText(input.fingerprint->xxh3);
    }
    inputs.push_back(std::move(entry));
  }
  json result = {{"ring", {r.ring.x, r.ring.y, r.ring.radius}},
                 {"ring_increment", r.ringIncrement},
                 {"ring_fitted", r.ringFitted},
                 {"zone_contrast", r.zoneContrast ? json(*r.zoneContrast) : json(nullptr)},
                 {"nuclei", r.nuclei},
                 {"pixels", r.pixels},
                 {"calculated_nuclei", r.calculatedNuclei},
                 {"average_distance", r.averageDistance},
                 {"total_nuclei", r.totalNuclei},
                 {"average_nucleus_size", r.averageNucleusSize},
                 {"nuclei_outside", r.nucleiOutside},
                 {"immigrants", std::move(immigrants)},
                 {"density", std::move(density)},
                 {"qc", std::move(quality)},
                 {"field_problems", std::move(problems)},
                 {"reduced_from", r.reducedFrom},
                 {"inputs", std::move(inputs)}};
  result["cells"] = r.cells ? CellsToJson(*r.cells) : json(nullptr);
  if (r.ringReviewed) result["ring_reviewed"] = true;
  return result;
}

WellResults ResultsFromJson(const json& j, int well) {
  WellResults r;
  r.well = well;
  const json& ring = j.at("ring");
  r.ring = {ring.at(0).get<int>(), ring.at(1).get<int>(), ring.at(2).get<int>()};
  r.ringIncrement = j.at("ring_increment").get<int>();
  r.ringFitted = j.at("ring_fitted").get<bool>();
  if (!j.at("zone_contrast").is_null()) r.zoneContrast = j.at("zone_contrast").get<double>();
  r.nuclei = j.at("nuclei").get<std::int64_t>();
  r.pixels = j.at("pixels").get<std::int64_t>();
  r.calculatedNuclei = j.at("calculated_nuclei").get<std::int64_t>();
  r.averageDistance = j.at("average_distance").get<std::int64_t>();
  r.totalNuclei = j.at("total_nuclei").get<std::int64_t>();
  r.averageNucleusSize = j.at("average_nucleus_size").get<std::int64_t>();
  r.nucleiOutside = j.at("nuclei_outside").get<std::int64_t>();
  for (const json& n : j.at("immigrants")) {
    r.immigrants.push_back({n.at(0).get<int>(), n.at(1).get<int>(), n.at(2).get<std::int64_t>(),
                            n.at(3).get<double>()});
  }
  for (const json& bin : j.at("density")) {
    r.density.push_back({bin.at(0).get<std::int32_t>(), bin.at(1).get<std::int32_t>()});
  }
  for (const json& note : j.at("qc")) {
    const auto parsed = QualityNoteFromName(note.get<std::string>());
    if (!parsed) throw Error("unknown quality note '" + note.get<std::string>() + "'");
    r.quality.push_back(*parsed);
  }
  for (const json& p : j.at("field_problems")) {
    const int kind = p.at("kind").get<int>();
    if (kind < 0 || kind > static_cast<int>(FieldProblemKind::kWrongSize)) {
      throw Error("unknown field problem " + std::to_string(kind));
    }
    r.fieldProblems.push_back({static_cast<FieldProblemKind>(kind), p.at("file").get<std::string>(),
                               p.at("message").get<std::string>()});
  }
  r.reducedFrom = j.at("reduced_from").get<int>();
  for (const json& entry : j.at("inputs")) {
    InputPicture input;
    input.file = entry.at("file").get<std::string>();
    input.cellStain = entry.at("cell_stain").get<bool>();
    input.field = entry.at("field").get<int>();
    if (entry.contains("xxh3")) {
      input.fingerprint =
          FileFingerprint{entry.at("size").get<std::uint64_t>(),
                          std::stoull(entry.at("xxh3").get<std::string>(), nullptr, 16)};
    }
    r.inputs.push_back(std::move(input));
  }
  if (!j.at("cells").is_null()) r.cells = CellsFromJson(j.at("cells"));
  r.ringReviewed = j.value("ring_reviewed", false);
  return r;
}

json RequestToJson(const WellRequest& request) {
  json fit = nullptr;
  if (request.fitRadius) fit = {request.fitRadius->minimum, request.fitRadius->maximum};
  json result = {{"settings", SettingsToJson(request.settings)},
                 {"cell_level", request.cellLevel},
                 {"fit_radius", fit}};
  // Only a request with a reviewed ring says so: records of fitted rings stay as they were.
  if (request.ring) result["ring"] = {request.ring->x, request.ring->y, request.ring->radius};
  return result;
}

WellRequest RequestFromJson(const json& j) {
  WellRequest request;
  request.settings = SettingsFromJson(j.at("settings"));
  request.cellLevel = j.at("cell_level").get<bool>();
  if (!j.at("fit_radius").is_null()) {
    request.fitRadius =
        RadiusRange{j.at("fit_radius").at(0).get<int>(), j.at("fit_radius").at(1).get<int>()};
  }
  if (j.contains("ring")) {
    const json& ring = j.at("ring");
    request.ring =
        RingPlacement{ring.at(0).get<int>(), ring.at(1).get<int>(), ring.at(2).get<int>()};
  }
  return request;
}

}  // namespace

bool WellRequest::operator==(const WellRequest& other) const {
  const auto range = [](const std::optional<RadiusRange>& r) {
    return r ? std::pair{r->minimum, r->maximum} : std::pair{-1, -1};
  };
  return settings == other.settings && cellLevel == other.cellLevel &&
         range(fitRadius) == range(other.fitRadius) && ring == other.ring;
}

nlohmann::ordered_json AnalysedWellToJson(const AnalysedWell& analysed) {
  return {{"format", kFormat},
          {"well", WellName(analysed.results.well)},
          {"request", RequestToJson(analysed.request)},
          {"settings", SettingsToJson(analysed.settings)},
          {"results", ResultsToJson(analysed.results)}};
}

AnalysedWell AnalysedWellFromJson(const nlohmann::ordered_json& json) {
  try {
    if (json.at("format").get<int>() != kFormat) {
      throw Error("format " + json.at("format").dump() + " is not " + std::to_string(kFormat));
    }
    AnalysedWell analysed;
    const int well = WellIndex(json.at("well").get<std::string>());
    analysed.request = RequestFromJson(json.at("request"));
    analysed.settings = SettingsFromJson(json.at("settings"));
    analysed.results = ResultsFromJson(json.at("results"), well);
    return analysed;
  } catch (const nlohmann::json::exception& e) {
    throw Error(std::string("the record is incomplete: ") + e.what());
  }
}

bool InputsUnchanged(const WellResults& results) {
  for (const InputPicture& input : results.inputs) {
    std::optional<FileFingerprint> now;
    const int fd = open(input.file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
      struct stat status {};
      if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) now = FingerprintOfDescriptor(fd);
      close(fd);
    }
    if (now != input.fingerprint) return false;
  }
  return true;
}

std::string AnalysedWellFileName(const std::string& resultsFolder, const std::string& platePrefix,
                                 const std::string& well) {
  return resultsFolder + "WellResults/" + platePrefix + well + ".json";
}

AnalysedWell ReadAnalysedWell(const std::string& path) {
  try {
    return AnalysedWellFromJson(nlohmann::ordered_json::parse(ReadWholeFile(path)));
  } catch (const nlohmann::json::exception& e) {
    throw Error("Well record '" + path + "': " + e.what());
  } catch (const Error& e) {
    throw Error("Well record '" + path + "': " + e.what());
  }
}

}  // namespace vembrel
