#include "render/canvas.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "render/bitmap_font.h"

namespace vembrel {
namespace {

constexpr Rgb kPureRed{255, 0, 0};
constexpr Rgb kPureBlue{0, 0, 255};

struct Board {
  Picture picture{40, 30};
  Canvas canvas{picture};
  Board() { canvas.Fill(kWhite); }
  int Count(Rgb colour) const {
    int n = 0;
    for (int y = 0; y < picture.height; ++y)
      for (int x = 0; x < picture.width; ++x) n += canvas.GetPixel(x, y) == colour;
    return n;
  }
};

TEST(Canvas, TopDownCoordinatesMapToBottomUpRows) {
  Board board;
  board.canvas.SetPixel(3, 0, kPureRed);
  EXPECT_EQ(board.picture.at(3, 29, vembrel::kRed), 255);
  EXPECT_EQ(board.picture.at(3, 29, vembrel::kGreen), 0);
  EXPECT_EQ(board.canvas.GetPixel(3, 0), kPureRed);
  board.canvas.SetPixel(-1, 5, kPureRed);  // clipped, no effect
  board.canvas.SetPixel(40, 5, kPureRed);
  EXPECT_EQ(board.Count(kPureRed), 1);
}

TEST(Canvas, LinesLeaveOutTheLastPoint) {
  Board board;
  board.canvas.Line(2, 5, 10, 5, kPureRed);
  EXPECT_EQ(board.Count(kPureRed), 8);
  EXPECT_EQ(board.canvas.GetPixel(2, 5), kPureRed);
  EXPECT_EQ(board.canvas.GetPixel(10, 5), kWhite);

  Board diagonal;
  diagonal.canvas.Line(10, 10, 4, 4, kPureRed);
  EXPECT_EQ(diagonal.Count(kPureRed), 6);
  for (int i = 5; i <= 10; ++i) EXPECT_EQ(diagonal.canvas.GetPixel(i, i), kPureRed);
  EXPECT_EQ(diagonal.canvas.GetPixel(4, 4), kWhite);

  Board clipped;
  clipped.canvas.Line(-20, 3, 100, 3, kPureRed);
  EXPECT_EQ(clipped.Count(kPureRed), 40);
  Board nothing;
  nothing.canvas.Line(7, 7, 7, 7, kPureRed);
  EXPECT_EQ(nothing.Count(kPureRed), 0);
}

TEST(Canvas, RectanglesLeaveOutRightAndBottomEdges) {
  Board board;
  board.canvas.FillRect(2, 3, 6, 8, kPureRed);
  EXPECT_EQ(board.Count(kPureRed), 4 * 5);
  EXPECT_EQ(board.canvas.GetPixel(5, 7), kPureRed);
  EXPECT_EQ(board.canvas.GetPixel(6, 7), kWhite);
  EXPECT_EQ(board.canvas.GetPixel(5, 8), kWhite);

  board.canvas.FrameRect(10, 10, 15, 14, kPureBlue);
  EXPECT_EQ(board.Count(kPureBlue), 2 * 5 + 2 * 2);
  EXPECT_EQ(board.canvas.GetPixel(14, 13), kPureBlue);
  EXPECT_EQ(board.canvas.GetPixel(12, 12), kWhite);

  board.canvas.FillRect(30, 25, 60, 60, kPureBlue);  // clipped at the picture
  EXPECT_EQ(board.Count(kPureBlue), 14 + 10 * 5);
}

TEST(Canvas, EllipseIsSymmetricInsideItsBox) {
  Board board;
  board.canvas.Ellipse(5, 5, 25, 19, kPureRed, kPureBlue);
  EXPECT_EQ(board.canvas.GetPixel(15, 12), kPureBlue);  // centre filled
  EXPECT_EQ(board.canvas.GetPixel(5, 12), kPureRed);    // leftmost column is outline
  EXPECT_EQ(board.canvas.GetPixel(24, 12), kPureRed);
  EXPECT_EQ(board.canvas.GetPixel(5, 5), kWhite);  // corners of the box stay
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 40; ++x) {
      const Rgb here = board.canvas.GetPixel(x, y);
      if (x < 5 || x >= 25 || y < 5 || y >= 19) {
        ASSERT_EQ(here, kWhite) << x << "," << y;
        continue;
      }
      ASSERT_EQ(here, board.canvas.GetPixel(29 - x, y)) << x << "," << y;  // mirror at x = 14.5
      ASSERT_EQ(here, board.canvas.GetPixel(x, 23 - y)) << x << "," << y;  // mirror at y = 11.5
    }
  }
}

TEST(Canvas, PieRunsCounterClockwiseBetweenRadials) {
  // From the radial to the right round to the radial upwards: the upper right
  // quarter; the same radials the other way round: the other three quarters.
  Board quarter, rest;
  quarter.canvas.Pie(0, 0, 30, 30, 30, 15, 15, 0, kPureRed, kPureBlue);
  rest.canvas.Pie(0, 0, 30, 30, 15, 0, 30, 15, kPureRed, kPureBlue);
  for (const Point p : {Point{20, 9}, Point{9, 9}, Point{9, 20}, Point{20, 20}}) {
    const bool upperRight = p.x > 15 && p.y < 15;
    EXPECT_EQ(quarter.canvas.GetPixel(p.x, p.y), upperRight ? kPureBlue : kWhite);
    EXPECT_EQ(rest.canvas.GetPixel(p.x, p.y), upperRight ? kWhite : kPureBlue);
  }
  EXPECT_GT(rest.Count(kPureBlue), 2 * quarter.Count(kPureBlue));
}

TEST(Canvas, PolygonFillsItsInside) {
  Board board;
  board.canvas.Polygon({{2, 2}, {20, 2}, {20, 12}, {2, 12}}, kPureRed, kPureBlue);
  EXPECT_EQ(board.canvas.GetPixel(10, 7), kPureBlue);
  EXPECT_EQ(board.canvas.GetPixel(2, 2), kPureRed);
  EXPECT_EQ(board.canvas.GetPixel(20, 12), kPureRed);
  EXPECT_EQ(board.canvas.GetPixel(21, 7), kWhite);
  EXPECT_EQ(board.Count(kPureRed) + board.Count(kPureBlue), 19 * 11);
}

TEST(Canvas, FontHasADistinctGlyphForEveryPrintableCharacter) {
  std::set<std::string> seen;
  for (int c = 33; c <= 126; ++c) {
    const std::uint8_t* rows = GlyphRows(static_cast<char>(c));
    std::string key(reinterpret_cast<const char*>(rows), kGlyphCellHeight);
    EXPECT_NE(key, std::string(kGlyphCellHeight, '\0')) << "empty glyph " << char(c);
    EXPECT_EQ(rows[0], 0) << "glyph " << char(c) << " touches the cell top";
    for (int row = 0; row < kGlyphCellHeight; ++row) EXPECT_LT(rows[row], 0x20);
    EXPECT_TRUE(seen.insert(key).second) << "duplicate glyph " << char(c);
  }
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(GlyphRows('\t')), kGlyphCellHeight),
            std::string(reinterpret_cast<const char*>(GlyphRows('?')), kGlyphCellHeight));
}

TEST(Canvas, TextStaysInItsCellsAndIsClipped) {
  EXPECT_EQ(Canvas::TextWidth("123"), 18);
  EXPECT_EQ(Canvas::TextHeight(), 10);
  Board board;
  board.canvas.TextOut(4, 6, "H1", kPureRed);
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 40; ++x) {
      if (board.canvas.GetPixel(x, y) == kPureRed) {
        ASSERT_TRUE(x >= 4 && x < 4 + Canvas::TextWidth("H1") && y >= 6 && y < 16);
        ASSERT_NE(x, 9);  // the spacing column
      }
    }
  }
  // "H": two full columns of the body and the bar on its fourth row.
  for (int row = 1; row <= 7; ++row) {
    EXPECT_EQ(board.canvas.GetPixel(4, 6 + row), kPureRed);
    EXPECT_EQ(board.canvas.GetPixel(8, 6 + row), kPureRed);
  }
  EXPECT_EQ(board.canvas.GetPixel(6, 6 + 4), kPureRed);
  EXPECT_EQ(board.canvas.GetPixel(6, 6 + 3), kWhite);

  Board edge;
  edge.canvas.TextOut(36, 25, "888", kPureRed);  // mostly outside: clipped, no crash
  EXPECT_GT(edge.Count(kPureRed), 0);
}

}  // namespace
}  // namespace vembrel
