#pragma once
// Pictures made smaller by whole factors, for overviews.
#include "imaging/picture.h"

namespace vembrel {

/// The picture reduced `factor` times across and down (factor >= 1): each
/// pixel's four bytes are the rounded means of the factor x factor block it
/// covers, blocks counted from the bottom-left. Columns and rows beyond the
/// last whole block are left out.
Picture ReducedPicture(const Picture& picture, int factor);

}  // namespace vembrel
