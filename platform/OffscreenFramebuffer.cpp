#include "platform/OffscreenFramebuffer.h"

#include <cstdio>
#include <utility>

#include "foundation/Log.h"
#include "platform/GLExtensions.h"

namespace mw {

namespace {

GLenum colorStorage(GLColorFormat format)
{
    // GL_RGBA8_OES needs GL_OES_rgb8_rgba8; without it only 16-bit colour
    // renderbuffers exist, so fall back to the nearest one with alpha.
    if (format == GLColorFormat::RGB565) return GL_RGB565_OES;
    return glHasExtension("GL_OES_rgb8_rgba8") ? GL_RGBA8_OES : GL_RGBA4_OES;
}

GLenum depthStorage(int depthBits)
{
    if (depthBits > 16 && glHasExtension("GL_OES_depth24")) return GL_DEPTH_COMPONENT24_OES;
    return GL_DEPTH_COMPONENT16_OES;
}

} // namespace

bool OffscreenFramebuffer::create(PixelSize size, GLSurfaceFormat format)
{
    destroy();
    if (!gl::framebufferObjectsLoaded()) {
        logLine("OffscreenFramebuffer: framebuffer objects are not available");
        return false;
    }
    if (size.width <= 0 || size.height <= 0) {
        logLine("OffscreenFramebuffer: invalid size %dx%d", size.width, size.height);
        return false;
    }
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE_OES, &maxSize);
    if (maxSize > 0 && (size.width > maxSize || size.height > maxSize)) {
        logLine("OffscreenFramebuffer: %dx%d exceeds the driver's limit %d", size.width,
                     size.height, maxSize);
        return false;
    }
    while (glGetError() != GL_NO_ERROR) {
    }

    gl::GenFramebuffersOES(1, &framebuffer_);
    gl::BindFramebufferOES(GL_FRAMEBUFFER_OES, framebuffer_);

    gl::GenRenderbuffersOES(1, &colorBuffer_);
    gl::BindRenderbufferOES(GL_RENDERBUFFER_OES, colorBuffer_);
    gl::RenderbufferStorageOES(GL_RENDERBUFFER_OES, colorStorage(format.color), size.width, size.height);
    gl::FramebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_RENDERBUFFER_OES, colorBuffer_);

    if (format.depthBits > 0) {
        gl::GenRenderbuffersOES(1, &depthBuffer_);
        gl::BindRenderbufferOES(GL_RENDERBUFFER_OES, depthBuffer_);
        gl::RenderbufferStorageOES(GL_RENDERBUFFER_OES, depthStorage(format.depthBits), size.width, size.height);
        gl::FramebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_DEPTH_ATTACHMENT_OES, GL_RENDERBUFFER_OES,
                                       depthBuffer_);
    }
    gl::BindRenderbufferOES(GL_RENDERBUFFER_OES, colorBuffer_);

    const GLenum status = gl::CheckFramebufferStatusOES(GL_FRAMEBUFFER_OES);
    const GLenum error = glGetError();
    if (status != GL_FRAMEBUFFER_COMPLETE_OES || error != GL_NO_ERROR) {
        logLine("OffscreenFramebuffer: cannot build %dx%d (status 0x%04X, error 0x%04X)",
                     size.width, size.height, status, error);
        destroy();
        return false;
    }
    size_ = size;
    return true;
}

void OffscreenFramebuffer::swap(OffscreenFramebuffer& other) noexcept
{
    std::swap(framebuffer_, other.framebuffer_);
    std::swap(colorBuffer_, other.colorBuffer_);
    std::swap(depthBuffer_, other.depthBuffer_);
    std::swap(size_, other.size_);
}

void OffscreenFramebuffer::destroy()
{
    if (!gl::framebufferObjectsLoaded()) return;
    if (framebuffer_) gl::DeleteFramebuffersOES(1, &framebuffer_);
    if (colorBuffer_) gl::DeleteRenderbuffersOES(1, &colorBuffer_);
    if (depthBuffer_) gl::DeleteRenderbuffersOES(1, &depthBuffer_);
    framebuffer_ = colorBuffer_ = depthBuffer_ = 0;
    size_ = {};
}

} // namespace mw
