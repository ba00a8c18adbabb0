#pragma once
// The small rendering layer: drawing on a Picture in top-down coordinates
// (x to the right, y downwards, (0, 0) the top-left pixel), clipped to the
// picture. Shared by the command line and the desktop program so both show
// the same pixels.
#include <cstdint>
#include <string_view>
#include <vector>

#include "imaging/picture.h"

namespace vembrel {

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kButtonFace{240, 240, 240};

/// A place on the picture drawn: y counts rows from the top, unlike a
/// MosaicPoint (imaging/mosaic_geometry.h), whose rows count from the bottom.
struct Point {
  int x = 0, y = 0;
};

class Canvas {
 public:
  explicit Canvas(Picture& picture) : picture_(picture) {}

  void SetPixel(int x, int y, Rgb colour);
  Rgb GetPixel(int x, int y) const;
  void Fill(Rgb colour);
  /// Line from (x0, y0) to (x1, y1), last point excluded as on the platform canvas.
  void Line(int x0, int y0, int x1, int y1, Rgb colour);
  /// Rectangle with the right and bottom edges excluded.
  void FillRect(int left, int top, int right, int bottom, Rgb colour);
  void FrameRect(int left, int top, int right, int bottom, Rgb colour);
  /// Ellipse inscribed in the box, outline and fill.
  void Ellipse(int left, int top, int right, int bottom, Rgb outline, Rgb fill);
  /// Pie sector in the box, counter-clockwise from the radial through
  /// (x1, y1) to the radial through (x2, y2), filled and outlined.
  void Pie(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2, Rgb outline,
           Rgb fill);
  void Polygon(const std::vector<Point>& points, Rgb outline, Rgb fill);
  /// Text with the built-in font; top-left at (x, y).
  void TextOut(int x, int y, std::string_view text, Rgb colour);
  static int TextWidth(std::string_view text);
  static int TextHeight();

  Picture& picture() { return picture_; }

 private:
  Picture& picture_;
};

}  // namespace vembrel
