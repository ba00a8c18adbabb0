#pragma once
// The plate map of the control panel: a circle per well of the plate (96
// circles of 30 pixels, smaller ones on larger plates) with column and row
// labels on a raised panel of 489 x 329 pixels. Each circle shows its field
// quarters in the colours of the plate, or, when a result is chosen, is
// filled with that result's colour on the viridis scale from the lowest to
// the highest well. Wells with quality notes carry an orange mark. With a
// plate map the wells can be coloured by their condition or role, and the
// hover text shows each well's variables.
#include <QFrame>
#include <array>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/plate_results.h"
#include "plate/plate.h"
#include "results/measure_table.h"
#include "results/plate_map.h"
#include "results/time_course.h"

namespace vembrel {

/// What the plate map's wells are coloured by: their field pictures, a
/// colour-by measure of the measure table, the plate map's conditions or
/// roles (one colour per condition or role), or a kinetic of the wells over
/// the plate's time points.
struct PlateColouring {
  enum Kind { Pictures, Measure, Condition, Role, Kinetic };
  Kind kind = Pictures;
  const MeasureDescriptor* measure = nullptr;       // the measure of Measure
  TimeReadout readout = TimeReadout::ZoneCoverage;  // the readout of Kinetic
  const char* kinetic = "";  // of Kinetic: slope, t_half, auc_per_hour (see KineticValue)
  bool operator==(const PlateColouring& other) const {
    return kind == other.kind && measure == other.measure && readout == other.readout &&
           std::string_view(kinetic) == other.kinetic;
  }
};
/// The choices in their order: pictures, the colour-by measures in table
/// order, condition, role; with timePoints then the kinetics.
std::vector<PlateColouring> PlateColourings(bool timePoints = false);
/// "Pictures", "Immigrant nuclei", ...
QString ColouringCaption(const PlateColouring& colouring);

class PlateMap : public QFrame {
  Q_OBJECT
 public:
  explicit PlateMap(QWidget* parent = nullptr);

  /// Redraws from the plate (colours, states) and the wells' results.
  void showPlate(const Plate& plate, const PlateResults& results);
  void setColouring(PlateColouring colouring);
  PlateColouring colouring() const { return colouring_; }
  /// The plate map whose conditions and roles the wells can be coloured by
  /// (none: they cannot).
  void setWellMap(std::shared_ptr<const MappedPlate> map);
  const MappedPlate* wellMap() const { return wellMap_.get(); }
  /// The plate's wells followed over its time points, whose kinetics the
  /// wells can be coloured by (none: they cannot).
  void setTimeCourse(std::shared_ptr<const TimeCourse> course);
  /// The categories (conditions or roles) shown and their colours, in plate
  /// order of their first well; empty unless coloured by one of them.
  const std::vector<std::pair<QString, QColor>>& legend() const { return legend_; }
  /// The category colour a well is filled with; nothing when none.
  std::optional<QColor> categoryColour(int well) const;
  /// The hover text of a well: its name, the value shown, quality notes and
  /// the plate map's variables.
  QString wellText(int well) const;

  /// The value an included well is coloured by; nothing without one.
  std::optional<double> value(int well) const;
  /// Coloured by a kinetic, the well was followed but the kinetic has no
  /// value (too few points, the half level never reached): drawn white.
  bool withoutValue(int well) const { return withoutValue_.at(well); }
  /// The lowest and highest value of the wells coloured by a result.
  std::pair<double, double> scale() const { return scale_; }
  bool flagged(int well) const { return !notes_[well].isEmpty(); }

  /// Rectangle of a well's circle in map coordinates.
  QRect circleRect(int well) const;
  /// Where a flagged well's mark is drawn.
  QRect flagRect(int well) const;
  /// Well whose circle contains the point, -1 for none.
  int wellAt(const QPoint& point) const;

 signals:
  void wellPressed(int well, Qt::MouseButton button);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void updateValues();
  /// The plate map's entry for a well; none without a map or on a plate
  /// other than the map's 96 wells.
  const MappedWell* mappedWell(int well) const;
  /// Pixels from one circle to the next: 35 on plates of up to 12 columns.
  int pitch() const;

  Plate plate_;
  std::vector<std::optional<WellResults>> results_;
  std::vector<std::optional<double>> values_;
  std::vector<bool> withoutValue_;
  std::shared_ptr<const TimeCourse> course_;
  std::vector<QString> notes_;  // quality notes, "" when none
  std::pair<double, double> scale_{0, 0};
  PlateColouring colouring_;
  std::shared_ptr<const MappedPlate> wellMap_;
  std::vector<int> category_;  // index into legend_, -1 for none
  std::vector<std::pair<QString, QColor>> legend_;
};

}  // namespace vembrel
