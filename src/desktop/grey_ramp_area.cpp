#include "desktop/grey_ramp_area.h"

#include <QPainter>

namespace vembrel {

void GreyRampArea::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  const int width = viewport()->width();
  const int band = bandHeight(viewport()->height());
  for (int i = 0; i < 256; ++i) painter.fillRect(0, i * band, width, band, QColor(i, i, i));
}

}  // namespace vembrel
