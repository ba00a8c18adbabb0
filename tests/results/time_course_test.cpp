// A constructed time series: the cell-free zone closes at a known rate, the
// immigrants arrive at a known rate, and one well misses a time point.
#include "results/time_course.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <cmath>
#include <fstream>

#include "core/error.h"
#include "plate/well_names.h"
#include "results/time_point_batches.h"
#include "support/closing_zone.h"
#include "support/layout_plate.h"
#include "support/temp_dir.h"
#include "support/tiff_writer.h"

namespace vembrel::testing {
namespace {

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
    WriteClosingZoneTimePoint(folder, "A01", index);
    if (index != 2) WriteClosingZoneTimePoint(folder, "B02", index);  // B02 missed one acquisition
  }
  TimeCourseOptions options;
  options.settings.ring.radius = kZone;
  options.jobs = 2;
  const TimeCourse course = RunTimeCourse(Series(folder), options);
  ASSERT_TRUE(course.failures.empty()) << course.failures.front().message;
  EXPECT_EQ(course.followed, (std::vector<int>{0, 13}));

  const Ring first = course.wells[0][0]->results.ring;
  EXPECT_NEAR(first.x, kZoneX, 3);
  EXPECT_NEAR(first.y, kZoneY, 3);
  for (int t = 0; t < 5; ++t) {
    const auto& a01 = course.wells[t][0];
    ASSERT_TRUE(a01);
    EXPECT_EQ(a01->results.ring, first) << "time point " << t;  // held, not refitted
    EXPECT_EQ(a01->ringDrift, 0);
    EXPECT_EQ(a01->results.nuclei, t * kNucleiPerTimePoint);
    const double covered = kClosurePerHour * t * kHoursApart;  // % of the ring's area
    EXPECT_NEAR(a01->results.zoneCoverage.value_or(-100), covered, 1.0) << "time point " << t;
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
  EXPECT_EQ(table.columns[8], "ring_source");
  EXPECT_EQ(table.rows[0][8], TableValue(std::string("fitted")));
  EXPECT_EQ(table.rows[4][8], TableValue(std::string("held")));
  EXPECT_EQ(table.rows[4][1], TableValue(std::string("A01")));
  EXPECT_EQ(table.rows[4][2], TableValue(std::int64_t{5}));
  EXPECT_EQ(table.rows[4][3], TableValue(8.0));
  EXPECT_EQ(table.rows[7][2], TableValue(std::int64_t{4}));  // B02 skips time point 3
}

TEST(TimeCourse, ARingGivenForTheFirstTimePointIsAnalysedThereAndHeld) {
  TempDir dir;
  const std::string folder = dir.file("Images");
  for (int index = 0; index < 3; ++index) WriteClosingZoneTimePoint(folder, "A01", index);
  TimeCourseOptions options;
  options.settings.ring.radius = kZone;
  const Ring placed{kZoneX - 40, kZoneY + 10, kZone - 20};  // not where a fit goes
  options.firstRings[0] = placed;
  const TimeCourse course = RunTimeCourse(Series(folder), options);
  for (int t = 0; t < 3; ++t) {
    ASSERT_TRUE(course.wells[t][0]) << "time point " << t;
    EXPECT_EQ(course.wells[t][0]->results.ring, placed) << "time point " << t;
    EXPECT_EQ(course.wells[t][0]->results.ringHeld, t > 0);
  }
  EXPECT_TRUE(course.wells[0][0]->results.ringReviewed);
}

TEST(TimeCourse, ACancelledCourseStopsAfterTheWellsUnderWay) {
  TempDir dir;
  const std::string folder = dir.file("Images");
  for (int index = 0; index < 3; ++index) {
    WriteClosingZoneTimePoint(folder, "A01", index);
    WriteClosingZoneTimePoint(folder, "B02", index);
  }
  std::atomic<bool> cancel{false};
  TimeCourseOptions options;
  options.settings.ring.radius = kZone;
  options.cancel = &cancel;
  int analysed = 0;
  options.progress = [&](int done, int) {
    analysed = done;
    cancel = true;  // asked once the first well is done: B02 is not begun
  };
  EXPECT_THROW(RunTimeCourse(Series(folder), options), TimeCourseCancelled);
  EXPECT_EQ(analysed, 1);
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

  // The plate batch per time point asks for the same rings, each time
  // point's files in its own folder.
  options.ringDrift = 10;
  TimePointBatchOptions batches;
  batches.resultsFolder = dir.file("out") + "/";
  std::vector<TimePointBatchReport> reports;
  const TimeCourse batched =
      RunTimeCourse(Series(folder), options, TimePointBatches(options, batches, reports));
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[1].folder, batches.resultsFolder + "TimePoint_2/");
  EXPECT_TRUE(reports[1].plateFiles.size() > 1 && reports[1].summaryError.empty());
  EXPECT_EQ(batched.wells[1][0]->results.ring, course.wells[1][0]->results.ring);
  EXPECT_TRUE(batched.wells[1][0]->results.ringHeld);
  EXPECT_EQ(batched.wells[1][0]->results.zoneCoverage, course.wells[1][0]->results.zoneCoverage);
}

TEST(TimeCourse, ConditionsAverageTheirWellsCurvesAndTakeKineticsOfTheMean) {
  // Two wells of one condition, a third of another; hours 0, 2, 4.
  TimeCourse course;
  course.hours = {0, 2, 4};
  course.numbers = {1, 2, 3};
  course.followed = {0, 1, 2};
  course.wells.assign(3, std::vector<std::optional<WellAtTimePoint>>(course.format.wellCount()));
  const std::array<std::array<int, 3>, 3> nuclei{{{0, 4, 8}, {2, 6, 10}, {1, 1, 1}}};
  const std::array<std::array<double, 3>, 3> coverage{{{0, 50, 100}, {20, 60, 100}, {0, 0, 0}}};
  for (int well = 0; well < 3; ++well) {
    for (int t = 0; t < 3; ++t) {
      WellAtTimePoint at;
      at.results.well = well;
      at.results.nuclei = nuclei[well][t];
      at.results.zoneCoverage = coverage[well][t];
      course.wells[t][well] = at;
    }
  }
  course.wells[1][1]->results.quality = {QualityNote::FewNucleiOutside};
  MapRequest map;
  map.map.wells[0] = {std::nullopt, "DrugA", 10.0, "uM", "DrugA 10 uM", {}, true};
  map.map.wells[1] = map.map.wells[0];
  map.map.wells[1].unit = "nM";  // the wells no longer share a unit
  map.map.wells[2] = {std::nullopt, "DMSO", std::nullopt, "", "DMSO", {}, true};
  const auto conditions = CourseConditions(course, map.map);
  ASSERT_EQ(conditions.size(), 2u);
  EXPECT_EQ(conditions[0].wells, (std::vector<int>{0, 1}));
  EXPECT_EQ(conditions[0].compound, "DrugA");
  EXPECT_EQ(conditions[0].concentration, 10.0);
  EXPECT_EQ(conditions[0].unit, "");
  EXPECT_EQ(conditions[1].condition, "DMSO");

  const Table curves = ConditionCurvesTable(course, map);
  ASSERT_EQ(curves.rows.size(), 18u);   // 2 conditions x 3 readouts x 3 time points
  const auto& second = curves.rows[1];  // DrugA, nuclei, time point 2: 4 and 6
  EXPECT_EQ(second[0], TableValue(std::string("DrugA 10 uM")));
  EXPECT_EQ(second[2], TableValue(10.0));
  EXPECT_EQ(second[5], TableValue(std::int64_t{2}));
  EXPECT_EQ(second[7], TableValue(std::int64_t{2}));
  EXPECT_EQ(second[8], TableValue(5.0));
  EXPECT_NEAR(Number(second[9]), std::sqrt(2.0), 1e-12);
  const auto& closure = curves.rows[7];  // DrugA, zone closure at 2 h: 50 % and 50 %
  EXPECT_EQ(closure[4], TableValue(std::string("zone_coverage")));
  EXPECT_EQ(closure[8], TableValue(50.0));

  const Table kinetics = ConditionKineticsTable(course, map);
  ASSERT_EQ(kinetics.rows.size(), 6u);
  EXPECT_EQ(kinetics.rows[0][5], TableValue(std::int64_t{2}));  // n_wells
  EXPECT_NEAR(Number(kinetics.rows[0][7]), 2, 1e-12);           // mean 1, 5, 9: 2 an hour
  EXPECT_NEAR(Number(kinetics.rows[2][7]), 25, 1e-12);          // closure 0, 50, 100
  EXPECT_NEAR(Number(kinetics.rows[2][10]), 2, 1e-12);          // half closed at 2 h
  EXPECT_EQ(kinetics.rows[3][7], TableValue(0.0));              // DMSO stays at 1

  // Flagged points are left out when asked: well B's second point, and well
  // A's first, so A's closure is measured from its second point (open 50 %):
  // A closes 0 % then 100 %, B (open 80 % at first) 0 % then 100 %.
  course.wells[0][0]->results.quality = {QualityNote::FewNucleiOutside};
  map.dropFlagged = true;
  const Table droppedCurves = ConditionCurvesTable(course, map);
  const auto& dropped = droppedCurves.rows[1];
  EXPECT_EQ(dropped[7], TableValue(std::int64_t{1}));
  EXPECT_EQ(dropped[8], TableValue(4.0));
  EXPECT_EQ(dropped[9], TableValue());
  for (int t = 0; t < 3; ++t) {
    const auto& row = droppedCurves.rows[6 + t];
    EXPECT_EQ(row[7], TableValue(std::int64_t{t == 2 ? 2 : 1})) << t;
    EXPECT_EQ(row[8], TableValue(t == 2 ? 100.0 : 0.0)) << t;
  }
  const Table droppedKinetics = ConditionKineticsTable(course, map);
  EXPECT_NEAR(Number(droppedKinetics.rows[2][10]), 3, 1e-12);  // half closed between 2 h and 4 h
}

// Sets the DateTime tag of a written TIFF, as a program that made the file would.
void SetDateTime(const std::string& path, const char* dateTime) {
  TIFF* tif = TIFFOpen(path.c_str(), "r+");
  ASSERT_NE(tif, nullptr);
  TIFFSetField(tif, TIFFTAG_DATETIME, dateTime);
  TIFFRewriteDirectory(tif);
  TIFFClose(tif);
}

TEST(TimeCourse, HoursComeFromTheRecordedTimesElseTheOptionElseTheFilesElseTheNumbers) {
  TempDir dir;
  const std::string folder = dir.file("Images");
  const MosaicGrey flat = [](int, int) { return 50; };
  for (int t : {1, 2, 4}) WriteLayoutWell(folder, OperettaNames(1, t), "A01", {1, 2}, flat, flat);
  std::vector<std::string> notes;
  const auto hoursOf = [&](const std::string& open, const std::string& given) {
    notes.clear();
    std::vector<double> hours;
    for (const TimePointPlate& point : OpenTimeSeries({open}, {}, given, notes)) {
      hours.push_back(point.hours);
    }
    return hours;
  };
  // No times anywhere: the time points' numbers, said once.
  EXPECT_EQ(hoursOf(folder, ""), (std::vector<double>{0, 1, 3}));
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_NE(notes[0].find("taken as 1 hour apart"), std::string::npos);

  // The files' DateTime tags say when they were made: below --hours.
  const std::string picture = folder + "/r01c01f01p01-ch1sk";
  SetDateTime(picture + "1fk1fl1.tiff", "2023:05:01 10:00:00");
  SetDateTime(picture + "2fk1fl1.tiff", "2023:05:01 12:00:00");
  SetDateTime(picture + "4fk1fl1.tiff", "2023:05:01 13:30:00");
  EXPECT_EQ(hoursOf(folder, ""), (std::vector<double>{0, 2, 3.5}));
  EXPECT_NE(notes.at(0).find("DateTime tags"), std::string::npos);
  EXPECT_EQ(hoursOf(folder, "0,1,1.5"), (std::vector<double>{0, 1, 1.5}));
  EXPECT_TRUE(notes.empty());

  // The instrument's own record comes first, --hours or not.
  std::ofstream(folder + "/Index.idx.xml")
      << "<Images><Image><URL>r01c01f01p01-ch1sk1fk1fl1.tiff</URL>"
         "<AbsTime>2023-05-01T22:00:00Z</AbsTime></Image>"
         "<Image><URL>r01c01f01p01-ch1sk2fk1fl1.tiff</URL>"
         "<AbsTime>2023-05-02T00:30:00Z</AbsTime></Image>"
         "<Image><URL>r01c01f01p01-ch1sk4fk1fl1.tiff</URL>"
         "<AbsTime>2023-05-02T04:00:00Z</AbsTime></Image></Images>";
  EXPECT_EQ(hoursOf(folder, ""), (std::vector<double>{0, 2.5, 6}));
  EXPECT_EQ(notes, std::vector<std::string>{"The hours come from the pictures' acquisition times"});
  EXPECT_EQ(hoursOf(folder, "0,1,1.5"), (std::vector<double>{0, 2.5, 6}));
  EXPECT_EQ(notes.at(0),
            "--hours '0,1,1.5' was not used: the acquisition times recorded give the hours "
            "0,2.5,6");
  hoursOf(folder, "0,2.5,6.01");  // within a minute: no need to say so
  EXPECT_EQ(notes.size(), 1u);

  // Incucyte-style names carry the time elapsed since the scan began.
  TempDir stamped;
  for (const std::string stamp : {"01d02h15m", "00d00h00m", "00d06h30m"}) {
    const FieldNamer names = [&](const std::string& well, int field, int channel) {
      return "VID1_" + std::string(channel == 1 ? "Red" : "Green") + "_" + well + "_" +
             std::to_string(field + 1) + "_" + stamp + ".tif";
    };
    WriteLayoutWell(stamped.path(), names, "B07", {1, 2}, flat, flat);
  }
  EXPECT_EQ(hoursOf(stamped.path(), ""), (std::vector<double>{0, 6.5, 26.25}));

  // OME-TIFFs holding their time points as pages record each one's DeltaT.
  TempDir ome;
  const std::string xml =
      "<OME><Image><Pixels DimensionOrder=\"XYCZT\" SizeT=\"2\"><Plane TheT=\"0\" "
      "DeltaT=\"0\"/><Plane TheT=\"1\" DeltaT=\"90\" DeltaTUnit=\"min\"/></Pixels></Image>"
      "</OME>";
  for (const char* channel : {"1", "2"}) {
    WriteGreyPages(ome.file(std::string("P_A01_s1_w") + channel + ".tif"),
                   {{16, 16, GreyRamp(16, 16)}, {16, 16, GreyRamp(16, 16)}}, {}, xml);
  }
  EXPECT_EQ(hoursOf(ome.path(), "0,2"), (std::vector<double>{0, 1.5}));
  EXPECT_EQ(notes.at(0),
            "--hours '0,2' was not used: the acquisition times recorded give the hours 0,1.5");
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
