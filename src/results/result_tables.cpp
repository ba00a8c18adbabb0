#include "results/result_tables.h"

#include "plate/plate.h"
#include "plate/well_names.h"
#include "results/measure_table.h"

namespace vembrel {
namespace {

using Measures = std::vector<const MeasureDescriptor*>;

void AddColumns(Table& table, const Measures& measures) {
  for (const MeasureDescriptor* m : measures) table.columns.emplace_back(m->column);
}

void AddValues(std::vector<TableValue>& row, const Measures& measures, const WellResults& well,
               std::size_t item) {
  for (const MeasureDescriptor* m : measures) row.push_back(m->read(well, item));
}

// The conditional columns of a plate's tables: the micrometre twins when a
// well has a pixel size, the ring's source when a ring was reviewed.
MeasureConditions ConditionsOf(const PlateResults& results, bool cellLevel) {
  MeasureConditions conditions;
  for (const auto& r : results.wells) {
    if (r) conditions.add(*r);
  }
  conditions.cellLevel = cellLevel;
  return conditions;
}

// One row per item of a level (density ring, immigrant nucleus, kept cell)
// of every well with results, after the identifying columns.
template <class Count, class Identify>
Table ItemTable(const PlateResults& results, MeasureLevel level,
                std::initializer_list<const char*> identifying, Count count, Identify identify) {
  Table table;
  for (const char* column : identifying) table.columns.emplace_back(column);
  const Measures measures = MeasuresOf(level, ConditionsOf(results, true));
  AddColumns(table, measures);
  for (int w = 0; w < kWellCount; ++w) {
    const auto& r = results.wells[w];
    if (!r) continue;
    const std::size_t items = count(*r);
    for (std::size_t k = 0; k < items; ++k) {
      std::vector<TableValue> row = identify(w, k);
      AddValues(row, measures, *r, k);
      table.rows.push_back(std::move(row));
    }
  }
  return table;
}

}  // namespace

std::string TableFileName(const std::string& resultsFolder, const std::string& platePrefix,
                          const std::string& kind) {
  return resultsFolder + platePrefix + "Vembrel_" + kind + ".csv";
}

std::string PlateLabel(const Plate& plate) {
  std::string label = plate.prefix;
  if (!label.empty() && label.back() == '_') label.pop_back();
  return label;
}

const char* CellClassWord(CellClass shapeClass) {
  static const char* const kWords[] = {"round_rough", "round_smooth", "oval_rough", "oval_smooth"};
  return kWords[static_cast<int>(shapeClass)];
}

Table WellsTable(const Plate& plate, const PlateResults& results, bool cellLevel) {
  Table table;
  table.columns = {"plate", "well", "included"};
  const Measures measures = MeasuresOf(MeasureLevel::Well, ConditionsOf(results, cellLevel));
  AddColumns(table, measures);
  const std::string label = PlateLabel(plate);
  for (int w = 0; w < kWellCount; ++w) {
    std::vector<TableValue> row{label, WellName(w), plate.wells[w].state == 1};
    if (const auto& r = results.wells[w]) {
      AddValues(row, measures, *r, 0);
    } else {
      row.resize(table.columns.size());
    }
    table.rows.push_back(std::move(row));
  }
  return table;
}

Table DensityProfileTable(const PlateResults& results) {
  return ItemTable(
      results, MeasureLevel::DensityBin, {"well", "ring"},
      [](const WellResults& r) { return r.density.size(); },
      [](int w, std::size_t k) {
        return std::vector<TableValue>{WellName(w), static_cast<std::int64_t>(k + 1)};
      });
}

Table NucleiTable(const PlateResults& results) {
  return ItemTable(
      results, MeasureLevel::Nucleus, {"well"},
      [](const WellResults& r) { return r.immigrants.size(); },
      [](int w, std::size_t) { return std::vector<TableValue>{WellName(w)}; });
}

Table CellsTable(const PlateResults& results) {
  return ItemTable(
      results, MeasureLevel::Cell, {"well", "cell"},
      [](const WellResults& r) { return r.cells ? r.cells->cells.size() : std::size_t{0}; },
      [](int w, std::size_t k) {
        return std::vector<TableValue>{WellName(w), static_cast<std::int64_t>(k)};
      });
}

}  // namespace vembrel
