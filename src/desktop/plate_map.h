#pragma once
// The plate map of the control panel: 96 well circles with their field
// quarters painted in the colours of the plate, column and row labels, on a
// raised panel of 489 x 329 pixels.
#include <QFrame>

#include "plate/plate.h"

namespace vembrel {

class PlateMap : public QFrame {
  Q_OBJECT
 public:
  explicit PlateMap(QWidget* parent = nullptr);

  /// Redraws from the plate (colours, states, outline colour).
  void showPlate(const Plate& plate);

  /// Rectangle of a well's circle in panel coordinates.
  static QRect circleRect(int well);
  /// Well whose circle contains the point, -1 for none.
  static int wellAt(const QPoint& point);

 signals:
  void wellPressed(int well, Qt::MouseButton button);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  Plate plate_;
};

}  // namespace vembrel
