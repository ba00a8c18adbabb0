#include "results/measure_table.h"

#include <algorithm>
#include <array>

namespace vembrel {
namespace {

constexpr std::string_view kTwin = "the pixel measure times the pixel size";

constexpr std::array<MeasureDescriptor, 32> kMeasures{{
    {"ring_x", "Ring centre x", "pixels", "0 to 1023",
     "Column of the ring's centre in the 1024 x 1024 mosaic, from the left"},
    {"ring_y", "Ring centre y", "pixels", "0 to 1023",
     "Row of the ring's centre, counted from the bottom"},
    {"ring_radius", "Ring radius", "pixels", "1 to 1024",
     "Radius of the ring that marks the cell-free zone: fitted as the darkest disc of the green "
     "mosaic, or placed by hand"},
    {"nuclei", "Immigrant nuclei", "nuclei", "0 and up",
     "Nuclei inside the ring whose area lies strictly between the minimal and maximal nucleus "
     "size: the cells that migrated into the zone"},
    {"pixels", "Number of pixels", "pixels", "0 and up",
     "All nucleus pixels inside the ring, whatever the size of the object they belong to"},
    {"calculated_nuclei", "Calculated nuclei", "nuclei", "0 and up",
     "Nucleus pixels inside the ring divided by the average nucleus size, rounded: an estimate "
     "that also counts clumps and fragments the size limits leave out"},
    {"average_distance", "Average distance", "pixels", "0 to the ring radius",
     "Mean distance the immigrant nuclei migrated into the ring: the ring radius minus the mean "
     "distance of their first pixels from the ring's centre, cut to a whole number"},
    {"total_nuclei", "Total nuclei", "nuclei", "0 and up",
     "Nuclei of the size limits in the whole mosaic, inside and outside the ring"},
    {"average_nucleus_size", "Average nucleus size", "pixels", "0 and up",
     "Mean area of the immigrant nuclei, rounded; 0 without immigrants"},
    {"nuclei_outside", "Nuclei outside", "nuclei", "0 and up",
     "Nuclei of the size limits whose first pixel lies beyond the ring's radius. Total nuclei "
     "need not equal immigrants plus nuclei outside: the whole-mosaic scan takes each nucleus "
     "whole and places it by its first pixel, while the ring count sees only the nucleus pixels "
     "inside the ring, so a nucleus lying across the ring's edge can be counted on both sides, "
     "on one, or on neither (its part inside may fall outside the size limits)"},
    {"cells_kept", "Cells kept", "cells", "0 and up",
     "Cell level: cells grown from the immigrant nuclei and kept by the cell size limits"},
    {"cells_seen", "Cells seen", "cells", "0 and up",
     "Cell level: immigrant nuclei the cells were grown from"},
    {"round_rough", "Round & rough", "cells", "0 and up",
     "Cell level: kept cells below the length ratio and the roughness coefficient"},
    {"round_smooth", "Round & smooth", "cells", "0 and up",
     "Cell level: kept cells below the length ratio, at or above the roughness coefficient"},
    {"oval_rough", "Oval & rough", "cells", "0 and up",
     "Cell level: kept cells at or above the length ratio, below the roughness coefficient"},
    {"oval_smooth", "Oval & smooth", "cells", "0 and up",
     "Cell level: kept cells at or above both the length ratio and the roughness coefficient"},
    {"radial_share", "Radial share", "%", "0 to 100",
     "Cell level: share of the oval cells whose long axis points towards the ring's centre; "
     "empty without oval cells"},
    {"elongation_median", "Elongation (median)", "length\xC2\xB2 / area", "0 and up",
     "Cell level: median of the kept cells' elongation; empty without cells"},
    {"elongation_mean", "Elongation (mean)", "length\xC2\xB2 / area", "0 and up",
     "Cell level: mean of the kept cells' elongation; empty without cells"},
    {"smoothness_median", "Smoothness (median)", "fit quality", "0 to 1",
     "Cell level: median of how well the kept cells' outlines fit a smooth curve"},
    {"smoothness_mean", "Smoothness (mean)", "fit quality", "0 to 1",
     "Cell level: mean of how well the kept cells' outlines fit a smooth curve"},
    {"pixel_size_um", "Pixel size", "\xC2\xB5m", "0.01 to 1000",
     "Micrometres per mosaic pixel: the field pictures' pixel size (--pixel-size, else their "
     "metadata) times the reduction of large fields. This and the columns below only appear "
     "when a pixel size is known"},
    {"ring_radius_um", "Ring radius", "\xC2\xB5m", "above 0", kTwin},
    {"ring_area_mm2", "Ring area", "mm\xC2\xB2", "above 0",
     "Area inside the ring, pi times the radius squared, times the pixel size squared"},
    {"pixels_um2", "Nucleus area in the ring", "\xC2\xB5m\xC2\xB2", "0 and up",
     "The nucleus pixels in the ring times the pixel size squared"},
    {"average_distance_um", "Average distance", "\xC2\xB5m", "0 to the ring radius", kTwin},
    {"average_nucleus_size_um2", "Average nucleus size", "\xC2\xB5m\xC2\xB2", "0 and up",
     "The average nucleus size times the pixel size squared"},
    {"density.cells", "Density profile: nuclei", "nuclei", "0 and up",
     "Per ring of the density profile (one ring-increment wide, from the ring's radius "
     "outwards; the last holds everything beyond): nuclei of the size limits whose first pixel "
     "lies in it"},
    {"density.area", "Density profile: area", "pixels", "0 and up",
     "Sample points of the ring that lie inside the mosaic"},
    {"density.area_mm2", "Density profile: area", "mm\xC2\xB2", "0 and up",
     "The area times the pixel size squared"},
    {"density.density", "Density profile: density", "nuclei per pixel", "0 and up",
     "Nuclei over area; per square millimetre in density_per_mm2 when a pixel size is known"},
    {"density.density_per_mm2", "Density profile: density", "nuclei per mm\xC2\xB2", "0 and up",
     "The density times a million over the pixel size squared"},
}};

}  // namespace

std::span<const MeasureDescriptor> AllMeasures() {
  return kMeasures;
}

const MeasureDescriptor* FindMeasure(std::string_view column) {
  const auto found = std::find_if(kMeasures.begin(), kMeasures.end(),
                                  [&](const MeasureDescriptor& m) { return m.column == column; });
  return found == kMeasures.end() ? nullptr : &*found;
}

std::string MeasuresReferenceMarkdown() {
  std::string text =
      "| Column | Caption | Unit | Range | Definition |\n"
      "|---|---|---|---|---|\n";
  for (const MeasureDescriptor& m : kMeasures) {
    text += "| `" + std::string(m.column) + "` | " + std::string(m.caption) + " | " +
            std::string(m.unit) + " | " + std::string(m.range) + " | " + std::string(m.definition) +
            " |\n";
  }
  return text;
}

}  // namespace vembrel
