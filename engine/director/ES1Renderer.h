#pragma once

#include <cstdint>
#include <string>

#include "foundation/Geometry.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "platform/PixelSize.h"

namespace mw {

class GLContext;

// Builds, resizes and presents the drawing surface of the GL view on an
// OpenGL ES 1.1 context. The context (window or headless) is the platform's:
// it keeps the colour (and depth) buffers in a framebuffer object, so the
// renderer's framebuffer names are the context's.
//
// Multisampling needs GL_APPLE_framebuffer_multisample, which Mesa's GLES 1
// lacks: there the renderer draws without it (samplesToUse() is 0).
class ES1Renderer : public Object {
public:
    // Makes the context current and remembers the formats. Null when the
    // context cannot be made current. The context is not owned and must
    // outlive the renderer.
    [[nodiscard]] static Ref<ES1Renderer> rendererWithContext(GLContext& context, uint32_t depthFormat,
                                                              uint32_t pixelFormat, bool multiSampling,
                                                              unsigned requestedSamples);

    ES1Renderer(GLContext& context, uint32_t depthFormat, uint32_t pixelFormat, bool multiSampling,
                unsigned samplesToUse);
    ~ES1Renderer() override;

    // Rebuilds the buffers at `pixels` (drawable size of the view); always true,
    // as the platform's renderer answered.
    bool resizeFromLayer(PixelSize pixels);
    // The surface size in pixels (backingWidth x backingHeight).
    CGSize backingSize() const { return CGSize(float(backingWidth_), float(backingHeight_)); }

    // Presents the finished frame: drops the depth buffer's contents first
    // when the driver takes the hint.
    void present(bool discardSupported);

    GLContext& context() const { return context_; }
    unsigned defaultFrameBuffer() const;
    uint32_t depthFormat() const { return depthFormat_; }
    uint32_t pixelFormat() const { return pixelFormat_; }
    bool multiSampling() const { return multiSampling_; }
    unsigned samplesToUse() const { return samplesToUse_; }
    // Times the buffers were built (each layout builds them anew).
    int frameBufferGeneration() const { return generation_; }

    // The samples a multisample buffer gets: the number requested, but no
    // more than the device allows (a negative maximum counts as 0).
    static unsigned samplesToUseFor(int deviceMaxSamples, unsigned requestedSamples);

    // "<ES1Renderer = ADDRESS | size = WxH>"
    std::string description() const;

private:
    bool createFrameBuffer(PixelSize pixels);

    GLContext& context_;
    int32_t backingWidth_ = 0;
    int32_t backingHeight_ = 0;
    unsigned samplesToUse_ = 0;
    bool multiSampling_ = false;
    uint32_t depthFormat_ = 0;
    uint32_t pixelFormat_ = 0;
    int generation_ = 0;
};

} // namespace mw
