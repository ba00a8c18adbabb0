#include "imaging/field_loader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>
#include <vector>

#include "core/error.h"
#include "imaging/field_reduction.h"
#include "imaging/grey_words.h"
#include "imaging/tiff_file.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vembrel {
namespace {

std::string SizeText(std::uint32_t width, std::uint32_t height) {
  return std::to_string(width) + " x " + std::to_string(height);
}

FieldLoad Problem(FieldProblemKind kind, const std::string& file, std::string message) {
  FieldLoad load;
  load.problem = FieldProblem{kind, file, std::move(message)};
  return load;
}

FieldProblem Damaged(const std::string& file, const std::string& reason) {
  return {FieldProblemKind::kDamaged, file,
          "Field picture '" + file + "' is damaged and only partly decoded (" +
              (reason.empty() ? "a strip or tile cannot be decoded whole" : reason) + ")"};
}

// Where a field's place in the target starts, its side (a field's, or the
// whole mosaic's for a picture of the whole well), and how its rows are
// reached: rows counted from the top of the place. kPixelBytes: 4 for a
// picture's words, 1 for a grey plane, which takes the words' blue bytes.
template <int kPixelBytes>
struct Place {
  std::uint8_t* bottomLeft;  // the place's first byte
  std::size_t rowBytes;      // the target's
  int side;
  std::uint8_t* rowFromTop(int y) const {
    return bottomLeft + static_cast<std::size_t>(side - 1 - y) * rowBytes;
  }
};

// A grey value as the mosaic stores it: the top 8 bits below the shift,
// clamped, in blue, green and red, spare byte 255 (as the RGBA conversion
// gives it).
inline std::uint32_t GreyWord(std::uint32_t value, int shift) {
  return 0xff000000u | std::min<std::uint32_t>(value >> shift, 255) * 0x010101u;
}

// Stores pixel x of a row: the whole word, or its blue byte.
template <int kPixelBytes>
inline void PutWord(std::uint8_t* out, int x, std::uint32_t word) {
  if constexpr (kPixelBytes == 4) {
    std::memcpy(out + 4 * x, &word, 4);
  } else {
    out[x] = static_cast<std::uint8_t>(word & 0xffu);
  }
}

template <class T, int kPixelBytes>
void PutGreyRow(const std::uint8_t* samples, std::uint8_t* out, int side, int shift) {
  if (samples == nullptr) {  // a strip that could not be decoded: black
    for (int x = 0; x < side; ++x) PutWord<kPixelBytes>(out, x, 0xff000000u);
    return;
  }
  if constexpr (sizeof(T) == 1) {
    if constexpr (kPixelBytes == 4) {
      PutGreyWords(samples, out, side);
    } else {
      std::memcpy(out, samples, static_cast<std::size_t>(side));
    }
  } else {
#if defined(__SSE2__)
    static_assert(kFieldSize % 16 == 0 && kMosaicSize % 16 == 0);
    // Sixteen 16-bit samples at a time: shifted, clamped to 255 (v minus
    // what exceeds 255), packed to bytes.
    const __m128i count = _mm_cvtsi32_si128(shift);
    const __m128i top = _mm_set1_epi16(255);
    for (int x = 0; x < side; x += 16) {
      __m128i low =
          _mm_srl_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(samples + 2 * x)), count);
      __m128i high = _mm_srl_epi16(
          _mm_loadu_si128(reinterpret_cast<const __m128i*>(samples + 2 * x + 16)), count);
      low = _mm_sub_epi16(low, _mm_subs_epu16(low, top));
      high = _mm_sub_epi16(high, _mm_subs_epu16(high, top));
      const __m128i grey = _mm_packus_epi16(low, high);
      if constexpr (kPixelBytes == 4) {
        PutGreyWords16(grey, out + 4 * x);
      } else {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), grey);
      }
    }
#else
    for (int x = 0; x < side; ++x) {
      T sample;  // the library hands samples over in host byte order
      std::memcpy(&sample, samples + sizeof(T) * x, sizeof(T));
      PutWord<kPixelBytes>(out, x, GreyWord(sample, shift));
    }
#endif
  }
}

template <int kPixelBytes>
void PutMeansRow(const std::uint32_t* means, std::uint8_t* out, int side, int shift) {
  for (int x = 0; x < side; ++x) PutWord<kPixelBytes>(out, x, GreyWord(means[x], shift));
}

// libtiff's RGBA conversion of the whole picture: words with red in the
// lowest byte, bottom row first, zero where the conversion writes nothing.
std::vector<std::uint32_t> ConvertToRgba(TiffFile& file) {
  const std::size_t side = file.width();
  std::vector<std::uint32_t> raster(side * side);
  // Stop-on-error 0: a damaged file still gives what could be read.
  TIFFReadRGBAImage(file.get(), file.width(), file.height(), raster.data(), 0);
  return raster;
}

// Copies a converted raster of the place's side into place; pictures keep
// blue in the lowest byte where the library keeps red.
template <int kPixelBytes>
void PutRgba(const std::vector<std::uint32_t>& raster, const Place<kPixelBytes>& place) {
  for (int r = 0; r < place.side; ++r) {
    const std::uint32_t* in = raster.data() + static_cast<std::size_t>(r) * place.side;
    std::uint8_t* out = place.rowFromTop(place.side - 1 - r);
    for (int x = 0; x < place.side; ++x) {
      PutWord<kPixelBytes>(
          out, x, (in[x] & 0xff00ff00u) | ((in[x] & 0xffu) << 16) | ((in[x] >> 16) & 0xffu));
    }
  }
}

template <int kPixelBytes>
void ReduceRgba(const std::vector<std::uint32_t>& raster, int side,
                const Place<kPixelBytes>& place) {
  AreaReducer reducer(side, 4, 1, place.side);
  int outRow = 0;
  for (int y = 0; y < side; ++y) {
    const auto* bytes =
        reinterpret_cast<const std::uint8_t*>(raster.data() + std::size_t(side - 1 - y) * side);
    const std::uint32_t* means = reducer.addRow(bytes);  // red, green, blue, alpha per pixel
    if (means == nullptr) continue;
    std::uint8_t* out = place.rowFromTop(outRow++);
    for (int x = 0; x < place.side; ++x) {
      const std::uint8_t pixel[4] = {
          static_cast<std::uint8_t>(means[4 * x + 2]), static_cast<std::uint8_t>(means[4 * x + 1]),
          static_cast<std::uint8_t>(means[4 * x]), static_cast<std::uint8_t>(means[4 * x + 3])};
      std::uint32_t word;
      std::memcpy(&word, pixel, 4);
      PutWord<kPixelBytes>(out, x, word);
    }
  }
}

// Plain grey files, sample by sample. Empty when the file's strip or tile
// sizes do not fit its picture size: nothing was written then.
template <int kPixelBytes>
std::optional<FieldLoad> LoadGrey(TiffFile& file, int bits, const Place<kPixelBytes>& place,
                                  const FieldLoadOptions& options) {
  const int side = static_cast<int>(file.width());
  const int shift = bits == 16 ? std::clamp(options.inputBits, 8, 16) - 8 : 0;
  // A field of its place's size read at the full depth has the RGBA
  // conversion's pixels, so a damaged one is left to the conversion as it
  // always was.
  const bool asConverted = side == place.side && (bits == 8 || shift == 8);
  file.takeError();
  int failed = 0;
  if (side == place.side) {
    failed = ReadGreyRows(file, asConverted, [&](int y, const std::uint8_t* samples) {
      if (bits == 8) {
        PutGreyRow<std::uint8_t, kPixelBytes>(samples, place.rowFromTop(y), side, 0);
      } else {
        PutGreyRow<std::uint16_t, kPixelBytes>(samples, place.rowFromTop(y), side, shift);
      }
    });
  } else {
    AreaReducer reducer(side, 1, bits / 8, place.side);
    int outRow = 0;
    failed = ReadGreyRows(file, false, [&](int, const std::uint8_t* samples) {
      if (const std::uint32_t* means = reducer.addRow(samples)) {
        PutMeansRow<kPixelBytes>(means, place.rowFromTop(outRow++), place.side, shift);
      }
    });
  }
  if (failed < 0) return std::nullopt;
  FieldLoad load;
  load.side = side;
  load.sampleBits = bits;
  if (failed > 0) {
    load.problem = Damaged(file.name(), file.takeError());
    if (asConverted) PutRgba(ConvertToRgba(file), place);
  }
  return load;
}

// Every other layout, through the library's RGBA conversion on the same handle.
template <int kPixelBytes>
FieldLoad LoadConverted(TiffFile& file, const Place<kPixelBytes>& place) {
  const int side = static_cast<int>(file.width());
  const int scale = place.side / kFieldSize;
  if (side > kMaxConvertedFieldSide * scale) {
    return Problem(FieldProblemKind::kWrongSize, file.name(),
                   "Field picture '" + file.name() + "' is " + SizeText(side, side) + " pixels; " +
                       (scale == 1 ? "fields" : "pictures of the whole well") +
                       " of its layout can be at most " +
                       SizeText(kMaxConvertedFieldSide * scale, kMaxConvertedFieldSide * scale) +
                       " (grey ones of 8 or 16 bits up to " +
                       SizeText(kMaxFieldSide * scale, kMaxFieldSide * scale) + ")");
  }
  // A layout the library cannot convert at all (32-bit float, odd bit
  // depths) would otherwise come back as a silently black picture.
  char reason[1024] = "";
  if (TIFFRGBAImageOK(file.get(), reason) == 0) {
    return Problem(FieldProblemKind::kUnreadable, file.name(),
                   "Unable to load file '" + file.name() + "': " + reason);
  }
  file.takeError();
  std::vector<std::uint32_t> raster;
  try {
    raster = ConvertToRgba(file);
  } catch (const std::bad_alloc&) {
    return Problem(FieldProblemKind::kUnreadable, file.name(),
                   "Unable to load file '" + file.name() + "': not enough memory");
  }
  if (side == place.side) {
    PutRgba(raster, place);
  } else {
    ReduceRgba(raster, side, place);
  }
  FieldLoad load;
  load.side = side;
  std::uint16_t bits = 0;
  TIFFGetFieldDefaulted(file.get(), TIFFTAG_BITSPERSAMPLE, &bits);
  load.sampleBits = bits;
  if (std::string error = file.takeError(); !error.empty())
    load.problem = Damaged(file.name(), error);
  return load;
}

}  // namespace

const char* FieldProblemName(FieldProblemKind kind) {
  switch (kind) {
    case FieldProblemKind::kMissing:
      return "missing";
    case FieldProblemKind::kUnreadable:
      return "unreadable";
    case FieldProblemKind::kDamaged:
      return "damaged";
    case FieldProblemKind::kEmpty:
      return "empty";
    case FieldProblemKind::kWrongSize:
      return "wrong size";
  }
  return "unknown";
}

namespace {

template <int kPixelBytes>
FieldLoad LoadOpenedField(TiffFile& file, int page, const Place<kPixelBytes>& place,
                          const FieldLoadOptions& options) {
  const std::string& fileName = file.name();
  switch (file.status()) {
    case TiffOpenStatus::kOpened:
      break;
    case TiffOpenStatus::kMissing:
      return Problem(FieldProblemKind::kMissing, fileName,
                     "Field picture '" + fileName + "' does not exist");
    case TiffOpenStatus::kEmpty:
      return Problem(FieldProblemKind::kEmpty, fileName,
                     "Field picture '" + fileName + "' is empty (0 bytes)");
    case TiffOpenStatus::kNotAFile:
    case TiffOpenStatus::kUnreadable:
      return Problem(FieldProblemKind::kUnreadable, fileName, file.message());
  }
  if (page > 0) {
    file.setPage(0);
    const std::uint32_t firstWidth = file.width(), firstHeight = file.height();
    if (!file.setPage(page)) {
      const int pages = file.pageCount();
      return Problem(FieldProblemKind::kMissing, fileName,
                     "Field picture '" + fileName + "' holds " + std::to_string(pages) +
                         (pages == 1 ? " page" : " pages") + "; its page " +
                         std::to_string(page + 1) + " is missing");
    }
    if (file.width() != firstWidth || file.height() != firstHeight) {
      return Problem(FieldProblemKind::kWrongSize, fileName,
                     "Field picture '" + fileName + "': page " + std::to_string(page + 1) + " is " +
                         SizeText(file.width(), file.height()) + " pixels, page 1 " +
                         SizeText(firstWidth, firstHeight) +
                         "; the pages of one file must be of one size");
    }
  } else {
    file.setPage(0);
  }
  const std::uint32_t width = file.width();
  const std::uint32_t height = file.height();
  if (width == 0 || height == 0) {
    return Problem(
        FieldProblemKind::kEmpty, fileName,
        "Field picture '" + fileName + "' has no pixels (" + SizeText(width, height) + ")");
  }
  const int scale = place.side / kFieldSize;
  if (width != height || width < static_cast<std::uint32_t>(place.side) ||
      width > static_cast<std::uint32_t>(kMaxFieldSide * scale)) {
    return Problem(FieldProblemKind::kWrongSize, fileName,
                   "Field picture '" + fileName + "' is " + SizeText(width, height) + " pixels; " +
                       (scale == 1 ? "a field" : "a picture of the whole well") +
                       " must be square, from " + SizeText(place.side, place.side) + " to " +
                       SizeText(kMaxFieldSide * scale, kMaxFieldSide * scale) + " pixels");
  }
  if (const int bits = PlainGreyBits(file.get()); bits != 0) {
    if (std::optional<FieldLoad> load = LoadGrey(file, bits, place, options)) return *load;
  }
  return LoadConverted(file, place);
}

}  // namespace

namespace {

// A picture (4 bytes a pixel) or a grey plane (1).
template <class Target>
FieldLoad LoadPageInto(TiffFile& file, int page, Target& target, int column, int row, int side,
                       const FieldLoadOptions& options) {
  constexpr int kPixelBytes = std::is_same_v<Target, Picture> ? 4 : 1;
  const std::size_t rowBytes = static_cast<std::size_t>(target.width) * kPixelBytes;
  if ((side != kFieldSize && side != kMosaicSize) || column < 0 || row < 0 ||
      column > target.width - side || row > target.height - side ||
      target.bytes.size() != rowBytes * target.height) {
    throw Error("The field '" + file.name() + "' does not fit its place in the mosaic");
  }
  const Place<kPixelBytes> place{target.bytes.data() + static_cast<std::size_t>(row) * rowBytes +
                                     std::size_t(column) * kPixelBytes,
                                 rowBytes, side};
  FieldLoad load = LoadOpenedField(file, page, place, options);
  load.fingerprint = file.fingerprint();
  return load;
}

}  // namespace

FieldLoad LoadFieldPage(TiffFile& file, int page, Picture& target, int column, int row, int side,
                        const FieldLoadOptions& options) {
  return LoadPageInto(file, page, target, column, row, side, options);
}

FieldLoad LoadFieldPage(TiffFile& file, int page, GreyPlane& target, int column, int row, int side,
                        const FieldLoadOptions& options) {
  return LoadPageInto(file, page, target, column, row, side, options);
}

FieldLoad LoadField(const std::string& fileName, Picture& target, int column, int row,
                    const FieldLoadOptions& options) {
  TiffFile file(fileName);
  return LoadFieldPage(file, 0, target, column, row, kFieldSize, options);
}

TiffFiles::TiffFiles(const std::vector<std::string>& reads) {
  for (const std::string& name : reads) ++entry(name).reads;
}

TiffFiles::Entry& TiffFiles::entry(const std::string& fileName) {
  for (Entry& entry : files_) {
    if (entry.name == fileName) return entry;
  }
  return files_.emplace_back(Entry{fileName, 0, nullptr});
}

TiffFile& TiffFiles::open(const std::string& fileName) {
  Entry& found = entry(fileName);
  if (found.file == nullptr) found.file = std::make_unique<TiffFile>(fileName);
  return *found.file;
}

void TiffFiles::done(const std::string& fileName) {
  Entry& found = entry(fileName);
  if (found.reads > 0 && --found.reads == 0) found.file.reset();
}

TiffFiles::~TiffFiles() = default;

}  // namespace vembrel
