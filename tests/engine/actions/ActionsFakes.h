#pragma once

#include <string>
#include <vector>

#include "engine/actions/CCActionInterval.h"
#include "engine/base/CCRGBAProtocol.h"
#include "engine/nodes/CCNode.h"

namespace mw::testing {

// An interval action that records every progress it is given, so that
// wrappers (eases, sequences) can be checked by what reaches the inner action.
class ProbeAction : public CCActionInterval {
public:
    explicit ProbeAction(float duration, std::vector<float>* log = nullptr)
        : CCActionInterval(duration), log_(log ? log : &ownLog_)
    {
    }

    Ref<CCAction> copy() const override { return makeRef<ProbeAction>(duration_, log_); }
    void startWithTarget(CCNode* target) override
    {
        CCActionInterval::startWithTarget(target);
        ++starts;
    }
    void stop() override
    {
        CCActionInterval::stop();
        ++stops;
    }
    void update(float t) override { log_->push_back(t); }
    // Reverses into a probe that writes to the same log, marked by its duration.
    Ref<CCFiniteTimeAction> reverse() const override { return makeRef<ProbeAction>(duration_ + 100, log_); }

    const std::vector<float>& log() const { return *log_; }
    float last() const { return log_->empty() ? -1.0f : log_->back(); }

    int starts = 0;
    int stops = 0;

private:
    std::vector<float> ownLog_;
    std::vector<float>* log_;
};

// A node with colour and opacity, as sprites and labels have them.
class ColourNode : public CCNode, public CCRGBAProtocol {
public:
    uint8_t opacity() const override { return opacity_; }
    void setOpacity(uint8_t opacity) override { opacity_ = opacity; }
    ccColor3B color() const override { return color_; }
    void setColor(ccColor3B color) override { color_ = color; }

private:
    uint8_t opacity_ = 255;
    ccColor3B color_ = ccWHITE;
};

} // namespace mw::testing
