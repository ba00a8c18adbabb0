#pragma once
// The well window: the widgets of one WellSession in five tabs. A widget's
// change goes to the session, as the setting its binding names or as a named
// action; then every widget is refreshed from the session with its signals
// blocked, so programmatic updates never fire a handler.
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "desktop/well_tab.h"
#include "engine/workspace.h"
#include "results/time_course.h"

class QCheckBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QScrollBar;
class QSlider;
class QSpinBox;
class QTabWidget;
class QVBoxLayout;

namespace vembrel {

class ClosureCurve;
class PictureView;
class ResultsGroup;
struct WellSnapshot;

/// What a well window needs from the frame it lives in.
class WellWindowHost {
 public:
  virtual ~WellWindowHost() = default;
  virtual Workspace& workspace() = 0;
  virtual void reportError(const QString& message) = 0;
  /// Brings every well window and the control panel up to date after an action.
  virtual void refreshAll() = 0;
  /// Asks where to save settings; "" when cancelled.
  virtual QString chooseSettingsToSave(const QString& startFolder) = 0;
  virtual void showStatus(const QString& message) = 0;
  /// The user changed the well (settings, ring, level) from the state before.
  virtual void wellChanged(WellSession& session, const WellSnapshot& before) {
    (void)session;
    (void)before;
  }
  /// The open plate's time points in time order, with their hours; empty
  /// unless the plate holds more than one.
  virtual const std::vector<TimePointPlate>& timeSeries() const {
    static const std::vector<TimePointPlate> none;
    return none;
  }
};

class WellWindowWidget : public QWidget {
  Q_OBJECT
 public:
  WellWindowWidget(WellSession& session, WellWindowHost& host, WellTab firstTab,
                   QWidget* parent = nullptr);

  /// nullptr once the session has closed.
  WellSession* session() { return session_; }
  /// The session is going away: the widget stops reading it.
  void detach() { session_ = nullptr; }

  /// Every widget from the session; the pictures only when the session changed.
  void refresh();
  /// Draws the ring as the filled disc (true) or as an outline (false).
  void setRingFilled(bool filled);

  QTabWidget& tabs() { return *tabs_; }
  /// The time point shown (index into the host's time series).
  int timePoint() const { return timePoint_; }
  /// A size that shows the pictures and every control of every tab without scrolling.
  QSize preferredSize() const;
  /// The mosaics and the ring's square fitted to the window, or all shown 1:1.
  void fitPictures();
  void showPicturesActualSize();
  /// Zooms every picture by factor about its middle.
  void zoomPictures(double factor);

 protected:
  void hideEvent(QHideEvent* event) override;

 private:
  // Building the tabs (well_window_tabs.cpp).
  QVBoxLayout* addTab(const QString& caption, const char* name, QWidget* picture);
  PictureView* addPictureView(const char* name);
  QGroupBox* addGroup(QVBoxLayout* panel, const QString& title);
  void addSlider(QGroupBox* group, const char* name);
  void addCheckBox(QGroupBox* group, const char* name);
  QLabel* addValueLabel(QWidget* parent, const char* name);
  QPushButton* addButton(QVBoxLayout* panel, const QString& caption, const char* name,
                         std::function<void(WellSession&)> action);
  QLineEdit* addSettingEdit(QWidget* parent, const char* name, SettingId setting);
  void addSaveSettings(QVBoxLayout* panel, const char* name);
  void addChannelGroups(QVBoxLayout* panel, const char* prefix);
  void buildBlueTab();
  void buildGreenTab();
  void buildRawTab();
  void buildImmigrantTab();
  void buildCellsTab();
  void buildZoomButtons();
  // The time row of a plate of several time points (well_time_row.cpp).
  void buildTimeRow(QVBoxLayout* layout);
  /// Shows the well at that time point, with the ring held from the first.
  void showTimePoint(int index);
  void refreshTimeRow(const WellSession& session);

  // User events.
  void act(const std::function<void(WellSession&)>& action);
  void commitEdit(QLineEdit* edit, SettingId setting);
  /// A ring action by hand: the ring it leaves is kept in the rings file as reviewed.
  void moveRingByHand(const std::function<void(WellSession&)>& action);
  /// A ring fitted afresh replaces a reviewed one the rings file holds for the well.
  void fitRingAgain(const std::function<void(WellSession&)>& action);
  /// The radii "Fit size" searches: those typed, or half and one and a half
  /// times the present radius where "auto". Error when they run backwards.
  RadiusRange fitSizeRange(int radius) const;
  void keepRing(const WellSession& session, bool reviewed);
  void buildRingReview(QGroupBox* ring, QGridLayout* grid);
  void saveSettings();
  void saveWellData();

  void refreshPictures(const WellSession& session);

  struct BoundSlider {
    QScrollBar* slider;
    QLabel* value;
    SettingId setting;
  };
  struct BoundCheckBox {
    QCheckBox* box;
    SettingId setting;
  };
  struct BoundEdit {
    QLineEdit* edit;
    SettingId setting;
  };

  WellSession* session_;
  WellWindowHost& host_;
  QTabWidget* tabs_ = nullptr;
  std::vector<QScrollArea*> panels_;
  std::vector<BoundSlider> sliders_;
  std::vector<BoundCheckBox> checkBoxes_;
  std::vector<BoundEdit> edits_;
  std::vector<QWidget*> cellLevelWidgets_;      // enabled while the cell level is on
  std::vector<QWidget*> cellThresholdWidgets_;  // enabled while the cell thresholds are editable
  std::vector<PictureView*> zoomableViews_;
  PictureView* blueView_ = nullptr;
  PictureView* greenView_ = nullptr;
  PictureView* compositeView_ = nullptr;
  PictureView* resultView_ = nullptr;
  PictureView* cellCropView_ = nullptr;
  PictureView* galleryView_ = nullptr;
  QLabel* classPie_ = nullptr;
  QLabel* histogram_ = nullptr;
  QProgressBar* radialShare_ = nullptr;
  QLabel* ringX_ = nullptr;
  QLabel* ringY_ = nullptr;
  QLabel* zoneContrast_ = nullptr;
  QSpinBox* ringXSpin_ = nullptr;
  QSpinBox* ringYSpin_ = nullptr;
  QSpinBox* ringRadiusSpin_ = nullptr;
  QSpinBox* fitMinimumSpin_ = nullptr;  // 0: "auto"
  QSpinBox* fitMaximumSpin_ = nullptr;
  QCheckBox* filledRing_ = nullptr;  // the ring as the filled disc instead of an outline
  ResultsGroup* results_ = nullptr;
  QLabel* nuclei_ = nullptr;
  QLabel* pixels_ = nullptr;
  QLabel* calculatedNuclei_ = nullptr;
  QLabel* averageDistance_ = nullptr;
  QLabel* totalNuclei_ = nullptr;
  QLabel* densityMaximum_ = nullptr;
  QCheckBox* cellLevel_ = nullptr;
  QLabel* cellCount_ = nullptr;
  QLabel* elongation_ = nullptr;
  QLabel* smoothness_ = nullptr;
  QRadioButton* border_ = nullptr;
  QRadioButton* colour_ = nullptr;
  QWidget* timeRow_ = nullptr;  // null on plates of one time point
  QSlider* timeSlider_ = nullptr;
  QLabel* timeLabel_ = nullptr;
  QLabel* zoneCoverage_ = nullptr;
  ClosureCurve* closureCurve_ = nullptr;
  int timePoint_ = 0;
  std::optional<RingPlacement> firstRing_;  // the ring the first time point has, held later
  /// What the closure curve was drawn for: the held ring and the cell-level
  /// cut-off, the only things the zone's coverage depends on.
  std::optional<std::pair<RingPlacement, int>> curveDrawnFor_;
  std::uint64_t shownRevision_ = ~std::uint64_t{0};
  bool refreshing_ = false;
};

}  // namespace vembrel
