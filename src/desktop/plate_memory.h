#pragma once
// What the desktop remembers of a plate between sessions, kept beside its
// results as "<prefix>Vembrel_desktop.json" in the plate's results folder:
// the settings file opened or saved last, the wells the user excluded and
// the folder the batch wrote into last.
#include <optional>
#include <string>
#include <vector>

namespace vembrel {

struct Plate;

struct PlateMemory {
  std::string settingsFile;                // "" when none was opened or saved
  std::vector<std::string> excludedWells;  // well names, plate order
  std::string resultsFolder;               // "" when the batch has not run
  bool operator==(const PlateMemory&) const = default;
};

/// resultsFolder (ending with a separator) + prefix + "Vembrel_desktop.json".
std::string PlateMemoryFileName(const std::string& resultsFolder, const std::string& prefix);
/// The names of the wells that are excluded and could be included again.
std::vector<std::string> ExcludedWells(const Plate& plate);
/// Nothing when the file is missing; Error naming the file when it is damaged.
std::optional<PlateMemory> ReadPlateMemory(const std::string& path);
/// Replaces the file whole (Error naming it when it cannot).
void WritePlateMemory(const std::string& path, const PlateMemory& memory);

}  // namespace vembrel
