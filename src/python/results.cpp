// WellResult, Ring, Cell and CellStatistics: a well's results as the engine
// holds them, read-only; to_dict() is `vembrel well --json`; to_pandas tabulates.
#include <algorithm>
#include <array>
#include <string>

#include "plate/well_names.h"
#include "python/binding.h"
#include "results/measure_table.h"
#include "results/results_json.h"

namespace vembrel::python {
namespace {

// Shape classes as tables name them.
constexpr std::array<const char*, kClassCount> kClassWords{"round_rough", "round_smooth",
                                                           "oval_rough", "oval_smooth"};
const char* ClassWord(CellClass shape) {
  return kClassWords.at(static_cast<std::size_t>(shape));
}

py::object Optional(const std::optional<double>& value) {
  return value ? py::object(py::float_(*value)) : py::object(py::none());
}

py::list QualityNotes(const WellResults& r) {
  py::list notes;
  for (const QualityNote note : r.quality) notes.append(std::string(QualityNoteName(note)));
  return notes;
}

// A table value as Python has it: None when empty.
py::object ValueObject(const TableValue& value) {
  struct Visitor {
    py::object operator()(std::monostate) const { return py::none(); }
    py::object operator()(std::int64_t n) const { return py::int_(n); }
    py::object operator()(double d) const { return py::float_(d); }
    py::object operator()(bool b) const { return py::bool_(b); }
    py::object operator()(const std::string& text) const { return py::str(text); }
  };
  return std::visit(Visitor{}, value);
}

// The mean and median of the cell statistics exist only with a kept cell.
py::object Statistic(const CellResults& c, double value) {
  return c.kept >= 1 ? py::object(py::float_(value)) : py::object(py::none());
}

py::object RadialShare(const CellResults& c) {
  const std::optional<int>& gauge = c.statistics.gauge;
  return gauge ? py::object(py::int_(*gauge)) : py::object(py::none());
}

std::string RingRepr(const Ring& ring) {
  return "Ring(x=" + std::to_string(ring.x) + ", y=" + std::to_string(ring.y) +
         ", radius=" + std::to_string(ring.radius) + ")";
}

// The columns of the wells table, one list per column.
py::object WellsTable(const py::iterable& items) {
  std::vector<const WellResult*> results;
  for (const py::handle item : items) {
    if (!py::isinstance<WellResult>(item)) {
      Raise(PyExc_TypeError,
            "to_pandas takes WellResults, not " + std::string(Py_TYPE(item.ptr())->tp_name));
    }
    results.push_back(&item.cast<const WellResult&>());
  }
  bool cellLevel = false;
  for (const WellResult* result : results) cellLevel = cellLevel || result->results.cells;
  std::vector<std::pair<std::string, py::list>> columns;
  std::vector<std::pair<std::string, py::list>> mapColumns;
  const auto column = [&](const std::string& name, auto value) {
    py::list list;
    for (const WellResult* result : results) list.append(value(*result));
    columns.emplace_back(name, std::move(list));
  };
  using R = const WellResult&;
  column("plate", [](R r) { return r.plate; });
  column("well", [](R r) { return r.well; });
  // The plate map's variables, when a result comes from a plate opened with one.
  const MappedPlate* someMap = nullptr;
  for (const WellResult* result : results) {
    if (result->map && someMap == nullptr) someMap = result->map.get();
  }
  if (someMap != nullptr) {
    std::vector<std::string> names(kReservedMapVariables.begin(), kReservedMapVariables.end());
    names.insert(names.end(), someMap->otherVariables.begin(), someMap->otherVariables.end());
    for (const std::string& name : names) {
      py::list list;
      for (const WellResult* result : results) {
        if (!result->map) {
          list.append(py::none());
          continue;
        }
        const py::dict variables =
            MapVariables(*result->map, WellIndex(result->well, result->map->format));
        list.append(variables.contains(name) ? py::object(variables[name.c_str()])
                                             : py::object(py::none()));
      }
      mapColumns.emplace_back(name, std::move(list));
    }
  }
  column("included", [](R) { return true; });
  // The wells table's measures, in its order and under its conditions.
  MeasureConditions conditions;
  for (const WellResult* result : results) conditions.add(result->results);
  for (const MeasureDescriptor* m : MeasuresOf(MeasureLevel::Well, conditions)) {
    column(std::string(m->column), [m](R r) { return ValueObject(m->read(r.results, 0)); });
  }
  py::dict data;
  py::list names;
  // The map's columns stand right after "well".
  if (!mapColumns.empty()) {
    const auto well = std::find_if(columns.begin(), columns.end(),
                                   [](const auto& entry) { return entry.first == "well"; });
    columns.insert(well + 1, std::make_move_iterator(mapColumns.begin()),
                   std::make_move_iterator(mapColumns.end()));
  }
  for (auto& [name, values] : columns) {
    data[py::str(name)] = std::move(values);
    names.append(name);
  }
  return py::module_::import("pandas").attr("DataFrame")(data, py::arg("columns") = names);
}

}  // namespace

py::dict MapVariables(const MappedPlate& map, int well) {
  const MappedWell& mapped = map.wells[well];
  const auto text = [](const std::string& value) {
    return value.empty() ? py::object(py::none()) : py::object(py::str(value));
  };
  py::dict variables;
  variables["role"] =
      mapped.role ? py::object(py::str(WellRoleWord(*mapped.role))) : py::object(py::none());
  variables["compound"] = text(mapped.compound);
  variables["concentration"] =
      mapped.concentration ? py::object(py::float_(*mapped.concentration)) : py::object(py::none());
  variables["unit"] = text(mapped.unit);
  variables["condition"] = text(mapped.condition);
  for (std::size_t i = 0; i < map.otherVariables.size(); ++i) {
    variables[py::str(map.otherVariables[i])] = text(mapped.others[i]);
  }
  return variables;
}

WellResult TakeResult(const WellSession& session) {
  return {session.plate().prefix, session.wellName(), session.results(), WellResultsJson(session),
          nullptr};
}

void BindResults(py::module_& module) {
  py::class_<Ring>(module, "Ring",
                   R"(Where the cell-free ring sits in the 1024 x 1024 mosaic.

x is the centre's column, y its row counted from the bottom (row 1023 - y of
the arrays Plate.mosaics() returns), radius in pixels.)")
      .def_readonly("x", &Ring::x, "Column of the centre.")
      .def_readonly("y", &Ring::y, "Row of the centre, counted from the bottom.")
      .def_readonly("radius", &Ring::radius, "Radius in pixels.")
      .def(
          "__eq__", [](const Ring& a, const Ring& b) { return a == b; }, py::is_operator())
      .def("__repr__", &RingRepr);

  py::class_<CellMeasures>(module, "Cell", R"(One kept cell of the cell level.

x and y are its centroid (y counted from the bottom, as the ring's), size its
pixels, width and height its bounding box, circumference the background
pixels touching it, length its longest chord through the centroid, ratio its
elongation (length^2 / size), correlation its smoothness, angle the degrees
between its long axis and the ring centre (oval cells; None otherwise),
shape_class one of round_rough, round_smooth, oval_rough, oval_smooth, and
nucleus_size the pixels of the nucleus it grew from.)")
      .def_readonly("x", &CellMeasures::x)
      .def_readonly("y", &CellMeasures::y)
      .def_readonly("size", &CellMeasures::size)
      .def_readonly("width", &CellMeasures::width)
      .def_readonly("height", &CellMeasures::height)
      .def_readonly("circumference", &CellMeasures::circumference)
      .def_readonly("length", &CellMeasures::length)
      .def_readonly("ratio", &CellMeasures::ratio)
      .def_readonly("correlation", &CellMeasures::correlation)
      .def_property_readonly("angle", [](const CellMeasures& c) { return Optional(c.angle); })
      .def_property_readonly("shape_class",
                             [](const CellMeasures& c) { return ClassWord(c.shapeClass); })
      .def_readonly("nucleus_size", &CellMeasures::nucleusSize)
      .def("__repr__", [](const CellMeasures& c) {
        return "Cell(x=" + std::string(py::repr(py::float_(c.x))) +
               ", y=" + std::string(py::repr(py::float_(c.y))) +
               ", size=" + std::to_string(c.size) + ", shape_class='" + ClassWord(c.shapeClass) +
               "')";
      });

  py::class_<CellResults>(module, "CellStatistics", R"(What the cell level found in a well.

kept: cells kept; seen: immigrant nuclei the cells were grown from;
class_counts: cells per shape class; orientation_bins: 18 counts of the angle
in 5-degree steps; radial_share: percent of radially oriented cells (None
without oriented cells); the medians and means of elongation and smoothness
(None without a kept cell).)")
      .def_readonly("kept", &CellResults::kept)
      .def_readonly("seen", &CellResults::seeds)
      .def_property_readonly("class_counts",
                             [](const CellResults& c) {
                               py::dict counts;
                               for (int k = 0; k < kClassCount; ++k) {
                                 counts[kClassWords[k]] = c.statistics.classCounts[k];
                               }
                               return counts;
                             })
      .def_property_readonly("orientation_bins",
                             [](const CellResults& c) { return py::cast(c.statistics.bins); })
      .def_property_readonly("radial_share", &RadialShare)
      .def_property_readonly(
          "elongation_median",
          [](const CellResults& c) { return Statistic(c, c.statistics.elongationMedian); })
      .def_property_readonly(
          "elongation_mean",
          [](const CellResults& c) { return Statistic(c, c.statistics.elongationMean); })
      .def_property_readonly(
          "smoothness_median",
          [](const CellResults& c) { return Statistic(c, c.statistics.smoothnessMedian); })
      .def_property_readonly(
          "smoothness_mean",
          [](const CellResults& c) { return Statistic(c, c.statistics.smoothnessMean); })
      .def("__repr__", [](const CellResults& c) {
        return "CellStatistics(kept=" + std::to_string(c.kept) +
               ", seen=" + std::to_string(c.seeds) + ")";
      });

  using W = const WellResult&;
  py::class_<WellResult>(module, "WellResult", R"(The results of one well's analysis.

The numbers are those of the summary file and of `vembrel well --json`
(to_dict() gives that object). Rows count from the bottom of the mosaic.)")
      .def_property_readonly(
          "plate", [](W r) { return r.plate; },
          "Results prefix of the plate ('' for analyse_mosaics).")
      .def_property_readonly(
          "well", [](W r) { return r.well; }, "Well name, such as 'B03'.")
      .def_property_readonly(
          "ring", [](W r) { return r.results.ring; }, "The ring (Ring).")
      .def_property_readonly(
          "ring_increment", [](W r) { return r.results.ringIncrement; },
          "Width of the density rings in pixels.")
      .def_property_readonly(
          "zone_contrast", [](W r) { return Optional(r.results.zoneContrast); },
          "Contrast of the fitted zone when fit_radius was given, else None.")
      .def_property_readonly(
          "cutoffs",
          [](W r) -> py::object {
            const auto& cutoffs = r.results.cutoffs;
            return cutoffs ? py::object(py::make_tuple(cutoffs->blue, cutoffs->green))
                           : py::object(py::none());
          },
          "(blue, green): the nucleus cut-offs chosen for the well with cutoffs='well',\n"
          "else None (the settings' hold).")
      .def_property_readonly(
          "nuclei", [](W r) { return r.results.nuclei; }, "Immigrant nuclei counted in the ring.")
      .def_property_readonly(
          "pixels", [](W r) { return r.results.pixels; }, "Nucleus pixels in the ring.")
      .def_property_readonly(
          "calculated_nuclei", [](W r) { return r.results.calculatedNuclei; },
          "Pixels divided by the average nucleus size, rounded.")
      .def_property_readonly(
          "average_distance", [](W r) { return r.results.averageDistance; },
          "Mean migration distance from the ring's edge, in pixels.")
      .def_property_readonly(
          "total_nuclei", [](W r) { return r.results.totalNuclei; },
          "Accepted nuclei of the whole mosaic.")
      .def_property_readonly(
          "average_nucleus_size", [](W r) { return r.results.averageNucleusSize; },
          "Mean immigrant area in pixels, rounded; 0 without immigrants.")
      .def_property_readonly(
          "nuclei_outside", [](W r) { return r.results.nucleiOutside; },
          "Accepted nuclei of the mosaic beyond the ring.")
      .def_property_readonly(
          "density",
          [](W r) {
            py::list bins;
            for (const DensityBin& bin : r.results.density) {
              bins.append(py::make_tuple(bin.nuclei, bin.area));
            }
            return bins;
          },
          "Density profile outside the ring: (cells, area) per ring of ring_increment\n"
          "pixels, from the ring outwards; empty without a profile.")
      .def_property_readonly(
          "immigrants",
          [](W r) {
            py::list nuclei;
            for (const NucleusMeasures& n : r.results.immigrants) {
              nuclei.append(py::make_tuple(n.x, n.y, n.size, n.distance));
            }
            return nuclei;
          },
          "The nuclei counted in the ring, in scan order: (x, y, size, distance) with\n"
          "the column and row (from the bottom) of the first pixel, the pixels, and\n"
          "how far it migrated.")
      .def_property_readonly(
          "qc", [](W r) { return QualityNotes(r.results); },
          "Quality notes: missing_field, damaged_field, ring_at_search_limit,\n"
          "ring_in_black_quarter, no_nuclei, few_nuclei_outside, saturated, no_zone,\n"
          "nuclei_too_large.")
      .def_property_readonly(
          "field_problems",
          [](W r) {
            py::list problems;
            for (const FieldProblem& p : r.results.fieldProblems) {
              problems.append(py::make_tuple(FieldProblemName(p.kind), p.file, p.message));
            }
            return problems;
          },
          "Fields that were missing, unreadable, damaged, empty or of a wrong size:\n"
          "(kind, file, message).")
      .def_property_readonly(
          "cells",
          [](W r) -> py::object {
            if (!r.results.cells) return py::none();
            return py::cast(r.results.cells->cells);
          },
          "The kept cells (Cell), smallest first, at cell level; None otherwise.")
      .def_property_readonly(
          "cell_statistics",
          [](W r) -> py::object {
            if (!r.results.cells) return py::none();
            return py::cast(*r.results.cells);
          },
          "What the cell level found (CellStatistics); None without it.")
      .def_property_readonly(
          "variables",
          [](W r) -> py::object {
            return r.map ? py::object(MapVariables(*r.map, WellIndex(r.well, r.map->format)))
                         : py::none();
          },
          "What the plate map says of the well (role, compound, concentration, unit,\n"
          "condition and its other variables; None where not set); None without a map.")
      .def_property_readonly(
          "pixel_size", [](W r) { return Optional(r.results.pixelSize); },
          "Micrometres per mosaic pixel (large fields' reduction included); None when not known.")
      .def(
          "to_dict", [](W r) { return ToPython(r.json); },
          "The results as `vembrel well --json` prints them, as a dict.")
      .def("__repr__", [](W r) {
        return "WellResult(well='" + r.well + "', ring=" + RingRepr(r.results.ring) +
               ", nuclei=" + std::to_string(r.results.nuclei) +
               ", total_nuclei=" + std::to_string(r.results.totalNuclei) +
               ", qc=" + std::string(py::repr(QualityNotes(r.results))) + ")";
      });

  module.def("to_pandas", &WellsTable, py::arg("results"),
             R"(A pandas DataFrame with one row per WellResult, in the order given.

Columns: plate, well, with a plate map its variables (role, compound,
concentration, unit, condition and the map's others), included, then the
measures of the wells table in its order (`vembrel measures`): ring_x, ring_y,
ring_radius, ring_source (when a ring was reviewed), nuclei, pixels,
calculated_nuclei, average_distance, total_nuclei, average_nucleus_size,
nuclei_outside, qc (quality notes joined by ';'); when any result is at cell
level also cells_kept ... smoothness_mean (None for wells without cells);
when any has a pixel size the micrometre twins (None for wells without one).
pandas is imported only here.)");
}

}  // namespace vembrel::python
