#pragma once
// The control panel "Control", a dock at the right of the main window that
// can float but never closes: the plate map and its colouring, the plate's
// path and file name, the universal settings, the start tab of new well
// windows, the batch ("Go!") with its progress, and the plate overview.
#include <QDockWidget>
#include <array>
#include <map>
#include <memory>
#include <optional>

#include "desktop/user_dialogs.h"
#include "engine/plate_results.h"
#include "plate/settings_table.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;

namespace vembrel {

class BatchRun;
class ColourScale;
class PlateMap;
class Workspace;

class ControlPanel : public QDockWidget {
  Q_OBJECT
 public:
  /// dialogs show failures and open the workbook at the end of a batch.
  ControlPanel(Workspace& workspace, UserDialogs& dialogs, QWidget* parent = nullptr);
  ~ControlPanel() override;

  PlateMap& plateMap() { return *plateMap_; }
  /// The plate map, the plate texts and the buttons from the workspace.
  void showPlate();
  /// The universal settings of the workspace.
  void showUniversalSettings();
  /// The universal cell settings show while the active well is at cell level.
  void setCellularSettingsShown(bool shown);

  /// "Go!": starts the batch; one well per 50 ms tick follows.
  void startBatch();
  bool batchRunning() const { return batch_ != nullptr; }
  /// Summary file of the batch that ran last ("" before any).
  const QString& lastSummaryFile() const { return lastSummaryFile_; }
  /// The reviewed rings a well is shown and opened at: the rings file's,
  /// else the ring of the well's last analysis; none where neither is known.
  std::array<std::optional<RingPlacement>, kWellCount> currentRings();
  /// "Go!" and, once the batch ran, how many reviewed rings it used.
  QString ringsNote() const;

 signals:
  /// A user action opened, closed or re-analysed wells.
  void wellsChanged();
  void batchFinished();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget* buildMapAndPlate();
  QWidget* buildSettingsDisplay();
  QWidget* buildBatchRow();
  void onWellPressed(int well, Qt::MouseButton button);
  void openOverview();
  void batchTick();
  void finishBatch();
  void reportError(const QString& message);

  Workspace& workspace_;
  UserDialogs& dialogs_;
  PlateMap* plateMap_ = nullptr;
  QComboBox* colouring_ = nullptr;
  ColourScale* colourScale_ = nullptr;
  QLineEdit* path_ = nullptr;
  QLabel* fileName_ = nullptr;
  std::map<SettingId, QLabel*> values_;
  std::map<SettingId, QCheckBox*> flags_;
  QGroupBox* cellularGroup_ = nullptr;
  QLabel* batchWell_ = nullptr;
  QPushButton* go_ = nullptr;
  QPushButton* overview_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QLabel* ringsNote_ = nullptr;  // how many reviewed rings the last batch used
  QTimer* batchTimer_ = nullptr;
  std::unique_ptr<BatchRun> batch_;
  QString lastSummaryFile_;
};

}  // namespace vembrel
