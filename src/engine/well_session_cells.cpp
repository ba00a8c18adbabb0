// The cell level of a well session: cells grown from the immigrant nuclei,
// measured, classed and drawn.
#include <utility>

#include "engine/well_session.h"
#include "imaging/cell_segmentation.h"
#include "render/cell_drawings.h"

namespace vembrel {

namespace {

CellMeasures Measures(const ShapedCell& cell) {
  const CellMeasurement& m = cell.m;
  CellMeasures measures;
  // Pixel rows of a cell count from the top (the top row is 1).
  measures.x = m.minX + m.centroidX;
  measures.y = kMosaicSize - (m.minY + m.centroidY);
  measures.size = m.size;
  measures.width = m.width;
  measures.height = m.height;
  measures.circumference = m.circumference();
  measures.length = m.chord.length;
  measures.ratio = m.ratio;
  measures.correlation = m.correlation;
  measures.shapeClass = cell.cls;
  measures.angle = cell.angle;
  measures.nucleusSize = m.nucleusSize;
  return measures;
}

}  // namespace

Picture WellSession::BlankCellGallery() {
  constexpr int kHeight = 600;
  constexpr std::uint32_t kButtonFace = 0xF0F0F0;
  return Picture(kGalleryWidth, kHeight, kButtonFace);
}

void WellSession::runCells() {
  const Ring& ring = results_.ring;  // the cells grow within it
  if (wholeResult()) {
    if (pictures_.result.empty()) {
      CountImmigrants(pictures_.composite, immigrantSettings(), pictures_.result);
    }
    pictures_.cellCrop = CopyRingCrop(pictures_.result, ring);
  } else {
    if (ringCut_.empty())
      CountImmigrantsInRingCrop(pictures_.composite, immigrantSettings(), ringCut_);
    pictures_.cellCrop = std::exchange(ringCut_, Picture());
  }

  CellSegmentationSettings segmentation;
  segmentation.lowerCutoffBlue = settings_.nuclei.blueCutoff;
  segmentation.lowerCutoffGreen = settings_.nuclei.greenCutoff;
  segmentation.cellCutoff = settings_.cells.greenCutoff;
  segmentation.minSize = settings_.cells.minimalSize;
  segmentation.maxSize = settings_.cells.maximalSize;
  segmentation.ring = ring;
  CellColourGenerator colours;  // one fixed seed per run: reproducible snapshots
  // In colour, the grown cells are painted over a copy of the result.
  Picture cellsPainted;
  if (cellsInColour_) cellsPainted = pictures_.result;
  CellSegmentation cells =
      cellsInColour_
          ? SegmentCells(pictures_.composite, cellsPainted, seeds_, segmentation, colours)
          : SegmentCells(pictures_.composite, seeds_, segmentation, colours);

  CellResults found;
  found.kept = cells.kept();
  found.seeds = static_cast<int>(seeds_.size());
  if (found.kept >= 1) {
    ShapeSettings shape;
    shape.ring = ring;
    shape.elongation = settings_.cells.lengthRatio;
    shape.smoothness = settings_.cells.smoothness;
    ShapeAnalysis analysis = AnalyseShapes(cells.cells, shape);
    for (const ShapedCell& cell : analysis.cells) {
      DrawOutline(pictures_.cellCrop, cell.m, ring);
      DrawLongAxis(pictures_.cellCrop, cell.m, cell.cls, ring);
    }
    if (options_.cellViews) {
      pictures_.cellGallery = DrawThumbnailGallery(analysis, cells.cells, pictures_.result);
      pictures_.classPie = DrawPieChart(analysis.statistics);
      pictures_.orientationHistogram = DrawHistogram(analysis.statistics);
    }
    if (analysis.statistics.gauge) radialShare_ = *analysis.statistics.gauge;
    for (const ShapedCell& cell : analysis.cells) found.cells.push_back(Measures(cell));
    found.statistics = analysis.statistics;
  } else {
    // Nothing of an earlier run may stand as this run's drawings.
    pictures_.cellGallery = options_.cellViews ? BlankCellGallery() : Picture();
    pictures_.classPie = Picture();
    pictures_.orientationHistogram = Picture();
  }
  if (cellsInColour_) pictures_.cellCrop = CopyRingCrop(cellsPainted, ring);
  results_.cells = std::move(found);
  touch();
}

}  // namespace vembrel
