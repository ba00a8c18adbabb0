#include "render/canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <numbers>

#include "render/bitmap_font.h"

namespace vembrel {
namespace {

/// Pixel (x, y) is in the shape when its centre is: the pixels of the box
/// are tested and the inside painted with fill, its edge with outline.
void PaintRegion(Canvas& canvas, int left, int top, int right, int bottom,
                 const std::function<bool(int, int)>& inside, Rgb outline, Rgb fill) {
  if (right < left) std::swap(left, right);
  if (bottom < top) std::swap(top, bottom);
  const Picture& picture = canvas.picture();
  const int x0 = std::max(left, 0), x1 = std::min(right, picture.width);
  const int y0 = std::max(top, 0), y1 = std::min(bottom, picture.height);
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      if (!inside(x, y)) continue;
      const bool edge =
          !inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1);
      canvas.SetPixel(x, y, edge ? outline : fill);
    }
  }
}

struct EllipseShape {
  double cx, cy, a, b;
  EllipseShape(int left, int top, int right, int bottom)
      : cx((left + right) / 2.0),
        cy((top + bottom) / 2.0),
        a(std::abs(right - left) / 2.0),
        b(std::abs(bottom - top) / 2.0) {}
  bool Contains(int x, int y) const {
    if (a <= 0 || b <= 0) return false;
    const double dx = (x + 0.5 - cx) / a;
    const double dy = (y + 0.5 - cy) / b;
    return dx * dx + dy * dy <= 1.0;
  }
  // Angle counter-clockwise as seen on screen (y grows downwards).
  double AngleOf(double x, double y) const { return std::atan2(cy - y, x - cx); }
};

double Wrap(double angle) {
  constexpr double kTurn = 2 * std::numbers::pi;
  angle = std::fmod(angle, kTurn);
  return angle < 0 ? angle + kTurn : angle;
}

}  // namespace

void Canvas::SetPixel(int x, int y, Rgb colour) {
  if (x < 0 || y < 0 || x >= picture_.width || y >= picture_.height) return;
  std::uint8_t* p = picture_.topDown(x, y);
  p[kBlue] = colour.b;
  p[kGreen] = colour.g;
  p[kRed] = colour.r;
}

Rgb Canvas::GetPixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= picture_.width || y >= picture_.height) return kBlack;
  const std::uint8_t* p = static_cast<const Picture&>(picture_).topDown(x, y);
  return Rgb{p[kRed], p[kGreen], p[kBlue]};
}

void Canvas::Fill(Rgb colour) {
  FillRect(0, 0, picture_.width, picture_.height, colour);
}

void Canvas::Line(int x0, int y0, int x1, int y1, Rgb colour) {
  // Bresenham; the end point itself is left out.
  const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
  const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
  int error = dx + dy;
  while (x0 != x1 || y0 != y1) {
    SetPixel(x0, y0, colour);
    const int twice = 2 * error;
    if (twice >= dy) {
      error += dy;
      x0 += sx;
    }
    if (twice <= dx) {
      error += dx;
      y0 += sy;
    }
  }
}

void Canvas::FillRect(int left, int top, int right, int bottom, Rgb colour) {
  if (right < left) std::swap(left, right);
  if (bottom < top) std::swap(top, bottom);
  const int x0 = std::max(left, 0), x1 = std::min(right, picture_.width);
  const int y0 = std::max(top, 0), y1 = std::min(bottom, picture_.height);
  // Row by row, without SetPixel's bounds test per pixel: text is drawn as
  // thousands of small rectangles. The spare byte is kept, as SetPixel keeps it.
  for (int y = y0; y < y1; ++y) {
    std::uint8_t* p = x0 < x1 ? picture_.topDown(x0, y) : nullptr;
    for (int x = x0; x < x1; ++x, p += 4) {
      p[kBlue] = colour.b;
      p[kGreen] = colour.g;
      p[kRed] = colour.r;
    }
  }
}

void Canvas::FrameRect(int left, int top, int right, int bottom, Rgb colour) {
  if (right < left) std::swap(left, right);
  if (bottom < top) std::swap(top, bottom);
  if (right == left || bottom == top) return;
  FillRect(left, top, right, top + 1, colour);
  FillRect(left, bottom - 1, right, bottom, colour);
  FillRect(left, top, left + 1, bottom, colour);
  FillRect(right - 1, top, right, bottom, colour);
}

void Canvas::Ellipse(int left, int top, int right, int bottom, Rgb outline, Rgb fill) {
  const EllipseShape shape(left, top, right, bottom);
  PaintRegion(
      *this, left, top, right, bottom, [&](int x, int y) { return shape.Contains(x, y); }, outline,
      fill);
}

void Canvas::Pie(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2,
                 Rgb outline, Rgb fill) {
  const EllipseShape shape(left, top, right, bottom);
  const double start = shape.AngleOf(x1, y1);
  const double span = Wrap(shape.AngleOf(x2, y2) - start);
  // Coinciding radials give the whole ellipse.
  const bool whole = span == 0.0;
  PaintRegion(
      *this, left, top, right, bottom,
      [&](int x, int y) {
        if (!shape.Contains(x, y)) return false;
        return whole || Wrap(shape.AngleOf(x + 0.5, y + 0.5) - start) <= span;
      },
      outline, fill);
}

void Canvas::Polygon(const std::vector<Point>& points, Rgb outline, Rgb fill) {
  if (points.empty()) return;
  int top = points[0].y, bottom = points[0].y;
  for (const Point& p : points) {
    top = std::min(top, p.y);
    bottom = std::max(bottom, p.y);
  }
  // Even-odd fill of the pixel centres, row by row.
  std::vector<double> crossings;
  for (int y = std::max(top, 0); y < std::min(bottom, picture_.height); ++y) {
    const double cy = y + 0.5;
    crossings.clear();
    for (std::size_t i = 0; i < points.size(); ++i) {
      const Point& a = points[i];
      const Point& b = points[(i + 1) % points.size()];
      if ((a.y <= cy) == (b.y <= cy)) continue;
      crossings.push_back(a.x + (cy - a.y) * (b.x - a.x) / (b.y - a.y));
    }
    std::sort(crossings.begin(), crossings.end());
    for (std::size_t i = 0; i + 1 < crossings.size(); i += 2) {
      const int x0 = static_cast<int>(std::ceil(crossings[i] - 0.5));
      const int x1 = static_cast<int>(std::ceil(crossings[i + 1] - 0.5));
      for (int x = std::max(x0, 0); x < std::min(x1, picture_.width); ++x) SetPixel(x, y, fill);
    }
  }
  for (std::size_t i = 0; i < points.size(); ++i) {
    const Point& a = points[i];
    const Point& b = points[(i + 1) % points.size()];
    Line(a.x, a.y, b.x, b.y, outline);
    SetPixel(b.x, b.y, outline);
  }
}

void Canvas::TextOut(int x, int y, std::string_view text, Rgb colour) {
  for (const char ch : text) {
    const std::uint8_t* rows = GlyphRows(ch);
    for (int row = 0; row < kGlyphCellHeight; ++row) {
      for (int column = 0; column < 5; ++column) {
        if (rows[row] & (0x10 >> column)) SetPixel(x + column, y + row, colour);
      }
    }
    x += kGlyphCellWidth;
  }
}

int Canvas::TextWidth(std::string_view text) {
  return static_cast<int>(text.size()) * kGlyphCellWidth;
}

int Canvas::TextHeight() {
  return kGlyphCellHeight;
}

}  // namespace vembrel
