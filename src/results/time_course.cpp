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
#include "imaging/zone_coverage.h"
#include "plate/picture_size.h"
#include "plate/well_names.h"
#include "results/result_tables.h"

namespace vembrel {
namespace {

struct Task {
  int timePoint;
  int well;
};

// Runs every task on up to `jobs` threads; a task's failure is kept, never thrown.
template <typename Work>
void RunTasks(const std::vector<Task>& tasks, int jobs, Work work) {
  std::atomic<std::size_t> next{0};
  const auto worker = [&] {
    for (std::size_t i = next++; i < tasks.size(); i = next++) work(tasks[i]);
  };
  const int threads = std::clamp<int>(jobs, 1, std::max<int>(1, static_cast<int>(tasks.size())));
  std::vector<std::thread> pool;
  for (int t = 1; t < threads; ++t) pool.emplace_back(worker);
  worker();
  for (std::thread& thread : pool) thread.join();
}

WellAtTimePoint AnalyseWell(const Plate& plate, int well, const TimeCourseOptions& options,
                            const std::optional<RingPlacement>& held) {
  SessionOptions sessionOptions;
  AnalysisSettings settings = options.settings;
  if (held) {
    settings.ring.radius = held->radius;
  } else {
    sessionOptions.fitRadius = options.fitRadius;
  }
  WellSession session(plate, well, settings, sessionOptions);
  WellAtTimePoint result;
  if (held) {
    const RingPlacement fitted = session.ring();
    const double drift = std::hypot(static_cast<double>(fitted.x - held->x),
                                    static_cast<double>(fitted.y - held->y));
    if (options.ringDrift && drift <= *options.ringDrift) {
      result.ringDrift = drift;
    } else if (!(fitted == *held)) {
      session.placeRing(held->x, held->y);
    }
  }
  if (options.cellLevel) session.setCellLevel(true);
  result.results = session.results();
  const RingPlacement& ring = result.results.ring;
  result.zoneCoverage = ZoneCoverage(session.pictures().greenMosaic, ring.x, ring.y, ring.radius,
                                     settings.cells.greenCutoff);
  return result;
}

double Readout(const WellAtTimePoint& well, TimeReadout readout) {
  switch (readout) {
    case TimeReadout::Nuclei:
      return static_cast<double>(well.results.nuclei);
    case TimeReadout::CalculatedNuclei:
      return static_cast<double>(well.results.calculatedNuclei);
    case TimeReadout::ZoneCoverage:
      break;
  }
  return well.zoneCoverage;
}

TableValue Value(const std::optional<double>& value) {
  return value ? TableValue(*value) : TableValue();
}

}  // namespace

TimeCourse RunTimeCourse(const std::vector<TimePointPlate>& points,
                         const TimeCourseOptions& options) {
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
  if (!points.empty()) course.format = points.front().plate.format;
  const int wellCount = course.format.wellCount();
  course.wells.assign(points.size(), std::vector<std::optional<WellAtTimePoint>>(wellCount));
  const auto included = [&](int t, int well) {
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

  // Each well's ring comes from the first time point that has the well.
  std::vector<Task> first;
  std::vector<Task> later;
  for (const int well : course.followed) {
    bool seen = false;
    for (std::size_t t = 0; t < points.size(); ++t) {
      if (!included(t, well)) continue;
      (seen ? later : first).push_back({static_cast<int>(t), well});
      seen = true;
    }
  }
  const int total = static_cast<int>(first.size() + later.size());
  std::atomic<int> done{0};
  std::mutex failures;
  std::vector<std::optional<RingPlacement>> held(static_cast<std::size_t>(wellCount));
  const auto run = [&](const Task& task) {
    try {
      WellAtTimePoint result =
          AnalyseWell(course.plates[task.timePoint], task.well, options, held[task.well]);
      course.wells[task.timePoint][task.well] = std::move(result);
    } catch (const std::exception& e) {
      const std::lock_guard lock(failures);
      course.failures.push_back({task.timePoint, task.well, e.what()});
    }
    if (options.progress) options.progress(++done, total);
  };
  RunTasks(first, options.jobs, run);
  for (const Task& task : first) {
    if (const auto& result = course.wells[task.timePoint][task.well]) {
      held[task.well] = result->results.ring;
    }
  }
  // A well whose first time point failed has no ring to hold: it is not
  // analysed later rather than fitted afresh on a closing zone.
  std::vector<Task> ringed;
  for (const Task& task : later) {
    if (held[task.well]) {
      ringed.push_back(task);
    } else {
      if (options.progress) options.progress(++done, total);
    }
  }
  RunTasks(ringed, options.jobs, run);
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

std::vector<TimedValue> WellSeries(const TimeCourse& course, int well, TimeReadout readout) {
  std::vector<TimedValue> series;
  for (std::size_t t = 0; t < course.hours.size(); ++t) {
    TimedValue point{course.hours[t], std::nullopt};
    if (const auto& analysed = course.wells[t][well]) point.value = Readout(*analysed, readout);
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
  // The wells table starts with plate and well; its measures follow them here.
  const std::vector<std::string>& measures = perTimePoint.front().columns;
  table.columns = {measures[0], measures[1], "time_point", "hours"};
  table.columns.insert(table.columns.end(), measures.begin() + 2, measures.end());
  table.columns.insert(table.columns.end(), {"zone_coverage", "ring_drift"});
  for (const int well : course.followed) {
    for (std::size_t t = 0; t < course.hours.size(); ++t) {
      const auto& analysed = course.wells[t][well];
      if (!analysed) continue;
      const std::vector<TableValue>& measured = perTimePoint[t].rows[well];
      std::vector<TableValue> row(measured.begin(), measured.begin() + 2);
      row.emplace_back(std::int64_t{course.numbers[t]});
      row.emplace_back(course.hours[t]);
      row.insert(row.end(), measured.begin() + 2, measured.end());
      row.push_back(analysed->zoneCoverage);
      row.push_back(analysed->ringDrift);
      table.rows.push_back(std::move(row));
    }
  }
  return table;
}

Table KineticsTable(const TimeCourse& course) {
  Table table;
  table.columns = {"well",   "readout",         "n_points", "slope",        "slope_se", "r_squared",
                   "t_half", "t_half_censored", "auc",      "auc_per_hour", "flags"};
  for (const int well : course.followed) {
    for (const TimeReadout readout : kTimeReadouts) {
      const Kinetics k = ReadoutKinetics(WellSeries(course, well, readout), readout);
      table.rows.push_back({WellName(well, course.format), std::string(TimeReadoutName(readout)),
                            std::int64_t{k.pointCount}, Value(k.slope), Value(k.slopeError),
                            Value(k.rSquared), Value(k.halfTime), k.halfTimeCensored, Value(k.area),
                            Value(k.areaPerHour),
                            std::string(k.missingTimePoints ? "missing_time_points" : "")});
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

// Hours since the first time point from the acquisition times of each time
// point's first picture (the Harmony-style index, else the TIFF's own);
// none unless every time point has one and they increase.
std::optional<std::vector<double>> AcquisitionHours(const std::vector<TimePointPlate>& points) {
  std::vector<double> seconds;
  for (const TimePointPlate& point : points) {
    const std::string picture = FirstPicture(point.plate);
    if (picture.empty()) return std::nullopt;
    const std::string name = picture.substr(point.plate.path.size());
    std::optional<double> time = IndexAcquisitionTime(point.plate.path, name);
    if (!time) time = TiffAcquisitionTime(picture);
    if (!time || (!seconds.empty() && !(*time > seconds.back()))) return std::nullopt;
    seconds.push_back(*time);
  }
  std::vector<double> hours;
  for (const double s : seconds) hours.push_back((s - seconds.front()) / 3600);
  return hours;
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
  if (!hours.empty()) {
    const std::vector<double> given = ParseHours(hours, points.size());
    for (std::size_t t = 0; t < points.size(); ++t) points[t].hours = given[t];
  } else if (const std::optional<std::vector<double>> taken = AcquisitionHours(points)) {
    for (std::size_t t = 0; t < points.size(); ++t) points[t].hours = (*taken)[t];
    if (points.size() > 1) notes.push_back("The hours come from the pictures' acquisition times");
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
                                              const std::string& prefix, const TimeCourse& course) {
  const std::string timeCourse = TableFileName(resultsFolder, prefix, "timecourse");
  const std::string kinetics = TableFileName(resultsFolder, prefix, "kinetics");
  WriteFileAtomically(timeCourse, CsvText(TimeCourseTable(course)));
  WriteFileAtomically(kinetics, CsvText(KineticsTable(course)));
  return {timeCourse, kinetics};
}

}  // namespace vembrel
