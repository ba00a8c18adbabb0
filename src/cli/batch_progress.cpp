#include "cli/batch_progress.h"

#include <cmath>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>

#include "plate/well_names.h"

namespace vembrel::cli {

ProgressStyle ProgressStyleOf(const std::string& option, bool terminal) {
  if (option == "json") return ProgressStyle::Json;
  if (option == "none") return ProgressStyle::None;
  if (option == "line") return ProgressStyle::Line;
  return terminal ? ProgressStyle::Line : ProgressStyle::None;
}

std::string ProgressLine(const BatchProgress& progress, double elapsedSeconds) {
  constexpr int kWidth = 30;
  const int filled = progress.total > 0 ? progress.done * kWidth / progress.total : kWidth;
  std::ostringstream line;
  line << "[" << std::string(filled, '#') << std::string(kWidth - filled, '.') << "] "
       << progress.done << "/" << progress.total << " wells";
  if (elapsedSeconds > 0 && progress.done > 0) {
    const double rate = progress.done / elapsedSeconds;
    const double left = (progress.total - progress.done) / rate;
    line.setf(std::ios::fixed);
    line.precision(1);
    line << ", " << rate << " wells/s, " << static_cast<long>(std::ceil(left)) << " s left";
  }
  return line.str();
}

std::function<void(const BatchProgress&)> ProgressReporter(ProgressStyle style) {
  switch (style) {
    case ProgressStyle::None:
      return {};
    case ProgressStyle::Json:
      return [](const BatchProgress& p) {
        nlohmann::ordered_json line = {{"done", p.done},
                                       {"total", p.total},
                                       {"well", p.wellName},
                                       {"ms", std::lround(p.milliseconds)}};
        if (p.reused) line["reused"] = true;
        std::cerr << line.dump() << "\n" << std::flush;
      };
    case ProgressStyle::Line:
      break;
  }
  const auto began =
      std::make_shared<std::chrono::steady_clock::time_point>(std::chrono::steady_clock::now());
  return [began](const BatchProgress& p) {
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - *began).count();
    // Padded, so a shorter line covers a longer one before it.
    std::cerr << "\r" << ProgressLine(p, elapsed) << "   " << std::flush;
  };
}

}  // namespace vembrel::cli
