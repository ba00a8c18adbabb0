#include "results/plate_map_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "plate/well_names.h"
#include "results/report_page.h"
#include "results/svg_text.h"
#include "results/table.h"

namespace vembrel {
namespace {

// Twelve distinct colours, then hues a golden angle apart.
std::string ConditionColour(std::size_t index) {
  static const char* const kPalette[] = {"#1f77b4", "#ff7f0e", "#2ca02c", "#d62728",
                                         "#9467bd", "#8c564b", "#e377c2", "#7f7f7f",
                                         "#bcbd22", "#17becf", "#393b79", "#637939"};
  if (index < std::size(kPalette)) return kPalette[index];
  char colour[48];
  std::snprintf(colour, sizeof colour, "hsl(%.0f,60%%,50%%)",
                std::fmod(static_cast<double>(index) * 137.508, 360.0));
  return colour;
}

std::string Attributes(std::initializer_list<std::pair<const char*, std::string>> attributes) {
  std::string text;
  for (const auto& [name, value] : attributes)
    text += " " + std::string(name) + "=\"" + value + "\"";
  return text;
}

std::string Line(double x1, double y1, double x2, double y2, const std::string& extra = "") {
  return "<line" +
         Attributes({{"x1", SvgFixed(x1)},
                     {"y1", SvgFixed(y1)},
                     {"x2", SvgFixed(x2)},
                     {"y2", SvgFixed(y2)}}) +
         extra + "/>";
}

std::string Text(double x, double y, const std::string& text, const std::string& extra = "") {
  return "<text" + Attributes({{"x", SvgFixed(x)}, {"y", SvgFixed(y)}}) + extra + ">" +
         HtmlEscaped(text) + "</text>";
}

// A vertical value axis at x from bottom to top for values low..high.
struct ValueAxis {
  double low, high, bottom, top;
  double y(double value) const {
    return high > low ? bottom - (value - low) / (high - low) * (bottom - top) : (bottom + top) / 2;
  }
};

ValueAxis AxisFor(std::vector<double> values, double bottom, double top) {
  if (values.empty()) values = {0, 1};
  double low = *std::min_element(values.begin(), values.end());
  double high = *std::max_element(values.begin(), values.end());
  if (high == low) {
    low -= 1;
    high += 1;
  }
  const double margin = (high - low) * 0.05;
  return {low - margin, high + margin, bottom, top};
}

std::string DrawValueAxis(const ValueAxis& axis, double x, double right) {
  std::string svg = Line(x, axis.top, x, axis.bottom, " class=\"axis\"");
  for (const double tick : AxisTicks(axis.low, axis.high)) {
    const double y = axis.y(tick);
    svg += Line(x - 4, y, x, y, " class=\"axis\"");
    svg += Line(x, y, right, y, " class=\"grid\"");
    svg += Text(x - 6, y + 4, SvgShort(tick), " text-anchor=\"end\"");
  }
  return svg;
}

std::string VariablesText(const MappedPlate& map, int w) {
  const MappedWell& well = map.wells[w];
  std::string text = WellName(w, map.format);
  const auto add = [&](const std::string& name, const std::string& value) {
    if (!value.empty()) text += "\n" + name + ": " + value;
  };
  add("role", well.role ? WellRoleWord(*well.role) : "");
  add("compound", well.compound);
  add("concentration", well.concentration ? ExactDecimalText(*well.concentration) : "");
  add("unit", well.unit);
  add("condition", well.condition);
  for (std::size_t i = 0; i < map.otherVariables.size(); ++i)
    add(map.otherVariables[i], well.others[i]);
  return text;
}

// The plate's wells as circles coloured by condition, 34 px apart up to 12
// columns; plates of more columns drawn as wide as 12, their labels at
// every other row and column once the pitch is under 12 px.
std::string PlateSection(const MappedPlate& map, const std::vector<std::string>& conditions) {
  const PlateFormat& format = map.format;
  const double pitch = format.columns() <= 12 ? 34.0 : 34.0 * 12 / format.columns();
  const int labelEvery = pitch < 12 ? 2 : 1;
  constexpr int kLeft = 24;
  constexpr int kTop = 22;
  std::string body;
  for (int c = 0; c < format.columns(); c += labelEvery) {
    body +=
        Text(kLeft + c * pitch + pitch / 2.0, 14, std::to_string(c + 1), " text-anchor=\"middle\"");
  }
  for (int r = 0; r < format.rows(); ++r) {
    if (r % labelEvery == 0) {
      body += Text(10, kTop + r * pitch + pitch / 2.0 + 4, RowName(r), " text-anchor=\"middle\"");
    }
    for (int c = 0; c < format.columns(); ++c) {
      const int w = format.indexOf({r, c});
      const std::string& condition = map.wells[w].condition;
      const auto at = std::find(conditions.begin(), conditions.end(), condition);
      const std::string fill =
          condition.empty() ? "#f4f4f4" : ConditionColour(at - conditions.begin());
      body += "<circle" +
              Attributes({{"id", "map-" + WellName(w, format)},
                          {"cx", SvgFixed(kLeft + c * pitch + pitch / 2.0)},
                          {"cy", SvgFixed(kTop + r * pitch + pitch / 2.0)},
                          {"r", SvgShort(pitch * 14 / 34)},
                          {"fill", fill},
                          {"data-condition", HtmlEscaped(condition)}}) +
              "><title>" + HtmlEscaped(VariablesText(map, w)) + "</title></circle>";
    }
  }
  const auto extent = [pitch](int wells) { return static_cast<int>(std::ceil(wells * pitch)); };
  std::string html =
      "<h2>Plate map</h2>\n" +
      SvgImage(kLeft + extent(format.columns()) + 4, kTop + extent(format.rows()) + 4, "platemap",
               "The plate coloured by condition", body) +
      "\n<ul class=\"legend\">\n";
  for (std::size_t i = 0; i < conditions.size(); ++i) {
    html += "<li><span class=\"swatch\" style=\"background:" + ConditionColour(i) + "\"></span>" +
            HtmlEscaped(conditions[i]) + "</li>\n";
  }
  return html + "</ul>\n";
}

std::string Cell(const std::optional<double>& value) {
  return "<td class=\"number\">" + (value ? HtmlEscaped(SvgShort(*value)) : std::string()) +
         "</td>";
}

std::string QualitySection(const PlateAnalysis& analysis) {
  std::string html =
      "<h2>Plate quality</h2>\n<table id=\"plate-quality\">\n<thead><tr><th>Readout</th>"
      "<th>Negative controls</th><th>Positive controls</th><th>Z&#8242;</th>"
      "<th>Robust Z&#8242;</th><th>SSMD</th><th>Verdict</th><th>Note</th></tr></thead>\n<tbody>\n";
  for (const ReadoutAnalysis& r : analysis.readouts) {
    const ControlQuality& q = r.quality;
    html += "<tr><td>" + std::string(ReadoutName(r.readout)) + "</td>" + "<td class=\"number\">" +
            std::to_string(q.nNegative) + "</td>" + "<td class=\"number\">" +
            std::to_string(q.nPositive) + "</td>" + Cell(q.zPrime) + Cell(q.robustZPrime) +
            Cell(q.ssmd) + "<td class=\"verdict " + q.verdict + "\">" + q.verdict + "</td><td>" +
            HtmlEscaped(q.note) + "</td></tr>\n";
  }
  return html + "</tbody>\n</table>\n";
}

std::string ConditionsChart(const MappedPlate& map, const PlateAnalysis& analysis,
                            const ReadoutAnalysis& r, const std::vector<std::string>& conditions) {
  std::vector<bool> dropped(map.wells.size(), false);
  for (const int w : analysis.droppedWells) dropped[w] = true;
  std::vector<std::pair<std::size_t, std::vector<double>>> groups;
  std::vector<double> all;
  for (std::size_t k = 0; k < conditions.size(); ++k) {
    std::vector<double> values;
    for (std::size_t w = 0; w < map.wells.size(); ++w) {
      if (map.wells[w].condition == conditions[k] && r.values[w] && !dropped[w])
        values.push_back(*r.values[w]);
    }
    if (values.empty()) continue;
    all.insert(all.end(), values.begin(), values.end());
    groups.emplace_back(k, std::move(values));
  }
  if (groups.empty()) return "";
  constexpr int kLeft = 56;
  constexpr int kPitch = 26;
  constexpr int kTop = 10;
  constexpr int kPlotBottom = 200;
  const int width = kLeft + static_cast<int>(groups.size()) * kPitch + 10;
  const ValueAxis axis = AxisFor(all, kPlotBottom, kTop);
  std::string body = DrawValueAxis(axis, kLeft, width - 4);
  for (std::size_t g = 0; g < groups.size(); ++g) {
    const auto& [k, values] = groups[g];
    const double x = kLeft + (g + 0.5) * kPitch;
    const std::string colour = ConditionColour(k);
    for (std::size_t i = 0; i < values.size(); ++i) {
      const double spread = (static_cast<double>(i % 5) - 2) * 2.5;
      body += "<circle" +
              Attributes({{"class", "point"},
                          {"cx", SvgFixed(x + spread)},
                          {"cy", SvgFixed(axis.y(values[i]))},
                          {"r", "3"},
                          {"fill", colour}}) +
              "/>";
    }
    const Description d = Describe(values);
    const double mean = *d.mean;
    std::string title = conditions[k] + ": n " + std::to_string(d.n) + ", mean " + SvgShort(mean);
    if (d.sd) {
      title += ", SD " + SvgShort(*d.sd);
      body += Line(x, axis.y(mean - *d.sd), x, axis.y(mean + *d.sd), " class=\"sd\"");
      for (const double end : {mean - *d.sd, mean + *d.sd})
        body += Line(x - 4, axis.y(end), x + 4, axis.y(end), " class=\"sd\"");
    }
    body += Line(x - 8, axis.y(mean), x + 8, axis.y(mean), " class=\"mean\"") + "<title>" +
            HtmlEscaped(title) + "</title>";
    body += Text(x + 3, kPlotBottom + 10, conditions[k],
                 " text-anchor=\"end\" transform=\"rotate(-45 " + SvgFixed(x + 3) + " " +
                     SvgFixed(kPlotBottom + 10) + ")\"");
  }
  body += Text(12, (kTop + kPlotBottom) / 2.0, ReadoutName(r.readout),
               " text-anchor=\"middle\" transform=\"rotate(-90 12 " +
                   SvgFixed((kTop + kPlotBottom) / 2.0) + ")\"");
  return "<figure class=\"chart\">" +
         SvgImage(width, kPlotBottom + 120, "conditions",
                  std::string(ReadoutName(r.readout)) + " per condition", body) +
         "<figcaption>" + ReadoutName(r.readout) +
         " per condition: each well a point, mean &#177; SD</figcaption></figure>\n";
}

std::string DoseChart(const DoseResponseRow& row, std::size_t index) {
  if (row.values.empty()) return "";
  constexpr int kWidth = 320;
  constexpr int kHeight = 230;
  constexpr int kLeft = 56;
  constexpr int kRight = kWidth - 12;
  constexpr int kTop = 24;
  constexpr int kBottom = kHeight - 42;
  const auto [lowest, highest] =
      std::minmax_element(row.concentrations.begin(), row.concentrations.end());
  double fromDecade = std::floor(std::log10(*lowest));
  double toDecade = std::ceil(std::log10(*highest));
  if (toDecade <= fromDecade) toDecade = fromDecade + 1;
  const auto x = [&](double c) {
    return kLeft + (std::log10(c) - fromDecade) / (toDecade - fromDecade) * (kRight - kLeft);
  };
  const DoseResponseFit& fit = row.fit;
  std::vector<double> shown = row.values;
  std::vector<std::pair<double, double>> curve;
  const bool drawCurve = fit.fitted && std::isfinite(fit.ic50) && fit.ic50 > 0;
  if (drawCurve) {
    for (int i = 0; i <= 80; ++i) {
      const double c = std::pow(10.0, fromDecade + (toDecade - fromDecade) * i / 80.0);
      const double y = LogLogistic(c, fit.bottom, fit.top, fit.ic50, fit.hill);
      if (!std::isfinite(y)) continue;
      curve.emplace_back(c, y);
    }
  }
  // The axis holds the points; the curve is clipped to the plot.
  const ValueAxis axis = AxisFor(shown, kBottom, kTop);
  std::string body = DrawValueAxis(axis, kLeft, kRight);
  body += Line(kLeft, kBottom, kRight, kBottom, " class=\"axis\"");
  for (double decade = fromDecade; decade <= toDecade; ++decade) {
    const double px = x(std::pow(10.0, decade));
    body += Line(px, kBottom, px, kBottom + 4, " class=\"axis\"");
    body += Text(px, kBottom + 16, SvgShort(std::pow(10.0, decade)), " text-anchor=\"middle\"");
  }
  body += Text(
      (kLeft + kRight) / 2.0, kHeight - 8,
      "concentration" + (row.unit.empty() ? std::string() : " (" + row.unit + ")") + ", log scale",
      " text-anchor=\"middle\"");
  std::string title = row.compound + ": " + ReadoutName(row.readout);
  if (!drawCurve) {
    std::string flags;
    for (const std::string& flag : fit.flags) flags += (flags.empty() ? "" : ", ") + flag;
    title += " (no curve: " + flags + ")";
  }
  body += Text(kLeft, 14, title, " class=\"title\"");
  if (drawCurve) {
    const double span = axis.high - axis.low;
    std::string points;
    for (const auto& [c, y] : curve) {
      const double held = std::clamp(y, axis.low - span, axis.high + span);
      points += SvgFixed(x(c)) + "," + SvgFixed(axis.y(held)) + " ";
    }
    const std::string clip = "dose-plot-" + std::to_string(index);
    body += "<clipPath id=\"" + clip + "\"><rect" +
            Attributes({{"x", SvgFixed(kLeft)},
                        {"y", SvgFixed(kTop)},
                        {"width", SvgFixed(kRight - kLeft)},
                        {"height", SvgFixed(kBottom - kTop)}}) +
            "/></clipPath>";
    body +=
        "<polyline class=\"curve\" clip-path=\"url(#" + clip + ")\" points=\"" + points + "\"/>";
    const double px = x(fit.ic50);
    if (px >= kLeft && px <= kRight) {
      body += Line(px, kTop, px, kBottom, " class=\"ic50\"");
      body += Text(px + 3, kTop + 10,
                   "IC50 " + SvgShort(fit.ic50) + (row.unit.empty() ? "" : " " + row.unit));
    }
  }
  for (std::size_t i = 0; i < row.values.size(); ++i) {
    body += "<circle" +
            Attributes({{"class", "point"},
                        {"cx", SvgFixed(x(row.concentrations[i]))},
                        {"cy", SvgFixed(axis.y(row.values[i]))},
                        {"r", "3"}}) +
            "/>";
  }
  return "<figure class=\"chart\">" +
         SvgImage(kWidth, kHeight, "dose",
                  row.compound + " " + ReadoutName(row.readout) + " against concentration", body) +
         "</figure>\n";
}

}  // namespace

std::vector<double> AxisTicks(double low, double high) {
  std::vector<double> ticks;
  if (!(high > low) || !std::isfinite(low) || !std::isfinite(high)) return ticks;
  const double rough = (high - low) / 5;
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  double step = power;
  for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
    if (power * factor >= rough) {
      step = power * factor;
      break;
    }
  }
  for (double k = std::ceil(low / step); k * step <= high; ++k)
    ticks.push_back(k == 0 ? 0.0 : k * step);
  return ticks;
}

std::string DoseResponseCharts(const std::vector<DoseResponseRow>& rows) {
  std::string html = "<div class=\"charts\">\n";
  for (std::size_t k = 0; k < rows.size(); ++k) html += DoseChart(rows[k], k);
  return html + "</div>\n";
}

std::string PlateMapReportSections(const MappedPlate& map, const PlateAnalysis& analysis) {
  std::vector<std::string> conditions;
  for (const MappedWell& well : map.wells) {
    if (!well.condition.empty() &&
        std::find(conditions.begin(), conditions.end(), well.condition) == conditions.end()) {
      conditions.push_back(well.condition);
    }
  }
  std::string html = PlateSection(map, conditions);
  html += QualitySection(analysis);
  html += "<h2>Readouts per condition</h2>\n<div class=\"charts\">\n";
  for (const ReadoutAnalysis& r : analysis.readouts)
    html += ConditionsChart(map, analysis, r, conditions);
  html += "</div>\n";
  if (!analysis.doseResponse.empty()) {
    html += "<h2>Dose response</h2>\n" + DoseResponseCharts(analysis.doseResponse);
  }
  return html;
}

}  // namespace vembrel
