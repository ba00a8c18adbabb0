#pragma once
// The size of a field picture's pixel in micrometres: given by the user, or
// read from what the instrument wrote (the MetaSeries description of
// ImageXpress pictures, the Harmony index beside Operetta pictures, TIFF
// resolution tags in centimetres or inches). Sizes that contradict each
// other or are implausible are never used silently: each becomes a note.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vembrel {

/// A size no microscope gives; sizes outside are ignored with a note.
inline constexpr double kLeastPlausiblePixelSize = 0.01;  // micrometres
inline constexpr double kGreatestPlausiblePixelSize = 100;
/// --pixel-size takes a positive number below this.
inline constexpr double kPixelSizeOptionLimit = 1000;

/// The pixel size of the plate's field pictures and where it was found.
struct PixelSize {
  double micrometres = 0;
  std::string source;  // "--pixel-size", "the MetaSeries description of 'x.tif'", ...
  bool operator==(const PixelSize&) const = default;
};

/// What one source of metadata says: a size, or nothing (with a note saying
/// why when the source was there but could not be used).
struct PixelSizeReading {
  std::optional<double> micrometres;
  std::string note;  // "" when the source gave a size or was simply absent
};

/// A --pixel-size value: a positive number of micrometres below 1000
/// ("0.65"). Throws Error naming the text otherwise.
double ParsePixelSizeOption(std::string_view text);

/// The spatial-calibration-x and -y properties of a MetaSeries description
/// (the ImageDescription of ImageXpress pictures), in micrometres. Nothing
/// without them or with the calibration switched off; a note when x and y
/// differ or the unit is unknown.
PixelSizeReading MetaSeriesPixelSize(std::string_view description);

/// The ImageResolutionX and ImageResolutionY values of a Harmony index
/// (Index.idx.xml), given in metres (Unit="m") or micrometres. A note when
/// they differ among the index's images or carry an unknown unit.
PixelSizeReading HarmonyPixelSize(std::string_view index);

/// TIFF resolution tags: micrometres per pixel = 10000 / resolution in pixels
/// per centimetre, 25400 / resolution in pixels per inch. Nothing for a
/// resolution without unit (RESUNIT_NONE) or no resolution; a note when x
/// and y differ. unit is the TIFF ResolutionUnit (1 none, 2 inch, 3 cm).
PixelSizeReading ResolutionPixelSize(double xResolution, double yResolution, int unit);

/// Both readings a TIFF file's first directory offers.
struct TiffPixelSizes {
  PixelSizeReading metaSeries;
  PixelSizeReading resolution;
};
/// Reads the ImageDescription and resolution tags of a TIFF file; nothing
/// when it cannot be opened. Prints nothing.
TiffPixelSizes ReadTiffPixelSizes(const std::string& fileName);

/// The Harmony index in a folder (with trailing separator): "Index.idx.xml"
/// or "Index.xml", "" when there is none.
std::string HarmonyIndexFile(const std::string& folder);

/// The pixel size of the given field pictures (the first few of a plate)
/// and the Harmony index (its path, "" when none): the first of MetaSeries
/// description, Harmony index and resolution tags that gives one plausible
/// size. Each source that is there but cannot be used adds a note, as does
/// a source whose files disagree.
std::optional<PixelSize> DetectPixelSize(const std::vector<std::string>& fieldFiles,
                                         const std::string& harmonyIndex,
                                         std::vector<std::string>& notes);

/// The pixel size of a mosaic whose fields were reduced from reducedFrom x
/// reducedFrom pixels to 512 x 512 (0: not reduced).
double MosaicPixelSize(double fieldPixelSize, int reducedFrom);

/// "0.65 µm per pixel (from the MetaSeries description of 'x.tif')".
std::string PixelSizeText(const PixelSize& size);

}  // namespace vembrel
