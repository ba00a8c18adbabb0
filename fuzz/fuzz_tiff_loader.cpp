// The TIFF loader on arbitrary bytes: a picture of the size the file states,
// or an Error; never a crash, a leak or an enormous allocation.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/error.h"
#include "fuzz_support.h"
#include "imaging/tiff_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = vembrel::fuzz::WriteInputFile(data, size, ".tif");
  vembrel::Picture holder;
  std::string problem;
  if (vembrel::LoadTiffIntoImage(path, holder, &problem)) {
    if (holder.bytes.size() != static_cast<std::size_t>(holder.width) * holder.height * 4) {
      std::abort();
    }
  } else if (!holder.empty() || problem.empty()) {
    std::abort();
  }
  const vembrel::Picture field = vembrel::LoadFieldForMosaic(path, &problem);
  if (!field.empty() && (field.width != 512 || field.height != 512)) std::abort();
  return 0;
}
