#include "imaging/simd_path.h"

#include <atomic>

#include "core/error.h"

namespace vembrel {
namespace {

SimdPath Widest() {
  if (HasSimdPath(SimdPath::kAvx2)) return SimdPath::kAvx2;
  if (HasSimdPath(SimdPath::kSse2)) return SimdPath::kSse2;
  return SimdPath::kPlain;
}

std::atomic<SimdPath>& Current() {
  static std::atomic<SimdPath> path{Widest()};
  return path;
}

}  // namespace

bool HasSimdPath(SimdPath path) {
  switch (path) {
    case SimdPath::kPlain:
      return true;
    case SimdPath::kSse2:
#if defined(__SSE2__)
      return true;
#else
      return false;
#endif
    case SimdPath::kAvx2:
#if defined(__x86_64__)
      return __builtin_cpu_supports("avx2");
#else
      return false;
#endif
  }
  return false;
}

SimdPath CurrentSimdPath() {
  return Current().load(std::memory_order_relaxed);
}

void UseSimdPath(SimdPath path) {
  if (!HasSimdPath(path)) throw Error("This processor lacks the vector path asked for");
  Current().store(path, std::memory_order_relaxed);
}

}  // namespace vembrel
