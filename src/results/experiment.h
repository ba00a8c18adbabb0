#pragma once
// Several plates, one experiment: finished plate runs, each read through
// the plate map its run recorded, pooled into per-plate quality and into
// conditions and dose-response fits per plate and over all plates.
#include <string>
#include <vector>

namespace vembrel {

struct ExperimentReport {
  std::vector<std::string> plates;  // the plates' labels, in the order given
  std::vector<std::string> files;   // written
  /// Conditions that two plates' maps name differently, one note each.
  std::vector<std::string> namingNotes;
};

/// Reads each run's manifest, its plate map (from the file the manifest
/// names, which must still have the recorded fingerprint) and its wells'
/// records, then writes into resultsFolder (ending with a separator)
/// Vembrel_experiment_plate_quality.csv, Vembrel_experiment_conditions.csv
/// and Vembrel_experiment_dose_response.csv (each with `plate` first; the
/// rows over all plates have the plate "all"), Vembrel_experiment.xlsx
/// (unless workbook is false) and Vembrel_experiment_report.html. Throws
/// UsageError (before writing anything) for a folder without a finished
/// whole-plate run, a run without a plate map, or a map that changed.
ExperimentReport PoolExperiment(const std::vector<std::string>& runFolders,
                                const std::string& resultsFolder, bool workbook);

}  // namespace vembrel
