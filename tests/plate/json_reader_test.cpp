// Values read back from JSON are checked for type and range before they are
// converted, and a fault names its place.
#include "plate/json_reader.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>

#include "core/error.h"

namespace vembrel {
namespace {

using Json = nlohmann::ordered_json;

std::string Problem(const std::function<void()>& read) {
  try {
    read();
  } catch (const Error& e) {
    return e.what();
  }
  return "no error";
}

TEST(JsonReader, ValuesAreCheckedForTypeAndRangeNamingTheirPlace) {
  const Json json = Json::parse(
      R"({"a": {"count": 1024, "negative": -5, "huge": 18446744073709551615, "real": 1e300,
          "ratio": 0.5, "flag": true, "name": "x", "list": [1, 2, 3]}})");
  const JsonReader root(json);
  const JsonReader a = root.at("a");
  EXPECT_EQ(a.at("count").integer(0, 1024), 1024);
  EXPECT_EQ(a.at("negative").integer(-5, 0), -5);
  EXPECT_EQ(a.at("ratio").number(0, 1), 0.5);
  EXPECT_EQ(a.at("count").number(0, 1024), 1024.0);
  EXPECT_TRUE(a.at("flag").flag());
  EXPECT_EQ(a.at("name").text(), "x");
  EXPECT_EQ(a.at("list").exactly(3)[2].integer32(3, 3), 3);

  EXPECT_EQ(Problem([&] { a.at("count").integer(0, 1023); }), "a.count: 1024 is outside 0..1023");
  EXPECT_EQ(Problem([&] { a.at("negative").integer(-4, 0); }), "a.negative: -5 is outside -4..0");
  EXPECT_EQ(Problem([&] { a.at("huge").integer(0, std::numeric_limits<std::int64_t>::max()); }),
            "a.huge: 18446744073709551615 is outside 0..9223372036854775807");
  EXPECT_EQ(Problem([&] { a.at("real").integer(0, 10); }), "a.real: 1e+300 is not a whole number");
  EXPECT_EQ(Problem([&] { a.at("real").number(0, 1e9); }),
            "a.real: 1e+300 is outside 0..1000000000");
  EXPECT_EQ(Problem([&] { a.at("count").number(0, 1000); }), "a.count: 1024 is outside 0..1000");
  EXPECT_EQ(Problem([&] { a.at("name").integer(0, 1); }), "a.name: \"x\" is not a whole number");
  EXPECT_EQ(Problem([&] { a.at("count").flag(); }), "a.count: 1024 is not true or false");
  EXPECT_EQ(Problem([&] { a.at("flag").text(); }), "a.flag: true is not a text");
  EXPECT_EQ(Problem([&] { a.at("absent"); }), "a.absent: missing");
  EXPECT_EQ(Problem([&] { a.at("count").at("x"); }), "a.count: 1024 is not an object");
  EXPECT_EQ(Problem([&] { a.at("list").elements(2); }), "a.list: a list of 3 is longer than 2");
  EXPECT_EQ(Problem([&] { a.at("list").exactly(4); }), "a.list: a list of 3 is not one of 4");
  EXPECT_EQ(Problem([&] { a.at("list").exactly(3)[1].integer(0, 1); }),
            "a.list[1]: 2 is outside 0..1");
  // Made in code rather than parsed, a whole number may be signed whatever its sign.
  const Json made = {{"n", std::int64_t{2000}}};
  EXPECT_EQ(Problem([&] { JsonReader(made).at("n").integer(0, 1024); }),
            "n: 2000 is outside 0..1024");
}

}  // namespace
}  // namespace vembrel
