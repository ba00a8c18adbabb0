#pragma once
// Putting the parts of a plate's run together: shards, or the runs of a
// resumed batch, each a results folder with its wells' records and its run
// manifest, become exactly the files one whole run writes.
#include <optional>
#include <string>
#include <vector>

#include "results/plate_files.h"

namespace vembrel {

struct MergeReport {
  std::string summaryFile;
  std::string summaryError;  // "" when the summary was written
  std::vector<PlateFileOutcome> plateFiles;
  int wells = 0;                          // wells taken from the parts
  std::vector<int> unanalysed;            // included wells that no part analysed
  PlateFormat format;                     // the plate's, which names the wells
  std::vector<std::string> failures;      // wells whose analysis failed in their part
  std::vector<std::string> copyFailures;  // wells' files that could not be brought over
  std::string plateMapNote;  // the included wells the plate map leaves out ("" when none)
};

/// Reads the parts' manifests and refuses (UsageError naming the fact and
/// the parts) parts made with different settings, layouts, plates or
/// pictures; then brings every analysed well's files and record into
/// resultsFolder and writes the summary and the plate's other files as the
/// whole run would, read through the plate map when one is given. Holds
/// resultsFolder's lock while it writes.
MergeReport MergeParts(const std::vector<std::string>& parts, const std::string& resultsFolder,
                       bool workbook, const std::string& commandLine, bool waitForFolder = false,
                       const std::optional<MapRequest>& plateMap = std::nullopt);

}  // namespace vembrel
