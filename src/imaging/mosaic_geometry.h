#pragma once
// Places in a well's 1024 x 1024 mosaic, stated once for every layer: a
// point is a column counted from the left and a row counted from the bottom
// (row 0 is the bottom row, stored first; see picture.h). The ring is a
// circle about such a point. Drawing on a canvas (render/canvas.h) counts
// rows from the top instead and keeps its own Point; whatever draws a mosaic
// place turns it over there, once.

namespace vembrel {

/// A place in a mosaic: column from the left, row counted from the bottom.
struct MosaicPoint {
  int x = 0;
  int y = 0;
  bool operator==(const MosaicPoint&) const = default;
};

/// The ring about the cell-free zone: its centre, a MosaicPoint's column x
/// and row y (from the bottom), and its radius in pixels.
struct Ring {
  int x = 512;
  int y = 512;
  int radius = 350;
  MosaicPoint centre() const { return {x, y}; }
  bool operator==(const Ring&) const = default;
};

}  // namespace vembrel
