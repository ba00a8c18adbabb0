// The settings file reader on arbitrary bytes: it either returns settings
// inside their ranges or throws vembrel::Error, never anything else.
#include <cstdint>
#include <cstdlib>

#include "core/error.h"
#include "fuzz_support.h"
#include "plate/settings_check.h"
#include "plate/settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = vembrel::fuzz::WriteInputFile(data, size, ".VLS");
  try {
    const vembrel::AnalysisSettings s = vembrel::ReadSettingsFile(path);
    // Accepted settings must be usable by the analysis and its controls.
    if (vembrel::FindSettingsProblem(s) || s.ring.radius < 0 || s.ring.radius > 1024 ||
        s.ring.increment < 1 || s.display.green.cutoff >= s.display.green.saturation ||
        s.display.blue.cutoff >= s.display.blue.saturation ||
        s.nuclei.minimalSize >= s.nuclei.maximalSize || s.cells.minimalSize < 1 ||
        s.cells.maximalSize > 65536) {
      std::abort();
    }
  } catch (const vembrel::Error&) {
  }
  return 0;
}
