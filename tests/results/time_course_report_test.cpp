// The time course page: each well's closure curve in its place and the
// chosen kinetic as a heatmap over the plate.
#include "results/time_course_report.h"

#include <gtest/gtest.h>

#include "core/error.h"

namespace vembrel::testing {
namespace {

// The page's element with this id, up to its end.
std::string Element(const std::string& page, const std::string& id, const std::string& end) {
  const std::size_t at = page.find("id=\"" + id + "\"");
  if (at == std::string::npos) return "";
  return page.substr(at, page.find(end, at) - at);
}

TEST(TimeCourseReport, DrawsEachWellsClosureAndTheChosenKineticOverThePlate) {
  // Closure 0, 50, 100 % (half at 2 h), 0, 25, 50 % (half at 4 h) and
  // 0, 10, 20 % (never half): A01, B01 and C01.
  TimeCourse course;
  course.hours = {0, 2, 4};
  course.numbers = {1, 2, 3};
  course.followed = {0, 12, 24};
  course.wells.assign(3, std::vector<std::optional<WellAtTimePoint>>(course.format.wellCount()));
  const double coverage[3][3] = {{0, 50, 100}, {0, 25, 50}, {0, 10, 20}};
  for (int i = 0; i < 3; ++i) {
    for (int t = 0; t < 3; ++t) {
      WellAtTimePoint at;
      at.results.zoneCoverage = coverage[i][t];
      course.wells[t][course.followed[i]] = at;
    }
  }
  const std::string page =
      TimeCourseReport(course, "P_", ParseKineticChoice("zone_coverage:t_half"));
  EXPECT_NE(page.find("href=\"TimePoint_3/P_Vembrel_report.html\""), std::string::npos);
  EXPECT_NE(
      Element(page, "curve-A01", "</g>").find("A01: closure 0 % at 0 h, 50 % at 2 h, 100 % at 4 h"),
      std::string::npos);
  EXPECT_NE(Element(page, "curve-B01", "</g>").find("<polyline"), std::string::npos);
  EXPECT_EQ(Element(page, "curve-D01", "</g>"), "");  // not followed: an empty cell

  // The shortest half time is viridis' lowest colour, the longest its highest.
  EXPECT_NE(Element(page, "heat-A01", "</rect>").find("fill=\"#440154\""), std::string::npos);
  EXPECT_NE(Element(page, "heat-B01", "</rect>").find("fill=\"#fde725\""), std::string::npos);
  const std::string censored = Element(page, "heat-C01", "</rect>");
  EXPECT_NE(censored.find("class=\"censored\""), std::string::npos);
  EXPECT_NE(censored.find("not reached by 4 h"), std::string::npos);
  EXPECT_NE(Element(page, "heat-D01", "</rect>").find("class=\"absent\""), std::string::npos);
}

TEST(TimeCourseReport, AKineticIsChosenByItsReadoutAndColumnName) {
  const KineticChoice choice = ParseKineticChoice("nuclei:auc_per_hour");
  EXPECT_EQ(choice.readout, TimeReadout::Nuclei);
  EXPECT_EQ(choice.kinetic, "auc_per_hour");
  for (const char* bad : {"zone_coverage", "zone:t_half", "nuclei:mean", "nuclei:", ":slope"}) {
    EXPECT_THROW(ParseKineticChoice(bad), Error) << bad;
  }
  Kinetics k;
  k.slope = 1;
  k.slopeError = 2;
  k.rSquared = 3;
  k.halfTime = 4;
  k.area = 5;
  k.areaPerHour = 6;
  double expected = 1;
  for (const char* name : {"slope", "slope_se", "r_squared", "t_half", "auc", "auc_per_hour"}) {
    EXPECT_EQ(KineticValue(k, name), expected++) << name;
  }
}

}  // namespace
}  // namespace vembrel::testing
