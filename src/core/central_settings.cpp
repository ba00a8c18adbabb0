#include "core/central_settings.h"

namespace vembrel {

WellSettingsRow ToWellSettingsRow(const CentralSettings& s) {
  // long double is the 80-bit extended type on x86-64 with GCC.
  const auto ratio = static_cast<std::int32_t>(static_cast<long double>(s.Cent_Cell_Ratio) * 10);
  const auto coeff = static_cast<std::int32_t>(static_cast<long double>(s.Cent_Cell_Coeff) * 100);
  return {s.Cent_COG,      s.Cent_SG,       s.Cent_COB,      s.Cent_SB,   s.Cent_diam, s.Cent_KFRG,
          s.Cent_KFRb,     s.Cent_LCG,      s.Cent_LCB,      s.Cent_MINS, s.Cent_MAXS, s.Cent_RISI,
          s.Cent_Cell_GCO, s.Cent_Cell_Min, s.Cent_Cell_Max, ratio,       coeff};
}

}  // namespace vembrel
