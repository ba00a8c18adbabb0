// Building the well window's five tabs: a picture on the left of each and
// the panel of its controls on the right.
#include <algorithm>

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/error.h"
#include "desktop/picture_view.h"
#include "desktop/results_group.h"
#include "desktop/setting_bindings.h"
#include "desktop/step_buttons.h"
#include "desktop/well_window_widget.h"

namespace vembrel {
namespace {

constexpr int kPanelWidth = 280;
constexpr int kGalleryWidth = 260;

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QVBoxLayout* WellWindowWidget::addTab(const QString& caption, const char* name, QWidget* picture) {
  auto* page = new QWidget;
  page->setObjectName(QString::fromLatin1(name));
  auto* row = new QHBoxLayout(page);
  row->setContentsMargins(2, 2, 2, 2);
  if (picture != nullptr) row->addWidget(picture, 1);
  // The panel scrolls when the window is lower than its content.
  auto* scroller = new QScrollArea(page);
  scroller->setObjectName(QString::fromLatin1(name) + QStringLiteral("Panel"));
  scroller->setFrameShape(QFrame::NoFrame);
  scroller->setWidgetResizable(true);
  scroller->setFixedWidth(kPanelWidth);
  scroller->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  auto* content = new QWidget;
  auto* panel = new QVBoxLayout(content);
  panel->setContentsMargins(4, 2, 4, 2);
  panel->setSpacing(4);
  scroller->setWidget(content);
  row->addWidget(scroller);
  panels_.push_back(scroller);
  tabs_->addTab(page, caption);
  return panel;
}

PictureView* WellWindowWidget::addPictureView(const char* name) {
  auto* view = new PictureView(QString::fromLatin1(name));
  zoomableViews_.push_back(view);
  return view;
}

QGroupBox* WellWindowWidget::addGroup(QVBoxLayout* panel, const QString& title) {
  auto* group = new QGroupBox(title);
  auto* grid = new QGridLayout(group);
  grid->setContentsMargins(6, 4, 6, 4);
  grid->setVerticalSpacing(1);
  panel->addWidget(group);
  return group;
}

QLabel* WellWindowWidget::addValueLabel(QWidget* parent, const char* name) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setMinimumWidth(40);
  return label;
}

void WellWindowWidget::addSlider(QGroupBox* group, const char* name) {
  const WidgetBinding& binding = BindingNamed(name);
  auto* grid = static_cast<QGridLayout*>(group->layout());
  const int row = grid->rowCount();
  grid->addWidget(new QLabel(Text(binding.caption), group), row, 0, 1, 2);
  auto* slider = new QScrollBar(Qt::Horizontal, group);
  slider->setObjectName(QString::fromLatin1(name));
  slider->setPageStep(10);
  const std::string valueName = ValueLabelName(binding.name);
  QLabel* value = addValueLabel(group, valueName.c_str());
  grid->addWidget(slider, row + 1, 0);
  grid->addWidget(value, row + 1, 1);
  const SettingId setting = binding.setting;
  sliders_.push_back({slider, value, setting});
  connect(slider, &QScrollBar::valueChanged, this, [this, setting](int position) {
    act([setting, position](WellSession& s) {
      s.set(setting, ValueAtPosition(setting, position));
    });
  });
}

void WellWindowWidget::addCheckBox(QGroupBox* group, const char* name) {
  const WidgetBinding& binding = BindingNamed(name);
  auto* box = new QCheckBox(Text(binding.caption), group);
  box->setObjectName(QString::fromLatin1(name));
  auto* grid = static_cast<QGridLayout*>(group->layout());
  grid->addWidget(box, grid->rowCount(), 0, 1, 2);
  const SettingId setting = binding.setting;
  checkBoxes_.push_back({box, setting});
  connect(box, &QCheckBox::toggled, this, [this, setting](bool checked) {
    act([setting, checked](WellSession& s) { s.set(setting, checked ? 1 : 0); });
  });
}

QPushButton* WellWindowWidget::addButton(QVBoxLayout* panel, const QString& caption,
                                         const char* name,
                                         std::function<void(WellSession&)> action) {
  auto* button = new QPushButton(caption);
  button->setObjectName(QString::fromLatin1(name));
  if (action) {
    connect(button, &QPushButton::clicked, this,
            [this, action = std::move(action)] { act(action); });
  }
  if (panel != nullptr) panel->addWidget(button);
  return button;
}

QLineEdit* WellWindowWidget::addSettingEdit(QWidget* parent, const char* name, SettingId setting) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  edits_.push_back({edit, setting});
  connect(edit, &QLineEdit::editingFinished, this,
          [this, edit, setting] { commitEdit(edit, setting); });
  return edit;
}

void WellWindowWidget::addSaveSettings(QVBoxLayout* panel, const char* name) {
  auto* save = new QPushButton(QStringLiteral("Save Settings"));
  save->setObjectName(QString::fromLatin1(name));
  connect(save, &QPushButton::clicked, this, &WellWindowWidget::saveSettings);
  panel->addWidget(save);
  panel->addStretch(1);
}

void WellWindowWidget::addChannelGroups(QVBoxLayout* panel, const char* prefix) {
  for (const char* channel : {"Green", "Blue"}) {
    const QString title = QStringLiteral("%1 channel").arg(QString::fromLatin1(channel));
    QGroupBox* group = addGroup(panel, title);
    const std::string start = std::string(prefix) + channel;
    addSlider(group, (start + "CutoffSlider").c_str());
    addSlider(group, (start + "SaturationSlider").c_str());
    addCheckBox(group, (start + "FullRangeCheck").c_str());
  }
}

void WellWindowWidget::buildBlueTab() {
  blueView_ = addPictureView("blueMosaicView");
  QVBoxLayout* panel = addTab(QStringLiteral("Blue channel"), "blueTab", blueView_);
  addButton(panel, QStringLiteral("Apply"), "blueApplyButton",
            [this](WellSession& s) { host_.workspace().applyToOthers(s); });
  addSaveSettings(panel, "blueSaveSettingsButton");
}

void WellWindowWidget::buildGreenTab() {
  greenView_ = addPictureView("greenMosaicView");
  QVBoxLayout* panel = addTab(QStringLiteral("Green channel"), "greenTab", greenView_);
  QGroupBox* ring = addGroup(panel, QStringLiteral("Ring"));
  auto* grid = static_cast<QGridLayout*>(ring->layout());
  grid->addWidget(new QLabel(QStringLiteral("Size"), ring), 0, 0);
  grid->addWidget(addSettingEdit(ring, "ringRadiusEdit", SettingId::RingRadius), 0, 1);
  auto* step = new StepButtons(QStringLiteral("ringRadiusStep"), ring);
  connect(step, &StepButtons::stepped, this,
          [this](bool up) { act([up](WellSession& s) { s.stepRingRadius(up); }); });
  grid->addWidget(step, 0, 2);

  // The arrows as a cross around "AutoFit".
  auto* arrows = new QWidget(ring);
  auto* cross = new QGridLayout(arrows);
  const auto arrow = [&](const char* name, Qt::ArrowType type, int row, int column,
                         RingDirection direction) {
    auto* button = new QToolButton(arrows);
    button->setObjectName(QString::fromLatin1(name));
    button->setArrowType(type);
    connect(button, &QToolButton::clicked, this, [this, direction] {
      moveRingByHand([direction](WellSession& s) { s.nudgeRing(direction); });
    });
    cross->addWidget(button, row, column, Qt::AlignCenter);
  };
  arrow("ringLeftButton", Qt::LeftArrow, 1, 0, RingDirection::Left);
  arrow("ringRightButton", Qt::RightArrow, 1, 2, RingDirection::Right);
  arrow("ringUpButton", Qt::UpArrow, 0, 1, RingDirection::Up);
  arrow("ringDownButton", Qt::DownArrow, 2, 1, RingDirection::Down);
  QPushButton* autoFit = addButton(nullptr, QStringLiteral("AutoFit"), "autoFitButton", {});
  connect(autoFit, &QPushButton::clicked, this,
          [this] { fitRingAgain([](WellSession& s) { s.autoFitRing(); }); });
  cross->addWidget(autoFit, 1, 1);
  grid->addWidget(arrows, 1, 0, 1, 3);
  grid->addWidget(new QLabel(QStringLiteral("X-coor:"), ring), 2, 0);
  ringX_ = addValueLabel(ring, "ringXValue");
  grid->addWidget(ringX_, 2, 1);
  grid->addWidget(new QLabel(QStringLiteral("Y-coor:"), ring), 3, 0);
  ringY_ = addValueLabel(ring, "ringYValue");
  grid->addWidget(ringY_, 3, 1);
  // The zone's size as well as its centre, searched within the radii given
  // or around the present size.
  QPushButton* fitSize = addButton(nullptr, QStringLiteral("Fit size"), "fitSizeButton", {});
  connect(fitSize, &QPushButton::clicked, this, [this] {
    fitRingAgain([this](WellSession& s) { s.fitRingSize(fitSizeRange(s.settings().ring.radius)); });
  });
  grid->addWidget(fitSize, 4, 0);
  zoneContrast_ = addValueLabel(ring, "zoneContrastValue");
  grid->addWidget(zoneContrast_, 4, 1, 1, 2);
  const auto radiusBox = [&](const char* name, const QString& tip) {
    auto* box = new QSpinBox(ring);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(0, kLargestFitRadius);
    box->setSpecialValueText(QStringLiteral("auto"));
    box->setToolTip(tip);
    return box;
  };
  fitMinimumSpin_ =
      radiusBox("fitMinimumSpin",
                QStringLiteral("Smallest radius Fit size tries (auto: half the ring size)"));
  fitMaximumSpin_ =
      radiusBox("fitMaximumSpin",
                QStringLiteral("Largest radius Fit size tries (auto: one and a half ring sizes)"));
  grid->addWidget(new QLabel(QStringLiteral("Fit radii:"), ring), 9, 0);
  grid->addWidget(fitMinimumSpin_, 9, 1);
  grid->addWidget(fitMaximumSpin_, 9, 2);
  buildRingReview(ring, grid);
  addSaveSettings(panel, "greenSaveSettingsButton");
}

RadiusRange WellWindowWidget::fitSizeRange(int radius) const {
  const RadiusRange range{
      fitMinimumSpin_->value() > 0 ? fitMinimumSpin_->value() : std::max(1, radius / 2),
      fitMaximumSpin_->value() > 0 ? fitMaximumSpin_->value()
                                   : std::min(1024, radius + radius / 2)};
  if (range.minimum > range.maximum) {
    throw Error("Fit size: the smallest radius " + std::to_string(range.minimum) +
                " is above the largest " + std::to_string(range.maximum));
  }
  return range;
}

void WellWindowWidget::buildRingReview(QGroupBox* ring, QGridLayout* grid) {
  // The ring typed in: centre column, row from the bottom, radius.
  const auto spin = [&](const char* name, const QString& caption, int minimum, int maximum,
                        int row) {
    auto* box = new QSpinBox(ring);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(minimum, maximum);
    box->setKeyboardTracking(false);  // typed numbers count on Enter, arrows at once
    grid->addWidget(new QLabel(caption, ring), row, 0);
    grid->addWidget(box, row, 1, 1, 2);
    connect(box, &QSpinBox::valueChanged, this, [this] {
      const Ring typed{ringXSpin_->value(), ringYSpin_->value(), ringRadiusSpin_->value()};
      moveRingByHand([typed](WellSession& s) {
        if (typed != s.ring()) s.placeRing(typed);
      });
    });
    return box;
  };
  ringXSpin_ = spin("ringXSpin", QStringLiteral("Ring X:"), 0, kMosaicSize - 1, 5);
  ringYSpin_ = spin("ringYSpin", QStringLiteral("Ring Y:"), 0, kMosaicSize - 1, 6);
  ringRadiusSpin_ = spin("ringRadiusSpin", QStringLiteral("Ring radius:"), 1,
                         Describe(SettingId::RingRadius).maximum, 7);
  filledRing_ = new QCheckBox(QStringLiteral("Filled ring"), ring);
  filledRing_->setObjectName(QStringLiteral("filledRingCheck"));
  filledRing_->setToolTip(
      QStringLiteral("Show the ring as a filled disc in the green mosaic instead of an outline"));
  connect(filledRing_, &QCheckBox::toggled, this, [this] {
    if (session_ != nullptr) refreshPictures(*session_);
  });
  grid->addWidget(filledRing_, 8, 0, 1, 3);
}

void WellWindowWidget::buildRawTab() {
  compositeView_ = addPictureView("compositeView");
  QVBoxLayout* panel = addTab(QStringLiteral("Raw two channel"), "rawTab", compositeView_);
  addChannelGroups(panel, "raw");
  addButton(panel, QStringLiteral("Apply"), "rawApplyButton",
            [this](WellSession& s) { host_.workspace().applyToOthers(s); });
  addSaveSettings(panel, "rawSaveSettingsButton");
}

void WellWindowWidget::buildImmigrantTab() {
  resultView_ = addPictureView("resultView");
  QVBoxLayout* panel = addTab(QStringLiteral("Immigrant cells"), "immigrantTab", resultView_);
  addChannelGroups(panel, "immigrant");
  QGroupBox* nuclei = addGroup(panel, QStringLiteral("Nuclei"));
  for (const char* name : {"nucleusGreenCutoffSlider", "nucleusBlueCutoffSlider",
                           "nucleusMinimalSizeSlider", "nucleusMaximalSizeSlider"}) {
    addSlider(nuclei, name);
  }

  // The results group keeps the fixed rows its chart is drawn between.
  results_ = new ResultsGroup;
  const auto resultRow = [this](const QString& caption, const char* name, int top) {
    auto* text = new QLabel(caption, results_);
    text->setGeometry(8, top, 184, 18);
    QLabel* value = addValueLabel(results_, name);
    value->setGeometry(194, top, 52, 18);
    return value;
  };
  nuclei_ = resultRow(QStringLiteral("Number of nuclei:"), "nucleiValue", 20);
  pixels_ = resultRow(QStringLiteral("Number of pixels:"), "pixelsValue", 38);
  calculatedNuclei_ =
      resultRow(QStringLiteral("Number of calculated nuclei:"), "calculatedNucleiValue", 56);
  averageDistance_ = resultRow(QStringLiteral("Average distance:"), "averageDistanceValue", 74);
  totalNuclei_ = resultRow(QStringLiteral("Total Number of Nuclei:"), "totalNucleiValue", 92);
  auto* increments = new QLabel(QStringLiteral("Increments of rings:"), results_);
  increments->setGeometry(10, 118, 130, 22);
  addSettingEdit(results_, "ringIncrementEdit", SettingId::RingIncrement)
      ->setGeometry(145, 118, 50, 22);
  auto* step = new StepButtons(QStringLiteral("ringIncrementStep"), results_);
  step->setGeometry(197, 117, 18, 24);
  connect(step, &StepButtons::stepped, this,
          [this](bool up) { act([up](WellSession& s) { s.stepRingIncrement(up); }); });
  densityMaximum_ = addValueLabel(results_, "densityMaximumValue");
  densityMaximum_->setGeometry(10, 288, 235, 18);
  panel->addWidget(results_);
  addButton(panel, QStringLiteral("Apply"), "immigrantApplyButton",
            [this](WellSession& s) { host_.workspace().applyToOthers(s); });
  addSaveSettings(panel, "immigrantSaveSettingsButton");
}

void WellWindowWidget::buildCellsTab() {
  // The ring's square and the gallery of cells side by side, left of the panel.
  auto* views = new QWidget;
  auto* row = new QHBoxLayout(views);
  row->setContentsMargins(0, 0, 0, 0);
  cellCropView_ = addPictureView("cellCropView");
  row->addWidget(cellCropView_, 1);
  galleryView_ = new PictureView(QStringLiteral("cellGalleryView"));
  galleryView_->showActualSize();
  galleryView_->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
  galleryView_->setFixedWidth(kGalleryWidth);
  row->addWidget(galleryView_);
  QVBoxLayout* panel = addTab(QStringLiteral("Cells"), "cellsTab", views);

  cellLevel_ = new QCheckBox(QStringLiteral("Look at Cell level"));
  cellLevel_->setObjectName(QStringLiteral("cellLevelCheck"));
  connect(cellLevel_, &QCheckBox::toggled, this,
          [this](bool on) { act([on](WellSession& s) { s.setCellLevel(on); }); });
  panel->addWidget(cellLevel_);
  QGroupBox* green = addGroup(panel, QStringLiteral("Green channel"));
  addSlider(green, "cellGreenCutoffSlider");
  QGroupBox* cells = addGroup(panel, QStringLiteral("Cells"));
  addSlider(cells, "cellMinimalSizeSlider");
  addSlider(cells, "cellMaximalSizeSlider");
  QGroupBox* shape = addGroup(panel, QStringLiteral("Shape && Orientation"));
  addSlider(shape, "cellLengthRatioSlider");
  addSlider(shape, "cellSmoothnessSlider");
  auto* shapeGrid = static_cast<QGridLayout*>(shape->layout());
  const auto picture = [&](const char* name) {
    auto* label = new QLabel(shape);
    label->setObjectName(QString::fromLatin1(name));
    shapeGrid->addWidget(label, shapeGrid->rowCount(), 0, 1, 2, Qt::AlignHCenter);
    return label;
  };
  classPie_ = picture("classPieChart");
  histogram_ = picture("orientationHistogram");
  radialShare_ = new QProgressBar(shape);
  radialShare_->setObjectName(QStringLiteral("radialShareGauge"));
  radialShare_->setRange(0, 100);
  radialShare_->setFormat(QStringLiteral("%p%"));
  shapeGrid->addWidget(radialShare_, shapeGrid->rowCount(), 0, 1, 2);
  elongation_ = addValueLabel(shape, "elongationValue");
  shapeGrid->addWidget(elongation_, shapeGrid->rowCount(), 0, 1, 2);
  smoothness_ = addValueLabel(shape, "smoothnessValue");
  shapeGrid->addWidget(smoothness_, shapeGrid->rowCount(), 0, 1, 2);

  auto* show = new QWidget;
  auto* showRow = new QHBoxLayout(show);
  showRow->setContentsMargins(0, 0, 0, 0);
  border_ = new QRadioButton(QStringLiteral("Border"), show);
  border_->setObjectName(QStringLiteral("borderRadio"));
  colour_ = new QRadioButton(QStringLiteral("Color"), show);
  colour_->setObjectName(QStringLiteral("colourRadio"));
  for (QRadioButton* button : {border_, colour_}) {
    showRow->addWidget(button);
    connect(button, &QRadioButton::toggled, this, [this, button](bool checked) {
      const bool inColour = button == colour_;
      if (checked) act([inColour](WellSession& s) { s.setCellsInColour(inColour); });
    });
  }
  panel->addWidget(show);
  cellCount_ = addValueLabel(nullptr, "cellCountValue");
  panel->addWidget(cellCount_);
  QPushButton* apply =
      addButton(panel, QStringLiteral("Apply"), "cellApplyButton",
                [this](WellSession& s) { host_.workspace().applyCellSettingsToOthers(s); });
  auto* saveData = new QPushButton(QStringLiteral("Save Welldata"));
  saveData->setObjectName(QStringLiteral("saveWellDataButton"));
  connect(saveData, &QPushButton::clicked, this, &WellWindowWidget::saveWellData);
  panel->addWidget(saveData);
  addSaveSettings(panel, "cellsSaveSettingsButton");

  cellLevelWidgets_ = {green, cells, shape, border_, colour_, cellCount_, apply, saveData};
  for (const BoundSlider& bound : sliders_) {
    const SettingId id = bound.setting;
    if (id == SettingId::CellsGreenCutoff || id == SettingId::CellsMinimalSize ||
        id == SettingId::CellsMaximalSize) {
      cellThresholdWidgets_.push_back(bound.slider);
      cellThresholdWidgets_.push_back(bound.value);
    }
  }
}

void WellWindowWidget::buildZoomButtons() {
  auto* corner = new QWidget;
  auto* row = new QHBoxLayout(corner);
  row->setContentsMargins(0, 0, 4, 0);
  const auto button = [&](const QString& caption, const char* name, const QString& tip) {
    auto* tool = new QToolButton(corner);
    tool->setText(caption);
    tool->setObjectName(QString::fromLatin1(name));
    tool->setToolTip(tip);
    row->addWidget(tool);
    return tool;
  };
  connect(button(QStringLiteral("Fit"), "fitPicturesButton",
                 QStringLiteral("Fit the pictures to the window (Ctrl+wheel zooms)")),
          &QToolButton::clicked, this, &WellWindowWidget::fitPictures);
  connect(button(QStringLiteral("100 %"), "actualSizeButton",
                 QStringLiteral("Show the pictures pixel for pixel")),
          &QToolButton::clicked, this, &WellWindowWidget::showPicturesActualSize);
  tabs_->setCornerWidget(corner, Qt::TopRightCorner);
}

}  // namespace vembrel
