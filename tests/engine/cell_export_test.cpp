#include "engine/cell_export.h"

#include <gtest/gtest.h>

namespace vembrel {
namespace {

TEST(CellExportNames, PrefixKeepsPlatesApartAndOnlyTheFinalCsvBecomesTem) {
  EXPECT_EQ(CellDataFileName("/plates/", "pre_", "B07"),
            "/plates/CellShape/pre_B07_Cell_Data_VL.csv");
  EXPECT_EQ(CellDataFileName("/plates/", "", "B07"), "/plates/CellShape/B07_Cell_Data_VL.csv");
  EXPECT_EQ(CellSnapshotFileName("/plates/", "pre_", "B07"), "/plates/CellJPEGS/pre_B07.jpg");
  EXPECT_EQ(TemporaryCellFileName("/x.csv.d/CellShape/B07_Cell_Data_VL.csv"),
            "/x.csv.d/CellShape/B07_Cell_Data_VL.tem");
  EXPECT_EQ(TemporaryCellFileName("/data/cells"), "/data/cells.tem");
}

}  // namespace
}  // namespace vembrel
