#include "cli/analysis_options.h"

#include <charconv>
#include <string>

#include "imaging/zone_fit.h"

namespace vembrel::cli {
namespace {

bool ParseInt(std::string_view text, int& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

void AddFitRadiusOption(CLI::App& command, std::optional<RadiusRange>& range) {
  command
      .add_option_function<std::string>(
          "--fit-radius",
          [&range](const std::string& text) {
            const std::size_t colon = text.find(':');
            RadiusRange parsed;
            if (colon == std::string::npos ||
                !ParseInt(std::string_view(text).substr(0, colon), parsed.minimum) ||
                !ParseInt(std::string_view(text).substr(colon + 1), parsed.maximum) ||
                parsed.minimum < 1 || parsed.maximum > kLargestFitRadius ||
                parsed.minimum > parsed.maximum) {
              throw CLI::ValidationError("--fit-radius",
                                         "'" + text + "' is no range MIN:MAX of radii within 1:" +
                                             std::to_string(kLargestFitRadius));
            }
            range = parsed;
          },
          "Fit the cell-free zone's radius as well as its centre, within MIN:MAX pixels")
      ->type_name("MIN:MAX");
}

CLI::Option* AddRingOption(CLI::App& command, std::optional<Ring>& ring) {
  return command
      .add_option_function<std::string>(
          "--ring",
          [&ring](const std::string& text) {
            Ring parsed;
            const std::size_t first = text.find(',');
            const std::size_t second =
                first == std::string::npos ? std::string::npos : text.find(',', first + 1);
            const std::string_view view(text);
            if (second == std::string::npos || !ParseInt(view.substr(0, first), parsed.x) ||
                !ParseInt(view.substr(first + 1, second - first - 1), parsed.y) ||
                !ParseInt(view.substr(second + 1), parsed.radius)) {
              throw CLI::ValidationError("--ring",
                                         "'" + text + "' is no ring X,Y,R of whole numbers");
            }
            if (const std::string problem = RingPlacementProblem(parsed); !problem.empty()) {
              throw CLI::ValidationError("--ring", "'" + text + "': " + problem);
            }
            ring = parsed;
          },
          "Analyse at this ring instead of fitting one: centre column X, row Y counted from "
          "the bottom of the mosaic, radius R")
      ->type_name("X,Y,R");
}

void AddCutoffsOption(CLI::App& command, CutoffMode& mode) {
  command
      .add_option_function<std::string>(
          "--cutoffs",
          [&mode](const std::string& text) {
            const std::optional<CutoffMode> parsed = CutoffModeFromName(text);
            if (!parsed)
              throw CLI::ValidationError("--cutoffs", "'" + text + "' is not well or plate");
            mode = *parsed;
          },
          "Nucleus cut-offs: well chooses each well's own from its pictures, as suggest "
          "chooses them; plate keeps the settings' for every well (default)")
      ->type_name("well|plate");
}

}  // namespace vembrel::cli
