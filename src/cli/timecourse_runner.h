#pragma once
// The time course run shared by `vembrel timecourse` and `vembrel batch`
// given several plates or --hours.
#include <optional>
#include <string>
#include <vector>

#include "cli/plate_map_options.h"
#include "engine/well_session.h"
#include "plate/plate.h"

namespace vembrel::cli {

/// What the command line asks of a time course.
struct TimeCourseCommandOptions {
  std::vector<std::string> plates;
  PlateOpenOptions plate;
  std::optional<RadiusRange> fitRadius;
  std::string hours;
  std::optional<int> ringDrift;
  std::string settings;
  std::string results;
  std::string wells;
  std::string shard;  // "I/N": the I-th of N interleaved parts of the wells ("" for all)
  int jobs = 0;
  bool cells = false;
  bool wait = false;
  bool noWorkbook = false;
  bool json = false;              // each well's results at each time point as a JSON line on stdout
  bool resume = false;            // reuse the records earlier runs left per time point
  std::string rings;              // reviewed rings file, "none", or "" for the results folder's
  std::string progress = "auto";  // line, json, none or auto
  std::string heatmap = "zone_coverage:t_half";  // the kinetic the page's heatmap shows
  PlateMapOptions plateMap;
};

/// Follows the wells over the time points, runs each time point's batch
/// into a folder of its own and writes the time course and kinetics tables;
/// prints the closing line to stdout. Returns 0 when all was
/// analysed and written, 1 otherwise; throws UsageError for bad input.
int RunTimeCourseCommand(const TimeCourseCommandOptions& options);

}  // namespace vembrel::cli
