#include "engine/director/FrameDriverSteps.h"

#include <GLES/gl.h>
#include <GLES/glext.h>

#include "engine/director/CADisplayLink.h"
#include "foundation/Log.h"
#include "foundation/RunLoop.h"
#include "platform/GLContext.h"
#include "platform/Image.h"

namespace mw {

Ref<EAGLView> viewOverSurface(GLContext& context, CGSize points)
{
    const GLSurfaceFormat& format = context.format();
    const char* colour =
        format.color == GLColorFormat::RGB565 ? kEAGLColorFormatRGB565 : kEAGLColorFormatRGBA8;
    const uint32_t depth = format.depthBits > 0 ? GL_DEPTH_COMPONENT16_OES : 0;
    return EAGLView::viewWithFrame(context, CGRect(CGPointZero, points), colour, depth);
}

void refreshScreen(double now)
{
    RunLoop::main().drain();
    CADisplayLink::displayDidRefresh(now);
}

bool writeScreenshot(const GLContext& context, const std::string& path)
{
    const PixelSize size = context.pixelSize();
    Ref<Image> image =
        Image::fromRGBA(context.readPixels(), size.width, size.height, ImageAlphaInfo::NoneSkipLast);
    if (!image || !image->writePNG(path)) {
        logLine("cannot write the screenshot %s", path.c_str());
        return false;
    }
    return true;
}

} // namespace mw
