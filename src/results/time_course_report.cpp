#include "results/time_course_report.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "core/error.h"
#include "plate/well_names.h"
#include "render/colour_map.h"
#include "results/report_page.h"
#include "results/svg_text.h"

namespace vembrel {
namespace {

constexpr std::array<const char*, 6> kKinetics = {"slope",  "slope_se", "r_squared",
                                                  "t_half", "auc",      "auc_per_hour"};

constexpr const char* kTimeCourseStyle = R"(
svg text { font-size: 11px; fill: #333; }
svg .frame { fill: #fff; stroke: #bbb; } svg .absent { fill: #f4f4f4; stroke: #ddd; }
svg .curve { fill: none; stroke: #1f77b4; stroke-width: 1.5; }
svg .half { stroke: #ccc; stroke-dasharray: 2 2; }
svg .censored { fill: #fff; stroke: #999; }
)";

std::string HexColour(const Rgb& colour) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", colour.r, colour.g, colour.b);
  return text;
}

std::string Rect(double x, double y, double width, double height, const std::string& extra) {
  return "<rect x=\"" + SvgFixed(x) + "\" y=\"" + SvgFixed(y) + "\" width=\"" + SvgFixed(width) +
         "\" height=\"" + SvgFixed(height) + "\"" + extra + ">";
}

std::string Text(double x, double y, const std::string& text, const std::string& extra = "") {
  return "<text x=\"" + SvgFixed(x) + "\" y=\"" + SvgFixed(y) + "\"" + extra + ">" +
         HtmlEscaped(text) + "</text>";
}

// The plate's row letters and column numbers around cells of the pitch.
std::string PlateLabels(const PlateFormat& format, int left, int top, int pitchX, int pitchY) {
  std::string body;
  for (int c = 0; c < format.columns(); ++c) {
    body += Text(left + c * pitchX + pitchX / 2.0, top - 6, std::to_string(c + 1),
                 " text-anchor=\"middle\"");
  }
  for (int r = 0; r < format.rows(); ++r) {
    body +=
        Text(left - 8, top + r * pitchY + pitchY / 2.0 + 4, RowName(r), " text-anchor=\"middle\"");
  }
  return body;
}

// Every well's closure curve in its place, on one scale: hours across from
// the first time point to the last, closure up from 0 to 100 % (wider when
// a curve leaves that range).
std::string CurvesSection(const TimeCourse& course) {
  constexpr int kLeft = 22, kTop = 20, kPitchX = 70, kPitchY = 52;
  constexpr int kWidth = 62, kHeight = 44;
  const PlateFormat& format = course.format;
  std::vector<std::vector<TimedValue>> curves(static_cast<std::size_t>(format.wellCount()));
  double low = 0, high = 100;
  for (const int well : course.followed) {
    curves[well] = WellSeries(course, well, TimeReadout::ZoneCoverage);
    for (const TimedValue& point : curves[well]) {
      if (!point.value) continue;
      low = std::min(low, *point.value);
      high = std::max(high, *point.value);
    }
  }
  const double first = course.hours.front();
  const double span = course.hours.back() - first;
  std::string body = PlateLabels(format, kLeft, kTop, kPitchX, kPitchY);
  for (int w = 0; w < format.wellCount(); ++w) {
    const double x0 = kLeft + (w % format.columns()) * kPitchX,
                 y0 = kTop + (w / format.columns()) * kPitchY;
    const std::vector<TimedValue>& curve = curves[w];
    if (curve.empty()) {
      body += Rect(x0, y0, kWidth, kHeight, " class=\"absent\"") + "</rect>";
      continue;
    }
    const auto y = [&](double value) {
      return y0 + kHeight - (value - low) / (high - low) * kHeight;
    };
    std::string points;
    std::string values;
    for (const TimedValue& point : curve) {
      if (!point.value) continue;
      const double x = x0 + (span > 0 ? (point.hours - first) / span * kWidth : 0);
      points += (points.empty() ? "" : " ") + SvgFixed(x) + "," + SvgFixed(y(*point.value));
      values += (values.empty() ? "" : ", ") + SvgShort(*point.value) + " % at " +
                SvgShort(point.hours) + " h";
    }
    body += "<g id=\"curve-" + WellName(w, format) + "\"><title>" +
            HtmlEscaped(WellName(w, format) + ": closure " + values) + "</title>" +
            Rect(x0, y0, kWidth, kHeight, " class=\"frame\"") + "</rect>";
    body += "<line class=\"half\" x1=\"" + SvgFixed(x0) + "\" y1=\"" + SvgFixed(y(50)) +
            "\" x2=\"" + SvgFixed(x0 + kWidth) + "\" y2=\"" + SvgFixed(y(50)) + "\"/>";
    body += "<polyline class=\"curve\" points=\"" + points + "\"/></g>";
  }
  const std::string caption = "Zone closure (%) of each well from " + SvgShort(first) + " to " +
                              SvgShort(course.hours.back()) + " h, on one scale from " +
                              SvgShort(low) + " to " + SvgShort(high) +
                              " %; the dashed line is half closed.";
  return "<h2>Closure curves</h2>\n<p>" + HtmlEscaped(caption) + "</p>\n" +
         SvgImage(kLeft + format.columns() * kPitchX, kTop + format.rows() * kPitchY, "curves",
                  "Closure curves per well", body) +
         "\n";
}

std::string HeatmapSection(const TimeCourse& course, const KineticChoice& choice) {
  constexpr int kLeft = 22, kTop = 20, kPitch = 40;
  const PlateFormat& format = course.format;
  std::vector<std::optional<Kinetics>> kinetics(static_cast<std::size_t>(format.wellCount()));
  std::vector<double> values;
  for (const int well : course.followed) {
    kinetics[well] = ReadoutKinetics(WellSeries(course, well, choice.readout), choice.readout);
    if (const auto value = KineticValue(*kinetics[well], choice.kinetic)) values.push_back(*value);
  }
  const double low = values.empty() ? 0 : *std::min_element(values.begin(), values.end());
  const double high = values.empty() ? 0 : *std::max_element(values.begin(), values.end());
  const std::string name = std::string(TimeReadoutName(choice.readout)) + " " + choice.kinetic;
  std::string body = PlateLabels(format, kLeft, kTop, kPitch, kPitch);
  for (int w = 0; w < format.wellCount(); ++w) {
    const double x = kLeft + (w % format.columns()) * kPitch,
                 y = kTop + (w / format.columns()) * kPitch;
    std::string title = WellName(w, format);
    std::string extra = " class=\"absent\"";
    if (const auto& k = kinetics[w]) {
      if (const auto value = KineticValue(*k, choice.kinetic)) {
        extra = " fill=\"" + HexColour(ViridisColour(*value, low, high)) + "\"";
        title += ": " + name + " " + SvgShort(*value);
      } else if (choice.kinetic == "t_half" && k->halfTimeCensored) {
        extra = " class=\"censored\"";
        title += ": " + name + " censored (not reached by " + SvgShort(k->censoredAt.value_or(0)) +
                 " h)";
      } else {
        title += ": " + name + " undefined";
      }
    }
    body += Rect(x + 1, y + 1, kPitch - 2, kPitch - 2,
                 " id=\"heat-" + WellName(w, format) + "\"" + extra) +
            "<title>" + HtmlEscaped(title) + "</title></rect>";
  }
  std::string legend;
  if (!values.empty()) {
    legend = "<p>From " + HtmlEscaped(SvgShort(low)) +
             " (<span style=\"color:" + HexColour(ViridisColour(0.0)) + "\">&#9632;</span>) to " +
             HtmlEscaped(SvgShort(high)) +
             " (<span style=\"color:" + HexColour(ViridisColour(1.0)) +
             "\">&#9632;</span>); white: the half level was never reached; grey: no value.</p>\n";
  }
  return "<h2>Heatmap: " + HtmlEscaped(name) + "</h2>\n" + legend +
         SvgImage(kLeft + format.columns() * kPitch, kTop + format.rows() * kPitch, "kinetic",
                  "Heatmap of " + name, body) +
         "\n";
}

}  // namespace

std::string TimeCourseReportFileName(const std::string& resultsFolder,
                                     const std::string& platePrefix) {
  return resultsFolder + platePrefix + "Vembrel_timecourse.html";
}

KineticChoice ParseKineticChoice(const std::string& text) {
  const std::size_t colon = text.find(':');
  const std::string readout = text.substr(0, colon);
  const std::string kinetic = colon == std::string::npos ? "" : text.substr(colon + 1);
  KineticChoice choice;
  const auto known = std::find_if(kTimeReadouts.begin(), kTimeReadouts.end(),
                                  [&](TimeReadout r) { return readout == TimeReadoutName(r); });
  if (known == kTimeReadouts.end() ||
      std::find(kKinetics.begin(), kKinetics.end(), kinetic) == kKinetics.end()) {
    throw Error("'" + text +
                "' is no READOUT:KINETIC; readouts: nuclei, calculated_nuclei, zone_coverage; "
                "kinetics: slope, slope_se, r_squared, t_half, auc, auc_per_hour");
  }
  choice.readout = *known;
  choice.kinetic = kinetic;
  return choice;
}

std::optional<double> KineticValue(const Kinetics& kinetics, const std::string& kinetic) {
  if (kinetic == "slope") return kinetics.slope;
  if (kinetic == "slope_se") return kinetics.slopeError;
  if (kinetic == "r_squared") return kinetics.rSquared;
  if (kinetic == "t_half") return kinetics.halfTime;
  if (kinetic == "auc") return kinetics.area;
  if (kinetic == "auc_per_hour") return kinetics.areaPerHour;
  return std::nullopt;
}

std::string TimeCourseReport(const TimeCourse& course, const std::string& platePrefix,
                             const KineticChoice& heatmap) {
  std::string label = platePrefix;
  if (!label.empty() && label.back() == '_') label.pop_back();
  std::string html =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
      HtmlEscaped("Vembrel time course " + label) + "</title>\n<style>" + ReportStyle(false) +
      kTimeCourseStyle + "</style>\n</head>\n<body>\n<h1>" + HtmlEscaped("Time course " + label) +
      "</h1>\n<p>" + std::to_string(course.followed.size()) + " wells followed over " +
      std::to_string(course.hours.size()) +
      " time points; each well's ring held from its first.</p>\n";
  html +=
      "<table class=\"facts\">\n<thead><tr><th>Time point</th><th>Hours</th><th>Report</th>"
      "</tr></thead>\n<tbody>\n";
  for (std::size_t t = 0; t < course.hours.size(); ++t) {
    const std::string number = std::to_string(course.numbers[t]);
    const std::string page = "TimePoint_" + number + "/" + platePrefix + "Vembrel_report.html";
    html += "<tr><td>" + number + "</td><td>" + HtmlEscaped(ExactDecimalText(course.hours[t])) +
            "</td><td><a href=\"" + UrlPath(page) + "\">" + HtmlEscaped(page) + "</a></td></tr>\n";
  }
  html += "</tbody>\n</table>\n";
  if (!course.hours.empty()) html += CurvesSection(course);
  html += HeatmapSection(course, heatmap);
  return html + "</body>\n</html>\n";
}

}  // namespace vembrel
