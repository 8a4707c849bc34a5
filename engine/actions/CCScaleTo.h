#pragma once

#include "engine/actions/CCActionInterval.h"

namespace mw {

// Scales a node to absolute factors per axis.
class CCScaleTo : public CCActionInterval {
public:
    CCScaleTo(float duration, float scale) : CCScaleTo(duration, scale, scale) {}
    CCScaleTo(float duration, float scaleX, float scaleY)
        : CCActionInterval(duration), endScaleX_(scaleX), endScaleY_(scaleY)
    {
    }

    static Ref<CCScaleTo> actionWithDuration(float duration, float scale)
    {
        return makeRef<CCScaleTo>(duration, scale);
    }
    static Ref<CCScaleTo> actionWithDuration(float duration, float scaleX, float scaleY)
    {
        return makeRef<CCScaleTo>(duration, scaleX, scaleY);
    }

    Ref<CCAction> copy() const override { return makeRef<CCScaleTo>(duration_, endScaleX_, endScaleY_); }
    void startWithTarget(CCNode* target) override;
    void update(float t) override;

protected:
    float startScaleX_ = 1;
    float startScaleY_ = 1;
    float endScaleX_;
    float endScaleY_;
    float deltaX_ = 0;
    float deltaY_ = 0;
};

} // namespace mw
