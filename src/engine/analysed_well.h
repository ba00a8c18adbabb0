#pragma once
// A well's results as a machine-readable record: every number, text and
// note the plate-level files need, so that runs over parts of a plate (shards,
// resumed runs) can be put together into exactly the files one whole run
// writes. JSON; doubles are written so that they read back exactly.
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "engine/well_results.h"
#include "engine/well_session.h"
#include "plate/analysis_settings.h"

namespace vembrel {

/// What a batch asked for when it analysed a well; a resumed batch reuses
/// the well only when it asks for the same.
struct WellRequest {
  AnalysisSettings settings;
  bool cellLevel = false;
  std::optional<RadiusRange> fitRadius;
  std::optional<RingPlacement> ring;  // a reviewed ring, analysed instead of a fitted one
  bool operator==(const WellRequest& other) const;
};

/// One well as analysed: its results, the settings it was analysed with
/// (the ring radius fitted, decimals in their steps) and what was asked for.
struct AnalysedWell {
  WellResults results;
  AnalysisSettings settings;
  WellRequest request;
};

nlohmann::ordered_json AnalysedWellToJson(const AnalysedWell& record);
/// Reads a record back. Throws Error saying what is missing or wrong.
AnalysedWell AnalysedWellFromJson(const nlohmann::ordered_json& json);

/// Whether the pictures a well was analysed from are still the same bytes
/// (a missing one still missing), read again and fingerprinted.
bool InputsUnchanged(const WellResults& results);

/// results folder + "WellResults/" + prefix + well + ".json".
std::string AnalysedWellFileName(const std::string& resultsFolder, const std::string& platePrefix,
                                 const std::string& well);
/// Reads the record file. Throws Error naming the file.
AnalysedWell ReadAnalysedWell(const std::string& path);

}  // namespace vembrel
