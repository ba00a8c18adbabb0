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
    const vembrel::CentralSettings s = vembrel::ReadSettingsFile(path);
    // Accepted settings must be usable by the analysis and its controls.
    if (vembrel::FindSettingsProblem(s) || s.Cent_diam < 0 || s.Cent_diam > 1024 ||
        s.Cent_RISI < 1 || s.Cent_COG >= s.Cent_SG || s.Cent_COB >= s.Cent_SB ||
        s.Cent_MINS >= s.Cent_MAXS || s.Cent_Cell_Min < 1 || s.Cent_Cell_Max > 65536) {
      std::abort();
    }
  } catch (const vembrel::Error&) {
  }
  return 0;
}
