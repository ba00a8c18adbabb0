#include "desktop/cont_form.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "desktop/plate_map.h"
#include "core/convert.h"
#include "core/error.h"
#include "engine/workspace.h"
#include "desktop/overview.h"
#include "results/batch_run.h"

namespace vembrel {
namespace {

constexpr int kPanelWidth = 499;
constexpr int kPanelHeight = 669;
// Difference between the window height the panel is given in and its client height.
constexpr int kTitleHeight = 25;
constexpr int kRowHeight = 20;

QGroupBox* MakeGroup(QWidget* parent, const QString& title, const char* name, QRect geometry) {
  auto* group = new QGroupBox(title, parent);
  group->setObjectName(QString::fromLatin1(name));
  group->setGeometry(geometry);
  return group;
}

}  // namespace

TContForm::TContForm(Workspace& workspace, UserDialogs& dialogs, QWidget* mainFrame)
    : QWidget(mainFrame,
              Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      workspace_(workspace),
      dialogs_(dialogs) {
  setObjectName(QStringLiteral("ContForm"));
  setWindowTitle(QStringLiteral("Control"));
  setFixedSize(kPanelWidth, kPanelHeight);

  plateMap_ = new PlateMap(this);
  plateMap_->move(5, 7);
  connect(plateMap_, &PlateMap::wellPressed, this, &TContForm::onWellPressed);

  auto* pathCaption = new QLabel(QStringLiteral("Path:"), this);
  pathCaption->setGeometry(8, 344, 60, kRowHeight);
  path_ = new QLineEdit(this);
  path_->setObjectName(QStringLiteral("Path"));
  path_->setReadOnly(true);
  path_->setGeometry(75, 342, 419, 22);
  auto* fileNameCaption = new QLabel(QStringLiteral("Filename:"), this);
  fileNameCaption->setGeometry(8, 370, 65, kRowHeight);
  fileName_ = new QLabel(this);
  fileName_->setObjectName(QStringLiteral("Filename"));
  fileName_->setGeometry(75, 370, 419, kRowHeight);

  buildSettingsDisplay();
  buildStartTabChoice();

  go_ = new QPushButton(QStringLiteral("Go!"), this);
  go_->setObjectName(QStringLiteral("Go"));
  go_->setGeometry(410, 556, 84, 30);
  go_->setEnabled(false);
  connect(go_, &QPushButton::clicked, this, &TContForm::startBatch);
  overview_ = new QPushButton(QStringLiteral("Overview"), this);
  overview_->setObjectName(QStringLiteral("Overview"));
  overview_->setGeometry(410, 596, 84, 30);
  overview_->setEnabled(false);
  connect(overview_, &QPushButton::clicked, this, &TContForm::openOverview);

  progress_ = new QProgressBar(this);
  progress_->setObjectName(QStringLiteral("BatchProgress"));
  progress_->setGeometry(410, 636, 84, 20);
  progress_->setTextVisible(true);
  progress_->hide();

  batchTimer_ = new QTimer(this);
  batchTimer_->setInterval(50);
  connect(batchTimer_, &QTimer::timeout, this, &TContForm::batchTick);

  placeTimer_ = new QTimer(this);
  placeTimer_->setSingleShot(true);
  placeTimer_->setInterval(500);
  connect(placeTimer_, &QTimer::timeout, this, &TContForm::placeBesideMainFrame);

  showPlate();
  showCentralValues();
}

TContForm::~TContForm() = default;

void TContForm::reportError(const QString& message) {
  dialogs_.showError(this, message);
}

QLabel* TContForm::addValueRow(QWidget* group, int row, const QString& caption, const char* name) {
  auto* label = new QLabel(caption, group);
  label->setGeometry(10, 20 + row * kRowHeight, 120, kRowHeight);
  auto* value = new QLabel(group);
  value->setObjectName(QString::fromLatin1(name));
  value->setGeometry(135, 20 + row * kRowHeight, group->width() - 145, kRowHeight);
  return value;
}

void TContForm::addValueRows(QWidget* group,
                             std::initializer_list<std::pair<const char*, const char*>> rows) {
  int row = 0;
  for (const auto& [caption, name] : rows)
    addValueRow(group, row++, QString::fromLatin1(caption), name);
}

QCheckBox* TContForm::addCheckRow(QWidget* group, int row, const QString& caption,
                                  const char* name) {
  auto* box = new QCheckBox(caption, group);
  box->setObjectName(QString::fromLatin1(name));
  box->setLayoutDirection(Qt::RightToLeft);  // caption first, mark after it
  box->setGeometry(10, 20 + row * kRowHeight, 150, kRowHeight);
  // The panel only displays the values: clicks must not change them.
  box->setAttribute(Qt::WA_TransparentForMouseEvents);
  box->setFocusPolicy(Qt::NoFocus);
  return box;
}

void TContForm::buildSettingsDisplay() {
  auto* picture = MakeGroup(this, QStringLiteral("Raw Picture Blue/Green"), "RawPictureGroup",
                            QRect(5, 396, 240, 150));
  addValueRows(picture, {{"Cutoff green:", "Cent_COG"},
                         {"Cutoff blue:", "Cent_COB"},
                         {"Satur. blue:", "Cent_SB"},
                         {"Satur. green:", "Cent_SG"}});
  addCheckRow(picture, 4, QStringLiteral("Full range green:"), "Cent_KFRG");
  addCheckRow(picture, 5, QStringLiteral("Full range blue:"), "Cent_KFRb");

  auto* immigrant = MakeGroup(this, QStringLiteral("Immigrant Cells"), "ImmigrantCellsGroup",
                              QRect(250, 396, 244, 150));
  addValueRows(immigrant, {{"Cutoff green:", "Cent_LCG"},
                           {"Cutoff blue:", "Cent_LCB"},
                           {"Minimal Size:", "Cent_MINS"},
                           {"Maximal Size:", "Cent_MAXS"},
                           {"Delta Rings:", "Cent_RISI"}});

  auto* green = MakeGroup(this, QStringLiteral("Green Channel"), "GreenChannelGroup",
                          QRect(5, 550, 240, 112));
  addValueRow(green, 0, QStringLiteral("Ring size:"), "Cent_diam");
  largeWellLabel_ = new QLabel(green);
  largeWellLabel_->setObjectName(QStringLiteral("LargeWellLabel"));
  QFont font = largeWellLabel_->font();
  font.setPointSize(32);
  font.setBold(true);
  largeWellLabel_->setFont(font);
  largeWellLabel_->setGeometry(10, 44, 220, 62);
  largeWellLabel_->hide();

  auto* cells = MakeGroup(this, QStringLiteral("Universal cellular settings"),
                          "UniversalCellularGroup", QRect(5, 672, 489, 140));
  addValueRows(cells, {{"Cutoff green:", "Cent_Cell_GCO"},
                       {"Minimal Size:", "Cent_Cell_Min"},
                       {"Maximal Size:", "Cent_Cell_Max"},
                       {"Length - ratio:", "Cent_Cell_Ratio"},
                       {"Roughness coeff:", "Cent_Cell_Coeff"}});
}

void TContForm::buildStartTabChoice() {
  auto* frame = MakeGroup(this, QStringLiteral("AllWells"), "AllWells", QRect(250, 550, 150, 112));
  auto* group = new QButtonGroup(this);
  const struct {
    const char* caption;
    StartTab tab;
  } choices[] = {{"BG", StartTab::BG},
                 {"B", StartTab::B},
                 {"G", StartTab::G},
                 {"Im", StartTab::Im},
                 {"Ce", StartTab::Ce}};
  int row = 0;
  for (const auto& choice : choices) {
    auto* button = new QRadioButton(QString::fromLatin1(choice.caption), frame);
    button->setObjectName(QStringLiteral("StartTab") + QString::fromLatin1(choice.caption));
    button->setGeometry(10 + (row / 3) * 65, 22 + (row % 3) * 28, 60, kRowHeight);
    button->setChecked(choice.tab == workspace_.state().startTab);
    group->addButton(button);
    const StartTab tab = choice.tab;
    connect(button, &QRadioButton::toggled, this, [this, tab](bool checked) {
      if (checked) workspace_.state().startTab = tab;
    });
    ++row;
  }
}

void TContForm::showPlate() {
  const Plate& plate = workspace_.plate();
  plateMap_->showPlate(plate);
  path_->setText(QString::fromStdString(plate.path));
  fileName_->setText(QString::fromStdString(plate.prefix));
  go_->setEnabled(plate.open && batch_ == nullptr);
  overview_->setEnabled(plate.open);
}

void TContForm::showCentralValues() {
  const AnalysisSettings& c = workspace_.state().central;
  const auto setValue = [this](const char* name, const QString& text) {
    if (auto* label = findChild<QLabel*>(QString::fromLatin1(name))) label->setText(text);
  };
  const auto setInt = [&](const char* name, std::int32_t value) {
    setValue(name, QString::number(value));
  };
  setInt("Cent_COG", c.display.green.cutoff);
  setInt("Cent_COB", c.display.blue.cutoff);
  setInt("Cent_SB", c.display.blue.saturation);
  setInt("Cent_SG", c.display.green.saturation);
  setInt("Cent_diam", c.ring.radius);
  setInt("Cent_LCG", c.nuclei.greenCutoff);
  setInt("Cent_LCB", c.nuclei.blueCutoff);
  setInt("Cent_MINS", c.nuclei.minimalSize);
  setInt("Cent_MAXS", c.nuclei.maximalSize);
  setInt("Cent_RISI", c.ring.increment);
  setInt("Cent_Cell_GCO", c.cells.greenCutoff);
  setInt("Cent_Cell_Min", c.cells.minimalSize);
  setInt("Cent_Cell_Max", c.cells.maximalSize);
  setValue("Cent_Cell_Ratio", QString::fromStdString(FloatToText(c.cells.lengthRatio)));
  setValue("Cent_Cell_Coeff", QString::fromStdString(FloatToText(c.cells.smoothness)));
  findChild<QCheckBox*>(QStringLiteral("Cent_KFRG"))->setChecked(c.display.green.fullRange);
  findChild<QCheckBox*>(QStringLiteral("Cent_KFRb"))->setChecked(c.display.blue.fullRange);
}

void TContForm::setWindowHeight(int windowHeight) {
  setFixedSize(kPanelWidth, windowHeight - kTitleHeight);
}

void TContForm::onWellPressed(int well, Qt::MouseButton button) {
  const MouseButton which = button == Qt::RightButton  ? MouseButton::Right
                            : button == Qt::LeftButton ? MouseButton::Left
                                                       : MouseButton::Middle;
  try {
    workspace_.selectphoto(well, which);
  } catch (const std::exception& e) {
    reportError(QString::fromStdString(e.what()));
  }
  largeWellLabel_->setText(QString::fromStdString(workspace_.state().largeWellLabel));
  showPlate();
  emit workspaceChanged();
}

void TContForm::openOverview() {
  try {
    TOverview overview(workspace_.plate(), workspace_.state().central.ring.radius, this);
    overview.exec();
  } catch (const std::exception& e) {
    reportError(QString::fromStdString(e.what()));
  }
}

// ---- the batch ---------------------------------------------------------------

void TContForm::startBatch() {
  if (batch_ != nullptr) return;
  batch_ = std::make_unique<BatchRun>(workspace_);
  batch_->setProgress([this](int done, int total) {
    progress_->setRange(0, total);
    progress_->setValue(done);
  });
  try {
    batch_->start();
  } catch (const std::exception& e) {
    batch_.reset();
    reportError(QString::fromStdString(e.what()));
    emit workspaceChanged();
    return;
  }
  lastSummaryFile_ = QString::fromStdString(batch_->summaryFile());
  go_->setEnabled(false);
  emit workspaceChanged();
  if (batch_->finished()) {
    finishBatch();
    return;
  }
  progress_->setRange(0, batch_->wellsQueued());
  progress_->setValue(0);
  progress_->show();
  largeWellLabel_->show();
  batchTimer_->start();
}

void TContForm::batchTick() {
  if (batch_ == nullptr) {
    batchTimer_->stop();
    return;
  }
  bool running = false;
  try {
    running = batch_->step();
  } catch (const std::exception& e) {
    // The summary file could not be finished: the batch ends here.
    reportError(QString::fromStdString(e.what()));
  }
  largeWellLabel_->setText(QString::fromStdString(workspace_.state().largeWellLabel));
  showPlate();
  emit workspaceChanged();
  if (!running) finishBatch();
}

void TContForm::finishBatch() {
  batchTimer_->stop();
  largeWellLabel_->hide();
  progress_->hide();
  std::unique_ptr<BatchRun> batch = std::move(batch_);
  showPlate();
  // Failed wells are listed once at the end rather than stopping every tick.
  QStringList failures;
  for (const BatchFailure& failure : batch->failures()) {
    failures << QString::fromStdString(failure.message);
  }
  if (!failures.isEmpty()) reportError(failures.join(QLatin1Char('\n')));
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

void TContForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!placed_) placeTimer_->start();
}

void TContForm::placeBesideMainFrame() {
  placed_ = true;
  const QWidget* frame = parentWidget();
  if (frame == nullptr) return;
  const QRect mainGeometry = frame->frameGeometry();
  move(mainGeometry.x() + mainGeometry.width() - frameGeometry().width() - 35,
       mainGeometry.y() + 75);
}

void TContForm::closeEvent(QCloseEvent* event) {
  if (closeAllowed_) {
    event->accept();
  } else {
    event->ignore();
  }
}

}  // namespace vembrel
