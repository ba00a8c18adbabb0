#pragma once
// OME-XML, the metadata an OME-TIFF carries in its first page's
// ImageDescription: which channel, time point and focal plane each page of
// the file holds, the channels' names, the pixel size and when each time
// point was taken. The text is untrusted: whatever is malformed or does not
// agree with the file is an Error naming the file and what disagrees.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vembrel {

class TiffFile;

/// What one page of the file holds, each counted from 0.
struct OmePlane {
  int channel = 0;
  int timePoint = 0;
  int plane = 0;
  bool operator==(const OmePlane&) const = default;
};

/// The one image an OME-TIFF file holds.
struct OmeImage {
  std::string dimensionOrder;  // "XYCZT" and the like: the first letter after XY changes fastest
  int channels = 1;            // SizeC
  int timePoints = 1;          // SizeT
  int planes = 1;              // SizeZ
  /// The channels' names, SizeC of them ("" where a channel has none);
  /// empty when the Channel elements do not match SizeC.
  std::vector<std::string> channelNames;
  /// What page i holds, for every page of the file.
  std::vector<OmePlane> pages;
  /// Micrometres per pixel (PhysicalSizeX in its unit); none when not given.
  std::optional<double> pixelSize;
  /// Seconds since the acquisition began (the planes' DeltaT) per time point;
  /// none where no plane of the time point gives one.
  std::vector<std::optional<double>> timePointSeconds;
};

/// Whether an ImageDescription is OME-XML: it opens with "<?xml" or holds "<OME".
bool IsOmeXml(std::string_view description);

/// Reads the OME-XML of file `fileName` (for messages), which holds pageCount
/// pages. Throws Error "OME-XML of '<file>': ..." when the text is no XML,
/// holds no image or several, has an unknown DimensionOrder, sizes or units,
/// or when its planes do not map the file's pages one to one.
OmeImage ParseOmeXml(std::string_view text, int pageCount, const std::string& fileName);

/// The OME-XML image of an opened TIFF file's first page; none when its
/// ImageDescription is none. Leaves the first page current; throws as ParseOmeXml.
std::optional<OmeImage> ReadOmeImage(TiffFile& file);

}  // namespace vembrel
