#pragma once

#include "foundation/Geometry.h"

namespace mw {

// Writes the affine transform as a column-major 4x4 matrix for the
// fixed-function pipeline: the 2D part in the upper-left corner, the
// translation in the last column, z left alone.
void CGAffineToGL(const CGAffineTransform& t, float m[16]);

} // namespace mw
