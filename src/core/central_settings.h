#pragma once
// The 17 universal settings and the per-well settings rows.
#include <array>
#include <cstdint>

namespace vembrel {

/// Universal settings, in the order of the settings file, with their defaults.
struct CentralSettings {
  std::int32_t Cent_COG = 10;
  std::int32_t Cent_COB = 10;
  bool Cent_KFRG = true;
  bool Cent_KFRb = true;
  std::int32_t Cent_SB = 155;
  std::int32_t Cent_SG = 255;
  std::int32_t Cent_diam = 350;
  std::int32_t Cent_LCG = 100;
  std::int32_t Cent_LCB = 100;
  std::int32_t Cent_MINS = 10;
  std::int32_t Cent_MAXS = 255;
  std::int32_t Cent_RISI = 50;
  std::int32_t Cent_Cell_GCO = 40;
  std::int32_t Cent_Cell_Min = 30;
  std::int32_t Cent_Cell_Max = 2000;
  double Cent_Cell_Ratio = 3.0;
  double Cent_Cell_Coeff = 0.75;

  bool operator==(const CentralSettings&) const = default;
};

/// One row of WellSettings: 0 COG, 1 SG, 2 COB, 3 SB, 4 diam, 5 KFRG, 6 KFRb,
/// 7 LCG, 8 LCB, 9 MINS, 10 MAXS, 11 RISI, 12 Cell_GCO, 13 Cell_Min,
/// 14 Cell_Max, 15 Ratio x 10 truncated, 16 Coeff x 100 truncated.
using WellSettingsRow = std::array<std::int32_t, 17>;
inline constexpr int kNuclearColumns = 12;  // columns 0..11; 12..16 are cell shape
inline constexpr int kBatchSnapshotRow = 96;

/// Row from the universal settings. The float products are formed in extended
/// precision, so 2.9 x 10 truncates to 28 and 0.29 x 100 to 28.
WellSettingsRow ToWellSettingsRow(const CentralSettings& settings);

}  // namespace vembrel
