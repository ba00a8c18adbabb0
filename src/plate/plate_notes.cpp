#include "plate/plate_notes.h"

#include <algorithm>

#include "plate/picture_size.h"

namespace vembrel {
namespace {

constexpr std::size_t kListedWells = 12;
constexpr std::size_t kListedNames = 6;

std::string Join(const std::vector<std::string>& items, const std::string& separator) {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : separator) + item;
  return text;
}

std::string Wells(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " well" : " wells");
}

// "A02 (...), B05 (...)", the first few wells and how many more.
std::string WellList(const std::vector<std::string>& items) {
  std::vector<std::string> shown(items.begin(),
                                 items.begin() + std::min(items.size(), kListedWells));
  std::string text = Join(shown, ", ");
  if (items.size() > shown.size()) {
    text += " and " + std::to_string(items.size() - shown.size()) + " more";
  }
  return text;
}

std::string MissingFields(const WellRecord& well, const Plate& plate, const PlateLayout& layout) {
  std::vector<std::string> parts;
  for (int stain = 0; stain < 2; ++stain) {
    const auto& files = stain == 0 ? well.blueFiles : well.greenFiles;
    std::vector<std::string> missing;
    for (int field = 0; field < plate.fieldsPerWell; ++field) {
      if (files[field].empty()) missing.push_back(layout.fieldLabel(field));
    }
    if (!missing.empty()) {
      parts.push_back(layout.channelLabel(plate.channels[stain]) + ": " + Join(missing, ", "));
    }
  }
  return Join(parts, "; ");
}

// "1024 x 1024: w1 site 4, w2 site 4; the others 512 x 512", or "" when all
// readable fields of the well have one size.
std::string MixedSizes(const WellRecord& well, const Plate& plate, const PlateLayout& layout) {
  std::map<PictureSize, std::vector<std::string>> bySize;
  for (int stain = 0; stain < 2; ++stain) {
    const auto& files = stain == 0 ? well.blueFiles : well.greenFiles;
    for (int field = 0; field < 4; ++field) {
      if (files[field].empty()) continue;
      if (const std::optional<PictureSize> size = ReadTiffSize(files[field])) {
        bySize[*size].push_back(layout.channelLabel(plate.channels[stain]) + " " +
                                layout.fieldLabel(field));
      }
    }
  }
  if (bySize.size() < 2) return {};
  const auto common = std::max_element(bySize.begin(), bySize.end(), [](auto& a, auto& b) {
    return a.second.size() < b.second.size();
  });
  std::vector<std::string> parts;
  for (const auto& [size, fields] : bySize) {
    if (size != common->first) parts.push_back(SizeText(size) + ": " + Join(fields, ", "));
  }
  parts.push_back("the others " + SizeText(common->first));
  return Join(parts, "; ");
}

}  // namespace

void AddFieldNotes(Plate& plate, const PlateLayout& layout, const FieldCensus& census) {
  std::vector<std::string> missing, mixed, beyond;
  for (const WellRecord& well : plate.wells) {
    const auto hasAny = [](const std::array<std::string, 4>& files) {
      return std::any_of(files.begin(), files.end(), [](auto& f) { return !f.empty(); });
    };
    if (!hasAny(well.blueFiles) && !hasAny(well.greenFiles)) continue;
    const std::string lacking = MissingFields(well, plate, layout);
    if (!lacking.empty()) missing.push_back(well.name + " (" + lacking + ")");
    const std::string sizes = MixedSizes(well, plate, layout);
    if (!sizes.empty()) mixed.push_back(well.name + " (" + sizes + ")");
  }
  for (const auto& [well, fields] : census.beyondMosaic) {
    std::vector<std::string> labels;
    for (int field : fields) labels.push_back(layout.fieldLabel(field));
    beyond.push_back(plate.wells[well].name + " (" + Join(labels, ", ") + ")");
  }
  if (!missing.empty() && plate.fieldsPerWell == 1) {
    plate.notes.push_back("A stain's picture of the whole well is missing in " +
                          Wells(missing.size()) +
                          ", whose mosaics of it stay black: " + WellList(missing));
  } else if (!missing.empty()) {
    plate.notes.push_back("Fewer than four fields in " + Wells(missing.size()) +
                          ", whose missing quarters stay black: " + WellList(missing));
  }
  if (!beyond.empty()) {
    plate.notes.push_back(
        "Fields beyond the fourth have no place in the 2 x 2 mosaic and are "
        "ignored in " +
        Wells(beyond.size()) + ": " + WellList(beyond));
  }
  if (!mixed.empty()) {
    plate.notes.push_back("Fields of mixed sizes in " + Wells(mixed.size()) + ": " +
                          WellList(mixed));
  }
  if (!census.duplicate.first.empty()) {
    plate.notes.push_back("Two files name the same field, the first by name is read: '" +
                          census.duplicate.first + "' and '" + census.duplicate.second + "'");
  }
}

std::string NoWellMessage(const std::string& folder, const std::vector<std::string>& names,
                          const std::string& reason) {
  std::string text =
      "No well found in '" + (folder.empty() ? std::string(".") : folder) + "': " + reason + "; ";
  if (names.empty()) return text + "the folder holds no file";
  std::vector<std::string> quoted;
  for (std::size_t i = 0; i < std::min(names.size(), kListedNames); ++i) {
    quoted.push_back("'" + names[i] + "'");
  }
  text += "files seen: " + Join(quoted, ", ");
  if (names.size() > quoted.size()) {
    text += " and " + std::to_string(names.size() - quoted.size()) + " more";
  }
  return text;
}

std::string NoFitReason(const std::vector<std::shared_ptr<const PlateLayout>>& tried) {
  std::vector<std::string> titles;
  for (const auto& layout : tried) titles.push_back(layout->title());
  return std::string("no file name fits ") +
         (tried.size() == 1 ? "the layout " : "the layouts tried: ") + Join(titles, "; ");
}

std::string SeveralPlatesNote(const std::map<std::string, int>& plates, const std::string& shown) {
  std::vector<std::string> listed;
  for (const auto& [name, files] : plates) {
    listed.push_back("'" + name + "' (" + std::to_string(files) + " files)");
  }
  return "The folder holds " + std::to_string(plates.size()) + " plates: " + Join(listed, ", ") +
         "; '" + shown + "' is shown (choose one of another plate's pictures to open that one)";
}

std::string JoinNumbers(const std::set<int>& numbers) {
  std::vector<std::string> items;
  for (int number : numbers) items.push_back(std::to_string(number));
  return Join(items, ", ");
}

std::string InputBitsNote(const Plate& plate) {
  if (!plate.inputBitsDetected) {
    return "16-bit samples read as " + std::to_string(plate.inputBits) + " bits (--input-bits)";
  }
  if (plate.inputBits == 8) {
    if (plate.pictureKind.empty() || plate.pictureKind == "8-bit grey") return "";
    return plate.pictureKind + " pictures read as 8 bits a channel";
  }
  if (plate.inputBits == 16) return "16-bit samples read as 16 bits (they use the full range)";
  return "16-bit samples read as " + std::to_string(plate.inputBits) +
         " bits: no value in the first included well's fields is above " +
         std::to_string((1 << plate.inputBits) - 1) + " (--input-bits chooses otherwise)";
}

}  // namespace vembrel
