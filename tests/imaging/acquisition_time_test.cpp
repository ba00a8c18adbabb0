// Acquisition times as instruments record them, read from real files.
#include "imaging/acquisition_time.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <fstream>

#include "support/temp_dir.h"
#include "support/tiff_writer.h"

namespace vembrel::testing {
namespace {

void WriteTaggedTiff(const std::string& path, const char* description, const char* dateTime) {
  WriteUniformTiff(path, 8, 8, 7, [&](TIFF* tif) {
    if (description) TIFFSetField(tif, TIFFTAG_IMAGEDESCRIPTION, description);
    if (dateTime) TIFFSetField(tif, TIFFTAG_DATETIME, dateTime);
  });
}

TEST(AcquisitionTime, ReadsTheInstrumentsFormatsOnOneClock) {
  const auto tiff = ParseAcquisitionTime("2024:02:28 23:30:00");
  ASSERT_TRUE(tiff);
  // Across a leap day and midnight: 2024-02-29 exists.
  EXPECT_EQ(*ParseAcquisitionTime("2024:03:01 00:30:00") - *tiff, 25 * 3600.0);
  EXPECT_EQ(*ParseAcquisitionTime("20240229 00:30:00.250") - *tiff, 3600.25);
  EXPECT_EQ(*ParseAcquisitionTime("2024-02-28T23:30:00Z"), *tiff);
  // A zone offset is taken off: 10:00 at +01:00 is 09:00 universal time.
  EXPECT_EQ(*ParseAcquisitionTime("2024-02-28T10:00:00+01:00"),
            *ParseAcquisitionTime("2024-02-28T09:00:00Z"));
  EXPECT_EQ(*ParseAcquisitionTime("1970-01-01T00:00:01.5"), 1.5);
  // Incucyte-style stamps of names: across the leap day, the year of two digits or four.
  EXPECT_EQ(*NameTimeStampSeconds("24y03m01d_00h30m") - *NameTimeStampSeconds("2024y02m28d_23h30m"),
            25 * 3600.0);
  EXPECT_EQ(*NameTimeStampSeconds("24y02m28d_23h30m"), *tiff);
  EXPECT_EQ(*NameTimeStampSeconds("12d03h07m"), 12 * 86400.0 + 3 * 3600 + 7 * 60);
  for (const char* bad : {"24y02m28d23h30m", "24y02m28d_23h30", "1d3h7m", "x1d03h07m"}) {
    EXPECT_FALSE(NameTimeStampSeconds(bad)) << bad;
  }
  for (const char* bad : {"", "2024:13:01 00:00:00", "2024:02:28 24:00:00", "2024:02:28",
                          "2024:02:28 10:00:00 later", "2024-02-28T10:00:00+1", "yesterday"}) {
    EXPECT_FALSE(ParseAcquisitionTime(bad)) << bad;
  }
}

TEST(AcquisitionTime, FromTheTiffTagsAndTheIndexFile) {
  TempDir dir;
  WriteTaggedTiff(dir.file("plain.tif"), nullptr, "2023:05:01 10:00:00");
  WriteTaggedTiff(dir.file("none.tif"), "just a picture", nullptr);
  // The MetaSeries description wins over the DateTime tag.
  WriteTaggedTiff(dir.file("meta.tif"),
                  "<MetaData><prop id=\"acquisition-time-local\" type=\"time\" "
                  "value=\"20230501 16:00:00.000\"/></MetaData>",
                  "2023:05:01 10:00:00");
  const auto plain = TiffDateTime(dir.file("plain.tif"));
  ASSERT_TRUE(plain);
  EXPECT_EQ(*TiffAcquisitionTime(dir.file("meta.tif")) - *plain, 6 * 3600.0);
  EXPECT_FALSE(TiffAcquisitionTime(dir.file("plain.tif")));  // when the file was made only
  for (const char* file : {"none.tif", "missing.tif"}) {
    EXPECT_FALSE(TiffAcquisitionTime(dir.file(file)));
    EXPECT_FALSE(TiffDateTime(dir.file(file)));
  }

  std::ofstream(dir.file("Index.idx.xml"))
      << "<EvaluationInputData><Images>\n"
         "<Image Version=\"1\"><id>1</id><URL>r01c01f01p01-ch1sk1fk1fl1.tiff</URL>"
         "<AbsTime>2023-05-01T10:00:00.5+02:00</AbsTime></Image>\n"
         "<Image Version=\"1\"><AbsTime>2023-05-01T13:00:00.5+02:00</AbsTime>"
         "<URL>r01c01f01p01-ch1sk2fk1fl1.tiff</URL></Image>\n"
         "<Image Version=\"1\"><URL>r01c01f01p01-ch1sk3fk1fl1.tiff</URL></Image>\n"
         "<Image Version=\"1\"><URL>r01c01f01p01-ch1sk4fk1fl1.tiff</URL>"
         "<AbsTime>bad</AbsTime></Image>\n"
         "</Images></EvaluationInputData>\n";
  const std::string folder = dir.path().string() + "/";
  const auto first = IndexAcquisitionTime(folder, "r01c01f01p01-ch1sk1fk1fl1.tiff");
  ASSERT_TRUE(first);
  EXPECT_EQ(*ParseAcquisitionTime("2023-05-01T08:00:00.5Z"), *first);
  EXPECT_EQ(*IndexAcquisitionTime(folder, "r01c01f01p01-ch1sk2fk1fl1.tiff") - *first, 3 * 3600.0);
  // An entry without a time does not borrow the next entry's.
  EXPECT_FALSE(IndexAcquisitionTime(folder, "r01c01f01p01-ch1sk3fk1fl1.tiff"));
  EXPECT_FALSE(IndexAcquisitionTime(folder, "r01c01f01p01-ch1sk4fk1fl1.tiff"));
  EXPECT_FALSE(IndexAcquisitionTime(folder, "r09c01f01p01-ch1sk1fk1fl1.tiff"));
  EXPECT_FALSE(IndexAcquisitionTime(folder + "none/", "r01c01f01p01-ch1sk1fk1fl1.tiff"));
}

}  // namespace
}  // namespace vembrel::testing
