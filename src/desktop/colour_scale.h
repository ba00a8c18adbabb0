#pragma once
// The key of the plate map's result colouring: the viridis ramp with the
// lowest value at its left end and the highest at its right.
#include <QWidget>

namespace vembrel {

class ColourScale : public QWidget {
  Q_OBJECT
 public:
  explicit ColourScale(QWidget* parent = nullptr);
  void setScale(double low, double high);
  QSize sizeHint() const override { return {220, 22}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  double low_ = 0;
  double high_ = 0;
};

}  // namespace vembrel
