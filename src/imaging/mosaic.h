#pragma once
// The 1024 x 1024 mosaic of one channel, assembled from the well's four fields.
#include <array>
#include <string>
#include <vector>

#include "imaging/field_loader.h"
#include "imaging/picture.h"

namespace vembrel {

/// Fields in file order: 0 lower left, 1 lower right, 2 upper right, 3 upper left.
using WellFields = std::array<Picture, 4>;

/// Copies each 512 x 512 field into its quadrant. A field that is empty or
/// of another size leaves its quadrant black, so a missing picture can never
/// bring another well's pixels into this well's counts.
Picture AssembleMosaic(const WellFields& fields);

/// A channel's mosaic and how each of its four fields (in file order) loaded.
struct ChannelMosaic {
  Picture mosaic;
  std::array<FieldLoad, 4> fields;

  /// The problems of the fields, in file order.
  std::vector<FieldProblem> problems() const;
  /// The largest side of a field that was reduced to 512 x 512; 0 when none was.
  int reducedFrom() const;
};

/// Loads a channel's four field files (in file order) straight into a new
/// mosaic through LoadField. A field that is missing, unreadable, empty or of
/// a wrong size leaves its quadrant black; a damaged one is partly decoded.
ChannelMosaic LoadChannelMosaic(const std::array<std::string, 4>& fieldFiles,
                                const FieldLoadOptions& options = {});

/// Where field 0..3 starts in the mosaic: column and row counted from the bottom.
constexpr int QuadrantColumn(int field) {
  return (field == 1 || field == 2) ? kFieldSize : 0;
}
constexpr int QuadrantRow(int field) {
  return field >= 2 ? kFieldSize : 0;
}

}  // namespace vembrel
