// The whole-well picture of a session's results.
#include <cstdio>
#include <utility>

#include "engine/well_session.h"
#include "render/whole_well_picture.h"

namespace vembrel {
namespace {

// " (74.1 µm)" with a pixel size, else "".
std::string InMicrometres(double pixels, const std::optional<double>& pixelSize) {
  if (!pixelSize) return "";
  char text[48];
  std::snprintf(text, sizeof text, " (%.1f \xC2\xB5m)", Micrometres(pixels, *pixelSize));
  return text;
}

// The ring, the marks and the lines of a session's whole-well picture.
WholeWellMarks MarksOf(const WellSession& session) {
  const WellResults& r = session.results();
  WholeWellMarks marks;
  marks.ring = r.ring;
  for (const NucleusMeasures& nucleus : r.immigrants)
    marks.counted.push_back({nucleus.x, nucleus.y});
  for (const ImmigrantNucleus& object : session.rejectedForSize()) {
    marks.rejected.push_back({object.x, object.y});
  }
  marks.pixelSize = r.pixelSize;
  const auto number = [](std::int64_t value) { return std::to_string(value); };
  marks.lines = {
      session.wellName(),
      "Immigrant nuclei: " + number(r.nuclei) + " (calculated: " + number(r.calculatedNuclei) + ")",
      "Average distance: " + number(r.averageDistance) + " px" +
          InMicrometres(static_cast<double>(r.averageDistance), r.pixelSize),
      "Total nuclei: " + number(r.totalNuclei) + "; outside the ring: " + number(r.nucleiOutside),
      "Ring: centre " + number(r.ring.x) + ", " + number(r.ring.y) + "; radius " +
          number(r.ring.radius) + " px" + InMicrometres(r.ring.radius, r.pixelSize),
      "Red circles: counted; magenta: rejected for size",
  };
  return marks;
}

}  // namespace

Picture WellSession::wholeWellPicture() const {
  return WholeWellPicture(pictures_.composite, MarksOf(*this));
}

Picture WellSession::wholeWellOverview() const {
  static_assert(kOverviewReduction == 2, "the halved composite is the overview's");
  // The half is taken, not copied: callers make one overview per composite,
  // and any later one reduces the composite again.
  if (!halvedComposite_.empty()) {
    return WholeWellOverviewOfReduced(std::exchange(halvedComposite_, Picture()), MarksOf(*this));
  }
  return WholeWellOverview(pictures_.composite, MarksOf(*this));
}

}  // namespace vembrel
