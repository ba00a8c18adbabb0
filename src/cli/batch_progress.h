#pragma once
// How `vembrel batch` tells how far it is: a progress line on a terminal,
// one JSON object per well for schedulers and logs, or nothing.
#include <chrono>
#include <functional>
#include <string>

#include "results/batch_run.h"

namespace vembrel::cli {

enum class ProgressStyle { Line, Json, None };

/// "line", "json" or "none"; "auto" is a line on a terminal and nothing elsewhere.
ProgressStyle ProgressStyleOf(const std::string& option, bool terminal);

/// The reporter for a batch's progress in the style, writing to stderr.
std::function<void(const BatchProgress&)> ProgressReporter(ProgressStyle style);

/// One progress line: "[####......]  12/93 wells, 8.1 wells/s, 10 s left".
std::string ProgressLine(const BatchProgress& progress, double elapsedSeconds);

}  // namespace vembrel::cli
