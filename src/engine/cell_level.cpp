#include "engine/cell_level.h"

#include <memory>

#include "core/date_text.h"
#include "core/error.h"
#include "engine/cell_export.h"
#include "engine/well_window.h"
#include "engine/workspace.h"
#include "imaging/cell_segmentation.h"
#include "imaging/image_files.h"
#include "imaging/immigrants.h"
#include "render/cell_drawings.h"
#include "results/settings_header.h"

namespace vembrel {

RingGeometry CellLevel::ring() const {
  return {window_.ringX_, window_.ringY_, window_.radius_};
}

void CellLevel::takeOverSeeds() {
  WellWindow& w = window_;
  ProgramState& state = w.state();
  if (state.CurrentWell == w.well_) return;
  // Another window's pass ran since this window's own: its seeds belong to
  // another well, so find this well's seeds again as the pass does.
  state.ObjectList =
      CountImmigrants(w.images_[3], w.images_[2], w.immigrantSettings(), state.MaskPict).seeds;
  state.CurrentWell = w.well_;
  state.RingCentreX = w.ringX_;
  state.RingCentreY = w.ringY_;
  ++state.analysisGeneration;
}

CellRunKey CellLevel::key() {
  WellWindow& w = window_;
  CellRunKey key;
  key.well = w.well_;
  key.ringX = w.ringX_;
  key.ringY = w.ringY_;
  key.radius = w.radius_;
  key.cutoffBlue = w.scrollBar(10).position;
  key.cutoffGreen = w.scrollBar(9).position;
  key.cellCutoff = w.scrollBar(15).position;
  key.minSize = w.scrollBar(6).position;
  key.maxSize = w.scrollBar(5).position;
  key.elongation = w.scrollBar(19).position;
  key.smoothness = w.scrollBar(20).position;
  key.colourView = w.radioButton(2);
  key.generation = w.state().analysisGeneration;
  return key;
}

CellLevelResult CellLevel::DoTheCell(AtomicTextFile* file) {
  WellWindow& w = window_;
  ProgramState& state = w.state();
  if (w.cellMemo_ && w.cellMemo_->key == key() && state.CurrentWell == w.well_) {
    // Nothing the run reads has changed since the last one (the batch's
    // export right after the pass that switched the cell level on).
    if (file != nullptr && w.cellMemo_->result.shapes) {
      AppendCellTables(*file, *w.cellMemo_->result.shapes);
    }
    return w.cellMemo_->result;
  }
  w.cellMemo_.reset();
  takeOverSeeds();
  const RingGeometry ring = this->ring();

  state.MaskPict = w.images_[4];
  w.images_[5] = CopyRingCrop(w.images_[4], ring);

  CellSegmentationSettings settings;
  settings.lowerCutoffBlue = w.scrollBar(10).position;
  settings.lowerCutoffGreen = w.scrollBar(9).position;
  settings.cellCutoff = w.scrollBar(15).position;
  settings.minSize = w.scrollBar(6).position;
  settings.maxSize = w.scrollBar(5).position;
  settings.ringCentreX = ring.centreX;
  settings.ringCentreY = ring.centreY;
  settings.radius = ring.radius;
  CellColourGenerator colours;  // one fixed seed per run: reproducible snapshots
  CellSegmentation segmentation =
      SegmentCells(w.images_[3], w.images_[2], state.MaskPict, state.ObjectList, settings, colours);
  state.PictCursor = static_cast<std::uint32_t>(state.MaskPict.bytes.size() + 55);

  CellLevelResult result;
  result.kept = segmentation.kept();
  result.seeds = static_cast<int>(state.ObjectList.size());
  if (result.kept >= 1) {
    w.setLabel("Label43",
               std::to_string(result.kept) + " c./" + std::to_string(result.seeds) + " tot");
    DoTheShape(segmentation.cells, file, result);
  } else {
    w.setLabel("Label43", "0/" + std::to_string(result.seeds));
  }
  if (w.radioButton(2)) w.images_[5] = CopyRingCrop(state.MaskPict, ring);
  w.touch();
  ++state.analysisGeneration;
  w.cellMemo_ = std::make_unique<CellRunMemo>(CellRunMemo{key(), result});
  return result;
}

void CellLevel::DoTheShape(CellList& cells, AtomicTextFile* file, CellLevelResult& result) {
  WellWindow& w = window_;
  ShapeSettings settings;
  settings.ring = ring();
  settings.elongation = w.scrollBar(19).position / 10.0;
  settings.smoothness = w.scrollBar(20).position / 100.0;
  ShapeAnalysis analysis = AnalyseShapes(cells, settings);

  Picture& crop = w.images_[5];
  for (const ShapedCell& cell : analysis.cells) {
    DrawOutline(crop, cell.m, settings.ring);
    DrawLongAxis(crop, cell.m, cell.cls, settings.ring);
  }
  w.images_[6] = DrawThumbnailGallery(analysis, cells, w.images_[4]);
  w.images_[8] = DrawPieChart(analysis.statistics);
  w.images_[7] = DrawHistogram(analysis.statistics);
  w.setLabel("Label89", ElongationText(analysis.statistics));
  w.setLabel("Label90", SmoothnessText(analysis.statistics));
  if (analysis.statistics.gauge) w.gauge_ = *analysis.statistics.gauge;

  if (file != nullptr) AppendCellTables(*file, analysis);
  result.shapes = std::move(analysis);
}

void CellLevel::Export() {
  WellWindow& w = window_;
  Workspace& workspace = w.workspace();
  const ProgramState& state = w.state();
  const Plate& plate = workspace.plate();
  const std::string resultsFolder = workspace.resultsFolder();
  if (resultsFolder.empty()) {
    throw Error("No results folder: open the plate's pictures before saving well data");
  }
  const std::string well = state.largeWellLabel.empty() ? w.caption() : state.largeWellLabel;

  CreateFolders(resultsFolder + "CellShape");
  AtomicTextFile file(CellDataFileName(resultsFolder, plate.prefix, well));
  const CellSettingsTexts texts{w.label("Label53"), w.label("Label52"), w.label("Label42"),
                                w.label("Label68"), w.label("Label69")};
  const std::vector<std::string> settingsHeader =
      SettingsHeader(state.central, plate.measurementDate, plate.path, plate.prefix, Now());
  for (const std::string& line : CellDataHeader(well, settingsHeader, texts)) file.line(line);
  DoTheCell(&file);
  file.commit();

  CreateFolders(resultsFolder + "CellJPEGS");
  w.writeJpeg(w.images_[5], CellSnapshotFileName(resultsFolder, plate.prefix, well));
}

nlohmann::ordered_json CellLevelJson(const CellLevelResult& result) {
  using json = nlohmann::ordered_json;
  json cells = {{"kept", result.kept}, {"seeds", result.seeds}};
  const ShapeStatistics empty;
  const ShapeStatistics& s = result.shapes ? result.shapes->statistics : empty;
  cells["classes"] = s.classCounts;
  cells["orientation_bins"] = s.bins;
  cells["radial_share"] = s.gauge ? json(*s.gauge) : json(nullptr);
  const auto pair = [&](double median, double mean) {
    return result.shapes ? json{{"median", median}, {"mean", mean}}
                         : json{{"median", nullptr}, {"mean", nullptr}};
  };
  cells["elongation"] = pair(s.elongationMedian, s.elongationMean);
  cells["smoothness"] = pair(s.smoothnessMedian, s.smoothnessMean);
  json list = json::array();
  if (result.shapes) {
    for (const ShapedCell& cell : result.shapes->cells) {
      const CellMeasurement& m = cell.m;
      list.push_back({{"size", m.size},
                      {"width", m.PicWidth},
                      {"height", m.PicHeight},
                      {"circumference", m.circumference()},
                      {"length", m.chord.Length},
                      {"ratio", m.Ratio},
                      {"correlation", m.Correlation},
                      {"class", ClassName(cell.cls)},
                      {"angle", cell.angle ? json(*cell.angle) : json(nullptr)},
                      {"nucleus_size", m.NucleusSize}});
    }
  }
  cells["list"] = std::move(list);
  return cells;
}

}  // namespace vembrel
