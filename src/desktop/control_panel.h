#pragma once
// The control panel "Control", a dock at the right of the main window that
// can float but never closes: the plate map and its colouring, the plate's
// path and file name, the universal settings, the start tab of new well
// windows, the batch ("Go!") with its progress, and the plate overview.
#include <QDockWidget>
#include <array>
#include <atomic>
#include <map>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "desktop/user_dialogs.h"
#include "desktop/well_tab.h"
#include "engine/plate_results.h"
#include "engine/workspace.h"
#include "plate/settings_table.h"
#include "results/batch_run.h"
#include "results/time_course.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace vembrel {

struct MappedPlate;

class BatchRun;
class ColourScale;
class PlateMap;

class ControlPanel : public QDockWidget {
  Q_OBJECT
 public:
  /// dialogs show failures and open the workbook at the end of a batch.
  ControlPanel(Workspace& workspace, UserDialogs& dialogs, QWidget* parent = nullptr);
  ~ControlPanel() override;

  PlateMap& plateMap() { return *plateMap_; }
  /// Colours and describes the wells by this plate map from now on.
  void setWellMap(std::shared_ptr<const MappedPlate> map);
  /// The plate map, the plate texts and the buttons from the workspace.
  void showPlate();
  /// The universal settings of the workspace.
  void showUniversalSettings();
  /// The open plate's time points in time order (empty unless it holds
  /// more than one): the wells can then be coloured by their kinetics.
  void setTimeSeries(std::vector<TimePointPlate> series);
  const std::vector<TimePointPlate>& timeSeries() const { return timeSeries_; }
  /// The tab wells open on; on Cells they open at cell level and Go! runs
  /// at cell level.
  WellTab startTab() const { return startTab_; }
  void setStartTab(WellTab tab);
  /// The universal cell settings show while the active well is at cell level.
  void setCellularSettingsShown(bool shown);

  /// "Go!": asks for the results folder (proposing the last), then analyses
  /// the wells on worker threads, the window staying responsive.
  void startBatch();
  bool batchRunning() const { return batch_ != nullptr; }
  /// "Cancel": no further well is begun; the wells done keep their files.
  /// wait: returns only once the batch has ended.
  void cancelBatch(bool wait = false);
  /// Summary file of the batch that ran last ("" before any).
  const QString& lastSummaryFile() const { return lastSummaryFile_; }
  /// The reviewed rings a well is shown and opened at: the rings file's,
  /// else the ring of the well's last analysis; none where neither is known.
  std::vector<std::optional<Ring>> currentRings();
  /// "Go!" and, once the batch ran, how many reviewed rings it used.
  QString ringsNote() const;
  /// The wells are being followed over the time points, on a worker thread,
  /// for a kinetic colouring; the map takes it once they are done.
  bool courseRunning() const { return courseWorker_.joinable(); }

 signals:
  /// A user action opened, closed or re-analysed wells.
  void wellsChanged();
  void batchFinished();
  /// The user chose the folder the batch writes into.
  void resultsFolderChosen();
  /// The user chose another start tab.
  void startTabChosen(WellTab before, WellTab after);
  /// The user included or excluded a well on the plate map.
  void exclusionToggled(int well);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget* buildMapAndPlate();
  QWidget* buildSettingsDisplay();
  QWidget* buildBatchRow();
  void onWellPressed(int well, Qt::MouseButton button);
  void openOverview();
  /// Colours the plate map by the choice at this place of the list; a
  /// kinetic chosen after another kind of colouring follows the plate's
  /// included wells over its time points afresh, with the universal
  /// settings and each well's reviewed ring.
  void colourBy(int index);
  /// Starts following the included wells over the time points.
  void followWellsOverTime();
  /// The worker is done: its course colours the map by the kinetic chosen now.
  void completeCourse();
  /// Stops the worker and waits for it; its course is dropped.
  void stopCourse();
  void onBatchProgress(int done, int well);
  /// The workers are done: the batch ends on this thread.
  void completeBatch();
  void finishBatch();
  void reportError(const QString& message);

  Workspace& workspace_;
  UserDialogs& dialogs_;
  PlateMap* plateMap_ = nullptr;
  QComboBox* colouring_ = nullptr;
  ColourScale* colourScale_ = nullptr;
  QLabel* mapLegend_ = nullptr;  // the conditions' or roles' colours
  QLineEdit* path_ = nullptr;
  QLabel* fileName_ = nullptr;
  QLabel* measured_ = nullptr;  // the plate's measurement date, ISO 8601
  std::map<SettingId, QLabel*> values_;
  std::map<SettingId, QCheckBox*> flags_;
  QGroupBox* cellularGroup_ = nullptr;
  std::map<WellTab, QAbstractButton*> startTabs_;
  WellTab startTab_ = WellTab::ImmigrantCells;
  QLabel* batchWell_ = nullptr;
  QPushButton* go_ = nullptr;
  QCheckBox* perWellCutoffs_ = nullptr;  // Go! chooses each well's nucleus cut-offs
  QPushButton* overview_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QLabel* ringsNote_ = nullptr;  // how many reviewed rings the last batch used
  QPushButton* cancel_ = nullptr;
  std::unique_ptr<BatchRun> batch_;
  std::thread worker_;                        // runs the batch's analyses
  std::atomic<bool> cancelRequested_{false};  // read by the workers
  std::vector<BatchWellOutcome> outcomes_;    // the workers' results, read once joined
  QString lastSummaryFile_;
  std::vector<TimePointPlate> timeSeries_;
  std::shared_ptr<const TimeCourse> course_;  // the wells followed for their kinetics
  std::thread courseWorker_;                  // follows the wells for a new course_
  std::atomic<bool> courseCancelled_{false};  // read by its workers
  int courseGeneration_ = 0;                  // a stopped worker's completion is ignored
  std::optional<TimeCourse> courseOutcome_;   // the worker's, read once joined
  std::string courseError_;                   // or why it failed
  QProgressBar* courseProgress_ = nullptr;
};

}  // namespace vembrel
