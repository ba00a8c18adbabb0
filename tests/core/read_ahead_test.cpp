#include "core/read_ahead.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "support/page_cache.h"
#include "support/temp_dir.h"

namespace vembrel {
namespace {

TEST(ReadAhead, BringsAFileIntoThePageCacheAndPassesOverWhatItCannotRead) {
  const testing::TempDir dir;
  const std::string file = dir.file("field.tif");
  testing::WriteBytes(file, std::string(64 * 4096, 'x'));
  if (!testing::DropFromPageCache(file)) GTEST_SKIP() << "the file system keeps files in memory";

  // A missing file and a pipe without a writer come first: neither may stop
  // the rest or block.
  const std::string pipe = dir.file("pipe");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  ReadAhead({dir.file("missing.tif"), pipe, file});
  EXPECT_TRUE(testing::BecomeResident({file}));
}

}  // namespace
}  // namespace vembrel
