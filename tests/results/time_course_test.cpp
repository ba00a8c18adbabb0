// A constructed time series: the cell-free zone closes at a known rate, the
// immigrants arrive at a known rate, and one well misses a time point.
#include "results/time_course.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "core/error.h"
#include "plate/well_names.h"
#include "support/layout_plate.h"
#include "support/temp_dir.h"

namespace vembrel::testing {
namespace {

constexpr int kZoneX = 520, kZoneY = 500, kZone = 300;
constexpr double kClosurePerHour = 10;  // % of the zone's area
constexpr double kHoursApart = 2;
constexpr int kNucleiPerTimePoint = 4;

// The open part of the zone at hour h: a disc of area (1 - 0.1 h) of the
// zone's, drifting right by 5 px an hour (the held ring must not follow it).
bool Open(int c, int r, double hours) {
  const double radius = kZone * std::sqrt(1 - kClosurePerHour / 100 * hours);
  const double dx = c - (kZoneX + 5 * hours), dy = r - kZoneY;
  return dx * dx + dy * dy < radius * radius;
}

// Nucleus k (6 x 6) on a circle of radius 260 around the zone's centre.
bool InNucleus(int c, int r, int count) {
  for (int k = 0; k < count; ++k) {
    const double angle = 2 * M_PI * k / 16;
    const int x = kZoneX + static_cast<int>(std::lround(260 * std::cos(angle)));
    const int y = kZoneY + static_cast<int>(std::lround(260 * std::sin(angle)));
    if (c >= x && c < x + 6 && r >= y && r < y + 6) return true;
  }
  return false;
}

void WriteTimePoint(const std::string& folder, const std::string& well, int index) {
  const double hours = index * kHoursApart;
  const int nuclei = index * kNucleiPerTimePoint;
  const MosaicGrey blue = [=](int c, int r) { return InNucleus(c, r, nuclei) ? 200 : 0; };
  const MosaicGrey green = [=](int c, int r) {
    return InNucleus(c, r, nuclei) || !Open(c, r, hours) ? 200 : 20;
  };
  WriteLayoutWell(folder, OperettaNames(1, index + 1), well, {1, 2}, blue, green);
}

std::vector<TimePointPlate> Series(const std::string& folder) {
  std::vector<TimePointPlate> points;
  const Plate first = OpenPlate(folder);
  for (const int t : first.timePoints) {
    PlateOpenOptions options;
    options.timePoint = t;
    points.push_back({OpenPlate(folder, options), (t - 1) * kHoursApart});
  }
  return points;
}

const std::vector<TableValue>* KineticsRow(const Table& table, const std::string& well,
                                           const std::string& readout) {
  for (const auto& row : table.rows) {
    if (std::get<std::string>(row[0]) == well && std::get<std::string>(row[1]) == readout) {
      return &row;
    }
  }
  return nullptr;
}

double Number(const TableValue& value) {
  if (const auto* i = std::get_if<std::int64_t>(&value)) return static_cast<double>(*i);
  return std::get<double>(value);
}

TEST(TimeCourse, TheHeldRingMeasuresTheZoneClosingAtItsRate) {
  TempDir dir;
  const std::string folder = dir.file("Images");
  for (int index = 0; index < 5; ++index) {
    WriteTimePoint(folder, "A01", index);
    if (index != 2) WriteTimePoint(folder, "B02", index);  // B02 missed one acquisition
  }
  TimeCourseOptions options;
  options.settings.ring.radius = kZone;
  options.jobs = 2;
  const TimeCourse course = RunTimeCourse(Series(folder), options);
  ASSERT_TRUE(course.failures.empty()) << course.failures.front().message;
  EXPECT_EQ(course.followed, (std::vector<int>{0, 13}));

  const RingPlacement first = course.wells[0][0]->results.ring;
  EXPECT_NEAR(first.x, kZoneX, 3);
  EXPECT_NEAR(first.y, kZoneY, 3);
  for (int t = 0; t < 5; ++t) {
    const auto& a01 = course.wells[t][0];
    ASSERT_TRUE(a01);
    EXPECT_EQ(a01->results.ring, first) << "time point " << t;  // held, not refitted
    EXPECT_EQ(a01->ringDrift, 0);
    EXPECT_EQ(a01->results.nuclei, t * kNucleiPerTimePoint);
    const double covered = kClosurePerHour * t * kHoursApart;  // % of the ring's area
    EXPECT_NEAR(a01->zoneCoverage, covered, 1.0) << "time point " << t;
  }
  EXPECT_FALSE(course.wells[2][13]);

  const Table kinetics = KineticsTable(course);
  ASSERT_EQ(kinetics.rows.size(), 6u);
  const auto* closure = KineticsRow(kinetics, "A01", "zone_coverage");
  ASSERT_TRUE(closure);
  EXPECT_NEAR(Number((*closure)[3]), kClosurePerHour, 0.05 * kClosurePerHour);  // slope
  EXPECT_NEAR(Number((*closure)[6]), 5, 0.25);  // half closed after 5 hours
  EXPECT_EQ((*closure)[7], TableValue(false));
  const auto* nuclei = KineticsRow(kinetics, "A01", "nuclei");
  EXPECT_NEAR(Number((*nuclei)[3]), kNucleiPerTimePoint / kHoursApart, 1e-9);
  EXPECT_NEAR(Number((*nuclei)[5]), 1, 1e-12);  // a straight line
  EXPECT_EQ((*nuclei)[10], TableValue(std::string()));
  const auto* missing = KineticsRow(kinetics, "B02", "nuclei");
  EXPECT_EQ((*missing)[2], TableValue(std::int64_t{4}));
  EXPECT_EQ((*missing)[10], TableValue(std::string("missing_time_points")));

  // One row per well and time point analysed, the wells table's measures
  // after the time; the hours and the coverage as measured.
  const Table table = TimeCourseTable(course);
  ASSERT_EQ(table.rows.size(), 9u);
  EXPECT_EQ(table.columns[2], "time_point");
  EXPECT_EQ(table.columns[3], "hours");
  EXPECT_EQ(table.columns[4], "included");
  EXPECT_EQ(table.columns.back(), "ring_drift");
  EXPECT_EQ(table.rows[4][1], TableValue(std::string("A01")));
  EXPECT_EQ(table.rows[4][2], TableValue(std::int64_t{5}));
  EXPECT_EQ(table.rows[4][3], TableValue(8.0));
  EXPECT_EQ(table.rows[7][2], TableValue(std::int64_t{4}));  // B02 skips time point 3
}

TEST(TimeCourse, RingDriftLetsALaterFitStayNearTheFirst) {
  TempDir dir;
  const std::string folder = dir.file("Images");
  // The same open zone, moved 6 px right at the second acquisition.
  const auto zone = [](int dx) {
    return MosaicGrey(
        [dx](int c, int r) { return InDisc(c, r, kZoneX + dx, kZoneY, 250) ? 20 : 200; });
  };
  const MosaicGrey none = [](int, int) { return 0; };
  WriteLayoutWell(folder, OperettaNames(1, 1), "A01", {1, 2}, none, zone(0));
  WriteLayoutWell(folder, OperettaNames(1, 2), "A01", {1, 2}, none, zone(6));
  TimeCourseOptions options;
  options.settings.ring.radius = 250;
  options.ringDrift = 10;
  const TimeCourse course = RunTimeCourse(Series(folder), options);
  ASSERT_TRUE(course.wells[1][0]);
  EXPECT_NEAR(course.wells[1][0]->ringDrift, 6, 1.5);
  EXPECT_NEAR(course.wells[1][0]->results.ring.x - course.wells[0][0]->results.ring.x, 6, 1.5);

  options.ringDrift = 3;  // the move is beyond it: the first ring is held
  const TimeCourse held = RunTimeCourse(Series(folder), options);
  EXPECT_EQ(held.wells[1][0]->results.ring, held.wells[0][0]->results.ring);
  EXPECT_EQ(held.wells[1][0]->ringDrift, 0);
}

TEST(TimeCourse, HoursComeFromTheOptionElseTheAcquisitionTimesElseTheNumbers) {
  TempDir dir;
  const std::string folder = dir.file("Images");
  const MosaicGrey flat = [](int, int) { return 50; };
  for (int t : {1, 2, 4}) WriteLayoutWell(folder, OperettaNames(1, t), "A01", {1, 2}, flat, flat);
  std::vector<std::string> notes;
  const auto hoursOf = [&](const std::string& given) {
    notes.clear();
    std::vector<double> hours;
    for (const TimePointPlate& point : OpenTimeSeries({folder}, {}, given, notes)) {
      hours.push_back(point.hours);
    }
    return hours;
  };
  // No times anywhere: the time points' numbers, said once.
  EXPECT_EQ(hoursOf(""), (std::vector<double>{0, 1, 3}));
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_NE(notes[0].find("taken as 1 hour apart"), std::string::npos);

  std::ofstream(folder + "/Index.idx.xml")
      << "<Images><Image><URL>r01c01f01p01-ch1sk1fk1fl1.tiff</URL>"
         "<AbsTime>2023-05-01T22:00:00Z</AbsTime></Image>"
         "<Image><URL>r01c01f01p01-ch1sk2fk1fl1.tiff</URL>"
         "<AbsTime>2023-05-02T00:30:00Z</AbsTime></Image>"
         "<Image><URL>r01c01f01p01-ch1sk4fk1fl1.tiff</URL>"
         "<AbsTime>2023-05-02T04:00:00Z</AbsTime></Image></Images>";
  EXPECT_EQ(hoursOf(""), (std::vector<double>{0, 2.5, 6}));
  EXPECT_EQ(notes, std::vector<std::string>{"The hours come from the pictures' acquisition times"});
  EXPECT_EQ(hoursOf("0,1,1.5"), (std::vector<double>{0, 1, 1.5}));  // the option wins
  EXPECT_TRUE(notes.empty());
}

TEST(TimeCourse, HoursAreCheckedAgainstTheTimePoints) {
  EXPECT_EQ(ParseHours("0,6,12.5,24", 4), (std::vector<double>{0, 6, 12.5, 24}));
  for (const auto& [text, count] : {std::pair{"0,6,12", 4},
                                    {"0,6,6", 3},
                                    {"0,x", 2},
                                    {"-1,2", 2},
                                    {"0,,2", 3},
                                    {"", 1},
                                    {"0,inf", 2},
                                    {"3,1", 2}}) {
    EXPECT_THROW(ParseHours(text, count), Error) << text;
  }
  EXPECT_THROW(RunTimeCourse({}, {}), Error);
}

}  // namespace
}  // namespace vembrel::testing
