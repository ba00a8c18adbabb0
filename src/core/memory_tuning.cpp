#include "core/memory_tuning.h"

#if __has_include(<malloc.h>)
#include <malloc.h>
#endif

namespace vembrel {

void KeepPictureBuffersMapped() {
#if defined(__GLIBC__) && defined(M_MMAP_THRESHOLD)
  // Above the mmap threshold every allocation is a fresh mapping whose pages
  // fault in one by one and are zeroed by the kernel; a well allocates some
  // thirty such buffers. 32 MB is glibc's largest threshold; the trim
  // threshold keeps freed buffers in the heap for the next well.
  mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
  mallopt(M_TRIM_THRESHOLD, 512 * 1024 * 1024);
#endif
}

}  // namespace vembrel
