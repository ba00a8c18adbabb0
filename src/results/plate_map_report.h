#pragma once
// The report page's sections for a plate map, drawn as inline SVG (nothing
// fetched): the plate coloured by condition with a legend and each well's
// variables as its hover text, the plate quality table with verdicts, each
// readout per condition as points with mean +- SD, and each dose-response
// curve with its points on a logarithmic concentration axis, IC50 marked.
#include <string>

#include "results/plate_statistics.h"

namespace vembrel {

/// The sections' HTML (each starts with an <h2>).
std::string PlateMapReportSections(const MappedPlate& map, const PlateAnalysis& analysis);

/// The dose-response charts (each an inline SVG in a figure).
std::string DoseResponseCharts(const std::vector<DoseResponseRow>& rows);

/// Tick values for an axis from low to high: 4 to 10 round numbers
/// (1, 2 or 5 times a power of ten apart) within the range.
std::vector<double> AxisTicks(double low, double high);

}  // namespace vembrel
