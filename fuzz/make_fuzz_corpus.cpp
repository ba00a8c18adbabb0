// Writes small real seed files for the fuzz targets: TIFF pictures in several
// forms, settings files, file names and summary-file lines.
#include <tiffio.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "engine/analysed_well.h"
#include "plate/analysis_settings.h"
#include "plate/plate.h"
#include "plate/settings_file.h"
#include "results/run_manifest.h"

namespace fs = std::filesystem;

namespace {

// A grey picture (or MINISWHITE, which only the RGBA conversion reads) whose
// values repeat along each row, so even large ones compress to little.
void WriteTiff(const fs::path& path, int width, int height, int bits, int compression, bool tiled,
               int photometric = PHOTOMETRIC_MINISBLACK, int rowsPerStrip = 4, int tileSide = 16) {
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  if (tif == nullptr) return;
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
  const int bytes = bits / 8;
  if (tiled) {
    TIFFSetField(tif, TIFFTAG_TILEWIDTH, tileSide);
    TIFFSetField(tif, TIFFTAG_TILELENGTH, tileSide);
    std::vector<unsigned char> tile(tileSide * tileSide * bytes, 0);
    for (int y = 0; y < height; y += tileSide) {
      for (int x = 0; x < width; x += tileSide) {
        for (std::size_t i = 0; i < tile.size(); ++i)
          tile[i] = static_cast<unsigned char>(x + y + i);
        TIFFWriteTile(tif, tile.data(), x, y, 0, 0);
      }
    }
  } else {
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
    std::vector<unsigned char> row(width * bytes);
    for (int y = 0; y < height; ++y) {
      for (std::size_t i = 0; i < row.size(); ++i) row[i] = static_cast<unsigned char>(3 * i + y);
      TIFFWriteScanline(tif, row.data(), y, 0);
    }
  }
  TIFFClose(tif);
}

void WriteText(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_fuzz_corpus DIR\n");
    return 2;
  }
  const fs::path root = argv[1];
  for (const char* target :
       {"fuzz_tiff_loader", "fuzz_settings_file", "fuzz_plate_names", "fuzz_summary_split",
        "fuzz_analysis_pass", "fuzz_well_record", "fuzz_run_manifest", "fuzz_ome_xml"}) {
    fs::create_directories(root / target);
  }
  const fs::path tiff = root / "fuzz_tiff_loader";
  WriteTiff(tiff / "grey8.tif", 24, 20, 8, COMPRESSION_NONE, false);
  WriteTiff(tiff / "grey16.tif", 24, 20, 16, COMPRESSION_NONE, false);
  WriteTiff(tiff / "lzw.tif", 32, 32, 8, COMPRESSION_LZW, false);
  WriteTiff(tiff / "deflate.tif", 32, 32, 8, COMPRESSION_ADOBE_DEFLATE, false);
  WriteTiff(tiff / "packbits.tif", 32, 32, 8, COMPRESSION_PACKBITS, false);
  WriteTiff(tiff / "tiled.tif", 32, 32, 8, COMPRESSION_NONE, true);
  // Whole fields: decoded straight into place, through the RGBA conversion,
  // at 16 bits, and reduced from a large field.
  WriteTiff(tiff / "field8.tif", 512, 512, 8, COMPRESSION_ADOBE_DEFLATE, false,
            PHOTOMETRIC_MINISBLACK, 64);
  WriteTiff(tiff / "field_converted.tif", 512, 512, 8, COMPRESSION_ADOBE_DEFLATE, false,
            PHOTOMETRIC_MINISWHITE, 64);
  WriteTiff(tiff / "field16.tif", 512, 512, 16, COMPRESSION_ADOBE_DEFLATE, false,
            PHOTOMETRIC_MINISBLACK, 32);
  WriteTiff(tiff / "field_large16.tif", 1024, 1024, 16, COMPRESSION_ADOBE_DEFLATE, true,
            PHOTOMETRIC_MINISBLACK, 0, 256);
  WriteTiff(tiff / "field_uneven.tif", 600, 600, 8, COMPRESSION_LZW, false, PHOTOMETRIC_MINISBLACK,
            100);

  const fs::path settings = root / "fuzz_settings_file";
  vembrel::AnalysisSettings defaults;
  vembrel::WriteSettingsFile((settings / "defaults.VLS").string(), defaults);
  vembrel::AnalysisSettings other;
  other.ring.radius = 300;
  other.cells.lengthRatio = 2.9;
  other.cells.smoothness = 0.29;
  vembrel::WriteSettingsFile((settings / "other.VLS").string(), other);
  // Earlier and hand-written forms, then one seed per refused case.
  const std::string nuclear =
      "[Cent_COG]\r\n10\r\n[Cent_COB]\r\n10\r\n[Cent_KFRG]\r\nTRUE\r\n[Cent_KFRb]\r\n false \r\n"
      "[Cent_SB]\r\n155\r\n[Cent_SG]\r\n255\r\n[Cent_diam]\r\n350\r\n[Cent_LCG]\r\n100\r\n"
      "[Cent_LCB]\r\n100\r\n[Cent_MINS]\r\n10\r\n[Cent_MAXS]\r\n255\r\n[Cent_RISI]\r\n50\r\n";
  WriteText(settings / "nuclear-only.VLS", nuclear);
  WriteText(settings / "blank-lines-lf.VLS",
            "\n[Cent_RISI]\n7\n\n[Cent_MAXS]\n20\n[Cent_MINS]\n19\n[Cent_LCB]\n0\n"
            "[Cent_LCG]\n255\n[Cent_diam]\n1\n[Cent_SG]\n1\n[Cent_SB]\n255\n[Cent_KFRb]\nfalse\n"
            "[Cent_KFRG]\nTrue\n[Cent_COB]\n254\n[Cent_COG]\n0\n[Cent_Cell_Ratio]\n2,5\n"
            "[Cent_Cell_Min]\n300\n[Cent_Cell_Max]\n300\n");
  WriteText(settings / "flag-yes.VLS", nuclear.substr(0, nuclear.find("TRUE")) + "yes" +
                                           nuclear.substr(nuclear.find("TRUE") + 4));
  WriteText(settings / "twice.VLS", nuclear + "[Cent_COB]\r\n12\r\n");
  WriteText(settings / "bad-key-line.VLS", "[Cent_diamXYZ\r\n350\r\n" + nuclear);
  WriteText(settings / "no-value.VLS", nuclear + "[Cent_Cell_Min]");
  WriteText(settings / "cell-sizes.VLS",
            nuclear + "[Cent_Cell_Min]\r\n2001\r\n[Cent_Cell_Coeff]\r\n 1.0E+0000\r\n");
  WriteText(settings / "long-value.VLS", nuclear + "[Cent_Cell_GCO]\r\n" + std::string(300, '4'));

  const fs::path names = root / "fuzz_plate_names";
  WriteText(names / "windows", "X:\\plate\\AB_12_C05f02d1.tif");
  WriteText(names / "unix", "/data/plates/p1/DEMO_A01f00d0.tif");
  WriteText(names / "plain", "A01f00d0.tif");

  // OME-XML after one byte giving the page count (4 and 2).
  const fs::path ome = root / "fuzz_ome_xml";
  WriteText(ome / "channels-times",
            std::string("\x03") +
                "<?xml version=\"1.0\"?><OME><Image><Pixels DimensionOrder=\"XYCZT\" SizeC=\"2\" "
                "SizeT=\"2\" PhysicalSizeX=\"650\" PhysicalSizeXUnit=\"nm\"><Channel Name=\"Red\"/>"
                "<Channel Name=\"Green\"/><Plane TheT=\"1\" DeltaT=\"6\" DeltaTUnit=\"h\"/>"
                "</Pixels></Image></OME>");
  WriteText(ome / "tiff-data",
            std::string("\x01") +
                "<OME><Image><Pixels DimensionOrder=\"XYZTC\" SizeZ=\"2\"><TiffData IFD=\"1\"/>"
                "<TiffData IFD=\"0\" FirstZ=\"1\"><UUID FileName=\"f.ome.tif\"/></TiffData>"
                "</Pixels></Image></OME>");

  const fs::path split = root / "fuzz_summary_split";
  WriteText(split / "lines",
            "\r\nMeasurement date: 12/06/26\r\nPath:\t/x/\r\n\tX\r\na\tb\t\r\n12,5\t\r\n");

  const fs::path pass = root / "fuzz_analysis_pass";
  // Settings words (big-endian pairs) near the defaults, then a mosaic pattern.
  const unsigned char settingsBytes[] = {0, 10, 0, 145, 1, 0,   0, 10, 0, 245, 1, 1,
                                         1, 94, 0, 100, 0, 100, 0, 10, 0, 245, 0, 50};
  const std::string settingsPart(reinterpret_cast<const char*>(settingsBytes),
                                 sizeof settingsBytes);
  // Cell level: cut-off 40, sizes 30 .. 2000, elongation 3.0, smoothness 0.75.
  const std::string cellPart("\0\x28\x07\xcf\0\x1d\0\x1d\0\x4b", 10);
  WriteText(pass / "default",
            settingsPart + cellPart + std::string(4096, '\x20') + std::string(512, '\xe0'));
  // Worst cases for the region growing: everything marked, stripes, and a
  // one-pixel checkerboard (a pattern one longer than a mosaic row).
  WriteText(pass / "all-marked", settingsPart + cellPart + std::string(1, '\xff'));
  WriteText(pass / "stripes", settingsPart + cellPart + std::string("\xff\0", 2));
  std::string checker;
  for (int i = 0; i < 1025; ++i) checker += i % 2 ? '\xff' : '\0';
  WriteText(pass / "checkerboard", settingsPart + cellPart + checker);
  // A dense lattice of 2 x 2 nuclei every 4 pixels: tens of thousands of seeds.
  std::string lattice;
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 1024; ++column) {
      lattice += row < 2 && column % 4 < 2 ? '\xff' : '\0';
    }
  }
  WriteText(pass / "lattice", settingsPart + cellPart + lattice);

  // A well's record and a part's manifest as a run writes them.
  vembrel::AnalysedWell record;
  record.program = vembrel::ProgramVersion();
  vembrel::WellResults& well = record.results;
  well.well = 13;
  well.nuclei = 2;
  well.immigrants = {{500, 480, 40, 12.5}, {520, 470, 35, -3.25}};
  well.density = {{3, 900}, {1, 1200}};
  well.quality = {vembrel::QualityNote::FewNucleiOutside};
  for (const bool green : {false, true}) {
    for (int field = 0; field < 4; ++field) {
      vembrel::InputPicture input{
          "/p/caf\xE9_B02f0" + std::to_string(field) + (green ? "d1" : "d0"), green, field,
          vembrel::FileFingerprint{1000u + field, 0x1234u}};
      if (field == 3) input.fingerprint.reset();
      well.inputs.push_back(input);
    }
  }
  well.fieldProblems = {{vembrel::FieldProblemKind::kMissing, well.inputs[3].file, "missing"}};
  well.cells = vembrel::CellResults{
      1,
      2,
      {{500.5, 480.25, 90, 12, 10, 40, 14.5, 2.3, 0.8, vembrel::CellClass::OvalSmooth, 33.0, 40}},
      {}};
  WriteText(root / "fuzz_well_record" / "record.json", vembrel::AnalysedWellToJson(record).dump());
  vembrel::Plate plate;
  plate.open = true;
  plate.path = "/p/";
  plate.prefix = "caf\xE9_";
  plate.measurementDate = 45000.5;
  plate.wells[13].state = 1;
  vembrel::PlateResults results;
  results.record(well, record.settings);
  vembrel::RunFacts facts;
  facts.wholePlate = false;
  facts.failures = {{14, "Well B03: broken"}};
  WriteText(root / "fuzz_run_manifest" / "manifest.json",
            vembrel::RunManifest(plate, results, facts)
                .dump(2, ' ', false, nlohmann::json::error_handler_t::replace));
  return 0;
}
