#include "desktop/plate_memory.h"

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "core/error.h"
#include "core/text_file.h"
#include "plate/plate.h"

namespace vembrel {

std::string PlateMemoryFileName(const std::string& resultsFolder, const std::string& prefix) {
  return resultsFolder + prefix + "Vembrel_desktop.json";
}

std::vector<std::string> ExcludedWells(const Plate& plate) {
  std::vector<std::string> names;
  for (const WellRecord& record : plate.wells) {
    const bool allRed = std::all_of(record.quarter.begin(), record.quarter.end(),
                                    [](QuarterColour c) { return c == QuarterColour::Red; });
    if (record.state == 0 && allRed) names.push_back(record.name);
  }
  return names;
}

std::optional<PlateMemory> ReadPlateMemory(const std::string& path) {
  std::error_code missing;
  if (!std::filesystem::exists(path, missing)) return std::nullopt;
  try {
    const nlohmann::json json = nlohmann::json::parse(ReadWholeFile(path));
    PlateMemory memory;
    memory.settingsFile = json.value("settings_file", std::string());
    memory.excludedWells = json.value("excluded_wells", std::vector<std::string>());
    memory.resultsFolder = json.value("results_folder", std::string());
    return memory;
  } catch (const nlohmann::json::exception& e) {
    throw Error("The plate's desktop file '" + path + "' is damaged: " + e.what());
  }
}

void WritePlateMemory(const std::string& path, const PlateMemory& memory) {
  const nlohmann::ordered_json json = {{"settings_file", memory.settingsFile},
                                       {"excluded_wells", memory.excludedWells},
                                       {"results_folder", memory.resultsFolder}};
  WriteFileAtomically(path, json.dump(2) + "\n");
}

}  // namespace vembrel
