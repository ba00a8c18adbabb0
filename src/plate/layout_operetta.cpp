// The Operetta/Harmony-style layout: r<RR>c<CC>f<FF>p<PP>-ch<N>sk<T>fk1fl1.tiff,
// row and column of the well from 01, field k in the place of field k-1,
// focal plane PP, time point T (sk: the k-th acquisition of a time series). The names carry no
// plate: the prefix is the folder's name followed by "_".
#include "plate/name_reading.h"
#include "plate/plate_layout.h"

namespace vembrel {
namespace {

class Operetta : public PlateLayout {
 public:
  std::string name() const override { return "operetta"; }
  std::string title() const override {
    return "Operetta/Harmony-style r<RR>c<CC>f<FF>p<PP>-ch<N>sk<T>fk1fl1.tiff";
  }

  std::optional<FieldName> parse(std::string_view fileName) const override {
    std::string_view rest = fileName;
    std::optional<int> row, column, field, plane, channel, timePoint;
    const bool shaped =
        TakeFront(rest, "r") && (row = TakeNumber(rest, 2, 2)) && TakeFront(rest, "c") &&
        (column = TakeNumber(rest, 2, 2)) && TakeFront(rest, "f") &&
        (field = TakeNumber(rest, 2)) && TakeFront(rest, "p") && (plane = TakeNumber(rest, 2)) &&
        TakeFront(rest, "-ch") && (channel = TakeNumber(rest, 1)) && TakeFront(rest, "sk") &&
        (timePoint = TakeNumber(rest, 1)) && rest == "fk1fl1.tiff";
    if (!shaped || *row < 1 || *column < 1 || *field < 1 || *timePoint < 1) {
      return std::nullopt;
    }
    FieldName name;
    name.well = {*row - 1, *column - 1};
    name.field = *field - 1;
    name.channel = *channel;
    name.plane = *plane;
    name.timePoint = *timePoint;
    return name;
  }

  std::string format(const FieldName& f) const override {
    return "r" + Padded(f.well.row + 1, 2) + "c" + Padded(f.well.column + 1, 2) + "f" +
           Padded(f.field + 1, 2) + "p" + Padded(f.plane, 2) + "-ch" + std::to_string(f.channel) +
           "sk" + std::to_string(f.timePoint) + "fk1fl1.tiff";
  }

  std::string prefix(const std::string&, const std::string& folderName) const override {
    return folderName + "_";
  }
  std::string fieldLabel(int field) const override { return "field " + std::to_string(field + 1); }
  std::string channelLabel(int channel) const override { return "ch" + std::to_string(channel); }
  bool hasPlanes() const override { return true; }
  bool hasTimePoints() const override { return true; }
};

}  // namespace

std::unique_ptr<PlateLayout> OperettaLayout() {
  return std::make_unique<Operetta>();
}

}  // namespace vembrel
