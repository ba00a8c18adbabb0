// Damaged and unusual field pictures, run through the real `vembrel well`:
// the well is still analysed, every bad field is named on stderr and left
// black, pictures the library can convert are used without a word, and
// nothing is written beside the pictures.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <filesystem>
#include <fstream>

#include "plate/demo_plate.h"
#include "plate/plate.h"
#include "plate/well_names.h"
#include "support/command_run.h"
#include "support/small_plate.h"
#include "support/temp_dir.h"
#include "support/tiff_writer.h"

namespace vembrel::testing {
namespace {

namespace fs = std::filesystem;

void WriteTiffOfKind(const std::string& path, int bits, int format) {
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  ASSERT_NE(tif, nullptr);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 512);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 512);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
  TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, format);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 512);
  std::vector<unsigned char> row(static_cast<std::size_t>(512 * bits / 8), 0x55);
  for (int y = 0; y < 512; ++y) TIFFWriteScanline(tif, row.data(), y, 0);
  TIFFClose(tif);
}

TEST(BadPictures, EveryBadFieldIsNamedAndLeftBlackAndTheWellAnalysed) {
  TempDir dir;
  constexpr std::uint32_t kSeed = 3;
  // A demo well with all eight fields, so the damage is the only fault.
  const int well = FindDemoWell(kSeed, [](const DemoWell& w) {
    return w.blueField == kAllFields && w.greenField == kAllFields;
  });
  ASSERT_GE(well, 0);
  WriteDemoPlate(dir.file("plate"), kSeed, {well, (well + 1) % 96});  // open by the second
  const auto field = [&](int f, bool green) {
    return FieldFileName(dir.file("plate/DEMO_"), well, f, green);
  };
  const auto files = [&] { return std::distance(fs::directory_iterator(dir.file("plate")), {}); };
  const auto before = files();

  // 1-bit, RGB and palette pictures go through the library's conversion.
  WriteTiffOfKind(field(0, false), 1, SAMPLEFORMAT_UINT);
  WriteRgbTiff(field(1, false), 512, 512, std::vector<std::uint8_t>(512 * 512 * 3, 200));
  std::vector<std::uint16_t> ramp(256);
  for (int i = 0; i < 256; ++i) ramp[i] = static_cast<std::uint16_t>(i * 257);
  WritePaletteTiff(field(2, false), 512, 512, std::vector<std::uint8_t>(512 * 512, 9), ramp, ramp,
                   ramp);
  // 32-bit float has no conversion: without a message it would count as black silently.
  WriteTiffOfKind(field(3, false), 32, SAMPLEFORMAT_IEEEFP);
  // The directory of these files sits behind the pixels, so half a file has none.
  fs::resize_file(field(0, true), fs::file_size(field(0, true)) / 2);
  fs::permissions(field(1, true), fs::perms::none);
  const bool unreadable = !std::ifstream(field(1, true)).good();  // not for root
  WriteGreyTiff(field(2, true), 256, 256, GreyRamp(256, 256));
  fs::remove(field(3, true));
  fs::create_directory(field(3, true));  // a folder where a picture should be

  const std::pair<std::string, std::string> cases[] = {
      {field(0, false), ""},
      {field(1, false), ""},
      {field(2, false), ""},
      {field(3, false), "Unable to load file '" + field(3, false) + "': "},
      {field(0, true), "Unable to open file '" + field(0, true) + "' ("},
      {field(1, true), unreadable ? "Unable to open file '" + field(1, true) + "'" : ""},
      {field(2, true), "Field picture '" + field(2, true) + "' is 256 x 256 pixels, not 512 x 512"},
      {field(3, true), "Field picture '" + field(3, true) + "' does not exist"},
  };
  const CommandRun run = RunVembrel(
      "well " + Quoted(FieldFileName(dir.file("plate/DEMO_"), 0, 0, false)) + " " + WellName(well));
  EXPECT_EQ(run.exitCode, 0) << run.err;
  for (const auto& [path, message] : cases) {
    if (message.empty()) {
      EXPECT_EQ(run.err.find(path), std::string::npos) << run.err;
    } else {
      EXPECT_NE(run.err.find("vembrel: left black: " + message), std::string::npos) << run.err;
    }
  }
  EXPECT_NE(run.out.find("Well: " + WellName(well)), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Number of nuclei:"), std::string::npos) << run.out;
  EXPECT_EQ(files(), before);
}

}  // namespace
}  // namespace vembrel::testing
