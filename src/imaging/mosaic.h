#pragma once
// The 1024 x 1024 mosaic of one channel, assembled from the well's four fields
// or made from one picture of the whole well.
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

/// How a channel's mosaic is kept: a picture, or only its grey plane (the
/// picture's blue bytes, a quarter of the bytes) for callers that read
/// nothing else.
enum class MosaicForm { kPicture, kGreyPlane };

/// A channel's mosaic and how each of its fields (four in file order, or the
/// one picture of the whole well) loaded.
struct ChannelMosaic {
  Picture mosaic;  // MosaicForm::kPicture
  GreyPlane grey;  // MosaicForm::kGreyPlane
  std::vector<FieldLoad> fields;

  /// The problems of the fields, in file order.
  std::vector<FieldProblem> problems() const;
  /// The largest side of a field that was reduced to 512 x 512; 0 when none
  /// was. A picture of the whole well of side n reduced to 1024 x 1024 counts
  /// as fields of side n / 2.
  int reducedFrom() const;
  /// Whether quarter 0..3 (in file order) was left black.
  bool quarterBlack(int quarter) const;
};

/// Where one field of one channel is read: a page (from 0) of a TIFF file.
struct FieldPage {
  std::string file;
  int page = 0;
};

/// Loads a channel's four field files (in file order) straight into a new
/// mosaic through LoadField. A field that is missing, unreadable, empty or of
/// a wrong size leaves its quadrant black; a damaged one is partly decoded.
ChannelMosaic LoadChannelMosaic(const std::array<std::string, 4>& fieldFiles,
                                const FieldLoadOptions& options = {});
/// The same from four field pages (in file order), or from one page holding a
/// picture of the whole well, made into the mosaic as large fields are
/// reduced (a picture of 1024 x 1024 is taken as it is). Each file is opened
/// once in files, however many pages of it the well's channels read.
ChannelMosaic LoadChannelMosaic(const std::vector<FieldPage>& fields,
                                const FieldLoadOptions& options, TiffFiles& files,
                                MosaicForm form = MosaicForm::kPicture);

/// Where field 0..3 starts in the mosaic: column and row counted from the bottom.
constexpr int QuadrantColumn(int field) {
  return (field == 1 || field == 2) ? kFieldSize : 0;
}
constexpr int QuadrantRow(int field) {
  return field >= 2 ? kFieldSize : 0;
}

}  // namespace vembrel
