#pragma once
// The report page: one self-contained HTML page a person opens after a run.
// It shows the plate heatmaps, a table of the included wells (sortable by
// clicking a column header; inline script only, nothing fetched; each well
// linked to its whole-well picture), each well's ring-crop snapshot, density
// profile as a small chart and quality notes, each well in detail (its
// picture, density profile and migration distances as charts with axes), and
// the settings and facts of the run, made from the plate, its results and the
// run's facts as values. Pictures are linked by paths relative to the page.
#include <string>

#include "engine/plate_results.h"
#include "results/run_manifest.h"

namespace vembrel {

struct Plate;

/// results folder + plate prefix + "Vembrel_report.html".
std::string ReportPageFileName(const std::string& resultsFolder, const std::string& platePrefix);

/// The pages' style sheet, with the rules of the plate map's charts when asked.
std::string ReportStyle(bool mapCharts);

/// Text with &, <, >, " and ' as character references, bytes outside UTF-8 as U+FFFD.
std::string HtmlEscaped(std::string_view text);

/// A relative path as a URL path: bytes other than letters, digits and
/// "-._~/" percent-encoded.
std::string UrlPath(std::string_view path);

/// The density profile as a small inline SVG bar chart (cells / area per
/// ring, scaled to the densest); "" without a profile.
std::string DensitySvg(const WellResults& well);

/// The density profile as an inline SVG bar chart with labelled axes: the
/// nuclei per area of each ring beyond the cell-free zone over the distance
/// from the ring's centre, in pixels, or in micrometres and per square
/// millimetre when the well has a pixel size. "" without a profile.
std::string DensityProfileSvg(const WellResults& well);

/// The immigrant nuclei's migration distances (from the ring's edge inwards)
/// as an inline SVG histogram with labelled axes: ten bins of equal width
/// from 0 to the ring's radius. "" without immigrants.
std::string MigrationHistogramSvg(const WellResults& well);

/// The page. heatmapFile is the plate heatmap's name beside the page ("" for
/// none); a link "#sort=COLUMN" (or "#sort=COLUMN-desc") opens the well
/// table sorted by that column's key (well, nuclei, average_distance, ...).
/// mapSections (the plate map's sections, HTML) stand after the heatmaps.
std::string ReportPage(const Plate& plate, const PlateResults& results, const RunFacts& facts,
                       const std::string& heatmapFile, const std::string& mapSections = "");

}  // namespace vembrel
