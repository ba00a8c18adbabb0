#pragma once
// Well names of the 96-well plate: row letter A..H and two-digit column (A01 .. H12).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vembrel {

/// "A01" for index 0, "A12" for 11, "B01" for 12, "H12" for 95.
std::string WellName(int index);
/// (first letter - 'A') * 12 + (number in characters 2..3) - 1; "C10" gives 33.
/// Throws Error naming the text when it is no well name.
int WellIndex(std::string_view name);
/// WellIndex for names read from files: nothing when the text is no well name.
std::optional<int> WellIndexIfAny(std::string_view name);

/// Wells of a list of names and ranges in plate order ("A01-A12,C05": a
/// range runs row by row from its first well to its last), each once, in
/// plate order. Throws Error naming the part that is no well or no range.
std::vector<int> ParseWellList(std::string_view list);

/// The part-th of parts interleaved parts of wells (1 <= part <= parts): the
/// wells at positions part - 1, part - 1 + parts, ... of the list.
std::vector<int> ShardOf(const std::vector<int>& wells, int part, int parts);

}  // namespace vembrel
