#include "plate/settings_file.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>

#include "core/convert.h"
#include "core/error.h"
#include "core/text_file.h"
#include "plate/settings_check.h"

namespace vembrel {
namespace {

// Integers are written as their 32 bits read as a non-negative number.
std::string UnsignedText(std::int32_t value) {
  return std::to_string(static_cast<std::uint32_t>(value));
}

// " 3.00000000000000E+0000": sign or space, 15 significant digits, a signed
// four-digit exponent, always with ".".
std::string ScientificText(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.14E", std::fabs(value));
  std::string text(buffer);
  const std::size_t e = text.find('E');
  if (e == std::string::npos) return text;  // inf or nan: no exponent to widen
  const char sign = text[e + 1];
  std::string digits = text.substr(e + 2);
  while (digits.size() < 4) digits.insert(0, "0");
  return (std::signbit(value) ? "-" : " ") + text.substr(0, e) + "E" + sign + digits;
}

// The value line after the first key line, or nothing when the key is
// missing or its line is the last one.
std::optional<std::string> FindValue(const std::vector<std::string>& lines,
                                     const std::string& key) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    const std::size_t bracket = line.find('[');
    const std::size_t start = bracket == std::string::npos ? 0 : bracket + 1;
    if (line.compare(start, key.size(), key) == 0 && line.size() - start >= key.size()) {
      if (i + 1 == lines.size()) return std::nullopt;
      return lines[i + 1];
    }
  }
  return std::nullopt;
}

}  // namespace

std::vector<std::string> SettingsFileLines(const AnalysisSettings& s) {
  const auto flag = [](bool value) { return std::string(value ? "TRUE" : "FALSE"); };
  return {
      "[Cent_COG - Cutoff Green in Blue/Green Tab]",
      UnsignedText(s.display.green.cutoff),
      "[Cent_COB - Cutoff Blue in Blue/Green Tab]",
      UnsignedText(s.display.blue.cutoff),
      "[Cent_KFRG - Stretch Green in Blue/Green Tab]",
      flag(s.display.green.fullRange),
      "[Cent_KFRb - Stretch Blue in Blue/Green Tab]",
      flag(s.display.blue.fullRange),
      "[Cent_SB - Saturation Blue in Blue/Green Tab]",
      UnsignedText(s.display.blue.saturation),
      "[Cent_SG - Saturation Green in Blue/Green Tab]",
      UnsignedText(s.display.green.saturation),
      "[Cent_diam - Radius of circle in Green Tab]",
      UnsignedText(s.ring.radius),
      "[Cent_LCG - Cutoff Green in Immigrated cells Tab]",
      UnsignedText(s.nuclei.greenCutoff),
      "[Cent_LCB - Cutoff Blue in Immigrated cells Tab]",
      UnsignedText(s.nuclei.blueCutoff),
      "[Cent_MINS - Minimal nucleus size in Immigrated cells Tab]",
      UnsignedText(s.nuclei.minimalSize),
      "[Cent_MAXS - Maximal nucleus size in Immigrated cells Tab]",
      UnsignedText(s.nuclei.maximalSize),
      "[Cent_RISI - Increments of ring size in Immigrated cells Tab]",
      UnsignedText(s.ring.increment),
      "[Cent_Cell_GCO - Blacked out Green in Cells Tab]",
      UnsignedText(s.cells.greenCutoff),
      "[Cent_Cell_Min - Minimal Cellular size in Cells Tab]",
      UnsignedText(s.cells.minimalSize),
      "[Cent_Cell_Max - Max Cellular size in Cells Tab]",
      UnsignedText(s.cells.maximalSize),
      "[Cent_Cell_Ratio - Ratio between cell length and width in Cells Tab]",
      ScientificText(s.cells.lengthRatio),
      "[Cent_Cell_Coeff - Coeff of smoothness in Cells Tab]",
      ScientificText(s.cells.smoothness),
  };
}

void WriteSettingsFile(const std::string& path, const AnalysisSettings& settings) {
  AtomicTextFile file(path);
  for (const std::string& line : SettingsFileLines(settings)) file.line(line);
  file.commit();
}

std::string WithSettingsExtension(const std::string& chosenName) {
  const std::size_t nameStart = chosenName.find_last_of("/\\:");
  const std::size_t dot = chosenName.rfind('.');
  const bool hasExtension =
      dot != std::string::npos && (nameStart == std::string::npos || dot > nameStart);
  return hasExtension ? chosenName : chosenName + ".VLS";
}

std::string SettingsReadValue(const std::vector<std::string>& lines, const std::string& key) {
  return FindValue(lines, key).value_or(key);
}

AnalysisSettings ReadSettingsFile(const std::string& path) {
  const std::vector<std::string> lines = SplitLines(ReadWholeFile(path));
  const std::string where = "Settings file '" + path + "': ";
  std::map<std::string, std::string> texts;  // the text each value came from

  AnalysisSettings s;
  const auto integer = [&](const char* key, std::int32_t& target,
                           std::optional<std::int32_t> fallback) {
    const std::optional<std::string> text = FindValue(lines, key);
    if (!text) {
      if (!fallback) throw Error(where + "key " + key + " is missing");
      target = *fallback;
      texts[key] = std::to_string(*fallback);
      return;
    }
    try {
      target = StrToInt(*text);
    } catch (const ConversionError& e) {
      throw Error(where + key + ": " + e.what());
    }
    texts[key] = *text;
  };
  const auto real = [&](const char* key, double& target, double fallback) {
    const std::optional<std::string> text = FindValue(lines, key);
    if (!text) {
      target = fallback;
      texts[key] = FloatToText(fallback);
      return;
    }
    try {
      target = StrToFloat(*text);
    } catch (const ConversionError& e) {
      throw Error(where + key + ": " + e.what());
    }
    texts[key] = *text;
  };

  integer("Cent_COG", s.display.green.cutoff, std::nullopt);
  integer("Cent_COB", s.display.blue.cutoff, std::nullopt);
  integer("Cent_SB", s.display.blue.saturation, std::nullopt);
  integer("Cent_SG", s.display.green.saturation, std::nullopt);
  integer("Cent_LCG", s.nuclei.greenCutoff, std::nullopt);
  integer("Cent_LCB", s.nuclei.blueCutoff, std::nullopt);
  integer("Cent_diam", s.ring.radius, std::nullopt);
  integer("Cent_MINS", s.nuclei.minimalSize, std::nullopt);
  integer("Cent_MAXS", s.nuclei.maximalSize, std::nullopt);
  integer("Cent_RISI", s.ring.increment, std::nullopt);
  s.display.green.fullRange = FindValue(lines, "Cent_KFRG").value_or("") == "TRUE";
  s.display.blue.fullRange = FindValue(lines, "Cent_KFRb").value_or("") == "TRUE";
  integer("Cent_Cell_GCO", s.cells.greenCutoff, 40);
  integer("Cent_Cell_Min", s.cells.minimalSize, 30);
  integer("Cent_Cell_Max", s.cells.maximalSize, 2000);
  real("Cent_Cell_Ratio", s.cells.lengthRatio, 3.0);
  real("Cent_Cell_Coeff", s.cells.smoothness, 0.75);

  if (const auto problem = FindSettingsProblem(s)) {
    throw Error(where + problem->key + " value '" + texts[problem->key] + "' " + problem->reason);
  }
  return s;
}

}  // namespace vembrel
