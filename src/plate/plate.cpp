#include "plate/plate.h"

#include <fcntl.h>

#include <sys/stat.h>
#include <algorithm>

#include "core/date_text.h"
#include "plate/well_names.h"

namespace vembrel {
namespace {

constexpr const char* kSeparators = "/\\:";

}  // namespace

Plate::Plate() {
  setFormat(format);
}

void Plate::setFormat(const PlateFormat& plateFormat) {
  format = plateFormat;
  wells.assign(static_cast<std::size_t>(format.wellCount()), WellRecord{});
  for (int i = 0; i < format.wellCount(); ++i) {
    wells[i].index = i;
    wells[i].name = WellName(i, format);
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

std::string FieldFileName(const std::string& plateBase, int well, int field, bool green,
                          const PlateFormat& format) {
  return plateBase + WellName(well, format) + "f0" + std::to_string(field) +
         (green ? "d1.tif" : "d0.tif");
}

std::array<std::string, 4> ChannelFieldFiles(const Plate& plate, int well, bool green) {
  const WellRecord& record = plate.wells.at(static_cast<std::size_t>(well));
  std::array<std::string, 4> files = green ? record.greenFiles : record.blueFiles;
  for (int field = 0; field < 4; ++field) {
    if (!files[field].empty()) continue;
    if (plate.naming == nullptr) {
      files[field] = FieldFileName(plate.base, well, field, green, plate.format);
    } else {
      const FieldName name{
          plate.plateName, plate.format.keyOf(well),
          field,           plate.channels[green ? 1 : 0],
          plate.plane,     plate.timePoint,
          plate.timeStamp, plate.naming->channelsAsPages() || plate.pages.channels > 1};
      files[field] = plate.path + plate.naming->format(name);
    }
  }
  return files;
}

std::vector<FieldSource> WellFieldSources(const Plate& plate, int well) {
  const WellRecord& record = plate.wells.at(static_cast<std::size_t>(well));
  std::vector<FieldSource> sources;
  for (const int channel : plate.channels) {
    for (int site = 0; site < plate.fieldsPerWell; ++site) {
      const auto found = std::find_if(
          record.sources.begin(), record.sources.end(),
          [&](const FieldSource& s) { return s.channel == channel && s.site == site; });
      if (found != record.sources.end()) {
        sources.push_back(*found);
        continue;
      }
      FieldSource& missing = sources.emplace_back();
      missing.channel = channel;
      missing.site = site;
      const bool fieldPages = plate.naming != nullptr && plate.naming->wholeWellFiles();
      const bool channelPages =
          plate.naming != nullptr && (plate.naming->channelsAsPages() || plate.pages.channels > 1);
      missing.page =
          (fieldPages ? site : 0) * plate.pages.channels + (channelPages ? channel - 1 : 0);
      const std::vector<PagePlace>& places = plate.pages.places;
      const auto place =
          std::find(places.begin(), places.end(), PagePlace{channel, plate.timePoint, plate.plane});
      if (place != places.end()) missing.page = static_cast<int>(place - places.begin());
      missing.timePoint = plate.timePoint;
      missing.plane = plate.plane;
      if (plate.naming == nullptr) {
        missing.file = FieldFileName(plate.base, well, site, channel == plate.channels[1]);
      } else {
        const FieldName name{
            plate.plateName, plate.format.keyOf(well), site,        channel, plate.plane,
            plate.timePoint, plate.timeStamp,          channelPages};
        missing.file = plate.path + plate.naming->format(name);
      }
    }
  }
  return sources;
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
