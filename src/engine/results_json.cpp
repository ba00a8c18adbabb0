#include "engine/results_json.h"

#include <nlohmann/json.hpp>

#include "engine/plate_results.h"
#include "engine/well_session.h"
#include "plate/well_names.h"

namespace vembrel {

nlohmann::ordered_json CellResultsJson(const CellResults& result, std::optional<double> pixelSize) {
  using json = nlohmann::ordered_json;
  json cells = {{"kept", result.kept}, {"seeds", result.seeds}};
  const ShapeStatistics& s = result.statistics;
  const bool any = result.kept >= 1;
  cells["classes"] = s.classCounts;
  cells["orientation_bins"] = s.bins;
  cells["radial_share"] = s.gauge ? json(*s.gauge) : json(nullptr);
  const auto pair = [&](double median, double mean) {
    return any ? json{{"median", median}, {"mean", mean}}
               : json{{"median", nullptr}, {"mean", nullptr}};
  };
  cells["elongation"] = pair(s.elongationMedian, s.elongationMean);
  cells["smoothness"] = pair(s.smoothnessMedian, s.smoothnessMean);
  json list = json::array();
  for (const CellMeasures& cell : result.cells) {
    list.push_back({{"size", cell.size},
                    {"width", cell.width},
                    {"height", cell.height},
                    {"circumference", cell.circumference},
                    {"length", cell.length},
                    {"ratio", cell.ratio},
                    {"correlation", cell.correlation},
                    {"class", ClassName(cell.shapeClass)},
                    {"angle", cell.angle ? json(*cell.angle) : json(nullptr)},
                    {"nucleus_size", cell.nucleusSize}});
    if (pixelSize) {
      json& entry = list.back();
      entry["size_um2"] = SquareMicrometres(cell.size, *pixelSize);
      entry["width_um"] = Micrometres(cell.width, *pixelSize);
      entry["height_um"] = Micrometres(cell.height, *pixelSize);
      entry["length_um"] = Micrometres(cell.length, *pixelSize);
      entry["nucleus_size_um2"] = SquareMicrometres(cell.nucleusSize, *pixelSize);
    }
  }
  cells["list"] = std::move(list);
  return cells;
}

namespace {

// "Max: <nuclei> in <area> pixel" of the densest ring (the first of equals),
// as the density chart shows it; "" without a profile.
std::string DensityMaximumText(const std::vector<DensityBin>& density) {
  if (density.empty()) return "";
  std::size_t best = 0;
  double greatest = 0;
  for (std::size_t k = 0; k < density.size(); ++k) {
    const double value =
        density[k].area > 0 ? static_cast<double>(density[k].nuclei) / density[k].area : 0.0;
    if (value > greatest) {
      greatest = value;
      best = k;
    }
  }
  return "Max: " + std::to_string(density[best].nuclei) + " in " +
         std::to_string(density[best].area) + " pixel";
}

}  // namespace

nlohmann::ordered_json WellResultsJson(const WellSession& session) {
  return WellResultsJson(session.results());
}

nlohmann::ordered_json WellResultsJson(const WellResults& r) {
  using json = nlohmann::ordered_json;
  json density = json::array();
  for (const DensityBin& bin : r.density)
    density.push_back({{"cells", bin.nuclei}, {"area", bin.area}});
  std::vector<int> radii;
  GrowRadii(radii, r);
  std::vector<std::string> radiiTexts;
  for (const int radius : radii) radiiTexts.push_back(std::to_string(radius));
  json result = {
      {"well", WellName(r.well)},
      {"ring", {{"x", r.ring.x}, {"y", r.ring.y}, {"radius", r.ring.radius}}},
      {"nuclei", r.nuclei},
      {"pixels", r.pixels},
      {"calculated_nuclei", r.calculatedNuclei},
      {"average_distance", r.averageDistance},
      {"total_nuclei", r.totalNuclei},
      {"average_nucleus_size", r.averageNucleusSize},
      {"density", density},
      {"radii", radiiTexts},
      {"max_text", DensityMaximumText(r.density)},
  };
  if (r.zoneContrast) result["ring"]["contrast"] = *r.zoneContrast;
  if (r.ringReviewed) result["ring"]["source"] = "reviewed";
  if (r.cutoffs) result["cutoffs"] = {{"blue", r.cutoffs->blue}, {"green", r.cutoffs->green}};
  json quality = json::array();
  for (const QualityNote note : r.quality) quality.push_back(QualityNoteName(note));
  result["qc"] = std::move(quality);
  if (r.cells) result["cells"] = CellResultsJson(*r.cells, r.pixelSize);
  if (r.pixelSize) {
    const double size = *r.pixelSize;
    const double radius = r.ring.radius;
    result["pixel_size_um"] = size;
    result["ring"]["radius_um"] = Micrometres(radius, size);
    result["ring"]["area_mm2"] = SquareMillimetres(RingArea(r.ring), size);
    result["pixels_um2"] = SquareMicrometres(static_cast<double>(r.pixels), size);
    result["average_distance_um"] = Micrometres(static_cast<double>(r.averageDistance), size);
    result["average_nucleus_size_um2"] =
        SquareMicrometres(static_cast<double>(r.averageNucleusSize), size);
    for (std::size_t k = 0; k < r.density.size(); ++k) {
      const DensityBin& bin = r.density[k];
      json& entry = result["density"][k];
      entry["area_mm2"] = SquareMillimetres(bin.area, size);
      entry["density_per_mm2"] =
          bin.area > 0 ? json(PerSquareMillimetre(static_cast<double>(bin.nuclei) / bin.area, size))
                       : json(nullptr);
    }
  }
  return result;
}

}  // namespace vembrel
