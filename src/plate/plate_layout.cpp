#include "plate/plate_layout.h"

#include "core/error.h"
#include "plate/name_reading.h"

namespace vembrel {

std::vector<std::unique_ptr<PlateLayout>> BuiltInLayouts() {
  std::vector<std::unique_ptr<PlateLayout>> layouts;
  layouts.push_back(NativeLayout());
  layouts.push_back(ImageXpressLayout());
  layouts.push_back(OperettaLayout());
  layouts.push_back(IncucyteLayout());
  return layouts;
}

std::unique_ptr<PlateLayout> LayoutFromOption(const std::string& value) {
  if (value.find('{') != std::string::npos) return PatternLayout(value);
  for (auto& layout : BuiltInLayouts()) {
    if (layout->name() == value) return std::move(layout);
  }
  throw Error(
      "Unknown layout '" + value +
      "': give native, imagexpress, operetta, incucyte or a pattern with {well}, {field} and "
      "{channel} such as '{plate}_{well}_s{field}_w{channel}.tif'");
}

std::vector<FieldSource> FieldSourcesOf(const std::string& file, const FieldName& name,
                                        const PlateLayout& layout, const FilePages& pages) {
  std::vector<FieldSource> sources;
  for (std::size_t page = 0; page < pages.places.size(); ++page) {
    const PagePlace& place = pages.places[page];
    const bool channelPages = layout.channelsAsPages() || name.channelPages;
    sources.push_back({file, static_cast<int>(page), channelPages ? place.channel : name.channel,
                       layout.wholeWellFiles() ? 0 : name.field, place.timePoint, place.plane});
  }
  if (!pages.places.empty()) return sources;
  for (int field = 0; field < pages.fields; ++field) {
    for (int channel = 0; channel < pages.channels; ++channel) {
      FieldSource& source = sources.emplace_back();
      source.file = file;
      source.page = field * pages.channels + channel;
      source.channel = layout.channelsAsPages() || name.channelPages ? channel + 1 : name.channel;
      source.site = layout.wholeWellFiles() ? field : name.field;
      source.timePoint = name.timePoint;
      source.plane = name.plane;
    }
  }
  return sources;
}

std::array<int, 2> ParseChannelChoice(std::string_view text) {
  const std::size_t comma = text.find(',');
  const std::optional<int> nuclear =
      comma == std::string_view::npos ? std::nullopt : NumberOf(text.substr(0, comma));
  const std::optional<int> cell =
      comma == std::string_view::npos ? std::nullopt : NumberOf(text.substr(comma + 1));
  if (!nuclear || !cell || *nuclear == *cell) {
    throw Error("Channels '" + std::string(text) +
                "': give the nuclear and the cell stain's channel numbers, two different "
                "numbers such as 1,2");
  }
  return {*nuclear, *cell};
}

}  // namespace vembrel
