#pragma once

#include <cstdint>

#include "foundation/Object.h"
#include "foundation/Ref.h"

namespace mw {

class CCTexture2D;

// Redirects drawing into a texture through a framebuffer object of its own.
// Needs a current GL context with framebuffer objects.
class CCGrabber : public Object {
public:
    // Makes the framebuffer object; throws std::runtime_error "Frame Grabber:
    // ..." when the context has no framebuffer objects.
    CCGrabber();
    // Deletes the framebuffer object.
    ~CCGrabber() override;

    static Ref<CCGrabber> grabber() { return makeRef<CCGrabber>(); }

    // Attaches the texture's level 0 as the colour buffer; throws
    // std::runtime_error "Frame Grabber: Could not attach texture to
    // framebuffer" when the framebuffer is then incomplete. The framebuffer
    // bound before stays bound.
    void grab(CCTexture2D* texture);
    // Binds the grabber's framebuffer (remembering the bound one) and clears
    // it to transparent black.
    void beforeRender(CCTexture2D* texture);
    // Binds the framebuffer that beforeRender found bound.
    void afterRender(CCTexture2D* texture);

    uint32_t fbo() const { return fbo_; }

private:
    uint32_t fbo_ = 0;
    int32_t oldFBO_ = 0;
};

} // namespace mw
