#pragma once
// The well window as a toolkit-free model: the well's pictures, every control
// that carries a setting, the labels that show results, and the handlers with
// their coupling rules. The desktop program mirrors this model in widgets and
// forwards user events to it; the command line and the batch drive it directly.
//
// Like the real controls, a set* call fires the control's change handler only
// when the value really changes; programmatic updates inside the handlers never
// fire handlers unless the rules say so.
//
// Result labels: Label13 "Number of nuclei:", Label14 "Number of pixels:",
// Label15 "Number of calculated nuclei:", Label29 "Average distance:",
// Label31 "Total Number of Nuclei:", Label30 the "Max:" text of the density
// chart, Label26/Label27 the ring centre, Label43 the cell count.
//
// Each window keeps its own well, ring centre and radius; a pass puts them
// into the program-wide state first, so a pass of one window never uses the
// ring or the result slots of the window that ran before it.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/picture.h"

namespace vembrel {

class Workspace;
struct ProgramState;
struct DensityProfile;
struct CellRunMemo;
struct NucleusScanSettings;
struct ImmigrantSettings;

struct ScrollBarControl {
  int position = 0;
  int min = 0;
  int max = 100;
  bool enabled = true;
};

/// The density chart of the "Results" group as data: bars of barWidth pixels,
/// heights 0..100, left 26 + k * barWidth.
struct DensityChart {
  int barWidth = 0;
  std::vector<int> heights;  // empty: blank chart
};

/// Tabs of the well window, in display order.
enum class WellTab { BlueChannel, GreenChannel, RawTwoChannel, ImmigrantCells, Cells };

class WellWindow {
 public:
  WellWindow(Workspace& workspace, std::string caption);
  ~WellWindow();
  WellWindow(const WellWindow&) = delete;
  WellWindow& operator=(const WellWindow&) = delete;

  const std::string& caption() const { return caption_; }
  void setCaption(std::string caption) { caption_ = std::move(caption); }
  Workspace& workspace() { return workspace_; }
  ProgramState& state();

  // Lifecycle.
  void FormShow();  // loads the well of CurrentWell, builds everything, first pass
  void FormHide();  // recompute with the universal settings and a fresh ring fit

  // User events.
  void setScrollBar(int number, int position);  // clamped into the bar's range
  void setCheckBox(int number, bool checked);
  /// Edit1 (ring size) or Edit2 (ring increment). Text that is no decimal
  /// integer throws ConversionError; nothing is recomputed then.
  void setEditText(int number, const std::string& text);
  void UpDown1Click(bool up);
  void UpDown2Click(bool up);
  void BitBtn1Click();                         // ring left
  void BitBtn2Click();                         // ring right
  void BitBtn3Click();                         // ring up
  void BitBtn4Click();                         // ring down
  void Button5Click();                         // AutoFit
  void Button6Click();                         // Apply
  void Button8Click();                         // Apply at cell level
  void Button9Click();                         // Save Welldata
  void setRadioButton(int number);             // 1 "Border", 2 "Color"
  void SaveSettings(const std::string& path);  // "Save Settings"
  void setTab(WellTab tab) { tab_ = tab; }

  // Reading the controls and results.
  const ScrollBarControl& scrollBar(int number) const;
  bool checkBox(int number) const;
  const std::string& editText(int number) const;
  bool radioButton(int number) const;
  std::string label(std::string_view name) const;  // "Label13"; "" when never set
  bool enabled(std::string_view name) const;       // case-insensitive control name
  const Picture& image(int number) const;          // Image1 .. Image8, rows bottom first
  const DensityChart& chart() const { return chart_; }
  int gauge() const { return gauge_; }
  WellTab tab() const { return tab_; }
  int upDown1Max() const { return upDown1Max_; }
  /// Grows with every change, so a face knows when to repaint.
  std::uint64_t revision() const { return revision_; }
  /// Number of analysis passes run so far.
  int passCount() const { return passCount_; }
  /// This window's ring: centre (row from the bottom) and radius.
  int ringX() const { return ringX_; }
  int ringY() const { return ringY_; }
  int ringRadius() const { return radius_; }
  /// Index of the well this window shows.
  int well() const { return well_; }
  /// Why fields were left black at the last showing (missing, unreadable, wrong size).
  const std::vector<std::string>& fieldProblems() const { return fieldProblems_; }

  // Work routines.
  void SetDefaultsOnTabs();
  void SetCentralValues();
  void makeRBpict();
  void remakeRBpict();
  void optiring();
  void DrawTheRing(int x, int y);
  void LaatsteFig();
  void DoTheCell(const std::string& fileName);
  void ReCalcCells();
  void CheckBox3Click();

 private:
  friend class CellLevel;
  void fireScrollBar(int number);
  void fireCheckBox(int number, int sender);
  void setScrollBarSilently(int number, int position);
  void setCheckBoxSilently(int number, bool checked);
  void scrollBarLabel(int number);
  void coupledChange(int number, int partner, bool isCutoff, void (WellWindow::*recompute)());
  void Edit1Change(const std::string& text);
  void Edit2Change(const std::string& text);
  void moveRing(int x, int y);
  void applyProfile(const DensityProfile& profile);
  void keepCellControlsInStep();
  void saveSnapshot();
  /// Writes picture as a JPEG, encoding it again only when it may have changed.
  void writeJpeg(const Picture& picture, const std::string& path);
  /// The pass's settings from the controls and this window's ring.
  NucleusScanSettings nucleusScanSettings() const;
  ImmigrantSettings immigrantSettings() const;
  void storeResults(std::int64_t acceptedArea);
  // The cell level (well_window_cells.cpp).
  void cellScrollBarChange(int number);
  void cellCheckBoxClick(int number);
  void radioButtonClick(int number);
  void setLabel(std::string_view name, std::string text);
  void setEnabled(std::string_view name, bool enabled);
  void touch() { ++revision_; }

  Workspace& workspace_;
  std::string caption_;
  WellTab tab_ = WellTab::ImmigrantCells;
  std::map<int, ScrollBarControl> scrollBars_;
  std::map<int, bool> checkBoxes_;
  std::map<int, bool> radioButtons_;
  std::map<std::string, std::string> labels_;
  std::map<std::string, bool> enabledState_;  // lower-case control name -> enabled
  std::string edit1_ = "350";
  std::string edit2_ = "50";
  bool editHandlersAttached_ = false;
  int upDown1Max_ = 1024;
  Picture images_[9];  // 1..8 used
  DensityChart chart_;
  int gauge_ = 0;
  std::uint64_t revision_ = 0;
  int passCount_ = 0;
  std::vector<std::string> fieldProblems_;
  int well_ = 0;
  int ringX_ = 512;
  int ringY_ = 512;
  int radius_ = 350;    // Edit1 as a number
  int increment_ = 50;  // Edit2 as a number
  struct PassMemo;
  struct JpegMemo;
  std::unique_ptr<PassMemo> passMemo_;     // the last pass
  std::unique_ptr<CellRunMemo> cellMemo_;  // the last cell-level run
  std::unique_ptr<JpegMemo> jpegMemo_;     // the last snapshot encoded
};

}  // namespace vembrel
