#include "results/measure_table.h"

#include <algorithm>
#include <iterator>

#include "results/result_tables.h"

namespace vembrel {
namespace {

using Level = MeasureLevel;
using Type = MeasureType;
using Shown = MeasureShown;

constexpr std::string_view kTwin = "the pixel measure times the pixel size";
constexpr unsigned kEverywhere = kInReport | kInHeatmap | kInColourBy;

// A value of the well's micrometre twins; empty without a pixel size.
template <class Make>
TableValue Twin(const WellResults& r, Make make) {
  return r.pixelSize ? TableValue(make(*r.pixelSize)) : TableValue();
}

// A value of the cell level; empty for a well analysed without cells.
template <class Make>
TableValue OfCells(const WellResults& r, Make make) {
  return r.cells ? TableValue(make(*r.cells)) : TableValue();
}

// The means and medians of the kept cells, which exist from one cell on.
TableValue CellStatistic(const WellResults& r, double ShapeStatistics::*value) {
  return r.cells && r.cells->kept >= 1 ? TableValue(r.cells->statistics.*value) : TableValue();
}

std::int64_t InnerRadius(const WellResults& r, std::size_t k) {
  return std::int64_t{r.ring.radius} + static_cast<std::int64_t>(k) * r.ringIncrement;
}

// The last ring holds everything beyond its inner radius: it has no outer one.
bool LastRing(const WellResults& r, std::size_t k) {
  return k + 1 == r.density.size();
}

TableValue BinDensity(const DensityBin& bin) {
  return bin.area > 0 ? TableValue(static_cast<double>(bin.nuclei) / bin.area) : TableValue();
}

const CellMeasures& CellOf(const WellResults& r, std::size_t k) {
  return r.cells->cells[k];
}

constexpr MeasureDescriptor kMeasures[] = {
    // The wells table: the ring, the counts, the quality notes.
    {"ring_x", "Ring centre x", "pixels", "0 to 1023",
     "Column of the ring's centre in the 1024 x 1024 mosaic, from the left", Level::Well,
     Type::Integer, Shown::Always, 0,
     [](const WellResults& r, std::size_t) -> TableValue { return std::int64_t{r.ring.x}; }},
    {"ring_y", "Ring centre y", "pixels", "0 to 1023",
     "Row of the ring's centre, counted from the bottom", Level::Well, Type::Integer,
     Shown::Always, 0,
     [](const WellResults& r, std::size_t) -> TableValue { return std::int64_t{r.ring.y}; }},
    {"ring_radius", "Ring radius", "pixels", "1 to 1024",
     "Radius of the ring that marks the cell-free zone: fitted as the darkest disc of the green "
     "mosaic, or placed by hand",
     Level::Well, Type::Integer, Shown::Always, kInReport,
     [](const WellResults& r, std::size_t) -> TableValue { return std::int64_t{r.ring.radius}; }},
    {"ring_source", "Ring source", "word", "reviewed, held or fitted",
     "Whether the ring was given as a reviewed ring, held from the well's first time point or "
     "fitted. Only when reviewed or held rings were used",
     Level::Well, Type::Text, Shown::ReviewedRings, 0,
     [](const WellResults& r, std::size_t) -> TableValue {
       return std::string(r.ringHeld ? "held" : r.ringReviewed ? "reviewed" : "fitted");
     }},
    {"nuclei", "Immigrant nuclei", "nuclei", "0 and up",
     "Nuclei inside the ring whose area lies strictly between the minimal and maximal nucleus "
     "size: the cells that migrated into the zone",
     Level::Well, Type::Integer, Shown::Always, kEverywhere,
     [](const WellResults& r, std::size_t) -> TableValue { return r.nuclei; }},
    {"pixels", "Number of pixels", "pixels", "0 and up",
     "All nucleus pixels inside the ring, whatever the size of the object they belong to",
     Level::Well, Type::Integer, Shown::Always, 0,
     [](const WellResults& r, std::size_t) -> TableValue { return r.pixels; }},
    {"calculated_nuclei", "Calculated nuclei", "nuclei", "0 and up",
     "Nucleus pixels inside the ring divided by the average nucleus size, rounded: an estimate "
     "that also counts clumps and fragments the size limits leave out",
     Level::Well, Type::Integer, Shown::Always, kInReport | kInColourBy,
     [](const WellResults& r, std::size_t) -> TableValue { return r.calculatedNuclei; }},
    {"average_distance", "Average distance", "pixels", "0 to the ring radius",
     "Mean distance the immigrant nuclei migrated into the ring: the ring radius minus the mean "
     "distance of their first pixels from the ring's centre, cut to a whole number",
     Level::Well, Type::Integer, Shown::Always, kEverywhere,
     [](const WellResults& r, std::size_t) -> TableValue { return r.averageDistance; }},
    {"total_nuclei", "Total nuclei", "nuclei", "0 and up",
     "Nuclei of the size limits in the whole mosaic, inside and outside the ring", Level::Well,
     Type::Integer, Shown::Always, kEverywhere,
     [](const WellResults& r, std::size_t) -> TableValue { return r.totalNuclei; }},
    {"average_nucleus_size", "Average nucleus size", "pixels", "0 and up",
     "Mean area of the immigrant nuclei, rounded; 0 without immigrants", Level::Well,
     Type::Integer, Shown::Always, kInReport,
     [](const WellResults& r, std::size_t) -> TableValue { return r.averageNucleusSize; }},
    {"nuclei_outside", "Nuclei outside", "nuclei", "0 and up",
     "Nuclei of the size limits whose first pixel lies beyond the ring's radius. Total nuclei "
     "need not equal immigrants plus nuclei outside: the whole-mosaic scan takes each nucleus "
     "whole and places it by its first pixel, while the ring count sees only the nucleus pixels "
     "inside the ring, so a nucleus lying across the ring's edge can be counted on both sides, "
     "on one, or on neither (its part inside may fall outside the size limits)",
     Level::Well, Type::Integer, Shown::Always, 0,
     [](const WellResults& r, std::size_t) -> TableValue { return r.nucleiOutside; }},
    {"nucleus_blue_cutoff", "Nucleus blue cut-off", "grey level (0-255)", "0 to 255",
     "The blue nucleus cut-off chosen for the well from its own composite (--cutoffs well). "
     "This and the green one only appear when wells chose their own cut-offs",
     Level::Well, Type::Integer, Shown::OwnCutoffs, 0,
     [](const WellResults& r, std::size_t) -> TableValue {
       if (!r.cutoffs) return {};
       return std::int64_t{r.cutoffs->blue};
     }},
    {"nucleus_green_cutoff", "Nucleus green cut-off", "grey level (0-255)", "0 to 255",
     "The green nucleus cut-off chosen for the well from its own composite (--cutoffs well)",
     Level::Well, Type::Integer, Shown::OwnCutoffs, 0,
     [](const WellResults& r, std::size_t) -> TableValue {
       if (!r.cutoffs) return {};
       return std::int64_t{r.cutoffs->green};
     }},
    {"qc", "Quality notes", "notes", "the notes listed under \"Quality notes\"",
     "What a person should check before trusting the well's numbers (a missing field, a ring at "
     "its search limit, ...); empty when nothing", Level::Well, Type::Notes, Shown::Always,
     kInReport,
     [](const WellResults& r, std::size_t) -> TableValue { return QualityNotesText(r, ";"); }},
    // The cell level's counts and statistics.
    {"cells_kept", "Cells kept", "cells", "0 and up",
     "Cell level: cells grown from the immigrant nuclei and kept by the cell size limits",
     Level::Well, Type::Integer, Shown::CellLevel, kInReport | kInHeatmap,
     [](const WellResults& r, std::size_t) {
       return OfCells(r, [](const CellResults& c) { return std::int64_t{c.kept}; });
     }},
    {"cells_seen", "Cells seen", "cells", "0 and up",
     "Cell level: immigrant nuclei the cells were grown from", Level::Well, Type::Integer,
     Shown::CellLevel, 0,
     [](const WellResults& r, std::size_t) {
       return OfCells(r, [](const CellResults& c) { return std::int64_t{c.seeds}; });
     }},
    {"round_rough", "Round & rough", "cells", "0 and up",
     "Cell level: kept cells below the length ratio and the roughness coefficient", Level::Well,
     Type::Integer, Shown::CellLevel, 0,
     [](const WellResults& r, std::size_t) {
       return OfCells(r, [](const CellResults& c) {
         return std::int64_t{c.statistics.classCounts[static_cast<int>(CellClass::RoundRough)]};
       });
     }},
    {"round_smooth", "Round & smooth", "cells", "0 and up",
     "Cell level: kept cells below the length ratio, at or above the roughness coefficient",
     Level::Well, Type::Integer, Shown::CellLevel, 0,
     [](const WellResults& r, std::size_t) {
       return OfCells(r, [](const CellResults& c) {
         return std::int64_t{c.statistics.classCounts[static_cast<int>(CellClass::RoundSmooth)]};
       });
     }},
    {"oval_rough", "Oval & rough", "cells", "0 and up",
     "Cell level: kept cells at or above the length ratio, below the roughness coefficient",
     Level::Well, Type::Integer, Shown::CellLevel, 0,
     [](const WellResults& r, std::size_t) {
       return OfCells(r, [](const CellResults& c) {
         return std::int64_t{c.statistics.classCounts[static_cast<int>(CellClass::OvalRough)]};
       });
     }},
    {"oval_smooth", "Oval & smooth", "cells", "0 and up",
     "Cell level: kept cells at or above both the length ratio and the roughness coefficient",
     Level::Well, Type::Integer, Shown::CellLevel, 0,
     [](const WellResults& r, std::size_t) {
       return OfCells(r, [](const CellResults& c) {
         return std::int64_t{c.statistics.classCounts[static_cast<int>(CellClass::OvalSmooth)]};
       });
     }},
    {"radial_share", "Radial share", "%", "0 to 100",
     "Cell level: share of the oval cells whose long axis points towards the ring's centre; "
     "empty without oval cells",
     Level::Well, Type::Integer, Shown::CellLevel, kInReport,
     [](const WellResults& r, std::size_t) -> TableValue {
       if (!r.cells || !r.cells->statistics.gauge) return {};
       return std::int64_t{*r.cells->statistics.gauge};
     }},
    {"elongation_median", "Elongation (median)", "length\xC2\xB2 / area", "0 and up",
     "Cell level: median of the kept cells' elongation; empty without cells", Level::Well,
     Type::Decimal, Shown::CellLevel, 0,
     [](const WellResults& r, std::size_t) {
       return CellStatistic(r, &ShapeStatistics::elongationMedian);
     }},
    {"elongation_mean", "Elongation (mean)", "length\xC2\xB2 / area", "0 and up",
     "Cell level: mean of the kept cells' elongation; empty without cells", Level::Well,
     Type::Decimal, Shown::CellLevel, 0,
     [](const WellResults& r, std::size_t) {
       return CellStatistic(r, &ShapeStatistics::elongationMean);
     }},
    {"smoothness_median", "Smoothness (median)", "fit quality", "0 to 1",
     "Cell level: median of how well the kept cells' outlines fit a smooth curve", Level::Well,
     Type::Decimal, Shown::CellLevel, 0,
     [](const WellResults& r, std::size_t) {
       return CellStatistic(r, &ShapeStatistics::smoothnessMedian);
     }},
    {"smoothness_mean", "Smoothness (mean)", "fit quality", "0 to 1",
     "Cell level: mean of how well the kept cells' outlines fit a smooth curve", Level::Well,
     Type::Decimal, Shown::CellLevel, 0,
     [](const WellResults& r, std::size_t) {
       return CellStatistic(r, &ShapeStatistics::smoothnessMean);
     }},
    // The micrometre twins of the wells table.
    {"pixel_size_um", "Pixel size", "\xC2\xB5m", "0.01 to 1000",
     "Micrometres per mosaic pixel: the field pictures' pixel size (--pixel-size, else their "
     "metadata) times the reduction of large fields. This and the columns below only appear "
     "when a pixel size is known",
     Level::Well, Type::Decimal, Shown::PixelSize, 0,
     [](const WellResults& r, std::size_t) { return Twin(r, [](double size) { return size; }); }},
    {"ring_radius_um", "Ring radius", "\xC2\xB5m", "above 0", kTwin, Level::Well, Type::Decimal,
     Shown::PixelSize, kInReport,
     [](const WellResults& r, std::size_t) {
       return Twin(r, [&](double size) { return Micrometres(r.ring.radius, size); });
     }},
    {"ring_area_mm2", "Ring area", "mm\xC2\xB2", "above 0",
     "Area inside the ring, pi times the radius squared, times the pixel size squared",
     Level::Well, Type::Decimal, Shown::PixelSize, 0,
     [](const WellResults& r, std::size_t) {
       return Twin(r, [&](double size) { return SquareMillimetres(RingArea(r.ring), size); });
     }},
    {"pixels_um2", "Nucleus area in the ring", "\xC2\xB5m\xC2\xB2", "0 and up",
     "The nucleus pixels in the ring times the pixel size squared", Level::Well, Type::Decimal,
     Shown::PixelSize, 0,
     [](const WellResults& r, std::size_t) {
       return Twin(r, [&](double size) {
         return SquareMicrometres(static_cast<double>(r.pixels), size);
       });
     }},
    {"average_distance_um", "Average distance", "\xC2\xB5m", "0 to the ring radius", kTwin,
     Level::Well, Type::Decimal, Shown::PixelSize, kInReport,
     [](const WellResults& r, std::size_t) {
       return Twin(r, [&](double size) {
         return Micrometres(static_cast<double>(r.averageDistance), size);
       });
     }},
    {"average_nucleus_size_um2", "Average nucleus size", "\xC2\xB5m\xC2\xB2", "0 and up",
     "The average nucleus size times the pixel size squared", Level::Well, Type::Decimal,
     Shown::PixelSize, 0,
     [](const WellResults& r, std::size_t) {
       return Twin(r, [&](double size) {
         return SquareMicrometres(static_cast<double>(r.averageNucleusSize), size);
       });
     }},
    {"zone_coverage", "Zone coverage", "%", "0 to 100",
     "Share of the ring's pixels at or above the cell-level cut-off: how far cells have covered "
     "the zone. Only in time courses, or when asked for with --zone-coverage",
     Level::Well, Type::Decimal, Shown::ZoneCoverage, 0,
     [](const WellResults& r, std::size_t) -> TableValue {
       return r.zoneCoverage ? TableValue(*r.zoneCoverage) : TableValue();
     }},

    // The density table: one row per ring of the density profile.
    {"inner_radius", "Density profile: inner radius", "pixels", "the ring radius and up",
     "Distance of the ring's inner edge from the ring's centre: the ring radius plus one "
     "ring-increment per ring before it",
     Level::DensityBin, Type::Integer, Shown::Always, 0,
     [](const WellResults& r, std::size_t k) -> TableValue { return InnerRadius(r, k); }},
    {"outer_radius", "Density profile: outer radius", "pixels", "above the inner radius",
     "The inner radius plus one ring-increment; empty for the last ring, which holds everything "
     "beyond its inner radius",
     Level::DensityBin, Type::Integer, Shown::Always, 0,
     [](const WellResults& r, std::size_t k) -> TableValue {
       if (LastRing(r, k)) return {};
       return std::int64_t{r.densityRadius(static_cast<int>(k))};
     }},
    {"cells", "Density profile: nuclei", "nuclei", "0 and up",
     "Per ring of the density profile (one ring-increment wide, from the ring's radius "
     "outwards; the last holds everything beyond): nuclei of the size limits whose first pixel "
     "lies in it",
     Level::DensityBin, Type::Integer, Shown::Always, 0,
     [](const WellResults& r, std::size_t k) -> TableValue {
       return std::int64_t{r.density[k].nuclei};
     }},
    {"area", "Density profile: area", "pixels", "0 and up",
     "Sample points of the ring that lie inside the mosaic", Level::DensityBin, Type::Integer,
     Shown::Always, 0,
     [](const WellResults& r, std::size_t k) -> TableValue {
       return std::int64_t{r.density[k].area};
     }},
    {"density", "Density profile: density", "nuclei per pixel", "0 and up",
     "Nuclei over area; per square millimetre in density_per_mm2 when a pixel size is known",
     Level::DensityBin, Type::Decimal, Shown::Always, 0,
     [](const WellResults& r, std::size_t k) { return BinDensity(r.density[k]); }},
    {"inner_radius_um", "Density profile: inner radius", "\xC2\xB5m", "above 0", kTwin,
     Level::DensityBin, Type::Decimal, Shown::PixelSize, 0,
     [](const WellResults& r, std::size_t k) {
       return Twin(r, [&](double size) {
         return Micrometres(static_cast<double>(InnerRadius(r, k)), size);
       });
     }},
    {"outer_radius_um", "Density profile: outer radius", "\xC2\xB5m", "above 0", kTwin,
     Level::DensityBin, Type::Decimal, Shown::PixelSize, 0,
     [](const WellResults& r, std::size_t k) -> TableValue {
       if (LastRing(r, k)) return {};
       return Twin(r, [&](double size) {
         return Micrometres(r.densityRadius(static_cast<int>(k)), size);
       });
     }},
    {"area_mm2", "Density profile: area", "mm\xC2\xB2", "0 and up",
     "The area times the pixel size squared", Level::DensityBin, Type::Decimal, Shown::PixelSize,
     0,
     [](const WellResults& r, std::size_t k) {
       return Twin(r, [&](double size) { return SquareMillimetres(r.density[k].area, size); });
     }},
    {"density_per_mm2", "Density profile: density", "nuclei per mm\xC2\xB2", "0 and up",
     "The density times a million over the pixel size squared", Level::DensityBin,
     Type::Decimal, Shown::PixelSize, 0,
     [](const WellResults& r, std::size_t k) -> TableValue {
       const DensityBin& bin = r.density[k];
       if (bin.area <= 0) return {};
       return Twin(r, [&](double size) {
         return PerSquareMillimetre(static_cast<double>(bin.nuclei) / bin.area, size);
       });
     }},

    // The nuclei table: one row per immigrant nucleus.
    {"x", "Nucleus x", "pixels", "0 to 1023",
     "Column of the nucleus's first pixel in scan order", Level::Nucleus, Type::Integer,
     Shown::Always, 0,
     [](const WellResults& r, std::size_t k) -> TableValue {
       return std::int64_t{r.immigrants[k].x};
     }},
    {"y", "Nucleus y", "pixels", "0 to 1023",
     "Row of that pixel, counted from the bottom as the ring's centre", Level::Nucleus,
     Type::Integer, Shown::Always, 0,
     [](const WellResults& r, std::size_t k) -> TableValue {
       return std::int64_t{r.immigrants[k].y};
     }},
    {"size", "Nucleus size", "pixels", "above the minimal nucleus size",
     "The nucleus's area", Level::Nucleus, Type::Integer, Shown::Always, 0,
     [](const WellResults& r, std::size_t k) -> TableValue { return r.immigrants[k].size; }},
    {"distance", "Migration distance", "pixels", "0 to the ring radius",
     "How far the nucleus migrated: the ring radius minus the distance of its first pixel from "
     "the ring's centre",
     Level::Nucleus, Type::Decimal, Shown::Always, 0,
     [](const WellResults& r, std::size_t k) -> TableValue { return r.immigrants[k].distance; }},
    {"size_um2", "Nucleus size", "\xC2\xB5m\xC2\xB2", "above 0",
     "The size times the pixel size squared", Level::Nucleus, Type::Decimal, Shown::PixelSize, 0,
     [](const WellResults& r, std::size_t k) {
       return Twin(r, [&](double size) {
         return SquareMicrometres(static_cast<double>(r.immigrants[k].size), size);
       });
     }},
    {"distance_um", "Migration distance", "\xC2\xB5m", "0 to the ring radius", kTwin,
     Level::Nucleus, Type::Decimal, Shown::PixelSize, 0,
     [](const WellResults& r, std::size_t k) {
       return Twin(r, [&](double size) { return Micrometres(r.immigrants[k].distance, size); });
     }},

    // The cells table: one row per kept cell.
    {"x", "Cell x", "pixels", "0 to 1023", "Column of the cell's centroid", Level::Cell,
     Type::Decimal, Shown::Always, 0,
     [](const WellResults& r, std::size_t k) -> TableValue { return CellOf(r, k).x; }},
    {"y", "Cell y", "pixels", "0 to 1023",
     "Row of the cell's centroid, counted from the bottom as the ring's centre", Level::Cell,
     Type::Decimal, Shown::Always, 0,
     [](const WellResults& r, std::size_t k) -> TableValue { return CellOf(r, k).y; }},
    {"size", "Cell size", "pixels", "above the minimal cell size", "The cell's area",
     Level::Cell, Type::Integer, Shown::Always, 0,
     [](const WellResults& r, std::size_t k) -> TableValue {
       return std::int64_t{CellOf(r, k).size};
     }},
    {"width", "Cell width", "pixels", "1 and up", "Width of the cell's bounding box",
     Level::Cell, Type::Integer, Shown::Always, 0,
     [](const WellResults& r, std::size_t k) -> TableValue {
       return std::int64_t{CellOf(r, k).width};
     }},
    {"height", "Cell height", "pixels", "1 and up", "Height of the cell's bounding box",
     Level::Cell, Type::Integer, Shown::Always, 0,
     [](const WellResults& r, std::size_t k) -> TableValue {
       return std::int64_t{CellOf(r, k).height};
     }},
    {"circumference", "Circumference", "pixels", "0 and up",
     "Background pixels touching the cell", Level::Cell, Type::Integer, Shown::Always, 0,
     [](const WellResults& r, std::size_t k) -> TableValue {
       return std::int64_t{CellOf(r, k).circumference};
     }},
    {"length", "Cell length", "pixels", "0 and up",
     "The longest chord through the cell's centroid", Level::Cell, Type::Decimal,
     Shown::Always, 0,
     [](const WellResults& r, std::size_t k) -> TableValue { return CellOf(r, k).length; }},
    {"ratio", "Elongation", "length\xC2\xB2 / area", "0 and up",
     "The length squared over the size: oval at or above the length ratio, else round",
     Level::Cell, Type::Decimal, Shown::Always, 0,
     [](const WellResults& r, std::size_t k) -> TableValue { return CellOf(r, k).ratio; }},
    {"correlation", "Smoothness", "fit quality", "0 to 1",
     "How well the cell's outline fits a smooth curve: smooth at or above the roughness "
     "coefficient, else rough",
     Level::Cell, Type::Decimal, Shown::Always, 0,
     [](const WellResults& r, std::size_t k) -> TableValue { return CellOf(r, k).correlation; }},
    {"angle", "Orientation", "degrees", "0 to 90",
     "Angle between the cell's long axis and the direction of the ring's centre; empty for "
     "round cells",
     Level::Cell, Type::Decimal, Shown::Always, 0,
     [](const WellResults& r, std::size_t k) -> TableValue {
       const std::optional<double>& angle = CellOf(r, k).angle;
       return angle ? TableValue(*angle) : TableValue();
     }},
    {"class", "Shape class", "word", "round_rough, round_smooth, oval_rough or oval_smooth",
     "The cell's class by its elongation and smoothness", Level::Cell, Type::Text,
     Shown::Always, 0,
     [](const WellResults& r, std::size_t k) -> TableValue {
       return std::string(CellClassWord(CellOf(r, k).shapeClass));
     }},
    {"nucleus_size", "Nucleus size", "pixels", "above the minimal nucleus size",
     "Area of the immigrant nucleus the cell grew from", Level::Cell, Type::Integer,
     Shown::Always, 0,
     [](const WellResults& r, std::size_t k) -> TableValue {
       return std::int64_t{CellOf(r, k).nucleusSize};
     }},
    {"size_um2", "Cell size", "\xC2\xB5m\xC2\xB2", "above 0",
     "The size times the pixel size squared", Level::Cell, Type::Decimal, Shown::PixelSize, 0,
     [](const WellResults& r, std::size_t k) {
       return Twin(r, [&](double size) { return SquareMicrometres(CellOf(r, k).size, size); });
     }},
    {"width_um", "Cell width", "\xC2\xB5m", "above 0", kTwin, Level::Cell, Type::Decimal,
     Shown::PixelSize, 0,
     [](const WellResults& r, std::size_t k) {
       return Twin(r, [&](double size) { return Micrometres(CellOf(r, k).width, size); });
     }},
    {"height_um", "Cell height", "\xC2\xB5m", "above 0", kTwin, Level::Cell, Type::Decimal,
     Shown::PixelSize, 0,
     [](const WellResults& r, std::size_t k) {
       return Twin(r, [&](double size) { return Micrometres(CellOf(r, k).height, size); });
     }},
    {"length_um", "Cell length", "\xC2\xB5m", "0 and up", kTwin, Level::Cell, Type::Decimal,
     Shown::PixelSize, 0,
     [](const WellResults& r, std::size_t k) {
       return Twin(r, [&](double size) { return Micrometres(CellOf(r, k).length, size); });
     }},
    {"nucleus_size_um2", "Nucleus size", "\xC2\xB5m\xC2\xB2", "above 0",
     "The nucleus size times the pixel size squared", Level::Cell, Type::Decimal,
     Shown::PixelSize, 0,
     [](const WellResults& r, std::size_t k) {
       return Twin(r,
                   [&](double size) { return SquareMicrometres(CellOf(r, k).nucleusSize, size); });
     }},
};

std::string_view LevelMark(MeasureLevel level) {
  switch (level) {
    case MeasureLevel::DensityBin:
      return "density.";
    case MeasureLevel::Nucleus:
      return "nuclei.";
    case MeasureLevel::Cell:
      return "cells.";
    case MeasureLevel::Well:
      break;
  }
  return "";
}

}  // namespace

bool MeasureConditions::shows(const MeasureDescriptor& measure) const {
  switch (measure.shown) {
    case MeasureShown::CellLevel:
      return cellLevel;
    case MeasureShown::PixelSize:
      return pixelSize;
    case MeasureShown::ReviewedRings:
      return reviewedRings;
    case MeasureShown::OwnCutoffs:
      return ownCutoffs;
    case MeasureShown::ZoneCoverage:
      return zoneCoverage;
    case MeasureShown::Always:
      break;
  }
  return true;
}

void MeasureConditions::add(const WellResults& well) {
  cellLevel = cellLevel || well.cells.has_value();
  pixelSize = pixelSize || well.pixelSize.has_value();
  reviewedRings = reviewedRings || well.ringReviewed || well.ringHeld;
  zoneCoverage = zoneCoverage || well.zoneCoverage.has_value();
  ownCutoffs = ownCutoffs || well.cutoffs.has_value();
}

MeasureConditions ConditionsOf(const WellResults& well) {
  MeasureConditions conditions;
  conditions.add(well);
  return conditions;
}

std::span<const MeasureDescriptor> AllMeasures() {
  return kMeasures;
}

std::vector<const MeasureDescriptor*> MeasuresOf(MeasureLevel level,
                                                 const MeasureConditions& conditions,
                                                 unsigned face) {
  std::vector<const MeasureDescriptor*> measures;
  for (const MeasureDescriptor& m : kMeasures) {
    if (m.level == level && conditions.shows(m) && (face == 0 || (m.faces & face) != 0)) {
      measures.push_back(&m);
    }
  }
  return measures;
}

const MeasureDescriptor* FindMeasure(MeasureLevel level, std::string_view column) {
  const auto found = std::find_if(std::begin(kMeasures), std::end(kMeasures), [&](const auto& m) {
    return m.level == level && m.column == column;
  });
  return found == std::end(kMeasures) ? nullptr : &*found;
}

std::string MeasuresReferenceMarkdown() {
  std::string text =
      "| Column | Caption | Unit | Range | Definition |\n"
      "|---|---|---|---|---|\n";
  for (const MeasureDescriptor& m : kMeasures) {
    text += "| `" + std::string(LevelMark(m.level)) + std::string(m.column) + "` | " +
            std::string(m.caption) + " | " + std::string(m.unit) + " | " + std::string(m.range) +
            " | " + std::string(m.definition) + " |\n";
  }
  return text;
}

}  // namespace vembrel
