#pragma once
// Text to number conversions with the messages of the settings controls.
#include <cstdint>
#include <string>
#include <string_view>

namespace vembrel {

/// Decimal text to a 32-bit integer. Accepts leading blanks and a sign, also
/// "$" hexadecimal. Throws ConversionError "'<text>' is not a valid integer value".
std::int32_t StrToInt(std::string_view text);

/// Text to a double. Leading and trailing blanks are allowed; both "." and the
/// locale separator "," are taken as the decimal separator. Throws
/// ConversionError "'<text>' is not a valid floating point value".
double StrToFloat(std::string_view text);

/// General float text: shortest form with up to 15 significant digits,
/// trailing zeros dropped, "." as separator (3 -> "3", 0.75 -> "0.75").
std::string FloatToText(double value);

/// FloatToText with every "." replaced by "," (the comma float text of the
/// cell data files).
std::string CommaFloatText(double value);

}  // namespace vembrel
