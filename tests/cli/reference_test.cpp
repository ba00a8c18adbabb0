// The README's reference tables are what `vembrel settings --explain` and
// `vembrel measures` print, so the guide cannot drift from the code.
#include <gtest/gtest.h>

#include "support/command_run.h"
#include "support/temp_dir.h"

namespace vembrel::testing {
namespace {

// The README's text between "<!-- NAME reference: ... -->" and its end marker.
std::string ReadmeReference(const std::string& name) {
  const std::string readme = ReadFile(std::string(VEMBREL_SOURCE_DIR) + "/README.md");
  const std::size_t start = readme.find("<!-- " + name + " reference:");
  const std::size_t end = readme.find("<!-- end of " + name + " reference -->");
  if (start == std::string::npos || end == std::string::npos) return "<no markers>";
  const std::size_t body = readme.find('\n', start) + 1;
  return readme.substr(body, end - body);
}

TEST(Reference, TheReadmeHoldsWhatTheCommandsPrint) {
  const CommandRun settings = RunVembrel("settings --explain");
  ASSERT_EQ(settings.exitCode, 0) << settings.err;
  EXPECT_EQ(ReadmeReference("settings"), settings.out);
  EXPECT_NE(settings.out.find("| `Cent_diam` | `ring.radius` |"), std::string::npos);

  const CommandRun measures = RunVembrel("measures");
  ASSERT_EQ(measures.exitCode, 0) << measures.err;
  EXPECT_EQ(ReadmeReference("measures"), measures.out);
  EXPECT_NE(measures.out.find("Total nuclei need not equal immigrants plus nuclei outside"),
            std::string::npos);

  EXPECT_EQ(RunVembrel("settings").exitCode, 2);
}

}  // namespace
}  // namespace vembrel::testing
