#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/touch/CCTouchDelegateProtocol.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"

namespace mw::test {

// Shared record of the callbacks delegates received, in call order.
struct CallLog {
    std::vector<std::string> lines;
    void add(std::string line) { lines.push_back(std::move(line)); }
    void clear() { lines.clear(); }
};

// A targeted delegate that logs "name:phase", claims or not, and can run a
// hook inside its began callback (to change the dispatcher mid-delivery).
class LoggingTargeted : public Object, public CCTargetedTouchDelegate {
public:
    LoggingTargeted(std::string name, CallLog& log, bool claims = true, int32_t callbacks = kCCTouchAllBits)
        : name_(std::move(name)), log_(log), claims_(claims), callbacks_(callbacks)
    {
    }
    bool ccTouchBegan(UITouch* touch, const UIEvent&) override
    {
        log_.add(name_ + ":began");
        if (onBegan) onBegan();
        return claims_ && (!onlyClaim || onlyClaim == touch);
    }
    void ccTouchMoved(UITouch*, const UIEvent&) override { log_.add(name_ + ":moved"); }
    void ccTouchEnded(UITouch*, const UIEvent&) override { log_.add(name_ + ":ended"); }
    void ccTouchCancelled(UITouch*, const UIEvent&) override { log_.add(name_ + ":cancelled"); }
    int32_t targetedTouchCallbacks() const override { return callbacks_; }

    void setCallbacks(int32_t callbacks) { callbacks_ = callbacks; }
    std::function<void()> onBegan;
    UITouch* onlyClaim = nullptr;  // when set, the one touch it claims

private:
    std::string name_;
    CallLog& log_;
    bool claims_;
    int32_t callbacks_;
};

// A standard delegate that logs "name:phase(n)" with the number of touches it
// got, and remembers the address of the last set it was handed.
class LoggingStandard : public Object, public CCStandardTouchDelegate {
public:
    LoggingStandard(std::string name, CallLog& log, int32_t callbacks = kCCTouchAllBits)
        : name_(std::move(name)), log_(log), callbacks_(callbacks)
    {
    }
    void ccTouchesBegan(const UITouchSet& t, const UIEvent&) override { record("began", t); }
    void ccTouchesMoved(const UITouchSet& t, const UIEvent&) override { record("moved", t); }
    void ccTouchesEnded(const UITouchSet& t, const UIEvent&) override { record("ended", t); }
    void ccTouchesCancelled(const UITouchSet& t, const UIEvent&) override { record("cancelled", t); }
    int32_t standardTouchCallbacks() const override { return callbacks_; }

    const UITouchSet* lastSet = nullptr;
    std::function<void()> onBegan;

private:
    void record(const char* phase, const UITouchSet& touches)
    {
        lastSet = &touches;
        log_.add(name_ + ":" + phase + "(" + std::to_string(touches.size()) + ")");
        if (onBegan && std::string(phase) == "began") onBegan();
    }

    std::string name_;
    CallLog& log_;
    int32_t callbacks_;
};

// A delegate of both kinds, as a layer is.
class LoggingBoth : public LoggingTargeted, public CCStandardTouchDelegate {
public:
    LoggingBoth(std::string name, CallLog& log)
        : LoggingTargeted(name, log, false)
        , name_(std::move(name))
        , log_(log)
    {
    }
    void ccTouchesBegan(const UITouchSet&, const UIEvent&) override { log_.add(name_ + ":touchesBegan"); }
    int32_t standardTouchCallbacks() const override { return kCCTouchBeganBit; }

private:
    std::string name_;
    CallLog& log_;
};

} // namespace mw::test
