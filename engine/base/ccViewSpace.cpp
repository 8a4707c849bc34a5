#include "engine/base/ccViewSpace.h"

namespace mw {

namespace {
ccPointConversion toGLConversion = nullptr;
ccPointConversion toUIConversion = nullptr;
}

void ccSetViewSpaceConversions(ccPointConversion toGL, ccPointConversion toUI)
{
    toGLConversion = toGL;
    toUIConversion = toUI;
}

CGPoint ccConvertToGL(CGPoint viewPoint)
{
    return toGLConversion ? toGLConversion(viewPoint) : viewPoint;
}

CGPoint ccConvertToUI(CGPoint glPoint)
{
    return toUIConversion ? toUIConversion(glPoint) : glPoint;
}

} // namespace mw
