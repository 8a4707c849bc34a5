#include "platform/TouchSource.h"

#include <SDL.h>

#include <algorithm>

namespace mw {

namespace {

double secondsOf(const SDL_Event& event)
{
    return event.common.timestamp / 1000.0;
}

} // namespace

void TouchSource::setLetterbox(const Letterbox& letterbox, CGSize windowSize)
{
    letterbox_ = letterbox;
    windowSize_ = windowSize;
}

bool TouchSource::handleEvent(const SDL_Event& event)
{
    switch (event.type) {
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        const SDL_MouseButtonEvent& button = event.button;
        if (button.which == SDL_TOUCH_MOUSEID) return true;
        if (button.button != SDL_BUTTON_LEFT) return true;
        const CGPoint at(float(button.x), float(button.y));
        if (event.type == SDL_MOUSEBUTTONDOWN) {
            begin(true, 0, 0, at, secondsOf(event), std::max<int>(1, button.clicks));
        } else {
            end(true, 0, 0, at, secondsOf(event));
        }
        return true;
    }
    case SDL_MOUSEMOTION:
        if (event.motion.which == SDL_TOUCH_MOUSEID) return true;
        move(true, 0, 0, CGPoint(float(event.motion.x), float(event.motion.y)), secondsOf(event));
        return true;
    case SDL_FINGERDOWN:
    case SDL_FINGERMOTION:
    case SDL_FINGERUP: {
        const SDL_TouchFingerEvent& finger = event.tfinger;
        if (finger.touchId == SDL_MOUSE_TOUCHID) return true;
        const CGPoint at(finger.x * windowSize_.width, finger.y * windowSize_.height);
        if (event.type == SDL_FINGERDOWN) {
            begin(false, finger.touchId, finger.fingerId, at, secondsOf(event), 1);
        } else if (event.type == SDL_FINGERMOTION) {
            move(false, finger.touchId, finger.fingerId, at, secondsOf(event));
        } else {
            end(false, finger.touchId, finger.fingerId, at, secondsOf(event));
        }
        return true;
    }
    default:
        return false;
    }
}

void TouchSource::begin(bool isMouse, int64_t device, int64_t finger, CGPoint window, double timestamp, int tapCount)
{
    if (find(isMouse, device, finger)) return; // a second down without an up: keep the first
    const std::optional<CGPoint> at = letterbox_.windowToView(window);
    if (!at) return;
    Ref<UITouch> touch = makeRef<UITouch>(*at, timestamp);
    touch->setTapCount(tapCount);
    fingers_.push_back({isMouse, device, finger, touch});
    if (delegate_) delegate_->touches({touch}, eventAt(timestamp), UITouchPhase::Began);
}

void TouchSource::move(bool isMouse, int64_t device, int64_t finger, CGPoint window, double timestamp)
{
    Finger* down = find(isMouse, device, finger);
    if (!down) return; // hovering, or a press that began over the bars
    const CGPoint at = letterbox_.windowToViewClamped(window);
    if (at == down->touch->locationInView()) return; // clamped at an edge: nothing moved
    down->touch->moveTo(at, timestamp);
    down->touch->setPhase(UITouchPhase::Moved);
    if (delegate_) delegate_->touches({down->touch}, eventAt(timestamp), UITouchPhase::Moved);
}

void TouchSource::end(bool isMouse, int64_t device, int64_t finger, CGPoint window, double timestamp)
{
    Finger* down = find(isMouse, device, finger);
    if (!down) return;
    Ref<UITouch> touch = down->touch;
    const CGPoint at = letterbox_.windowToViewClamped(window);
    if (at != touch->locationInView()) touch->moveTo(at, timestamp);
    touch->setPhase(UITouchPhase::Ended);
    const UIEvent event = eventAt(timestamp); // still lists the ending touch
    fingers_.erase(fingers_.begin() + (down - fingers_.data()));
    if (delegate_) delegate_->touches({touch}, event, UITouchPhase::Ended);
}

void TouchSource::cancelAll(double timestamp)
{
    if (fingers_.empty()) return;
    const UITouchSet touches = activeTouches();
    for (const Ref<UITouch>& touch : touches) touch->setPhase(UITouchPhase::Cancelled);
    const UIEvent event = eventAt(timestamp);
    fingers_.clear();
    if (delegate_) delegate_->touches(touches, event, UITouchPhase::Cancelled);
}

UITouchSet TouchSource::activeTouches() const
{
    UITouchSet touches;
    for (const Finger& finger : fingers_) touches.push_back(finger.touch);
    return touches;
}

TouchSource::Finger* TouchSource::find(bool isMouse, int64_t device, int64_t finger)
{
    for (Finger& candidate : fingers_) {
        if (candidate.isMouse == isMouse && candidate.device == device && candidate.finger == finger) return &candidate;
    }
    return nullptr;
}

UIEvent TouchSource::eventAt(double timestamp) const
{
    return {activeTouches(), timestamp};
}

} // namespace mw
