#include "results/time_course.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <exception>
#include <mutex>
#include <thread>

#include "core/error.h"
#include "core/text_file.h"
#include "imaging/acquisition_time.h"
#include "plate/picture_size.h"
#include "plate/well_names.h"
#include "results/result_tables.h"

namespace vembrel {
namespace {

// Runs work(i) for i in 0..count on up to `jobs` threads.
template <typename Work>
void RunTasks(std::size_t count, int jobs, Work work) {
  std::atomic<std::size_t> next{0};
  const auto worker = [&] {
    for (std::size_t i = next++; i < count; i = next++) work(i);
  };
  const int threads = std::clamp<int>(jobs, 1, std::max<int>(1, static_cast<int>(count)));
  std::vector<std::thread> pool;
  for (int t = 1; t < threads; ++t) pool.emplace_back(worker);
  worker();
  for (std::thread& thread : pool) thread.join();
}

// The time point's included wells analysed in memory, each failure kept.
TimePointOutcome AnalyseInMemory(const TimePointWork& work, const TimeCourseOptions& options,
                                 std::atomic<int>& done, int total) {
  std::vector<int> wells;
  const int wellCount = work.plate->format.wellCount();
  for (int well = 0; well < wellCount; ++well) {
    if (work.plate->wells[well].state == 1) wells.push_back(well);
  }
  TimePointOutcome outcome;
  outcome.wells.resize(static_cast<std::size_t>(wellCount));
  std::mutex failures;
  RunTasks(wells.size(), options.jobs, [&](std::size_t i) {
    if (options.cancel != nullptr && options.cancel->load()) return;
    const int well = wells[i];
    try {
      SessionOptions session;
      session.cellLevel = options.cellLevel;
      session.zoneCoverage = true;
      if (work.held[well]) {
        session.ring = work.held[well];
        session.ringHeld = true;
        session.ringDrift = options.ringDrift;
      } else if (const auto given = options.firstRings.find(well);
                 given != options.firstRings.end()) {
        session.ring = given->second;
      } else {
        session.fitRadius = options.fitRadius;
      }
      outcome.wells[well] = WellSession(*work.plate, well, options.settings, session).results();
    } catch (const std::exception& e) {
      const std::lock_guard lock(failures);
      outcome.failures.push_back({work.index, well, e.what()});
    }
    if (options.progress) options.progress(++done, total);
  });
  return outcome;
}

double ReadoutOf(const WellAtTimePoint& well, TimeReadout readout) {
  switch (readout) {
    case TimeReadout::Nuclei:
      return static_cast<double>(well.results.nuclei);
    case TimeReadout::CalculatedNuclei:
      return static_cast<double>(well.results.calculatedNuclei);
    case TimeReadout::ZoneCoverage:
      break;
  }
  return well.results.zoneCoverage.value_or(0);
}

TableValue Value(const std::optional<double>& value) {
  return value ? TableValue(*value) : TableValue();
}

}  // namespace

TimeCourse RunTimeCourse(const std::vector<TimePointPlate>& points,
                         const TimeCourseOptions& options, const TimePointAnalyser& analyser) {
  if (points.empty()) throw Error("A time course needs at least one time point");
  TimeCourse course;
  course.cellLevel = options.cellLevel;
  for (std::size_t t = 0; t < points.size(); ++t) {
    if (t > 0 && !(points[t].hours > points[t - 1].hours)) {
      throw Error(
          "The hours of the time points must increase: " + ExactDecimalText(points[t - 1].hours) +
          " is followed by " + ExactDecimalText(points[t].hours));
    }
    course.hours.push_back(points[t].hours);
    course.plates.push_back(points[t].plate);
    course.numbers.push_back(points[t].number > 0 ? points[t].number : static_cast<int>(t) + 1);
  }
  course.format = points.front().plate.format;
  const int wellCount = course.format.wellCount();
  course.wells.assign(points.size(), std::vector<std::optional<WellAtTimePoint>>(wellCount));
  const auto included = [&](std::size_t t, int well) {
    const auto& wells = course.plates[t].wells;
    return well < static_cast<int>(wells.size()) && wells[well].state == 1;
  };
  for (int well = 0; well < wellCount; ++well) {
    const bool listed =
        options.wells.empty() ||
        std::find(options.wells.begin(), options.wells.end(), well) != options.wells.end();
    bool anywhere = false;
    for (std::size_t t = 0; t < points.size(); ++t) anywhere = anywhere || included(t, well);
    if (listed && anywhere) course.followed.push_back(well);
  }
  int total = 0;
  for (const int well : course.followed) {
    for (std::size_t t = 0; t < points.size(); ++t) total += included(t, well) ? 1 : 0;
  }
  std::atomic<int> done{0};

  // Each well's ring comes from the first time point that has the well. A
  // well whose first time point failed has no ring to hold: it is not
  // analysed later rather than fitted afresh on a closing zone.
  std::vector<std::optional<Ring>> held(static_cast<std::size_t>(wellCount));
  std::vector<bool> seen(static_cast<std::size_t>(wellCount));
  for (std::size_t t = 0; t < points.size(); ++t) {
    TimePointWork work;
    work.held.resize(static_cast<std::size_t>(wellCount));
    work.index = static_cast<int>(t);
    work.number = course.numbers[t];
    Plate plate = course.plates[t];
    for (WellRecord& record : plate.wells) record.state = 0;
    int skipped = 0;
    for (const int well : course.followed) {
      if (!included(t, well)) continue;
      if (seen[well] && !held[well]) {
        ++skipped;
        continue;
      }
      plate.wells[well].state = 1;
      work.held[well] = held[well];
    }
    work.plate = &plate;
    work.opened = &course.plates[t];
    done += skipped;
    if (skipped > 0 && options.progress) options.progress(done, total);
    const bool any = std::any_of(plate.wells.begin(), plate.wells.end(),
                                 [](const WellRecord& record) { return record.state == 1; });
    if (!any) continue;
    TimePointOutcome outcome =
        analyser ? analyser(work) : AnalyseInMemory(work, options, done, total);
    if (options.cancel != nullptr && options.cancel->load()) throw TimeCourseCancelled();
    for (const int well : course.followed) {
      if (plate.wells[well].state != 1) continue;
      seen[well] = true;
      auto& result = outcome.wells[well];
      if (!result) continue;
      WellAtTimePoint at{std::move(*result), 0};
      if (held[well]) {
        at.ringDrift = std::hypot(static_cast<double>(at.results.ring.x - held[well]->x),
                                  static_cast<double>(at.results.ring.y - held[well]->y));
      } else {
        held[well] = at.results.ring;
      }
      course.wells[t][well] = std::move(at);
    }
    course.failures.insert(course.failures.end(), outcome.failures.begin(), outcome.failures.end());
  }
  std::sort(course.failures.begin(), course.failures.end(), [](const auto& a, const auto& b) {
    return std::tie(a.timePoint, a.well) < std::tie(b.timePoint, b.well);
  });
  return course;
}

const char* TimeReadoutName(TimeReadout readout) {
  switch (readout) {
    case TimeReadout::Nuclei:
      return "nuclei";
    case TimeReadout::CalculatedNuclei:
      return "calculated_nuclei";
    case TimeReadout::ZoneCoverage:
      break;
  }
  return "zone_coverage";
}

std::vector<TimedValue> WellSeries(const TimeCourse& course, int well, TimeReadout readout,
                                   bool dropFlagged) {
  std::vector<TimedValue> series;
  for (std::size_t t = 0; t < course.hours.size(); ++t) {
    TimedValue point{course.hours[t], std::nullopt};
    const auto& analysed = course.wells[t][well];
    if (analysed && !(dropFlagged && !analysed->results.quality.empty())) {
      point.value = ReadoutOf(*analysed, readout);
    }
    series.push_back(point);
  }
  return readout == TimeReadout::ZoneCoverage ? ZoneClosure(series) : series;
}

Kinetics ReadoutKinetics(const std::vector<TimedValue>& series, TimeReadout readout) {
  return readout == TimeReadout::ZoneCoverage ? SeriesKinetics(series, 50) : CountKinetics(series);
}

Table TimeCourseTable(const TimeCourse& course) {
  Table table;
  std::vector<Table> perTimePoint;
  for (std::size_t t = 0; t < course.hours.size(); ++t) {
    PlateResults results(course.format);
    for (int well = 0; well < course.format.wellCount(); ++well) {
      if (const auto& analysed = course.wells[t][well]) results.wells[well] = analysed->results;
    }
    perTimePoint.push_back(WellsTable(course.plates[t], results, course.cellLevel));
  }
  if (perTimePoint.empty()) return table;
  // The wells table starts with plate and well; its measures follow them
  // here. A measure only some time points have keeps its place after the
  // measure before it; where rings came from is said only by tables with
  // rings not fitted, so the others' rings were fitted.
  std::vector<std::string> measures;
  for (const Table& wells : perTimePoint) {
    auto place = measures.begin();
    for (const std::string& column : wells.columns) {
      const auto found = std::find(measures.begin(), measures.end(), column);
      place = (found != measures.end() ? found : measures.insert(place, column)) + 1;
    }
  }
  table.columns = {measures[0], measures[1], "time_point", "hours"};
  table.columns.insert(table.columns.end(), measures.begin() + 2, measures.end());
  table.columns.emplace_back("ring_drift");
  for (const int well : course.followed) {
    for (std::size_t t = 0; t < course.hours.size(); ++t) {
      const auto& analysed = course.wells[t][well];
      if (!analysed) continue;
      const Table& wells = perTimePoint[t];
      const auto measured = [&](const std::string& column) {
        const auto found = std::find(wells.columns.begin(), wells.columns.end(), column);
        if (found != wells.columns.end()) return wells.rows[well][found - wells.columns.begin()];
        return column == "ring_source" ? TableValue(std::string("fitted")) : TableValue();
      };
      std::vector<TableValue> row{measured(measures[0]), measured(measures[1]),
                                  std::int64_t{course.numbers[t]}, course.hours[t]};
      for (std::size_t m = 2; m < measures.size(); ++m) row.push_back(measured(measures[m]));
      row.push_back(analysed->ringDrift);
      table.rows.push_back(std::move(row));
    }
  }
  return table;
}

namespace {

const std::vector<std::string> kKineticsColumns = {"n_points",  "slope",        "slope_se",
                                                   "r_squared", "t_half",       "t_half_censored",
                                                   "auc",       "auc_per_hour", "flags"};

void AddKinetics(std::vector<TableValue>& row, const Kinetics& k) {
  row.insert(row.end(),
             {std::int64_t{k.pointCount}, Value(k.slope), Value(k.slopeError), Value(k.rSquared),
              Value(k.halfTime), k.halfTimeCensored, Value(k.area), Value(k.areaPerHour),
              std::string(k.missingTimePoints ? "missing_time_points" : "")});
}

// The series of each of the condition's wells; with dropFlagged a point
// whose results carry a quality note is left out, before the zone's closure
// is measured from the first point kept.
std::vector<std::vector<TimedValue>> ConditionSeries(const TimeCourse& course,
                                                     const ConditionCourse& condition,
                                                     TimeReadout readout, bool dropFlagged) {
  std::vector<std::vector<TimedValue>> series;
  for (const int well : condition.wells)
    series.push_back(WellSeries(course, well, readout, dropFlagged));
  return series;
}

std::vector<TableValue> ConditionColumns(const ConditionCourse& condition, TimeReadout readout) {
  return {condition.condition, condition.compound, Value(condition.concentration), condition.unit,
          std::string(TimeReadoutName(readout))};
}

}  // namespace

Table KineticsTable(const TimeCourse& course) {
  Table table;
  table.columns = {"well", "readout"};
  table.columns.insert(table.columns.end(), kKineticsColumns.begin(), kKineticsColumns.end());
  for (const int well : course.followed) {
    for (const TimeReadout readout : kTimeReadouts) {
      std::vector<TableValue> row{WellName(well, course.format),
                                  std::string(TimeReadoutName(readout))};
      AddKinetics(row, ReadoutKinetics(WellSeries(course, well, readout), readout));
      table.rows.push_back(std::move(row));
    }
  }
  return table;
}

std::vector<ConditionCourse> CourseConditions(const TimeCourse& course, const MappedPlate& map) {
  std::vector<ConditionCourse> conditions;
  for (const int well : course.followed) {
    const MappedWell& mapped = map.wells[well];
    if (mapped.condition.empty()) continue;
    auto found = std::find_if(conditions.begin(), conditions.end(),
                              [&](const auto& c) { return c.condition == mapped.condition; });
    if (found == conditions.end()) {
      conditions.push_back(
          {mapped.condition, mapped.compound, mapped.concentration, mapped.unit, {well}});
      continue;
    }
    if (found->compound != mapped.compound) found->compound.clear();
    if (found->concentration != mapped.concentration) found->concentration.reset();
    if (found->unit != mapped.unit) found->unit.clear();
    found->wells.push_back(well);
  }
  return conditions;
}

Table ConditionCurvesTable(const TimeCourse& course, const MapRequest& map) {
  Table table;
  table.columns = {"condition",  "compound", "concentration", "unit", "readout",
                   "time_point", "hours",    "n_wells",       "mean", "sd"};
  for (const ConditionCourse& condition : CourseConditions(course, map.map)) {
    for (const TimeReadout readout : kTimeReadouts) {
      const auto series = ConditionSeries(course, condition, readout, map.dropFlagged);
      for (std::size_t t = 0; t < course.hours.size(); ++t) {
        std::vector<double> values;
        for (const auto& well : series) {
          if (well[t].value) values.push_back(*well[t].value);
        }
        const Description d = Describe(values);
        std::vector<TableValue> row = ConditionColumns(condition, readout);
        row.insert(row.end(), {std::int64_t{course.numbers[t]}, course.hours[t], std::int64_t{d.n},
                               Value(d.mean), Value(d.sd)});
        table.rows.push_back(std::move(row));
      }
    }
  }
  return table;
}

Table ConditionKineticsTable(const TimeCourse& course, const MapRequest& map) {
  Table table;
  table.columns = {"condition", "compound", "concentration", "unit", "readout", "n_wells"};
  table.columns.insert(table.columns.end(), kKineticsColumns.begin(), kKineticsColumns.end());
  for (const ConditionCourse& condition : CourseConditions(course, map.map)) {
    for (const TimeReadout readout : kTimeReadouts) {
      const auto series = ConditionSeries(course, condition, readout, map.dropFlagged);
      std::vector<TableValue> row = ConditionColumns(condition, readout);
      row.emplace_back(static_cast<std::int64_t>(condition.wells.size()));
      AddKinetics(row, ReadoutKinetics(MeanSeries(series), readout));
      table.rows.push_back(std::move(row));
    }
  }
  return table;
}

std::vector<double> ParseHours(const std::string& text, std::size_t timePoints) {
  std::vector<double> hours;
  std::string_view rest = text;
  while (true) {
    const std::size_t comma = rest.find(',');
    const std::string_view item = rest.substr(0, comma);
    double value = 0;
    const auto [end, error] = std::from_chars(item.data(), item.data() + item.size(), value);
    if (item.empty() || error != std::errc() || end != item.data() + item.size() ||
        !std::isfinite(value) || value < 0) {
      throw Error("--hours '" + text + "': '" + std::string(item) +
                  "' is not a number of hours (0 or more)");
    }
    if (!hours.empty() && !(value > hours.back())) {
      throw Error("--hours '" + text + "': the hours must increase, but " + std::string(item) +
                  " follows " + ExactDecimalText(hours.back()));
    }
    hours.push_back(value);
    if (comma == std::string_view::npos) break;
    rest.remove_prefix(comma + 1);
  }
  if (hours.size() != timePoints) {
    throw Error("--hours '" + text + "' gives " + std::to_string(hours.size()) + " times for " +
                std::to_string(timePoints) + " time points");
  }
  return hours;
}

namespace {

// The first field picture of the plate's first included well, for comparing sizes.
std::string FirstPicture(const Plate& plate) {
  for (const WellRecord& well : plate.wells) {
    if (well.state != 1) continue;
    for (const std::string& file : well.blueFiles) {
      if (!file.empty()) return file;
    }
  }
  return "";
}

// Hours since the first time point from the times `timeOf` gives each time
// point's first picture; none unless every time point has one and they increase.
template <typename TimeOf>
std::optional<std::vector<double>> HoursFrom(const std::vector<TimePointPlate>& points,
                                             const TimeOf& timeOf) {
  std::vector<double> seconds;
  for (const TimePointPlate& point : points) {
    const std::string picture = FirstPicture(point.plate);
    if (picture.empty()) return std::nullopt;
    const std::optional<double> time = timeOf(point.plate, picture);
    if (!time || (!seconds.empty() && !(*time > seconds.back()))) return std::nullopt;
    seconds.push_back(*time);
  }
  std::vector<double> hours;
  for (const double s : seconds) hours.push_back((s - seconds.front()) / 3600);
  return hours;
}

// When the instrument took a time point's picture: the stamp of its name,
// else the DeltaT of its OME-XML, else the <AbsTime> of a Harmony-style
// index, else the MetaSeries time.
std::optional<double> RecordedTime(const Plate& plate, const std::string& picture) {
  if (!plate.timeStamp.empty()) return NameTimeStampSeconds(plate.timeStamp);
  if (plate.recordedSeconds) return plate.recordedSeconds;
  if (auto time = IndexAcquisitionTime(plate.path, picture.substr(plate.path.size()))) return time;
  return TiffAcquisitionTime(picture);
}

std::string HoursText(const std::vector<double>& hours) {
  std::string text;
  for (const double h : hours) text += (text.empty() ? "" : ",") + ExactDecimalText(h);
  return text;
}

}  // namespace

std::vector<TimePointPlate> OpenTimeSeries(const std::vector<std::string>& plates,
                                           const PlateOpenOptions& options,
                                           const std::string& hours,
                                           std::vector<std::string>& notes) {
  std::vector<TimePointPlate> points;
  if (plates.size() == 1) {
    const Plate first = OpenPlate(plates.front(), options);
    for (const int t : first.timePoints) {
      PlateOpenOptions at = options;
      at.timePoint = t;
      points.push_back({t == first.timePoint ? first : OpenPlate(plates.front(), at), 0, t});
    }
  } else {
    for (const std::string& plate : plates) points.push_back({OpenPlate(plate, options), 0});
  }
  // The times the instrument recorded, else --hours, else the files' own
  // DateTime tags, else the time points' numbers.
  const std::optional<std::vector<double>> given =
      hours.empty() ? std::nullopt : std::optional(ParseHours(hours, points.size()));
  std::optional<std::vector<double>> taken = HoursFrom(points, RecordedTime);
  const bool recorded = taken.has_value();
  if (!recorded && !given)
    taken = HoursFrom(
        points, [](const Plate&, const std::string& picture) { return TiffDateTime(picture); });
  if (recorded && given) {
    for (std::size_t t = 0; t < points.size(); ++t) {
      if (std::abs((*given)[t] - (*taken)[t]) > 1.0 / 60) {
        notes.push_back("--hours '" + hours + "' was not used: the acquisition times recorded " +
                        "give the hours " + HoursText(*taken));
        break;
      }
    }
  }
  if (taken || given) {
    const std::vector<double>& chosen = taken ? *taken : *given;
    for (std::size_t t = 0; t < points.size(); ++t) points[t].hours = chosen[t];
    if (taken && points.size() > 1) {
      notes.push_back(recorded ? "The hours come from the pictures' acquisition times"
                               : "The hours come from the pictures' DateTime tags (when the "
                                 "files were made)");
    }
  } else {
    for (std::size_t t = 0; t < points.size(); ++t) {
      points[t].hours = plates.size() == 1
                            ? points[t].plate.timePoint - points.front().plate.timePoint
                            : static_cast<double>(t);
    }
    if (points.size() > 1) {
      notes.push_back(
          "No --hours given and no acquisition times in the pictures: the time "
          "points are taken as 1 hour apart per step of their numbers");
    }
  }
  // One camera and one reduction for the whole series.
  const std::string reference = FirstPicture(points.front().plate);
  const std::optional<PictureSize> size = ReadTiffSize(reference);
  for (const TimePointPlate& point : points) {
    const std::string picture = FirstPicture(point.plate);
    const std::optional<PictureSize> other = ReadTiffSize(picture);
    if (size && other && !(*size == *other)) {
      throw Error("The time points' pictures differ in size: '" + reference + "' is " +
                  SizeText(*size) + ", '" + picture + "' is " + SizeText(*other));
    }
  }
  return points;
}

std::vector<std::string> WriteTimeCourseFiles(const std::string& resultsFolder,
                                              const std::string& prefix, const TimeCourse& course,
                                              const std::optional<MapRequest>& map) {
  std::vector<std::string> written;
  const auto write = [&](const char* kind, const Table& table) {
    written.push_back(TableFileName(resultsFolder, prefix, kind));
    WriteFileAtomically(written.back(), CsvText(table));
  };
  write("timecourse", TimeCourseTable(course));
  write("kinetics", KineticsTable(course));
  if (map) {
    write("condition_curves", ConditionCurvesTable(course, *map));
    write("condition_kinetics", ConditionKineticsTable(course, *map));
  }
  return written;
}

}  // namespace vembrel
