#pragma once
// Square sections of a picture, as the ring crops show them.
#include "imaging/picture.h"

namespace vembrel {

/// The side x side square whose top-left corner lies at (left, top) in
/// top-down coordinates; the parts outside the picture are black (all four
/// bytes 0). side must be at least 1.
Picture SquareCrop(const Picture& picture, int left, int top, int side);

}  // namespace vembrel
