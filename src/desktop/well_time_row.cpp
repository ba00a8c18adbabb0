// The well window's time row on a plate imaged again and again: a slider
// through the time points that shows the well at each with the ring of its
// first time point held (as the time course holds it), the zone's coverage
// there, and the well's closure curve over all time points from the core's
// time course.
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include "desktop/closure_curve.h"
#include "desktop/well_window_widget.h"

namespace vembrel {

void WellWindowWidget::buildTimeRow(QVBoxLayout* layout) {
  const std::vector<TimePointPlate>& series = host_.timeSeries();
  if (series.size() < 2) return;
  timeRow_ = new QWidget(this);
  timeRow_->setObjectName(QStringLiteral("timeRow"));
  timeRow_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  auto* row = new QHBoxLayout(timeRow_);
  row->setContentsMargins(4, 0, 4, 0);
  auto* column = new QVBoxLayout;
  timeLabel_ = new QLabel(timeRow_);
  timeLabel_->setObjectName(QStringLiteral("timePointLabel"));
  timeSlider_ = new QSlider(Qt::Horizontal, timeRow_);
  timeSlider_->setObjectName(QStringLiteral("timeSlider"));
  timeSlider_->setRange(0, static_cast<int>(series.size()) - 1);
  timeSlider_->setPageStep(1);
  timeSlider_->setTickPosition(QSlider::TicksBelow);
  timeSlider_->setToolTip(
      QStringLiteral("The well at each time point, with the ring of its first time point held"));
  zoneCoverage_ = new QLabel(timeRow_);
  zoneCoverage_->setObjectName(QStringLiteral("zoneCoverageLabel"));
  column->addWidget(timeLabel_);
  column->addWidget(timeSlider_);
  column->addWidget(zoneCoverage_);
  column->addStretch(1);
  row->addLayout(column, 1);
  closureCurve_ = new ClosureCurve(timeRow_);
  row->addWidget(closureCurve_);
  layout->addWidget(timeRow_);
  // The well opens at the time point the plate was opened at.
  for (std::size_t t = 0; t < series.size(); ++t) {
    if (series[t].plate.timePoint == session_->plate().timePoint) timePoint_ = static_cast<int>(t);
  }
  connect(timeSlider_, &QSlider::valueChanged, this, &WellWindowWidget::showTimePoint);
}

void WellWindowWidget::showTimePoint(int index) {
  if (session_ == nullptr || refreshing_ || index == timePoint_) return;
  const std::vector<TimePointPlate>& series = host_.timeSeries();
  if (timePoint_ == 0) firstRing_ = session_->ring();
  if (firstRing_ && index >= 0 && index < static_cast<int>(series.size())) {
    try {
      session_->showAcquisition(series[index].plate, *firstRing_, index != 0);
      timePoint_ = index;
    } catch (const std::exception& e) {
      host_.reportError(QString::fromStdString(e.what()));
    }
  }
  host_.refreshAll();
}

void WellWindowWidget::refreshTimeRow(const WellSession& session) {
  const std::vector<TimePointPlate>& series = host_.timeSeries();
  if (timePoint_ >= static_cast<int>(series.size())) return;
  // At the first time point the ring shown is the one later time points hold.
  if (timePoint_ == 0) firstRing_ = session.ring();
  const int cutoff = session.settings().cells.greenCutoff;
  if (!firstRing_ || !curveDrawnFor_ || *curveDrawnFor_ != std::pair(*firstRing_, cutoff)) {
    TimeCourseOptions options;
    options.settings = session.settings();
    options.wells = {session.well()};
    if (firstRing_) {
      options.firstRings[session.well()] = *firstRing_;
    } else if (const Workspace& workspace = host_.workspace(); workspace.reviewedRing) {
      if (const auto reviewed = workspace.reviewedRing(session.well())) {
        options.firstRings[session.well()] = *reviewed;
      }
    }
    try {
      const TimeCourse course = RunTimeCourse(series, options);
      if (const auto& first = course.wells.front()[session.well()]; first && !firstRing_) {
        firstRing_ = first->results.ring;
      }
      closureCurve_->setCurve(WellSeries(course, session.well(), TimeReadout::ZoneCoverage));
      if (firstRing_) curveDrawnFor_ = std::pair(*firstRing_, cutoff);
    } catch (const std::exception& e) {
      closureCurve_->setCurve({});
      // Said once, not at every refresh.
      if (firstRing_) curveDrawnFor_ = std::pair(*firstRing_, cutoff);
      host_.reportError(QString::fromStdString(e.what()));
    }
  }
  closureCurve_->setMarked(timePoint_);
  const QSignalBlocker block(timeSlider_);
  timeSlider_->setValue(timePoint_);
  timeLabel_->setText(QStringLiteral("Time point %1: %2 h")
                          .arg(series[timePoint_].plate.timePoint)
                          .arg(series[timePoint_].hours));
  const std::optional<double>& coverage = session.results().zoneCoverage;
  zoneCoverage_->setText(coverage ? QStringLiteral("Zone coverage: %1 %").arg(*coverage, 0, 'f', 1)
                                  : QStringLiteral("Zone coverage: -"));
}

}  // namespace vembrel
