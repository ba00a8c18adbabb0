#include "render/whole_well_picture.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "render/bitmap_font.h"
#include "render/reduced_picture.h"

namespace vembrel {
namespace {

constexpr std::string_view kMicro = "\xC2\xB5";

void Paint(Picture& picture, int x, int rowFromBottom, Rgb colour) {
  if (x < 0 || rowFromBottom < 0 || x >= picture.width || rowFromBottom >= picture.height) return;
  picture.at(x, rowFromBottom, kRed) = colour.r;
  picture.at(x, rowFromBottom, kGreen) = colour.g;
  picture.at(x, rowFromBottom, kBlue) = colour.b;
}

// Every pixel whose centre lies within halfWidth of the circle. Whether a
// pixel is painted depends on its squared distance d2 alone, through
// |sqrt(d2) - radius| <= halfWidth, which holds on one interval of d2 (the
// rounded square root and difference never decrease as d2 grows). That
// interval is found once; each row then paints the two runs of columns whose
// d2 lies in it, without a square root per pixel.
void Circle(Picture& picture, int cx, int cy, double radius, double halfWidth, Rgb colour) {
  const std::int64_t reach = static_cast<std::int64_t>(std::ceil(radius + halfWidth));
  const auto onOutline = [&](std::int64_t d2) {
    return std::fabs(std::sqrt(static_cast<double>(d2)) - radius) <= halfWidth;
  };
  const std::int64_t farthest = 2 * reach * reach;
  const double below = radius - halfWidth - 1;  // every distance up to this is off the outline
  std::int64_t first = below > 0 ? static_cast<std::int64_t>(below * below) : 0;
  while (first <= farthest && !onOutline(first)) ++first;
  if (first > farthest) return;
  std::int64_t last = first;
  while (last + 1 <= farthest && onOutline(last + 1)) ++last;
  // The largest x >= 0 with x * x <= n (n >= 0).
  const auto rootBelow = [](std::int64_t n) {
    auto x = static_cast<std::int64_t>(std::sqrt(static_cast<double>(n)));
    while (x * x > n) --x;
    while ((x + 1) * (x + 1) <= n) ++x;
    return x;
  };
  for (std::int64_t dy = -reach; dy <= reach; ++dy) {
    const std::int64_t most = last - dy * dy;
    if (most < 0) continue;
    const std::int64_t least = std::max<std::int64_t>(first - dy * dy, 0);
    std::int64_t from = rootBelow(least);
    if (from * from < least) ++from;
    const std::int64_t to = std::min(rootBelow(most), reach);
    const int y = cy + static_cast<int>(dy);
    for (std::int64_t dx = from; dx <= to; ++dx) {
      Paint(picture, cx + static_cast<int>(dx), y, colour);
      Paint(picture, cx - static_cast<int>(dx), y, colour);
    }
  }
}

// Characters of the text as the font draws them: "µ" becomes one glyph.
int GlyphCount(std::string_view text) {
  int count = 0;
  for (std::size_t i = 0; i < text.size(); ++i, ++count) {
    if (text.substr(i, kMicro.size()) == kMicro) i += kMicro.size() - 1;
  }
  return count;
}

// Text with its top-left at (x, y) top-down, each font pixel scale x scale.
void Text(Picture& picture, int x, int y, std::string_view text, Rgb colour, int scale) {
  Canvas canvas(picture);
  const auto dot = [&](int column, int row) {
    canvas.FillRect(x + column * scale, y + row * scale, x + (column + 1) * scale,
                    y + (row + 1) * scale, colour);
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool micro = text.substr(i, kMicro.size()) == kMicro;
    const std::uint8_t* rows = GlyphRows(micro ? 'u' : text[i]);
    for (int row = 0; row < kGlyphCellHeight; ++row) {
      for (int column = 0; column < 5; ++column) {
        if ((rows[row] >> (4 - column)) & 1) dot(column, row);
      }
    }
    if (micro) {
      // The tail of the mu below the u's left stem.
      dot(0, 8);
      dot(0, 9);
      i += kMicro.size() - 1;
    }
    x += kGlyphCellWidth * scale;
  }
}

std::string LengthText(double micrometres) {
  if (micrometres >= 1000) {
    return std::to_string(static_cast<long long>(micrometres / 1000)) + " mm";
  }
  if (micrometres >= 1) {
    return std::to_string(static_cast<long long>(micrometres)) + " " + std::string(kMicro) + "m";
  }
  char text[16];
  std::snprintf(text, sizeof text, "%g", micrometres);
  return std::string(text) + " " + std::string(kMicro) + "m";
}

}  // namespace

ScaleBar ScaleBarFor(double pixelSize, int side) {
  const double longest = side / 5.0 * pixelSize;  // micrometres
  double length = std::pow(10.0, std::floor(std::log10(longest)));
  for (const double step : {5.0, 2.0}) {
    if (length * step <= longest) {
      length *= step;
      break;
    }
  }
  return {length, static_cast<int>(std::lround(length / pixelSize))};
}

namespace {

// The marks drawn over a picture `reduction` times smaller than the mosaic
// whose coordinates they give.
void DrawMarks(Picture& picture, const WholeWellMarks& marks, int reduction) {
  const auto circleAt = [&](MosaicPoint point, double radius, Rgb colour) {
    Circle(picture, point.x / reduction, point.y / reduction, radius, kOutlineHalfWidth, colour);
  };
  circleAt(marks.ring.centre(), static_cast<double>(marks.ring.radius) / reduction, kRingOutline);
  for (const MosaicPoint& point : marks.rejected) circleAt(point, kMarkRadius, kRejectedMark);
  for (const MosaicPoint& point : marks.counted) circleAt(point, kMarkRadius, kCountedMark);

  Canvas canvas(picture);
  constexpr int kMargin = 12;
  if (!marks.lines.empty()) {
    int width = 0, height = 0;
    for (std::size_t k = 0; k < marks.lines.size(); ++k) {
      const int scale = k == 0 ? 2 : 1;
      width = std::max(width, GlyphCount(marks.lines[k]) * kGlyphCellWidth * scale);
      height += kGlyphCellHeight * scale + 3;
    }
    canvas.FillRect(kMargin - 6, kMargin - 6, kMargin + width + 6, kMargin + height + 4,
                    Rgb{24, 24, 24});
    int y = kMargin;
    for (std::size_t k = 0; k < marks.lines.size(); ++k) {
      const int scale = k == 0 ? 2 : 1;
      Text(picture, kMargin, y, marks.lines[k], kWhite, scale);
      y += kGlyphCellHeight * scale + 3;
    }
  }
  if (marks.pixelSize && *marks.pixelSize > 0) {
    const ScaleBar bar = ScaleBarFor(*marks.pixelSize * reduction, picture.width);
    const std::string label = LengthText(bar.micrometres);
    const int left = kMargin;
    const int bottom = picture.height - kMargin;
    const int boxWidth = std::max(bar.pixels, GlyphCount(label) * kGlyphCellWidth * 2);
    canvas.FillRect(left - 6, bottom - 40, left + boxWidth + 6, bottom + 6, Rgb{24, 24, 24});
    canvas.FillRect(left, bottom - 8, left + bar.pixels, bottom, kWhite);
    Text(picture, left, bottom - 34, label, kWhite, 2);
  }
}

}  // namespace

Picture WholeWellPicture(const Picture& composite, const WholeWellMarks& marks) {
  Picture picture = composite;
  DrawMarks(picture, marks, 1);
  return picture;
}

Picture WholeWellOverview(const Picture& composite, const WholeWellMarks& marks) {
  return WholeWellOverviewOfReduced(ReducedPicture(composite, kOverviewReduction), marks);
}

Picture WholeWellOverviewOfReduced(Picture reduced, const WholeWellMarks& marks) {
  DrawMarks(reduced, marks, kOverviewReduction);
  return reduced;
}

}  // namespace vembrel
