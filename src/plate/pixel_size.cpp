#include "plate/pixel_size.h"

#include <tiffio.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "core/convert.h"
#include "core/error.h"
#include "core/text_file.h"
#include "plate/picture_size.h"

namespace vembrel {
namespace {

std::optional<double> NumberIn(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '+')) text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

// Two readings of one size agree to a millionth.
bool Agree(double a, double b) {
  return std::fabs(a - b) <= 1e-6 * std::max(std::fabs(a), std::fabs(b));
}

// A value given in another unit, in micrometres to 12 significant digits:
// 8E-07 m is 0.8 µm, not 0.7999999999999999.
double InMicrometres(double value, double micrometresPerUnit) {
  if (micrometresPerUnit == 1.0) return value;
  char text[32];
  std::snprintf(text, sizeof text, "%.12g", value * micrometresPerUnit);
  return std::strtod(text, nullptr);
}

std::string Number(double value) {
  return FloatToText(value);
}

// The value of attribute `name` in the tag around position `inside`.
std::optional<std::string_view> AttributeOfTag(std::string_view xml, std::size_t inside,
                                               std::string_view name) {
  const std::size_t open = xml.rfind('<', inside);
  const std::size_t close = xml.find('>', inside);
  if (open == std::string_view::npos || close == std::string_view::npos) return std::nullopt;
  const std::string_view tag = xml.substr(open, close - open);
  const std::string key = " " + std::string(name) + "=\"";
  const std::size_t at = tag.find(key);
  if (at == std::string_view::npos) return std::nullopt;
  const std::size_t start = at + key.size();
  const std::size_t end = tag.find('"', start);
  if (end == std::string_view::npos) return std::nullopt;
  return tag.substr(start, end - start);
}

// The value="..." of the MetaSeries property with this id.
std::optional<std::string_view> Property(std::string_view description, std::string_view id) {
  const std::size_t at = description.find("id=\"" + std::string(id) + "\"");
  if (at == std::string_view::npos) return std::nullopt;
  return AttributeOfTag(description, at, "value");
}

// Micrometres in one unit of a length unit's name; nothing for a name not known.
std::optional<double> MicrometresPerUnit(std::string_view unit) {
  if (unit == "um" || unit == "\xC2\xB5m" || unit == "micron" || unit == "microns") return 1.0;
  if (unit == "nm") return 0.001;
  if (unit == "mm") return 1000.0;
  if (unit == "m") return 1e6;
  return std::nullopt;
}

std::string FileOnly(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

}  // namespace

double ParsePixelSizeOption(std::string_view text) {
  const std::optional<double> value = NumberIn(text);
  if (!value || !(*value > 0) || !(*value < kPixelSizeOptionLimit)) {
    throw Error("'" + std::string(text) +
                "' is no pixel size: give the micrometres per pixel as a positive number below " +
                Number(kPixelSizeOptionLimit));
  }
  return *value;
}

PixelSizeReading MetaSeriesPixelSize(std::string_view description) {
  PixelSizeReading reading;
  const auto x = Property(description, "spatial-calibration-x");
  if (!x) return reading;
  if (const auto state = Property(description, "spatial-calibration-state");
      state && *state != "on") {
    return reading;  // calibration switched off: the values mean nothing
  }
  double perUnit = 1.0;
  if (const auto unit = Property(description, "spatial-calibration-units")) {
    if (*unit == "pixel" || *unit == "pixels" || *unit == "pix") return reading;
    const auto known = MicrometresPerUnit(*unit);
    if (!known) {
      reading.note = "its spatial calibration is in the unknown unit '" + std::string(*unit) + "'";
      return reading;
    }
    perUnit = *known;
  }
  const auto xValue = NumberIn(*x);
  const auto y = Property(description, "spatial-calibration-y");
  const auto yValue = y ? NumberIn(*y) : xValue;
  if (!xValue || !yValue) {
    reading.note = "its spatial calibration '" + std::string(*x) + "' is no number";
    return reading;
  }
  if (!Agree(*xValue, *yValue)) {
    reading.note = "its spatial calibration differs in x (" + Number(*xValue) + ") and y (" +
                   Number(*yValue) + ")";
    return reading;
  }
  reading.micrometres = InMicrometres(*xValue, perUnit);
  return reading;
}

PixelSizeReading HarmonyPixelSize(std::string_view index) {
  PixelSizeReading reading;
  std::optional<double> first;
  for (const std::string_view element : {"<ImageResolutionX", "<ImageResolutionY"}) {
    for (std::size_t at = index.find(element); at != std::string_view::npos;
         at = index.find(element, at + 1)) {
      const std::size_t contentStart = index.find('>', at);
      const std::size_t contentEnd = index.find('<', contentStart);
      if (contentStart == std::string_view::npos || contentEnd == std::string_view::npos) break;
      const std::string_view content =
          index.substr(contentStart + 1, contentEnd - contentStart - 1);
      const auto unit = AttributeOfTag(index, at + 1, "Unit");
      const auto perUnit = MicrometresPerUnit(unit ? *unit : "m");
      const auto value = NumberIn(content);
      if (!perUnit) {
        reading.note = "its image resolution is in the unknown unit '" + std::string(*unit) + "'";
        return reading;
      }
      if (!value) {
        reading.note = "its image resolution '" + std::string(content) + "' is no number";
        return reading;
      }
      const double micrometres = InMicrometres(*value, *perUnit);
      if (first && !Agree(*first, micrometres)) {
        reading.note = "its images' resolutions differ (" + Number(*first) + " and " +
                       Number(micrometres) + " micrometres)";
        return reading;
      }
      if (!first) first = micrometres;
    }
  }
  reading.micrometres = first;
  return reading;
}

PixelSizeReading ResolutionPixelSize(double xResolution, double yResolution, int unit) {
  PixelSizeReading reading;
  double micrometresPerUnit = 0;
  if (unit == RESUNIT_CENTIMETER) {
    micrometresPerUnit = 10000;
  } else if (unit == RESUNIT_INCH) {
    micrometresPerUnit = 25400;
  } else {
    return reading;  // no unit: a ratio of sides, no size
  }
  if (!(xResolution > 0) || !(yResolution > 0)) return reading;
  if (!Agree(xResolution, yResolution)) {
    reading.note = "its resolution differs in x (" + Number(xResolution) + ") and y (" +
                   Number(yResolution) + ")";
    return reading;
  }
  reading.micrometres = micrometresPerUnit / xResolution;
  return reading;
}

TiffPixelSizes ReadTiffPixelSizes(const std::string& fileName) {
  TiffPixelSizes sizes;
  const QuietTiff tif = OpenTiffQuietly(fileName);
  if (!tif) return sizes;
  const char* description = nullptr;
  if (TIFFGetField(tif.get(), TIFFTAG_IMAGEDESCRIPTION, &description) == 1 &&
      description != nullptr) {
    sizes.metaSeries = MetaSeriesPixelSize(description);
  }
  float x = 0, y = 0;
  std::uint16_t unit = RESUNIT_INCH;  // what TIFF takes when the tag is absent
  if (TIFFGetField(tif.get(), TIFFTAG_XRESOLUTION, &x) == 1) {
    if (TIFFGetField(tif.get(), TIFFTAG_YRESOLUTION, &y) != 1) y = x;
    TIFFGetField(tif.get(), TIFFTAG_RESOLUTIONUNIT, &unit);
    sizes.resolution = ResolutionPixelSize(x, y, unit);
  }
  return sizes;
}

std::string HarmonyIndexFile(const std::string& folder) {
  for (const char* name : {"Index.idx.xml", "Index.xml"}) {
    std::error_code error;
    if (std::filesystem::is_regular_file(folder + name, error)) return folder + name;
  }
  return "";
}

std::optional<PixelSize> DetectPixelSize(const std::vector<std::string>& fieldFiles,
                                         const std::string& harmonyIndex,
                                         std::vector<std::string>& notes) {
  // A source with its readings: each file's for the pictures' own tags.
  struct Source {
    std::string name;
    std::vector<PixelSizeReading> readings;
  };
  std::vector<TiffPixelSizes> tiffs;
  for (const std::string& file : fieldFiles) tiffs.push_back(ReadTiffPixelSizes(file));
  const std::string files = fieldFiles.empty() ? "" : "'" + FileOnly(fieldFiles.front()) + "'";
  std::vector<Source> sources(3);
  sources[0].name = "the MetaSeries description of " + files;
  for (const TiffPixelSizes& tiff : tiffs) sources[0].readings.push_back(tiff.metaSeries);
  if (!harmonyIndex.empty()) {
    sources[1].name = "the Harmony index '" + FileOnly(harmonyIndex) + "'";
    try {
      sources[1].readings.push_back(HarmonyPixelSize(ReadWholeFile(harmonyIndex)));
    } catch (const Error& e) {
      sources[1].readings.push_back({std::nullopt, std::string("it cannot be read: ") + e.what()});
    }
  }
  sources[2].name = "the TIFF resolution of " + files;
  for (const TiffPixelSizes& tiff : tiffs) sources[2].readings.push_back(tiff.resolution);

  for (const Source& source : sources) {
    std::optional<double> size;
    std::string fault;
    for (std::size_t k = 0; k < source.readings.size() && fault.empty(); ++k) {
      const PixelSizeReading& reading = source.readings[k];
      if (!reading.note.empty()) {
        fault = reading.note;
      } else if (reading.micrometres && size && !Agree(*size, *reading.micrometres)) {
        fault = "the pictures disagree ('" + FileOnly(fieldFiles[k]) + "' gives " +
                Number(*reading.micrometres) + " micrometres)";
      } else if (reading.micrometres && !size) {
        size = reading.micrometres;
      }
    }
    if (fault.empty() && size &&
        !(*size >= kLeastPlausiblePixelSize && *size <= kGreatestPlausiblePixelSize)) {
      fault = "it gives " + Number(*size) + " micrometres per pixel, outside " +
              Number(kLeastPlausiblePixelSize) + " to " + Number(kGreatestPlausiblePixelSize);
    }
    if (!fault.empty()) {
      notes.push_back("The pixel size of " + source.name + " is not used: " + fault);
      continue;
    }
    if (size) return PixelSize{*size, source.name};
  }
  return std::nullopt;
}

double MosaicPixelSize(double fieldPixelSize, int reducedFrom) {
  if (reducedFrom <= 512) return fieldPixelSize;
  return fieldPixelSize * reducedFrom / 512.0;
}

std::string PixelSizeText(const PixelSize& size) {
  return Number(size.micrometres) + " \xC2\xB5m per pixel (from " + size.source + ")";
}

}  // namespace vembrel
