#include "results/report_page.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>

#include "core/date_text.h"
#include "core/name_text.h"
#include "engine/analysed_well.h"
#include "plate/plate.h"
#include "plate/settings_table.h"
#include "plate/well_names.h"
#include "results/measure_table.h"
#include "results/result_tables.h"
#include "results/table.h"

namespace vembrel {
namespace {

constexpr const char* kStyle = R"(
body { font-family: sans-serif; margin: 1.5em; color: #222; }
h1 { font-size: 1.5em; } h2 { font-size: 1.2em; margin-top: 1.5em; }
table { border-collapse: collapse; }
th, td { border: 1px solid #bbb; padding: 3px 6px; vertical-align: middle; }
th { background: #eee; text-align: left; }
#wells th { cursor: pointer; user-select: none; }
#wells th.sorted-asc::after { content: " \25B2"; }
#wells th.sorted-desc::after { content: " \25BC"; }
#wells td.number { text-align: right; }
td.qc { color: #b35900; }
tr.failed td { background: #f3f3f3; color: #900; }
img.heatmap { max-width: 100%; border: 1px solid #ccc; }
img.crop { width: 96px; height: 96px; }
svg.density rect { fill: #3b528b; }
svg.profile rect, svg.histogram rect { fill: #3b528b; }
svg .axis { stroke: #444; stroke-width: 1; }
svg text.tick { font-size: 10px; fill: #444; }
svg text.label { font-size: 11px; fill: #222; }
section.detail { display: inline-block; vertical-align: top; margin: 0 1em 1.5em 0; }
section.detail svg { display: block; margin-top: 0.5em; }
img.well { width: 256px; height: 256px; border: 1px solid #ccc; }
.facts th { width: 12em; }
)";

// The plate map's charts and tables; only on pages that show them.
constexpr const char* kMapStyle = R"(
svg text { font-size: 11px; fill: #333; }
svg .axis { stroke: #555; } svg .grid { stroke: #e4e4e4; }
svg .sd, svg .mean { stroke: #111; stroke-width: 1.5; } svg .mean { stroke-width: 2.5; }
svg.dose .point { fill: #1f77b4; fill-opacity: 0.8; }
svg .curve { fill: none; stroke: #d62728; stroke-width: 2; }
svg .ic50 { stroke: #d62728; stroke-dasharray: 4 3; } svg text.title { font-weight: bold; }
svg.platemap circle { stroke: #666; stroke-width: 0.5; }
ul.legend { list-style: none; padding: 0; display: flex; flex-wrap: wrap; gap: 4px 16px; }
span.swatch { display: inline-block; width: 12px; height: 12px; margin-right: 5px;
  border: 1px solid #666; vertical-align: -1px; }
div.charts { display: flex; flex-wrap: wrap; gap: 8px 24px; } figure.chart { margin: 0; }
td.verdict.excellent { background: #d8f0d0; } td.verdict.marginal { background: #fbefc4; }
td.verdict.unusable { background: #f6d0cc; }
)";

// Sorts the well table by a clicked header: numbers by value (data-value),
// other cells by text; cells without a value stay last.
constexpr const char* kScript = R"(
(function () {
  var table = document.getElementById('wells');
  if (!table) return;
  var heads = table.tHead.rows[0].cells;
  function key(cell) {
    var value = cell.getAttribute('data-value');
    if (value === null) return cell.textContent;
    return value === '' ? null : parseFloat(value);
  }
  function sortBy(index, descending) {
    var body = table.tBodies[0];
    var rows = Array.prototype.slice.call(body.rows);
    rows.sort(function (a, b) {
      var x = key(a.cells[index]), y = key(b.cells[index]);
      if (x === null || y === null) return x === y ? 0 : x === null ? 1 : -1;
      var order = x < y ? -1 : x > y ? 1 : 0;
      return descending ? -order : order;
    });
    rows.forEach(function (row) { body.appendChild(row); });
    for (var i = 0; i < heads.length; ++i) heads[i].className = '';
    heads[index].className = descending ? 'sorted-desc' : 'sorted-asc';
    table.setAttribute('data-sorted', heads[index].getAttribute('data-key') +
                       (descending ? '-desc' : ''));
  }
  Array.prototype.forEach.call(heads, function (head, index) {
    head.addEventListener('click', function () {
      sortBy(index, head.className === 'sorted-asc');
    });
  });
  var wanted = /^#sort=([a-z_]+?)(-desc)?$/.exec(window.location.hash);
  if (wanted) {
    Array.prototype.forEach.call(heads, function (head, index) {
      if (head.getAttribute('data-key') === wanted[1]) sortBy(index, !!wanted[2]);
    });
  }
})();
)";

std::string Cell(const std::string& text, const std::string& attributes = "") {
  return "<td" + attributes + ">" + HtmlEscaped(text) + "</td>";
}

std::string NumberCell(const std::optional<double>& value, const std::string& text) {
  if (!value) return "<td class=\"number\" data-value=\"\"></td>";
  return "<td class=\"number\" data-value=\"" + ExactDecimalText(*value) + "\">" +
         HtmlEscaped(text) + "</td>";
}

// A number with three significant digits ("0.0594", "25", "12.5"), whole
// numbers from 1000 on ("2087").
std::string ShortNumber(double value) {
  char text[32];
  std::snprintf(text, sizeof text, std::fabs(value) >= 1000 ? "%.0f" : "%.3g", value);
  return text;
}

std::string NumberCell(std::int64_t value) {
  return NumberCell(static_cast<double>(value), std::to_string(value));
}

// The settings by their dotted names, in the settings file's order.
std::string SettingsRows(const AnalysisSettings& settings) {
  struct Visitor {
    std::string operator()(std::int32_t n) const { return std::to_string(n); }
    std::string operator()(bool b) const { return b ? "true" : "false"; }
    std::string operator()(double d) const { return ExactDecimalText(d); }
  };
  std::string rows;
  for (const SettingDescriptor& setting : AllSettings()) {
    rows += "<tr><th>" + HtmlEscaped(setting.name) + "</th>" +
            Cell(std::visit(Visitor{}, GetSetting(settings, setting.id))) + "</tr>\n";
  }
  return rows;
}

std::string FactRow(const std::string& name, const std::string& value) {
  return "<tr><th>" + HtmlEscaped(name) + "</th>" + Cell(value) + "</tr>\n";
}

std::string FactsTable(const Plate& plate, const PlateResults& results, const RunFacts& facts) {
  int included = 0, analysed = 0, flagged = 0;
  std::size_t inputs = 0;
  for (int w = 0; w < results.format.wellCount(); ++w) {
    included += plate.wells[w].state == 1 ? 1 : 0;
    if (const auto& r = results.wells[w]) {
      ++analysed;
      flagged += r->quality.empty() ? 0 : 1;
      inputs += r->inputs.size();
    }
  }
  const std::time_t measured =
      plate.measurementDate > 0 ? TimeFromDateTime(plate.measurementDate) : -1;
  std::string rows;
  rows += FactRow("Plate folder", plate.path);
  rows += FactRow("Layout", plate.layoutDescription);
  rows += FactRow("Input bits",
                  std::to_string(plate.inputBits) + (plate.inputBitsDetected ? " (detected)" : ""));
  rows += FactRow("Pixel size", plate.pixelSize
                                    ? ExactDecimalText(plate.pixelSize->micrometres) +
                                          " \xC2\xB5m (from " + plate.pixelSize->source + ")"
                                    : "not known: measures in pixels");
  rows += FactRow("Measurement date", measured != -1 ? IsoDateTimeText(measured) : "");
  rows += FactRow("Program", "vembrel " + ProgramVersion());
  rows += FactRow("Command line", facts.commandLine);
  rows += FactRow("Started", IsoDateTimeText(facts.started));
  rows += FactRow("Ended", IsoDateTimeText(facts.ended));
  rows += FactRow("Cell level", facts.cellLevel ? "yes" : "no");
  rows += FactRow("Wells included", std::to_string(included));
  rows += FactRow("Wells analysed", std::to_string(analysed));
  rows += FactRow("Wells failed", std::to_string(facts.failures.size()));
  rows += FactRow("Wells flagged", std::to_string(flagged));
  rows += FactRow("Input pictures",
                  std::to_string(inputs) + " (sizes and fingerprints in the run manifest)");
  for (const std::string& note : plate.notes) rows += FactRow("Plate note", note);
  return "<table class=\"facts\">\n" + rows + "</table>\n";
}

// A measure's cell of the well table: numbers sortable by their value,
// doubles to three significant digits, quality notes joined by commas, the
// ring as its centre and radius.
std::string MeasureCell(const MeasureDescriptor& measure, const WellResults& r) {
  if (measure.type == MeasureType::Notes) return Cell(QualityNotesText(r, ", "), " class=\"qc\"");
  if (measure.column == "ring_radius") {
    return NumberCell(r.ring.radius, std::to_string(r.ring.x) + ", " + std::to_string(r.ring.y) +
                                         ", " + std::to_string(r.ring.radius));
  }
  const TableValue value = measure.read(r, 0);
  if (const auto* count = std::get_if<std::int64_t>(&value)) return NumberCell(*count);
  if (const auto* decimal = std::get_if<double>(&value)) {
    return NumberCell(*decimal, ShortNumber(*decimal));
  }
  if (const auto* text = std::get_if<std::string>(&value)) return Cell(*text);
  return NumberCell(std::nullopt, "");
}

std::string WellsTableHtml(const Plate& plate, const PlateResults& results, const RunFacts& facts) {
  struct Column {
    std::string key;
    std::string title;
  };
  // The report's measures of the measure table, in its order, then the pictures.
  MeasureConditions conditions;
  for (const auto& r : results.wells) {
    if (r) conditions.add(*r);
  }
  conditions.cellLevel = facts.cellLevel;
  const auto measures = MeasuresOf(MeasureLevel::Well, conditions, kInReport);
  std::vector<Column> columns = {{"well", "Well"}};
  for (const MeasureDescriptor* m : measures) {
    std::string title(m->caption);
    if (m->column == "ring_radius") title = "Ring (x, y, radius)";
    if (m->shown == MeasureShown::PixelSize) title += " (" + std::string(m->unit) + ")";
    columns.push_back({std::string(m->column), std::move(title)});
  }
  columns.push_back({"density", "Density profile"});
  columns.push_back({"snapshot", "Ring crop"});

  std::string html = "<table id=\"wells\">\n<thead><tr>";
  for (const Column& column : columns) {
    html += "<th data-key=\"" + column.key + "\">" + HtmlEscaped(column.title) + "</th>";
  }
  html += "</tr></thead>\n<tbody>\n";
  std::map<int, std::string> failures;
  for (const RunFacts::Failure& failure : facts.failures) failures[failure.well] = failure.message;
  for (int w = 0; w < results.format.wellCount(); ++w) {
    if (plate.wells[w].state != 1 && !results.wells[w]) continue;
    const std::string name = WellName(w, results.format);
    const auto& r = results.wells[w];
    if (!r) {
      const auto failure = failures.find(w);
      html += "<tr class=\"failed\" id=\"well-" + name + "\">" +
              Cell(name, " data-value=\"" + std::to_string(w) + "\"") + "<td colspan=\"" +
              std::to_string(columns.size() - 1) + "\">" +
              HtmlEscaped(failure != failures.end() ? failure->second : "not analysed") +
              "</td></tr>\n";
      continue;
    }
    html += "<tr id=\"well-" + name + "\">";
    html += "<td data-value=\"" + std::to_string(w) + "\"><a href=\"" +
            UrlPath("Wells/" + plate.prefix + name + ".jpg") + "\" title=\"Whole-well picture of " +
            HtmlEscaped(name) + "\">" + HtmlEscaped(name) + "</a></td>";
    for (const MeasureDescriptor* m : measures) html += MeasureCell(*m, *r);
    const std::string svg = DensitySvg(*r);
    html += "<td><a href=\"#detail-" + name + "\">" + svg + "</a></td>";
    const std::string snapshot = UrlPath("JPEGS/" + plate.prefix + name + ".jpg");
    html += "<td><a href=\"" + snapshot + "\"><img class=\"crop\" src=\"" + snapshot +
            "\" alt=\"Ring crop of " + HtmlEscaped(name) + "\"></a></td>";
    html += "</tr>\n";
  }
  html += "</tbody>\n</table>\n";
  return html;
}

// Each analysed well in detail: its whole-well picture, density profile and
// migration distances.
std::string WellDetailsHtml(const Plate& plate, const PlateResults& results) {
  std::string html;
  for (int w = 0; w < results.format.wellCount(); ++w) {
    const auto& r = results.wells[w];
    if (!r) continue;
    const std::string name = WellName(w, results.format);
    const std::string picture = UrlPath("Wells/" + plate.prefix + name + ".jpg");
    html += "<section class=\"detail\" id=\"detail-" + name + "\">\n<h3>" + HtmlEscaped(name) +
            "</h3>\n<a href=\"" + picture + "\"><img class=\"well\" src=\"" + picture +
            "\" alt=\"Whole-well picture of " + HtmlEscaped(name) + "\"></a>\n";
    const std::string profile = DensityProfileSvg(*r);
    const std::string histogram = MigrationHistogramSvg(*r);
    html += profile.empty() ? "<p class=\"empty\">No density profile.</p>\n" : profile + "\n";
    html += histogram.empty() ? "<p class=\"empty\">No immigrant nuclei.</p>\n" : histogram + "\n";
    html += "</section>\n";
  }
  if (html.empty()) return "";
  return "<h2>Wells in detail</h2>\n<p>Each well's picture shows the ring (yellow), the nuclei "
         "counted in it (red circles) and the objects rejected for their size (magenta).</p>\n" +
         html;
}

std::string ProblemsHtml(const PlateResults& results, const RunFacts& facts) {
  std::string problems;
  for (int w = 0; w < results.format.wellCount(); ++w) {
    if (!results.wells[w]) continue;
    for (const FieldProblem& problem : results.wells[w]->fieldProblems) {
      problems +=
          "<li>" + HtmlEscaped(WellName(w, results.format) + ": " + problem.message) + "</li>\n";
    }
  }
  std::string html;
  if (!problems.empty()) html += "<h2>Fields not used whole</h2>\n<ul>\n" + problems + "</ul>\n";
  if (!facts.failures.empty()) {
    html += "<h2>Wells whose analysis failed</h2>\n<ul>\n";
    for (const RunFacts::Failure& failure : facts.failures) {
      html += "<li>" + HtmlEscaped(failure.message) + "</li>\n";
    }
    html += "</ul>\n";
  }
  return html;
}

}  // namespace

std::string ReportPageFileName(const std::string& resultsFolder, const std::string& platePrefix) {
  return resultsFolder + platePrefix + "Vembrel_report.html";
}

std::string ReportStyle(bool mapCharts) {
  return std::string(kStyle) + (mapCharts ? kMapStyle : "");
}

std::string HtmlEscaped(std::string_view bytes) {
  const std::string text = ValidUtf8Text(bytes);
  std::string out;
  out.reserve(text.size());
  for (const char ch : text) {
    switch (ch) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += ch;
    }
  }
  return out;
}

std::string UrlPath(std::string_view path) {
  std::string out;
  for (const char ch : path) {
    const auto c = static_cast<unsigned char>(ch);
    if (std::isalnum(c) != 0 || ch == '-' || ch == '.' || ch == '_' || ch == '~' || ch == '/') {
      out += ch;
    } else {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", c);
      out += escaped;
    }
  }
  return out;
}

std::string DensitySvg(const WellResults& well) {
  if (well.density.empty()) return "";
  constexpr int kWidth = 120;
  constexpr int kHeight = 40;
  std::vector<double> densities;
  for (const DensityBin& bin : well.density) {
    densities.push_back(bin.area > 0 ? static_cast<double>(bin.nuclei) / bin.area : 0.0);
  }
  const double greatest = *std::max_element(densities.begin(), densities.end());
  const double bar = static_cast<double>(kWidth) / static_cast<double>(densities.size());
  std::string svg = "<svg class=\"density\" width=\"" + std::to_string(kWidth) + "\" height=\"" +
                    std::to_string(kHeight) + "\" viewBox=\"0 0 " + std::to_string(kWidth) + " " +
                    std::to_string(kHeight) + "\" role=\"img\"><title>" +
                    HtmlEscaped("Nuclei per pixel by ring of " +
                                std::to_string(well.ringIncrement) + " pixels beyond the ring") +
                    "</title>";
  char number[64];
  for (std::size_t k = 0; k < densities.size(); ++k) {
    const double height = greatest > 0 ? densities[k] / greatest * (kHeight - 2) : 0;
    std::snprintf(number, sizeof number,
                  "<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\">", k * bar,
                  kHeight - height, std::max(bar - 1, 1.0), height);
    svg += number;
    svg += "<title>" +
           HtmlEscaped("ring " + std::to_string(k + 1) + ": " +
                       std::to_string(well.density[k].nuclei) + " nuclei in " +
                       std::to_string(well.density[k].area) + " pixels") +
           "</title></rect>";
  }
  return svg + "</svg>";
}

namespace {

// One bar of a chart: from x0 to x1 on the horizontal axis, value high.
struct Bar {
  double x0 = 0, x1 = 0, value = 0;
  std::string title;  // shown when pointed at
};

struct BarChart {
  std::string cssClass, title, xLabel, yLabel;
  std::vector<Bar> bars;
};

// The chart with its axes: the vertical one from 0 to the greatest value
// (labelled at 0, half and full), the horizontal one at each bar's edges
// (at most seven labels).
std::string ChartSvg(const BarChart& chart) {
  constexpr double kWidth = 380, kHeight = 210;
  constexpr double kLeft = 62, kRight = 12, kTop = 12, kBottom = 44;
  constexpr double kPlotWidth = kWidth - kLeft - kRight, kPlotHeight = kHeight - kTop - kBottom;
  double xMin = chart.bars.front().x0, xMax = chart.bars.back().x1, greatest = 0;
  for (const Bar& bar : chart.bars) greatest = std::max(greatest, bar.value);
  if (!(xMax > xMin)) xMax = xMin + 1;
  const auto px = [&](double x) { return kLeft + (x - xMin) / (xMax - xMin) * kPlotWidth; };
  const auto py = [&](double y) {
    return kTop + kPlotHeight - (greatest > 0 ? y / greatest * kPlotHeight : 0);
  };
  char number[256];
  const auto f = [&](double value) {
    std::snprintf(number, sizeof number, "%.1f", value);
    return std::string(number);
  };
  std::string svg = "<svg class=\"" + chart.cssClass + "\" width=\"" + f(kWidth) + "\" height=\"" +
                    f(kHeight) + "\" viewBox=\"0 0 " + f(kWidth) + " " + f(kHeight) +
                    "\" role=\"img\"><title>" + HtmlEscaped(chart.title) + "</title>";
  for (const Bar& bar : chart.bars) {
    const double top = py(bar.value);
    svg += "<rect x=\"" + f(px(bar.x0)) + "\" y=\"" + f(top) + "\" width=\"" +
           f(std::max(px(bar.x1) - px(bar.x0) - 1, 1.0)) + "\" height=\"" +
           f(kTop + kPlotHeight - top) + "\" data-value=\"" + ExactDecimalText(bar.value) +
           "\"><title>" + HtmlEscaped(bar.title) + "</title></rect>";
  }
  const std::string axis = "<line class=\"axis\" x1=\"";
  svg += axis + f(kLeft) + "\" y1=\"" + f(kTop + kPlotHeight) + "\" x2=\"" + f(kLeft + kPlotWidth) +
         "\" y2=\"" + f(kTop + kPlotHeight) + "\"/>";
  svg += axis + f(kLeft) + "\" y1=\"" + f(kTop) + "\" x2=\"" + f(kLeft) + "\" y2=\"" +
         f(kTop + kPlotHeight) + "\"/>";
  for (const double share : {0.0, 0.5, 1.0}) {
    const double y = kTop + kPlotHeight - share * kPlotHeight;
    svg += "<text class=\"tick\" x=\"" + f(kLeft - 4) + "\" y=\"" + f(y + 3) +
           "\" text-anchor=\"end\">" + ShortNumber(share * greatest) + "</text>";
  }
  std::vector<double> edges{chart.bars.front().x0};
  for (const Bar& bar : chart.bars) edges.push_back(bar.x1);
  const std::size_t every = (edges.size() + 6) / 7;
  for (std::size_t k = 0; k < edges.size(); k += every) {
    svg += "<text class=\"tick\" x=\"" + f(px(edges[k])) + "\" y=\"" + f(kTop + kPlotHeight + 13) +
           "\" text-anchor=\"middle\">" + ShortNumber(edges[k]) + "</text>";
  }
  svg += "<text class=\"label\" x=\"" + f(kLeft + kPlotWidth / 2) + "\" y=\"" + f(kHeight - 6) +
         "\" text-anchor=\"middle\">" + HtmlEscaped(chart.xLabel) + "</text>";
  svg += "<text class=\"label\" transform=\"translate(14 " + f(kTop + kPlotHeight / 2) +
         ") rotate(-90)\" text-anchor=\"middle\">" + HtmlEscaped(chart.yLabel) + "</text>";
  return svg + "</svg>";
}

// Pixels, or micrometres with a pixel size.
double Length(double pixels, const std::optional<double>& pixelSize) {
  return pixelSize ? Micrometres(pixels, *pixelSize) : pixels;
}
std::string LengthUnit(const std::optional<double>& pixelSize) {
  return pixelSize ? "\xC2\xB5m" : "px";
}

}  // namespace

std::string DensityProfileSvg(const WellResults& well) {
  if (well.density.empty()) return "";
  const auto& size = well.pixelSize;
  // Per square millimetre, or per 10 000 square pixels for numbers a person reads.
  const double perArea = size ? 1e6 / ((*size) * (*size)) : 10000.0;
  BarChart chart;
  chart.cssClass = "profile";
  chart.title = "Density profile of " + std::string(well.wellName()) + ": nuclei per area " +
                "of each ring of " + std::to_string(well.ringIncrement) +
                " pixels beyond the cell-free zone";
  chart.xLabel = "Distance from the ring's centre (" + LengthUnit(size) + ")";
  chart.yLabel = size ? "Nuclei per mm\xC2\xB2" : "Nuclei per 10 000 px\xC2\xB2";
  for (std::size_t k = 0; k < well.density.size(); ++k) {
    const DensityBin& bin = well.density[k];
    const double inner = well.ring.radius + static_cast<double>(k) * well.ringIncrement;
    const double outer = inner + well.ringIncrement;
    const double density = bin.area > 0 ? static_cast<double>(bin.nuclei) / bin.area : 0.0;
    const bool last = k + 1 == well.density.size();
    chart.bars.push_back({Length(inner, size), Length(outer, size), density * perArea,
                          "ring " + std::to_string(k + 1) + (last ? " (and beyond)" : "") + ": " +
                              std::to_string(bin.nuclei) + " nuclei in " +
                              std::to_string(bin.area) + " pixels"});
  }
  return ChartSvg(chart);
}

std::string MigrationHistogramSvg(const WellResults& well) {
  if (well.immigrants.empty() || well.ring.radius <= 0) return "";
  constexpr int kBins = 10;
  const double width = well.ring.radius / static_cast<double>(kBins);
  std::vector<int> counts(kBins, 0);
  for (const NucleusMeasures& nucleus : well.immigrants) {
    const int bin = static_cast<int>(std::floor(nucleus.distance / width));
    ++counts[std::clamp(bin, 0, kBins - 1)];
  }
  const auto& size = well.pixelSize;
  BarChart chart;
  chart.cssClass = "histogram";
  chart.title = "Migration distances of the immigrant nuclei of " + std::string(well.wellName()) +
                ", from the ring's edge inwards";
  chart.xLabel = "Migration distance from the ring's edge (" + LengthUnit(size) + ")";
  chart.yLabel = "Immigrant nuclei";
  for (int k = 0; k < kBins; ++k) {
    chart.bars.push_back(
        {Length(k * width, size), Length((k + 1) * width, size), static_cast<double>(counts[k]),
         std::to_string(counts[k]) + " nuclei " + ShortNumber(Length(k * width, size)) + " to " +
             ShortNumber(Length((k + 1) * width, size)) + " " + LengthUnit(size) + " in"});
  }
  return ChartSvg(chart);
}

std::string ReportPage(const Plate& plate, const PlateResults& results, const RunFacts& facts,
                       const std::string& heatmapFile, const std::string& mapSections) {
  std::string title = "Vembrel results";
  if (const std::string label = PlateLabel(plate); !label.empty()) title += ": " + label;
  std::string html = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
  html += "<title>" + HtmlEscaped(title) + "</title>\n<style>" + kStyle +
          (mapSections.empty() ? "" : kMapStyle) + "</style>\n</head>\n";
  html += "<body>\n<h1>" + HtmlEscaped(title) + "</h1>\n";
  html += FactsTable(plate, results, facts);
  if (!heatmapFile.empty()) {
    html += "<h2>Plate</h2>\n<a href=\"" + UrlPath(heatmapFile) +
            "\"><img class=\"heatmap\" src=\"" + UrlPath(heatmapFile) +
            "\" alt=\"Heatmaps of the plate\"></a>\n";
  }
  html += mapSections;
  html += "<h2>Wells</h2>\n<p>Click a column header to sort by it; click again to reverse.</p>\n";
  html += WellsTableHtml(plate, results, facts);
  html += WellDetailsHtml(plate, results);
  html += ProblemsHtml(results, facts);
  html +=
      "<h2>Settings</h2>\n<table class=\"facts\">\n" + SettingsRows(facts.settings) + "</table>\n";
  html += "<script>" + std::string(kScript) + "</script>\n</body>\n</html>\n";
  return html;
}

}  // namespace vembrel
