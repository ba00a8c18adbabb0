#include "desktop/colour_scale.h"

#include <QPainter>

#include "render/colour_map.h"

namespace vembrel {

ColourScale::ColourScale(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("colourScale"));
}

void ColourScale::setScale(double low, double high) {
  low_ = low;
  high_ = high;
  update();
}

void ColourScale::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QString low = QString::number(low_);
  const QString high = QString::number(high_);
  const QFontMetrics metrics(font());
  const int lowWidth = metrics.horizontalAdvance(low) + 4;
  const int highWidth = metrics.horizontalAdvance(high) + 4;
  const QRect ramp(lowWidth, 3, width() - lowWidth - highWidth, height() - 6);
  painter.setPen(palette().windowText().color());
  painter.drawText(QRect(0, 0, lowWidth, height()), Qt::AlignLeft | Qt::AlignVCenter, low);
  painter.drawText(QRect(ramp.right() + 1, 0, highWidth, height()),
                   Qt::AlignRight | Qt::AlignVCenter, high);
  for (int x = 0; x < ramp.width(); ++x) {
    const Rgb colour = ViridisColour(ramp.width() > 1 ? double(x) / (ramp.width() - 1) : 0.5);
    painter.fillRect(ramp.left() + x, ramp.top(), 1, ramp.height(),
                     QColor(colour.r, colour.g, colour.b));
  }
  painter.setPen(Qt::black);
  painter.drawRect(ramp.adjusted(0, 0, -1, -1));
}

}  // namespace vembrel
