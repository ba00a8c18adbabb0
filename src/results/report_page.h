#pragma once
// The report page: one self-contained HTML page a person opens after a run.
// It shows the plate heatmaps, a table of the included wells (sortable by
// clicking a column header; inline script only, nothing fetched), each
// well's ring-crop snapshot, density profile as a small chart and quality
// notes, and the settings and facts of the run manifest. Pictures are
// linked by paths relative to the page.
#include <nlohmann/json.hpp>
#include <string>

#include "engine/plate_results.h"

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

/// The page. heatmapFile is the plate heatmap's name beside the page ("" for
/// none); a link "#sort=COLUMN" (or "#sort=COLUMN-desc") opens the well
/// table sorted by that column's key (well, nuclei, average_distance, ...).
/// mapSections (the plate map's sections, HTML) stand after the heatmaps.
std::string ReportPage(const Plate& plate, const PlateResults& results,
                       const nlohmann::ordered_json& manifest, const std::string& heatmapFile,
                       const std::string& mapSections = "");

}  // namespace vembrel
