#include "render/plate_heatmap.h"

#include <algorithm>
#include <cmath>

#include "render/bitmap_font.h"
#include "render/canvas.h"
#include "render/colour_map.h"

namespace vembrel {
namespace {

constexpr int kGridLeft = 28;  // room for the row letters
constexpr int kGridTop = 66;   // title and column numbers
constexpr int kScaleGap = 14;
constexpr int kScaleWidth = 18;
constexpr int kMargin = 20;
constexpr int kHeadingHeight = 44;
constexpr int kLegendHeight = 48;

constexpr Rgb kText{30, 30, 30};
constexpr Rgb kGridLine{120, 120, 120};
constexpr Rgb kExcludedFill{232, 232, 232};
constexpr Rgb kHatch{150, 150, 150};
constexpr Rgb kFailedFill{190, 190, 190};
constexpr Rgb kFlag{255, 140, 0};

// Text from the built-in font, each font pixel drawn as scale x scale pixels.
void Text(Canvas& canvas, int x, int y, std::string_view text, Rgb colour, int scale = 1) {
  for (const char ch : text) {
    const std::uint8_t* rows = GlyphRows(ch);
    for (int row = 0; row < kGlyphCellHeight; ++row) {
      for (int column = 0; column < 5; ++column) {
        if ((rows[row] & (0x10 >> column)) == 0) continue;
        canvas.FillRect(x + column * scale, y + row * scale, x + (column + 1) * scale,
                        y + (row + 1) * scale, colour);
      }
    }
    x += kGlyphCellWidth * scale;
  }
}

int TextWidth(std::string_view text, int scale) {
  // The last glyph's spacing column does not count.
  return text.empty() ? 0 : (static_cast<int>(text.size()) * kGlyphCellWidth - 1) * scale;
}

// Black text on light colours, white on dark ones.
Rgb TextColourOn(Rgb fill) {
  const int luma = 299 * fill.r + 587 * fill.g + 114 * fill.b;
  return luma > 140000 ? kBlack : kWhite;
}

void Hatch(Canvas& canvas, int left, int top, int right, int bottom) {
  canvas.FillRect(left, top, right, bottom, kExcludedFill);
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      if ((x - left + y - top) % 8 == 0) canvas.SetPixel(x, y, kHatch);
    }
  }
}

void FlagTriangle(Canvas& canvas, int right, int top, int size = 14) {
  canvas.Polygon({{right - 2 - size, top + 2}, {right - 2, top + 2}, {right - 2, top + 2 + size}},
                 kBlack, kFlag);
}

// The sizes of a panel: 64 x 44 pixels a well on plates of up to 96 wells,
// the same width of grid on larger plates.
struct PanelGeometry {
  int rows = 8;
  int columns = 12;
  int cellWidth = 64;
  int cellHeight = 44;
  int width() const { return kGridLeft + columns * cellWidth + kScaleGap + kScaleWidth + 110; }
  int height() const { return kGridTop + rows * cellHeight + 24; }
};

PanelGeometry GeometryOf(const HeatmapGrid& grid) {
  PanelGeometry geometry;
  geometry.rows = grid.rows;
  geometry.columns = grid.columns;
  geometry.cellWidth = std::clamp(768 / grid.columns, 16, 64);
  geometry.cellHeight = std::clamp(352 / grid.rows, 11, 44);
  return geometry;
}

std::string ScaleText(double value) {
  if (value == std::floor(value) && std::abs(value) < 1e15) {
    return std::to_string(static_cast<long long>(value));
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.3g", value);
  return text;
}

void DrawScale(Canvas& canvas, int left, int top, int height, double low, double high) {
  for (int y = 0; y < height; ++y) {
    const double share = height > 1 ? 1.0 - static_cast<double>(y) / (height - 1) : 0.5;
    canvas.FillRect(left, top + y, left + kScaleWidth, top + y + 1,
                    high > low ? ViridisColour(share) : ViridisColour(0.5));
  }
  canvas.FrameRect(left, top, left + kScaleWidth, top + height, kGridLine);
  const int labelX = left + kScaleWidth + 6;
  Text(canvas, labelX, top, ScaleText(high), kText, 2);
  if (high > low) {
    Text(canvas, labelX, top + height / 2 - 8, ScaleText((low + high) / 2), kText, 2);
    Text(canvas, labelX, top + height - 16, ScaleText(low), kText, 2);
  }
}

int PanelLeft(const PanelGeometry& geometry, int panel) {
  return kMargin + (panel % 2) * geometry.width();
}

int PanelTop(const PanelGeometry& geometry, int panel) {
  return kMargin + kHeadingHeight + (panel / 2) * geometry.height();
}

void DrawPanel(Canvas& canvas, const HeatmapPlate& plate, const HeatmapPanel& panel, int left,
               int top) {
  const PanelGeometry geometry = GeometryOf(plate.grid);
  const int columns = geometry.columns;
  const int rows = geometry.rows;
  const int cellWidth = geometry.cellWidth;
  const int cellHeight = geometry.cellHeight;
  Text(canvas, left + kGridLeft, top + 4, panel.title, kText, 2);
  const int gridLeft = left + kGridLeft;
  const int gridTop = top + kGridTop;
  for (int c = 0; c < columns; ++c) {
    const std::string number = std::to_string(c + 1);
    const int scale = TextWidth(number, 2) <= cellWidth - 2 ? 2 : 1;
    Text(canvas, gridLeft + c * cellWidth + (cellWidth - TextWidth(number, scale)) / 2,
         gridTop - 12 * scale, number, kText, scale);
  }
  const int rowScale = cellHeight >= 20 ? 2 : 1;
  for (int r = 0; r < rows; ++r) {
    Text(canvas, left + 8, gridTop + r * cellHeight + (cellHeight - 10 * rowScale) / 2,
         plate.grid.rowNames.at(static_cast<std::size_t>(r)), kText, rowScale);
  }

  double low = 0, high = 0;
  bool any = false;
  for (const auto& value : panel.values) {
    if (!value) continue;
    low = any ? std::min(low, *value) : *value;
    high = any ? std::max(high, *value) : *value;
    any = true;
  }
  for (int well = 0; well < plate.grid.wells(); ++well) {
    const int x0 = gridLeft + (well % columns) * cellWidth;
    const int y0 = gridTop + (well / columns) * cellHeight;
    const int x1 = x0 + cellWidth;
    const int y1 = y0 + cellHeight;
    if (plate.excluded[well]) {
      Hatch(canvas, x0, y0, x1, y1);
    } else if (const auto& value = panel.values[well]) {
      const Rgb fill = ViridisColour(*value, low, high);
      canvas.FillRect(x0, y0, x1, y1, fill);
      const std::string& label = panel.labels[well];
      const int scale = TextWidth(label, 2) <= cellWidth - 6 ? 2 : 1;
      if (TextWidth(label, scale) <= cellWidth - 2 && cellHeight >= 11) {
        Text(canvas, x0 + (cellWidth - TextWidth(label, scale)) / 2,
             y0 + (cellHeight - 7 * scale) / 2 - scale, label, TextColourOn(fill), scale);
      }
    } else if (plate.failed[well]) {
      canvas.FillRect(x0, y0, x1, y1, kFailedFill);
      if (TextWidth("failed", 1) <= cellWidth - 2) {
        Text(canvas, x0 + (cellWidth - TextWidth("failed", 1)) / 2, y0 + cellHeight / 2 - 5,
             "failed", kText, 1);
      }
    } else {
      canvas.FillRect(x0, y0, x1, y1, kWhite);
    }
    if (plate.flagged[well]) {
      FlagTriangle(canvas, x1, y0, std::min(14, std::min(cellWidth, cellHeight) / 2));
    }
  }
  for (int c = 0; c <= columns; ++c) {
    const int x = gridLeft + c * cellWidth;
    canvas.FillRect(x, gridTop, x + 1, gridTop + rows * cellHeight + 1, kGridLine);
  }
  for (int r = 0; r <= rows; ++r) {
    const int y = gridTop + r * cellHeight;
    canvas.FillRect(gridLeft, y, gridLeft + columns * cellWidth + 1, y + 1, kGridLine);
  }
  if (any) {
    DrawScale(canvas, gridLeft + columns * cellWidth + kScaleGap, gridTop, rows * cellHeight, low,
              high);
  }
}

void DrawLegend(Canvas& canvas, int left, int top) {
  int x = left;
  const auto key = [&](std::string_view text) {
    canvas.FrameRect(x, top, x + 32, top + 24, kGridLine);
    Text(canvas, x + 42, top + 3, text, kText, 2);
    x += 42 + TextWidth(text, 2) + 40;
  };
  Hatch(canvas, x, top, x + 32, top + 24);
  key("excluded");
  canvas.FillRect(x, top, x + 32, top + 24, kFailedFill);
  key("analysis failed");
  FlagTriangle(canvas, x + 32, top);
  key("quality notes: check the well before trusting its numbers");
}

}  // namespace

HeatmapPlate::HeatmapPlate(int rows, int columns, std::vector<std::string> rowNames)
    : grid{rows, columns, std::move(rowNames)},
      excluded(static_cast<std::size_t>(rows * columns), false),
      failed(excluded),
      flagged(excluded) {}

HeatmapPanel HeatmapPlate::emptyPanel(std::string title) const {
  HeatmapPanel panel;
  panel.title = std::move(title);
  panel.values.resize(static_cast<std::size_t>(grid.wells()));
  panel.labels.resize(static_cast<std::size_t>(grid.wells()));
  return panel;
}

Picture DrawPlateHeatmaps(const HeatmapPlate& plate) {
  const PanelGeometry geometry = GeometryOf(plate.grid);
  const int panelRows = (static_cast<int>(plate.panels.size()) + 1) / 2;
  const int panelColumns = plate.panels.size() > 1 ? 2 : 1;
  const int width = 2 * kMargin + panelColumns * geometry.width();
  const int height = kMargin + kHeadingHeight + panelRows * geometry.height() + kLegendHeight;
  Picture picture(width, height, 0xffffffffu);
  Canvas canvas(picture);
  Text(canvas, kMargin, kMargin, plate.heading, kText, 2);
  for (std::size_t i = 0; i < plate.panels.size(); ++i) {
    const int panel = static_cast<int>(i);
    DrawPanel(canvas, plate, plate.panels[i], PanelLeft(geometry, panel),
              PanelTop(geometry, panel));
  }
  DrawLegend(canvas, kMargin + kGridLeft, height - kLegendHeight + 4);
  return picture;
}

HeatmapBox HeatmapWellBox(const HeatmapGrid& grid, int panel, int well) {
  const PanelGeometry geometry = GeometryOf(grid);
  const int left =
      PanelLeft(geometry, panel) + kGridLeft + (well % grid.columns) * geometry.cellWidth;
  const int top =
      PanelTop(geometry, panel) + kGridTop + (well / grid.columns) * geometry.cellHeight;
  return {left, top, left + geometry.cellWidth, top + geometry.cellHeight};
}

}  // namespace vembrel
