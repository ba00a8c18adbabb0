#include "engine/well_window.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <string>

#include "core/convert.h"
#include "core/error.h"
#include "core/program_state.h"
#include "core/text_file.h"
#include "engine/cell_level.h"
#include "engine/workspace.h"
#include "imaging/composite.h"
#include "imaging/image_files.h"
#include "imaging/immigrants.h"
#include "imaging/mosaic.h"
#include "imaging/nuclei.h"
#include "imaging/ring_fit.h"
#include "imaging/tiff_loader.h"
#include "plate/plate.h"
#include "plate/settings_file.h"
#include "plate/well_names.h"
#include "render/canvas.h"

namespace vembrel {

namespace {

struct ScrollBarDesign {
  int number, min, max, position;
  const char* label;
};

// Ranges, design positions and value labels of the scroll bars.
constexpr std::array<ScrollBarDesign, 20> kScrollBars{{
    {1, 0, 254, 0, "Label1"},     {2, 1, 255, 255, "Label2"},     {3, 0, 254, 0, "Label5"},
    {4, 1, 255, 255, "Label6"},   {5, 1, 65536, 2000, "Label42"}, {6, 1, 4096, 30, "Label52"},
    {7, 0, 254, 0, "Label44"},    {8, 1, 255, 255, "Label45"},    {9, 0, 255, 20, "Label18"},
    {10, 0, 255, 30, "Label19"},  {11, 0, 254, 0, "Label23"},     {12, 1, 255, 255, "Label25"},
    {13, 0, 254, 0, "Label48"},   {14, 1, 255, 255, "Label49"},   {15, 0, 254, 40, "Label53"},
    {16, 1, 255, 255, "Label56"}, {17, 0, 254, 0, "Label57"},     {18, 1, 255, 255, "Label58"},
    {19, 1, 200, 30, "Label68"},  {20, 0, 100, 75, "Label69"},
}};

const ScrollBarDesign& Design(int number) {
  if (number < 1 || number > static_cast<int>(kScrollBars.size())) {
    throw Error("There is no ScrollBar" + std::to_string(number));
  }
  return kScrollBars[number - 1];
}

constexpr int kRingSizeLimit = 1024;
constexpr int kImage6Width = 240;
constexpr int kImage6Height = 600;
constexpr int kMinIncrement = 10, kMaxIncrement = 100;

std::string Lower(std::string_view name) {
  std::string result(name);
  for (char& c : result) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return result;
}

// "scrollbar7" -> 7; 0 for any other name.
int ScrollBarNumber(const std::string& lowerName) {
  constexpr std::string_view kPrefix = "scrollbar";
  if (lowerName.size() <= kPrefix.size() || lowerName.compare(0, kPrefix.size(), kPrefix) != 0) {
    return 0;
  }
  int number = 0;
  for (std::size_t i = kPrefix.size(); i < lowerName.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(lowerName[i])) || number > 100) return 0;
    number = number * 10 + (lowerName[i] - '0');
  }
  return number >= 1 && number <= static_cast<int>(kScrollBars.size()) ? number : 0;
}

// The controls that only work at cell level, enabled by "Look at Cell level".
std::vector<std::string> CellLevelControls() {
  std::vector<std::string> names{"checkbox4", "checkbox7",  "checkbox8",
                                 "checkbox9", "scrollbar5", "scrollbar6"};
  for (int n = 15; n <= 20; ++n) names.push_back("scrollbar" + std::to_string(n));
  for (int n : {41, 42, 43, 52, 53, 54, 55, 56, 57, 58, 59, 60, 68, 69, 72, 73, 89, 90}) {
    names.push_back("label" + std::to_string(n));
  }
  for (const char* name :
       {"radiobutton1", "radiobutton2", "panel5", "label63", "button8", "button9"}) {
    names.push_back(name);
  }
  return names;
}

// Nearest integer of a float setting scaled to its scroll bar, inside the bar's range.
int ScaledPosition(double value, double scale, const ScrollBarDesign& design) {
  const double scaled = value * scale;
  if (std::isnan(scaled)) return design.min;
  const double clamped = std::clamp(scaled, double(design.min), double(design.max));
  return static_cast<int>(std::nearbyint(clamped));
}

WellTab TabOf(StartTab start) {
  switch (start) {
    case StartTab::BG:
      return WellTab::RawTwoChannel;
    case StartTab::B:
      return WellTab::BlueChannel;
    case StartTab::G:
      return WellTab::GreenChannel;
    case StartTab::Ce:
      return WellTab::Cells;
    case StartTab::Im:
      break;
  }
  return WellTab::ImmigrantCells;
}

}  // namespace

// What the pass reads besides the pictures, and the results it produced;
// generation is the program's analysis generation right after it ran.
struct WellWindow::PassMemo {
  std::array<int, 9> inputs{};
  std::uint64_t generation = 0;
  DensityProfile profile;
  ImmigrantCounts counts;
};

// The last JPEG this window encoded, and what it showed.
struct WellWindow::JpegMemo {
  const Picture* picture = nullptr;
  std::uint64_t generation = 0;
  std::string bytes;
};

WellWindow::WellWindow(Workspace& workspace, std::string caption)
    : workspace_(workspace), caption_(std::move(caption)) {
  for (const ScrollBarDesign& d : kScrollBars) {
    scrollBars_[d.number] = ScrollBarControl{d.position, d.min, d.max, true};
  }
  for (int n = 1; n <= 9; ++n) checkBoxes_[n] = false;
  radioButtons_[1] = true;
  radioButtons_[2] = false;
  for (const std::string& name : CellLevelControls()) setEnabled(name, false);
  labels_["Label43"] = "0";
  well_ = state().CurrentWell;
}

WellWindow::~WellWindow() = default;

ProgramState& WellWindow::state() {
  return workspace_.state();
}

// ---------------------------------------------------------------------------
// Reading the controls.

const ScrollBarControl& WellWindow::scrollBar(int number) const {
  const auto it = scrollBars_.find(number);
  if (it == scrollBars_.end()) throw Error("There is no ScrollBar" + std::to_string(number));
  return it->second;
}

bool WellWindow::checkBox(int number) const {
  const auto it = checkBoxes_.find(number);
  if (it == checkBoxes_.end()) throw Error("There is no CheckBox" + std::to_string(number));
  return it->second;
}

const std::string& WellWindow::editText(int number) const {
  if (number == 1) return edit1_;
  if (number == 2) return edit2_;
  throw Error("There is no Edit" + std::to_string(number));
}

bool WellWindow::radioButton(int number) const {
  const auto it = radioButtons_.find(number);
  if (it == radioButtons_.end()) throw Error("There is no RadioButton" + std::to_string(number));
  return it->second;
}

std::string WellWindow::label(std::string_view name) const {
  const auto it = labels_.find(std::string(name));
  return it == labels_.end() ? std::string() : it->second;
}

bool WellWindow::enabled(std::string_view name) const {
  const std::string lower = Lower(name);
  if (const int bar = ScrollBarNumber(lower)) return scrollBar(bar).enabled;
  const auto it = enabledState_.find(lower);
  return it == enabledState_.end() || it->second;
}

const Picture& WellWindow::image(int number) const {
  if (number < 1 || number > 8) throw Error("There is no Image" + std::to_string(number));
  return images_[number];
}

void WellWindow::setLabel(std::string_view name, std::string text) {
  labels_[std::string(name)] = std::move(text);
  touch();
}

void WellWindow::setEnabled(std::string_view name, bool isEnabled) {
  const std::string lower = Lower(name);
  if (const int bar = ScrollBarNumber(lower)) {
    scrollBars_[bar].enabled = isEnabled;
  } else {
    enabledState_[lower] = isEnabled;
  }
  touch();
}

void WellWindow::scrollBarLabel(int number) {
  const int position = scrollBars_[number].position;
  if (number == 19) {
    setLabel("Label68", FloatToText(position / 10.0));
  } else if (number == 20) {
    setLabel("Label69", FloatToText(position / 100.0));
  } else {
    setLabel(Design(number).label, std::to_string(position));
  }
}

// ---------------------------------------------------------------------------
// Setting controls. A change handler runs only when the value really changes;
// the silent setters are the programmatic updates with detached handlers.

void WellWindow::setScrollBarSilently(int number, int position) {
  ScrollBarControl& bar = scrollBars_.at(Design(number).number);
  bar.position = std::clamp(position, bar.min, bar.max);
  touch();
}

void WellWindow::setScrollBar(int number, int position) {
  ScrollBarControl& bar = scrollBars_.at(Design(number).number);
  const int clamped = std::clamp(position, bar.min, bar.max);
  if (clamped == bar.position) return;
  bar.position = clamped;
  touch();
  fireScrollBar(number);
}

void WellWindow::setCheckBoxSilently(int number, bool checked) {
  checkBox(number);  // rejects unknown numbers
  checkBoxes_[number] = checked;
  touch();
}

void WellWindow::setCheckBox(int number, bool checked) {
  if (checkBox(number) == checked) return;
  checkBoxes_[number] = checked;
  touch();
  fireCheckBox(number, number);
}

void WellWindow::setRadioButton(int number) {
  if (radioButton(number)) return;
  for (auto& [n, checked] : radioButtons_) checked = (n == number);
  touch();
  radioButtonClick(number);
}

void WellWindow::setEditText(int number, const std::string& text) {
  const std::string& current = editText(number);
  if (text == current) return;
  if (!editHandlersAttached_) {
    // Handlers detached (just created): only the text changes.
    (number == 1 ? edit1_ : edit2_) = text;
    touch();
    return;
  }
  if (number == 1) {
    Edit1Change(text);
  } else {
    Edit2Change(text);
  }
}

// ---------------------------------------------------------------------------
// Change handlers.

// A cut-off/saturation or minimum/maximum pair: the changed bar recomputes
// when it keeps its order with the partner, and otherwise pushes the partner
// one step past it, whose own handler then recomputes.
void WellWindow::coupledChange(int number, int partner, bool isLower,
                               void (WellWindow::*recompute)()) {
  const int position = scrollBars_[number].position;
  const int other = scrollBars_[partner].position;
  if (isLower ? position < other : position > other) {
    (this->*recompute)();
  } else {
    setScrollBar(partner, isLower ? position + 1 : position - 1);
  }
}

void WellWindow::fireScrollBar(int number) {
  scrollBarLabel(number);
  switch (number) {
    case 1:
    case 2:
    case 3:
    case 4: {
      // Channel windows: keep the mirror on the "Immigrant cells" tab in step.
      const int mirror = number <= 2 ? number + 6 : number + 10;
      setScrollBarSilently(mirror, scrollBars_[number].position);
      scrollBarLabel(mirror);
      const bool isCutoff = number == 1 || number == 3;
      const int partner = isCutoff ? number + 1 : number - 1;
      coupledChange(number, partner, isCutoff, &WellWindow::remakeRBpict);
      break;
    }
    case 7:
    case 8:
    case 13:
    case 14:
      setScrollBar(number <= 8 ? number - 6 : number - 10, scrollBars_[number].position);
      break;
    case 9:
    case 10:
      LaatsteFig();
      break;
    case 11:
      coupledChange(11, 12, true, &WellWindow::LaatsteFig);
      break;
    case 12:
      coupledChange(12, 11, false, &WellWindow::LaatsteFig);
      break;
    default:
      cellScrollBarChange(number);
      break;
  }
}

void WellWindow::fireCheckBox(int number, int sender) {
  switch (number) {
    case 1:
    case 2:
      if (sender == number) setCheckBox(number + 4, checkBoxes_[number]);
      remakeRBpict();
      break;
    case 5:
    case 6:
      setCheckBox(number - 4, checkBoxes_[number]);
      fireCheckBox(number - 4, sender);
      break;
    case 3:
      CheckBox3Click();
      break;
    default:
      cellCheckBoxClick(number);
      break;
  }
}

void WellWindow::Edit1Change(const std::string& text) {
  const int size = StrToInt(text);  // ConversionError: nothing has changed yet
  if (size < 0 || size > kRingSizeLimit) {
    throw Error("Ring size " + std::to_string(size) + " is outside 0.." +
                std::to_string(kRingSizeLimit));
  }
  edit1_ = text;
  radius_ = size;
  state().central.ring.radius = size;
  touch();
  optiring();
  LaatsteFig();
}

void WellWindow::Edit2Change(const std::string& text) {
  const int increment = StrToInt(text);  // ConversionError: nothing has changed yet
  if (increment < 1) {
    // The replacement text runs this handler again, which does the pass.
    Edit2Change("10");
    return;
  }
  edit2_ = text;
  increment_ = increment;
  state().central.ring.increment = increment;
  touch();
  LaatsteFig();
}

void WellWindow::UpDown1Click(bool up) {
  const int size = std::clamp(radius_ + (up ? 1 : -1), 1, upDown1Max_);
  setEditText(1, std::to_string(size));
  DrawTheRing(ringX_, ringY_);
}

void WellWindow::UpDown2Click(bool up) {
  const int current = std::clamp(increment_, kMinIncrement, kMaxIncrement);
  const int next = std::clamp(current + (up ? 10 : -10), kMinIncrement, kMaxIncrement);
  setEditText(2, std::to_string(next));
}

void WellWindow::moveRing(int x, int y) {
  DrawTheRing(x, y);
  LaatsteFig();
}

void WellWindow::BitBtn1Click() {
  moveRing(std::max(ringX_ - 1, 0), ringY_);
}

void WellWindow::BitBtn2Click() {
  moveRing(std::min(ringX_ + 1, images_[2].width - radius_), ringY_);
}

void WellWindow::BitBtn3Click() {
  moveRing(ringX_, std::min(ringY_ + 1, images_[2].height - radius_));
}

void WellWindow::BitBtn4Click() {
  moveRing(ringX_, std::max(ringY_ - 1, 0));
}

void WellWindow::Button5Click() {
  optiring();
  LaatsteFig();
}

void WellWindow::Button6Click() {
  workspace_.applyToOthers(*this);
}

void WellWindow::Button8Click() {
  AnalysisSettings& central = state().central;
  central.cells.greenCutoff = scrollBars_[15].position;
  central.cells.minimalSize = scrollBars_[6].position;
  central.cells.maximalSize = scrollBars_[5].position;
  central.cells.lengthRatio = scrollBars_[19].position / 10.0;
  central.cells.smoothness = scrollBars_[20].position / 100.0;
  if (state().onCentralValuesShown) state().onCentralValuesShown();
  workspace_.applyToOthers(*this);
}

void WellWindow::CheckBox3Click() {
  LaatsteFig();
  const bool on = checkBoxes_[3];
  for (const std::string& name : CellLevelControls()) setEnabled(name, on);
  state().controlPanelHeight = on ? 851 : 694;
}

void WellWindow::SaveSettings(const std::string& path) {
  std::string name = path;
  const auto slash = name.find_last_of("/\\");
  const auto dot = name.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) name += ".VLS";
  WriteSettingsFile(name, state().central);
}

// ---------------------------------------------------------------------------
// Lifecycle.

void WellWindow::FormShow() {
  ProgramState& s = state();
  tab_ = TabOf(s.startTab);
  well_ = s.CurrentWell;
  const std::string& plateBase = workspace_.plate().base;
  fieldProblems_.clear();
  for (const bool green : {false, true}) {
    images_[green ? 2 : 1] =
        LoadChannelMosaic(ChannelFieldFiles(plateBase, well_, green), &fieldProblems_);
  }
  images_[3] = Picture::Uninitialised(kMosaicSize, kMosaicSize);  // the composite, made below
  ++s.analysisGeneration;
  images_[4] = Picture(kMosaicSize, kMosaicSize);
  images_[5] = Picture(2, 2);
  images_[6] = Picture(kImage6Width, kImage6Height, 0xF0F0F0);  // button face
  touch();
  SetDefaultsOnTabs();
  makeRBpict();
  optiring();
  LaatsteFig();
}

void WellWindow::FormHide() {
  well_ = WellIndex(caption_);
  state().CurrentWell = well_;
  SetDefaultsOnTabs();
  makeRBpict();
  optiring();
  LaatsteFig();
}

// ---------------------------------------------------------------------------
// Settings to and from the controls.

void WellWindow::SetDefaultsOnTabs() {
  const AnalysisSettings& c = state().central;
  const auto setBar = [this](int number, int position) {
    setScrollBarSilently(number, position);
    scrollBarLabel(number);
  };
  setBar(1, c.display.green.cutoff);
  setBar(7, c.display.green.cutoff);
  setBar(2, c.display.green.saturation);
  setBar(8, c.display.green.saturation);
  setBar(3, c.display.blue.cutoff);
  setBar(13, c.display.blue.cutoff);
  setBar(4, c.display.blue.saturation);
  setBar(14, c.display.blue.saturation);
  upDown1Max_ = images_[1].empty() ? kMosaicSize : images_[1].width;
  // The edits hold only sizes the analysis can work with, like the scroll bars.
  radius_ = std::clamp(c.ring.radius, 0, kRingSizeLimit);
  edit1_ = std::to_string(radius_);
  increment_ = std::max(c.ring.increment, 1);
  edit2_ = std::to_string(increment_);
  checkBoxes_[1] = checkBoxes_[5] = c.display.green.fullRange;
  checkBoxes_[2] = checkBoxes_[6] = c.display.blue.fullRange;
  setBar(9, c.nuclei.greenCutoff);
  setBar(10, c.nuclei.blueCutoff);
  setBar(11, c.nuclei.minimalSize);
  setBar(12, c.nuclei.maximalSize);
  editHandlersAttached_ = true;
  setBar(15, c.cells.greenCutoff);
  setBar(6, c.cells.minimalSize);
  setBar(5, c.cells.maximalSize);
  setBar(19, ScaledPosition(c.cells.lengthRatio, 10, Design(19)));
  setBar(20, ScaledPosition(c.cells.smoothness, 100, Design(20)));
}

void WellWindow::SetCentralValues() {
  ProgramState& s = state();
  AnalysisSettings& c = s.central;
  c.display.green.cutoff = scrollBars_[1].position;
  c.display.green.saturation = scrollBars_[2].position;
  c.display.blue.cutoff = scrollBars_[3].position;
  c.display.blue.saturation = scrollBars_[4].position;
  c.ring.radius = radius_;
  c.display.green.fullRange = checkBoxes_[1];
  c.display.blue.fullRange = checkBoxes_[2];
  c.nuclei.greenCutoff = scrollBars_[9].position;
  c.nuclei.blueCutoff = scrollBars_[10].position;
  c.nuclei.minimalSize = scrollBars_[11].position;
  c.nuclei.maximalSize = scrollBars_[12].position;
  c.ring.increment = increment_;
  c.cells.greenCutoff = scrollBars_[15].position;
  c.cells.minimalSize = scrollBars_[6].position;
  c.cells.maximalSize = scrollBars_[5].position;
  c.cells.lengthRatio = scrollBars_[19].position / 10.0;
  c.cells.smoothness = scrollBars_[20].position / 100.0;
  if (s.CurrentWell >= 0 && s.CurrentWell < kWellCount) {
    s.WellSettings[s.CurrentWell] = ToWellSettingsRow(c);
  }
  if (s.onCentralValuesShown) s.onCentralValuesShown();
}

// ---------------------------------------------------------------------------
// Composite and ring.

void WellWindow::makeRBpict() {
  const ChannelWindow blue{scrollBars_[3].position, scrollBars_[4].position, checkBoxes_[2]};
  const ChannelWindow green{scrollBars_[1].position, scrollBars_[2].position, checkBoxes_[1]};
  MakeComposite(images_[1], images_[2], blue, green, images_[3]);
  ++state().analysisGeneration;
  touch();
}

void WellWindow::remakeRBpict() {
  makeRBpict();
  LaatsteFig();
}

void WellWindow::optiring() {
  if (images_[2].empty()) {
    DrawTheRing(512, 512);
    return;
  }
  // The fit reads only the grey values, and nothing is shown while it runs, so
  // the overlay is drawn once, at the centre found.
  const RingSearchResult best = FitRing(images_[2], radius_);
  DrawTheRing(best.x, best.y);
}

void WellWindow::DrawTheRing(int x, int y) {
  ringX_ = x;
  ringY_ = y;
  state().RingCentreX = x;
  state().RingCentreY = y;
  setLabel("Label26", std::to_string(x));
  setLabel("Label27", std::to_string(y));
  if (!images_[2].empty()) DrawRingMask(images_[2], x, y, radius_);
  ++state().analysisGeneration;
  touch();
}

// ---------------------------------------------------------------------------
// The analysis pass.

NucleusScanSettings WellWindow::nucleusScanSettings() const {
  NucleusScanSettings settings;
  settings.lowerCutoffGreen = scrollBar(9).position;
  settings.lowerCutoffBlue = scrollBar(10).position;
  settings.minimalSize = scrollBar(11).position;
  settings.maximalSize = scrollBar(12).position;
  settings.ringRadius = radius_;
  settings.ringIncrement = increment_;
  settings.ringX = ringX_;
  settings.ringY = ringY_;
  return settings;
}

ImmigrantSettings WellWindow::immigrantSettings() const {
  const NucleusScanSettings scan = nucleusScanSettings();
  ImmigrantSettings settings;
  settings.lowerCutoffGreen = scan.lowerCutoffGreen;
  settings.lowerCutoffBlue = scan.lowerCutoffBlue;
  settings.minimalSize = scan.minimalSize;
  settings.maximalSize = scan.maximalSize;
  settings.ringRadius = scan.ringRadius;
  settings.ringX = scan.ringX;
  settings.ringY = scan.ringY;
  return settings;
}

void WellWindow::applyProfile(const DensityProfile& profile) {
  ProgramState& s = state();
  s.ObjectList = profile.distances;
  setLabel("Label31", std::to_string(profile.total));
  std::vector<DensityRow>& rows = s.DensityTable.at(s.CurrentWell);
  if (profile.total == 0 || profile.nbins <= 0) {
    // No profile for this well: nothing of an earlier pass may stand as its result.
    rows.clear();
    chart_ = DensityChart{};
    setLabel("Label30", "");
    return;
  }
  const int nbins = profile.nbins;
  if (nbins > static_cast<int>(s.RadiiLabels.size())) {
    s.RadiiLabels.resize(nbins);
    for (int k = 0; k < nbins; ++k) {
      s.RadiiLabels[k] = std::to_string((k + 1) * increment_ + radius_);
    }
  }
  rows.clear();
  for (int k = 0; k < nbins; ++k) {
    rows.push_back({std::to_string(profile.counts[k]), std::to_string(profile.areas[k])});
  }
  setLabel("Label30", profile.maxText);
  chart_ = DensityChart{profile.barWidth, profile.barHeights};
}

void WellWindow::LaatsteFig() {
  if (images_[3].width != kMosaicSize || images_[3].height != kMosaicSize) {
    return;  // not shown yet: there is nothing to analyse
  }
  ProgramState& s = state();
  ++passCount_;
  // This window's own well and ring, whichever window ran the last pass.
  s.CurrentWell = well_;
  s.RingCentreX = ringX_;
  s.RingCentreY = ringY_;

  const NucleusScanSettings scan = nucleusScanSettings();
  const std::array<int, 9> inputs = {well_,
                                     ringX_,
                                     ringY_,
                                     radius_,
                                     increment_,
                                     scan.lowerCutoffGreen,
                                     scan.lowerCutoffBlue,
                                     scan.minimalSize,
                                     scan.maximalSize};
  if (!passMemo_ || passMemo_->inputs != inputs || passMemo_->generation != s.analysisGeneration) {
    // Something the pass reads changed since this window's last pass. (When
    // nothing did, as in the nested pass that switches the cell level on, the
    // buffers and pictures still hold that pass's results.)
    ++s.analysisGeneration;
    auto memo = std::make_unique<PassMemo>();
    memo->inputs = inputs;
    memo->profile = vembrel::GetAllNuclei(images_[3], scan);
    memo->counts = CountImmigrants(images_[3], images_[2], immigrantSettings(), s.MaskPict);
    images_[4] = s.MaskPict;
    images_[5] = RingCrop(images_[4], ringX_, ringY_, radius_);
    Canvas canvas(images_[5]);
    const std::string count = std::to_string(memo->counts.nuclei);
    const int side = 2 * radius_;
    canvas.TextOut(side - Canvas::TextWidth(count) - 3, side - 15, count, kWhite);
    memo->generation = s.analysisGeneration;
    passMemo_ = std::move(memo);
  }
  applyProfile(passMemo_->profile);
  const ImmigrantCounts& counts = passMemo_->counts;
  const std::int64_t acceptedArea = counts.acceptedArea;  // a nested pass may renew the memo
  s.ObjectList = counts.seeds;
  setLabel("Label13", std::to_string(counts.nuclei));
  setLabel("Label14", std::to_string(counts.pixels));
  setLabel("Label15", std::to_string(counts.calculatedNuclei));
  setLabel("Label29", std::to_string(counts.averageDistance));
  touch();

  keepCellControlsInStep();
  if (s.BatchRunning) saveSnapshot();

  if (s.startTab == StartTab::Ce) setCheckBox(3, true);  // a nested pass when it changes
  if (checkBoxes_[3]) {
    if (s.BatchRunning) {
      Button9Click();
    } else {
      DoTheCell("");
    }
  } else {
    setLabel("Label43", "0/" + std::to_string(s.ObjectList.size()));
  }

  SetCentralValues();
  storeResults(acceptedArea);
  s.DoneSignal = label("Label13");
}

void WellWindow::keepCellControlsInStep() {
  if (scrollBars_[1].position > scrollBars_[15].position) {
    setScrollBarSilently(15, scrollBars_[1].position);
  }
  scrollBarLabel(15);
  setScrollBarSilently(16, scrollBars_[2].position);
  setScrollBarSilently(17, scrollBars_[3].position);
  setScrollBarSilently(18, scrollBars_[4].position);
  checkBoxes_[8] = checkBoxes_[1];
  checkBoxes_[9] = checkBoxes_[2];
  for (int number : {15, 16, 17, 18, 5, 6}) scrollBars_[number].enabled = false;
  touch();
}

void WellWindow::saveSnapshot() {
  const std::string folder = workspace_.resultsFolder() + "JPEGS/";
  CreateFolders(folder);
  writeJpeg(images_[5], folder + workspace_.plate().prefix + state().largeWellLabel + ".jpg");
}

void WellWindow::writeJpeg(const Picture& picture, const std::string& path) {
  const std::uint64_t generation = state().analysisGeneration;
  if (!jpegMemo_ || jpegMemo_->picture != &picture || jpegMemo_->generation != generation) {
    // Every change to a picture a snapshot shows moves the generation on.
    jpegMemo_ =
        std::make_unique<JpegMemo>(JpegMemo{&picture, generation, JpegBytes(picture, path)});
  }
  WriteFileAtomically(path, jpegMemo_->bytes);
}

void WellWindow::storeResults(std::int64_t acceptedArea) {
  ProgramState& s = state();
  if (s.CurrentWell < 0 || s.CurrentWell >= kWellCount) return;
  WellResultTexts& r = s.results[s.CurrentWell];
  r.ResultRingX = label("Label26");
  r.ResultRingY = label("Label27");
  r.ResultNuclei = label("Label13");
  r.ResultAvgDistance = label("Label29");
  r.ResultTotalNuclei = label("Label31");
  const std::int64_t n = StrToInt(r.ResultNuclei);
  r.ResultAvgNucleusSize =
      n > 0 ? std::to_string(static_cast<std::int64_t>(double(acceptedArea) / double(n) + 0.5))
            : "0";
  r.ResultNuclearArea = label("Label14");
  r.ResultCalcNuclei = label("Label15");
}

}  // namespace vembrel
