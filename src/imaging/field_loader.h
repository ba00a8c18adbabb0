#pragma once
// Loading one microscope field (a page of a TIFF file) into its 512 x 512
// place in a mosaic, or a picture of the whole well into the whole 1024 x 1024
// mosaic: every size the file states is checked against what is read, large
// square pictures are reduced, 16-bit samples are brought to 8 bits, and a
// field that cannot be used is reported by kind.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "imaging/file_fingerprint.h"
#include "imaging/picture.h"

namespace vembrel {

class TiffFile;

/// Why a field could not be used whole.
enum class FieldProblemKind {
  kMissing,     // no file of that name, or no such page in the file
  kUnreadable,  // not a file, no permission, not a TIFF, or a layout that cannot be converted
  kDamaged,     // a strip or tile that cannot be decoded whole: the field is partly decoded
  kEmpty,       // a file of 0 bytes, or a picture of no pixels
  kWrongSize,   // not square, smaller than its place or larger than can be reduced, or a
                // page of another size than the file's first
};

/// "missing", "unreadable", "damaged", "empty", "wrong size".
const char* FieldProblemName(FieldProblemKind kind);

struct FieldProblem {
  FieldProblemKind kind;
  std::string file;
  std::string message;  // names the file, and the sizes where they are at fault
  /// Whether the field's place stayed black; a damaged field is partly decoded.
  bool leftBlack() const { return kind != FieldProblemKind::kDamaged; }
};

struct FieldLoadOptions {
  /// How many bits of a 16-bit sample carry the picture (8, 10, 12, 14 or
  /// 16): a sample v becomes min(255, v >> (inputBits - 8)), its top 8 bits.
  /// 16 keeps the high byte, as libtiff's RGBA conversion does. 8-bit files
  /// and layouts only the RGBA conversion reads are not affected.
  int inputBits = 16;
};

struct FieldLoad {
  std::optional<FieldProblem> problem;
  /// The file's side in pixels when its pixels were used (512, or the side of
  /// a square field that was reduced); 0 when the place stayed black.
  int side = 0;
  /// The file's bits per sample when its pixels were used, else 0.
  int sampleBits = 0;
  /// The bytes read from the file; none when it could not be opened (missing,
  /// no permission) or is no regular file.
  std::optional<FileFingerprint> fingerprint;
  bool reduced() const { return side > kFieldSize; }
};

/// Largest field side that is reduced to 512 x 512. Grey fields of one
/// sample of 8 or 16 bits are reduced while they decode; other layouts go
/// through libtiff's RGBA conversion whole and are taken up to
/// kMaxConvertedFieldSide.
inline constexpr int kMaxFieldSide = 16384;
inline constexpr int kMaxConvertedFieldSide = 4096;

/// Loads fileName into target at (column, row counted from the bottom) as a
/// 512 x 512 region, opening the file once. A field of 512 x 512 is taken as
/// it is: plain grey files (8 or 16 bits, one sample, strips or tiles) are
/// decoded straight into place, any other layout through libtiff's RGBA
/// conversion, with the same pixels. A larger square field is reduced by
/// AreaReducer in the file's own depth (per colour channel for converted
/// layouts), then brought to 8 bits. When a strip or tile of a 512 x 512
/// field read at the full 16 bits (or an 8-bit one) cannot be decoded whole,
/// the region holds what libtiff's RGBA conversion makes of the file; in the
/// other cases such strips and tiles are black. The region is untouched when
/// the field is missing, unreadable, empty or of a wrong size. Throws Error
/// only when the region does not lie inside target. Thread-safe; prints
/// nothing.
FieldLoad LoadField(const std::string& fileName, Picture& target, int column, int row,
                    const FieldLoadOptions& options = {});

/// LoadField of page (from 0) of an opened file into a side x side place:
/// kFieldSize for a field, kMosaicSize for a picture of the whole well (which
/// may then be up to twice the sides above). A page the file does not hold is
/// missing; a page of another size than the file's first is of a wrong size.
/// Throws Error only when the place does not lie inside target.
FieldLoad LoadFieldPage(TiffFile& file, int page, Picture& target, int column, int row, int side,
                        const FieldLoadOptions& options = {});
/// The same into a grey plane: the blue byte of each pixel LoadFieldPage
/// would put into a picture, in the same places.
FieldLoad LoadFieldPage(TiffFile& file, int page, GreyPlane& target, int column, int row, int side,
                        const FieldLoadOptions& options = {});

/// The files of one well, each opened once however many of its pages are read.
class TiffFiles {
 public:
  /// reads: the file of every page that will be read, so that each file is
  /// closed (its copy in memory freed) after its last page; none: files stay
  /// open as long as this lives.
  explicit TiffFiles(const std::vector<std::string>& reads = {});
  ~TiffFiles();
  TiffFiles(const TiffFiles&) = delete;
  TiffFiles& operator=(const TiffFiles&) = delete;
  /// The file of that name, opened at its first use.
  TiffFile& open(const std::string& fileName);
  /// One page of the file was read; after its last the file is closed.
  void done(const std::string& fileName);

 private:
  struct Entry {
    std::string name;
    int reads = 0;  // pages still to be read; 0 where not counted
    std::unique_ptr<TiffFile> file;
  };
  Entry& entry(const std::string& fileName);
  std::vector<Entry> files_;
};

}  // namespace vembrel
