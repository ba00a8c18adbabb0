#include "desktop/control_panel.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
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
#include <QTimer>
#include <QVBoxLayout>
#include <filesystem>

#include "desktop/colour_scale.h"
#include "desktop/plate_map.h"
#include "desktop/plate_overview_dialog.h"
#include "desktop/setting_bindings.h"
#include "engine/workspace.h"
#include "plate/well_names.h"
#include "results/batch_run.h"
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

  batchTimer_ = new QTimer(this);
  batchTimer_->setInterval(50);
  connect(batchTimer_, &QTimer::timeout, this, &ControlPanel::batchTick);

  setCellularSettingsShown(false);
  showPlate();
  showUniversalSettings();
}

ControlPanel::~ControlPanel() = default;

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
  for (PlateColouring colouring : kPlateColourings) {
    colouring_->addItem(ColouringCaption(colouring), static_cast<int>(colouring));
  }
  connect(colouring_, &QComboBox::currentIndexChanged, this, [this](int index) {
    plateMap_->setColouring(static_cast<PlateColouring>(colouring_->itemData(index).toInt()));
    showPlate();
  });
  colouringRow->addWidget(colouring_);
  colourScale_ = new ColourScale;
  colouringRow->addWidget(colourScale_, 1);
  column->addLayout(colouringRow);

  auto* form = new QFormLayout;
  path_ = new QLineEdit;
  path_->setObjectName(QStringLiteral("platePath"));
  path_->setReadOnly(true);
  form->addRow(QStringLiteral("Path:"), path_);
  fileName_ = new QLabel;
  fileName_->setObjectName(QStringLiteral("plateFileName"));
  form->addRow(QStringLiteral("Filename:"), fileName_);
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
    button->setChecked(choice.tab == workspace_.startTab());
    group->addButton(button);
    const WellTab tab = choice.tab;
    connect(button, &QRadioButton::toggled, this, [this, tab](bool checked) {
      if (checked) workspace_.setStartTab(tab);
    });
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
  buttons->addWidget(go_);
  buttons->addWidget(overview_);
  buttons->addWidget(progress_);
  buttons->addWidget(ringsNote_);
  buttons->addStretch(1);
  row->addLayout(buttons);
  return box;
}

void ControlPanel::reportError(const QString& message) {
  dialogs_.showError(this, message);
}

void ControlPanel::showPlate() {
  const Plate& plate = workspace_.plate();
  plateMap_->showPlate(plate, workspace_.results());
  const bool colouredByResult = plateMap_->colouring() != PlateColouring::Pictures;
  colourScale_->setVisible(colouredByResult);
  colourScale_->setScale(plateMap_->scale().first, plateMap_->scale().second);
  path_->setText(QString::fromStdString(plate.path));
  fileName_->setText(QString::fromStdString(plate.prefix));
  go_->setEnabled(plate.open && batch_ == nullptr);
  overview_->setEnabled(plate.open);
}

void ControlPanel::showUniversalSettings() {
  const AnalysisSettings& settings = workspace_.universalSettings();
  for (auto& [setting, label] : values_) {
    label->setText(QString::fromStdString(SettingText(settings, setting)));
  }
  for (auto& [setting, flag] : flags_) flag->setChecked(NumericValue(settings, setting) != 0);
}

void ControlPanel::setCellularSettingsShown(bool shown) {
  cellularGroup_->setVisible(shown);
}

void ControlPanel::onWellPressed(int well, Qt::MouseButton button) {
  const MouseButton which = button == Qt::RightButton  ? MouseButton::Right
                            : button == Qt::LeftButton ? MouseButton::Left
                                                       : MouseButton::Middle;
  try {
    workspace_.pressWell(well, which);
  } catch (const std::exception& e) {
    reportError(QString::fromStdString(e.what()));
  }
  showPlate();
  emit wellsChanged();
}

std::array<std::optional<RingPlacement>, kWellCount> ControlPanel::currentRings() {
  std::array<std::optional<RingPlacement>, kWellCount> rings{};
  for (int well = 0; well < kWellCount; ++well) {
    if (const auto& results = workspace_.results().wells[well]) rings[well] = results->ring;
  }
  const std::string folder = workspace_.resultsFolder();
  if (folder.empty()) return rings;
  const std::string path = RingsFileName(folder, workspace_.plate().prefix);
  std::error_code missing;
  if (!std::filesystem::exists(path, missing)) return rings;
  try {
    const RingsFile file = ReadRingsFile(path);
    for (int well = 0; well < kWellCount; ++well) {
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
  if (batch_ != nullptr) return;
  batch_ = std::make_unique<BatchRun>(workspace_);
  try {
    batch_->start();
  } catch (const std::exception& e) {
    batch_.reset();
    reportError(QString::fromStdString(e.what()));
    emit wellsChanged();
    return;
  }
  lastSummaryFile_ = QString::fromStdString(batch_->summaryFile());
  go_->setEnabled(false);
  emit wellsChanged();
  if (batch_->finished()) {
    finishBatch();
    return;
  }
  progress_->setRange(0, batch_->wellsQueued());
  progress_->setValue(0);
  progress_->show();
  batchWell_->setText(QString::fromStdString(WellName(batch_->queue().front())));
  batchWell_->show();
  batchTimer_->start();
}

void ControlPanel::batchTick() {
  if (batch_ == nullptr) {
    batchTimer_->stop();
    return;
  }
  bool running = false;
  try {
    running = batch_->step();
  } catch (const std::exception& e) {
    reportError(QString::fromStdString(e.what()));
  }
  progress_->setValue(batch_->wellsQueued() - static_cast<int>(batch_->queue().size()));
  if (!batch_->queue().empty()) {
    batchWell_->setText(QString::fromStdString(WellName(batch_->queue().front())));
  }
  showPlate();
  if (!running) finishBatch();
}

void ControlPanel::finishBatch() {
  batchTimer_->stop();
  batchWell_->hide();
  progress_->hide();
  std::unique_ptr<BatchRun> batch = std::move(batch_);
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
  // Failed wells are listed once at the end rather than stopping every tick.
  QStringList problems;
  for (const auto* list : {&batch->failures(), &batch->writeFailures()}) {
    for (const BatchFailure& failure : *list) problems << QString::fromStdString(failure.message);
  }
  if (!batch->summaryError().empty()) problems << QString::fromStdString(batch->summaryError());
  if (!problems.isEmpty()) reportError(problems.join(QLatin1Char('\n')));
  if (!batch->workbookError().empty()) {
    reportError(QString::fromStdString(batch->workbookError()));
  } else if (!batch->workbookFile().empty()) {
    const QString workbook = QString::fromStdString(batch->workbookFile());
    if (!dialogs_.openDocument(workbook)) {
      reportError(QStringLiteral("No spreadsheet application could open the workbook '%1'; it is "
                                 "saved there.")
                      .arg(workbook));
    }
  }
  emit batchFinished();
}

}  // namespace vembrel
