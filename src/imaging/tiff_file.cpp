#include "imaging/tiff_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>
#include <mutex>
#include <system_error>
#include <utility>
#include <vector>

namespace vembrel {
namespace {

std::string Format(const char* module, const char* fmt, va_list args) {
  char buffer[512];
  std::vsnprintf(buffer, sizeof buffer, fmt, args);
  std::string text(buffer);
  if (module != nullptr && *module != '\0' && text.rfind(module, 0) != 0) {
    text = std::string(module) + ": " + text;
  }
  return text;
}

template <std::string TiffMessages::*Slot>
int Keep(TIFF*, void* user, const char* module, const char* fmt, va_list args) {
  std::string& slot = static_cast<TiffMessages*>(user)->*Slot;
  if (slot.empty()) slot = Format(module, fmt, args);
  return 1;  // handled: the library's default stderr handler is not called
}

// Messages that some library paths still send to the process-wide handlers
// are dropped rather than printed.
void SilenceGlobalHandlers() {
  static std::once_flag once;
  std::call_once(once, [] {
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
  });
}

struct OptionsFree {
  void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

// A buffer for decoded strips, kept per thread while it is small so plain
// fields need no allocation; large ones are given back after the picture.
class Scratch {
 public:
  explicit Scratch(std::size_t size) {
    thread_local std::vector<std::uint8_t> kept;
    if (size <= kKeptLimit) {
      if (kept.size() < size) kept.resize(size);
      data_ = kept.data();
    } else {
      owned_ = std::make_unique_for_overwrite<std::uint8_t[]>(size);
      data_ = owned_.get();
    }
  }
  std::uint8_t* data() const { return data_; }

 private:
  static constexpr std::size_t kKeptLimit = std::size_t{4} << 20;
  std::unique_ptr<std::uint8_t[]> owned_;
  std::uint8_t* data_ = nullptr;
};

int ReadStrips(TiffFile& file, std::size_t rowBytes, bool stopAtFailure,
               const std::function<void(int, const std::uint8_t*)>& onRow) {
  TIFF* tif = file.get();
  const int height = static_cast<int>(file.height());
  std::uint32_t rowsPerStrip = 0;
  TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
  rowsPerStrip = std::clamp<std::uint32_t>(rowsPerStrip, 1, file.height());
  const std::size_t stripBytes = std::size_t{rowsPerStrip} * rowBytes;
  if (TIFFScanlineSize64(tif) != rowBytes || TIFFStripSize64(tif) != stripBytes) return -1;
  // Uncompressed strips in the file's own bit and byte order are read where
  // they lie in the copy of the file, as the library would copy them out.
  std::uint16_t compression = 0, fillOrder = 0;
  TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
  TIFFGetFieldDefaulted(tif, TIFFTAG_FILLORDER, &fillOrder);
  const bool inPlace = compression == COMPRESSION_NONE && fillOrder == FILLORDER_MSB2LSB &&
                       (rowBytes == file.width() || !TIFFIsByteSwapped(tif));
  Scratch strip(stripBytes);
  int failed = 0;
  for (int top = 0, index = 0; top < height; top += static_cast<int>(rowsPerStrip), ++index) {
    const int rows = std::min(static_cast<int>(rowsPerStrip), height - top);
    const auto expected = static_cast<tmsize_t>(rows * rowBytes);
    const std::uint8_t* bytes = nullptr;
    if (inPlace) {
      const auto strile = static_cast<std::uint32_t>(index);
      const std::uint64_t stored = TIFFGetStrileByteCount(tif, strile);
      if (stored >= static_cast<std::uint64_t>(expected)) {
        bytes = file.copiedBytes(TIFFGetStrileOffset(tif, strile), stored);
      }
    }
    if (bytes == nullptr && TIFFReadEncodedStrip(tif, static_cast<std::uint32_t>(index),
                                                 strip.data(), expected) == expected) {
      bytes = strip.data();
    }
    if (bytes == nullptr) {
      ++failed;
      if (stopAtFailure) return failed;
    }
    for (int y = 0; y < rows; ++y) onRow(top + y, bytes ? bytes + y * rowBytes : nullptr);
  }
  return failed;
}

int ReadTiles(TiffFile& file, std::size_t sampleBytes, bool stopAtFailure,
              const std::function<void(int, const std::uint8_t*)>& onRow) {
  TIFF* tif = file.get();
  const std::size_t width = file.width();
  const std::size_t height = file.height();
  std::uint32_t tileWidth = 0, tileHeight = 0;
  TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
  TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileHeight);
  const std::size_t tileRowBytes = tileWidth * sampleBytes;
  const std::size_t tileBytes = tileRowBytes * tileHeight;
  if (tileWidth == 0 || tileHeight == 0 || TIFFTileSize64(tif) != tileBytes) return -1;
  const std::size_t rowBytes = width * sampleBytes;
  const std::size_t bandRows = std::min<std::size_t>(tileHeight, height);
  Scratch band(rowBytes * bandRows + tileBytes);
  std::uint8_t* tile = band.data() + rowBytes * bandRows;
  int failed = 0;
  for (std::size_t top = 0; top < height; top += tileHeight) {
    const std::size_t rows = std::min<std::size_t>(tileHeight, height - top);
    for (std::size_t left = 0; left < width; left += tileWidth) {
      const std::size_t bytes = std::min<std::size_t>(tileWidth, width - left) * sampleBytes;
      const std::uint32_t index = TIFFComputeTile(tif, static_cast<std::uint32_t>(left),
                                                  static_cast<std::uint32_t>(top), 0, 0);
      const bool whole = TIFFReadEncodedTile(tif, index, tile, static_cast<tmsize_t>(tileBytes)) ==
                         static_cast<tmsize_t>(tileBytes);
      if (!whole) {
        ++failed;
        if (stopAtFailure) return failed;
      }
      for (std::size_t y = 0; y < rows; ++y) {
        std::uint8_t* out = band.data() + y * rowBytes + left * sampleBytes;
        if (whole) {
          std::memcpy(out, tile + y * tileRowBytes, bytes);
        } else {
          std::memset(out, 0, bytes);
        }
      }
    }
    for (std::size_t y = 0; y < rows; ++y) {
      onRow(static_cast<int>(top + y), band.data() + y * rowBytes);
    }
  }
  return failed;
}

}  // namespace

// The descriptor, and the copy of the file the library reads from when one
// was made.
struct TiffFile::Source {
  int fd = -1;
  std::unique_ptr<std::uint8_t[]> copy;
  std::uint64_t copySize = 0;
  std::uint64_t position = 0;             // of the library's reads in the copy
  std::optional<FileFingerprint> copied;  // of the copy, taken when it is made
  ~Source() {
    if (fd >= 0) ::close(fd);
  }
};

namespace {

// Files larger than this are read piecewise through the descriptor instead.
constexpr std::uint64_t kMaxCopiedBytes = std::uint64_t{256} << 20;

TiffFile::Source& SourceOf(thandle_t handle) {
  return *static_cast<TiffFile::Source*>(static_cast<void*>(handle));
}

// Reads the file of size bytes whole into memory with as few reads as it
// takes; the header, the directories and the pixels then all come from
// there. Hashed at once, while the bytes are fresh in the cache: the
// fingerprint costs no second read of the file.
void CopyWhole(TiffFile::Source& source, std::uint64_t size) {
  if (size == 0 || size > kMaxCopiedBytes) return;
  const auto wanted = static_cast<std::size_t>(size);
  auto copy = std::make_unique_for_overwrite<std::uint8_t[]>(wanted);
  std::size_t done = 0;
  while (done < wanted) {
    const ssize_t got =
        ::pread(source.fd, copy.get() + done, wanted - done, static_cast<off_t>(done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;  // cut short meanwhile: the copy is what there was
    done += static_cast<std::size_t>(got);
  }
  if (done == 0) return;  // unreadable: the library meets the error itself
  source.copied = FingerprintOf(copy.get(), done);
  source.copy = std::move(copy);
  source.copySize = done;
}

// Reads up to size bytes at the current position; fewer only at the end.
tmsize_t ReadSome(thandle_t handle, void* buffer, tmsize_t size) {
  TiffFile::Source& source = SourceOf(handle);
  auto* out = static_cast<std::uint8_t*>(buffer);
  if (source.copy != nullptr) {
    if (size <= 0 || source.position >= source.copySize) return 0;
    const std::uint64_t count = std::min<std::uint64_t>(static_cast<std::uint64_t>(size),
                                                        source.copySize - source.position);
    std::memcpy(out, source.copy.get() + source.position, static_cast<std::size_t>(count));
    source.position += count;
    return static_cast<tmsize_t>(count);
  }
  tmsize_t done = 0;
  while (done < size) {
    const ssize_t got = ::read(source.fd, out + done, static_cast<std::size_t>(size - done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return done > 0 ? done : -1;
    if (got == 0) break;
    done += got;
  }
  return done;
}

tmsize_t NoWrite(thandle_t, void*, tmsize_t) {
  return -1;
}

toff_t Seek(thandle_t handle, toff_t offset, int whence) {
  TiffFile::Source& source = SourceOf(handle);
  constexpr auto kFailed = static_cast<toff_t>(-1);
  if (offset > static_cast<toff_t>(std::numeric_limits<off_t>::max())) return kFailed;
  if (source.copy == nullptr) {
    return static_cast<toff_t>(::lseek(source.fd, static_cast<off_t>(offset), whence));
  }
  // The library only seeks from the start of a file it reads; past the end
  // is allowed, as lseek allows it.
  if (whence != SEEK_SET) return kFailed;
  source.position = offset;
  return offset;
}

int KeepOpen(thandle_t) {
  return 0;  // the descriptor belongs to the TiffFile
}

toff_t Size(thandle_t handle) {
  TiffFile::Source& source = SourceOf(handle);
  if (source.copy != nullptr) return static_cast<toff_t>(source.copySize);
  struct stat info {};
  return ::fstat(source.fd, &info) == 0 ? static_cast<toff_t>(info.st_size) : 0;
}

// "Maps" the file: hands over the copy made when it was opened.
int MapCopy(thandle_t handle, void** base, toff_t* size) {
  TiffFile::Source& source = SourceOf(handle);
  if (source.copy == nullptr) return 0;
  *base = source.copy.get();
  *size = static_cast<toff_t>(source.copySize);
  return 1;
}

void KeepCopy(thandle_t, void*, toff_t) {
  // The copy lives as long as the TiffFile: strips are read from it in place.
}

}  // namespace

TiffFile::TiffFile(const std::string& fileName) : name_(fileName) {
  SilenceGlobalHandlers();
  const std::string prefix = "Unable to open file '" + fileName + "'";
  // Non-blocking, so a pipe in the picture's place cannot hang the open.
  const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    const int error = errno;
    status_ = (error == ENOENT || error == ENOTDIR) ? TiffOpenStatus::kMissing
                                                    : TiffOpenStatus::kUnreadable;
    message_ = prefix + " (" + std::generic_category().message(error) + ")";
    return;
  }
  source_ = std::make_unique<Source>();
  source_->fd = fd;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    status_ = TiffOpenStatus::kNotAFile;
    message_ = prefix + " (not a regular file)";
    return;
  }
  if (info.st_size == 0) {
    status_ = TiffOpenStatus::kEmpty;
    message_ = prefix + " (the file is empty)";
    return;
  }
  CopyWhole(*source_, static_cast<std::uint64_t>(info.st_size));
  std::unique_ptr<TIFFOpenOptions, OptionsFree> options(TIFFOpenOptionsAlloc());
  if (options) {
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), Keep<&TiffMessages::error>, messages_.get());
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), Keep<&TiffMessages::warning>,
                                         messages_.get());
    tif_ = TIFFClientOpenExt(fileName.c_str(), "r",
                             static_cast<thandle_t>(static_cast<void*>(source_.get())), ReadSome,
                             NoWrite, Seek, KeepOpen, Size, MapCopy, KeepCopy, options.get());
  }
  if (tif_ == nullptr) {
    message_ = prefix;
    if (!messages_->error.empty()) message_ += " (" + messages_->error + ")";
    return;
  }
  status_ = TiffOpenStatus::kOpened;
  TIFFGetField(tif_, TIFFTAG_IMAGEWIDTH, &width_);
  TIFFGetField(tif_, TIFFTAG_IMAGELENGTH, &height_);
}

const std::uint8_t* TiffFile::copiedBytes(std::uint64_t offset, std::uint64_t count) const {
  if (source_ == nullptr || source_->copy == nullptr || offset > source_->copySize ||
      count > source_->copySize - offset) {
    return nullptr;
  }
  return source_->copy.get() + offset;
}

TiffFile::~TiffFile() {
  if (tif_ != nullptr) TIFFClose(tif_);
}

int TiffFile::pageCount() {
  return tif_ == nullptr ? 0 : static_cast<int>(TIFFNumberOfDirectories(tif_));
}

bool TiffFile::setPage(int page) {
  if (tif_ == nullptr || page < 0) return false;
  if (TIFFCurrentDirectory(tif_) == static_cast<tdir_t>(page)) return true;
  if (TIFFSetDirectory(tif_, static_cast<tdir_t>(page)) == 0) {
    // The library may have left a half-read directory current: the first again.
    TIFFSetDirectory(tif_, 0);
    width_ = height_ = 0;
    TIFFGetField(tif_, TIFFTAG_IMAGEWIDTH, &width_);
    TIFFGetField(tif_, TIFFTAG_IMAGELENGTH, &height_);
    takeError();
    return false;
  }
  width_ = height_ = 0;
  TIFFGetField(tif_, TIFFTAG_IMAGEWIDTH, &width_);
  TIFFGetField(tif_, TIFFTAG_IMAGELENGTH, &height_);
  return true;
}

std::string TiffFile::takeError() {
  return std::exchange(messages_->error, std::string());
}

std::optional<FileFingerprint> TiffFile::fingerprint() const {
  if (source_ && source_->copied) return source_->copied;
  if (!source_ || status_ == TiffOpenStatus::kNotAFile) return std::nullopt;
  if (status_ == TiffOpenStatus::kEmpty) return FingerprintOf(nullptr, 0);
  return FingerprintOfDescriptor(source_->fd);
}

int PlainGreyBits(TIFF* tif) {
  std::uint16_t bits = 0, samples = 0, format = 0, orientation = 0, photometric = 0,
                compression = 0, planar = 0;
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &format);
  TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
  TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
  const bool plain = (bits == 8 || bits == 16) && samples == 1 && format == SAMPLEFORMAT_UINT &&
                     orientation == ORIENTATION_TOPLEFT && compression != COMPRESSION_OJPEG &&
                     planar == PLANARCONFIG_CONTIG &&
                     TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric) == 1 &&
                     photometric == PHOTOMETRIC_MINISBLACK;
  return plain ? bits : 0;
}

int ReadGreyRows(TiffFile& file, bool stopAtFailure,
                 const std::function<void(int, const std::uint8_t*)>& onRow) {
  const int bits = PlainGreyBits(file.get());
  if (bits == 0 || file.width() == 0 || file.height() == 0) return -1;
  const std::size_t sampleBytes = static_cast<std::size_t>(bits / 8);
  if (TIFFIsTiled(file.get())) return ReadTiles(file, sampleBytes, stopAtFailure, onRow);
  return ReadStrips(file, file.width() * sampleBytes, stopAtFailure, onRow);
}

}  // namespace vembrel
