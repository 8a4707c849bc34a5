#include "engine/director/EAGLView.h"

#include <GLES/gl.h>
#include <GLES/glext.h>

#include <cmath>

#include "engine/director/CCDirector.h"
#include "engine/gl/CCConfiguration.h"
#include "foundation/KeyedArchive.h"
#include "foundation/Log.h"

namespace mw {

Ref<EAGLView> EAGLView::viewWithFrame(GLContext& context, CGRect frame, const std::string& pixelFormat,
                                      uint32_t depthFormat, bool preserveBackbuffer, bool multiSampling,
                                      unsigned numberOfSamples)
{
    Ref<EAGLView> view = makeRef<EAGLView>(frame, pixelFormat, depthFormat, preserveBackbuffer, multiSampling,
                                           numberOfSamples);
    if (!view->setupSurface(context)) return nullptr;
    return view;
}

Ref<EAGLView> EAGLView::viewWithFrame(GLContext& context, CGRect frame)
{
    return viewWithFrame(context, frame, kEAGLColorFormatRGB565);
}

Ref<EAGLView> EAGLView::viewWithFrame(GLContext& context, CGRect frame, const std::string& pixelFormat)
{
    return viewWithFrame(context, frame, pixelFormat, 0);
}

Ref<EAGLView> EAGLView::viewWithFrame(GLContext& context, CGRect frame, const std::string& pixelFormat,
                                      uint32_t depthFormat)
{
    return viewWithFrame(context, frame, pixelFormat, depthFormat, false, false, 0);
}

Ref<EAGLView> EAGLView::viewWithCoder(GLContext& context, const KeyedUnarchiver& coder)
{
    const CGRect frame = CGRectFromString(coder.decodeString("frame"));
    return viewWithFrame(context, frame, kEAGLColorFormatRGB565, 0, false, false, 0);
}

EAGLView::EAGLView(CGRect frame, const std::string& pixelFormat, uint32_t depthFormat,
                   bool preserveBackbuffer, bool multiSampling, unsigned numberOfSamples)
    : pixelformat_(pixelFormat), depthFormat_(depthFormat), preserveBackbuffer_(preserveBackbuffer),
      requestedSamples_(numberOfSamples), multiSampling_(multiSampling), frame_(frame)
{
}

bool EAGLView::setupSurface(GLContext& context)
{
    renderer_ = ES1Renderer::rendererWithContext(context, depthFormat_, convertPixelFormat(pixelformat_),
                                                 multiSampling_, requestedSamples_);
    if (!renderer_) return false;
    multiSampling_ = renderer_->multiSampling();
    discardFramebufferSupported_ = CCConfiguration::sharedConfiguration()->supportsDiscardFramebuffer();
    return true;
}

uint32_t EAGLView::convertPixelFormat(const std::string& pixelFormat)
{
    return pixelFormat == kEAGLColorFormatRGB565 ? GL_RGB565_OES : GL_RGBA8_OES;
}

CGPoint EAGLView::convertPointFromViewToSurface(CGPoint point) const
{
    const CGRect box = bounds();
    return CGPoint((point.x - box.origin.x) / box.size.width * size_.width,
                   (point.y - box.origin.y) / box.size.height * size_.height);
}

CGRect EAGLView::convertRectFromViewToSurface(CGRect rect) const
{
    const CGRect box = bounds();
    const CGPoint origin = convertPointFromViewToSurface(rect.origin);
    return CGRect(origin.x, origin.y, rect.size.width / box.size.width * size_.width,
                  rect.size.height / box.size.height * size_.height);
}

void EAGLView::layoutSubviews()
{
    if (!renderer_) return;
    const PixelSize drawable{static_cast<int>(std::lround(frame_.size.width * contentScaleFactor_)),
                             static_cast<int>(std::lround(frame_.size.height * contentScaleFactor_))};
    renderer_->resizeFromLayer(drawable);
    size_ = renderer_->backingSize();
    if (CCDirector* director = CCDirector::currentDirector()) {
        director->reshapeProjection(size_);
        director->drawScene();
    }
}

void EAGLView::swapBuffers()
{
    if (renderer_) renderer_->present(discardFramebufferSupported_);
}

void EAGLView::touches(const UITouchSet& touches, const UIEvent& event, UITouchPhase phase)
{
    if (touchDelegate_) touchDelegate_->touches(touches, event, phase);
}

} // namespace mw
