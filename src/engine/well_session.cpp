#include "engine/well_session.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

#include "core/error.h"
#include "imaging/composite.h"
#include "imaging/disc_geometry.h"
#include "imaging/image_files.h"
#include "imaging/immigrants.h"
#include "imaging/mosaic.h"
#include "imaging/nuclei.h"
#include "imaging/nucleus_statistics.h"
#include "imaging/pixel_marks.h"
#include "imaging/ring_fit.h"
#include "imaging/zone_coverage.h"
#include "imaging/zone_fit.h"
#include "plate/plate.h"
#include "plate/well_names.h"
#include "render/canvas.h"

namespace vembrel {
namespace {

constexpr int kSmallestIncrement = 10, kLargestIncrement = 100, kIncrementStep = 10;

struct SliderRange {
  int minimum;
  int maximum;
  int scale;  // steps per unit of a decimal setting
};

SliderRange RangeOf(SettingId id) {
  const SettingDescriptor& d = Describe(id);
  return {d.minimum, d.maximum, d.sliderScale};
}

int Clamped(SettingId id, int value) {
  const SliderRange range = RangeOf(id);
  return std::clamp(value, range.minimum, range.maximum);
}

// A decimal setting as its slider holds it: the nearest step inside the range.
double Stepped(SettingId id, double value) {
  const SettingDescriptor& d = Describe(id);
  return std::get<double>(FromSliderPosition(d, SliderPosition(d, value)));
}

// A whole-number value from a double given by a face, clamped into the range.
int Whole(SettingId id, double value) {
  if (std::isnan(value)) return RangeOf(id).minimum;
  const SliderRange range = RangeOf(id);
  return static_cast<int>(std::clamp(value, double(range.minimum), double(range.maximum)));
}

// A lower and an upper bound kept in order the way their sliders do it: the
// changed one takes its value, and when that crosses the partner, the partner
// is pushed one step past it, which may push back in turn. Returns whether
// anything changed.
bool SetOrdered(int& lower, SettingId lowerId, int& upper, SettingId upperId, bool changeLower,
                int value) {
  bool changed = false;
  for (int guard = 0; guard < 4; ++guard) {
    int& target = changeLower ? lower : upper;
    const int clamped = Clamped(changeLower ? lowerId : upperId, value);
    if (clamped == target) break;
    target = clamped;
    changed = true;
    if (lower < upper) break;
    value = changeLower ? clamped + 1 : clamped - 1;
    changeLower = !changeLower;
  }
  return changed;
}

// Fewer nuclei than this outside the ring give no density profile worth reading.
constexpr std::int64_t kFewNucleiOutside = 20;
// Objects too large for a nucleus a well may hold before its sizes are noted.
constexpr int kFewOversizeObjects = 5;

// Whether more than half of the ring's disc lies in quarters left black,
// where the fit finds the darkest disc however the zone lies.
bool MostlyInBlackQuarters(const Ring& ring, const std::array<bool, 4>& black) {
  if (std::none_of(black.begin(), black.end(), [](bool b) { return b; })) return false;
  const std::vector<int> halfWidths = DiscHalfWidths(ring.radius);
  std::int64_t inside = 0, inBlack = 0;
  for (int r = std::max(0, ring.y - ring.radius + 1);
       r <= std::min(kMosaicSize - 1, ring.y + ring.radius - 1); ++r) {
    const int half = halfWidths[std::abs(r - ring.y)];
    const int c0 = std::max(0, ring.x - half), c1 = std::min(kMosaicSize - 1, ring.x + half);
    if (c0 > c1) continue;
    const int left = std::max(0, std::min(c1, kFieldSize - 1) - c0 + 1);  // columns below 512
    const int right = (c1 - c0 + 1) - left;
    const bool upper = r >= kFieldSize;
    // Fields: 0 lower left, 1 lower right, 2 upper right, 3 upper left.
    inside += c1 - c0 + 1;
    inBlack += (black[upper ? 3 : 0] ? left : 0) + (black[upper ? 2 : 1] ? right : 0);
  }
  return inBlack * 2 > inside;
}

// Whole rows of a picture, top..top+count-1 counted from the top and
// clipped to it: text drawn from row top sets glyph pixels within its
// height and nothing else, so these rows are all it can change.
struct RowBand {
  std::size_t start = 0;
  std::string bytes;
};

RowBand SaveRows(const Picture& picture, int top, int count) {
  const int first = std::clamp(top, 0, picture.height);
  const int end = std::clamp(top + count, first, picture.height);
  const std::size_t rowBytes = static_cast<std::size_t>(picture.width) * 4;
  RowBand band;
  // Stored bottom first: the band's lowest row comes first.
  band.start = static_cast<std::size_t>(picture.height - end) * rowBytes;
  band.bytes.assign(reinterpret_cast<const char*>(picture.bytes.data()) + band.start,
                    static_cast<std::size_t>(end - first) * rowBytes);
  return band;
}

void RestoreRows(Picture& picture, const RowBand& band) {
  if (!band.bytes.empty())
    std::memcpy(picture.bytes.data() + band.start, band.bytes.data(), band.bytes.size());
}

}  // namespace

// Encoded snapshots, keyed by the revision they were made at.
struct WellSession::Memo {
  std::uint64_t ringRevision = ~std::uint64_t{0};
  std::string ringJpeg;
  // The ring JPEG stands for the pass's crop, whose picture is gone
  // (ringCropAsJpeg): valid until the next pass, whatever the revision.
  bool ringPinned = false;
  std::uint64_t cellRevision = ~std::uint64_t{0};
  std::string cellJpeg;
};

std::string RingPlacementProblem(const Ring& ring) {
  const int largest = Describe(SettingId::RingRadius).maximum;
  const auto within = [](int value, int low, int high) { return value >= low && value <= high; };
  if (!within(ring.x, 0, kMosaicSize - 1)) {
    return "x " + std::to_string(ring.x) + " is outside the mosaic (0.." +
           std::to_string(kMosaicSize - 1) + ")";
  }
  if (!within(ring.y, 0, kMosaicSize - 1)) {
    return "y " + std::to_string(ring.y) + " is outside the mosaic (0.." +
           std::to_string(kMosaicSize - 1) + ")";
  }
  if (!within(ring.radius, 1, largest)) {
    return "radius " + std::to_string(ring.radius) + " is outside 1.." + std::to_string(largest);
  }
  return "";
}

const char* CutoffModeName(CutoffMode mode) {
  return mode == CutoffMode::Well ? "well" : "plate";
}

std::optional<CutoffMode> CutoffModeFromName(std::string_view name) {
  if (name == "plate") return CutoffMode::Plate;
  if (name == "well") return CutoffMode::Well;
  return std::nullopt;
}

WellMosaics LoadWellMosaics(const Plate& plate, int well, MosaicForm form) {
  FieldLoadOptions options;
  options.inputBits = plate.loaderInputBits();
  const std::vector<FieldSource> sources = WellFieldSources(plate, well);
  const std::size_t fields = sources.size() / 2;
  // A file holding several fields or channels is opened once, and closed
  // after its last page.
  std::vector<std::string> reads;
  for (const FieldSource& source : sources) reads.push_back(source.file);
  TiffFiles files(reads);
  WellMosaics mosaics;
  for (const bool green : {false, true}) {
    std::vector<FieldPage> pages;
    for (std::size_t field = 0; field < fields; ++field) {
      const FieldSource& source = sources[(green ? fields : 0) + field];
      pages.push_back({source.file, source.page});
    }
    ChannelMosaic loaded = LoadChannelMosaic(pages, options, files, form);
    for (std::size_t field = 0; field < fields; ++field) {
      mosaics.inputs.push_back({pages[field].file, green, static_cast<int>(field),
                                loaded.fields[field].fingerprint, pages[field].page});
    }
    for (FieldProblem& problem : loaded.problems()) mosaics.fieldProblems.push_back(problem);
    mosaics.reducedFrom = std::max(mosaics.reducedFrom, loaded.reducedFrom());
    if (green) {
      for (int quarter = 0; quarter < 4; ++quarter) {
        mosaics.greenQuarterBlack[quarter] = loaded.quarterBlack(quarter);
      }
    }
    (green ? mosaics.green : mosaics.blue) = std::move(loaded.mosaic);
    (green ? mosaics.greenGrey : mosaics.blueGrey) = std::move(loaded.grey);
  }
  return mosaics;
}

namespace {

PlateIdentity IdentityOf(const Plate& plate) {
  return {plate.path,
          plate.prefix,
          plate.measurementDate,
          plate.pixelSize ? std::optional<double>(plate.pixelSize->micrometres) : std::nullopt,
          plate.format,
          plate.timePoint};
}

void CheckMosaics(const WellMosaics& mosaics, const std::string& wellName) {
  const auto check = [&](int width, int height, std::size_t bytes, std::size_t pixelBytes) {
    if (width != kMosaicSize || height != kMosaicSize ||
        bytes != pixelBytes * kMosaicSize * kMosaicSize) {
      throw Error("Well " + wellName + ": a mosaic of " + std::to_string(width) + " x " +
                  std::to_string(height) + " pixels cannot be analysed; it must be " +
                  std::to_string(kMosaicSize) + " x " + std::to_string(kMosaicSize));
    }
  };
  if (mosaics.greyPlanes()) {
    for (const GreyPlane* plane : {&mosaics.blueGrey, &mosaics.greenGrey})
      check(plane->width, plane->height, plane->bytes.size(), 1);
  } else {
    for (const Picture* mosaic : {&mosaics.blue, &mosaics.green})
      check(mosaic->width, mosaic->height, mosaic->bytes.size(), 4);
  }
}

MosaicForm FormFor(const SessionOptions& options) {
  return options.mosaicPictures || options.zoneCoverage ? MosaicForm::kPicture
                                                        : MosaicForm::kGreyPlane;
}

}  // namespace

WellSession::WellSession(const Plate& plate, int well, const AnalysisSettings& settings,
                         SessionOptions options)
    : WellSession(well, LoadWellMosaics(plate, well, FormFor(options)), settings, options,
                  IdentityOf(plate)) {}

WellSession::WellSession(int well, WellMosaics mosaics, const AnalysisSettings& settings,
                         SessionOptions options, PlateIdentity plate)
    : well_(well),
      wellName_(WellName(well, plate.format)),
      plate_(std::move(plate)),
      options_(std::move(options)),
      memo_(std::make_unique<Memo>()) {
  CheckMosaics(mosaics, wellName_);
  results_.well = well;
  results_.format = plate_.format;
  takeMosaics(std::move(mosaics));
  cellLevel_ = options_.cellLevel;
  if (options_.cellViews) pictures_.cellGallery = BlankCellGallery();
  takeSettings(settings);
  rebuildComposite();
  if (options_.ring) {
    if (const std::string problem = RingPlacementProblem(*options_.ring); !problem.empty()) {
      throw Error("Well " + wellName_ + ": the ring's " + problem);
    }
    takeRing(*options_.ring, options_.ringHeld);
  } else if (options_.fitRadius) {
    fitZone(*options_.fitRadius);
  } else {
    fitRing();
  }
  analyse();
  cellThresholdsEditable_ = cellLevel_;
}

void WellSession::takeMosaics(WellMosaics mosaics) {
  const bool greyPlanes = mosaics.greyPlanes();
  pictures_.blueMosaic = std::move(mosaics.blue);
  pictures_.greenMosaic = std::move(mosaics.green);
  blueGrey_ = std::move(mosaics.blueGrey);
  results_.fieldProblems = std::move(mosaics.fieldProblems);
  results_.inputs = std::move(mosaics.inputs);
  results_.reducedFrom = mosaics.reducedFrom;
  results_.pixelSize.reset();
  if (plate_.pixelSize)
    results_.pixelSize = MosaicPixelSize(*plate_.pixelSize, mosaics.reducedFrom);
  greenQuarterBlack_ = mosaics.greenQuarterBlack;
  maskedRing_.reset();
  if (greyPlanes) {
    greenGrey_ = std::move(mosaics.greenGrey);
    zone_ = AssessZone(greenGrey_, greenQuarterBlack_);
  } else {
    zone_ = AssessZone(pictures_.greenMosaic, greenQuarterBlack_, &greenGrey_);
  }
}

void WellSession::takeRing(const Ring& given, bool held) {
  settings_.ring.radius = given.radius;
  Ring ring = given;
  if (options_.ringDrift) {
    const MosaicPoint moved = FitRing(greenGrey_, ring.radius).centre;
    const double drift =
        std::hypot(static_cast<double>(moved.x - ring.x), static_cast<double>(moved.y - ring.y));
    if (drift <= *options_.ringDrift) ring = {moved.x, moved.y, ring.radius};
  }
  drawRing(ring.x, ring.y);
  results_.ringReviewed = !held;
  results_.ringHeld = held;
}

void WellSession::showAcquisition(const Plate& plate, const Ring& ring, bool held) {
  if (const std::string problem = RingPlacementProblem(ring); !problem.empty()) {
    throw Error("Well " + wellName_ + ": the ring's " + problem);
  }
  // Pictures: the zone's coverage, measured from now on, reads their green bytes.
  WellMosaics mosaics = LoadWellMosaics(plate, well_, MosaicForm::kPicture);
  CheckMosaics(mosaics, wellName_);
  if (held && !results_.ringHeld) {
    ownRing_ =
        OwnRing{results_.ring, results_.ringFitted, results_.ringReviewed, results_.zoneContrast};
  }
  plate_ = IdentityOf(plate);
  takeMosaics(std::move(mosaics));
  options_.zoneCoverage = true;
  options_.ringDrift.reset();
  rebuildComposite();
  takeRing(ring, held);
  // Shown again where it was placed, the own ring is not made a reviewed one.
  if (!held && ownRing_ && ownRing_->ring == ring) {
    results_.ringFitted = ownRing_->fitted;
    results_.ringReviewed = ownRing_->reviewed;
    results_.zoneContrast = ownRing_->contrast;
  }
  analyse();
}

WellSession::~WellSession() = default;

const Picture& WellSession::shownCrop() const {
  return cellLevel_ && !pictures_.cellCrop.empty() ? pictures_.cellCrop : pictures_.ringCrop;
}

// ---------------------------------------------------------------------------
// Settings.

void WellSession::takeSettings(const AnalysisSettings& s) {
  AnalysisSettings& t = settings_;
  t.display.green = {Clamped(SettingId::DisplayGreenCutoff, s.display.green.cutoff),
                     Clamped(SettingId::DisplayGreenSaturation, s.display.green.saturation),
                     s.display.green.fullRange};
  t.display.blue = {Clamped(SettingId::DisplayBlueCutoff, s.display.blue.cutoff),
                    Clamped(SettingId::DisplayBlueSaturation, s.display.blue.saturation),
                    s.display.blue.fullRange};
  t.ring.radius = Clamped(SettingId::RingRadius, s.ring.radius);
  t.ring.increment = std::max(s.ring.increment, 1);
  t.nuclei.greenCutoff = Clamped(SettingId::NucleiGreenCutoff, s.nuclei.greenCutoff);
  t.nuclei.blueCutoff = Clamped(SettingId::NucleiBlueCutoff, s.nuclei.blueCutoff);
  t.nuclei.minimalSize = Clamped(SettingId::NucleiMinimalSize, s.nuclei.minimalSize);
  t.nuclei.maximalSize = Clamped(SettingId::NucleiMaximalSize, s.nuclei.maximalSize);
  t.cells.greenCutoff = Clamped(SettingId::CellsGreenCutoff, s.cells.greenCutoff);
  t.cells.minimalSize = Clamped(SettingId::CellsMinimalSize, s.cells.minimalSize);
  t.cells.maximalSize = Clamped(SettingId::CellsMaximalSize, s.cells.maximalSize);
  // The decimals live in tenths and hundredths, as their sliders hold them.
  t.cells.lengthRatio = Stepped(SettingId::CellsLengthRatio, s.cells.lengthRatio);
  t.cells.smoothness = Stepped(SettingId::CellsSmoothness, s.cells.smoothness);
  touch();
}

void WellSession::set(SettingId id, double value) {
  AnalysisSettings& s = settings_;
  enum class Redo { Nothing, Composite, Pass, Cells } redo = Redo::Nothing;
  const auto changeTo = [&](int& field, int next, Redo what) {
    if (field == next) return;
    field = next;
    redo = what;
  };
  switch (id) {
    case SettingId::DisplayGreenCutoff:
    case SettingId::DisplayGreenSaturation:
      if (SetOrdered(s.display.green.cutoff, SettingId::DisplayGreenCutoff,
                     s.display.green.saturation, SettingId::DisplayGreenSaturation,
                     id == SettingId::DisplayGreenCutoff, Whole(id, value))) {
        redo = Redo::Composite;
      }
      break;
    case SettingId::DisplayBlueCutoff:
    case SettingId::DisplayBlueSaturation:
      if (SetOrdered(s.display.blue.cutoff, SettingId::DisplayBlueCutoff, s.display.blue.saturation,
                     SettingId::DisplayBlueSaturation, id == SettingId::DisplayBlueCutoff,
                     Whole(id, value))) {
        redo = Redo::Composite;
      }
      break;
    case SettingId::DisplayGreenFullRange:
    case SettingId::DisplayBlueFullRange: {
      bool& flag = id == SettingId::DisplayGreenFullRange ? s.display.green.fullRange
                                                          : s.display.blue.fullRange;
      if (flag != (value != 0)) {
        flag = value != 0;
        redo = Redo::Composite;
      }
      break;
    }
    case SettingId::RingRadius: {
      const SliderRange range = RangeOf(id);
      if (std::isnan(value) || value < range.minimum || value > range.maximum) {
        throw Error("Ring size " + std::to_string(static_cast<long long>(value)) + " is outside " +
                    std::to_string(range.minimum) + ".." + std::to_string(range.maximum));
      }
      const int radius = static_cast<int>(value);
      if (radius == s.ring.radius) return;
      s.ring.radius = radius;
      fitRing();
      redo = Redo::Pass;
      break;
    }
    case SettingId::RingIncrement: {
      // An increment below 1 would leave the profile without rings.
      const int increment = std::isnan(value) || value < 1 ? kSmallestIncrement : Whole(id, value);
      changeTo(s.ring.increment, increment, Redo::Pass);
      break;
    }
    case SettingId::NucleiGreenCutoff:
    case SettingId::NucleiBlueCutoff:
      changeTo(id == SettingId::NucleiGreenCutoff ? s.nuclei.greenCutoff : s.nuclei.blueCutoff,
               Whole(id, value), Redo::Pass);
      // A cut-off set by hand holds from now on, whatever the composite.
      if (redo == Redo::Pass) {
        cutoffsByHand_ = true;
        results_.cutoffs.reset();
      }
      break;
    case SettingId::NucleiMinimalSize:
    case SettingId::NucleiMaximalSize:
      if (SetOrdered(s.nuclei.minimalSize, SettingId::NucleiMinimalSize, s.nuclei.maximalSize,
                     SettingId::NucleiMaximalSize, id == SettingId::NucleiMinimalSize,
                     Whole(id, value))) {
        redo = Redo::Pass;
      }
      break;
    case SettingId::CellsGreenCutoff:
      changeTo(s.cells.greenCutoff, Whole(id, value), Redo::Cells);
      break;
    case SettingId::CellsMinimalSize:
    case SettingId::CellsMaximalSize:
      if (SetOrdered(s.cells.minimalSize, SettingId::CellsMinimalSize, s.cells.maximalSize,
                     SettingId::CellsMaximalSize, id == SettingId::CellsMinimalSize,
                     Whole(id, value))) {
        redo = Redo::Cells;
      }
      break;
    case SettingId::CellsLengthRatio: {
      const double ratio = Stepped(id, value);
      if (ratio != s.cells.lengthRatio) {
        s.cells.lengthRatio = ratio;
        redo = Redo::Cells;
      }
      break;
    }
    case SettingId::CellsSmoothness: {
      const double smoothness = Stepped(id, value);
      if (smoothness != s.cells.smoothness) {
        s.cells.smoothness = smoothness;
        redo = Redo::Cells;
      }
      break;
    }
  }
  switch (redo) {
    case Redo::Nothing:
      return;
    case Redo::Composite:
      rebuildComposite();
      analyse();
      break;
    case Redo::Pass:
      analyse();
      break;
    case Redo::Cells:
      touch();
      if (cellLevel_) runCells();
      break;
  }
}

// ---------------------------------------------------------------------------
// Composite and ring.

void WellSession::rebuildComposite() {
  const ChannelWindow blue{settings_.display.blue.cutoff, settings_.display.blue.saturation,
                           settings_.display.blue.fullRange};
  const ChannelWindow green{settings_.display.green.cutoff, settings_.display.green.saturation,
                            settings_.display.green.fullRange};
  Picture* halved = options_.overviewComposite ? &halvedComposite_ : nullptr;
  composedMarksCutoffs_.reset();
  CompositeMarks marking{settings_.nuclei.blueCutoff, settings_.nuclei.greenCutoff, nullptr};
  if (options_.marksWithComposite) {
    if (!composedMarks_) composedMarks_ = std::make_unique<PixelMarks>();
    composedMarks_->Reset(greenGrey_.width, std::int64_t{greenGrey_.width} * greenGrey_.height);
    marking.marks = composedMarks_->marks();
  }
  const CompositeMarks* marks = marking.marks ? &marking : nullptr;
  const std::int64_t atMaximum =
      blueGrey_.bytes.empty()
          ? MakeComposite(pictures_.blueMosaic, greenGrey_, blue, green, pictures_.composite,
                          halved, marks)
          : MakeComposite(blueGrey_, greenGrey_, blue, green, pictures_.composite, halved, marks);
  if (marks) composedMarksCutoffs_ = {marking.cutoffBlue, marking.cutoffGreen};
  // More than 1 % of the nuclear channel at its maximum. Counted with every
  // composite, which follows every new pair of mosaics.
  saturated_ = atMaximum * 100 > std::int64_t{greenGrey_.width} * greenGrey_.height;
  if (options_.cutoffs == CutoffMode::Well && !cutoffsByHand_) chooseCutoffs();
  touch();
}

void WellSession::chooseCutoffs() {
  const NucleusCutoffChoice choice = ChooseNucleusCutoffs({&pictures_.composite});
  settings_.nuclei.blueCutoff = Clamped(SettingId::NucleiBlueCutoff, choice.blue);
  settings_.nuclei.greenCutoff = Clamped(SettingId::NucleiGreenCutoff, choice.green);
  results_.cutoffs = WellCutoffs{settings_.nuclei.blueCutoff, settings_.nuclei.greenCutoff};
}

void WellSession::fitRing() {
  const MosaicPoint best = FitRing(greenGrey_, settings_.ring.radius).centre;
  drawRing(best.x, best.y);
  results_.ringFitted = true;
  results_.zoneContrast.reset();
}

void WellSession::fitZone(RadiusRange range) {
  if (range.minimum < 1 || range.maximum > kLargestFitRadius || range.minimum > range.maximum) {
    throw Error("Radius range " + std::to_string(range.minimum) + ":" +
                std::to_string(range.maximum) +
                " is not within 1:" + std::to_string(kLargestFitRadius));
  }
  const ZoneFit zone = FitZone(greenGrey_, range.minimum, range.maximum, greenQuarterBlack_);
  settings_.ring.radius = Clamped(SettingId::RingRadius, zone.radius);
  drawRing(zone.x, zone.y);
  results_.ringFitted = true;
  results_.zoneContrast = zone.contrast;
}

void WellSession::fitRingSize(RadiusRange range) {
  fitZone(range);
  analyse();
}

void WellSession::drawRing(int x, int y) {
  results_.ringFitted = false;
  results_.ringReviewed = false;
  results_.ringHeld = false;
  results_.zoneContrast.reset();
  results_.ring = {x, y, settings_.ring.radius};
  if (options_.ringMask) paintRingMask();
  touch();
}

void WellSession::paintRingMask() {
  const Ring& ring = results_.ring;
  if (maskedRing_ == ring) return;
  DrawRingMask(pictures_.greenMosaic, ring.x, ring.y, ring.radius);
  maskedRing_ = ring;
}

void WellSession::autoFitRing() {
  fitRing();
  analyse();
}

void WellSession::nudgeRing(RingDirection direction) {
  int x = results_.ring.x;
  int y = results_.ring.y;
  const int radius = settings_.ring.radius;
  // A step never moves the ring against its direction, also when the ring
  // already lies beyond the limit of that direction.
  switch (direction) {
    case RingDirection::Left:
      x = std::max(x - 1, 0);
      break;
    case RingDirection::Right:
      x = std::max(x, std::min(x + 1, greenGrey_.width - radius));
      break;
    case RingDirection::Up:
      y = std::max(y, std::min(y + 1, greenGrey_.height - radius));
      break;
    case RingDirection::Down:
      y = std::max(y - 1, 0);
      break;
  }
  placeRing(x, y);
}

void WellSession::placeRing(int x, int y) {
  drawRing(x, y);
  analyse();
}

void WellSession::placeRing(const Ring& ring) {
  if (const std::string problem = RingPlacementProblem(ring); !problem.empty()) {
    throw Error("Well " + wellName_ + ": the ring's " + problem);
  }
  settings_.ring.radius = ring.radius;
  drawRing(ring.x, ring.y);
  analyse();
}

void WellSession::stepRingRadius(bool larger) {
  const SliderRange range = RangeOf(SettingId::RingRadius);
  const int radius =
      std::clamp(settings_.ring.radius + (larger ? 1 : -1), range.minimum, range.maximum);
  set(SettingId::RingRadius, radius);
}

void WellSession::stepRingIncrement(bool larger) {
  const int current = std::clamp(settings_.ring.increment, kSmallestIncrement, kLargestIncrement);
  const int next = std::clamp(current + (larger ? kIncrementStep : -kIncrementStep),
                              kSmallestIncrement, kLargestIncrement);
  set(SettingId::RingIncrement, next);
}

void WellSession::setCellLevel(bool on) {
  if (on == cellLevel_) return;
  cellLevel_ = on;
  analyse();
  cellThresholdsEditable_ = on;
  touch();
}

void WellSession::setCellsInColour(bool colour) {
  if (colour == cellsInColour_) return;
  cellsInColour_ = colour;
  touch();
  if (cellLevel_) runCells();
}

void WellSession::resetTo(const AnalysisSettings& settings) {
  takeSettings(settings);
  cutoffsByHand_ = false;
  rebuildComposite();
  fitRing();
  analyse();
}

// ---------------------------------------------------------------------------
// The analysis pass.

void WellSession::noteQuality(const DensityProfile& profile) {
  WellResults& r = results_;
  const Ring& ring = r.ring;
  r.nucleiOutside = std::count_if(profile.distances.begin(), profile.distances.end(),
                                  [&](double d) { return d > ring.radius; });
  r.quality.clear();
  const auto anyProblem = [&](bool damaged) {
    return std::any_of(r.fieldProblems.begin(), r.fieldProblems.end(), [&](const FieldProblem& p) {
      return (p.kind == FieldProblemKind::kDamaged) == damaged;
    });
  };
  if (anyProblem(false)) r.quality.push_back(QualityNote::MissingField);
  if (anyProblem(true)) r.quality.push_back(QualityNote::DamagedField);
  const int width = greenGrey_.width, height = greenGrey_.height;
  const bool atLimit = ring.x == ring.radius || ring.x == width - ring.radius ||
                       ring.y == ring.radius || ring.y == height - ring.radius;
  if (r.ringFitted && atLimit) r.quality.push_back(QualityNote::RingAtSearchLimit);
  if (MostlyInBlackQuarters(ring, greenQuarterBlack_)) {
    r.quality.push_back(QualityNote::RingInBlackQuarter);
  }
  if (r.totalNuclei == 0) r.quality.push_back(QualityNote::NoNuclei);
  if (r.nucleiOutside < kFewNucleiOutside) r.quality.push_back(QualityNote::FewNucleiOutside);
  if (saturated_) r.quality.push_back(QualityNote::Saturated);
  if (zone_.judged && !zone_.clear) r.quality.push_back(QualityNote::NoZone);
  // Most of the stain in objects too large, and more than a few of them (one
  // clump of debris is no reason).
  if (2 * profile.oversizePixels > profile.stainPixels &&
      profile.oversizeObjects >= kFewOversizeObjects) {
    r.quality.push_back(QualityNote::NucleiTooLarge);
  }
}

ImmigrantSettings WellSession::immigrantSettings() const {
  ImmigrantSettings immigrants;
  immigrants.lowerCutoffGreen = settings_.nuclei.greenCutoff;
  immigrants.lowerCutoffBlue = settings_.nuclei.blueCutoff;
  immigrants.minimalSize = settings_.nuclei.minimalSize;
  immigrants.maximalSize = settings_.nuclei.maximalSize;
  immigrants.ring = results_.ring;
  return immigrants;
}

bool WellSession::wholeResult() const {
  // The gallery's thumbnails and the cells in colour are cut from the whole.
  return options_.wholeResult || options_.cellViews || cellsInColour_;
}

void WellSession::analyse() {
  ++passCount_;
  const Ring ring = results_.ring;
  NucleusScanSettings scan;
  scan.lowerCutoffGreen = settings_.nuclei.greenCutoff;
  scan.lowerCutoffBlue = settings_.nuclei.blueCutoff;
  scan.minimalSize = settings_.nuclei.minimalSize;
  scan.maximalSize = settings_.nuclei.maximalSize;
  scan.ring = ring;
  scan.ringIncrement = settings_.ring.increment;
  // Marks made with the composite at these cut-offs are taken, once.
  const bool marked =
      composedMarksCutoffs_ == std::array<int, 2>{scan.lowerCutoffBlue, scan.lowerCutoffGreen};
  composedMarksCutoffs_.reset();
  const DensityProfile profile = marked ? ScanNuclei(pictures_.composite, scan, *composedMarks_)
                                        : ScanNuclei(pictures_.composite, scan);

  // A batch shows no whole result picture: only the ring's square is cut.
  ImmigrantCounts counts;
  ringCut_ = Picture();
  memo_->ringPinned = false;
  // Lent: the one crop is encoded with the count, then serves the cells without it.
  bool lend = false;
  if (wholeResult()) {
    counts = CountImmigrants(pictures_.composite, immigrantSettings(), pictures_.result);
    pictures_.ringCrop = RingCrop(pictures_.result, ring.x, ring.y, ring.radius);
  } else {
    pictures_.result = Picture();
    counts =
        CountImmigrantsInRingCrop(pictures_.composite, immigrantSettings(), pictures_.ringCrop);
    lend = cellLevel_ && options_.ringCropAsJpeg;
    if (cellLevel_ && !lend) ringCut_ = pictures_.ringCrop;  // before the count is drawn
  }
  Canvas canvas(pictures_.ringCrop);
  const std::string count = std::to_string(counts.nuclei);
  const int side = 2 * ring.radius;
  RowBand underCount;
  if (lend) underCount = SaveRows(pictures_.ringCrop, side - 15, Canvas::TextHeight());
  canvas.TextOut(side - Canvas::TextWidth(count) - 3, side - 15, count, kWhite);
  if (lend) {
    memo_->ringJpeg = JpegBytes(pictures_.ringCrop, wellName_ + " ring crop");
    memo_->ringPinned = true;
    RestoreRows(pictures_.ringCrop, underCount);
    ringCut_ = std::exchange(pictures_.ringCrop, Picture());
  }

  WellResults& r = results_;
  r.ringIncrement = settings_.ring.increment;
  r.nuclei = counts.nuclei;
  r.pixels = counts.pixels;
  r.calculatedNuclei = counts.calculatedNuclei;
  r.averageDistance = counts.averageDistance;
  r.totalNuclei = profile.total;
  r.averageNucleusSize = counts.averageNucleusSize;
  r.density.clear();
  chart_ = DensityChart{};
  if (profile.total > 0 && profile.nbins > 0) {
    for (int k = 0; k < profile.nbins; ++k)
      r.density.push_back({profile.counts[k], profile.areas[k]});
    chart_ = DensityChart{profile.barWidth, profile.barHeights, profile.maxText};
  }
  r.immigrants.clear();
  for (const ImmigrantNucleus& nucleus : counts.accepted) {
    r.immigrants.push_back({nucleus.x, nucleus.y, nucleus.size, ring.radius - nucleus.distance});
  }
  seeds_ = std::move(counts.seeds);
  rejectedForSize_ = std::move(counts.rejected);
  noteQuality(profile);

  // The cell cut-off never lies below the green display cut-off, and a pass
  // locks the cell thresholds until the cell level is switched on again.
  settings_.cells.greenCutoff =
      std::max(settings_.cells.greenCutoff, settings_.display.green.cutoff);
  cellThresholdsEditable_ = false;
  if (options_.zoneCoverage) {
    r.zoneCoverage = ZoneCoverage(pictures_.greenMosaic, ring.x, ring.y, ring.radius,
                                  settings_.cells.greenCutoff);
  }
  if (cellLevel_) {
    runCells();
  } else {
    results_.cells.reset();
  }
  touch();
  if (options_.onAnalysed) options_.onAnalysed(*this);
}

const std::string& WellSession::ringCropJpeg() const {
  if (!memo_->ringPinned && memo_->ringRevision != revision_) {
    memo_->ringJpeg = JpegBytes(pictures_.ringCrop, wellName_ + " ring crop");
    memo_->ringRevision = revision_;
  }
  return memo_->ringJpeg;
}

const std::string& WellSession::cellCropJpeg() const {
  if (memo_->cellRevision != revision_) {
    memo_->cellJpeg = JpegBytes(pictures_.cellCrop, wellName_ + " cell drawings");
    memo_->cellRevision = revision_;
  }
  return memo_->cellJpeg;
}

}  // namespace vembrel
