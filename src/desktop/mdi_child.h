#pragma once
// The well window "TMDIChild": the widgets of one WellWindow model. Every
// user change is forwarded to the model, then all widgets are refreshed from
// the model with their signals blocked, so programmatic updates never fire a
// handler. Object names follow the model's control names (ScrollBar1, Edit1,
// Label13, CheckBox3, Image1, ...).
#include <QWidget>
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "engine/well_window.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QTabWidget;
class QVBoxLayout;

namespace vembrel {

class PictureView;
class ResultsGroup;

/// What a well window needs from the frame it lives in.
class WellWindowHost {
 public:
  virtual ~WellWindowHost() = default;
  virtual void reportError(const QString& message) = 0;
  /// Brings every open well window's widgets up to date with its model.
  virtual void refreshAllWindows() = 0;
  /// Asks where to save settings; "" when cancelled.
  virtual QString chooseSettingsToSave(const QString& startFolder) = 0;
  /// "Look at Cell level" was switched: the control panel shows or hides its cellular rows.
  virtual void cellLevelChanged(bool on) = 0;
};

class TMDIChild : public QWidget {
  Q_OBJECT
 public:
  TMDIChild(WellWindow& model, WellWindowHost& host, QWidget* parent = nullptr);

  WellWindow& model() { return *model_; }
  /// The model is going away: the widget stops reading it.
  void detach() { model_ = nullptr; }
  bool attached() const { return model_ != nullptr; }

  /// Widgets from the model (signals blocked). Pictures only when the model changed.
  void refreshFromModel();

  QTabWidget& tabs() { return *tabs_; }

 protected:
  void hideEvent(QHideEvent* event) override;

 private:
  // Building the tabs.
  QWidget* addTab(const QString& caption, int imageNumber, QVBoxLayout** panel);
  QGroupBox* addGroup(QVBoxLayout* panel, const QString& title);
  void addScrollBarRow(QGroupBox* group, const QString& caption, int number, int labelNumber);
  QCheckBox* addCheckBox(QWidget* parent, const QString& caption, int number);
  /// A channel's group: cut-off and saturation sliders with their labels, and
  /// the full-range check box.
  void addChannelGroup(QVBoxLayout* panel, const QString& title, int cutoffBar, int cutoffLabel,
                       int saturationBar, int saturationLabel, int checkBox);
  QLabel* addResultRow(QWidget* parent, const QString& caption, const char* labelName, int top);
  QLabel* addValueLabel(QWidget* parent, const QString& name);
  QPushButton* addButton(QWidget* parent, const QString& caption, const QString& name,
                         std::function<void()> action);
  void addApplyAndSave(QVBoxLayout* panel, bool withApply);
  void buildBlueTab();
  void buildGreenTab();
  void buildRawTab();
  void buildImmigrantTab();
  void buildCellsTab();

  // Forwarding user events to the model.
  void act(const std::function<void()>& action);
  void commitEdit(int number);
  void saveSettings();
  /// Scrolls the mosaics so that the ring is in view (once, after the first pass).
  void centreOnRing();

  WellWindow* model_;
  WellWindowHost& host_;
  QTabWidget* tabs_ = nullptr;
  std::map<int, QScrollBar*> scrollBars_;
  std::map<int, QCheckBox*> checkBoxes_;
  std::map<int, QLineEdit*> edits_;
  std::vector<QLabel*> valueLabels_;
  std::vector<QWidget*> switchable_;  // enabled state follows the model by name
  std::map<int, PictureView*> pictures_;
  std::map<int, QLabel*> smallPictures_;  // Image7 (histogram), Image8 (pie chart)
  std::map<int, QRadioButton*> radioButtons_;
  QProgressBar* gauge_ = nullptr;
  bool shownCellLevel_ = false;
  ResultsGroup* results_ = nullptr;
  std::uint64_t shownRevision_ = ~std::uint64_t{0};
  bool refreshing_ = false;
  int applyButtons_ = 0;
  bool centredOnRing_ = false;
};

}  // namespace vembrel
