// The zone's size is found to the pixel: radii are searched in steps of two
// and the odd neighbours of the best step tried, so a zone of odd radius is
// found exactly, whichever neighbouring even step comes out best.
#include <gtest/gtest.h>

#include "imaging/zone_fit.h"
#include "support/pictures.h"

namespace vembrel::testing {
namespace {

TEST(ZoneFit, FindsAnExactOddOrEvenRadius) {
  for (const int radius : {297, 299, 301, 303, 300}) {
    SCOPED_TRACE(radius);
    // A clean cell layer with a dark cell-free disc: the contrast peaks at its radius alone.
    Picture green = GreyPicture(kMosaicSize, kMosaicSize, 200);
    PaintDisc(green, 512, 512, radius, 20);
    const ZoneFit fit = FitZone(green, 250, 350);
    EXPECT_EQ(fit.radius, radius);
    EXPECT_EQ(fit.x, 512);
    EXPECT_EQ(fit.y, 512);
    // At its exact radius the zone is all dark inside and all bright around.
    EXPECT_DOUBLE_EQ(fit.contrast, 180.0);
    // The radius at the top of the range, whose even step above lies outside it.
    EXPECT_EQ(FitZone(green, 250, radius).radius, radius);
  }
}

}  // namespace
}  // namespace vembrel::testing
