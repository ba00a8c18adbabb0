#include "plate/setting_explanations.h"

#include <array>
#include <limits>

namespace vembrel {
namespace {

using enum SettingId;

constexpr std::string_view kGreyLevel = "grey level (0-255)";
constexpr std::string_view kPixels = "pixels";

// In settings-file order, as the descriptors.
constexpr std::array<SettingExplanation, kSettingCount> kExplanations{{
    {kGreyLevel,
     "Green values below it become 0 in the composite that the ring fit and every count read; "
     "raise it to silence a green background"},
    {kGreyLevel,
     "Blue values below it become 0 in the composite; raise it to silence a blue background"},
    {"yes or no",
     "Stretches the green window (cut-off to saturation) over 0-255 in the composite, which "
     "shifts the grey levels the nucleus and cell cut-offs compare with"},
    {"yes or no", "Stretches the blue window over 0-255 in the composite, as for green"},
    {kGreyLevel, "Blue values above it become 255 in the composite"},
    {kGreyLevel, "Green values above it become 255 in the composite"},
    {kPixels,
     "Radius of the ring (the cell-free zone) in mosaic pixels, whatever its file key says: "
     "immigrant nuclei are counted inside it, the density profile starts at it, and the "
     "average distance is measured from its edge"},
    {kGreyLevel,
     "A pixel belongs to a nucleus when its green value reaches this cut-off and its blue value "
     "the blue one"},
    {kGreyLevel,
     "A pixel belongs to a nucleus when its blue value reaches this cut-off; lower it to find "
     "faint nuclei, raise it to part touching ones"},
    {kPixels,
     "A nucleus is counted only when its area exceeds this (strictly); smaller objects are "
     "debris. Counted nuclei, calculated nuclei, total nuclei and the density profile all "
     "depend on it"},
    {kPixels,
     "A nucleus is counted only when its area stays below this (strictly); larger objects are "
     "clumps. With the minimal size it sets the average nucleus size and so the calculated "
     "nuclei"},
    {kPixels,
     "Width of each ring of the density profile outside the cell-free zone; wider rings give "
     "fewer, smoother bars"},
    {kGreyLevel,
     "Cell level: a cell grows from its nucleus over the pixels whose green value reaches this "
     "cut-off (never below the green display cut-off)"},
    {kPixels, "Cell level: a cell is kept only when its area exceeds this"},
    {kPixels, "Cell level: a cell larger than this is not kept"},
    {"length\xC2\xB2 / area",
     "Cell level: a cell whose elongation (longest chord through its centre, squared, over its "
     "area) reaches this is oval, else round"},
    {"fit quality (0-1)",
     "Cell level: a cell whose outline fits a smooth curve at least this well is smooth, else "
     "rough"},
}};

std::string Scaled(std::int32_t value, std::int32_t scale) {
  if (scale == 1) return std::to_string(value);
  const std::string digits = std::to_string(scale).substr(1);  // "0" or "00"
  std::string text = std::to_string(value / scale);
  std::string fraction = std::to_string(value % scale);
  fraction.insert(0, digits.size() - fraction.size(), '0');
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  return fraction.empty() ? text : text + "." + fraction;
}

// A table cell: "|" would end it.
std::string Cell(std::string_view text) {
  std::string cell;
  for (const char ch : text) {
    if (ch == '|') cell += '\\';
    cell += ch;
  }
  return cell;
}

}  // namespace

const SettingExplanation& Explain(SettingId id) {
  return kExplanations[static_cast<std::size_t>(id)];
}

std::string SettingRangeText(const SettingDescriptor& setting) {
  if (setting.type == SettingType::Flag) return "yes or no";
  const std::string minimum = Scaled(setting.minimum, setting.sliderScale);
  std::string text = setting.maximum == std::numeric_limits<std::int32_t>::max()
                         ? minimum + " and up"
                         : minimum + " to " + Scaled(setting.maximum, setting.sliderScale);
  if (setting.sliderScale != 1) text += " in steps of " + Scaled(1, setting.sliderScale);
  return text;
}

std::string SettingsReferenceMarkdown() {
  std::string text =
      "| File key | Name | Caption | Unit | Range | Default | Effect |\n"
      "|---|---|---|---|---|---|---|\n";
  for (const SettingDescriptor& setting : AllSettings()) {
    const SettingExplanation& explanation = Explain(setting.id);
    std::string defaultText = SettingValueText(setting.defaultValue);
    if (setting.type == SettingType::Flag) {
      defaultText = std::get<bool>(setting.defaultValue) ? "yes" : "no";
    }
    text +=
        "| `" + std::string(setting.key) + "` | `" + std::string(setting.name) + "` | " +
        Cell(std::string(setting.panelGroup) + ", \"" + std::string(setting.panelCaption) + "\"") +
        " | " + Cell(explanation.unit) + " | " + SettingRangeText(setting) + " | " + defaultText +
        " | " + Cell(explanation.effect) + " |\n";
  }
  return text;
}

}  // namespace vembrel
