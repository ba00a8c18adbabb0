// The main window's Edit, View, Analysis and Help menus. Each action does
// what the control panel's or the front well window's button does.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFormLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QUndoStack>
#include <algorithm>
#include <ctime>

#include "core/text_file.h"
#include "desktop/control_panel.h"
#include "desktop/main_window.h"
#include "desktop/preferences.h"
#include "desktop/undo_commands.h"
#include "engine/settings_suggestion.h"
#include "results/plate_files.h"
#include "results/report_page.h"

namespace vembrel {
namespace {

QAction* AddAction(QMenu* menu, const QString& caption, const char* name,
                   const QKeySequence& shortcut = {}) {
  QAction* action = menu->addAction(caption);
  action->setObjectName(QString::fromLatin1(name));
  if (!shortcut.isEmpty()) action->setShortcut(shortcut);
  return action;
}

}  // namespace

void MainWindow::buildEditMenu() {
  QMenu* menu = menuBar()->addMenu(QStringLiteral("&Edit"));
  menu->setObjectName(QStringLiteral("editMenu"));
  QAction* undo = undoStack_->createUndoAction(this, QStringLiteral("&Undo"));
  undo->setObjectName(QStringLiteral("undoAction"));
  undo->setShortcut(QKeySequence::Undo);
  QAction* redo = undoStack_->createRedoAction(this, QStringLiteral("&Redo"));
  redo->setObjectName(QStringLiteral("redoAction"));
  redo->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
  menu->addAction(undo);
  menu->addAction(redo);
  menu->addSeparator();
  connect(AddAction(menu, QStringLiteral("&Preferences..."), "preferencesAction",
                    QKeySequence(Qt::CTRL | Qt::Key_Comma)),
          &QAction::triggered, this, &MainWindow::showPreferences);
}

void MainWindow::buildViewMenu() {
  QMenu* menu = menuBar()->addMenu(QStringLiteral("&View"));
  menu->setObjectName(QStringLiteral("viewMenu"));
  connect(AddAction(menu, QStringLiteral("Zoom &In"), "zoomInAction", QKeySequence::ZoomIn),
          &QAction::triggered, this, [this] {
            if (WellWindowWidget* well = frontWellWindow()) well->zoomPictures(1.25);
          });
  connect(AddAction(menu, QStringLiteral("Zoom &Out"), "zoomOutAction", QKeySequence::ZoomOut),
          &QAction::triggered, this, [this] {
            if (WellWindowWidget* well = frontWellWindow()) well->zoomPictures(0.8);
          });
  connect(AddAction(menu, QStringLiteral("&Fit to Window"), "zoomFitAction",
                    QKeySequence(Qt::CTRL | Qt::Key_0)),
          &QAction::triggered, this, [this] {
            if (WellWindowWidget* well = frontWellWindow()) well->fitPictures();
          });
  connect(AddAction(menu, QStringLiteral("&Actual Size"), "zoomActualAction",
                    QKeySequence(Qt::CTRL | Qt::Key_1)),
          &QAction::triggered, this, [this] {
            if (WellWindowWidget* well = frontWellWindow()) well->showPicturesActualSize();
          });
  menu->addSeparator();
  ringOutline_ = AddAction(menu, QStringLiteral("Ring as O&utline"), "ringOutlineAction");
  ringOutline_->setCheckable(true);
  ringOutline_->setChecked(RingDrawnAsOutline());
  connect(ringOutline_, &QAction::toggled, this, [this](bool outline) {
    SetRingDrawnAsOutline(outline);
    emit ringDrawingChanged(outline);
  });
}

bool MainWindow::ringAsOutline() const {
  return ringOutline_->isChecked();
}

void MainWindow::buildAnalysisMenu() {
  QMenu* menu = menuBar()->addMenu(QStringLiteral("&Analysis"));
  menu->setObjectName(QStringLiteral("analysisMenu"));
  connect(AddAction(menu, QStringLiteral("&Auto-Fit Ring"), "autoFitAction",
                    QKeySequence(Qt::CTRL | Qt::Key_F)),
          &QAction::triggered, this, [this] { clickInFrontWell("autoFitButton"); });
  connect(AddAction(menu, QStringLiteral("Fit &Size"), "fitSizeAction",
                    QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F)),
          &QAction::triggered, this, [this] { clickInFrontWell("fitSizeButton"); });
  connect(AddAction(menu, QStringLiteral("Su&ggest Settings..."), "suggestSettingsAction"),
          &QAction::triggered, this, &MainWindow::suggestSettings);
  menu->addSeparator();
  connect(AddAction(menu, QStringLiteral("&Overview..."), "overviewAction",
                    QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P)),
          &QAction::triggered, this,
          [this] { controlPanel_->findChild<QPushButton*>("overviewButton")->click(); });
  connect(AddAction(menu, QStringLiteral("&Go!"), "goAction", QKeySequence(Qt::Key_F5)),
          &QAction::triggered, this,
          [this] { controlPanel_->findChild<QPushButton*>("goButton")->click(); });
}

void MainWindow::buildHelpMenu() {
  QMenu* menu = menuBar()->addMenu(QStringLiteral("&Help"));
  menu->setObjectName(QStringLiteral("helpMenu"));
  connect(AddAction(menu, QStringLiteral("&README"), "readmeAction", QKeySequence::HelpContents),
          &QAction::triggered, this, &MainWindow::openReadme);
  connect(AddAction(menu, QStringLiteral("&About Vembrel"), "aboutAction"), &QAction::triggered,
          this, [this] {
            QMessageBox::about(
                this, QStringLiteral("About Vembrel"),
                QStringLiteral("Vembrel: cell migration into a cell-free ring, well by well, "
                               "for 96-well plates."));
          });
}

WellWindowWidget* MainWindow::frontWellWindow() const {
  QMdiSubWindow* front = wellArea_->activeSubWindow();
  if (front == nullptr && !wellArea_->subWindowList().isEmpty()) {
    front = wellArea_->subWindowList(QMdiArea::StackingOrder).last();
  }
  return front != nullptr ? qobject_cast<WellWindowWidget*>(front->widget()) : nullptr;
}

void MainWindow::clickInFrontWell(const char* button) {
  WellWindowWidget* well = frontWellWindow();
  if (well == nullptr) {
    showStatus(QStringLiteral("Open a well first: click it on the plate map."));
    return;
  }
  if (auto* found = well->findChild<QPushButton*>(QString::fromLatin1(button))) found->click();
}

void MainWindow::suggestSettings() {
  const Plate& plate = workspace_.plate();
  if (!plate.open) {
    reportError(QStringLiteral("Open a plate first: the settings are suggested from its wells."));
    return;
  }
  try {
    const SettingsSuggestion suggestion =
        SuggestSettings(plate, WellsToSuggestFrom(plate), workspace_.universalSettings());
    QStringList reasons;
    for (const std::string& reason : suggestion.reasons) reasons << QString::fromStdString(reason);
    const QString question = QStringLiteral("Suggested settings:\n\n%1\n\nUse them?")
                                 .arg(reasons.join(QLatin1Char('\n')));
    if (!dialogs_.confirm(this, question)) return;
    changeUniversalSettings(QStringLiteral("Suggest Settings"), [this, &suggestion] {
      workspace_.setUniversalSettings(suggestion.settings);
      if (WellSession* front = workspace_.activeSession()) workspace_.resetToUniversal(*front);
    });
  } catch (const std::exception& e) {
    reportError(QString::fromStdString(e.what()));
  }
  refreshAll();
}

void MainWindow::exportReport() {
  const Plate& plate = workspace_.plate();
  const PlateResults& results = workspace_.results();
  const bool anyResults = std::any_of(results.wells.begin(), results.wells.end(),
                                      [](const auto& well) { return well.has_value(); });
  if (!plate.open || !anyResults) {
    reportError(
        QStringLiteral("No well of this plate has results yet: open a well or run \"Go!\" "
                       "first."));
    return;
  }
  // The report page and its heatmaps of the wells' present results, in the
  // results folder beside the other files.
  RunFacts facts;
  facts.started = facts.ended = std::time(nullptr);
  facts.cellLevel = workspace_.cellLevel();
  facts.settings = workspace_.universalSettings();
  const std::string folder = workspace_.resultsFolder();
  std::vector<PlateFileOutcome> written;
  try {
    CreateFolders(folder);
    written = WriteReportFiles(plate, results, facts, folder);
  } catch (const std::exception& e) {
    reportError(QString::fromStdString(e.what()));
    return;
  }
  QStringList problems;
  for (const PlateFileOutcome& file : written) {
    if (!file.error.empty()) problems << QString::fromStdString(file.error);
  }
  if (!problems.isEmpty()) reportError(problems.join(QLatin1Char('\n')));
  if (!written.back().error.empty()) return;
  const QString page = QString::fromStdString(written.back().path);
  if (!dialogs_.openDocument(page)) {
    reportError(QStringLiteral("No browser could open the report '%1'.").arg(page));
  }
}

void MainWindow::openReadme() {
  // Installed with the program, or beside the build in a source tree.
  const QDir program(QCoreApplication::applicationDirPath());
  for (const QString& candidate :
       {program.filePath(QStringLiteral("../share/doc/vembrel/README.md")),
        program.filePath(QStringLiteral("../README.md")),
        program.filePath(QStringLiteral("../../README.md"))}) {
    if (QFile::exists(candidate)) {
      if (!dialogs_.openDocument(QDir::cleanPath(candidate))) {
        reportError(QStringLiteral("No application could open '%1'.").arg(candidate));
      }
      return;
    }
  }
  reportError(QStringLiteral("The README is not installed beside the program."));
}

void MainWindow::showPreferences() {
  QDialog dialog(this);
  dialog.setObjectName(QStringLiteral("preferencesDialog"));
  dialog.setWindowTitle(QStringLiteral("Preferences"));
  auto* form = new QFormLayout(&dialog);
  auto* outline = new QCheckBox(QStringLiteral("Draw the ring as an &outline"), &dialog);
  outline->setObjectName(QStringLiteral("ringOutlineCheck"));
  outline->setChecked(ringOutline_->isChecked());
  form->addRow(outline);
  auto* threads = new QSpinBox(&dialog);
  threads->setObjectName(QStringLiteral("batchThreadsSpin"));
  threads->setRange(1, 64);
  threads->setValue(BatchThreads());
  form->addRow(QStringLiteral("Batch &threads:"), threads);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  form->addRow(buttons);
  if (dialog.exec() != QDialog::Accepted) return;
  ringOutline_->setChecked(outline->isChecked());
  SetBatchThreads(threads->value());
}

}  // namespace vembrel
