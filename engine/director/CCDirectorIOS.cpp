#include "engine/director/CCDirectorIOS.h"

#include <GLES/gl.h>

#include <cmath>

#include "engine/base/ccContentScale.h"
#include "engine/base/ccDrawingState.h"
#include "engine/base/ccGLU.h"
#include "engine/director/CCDirectorDisplayLink.h"
#include "engine/director/CCDirectorFast.h"
#include "engine/director/CCDirectorFastThreaded.h"
#include "engine/director/CCDirectorTimer.h"
#include "engine/director/EAGLView.h"
#include "engine/gl/CCConfiguration.h"
#include "engine/scheduler/CCScheduler.h"
#include "engine/touch/CCTouchDispatcher.h"
#include "foundation/Log.h"
#include "foundation/Shared.h"
#include "platform/DeviceProfile.h"

namespace mw {

namespace {

bool isLandscape(int32_t orientation)
{
    return orientation == kCCDeviceOrientationLandscapeLeft ||
           orientation == kCCDeviceOrientationLandscapeRight;
}

// The display link needs system 3.1 or later.
constexpr uint32_t kDisplayLinkSystem = 0x03010000;

} // namespace

bool CCDirector::setDirectorType(int32_t type)
{
    switch (type) {
    case kCCDirectorTypeNSTimer:
        sharedDirectorOfKind<CCDirectorTimer>();
        return true;
    case kCCDirectorTypeDisplayLink:
        if (CCConfiguration::packSystemVersion(CCConfiguration::kSystemVersion) < kDisplayLinkSystem)
            return false;
        if (!CADisplayLink::screenRefreshesReported()) return false;
        sharedDirectorOfKind<CCDirectorDisplayLink>();
        return true;
    case kCCDirectorTypeMainLoop:
        sharedDirectorOfKind<CCDirectorFast>();
        return true;
    case kCCDirectorTypeThreadMainLoop:
        sharedDirectorOfKind<CCDirectorFastThreaded>();
        return true;
    default:
        return true;
    }
}

CCDirectorIOS::CCDirectorIOS()
{
    ccSetContentScaleFactor(1.0f);
    runningThread_ = std::this_thread::get_id();
}

void CCDirectorIOS::end()
{
    // The view may outlive the director; it must not keep delivering to the
    // dispatcher that end() purges.
    if (openGLView_ && openGLView_->touchDelegate() == Shared<CCTouchDispatcher>::current()) {
        openGLView_->setTouchDelegate(nullptr);
    }
    CCDirector::end();
}

// ---------------------------------------------------------------- frame

void CCDirectorIOS::drawScene()
{
    const Ref<CCDirector> keepAlive(this); // ending the director inside a frame must not free it
    calculateDeltaTime();
    if (!isPaused_) CCScheduler::sharedScheduler()->tick(dt_);

    // Without a view there is nothing to draw into; the scenes still change.
    const bool canDraw = openGLView_ != nullptr && drawsPicture_;
    if (canDraw) glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (nextScene_) setNextScene();
    if (canDraw) {
        glPushMatrix();
        applyOrientation();
        ccBeginNodeDrawing();
        if (runningScene_ && !(sceneCovered_ && notificationNode_)) runningScene_->visit();
        if (notificationNode_) notificationNode_->visit();
        if (displayFPS_) showFPS();
        ccEndNodeDrawing();
        glPopMatrix();
    }
    ++totalFrames_;
    // Read again: the director may have ended during the frame and let go of its view.
    if (openGLView_ && canDraw) openGLView_->swapBuffers();
}

// ---------------------------------------------------------------- orientation

void CCDirectorIOS::setDeviceOrientation(int32_t orientation)
{
    if (orientation == deviceOrientation_) return;
    deviceOrientation_ = orientation;
    if (orientation < kCCDeviceOrientationPortrait || orientation > kCCDeviceOrientationLandscapeRight) {
        logLine("Director: Unknown device orientation");
    }
}

void CCDirectorIOS::applyOrientation()
{
    const float w = winSizeInPixels_.width / 2;
    const float h = winSizeInPixels_.height / 2;
    switch (deviceOrientation_) {
    case kCCDeviceOrientationPortraitUpsideDown:
        glTranslatef(w, h, 0);
        glRotatef(180, 0, 0, 1);
        glTranslatef(-w, -h, 0);
        break;
    case kCCDeviceOrientationLandscapeLeft:
        glTranslatef(w, h, 0);
        glRotatef(-90, 0, 0, 1);
        glTranslatef(-h, -w, 0);
        break;
    case kCCDeviceOrientationLandscapeRight:
        glTranslatef(w, h, 0);
        glRotatef(90, 0, 0, 1);
        glTranslatef(-h, -w, 0);
        break;
    default:
        break;
    }
}

CGSize CCDirectorIOS::winSize() const
{
    if (isLandscape(deviceOrientation_)) return CGSize(winSizeInPoints_.height, winSizeInPoints_.width);
    return winSizeInPoints_;
}

CGSize CCDirectorIOS::winSizeInPixels() const
{
    const CGSize size = winSize();
    const float factor = ccContentScaleFactor();
    return CGSize(size.width * factor, size.height * factor);
}

CGPoint CCDirectorIOS::convertToGL(CGPoint p) const
{
    const float w = winSizeInPoints_.width;
    const float h = winSizeInPoints_.height;
    switch (deviceOrientation_) {
    case kCCDeviceOrientationPortrait:
        return CGPoint(p.x, h - p.y);
    case kCCDeviceOrientationPortraitUpsideDown:
        return CGPoint(w - p.x, p.y);
    case kCCDeviceOrientationLandscapeLeft:
        return CGPoint(p.y, p.x);
    case kCCDeviceOrientationLandscapeRight:
        return CGPoint(h - p.y, w - p.x);
    default:
        return CGPointZero;
    }
}

CGPoint CCDirectorIOS::convertToUI(CGPoint p) const
{
    const float w = winSizeInPoints_.width;
    const float h = winSizeInPoints_.height;
    switch (deviceOrientation_) {
    case kCCDeviceOrientationPortrait:
        return CGPoint(p.x, std::trunc(h - p.y));
    case kCCDeviceOrientationPortraitUpsideDown:
        return CGPoint(std::trunc(w - p.x), p.y);
    case kCCDeviceOrientationLandscapeLeft:
        return CGPoint(p.y, p.x);
    case kCCDeviceOrientationLandscapeRight:
        return CGPoint(w - p.y, h - p.x);
    default:
        return CGPointZero;
    }
}

// ---------------------------------------------------------------- view and projection

void CCDirectorIOS::reshapeProjection(CGSize)
{
    const float factor = ccContentScaleFactor();
    winSizeInPoints_ = openGLView_ ? openGLView_->bounds().size : CGSizeZero;
    winSizeInPixels_ = CGSize(winSizeInPoints_.width * factor, winSizeInPoints_.height * factor);
    setProjection(projection_);
}

void CCDirectorIOS::setProjection(int32_t projection)
{
    projection_ = projection;
    // Without a view there is no surface (and maybe no context) to project onto.
    if (!openGLView_) return;
    const CGSize size = winSizeInPixels_;
    switch (projection) {
    case kCCDirectorProjection2D:
        ccSet2DProjection(size.width, size.height, ccContentScaleFactor());
        break;
    case kCCDirectorProjection3D: {
        const float zeye = getZEye();
        const DeviceProfile& device = DeviceProfile::current();
        // A high-resolution tablet's depth range hugs the screen plane.
        const bool tightDepth = device.isTablet && device.scale > 1.0f;
        const float zNear = tightDepth ? zeye - size.height / 2 : 0.5f;
        const float zFar = tightDepth ? zeye + size.height / 2 : 1500.0f;
        glViewport(0, 0, GLsizei(size.width), GLsizei(size.height));
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(60, size.width / size.height, zNear, zFar);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        gluLookAt(size.width / 2, size.height / 2, zeye, size.width / 2, size.height / 2, 0, 0, 1, 0);
        break;
    }
    case kCCDirectorProjectionCustom:
        if (projectionDelegate_) projectionDelegate_->updateProjection();
        break;
    default:
        break;
    }
}

void CCDirectorIOS::setOpenGLView(EAGLView* view)
{
    if (!view || view == openGLView_.get()) return;
    CCDirector::setOpenGLView(view);
    const float factor = ccContentScaleFactor();
    winSizeInPixels_ = CGSize(winSizeInPoints_.width * factor, winSizeInPoints_.height * factor);
    if (factor != 1) updateContentScaleFactor();
    CCTouchDispatcher* dispatcher = CCTouchDispatcher::sharedDispatcher();
    view->setTouchDelegate(dispatcher);
    dispatcher->setDispatchEvents(true);
}

// ---------------------------------------------------------------- content scale

float CCDirectorIOS::contentScaleFactor() const
{
    return ccContentScaleFactor();
}

void CCDirectorIOS::setContentScaleFactor(float factor)
{
    if (factor == ccContentScaleFactor()) return;
    ccSetContentScaleFactor(factor);
    winSizeInPixels_ = CGSize(winSizeInPoints_.width * factor, winSizeInPoints_.height * factor);
    if (openGLView_) updateContentScaleFactor();
    setProjection(projection_);
}

void CCDirectorIOS::updateContentScaleFactor()
{
    // Every view of this platform takes a scale factor; without a view none does.
    isContentScaleSupported_ = openGLView_ != nullptr;
    if (openGLView_) openGLView_->setContentScaleFactor(ccContentScaleFactor());
}

bool CCDirectorIOS::enableRetinaDisplay(bool on)
{
    const float factor = ccContentScaleFactor();
    if (on && factor == 2.0f) return true;
    if (!on && factor == 1.0f) return true;
    if (!openGLView_) return false;
    if (DeviceProfile::current().scale == 1.0f) return false;
    setContentScaleFactor(on ? 2.0f : 1.0f);
    return true;
}

} // namespace mw
