#include "desktop/plate_map.h"

#include <QMouseEvent>
#include <QPainter>

namespace vembrel {
namespace {

constexpr int kCircleSize = 30;

QColor QuarterQColor(QuarterColour colour) {
  switch (colour) {
    case QuarterColour::Cyan:
      return QColor(0, 255, 255);
    case QuarterColour::Blue:
      return QColor(0, 0, 255);
    case QuarterColour::Green:
      return QColor(0, 255, 0);
    case QuarterColour::Red:
      return QColor(255, 0, 0);
    case QuarterColour::None:
      break;
  }
  return {};
}

// Qt angles run counter-clockwise from three o'clock: field 0 (lower left)
// spans from the left radial to the bottom one, and so on round the circle.
constexpr int kQuarterStartDegrees[4] = {180, 270, 0, 90};

}  // namespace

PlateMap::PlateMap(QWidget* parent) : QFrame(parent) {
  setObjectName(QStringLiteral("PlateMap"));
  setFrameStyle(QFrame::Panel | QFrame::Raised);
  setLineWidth(2);
  setFixedSize(489, 329);
}

void PlateMap::showPlate(const Plate& plate) {
  plate_ = plate;
  update();
}

QRect PlateMap::circleRect(int well) {
  return QRect((well % 12) * 35 + 55, (well / 12) * 35 + 40, kCircleSize, kCircleSize);
}

int PlateMap::wellAt(const QPoint& point) {
  for (int well = 0; well < 96; ++well) {
    if (circleRect(well).contains(point)) return well;
  }
  return -1;
}

void PlateMap::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.fillRect(QRect(2, 2, 485, 325), palette().window());

  painter.setPen(QPen(Qt::black, 1));
  for (const WellRecord& well : plate_.wells) {
    const QRect box = circleRect(well.index);
    for (int field = 0; field < 4; ++field) {
      if (well.quarter[field] == QuarterColour::None) continue;
      painter.setBrush(QuarterQColor(well.quarter[field]));
      painter.drawPie(box, kQuarterStartDegrees[field] * 16, 90 * 16);
    }
  }

  // Grey outlines until the first plate is opened, black after.
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(plate_.open ? QColor(0, 0, 0) : QColor(128, 128, 128), 1));
  painter.setRenderHint(QPainter::Antialiasing, false);
  for (int well = 0; well < 96; ++well) {
    painter.drawEllipse(circleRect(well).adjusted(0, 0, -1, -1));
  }

  painter.setRenderHint(QPainter::Antialiasing, false);
  QFont font = painter.font();
  font.setPointSize(12);
  painter.setFont(font);
  painter.setPen(palette().windowText().color());
  for (int column = 1; column <= 12; ++column) {
    painter.drawText(QRect((column - 1) * 35 + 60, 5, 30, 30), Qt::AlignLeft | Qt::AlignTop,
                     QString::number(column));
  }
  for (int row = 1; row <= 8; ++row) {
    painter.drawText(QRect(25, (row - 1) * 35 + 45, 30, 30), Qt::AlignLeft | Qt::AlignTop,
                     QString(QChar(64 + row)));
  }
}

void PlateMap::mousePressEvent(QMouseEvent* event) {
  const int well = wellAt(event->position().toPoint());
  if (well < 0) {
    QFrame::mousePressEvent(event);
    return;
  }
  emit wellPressed(well, event->button());
  event->accept();
}

}  // namespace vembrel
