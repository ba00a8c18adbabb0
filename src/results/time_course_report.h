#pragma once
// The time course's page: one self-contained HTML page beside the time
// course tables, linking each time point's report, with every well's zone
// closure curve drawn small in its place on the plate and a heatmap of one
// kinetic over the plate.
#include <optional>
#include <string>

#include "results/time_course.h"

namespace vembrel {

/// results folder + plate prefix + "Vembrel_timecourse.html".
std::string TimeCourseReportFileName(const std::string& resultsFolder,
                                     const std::string& platePrefix);

/// The kinetic the plate heatmap shows: a readout of the kinetics table and
/// one of its kinetics (slope, slope_se, r_squared, t_half, auc, auc_per_hour).
struct KineticChoice {
  TimeReadout readout = TimeReadout::ZoneCoverage;
  std::string kinetic = "t_half";
};

/// "READOUT:KINETIC", e.g. "zone_coverage:t_half". Throws Error naming the
/// text and what it may be.
KineticChoice ParseKineticChoice(const std::string& text);

/// The kinetic's value; none where it is undefined (a censored half time too).
std::optional<double> KineticValue(const Kinetics& kinetics, const std::string& kinetic);

/// The page. Each time point's report is linked as
/// "TimePoint_<n>/<prefix>Vembrel_report.html".
std::string TimeCourseReport(const TimeCourse& course, const std::string& platePrefix,
                             const KineticChoice& heatmap);

}  // namespace vembrel
