#include "desktop/plate_overview_dialog.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

#include "desktop/picture_image.h"
#include "desktop/picture_view.h"
#include "engine/overview_thumbnail.h"
#include "plate/well_names.h"

namespace vembrel {
namespace {

constexpr int kThumbnailSize = 105;
constexpr int kPitch = 111;
constexpr QSize kGridSize(1387, 910);  // of a 96-well plate; a pitch more a column or row

}  // namespace

PlateOverviewDialog::PlateOverviewDialog(const Plate& plate, int radius, QWidget* parent)
    : QDialog(parent), plate_(plate), radius_(radius) {
  setObjectName(QStringLiteral("overviewDialog"));
  setWindowTitle(QStringLiteral("Overview"));
  setModal(true);

  const PlateFormat& format = plate_.format;
  const QSize gridSize =
      kGridSize + QSize(kPitch * (format.columns() - 12), kPitch * (format.rows() - 8));
  rings_.resize(plate_.wells.size());
  auto* grid = new QWidget;
  grid->setFixedSize(gridSize);
  QFont labelFont = font();
  labelFont.setPixelSize(27);
  for (int column = 0; column < format.columns(); ++column) {
    auto* label = new QLabel(QString::number(column + 1), grid);
    label->setFont(labelFont);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    label->setGeometry(47 + kPitch * column, 8, kThumbnailSize, 38);
  }
  for (int row = 0; row < format.rows(); ++row) {
    auto* label = new QLabel(QString::fromStdString(RowName(row)), grid);
    label->setFont(labelFont);
    label->setAlignment(Qt::AlignCenter);
    label->setGeometry(8, 48 + kPitch * row, 36, kThumbnailSize);
  }
  for (int well = 0; well < format.wellCount(); ++well) {
    auto* holder = new QLabel(grid);
    holder->setObjectName(QStringLiteral("thumbnail") +
                          QString::fromStdString(WellName(well, format)));
    const WellKey key = format.keyOf(well);
    holder->setGeometry(47 + kPitch * key.column, 48 + kPitch * key.row, kThumbnailSize,
                        kThumbnailSize);
    holder->setProperty("well", well);
    holder->installEventFilter(this);
  }
  auto* scroller = new QScrollArea;
  scroller->setWidget(grid);
  scroller->setFrameShape(QFrame::NoFrame);
  auto* close = new QPushButton(QStringLiteral("Close"));
  close->setObjectName(QStringLiteral("closeButton"));
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(scroller, 1);
  layout->addWidget(close, 0, Qt::AlignRight);

  // The whole grid where the screen has room for it, else as much as fits.
  QSize size = gridSize + QSize(30, 70);
  if (const QScreen* screen =
          parent != nullptr ? parent->screen() : QGuiApplication::primaryScreen()) {
    size = size.boundedTo(screen->availableSize() - QSize(20, 40));
  }
  resize(size);
}

QLabel* PlateOverviewDialog::thumbnail(int well) const {
  return findChild<QLabel*>(QStringLiteral("thumbnail") +
                            QString::fromStdString(WellName(well, plate_.format)));
}

void PlateOverviewDialog::build() {
  if (built_) return;
  built_ = true;
  setUpdatesEnabled(false);
  for (int well = 0; well < plate_.format.wellCount(); ++well) {
    if (plate_.wells[well].state != 1) continue;
    const std::optional<Ring>& ring = rings_[well];
    const Picture mosaic = OverviewThumbnail(plate_, well, radius_, !ring);
    const QImage full = ring ? ToQImageWithoutRingDisc(mosaic) : ToQImage(mosaic);
    if (full.isNull()) continue;
    QImage small = full.scaled(kThumbnailSize, kThumbnailSize, Qt::IgnoreAspectRatio,
                               Qt::SmoothTransformation);
    if (ring) {
      // The outline of the well windows, at the thumbnail's scale.
      const double scale = double(kThumbnailSize) / full.width();
      QPainter painter(&small);
      painter.setRenderHint(QPainter::Antialiasing, true);
      painter.setPen(QPen(QColor::fromRgb(PictureView::kOutlineColour), 2));
      painter.drawEllipse(
          QPointF((ring->x + 0.5) * scale, (full.height() - 1 - ring->y + 0.5) * scale),
          ring->radius * scale, ring->radius * scale);
    }
    thumbnail(well)->setPixmap(QPixmap::fromImage(small));
  }
  setUpdatesEnabled(true);
}

bool PlateOverviewDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonDblClick && watched->property("well").isValid()) {
    const int well = watched->property("well").toInt();
    if (plate_.wells[well].state == 1) {
      chosen_ = well;
      accept();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void PlateOverviewDialog::showEvent(QShowEvent* event) {
  build();
  QDialog::showEvent(event);
}

}  // namespace vembrel
