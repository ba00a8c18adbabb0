#include "desktop/picture_view.h"

#include <QApplication>
#include <QLabel>
#include <QScrollBar>
#include <QWheelEvent>
#include <cmath>

#include "desktop/picture_image.h"

namespace vembrel {

PictureView::PictureView(const QString& name, QWidget* parent) : QScrollArea(parent) {
  setObjectName(name + QStringLiteral("Box"));
  picture_ = new QLabel;
  picture_->setObjectName(name);
  picture_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setWidget(picture_);
  setWidgetResizable(false);
  setBackgroundRole(QPalette::Dark);
}

void PictureView::showPicture(const Picture& picture) {
  const QImage image = ToQImage(picture);
  picture_->setPixmap(QPixmap::fromImage(image));
  picture_->resize(image.size());
}

void PictureView::wheelEvent(QWheelEvent* event) {
  const bool sideways = event->modifiers().testFlag(Qt::ShiftModifier);
  // Some platforms turn a Shift-wheel into a horizontal delta: take whichever is set.
  const QPoint angle = event->angleDelta();
  const int delta = angle.y() != 0 ? angle.y() : angle.x();
  if (delta == 0) {
    event->ignore();
    return;
  }
  QScrollBar* bar = sideways ? horizontalScrollBar() : verticalScrollBar();
  const double lines = double(delta) / 120.0 * QApplication::wheelScrollLines();
  int step = static_cast<int>(std::lround(lines * bar->singleStep()));
  if (step == 0) step = delta > 0 ? 1 : -1;  // a fine wheel still moves the picture
  bar->setValue(bar->value() - step);
  event->accept();
}

}  // namespace vembrel
