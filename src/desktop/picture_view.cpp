#include "desktop/picture_view.h"

#include <QApplication>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "desktop/picture_image.h"

namespace vembrel {
namespace {

// Paints the view's picture scaled to its own size.
class PictureCanvas : public QWidget {
 public:
  PictureCanvas(const QImage& image, QWidget* parent) : QWidget(parent), image_(image) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    if (image_.isNull()) return;
    QPainter painter(this);
    // Smooth when shrinking, so that thin outlines stay visible; sharp pixels when enlarging.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, width() < image_.width());
    painter.drawImage(rect(), image_);
  }

 private:
  const QImage& image_;
};

}  // namespace

PictureView::PictureView(const QString& name, QWidget* parent) : QScrollArea(parent) {
  setObjectName(name);
  canvas_ = new PictureCanvas(image_, this);
  setWidget(canvas_);
  setWidgetResizable(false);
  setAlignment(Qt::AlignCenter);
  setBackgroundRole(QPalette::Dark);
  setMinimumSize(200, 200);
  fitToWindow();
}

void PictureView::showPicture(const Picture& picture) {
  image_ = ToQImage(picture);
  applyZoom(fitting_ ? fittingZoom() : zoom_);
  canvas_->update();
}

double PictureView::fittingZoom() const {
  if (image_.isNull()) return 1.0;
  const QSize box = maximumViewportSize();
  return std::min(double(box.width()) / image_.width(), double(box.height()) / image_.height());
}

void PictureView::applyZoom(double zoom) {
  zoom_ = zoom;
  const QSize size = image_.isNull() ? QSize(0, 0)
                                     : QSize(std::max(1, int(std::lround(image_.width() * zoom))),
                                             std::max(1, int(std::lround(image_.height() * zoom))));
  canvas_->resize(size);
}

void PictureView::fitToWindow() {
  fitting_ = true;
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  applyZoom(fittingZoom());
}

void PictureView::showActualSize() {
  fitting_ = false;
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  applyZoom(1.0);
  if (focus_.x() >= 0) {
    ensureVisible(focus_.x(), focus_.y(), viewport()->width() / 2, viewport()->height() / 2);
  }
}

void PictureView::zoomBy(double factor, QPointF anchor) {
  if (image_.isNull()) return;
  const double next = std::clamp(zoom_ * factor, kSmallestZoom, kLargestZoom);
  const QPointF picturePoint =
      (anchor + QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value())) / zoom_;
  fitting_ = false;
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  applyZoom(next);
  const QPointF scrolled = picturePoint * zoom_ - anchor;
  horizontalScrollBar()->setValue(int(std::lround(scrolled.x())));
  verticalScrollBar()->setValue(int(std::lround(scrolled.y())));
}

void PictureView::wheelEvent(QWheelEvent* event) {
  // Some platforms turn a Shift-wheel into a horizontal delta: take whichever is set.
  const QPoint angle = event->angleDelta();
  const int delta = angle.y() != 0 ? angle.y() : angle.x();
  if (delta == 0) {
    event->ignore();
    return;
  }
  if (event->modifiers().testFlag(Qt::ControlModifier)) {
    zoomBy(std::pow(1.25, delta / 120.0), event->position());
    event->accept();
    return;
  }
  QScrollBar* bar =
      event->modifiers().testFlag(Qt::ShiftModifier) ? horizontalScrollBar() : verticalScrollBar();
  const double lines = double(delta) / 120.0 * QApplication::wheelScrollLines();
  int step = static_cast<int>(std::lround(lines * bar->singleStep()));
  if (step == 0) step = delta > 0 ? 1 : -1;  // a fine wheel still moves the picture
  bar->setValue(bar->value() - step);
  event->accept();
}

void PictureView::resizeEvent(QResizeEvent* event) {
  QScrollArea::resizeEvent(event);
  if (fitting_) applyZoom(fittingZoom());
}

}  // namespace vembrel
