#include "support/layout_plate.h"

#include <filesystem>

#include "imaging/mosaic.h"
#include "support/tiff_writer.h"

namespace vembrel::testing {
namespace {

std::string TwoDigits(int value) {
  return (value < 10 ? "0" : "") + std::to_string(value);
}

}  // namespace

FieldNamer NativeNames(const std::string& prefix) {
  return [prefix](const std::string& well, int field, int channel) {
    return prefix + well + "f0" + std::to_string(field) + "d" + std::to_string(channel) + ".tif";
  };
}

FieldNamer ImageXpressNames(const std::string& plate, bool identified) {
  return [plate, identified](const std::string& well, int field, int channel) {
    return plate + "_" + well + "_s" + std::to_string(field + 1) + "_w" + std::to_string(channel) +
           (identified ? "0A1B2C3D4E5F60718293A4B5C6D7E8F9.TIF" : ".tif");
  };
}

FieldNamer OperettaNames(int plane, int timePoint) {
  return [plane, timePoint](const std::string& well, int field, int channel) {
    const int row = well[0] - 'A' + 1;
    const int column = std::stoi(well.substr(1));
    return "r" + TwoDigits(row) + "c" + TwoDigits(column) + "f" + TwoDigits(field + 1) + "p" +
           TwoDigits(plane) + "-ch" + std::to_string(channel) + "sk" + std::to_string(timePoint) +
           "fk1fl1.tiff";
  };
}

void WriteLayoutField(const std::string& folder, const FieldNamer& names, const std::string& well,
                      int field, int channel, const MosaicGrey& grey, int side) {
  std::filesystem::create_directories(folder);
  const int place = field < 4 ? field : 0;
  std::vector<std::uint16_t> values;
  values.reserve(static_cast<std::size_t>(side) * side);
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      const int column = x * kFieldSize / side;
      const int rowFromTop = y * kFieldSize / side;
      values.push_back(static_cast<std::uint16_t>(
          grey(QuadrantColumn(place) + column, QuadrantRow(place) + kFieldSize - 1 - rowFromTop)));
    }
  }
  WriteGreyTiff(folder + "/" + names(well, field, channel), side, side, values);
}

void WriteLayoutWell(const std::string& folder, const FieldNamer& names, const std::string& well,
                     std::array<int, 2> channels, const MosaicGrey& blue, const MosaicGrey& green,
                     int blueFields, int greenFields) {
  for (int field = 0; field < 4; ++field) {
    if ((blueFields & (1 << field)) != 0) {
      WriteLayoutField(folder, names, well, field, channels[0], blue);
    }
    if ((greenFields & (1 << field)) != 0) {
      WriteLayoutField(folder, names, well, field, channels[1], green);
    }
  }
}

}  // namespace vembrel::testing
