// Plates that hold a time series: every time point is listed, one is read,
// and a series whose parts disagree is refused.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/error.h"
#include "plate/plate.h"
#include "plate/plate_layout.h"
#include "support/layout_plate.h"
#include "support/temp_dir.h"
#include "support/tiff_writer.h"

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

TEST(TimePoints, IncucyteNamesAreNumberedByTheirTimeStamps) {
  // Date-and-time stamps across a month's end, a channel in each name, the
  // well written as B3: the time points follow the stamps, not the names' order.
  TempDir dir;
  const auto names = [](const std::string& stamp) {
    return [stamp](const std::string& well, int field, int channel) {
      return "VID12_" + std::string(channel == 1 ? "Red" : "Green") + "_" + well.substr(0, 1) +
             std::to_string(std::stoi(well.substr(1))) + "_" + std::to_string(field + 1) + "_" +
             stamp + ".tif";
    };
  };
  for (const char* stamp : {"24y02m01d_04h30m", "24y01m31d_22h00m", "24y01m31d_23h15m"}) {
    WriteLayoutWell(dir.path(), names(stamp), "B03", {1, 2}, Blue, Green);
  }
  std::filesystem::remove(dir.file("VID12_Green_B3_4_24y01m31d_23h15m.tif"));
  const Plate first = OpenPlate(dir.path());
  EXPECT_EQ(first.layout, "incucyte");
  EXPECT_EQ(first.prefix, "VID12_");
  EXPECT_EQ(first.timePoints, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(first.timeStamp, "24y01m31d_22h00m");
  EXPECT_EQ(first.wells[14].blueFiles[0], dir.file("VID12_Red_B3_1_24y01m31d_22h00m.tif"));
  EXPECT_EQ(first.wells[14].greenFiles[3], dir.file("VID12_Green_B3_4_24y01m31d_22h00m.tif"));
  PlateOpenOptions second;
  second.timePoint = 2;
  const Plate later = OpenPlate(dir.path(), second);
  EXPECT_EQ(later.timeStamp, "24y01m31d_23h15m");
  // The missing picture is named as the instrument would have named it.
  EXPECT_EQ(ChannelFieldFiles(later, 14, true)[3],
            dir.file("VID12_Green_B3_4_24y01m31d_23h15m.tif"));

  // Elapsed stamps, no channel in the names: the channels are the pages.
  TempDir pages;
  const std::vector<std::uint16_t> dark(64 * 64, 10), bright(64 * 64, 90);
  for (const char* stamp : {"01d02h15m", "00d00h00m", "00d06h30m"}) {
    for (int image = 1; image <= 4; ++image) {
      WriteGreyPages(pages.file("VID123_C12_" + std::to_string(image) + "_" + stamp + ".tif"),
                     {{64, 64, dark}, {64, 64, bright}});
    }
  }
  const Plate paged = OpenPlate(pages.path());
  EXPECT_EQ(paged.timeStamp, "00d00h00m");
  EXPECT_EQ(paged.timePoints.size(), 3u);
  EXPECT_EQ(paged.channels, (std::array<int, 2>{1, 2}));
  EXPECT_EQ(paged.wells[35].state, 1);
  EXPECT_EQ(paged.wells[35].greenFiles[2], pages.file("VID123_C12_3_00d00h00m.tif"));
  EXPECT_EQ(WellFieldSources(paged, 35)[5].page, 1);  // the cell stain's second field

  const auto layout = IncucyteLayout();
  for (const char* bad :
       {"VID_B3_0_00d06h30m.tif", "VID_B3_1_00d24h00m.tif", "VID_B3_1_00d06h60m.tif",
        "VID_B3_1_20y13m01d_10h00m.tif", "VID_B3_1_20y03m00d_10h00m.tif", "VID_AG3_1_00d01h00m.tif",
        "VID_B49_1_00d01h00m.tif", "VID_B3_1_123y03m01d_10h00m.tif", "VID_B3_1_00d01h00m.png",
        "B3_1_06h30m.tif"}) {
    EXPECT_FALSE(layout->parse(bad)) << bad;
  }
  const auto bare = layout->parse("B3_2_00d01h00m.tif");  // no vessel, no channel
  ASSERT_TRUE(bare);
  EXPECT_EQ(bare->plate, "");
  EXPECT_TRUE(bare->channelPages);
  EXPECT_EQ(bare->well, (WellKey{1, 2}));
  EXPECT_EQ(layout->format(*bare), "B3_2_00d01h00m.tif");
  EXPECT_EQ(layout->prefix("", "Scan7"), "Scan7_");
  const auto named = layout->parse("My_Exp_Phase_AF48_2_2024y03m14d_10h30m.TIF");
  ASSERT_TRUE(named);
  EXPECT_EQ(named->plate, "My_Exp");
  EXPECT_EQ(layout->channelLabel(named->channel), "Phase");
  EXPECT_EQ(named->well, (WellKey{31, 47}));
  EXPECT_EQ(named->field, 1);
}

}  // namespace
}  // namespace vembrel
