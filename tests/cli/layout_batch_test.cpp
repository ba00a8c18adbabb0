// A plate acquired by another instrument, with larger and deeper fields, or as
// multi-page pictures of whole wells, gives the files of the same pixels in the
// native layout at 512 x 512 and 8 bits. Each layout's names and each bit depth
// are the plate and field loading tests'; here whole runs.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <map>
#include <regex>

#include <nlohmann/json.hpp>

#include "demo/demo_plate.h"
#include "imaging/tiff_loader.h"
#include "support/command_run.h"
#include "support/layout_plate.h"
#include "support/result_files.h"
#include "support/temp_dir.h"
#include "support/tiff_writer.h"

namespace vembrel::testing {
namespace {

namespace fs = std::filesystem;

constexpr int kSide = 512;
const char* const kWells[] = {"A01", "B02"};

// Rewrites each native field at scale x scale pixels per native pixel, each
// value shifted up by `shift` bits with changing low bits below it, so the
// reduction's block means and the choice of bits both have work to do.
void RewriteFields(const std::string& native, const std::string& folder, const FieldNamer& names,
                   int scale, int shift) {
  const int side = kSide * scale;
  const int lowBits = (1 << shift) - 1;
  for (const char* well : kWells) {
    for (int field = 0; field < 4; ++field) {
      for (int channel = 0; channel < 2; ++channel) {
        const Picture picture =
            ReadTiffPicture(native + "/" + NativeNames("DEMO_")(well, field, channel));
        std::vector<std::uint16_t> values(static_cast<std::size_t>(side) * side);
        for (int y = 0; y < side; ++y) {
          const int row = kSide - 1 - y / scale;  // pictures hold the bottom row first
          for (int x = 0; x < side; ++x) {
            const int grey = picture.bytes[(static_cast<std::size_t>(row) * kSide + x / scale) * 4];
            values[static_cast<std::size_t>(y) * side + x] =
                static_cast<std::uint16_t>((grey << shift) | ((x * 7 + y * 13) & lowBits));
          }
        }
        TiffLayout layout;
        layout.bits = 16;
        layout.rowsPerStrip = 64;
        WriteGreyTiff(folder + "/" + names(well, field, channel + 1), side, side, values, layout);
      }
    }
  }
}

// Writes each well as one file <well>.tif of two pages, the nuclear and the
// cell stain, each a picture of the whole well made as RewriteFields makes a
// field: the native fields in their 2 x 2 places.
void RewriteWholeWells(const std::string& native, const std::string& folder, int scale, int shift) {
  const int side = 2 * kSide * scale;
  const int lowBits = (1 << shift) - 1;
  for (const char* well : kWells) {
    std::vector<GreyPage> pages;
    for (int channel = 0; channel < 2; ++channel) {
      std::array<Picture, 4> fields;
      for (int field = 0; field < 4; ++field) {
        fields[field] = ReadTiffPicture(native + "/" + NativeNames("DEMO_")(well, field, channel));
      }
      GreyPage& page = pages.emplace_back();
      page.width = page.height = side;
      page.values.resize(static_cast<std::size_t>(side) * side);
      for (int y = 0; y < side; ++y) {
        const int row = 2 * kSide - 1 - y / scale;  // in the mosaic, bottom row first
        for (int x = 0; x < side; ++x) {
          const int column = x / scale;
          // Fields: 0 lower left, 1 lower right, 2 upper right, 3 upper left.
          const int field = row >= kSide ? (column >= kSide ? 2 : 3) : (column >= kSide ? 1 : 0);
          const std::size_t at = static_cast<std::size_t>(row % kSide) * kSide + column % kSide;
          const int grey = fields[field].bytes[at * 4];
          page.values[static_cast<std::size_t>(y) * side + x] =
              static_cast<std::uint16_t>((grey << shift) | ((x * 7 + y * 13) & lowBits));
        }
      }
    }
    TiffLayout layout;
    layout.bits = 16;
    layout.rowsPerStrip = 64;
    WriteGreyPages(folder + "/" + well + ".tif", pages, layout);
  }
}

// The results folder's files with the plate's name (its prefix without the
// "_") and folder written as the native plate's. The workbook is compared by
// its sheets; the plate heatmap, whose heading names the plate, by its
// presence (its numbers are the tables'); the report without the rows that
// describe the pictures (layout, bits, how many, file dates); the manifest and well
// records, which fingerprint each picture, are left out.
std::map<std::string, std::string> Comparable(const fs::path& results, const std::string& plate,
                                              const std::string& pictures) {
  static const std::regex pictureFacts(
      "(<th>(Layout|Input bits|Input pictures|Measurement date)</th><td>)[^<]*");
  std::map<std::string, std::string> files;
  for (auto [name, bytes] : ResultFiles(results)) {
    if (name.ends_with("_run.json") || name.starts_with("WellResults")) continue;
    if (name.ends_with(".xlsx")) {
      bytes = Unzipped(results / name, "xl/worksheets/*.xml") +
              Unzipped(results / name, "xl/sharedStrings.xml");
    } else if (name.ends_with(".png")) {
      bytes = "<heatmap>";
    } else if (name.ends_with(".html")) {
      bytes = std::regex_replace(bytes, pictureFacts, "$1<pictures>");
    }
    bytes = std::regex_replace(bytes, std::regex(pictures), "<pictures>");
    files[std::regex_replace(name, std::regex(plate), "DEMO")] =
        std::regex_replace(bytes, std::regex(plate), "DEMO");
  }
  return files;
}

TEST(LayoutBatch, LargerDeeperFieldsInOtherLayoutsGiveTheNativeFiles) {
  TempDir dir;
  const std::string native = dir.file("native");
  WriteDemoPlate(native, 5, {0, 13});

  const std::string xpress = dir.file("xpress");  // 2048 x 2048 holding 12 bits
  fs::create_directories(xpress);
  RewriteFields(native, xpress, ImageXpressNames("Run7"), 4, 4);
  const std::string wholeWells = dir.file("Pages7");  // 2048 x 2048 pages holding 12 bits
  fs::create_directories(wholeWells);
  RewriteWholeWells(native, wholeWells, 2, 4);

  struct Run {
    std::string pictures, plate, options;
  };
  const Run runs[] = {
      {native, "DEMO", ""}, {xpress, "Run7", ""}, {wholeWells, "Pages7", " --layout '{well}.tif'"}};
  std::map<std::string, std::map<std::string, std::string>> results;
  std::map<std::string, std::string> said;
  for (const Run& run : runs) {
    const std::string folder = run.pictures + "-results";
    const CommandRun batch =
        RunVembrel("batch " + Quoted(run.pictures) + " --cells --progress none --results " +
                   Quoted(folder) + run.options);
    ASSERT_EQ(batch.exitCode, 0) << batch.err;
    said[run.plate] = batch.out + batch.err;
    if (run.plate == "Pages7") {  // the manifest names each page but a file's first
      const auto manifest = nlohmann::json::parse(ReadFile(folder + "/Pages7_Vembrel_run.json"));
      EXPECT_FALSE(manifest["inputs"][0].contains("page"));
      EXPECT_EQ(manifest["inputs"][1]["page"], 2);
    }
    results[run.plate] = Comparable(folder, run.plate, run.pictures);
  }
  ASSERT_GT(results["DEMO"].size(), 8u);
  ExpectSameFiles(results["Run7"], results["DEMO"]);
  ExpectSameFiles(results["Pages7"], results["DEMO"]);

  // What was done to the pictures is said once per plate.
  EXPECT_EQ(Occurrences(said["Run7"], "12 bits"), 1u) << said["Run7"];
  EXPECT_EQ(Occurrences(said["Run7"], "2048 x 2048"), 1u) << said["Run7"];
  EXPECT_EQ(Occurrences(said["Pages7"], "pictures of the whole well of 2048 x 2048 reduced"), 1u)
      << said["Pages7"];
  EXPECT_EQ(Occurrences(said["DEMO"], "reduced"), 0u) << said["DEMO"];
}

}  // namespace
}  // namespace vembrel::testing
