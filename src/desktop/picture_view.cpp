#include "desktop/picture_view.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <functional>

#include "desktop/picture_image.h"

namespace vembrel {
namespace {

// Paints the view's picture scaled to its own size.
class PictureCanvas : public QWidget {
 public:
  PictureCanvas(const QImage& image, std::function<void(QPainter&)> overlay, QWidget* parent)
      : QWidget(parent), image_(image), overlay_(std::move(overlay)) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    if (image_.isNull()) return;
    QPainter painter(this);
    // Smooth when shrinking, so that thin outlines stay visible; sharp pixels when enlarging.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, width() < image_.width());
    painter.drawImage(rect(), image_);
    overlay_(painter);
  }

 private:
  const QImage& image_;
  std::function<void(QPainter&)> overlay_;
};

}  // namespace

PictureView::PictureView(const QString& name, QWidget* parent) : QScrollArea(parent) {
  setObjectName(name);
  canvas_ = new PictureCanvas(
      image_, [this](QPainter& painter) { paintOutline(painter); }, this);
  canvas_->installEventFilter(this);
  setWidget(canvas_);
  setWidgetResizable(false);
  setAlignment(Qt::AlignCenter);
  setBackgroundRole(QPalette::Dark);
  setMinimumSize(200, 200);
  fitToWindow();
}

void PictureView::showPicture(const Picture& picture) {
  showImage(ToQImage(picture));
}

void PictureView::showImage(QImage image) {
  image_ = std::move(image);
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

namespace vembrel {

double PictureView::scale() const {
  return image_.isNull() ? 1.0 : double(canvas_->width()) / image_.width();
}

void PictureView::setRingOutline(std::optional<Ring> ring) {
  ring_ = ring;
  canvas_->update();
}

QPoint PictureView::picturePoint(QPointF canvasPoint) const {
  const double s = scale();
  const int column = std::clamp(int(std::floor(canvasPoint.x() / s)), 0, image_.width() - 1);
  const int rowDown = std::clamp(int(std::floor(canvasPoint.y() / s)), 0, image_.height() - 1);
  return {column, image_.height() - 1 - rowDown};
}

void PictureView::paintOutline(QPainter& painter) const {
  if (!ring_ || image_.isNull()) return;
  const double s = scale();
  const double x = ring_->x + dragBy_.x(), rowDown = image_.height() - 1 - (ring_->y + dragBy_.y());
  QPen pen{QColor::fromRgb(kOutlineColour)};
  pen.setWidth(kOutlineWidth);
  pen.setCosmetic(true);  // two screen pixels at every zoom
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.drawEllipse(QPointF((x + 0.5) * s, (rowDown + 0.5) * s), ring_->radius * s,
                      ring_->radius * s);
}

bool PictureView::eventFilter(QObject* watched, QEvent* event) {
  if (watched != canvas_ || !movable_ || !ring_ || image_.isNull()) {
    return QScrollArea::eventFilter(watched, event);
  }
  const auto* mouse = dynamic_cast<QMouseEvent*>(event);
  if (mouse == nullptr) return QScrollArea::eventFilter(watched, event);
  const QPoint at = picturePoint(mouse->position());
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      if (mouse->button() != Qt::LeftButton) break;
      if (mouse->modifiers().testFlag(Qt::ShiftModifier)) {
        emit ringMoved(at.x(), at.y());
        return true;
      }
      const QPoint fromCentre = at - QPoint(ring_->x, ring_->y);
      if (QPoint::dotProduct(fromCentre, fromCentre) < ring_->radius * ring_->radius) {
        dragFrom_ = at;
        dragBy_ = {};
        return true;
      }
      break;
    }
    case QEvent::MouseMove:
      if (dragFrom_) {
        dragBy_ = at - *dragFrom_;
        canvas_->update();
        return true;
      }
      break;
    case QEvent::MouseButtonRelease:
      if (dragFrom_ && mouse->button() == Qt::LeftButton) {
        const QPoint by = at - *dragFrom_;
        dragFrom_.reset();
        dragBy_ = {};
        canvas_->update();
        if (!by.isNull()) {
          emit ringMoved(std::clamp(ring_->x + by.x(), 0, image_.width() - 1),
                         std::clamp(ring_->y + by.y(), 0, image_.height() - 1));
        }
        return true;
      }
      break;
    default:
      break;
  }
  return QScrollArea::eventFilter(watched, event);
}

}  // namespace vembrel
