#include "desktop/main_window.h"

#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QUndoStack>
#include <QUrl>
#include <algorithm>
#include <filesystem>

#include "desktop/control_panel.h"
#include "desktop/grey_ramp_area.h"
#include "desktop/plate_memory.h"
#include "desktop/preferences.h"
#include "desktop/undo_commands.h"
#include "results/plate_map.h"
#include "results/rings_file.h"

namespace vembrel {
namespace {

// A drop opens a plate when it carries exactly one local file.
QString DroppedPicture(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls() || data->urls().size() != 1) return {};
  const QUrl url = data->urls().front();
  return url.isLocalFile() ? url.toLocalFile() : QString();
}

// New well windows step down and right from the top left, so each shows its title.
constexpr int kCascadeStep = 24;
constexpr int kCascadeSteps = 6;

}  // namespace

MainWindow::MainWindow(UserDialogs dialogs, QWidget* parent)
    : QMainWindow(parent), dialogs_(std::move(dialogs)) {
  setObjectName(QStringLiteral("mainWindow"));
  setWindowTitle(QStringLiteral("Vembrel"));
  setAcceptDrops(true);

  wellArea_ = new GreyRampArea(this);
  wellArea_->setObjectName(QStringLiteral("wellArea"));
  wellArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  wellArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setCentralWidget(wellArea_);
  connect(wellArea_, &QMdiArea::subWindowActivated, this, &MainWindow::onSubWindowActivated);

  undoStack_ = new QUndoStack(this);
  controlPanel_ = new ControlPanel(workspace_, dialogs_, this);
  addDockWidget(Qt::RightDockWidgetArea, controlPanel_);
  connect(controlPanel_, &ControlPanel::wellsChanged, this, &MainWindow::refreshAll);
  connect(controlPanel_, &ControlPanel::batchFinished, this, &MainWindow::refreshAll);
  connect(controlPanel_, &ControlPanel::resultsFolderChosen, this, &MainWindow::rememberPlate);
  buildMenu();
  statusBar();

  workspace_.onSessionOpened = [this](WellSession& session) { addWindowFor(session); };
  workspace_.onSessionClosing = [this](WellSession& session) { removeWindowFor(session); };
  workspace_.onSessionActivated = [this](WellSession& session) { activateWindowFor(session); };
  workspace_.onPlateChanged = [this] { controlPanel_->showPlate(); };
  workspace_.onUniversalSettingsChanged = [this] { controlPanel_->showUniversalSettings(); };
  // A well opens at the ring reviewed for it, as the batch analyses it.
  workspace_.reviewedRing = [this](int well) -> std::optional<RingPlacement> {
    const std::string folder = workspace_.resultsFolder();
    if (folder.empty()) return std::nullopt;
    const std::string path = RingsFileName(folder, workspace_.plate().prefix);
    std::error_code missing;
    if (!std::filesystem::exists(path, missing)) return std::nullopt;
    try {
      return ReadRingsFile(path, workspace_.plate().format).reviewed(well);
    } catch (const std::exception& e) {
      reportError(QString::fromStdString(e.what()));
      return std::nullopt;
    }
  };
  workspace_.onSettingsSaved = [this](const std::string& path) {
    savedSettings_ = workspace_.universalSettings();
    settingsFile_ = path;
    rememberPlate();
  };
  savedSettings_ = workspace_.universalSettings();

  const AfterChange refresh = [this] { refreshAll(); };
  connect(controlPanel_, &ControlPanel::startTabChosen, this,
          [this](WellTab before, WellTab after) {
            undoStack_->push(new StartTabChange(
                [this](WellTab tab) { controlPanel_->setStartTab(tab); }, before, after));
          });
  connect(controlPanel_, &ControlPanel::exclusionToggled, this, [this, refresh](int well) {
    undoStack_->push(new ExclusionChange(workspace_, well, [this, refresh] {
      refresh();
      rememberPlate();
    }));
    rememberPlate();
  });
}

MainWindow::~MainWindow() {
  if (controlPanel_->batchRunning()) controlPanel_->cancelBatch(true);
  // Qt deletes the widgets after this body, when the workspace is gone.
  disconnect(wellArea_, nullptr, this, nullptr);
  detachAll();
  workspace_.onSessionOpened = nullptr;
  workspace_.onSessionClosing = nullptr;
  workspace_.onSessionActivated = nullptr;
  workspace_.onPlateChanged = nullptr;
  workspace_.onUniversalSettingsChanged = nullptr;
  workspace_.reviewedRing = nullptr;
  workspace_.onSettingsSaved = nullptr;
  // The commands hold the workspace: they go before it.
  delete undoStack_;
  undoStack_ = nullptr;
}

void MainWindow::buildMenu() {
  fileMenu_ = menuBar()->addMenu(QStringLiteral("&File"));
  fileMenu_->setObjectName(QStringLiteral("fileMenu"));
  QAction* open = fileMenu_->addAction(QStringLiteral("&Open Plate..."));
  open->setObjectName(QStringLiteral("openPicturesAction"));
  open->setShortcut(QKeySequence::Open);
  connect(open, &QAction::triggered, this, [this] {
    const QString picture = dialogs_.choosePicture(this);
    if (!picture.isEmpty()) openPictures(picture);
  });
  QAction* settings = fileMenu_->addAction(QStringLiteral("Open &Settings..."));
  settings->setObjectName(QStringLiteral("openSettingsAction"));
  settings->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
  connect(settings, &QAction::triggered, this, [this] {
    const QString path = dialogs_.chooseSettingsToOpen(this);
    if (!path.isEmpty()) openSettings(path);
  });
  QAction* plateMap = fileMenu_->addAction(QStringLiteral("Open Plate Map..."));
  plateMap->setObjectName(QStringLiteral("openPlateMapAction"));
  connect(plateMap, &QAction::triggered, this, [this] {
    const QString path = dialogs_.choosePlateMap ? dialogs_.choosePlateMap(this) : QString();
    if (!path.isEmpty()) openPlateMap(path);
  });
  QAction* save = fileMenu_->addAction(QStringLiteral("Sa&ve Settings..."));
  save->setObjectName(QStringLiteral("saveSettingsAction"));
  save->setShortcut(QKeySequence::Save);
  connect(save, &QAction::triggered, this, &MainWindow::saveSettingsAs);
  QAction* report = fileMenu_->addAction(QStringLiteral("&Export Report"));
  report->setObjectName(QStringLiteral("exportReportAction"));
  report->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
  connect(report, &QAction::triggered, this, &MainWindow::exportReport);
  QAction* pixelSize = fileMenu_->addAction(QStringLiteral("Pixel Size..."));
  pixelSize->setObjectName(QStringLiteral("pixelSizeAction"));
  connect(pixelSize, &QAction::triggered, this, [this] {
    const std::optional<double> chosen = dialogs_.choosePixelSize(this, SavedPixelSize());
    if (!chosen) return;
    SavePixelSize(*chosen > 0 ? chosen : std::nullopt);
  });
  fileMenu_->addSeparator();
  recentEnd_ = fileMenu_->addSeparator();
  QAction* quit = fileMenu_->addAction(QStringLiteral("&Quit"));
  quit->setObjectName(QStringLiteral("quitAction"));
  quit->setShortcuts(QKeySequence::Quit);
  // Not every platform names one.
  if (quit->shortcuts().isEmpty()) quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  connect(quit, &QAction::triggered, this, &QWidget::close);
  showRecentPlates(RecentPlates());
  buildEditMenu();
  buildViewMenu();
  buildAnalysisMenu();
  buildHelpMenu();
}

void MainWindow::showRecentPlates(const QStringList& plates) {
  for (QAction* action : recentActions_) {
    fileMenu_->removeAction(action);
    action->deleteLater();
  }
  recentActions_.clear();
  for (int i = 0; i < plates.size(); ++i) {
    const QString picture = plates[i];
    auto* action = new QAction(
        QStringLiteral("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(picture)), fileMenu_);
    action->setObjectName(QStringLiteral("recentPlate%1").arg(i + 1));
    action->setData(picture);
    connect(action, &QAction::triggered, this, [this, picture] { openPictures(picture); });
    fileMenu_->insertAction(recentEnd_, action);
    recentActions_.push_back(action);
  }
}

void MainWindow::showAtSavedGeometry() {
  const WindowLayout saved = SavedWindowLayout();
  const bool restored = !saved.geometry.isEmpty() && restoreGeometry(saved.geometry);
  if (!saved.state.isEmpty()) restoreState(saved.state);
  if (restored) {
    show();
    return;
  }
  if (const QScreen* shown = screen()) setGeometry(shown->availableGeometry());
  showMaximized();
}

// ---- plates and settings -------------------------------------------------------

void MainWindow::openPictures(const QString& picture) {
  if (controlPanel_->batchRunning()) {
    reportError(QStringLiteral("The batch is running: cancel it before opening another plate."));
    return;
  }
  try {
    // The size given on the command line, else the one chosen here, else the metadata's.
    PlateOpenOptions options = plateOptions_;
    if (!options.pixelSize) options.pixelSize = SavedPixelSize();
    controlPanel_->setTimeSeries({});
    workspace_.openPlate(picture.toStdString(), options);
    showRecentPlates(RememberPlate(QFileInfo(picture).absoluteFilePath()));
    // Changes of the plate before do not apply to this one.
    undoStack_->clear();
    workspace_.setResultsFolder({});
    settingsFile_.clear();
    restorePlateMemory();
    if (workspace_.plate().timePoints.size() > 1) {
      // The time points as the time course reads them, hours included.
      std::vector<std::string> notes;
      controlPanel_->setTimeSeries(OpenTimeSeries({picture.toStdString()}, options, "", notes));
    }
  } catch (const std::exception& e) {
    reportError(QString::fromStdString(e.what()));
  }
  refreshAll();
}

const std::vector<TimePointPlate>& MainWindow::timeSeries() const {
  return controlPanel_->timeSeries();
}

void MainWindow::openSettings(const QString& path) {
  try {
    changeUniversalSettings(QStringLiteral("Open Settings"),
                            [this, &path] { workspace_.loadSettings(path.toStdString()); });
    savedSettings_ = workspace_.universalSettings();
    settingsFile_ = QFileInfo(path).absoluteFilePath().toStdString();
    rememberPlate();
  } catch (const std::exception& e) {
    reportError(QString::fromStdString(e.what()));
  }
  refreshAll();
}

void MainWindow::openPlateMap(const QString& path) {
  try {
    controlPanel_->setWellMap(
        std::make_shared<const MappedPlate>(ReadPlateMap(path.toStdString())));
  } catch (const std::exception& e) {
    reportError(QString::fromStdString(e.what()));
  }
}

void MainWindow::changeUniversalSettings(const QString& text, const std::function<void()>& change) {
  SettingsState before = SettingsState::Of(workspace_);
  change();  // throws before changing anything
  SettingsState after = SettingsState::Of(workspace_);
  undoStack_->push(new UniversalSettingsChange(workspace_, std::move(before), std::move(after),
                                               text, [this] { refreshAll(); }));
}

bool MainWindow::saveSettingsAs() {
  const QString chosen =
      dialogs_.chooseSettingsToSave(this, QString::fromStdString(workspace_.resultsFolder()));
  if (chosen.isEmpty()) return false;
  try {
    workspace_.saveSettings(chosen.toStdString());
  } catch (const std::exception& e) {
    reportError(QString::fromStdString(e.what()));
    return false;
  }
  showStatus(QStringLiteral("Settings saved to %1").arg(QString::fromStdString(settingsFile_)));
  return true;
}

bool MainWindow::settingsUnsaved() const {
  if (workspace_.universalSettings() != savedSettings_) return true;
  return std::any_of(workspace_.sessions().begin(), workspace_.sessions().end(),
                     [this](const auto& session) { return session->settings() != savedSettings_; });
}

// ---- what a plate remembers ------------------------------------------------------

void MainWindow::restorePlateMemory() {
  const Plate& plate = workspace_.plate();
  const std::string home = ResultsFolderOf(plate.path);
  if (!plate.open || home.empty()) return;
  std::optional<PlateMemory> memory;
  try {
    memory = ReadPlateMemory(PlateMemoryFileName(home, plate.prefix));
  } catch (const std::exception& e) {
    showStatus(QString::fromStdString(e.what()));
  }
  if (!memory) return;
  restoring_ = true;
  for (const std::string& name : memory->excludedWells) {
    const auto well = std::find_if(plate.wells.begin(), plate.wells.end(),
                                   [&name](const WellRecord& r) { return r.name == name; });
    if (well != plate.wells.end() && well->state == 1) {
      workspace_.toggleExclusion(static_cast<int>(well - plate.wells.begin()));
    }
  }
  workspace_.setResultsFolder(memory->resultsFolder);
  if (!memory->settingsFile.empty()) {
    try {
      workspace_.loadSettings(memory->settingsFile);
      savedSettings_ = workspace_.universalSettings();
      settingsFile_ = memory->settingsFile;
    } catch (const std::exception& e) {
      reportError(QString::fromStdString(e.what()));
    }
  }
  restoring_ = false;
}

void MainWindow::rememberPlate() {
  const Plate& plate = workspace_.plate();
  const std::string home = ResultsFolderOf(plate.path);
  if (restoring_ || !plate.open || home.empty()) return;
  PlateMemory memory;
  memory.settingsFile = settingsFile_;
  memory.excludedWells = ExcludedWells(plate);
  const std::string results = workspace_.resultsFolder();
  if (results != home) memory.resultsFolder = results;
  try {
    // Beside the results: in the plate's own results folder and in the one chosen.
    WritePlateMemory(PlateMemoryFileName(home, plate.prefix), memory);
    if (results != home) WritePlateMemory(PlateMemoryFileName(results, plate.prefix), memory);
  } catch (const std::exception& e) {
    showStatus(QString::fromStdString(e.what()));
  }
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (!DroppedPicture(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const QString picture = DroppedPicture(event->mimeData());
  if (picture.isEmpty()) return;
  event->acceptProposedAction();
  openPictures(picture);
}

// ---- host services ----------------------------------------------------------

void MainWindow::reportError(const QString& message) {
  dialogs_.showError(this, message);
}

QString MainWindow::chooseSettingsToSave(const QString& startFolder) {
  return dialogs_.chooseSettingsToSave(this, startFolder);
}

void MainWindow::showStatus(const QString& message) {
  statusBar()->showMessage(message, 10000);
}

void MainWindow::wellChanged(WellSession& session, const WellSnapshot& before) {
  WellSnapshot after = WellSnapshot::Of(session);
  if (after == before) return;
  undoStack_->push(new WellChange(workspace_, session.well(), before, std::move(after),
                                  [this] { refreshAll(); }));
}

void MainWindow::refreshAll() {
  for (auto& [session, subWindow] : subWindows_) {
    if (auto* widget = qobject_cast<WellWindowWidget*>(subWindow->widget())) widget->refresh();
  }
  controlPanel_->showPlate();
  const WellSession* active = workspace_.activeSession();
  controlPanel_->setCellularSettingsShown(active != nullptr && active->cellLevel());
}

// ---- well windows -------------------------------------------------------------

void MainWindow::addWindowFor(WellSession& session) {
  auto* widget = new WellWindowWidget(session, *this, controlPanel_->startTab());
  // The View menu's choice is every well window's; a window's own box changes it there only.
  widget->setRingFilled(!ringAsOutline());
  connect(this, &MainWindow::ringDrawingChanged, widget,
          [widget](bool outline) { widget->setRingFilled(!outline); });
  auto* subWindow = new QMdiSubWindow;
  subWindow->setWidget(widget);
  subWindow->setAttribute(Qt::WA_DeleteOnClose, false);
  subWindow->setWindowTitle(QString::fromStdString(session.wellName()));
  subWindow->installEventFilter(this);
  subWindows_[&session] = subWindow;
  const bool wasSyncing = syncingActivation_;
  syncingActivation_ = true;
  wellArea_->addSubWindow(subWindow);
  subWindow->show();
  placeWellWindow(subWindow, *widget);
  syncingActivation_ = wasSyncing;
}

void MainWindow::placeWellWindow(QMdiSubWindow* subWindow, const WellWindowWidget& widget) {
  // Where this well's window was closed, or the first window where the last one was.
  QRect saved = SavedWellWindowGeometry(subWindow->windowTitle());
  if (!saved.isValid() && subWindows_.size() == 1) saved = SavedWellWindowGeometry(QString());
  if (saved.isValid() && wellArea_->viewport()->rect().intersects(saved)) {
    subWindow->setGeometry(saved);
    return;
  }
  const QSize frame = (subWindow->size() - subWindow->widget()->size()).expandedTo(QSize(0, 0));
  QSize wanted = widget.preferredSize() + frame;
  const int step = kCascadeStep * static_cast<int>((subWindows_.size() - 1) % kCascadeSteps);
  const QSize room = wellArea_->viewport()->size() - QSize(step, step);
  if (room.width() > 300 && room.height() > 300) {
    // As high as the area allows, the pictures staying square; never wider than the area.
    const int taller = std::max(0, room.height() - wanted.height());
    wanted = QSize(wanted.width() + taller, wanted.height() + taller).boundedTo(room);
  }
  subWindow->setGeometry(QRect(QPoint(step, step), wanted));
}

void MainWindow::removeWindowFor(WellSession& session) {
  const auto found = subWindows_.find(&session);
  if (found == subWindows_.end()) return;
  QMdiSubWindow* subWindow = found->second;
  subWindows_.erase(found);
  // The frame's own geometry in the area, so that it reopens exactly there.
  if (!subWindow->isMinimized() && !subWindow->isMaximized()) {
    SaveWellWindowGeometry(subWindow->windowTitle(), subWindow->geometry());
  }
  if (auto* widget = qobject_cast<WellWindowWidget*>(subWindow->widget())) widget->detach();
  subWindow->removeEventFilter(this);
  const bool wasSyncing = syncingActivation_;
  syncingActivation_ = true;
  wellArea_->removeSubWindow(subWindow);
  syncingActivation_ = wasSyncing;
  subWindow->hide();
  subWindow->deleteLater();
}

void MainWindow::activateWindowFor(WellSession& session) {
  const auto found = subWindows_.find(&session);
  if (found == subWindows_.end() || syncingActivation_) return;
  syncingActivation_ = true;
  wellArea_->setActiveSubWindow(found->second);
  syncingActivation_ = false;
}

void MainWindow::onSubWindowActivated(QMdiSubWindow* subWindow) {
  if (syncingActivation_) return;
  WellSession* session = sessionOf(subWindow);
  if (session == nullptr) return;
  syncingActivation_ = true;
  workspace_.bringToFront(*session);
  syncingActivation_ = false;
  controlPanel_->setCellularSettingsShown(session->cellLevel());
}

WellSession* MainWindow::sessionOf(QMdiSubWindow* subWindow) const {
  for (const auto& [session, candidate] : subWindows_) {
    if (candidate == subWindow) return session;
  }
  return nullptr;
}

WellWindowWidget* MainWindow::wellWindow(const QString& well) const {
  QMdiSubWindow* found = subWindow(well);
  return found != nullptr ? qobject_cast<WellWindowWidget*>(found->widget()) : nullptr;
}

QMdiSubWindow* MainWindow::subWindow(const QString& well) const {
  for (const auto& [session, subWindow] : subWindows_) {
    if (QString::fromStdString(session->wellName()) == well) return subWindow;
  }
  return nullptr;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  // The user closes a well window: the workspace closes its session, which removes the widget.
  if (event->type() == QEvent::Close) {
    if (WellSession* session = sessionOf(qobject_cast<QMdiSubWindow*>(watched))) {
      event->ignore();
      workspace_.closeSession(*session);
      refreshAll();
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::detachAll() {
  for (auto& [session, subWindow] : subWindows_) {
    if (auto* widget = qobject_cast<WellWindowWidget*>(subWindow->widget())) widget->detach();
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (settingsUnsaved()) {
    const SaveChoice choice = dialogs_.askToSaveSettings(this);
    if (choice == SaveChoice::Cancel || (choice == SaveChoice::Save && !saveSettingsAs())) {
      event->ignore();
      return;
    }
  }
  if (controlPanel_->batchRunning()) controlPanel_->cancelBatch(true);
  SaveWindowLayout({saveGeometry(), saveState()});
  // Closing hides the windows: that must not re-analyse them.
  detachAll();
  QMainWindow::closeEvent(event);
}

}  // namespace vembrel
