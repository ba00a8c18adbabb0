// The settings file reader on arbitrary bytes: it either returns settings the
// analysis can use, which the writer writes back to the same settings, or
// throws vembrel::Error with a short message, never anything else.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/error.h"
#include "fuzz_support.h"
#include "plate/settings_file.h"
#include "plate/settings_table.h"

namespace {

bool SameAfterWriting(const vembrel::AnalysisSettings& a, const vembrel::AnalysisSettings& b) {
  using namespace vembrel;
  for (const SettingDescriptor& setting : AllSettings()) {
    const SettingValue x = GetSetting(a, setting.id);
    const SettingValue y = GetSetting(b, setting.id);
    if (setting.type != SettingType::Decimal) {
      if (x != y) return false;
      continue;
    }
    // Decimals are written with 15 significant digits.
    const double dx = std::get<double>(x);
    const double dy = std::get<double>(y);
    if (std::fabs(dx - dy) > 1e-14 * std::fmax(std::fabs(dx), 1.0)) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = vembrel::fuzz::WriteInputFile(data, size, ".VLS");
  vembrel::AnalysisSettings s;
  try {
    s = vembrel::ReadSettingsFile(path);
  } catch (const vembrel::Error& e) {
    // The path, a key, at most 80 characters of the text and a short reason.
    if (std::string(e.what()).size() > path.size() + 200) std::abort();
    return 0;
  }
  if (size > vembrel::kSettingsFileLimit || vembrel::FindSettingProblem(s) || s.ring.radius < 1 ||
      s.ring.radius > 1024 || s.ring.increment < 1 ||
      s.display.green.cutoff >= s.display.green.saturation ||
      s.display.blue.cutoff >= s.display.blue.saturation ||
      s.nuclei.minimalSize >= s.nuclei.maximalSize || s.cells.minimalSize > s.cells.maximalSize ||
      s.cells.minimalSize < 1 || s.cells.maximalSize > 65536) {
    std::abort();
  }
  vembrel::WriteSettingsFile(path, s);
  if (!SameAfterWriting(vembrel::ReadSettingsFile(path), s)) std::abort();
  return 0;
}
