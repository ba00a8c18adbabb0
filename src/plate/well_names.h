#pragma once
// Well names of the 96-well plate: row letter A..H and two-digit column (A01 .. H12).
#include <optional>
#include <string>
#include <string_view>

namespace vembrel {

/// "A01" for index 0, "A12" for 11, "B01" for 12, "H12" for 95.
std::string WellName(int index);
/// (first letter - 'A') * 12 + (number in characters 2..3) - 1; "C10" gives 33.
/// Throws Error naming the text when it is no well name.
int WellIndex(std::string_view name);
/// WellIndex for names read from files: nothing when the text is no well name.
std::optional<int> WellIndexIfAny(std::string_view name);

}  // namespace vembrel
