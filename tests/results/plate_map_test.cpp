// Plate maps in both forms: the same map written plate-shaped and tidy reads
// into the same wells, conditions are made when absent, further variables
// are carried, every kind of bad map is refused naming file, line and value,
// and a map is put on a plate of its format, or refused naming both.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "core/error.h"
#include "core/text_file.h"
#include "plate/plate.h"
#include "plate/well_names.h"
#include "results/plate_map.h"
#include "support/temp_dir.h"

namespace vembrel::testing {
namespace {

// A variable's value per well name; wells not named stay empty.
using Layer = std::map<std::string, std::string>;

std::string PlateBlock(const std::string& name, const Layer& layer) {
  std::string text = name;
  for (int c = 1; c <= 12; ++c) text += "," + std::to_string(c);
  text += "\n";
  for (int r = 0; r < 8; ++r) {
    text += static_cast<char>('A' + r);
    for (int c = 0; c < 12; ++c) {
      const auto at = layer.find(WellName(r * 12 + c));
      text += "," + (at == layer.end() ? std::string() : at->second);
    }
    text += "\n";
  }
  return text;
}

std::string PlateForm(const std::vector<std::pair<std::string, Layer>>& layers) {
  std::string text;
  for (const auto& [name, layer] : layers)
    text += (text.empty() ? "" : "\n") + PlateBlock(name, layer);
  return text;
}

std::string TidyForm(const std::vector<std::pair<std::string, Layer>>& layers, bool shortNames) {
  std::string text = "well";
  for (const auto& [name, layer] : layers) text += "," + name;
  text += "\n";
  for (int w = 0; w < 96; ++w) {
    std::string row;
    bool any = false;
    for (const auto& [name, layer] : layers) {
      const auto at = layer.find(WellName(w));
      row += "," + (at == layer.end() ? std::string() : at->second);
      any = any || at != layer.end();
    }
    if (!any) continue;
    const std::string well = WellName(w);
    text += (shortNames && well[1] == '0' ? well.substr(0, 1) + well.substr(2) : well) + row + "\n";
  }
  return text;
}

const std::vector<std::pair<std::string, Layer>> kLayers = {
    {"role",
     {{"A01", "negative_control"},
      {"B01", "negative_control"},
      {"A12", "positive_control"},
      {"B12", "positive_control"},
      {"C03", "sample"},
      {"C04", "sample"},
      {"D05", "empty"}}},
    {"compound", {{"C03", "DrugA"}, {"C04", "Drug, \"B\""}, {"A01", "DMSO"}}},
    {"concentration", {{"C03", "0.5"}, {"C04", "1e1"}}},
    {"unit", {{"C03", "uM"}, {"C04", "nM"}}},
    {"cell_line", {{"A01", "HT-1080"}, {"C03", "MDA"}}},
    {"Condition", {{"B12", "closed zone"}}},
};

std::vector<std::pair<std::string, Layer>> QuotedLayers() {
  auto layers = kLayers;
  for (auto& [name, layer] : layers) {
    for (auto& [well, value] : layer) {
      if (value.find_first_of(",\"") != std::string::npos) {
        std::string quoted = "\"";
        for (const char ch : value) quoted += ch == '"' ? std::string("\"\"") : std::string(1, ch);
        value = quoted + "\"";
      }
    }
  }
  return layers;
}

TEST(PlateMapTest, BothFormsReadIntoTheSameWells) {
  const MappedPlate plate = ParsePlateMap(PlateForm(QuotedLayers()), "map.csv");
  const MappedPlate tidy = ParsePlateMap(TidyForm(QuotedLayers(), true), "map.csv");
  EXPECT_EQ(plate.form, "plate");
  EXPECT_EQ(tidy.form, "tidy");
  ASSERT_EQ(plate.otherVariables, std::vector<std::string>{"cell_line"});
  ASSERT_EQ(tidy.otherVariables, plate.otherVariables);
  for (int w = 0; w < 96; ++w) {
    const MappedWell& a = plate.wells[w];
    const MappedWell& b = tidy.wells[w];
    EXPECT_EQ(a.role, b.role) << WellName(w);
    EXPECT_EQ(a.compound, b.compound) << WellName(w);
    EXPECT_EQ(a.concentration, b.concentration) << WellName(w);
    EXPECT_EQ(a.unit, b.unit) << WellName(w);
    EXPECT_EQ(a.condition, b.condition) << WellName(w);
    EXPECT_EQ(a.others, b.others) << WellName(w);
    EXPECT_EQ(a.mapped, b.mapped) << WellName(w);
  }
  const auto& w = plate.wells;
  EXPECT_EQ(w[WellIndex("A01")].role, WellRole::NegativeControl);
  EXPECT_EQ(w[WellIndex("A12")].role, WellRole::PositiveControl);
  EXPECT_EQ(w[WellIndex("C03")].role, WellRole::Sample);
  EXPECT_EQ(w[WellIndex("D05")].role, WellRole::Empty);
  EXPECT_EQ(w[WellIndex("C04")].compound, "Drug, \"B\"");
  EXPECT_EQ(w[WellIndex("C04")].concentration, 10.0);
  // Conditions: given, or compound + concentration + unit, or the role.
  EXPECT_EQ(w[WellIndex("C03")].condition, "DrugA 0.5 uM");
  EXPECT_EQ(w[WellIndex("C04")].condition, "Drug, \"B\" 10 nM");
  EXPECT_EQ(w[WellIndex("A01")].condition, "DMSO");
  EXPECT_EQ(w[WellIndex("B01")].condition, "negative_control");
  EXPECT_EQ(w[WellIndex("A12")].condition, "positive_control");
  EXPECT_EQ(w[WellIndex("B12")].condition, "closed zone");
  EXPECT_EQ(w[WellIndex("D05")].condition, "empty");
  EXPECT_EQ(w[WellIndex("A01")].others, std::vector<std::string>{"HT-1080"});
  EXPECT_EQ(w[WellIndex("B01")].others, std::vector<std::string>{""});
  EXPECT_FALSE(w[WellIndex("H06")].mapped);
  EXPECT_EQ(w[WellIndex("H06")].condition, "");
  EXPECT_TRUE(plate.hasControls());
}

TEST(PlateMapTest, ReadsTabsACarriageReturnAndAByteOrderMark) {
  const MappedPlate map = ParsePlateMap(
      "\xEF\xBB\xBFWell\tRole\tConcentration\r\na1\tsample\t2\r\nH12\tnegative_control\t\r\n",
      "m.tsv");
  EXPECT_EQ(map.wells[0].role, WellRole::Sample);
  EXPECT_EQ(map.wells[0].concentration, 2.0);
  EXPECT_EQ(map.wells[95].role, WellRole::NegativeControl);
  EXPECT_FALSE(map.wells[95].concentration);
  EXPECT_EQ(map.wells[0].condition, "2");
  EXPECT_FALSE(ParsePlateMap("well,role\nA01,sample\n", "m").hasControls());
}

void ExpectRefused(const std::string& text, const std::string& line, const std::string& value) {
  try {
    ParsePlateMap(text, "dir/map.csv");
    ADD_FAILURE() << "accepted: " << text;
  } catch (const UsageError& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find("'dir/map.csv'"), std::string::npos) << message;
    EXPECT_NE(message.find("line " + line + ":"), std::string::npos) << message;
    EXPECT_NE(message.find(value), std::string::npos) << message;
  }
}

TEST(PlateMapTest, RefusesBadMapsNamingFileLineAndValue) {
  ExpectRefused("well,role\nA01,sample\nB02,sample\nA1,sample\n", "4", "'A1' is named twice");
  ExpectRefused("well,role\nA01,sample\nAG01,sample\n", "3", "'AG01' is not a well of a plate");
  ExpectRefused("well,role\nA49,sample\n", "2", "'A49'");
  ExpectRefused("well,role\nA00,sample\n", "2", "'A00'");
  ExpectRefused("well,role\nA123,sample\n", "2", "'A123'");
  ExpectRefused("well,role\nA01,control\n", "2", "'control'");
  ExpectRefused("well,concentration\nA01,0\n", "2", "'0'");
  ExpectRefused("well,concentration\nA01,-1\n", "2", "'-1'");
  ExpectRefused("well,concentration\nA01,1.5mM\n", "2", "'1.5mM'");
  ExpectRefused("well,concentration\nA01,inf\n", "2", "'inf'");
  ExpectRefused("well,role,Role\nA01,sample,sample\n", "1", "'Role' is named twice");
  ExpectRefused("well,role\nA01,sample,extra\n", "2", "'extra'");
  ExpectRefused("well,role\n", "1", "empty");
  ExpectRefused("", "1", "empty");
  ExpectRefused(PlateBlock("role", {}), "9", "empty");
  // Plate-shaped blocks: 8 rows by 12 columns, rows A-H, columns 1-12.
  std::string text = PlateBlock("role", {{"A01", "sample"}});
  ExpectRefused(text.substr(0, text.rfind("H,")), "8", "7 rows by 12 columns");
  std::string wide = text;
  wide.replace(wide.find("\nB,"), 3, ",x\nB,");
  ExpectRefused(wide, "1", "8 rows by 13 columns");
  std::string wideLater = PlateBlock("unit", {});
  wideLater.replace(wideLater.find("\nB,"), 3, ",x\nB,");
  ExpectRefused(text + "\n" + wideLater, "11", "8 rows by 13 columns");
  ExpectRefused("role,1,2,3\nA,sample\n", "2", "1 rows by 3 columns");
  ExpectRefused("role,1,2,3,4,5\nA,sample\nB\n", "1", "2 rows by 5 columns");
  ExpectRefused(text + "\nunit,1,2,3\nA,uM\nB\n", "11",
                "2 rows by 3 columns; a block is 8 rows (A-H) by 12 columns (1-12), as the first");
  ExpectRefused(text + "\n" + text.substr(0, text.rfind("H,")), "18", "7 rows by 12 columns");
  std::string renumbered = text;
  renumbered.replace(renumbered.find(",12\n"), 4, ",13\n");
  ExpectRefused(renumbered, "1", "'13'");
  std::string relabelled = text;
  relabelled.replace(relabelled.find("\nC,"), 3, "\nI,");
  ExpectRefused(relabelled, "4", "row 'I'");
  ExpectRefused(text + "\n" + PlateBlock("role", {}), "11", "'role' is named twice");
  ExpectRefused(text + "\n" + PlateBlock("concentration", {{"B03", "x"}}), "13", "'x' of well B03");
}

TEST(PlateMapTest, BlocksAndWellNamesOfEveryFormatGiveTheMapsPlate) {
  // A 384-well block: rows A-P, columns 1-24.
  std::string block = "role";
  for (int c = 1; c <= 24; ++c) block += "," + std::to_string(c);
  for (int r = 0; r < 16; ++r) {
    block += "\n" + RowName(r);
    for (int c = 0; c < 24; ++c) block += (r == 15 && c == 23) ? ",sample" : ",";
  }
  const MappedPlate large = ParsePlateMap(block + "\n", "m");
  EXPECT_EQ(large.format, PlateFormat::FromWellsPerPlate(384));
  ASSERT_EQ(large.wells.size(), 384u);
  EXPECT_EQ(large.wells[383].role, WellRole::Sample);
  EXPECT_EQ(std::count_if(large.wells.begin(), large.wells.end(),
                          [](const MappedWell& w) { return w.mapped; }),
            1);
  const MappedPlate six = ParsePlateMap("role,1,2,3\na,sample\nb,,,empty\n", "m");
  EXPECT_EQ(six.format, PlateFormat::FromWellsPerPlate(6));
  EXPECT_EQ(six.wells[5].role, WellRole::Empty);
  EXPECT_FALSE(six.wells[4].mapped);
  // Tidy maps take the 96-, 384- or 1536-well plate holding their wells.
  EXPECT_EQ(ParsePlateMap("well,role\nH12,sample\n", "m").format, PlateFormat());
  const MappedPlate p24 = ParsePlateMap("well,role\nP24,sample\nA13,empty\n", "m");
  EXPECT_EQ(p24.format, PlateFormat::FromWellsPerPlate(384));
  EXPECT_EQ(p24.wells[383].role, WellRole::Sample);
  EXPECT_EQ(p24.wells[12].role, WellRole::Empty);
  const MappedPlate af48 = ParsePlateMap("well,role,donor\naf48,sample,d\nQ1,empty\n", "m");
  EXPECT_EQ(af48.format, PlateFormat::FromWellsPerPlate(1536));
  EXPECT_EQ(af48.wells[1535].others, std::vector<std::string>{"d"});
  EXPECT_EQ(af48.wells[16 * 48].role, WellRole::Empty);
}

TEST(PlateMapTest, AMapGoesOnAPlateOfItsFormatOrIsRefusedNamingBoth) {
  const PlateFormat p96, p384 = PlateFormat::FromWellsPerPlate(384);
  const auto refusal = [](const MappedPlate& map, const PlateFormat& plate) -> std::string {
    try {
      MapOnPlate(map, plate);
    } catch (const UsageError& e) {
      return e.what();
    }
    return "accepted";
  };
  const MappedPlate blocks = ParsePlateMap(PlateBlock("role", {{"H12", "sample"}}), "m");
  EXPECT_EQ(MapOnPlate(blocks, p96).wells[95].role, WellRole::Sample);
  EXPECT_EQ(refusal(blocks, p384),
            "The plate map 'm' describes a 96-well plate (8 x 12); the plate is a 384-well plate "
            "(16 x 24)");
  const MappedPlate tidy = ParsePlateMap("well,role,donor\nB03,sample\nH12,,d\n", "m");
  const MappedPlate onLarge = MapOnPlate(tidy, p384);
  EXPECT_EQ(onLarge.format, p384);
  ASSERT_EQ(onLarge.wells.size(), 384u);
  EXPECT_EQ(onLarge.wells[24 + 2].role, WellRole::Sample);
  EXPECT_EQ(onLarge.wells[7 * 24 + 11].others, std::vector<std::string>{"d"});
  EXPECT_EQ(onLarge.wells[11].others, std::vector<std::string>{""});
  EXPECT_EQ(std::count_if(onLarge.wells.begin(), onLarge.wells.end(),
                          [](const MappedWell& w) { return w.mapped; }),
            2);
  const MappedPlate onSix =
      MapOnPlate(ParsePlateMap("well,role\nB03,sample\n", "m"), PlateFormat::FromWellsPerPlate(6));
  EXPECT_EQ(onSix.wells.size(), 6u);
  EXPECT_EQ(onSix.wells[5].role, WellRole::Sample);
  EXPECT_EQ(refusal(tidy, PlateFormat::FromWellsPerPlate(6)),
            "The plate map 'm' names well H12 of a 96-well plate (8 x 12); the plate is a 6-well "
            "plate (2 x 3)");
  EXPECT_EQ(refusal(ParsePlateMap("well,role\nA01,sample\nP24,sample\n", "m"), p96),
            "The plate map 'm' names well P24 of a 384-well plate (16 x 24); the plate is a "
            "96-well plate (8 x 12)");
}

TEST(PlateMapTest, TheNoteNamesTheIncludedWellsLeftOutOnce) {
  Plate plate;
  for (int w = 0; w < 96; ++w) plate.wells[w].state = w < 3 ? 1 : 0;
  const MappedPlate covering =
      ParsePlateMap("well,role\nA01,sample\nA02,sample\nA03,sample\n", "m");
  EXPECT_EQ(UnmappedWellsNote(covering, plate), "");
  const MappedPlate partial =
      ParsePlateMap("well,role,donor\nA02,sample\nA03,,d1\nH12,sample\n", "m");
  EXPECT_EQ(UnmappedWells(partial, plate), std::vector<int>{0});
  EXPECT_EQ(UnmappedWellsNote(partial, plate),
            "the plate map 'm' leaves out 1 well of the plate: A01");
  plate.wells[1].state = 1;
  const MappedPlate other = ParsePlateMap("well,role\nH12,sample\n", "m");
  EXPECT_EQ(UnmappedWellsNote(other, plate),
            "the plate map 'm' leaves out 3 wells of the plate: A01, A02, A03");
  Plate large;
  large.format = PlateFormat::FromWellsPerPlate(384);
  large.wells.resize(384);
  large.wells[383].state = large.wells[0].state = 1;
  EXPECT_EQ(UnmappedWellsNote(MapOnPlate(partial, large.format), large),
            "the plate map 'm' leaves out 2 wells of the plate: A01, P24");
}

TEST(PlateMapTest, AFileIsFingerprintedAndAMissingOneRefused) {
  const TempDir dir;
  const std::string path = dir.file("map.csv");
  WriteFileAtomically(path, "well,role\nA01,sample\n");
  const MappedPlate map = ReadPlateMap(path);
  EXPECT_EQ(map.file, path);
  EXPECT_EQ(map.fingerprint.size(), 16u);
  WriteFileAtomically(path, "well,role\nA01,empty\n");
  EXPECT_NE(ReadPlateMap(path).fingerprint, map.fingerprint);
  EXPECT_THROW(ReadPlateMap(dir.file("none.csv")), UsageError);
}

}  // namespace
}  // namespace vembrel::testing
