#pragma once
// The "Results" group of the "Immigrant cells" tab: the counts, the ring
// increment and the density chart drawn to its fixed geometry; the well
// window places the rows.
#include <QGroupBox>

#include "engine/well_session.h"

namespace vembrel {

class ResultsGroup : public QGroupBox {
  Q_OBJECT
 public:
  explicit ResultsGroup(QWidget* parent = nullptr);
  void showChart(const DensityChart& chart);
  const DensityChart& chart() const { return chart_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  DensityChart chart_;
};

}  // namespace vembrel
