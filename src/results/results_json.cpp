#include "results/results_json.h"

#include <nlohmann/json.hpp>

#include "engine/plate_results.h"
#include "engine/well_session.h"
#include "plate/well_names.h"
#include "results/measure_table.h"

namespace vembrel {
namespace {

using json = nlohmann::ordered_json;

json ValueJson(const TableValue& value) {
  struct Visitor {
    json operator()(std::monostate) const { return nullptr; }
    json operator()(std::int64_t n) const { return n; }
    json operator()(double d) const { return d; }
    json operator()(bool b) const { return b; }
    json operator()(const std::string& text) const { return text; }
  };
  return std::visit(Visitor{}, value);
}

// The measures of a level shown for the well, as one object per item.
json ItemsJson(const WellResults& r, MeasureLevel level, std::size_t count) {
  const auto measures = MeasuresOf(level, ConditionsOf(r));
  json items = json::array();
  for (std::size_t k = 0; k < count; ++k) {
    json item = json::object();
    for (const MeasureDescriptor* m : measures)
      item[std::string(m->column)] = MeasureJson(*m, r, k);
    items.push_back(std::move(item));
  }
  return items;
}

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

json MeasureJson(const MeasureDescriptor& measure, const WellResults& well, std::size_t item) {
  if (measure.type == MeasureType::Notes) {
    json notes = json::array();
    for (const QualityNote note : well.quality) notes.push_back(QualityNoteName(note));
    return notes;
  }
  return ValueJson(measure.read(well, item));
}

json WellResultsJson(const WellSession& session) {
  return WellResultsJson(session.results());
}

json WellResultsJson(const WellResults& r) {
  json result = {{"well", r.wellName()}};
  for (const MeasureDescriptor* m : MeasuresOf(MeasureLevel::Well, ConditionsOf(r))) {
    result[std::string(m->column)] = MeasureJson(*m, r, 0);
  }
  if (r.zoneContrast) result["zone_contrast"] = *r.zoneContrast;
  result["density"] = ItemsJson(r, MeasureLevel::DensityBin, r.density.size());
  std::vector<int> radii;
  GrowRadii(radii, r);
  std::vector<std::string> radiiTexts;
  for (const int radius : radii) radiiTexts.push_back(std::to_string(radius));
  result["radii"] = radiiTexts;
  result["max_text"] = DensityMaximumText(r.density);
  if (r.cells) {
    result["cells"] = {{"orientation_bins", r.cells->statistics.bins},
                       {"list", ItemsJson(r, MeasureLevel::Cell, r.cells->cells.size())}};
  }
  return result;
}

}  // namespace vembrel
