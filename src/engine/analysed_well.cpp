#include "engine/analysed_well.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "core/error.h"
#include "core/name_text.h"
#include "core/text_file.h"
#include "imaging/file_fingerprint.h"
#include "imaging/zone_fit.h"
#include "plate/json_reader.h"
#include "plate/plate.h"
#include "plate/settings_json.h"
#include "plate/settings_table.h"
#include "plate/well_names.h"

namespace vembrel {
namespace {

using json = nlohmann::ordered_json;

// Records of format 1 lack the fingerprints' guarantee, the request's
// plate facts and the checksum: they are read as unusable, and so redone.
constexpr int kFormat = 2;

// What a 1024 x 1024 mosaic can hold: every count is at most its pixels,
// every position within it; distances and radii within a few sides of it.
constexpr std::int64_t kMosaicSide = 1024;
constexpr std::int64_t kMosaicPixels = kMosaicSide * kMosaicSide;
constexpr std::int64_t kFarthest = 4 * kMosaicSide;
constexpr double kLargestMeasure = 1e9;  // ratios, correlations, contrasts, statistics

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

int Count(const JsonReader& value) {
  return value.integer32(0, kMosaicPixels);
}

double Measure(const JsonReader& value) {
  return value.number(-kLargestMeasure, kLargestMeasure);
}

CellResults CellsFromJson(const JsonReader& j) {
  CellResults cells;
  cells.kept = Count(j.at("kept"));
  cells.seeds = Count(j.at("seeds"));
  ShapeStatistics& s = cells.statistics;
  const auto classes = j.at("classes").exactly(kClassCount);
  for (int k = 0; k < kClassCount; ++k) s.classCounts[k] = Count(classes[k]);
  const auto bins = j.at("orientation_bins").exactly(kOrientationBins);
  for (int k = 0; k < kOrientationBins; ++k) s.bins[k] = Count(bins[k]);
  if (!j.at("radial_share").isNull()) s.gauge = j.at("radial_share").integer32(0, 100);
  s.elongationMedian = Measure(j.at("elongation_median"));
  s.elongationMean = Measure(j.at("elongation_mean"));
  s.smoothnessMedian = Measure(j.at("smoothness_median"));
  s.smoothnessMean = Measure(j.at("smoothness_mean"));
  for (const JsonReader& c : j.at("list").elements(kMosaicPixels)) {
    CellMeasures m;
    m.x = c.at("x").number(0, kMosaicSide);
    m.y = c.at("y").number(0, kMosaicSide);
    m.size = Count(c.at("size"));
    m.width = c.at("width").integer32(0, kMosaicSide);
    m.height = c.at("height").integer32(0, kMosaicSide);
    m.circumference = c.at("circumference").integer32(0, 4 * kMosaicPixels);
    m.length = c.at("length").number(0, kFarthest);
    m.ratio = Measure(c.at("ratio"));
    m.correlation = Measure(c.at("correlation"));
    m.shapeClass = static_cast<CellClass>(c.at("class").integer32(0, kClassCount - 1));
    if (!c.at("angle").isNull()) m.angle = c.at("angle").number(-360, 360);
    m.nucleusSize = Count(c.at("nucleus_size"));
    cells.cells.push_back(m);
  }
  return cells;
}

std::int32_t SettingValue(const JsonReader& value, SettingId id) {
  const SettingDescriptor& setting = Describe(id);
  return value.integer32(setting.minimum, setting.maximum);
}

// A ring as [x, y, radius], in the results and in a request; its centre
// read within lowest..highest.
json RingJson(const Ring& ring) {
  return {ring.x, ring.y, ring.radius};
}

Ring RingFromJson(const JsonReader& value, int lowest, int highest) {
  const auto ring = value.exactly(3);
  return {ring[0].integer32(lowest, highest), ring[1].integer32(lowest, highest),
          SettingValue(ring[2], SettingId::RingRadius)};
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
  // Names are bytes: kept exactly in their escaped form.
  json problems = json::array();
  for (const FieldProblem& p : r.fieldProblems) {
    problems.push_back({{"kind", static_cast<int>(p.kind)},
                        {"file", EscapedBytes(p.file)},
                        {"message", EscapedBytes(p.message)}});
  }
  json inputs = json::array();
  for (const InputPicture& input : r.inputs) {
    json entry = {{"file", EscapedBytes(input.file)},
                  {"cell_stain", input.cellStain},
                  {"field", input.field}};
    if (input.page > 0) entry["page"] = input.page + 1;  // counted from 1; none: the first
    if (input.fingerprint) {
      entry["size"] = input.fingerprint->size;
      entry["xxh3"] = FingerprintText(input.fingerprint->xxh3);
    }
    inputs.push_back(std::move(entry));
  }
  json result = {{"ring", RingJson(r.ring)},
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
  if (r.pixelSize) result["pixel_size"] = *r.pixelSize;
  if (r.ringReviewed) result["ring_reviewed"] = true;
  if (r.ringHeld) result["ring_held"] = true;
  if (r.zoneCoverage) result["zone_coverage"] = *r.zoneCoverage;
  if (r.cutoffs) result["cutoffs"] = {r.cutoffs->blue, r.cutoffs->green};
  return result;
}

std::uint64_t HexDigest(const JsonReader& value) {
  const std::string& text = value.text();
  if (text.size() != 16 || text.find_first_not_of("0123456789abcdef") != std::string::npos) {
    value.fail("'" + ValidUtf8Text(text) + "' is not 16 hex digits");
  }
  return std::stoull(text, nullptr, 16);
}

std::string Unescaped(const JsonReader& value) {
  try {
    return UnescapedBytes(value.text());
  } catch (const Error& e) {
    value.fail(e.what());
  }
}

WellResults ResultsFromJson(const JsonReader& j, int well) {
  WellResults r;
  r.well = well;
  r.ring = RingFromJson(j.at("ring"), -kMosaicSide, 2 * kMosaicSide);
  r.ringIncrement = SettingValue(j.at("ring_increment"), SettingId::RingIncrement);
  r.ringFitted = j.at("ring_fitted").flag();
  if (!j.at("zone_contrast").isNull()) r.zoneContrast = Measure(j.at("zone_contrast"));
  r.nuclei = Count(j.at("nuclei"));
  r.pixels = Count(j.at("pixels"));
  r.calculatedNuclei = Count(j.at("calculated_nuclei"));
  r.averageDistance = j.at("average_distance").integer(-kFarthest, kFarthest);
  r.totalNuclei = Count(j.at("total_nuclei"));
  r.averageNucleusSize = Count(j.at("average_nucleus_size"));
  r.nucleiOutside = Count(j.at("nuclei_outside"));
  for (const JsonReader& n : j.at("immigrants").elements(kMosaicPixels)) {
    const auto values = n.exactly(4);
    r.immigrants.push_back({values[0].integer32(0, kMosaicSide - 1),
                            values[1].integer32(0, kMosaicSide - 1), Count(values[2]),
                            values[3].number(-kFarthest, kFarthest)});
  }
  for (const JsonReader& bin : j.at("density").elements(kFarthest)) {
    const auto values = bin.exactly(2);
    r.density.push_back({Count(values[0]), Count(values[1])});
  }
  for (const JsonReader& note : j.at("qc").elements(16)) {
    const auto parsed = QualityNoteFromName(note.text());
    if (!parsed) note.fail("unknown quality note '" + ValidUtf8Text(note.text()) + "'");
    r.quality.push_back(*parsed);
  }
  for (const JsonReader& p : j.at("field_problems").elements(8)) {
    const int kind = p.at("kind").integer32(0, static_cast<int>(FieldProblemKind::kWrongSize));
    r.fieldProblems.push_back(
        {static_cast<FieldProblemKind>(kind), Unescaped(p.at("file")), Unescaped(p.at("message"))});
  }
  r.reducedFrom = j.at("reduced_from").integer32(0, 1 << 16);
  // The nuclear stain's four fields, then the cell stain's (or one picture of
  // the whole well each): never none.
  const auto inputs = j.at("inputs").elements(8);
  if (inputs.size() != 8 && inputs.size() != 2) {
    j.at("inputs").fail("holds " + std::to_string(inputs.size()) +
                        " pictures, not 8 (four fields of two stains) or 2 (whole wells)");
  }
  const std::size_t fields = inputs.size() / 2;
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    const JsonReader& entry = inputs[i];
    InputPicture input;
    input.file = Unescaped(entry.at("file"));
    input.cellStain = entry.at("cell_stain").flag();
    input.field = entry.at("field").integer32(0, 3);
    if (input.cellStain != (i >= fields) || input.field != static_cast<int>(i % fields)) {
      entry.fail("not the " + std::string(i >= fields ? "cell" : "nuclear") + " stain's field " +
                 std::to_string(i % fields));
    }
    if (entry.json().contains("page")) input.page = entry.at("page").integer32(1, 65535) - 1;
    if (entry.json().contains("xxh3")) {
      const auto size = static_cast<std::uint64_t>(
          entry.at("size").integer(0, std::numeric_limits<std::int64_t>::max()));
      input.fingerprint = FileFingerprint{size, HexDigest(entry.at("xxh3"))};
    }
    r.inputs.push_back(std::move(input));
  }
  if (!j.at("cells").isNull()) r.cells = CellsFromJson(j.at("cells"));
  if (j.json().contains("pixel_size")) {
    r.pixelSize = j.at("pixel_size").number(kLeastPlausiblePixelSize, kPixelSizeOptionLimit * 64);
  }
  if (j.json().contains("ring_reviewed")) r.ringReviewed = j.at("ring_reviewed").flag();
  if (j.json().contains("ring_held")) r.ringHeld = j.at("ring_held").flag();
  if (j.json().contains("zone_coverage")) r.zoneCoverage = j.at("zone_coverage").number(0, 100);
  if (j.json().contains("cutoffs")) {
    const auto cutoffs = j.at("cutoffs").exactly(2);
    r.cutoffs = WellCutoffs{SettingValue(cutoffs[0], SettingId::NucleiBlueCutoff),
                            SettingValue(cutoffs[1], SettingId::NucleiGreenCutoff)};
  }
  return r;
}

json RequestToJson(const WellRequest& request) {
  json result = {{"settings", SettingsToJson(request.settings)},
                 {"cell_level", request.cellLevel},
                 {"fit_radius", FitRadiusJson(request.fitRadius)},
                 {"layout", EscapedBytes(request.layout)},
                 {"channels", request.channels},
                 {"plane", request.plane},
                 {"input_bits", request.inputBits},
                 {"ring_source", EscapedBytes(request.ringSource)}};
  // Only a request with a reviewed ring names it: records of fitted rings stay as they were.
  if (request.ring) result["ring"] = RingJson(*request.ring);
  if (request.ringDrift) result["ring_drift"] = *request.ringDrift;
  if (request.zoneCoverage) result["zone_coverage"] = true;
  // Likewise only each well's own cut-offs are named.
  if (request.cutoffs == CutoffMode::Well) result["cutoffs"] = CutoffModeName(request.cutoffs);
  return result;
}

// Settings from their JSON form, every one of them given.
AnalysisSettings CompleteSettings(const JsonReader& j) {
  AnalysisSettings settings;
  try {
    settings = SettingsFromJson(j.json());
  } catch (const Error& e) {
    j.fail(e.what());
  }
  if (SettingsToJson(settings) != j.json()) j.fail("not all 17 settings, or not in their steps");
  return settings;
}

WellRequest RequestFromJson(const JsonReader& j) {
  WellRequest request;
  request.settings = CompleteSettings(j.at("settings"));
  request.cellLevel = j.at("cell_level").flag();
  request.fitRadius = FitRadiusFromJson(j.at("fit_radius"));
  request.layout = Unescaped(j.at("layout"));
  const auto channels = j.at("channels").exactly(2);
  request.channels = {channels[0].integer32(0, 1 << 16), channels[1].integer32(0, 1 << 16)};
  request.plane = j.at("plane").integer32(1, 1 << 16);
  request.inputBits = j.at("input_bits").integer32(8, 16);
  if (request.inputBits % 2 != 0) j.at("input_bits").fail("not 8, 10, 12, 14 or 16");
  request.ringSource = Unescaped(j.at("ring_source"));
  if (j.json().contains("ring")) request.ring = RingFromJson(j.at("ring"), 0, kMosaicSide - 1);
  if (j.json().contains("ring_drift"))
    request.ringDrift = j.at("ring_drift").integer32(0, kMosaicSide);
  if (j.json().contains("zone_coverage")) request.zoneCoverage = j.at("zone_coverage").flag();
  if (j.json().contains("cutoffs")) {
    const std::optional<CutoffMode> mode = CutoffModeFromName(j.at("cutoffs").text());
    if (!mode) j.at("cutoffs").fail("not 'plate' or 'well'");
    request.cutoffs = *mode;
  }
  return request;
}

std::string Checksum(const json& content) {
  const std::string text = content.dump();
  return FingerprintText(FingerprintOf(text.data(), text.size()).xxh3);
}

}  // namespace

bool WellRequest::operator==(const WellRequest& other) const {
  return RequestToJson(*this) == RequestToJson(other);
}

WellRequest PlateRequest(const Plate& plate, const AnalysisSettings& settings, bool cellLevel,
                         std::optional<RadiusRange> fitRadius) {
  WellRequest request;
  request.settings = settings;
  request.cellLevel = cellLevel;
  request.fitRadius = fitRadius;
  request.layout = plate.naming ? plate.naming->option() : plate.layout;
  request.channels = plate.channels;
  request.plane = plate.plane;
  request.inputBits = plate.loaderInputBits();
  return request;
}

std::string RequestDigest(const WellRequest& request) {
  return Checksum(RequestToJson(request));
}

json FitRadiusJson(const std::optional<RadiusRange>& range) {
  return range ? json{range->minimum, range->maximum} : json(nullptr);
}

std::optional<RadiusRange> FitRadiusFromJson(const JsonReader& value) {
  if (value.isNull()) return std::nullopt;
  const auto range = value.exactly(2);
  return RadiusRange{range[0].integer32(1, kLargestFitRadius),
                     range[1].integer32(1, kLargestFitRadius)};
}

std::string ProgramVersion() {
  return VEMBREL_VERSION;
}

nlohmann::ordered_json AnalysedWellToJson(const AnalysedWell& analysed) {
  json record = {{"format", kFormat},
                 {"well", analysed.results.wellName()},
                 {"program", analysed.program},
                 {"request", RequestToJson(analysed.request)},
                 {"request_digest", RequestDigest(analysed.request)},
                 {"settings", SettingsToJson(analysed.settings)},
                 {"results", ResultsToJson(analysed.results)}};
  record["checksum"] = Checksum(record);
  return record;
}

std::string AnalysedWellText(const AnalysedWell& record) {
  return AnalysedWellToJson(record).dump() + "\n";
}

AnalysedWell AnalysedWellFromJson(const nlohmann::ordered_json& record,
                                  const PlateFormat& plateFormat) {
  const JsonReader j(record);
  const std::int64_t format = j.at("format").integer(0, std::numeric_limits<std::int64_t>::max());
  if (format != kFormat) {
    j.at("format").fail(std::to_string(format) + " is not " + std::to_string(kFormat) +
                        " (made by another version)");
  }
  // The content as written: every key but the checksum, in its order.
  json content = record;
  content.erase("checksum");
  if (j.at("checksum").text() != Checksum(content)) {
    j.at("checksum").fail("does not match the content: the record was edited");
  }
  const std::string& name = j.at("well").text();
  const std::optional<int> well = WellIndexIfAny(name, plateFormat);
  if (!well) j.at("well").fail("'" + ValidUtf8Text(name) + "' is no well");
  AnalysedWell analysed;
  analysed.program = j.at("program").text();
  analysed.request = RequestFromJson(j.at("request"));
  if (j.at("request_digest").text() != RequestDigest(analysed.request)) {
    j.at("request_digest").fail("does not match the request");
  }
  analysed.settings = CompleteSettings(j.at("settings"));
  analysed.results = ResultsFromJson(j.at("results"), *well);
  analysed.results.format = plateFormat;
  return analysed;
}

std::string_view RecordMisfitText(RecordMisfit misfit) {
  switch (misfit) {
    case RecordMisfit::Fits:
      return "fits";
    case RecordMisfit::Unusable:
      return "edited or unusable";
    case RecordMisfit::OtherWell:
      return "filed under another well";
    case RecordMisfit::OtherVersion:
      return "made by another version";
    case RecordMisfit::OtherRequest:
      return "made for another request";
    case RecordMisfit::OtherPlate:
      return "of another plate";
    case RecordMisfit::PicturesChanged:
      return "pictures changed since";
  }
  return "";
}

RecordMisfit RecordFit(const AnalysedWell& record, int well, const WellRequest& request,
                       const Plate& plate) {
  if (record.results.well != well) return RecordMisfit::OtherWell;
  if (record.program != ProgramVersion()) return RecordMisfit::OtherVersion;
  if (!(record.request == request)) return RecordMisfit::OtherRequest;
  const auto& inputs = record.results.inputs;
  const std::vector<FieldSource> sources = WellFieldSources(plate, well);
  if (inputs.size() != sources.size()) return RecordMisfit::OtherPlate;
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    if (inputs[i].file != sources[i].file || inputs[i].page != sources[i].page) {
      return RecordMisfit::OtherPlate;
    }
  }
  return InputsUnchanged(record.results) ? RecordMisfit::Fits : RecordMisfit::PicturesChanged;
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

std::string WholeWellPictureFileName(const std::string& resultsFolder,
                                     const std::string& platePrefix, const std::string& well) {
  return resultsFolder + "Wells/" + platePrefix + well + ".jpg";
}

std::string AnalysedWellFileName(const std::string& resultsFolder, const std::string& platePrefix,
                                 const std::string& well) {
  return resultsFolder + "WellResults/" + platePrefix + well + ".json";
}

AnalysedWell ReadAnalysedWell(const std::string& path, const PlateFormat& format) {
  try {
    return AnalysedWellFromJson(nlohmann::ordered_json::parse(ReadWholeFile(path)), format);
  } catch (const nlohmann::json::exception& e) {
    throw Error("Well record '" + ValidUtf8Text(path) + "': " + JsonProblem(e));
  } catch (const Error& e) {
    throw Error("Well record '" + ValidUtf8Text(path) + "': " + e.what());
  }
}

}  // namespace vembrel
