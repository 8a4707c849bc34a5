#pragma once

#include <cstdint>
#include <string>

#include "engine/director/ES1Renderer.h"
#include "foundation/Geometry.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "platform/TouchDelegate.h"

namespace mw {

class GLContext;
class KeyedUnarchiver;

// Colour format names of the view's surface (the platform's names).
inline constexpr const char* kEAGLColorFormatRGB565 = "EAGLColorFormat565";
inline constexpr const char* kEAGLColorFormatRGBA8 = "EAGLColorFormatRGBA8";

// The view the engine draws in: a rectangle of the screen in points, backed by
// a GL surface of its size times its content scale factor, presented through
// the renderer. It receives the platform's touches (in view points, origin at
// the top left) and passes each phase on, unchanged, to its touch delegate
// (normally the touch dispatcher, which the director sets).
//
// The GL context is the platform's (a window's or a headless one); the view
// neither owns nor outlives it.
class EAGLView : public Object, public TouchDelegate {
public:
    // The full form: null (one log line) when the context cannot be made current.
    [[nodiscard]] static Ref<EAGLView> viewWithFrame(GLContext& context, CGRect frame,
                                                     const std::string& pixelFormat, uint32_t depthFormat,
                                                     bool preserveBackbuffer, bool multiSampling,
                                                     unsigned numberOfSamples);
    // RGB565 colour, no depth buffer, no multisampling.
    [[nodiscard]] static Ref<EAGLView> viewWithFrame(GLContext& context, CGRect frame);
    [[nodiscard]] static Ref<EAGLView> viewWithFrame(GLContext& context, CGRect frame,
                                                     const std::string& pixelFormat);
    [[nodiscard]] static Ref<EAGLView> viewWithFrame(GLContext& context, CGRect frame,
                                                     const std::string& pixelFormat, uint32_t depthFormat);

    // A view stored in an interface archive: only its "frame" (a rectangle
    // string, "{{x, y}, {w, h}}") is read; such a view always starts with
    // RGB565 colour, no depth buffer, no multisampling and no preserved back
    // buffer. Null (one log line) when the context cannot be made current.
    [[nodiscard]] static Ref<EAGLView> viewWithCoder(GLContext& context, const KeyedUnarchiver& coder);

    EAGLView(CGRect frame, const std::string& pixelFormat, uint32_t depthFormat, bool preserveBackbuffer,
             bool multiSampling, unsigned numberOfSamples);

    // Creates the renderer on the context; false when it cannot be made.
    bool setupSurface(GLContext& context);

    // "EAGLColorFormat565" gives GL_RGB565_OES; any other name GL_RGBA8_OES.
    static uint32_t convertPixelFormat(const std::string& pixelFormat);

    // The view's rectangle (points); bounds has the same size at the origin.
    CGRect frame() const { return frame_; }
    CGRect bounds() const { return {CGPointZero, frame_.size}; }
    // A new rectangle (the application sizes the view when the device turns).
    void setFrame(CGRect frame) { frame_ = frame; }
    // Surface pixels per view point; 1 until the director raises it.
    float contentScaleFactor() const { return contentScaleFactor_; }
    void setContentScaleFactor(float factor) { contentScaleFactor_ = factor; }

    // Surface size in pixels, as the renderer last reported it.
    CGSize surfaceSize() const { return size_; }
    const std::string& pixelFormat() const { return pixelformat_; }
    uint32_t depthFormat() const { return depthFormat_; }
    bool preserveBackbuffer() const { return preserveBackbuffer_; }
    ES1Renderer* renderer() const { return renderer_.get(); }
    GLContext* context() const { return renderer_ ? &renderer_->context() : nullptr; }
    bool multiSampling() const { return multiSampling_; }
    void setMultiSampling(bool on) { multiSampling_ = on; }
    bool discardFramebufferSupported() const { return discardFramebufferSupported_; }

    // Receives the touch phases; not owned (null drops them).
    TouchDelegate* touchDelegate() const { return touchDelegate_; }
    void setTouchDelegate(TouchDelegate* delegate) { touchDelegate_ = delegate; }

    // View points (origin top left) to surface pixels.
    CGPoint convertPointFromViewToSurface(CGPoint point) const;
    CGRect convertRectFromViewToSurface(CGRect rect) const;

    // Rebuilds the surface at the view's size times its scale, tells the
    // director the new size and has it draw one frame at once. The platform
    // calls it when the view is shown or resized.
    void layoutSubviews();

    // Presents the finished frame (end of every frame).
    void swapBuffers();

    // The platform's touches, passed on to the delegate as they came.
    void touches(const UITouchSet& touches, const UIEvent& event, UITouchPhase phase) override;

private:
    Ref<ES1Renderer> renderer_;
    std::string pixelformat_;
    uint32_t depthFormat_ = 0;
    bool preserveBackbuffer_ = false;
    CGSize size_;
    bool discardFramebufferSupported_ = false;
    TouchDelegate* touchDelegate_ = nullptr;
    unsigned requestedSamples_ = 0;
    bool multiSampling_ = false;
    CGRect frame_;
    float contentScaleFactor_ = 1;
};

} // namespace mw
