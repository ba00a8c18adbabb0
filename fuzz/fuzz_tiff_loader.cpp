// The TIFF loaders on arbitrary bytes: a picture of the size the file states
// or an Error; a field in its place or a problem naming the file; never a
// crash, a leak or an enormous allocation.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/error.h"
#include "fuzz_support.h"
#include "imaging/field_loader.h"
#include "imaging/input_bits.h"
#include "imaging/tiff_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = vembrel::fuzz::WriteInputFile(data, size, ".tif");
  vembrel::Picture holder;
  std::string problem;
  if (vembrel::TryReadTiffPicture(path, holder, &problem)) {
    if (holder.bytes.size() != static_cast<std::size_t>(holder.width) * holder.height * 4) {
      std::abort();
    }
  } else if (!holder.empty() || problem.empty()) {
    std::abort();
  }

  // The last byte chooses the input bits, so the shifted paths are reached too.
  vembrel::FieldLoadOptions options;
  options.inputBits = size == 0 ? 16 : 8 + 2 * (data[size - 1] % 5);
  vembrel::Picture mosaic(vembrel::kMosaicSize, vembrel::kFieldSize);
  const vembrel::FieldLoad field =
      vembrel::LoadField(path, mosaic, vembrel::kFieldSize, 0, options);
  if (field.problem && field.problem->message.find(path) == std::string::npos) std::abort();
  if ((field.side == 0) != (field.problem && field.problem->leftBlack())) std::abort();
  if (field.side != 0 &&
      (field.side < vembrel::kFieldSize || field.side > vembrel::kMaxFieldSide)) {
    std::abort();
  }
  // The left half is not the field's place: it must stay as it was.
  static const std::vector<std::uint8_t> black(std::size_t{vembrel::kFieldSize} * 4, 0);
  for (int r = 0; r < vembrel::kFieldSize; ++r) {
    if (std::memcmp(mosaic.bytes.data() + mosaic.offset(0, r), black.data(), black.size()) != 0) {
      std::abort();
    }
  }
  const int bits = vembrel::ProbeInputBits({path});
  if (bits < 8 || bits > 16 || bits % 2 != 0) std::abort();
  return 0;
}
