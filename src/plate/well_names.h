#pragma once
// Well names of a plate: row letters and two-digit column (A01 .. H12 on the
// 96-well plate, A01 .. P24 on the 384-well plate), by the plate's format.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "plate/plate_format.h"

namespace vembrel {

/// "A01" for index 0, "A12" for 11, "B01" for 12, "H12" for 95 (96 wells);
/// "A13" for 12 on a 384-well plate. Throws Error when the plate has no such well.
std::string WellName(int index, const PlateFormat& format = {});
/// The index of a well name on the plate; "C10" gives 33 on the 96-well plate.
/// Throws Error naming the text when it is no well of the plate.
int WellIndex(std::string_view name, const PlateFormat& format = {});
/// WellIndex for names read from files: nothing when the text is no well of the plate.
std::optional<int> WellIndexIfAny(std::string_view name, const PlateFormat& format = {});

/// Wells of a list of names and ranges in plate order ("A01-A12,C05": a
/// range runs row by row from its first well to its last), each once, in
/// plate order. Throws Error naming the part that is no well or no range.
std::vector<int> ParseWellList(std::string_view list, const PlateFormat& format = {});

/// The part-th of parts interleaved parts of wells (1 <= part <= parts): the
/// wells at positions part - 1, part - 1 + parts, ... of the list.
std::vector<int> ShardOf(const std::vector<int>& wells, int part, int parts);

}  // namespace vembrel
