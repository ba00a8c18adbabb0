// Small pieces of inline SVG shared by the report's drawn sections.
#pragma once

#include <string>

namespace vembrel {

/// A coordinate with one decimal, as the drawings place things.
std::string SvgFixed(double value);
/// A value for a caption or tooltip: four significant digits.
std::string SvgShort(double value);
/// An <svg> element of the size, with a CSS class and an accessible label.
std::string SvgImage(int width, int height, const std::string& cssClass, const std::string& label,
                     const std::string& body);

}  // namespace vembrel
