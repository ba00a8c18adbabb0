#pragma once
// The main frame "Vembrel": a multiple-document frame over the Workspace
// model with the grey ramp background, the "File" menu, the control panel,
// and one TMDIChild per open well window. Pictures dropped on the frame open
// their plate; every error is shown in a message box.
#include <QMainWindow>
#include <map>

#include "desktop/user_dialogs.h"
#include "core/program_state.h"
#include "engine/workspace.h"
#include "desktop/mdi_child.h"

class QMdiArea;
class QMdiSubWindow;

namespace vembrel {

class TContForm;

class TMainForm : public QMainWindow, public WellWindowHost {
  Q_OBJECT
 public:
  explicit TMainForm(UserDialogs dialogs = UserDialogs::Standard(), QWidget* parent = nullptr);
  ~TMainForm() override;

  ProgramState& state() { return state_; }
  Workspace& workspace() { return workspace_; }
  TContForm& contForm() { return *contForm_; }
  QMdiArea& mdiArea() { return *mdiArea_; }
  UserDialogs& dialogs() { return dialogs_; }

  /// The widget of an open well window ("A01"), nullptr when none is open.
  TMDIChild* child(const QString& caption) const;
  QMdiSubWindow* subWindow(const QString& caption) const;

  /// "Open Pictures" once a picture is chosen (also used by drops).
  void openPictures(const QString& picture);
  /// "Open Settings" once a file is chosen.
  void openSettings(const QString& path);

  // WellWindowHost
  void reportError(const QString& message) override;
  void refreshAllWindows() override;
  QString chooseSettingsToSave(const QString& startFolder) override;
  void cellLevelChanged(bool on) override;

 public slots:
  void FileOpen1Execute();
  void OpenSettings1Click();

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildMenu();
  void addChildFor(WellWindow& window);
  void removeChildFor(WellWindow& window);
  void activateChildFor(WellWindow& window);
  void onSubWindowActivated(QMdiSubWindow* subWindow);
  WellWindow* modelOf(QMdiSubWindow* subWindow) const;

  ProgramState state_;
  Workspace workspace_;
  UserDialogs dialogs_;
  QMdiArea* mdiArea_ = nullptr;
  TContForm* contForm_ = nullptr;
  std::map<WellWindow*, QMdiSubWindow*> subWindows_;
  bool syncingActivation_ = false;
};

}  // namespace vembrel
