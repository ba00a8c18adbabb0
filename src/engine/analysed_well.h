#pragma once
// A well's results as a machine-readable record: every number, text and
// note the plate-level files need, so that runs over parts of a plate (shards,
// resumed runs) can be put together into exactly the files one whole run
// writes. JSON; doubles are written so that they read back exactly.
//
// A record proves what it is: it names its well, holds the fingerprints of
// every picture the well was read from, the request it was made for with a
// digest of it, the program's version and a checksum of its own content.
// It is read back only through a reader that checks every value, and reused
// only when each of these still matches (RecordFit).
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "engine/well_results.h"
#include "engine/well_session.h"
#include "plate/analysis_settings.h"

namespace vembrel {

class JsonReader;
struct Plate;

/// What a batch asked for when it analysed a well: the settings and options,
/// and how the plate's pictures were read. A resumed batch reuses the well
/// only when it asks for the same.
struct WellRequest {
  AnalysisSettings settings;
  bool cellLevel = false;
  std::optional<RadiusRange> fitRadius;
  std::string layout = "native";  // the layout's option ("native", "operetta", a pattern, ...)
  std::array<int, 2> channels{0, 1};
  int plane = 1;
  int inputBits = 16;        // bits the loader takes of 16-bit samples
  std::string ringSource;    // where rings given from outside come from; "" when fitted
  std::optional<Ring> ring;  // a reviewed ring, analysed instead of a fitted one
  /// A held ring (ring source "held") may follow the well this many pixels.
  std::optional<int> ringDrift;
  bool zoneCoverage = false;               // measure the zone's coverage too
  CutoffMode cutoffs = CutoffMode::Plate;  // whether each well's nucleus cut-offs are its own
  bool operator==(const WellRequest& other) const;
};

/// The request for wells of this plate: its layout, channels, plane and bits.
WellRequest PlateRequest(const Plate& plate, const AnalysisSettings& settings, bool cellLevel,
                         std::optional<RadiusRange> fitRadius);

/// The request's digest: XXH3-64 of its JSON form, as 16 hex digits.
std::string RequestDigest(const WellRequest& request);

/// One well as analysed: its results, the settings it was analysed with
/// (the ring radius fitted, decimals in their steps) and what was asked for.
struct AnalysedWell {
  WellResults results;
  AnalysisSettings settings;
  WellRequest request;
  std::string program;  // the version of the program that analysed it
};

/// The program's version ("0.1.0").
std::string ProgramVersion();

/// The record, checksum last.
nlohmann::ordered_json AnalysedWellToJson(const AnalysedWell& record);
/// Reads a record back, checking every value's type and range, the request's
/// digest and the checksum. Throws Error naming the key and what is wrong.
AnalysedWell AnalysedWellFromJson(const nlohmann::ordered_json& json,
                                  const PlateFormat& format = {});
/// The record file's text: the record on one line, then a line break.
std::string AnalysedWellText(const AnalysedWell& record);

/// A fit radius range as records and run manifests write it: [minimum,
/// maximum], or null without a fit.
nlohmann::ordered_json FitRadiusJson(const std::optional<RadiusRange>& range);
/// The range read back. Throws Error naming the key for a bad value.
std::optional<RadiusRange> FitRadiusFromJson(const JsonReader& value);

/// Why a record cannot stand for a well of this run.
enum class RecordMisfit {
  Fits,
  Unusable,         // unreadable, edited, a value missing or out of range
  OtherWell,        // filed under another well's name
  OtherVersion,     // made by another version of the program
  OtherRequest,     // other settings, options, layout, channels, plane, bits or rings
  OtherPlate,       // made from other pictures than this plate's files of the well
  PicturesChanged,  // the same files, but their bytes changed since
};
inline constexpr int kRecordMisfitCount = 7;

/// "edited or unusable", "filed under another well", "made by another
/// version", "made for another request", "of another plate", "pictures
/// changed since".
std::string_view RecordMisfitText(RecordMisfit misfit);

/// Whether the record stands for this well of this plate analysed for this
/// request: its well, version, request, the plate's files of the well, and
/// their bytes now (read again and fingerprinted).
RecordMisfit RecordFit(const AnalysedWell& record, int well, const WellRequest& request,
                       const Plate& plate);

/// Whether the pictures a well was analysed from are still the same bytes
/// (a missing one still missing), read again and fingerprinted.
bool InputsUnchanged(const WellResults& results);

/// results folder + "WellResults/" + prefix + well + ".json".
std::string AnalysedWellFileName(const std::string& resultsFolder, const std::string& platePrefix,
                                 const std::string& well);
/// results folder + "Wells/" + prefix + well + ".jpg": the whole-well picture.
std::string WholeWellPictureFileName(const std::string& resultsFolder,
                                     const std::string& platePrefix, const std::string& well);
/// Reads the record file of a well of a plate of the format. Throws Error naming the file.
AnalysedWell ReadAnalysedWell(const std::string& path, const PlateFormat& format = {});

}  // namespace vembrel
