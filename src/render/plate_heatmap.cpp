#include "render/plate_heatmap.h"

#include <algorithm>
#include <cmath>

#include "render/bitmap_font.h"
#include "render/canvas.h"
#include "render/colour_map.h"

namespace vembrel {
namespace {

constexpr int kRows = 8;
constexpr int kColumns = 12;
constexpr int kCellWidth = 64;
constexpr int kCellHeight = 44;
constexpr int kGridLeft = 28;  // room for the row letters
constexpr int kGridTop = 66;   // title and column numbers
constexpr int kScaleGap = 14;
constexpr int kScaleWidth = 18;
constexpr int kPanelWidth = kGridLeft + kColumns * kCellWidth + kScaleGap + kScaleWidth + 110;
constexpr int kPanelHeight = kGridTop + kRows * kCellHeight + 24;
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

void FlagTriangle(Canvas& canvas, int right, int top) {
  canvas.Polygon({{right - 16, top + 2}, {right - 2, top + 2}, {right - 2, top + 16}}, kBlack,
                 kFlag);
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

int PanelLeft(int panel) {
  return kMargin + (panel % 2) * kPanelWidth;
}

int PanelTop(int panel) {
  return kMargin + kHeadingHeight + (panel / 2) * kPanelHeight;
}

void DrawPanel(Canvas& canvas, const HeatmapPlate& plate, const HeatmapPanel& panel, int left,
               int top) {
  Text(canvas, left + kGridLeft, top + 4, panel.title, kText, 2);
  const int gridLeft = left + kGridLeft;
  const int gridTop = top + kGridTop;
  for (int c = 0; c < kColumns; ++c) {
    const std::string number = std::to_string(c + 1);
    Text(canvas, gridLeft + c * kCellWidth + (kCellWidth - TextWidth(number, 2)) / 2, gridTop - 24,
         number, kText, 2);
  }
  for (int r = 0; r < kRows; ++r) {
    Text(canvas, left + 8, gridTop + r * kCellHeight + (kCellHeight - 20) / 2,
         std::string(1, static_cast<char>('A' + r)), kText, 2);
  }

  double low = 0, high = 0;
  bool any = false;
  for (const auto& value : panel.values) {
    if (!value) continue;
    low = any ? std::min(low, *value) : *value;
    high = any ? std::max(high, *value) : *value;
    any = true;
  }
  for (int well = 0; well < kHeatmapWells; ++well) {
    const int x0 = gridLeft + (well % kColumns) * kCellWidth;
    const int y0 = gridTop + (well / kColumns) * kCellHeight;
    const int x1 = x0 + kCellWidth;
    const int y1 = y0 + kCellHeight;
    if (plate.excluded[well]) {
      Hatch(canvas, x0, y0, x1, y1);
    } else if (const auto& value = panel.values[well]) {
      const Rgb fill = ViridisColour(*value, low, high);
      canvas.FillRect(x0, y0, x1, y1, fill);
      const std::string& label = panel.labels[well];
      const int scale = TextWidth(label, 2) <= kCellWidth - 6 ? 2 : 1;
      Text(canvas, x0 + (kCellWidth - TextWidth(label, scale)) / 2,
           y0 + (kCellHeight - 7 * scale) / 2 - scale, label, TextColourOn(fill), scale);
    } else if (plate.failed[well]) {
      canvas.FillRect(x0, y0, x1, y1, kFailedFill);
      Text(canvas, x0 + (kCellWidth - TextWidth("failed", 1)) / 2, y0 + kCellHeight / 2 - 5,
           "failed", kText, 1);
    } else {
      canvas.FillRect(x0, y0, x1, y1, kWhite);
    }
    if (plate.flagged[well]) FlagTriangle(canvas, x1, y0);
  }
  for (int c = 0; c <= kColumns; ++c) {
    const int x = gridLeft + c * kCellWidth;
    canvas.FillRect(x, gridTop, x + 1, gridTop + kRows * kCellHeight + 1, kGridLine);
  }
  for (int r = 0; r <= kRows; ++r) {
    const int y = gridTop + r * kCellHeight;
    canvas.FillRect(gridLeft, y, gridLeft + kColumns * kCellWidth + 1, y + 1, kGridLine);
  }
  if (any) {
    DrawScale(canvas, gridLeft + kColumns * kCellWidth + kScaleGap, gridTop, kRows * kCellHeight,
              low, high);
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

Picture DrawPlateHeatmaps(const HeatmapPlate& plate) {
  const int panelRows = (static_cast<int>(plate.panels.size()) + 1) / 2;
  const int panelColumns = plate.panels.size() > 1 ? 2 : 1;
  const int width = 2 * kMargin + panelColumns * kPanelWidth;
  const int height = kMargin + kHeadingHeight + panelRows * kPanelHeight + kLegendHeight;
  Picture picture(width, height, 0xffffffffu);
  Canvas canvas(picture);
  Text(canvas, kMargin, kMargin, plate.heading, kText, 2);
  for (std::size_t i = 0; i < plate.panels.size(); ++i) {
    const int panel = static_cast<int>(i);
    DrawPanel(canvas, plate, plate.panels[i], PanelLeft(panel), PanelTop(panel));
  }
  DrawLegend(canvas, kMargin + kGridLeft, height - kLegendHeight + 4);
  return picture;
}

HeatmapBox HeatmapWellBox(int panel, int well) {
  const int left = PanelLeft(panel) + kGridLeft + (well % kColumns) * kCellWidth;
  const int top = PanelTop(panel) + kGridTop + (well / kColumns) * kCellHeight;
  return {left, top, left + kCellWidth, top + kCellHeight};
}

}  // namespace vembrel
