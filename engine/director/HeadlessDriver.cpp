#include "engine/director/HeadlessDriver.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "engine/director/CCDirector.h"
#include "engine/director/FrameDriverSteps.h"
#include "foundation/Log.h"
#include "foundation/StartUpTrace.h"
#include "platform/AlertView.h"
#include "platform/Application.h"

namespace mw {

std::unique_ptr<HeadlessDriver> HeadlessDriver::create(const DeviceProfile& profile, GLSurfaceFormat format,
                                                       double step)
{
    std::unique_ptr<GLContext> context = GLContext::createHeadless(profile.pixelSize(), format);
    if (!context) return nullptr;
    GLContext& surface = *context;
    std::unique_ptr<HeadlessDriver> driver(new HeadlessDriver(std::move(context), surface, profile, step));
    if (!driver->setUp()) return nullptr;
    return driver;
}

std::unique_ptr<HeadlessDriver> HeadlessDriver::createWithContext(GLContext& context,
                                                                  const DeviceProfile& profile, double step)
{
    std::unique_ptr<HeadlessDriver> driver(new HeadlessDriver(nullptr, context, profile, step));
    if (!driver->setUp()) return nullptr;
    return driver;
}

HeadlessDriver::HeadlessDriver(std::unique_ptr<GLContext> ownedContext, GLContext& context,
                               const DeviceProfile& profile, double step)
    : ownedContext_(std::move(ownedContext)), context_(&context), profile_(profile),
      previousProfile_(DeviceProfile::current()), step_(step), clock_(std::make_shared<ManualClock>())
{
}

bool HeadlessDriver::setUp()
{
    if (CCDirector::currentDirector()) {
        logLine("HeadlessDriver: a director already runs");
        return false;
    }
    DeviceProfile::setCurrent(profile_);
    previousClock_ = Clock::setSource(clock_);
    if (!CCDirector::setDirectorType(kCCDirectorTypeDisplayLink)) return false;
    director_ = static_cast<CCDirectorIOS*>(CCDirector::sharedDirector());
    noteStartUpStep("directorType " + std::to_string(kCCDirectorTypeDisplayLink));

    view_ = viewOverSurface(*context_, profile_.pointSize);
    if (!view_) return false;
    if (startUpObserved()) {
        char depth[16];
        std::snprintf(depth, sizeof depth, "0x%X", static_cast<unsigned>(view_->depthFormat()));
        noteStartUpStep("glView " + std::to_string(int(profile_.pointSize.width)) + "x" +
                        std::to_string(int(profile_.pointSize.height)) + " " + view_->pixelFormat() + " depth " +
                        depth);
    }
    director_->setOpenGLView(view_.get());
    director_->enableRetinaDisplay(true);
    view_->layoutSubviews();
    overlay_ = std::make_unique<CCPlatformOverlay>();
    overlay_->install(*director_);
    return true;
}

HeadlessDriver::~HeadlessDriver()
{
    overlay_.reset(); // before the director ends
    if (director_) {
        if (context_->makeCurrent()) director_->end();
        CCDirector::purgeSharedDirector();
    }
    view_ = nullptr;
    if (previousClock_) Clock::setSource(previousClock_);
    DeviceProfile::setCurrent(previousProfile_);
}

void HeadlessDriver::runFrames(int refreshes)
{
    for (int i = 0; i < refreshes; ++i) {
        clock_->advance(step_);
        if (lifeCycle_.isLaunched()) lifeCycle_.checkClock(clock_->wallSeconds(), clock_->monotonicSeconds());
        refreshScreen(clock_->monotonicSeconds());
    }
}

bool HeadlessDriver::rotateTo(int orientation, double durationSeconds)
{
    return Application::sharedApplication().rotateTo(orientation, durationSeconds);
}

bool HeadlessDriver::typeText(const std::string& utf8)
{
    AlertView* alert = AlertViewPresenter::sharedPresenter().frontAlert();
    if (!alert) return false;
    alert->insertText(utf8);
    return true;
}

bool HeadlessDriver::pressBackspace()
{
    AlertView* alert = AlertViewPresenter::sharedPresenter().frontAlert();
    if (!alert) return false;
    alert->deleteBackward();
    return true;
}

bool HeadlessDriver::pressAlertButton(int index)
{
    AlertView* alert = AlertViewPresenter::sharedPresenter().frontAlert();
    if (!alert) return false;
    alert->dismissWithClickedButtonIndex(index);
    return true;
}

UIEvent HeadlessDriver::eventWith(const UITouchSet& touches) const
{
    UIEvent event;
    event.allTouches = touchesDown_;
    for (const Ref<UITouch>& touch : touches) {
        if (std::find(event.allTouches.begin(), event.allTouches.end(), touch) == event.allTouches.end()) {
            event.allTouches.push_back(touch);
        }
    }
    event.timestamp = clock_->monotonicSeconds();
    return event;
}

void HeadlessDriver::forget(UITouch* touch)
{
    touchesDown_.erase(std::remove(touchesDown_.begin(), touchesDown_.end(), touch), touchesDown_.end());
}

Ref<UITouch> HeadlessDriver::touchDown(CGPoint point)
{
    Ref<UITouch> touch = makeRef<UITouch>(point, clock_->monotonicSeconds());
    touch->setPhase(UITouchPhase::Began);
    touchesDown_.push_back(touch);
    view_->touches({touch}, eventWith({touch}), UITouchPhase::Began);
    return touch;
}

void HeadlessDriver::touchMove(UITouch* touch, CGPoint point)
{
    if (!touch) return;
    touch->moveTo(point, clock_->monotonicSeconds());
    touch->setPhase(UITouchPhase::Moved);
    view_->touches({Ref<UITouch>(touch)}, eventWith({Ref<UITouch>(touch)}), UITouchPhase::Moved);
}

void HeadlessDriver::touchUp(UITouch* touch)
{
    if (!touch) return;
    Ref<UITouch> ending(touch);
    ending->setPhase(UITouchPhase::Ended);
    const UIEvent event = eventWith({ending}); // still lists the ending touch
    forget(touch);
    view_->touches({ending}, event, UITouchPhase::Ended);
}

void HeadlessDriver::touchCancel(UITouch* touch)
{
    if (!touch) return;
    Ref<UITouch> ending(touch);
    ending->setPhase(UITouchPhase::Cancelled);
    const UIEvent event = eventWith({ending});
    forget(touch);
    view_->touches({ending}, event, UITouchPhase::Cancelled);
}

std::vector<uint8_t> HeadlessDriver::readPixels() const
{
    return context_->readPixels();
}

bool HeadlessDriver::screenshot(const std::string& path) const
{
    return writeScreenshot(*context_, path);
}

} // namespace mw
