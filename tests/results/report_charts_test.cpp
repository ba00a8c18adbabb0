// The report's charts of one constructed well: bars in proportion to the
// densities and counts, axes labelled in pixels or, with a pixel size, in
// micrometres and per square millimetre.
#include <gtest/gtest.h>

#include <regex>

#include "results/report_page.h"

namespace vembrel {
namespace {

// The data-value of each bar, in order.
std::vector<double> BarValues(const std::string& svg) {
  static const std::regex bar("<rect [^>]*data-value=\"([^\"]*)\"");
  std::vector<double> values;
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), bar); it != std::sregex_iterator();
       ++it) {
    values.push_back(std::stod((*it)[1]));
  }
  return values;
}

// The bars' heights, in order.
std::vector<double> BarHeights(const std::string& svg) {
  static const std::regex bar("<rect [^>]*height=\"([^\"]*)\"");
  std::vector<double> heights;
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), bar); it != std::sregex_iterator();
       ++it) {
    heights.push_back(std::stod((*it)[1]));
  }
  return heights;
}

WellResults ConstructedWell() {
  WellResults well;
  well.ring = {500, 500, 200};
  well.ringIncrement = 50;
  well.density = {{30, 10000}, {10, 10000}, {0, 20000}, {5, 0}};
  // Migration distances 0..200 in bins of 20: 3 in the first, 1 in the fifth, 2 in the last.
  for (const double distance : {0.0, 5.5, 19.9, 80.0, 199.0, 200.0}) {
    well.immigrants.push_back({0, 0, 12, distance});
  }
  return well;
}

TEST(ReportCharts, DensityProfileBarsAreTheDensitiesWithAxesInPixels) {
  const std::string svg = DensityProfileSvg(ConstructedWell());
  EXPECT_EQ(BarValues(svg), (std::vector<double>{30.0, 10.0, 0.0, 0.0}));  // per 10 000 px²
  const std::vector<double> heights = BarHeights(svg);
  ASSERT_EQ(heights.size(), 4u);
  EXPECT_NEAR(heights[0], 3 * heights[1], 0.2);
  EXPECT_EQ(heights[2], 0);
  EXPECT_NE(svg.find(">Distance from the ring&#39;s centre (px)</text>"), std::string::npos);
  EXPECT_NE(svg.find(">Nuclei per 10 000 px\xC2\xB2</text>"), std::string::npos);
  // The horizontal axis from the ring's radius outwards, the vertical to the greatest value.
  EXPECT_NE(svg.find(">200</text>"), std::string::npos);
  EXPECT_NE(svg.find(">400</text>"), std::string::npos);
  EXPECT_NE(svg.find(">30</text>"), std::string::npos);
  EXPECT_NE(svg.find(">15</text>"), std::string::npos);
  EXPECT_NE(svg.find("ring 4 (and beyond): 5 nuclei in 0 pixels"), std::string::npos);
  EXPECT_EQ(DensityProfileSvg(WellResults{}), "");
}

TEST(ReportCharts, WithAPixelSizeTheAxesAreInMicrometresAndPerSquareMillimetre) {
  WellResults well = ConstructedWell();
  well.pixelSize = 0.5;
  const std::string profile = DensityProfileSvg(well);
  const std::vector<double> values = BarValues(profile);
  ASSERT_EQ(values.size(), 4u);
  EXPECT_NEAR(values[0], 30.0 / 10000 * 1e6 / 0.25, 1e-6);
  EXPECT_NE(profile.find(">Nuclei per mm\xC2\xB2</text>"), std::string::npos);
  EXPECT_NE(profile.find(">12000</text>"), std::string::npos);  // whole numbers from 1000 on
  EXPECT_NE(profile.find(">6000</text>"), std::string::npos);
  EXPECT_NE(profile.find("(\xC2\xB5m)</text>"), std::string::npos);
  EXPECT_NE(profile.find(">100</text>"), std::string::npos);  // 200 px
  EXPECT_NE(profile.find(">200</text>"), std::string::npos);  // 400 px

  const std::string histogram = MigrationHistogramSvg(well);
  EXPECT_NE(histogram.find(">Migration distance from the ring&#39;s edge (\xC2\xB5m)</text>"),
            std::string::npos);
  EXPECT_NE(histogram.find(">100</text>"), std::string::npos);  // the radius, 200 px
}

TEST(ReportCharts, HistogramCountsTheMigrationDistancesInTenBins) {
  const std::string svg = MigrationHistogramSvg(ConstructedWell());
  EXPECT_EQ(BarValues(svg), (std::vector<double>{3, 0, 0, 0, 1, 0, 0, 0, 0, 2}));
  EXPECT_NE(svg.find(">Immigrant nuclei</text>"), std::string::npos);
  EXPECT_NE(svg.find("3 nuclei 0 to 20 px in"), std::string::npos);
  EXPECT_EQ(MigrationHistogramSvg(WellResults{}), "");
}

}  // namespace
}  // namespace vembrel
