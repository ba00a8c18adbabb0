// The native layout: <prefix><well>f0<field>d<channel>.tif, fields 0..3 and
// channels d0 (nuclear stain) and d1 (cell stain). The prefix is the text
// before the well, so "PL-A03f00d0.tif" has the prefix "PL-".
#include <cctype>

#include "plate/name_reading.h"
#include "plate/plate_layout.h"

namespace vembrel {
namespace {

bool IsUpper(char c) {
  return c >= 'A' && c <= 'Z';
}

class Native : public PlateLayout {
 public:
  std::string name() const override { return "native"; }
  std::string title() const override { return "native <prefix><well>f0<field>d<channel>.tif"; }

  std::optional<FieldName> parse(std::string_view fileName) const override {
    std::string_view stem = fileName;
    // <well>f0<digit>d<digit> closes the name: 8 characters.
    if (!TakeBack(stem, ".tif") || stem.size() < 8) return std::nullopt;
    const std::string_view tail = stem.substr(stem.size() - 8);
    // Rows AA..AF of 1536-well plates have two letters; they are read so
    // where the letters open the name or follow a character that is no letter.
    std::size_t wellLength = 3;
    if (stem.size() >= 9) {
      const std::optional<int> row = RowOfLetters(stem.substr(stem.size() - 9, 2));
      const bool letterBefore =
          stem.size() >= 10 && std::isalpha(static_cast<unsigned char>(stem[stem.size() - 10]));
      if (row && *row >= 26 && *row < 32 && IsUpper(stem[stem.size() - 9]) && !letterBefore) {
        wellLength = 4;
      }
    }
    const std::optional<WellKey> well =
        WellKeyIfAny(stem.substr(stem.size() - 5 - wellLength, wellLength));
    if (!well || tail[3] != 'f' || tail[4] != '0' || !IsDigit(tail[5]) || tail[6] != 'd' ||
        !IsDigit(tail[7])) {
      return std::nullopt;
    }
    FieldName field;
    field.plate = std::string(stem.substr(0, stem.size() - 5 - wellLength));
    field.well = *well;
    field.field = tail[5] - '0';
    field.channel = tail[7] - '0';
    return field;
  }

  std::string format(const FieldName& f) const override {
    return f.plate + WellName(f.well) + "f0" + std::to_string(f.field) + "d" +
           std::to_string(f.channel) + ".tif";
  }

  std::string prefix(const std::string& plate, const std::string&) const override { return plate; }
  std::optional<std::array<int, 2>> defaultChannels() const override {
    return std::array<int, 2>{0, 1};
  }
  std::string fieldLabel(int field) const override { return "f0" + std::to_string(field); }
  std::string channelLabel(int channel) const override { return "d" + std::to_string(channel); }
};

}  // namespace

std::unique_ptr<PlateLayout> NativeLayout() {
  return std::make_unique<Native>();
}

}  // namespace vembrel
