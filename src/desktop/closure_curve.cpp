#include "desktop/closure_curve.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace vembrel {

ClosureCurve::ClosureCurve(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("closureCurve"));
  setFixedSize(sizeHint());
  setToolTip(QStringLiteral("Closure of the cell-free zone (%) against hours"));
}

void ClosureCurve::setCurve(std::vector<TimedValue> closure) {
  curve_ = std::move(closure);
  update();
}

void ClosureCurve::setMarked(int timePoint) {
  marked_ = timePoint;
  update();
}

void ClosureCurve::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing, true);
  const QRectF plot = QRectF(rect()).adjusted(34, 8, -8, -20);
  painter.fillRect(plot, Qt::white);
  painter.setPen(QPen(Qt::gray, 1));
  painter.drawRect(plot);
  // Closure runs from 0 to 100 % unless the values leave that range.
  double low = 0, high = 100;
  for (const TimedValue& point : curve_) {
    if (point.value) low = std::min(low, *point.value), high = std::max(high, *point.value);
  }
  const double first = curve_.empty() ? 0 : curve_.front().hours;
  const double last = curve_.empty() ? 1 : curve_.back().hours;
  const double span = last > first ? last - first : 1;
  const auto at = [&](double hours, double value) {
    return QPointF(plot.left() + (hours - first) / span * plot.width(),
                   plot.bottom() - (value - low) / (high - low) * plot.height());
  };
  painter.setPen(QPen(Qt::gray, 1, Qt::DashLine));
  painter.drawLine(at(first, 50), at(last, 50));
  painter.setPen(palette().windowText().color());
  QFont font = painter.font();
  font.setPointSize(7);
  painter.setFont(font);
  painter.drawText(QRectF(0, plot.top() - 6, 30, 12), Qt::AlignRight, QString::number(high));
  painter.drawText(QRectF(0, plot.bottom() - 6, 30, 12), Qt::AlignRight, QString::number(low));
  painter.drawText(QRectF(plot.left(), plot.bottom() + 2, plot.width(), 14), Qt::AlignLeft,
                   QStringLiteral("%1 h").arg(first));
  painter.drawText(QRectF(plot.left(), plot.bottom() + 2, plot.width(), 14), Qt::AlignRight,
                   QStringLiteral("%1 h").arg(last));
  painter.drawText(QRectF(plot.left(), plot.bottom() + 2, plot.width(), 14), Qt::AlignHCenter,
                   QStringLiteral("closure %"));

  QPainterPath line;
  bool started = false;
  for (const TimedValue& point : curve_) {
    if (!point.value) continue;
    const QPointF p = at(point.hours, *point.value);
    started ? line.lineTo(p) : line.moveTo(p);
    started = true;
  }
  painter.setPen(QPen(QColor(31, 119, 180), 1.5));
  painter.drawPath(line);
  painter.setBrush(QColor(31, 119, 180));
  for (std::size_t t = 0; t < curve_.size(); ++t) {
    if (!curve_[t].value) continue;
    const QPointF p = at(curve_[t].hours, *curve_[t].value);
    if (static_cast<int>(t) == marked_) {
      painter.setPen(QPen(Qt::red, 2));
      painter.setBrush(Qt::NoBrush);
      painter.drawEllipse(p, 5, 5);
      painter.setPen(Qt::NoPen);
      painter.setBrush(QColor(31, 119, 180));
    }
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(p, 2.5, 2.5);
  }
}

}  // namespace vembrel
