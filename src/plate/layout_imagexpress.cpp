// The ImageXpress-style layout: <plate>_<well>_s<site>_w<n>[<32 hex digits>].tif
// or .TIF. Site k takes the place of field k-1; "_thumb" pictures are
// thumbnails and never fields. The prefix is <plate>_.
#include <algorithm>
#include <cctype>

#include "plate/name_reading.h"
#include "plate/plate_layout.h"

namespace vembrel {
namespace {

constexpr std::size_t kHexDigits = 32;

class ImageXpress : public PlateLayout {
 public:
  std::string name() const override { return "imagexpress"; }
  std::string title() const override {
    return "ImageXpress-style <plate>_<well>_s<site>_w<n>[<32 hex digits>].tif|.TIF";
  }

  std::optional<FieldName> parse(std::string_view fileName) const override {
    if (fileName.find("_thumb") != std::string_view::npos) return std::nullopt;
    std::string_view stem = fileName;
    if (!TakeBack(stem, ".tif") && !TakeBack(stem, ".TIF")) return std::nullopt;
    const std::size_t w = stem.rfind("_w");
    if (w == std::string_view::npos) return std::nullopt;
    std::string_view wavelength = stem.substr(w + 2);
    // The hex identifier follows the wavelength without a separator.
    const auto isHex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    if (wavelength.size() > kHexDigits &&
        std::all_of(wavelength.end() - kHexDigits, wavelength.end(), isHex)) {
      wavelength.remove_suffix(kHexDigits);
    }
    const std::optional<int> channel = NumberOf(wavelength);

    std::string_view head = stem.substr(0, w);
    std::size_t digits = 0;
    while (digits < head.size() && IsDigit(head[head.size() - 1 - digits])) ++digits;
    const std::optional<int> site = NumberOf(head.substr(head.size() - digits));
    head.remove_suffix(digits);
    if (!channel || !site || *site < 1 || !TakeBack(head, "_s") || head.size() < 3) {
      return std::nullopt;
    }
    // The well has one or two row letters (A01, P24, AF48) and follows the plate's "_".
    std::size_t wellLength = 3;
    if (head.size() >= 4 && head[head.size() - 4] >= 'A' && head[head.size() - 4] <= 'Z' &&
        (head.size() == 4 || head[head.size() - 5] == '_')) {
      wellLength = 4;
    }
    const std::optional<WellKey> well = WellKeyIfAny(head.substr(head.size() - wellLength));
    head.remove_suffix(wellLength);
    if (!well || (!head.empty() && !TakeBack(head, "_"))) return std::nullopt;
    FieldName field;
    field.plate = std::string(head);
    field.well = *well;
    field.field = *site - 1;
    field.channel = *channel;
    return field;
  }

  std::string format(const FieldName& f) const override {
    return (f.plate.empty() ? "" : f.plate + "_") + WellName(f.well) + "_s" +
           std::to_string(f.field + 1) + "_w" + std::to_string(f.channel) + ".tif";
  }

  std::string prefix(const std::string& plate, const std::string&) const override {
    return plate.empty() ? "" : plate + "_";
  }
  std::string fieldLabel(int field) const override { return "site " + std::to_string(field + 1); }
  std::string channelLabel(int channel) const override { return "w" + std::to_string(channel); }
};

}  // namespace

std::unique_ptr<PlateLayout> ImageXpressLayout() {
  return std::make_unique<ImageXpress>();
}

}  // namespace vembrel
