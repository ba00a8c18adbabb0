#include "desktop/well_window_widget.h"

#include "desktop/undo_commands.h"

#include <QCheckBox>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <utility>

#include "core/convert.h"
#include "core/text_file.h"
#include "desktop/picture_image.h"
#include "desktop/picture_view.h"
#include "desktop/results_group.h"
#include "desktop/setting_bindings.h"
#include "plate/settings_file.h"
#include "results/rings_file.h"

namespace vembrel {
namespace {

QString Number(std::int64_t value) {
  return QString::number(value);
}

// "<kept> c./<seeds> tot" when cells were kept, else "0/<immigrant nuclei>".
QString CellCountText(const WellResults& results) {
  if (results.cells && results.cells->kept >= 1) {
    return QStringLiteral("%1 c./%2 tot").arg(results.cells->kept).arg(results.cells->seeds);
  }
  const std::int64_t seeds = results.cells ? results.cells->seeds : results.nuclei;
  return QStringLiteral("0/%1").arg(seeds);
}

}  // namespace

WellWindowWidget::WellWindowWidget(WellSession& session, WellWindowHost& host, WellTab firstTab,
                                   QWidget* parent)
    : QWidget(parent), session_(&session), host_(host) {
  setObjectName(QStringLiteral("wellWindow"));
  setWindowTitle(QString::fromStdString(session.wellName()));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  tabs_ = new QTabWidget(this);
  tabs_->setObjectName(QStringLiteral("wellTabs"));
  layout->addWidget(tabs_);
  buildBlueTab();
  buildGreenTab();
  buildRawTab();
  buildImmigrantTab();
  buildCellsTab();
  buildZoomButtons();
  buildTimeRow(layout);
  // Drag the ring in any mosaic, or Shift and a click to place its centre.
  for (PictureView* view : {blueView_, greenView_, compositeView_, resultView_}) {
    view->setRingMovable(true);
    connect(view, &PictureView::ringMoved, this, [this](int x, int y) {
      moveRingByHand([x, y](WellSession& s) { s.placeRing(x, y); });
    });
  }
  tabs_->setCurrentIndex(static_cast<int>(firstTab));
  refresh();
}

// ---- user events ------------------------------------------------------------

void WellWindowWidget::act(const std::function<void(WellSession&)>& action) {
  if (session_ == nullptr || refreshing_) return;
  const WellSnapshot before = WellSnapshot::Of(*session_);
  try {
    action(*session_);
  } catch (const std::exception& e) {
    host_.reportError(QString::fromStdString(e.what()));
  }
  if (session_ != nullptr) host_.wellChanged(*session_, before);
  host_.refreshAll();
}

void WellWindowWidget::commitEdit(QLineEdit* edit, SettingId setting) {
  if (session_ == nullptr || refreshing_) return;
  const std::string text = edit->text().trimmed().toStdString();
  // Like the platform's edit field, only a real change reaches the session.
  if (text == SettingText(session_->settings(), setting)) return;
  act([&text, setting](WellSession& s) { s.set(setting, StrToInt(text)); });
}

void WellWindowWidget::moveRingByHand(const std::function<void(WellSession&)>& action) {
  act([this, &action](WellSession& s) {
    action(s);
    // The rings file holds a well's ring of its first time point only.
    if (timePoint_ == 0) keepRing(s, true);
  });
}

void WellWindowWidget::fitRingAgain(const std::function<void(WellSession&)>& action) {
  act([this, &action](WellSession& s) {
    action(s);
    if (timePoint_ == 0) keepRing(s, false);
  });
}

void WellWindowWidget::keepRing(const WellSession& session, bool reviewed) {
  const Workspace& workspace = host_.workspace();
  if (workspace.resultsFolder().empty()) return;
  const std::string path = RingsFileName(workspace.resultsFolder(), workspace.plate().prefix);
  if (!reviewed) {
    // Only a reviewed ring on file is replaced: a fit alone writes nothing.
    std::error_code missing;
    if (!std::filesystem::exists(path, missing) ||
        !ReadRingsFile(path, workspace.plate().format).reviewed(session.well())) {
      return;
    }
  }
  CreateFolders(workspace.resultsFolder());
  SaveRing(path, session.well(), session.ring(),
           reviewed ? RingSource::Reviewed : RingSource::Fitted, workspace.plate().format);
  host_.showStatus(
      QStringLiteral("Ring of %1 kept in %2")
          .arg(QString::fromStdString(session.wellName()), QString::fromStdString(path)));
}

void WellWindowWidget::saveSettings() {
  if (session_ == nullptr) return;
  Workspace& workspace = host_.workspace();
  const QString chosen =
      host_.chooseSettingsToSave(QString::fromStdString(workspace.resultsFolder()));
  if (chosen.isEmpty()) return;
  act([&](WellSession&) {
    workspace.saveSettings(chosen.toStdString());
    host_.showStatus(QStringLiteral("Settings saved to %1")
                         .arg(QString::fromStdString(WithSettingsExtension(chosen.toStdString()))));
  });
}

void WellWindowWidget::saveWellData() {
  act([this](WellSession& s) {
    const WellDataFiles files = host_.workspace().saveWellData(s);
    host_.showStatus(
        QStringLiteral("Cell data saved to %1").arg(QString::fromStdString(files.cellData)));
  });
}

void WellWindowWidget::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  // A window hidden by the program takes the universal settings afresh; not
  // when the window system hides it, when it is minimised (its settings must
  // survive that) or while it is being closed (detached by then).
  const QWidget* frame = parentWidget();
  const bool minimised = frame != nullptr && frame->isMinimized();
  if (!event->spontaneous() && !minimised && session_ != nullptr) {
    act([this](WellSession& s) { host_.workspace().resetToUniversal(s); });
  }
}

// ---- session to widgets -------------------------------------------------------

void WellWindowWidget::refresh() {
  if (session_ == nullptr) return;
  const WellSession& session = *session_;
  const AnalysisSettings& settings = session.settings();
  const WellResults& results = session.results();
  refreshing_ = true;
  for (const BoundSlider& bound : sliders_) {
    const SliderRange range = SliderRangeOf(bound.setting);
    const QSignalBlocker block(bound.slider);
    bound.slider->setRange(range.minimum, range.maximum);
    bound.slider->setValue(SliderPosition(settings, bound.setting));
    bound.value->setText(QString::fromStdString(SettingText(settings, bound.setting)));
  }
  for (const BoundCheckBox& bound : checkBoxes_) {
    const QSignalBlocker block(bound.box);
    bound.box->setChecked(NumericValue(settings, bound.setting) != 0);
  }
  for (const BoundEdit& bound : edits_) {
    const QString text = QString::fromStdString(SettingText(settings, bound.setting));
    if (bound.edit->text() != text) {
      const QSignalBlocker block(bound.edit);
      bound.edit->setText(text);
    }
  }
  ringX_->setText(Number(results.ring.x));
  ringY_->setText(Number(results.ring.y));
  for (const auto& [box, value] :
       {std::pair{ringXSpin_, results.ring.x}, std::pair{ringYSpin_, results.ring.y},
        std::pair{ringRadiusSpin_, results.ring.radius}}) {
    const QSignalBlocker block(box);
    box->setValue(value);
  }
  zoneContrast_->setText(results.zoneContrast
                             ? QStringLiteral("contrast %1").arg(*results.zoneContrast, 0, 'f', 1)
                             : QString());
  nuclei_->setText(Number(results.nuclei));
  pixels_->setText(Number(results.pixels));
  calculatedNuclei_->setText(Number(results.calculatedNuclei));
  averageDistance_->setText(Number(results.averageDistance));
  totalNuclei_->setText(Number(results.totalNuclei));
  densityMaximum_->setText(QString::fromStdString(session.densityChart().maximumText));

  {
    const QSignalBlocker blockLevel(cellLevel_);
    const QSignalBlocker blockBorder(border_);
    const QSignalBlocker blockColour(colour_);
    cellLevel_->setChecked(session.cellLevel());
    border_->setChecked(!session.cellsInColour());
    colour_->setChecked(session.cellsInColour());
  }
  cellCount_->setText(CellCountText(results));
  const bool shapes = results.cells && results.cells->kept >= 1;
  elongation_->setText(shapes ? QString::fromStdString(ElongationText(results.cells->statistics))
                              : QString());
  smoothness_->setText(shapes ? QString::fromStdString(SmoothnessText(results.cells->statistics))
                              : QString());
  radialShare_->setValue(session.radialShareShown());
  for (QWidget* widget : cellLevelWidgets_) widget->setEnabled(session.cellLevel());
  const bool thresholds = session.cellLevel() && session.cellThresholdsEditable();
  for (QWidget* widget : cellThresholdWidgets_) widget->setEnabled(thresholds);

  if (timeRow_ != nullptr) refreshTimeRow(session);

  if (session.revision() != shownRevision_) {
    shownRevision_ = session.revision();
    refreshPictures(session);
  }
  refreshing_ = false;
}

void WellWindowWidget::refreshPictures(const WellSession& session) {
  const WellPictures& pictures = session.pictures();
  blueView_->showPicture(pictures.blueMosaic);
  const bool filled = filledRing_->isChecked();
  if (filled) {
    greenView_->showPicture(pictures.greenMosaic);
  } else {
    greenView_->showImage(ToQImageWithoutRingDisc(pictures.greenMosaic));
  }
  compositeView_->showPicture(pictures.composite);
  resultView_->showPicture(pictures.result);
  cellCropView_->showPicture(session.shownCrop());
  galleryView_->showPicture(pictures.cellGallery);
  classPie_->setPixmap(QPixmap::fromImage(ToQImage(pictures.classPie)));
  histogram_->setPixmap(QPixmap::fromImage(ToQImage(pictures.orientationHistogram)));
  results_->showChart(session.densityChart());
  // At 1:1 the mosaics open on the ring; their rows count from the bottom.
  const RingPlacement& ring = session.ring();
  for (PictureView* view : {blueView_, greenView_, compositeView_, resultView_}) {
    view->setFocusPoint(QPoint(ring.x, view->image().height() - 1 - ring.y));
    // The filled look draws the ring as the disc of the green mosaic alone.
    view->setRingOutline(filled ? std::nullopt : std::optional<RingPlacement>(ring));
  }
  const QImage& crop = cellCropView_->image();
  cellCropView_->setFocusPoint(QPoint(crop.width() / 2, crop.height() / 2));
}

// ---- size and zoom ---------------------------------------------------------------

QSize WellWindowWidget::preferredSize() const {
  int panelHeight = 0;
  for (const QScrollArea* panel : panels_) {
    panelHeight = std::max(panelHeight, panel->widget()->sizeHint().height());
  }
  const int margins = 2 * 2 + 2 * 2 + 8;  // the window's, the page's and the tab frame's
  const int height = tabs_->tabBar()->sizeHint().height() + panelHeight + margins +
                     (timeRow_ != nullptr ? timeRow_->sizeHint().height() : 0);
  // The mosaics as squares as high as the panels.
  const int width = panelHeight + panels_.front()->width() + margins + 6;
  return {width, height};
}

void WellWindowWidget::fitPictures() {
  for (PictureView* view : zoomableViews_) view->fitToWindow();
}

void WellWindowWidget::zoomPictures(double factor) {
  for (PictureView* view : zoomableViews_) {
    view->zoomBy(factor, QPointF(view->viewport()->rect().center()));
  }
}

void WellWindowWidget::showPicturesActualSize() {
  for (PictureView* view : zoomableViews_) view->showActualSize();
}

void WellWindowWidget::setRingFilled(bool filled) {
  filledRing_->setChecked(filled);
}

}  // namespace vembrel
