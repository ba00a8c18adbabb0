#include "desktop/overview.h"

#include <QLabel>
#include <QPushButton>

#include "desktop/picture_image.h"
#include "engine/overview_thumbnail.h"

namespace vembrel {
namespace {

constexpr int kThumbnailSize = 105;
constexpr int kPitch = 111;

}  // namespace

TOverview::TOverview(const Plate& plate, int radius, QWidget* parent)
    : QDialog(parent), plate_(plate), radius_(radius) {
  setObjectName(QStringLiteral("Overview"));
  setWindowTitle(QStringLiteral("Overview"));
  setModal(true);
  setFixedSize(1387, 960);

  QFont labelFont = font();
  labelFont.setPixelSize(27);
  for (int column = 0; column < 12; ++column) {
    auto* label = new QLabel(QString::number(column + 1), this);
    label->setFont(labelFont);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    label->setGeometry(47 + kPitch * column, 8, kThumbnailSize, 38);
  }
  for (int row = 0; row < 8; ++row) {
    auto* label = new QLabel(QString(QChar('A' + row)), this);
    label->setFont(labelFont);
    label->setAlignment(Qt::AlignCenter);
    label->setGeometry(8, 48 + kPitch * row, 36, kThumbnailSize);
  }
  for (int well = 0; well < 96; ++well) {
    auto* holder = new QLabel(this);
    holder->setObjectName(QStringLiteral("Image%1").arg(well + 1));
    holder->setGeometry(47 + kPitch * (well % 12), 48 + kPitch * (well / 12), kThumbnailSize,
                        kThumbnailSize);
  }
  auto* close = new QPushButton(QStringLiteral("Close"), this);
  close->setObjectName(QStringLiteral("Close"));
  close->setGeometry(1387 - 110, 960 - 40, 95, 28);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

QLabel* TOverview::thumbnail(int well) const {
  return findChild<QLabel*>(QStringLiteral("Image%1").arg(well + 1));
}

void TOverview::build() {
  if (built_) return;
  built_ = true;
  setUpdatesEnabled(false);
  for (int well = 0; well < 96; ++well) {
    if (plate_.wells[well].state != 1) continue;
    const QImage full = ToQImage(OverviewThumbnail(plate_, well, radius_));
    if (full.isNull()) continue;
    thumbnail(well)->setPixmap(QPixmap::fromImage(full.scaled(
        kThumbnailSize, kThumbnailSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
  }
  setUpdatesEnabled(true);
}

void TOverview::showEvent(QShowEvent* event) {
  build();
  QDialog::showEvent(event);
}

}  // namespace vembrel
