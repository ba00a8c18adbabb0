#pragma once
// The measures of a well declared once: the column each has in the tables,
// its caption, unit, range and definition, for `vembrel measures` and the
// README's reference, which is this text (a test keeps the two equal).
#include <span>
#include <string>
#include <string_view>

namespace vembrel {

struct MeasureDescriptor {
  std::string_view column;      // in the wells table, or "density.<column>" in the density table
  std::string_view caption;     // as the report and the summary name it
  std::string_view unit;        // "nuclei", "pixels", "µm", ...
  std::string_view range;       // what values it takes
  std::string_view definition;  // how it is made
};

/// The measures of the wells and density tables, in table order (pixel
/// measures, then their micrometre twins, then the density profile).
std::span<const MeasureDescriptor> AllMeasures();
/// The measure of a column; nullptr for identifying columns (plate, well, ...).
const MeasureDescriptor* FindMeasure(std::string_view column);

/// Every measure as a Markdown table: column, caption, unit, range, definition.
std::string MeasuresReferenceMarkdown();

}  // namespace vembrel
