#pragma once
// The main window "Vembrel": a multiple-document area over the Workspace
// with the grey ramp behind one WellWindowWidget per open well, the control
// panel docked at the right, and the menus (File with the plates opened
// last, Edit with undo and redo, View, Analysis, Help). Pictures dropped on
// the window open their plate; every error is shown in a message box. Well
// windows reopen where they were closed; closing with changed settings asks
// whether to save them; each plate's settings file, excluded wells and
// results folder are remembered beside its results.
#include <QMainWindow>
#include <map>
#include <vector>

#include "desktop/user_dialogs.h"
#include "desktop/well_window_widget.h"
#include "engine/workspace.h"

class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QUndoStack;

namespace vembrel {

class ControlPanel;

class MainWindow : public QMainWindow, public WellWindowHost {
  Q_OBJECT
 public:
  explicit MainWindow(UserDialogs dialogs = UserDialogs::Standard(), QWidget* parent = nullptr);
  ~MainWindow() override;

  ControlPanel& controlPanel() { return *controlPanel_; }
  QMdiArea& wellArea() { return *wellArea_; }
  /// The well window of an open well ("A01"), nullptr when none is open.
  WellWindowWidget* wellWindow(const QString& well) const;
  QMdiSubWindow* subWindow(const QString& well) const;

  /// Shows the window where it was when last closed, or else filling the
  /// screen's available area.
  void showAtSavedGeometry();
  /// "Open Pictures" once a picture is chosen (also drops and recent plates).
  /// How plates are opened (layout, channels, plane, input bits); detected by default.
  void setPlateOpenOptions(PlateOpenOptions options) { plateOptions_ = std::move(options); }
  void openPictures(const QString& picture);
  /// "Open Settings" once a file is chosen.
  void openSettings(const QString& path);
  /// Reads a plate map and colours and describes the wells by it; a bad map is reported.
  void openPlateMap(const QString& path);
  /// "Save Settings": asks where; false when cancelled or not written.
  bool saveSettingsAs();
  /// The universal settings or an open well's differ from those opened or saved last.
  bool settingsUnsaved() const;
  QUndoStack& undoStack() { return *undoStack_; }
  /// Ring drawing chosen in View (outline, or filled); well windows follow ringDrawingChanged.
  bool ringAsOutline() const;

  // WellWindowHost
  Workspace& workspace() override { return workspace_; }
  void reportError(const QString& message) override;
  void refreshAll() override;
  QString chooseSettingsToSave(const QString& startFolder) override;
  void showStatus(const QString& message) override;
  void wellChanged(WellSession& session, const WellSnapshot& before) override;
  const std::vector<TimePointPlate>& timeSeries() const override;

 signals:
  /// View > Ring as Outline toggled: the well windows draw the ring so.
  void ringDrawingChanged(bool outline);

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  /// No menu of docks to hide: the control panel always stays.
  QMenu* createPopupMenu() override { return nullptr; }

 private:
  void buildMenu();
  void buildEditMenu();
  void buildViewMenu();
  void buildAnalysisMenu();
  void buildHelpMenu();
  /// The front well window, nullptr when none.
  WellWindowWidget* frontWellWindow() const;
  void clickInFrontWell(const char* button);
  void suggestSettings();
  void exportReport();
  void openReadme();
  void showPreferences();
  void changeUniversalSettings(const QString& text, const std::function<void()>& change);
  /// Puts back what the plate's file remembers; writes it anew.
  void restorePlateMemory();
  void rememberPlate();
  void showRecentPlates(const QStringList& plates);
  void addWindowFor(WellSession& session);
  void removeWindowFor(WellSession& session);
  void activateWindowFor(WellSession& session);
  void placeWellWindow(QMdiSubWindow* subWindow, const WellWindowWidget& widget);
  void onSubWindowActivated(QMdiSubWindow* subWindow);
  WellSession* sessionOf(QMdiSubWindow* subWindow) const;
  void detachAll();

  Workspace workspace_;
  UserDialogs dialogs_;
  QMdiArea* wellArea_ = nullptr;
  ControlPanel* controlPanel_ = nullptr;
  QMenu* fileMenu_ = nullptr;
  QAction* recentEnd_ = nullptr;
  std::vector<QAction*> recentActions_;
  std::map<WellSession*, QMdiSubWindow*> subWindows_;
  bool syncingActivation_ = false;
  PlateOpenOptions plateOptions_;
  QUndoStack* undoStack_ = nullptr;
  QAction* ringOutline_ = nullptr;
  AnalysisSettings savedSettings_;  // as opened or saved last
  std::string settingsFile_;        // the settings file opened or saved last
  bool restoring_ = false;          // putting back a plate's memory
};

}  // namespace vembrel
