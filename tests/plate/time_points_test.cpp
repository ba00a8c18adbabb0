// Plates that hold a time series: every time point is listed, one is read,
// and a series whose parts disagree is refused.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/error.h"
#include "plate/plate.h"
#include "support/layout_plate.h"
#include "support/temp_dir.h"

namespace vembrel {
namespace {

using namespace testing;

// A different picture per time point, so the fields read tell which was taken.
int Blue(int c, int r) {
  return (c + r) % 200;
}
int Green(int c, int r) {
  return (c * 3 + r) % 250;
}

std::string MessageOf(const std::string& open, const PlateOpenOptions& options) {
  try {
    OpenPlate(open, options);
  } catch (const Error& e) {
    return e.what();
  }
  return "opened";
}

bool HasNote(const Plate& plate, const std::string& text) {
  for (const std::string& note : plate.notes) {
    if (note == text) return true;
  }
  return false;
}

TEST(TimePoints, HarmonyNamesListEveryTimePointAndReadTheChosenOne) {
  TempDir dir;
  const std::string folder = dir.file("Images");
  for (int t : {1, 2, 5}) WriteLayoutWell(folder, OperettaNames(1, t), "A01", {1, 2}, Blue, Green);
  WriteLayoutWell(folder, OperettaNames(1, 2), "B03", {1, 2}, Blue, Green);

  const Plate first = OpenPlate(folder);
  EXPECT_EQ(first.timePoints, (std::vector<int>{1, 2, 5}));
  EXPECT_EQ(first.timePoint, 1);
  EXPECT_EQ(first.wells[0].blueFiles[0], folder + "/r01c01f01p01-ch1sk1fk1fl1.tiff");
  EXPECT_EQ(first.wells[14].state, 0);  // B03 exists only at time point 2
  EXPECT_TRUE(HasNote(first,
                      "The plate holds 3 time points (1, 2, 5); time point 1 was read (--time "
                      "chooses another)"));

  PlateOpenOptions second;
  second.timePoint = 2;
  const Plate later = OpenPlate(folder, second);
  EXPECT_EQ(later.timePoint, 2);
  EXPECT_EQ(later.wells[0].greenFiles[3], folder + "/r01c01f04p01-ch2sk2fk1fl1.tiff");
  EXPECT_EQ(later.wells[14].state, 1);

  // A picture of a later time point opens the first unless one is chosen:
  // the time point is a choice of the run, like the plane.
  const Plate fromPicture = OpenPlate(folder + "/r01c01f01p01-ch1sk5fk1fl1.tiff");
  EXPECT_EQ(fromPicture.timePoint, 1);

  second.timePoint = 3;
  EXPECT_NE(MessageOf(folder, second)
                .find(": no file is of time point 3 (time points found: 1, "
                      "2, 5)"),
            std::string::npos);
}

TEST(TimePoints, PatternsCarryTheTimeAndOtherLayoutsHaveOne) {
  TempDir dir;
  const auto names = [](int t) {
    return [t](const std::string& w, int f, int c) {
      return "run_" + w + "_t" + std::to_string(t) + "_f" + std::to_string(f + 1) + "_c" +
             std::to_string(c) + ".tif";
    };
  };
  for (int t : {3, 4}) WriteLayoutWell(dir.path(), names(t), "C05", {0, 1}, Blue, Green);
  PlateOpenOptions options;
  options.layout = "{plate}_{well}_t{time}_f{field}_c{channel}.tif";
  const Plate plate = OpenPlate(dir.path(), options);
  EXPECT_EQ(plate.timePoints, (std::vector<int>{3, 4}));
  EXPECT_EQ(plate.timePoint, 3);
  EXPECT_EQ(plate.wells[28].blueFiles[1], dir.file("run_C05_t3_f2_c0.tif"));

  // Without {time} the names hold one time point: choosing another is refused.
  TempDir native;
  WriteLayoutWell(native.path(), NativeNames("N_"), "A01", {0, 1}, Blue, Green);
  const Plate single = OpenPlate(native.path());
  EXPECT_EQ(single.timePoints, (std::vector<int>{1}));
  EXPECT_TRUE(single.notes.empty());
  PlateOpenOptions later;
  later.timePoint = 2;
  EXPECT_NE(MessageOf(native.path(), later)
                .find("no file is of time point 2 (time points found: "
                      "1)"),
            std::string::npos);
}

TEST(TimePoints, ImageXpressTimePointFoldersAreTheSeries) {
  TempDir dir;
  const std::string plateFolder = dir.file("Plate7");
  for (int t : {1, 2, 3}) {
    WriteLayoutWell(plateFolder + "/TimePoint_" + std::to_string(t), ImageXpressNames("P7"), "A02",
                    {1, 2}, Blue, Green);
  }
  std::filesystem::create_directories(plateFolder + "/TimePoint_x");  // not a time point

  const Plate plate = OpenPlate(plateFolder);
  EXPECT_EQ(plate.timePoints, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(plate.timePoint, 1);
  EXPECT_EQ(plate.path, plateFolder + "/TimePoint_1/");
  EXPECT_EQ(plate.prefix, "P7_");
  EXPECT_EQ(plate.wells[1].state, 1);
  EXPECT_EQ(ResultsFolderOf(plate.path), plateFolder + "/");
  EXPECT_TRUE(HasNote(plate,
                      "The plate holds 3 time points (TimePoint_1, 2, 3); time point 1 was read "
                      "(--time chooses another)"));

  // A picture in a time point's folder opens that time point, or the one chosen.
  const std::string picture = plateFolder + "/TimePoint_2/P7_A02_s1_w1.tif";
  EXPECT_EQ(OpenPlate(picture).path, plateFolder + "/TimePoint_2/");
  PlateOpenOptions third;
  third.timePoint = 3;
  const Plate chosen = OpenPlate(picture, third);
  EXPECT_EQ(chosen.wells[1].greenFiles[0], plateFolder + "/TimePoint_3/P7_A02_s1_w2.tif");
  third.timePoint = 4;
  EXPECT_EQ(MessageOf(plateFolder, third),
            "No time point 4 in '" + plateFolder + "/' (time points found: 1, 2, 3)");

  // The instrument's acquisition file must agree with the folders found.
  std::ofstream(plateFolder + "/P7.HTD") << "\"HTSInfoFile\", Version 1.0\r\n\"TimePoints\", 4\r\n";
  EXPECT_EQ(MessageOf(plateFolder, {}), "'" + plateFolder +
                                            "/P7.HTD' states 4 time points, but the folder holds "
                                            "3 (TimePoint_1, 2, 3)");
  std::ofstream(plateFolder + "/P7.HTD") << "\"TimePoints\", 3\r\n";
  EXPECT_EQ(OpenPlate(plateFolder).timePoints.size(), 3u);
}

}  // namespace
}  // namespace vembrel
