#pragma once

#include "engine/director/CCDirector.h"

namespace mw {

// Device orientations, in the platform's numbering.
enum ccDeviceOrientation : int32_t {
    kCCDeviceOrientationPortrait = 1,
    kCCDeviceOrientationPortraitUpsideDown = 2,
    kCCDeviceOrientationLandscapeLeft = 3,
    kCCDeviceOrientationLandscapeRight = 4,
};

// The director specialised for the device: it draws one frame (drawScene),
// applies the device orientation to the drawing and to touch coordinates,
// applies the projection, owns the content scale factor (points to pixels)
// and connects the GL view to the touch dispatcher. Its subclasses, the frame
// drivers, decide when drawScene runs.
class CCDirectorIOS : public CCDirector {
public:
    // Portrait, content scale 1, drawing on the calling thread.
    CCDirectorIOS();

    // Disconnects the GL view from the touch dispatcher, then shuts down as
    // the base does (which purges the dispatcher with its delegates).
    void end() override;

    // One frame: time step, the scheduler's tick (unless paused), clear, a
    // waiting scene switch, the orientation, the running scene and the
    // notification node, buffer swap. Without the picture, only the time
    // step, the tick and the scene switch.
    void drawScene() override;
    // Whether frames draw the picture (on by default). A headless driver
    // leaves it out of frames nobody looks at; everything else a frame does
    // goes on as ever.
    void setDrawsPicture(bool draws) { drawsPicture_ = draws; }
    bool drawsPicture() const { return drawsPicture_; }

    int32_t deviceOrientation() const { return deviceOrientation_; }
    // 1 to 4; any other value is kept but logged, and conversions then give zero.
    void setDeviceOrientation(int32_t orientation);
    // Rotates the current modelview matrix for the orientation.
    void applyOrientation();

    // Width and height swapped in landscape.
    CGSize winSize() const override;
    // winSize() times the content scale factor.
    CGSize winSizeInPixels() const override;
    CGPoint convertToGL(CGPoint viewPoint) const override;
    // Rounds the flipped coordinate toward zero.
    CGPoint convertToUI(CGPoint glPoint) const override;

    // Reads the size from the view's bounds (the argument is not used).
    void reshapeProjection(CGSize newWindowSize) override;
    void setProjection(int32_t projection) override;
    // Also makes the touch dispatcher the view's touch delegate and turns
    // event dispatching on.
    void setOpenGLView(EAGLView* view) override;

    // High resolution on (scale 2) or off (1). False when there is no view or
    // the screen's own scale (the device profile's) is 1.
    bool enableRetinaDisplay(bool on);
    float contentScaleFactor() const;
    // Sets the process-wide factor, the pixel size, the view's factor and the
    // projection; the current value changes nothing.
    void setContentScaleFactor(float factor);
    bool isContentScaleSupported() const { return isContentScaleSupported_; }

protected:
    void updateContentScaleFactor();

    int32_t deviceOrientation_ = kCCDeviceOrientationPortrait;
    bool isContentScaleSupported_ = false;
    bool drawsPicture_ = true;
};

} // namespace mw
