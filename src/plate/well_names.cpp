#include "plate/well_names.h"

#include <algorithm>

#include "core/error.h"

namespace vembrel {

std::string WellName(int index) {
  if (index < 0 || index >= 96) throw Error("No well has the index " + std::to_string(index));
  const int column = index % 12 + 1;
  std::string name(1, static_cast<char>('A' + index / 12));
  if (column < 10) name += '0';
  return name + std::to_string(column);
}

std::optional<int> WellIndexIfAny(std::string_view name) {
  const bool shaped = name.size() == 3 && name[0] >= 'A' && name[0] <= 'H' && name[1] >= '0' &&
                      name[1] <= '9' && name[2] >= '0' && name[2] <= '9';
  const int column = shaped ? (name[1] - '0') * 10 + (name[2] - '0') : 0;
  if (column < 1 || column > 12) return std::nullopt;
  return (name[0] - 'A') * 12 + column - 1;
}

int WellIndex(std::string_view name) {
  const std::optional<int> index = WellIndexIfAny(name);
  if (!index) throw Error("'" + std::string(name) + "' is no well name");
  return *index;
}

std::vector<int> ParseWellList(std::string_view list) {
  std::vector<bool> chosen(96, false);
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t comma = std::min(list.find(',', start), list.size());
    const std::string_view part = list.substr(start, comma - start);
    const std::size_t dash = part.find('-');
    const auto index = [&](std::string_view name) {
      const std::optional<int> well = WellIndexIfAny(name);
      if (!well) {
        throw Error("'" + std::string(part) + "' in the well list '" + std::string(list) +
                    "' is no well name or range such as A01-A12");
      }
      return *well;
    };
    const int first = index(part.substr(0, dash));
    const int last = dash == std::string_view::npos ? first : index(part.substr(dash + 1));
    if (last < first) {
      throw Error("The range '" + std::string(part) + "' runs backwards; write it as " +
                  WellName(last) + "-" + WellName(first));
    }
    for (int well = first; well <= last; ++well) chosen[well] = true;
    start = comma + 1;
  }
  std::vector<int> wells;
  for (int well = 0; well < 96; ++well) {
    if (chosen[well]) wells.push_back(well);
  }
  return wells;
}

std::vector<int> ShardOf(const std::vector<int>& wells, int part, int parts) {
  if (parts < 1 || part < 1 || part > parts) {
    throw Error("Shard " + std::to_string(part) + "/" + std::to_string(parts) +
                " does not exist: write I/N with 1 <= I <= N");
  }
  std::vector<int> shard;
  for (std::size_t k = static_cast<std::size_t>(part - 1); k < wells.size();
       k += static_cast<std::size_t>(parts)) {
    shard.push_back(wells[k]);
  }
  return shard;
}

}  // namespace vembrel
