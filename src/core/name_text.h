#pragma once
// File and folder names are bytes; the result files are text. These turn a
// name into text that is valid UTF-8 (for CSV, JSON, the report, the
// workbook), into text that keeps one line (for line-based files), and into
// an exact escaped form that gives the bytes back.
#include <string>
#include <string_view>

namespace vembrel {

/// Whether the bytes are well-formed UTF-8 (no overlong forms, no surrogates,
/// nothing above U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

/// The bytes with every byte that is not part of a well-formed UTF-8
/// character replaced by U+FFFD.
std::string ValidUtf8Text(std::string_view bytes);

/// ValidUtf8Text on one line: tab, line feed and carriage return written as
/// the two characters "\t", "\n", "\r", other control characters as U+FFFD.
std::string OneLineText(std::string_view bytes);

/// An exact, printable UTF-8 form of any bytes: "\" doubled, control
/// characters and bytes outside well-formed UTF-8 written as "\xHH".
std::string EscapedBytes(std::string_view bytes);
/// The bytes of an EscapedBytes form. Throws Error on a malformed escape.
std::string UnescapedBytes(std::string_view text);

}  // namespace vembrel
