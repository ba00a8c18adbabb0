#include "plate/well_names.h"

#include <algorithm>

#include "core/error.h"

namespace vembrel {

std::string WellName(int index, const PlateFormat& format) {
  if (index < 0 || index >= format.wellCount()) {
    throw Error("No well has the index " + std::to_string(index));
  }
  return WellName(format.keyOf(index));
}

std::optional<int> WellIndexIfAny(std::string_view name, const PlateFormat& format) {
  const std::optional<WellKey> key = WellKeyIfAny(name);
  if (!key || !format.holds(*key)) return std::nullopt;
  return format.indexOf(*key);
}

int WellIndex(std::string_view name, const PlateFormat& format) {
  const std::optional<int> index = WellIndexIfAny(name, format);
  if (!index) throw Error("'" + std::string(name) + "' is no well name");
  return *index;
}

std::vector<int> ParseWellList(std::string_view list, const PlateFormat& format) {
  std::vector<bool> chosen(static_cast<std::size_t>(format.wellCount()), false);
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t comma = std::min(list.find(',', start), list.size());
    const std::string_view part = list.substr(start, comma - start);
    const std::size_t dash = part.find('-');
    const auto index = [&](std::string_view name) {
      const std::optional<int> well = WellIndexIfAny(name, format);
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
                  WellName(last, format) + "-" + WellName(first, format));
    }
    for (int well = first; well <= last; ++well) chosen[well] = true;
    start = comma + 1;
  }
  std::vector<int> wells;
  for (int well = 0; well < format.wellCount(); ++well) {
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
