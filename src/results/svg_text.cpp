#include "results/svg_text.h"

#include <cstdio>

#include "results/report_page.h"

namespace vembrel {

std::string SvgFixed(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

std::string SvgShort(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.4g", value);
  return text;
}

std::string SvgImage(int width, int height, const std::string& cssClass, const std::string& label,
                     const std::string& body) {
  return "<svg class=\"" + cssClass + "\" width=\"" + std::to_string(width) + "\" height=\"" +
         std::to_string(height) + "\" viewBox=\"0 0 " + std::to_string(width) + " " +
         std::to_string(height) + "\" role=\"img\" aria-label=\"" + HtmlEscaped(label) + "\">" +
         body + "</svg>";
}

}  // namespace vembrel
