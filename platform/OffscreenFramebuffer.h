#pragma once

#include "platform/GLContext.h"

namespace mw {

// A framebuffer object with a colour renderbuffer and, when asked for, a depth
// renderbuffer. Needs the framebuffer-object functions (gl::loadExtensions) and
// the context it was made in to be current when it is created or destroyed.
class OffscreenFramebuffer {
public:
    OffscreenFramebuffer() = default;
    ~OffscreenFramebuffer() { destroy(); }
    OffscreenFramebuffer(const OffscreenFramebuffer&) = delete;
    OffscreenFramebuffer& operator=(const OffscreenFramebuffer&) = delete;

    // Builds the buffers (replacing any earlier ones) and leaves the
    // framebuffer bound. False, with one log line and nothing built, when the
    // driver refuses the storage or the result is incomplete.
    [[nodiscard]] bool create(PixelSize size, GLSurfaceFormat format);

    // Exchanges the buffers of two framebuffers (for replacing one only once
    // its successor has been built).
    void swap(OffscreenFramebuffer& other) noexcept;

    // Deletes the GL objects; safe to call twice.
    void destroy();

    unsigned framebuffer() const { return framebuffer_; }
    PixelSize size() const { return size_; }

private:
    unsigned framebuffer_ = 0;
    unsigned colorBuffer_ = 0;
    unsigned depthBuffer_ = 0;
    PixelSize size_;
};

} // namespace mw
