#pragma once
// Placeholder of the settings table until the table lands: ids and ranges.
#include <cstdint>

#include "plate/analysis_settings.h"

namespace vembrel {

enum class SettingId {
  GreenCutoff,
  BlueCutoff,
  GreenFullRange,
  BlueFullRange,
  BlueSaturation,
  GreenSaturation,
  RingRadius,
  NucleusGreenCutoff,
  NucleusBlueCutoff,
  NucleusMinimalSize,
  NucleusMaximalSize,
  RingIncrement,
  CellGreenCutoff,
  CellMinimalSize,
  CellMaximalSize,
  CellLengthRatio,
  CellSmoothness,
};

}  // namespace vembrel
