#pragma once
// The plate heatmaps of a run's results (render/plate_heatmap.h): one panel
// per heatmap measure of the measure table (immigrant nuclei, average
// distance and total nuclei, and cells kept at cell level).
#include <string>

#include "engine/plate_results.h"
#include "render/plate_heatmap.h"

namespace vembrel {

struct Plate;

/// results folder + plate prefix + "Vembrel_plate.png".
std::string PlateHeatmapFileName(const std::string& resultsFolder, const std::string& platePrefix);

/// The panels and well marks: wells not included are excluded, included
/// wells without results failed, wells with quality notes flagged.
HeatmapPlate PlateHeatmapOf(const Plate& plate, const PlateResults& results, bool cellLevel);

}  // namespace vembrel
