#include "desktop/control_panel.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <filesystem>
#include <string>
#include <utility>

#include "core/date_text.h"
#include "desktop/colour_scale.h"
#include "desktop/plate_map.h"
#include "desktop/plate_overview_dialog.h"
#include "desktop/preferences.h"
#include "desktop/setting_bindings.h"
#include "engine/workspace.h"
#include "plate/well_names.h"
#include "results/batch_run.h"
#include "results/report_page.h"
#include "results/rings_file.h"

namespace vembrel {
namespace {

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Where each group of the settings display stands: row, column, columns spanned.
struct GroupPlace {
  std::string_view title;
  const char* name;
  int row, column, span;
};
constexpr GroupPlace kGroupPlaces[] = {
    {"Raw Picture Blue/Green", "rawPictureGroup", 0, 0, 1},
    {"Immigrant Cells", "immigrantCellsGroup", 0, 1, 1},
    {"Green Channel", "greenChannelGroup", 1, 0, 1},
    {kCellularPanelGroup, "cellularGroup", 2, 0, 2},
};

}  // namespace

ControlPanel::ControlPanel(Workspace& workspace, UserDialogs& dialogs, QWidget* parent)
    : QDockWidget(QStringLiteral("Control"), parent), workspace_(workspace), dialogs_(dialogs) {
  setObjectName(QStringLiteral("controlPanel"));
  setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
  setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);

  auto* content = new QWidget;
  auto* column = new QVBoxLayout(content);
  column->setContentsMargins(5, 5, 5, 5);
  column->addWidget(buildMapAndPlate());
  column->addWidget(buildSettingsDisplay());
  column->addStretch(1);
  // On a small screen the panel scrolls rather than pushing the wells aside.
  auto* scroller = new QScrollArea;
  scroller->setFrameShape(QFrame::NoFrame);
  scroller->setWidgetResizable(true);
  scroller->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scroller->setWidget(content);
  scroller->setMinimumWidth(content->sizeHint().width() + 16);
  setWidget(scroller);

  setCellularSettingsShown(false);
  showPlate();
  showUniversalSettings();
}

ControlPanel::~ControlPanel() {
  // The workers read only the batch's own copies; they stop before it goes.
  cancelRequested_ = true;
  if (worker_.joinable()) worker_.join();
  stopCourse();
}

QWidget* ControlPanel::buildMapAndPlate() {
  auto* box = new QWidget;
  auto* column = new QVBoxLayout(box);
  column->setContentsMargins(0, 0, 0, 0);
  plateMap_ = new PlateMap;
  connect(plateMap_, &PlateMap::wellPressed, this, &ControlPanel::onWellPressed);
  column->addWidget(plateMap_);

  auto* colouringRow = new QHBoxLayout;
  colouringRow->addWidget(new QLabel(QStringLiteral("Colour wells by:")));
  colouring_ = new QComboBox;
  colouring_->setObjectName(QStringLiteral("plateColouring"));
  const std::vector<PlateColouring> colourings = PlateColourings();
  for (std::size_t k = 0; k < colourings.size(); ++k) {
    colouring_->addItem(ColouringCaption(colourings[k]), static_cast<int>(k));
  }
  connect(colouring_, &QComboBox::currentIndexChanged, this, &ControlPanel::colourBy);
  colouringRow->addWidget(colouring_);
  colourScale_ = new ColourScale;
  colouringRow->addWidget(colourScale_, 1);
  courseProgress_ = new QProgressBar;
  courseProgress_->setObjectName(QStringLiteral("courseProgress"));
  courseProgress_->setToolTip(QStringLiteral("Following the wells over the time points"));
  courseProgress_->setMaximumWidth(100);
  courseProgress_->hide();
  colouringRow->addWidget(courseProgress_);
  column->addLayout(colouringRow);
  mapLegend_ = new QLabel;
  mapLegend_->setObjectName(QStringLiteral("plateMapLegend"));
  mapLegend_->setWordWrap(true);
  mapLegend_->setTextFormat(Qt::RichText);
  mapLegend_->hide();
  column->addWidget(mapLegend_);

  auto* form = new QFormLayout;
  path_ = new QLineEdit;
  path_->setObjectName(QStringLiteral("platePath"));
  path_->setReadOnly(true);
  form->addRow(QStringLiteral("Path:"), path_);
  fileName_ = new QLabel;
  fileName_->setObjectName(QStringLiteral("plateFileName"));
  form->addRow(QStringLiteral("Filename:"), fileName_);
  measured_ = new QLabel;
  measured_->setObjectName(QStringLiteral("plateMeasured"));
  form->addRow(QStringLiteral("Measured:"), measured_);
  column->addLayout(form);
  return box;
}

QWidget* ControlPanel::buildSettingsDisplay() {
  auto* box = new QWidget;
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(0, 0, 0, 0);
  std::map<std::string_view, QGridLayout*> groups;
  for (const GroupPlace& place : kGroupPlaces) {
    auto* group = new QGroupBox(Text(place.title));
    group->setObjectName(QString::fromLatin1(place.name));
    auto* rows = new QGridLayout(group);
    rows->setVerticalSpacing(2);
    rows->setColumnStretch(1, 1);
    groups[place.title] = rows;
    grid->addWidget(group, place.row, place.column, 1, place.span);
    if (place.title == kCellularPanelGroup) cellularGroup_ = group;
  }
  for (const PanelRow& row : PanelRows()) {
    QGridLayout* rows = groups.at(row.group);
    QWidget* group = rows->parentWidget();
    if (IsFlag(row.setting)) {
      // A flag: the caption with a check mark after it, shown but not to be clicked.
      auto* flag = new QCheckBox(Text(row.caption), group);
      flag->setObjectName(Text(row.name));
      flag->setLayoutDirection(Qt::RightToLeft);
      flag->setAttribute(Qt::WA_TransparentForMouseEvents);
      flag->setFocusPolicy(Qt::NoFocus);
      rows->addWidget(flag, row.row, 0, 1, 2, Qt::AlignLeft);
      flags_[row.setting] = flag;
      continue;
    }
    rows->addWidget(new QLabel(Text(row.caption), group), row.row, 0);
    auto* value = new QLabel(group);
    value->setObjectName(Text(row.name));
    value->setMinimumWidth(50);
    rows->addWidget(value, row.row, 1);
    values_[row.setting] = value;
  }

  // The well the batch is analysing, large, under the ring size.
  QGridLayout* green = groups.at("Green Channel");
  batchWell_ = new QLabel;
  batchWell_->setObjectName(QStringLiteral("batchWellLabel"));
  QFont font = batchWell_->font();
  font.setPointSize(28);
  font.setBold(true);
  batchWell_->setFont(font);
  batchWell_->hide();
  green->addWidget(batchWell_, green->rowCount(), 0, 1, 2);
  green->setRowStretch(green->rowCount(), 1);
  grid->addWidget(buildBatchRow(), 1, 1);
  return box;
}

QWidget* ControlPanel::buildBatchRow() {
  auto* box = new QWidget;
  auto* row = new QHBoxLayout(box);
  row->setContentsMargins(0, 0, 0, 0);
  auto* frame = new QGroupBox(QStringLiteral("AllWells"));
  frame->setObjectName(QStringLiteral("startTabGroup"));
  auto* choices = new QGridLayout(frame);
  auto* group = new QButtonGroup(this);
  const struct {
    const char* caption;
    WellTab tab;
  } tabs[] = {{"BG", WellTab::TwoChannels},
              {"B", WellTab::BlueChannel},
              {"G", WellTab::GreenChannel},
              {"Im", WellTab::ImmigrantCells},
              {"Ce", WellTab::Cells}};
  int index = 0;
  for (const auto& choice : tabs) {
    auto* button = new QRadioButton(QString::fromLatin1(choice.caption), frame);
    button->setObjectName(QStringLiteral("startTab") + QString::fromLatin1(choice.caption));
    button->setChecked(choice.tab == startTab_);
    group->addButton(button);
    const WellTab tab = choice.tab;
    connect(button, &QRadioButton::toggled, this, [this, tab](bool checked) {
      if (!checked || startTab_ == tab) return;
      const WellTab before = startTab_;
      setStartTab(tab);
      emit startTabChosen(before, tab);
    });
    startTabs_[tab] = button;
    choices->addWidget(button, index % 3, index / 3);
    ++index;
  }
  row->addWidget(frame);

  auto* buttons = new QVBoxLayout;
  go_ = new QPushButton(QStringLiteral("Go!"));
  go_->setObjectName(QStringLiteral("goButton"));
  connect(go_, &QPushButton::clicked, this, &ControlPanel::startBatch);
  overview_ = new QPushButton(QStringLiteral("Overview"));
  overview_->setObjectName(QStringLiteral("overviewButton"));
  connect(overview_, &QPushButton::clicked, this, &ControlPanel::openOverview);
  progress_ = new QProgressBar;
  progress_->setObjectName(QStringLiteral("batchProgress"));
  progress_->setTextVisible(true);
  progress_->setMaximumWidth(100);
  progress_->hide();
  ringsNote_ = new QLabel;
  ringsNote_->setObjectName(QStringLiteral("ringsNoteLabel"));
  ringsNote_->setWordWrap(true);
  ringsNote_->setMaximumWidth(100);
  ringsNote_->hide();
  cancel_ = new QPushButton(QStringLiteral("&Cancel"));
  cancel_->setObjectName(QStringLiteral("cancelBatchButton"));
  cancel_->hide();
  connect(cancel_, &QPushButton::clicked, this, [this] { cancelBatch(); });
  perWellCutoffs_ = new QCheckBox(QStringLiteral("Cut-offs per well"));
  perWellCutoffs_->setObjectName(QStringLiteral("perWellCutoffsCheck"));
  perWellCutoffs_->setToolTip(
      QStringLiteral("Go! chooses each well's nucleus cut-offs from its own pictures, as Suggest "
                     "Settings chooses them, instead of the universal settings' for every well"));
  buttons->addWidget(go_);
  buttons->addWidget(perWellCutoffs_);
  buttons->addWidget(overview_);
  buttons->addWidget(progress_);
  buttons->addWidget(cancel_);
  buttons->addWidget(ringsNote_);
  buttons->addStretch(1);
  row->addLayout(buttons);
  return box;
}

void ControlPanel::reportError(const QString& message) {
  dialogs_.showError(this, message);
}

void ControlPanel::setWellMap(std::shared_ptr<const MappedPlate> map) {
  plateMap_->setWellMap(std::move(map));
  // A map just opened is shown at once, by condition.
  colouring_->setCurrentText(ColouringCaption({PlateColouring::Condition}));
  showPlate();
}

void ControlPanel::colourBy(int index) {
  const PlateColouring chosen =
      PlateColourings(!timeSeries_.empty()).at(colouring_->itemData(index).toUInt());
  if (chosen.kind == PlateColouring::Kinetic &&
      (course_ == nullptr || plateMap_->colouring().kind != PlateColouring::Kinetic)) {
    // Followed afresh, off this thread: a large plate of many time points
    // takes a while, and the window stays usable meanwhile.
    if (!courseRunning()) followWellsOverTime();
    return;
  }
  plateMap_->setColouring(chosen);
  showPlate();
}

void ControlPanel::followWellsOverTime() {
  TimeCourseOptions options;
  options.settings = workspace_.universalSettings();
  options.jobs = BatchThreads();
  options.cancel = &courseCancelled_;
  const Plate& plate = workspace_.plate();
  for (int well = 0; well < plate.format.wellCount(); ++well) {
    if (plate.wells[well].state != 1) continue;
    options.wells.push_back(well);
    if (!workspace_.reviewedRing) continue;
    if (const auto reviewed = workspace_.reviewedRing(well)) options.firstRings[well] = *reviewed;
  }
  const int generation = ++courseGeneration_;
  options.progress = [this, generation](int done, int total) {
    QMetaObject::invokeMethod(
        this,
        [this, generation, done, total] {
          if (generation != courseGeneration_) return;
          courseProgress_->setRange(0, total);
          courseProgress_->setValue(done);
        },
        Qt::QueuedConnection);
  };
  courseCancelled_ = false;
  courseProgress_->setRange(0, 0);
  courseProgress_->show();
  courseWorker_ =
      std::thread([this, series = timeSeries_, options = std::move(options), generation] {
        try {
          courseOutcome_ = RunTimeCourse(series, options);
        } catch (const std::exception& e) {
          courseError_ = e.what();
        }
        QMetaObject::invokeMethod(
            this,
            [this, generation] {
              if (generation == courseGeneration_) completeCourse();
            },
            Qt::QueuedConnection);
      });
}

void ControlPanel::completeCourse() {
  if (!courseWorker_.joinable()) return;
  courseWorker_.join();
  courseProgress_->hide();
  course_.reset();
  if (courseOutcome_) course_ = std::make_shared<const TimeCourse>(std::move(*courseOutcome_));
  courseOutcome_.reset();
  const std::string error = std::exchange(courseError_, {});
  plateMap_->setTimeCourse(course_);
  const PlateColouring current =
      PlateColourings(!timeSeries_.empty()).at(colouring_->currentData().toUInt());
  if (current.kind == PlateColouring::Kinetic) {
    plateMap_->setColouring(current);
    showPlate();
  }
  if (!error.empty()) reportError(QString::fromStdString(error));
}

void ControlPanel::stopCourse() {
  if (!courseWorker_.joinable()) return;
  courseCancelled_ = true;
  courseWorker_.join();
  ++courseGeneration_;
  courseOutcome_.reset();
  courseError_.clear();
  courseProgress_->hide();
}

void ControlPanel::setTimeSeries(std::vector<TimePointPlate> series) {
  stopCourse();
  timeSeries_ = std::move(series);
  course_.reset();
  plateMap_->setTimeCourse(nullptr);
  // The kinetics are offered only for a plate of several time points.
  const QSignalBlocker block(colouring_);
  const QString current = colouring_->currentText();
  colouring_->clear();
  const std::vector<PlateColouring> colourings = PlateColourings(!timeSeries_.empty());
  for (std::size_t k = 0; k < colourings.size(); ++k) {
    colouring_->addItem(ColouringCaption(colourings[k]), static_cast<int>(k));
  }
  const int kept = colouring_->findText(current);
  colouring_->setCurrentIndex(std::max(kept, 0));
  if (kept < 0 || plateMap_->colouring().kind == PlateColouring::Kinetic) {
    colouring_->setCurrentIndex(0);
    plateMap_->setColouring({});
  }
}

void ControlPanel::showPlate() {
  const Plate& plate = workspace_.plate();
  plateMap_->showPlate(plate, workspace_.results());
  QString legend;
  for (const auto& [name, colour] : plateMap_->legend()) {
    legend +=
        QStringLiteral("<span style=\"color:%1\">&#9679;</span>&nbsp;%2 &nbsp; ")
            .arg(colour.name(), name.toHtmlEscaped().replace(QChar(' '), QStringLiteral("&nbsp;")));
  }
  mapLegend_->setText(legend);
  mapLegend_->setVisible(!legend.isEmpty());
  const bool colouredByResult = plateMap_->colouring().kind == PlateColouring::Measure ||
                                plateMap_->colouring().kind == PlateColouring::Kinetic;
  colourScale_->setVisible(colouredByResult);
  colourScale_->setScale(plateMap_->scale().first, plateMap_->scale().second);
  path_->setText(QString::fromStdString(plate.path));
  fileName_->setText(QString::fromStdString(plate.prefix));
  measured_->setText(plate.open && plate.measurementDate > 0
                         ? QString::fromStdString(IsoDateText(plate.measurementDate))
                         : QString());
  go_->setEnabled(plate.open && batch_ == nullptr);
  // The batch reads the plate: it stays as it is until the batch ends.
  plateMap_->setEnabled(batch_ == nullptr);
  overview_->setEnabled(plate.open);
}

void ControlPanel::showUniversalSettings() {
  const AnalysisSettings& settings = workspace_.universalSettings();
  for (auto& [setting, label] : values_) {
    label->setText(QString::fromStdString(SettingText(settings, setting)));
  }
  for (auto& [setting, flag] : flags_) flag->setChecked(NumericValue(settings, setting) != 0);
}

void ControlPanel::setStartTab(WellTab tab) {
  startTab_ = tab;
  workspace_.setCellLevel(tab == WellTab::Cells);
  QAbstractButton* button = startTabs_.at(tab);
  const QSignalBlocker block(button);
  button->setChecked(true);
}

void ControlPanel::setCellularSettingsShown(bool shown) {
  cellularGroup_->setVisible(shown);
}

void ControlPanel::onWellPressed(int well, Qt::MouseButton button) {
  const int stateBefore = well >= 0 && well < workspace_.plate().format.wellCount()
                              ? workspace_.plate().wells[well].state
                              : 0;
  try {
    // The left button opens a well, the right one excludes or includes it.
    if (button == Qt::LeftButton) {
      workspace_.chooseWell(well);
    } else if (button == Qt::RightButton) {
      workspace_.toggleExclusion(well);
      if (workspace_.plate().wells[well].state != stateBefore) emit exclusionToggled(well);
    }
  } catch (const std::exception& e) {
    reportError(QString::fromStdString(e.what()));
  }
  showPlate();
  emit wellsChanged();
}

std::vector<std::optional<Ring>> ControlPanel::currentRings() {
  const PlateFormat& format = workspace_.plate().format;
  std::vector<std::optional<Ring>> rings(static_cast<std::size_t>(format.wellCount()));
  for (int well = 0; well < format.wellCount(); ++well) {
    if (const auto& results = workspace_.results().wells[well]) rings[well] = results->ring;
  }
  const std::string folder = workspace_.resultsFolder();
  if (folder.empty()) return rings;
  const std::string path = RingsFileName(folder, workspace_.plate().prefix);
  std::error_code missing;
  if (!std::filesystem::exists(path, missing)) return rings;
  try {
    const RingsFile file = ReadRingsFile(path, format);
    for (int well = 0; well < format.wellCount(); ++well) {
      if (const auto reviewed = file.reviewed(well)) rings[well] = reviewed;
    }
  } catch (const std::exception& e) {
    reportError(QString::fromStdString(e.what()));
  }
  return rings;
}

QString ControlPanel::ringsNote() const {
  return ringsNote_->text();
}

void ControlPanel::openOverview() {
  int chosen = -1;
  try {
    PlateOverviewDialog overview(workspace_.plate(), workspace_.universalSettings().ring.radius,
                                 this);
    overview.setCurrentRings(currentRings());
    if (overview.exec() == QDialog::Accepted) chosen = overview.chosenWell();
  } catch (const std::exception& e) {
    reportError(QString::fromStdString(e.what()));
  }
  if (chosen >= 0) onWellPressed(chosen, Qt::LeftButton);
}

void ControlPanel::closeEvent(QCloseEvent* event) {
  // The panel is part of the main window: it floats or docks but stays.
  event->ignore();
}

// ---- the batch ---------------------------------------------------------------

void ControlPanel::startBatch() {
  if (batch_ != nullptr || !workspace_.plate().open) return;
  const QString folder =
      dialogs_.chooseResultsFolder(this, QString::fromStdString(workspace_.resultsFolder()));
  if (folder.isEmpty()) return;
  workspace_.setResultsFolder(folder.toStdString());
  emit resultsFolderChosen();
  batch_ = std::make_unique<BatchRun>(workspace_.plate(), workspace_.universalSettings(),
                                      workspace_.resultsFolder());
  batch_->setCellLevel(workspace_.cellLevel());
  // Its wells' windows measure the zone's coverage: so does the batch.
  batch_->setZoneCoverage(!timeSeries_.empty());
  batch_->setCutoffs(perWellCutoffs_->isChecked() ? CutoffMode::Well : CutoffMode::Plate);
  // Open wells analysed with settings of their own keep their results.
  std::vector<int> openWells;
  for (const auto& session : workspace_.sessions()) openWells.push_back(session->well());
  batch_->setOpenWells(std::move(openWells), workspace_.results());
  // From the worker threads, one call at a time: shown on this thread.
  batch_->setProgress([this](const BatchProgress& progress) {
    QMetaObject::invokeMethod(
        this, [this, done = progress.done, well = progress.well] { onBatchProgress(done, well); },
        Qt::QueuedConnection);
  });
  try {
    batch_->start();
  } catch (const std::exception& e) {
    batch_.reset();
    reportError(QString::fromStdString(e.what()));
    emit wellsChanged();
    return;
  }
  workspace_.closeAll();
  lastSummaryFile_ = QString::fromStdString(batch_->summaryFile());
  emit wellsChanged();
  if (batch_->finished()) {
    finishBatch();
    return;
  }
  go_->setEnabled(false);
  plateMap_->setEnabled(false);
  progress_->setRange(0, batch_->wellsQueued());
  progress_->setValue(0);
  progress_->show();
  cancel_->setEnabled(true);
  cancel_->show();
  batchWell_->setText(
      QString::fromStdString(WellName(batch_->queue().front(), workspace_.plate().format)));
  batchWell_->show();
  cancelRequested_ = false;
  worker_ = std::thread([this, batch = batch_.get(), jobs = BatchThreads()] {
    outcomes_ = batch->analyseQueued(jobs, &cancelRequested_);
    QMetaObject::invokeMethod(this, &ControlPanel::completeBatch, Qt::QueuedConnection);
  });
}

void ControlPanel::onBatchProgress(int done, int well) {
  if (batch_ == nullptr) return;
  progress_->setValue(done);
  batchWell_->setText(QString::fromStdString(WellName(well, workspace_.plate().format)));
}

void ControlPanel::cancelBatch(bool wait) {
  if (batch_ == nullptr) return;
  cancelRequested_ = true;
  cancel_->setEnabled(false);
  if (wait) completeBatch();
}

void ControlPanel::completeBatch() {
  if (batch_ == nullptr || !worker_.joinable()) return;
  worker_.join();
  try {
    batch_->complete(std::move(outcomes_));
  } catch (const std::exception& e) {
    reportError(QString::fromStdString(e.what()));
  }
  outcomes_.clear();
  finishBatch();
}

void ControlPanel::finishBatch() {
  batchWell_->hide();
  progress_->hide();
  cancel_->hide();
  std::unique_ptr<BatchRun> batch = std::move(batch_);
  // The plate's results are the batch's; the well analysed last gives the universal settings.
  workspace_.results() = batch->results();
  if (batch->lastSettings()) workspace_.setUniversalSettings(*batch->lastSettings());
  showPlate();
  // Said once: how many wells were analysed at their reviewed ring.
  const int reviewed = batch->reviewedRingsUsed();
  ringsNote_->setText(
      reviewed == 0
          ? QString()
          : QStringLiteral("%1 reviewed ring%2 used").arg(reviewed).arg(reviewed == 1 ? "" : "s"));
  ringsNote_->setToolTip(
      reviewed == 0 || !batch->rings() ? QString() : QString::fromStdString(batch->rings()->path));
  ringsNote_->setVisible(reviewed > 0);
  // What did not work is listed once at the end, as the command line says it.
  QStringList problems;
  for (const std::string& problem : batch->problems()) problems << QString::fromStdString(problem);
  if (!problems.isEmpty()) reportError(problems.join(QLatin1Char('\n')));

  int flagged = 0;
  for (const auto& well : workspace_.results().wells) {
    if (well && !well->quality.empty()) ++flagged;
  }
  QString summary = batch->cancelled() ? QStringLiteral("The batch was cancelled.\n\n")
                                       : QStringLiteral("The batch has finished.\n\n");
  summary += QStringLiteral("Wells analysed: %1\nWells failed: %2\nWells flagged: %3")
                 .arg(batch->wellsAnalysed() + batch->wellsReused())
                 .arg(batch->failures().size())
                 .arg(flagged);
  if (batch->fieldsLeftBlack() > 0) {
    summary += QStringLiteral("\nFields left black: %1 in %2 wells")
                   .arg(batch->fieldsLeftBlack())
                   .arg(batch->wellsWithFieldsLeftBlack());
  }
  const std::string folder = workspace_.resultsFolder();
  const QString report =
      QString::fromStdString(ReportPageFileName(folder, workspace_.plate().prefix));
  const bool reportWritten =
      !batch->cancelled() && batch->summaryError().empty() && QFileInfo::exists(report);
  summary += QStringLiteral("\n\nResults folder: %1").arg(QString::fromStdString(folder));
  const QString workbook = QString::fromStdString(batch->workbookFile());
  emit batchFinished();
  const BatchEndChoice choice =
      dialogs_.showBatchSummary(this, summary, reportWritten, !workbook.isEmpty());
  const QString chosen = choice == BatchEndChoice::OpenReport     ? report
                         : choice == BatchEndChoice::OpenWorkbook ? workbook
                                                                  : QString();
  if (!chosen.isEmpty() && !dialogs_.openDocument(chosen)) {
    reportError(QStringLiteral("No application could open '%1'; it is saved there.").arg(chosen));
  }
}

}  // namespace vembrel
