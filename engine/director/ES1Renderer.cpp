#include "engine/director/ES1Renderer.h"

#include <GLES/gl.h>
#include <GLES/glext.h>

#include <algorithm>
#include <cstdio>

#include "engine/gl/CCConfiguration.h"
#include "foundation/Format.h"
#include "foundation/Log.h"
#include "platform/GLContext.h"
#include "platform/GLExtensions.h"

namespace mw {

namespace {
constexpr GLenum kMaxSamplesApple = 0x8D57;
}

Ref<ES1Renderer> ES1Renderer::rendererWithContext(GLContext& context, uint32_t depthFormat,
                                                  uint32_t pixelFormat, bool multiSampling,
                                                  unsigned requestedSamples)
{
    if (!context.makeCurrent()) {
        logLine("ES1Renderer: the GL context cannot be made current");
        return nullptr;
    }
    unsigned samples = 0;
    if (multiSampling &&
        CCConfiguration::sharedConfiguration()->checkForGLExtension("GL_APPLE_framebuffer_multisample")) {
        GLint maxSamples = 0;
        glGetIntegerv(kMaxSamplesApple, &maxSamples);
        samples = samplesToUseFor(maxSamples, requestedSamples);
    }
    // Without the extension there is no multisample buffer to resolve.
    return makeRef<ES1Renderer>(context, depthFormat, pixelFormat, multiSampling && samples > 0, samples);
}

unsigned ES1Renderer::samplesToUseFor(int deviceMaxSamples, unsigned requestedSamples)
{
    return std::min(static_cast<unsigned>(std::max(deviceMaxSamples, 0)), requestedSamples);
}

ES1Renderer::ES1Renderer(GLContext& context, uint32_t depthFormat, uint32_t pixelFormat, bool multiSampling,
                         unsigned samplesToUse)
    : context_(context), samplesToUse_(samplesToUse), multiSampling_(multiSampling),
      depthFormat_(depthFormat), pixelFormat_(pixelFormat)
{
}

ES1Renderer::~ES1Renderer() = default;

bool ES1Renderer::resizeFromLayer(PixelSize pixels)
{
    createFrameBuffer(pixels);
    return true;
}

bool ES1Renderer::createFrameBuffer(PixelSize pixels)
{
    // The platform context replaces its buffers only once the new ones exist,
    // so a refused size leaves the old surface drawable.
    const bool built = context_.resize(pixels);
    const PixelSize size = context_.pixelSize();
    backingWidth_ = size.width;
    backingHeight_ = size.height;
    ++generation_;
    if (const GLenum error = glGetError(); error != GL_NO_ERROR) {
        logLine("OpenGL error 0x%04X in %s", error, "ES1Renderer::createFrameBuffer");
    }
    return built;
}

void ES1Renderer::present(bool discardSupported)
{
    if (discardSupported && depthFormat_ != 0 && gl::DiscardFramebufferEXT) {
        const GLenum attachments[] = {GL_DEPTH_ATTACHMENT_OES};
        gl::DiscardFramebufferEXT(GL_FRAMEBUFFER_OES, 1, attachments);
    }
    context_.swapBuffers();
}

unsigned ES1Renderer::defaultFrameBuffer() const
{
    return context_.framebuffer();
}

std::string ES1Renderer::description() const
{
    return format("<ES1Renderer = %08X | size = %ix%i>",
                  static_cast<unsigned>(reinterpret_cast<uintptr_t>(this)), backingWidth_, backingHeight_);
}

} // namespace mw
