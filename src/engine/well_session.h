#pragma once
// One open well: its pictures and work buffers, its settings and ring, and
// the named actions a user takes on it. Every action recomputes at once what
// it affects (the composite, the analysis pass, the cell level) and nothing
// else; a session shares no state with other sessions, so any number of them
// can live side by side or on different threads.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/well_results.h"
#include "imaging/cell_segmentation.h"
#include "imaging/field_loader.h"
#include "imaging/immigrants.h"
#include "imaging/mosaic.h"
#include "imaging/picture.h"
#include "imaging/zone_fit.h"
#include "plate/analysis_settings.h"
#include "plate/settings_table.h"

namespace vembrel {

struct Plate;
struct DensityProfile;

/// The pictures of a well. Rows bottom first, 4 bytes per pixel.
struct WellPictures {
  Picture blueMosaic;   // the nuclear stain (empty without mosaicPictures)
  Picture greenMosaic;  // the cell stain; its red bytes are 255 inside the ring (ringMask)
  Picture composite;    // both channels windowed (blue, green; red 0)
  Picture result;       // immigrant nuclei pure red inside the ring, black outside
  Picture ringCrop;     // the ring's square of the result, with the immigrant count
                        // (empty at the cell level with ringCropAsJpeg)
  Picture cellCrop;     // cell level: the ring's square with outlines and long axes,
                        // or with the cells in their colours
  Picture cellGallery;  // cell level: thumbnails of the cells by class
  Picture orientationHistogram;
  Picture classPie;
};

/// The density chart of the results: bars barWidth pixels wide, heights 0..100.
struct DensityChart {
  int barWidth = 0;
  std::vector<int> heights;  // empty: no profile
  std::string maximumText;   // "Max: <nuclei> in <area> pixel", "" without a profile
};

/// The mosaics of a well as loaded, and what went wrong with any field.
/// The mosaics come as pictures, or as grey planes only.
struct WellMosaics {
  Picture blue;
  Picture green;
  std::vector<FieldProblem> fieldProblems;
  std::vector<InputPicture> inputs{};       // the field files as read (none for given mosaics)
  std::array<bool, 4> greenQuarterBlack{};  // cell-stain quarters left black, in field order
  int reducedFrom = 0;   // side of the large fields reduced to 512 x 512, 0 when none
  GreyPlane blueGrey{};  // in place of blue and green when loaded as grey planes
  GreyPlane greenGrey{};
  bool greyPlanes() const { return blue.bytes.empty() && !blueGrey.bytes.empty(); }
};

/// Whether a ring lies on the mosaic: centre within 0..1023 in both
/// directions (row counted from the bottom), radius within the ring size's
/// range. Returns why not ("x 1024 is outside the mosaic (0..1023)"), or ""
/// when it does.
std::string RingPlacementProblem(const Ring& ring);

/// Loads both 1024 x 1024 mosaics of a well of the plate, in the form given.
WellMosaics LoadWellMosaics(const Plate& plate, int well, MosaicForm form = MosaicForm::kPicture);

/// The plate a session's files describe (empty for mosaics given by a caller).
struct PlateIdentity {
  std::string path;    // folder of the pictures, with a trailing separator
  std::string prefix;  // file-name prefix of the plate
  double measurementDate = 0;
  std::optional<double> pixelSize;  // micrometres per pixel of the field pictures
  PlateFormat format;               // the plate's format, which names its wells
  int timePoint = 1;                // the time point its pictures were taken at
};

enum class RingDirection { Left, Right, Up, Down };

/// A range of radii to fit the cell-free zone's size in.
struct RadiusRange {
  int minimum = 0;
  int maximum = 0;
};

/// Where the nucleus cut-offs come from: the settings, one pair for the
/// whole plate; or each well's own, chosen from its composite by the rule of
/// the suggested settings (ChooseNucleusCutoffs).
enum class CutoffMode { Plate, Well };

/// "plate", "well"; and the mode of such a name (none for another text).
const char* CutoffModeName(CutoffMode mode);
std::optional<CutoffMode> CutoffModeFromName(std::string_view name);

struct SessionOptions {
  bool cellLevel = false;  // analyse the cells as well
  /// Fit the zone's size in this range when the well opens, instead of
  /// taking the settings' radius.
  std::optional<RadiusRange> fitRadius;
  /// Analyse at this ring (a reviewed one) instead of fitting one; the
  /// radius becomes the session's ring size. Error when it lies off the mosaic.
  std::optional<Ring> ring;
  /// The ring is the well's ring held from an earlier time point rather than
  /// a reviewed one. With ringDrift, its centre is fitted afresh at its
  /// radius and the fit kept when it lies within ringDrift pixels of it.
  bool ringHeld = false;
  std::optional<int> ringDrift;
  /// Measure the zone's coverage (results' zoneCoverage) at every pass.
  bool zoneCoverage = false;
  /// Well: the nucleus cut-offs are chosen from the well's composite when it
  /// opens or is reset, in place of the settings' (the results carry them).
  CutoffMode cutoffs = CutoffMode::Plate;
  /// Draw the cell level's gallery, class pie and orientation histogram
  /// (pictures' cellGallery, classPie, orientationHistogram); without them
  /// they stay empty, for callers that write none of them (a batch).
  bool cellViews = true;
  /// Keep the whole result picture (pictures' result). Without it, and
  /// without cellViews, only its ring crop is cut, for callers that show or
  /// write no result picture (a batch); cells in colour still make it.
  bool wholeResult = true;
  /// Paint the ring into the green mosaic's red bytes whenever it moves, for
  /// callers that show the mosaic. The analysis never reads them: a batch
  /// leaves them as loaded.
  bool ringMask = true;
  /// Halve every composite as it is made and keep the half for
  /// wholeWellOverview, for callers that write the overview (a batch): the
  /// composite's rows are halved while in cache rather than read again.
  bool overviewComposite = false;
  /// Keep the mosaics as pictures (pictures' blueMosaic and greenMosaic),
  /// for callers that show them. Without, a well of the plate is loaded into
  /// grey planes only, a quarter of the bytes, for callers that show no
  /// mosaic (a batch): the analysis reads nothing but the grey values, and
  /// the composite's spare bytes are then 255. The zone's coverage reads the
  /// green bytes, which a colour field holds apart from the grey values, so
  /// with zoneCoverage the pictures are kept.
  bool mosaicPictures = true;
  /// At the cell level without the whole result, keep the ring crop only as
  /// its JPEG (ringCropJpeg, encoded as each pass draws it) and hand its
  /// buffer to the cell drawings rather than copy it: pictures' ringCrop is
  /// then empty. For callers that write the ring crop and show none (a batch).
  bool ringCropAsJpeg = false;
  /// Mark the nucleus pixels at the nucleus cut-offs as each composite is
  /// made, while its rows are in cache, for the next pass's nucleus scan to
  /// take instead of reading the composite again. A pass whose cut-offs
  /// differ marks afresh. For callers that make one pass per composite (a
  /// batch); elsewhere the marks' megabyte is seldom used.
  bool marksWithComposite = false;
  /// Called after every analysis pass, the first included (not after runs of
  /// the cell level alone). May be empty.
  std::function<void(const class WellSession&)> onAnalysed;
};

class PixelMarks;

class WellSession {
 public:
  /// Opens a well of the plate: loads its mosaics, builds the composite,
  /// fits the ring and analyses.
  WellSession(const Plate& plate, int well, const AnalysisSettings& settings,
              SessionOptions options = {});
  /// Analyses mosaics given by the caller (1024 x 1024 each; others throw Error).
  WellSession(int well, WellMosaics mosaics, const AnalysisSettings& settings,
              SessionOptions options = {}, PlateIdentity plate = {});
  ~WellSession();
  WellSession(const WellSession&) = delete;
  WellSession& operator=(const WellSession&) = delete;

  // What the session shows.
  int well() const { return well_; }
  const std::string& wellName() const { return wellName_; }
  const PlateIdentity& plate() const { return plate_; }
  const AnalysisSettings& settings() const { return settings_; }
  const Ring& ring() const { return results_.ring; }
  const WellResults& results() const { return results_; }
  const WellPictures& pictures() const { return pictures_; }
  const DensityChart& densityChart() const { return chart_; }
  /// The ring's square as shown: the cell drawings at cell level, else the ring crop.
  const Picture& shownCrop() const;
  bool cellLevel() const { return cellLevel_; }
  bool cellsInColour() const { return cellsInColour_; }
  /// Whether the cell thresholds may be changed: switching the cell level on
  /// allows it, and any analysis pass locks them again.
  bool cellThresholdsEditable() const { return cellThresholdsEditable_; }
  /// The last share of radially oriented cells shown (kept while no cell is oriented).
  int radialShareShown() const { return radialShare_; }
  /// Grows with every change, so a face knows when to repaint.
  std::uint64_t revision() const { return revision_; }
  /// Analysis passes run so far.
  int passCount() const { return passCount_; }

  // Actions.
  /// Changes one setting as its control does and recomputes what depends on
  /// it. Values are clamped into the setting's range and decimals rounded to
  /// its steps; a cut-off pushes its saturation (and a minimum its maximum)
  /// one step past itself rather than crossing it. The ring radius is checked
  /// instead (Error outside its range) and refits the ring; an increment
  /// below 1 becomes 10.
  void set(SettingId id, double value);
  void autoFitRing();
  /// Fits the ring's centre and radius within the range (1..1024; Error
  /// otherwise) and analyses; the radius becomes the session's ring size and
  /// the results carry the fitted zone's contrast.
  void fitRingSize(RadiusRange range);
  void nudgeRing(RingDirection direction);
  /// Places the ring's centre (row counted from the bottom) and analyses.
  void placeRing(int x, int y);
  /// Places the whole ring as given (a reviewed ring: its radius becomes the
  /// session's ring size, without a fit) and analyses; Error when it lies off
  /// the mosaic.
  void placeRing(const Ring& ring);
  /// The radius one pixel larger or smaller (1..1024), fitted afresh.
  void stepRingRadius(bool larger);
  /// The increment ten pixels larger or smaller (10..100).
  void stepRingIncrement(bool larger);
  void setCellLevel(bool on);
  void setCellsInColour(bool colour);
  /// Takes these settings (as opening the well would), fits the ring afresh and analyses.
  void resetTo(const AnalysisSettings& settings);
  /// Shows the well as another acquisition of the plate pictured it (one
  /// of its time points): loads the well's mosaics from that plate and
  /// analyses them with the session's settings at this ring, measuring the
  /// zone's coverage; held: the ring a time course holds from the well's
  /// first time point (as SessionOptions::ringHeld, without drift), else
  /// placed as a reviewed ring, unless it is the ring the session showed
  /// before its first held acquisition: that one keeps its origin (fitted,
  /// with its contrast, or reviewed). Error (nothing changed) when the
  /// pictures cannot be loaded or the ring lies off the mosaic.
  void showAcquisition(const Plate& plate, const Ring& ring, bool held);

  /// JPEG bytes of the ring crop and of the cell drawings, encoded once per picture state.
  const std::string& ringCropJpeg() const;
  const std::string& cellCropJpeg() const;

  /// Objects in the ring that the count rejected for their size (first
  /// pixel and size; distance 0), in scan order.
  const std::vector<ImmigrantNucleus>& rejectedForSize() const { return rejectedForSize_; }
  /// The whole-well picture of the results (render/whole_well_picture.h):
  /// the composite, the ring, the counted and rejected nuclei, a scale bar
  /// with a pixel size, and the well's name and key numbers.
  Picture wholeWellPicture() const;
  /// The same made smaller for the batch's overview (WholeWellOverview).
  /// With overviewComposite, the first one of each composite is drawn on
  /// its half as made.
  Picture wholeWellOverview() const;

 private:
  struct Memo;
  /// The gallery before any cell is drawn: the window's button face.
  static Picture BlankCellGallery();
  void open(const AnalysisSettings& settings);
  void takeMosaics(WellMosaics mosaics);
  /// Draws a ring given from outside (reviewed or held), re-fitted within the drift allowed.
  void takeRing(const Ring& given, bool held);
  void takeSettings(const AnalysisSettings& settings);
  void rebuildComposite();
  void chooseCutoffs();
  void fitRing();
  void fitZone(RadiusRange range);
  void drawRing(int x, int y);
  void paintRingMask();
  void analyse();
  void noteQuality(const DensityProfile& profile);
  void runCells();
  ImmigrantSettings immigrantSettings() const;
  bool wholeResult() const;
  void touch() { ++revision_; }

  int well_;
  std::string wellName_;
  PlateIdentity plate_;
  AnalysisSettings settings_;
  SessionOptions options_;
  WellPictures pictures_;
  // Without the whole result: its ring crop without the count, kept at the
  // cell level for the cell drawings (with ringCropAsJpeg, the crop's own
  // buffer, the count's rows put back).
  Picture ringCut_;
  // With overviewComposite: the composite halved as it was made, until the
  // overview takes it.
  mutable Picture halvedComposite_;
  // With marksWithComposite: the nucleus marks made with the composite, and
  // the cut-offs they were made at until a pass takes them.
  std::unique_ptr<PixelMarks> composedMarks_;
  std::optional<std::array<int, 2>> composedMarksCutoffs_;
  WellResults results_;
  DensityChart chart_;
  std::vector<double> seeds_;  // buffer positions of the immigrant nuclei
  std::vector<ImmigrantNucleus> rejectedForSize_;
  bool cellLevel_ = false;
  bool cellsInColour_ = false;
  bool cellThresholdsEditable_ = false;
  int radialShare_ = 0;
  // A nucleus cut-off was set since the well opened or was reset.
  bool cutoffsByHand_ = false;
  bool saturated_ = false;  // more than 1 % of the nuclear channel at its maximum
  ZoneAssessment zone_;     // whether the cell stain shows a cell-free zone
  std::array<bool, 4> greenQuarterBlack_{};
  std::optional<Ring> maskedRing_;  // the ring in the green mosaic's red bytes, if any
  // The mosaics' grey values, for the passes that read nothing else; the
  // blue one only when the session holds no mosaic pictures.
  GreyPlane blueGrey_;
  GreyPlane greenGrey_;
  // The ring shown before the first held acquisition, with how it was placed.
  struct OwnRing {
    Ring ring;
    bool fitted = false;
    bool reviewed = false;
    std::optional<double> contrast;
  };
  std::optional<OwnRing> ownRing_;
  std::uint64_t revision_ = 0;
  int passCount_ = 0;
  mutable std::unique_ptr<Memo> memo_;
};

}  // namespace vembrel
