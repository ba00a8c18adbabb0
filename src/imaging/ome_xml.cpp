#include "imaging/ome_xml.h"

#include <tiffio.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <pugixml.hpp>

#include "core/error.h"
#include "imaging/tiff_file.h"

namespace vembrel {
namespace {

// Sizes beyond these are no acquisition's; they keep the products small.
constexpr long long kLargestSize = 1'000'000;

// The element's name without a namespace prefix ("ome:Pixels" -> "Pixels").
std::string_view LocalName(const pugi::xml_node& node) {
  const std::string_view name = node.name();
  const std::size_t colon = name.find(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::vector<pugi::xml_node> Children(const pugi::xml_node& parent, std::string_view name) {
  std::vector<pugi::xml_node> found;
  for (const pugi::xml_node& child : parent.children()) {
    if (child.type() == pugi::node_element && LocalName(child) == name) found.push_back(child);
  }
  return found;
}

class Reader {
 public:
  explicit Reader(const std::string& fileName) : file_(fileName) {}

  [[noreturn]] void fail(const std::string& what) const {
    throw Error("OME-XML of '" + file_ + "': " + what);
  }

  // A whole number of at least `least`; `fallback` when the attribute is absent.
  long long count(const pugi::xml_node& node, const char* attribute, long long fallback,
                  long long least) const {
    const pugi::xml_attribute value = node.attribute(attribute);
    if (!value) return fallback;
    const std::string_view text = value.value();
    long long number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || number < least ||
        number > kLargestSize) {
      fail(std::string(LocalName(node)) + " " + attribute + "=\"" + std::string(text) +
           "\" is no whole number from " + std::to_string(least) + " to " +
           std::to_string(kLargestSize));
    }
    return number;
  }

  // A finite number of the attribute times the factor of its unit (unitAttribute,
  // `fallbackUnit` when absent); none without the attribute.
  template <std::size_t N>
  std::optional<double> measure(const pugi::xml_node& node, const char* attribute,
                                const char* unitAttribute, std::string_view fallbackUnit,
                                const std::array<std::pair<std::string_view, double>, N>& units,
                                bool positive) const {
    const pugi::xml_attribute value = node.attribute(attribute);
    if (!value) return std::nullopt;
    const std::string_view text = value.value();
    double number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || !(number >= 0) ||
        number > 1e12 || (positive && number == 0)) {
      fail(std::string(LocalName(node)) + " " + attribute + "=\"" + std::string(text) +
           "\" is no " + (positive ? "positive" : "non-negative") + " number");
    }
    const pugi::xml_attribute unitValue = node.attribute(unitAttribute);
    const std::string_view unit = unitValue ? std::string_view(unitValue.value()) : fallbackUnit;
    for (const auto& [name, factor] : units) {
      if (name == unit) return number * factor;
    }
    fail(std::string(LocalName(node)) + " " + unitAttribute + "=\"" + std::string(unit) +
         "\" is a unit not read");
  }

 private:
  std::string file_;
};

// Micrometres per unit of length.
constexpr std::array<std::pair<std::string_view, double>, 8> kLengthUnits{{{"µm", 1},
                                                                           {"μm", 1},
                                                                           {"um", 1},
                                                                           {"nm", 1e-3},
                                                                           {"pm", 1e-6},
                                                                           {"mm", 1e3},
                                                                           {"cm", 1e4},
                                                                           {"m", 1e6}}};
// Seconds per unit of time.
constexpr std::array<std::pair<std::string_view, double>, 7> kTimeUnits{
    {{"s", 1}, {"ms", 1e-3}, {"µs", 1e-6}, {"μs", 1e-6}, {"min", 60}, {"h", 3600}, {"d", 86400}}};

}  // namespace

bool IsOmeXml(std::string_view description) {
  return description.starts_with("<?xml") || description.find("<OME") != std::string_view::npos;
}

OmeImage ParseOmeXml(std::string_view text, int pageCount, const std::string& fileName) {
  const Reader reader(fileName);
  pugi::xml_document document;
  const pugi::xml_parse_result parsed = document.load_buffer(text.data(), text.size());
  if (!parsed) {
    reader.fail(std::string("not XML (") + parsed.description() + " at character " +
                std::to_string(parsed.offset) + ")");
  }
  const pugi::xml_node root = document.document_element();
  if (LocalName(root) != "OME") reader.fail("the root element is no OME");
  const std::vector<pugi::xml_node> images = Children(root, "Image");
  if (images.size() != 1) {
    reader.fail("holds " + std::to_string(images.size()) + " images; one image per file is read");
  }
  const std::vector<pugi::xml_node> pixelsElements = Children(images.front(), "Pixels");
  if (pixelsElements.size() != 1) reader.fail("the image has no Pixels or several");
  const pugi::xml_node pixels = pixelsElements.front();

  OmeImage image;
  image.dimensionOrder = pixels.attribute("DimensionOrder").value();
  std::string letters = image.dimensionOrder;
  if (letters.size() == 5 && letters.starts_with("XY")) {
    std::sort(letters.begin() + 2, letters.end());
  }
  if (letters != "XYCTZ") {
    reader.fail("DimensionOrder \"" + image.dimensionOrder +
                "\" is none of XYCZT, XYCTZ, XYZCT, XYZTC, XYTCZ, XYTZC");
  }
  image.channels = static_cast<int>(reader.count(pixels, "SizeC", 1, 1));
  image.timePoints = static_cast<int>(reader.count(pixels, "SizeT", 1, 1));
  image.planes = static_cast<int>(reader.count(pixels, "SizeZ", 1, 1));
  const long long planeCount =
      static_cast<long long>(image.channels) * image.timePoints * image.planes;
  if (planeCount != pageCount) {
    reader.fail("SizeC " + std::to_string(image.channels) + " x SizeT " +
                std::to_string(image.timePoints) + " x SizeZ " + std::to_string(image.planes) +
                " = " + std::to_string(planeCount) + " planes, but the file holds " +
                std::to_string(pageCount) + (pageCount == 1 ? " page" : " pages"));
  }

  // The plane of index i in the dimension order, and back.
  const std::array<int, 3> sizes{image.channels, image.timePoints, image.planes};
  std::array<int, 3> axisOf{};  // axis (0 C, 1 T, 2 Z) changing fastest, next, slowest
  for (int k = 0; k < 3; ++k) {
    const char letter = image.dimensionOrder[static_cast<std::size_t>(k + 2)];
    axisOf[k] = letter == 'C' ? 0 : letter == 'T' ? 1 : 2;
  }
  const auto planeOf = [&](long long index) {
    std::array<int, 3> at{};
    for (int k = 0; k < 3; ++k) {
      at[axisOf[k]] = static_cast<int>(index % sizes[axisOf[k]]);
      index /= sizes[axisOf[k]];
    }
    return OmePlane{at[0], at[1], at[2]};
  };
  const auto indexOf = [&](const std::array<long long, 3>& at) {
    long long index = 0;
    for (int k = 2; k >= 0; --k) index = index * sizes[axisOf[k]] + at[axisOf[k]];
    return index;
  };

  const std::vector<pugi::xml_node> tiffData = Children(pixels, "TiffData");
  if (tiffData.empty()) {
    for (int page = 0; page < pageCount; ++page) image.pages.push_back(planeOf(page));
  } else {
    std::vector<long long> planeOfPage(static_cast<std::size_t>(pageCount), -1);
    std::vector<bool> placed(static_cast<std::size_t>(planeCount), false);
    for (const pugi::xml_node& data : tiffData) {
      for (const pugi::xml_node& uuid : Children(data, "UUID")) {
        const std::string named = uuid.attribute("FileName").value();
        const std::string own = fileName.substr(fileName.find_last_of('/') + 1);
        if (!named.empty() && named != own) {
          reader.fail("TiffData places planes in another file, '" + named +
                      "'; planes of other files are not read");
        }
      }
      const long long ifd = reader.count(data, "IFD", 0, 0);
      const std::array<long long, 3> first{reader.count(data, "FirstC", 0, 0),
                                           reader.count(data, "FirstT", 0, 0),
                                           reader.count(data, "FirstZ", 0, 0)};
      for (int axis = 0; axis < 3; ++axis) {
        if (first[axis] >= sizes[axis]) {
          reader.fail(std::string("TiffData First") + "CTZ"[axis] + "=\"" +
                      std::to_string(first[axis]) + "\" lies beyond Size" + "CTZ"[axis] + " " +
                      std::to_string(sizes[axis]));
        }
      }
      const bool ifdGiven = static_cast<bool>(data.attribute("IFD"));
      const long long count = reader.count(data, "PlaneCount", ifdGiven ? 1 : pageCount, 0);
      const long long start = indexOf(first);
      for (long long k = 0; k < count; ++k) {
        if (ifd + k >= pageCount || start + k >= planeCount) {
          reader.fail("TiffData IFD " + std::to_string(ifd) + " PlaneCount " +
                      std::to_string(count) + " reaches beyond the file's " +
                      std::to_string(pageCount) + " pages or its " + std::to_string(planeCount) +
                      " planes");
        }
        if (planeOfPage[static_cast<std::size_t>(ifd + k)] >= 0 ||
            placed[static_cast<std::size_t>(start + k)]) {
          reader.fail("TiffData places page " + std::to_string(ifd + k + 1) +
                      " or its plane twice");
        }
        planeOfPage[static_cast<std::size_t>(ifd + k)] = start + k;
        placed[static_cast<std::size_t>(start + k)] = true;
      }
    }
    for (int page = 0; page < pageCount; ++page) {
      if (planeOfPage[static_cast<std::size_t>(page)] < 0) {
        reader.fail("no TiffData places page " + std::to_string(page + 1));
      }
      image.pages.push_back(planeOf(planeOfPage[static_cast<std::size_t>(page)]));
    }
  }

  const std::vector<pugi::xml_node> channels = Children(pixels, "Channel");
  if (static_cast<int>(channels.size()) == image.channels) {
    for (const pugi::xml_node& channel : channels) {
      image.channelNames.push_back(channel.attribute("Name").value());
    }
  }
  image.pixelSize =
      reader.measure(pixels, "PhysicalSizeX", "PhysicalSizeXUnit", "µm", kLengthUnits, true);
  image.timePointSeconds.resize(static_cast<std::size_t>(image.timePoints));
  for (const pugi::xml_node& plane : Children(pixels, "Plane")) {
    const long long t = reader.count(plane, "TheT", 0, 0);
    if (t >= image.timePoints) {
      reader.fail("Plane TheT=\"" + std::to_string(t) + "\" lies beyond SizeT " +
                  std::to_string(image.timePoints));
    }
    const std::optional<double> seconds =
        reader.measure(plane, "DeltaT", "DeltaTUnit", "s", kTimeUnits, false);
    std::optional<double>& recorded = image.timePointSeconds[static_cast<std::size_t>(t)];
    if (seconds && !recorded) recorded = seconds;
  }
  return image;
}

std::optional<OmeImage> ReadOmeImage(TiffFile& file) {
  char* description = nullptr;
  if (TIFFGetField(file.get(), TIFFTAG_IMAGEDESCRIPTION, &description) != 1 || !description ||
      !IsOmeXml(description)) {
    return std::nullopt;
  }
  const std::string text(description);
  return ParseOmeXml(text, file.pageCount(), file.name());
}

}  // namespace vembrel
