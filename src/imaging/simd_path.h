#pragma once
// The vector instructions of the hottest pixel kernels (those that call
// CurrentSimdPath): chosen once, the widest this build and processor have.
// Each of them keeps its plain loop, which defines the result; tests choose
// each path in turn to compare.
namespace vembrel {

enum class SimdPath { kPlain, kSse2, kAvx2 };

/// Whether this build and processor have the path.
bool HasSimdPath(SimdPath path);

/// The path the kernels take.
SimdPath CurrentSimdPath();

/// Makes the kernels take the path, which must be there (HasSimdPath).
void UseSimdPath(SimdPath path);

}  // namespace vembrel
