#pragma once
// The command-line batch shared by `vembrel batch` and `vembrel demo`.
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <ostream>
#include <string>

#include "cli/plate_map_options.h"
#include "core/error.h"
#include "engine/well_session.h"
#include "plate/plate.h"

namespace vembrel::cli {

struct BatchOptions {
  std::string picture;  // any picture of the plate, or its folder
  PlateOpenOptions plate;
  std::string settings;  // "" for the defaults
  std::string results;   // "" for the folder beside the picture folder
  int jobs = 0;          // 0: DefaultJobCount() (cores, bounded by memory)
  bool cells = false;
  bool noWorkbook = false;
  // Each well's own nucleus cut-offs, or the plate's.
  CutoffMode cutoffs = CutoffMode::Plate;
  bool wait = false;                     // wait for another run to leave the results folder
  bool strict = false;                   // fields left black make the run fail
  bool json = false;                     // each well's results as a JSON line on out
  std::optional<RadiusRange> fitRadius;  // fit each well's zone size in this range
  std::string wells;                     // "A01-A12,C05": only these wells ("" for all)
  std::string shard;                     // "I/N": the I-th of N interleaved parts ("" for all)
  bool resume = false;                   // reuse the records an earlier run left
  bool zoneCoverage = false;             // measure each well's zone coverage too
  std::string rings;  // rings file of reviewed rings, "none", or "" for the results folder's
  std::string progress = "auto";  // line, json, none or auto
  PlateMapOptions plateMap;       // the map the results are read through
};

/// A bad option or an unusable plate: the command exits with code 2.
using vembrel::UsageError;

/// Runs the batch and prints the closing line to out, and after it a line
/// naming what failed (the progress bar and each problem go to stderr).
/// With json, out gets one JSON object per well instead, in plate order
/// (the results as `vembrel well --json` prints them, or the well and its
/// "error"), and the closing lines go to stderr.
/// Returns 0 when everything was analysed and written, 1 when a well, a file
/// or (with strict) a field failed. Throws UsageError for bad options,
/// unusable plates and a results folder in use.
int RunBatchCommand(const BatchOptions& options, std::ostream& out);

/// What the plate map says of a well, by variable; unset ones are null.
nlohmann::ordered_json MapVariablesJson(const MappedPlate& map, int well);

/// Opens the plate of a picture or folder for a command: a path that does
/// not exist or holds no plate is a UsageError naming it.
Plate OpenPlateForCommand(const std::string& pictureOrFolder, const PlateOpenOptions& options);

/// Sets exitCode from RunBatchCommand, or to 2 before a UsageError goes on.
void RunBatchCommandWithExitCode(const BatchOptions& options, std::ostream& out, int& exitCode);

}  // namespace vembrel::cli
