// The Incucyte-style layout of exported pictures:
// [<vessel>_][<channel>_]<well>_<image>_<stamp>.tif, the well as A1 or A01,
// image k in the place of field k-1, and the time the picture was taken as
// its stamp: elapsed since the scan started, <D>d<HH>h<MM>m ("00d06h30m"), or
// the date and time <YY>y<MM>m<DD>d_<HH>h<MM>m ("20y03m14d_10h30m", the year
// also with four digits). The channel is one of the instrument's names, Red
// (1), Green (2), Blue (3), Orange (4), NIR (5) and Phase (6), so Red is read
// as the nuclear and Green as the cell stain unless --channels chooses others;
// names without one hold their field's channels as pages, numbered from 1.
// The time points are the stamps in time order, numbered from 1 when the plate
// is opened. The prefix is <vessel>_, or the folder's name followed by "_".
#include <array>

#include "imaging/acquisition_time.h"
#include "plate/name_reading.h"
#include "plate/plate_layout.h"

namespace vembrel {
namespace {

constexpr std::array<std::string_view, 6> kChannelNames{"Red",    "Green", "Blue",
                                                        "Orange", "NIR",   "Phase"};

// The channel's number (from 1) of an instrument's channel name.
std::optional<int> ChannelOfName(std::string_view name) {
  for (std::size_t i = 0; i < kChannelNames.size(); ++i) {
    if (kChannelNames[i] == name) return static_cast<int>(i) + 1;
  }
  return std::nullopt;
}

// Drops "_<token>" from the back of text and gives the token; nothing (text
// unchanged) when text has no "_" left. A text without "_" is all one token
// when `whole` allows it.
std::optional<std::string_view> TakeLastToken(std::string_view& text, bool whole = false) {
  const std::size_t underscore = text.rfind('_');
  if (underscore == std::string_view::npos) {
    if (!whole || text.empty()) return std::nullopt;
    const std::string_view token = text;
    text = {};
    return token;
  }
  const std::string_view token = text.substr(underscore + 1);
  text = text.substr(0, underscore);
  return token;
}

class Incucyte : public PlateLayout {
 public:
  std::string name() const override { return "incucyte"; }
  std::string title() const override {
    return "Incucyte-style [<vessel>_][<channel>_]<well>_<image>_<stamp>.tif";
  }

  std::optional<FieldName> parse(std::string_view fileName) const override {
    std::string_view stem = fileName;
    if (!TakeBack(stem, ".tif") && !TakeBack(stem, ".TIF") && !TakeBack(stem, ".tiff")) {
      return std::nullopt;
    }
    // The stamp: one token elapsed, two tokens as a date and time.
    std::string_view rest = stem;
    std::optional<std::string_view> last = TakeLastToken(rest);
    if (!last) return std::nullopt;
    std::string stamp(*last);
    if (!NameTimeStampSeconds(stamp)) {
      const std::optional<std::string_view> date = TakeLastToken(rest);
      if (!date) return std::nullopt;
      stamp = std::string(*date) + "_" + stamp;
      if (!NameTimeStampSeconds(stamp)) return std::nullopt;
    }
    const std::optional<std::string_view> image = TakeLastToken(rest);
    const int field = image ? NumberOf(*image).value_or(0) : 0;
    const std::optional<std::string_view> wellText = TakeLastToken(rest, true);
    const std::optional<WellKey> well = wellText ? WellOf(*wellText) : std::nullopt;
    if (field < 1 || !well) return std::nullopt;

    FieldName name;
    name.well = *well;
    name.field = field - 1;
    name.timeStamp = std::move(stamp);
    std::string_view head = rest;
    std::optional<int> channel;
    if (std::string_view before = head; const auto word = TakeLastToken(before, true)) {
      if ((channel = ChannelOfName(*word))) head = before;
    }
    name.plate = std::string(head);
    name.channel = channel.value_or(0);
    name.channelPages = !channel;
    return name;
  }

  std::string format(const FieldName& f) const override {
    std::string name = f.plate.empty() ? "" : f.plate + "_";
    if (!f.channelPages && f.channel >= 1 && f.channel <= static_cast<int>(kChannelNames.size())) {
      name += std::string(kChannelNames[static_cast<std::size_t>(f.channel - 1)]) + "_";
    }
    return name + RowName(f.well.row) + std::to_string(f.well.column + 1) + "_" +
           std::to_string(f.field + 1) + "_" + f.timeStamp + ".tif";
  }

  std::string prefix(const std::string& plate, const std::string& folderName) const override {
    return (plate.empty() ? folderName : plate) + "_";
  }
  std::string fieldLabel(int field) const override { return "image " + std::to_string(field + 1); }
  std::string channelLabel(int channel) const override {
    if (channel >= 1 && channel <= static_cast<int>(kChannelNames.size())) {
      return std::string(kChannelNames[static_cast<std::size_t>(channel - 1)]);
    }
    return "channel " + std::to_string(channel);
  }
  std::optional<int> channelOfWord(std::string_view word) const override {
    return ChannelOfName(word);
  }
  bool hasTimePoints() const override { return true; }

 private:
  // A1 or A01, rows of one or two letters (A..AF), columns 1..48.
  static std::optional<WellKey> WellOf(std::string_view text) {
    std::size_t letters = 0;
    while (letters < text.size() && letters < 2 && text[letters] >= 'A' && text[letters] <= 'Z') {
      ++letters;
    }
    const int row = letters > 0 ? RowOfLetters(text.substr(0, letters)).value_or(-1) : -1;
    const std::string_view digits = text.substr(letters);
    const int column = digits.size() <= 2 ? NumberOf(digits).value_or(0) : 0;
    if (row < 0 || row >= 32 || column < 1 || column > 48) return std::nullopt;
    return WellKey{row, column - 1};
  }
};

}  // namespace

std::unique_ptr<PlateLayout> IncucyteLayout() {
  return std::make_unique<Incucyte>();
}

}  // namespace vembrel
