#pragma once

#include <cstdint>

#include "platform/UITouch.h"

namespace mw {

// Touch phases as bits; a handler's mask of implemented callbacks uses them.
enum CCTouchPhaseBit : int32_t {
    kCCTouchBeganBit = 1,
    kCCTouchMovedBit = 2,
    kCCTouchEndedBit = 4,
    kCCTouchCancelledBit = 8,
    kCCTouchAllBits = 15,
};

// Common root of the two delegate kinds. It is a virtual base of both, so an
// object that takes touches both ways (a layer) has one identity, and the
// dispatcher finds all of its handlers by that one pointer. A delegate that is
// also an Object is kept alive by its handlers while registered. Every
// callback gets the event the touches belong to (every touch on the screen),
// lent for the call only.
class CCTouchDelegate {
public:
    virtual ~CCTouchDelegate() = default;
};

// A delegate offered one touch at a time. ccTouchBegan is always called; the
// other three only when the delegate declares them in targetedTouchCallbacks(),
// which the handler reads once, at registration (as the platform asked whether
// an object "responds to" a callback).
class CCTargetedTouchDelegate : public virtual CCTouchDelegate {
public:
    // Returns true to claim the touch: its later phases then come to this delegate.
    virtual bool ccTouchBegan(UITouch* touch, const UIEvent& event) = 0;
    virtual void ccTouchMoved(UITouch* touch, const UIEvent& event) {}
    virtual void ccTouchEnded(UITouch* touch, const UIEvent& event) {}
    virtual void ccTouchCancelled(UITouch* touch, const UIEvent& event) {}

    // Phase bits of the callbacks this delegate implements; began is always one.
    virtual int32_t targetedTouchCallbacks() const { return kCCTouchBeganBit; }
};

// A delegate given the whole set of touches of a phase that nobody swallowed.
// It is called only for the phases it declares in standardTouchCallbacks().
class CCStandardTouchDelegate : public virtual CCTouchDelegate {
public:
    virtual void ccTouchesBegan(const UITouchSet& touches, const UIEvent& event) {}
    virtual void ccTouchesMoved(const UITouchSet& touches, const UIEvent& event) {}
    virtual void ccTouchesEnded(const UITouchSet& touches, const UIEvent& event) {}
    virtual void ccTouchesCancelled(const UITouchSet& touches, const UIEvent& event) {}

    // Phase bits of the callbacks this delegate implements; none by default.
    virtual int32_t standardTouchCallbacks() const { return 0; }
};

} // namespace mw
