// Names as bytes, written as text: replaced, kept on one line, or escaped exactly.
#include "core/name_text.h"

#include <gtest/gtest.h>

#include "core/error.h"

namespace vembrel {
namespace {

const std::string kFffd = "\xEF\xBF\xBD";

TEST(NameText, InvalidBytesAreReplacedAndValidCharactersKept) {
  EXPECT_TRUE(IsValidUtf8("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"));
  EXPECT_EQ(ValidUtf8Text("caf\xC3\xA9"), "caf\xC3\xA9");
  // Latin-1, a lone continuation, a cut character, overlong, surrogate, beyond U+10FFFF.
  for (const std::string bad : {"caf\xE9", "\x80", "\xE2\x82", "\xC0\xAF", "\xED\xA0\x80",
                                "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xE0\x80\xAF"}) {
    EXPECT_FALSE(IsValidUtf8(bad)) << EscapedBytes(bad);
    const std::string text = ValidUtf8Text(bad);
    EXPECT_TRUE(IsValidUtf8(text));
    EXPECT_NE(text.find(kFffd), std::string::npos);
  }
  EXPECT_EQ(ValidUtf8Text("caf\xE9_"), "caf" + kFffd + "_");
  // The highest character of each length is valid.
  EXPECT_TRUE(IsValidUtf8("\x7F\xDF\xBF\xEF\xBF\xBF\xF4\x8F\xBF\xBF\xED\x9F\xBF\xE0\xA0\x80"));
  EXPECT_TRUE(IsValidUtf8("\xF0\x90\x80\x80\xC2\x80"));
}

TEST(NameText, OneLineTextKeepsLinesWhole) {
  EXPECT_EQ(OneLineText("a\tb\nc\rd\x01"
                        "e\x7F"),
            "a\\tb\\nc\\rd" + kFffd + "e" + kFffd);
  EXPECT_EQ(OneLineText("plate \xE9"), "plate " + kFffd);
}

TEST(NameText, EscapedBytesGiveTheSameBytesBack) {
  const std::string every = [] {
    std::string s;
    for (int b = 0; b < 256; ++b) s += static_cast<char>(b);
    return s + "caf\xC3\xA9\\x41";
  }();
  const std::string escaped = EscapedBytes(every);
  EXPECT_TRUE(IsValidUtf8(escaped));
  EXPECT_EQ(escaped.find('\n'), std::string::npos);
  EXPECT_EQ(UnescapedBytes(escaped), every);
  EXPECT_EQ(EscapedBytes("caf\xE9\\\n"), "caf\\xe9\\\\\\x0a");
  EXPECT_EQ(UnescapedBytes("\\xE9\\x0a"), "\xE9\n");
  for (const char* bad : {"\\", "\\x4", "\\xg0", "a\\q", "\\x0"}) {
    EXPECT_THROW(UnescapedBytes(bad), Error) << bad;
  }
}

}  // namespace
}  // namespace vembrel
