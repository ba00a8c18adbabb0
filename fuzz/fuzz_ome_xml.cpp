// OME-XML from an OME-TIFF's ImageDescription: any text is read or refused
// with an Error, and what is read maps every page to a plane within the sizes.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/error.h"
#include "imaging/ome_xml.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const int pageCount = data[0] % 16 + 1;  // the first byte: the file's page count
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  try {
    const vembrel::OmeImage image = vembrel::ParseOmeXml(text, pageCount, "/plate/f.ome.tif");
    if (static_cast<int>(image.pages.size()) != pageCount) std::abort();
    for (const vembrel::OmePlane& plane : image.pages) {
      if (plane.channel < 0 || plane.channel >= image.channels || plane.timePoint < 0 ||
          plane.timePoint >= image.timePoints || plane.plane < 0 || plane.plane >= image.planes) {
        std::abort();
      }
    }
    if (static_cast<int>(image.timePointSeconds.size()) != image.timePoints) std::abort();
  } catch (const vembrel::Error&) {
  }
  return 0;
}
