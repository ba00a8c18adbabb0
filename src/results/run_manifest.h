#pragma once
// The run manifest: how a batch's results were made, for whoever publishes
// or re-checks them. Program version, command line, the 17 settings by
// name, the plate's layout and input bits, start and end time, the wells
// analysed, failed and flagged, the fields that could not be used, and
// every input picture of the analysed wells with its size and fingerprint.
#include <ctime>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <vector>

#include "engine/plate_results.h"
#include "engine/well_session.h"
#include "plate/analysis_settings.h"
#include "plate/plate.h"
#include "results/plate_statistics.h"

namespace vembrel {

/// What the plate and its results do not say about a run.
struct RunFacts {
  std::string commandLine;  // "" when the run was not started from a command line
  std::time_t started = 0;
  std::time_t ended = 0;
  bool cellLevel = false;
  // Whether each well's nucleus cut-offs are its own.
  CutoffMode cutoffs = CutoffMode::Plate;
  std::optional<RadiusRange> fitRadius;  // the zone's size fitted in this range
  std::string ringsFile;                 // where reviewed rings were taken from ("" for none)
  bool wholePlate = true;                // false for a part (--wells, --shard)
  AnalysisSettings settings;             // the universal settings the run started with
  struct Failure {
    int well = 0;
    std::string message;
  };
  std::vector<Failure> failures;  // wells whose analysis failed
  /// The plate map the results are read through (its readouts empty for
  /// those of the run's level); none without a map.
  std::optional<MapRequest> plateMap;
};

/// What a manifest says that putting parts of a run together needs: how to
/// open the plate again and what the run asked for and did.
struct RunManifestFacts {
  std::string program;    // the version that made it
  std::string platePath;  // the plate's folder, its exact bytes
  std::string platePrefix;
  PlateOpenOptions open;  // the layout, channels, plane and bits the run read
  double measurementDate = 0;
  bool inputBitsDetected = false;
  std::string pictureKind;  // "8-bit grey", "palette", ...; "" when the run did not probe
  std::optional<PixelSize> pixelSize;  // the plate's, when the run had one
  bool cellLevel = false;
  std::optional<RadiusRange> fitRadius;
  std::string ringsFile;  // the file reviewed rings came from, "" for none
  CutoffMode cutoffs = CutoffMode::Plate;
  AnalysisSettings settings;
  std::vector<int> analysed;  // wells, in the order listed
  std::vector<RunFacts::Failure> failed;
};

/// Reads a manifest, checking each fact's type and range (bits, channels,
/// plane, dates, radii, settings from the settings table, well names).
/// Throws Error naming the key and what is wrong.
RunManifestFacts ReadRunManifestFacts(const nlohmann::ordered_json& manifest);

/// results folder + plate prefix + "Vembrel_run.json".
std::string RunManifestFileName(const std::string& resultsFolder, const std::string& platePrefix);
/// The manifest of a named part of the plate: results folder + plate prefix +
/// "Vembrel_run." + part + ".json", so parts run into one folder keep each
/// other's.
std::string PartManifestFileName(const std::string& resultsFolder, const std::string& platePrefix,
                                 const std::string& part);

/// The manifest. Wells analysed at a reviewed ring are listed under
/// "rings" with the rings file; without any, the key is left out. A run
/// with each well's own cut-offs gives them under "cutoffs" (mode "well",
/// the blue and green cut-offs by well); a run with the plate's, none. With a
/// plate map it records the map's file, fingerprint, form and variables, the
/// readouts, and the wells left out of the map and (--drop-flagged) of the
/// statistics. Input files are named relative to the plate's folder;
/// their fingerprints are XXH3-64 hashes as 16 hex digits; a file that could
/// not be read has none and says why ("missing", "unreadable", ...).
nlohmann::ordered_json RunManifest(const Plate& plate, const PlateResults& results,
                                   const RunFacts& facts);
/// The manifest file's text: the manifest indented by two spaces, bytes that
/// are not UTF-8 replaced, then a line break.
std::string RunManifestText(const nlohmann::ordered_json& manifest);
std::string RunManifestText(const Plate& plate, const PlateResults& results, const RunFacts& facts);

}  // namespace vembrel
