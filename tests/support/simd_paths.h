#pragma once
// Runs a test body once by each vector path the processor has, so that each
// is compared with the same truth; the widest path is chosen again after.
#include <gtest/gtest.h>

#include <string>

#include "imaging/simd_path.h"

namespace vembrel::testing {

/// Calls body(path) with the kernels taking that path; returns how many paths ran.
template <class Body>
int ForEachSimdPath(Body&& body) {
  const SimdPath chosen = CurrentSimdPath();
  int paths = 0;
  for (const SimdPath path : {SimdPath::kPlain, SimdPath::kSse2, SimdPath::kAvx2}) {
    if (!HasSimdPath(path)) continue;
    SCOPED_TRACE("vector path " + std::to_string(static_cast<int>(path)));
    UseSimdPath(path);
    body(path);
    ++paths;
  }
  UseSimdPath(chosen);
  return paths;
}

}  // namespace vembrel::testing
