#pragma once

#include <string>

#include "engine/actions/CCActionInterval.h"

namespace mw {

// Drives a named float property of its node linearly from one value to
// another. The name resolves through the property registry; a node whose
// class has no such property is left alone and the first update of each
// run logs one line.
class CCActionTween : public CCActionInterval {
public:
    CCActionTween(float duration, std::string key, float from, float to)
        : CCActionInterval(duration), key_(std::move(key)), from_(from), to_(to)
    {
    }

    static Ref<CCActionTween> actionWithDuration(float duration, const std::string& key, float from, float to)
    {
        return makeRef<CCActionTween>(duration, key, from, to);
    }

    Ref<CCAction> copy() const override { return makeRef<CCActionTween>(duration_, key_, from_, to_); }
    void startWithTarget(CCNode* target) override;
    // Computed from the end, so that progress 1 gives `to` exactly.
    void update(float t) override;
    // From and to exchanged.
    Ref<CCFiniteTimeAction> reverse() const override { return makeRef<CCActionTween>(duration_, key_, to_, from_); }

    const std::string& key() const { return key_; }

private:
    std::string key_;
    float from_;
    float to_;
    float delta_ = 0;
    bool reportedUnknownKey_ = false;
};

} // namespace mw
