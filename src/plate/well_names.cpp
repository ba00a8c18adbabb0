#include "plate/well_names.h"

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

}  // namespace vembrel
