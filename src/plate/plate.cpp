#include "plate/plate.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>

#include "core/date_text.h"
#include "plate/well_names.h"

namespace vembrel {
namespace {

constexpr const char* kSeparators = "/\\:";

bool FileExists(const std::string& path) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  return std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

}  // namespace

Plate::Plate() {
  for (int i = 0; i < 96; ++i) {
    wells[i].index = i;
    wells[i].name = WellName(i);
  }
}

std::string PlatePathOf(const std::string& fileName) {
  const std::size_t last = fileName.find_last_of(kSeparators);
  return last == std::string::npos ? std::string() : fileName.substr(0, last + 1);
}

std::string PlatePrefixOf(const std::string& fileName) {
  std::string name = fileName.substr(PlatePathOf(fileName).size());
  // The extension is taken to be a dot and three letters.
  name.resize(name.size() >= 4 ? name.size() - 4 : 0);
  const std::size_t underscore = name.rfind('_');
  return underscore == std::string::npos ? std::string() : name.substr(0, underscore + 1);
}

double MeasurementDateOf(const std::string& fileName) {
  struct statx info {};
  if (statx(AT_FDCWD, fileName.c_str(), 0, STATX_BTIME | STATX_MTIME, &info) != 0) return 0;
  const bool hasBirth = (info.stx_mask & STATX_BTIME) != 0;
  return DateTimeFromTime(
      static_cast<std::time_t>(hasBirth ? info.stx_btime.tv_sec : info.stx_mtime.tv_sec));
}

std::string ResultsFolderOf(const std::string& platePath) {
  if (platePath.empty()) return {};
  const std::string withoutLast = platePath.substr(0, platePath.size() - 1);
  return PlatePathOf(withoutLast);
}

std::string FieldFileName(const std::string& plateBase, int well, int field, bool green) {
  return plateBase + WellName(well) + "f0" + std::to_string(field) + (green ? "d1.tif" : "d0.tif");
}

std::array<std::string, 4> ChannelFieldFiles(const std::string& plateBase, int well, bool green) {
  std::array<std::string, 4> files;
  for (int field = 0; field < 4; ++field)
    files[field] = FieldFileName(plateBase, well, field, green);
  return files;
}

Plate OpenPlate(const std::string& chosenPicture) {
  Plate plate;
  plate.open = true;
  plate.path = PlatePathOf(chosenPicture);
  plate.measurementDate = MeasurementDateOf(chosenPicture);
  plate.prefix = PlatePrefixOf(chosenPicture);
  plate.base = plate.path + plate.prefix;
  for (WellRecord& well : plate.wells) {
    for (int field = 0; field < 4; ++field) {
      well.hasBlue[field] = FileExists(FieldFileName(plate.base, well.index, field, false));
      well.hasGreen[field] = FileExists(FieldFileName(plate.base, well.index, field, true));
      if (well.hasBlue[field]) {
        well.quarter[field] = well.hasGreen[field] ? QuarterColour::Cyan : QuarterColour::Blue;
        if (well.hasGreen[field]) well.state = 1;
      } else {
        well.quarter[field] = well.hasGreen[field] ? QuarterColour::Green : QuarterColour::None;
      }
    }
  }
  return plate;
}

RightClickResult ToggleWellInclusion(Plate& plate, int well) {
  WellRecord& record = plate.wells.at(static_cast<std::size_t>(well));
  if (record.state == 1) {
    record.quarter.fill(QuarterColour::Red);
    record.state = 0;
    return RightClickResult::Excluded;
  }
  for (QuarterColour colour : record.quarter) {
    if (colour != QuarterColour::Red) return RightClickResult::Unchanged;
  }
  record.quarter.fill(QuarterColour::Cyan);
  record.state = 1;
  return RightClickResult::Included;
}

}  // namespace vembrel
