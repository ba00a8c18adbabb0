#include "results/rings_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/error.h"
#include "support/temp_dir.h"

namespace vembrel {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteBytes;

constexpr const char* kHeader = "well,x,y,radius,source,time\n";

TEST(RingsFile, ReadsEveryColumnAndKeepsOnlyReviewedRingsForTheBatch) {
  TempDir dir;
  const std::string path = dir.file("P_Vembrel_rings.csv");
  WriteBytes(path, std::string(kHeader) +
                       "A01,0,1023,1,reviewed,2026-12-07T10:00:00+01:00\r\n"
                       " H12 , 1023 , 0 , 1024 , fitted , 2026-12-07\n"
                       "\n"
                       "B03,500,410,300,reviewed,2026-12-07T10:00Z\n");
  const RingsFile rings = ReadRingsFile(path);
  EXPECT_EQ(rings.path, path);
  ASSERT_TRUE(rings.wells[0].has_value());
  EXPECT_EQ(rings.wells[0]->ring, (Ring{0, 1023, 1}));
  EXPECT_EQ(rings.wells[0]->time, "2026-12-07T10:00:00+01:00");
  ASSERT_TRUE(rings.wells[95].has_value());
  EXPECT_EQ(rings.wells[95]->ring, (Ring{1023, 0, 1024}));
  EXPECT_EQ(rings.wells[95]->source, RingSource::Fitted);
  EXPECT_EQ(rings.reviewed(14), (Ring{500, 410, 300}));  // B03
  EXPECT_FALSE(rings.reviewed(95).has_value());
  EXPECT_FALSE(rings.reviewed(1).has_value());
  EXPECT_EQ(rings.reviewedCount(), 2);
  EXPECT_EQ(RingsFileName("/r/", "P_"), "/r/P_Vembrel_rings.csv");
}

TEST(RingsFile, RefusesBadLinesNamingFileLineAndValue) {
  TempDir dir;
  const std::string path = dir.file("rings.csv");
  const std::string good = "A01,512,512,300,reviewed,2026-12-07T10:00:00+00:00\n";
  struct Case {
    std::string body;
    std::string expected;  // part of the message after "line N: "
  };
  const Case cases[] = {
      {"I01,512,512,300,reviewed,2026-12-07\n", "line 3: 'I01' is no well"},
      {"A13,512,512,300,reviewed,2026-12-07\n", "'A13' is no well"},
      {"A01,1,2,3,fitted,2026-12-07\n", "line 3: well A01 is listed again (first on line 2)"},
      {"A02,-1,512,300,reviewed,2026-12-07\n", "line 3: well A02: x -1 is outside"},
      {"A02,1024,512,300,reviewed,2026-12-07\n", "x 1024 is outside"},
      {"A02,512,-1,300,reviewed,2026-12-07\n", "y -1 is outside"},
      {"A02,512,1024,300,reviewed,2026-12-07\n", "y 1024 is outside"},
      {"A02,512,512,0,reviewed,2026-12-07\n", "radius 0 is outside"},
      {"A02,512,512,1025,reviewed,2026-12-07\n", "radius 1025 is outside"},
      {"A02,abc,512,300,reviewed,2026-12-07\n", "line 3: x 'abc' is not a whole number"},
      {"A02,512,5x,300,reviewed,2026-12-07\n", "y '5x' is not a whole number"},
      {"A02,512,512,30.5,reviewed,2026-12-07\n", "radius '30.5' is not a whole number"},
      {"A02,512,,300,reviewed,2026-12-07\n", "y '' is not a whole number"},
      {"A02,512,512,300,guessed,2026-12-07\n", "source 'guessed' is neither"},
      {"A02,512,512,300,reviewed,yesterday\n", "time 'yesterday' is no ISO 8601 time"},
      {"A02,512,512,300,reviewed\n", "line 3: 5 values"},
      {"A02,512,512,300,reviewed,2026-12-07,x\n", "7 values"},
  };
  for (const Case& c : cases) {
    WriteBytes(path, kHeader + good + c.body);
    try {
      ReadRingsFile(path);
      ADD_FAILURE() << "accepted " << c.body;
    } catch (const UsageError& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find("Rings file '" + path + "'"), std::string::npos) << message;
      EXPECT_NE(message.find(c.expected), std::string::npos) << message;
    }
  }
  WriteBytes(path, "well,x,y,r,source,time\n");
  EXPECT_THROW(ReadRingsFile(path), UsageError);
  WriteBytes(path, "");
  EXPECT_THROW(ReadRingsFile(path), UsageError);
  EXPECT_THROW(ReadRingsFile(dir.file("missing.csv")), UsageError);
}

TEST(RingsFile, SaveRingReplacesTheWellsEntryAndKeepsTheOthers) {
  TempDir dir;
  const std::string path = dir.file("P_Vembrel_rings.csv");
  SaveRing(path, 95, {600, 400, 250}, RingSource::Reviewed);
  SaveRing(path, 0, {100, 200, 50}, RingSource::Fitted);
  SaveRing(path, 95, {610, 390, 260}, RingSource::Reviewed);
  const std::string text = ReadFile(path);
  EXPECT_EQ(text.substr(0, text.find('\n') + 1), kHeader);
  // Plate order, each well once, with a time of today's form.
  EXPECT_NE(text.find("\nA01,100,200,50,fitted,"), std::string::npos) << text;
  EXPECT_NE(text.find("\nH12,610,390,260,reviewed,"), std::string::npos) << text;
  EXPECT_LT(text.find("A01,"), text.find("H12,"));
  EXPECT_EQ(text.find("600,400"), std::string::npos);
  const RingsFile read = ReadRingsFile(path);
  EXPECT_EQ(read.reviewedCount(), 1);
  EXPECT_EQ(RingsFileText(read), text);

  // A ring off the mosaic, or a damaged file, is refused and the file kept.
  EXPECT_THROW(SaveRing(path, 1, {512, 512, 0}, RingSource::Reviewed), Error);
  EXPECT_THROW(SaveRing(path, 1, {1024, 512, 10}, RingSource::Reviewed), Error);
  WriteBytes(path, std::string(kHeader) + "A01,x,1,1,reviewed,2026-12-07\n");
  EXPECT_THROW(SaveRing(path, 1, {512, 512, 10}, RingSource::Reviewed), Error);
  EXPECT_EQ(ReadFile(path), std::string(kHeader) + "A01,x,1,1,reviewed,2026-12-07\n");
}

}  // namespace
}  // namespace vembrel
