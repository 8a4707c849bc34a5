#include "engine/director/HeadlessDriver.h"

#include <GLES/gl.h>
#include <GLES/glext.h>

#include <algorithm>

#include "engine/director/CADisplayLink.h"
#include "engine/director/CCDirector.h"
#include "foundation/Log.h"
#include "foundation/RunLoop.h"
#include "platform/Image.h"

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

    const GLSurfaceFormat& format = context_->format();
    const char* colour =
        format.color == GLColorFormat::RGB565 ? kEAGLColorFormatRGB565 : kEAGLColorFormatRGBA8;
    const uint32_t depth = format.depthBits > 0 ? GL_DEPTH_COMPONENT16_OES : 0;
    view_ = EAGLView::viewWithFrame(*context_, CGRect(CGPointZero, profile_.pointSize), colour, depth);
    if (!view_) return false;
    director_->setOpenGLView(view_.get());
    director_->enableRetinaDisplay(true);
    view_->layoutSubviews();
    return true;
}

HeadlessDriver::~HeadlessDriver()
{
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
        RunLoop::main().drain();
        CADisplayLink::displayDidRefresh(clock_->monotonicSeconds());
    }
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
    view_->touchesBegan({touch}, eventWith({touch}));
    return touch;
}

void HeadlessDriver::touchMove(UITouch* touch, CGPoint point)
{
    if (!touch) return;
    touch->moveTo(point, clock_->monotonicSeconds());
    touch->setPhase(UITouchPhase::Moved);
    view_->touchesMoved({Ref<UITouch>(touch)}, eventWith({Ref<UITouch>(touch)}));
}

void HeadlessDriver::touchUp(UITouch* touch)
{
    if (!touch) return;
    Ref<UITouch> ending(touch);
    ending->setPhase(UITouchPhase::Ended);
    const UIEvent event = eventWith({ending}); // still lists the ending touch
    forget(touch);
    view_->touchesEnded({ending}, event);
}

void HeadlessDriver::touchCancel(UITouch* touch)
{
    if (!touch) return;
    Ref<UITouch> ending(touch);
    ending->setPhase(UITouchPhase::Cancelled);
    const UIEvent event = eventWith({ending});
    forget(touch);
    view_->touchesCancelled({ending}, event);
}

std::vector<uint8_t> HeadlessDriver::readPixels() const
{
    return context_->readPixels();
}

bool HeadlessDriver::screenshot(const std::string& path) const
{
    const PixelSize size = context_->pixelSize();
    Ref<Image> image = Image::fromRGBA(readPixels(), size.width, size.height, ImageAlphaInfo::NoneSkipLast);
    if (!image || !image->writePNG(path)) {
        logLine("HeadlessDriver: cannot write the screenshot %s", path.c_str());
        return false;
    }
    return true;
}

} // namespace mw
