#pragma once
// A plate imaged again and again: each well's ring is fitted on the first
// time point that has the well and held for the later ones (the zone closes,
// so a later fit would chase the cells), every time point is analysed with
// it, and the immigrants' rise and the zone's closure become kinetics.
#include <array>
#include <atomic>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/error.h"
#include "engine/plate_results.h"
#include "engine/well_session.h"
#include "plate/plate.h"
#include "results/kinetics.h"
#include "results/plate_statistics.h"
#include "results/table.h"

namespace vembrel {

/// One acquisition of the series: the plate as opened at that time point.
struct TimePointPlate {
  Plate plate;
  double hours = 0;  // elapsed since the first time point
  int number = 0;    // the time point's number (TimePoint_<n>, sk<n>); 0: its place from 1
};

struct TimeCourseOptions {
  AnalysisSettings settings;
  bool cellLevel = false;
  std::optional<RadiusRange> fitRadius;  // the zone's size fitted at the first time point
  /// Rings given for wells' first time points (reviewed ones, or placed by
  /// hand), by well, analysed there instead of a fit and held later (in
  /// memory; the batches take reviewed rings from their rings file).
  std::map<int, Ring> firstRings;
  /// Later time points re-fit the ring's centre and keep the fit when it lies
  /// within this many pixels of the first ring's (wells moved between
  /// acquisitions); without it the first ring is held exactly.
  std::optional<int> ringDrift;
  std::vector<int> wells;  // the wells to follow; empty: every well included at any time point
  int jobs = 1;
  /// Called after each (well, time point) analysed, from the worker that did it.
  std::function<void(int done, int total)> progress;
  /// Set from another thread: no further well is begun and the run throws
  /// TimeCourseCancelled once the wells under way are done.
  const std::atomic<bool>* cancel = nullptr;
};

/// A time course stopped through TimeCourseOptions::cancel.
struct TimeCourseCancelled : Error {
  TimeCourseCancelled() : Error("The time course was cancelled") {}
};

/// One well at one time point; its results carry the zone's coverage.
struct WellAtTimePoint {
  WellResults results;
  double ringDrift = 0;  // pixels between this ring's centre and the first one's
};

struct TimeCourseFailure {
  int timePoint = 0;  // index into the series
  int well = 0;
  std::string message;
};

/// One time point to analyse: the plate as opened then, with only the wells
/// to analyse included, and the ring each of them holds from its first time
/// point (none: the well is seen first here and its ring is fitted).
struct TimePointWork {
  int index = 0;  // into the series
  int number = 0;
  const Plate* plate = nullptr;
  const Plate* opened = nullptr;          // the plate as opened, its wells included as they were
  std::vector<std::optional<Ring>> held;  // per well of the plate
};

/// What analysing a time point gave: each included well's results (with its
/// zone coverage) or its failure.
struct TimePointOutcome {
  std::vector<std::optional<WellResults>> wells;  // per well of the plate
  std::vector<TimeCourseFailure> failures;
};

/// Analyses the included wells of one time point as the options ask.
using TimePointAnalyser = std::function<TimePointOutcome(const TimePointWork&)>;

struct TimeCourse {
  std::vector<double> hours;  // per time point
  std::vector<Plate> plates;  // the plate as opened at each time point
  std::vector<int> numbers;   // each time point's number, as the table shows it
  bool cellLevel = false;
  /// [time point][well]: empty where the well was not analysed at that time point.
  std::vector<std::vector<std::optional<WellAtTimePoint>>> wells;
  PlateFormat format;  // the plates' format (that of the first time point)
  std::vector<TimeCourseFailure> failures;
  std::vector<int> followed;  // the wells followed, in plate order
};

/// Analyses every followed well at every time point, one time point after
/// the other, each with the rings of the earlier ones held; a well whose
/// first time point failed is not analysed later. The plates must be in
/// time order with increasing hours (Error otherwise). Without an analyser
/// the wells are analysed in memory on options.jobs threads.
TimeCourse RunTimeCourse(const std::vector<TimePointPlate>& points,
                         const TimeCourseOptions& options, const TimePointAnalyser& analyser = {});

/// The readouts followed over time, as the kinetics table names them.
enum class TimeReadout { Nuclei, CalculatedNuclei, ZoneCoverage };
inline constexpr std::array<TimeReadout, 3> kTimeReadouts{
    TimeReadout::Nuclei, TimeReadout::CalculatedNuclei, TimeReadout::ZoneCoverage};
const char* TimeReadoutName(TimeReadout readout);

/// A well's series of a readout: the readout's own values for the counts,
/// the zone's closure in % for the zone coverage. With dropFlagged the time
/// points whose results carry a quality note are left out first, so the
/// closure is measured from the well's first unflagged time point.
std::vector<TimedValue> WellSeries(const TimeCourse& course, int well, TimeReadout readout,
                                   bool dropFlagged = false);
Kinetics ReadoutKinetics(const std::vector<TimedValue>& series, TimeReadout readout);

/// plate, well, time_point, hours, then the wells table's measures of that
/// time point (zone_coverage last) and ring_drift; one row per well and time point
/// analysed.
Table TimeCourseTable(const TimeCourse& course);
/// well, readout, n_points, slope, slope_se, r_squared, t_half,
/// t_half_censored, auc, auc_per_hour, flags.
Table KineticsTable(const TimeCourse& course);

/// A condition of the plate map followed over time: its followed wells in
/// plate order and what they share (empty where they differ).
struct ConditionCourse {
  std::string condition;
  std::string compound;
  std::optional<double> concentration;
  std::string unit;
  std::vector<int> wells;
};

/// The conditions of the followed wells, in plate order of their first well;
/// wells the map gives no condition are in none.
std::vector<ConditionCourse> CourseConditions(const TimeCourse& course, const MappedPlate& map);

/// condition, compound, concentration, unit, readout, time_point, hours,
/// n_wells, mean, sd: each condition's mean curve with its sample SD, per
/// readout (the zone's closure for zone_coverage). With dropFlagged a well's
/// time point with a quality note is left out of its condition there, and the
/// well's closure is measured from its first time point without one.
Table ConditionCurvesTable(const TimeCourse& course, const MapRequest& map);
/// condition, compound, concentration, unit, readout, n_wells, then the
/// kinetics columns of the condition's mean curve.
Table ConditionKineticsTable(const TimeCourse& course, const MapRequest& map);

/// Hours of the time points from "0,6,12,24": as many as there are time
/// points, increasing. Throws Error naming the text and the fault.
std::vector<double> ParseHours(const std::string& text, std::size_t timePoints);

/// The plates of a series, in time order: several plate folders (or a
/// picture of each) are one time point each; a single plate that holds
/// several time points gives them all. Hours from `hours` ("" to take them
/// from the time points' numbers, with a note). The pictures of every time
/// point must be of one size. Throws Error naming what disagrees.
std::vector<TimePointPlate> OpenTimeSeries(const std::vector<std::string>& plates,
                                           const PlateOpenOptions& options,
                                           const std::string& hours,
                                           std::vector<std::string>& notes);

/// Writes <prefix>Vembrel_timecourse.csv and <prefix>Vembrel_kinetics.csv
/// into the folder, with a plate map <prefix>Vembrel_condition_curves.csv and
/// <prefix>Vembrel_condition_kinetics.csv too, each replaced only by a
/// complete file; returns their names.
std::vector<std::string> WriteTimeCourseFiles(const std::string& resultsFolder,
                                              const std::string& prefix, const TimeCourse& course,
                                              const std::optional<MapRequest>& map = std::nullopt);

}  // namespace vembrel
