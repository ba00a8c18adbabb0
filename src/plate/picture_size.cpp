#include "plate/picture_size.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace vembrel {
namespace {

int Ignore(TIFF*, void*, const char*, const char*, va_list) {
  return 1;  // handled: nothing reaches stderr
}

struct OptionsFree {
  void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

// The file as libtiff reads it here: the header, then a directory and its
// tags far from it. Each read that misses the last chunk read fetches a
// chunk from where it starts, so the many small reads of a directory cost
// one system call.
struct ChunkedFile {
  static constexpr std::size_t kChunk = 4096;
  int fd = -1;
  std::uint64_t position = 0;
  std::uint64_t chunkStart = 0;
  std::vector<std::uint8_t> chunk;
  ~ChunkedFile() {
    if (fd >= 0) ::close(fd);
  }
};

ChunkedFile& FileOf(thandle_t handle) {
  return *static_cast<ChunkedFile*>(static_cast<void*>(handle));
}

// Reads up to size bytes at the position; fewer only at the end.
tmsize_t ReadChunked(thandle_t handle, void* buffer, tmsize_t size) {
  ChunkedFile& file = FileOf(handle);
  if (size <= 0) return 0;
  const auto wanted = static_cast<std::size_t>(size);
  const bool held = file.position >= file.chunkStart &&
                    file.position - file.chunkStart <= file.chunk.size() &&
                    file.chunk.size() - (file.position - file.chunkStart) >= wanted;
  if (!held) {
    file.chunk.resize(std::max(ChunkedFile::kChunk, wanted));
    // What the read asks for in full, up to a chunk in the same call.
    std::size_t done = 0;
    while (done < wanted) {
      const ssize_t got = ::pread(file.fd, file.chunk.data() + done, file.chunk.size() - done,
                                  static_cast<off_t>(file.position + done));
      if (got < 0 && errno == EINTR) continue;
      if (got < 0 && done == 0) {
        file.chunk.clear();
        return -1;
      }
      if (got <= 0) break;
      done += static_cast<std::size_t>(got);
    }
    file.chunk.resize(done);
    file.chunkStart = file.position;
  }
  const std::size_t offset = static_cast<std::size_t>(file.position - file.chunkStart);
  const std::size_t count = std::min(wanted, file.chunk.size() - offset);
  std::memcpy(buffer, file.chunk.data() + offset, count);
  file.position += count;
  return static_cast<tmsize_t>(count);
}

tmsize_t NoWrite(thandle_t, void*, tmsize_t) {
  return -1;
}

toff_t SeekChunked(thandle_t handle, toff_t offset, int whence) {
  // The library only seeks from the start of a file it reads.
  if (whence != SEEK_SET || offset > static_cast<toff_t>(std::numeric_limits<off_t>::max())) {
    return static_cast<toff_t>(-1);
  }
  FileOf(handle).position = offset;
  return offset;
}

int CloseChunked(thandle_t handle) {
  delete &FileOf(handle);
  return 0;
}

toff_t SizeChunked(thandle_t handle) {
  struct stat info {};
  return ::fstat(FileOf(handle).fd, &info) == 0 ? static_cast<toff_t>(info.st_size) : 0;
}

int NoMap(thandle_t, void**, toff_t*) {
  return 0;
}

void NoUnmap(thandle_t, void*, toff_t) {}

}  // namespace

void TiffCloser::operator()(tiff* file) const {
  TIFFClose(file);
}

QuietTiff OpenTiffQuietly(const std::string& fileName) {
  std::unique_ptr<TIFFOpenOptions, OptionsFree> options(TIFFOpenOptionsAlloc());
  if (!options) return nullptr;
  TIFFOpenOptionsSetErrorHandlerExtR(options.get(), Ignore, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options.get(), Ignore, nullptr);
  auto file = std::make_unique<ChunkedFile>();
  file->fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (file->fd < 0) return nullptr;
  // "m": no memory mapping; only what is asked for is read. The library
  // closes the file (CloseChunked) once it has it open, and not before.
  TIFF* tif = TIFFClientOpenExt(
      fileName.c_str(), "rmO", static_cast<thandle_t>(static_cast<void*>(file.get())), ReadChunked,
      NoWrite, SeekChunked, CloseChunked, SizeChunked, NoMap, NoUnmap, options.get());
  if (tif != nullptr) file.release();
  return QuietTiff(tif);
}

std::optional<PictureSize> ReadTiffSize(const std::string& fileName) {
  const QuietTiff tif = OpenTiffQuietly(fileName);
  if (!tif) return std::nullopt;
  std::uint32_t width = 0, height = 0;
  if (TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width) != 1 ||
      TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height) != 1) {
    return std::nullopt;
  }
  return PictureSize{static_cast<int>(width), static_cast<int>(height)};
}

std::string SizeText(const PictureSize& size) {
  return std::to_string(size.width) + " x " + std::to_string(size.height);
}

}  // namespace vembrel
