#include "imaging/image_files.h"

#include <jpeglib.h>
#include <libdeflate.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/text_file.h"

namespace vembrel {
namespace {

// libjpeg reports errors through error_exit; jump back out of the library
// instead of letting it exit the program, keeping its message.
struct JpegErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void JpegErrorExit(j_common_ptr info) {
  auto* manager = reinterpret_cast<JpegErrorManager*>(info->err);
  (*info->err->format_message)(info, manager->message);
  std::longjmp(manager->jump, 1);
}

void CheckDrawable(const Picture& picture, const std::string& path) {
  if (picture.empty() ||
      picture.bytes.size() != static_cast<std::size_t>(picture.width) * picture.height * 4) {
    throw Error("Unable to write picture '" + path + "': the picture is empty");
  }
}

// Row y of the picture, counted from the top, as 8-bit RGB triples.
void RgbRowTopDown(const Picture& picture, int y, unsigned char* out) {
  const std::uint8_t* source = picture.topDown(0, y);
  for (int x = 0; x < picture.width; ++x) {
    out[3 * x] = source[4 * x + kRed];
    out[3 * x + 1] = source[4 * x + kGreen];
    out[3 * x + 2] = source[4 * x + kBlue];
  }
}

std::string EncodeJpeg(const Picture& picture, const std::string& path) {
  jpeg_compress_struct info{};
  JpegErrorManager errors{};
  info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = JpegErrorExit;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  // The picture's own rows, top row first; libjpeg-turbo reads the 32-bit
  // pixels directly, converting to the same YCbCr as from RGB triples.
  // Everything the jump can skip is created before setjmp.
  std::vector<JSAMPROW> rows(static_cast<std::size_t>(picture.height));
  for (int y = 0; y < picture.height; ++y) {
    rows[static_cast<std::size_t>(y)] = const_cast<JSAMPROW>(picture.topDown(0, y));
  }
  if (setjmp(errors.jump)) {
    jpeg_destroy_compress(&info);
    std::free(buffer);
    throw Error("Unable to write JPEG file '" + path + "': " + errors.message);
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(picture.width);
  info.image_height = static_cast<JDIMENSION>(picture.height);
  info.input_components = 4;
  info.in_color_space = JCS_EXT_BGRX;
  jpeg_set_defaults(&info);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    jpeg_write_scanlines(&info, rows.data() + info.next_scanline,
                         info.image_height - info.next_scanline);
  }
  jpeg_finish_compress(&info);
  std::string bytes(reinterpret_cast<const char*>(buffer), size);
  jpeg_destroy_compress(&info);
  std::free(buffer);
  return bytes;
}

void AppendBigEndian(std::string& out, std::uint32_t value) {
  out.push_back(static_cast<char>(value >> 24));
  out.push_back(static_cast<char>(value >> 16));
  out.push_back(static_cast<char>(value >> 8));
  out.push_back(static_cast<char>(value));
}

void AppendChunk(std::string& out, const char type[4], const std::string& data) {
  AppendBigEndian(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t typeStart = out.size();
  out.append(type, 4);
  out.append(data);
  const auto* crcStart = reinterpret_cast<const Bytef*>(out.data() + typeStart);
  const uLong crc = crc32(crc32(0L, Z_NULL, 0), crcStart, static_cast<uInt>(4 + data.size()));
  AppendBigEndian(out, static_cast<std::uint32_t>(crc));
}

std::string EncodePng(const Picture& picture, const std::string& path) {
  // Scanlines top-down, each led by filter type 2 (up): each byte less the
  // one above it. Plots and heat maps are mostly flat, so whole rows become
  // zeros, which deflate packs tighter and faster. Both buffers are written
  // before they are read: a plate's heat map is megabytes not worth zeroing.
  const std::size_t rowBytes = static_cast<std::size_t>(picture.width) * 3;
  const std::size_t stride = rowBytes + 1;
  const std::size_t rawSize = stride * static_cast<std::size_t>(picture.height);
  const auto raw = std::make_unique_for_overwrite<unsigned char[]>(rawSize);
  std::vector<unsigned char> above(rowBytes, 0), row(rowBytes);
  for (int y = 0; y < picture.height; ++y) {
    unsigned char* out = raw.get() + stride * y;
    out[0] = 2;
    RgbRowTopDown(picture, y, row.data());
    for (std::size_t i = 0; i < rowBytes; ++i) {
      out[1 + i] = static_cast<unsigned char>(row[i] - above[i]);
    }
    above.swap(row);
  }
  // Level 5 of libdeflate packs as tightly as zlib's default in about half the time.
  const std::unique_ptr<libdeflate_compressor, decltype(&libdeflate_free_compressor)> compressor(
      libdeflate_alloc_compressor(5), &libdeflate_free_compressor);
  if (!compressor) throw Error("Unable to write PNG file '" + path + "': out of memory");
  const std::size_t bound = libdeflate_zlib_compress_bound(compressor.get(), rawSize);
  const auto buffer = std::make_unique_for_overwrite<char[]>(bound);
  const std::size_t packedSize =
      libdeflate_zlib_compress(compressor.get(), raw.get(), rawSize, buffer.get(), bound);
  if (packedSize == 0) {
    throw Error("Unable to write PNG file '" + path + "': compression failed");
  }
  const std::string packed(buffer.get(), packedSize);

  std::string header;
  AppendBigEndian(header, static_cast<std::uint32_t>(picture.width));
  AppendBigEndian(header, static_cast<std::uint32_t>(picture.height));
  header.push_back(8);  // bit depth
  header.push_back(2);  // colour type: RGB
  header.push_back(0);  // deflate
  header.push_back(0);  // adaptive filtering
  header.push_back(0);  // not interlaced

  std::string out("\x89PNG\r\n\x1a\n", 8);
  AppendChunk(out, "IHDR", header);
  AppendChunk(out, "IDAT", packed);
  AppendChunk(out, "IEND", std::string());
  return out;
}

}  // namespace

std::string JpegBytes(const Picture& picture, const std::string& path) {
  CheckDrawable(picture, path);
  return EncodeJpeg(picture, path);
}

void WriteJpeg(const Picture& picture, const std::string& path) {
  WriteFileAtomically(path, JpegBytes(picture, path));
}

void WritePng(const Picture& picture, const std::string& path) {
  CheckDrawable(picture, path);
  WriteFileAtomically(path, EncodePng(picture, path));
}

Picture ReadJpeg(const std::string& path) {
  const std::string bytes = ReadWholeFile(path);
  jpeg_decompress_struct info{};
  JpegErrorManager errors{};
  info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = JpegErrorExit;
  Picture picture;
  std::vector<unsigned char> row;
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&info);
    throw Error("Unable to read JPEG file '" + path + "': " + errors.message);
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()),
               static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&info, TRUE);
  if (info.num_components != 1) info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  const int width = static_cast<int>(info.output_width);
  const int height = static_cast<int>(info.output_height);
  const int components = info.output_components;
  picture = Picture(width, height);
  row.resize(static_cast<std::size_t>(width) * components);
  while (info.output_scanline < info.output_height) {
    const int y = static_cast<int>(info.output_scanline);
    JSAMPROW rows[1] = {row.data()};
    jpeg_read_scanlines(&info, rows, 1);
    std::uint8_t* target = picture.topDown(0, y);
    for (int x = 0; x < width; ++x) {
      const unsigned char* source = row.data() + static_cast<std::size_t>(x) * components;
      target[4 * x + kRed] = source[0];
      target[4 * x + kGreen] = components == 1 ? source[0] : source[1];
      target[4 * x + kBlue] = components == 1 ? source[0] : source[2];
    }
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return picture;
}

}  // namespace vembrel
