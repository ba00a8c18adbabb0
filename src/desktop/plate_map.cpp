#include "desktop/plate_map.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>
#include <algorithm>

#include "render/colour_map.h"
#include "results/time_course_report.h"

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

// Twelve distinct colours, then hues a golden angle apart (as the report page).
QColor CategoryColour(std::size_t index) {
  static const char* const kPalette[] = {"#1f77b4", "#ff7f0e", "#2ca02c", "#d62728",
                                         "#9467bd", "#8c564b", "#e377c2", "#7f7f7f",
                                         "#bcbd22", "#17becf", "#393b79", "#637939"};
  if (index < std::size(kPalette)) return QColor(QString::fromLatin1(kPalette[index]));
  return QColor::fromHsl(static_cast<int>(static_cast<double>(index) * 137.508) % 360, 153, 128);
}

}  // namespace

std::vector<PlateColouring> PlateColourings(bool timePoints) {
  std::vector<PlateColouring> choices{{PlateColouring::Pictures}};
  for (const MeasureDescriptor* m :
       MeasuresOf(MeasureLevel::Well, MeasureConditions{}, kInColourBy)) {
    choices.push_back({PlateColouring::Measure, m});
  }
  choices.push_back({PlateColouring::Condition});
  choices.push_back({PlateColouring::Role});
  if (timePoints) {
    for (const char* kinetic : {"t_half", "slope", "auc_per_hour"}) {
      choices.push_back({PlateColouring::Kinetic, nullptr, TimeReadout::ZoneCoverage, kinetic});
    }
    choices.push_back({PlateColouring::Kinetic, nullptr, TimeReadout::Nuclei, "slope"});
  }
  return choices;
}

QString ColouringCaption(const PlateColouring& colouring) {
  switch (colouring.kind) {
    case PlateColouring::Measure:
      return QString::fromUtf8(colouring.measure->caption.data(),
                               static_cast<qsizetype>(colouring.measure->caption.size()));
    case PlateColouring::Condition:
      return QStringLiteral("Condition (plate map)");
    case PlateColouring::Role:
      return QStringLiteral("Role (plate map)");
    case PlateColouring::Kinetic: {
      const QString readout =
          colouring.readout == TimeReadout::ZoneCoverage ? QStringLiteral("Zone closure")
          : colouring.readout == TimeReadout::Nuclei     ? QStringLiteral("Immigrant nuclei")
                                                         : QStringLiteral("Calculated nuclei");
      const std::string_view kinetic = colouring.kinetic;
      const QString what = kinetic == "t_half"         ? QStringLiteral("time to half (h)")
                           : kinetic == "auc_per_hour" ? QStringLiteral("mean over time")
                                                       : QStringLiteral("slope per hour");
      return readout + QStringLiteral(": ") + what;
    }
    case PlateColouring::Pictures:
      break;
  }
  return QStringLiteral("Pictures");
}

PlateMap::PlateMap(QWidget* parent) : QFrame(parent) {
  setObjectName(QStringLiteral("plateMap"));
  setFrameStyle(QFrame::Panel | QFrame::Raised);
  setLineWidth(2);
  setFixedSize(489, 329);
}

void PlateMap::showPlate(const Plate& plate, const PlateResults& results) {
  plate_ = plate;
  results_ = results.wells;
  results_.resize(plate_.wells.size());
  updateValues();
}

const MappedWell* PlateMap::mappedWell(int well) const {
  if (!wellMap_ || plate_.format.wellCount() != kMappedWells) return nullptr;
  return &wellMap_->wells.at(well);
}

int PlateMap::pitch() const {
  return plate_.format.columns() <= 12 ? 35 : 35 * 12 / plate_.format.columns();
}

void PlateMap::setColouring(PlateColouring colouring) {
  colouring_ = colouring;
  updateValues();
}

void PlateMap::setWellMap(std::shared_ptr<const MappedPlate> map) {
  wellMap_ = std::move(map);
  updateValues();
}

void PlateMap::setTimeCourse(std::shared_ptr<const TimeCourse> course) {
  course_ = std::move(course);
  updateValues();
}

std::optional<double> PlateMap::value(int well) const {
  return values_.at(well);
}

std::optional<QColor> PlateMap::categoryColour(int well) const {
  const int category = category_.at(well);
  if (category < 0) return std::nullopt;
  return legend_[category].second;
}

QString PlateMap::wellText(int well) const {
  QString text = QString::fromStdString(plate_.wells[well].name);
  if (const std::optional<double>& shown = values_[well]) {
    text += QStringLiteral(": %1 %2").arg(*shown).arg(ColouringCaption(colouring_).toLower());
  } else if (withoutValue_[well]) {
    text += QStringLiteral(": no %1").arg(ColouringCaption(colouring_).toLower());
  }
  if (flagged(well)) text += QStringLiteral("\nCheck: ") + notes_[well];
  if (const MappedWell* entry = mappedWell(well); entry != nullptr && entry->mapped) {
    const MappedWell& mapped = *entry;
    const auto add = [&text](const QString& name, const std::string& value) {
      if (!value.empty())
        text += QStringLiteral("\n%1: %2").arg(name, QString::fromStdString(value));
    };
    add(QStringLiteral("role"), mapped.role ? WellRoleWord(*mapped.role) : "");
    add(QStringLiteral("compound"), mapped.compound);
    if (mapped.concentration) {
      text += QStringLiteral("\nconcentration: %1").arg(*mapped.concentration);
    }
    add(QStringLiteral("unit"), mapped.unit);
    add(QStringLiteral("condition"), mapped.condition);
    for (std::size_t i = 0; i < wellMap_->otherVariables.size(); ++i) {
      add(QString::fromStdString(wellMap_->otherVariables[i]), mapped.others[i]);
    }
  }
  return text;
}

void PlateMap::updateValues() {
  const int wellCount = plate_.format.wellCount();
  category_.assign(static_cast<std::size_t>(wellCount), -1);
  values_.resize(static_cast<std::size_t>(wellCount));
  notes_.resize(static_cast<std::size_t>(wellCount));
  legend_.clear();
  const bool byCategory =
      colouring_.kind == PlateColouring::Condition || colouring_.kind == PlateColouring::Role;
  if (byCategory && mappedWell(0) != nullptr) {
    std::vector<std::string> names;
    for (int well = 0; well < wellCount; ++well) {
      const MappedWell& mapped = *mappedWell(well);
      const std::string name = colouring_.kind == PlateColouring::Condition
                                   ? mapped.condition
                                   : (mapped.role ? WellRoleWord(*mapped.role) : "");
      if (name.empty()) continue;
      auto at = std::find(names.begin(), names.end(), name);
      if (at == names.end()) {
        names.push_back(name);
        legend_.emplace_back(QString::fromStdString(name), CategoryColour(names.size() - 1));
        at = names.end() - 1;
      }
      category_[well] = static_cast<int>(at - names.begin());
    }
  }
  bool any = false;
  const auto show = [&](int well, double value) {
    values_[well] = value;
    scale_ = any ? std::pair(std::min(scale_.first, value), std::max(scale_.second, value))
                 : std::pair(value, value);
    any = true;
  };
  withoutValue_.assign(static_cast<std::size_t>(wellCount), false);
  for (int well = 0; well < wellCount; ++well) {
    values_[well].reset();
    notes_[well].clear();
    const bool followed =
        course_ != nullptr && std::find(course_->followed.begin(), course_->followed.end(), well) !=
                                  course_->followed.end();
    if (colouring_.kind == PlateColouring::Kinetic && followed && plate_.wells[well].state == 1) {
      const Kinetics kinetics =
          ReadoutKinetics(WellSeries(*course_, well, colouring_.readout), colouring_.readout);
      if (const std::optional<double> value = KineticValue(kinetics, colouring_.kinetic)) {
        show(well, *value);
      } else {
        withoutValue_[well] = true;
      }
    }
    const std::optional<WellResults>& results = results_[well];
    if (!results || plate_.wells[well].state != 1) continue;
    QStringList notes;
    for (QualityNote note : results->quality) {
      notes << QString::fromLatin1(QualityNoteName(note).data(),
                                   static_cast<qsizetype>(QualityNoteName(note).size()));
    }
    notes_[well] = notes.join(QStringLiteral(", "));
    if (colouring_.kind != PlateColouring::Measure) continue;
    const TableValue measured = colouring_.measure->read(*results, 0);
    if (const auto* count = std::get_if<std::int64_t>(&measured)) {
      show(well, static_cast<double>(*count));
    } else if (const auto* decimal = std::get_if<double>(&measured)) {
      show(well, *decimal);
    }
  }
  if (!any) scale_ = {0, 0};
  update();
}

QRect PlateMap::circleRect(int well) const {
  const WellKey key = plate_.format.keyOf(well);
  const int size = pitch() * kCircleSize / 35;
  return QRect(key.column * pitch() + 55, key.row * pitch() + 40, size, size);
}

QRect PlateMap::flagRect(int well) const {
  const QRect circle = circleRect(well);
  const int scale = pitch();  // the mark shrinks with the circles
  return QRect(circle.right() - 9 * scale / 35, circle.top() - 3 * scale / 35, 13 * scale / 35,
               12 * scale / 35);
}

int PlateMap::wellAt(const QPoint& point) const {
  for (int well = 0; well < plate_.format.wellCount(); ++well) {
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
    if (const std::optional<QColor> colour = categoryColour(well.index)) {
      painter.setBrush(*colour);
      painter.drawEllipse(box);
      continue;
    }
    if (const std::optional<double>& value = values_[well.index]) {
      const Rgb colour = ViridisColour(*value, scale_.first, scale_.second);
      painter.setBrush(QColor(colour.r, colour.g, colour.b));
      painter.drawEllipse(box);
      continue;
    }
    if (withoutValue_[well.index]) {
      painter.setBrush(Qt::white);
      painter.drawEllipse(box);
      continue;
    }
    for (int field = 0; field < 4; ++field) {
      if (well.quarter[field] == QuarterColour::None) continue;
      painter.setBrush(QuarterQColor(well.quarter[field]));
      painter.drawPie(box, kQuarterStartDegrees[field] * 16, 90 * 16);
    }
  }

  // Grey outlines until the first plate is opened, black after.
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(plate_.open ? QColor(0, 0, 0) : QColor(128, 128, 128), 1));
  for (int well = 0; well < plate_.format.wellCount(); ++well) {
    painter.drawEllipse(circleRect(well).adjusted(0, 0, -1, -1));
  }

  // Flagged wells: an orange warning triangle at the circle's upper right.
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setPen(QPen(Qt::black, 1));
  painter.setBrush(QColor(255, 140, 0));
  for (int well = 0; well < plate_.format.wellCount(); ++well) {
    if (!flagged(well)) continue;
    const QRectF mark = flagRect(well);
    QPainterPath triangle;
    triangle.moveTo(mark.center().x(), mark.top());
    triangle.lineTo(mark.right(), mark.bottom());
    triangle.lineTo(mark.left(), mark.bottom());
    triangle.closeSubpath();
    painter.drawPath(triangle);
  }

  painter.setRenderHint(QPainter::Antialiasing, false);
  QFont font = painter.font();
  font.setPointSize(12);
  painter.setFont(font);
  painter.setPen(palette().windowText().color());
  // On larger plates every second (fourth) column and row is labelled.
  const int every = std::max(1, plate_.format.columns() / 12);
  for (int column = 1; column <= plate_.format.columns(); column += every) {
    painter.drawText(QRect((column - 1) * pitch() + 60, 5, 30, 30), Qt::AlignLeft | Qt::AlignTop,
                     QString::number(column));
  }
  for (int row = 1; row <= plate_.format.rows(); row += every) {
    painter.drawText(QRect(25, (row - 1) * pitch() + 45, 30, 30), Qt::AlignLeft | Qt::AlignTop,
                     QString::fromStdString(RowName(row - 1)));
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

bool PlateMap::event(QEvent* event) {
  if (event->type() != QEvent::ToolTip) return QFrame::event(event);
  auto* help = static_cast<QHelpEvent*>(event);
  const int well = wellAt(help->pos());
  if (well < 0) {
    QToolTip::hideText();
    event->ignore();
    return true;
  }
  QToolTip::showText(help->globalPos(), wellText(well), this);
  return true;
}

}  // namespace vembrel
