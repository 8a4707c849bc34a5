#include "engine/director/HeadlessDriver.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "engine/director/CADisplayLink.h"
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
    std::unique_ptr<HeadlessDriver> driver(
        new HeadlessDriver(std::move(context), surface, profile, step, Refreshes::NotReported));
    if (!driver->setUp(false)) return nullptr;
    return driver;
}

std::unique_ptr<HeadlessDriver> HeadlessDriver::createWithContext(GLContext& context,
                                                                  const DeviceProfile& profile, double step,
                                                                  Refreshes refreshes)
{
    std::unique_ptr<HeadlessDriver> driver(new HeadlessDriver(nullptr, context, profile, step, refreshes));
    if (!driver->setUp(false)) return nullptr;
    return driver;
}

std::unique_ptr<HeadlessDriver> HeadlessDriver::createForApplication(const DeviceProfile& profile,
                                                                     GLSurfaceFormat format, double step)
{
    std::unique_ptr<GLContext> context = GLContext::createHeadless(profile.pixelSize(), format);
    if (!context) return nullptr;
    GLContext& surface = *context;
    std::unique_ptr<HeadlessDriver> driver(
        new HeadlessDriver(std::move(context), surface, profile, step, Refreshes::NotReported));
    if (!driver->setUp(true)) return nullptr;
    return driver;
}

std::unique_ptr<HeadlessDriver> HeadlessDriver::createForApplicationWithContext(GLContext& context,
                                                                                const DeviceProfile& profile,
                                                                                double step)
{
    std::unique_ptr<HeadlessDriver> driver(
        new HeadlessDriver(nullptr, context, profile, step, Refreshes::NotReported));
    if (!driver->setUp(true)) return nullptr;
    return driver;
}

HeadlessDriver::HeadlessDriver(std::unique_ptr<GLContext> ownedContext, GLContext& context,
                               const DeviceProfile& profile, double step, Refreshes refreshes)
    : ownedContext_(std::move(ownedContext)), context_(&context), profile_(profile),
      previousProfile_(DeviceProfile::current()), step_(step), refreshes_(refreshes),
      clock_(std::make_shared<ManualClock>())
{
}

bool HeadlessDriver::setUp(bool forApplication)
{
    if (CCDirector::currentDirector()) {
        logLine("HeadlessDriver: a director already runs");
        return false;
    }
    DeviceProfile::setCurrent(profile_);
    previousClock_ = Clock::setSource(clock_);
    previousRefreshesReported_ = CADisplayLink::screenRefreshesReported();
    CADisplayLink::setScreenRefreshesReported(refreshes_ == Refreshes::Reported);
    forApplication_ = forApplication;
    if (forApplication) {
        setCurrent(this);
        return true;
    }

    // As the application asks: the display link where the screen offers it,
    // else the timer.
    if (!CCDirector::setDirectorType(kCCDirectorTypeDisplayLink) &&
        !CCDirector::setDirectorType(kCCDirectorTypeNSTimer))
        return false;
    director_ = static_cast<CCDirectorIOS*>(CCDirector::sharedDirector());
    view_ = viewOverSurface(*context_, profile_.pointSize);
    if (!view_) return false;
    director_->setOpenGLView(view_.get());
    director_->enableRetinaDisplay(true);
    view_->layoutSubviews();
    attachOverlay();
    return true;
}

void HeadlessDriver::attachOverlay()
{
    overlay_ = std::make_unique<CCPlatformOverlay>();
    overlay_->install(*director_);
}

CGRect HeadlessDriver::mainScreenBounds() const { return CGRect(CGPointZero, profile_.pointSize); }

void HeadlessDriver::openWindow(CGRect bounds)
{
    windowOpen_ = true;
    if (startUpObserved()) {
        noteStartUpStep("window " + std::to_string(int(bounds.size.width)) + "x" +
                        std::to_string(int(bounds.size.height)));
    }
}

Ref<EAGLView> HeadlessDriver::makeGLView(CGRect frame, const std::string& colourFormat, uint32_t depthFormat)
{
    if (!windowOpen_) {
        logLine("HeadlessDriver: a GL view asked for before the window was opened");
        return nullptr;
    }
    return EAGLView::viewWithFrame(*context_, frame, colourFormat, depthFormat);
}

bool HeadlessDriver::makeKeyAndVisible(EAGLView* view)
{
    auto* director = dynamic_cast<CCDirectorIOS*>(CCDirector::currentDirector());
    if (!windowOpen_ || !view || !director || director->openGLView() != view) {
        logLine("HeadlessDriver: the window can only show the director's view, once opened");
        return false;
    }
    if (director_ == director && view_ == view) return true;
    director_ = director;
    view_ = view;
    view_->layoutSubviews();
    attachOverlay();
    return true;
}

HeadlessDriver::~HeadlessDriver()
{
    overlay_.reset(); // before the director ends
    // An application may have made a director without showing the window.
    CCDirector* director = director_ ? director_ : (forApplication_ ? CCDirector::currentDirector() : nullptr);
    if (director) {
        if (context_->makeCurrent()) director->end();
        CCDirector::purgeSharedDirector();
    }
    view_ = nullptr;
    CADisplayLink::setScreenRefreshesReported(previousRefreshesReported_);
    if (previousClock_) Clock::setSource(previousClock_);
    DeviceProfile::setCurrent(previousProfile_);
}

void HeadlessDriver::runFrames(int refreshes)
{
    for (int i = 0; i < refreshes; ++i) {
        const bool counted = pictureEvery_ > 0 && refreshCount_ % pictureEvery_ == 0;
        if (director_) director_->setDrawsPicture(counted || (lastOfEachRunDrawn_ && i + 1 == refreshes));
        ++refreshCount_;
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
    if (!view_) return nullptr;
    Ref<UITouch> touch = makeRef<UITouch>(point, clock_->monotonicSeconds());
    touch->setPhase(UITouchPhase::Began);
    touchesDown_.push_back(touch);
    view_->touches({touch}, eventWith({touch}), UITouchPhase::Began);
    return touch;
}

void HeadlessDriver::touchMove(UITouch* touch, CGPoint point)
{
    if (!touch || !view_) return;
    touch->moveTo(point, clock_->monotonicSeconds());
    touch->setPhase(UITouchPhase::Moved);
    view_->touches({Ref<UITouch>(touch)}, eventWith({Ref<UITouch>(touch)}), UITouchPhase::Moved);
}

void HeadlessDriver::touchUp(UITouch* touch)
{
    if (!touch || !view_) return;
    Ref<UITouch> ending(touch);
    ending->setPhase(UITouchPhase::Ended);
    const UIEvent event = eventWith({ending}); // still lists the ending touch
    forget(touch);
    view_->touches({ending}, event, UITouchPhase::Ended);
}

void HeadlessDriver::touchCancel(UITouch* touch)
{
    if (!touch || !view_) return;
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
