#pragma once

#include "foundation/Geometry.h"

namespace mw {

// Conversions between the GL view's coordinates (points, origin top left, as
// touches report them) and GL coordinates (points, origin bottom left, after
// the device orientation). They belong to the director, which installs its
// own at start-up; nodes reach them only through these functions so that the
// node tree does not depend on the director. Until a director installs
// them, both are the identity (there is no view to convert from).
using ccPointConversion = CGPoint (*)(CGPoint);

void ccSetViewSpaceConversions(ccPointConversion toGL, ccPointConversion toUI);

// View point -> GL point.
CGPoint ccConvertToGL(CGPoint viewPoint);
// GL point -> view point.
CGPoint ccConvertToUI(CGPoint glPoint);

} // namespace mw
