#pragma once
// The control panel "Control": an always-on-top tool window beside the main
// frame that the user cannot close. It carries the plate map, shows the
// universal settings, chooses the start tab of new well windows and starts
// the batch and the plate overview.
#include <QWidget>
#include <functional>
#include <initializer_list>
#include <memory>
#include <utility>

#include "desktop/user_dialogs.h"
#include "core/program_state.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTimer;

namespace vembrel {

class BatchRun;
class PlateMap;
class Workspace;

class TContForm : public QWidget {
  Q_OBJECT
 public:
  /// dialogs show failures and open the workbook at the end of a batch.
  TContForm(Workspace& workspace, UserDialogs& dialogs, QWidget* mainFrame);
  ~TContForm() override;

  PlateMap& plateMap() { return *plateMap_; }
  /// Redraws the plate map and the plate texts from the workspace.
  void showPlate();
  /// Writes the universal settings into the display labels and check boxes.
  void showCentralValues();
  /// The large bold well label of the "Green Channel" group.
  QLabel& largeWellLabel() { return *largeWellLabel_; }
  /// Lets the panel close (when the program ends).
  void allowClose() { closeAllowed_ = true; }
  /// Client height of the panel window for a window height (851 / 694).
  void setWindowHeight(int windowHeight);

  /// "Go!": starts the batch; one well per 50 ms tick follows.
  void startBatch();
  bool batchRunning() const { return batch_ != nullptr; }
  /// Summary file of the batch that ran last ("" before any).
  const QString& lastSummaryFile() const { return lastSummaryFile_; }

 signals:
  /// A user action changed wells or windows; the frame refreshes its windows.
  void workspaceChanged();
  void batchFinished();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildSettingsDisplay();
  void buildStartTabChoice();
  QLabel* addValueRow(QWidget* group, int row, const QString& caption, const char* name);
  /// Value rows from the first row down: caption and object name of each.
  void addValueRows(QWidget* group,
                    std::initializer_list<std::pair<const char*, const char*>> rows);
  QCheckBox* addCheckRow(QWidget* group, int row, const QString& caption, const char* name);
  void onWellPressed(int well, Qt::MouseButton button);
  void openOverview();
  void placeBesideMainFrame();
  void batchTick();
  void finishBatch();
  void reportError(const QString& message);

  Workspace& workspace_;
  UserDialogs& dialogs_;
  PlateMap* plateMap_ = nullptr;
  QLineEdit* path_ = nullptr;
  QLabel* fileName_ = nullptr;
  QLabel* largeWellLabel_ = nullptr;
  QPushButton* go_ = nullptr;
  QPushButton* overview_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QTimer* placeTimer_ = nullptr;
  QTimer* batchTimer_ = nullptr;
  std::unique_ptr<BatchRun> batch_;
  QString lastSummaryFile_;
  bool closeAllowed_ = false;
  bool placed_ = false;
};

}  // namespace vembrel
