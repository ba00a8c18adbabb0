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

}  // namespace vembrel::cli
