// Damaged and unusual field pictures, run through the real `vembrel well`:
// the well is still analysed, every bad field is named on stderr and left
// black, and nothing is written beside the pictures.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <filesystem>
#include <fstream>

#include "command_run.h"
#include "core/program_state.h"
#include "engine/well_window.h"
#include "engine/workspace.h"
#include "plate/demo_plate.h"
#include "support/temp_dir.h"
#include "support/tiff_writer.h"

namespace vembrel {
namespace {

namespace fs = std::filesystem;
using testing::CommandRun;
using testing::Quoted;
using testing::RunVembrel;
using testing::TempDir;

constexpr std::uint32_t kSeed = 3;

// A demo well with all eight fields, so one bad field is the only fault.
int FullWell() {
  for (int well = 0; well < 96; ++well) {
    const DemoWell w = DescribeDemoWell(kSeed, well);
    bool all = true;
    for (int f = 0; f < 4; ++f) all = all && w.blueField[f] && w.greenField[f];
    if (all) return well;
  }
  return -1;
}

class BadPicture : public ::testing::Test {
 protected:
  void SetUp() override {
    well_ = FullWell();
    ASSERT_GE(well_, 0);
    WriteDemoPlate(dir_.file("plate"), kSeed, {well_});
    name_ = std::string(1, static_cast<char>('A' + well_ / 12)) + (well_ % 12 + 1 < 10 ? "0" : "") +
            std::to_string(well_ % 12 + 1);
  }
  std::string field(int f, bool green) const {
    return dir_.file("plate/DEMO_" + name_ + "f0" + std::to_string(f) + (green ? "d1" : "d0") +
                     ".tif");
  }
  // Runs the well from another, intact picture of the plate.
  CommandRun runWell() const { return RunVembrel("well " + Quoted(field(3, true)) + " " + name_); }
  std::size_t filesInPlate() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_.file("plate")), {}));
  }

  TempDir dir_;
  int well_ = -1;
  std::string name_;
};

void WriteTiffOfKind(const std::string& path, int bits, int format, int photometric, int samples) {
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  ASSERT_NE(tif, nullptr);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 512);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 512);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
  TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, format);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 512);
  std::vector<unsigned char> row(static_cast<std::size_t>(512 * samples * bits / 8), 0x55);
  for (int y = 0; y < 512; ++y) TIFFWriteScanline(tif, row.data(), y, 0);
  TIFFClose(tif);
}

TEST_F(BadPicture, TruncatedPictureIsNamedAndLeftBlack) {
  // The directory of these files sits behind the pixels, so half a file has none.
  const std::string path = field(0, false);
  fs::resize_file(path, fs::file_size(path) / 2);
  const CommandRun run = runWell();
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.err.find("vembrel: left black: Unable to open file '" + path + "' ("),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.out.find("Number of nuclei:"), std::string::npos) << run.out;
  EXPECT_EQ(filesInPlate(), 8u);
}

TEST_F(BadPicture, CorruptOrWrongSizedFieldsAreNamedAndLeftBlack) {
  const std::string corrupt = field(1, false);
  std::ofstream(corrupt, std::ios::binary | std::ios::trunc) << "II*\0garbage, no directory";
  const std::string small = field(2, true);
  testing::WriteGreyTiff(small, 256, 256, testing::GreyRamp(256, 256));
  const std::string folder = field(0, true);  // a folder where a picture should be
  fs::remove(folder);
  fs::create_directory(folder);

  const CommandRun run = runWell();
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.err.find("vembrel: left black: Unable to open file '" + corrupt + "'"),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("vembrel: left black: Field picture '" + small +
                         "' is 256 x 256 pixels, not 512 x 512"),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("vembrel: left black: Field picture '" + folder + "' does not exist"),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.out.find("Well: " + name_), std::string::npos) << run.out;
}

TEST_F(BadPicture, OtherPixelFormatsAreConvertedOrNamed) {
  // 1-bit, RGB and palette pictures go through the library's conversion;
  // 32-bit float has none and is named.
  WriteTiffOfKind(field(0, false), 1, SAMPLEFORMAT_UINT, PHOTOMETRIC_MINISBLACK, 1);
  std::vector<std::uint8_t> rgb(512 * 512 * 3, 200);
  testing::WriteRgbTiff(field(1, false), 512, 512, rgb);
  std::vector<std::uint16_t> ramp(256);
  for (int i = 0; i < 256; ++i) ramp[i] = static_cast<std::uint16_t>(i * 257);
  testing::WritePaletteTiff(field(2, false), 512, 512, std::vector<std::uint8_t>(512 * 512, 9),
                            ramp, ramp, ramp);
  WriteTiffOfKind(field(3, false), 32, SAMPLEFORMAT_IEEEFP, PHOTOMETRIC_MINISBLACK, 1);

  const CommandRun run = runWell();
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err.find(field(0, false)), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find(field(1, false)), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find(field(2, false)), std::string::npos) << run.err;
  // Without this message the float field was analysed as black without a word.
  EXPECT_NE(run.err.find("vembrel: left black: Unable to load file '" + field(3, false) + "': "),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.out.find("Number of nuclei:"), std::string::npos);
}

TEST_F(BadPicture, UnreadablePictureIsNamed) {
  const std::string path = field(1, true);
  fs::permissions(path, fs::perms::none);
  if (std::ifstream(path).good()) GTEST_SKIP() << "running as root: permissions are not enforced";
  const CommandRun run = runWell();
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.err.find("vembrel: left black: Unable to open file '" + path + "'"),
            std::string::npos)
      << run.err;
}

TEST_F(BadPicture, PictureDeletedAfterThePlateOpenedIsNamedWhenTheWellOpens) {
  ProgramState state;
  Workspace workspace(state);
  workspace.FileOpen(field(3, true));
  ASSERT_EQ(workspace.plate().wells[well_].WellState, 1);
  const std::string gone = field(2, false);
  fs::remove(gone);
  workspace.selectphoto(well_, MouseButton::Left);
  const WellWindow* window = workspace.findWindow(name_);
  ASSERT_NE(window, nullptr);
  ASSERT_EQ(window->fieldProblems().size(), 1u);
  EXPECT_EQ(window->fieldProblems()[0], "Field picture '" + gone + "' does not exist");
}

}  // namespace
}  // namespace vembrel
