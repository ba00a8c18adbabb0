#include "results/plate_map_tables.h"

#include <algorithm>
#include <cmath>

namespace vembrel {
namespace {

TableValue Number(const std::optional<double>& value) {
  return value && std::isfinite(*value) ? TableValue(*value) : TableValue();
}

TableValue Text(const std::string& text) {
  return text.empty() ? TableValue() : TableValue(text);
}

std::string Joined(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& word : words) text += (text.empty() ? "" : ";") + word;
  return text;
}

}  // namespace

PlateAnalysis AnalyseMappedPlate(const MapRequest& request, const PlateResults& results,
                                 bool cellLevel) {
  if (!request.readouts.empty()) return AnalysePlate(request, results);
  MapRequest resolved = request;
  resolved.readouts = DefaultReadouts(cellLevel);
  return AnalysePlate(resolved, results);
}

void AddMapColumns(Table& wells, const MappedPlate& map, const PlateAnalysis& analysis) {
  std::vector<std::string> columns(kReservedMapVariables.begin(), kReservedMapVariables.end());
  columns.insert(columns.end(), map.otherVariables.begin(), map.otherVariables.end());
  if (analysis.hasControls) {
    for (const ReadoutAnalysis& r : analysis.readouts) {
      columns.push_back(std::string(ReadoutName(r.readout)) + "_percent_of_control");
      columns.push_back(std::string(ReadoutName(r.readout)) + "_percent_inhibition");
    }
  }
  const auto after = std::find(wells.columns.begin(), wells.columns.end(), "well");
  const std::size_t at = after == wells.columns.end() ? 0 : after - wells.columns.begin() + 1;
  wells.columns.insert(wells.columns.begin() + at, columns.begin(), columns.end());
  for (std::size_t w = 0; w < wells.rows.size() && w < map.wells.size(); ++w) {
    const MappedWell& well = map.wells[w];
    std::vector<TableValue> values{
        well.role ? TableValue(std::string(WellRoleWord(*well.role))) : TableValue(),
        Text(well.compound), Number(well.concentration), Text(well.unit), Text(well.condition)};
    for (const std::string& other : well.others) values.push_back(Text(other));
    if (analysis.hasControls) {
      for (const ReadoutAnalysis& r : analysis.readouts) {
        values.push_back(Number(r.percentOfControl[w]));
        values.push_back(Number(r.percentInhibition[w]));
      }
    }
    auto& row = wells.rows[w];
    row.insert(row.begin() + at, values.begin(), values.end());
  }
}

Table ConditionsTable(const PlateAnalysis& analysis) {
  Table table;
  table.columns = {"condition", "role", "compound", "concentration", "unit", "readout", "n",
                   "mean",      "sd",   "cv",       "median",        "mad"};
  for (const ConditionRow& row : analysis.conditions) {
    const Description& d = row.description;
    table.rows.push_back(
        {row.condition, row.role ? TableValue(std::string(WellRoleWord(*row.role))) : TableValue(),
         Text(row.compound), Number(row.concentration), Text(row.unit),
         std::string(ReadoutName(row.readout)), std::int64_t{d.n}, Number(d.mean), Number(d.sd),
         Number(d.cv), Number(d.median), Number(d.mad)});
  }
  return table;
}

Table PlateQualityTable(const PlateAnalysis& analysis) {
  Table table;
  table.columns = {"readout",        "n_negative",    "n_positive",  "mean_negative",
                   "sd_negative",    "mean_positive", "sd_positive", "z_prime",
                   "robust_z_prime", "ssmd",          "verdict",     "note"};
  for (const ReadoutAnalysis& r : analysis.readouts) {
    const ControlQuality& q = r.quality;
    table.rows.push_back({std::string(ReadoutName(r.readout)), std::int64_t{q.nNegative},
                          std::int64_t{q.nPositive}, Number(q.meanNegative), Number(q.sdNegative),
                          Number(q.meanPositive), Number(q.sdPositive), Number(q.zPrime),
                          Number(q.robustZPrime), Number(q.ssmd), Text(q.verdict), Text(q.note)});
  }
  return table;
}

Table DoseResponseTable(const PlateAnalysis& analysis) {
  Table table;
  table.columns = {"compound",  "readout", "n_wells",  "n_concentrations", "bottom",    "top",
                   "ic50",      "hill",    "ic50_low", "ic50_high",        "r_squared", "rss",
                   "converged", "flags"};
  for (const DoseResponseRow& row : analysis.doseResponse) {
    const DoseResponseFit& fit = row.fit;
    std::vector<TableValue> values{row.compound, std::string(ReadoutName(row.readout)),
                                   std::int64_t{fit.points}, std::int64_t{fit.concentrations}};
    if (fit.fitted) {
      for (const double value : {fit.bottom, fit.top, fit.ic50, fit.hill})
        values.push_back(Number(value));
      values.push_back(Number(fit.ic50Low));
      values.push_back(Number(fit.ic50High));
      values.push_back(Number(fit.rSquared));
      values.push_back(Number(fit.rss));
      values.emplace_back(fit.converged);
    } else {
      values.resize(values.size() + 9);
    }
    values.push_back(Text(Joined(fit.flags)));
    table.rows.push_back(std::move(values));
  }
  return table;
}

}  // namespace vembrel
