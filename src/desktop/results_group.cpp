#include "desktop/results_group.h"

#include <QLabel>
#include <QPainter>

namespace vembrel {
namespace {

// Chart frame: vertical axis at (26, 181) 100 high, horizontal axis at
// (26, 280) 180 wide; bars stand on the horizontal axis.
constexpr int kAxisLeft = 26;
constexpr int kAxisTop = 181;
constexpr int kAxisBottom = 280;
constexpr int kChartWidth = 180;
constexpr int kChartHeight = 100;

}  // namespace

ResultsGroup::ResultsGroup(QWidget* parent) : QGroupBox(QStringLiteral("Results"), parent) {
  setObjectName(QStringLiteral("ResultsGroup"));
  setFixedSize(250, 312);
  const char* ticks[] = {"0-", "20-", "40-", "60-", "80-", "100-"};
  QFont small = font();
  small.setPixelSize(9);
  for (int i = 0; i < 6; ++i) {
    auto* tick = new QLabel(QString::fromLatin1(ticks[i]), this);
    tick->setFont(small);
    tick->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    tick->setGeometry(0, kAxisBottom - i * 20 - 6, kAxisLeft - 1, 12);
  }
  auto* caption = new QLabel(QStringLiteral("Density of cells, outwards:"), this);
  caption->setGeometry(kAxisLeft, kAxisTop - 22, 200, 18);
}

void ResultsGroup::showChart(const DensityChart& chart) {
  if (chart.barWidth == chart_.barWidth && chart.heights == chart_.heights) return;
  chart_ = chart;
  update();
}

void ResultsGroup::paintEvent(QPaintEvent* event) {
  QGroupBox::paintEvent(event);
  QPainter painter(this);
  // Blank panel, then one bar per ring increment (black outline, white inside).
  painter.fillRect(kAxisLeft + 1, kAxisBottom - kChartHeight, kChartWidth, kChartHeight, Qt::white);
  painter.setPen(Qt::black);
  painter.setBrush(Qt::white);
  for (std::size_t k = 0; k < chart_.heights.size(); ++k) {
    const int height = chart_.heights[k];
    if (height <= 0 || chart_.barWidth <= 0) continue;
    painter.drawRect(kAxisLeft + int(k) * chart_.barWidth, kAxisBottom - height,
                     chart_.barWidth - 1, height - 1);
  }
  painter.fillRect(kAxisLeft, kAxisTop, 1, kChartHeight, Qt::black);
  painter.fillRect(kAxisLeft, kAxisBottom, kChartWidth, 1, Qt::black);
}

}  // namespace vembrel
