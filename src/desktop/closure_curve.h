#pragma once
// A well's zone closure over its time points, drawn small beside the time
// slider: closure in % against hours, a dot per time point with a value, the
// time point shown ringed in red, the half-closed level dashed.
#include <QWidget>
#include <vector>

#include "results/kinetics.h"

namespace vembrel {

class ClosureCurve : public QWidget {
  Q_OBJECT
 public:
  explicit ClosureCurve(QWidget* parent = nullptr);
  /// The closure at each time point (empty where the well has none).
  void setCurve(std::vector<TimedValue> closure);
  const std::vector<TimedValue>& curve() const { return curve_; }
  /// The time point shown, marked on the curve.
  void setMarked(int timePoint);
  int marked() const { return marked_; }
  QSize sizeHint() const override { return {280, 110}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<TimedValue> curve_;
  int marked_ = 0;
};

}  // namespace vembrel
