#include "desktop/mdi_child.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "desktop/picture_image.h"
#include "desktop/user_dialogs.h"
#include "core/error.h"
#include "engine/workspace.h"
#include "desktop/picture_view.h"
#include "desktop/results_group.h"
#include "desktop/up_down.h"

namespace vembrel {
namespace {

constexpr int kPanelWidth = 270;
constexpr int kPictureBoxWidth = 640;
constexpr int kWindowHeight = 925;

QString Name(const char* prefix, int number) {
  return QString::fromLatin1(prefix) + QString::number(number);
}

}  // namespace

TMDIChild::TMDIChild(WellWindow& model, WellWindowHost& host, QWidget* parent)
    : QWidget(parent), model_(&model), host_(host) {
  setObjectName(QStringLiteral("MDIChild"));
  setWindowTitle(QString::fromStdString(model.caption()));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  tabs_ = new QTabWidget(this);
  tabs_->setObjectName(QStringLiteral("PageControl1"));
  layout->addWidget(tabs_);

  buildBlueTab();
  buildGreenTab();
  buildRawTab();
  buildImmigrantTab();
  buildCellsTab();

  connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
    if (model_ != nullptr && !refreshing_) model_->setTab(static_cast<WellTab>(index));
  });
  resize(kPictureBoxWidth + kPanelWidth + 25, kWindowHeight);
}

// ---- building -------------------------------------------------------------

QWidget* TMDIChild::addTab(const QString& caption, int imageNumber, QVBoxLayout** panel) {
  auto* page = new QWidget;
  auto* row = new QHBoxLayout(page);
  row->setContentsMargins(2, 2, 2, 2);
  if (imageNumber > 0) {
    auto* view = new PictureView(Name("Image", imageNumber), page);
    view->setMinimumSize(200, 200);
    pictures_[imageNumber] = view;
    row->addWidget(view, 1);
  }
  // The settings panel scrolls when the window is lower than its content.
  auto* scroller = new QScrollArea(page);
  scroller->setFrameShape(QFrame::NoFrame);
  scroller->setWidgetResizable(true);
  scroller->setFixedWidth(kPanelWidth);
  scroller->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  auto* content = new QWidget;
  *panel = new QVBoxLayout(content);
  (*panel)->setContentsMargins(4, 4, 4, 4);
  scroller->setWidget(content);
  row->addWidget(scroller);
  tabs_->addTab(page, caption);
  return page;
}

QGroupBox* TMDIChild::addGroup(QVBoxLayout* panel, const QString& title) {
  auto* group = new QGroupBox(title);
  new QGridLayout(group);
  panel->addWidget(group);
  return group;
}

QLabel* TMDIChild::addValueLabel(QWidget* parent, const QString& name) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setMinimumWidth(40);
  valueLabels_.push_back(label);
  switchable_.push_back(label);
  return label;
}

void TMDIChild::addScrollBarRow(QGroupBox* group, const QString& caption, int number,
                                int labelNumber) {
  auto* grid = static_cast<QGridLayout*>(group->layout());
  const int row = grid->rowCount();
  grid->addWidget(new QLabel(caption, group), row, 0, 1, 2);
  auto* bar = new QScrollBar(Qt::Horizontal, group);
  bar->setObjectName(Name("ScrollBar", number));
  bar->setPageStep(10);
  scrollBars_[number] = bar;
  connect(bar, &QScrollBar::valueChanged, this, [this, number](int position) {
    act([this, number, position] { model_->setScrollBar(number, position); });
  });
  grid->addWidget(bar, row + 1, 0);
  grid->addWidget(addValueLabel(group, Name("Label", labelNumber)), row + 1, 1);
}

QCheckBox* TMDIChild::addCheckBox(QWidget* parent, const QString& caption, int number) {
  auto* box = new QCheckBox(caption, parent);
  box->setObjectName(Name("CheckBox", number));
  checkBoxes_[number] = box;
  switchable_.push_back(box);
  connect(box, &QCheckBox::toggled, this, [this, number](bool checked) {
    act([this, number, checked] { model_->setCheckBox(number, checked); });
  });
  if (auto* grid = qobject_cast<QGridLayout*>(parent->layout())) {
    grid->addWidget(box, grid->rowCount(), 0, 1, 2);
  }
  return box;
}

QPushButton* TMDIChild::addButton(QWidget* parent, const QString& caption, const QString& name,
                                  std::function<void()> action) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  switchable_.push_back(button);
  connect(button, &QPushButton::clicked, this, [this, action = std::move(action)] { act(action); });
  return button;
}

void TMDIChild::addApplyAndSave(QVBoxLayout* panel, bool withApply) {
  if (withApply) {
    // The three "Apply" buttons all fire Button6Click.
    const QString name = applyButtons_++ == 0 ? QStringLiteral("Button6")
                                              : QStringLiteral("Button6_%1").arg(applyButtons_);
    panel->addWidget(
        addButton(nullptr, QStringLiteral("Apply"), name, [this] { model_->Button6Click(); }));
  }
  auto* save = new QPushButton(QStringLiteral("Save Settings"));
  save->setObjectName(QStringLiteral("SaveSettings%1").arg(tabs_->count()));
  connect(save, &QPushButton::clicked, this, &TMDIChild::saveSettings);
  panel->addWidget(save);
  panel->addStretch(1);
}

void TMDIChild::buildBlueTab() {
  QVBoxLayout* panel = nullptr;
  addTab(QStringLiteral("Blue channel"), 1, &panel);
  addApplyAndSave(panel, true);
}

void TMDIChild::buildGreenTab() {
  QVBoxLayout* panel = nullptr;
  addTab(QStringLiteral("Green channel"), 2, &panel);
  auto* ring = addGroup(panel, QStringLiteral("Ring"));
  auto* grid = static_cast<QGridLayout*>(ring->layout());

  grid->addWidget(new QLabel(QStringLiteral("Size"), ring), 0, 0);
  auto* edit1 = new QLineEdit(ring);
  edit1->setObjectName(QStringLiteral("Edit1"));
  edits_[1] = edit1;
  connect(edit1, &QLineEdit::editingFinished, this, [this] { commitEdit(1); });
  grid->addWidget(edit1, 0, 1);
  auto* upDown1 = new UpDown(QStringLiteral("UpDown1"), ring);
  connect(upDown1, &UpDown::clicked, this,
          [this](bool up) { act([this, up] { model_->UpDown1Click(up); }); });
  grid->addWidget(upDown1, 0, 2);

  // Arrows as a cross around "AutoFit".
  auto* arrows = new QWidget(ring);
  auto* cross = new QGridLayout(arrows);
  // Plain closures rather than member pointers: GCC's sanitizer builds warn
  // (wrongly) about member pointers captured in nested lambdas.
  const auto arrow = [&](int number, Qt::ArrowType type, int row, int column,
                         std::function<void()> click) {
    auto* button = new QToolButton(arrows);
    button->setObjectName(Name("BitBtn", number));
    button->setArrowType(type);
    switchable_.push_back(button);
    connect(button, &QToolButton::clicked, this, [this, click] { act(click); });
    cross->addWidget(button, row, column, Qt::AlignCenter);
  };
  arrow(1, Qt::LeftArrow, 1, 0, [this] { model_->BitBtn1Click(); });
  arrow(2, Qt::RightArrow, 1, 2, [this] { model_->BitBtn2Click(); });
  arrow(3, Qt::UpArrow, 0, 1, [this] { model_->BitBtn3Click(); });
  arrow(4, Qt::DownArrow, 2, 1, [this] { model_->BitBtn4Click(); });
  cross->addWidget(addButton(arrows, QStringLiteral("AutoFit"), QStringLiteral("Button5"),
                             [this] { model_->Button5Click(); }),
                   1, 1);
  grid->addWidget(arrows, 1, 0, 1, 3);

  grid->addWidget(new QLabel(QStringLiteral("X-coor:"), ring), 2, 0);
  grid->addWidget(addValueLabel(ring, QStringLiteral("Label26")), 2, 1);
  grid->addWidget(new QLabel(QStringLiteral("Y-coor:"), ring), 3, 0);
  grid->addWidget(addValueLabel(ring, QStringLiteral("Label27")), 3, 1);
  addApplyAndSave(panel, false);
}

void TMDIChild::addChannelGroup(QVBoxLayout* panel, const QString& title, int cutoffBar,
                                int cutoffLabel, int saturationBar, int saturationLabel,
                                int checkBox) {
  auto* group = addGroup(panel, title);
  addScrollBarRow(group, QStringLiteral("\"Blacked\" out at:"), cutoffBar, cutoffLabel);
  addScrollBarRow(group, QStringLiteral("Saturation"), saturationBar, saturationLabel);
  addCheckBox(group, QStringLiteral("Keep at full range"), checkBox);
}

void TMDIChild::buildRawTab() {
  QVBoxLayout* panel = nullptr;
  addTab(QStringLiteral("Raw two channel"), 3, &panel);
  addChannelGroup(panel, QStringLiteral("Green channel"), 1, 1, 2, 2, 1);
  addChannelGroup(panel, QStringLiteral("Blue channel"), 3, 5, 4, 6, 2);
  addApplyAndSave(panel, true);
}

QLabel* TMDIChild::addResultRow(QWidget* parent, const QString& caption, const char* labelName,
                                int top) {
  auto* text = new QLabel(caption, parent);
  text->setGeometry(8, top, 184, 18);
  auto* value = addValueLabel(parent, QString::fromLatin1(labelName));
  value->setGeometry(194, top, 52, 18);
  return value;
}

void TMDIChild::buildImmigrantTab() {
  QVBoxLayout* panel = nullptr;
  addTab(QStringLiteral("Immigrant cells"), 4, &panel);
  addChannelGroup(panel, QStringLiteral("Green channel"), 7, 44, 8, 45, 5);
  addChannelGroup(panel, QStringLiteral("Blue channel"), 13, 48, 14, 49, 6);
  auto* nuclei = addGroup(panel, QStringLiteral("Nuclei"));
  addScrollBarRow(nuclei, QStringLiteral("Lower cutoff GREEN"), 9, 18);
  addScrollBarRow(nuclei, QStringLiteral("Lower cutoff BLUE"), 10, 19);
  addScrollBarRow(nuclei, QStringLiteral("Minimal Size"), 11, 23);
  addScrollBarRow(nuclei, QStringLiteral("Maximal Size"), 12, 25);

  results_ = new ResultsGroup;
  addResultRow(results_, QStringLiteral("Number of nuclei:"), "Label13", 20);
  addResultRow(results_, QStringLiteral("Number of pixels:"), "Label14", 38);
  addResultRow(results_, QStringLiteral("Number of calculated nuclei:"), "Label15", 56);
  addResultRow(results_, QStringLiteral("Average distance:"), "Label29", 74);
  addResultRow(results_, QStringLiteral("Total Number of Nuclei:"), "Label31", 92);
  auto* increments = new QLabel(QStringLiteral("Increments of rings:"), results_);
  increments->setGeometry(10, 118, 130, 22);
  auto* edit2 = new QLineEdit(results_);
  edit2->setObjectName(QStringLiteral("Edit2"));
  edit2->setGeometry(145, 118, 50, 22);
  edits_[2] = edit2;
  connect(edit2, &QLineEdit::editingFinished, this, [this] { commitEdit(2); });
  auto* upDown2 = new UpDown(QStringLiteral("UpDown2"), results_);
  upDown2->setGeometry(197, 117, 18, 24);
  connect(upDown2, &UpDown::clicked, this,
          [this](bool up) { act([this, up] { model_->UpDown2Click(up); }); });
  auto* max = addValueLabel(results_, QStringLiteral("Label30"));
  max->setGeometry(10, 288, 235, 18);
  panel->addWidget(results_);
  addApplyAndSave(panel, true);
}

void TMDIChild::buildCellsTab() {
  QVBoxLayout* panel = nullptr;
  QWidget* page = addTab(QStringLiteral("Cells"), 0, &panel);
  // The crop of the ring and the cell drawings side by side, left of the panel.
  auto* views = new QWidget(page);
  auto* row = new QHBoxLayout(views);
  row->setContentsMargins(0, 0, 0, 0);
  auto* crop = new PictureView(QStringLiteral("Image5"), views);
  pictures_[5] = crop;
  row->addWidget(crop, 1);
  auto* drawings = new PictureView(QStringLiteral("Image6"), views);
  drawings->setFixedWidth(260);
  pictures_[6] = drawings;
  row->addWidget(drawings);
  static_cast<QHBoxLayout*>(page->layout())->insertWidget(0, views, 1);

  auto* levelBox = new QWidget;
  new QGridLayout(levelBox);
  levelBox->layout()->setContentsMargins(0, 0, 0, 0);
  addCheckBox(levelBox, QStringLiteral("Look at Cell level"), 3);
  panel->addWidget(levelBox);
  auto* green = addGroup(panel, QStringLiteral("Green channel"));
  addScrollBarRow(green, QStringLiteral("Cut off at:"), 15, 53);
  auto* cells = addGroup(panel, QStringLiteral("Cells"));
  addScrollBarRow(cells, QStringLiteral("Min. size of cells"), 6, 52);
  addScrollBarRow(cells, QStringLiteral("Max. size of cells"), 5, 42);
  auto* shape = addGroup(panel, QStringLiteral("Shape && Orientation"));
  addScrollBarRow(shape, QStringLiteral("Ratio long/short:"), 19, 68);
  addScrollBarRow(shape, QStringLiteral("Coeff of Smooth:"), 20, 69);
  auto* shapeGrid = static_cast<QGridLayout*>(shape->layout());
  for (int number : {8, 7}) {  // pie chart, then the orientation histogram
    auto* picture = new QLabel(shape);
    picture->setObjectName(Name("Image", number));
    smallPictures_[number] = picture;
    shapeGrid->addWidget(picture, shapeGrid->rowCount(), 0, 1, 2, Qt::AlignHCenter);
  }
  gauge_ = new QProgressBar(shape);
  gauge_->setObjectName(QStringLiteral("Gauge1"));
  gauge_->setRange(0, 100);
  gauge_->setFormat(QStringLiteral("%p%"));
  shapeGrid->addWidget(gauge_, shapeGrid->rowCount(), 0, 1, 2);
  shapeGrid->addWidget(addValueLabel(shape, QStringLiteral("Label89")), shapeGrid->rowCount(), 0, 1,
                       2);
  shapeGrid->addWidget(addValueLabel(shape, QStringLiteral("Label90")), shapeGrid->rowCount(), 0, 1,
                       2);

  auto* show = new QWidget;
  auto* showRow = new QHBoxLayout(show);
  showRow->setContentsMargins(0, 0, 0, 0);
  for (int number : {1, 2}) {
    auto* button =
        new QRadioButton(number == 1 ? QStringLiteral("Border") : QStringLiteral("Color"), show);
    button->setObjectName(Name("RadioButton", number));
    radioButtons_[number] = button;
    switchable_.push_back(button);
    connect(button, &QRadioButton::toggled, this, [this, number](bool checked) {
      if (checked) act([this, number] { model_->setRadioButton(number); });
    });
    showRow->addWidget(button);
  }
  panel->addWidget(show);
  panel->addWidget(addValueLabel(nullptr, QStringLiteral("Label43")));
  panel->addWidget(addButton(nullptr, QStringLiteral("Apply"), QStringLiteral("Button8"),
                             [this] { model_->Button8Click(); }));
  panel->addWidget(addButton(nullptr, QStringLiteral("Save Welldata"), QStringLiteral("Button9"),
                             [this] { model_->Button9Click(); }));
  addApplyAndSave(panel, false);
}

// ---- user events ----------------------------------------------------------

void TMDIChild::act(const std::function<void()>& action) {
  if (model_ == nullptr || refreshing_) return;
  try {
    action();
  } catch (const std::exception& e) {
    host_.reportError(QString::fromStdString(e.what()));
  }
  host_.refreshAllWindows();
}

void TMDIChild::commitEdit(int number) {
  if (model_ == nullptr || refreshing_) return;
  const std::string text = edits_.at(number)->text().toStdString();
  // Like the platform's edit field, only a real change fires the handler.
  if (text == model_->editText(number)) return;
  act([this, number, &text] { model_->setEditText(number, text); });
}

void TMDIChild::saveSettings() {
  if (model_ == nullptr) return;
  const QString folder = QString::fromStdString(model_->workspace().resultsFolder());
  const QString chosen = host_.chooseSettingsToSave(folder);
  if (chosen.isEmpty()) return;
  const QString path = WithSettingsExtension(chosen);
  act([this, &path] { model_->SaveSettings(path.toStdString()); });
}

void TMDIChild::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  // A window hidden by the program recomputes with the universal settings;
  // not when the window system hides it, when it is minimised (its settings
  // must survive that) or while it is being closed.
  const QWidget* frame = parentWidget();
  const bool minimised = frame != nullptr && frame->isMinimized();
  if (!event->spontaneous() && !minimised && model_ != nullptr) {
    act([this] { model_->FormHide(); });
  }
}

// ---- model to widgets -----------------------------------------------------

void TMDIChild::centreOnRing() {
  bool xOk = false;
  bool yOk = false;
  const int x = QString::fromStdString(model_->label("Label26")).toInt(&xOk);
  const int y = QString::fromStdString(model_->label("Label27")).toInt(&yOk);
  if (!xOk || !yOk) return;
  centredOnRing_ = true;
  // The mosaics show the ring where the analysis put it: rows count from the bottom.
  for (int number : {1, 2, 3, 4}) {
    PictureView* view = pictures_.at(number);
    const int height = view->picture().height();
    view->ensureVisible(x, height - 1 - y, view->viewport()->width() / 2,
                        view->viewport()->height() / 2);
  }
}

void TMDIChild::refreshFromModel() {
  if (model_ == nullptr) return;
  const WellWindow& model = *model_;
  refreshing_ = true;
  for (auto& [number, bar] : scrollBars_) {
    const ScrollBarControl& control = model.scrollBar(number);
    const QSignalBlocker block(bar);
    bar->setRange(control.min, control.max);
    bar->setValue(control.position);
    bar->setEnabled(control.enabled);
  }
  for (auto& [number, box] : checkBoxes_) {
    const QSignalBlocker block(box);
    box->setChecked(model.checkBox(number));
  }
  for (auto& [number, button] : radioButtons_) {
    const QSignalBlocker block(button);
    button->setChecked(model.radioButton(number));
  }
  for (auto& [number, edit] : edits_) {
    const QString text = QString::fromStdString(model.editText(number));
    if (edit->text() != text) {
      const QSignalBlocker block(edit);
      edit->setText(text);
    }
  }
  for (QLabel* label : valueLabels_) {
    label->setText(QString::fromStdString(model.label(label->objectName().toStdString())));
  }
  for (QWidget* widget : switchable_) {
    widget->setEnabled(model.enabled(widget->objectName().toStdString()));
  }
  {
    const QSignalBlocker block(tabs_);
    tabs_->setCurrentIndex(static_cast<int>(model.tab()));
  }
  if (model.revision() != shownRevision_) {
    shownRevision_ = model.revision();
    for (auto& [number, view] : pictures_) view->showPicture(model.image(number));
    results_->showChart(model.chart());
    for (auto& [number, picture] : smallPictures_) {
      picture->setPixmap(QPixmap::fromImage(ToQImage(model.image(number))));
    }
    gauge_->setValue(model.gauge());
    if (!centredOnRing_) centreOnRing();
  }
  setWindowTitle(QString::fromStdString(model.caption()));
  refreshing_ = false;
  if (model.checkBox(3) != shownCellLevel_) {
    shownCellLevel_ = model.checkBox(3);
    host_.cellLevelChanged(shownCellLevel_);
  }
}

}  // namespace vembrel
