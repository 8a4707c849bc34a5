#pragma once

#include <functional>

#include "engine/actions/CCActionInstant.h"

namespace mw {

class CCNode;

// Runs a function with the node the action runs on (inside a composite, the
// composite's node) when started.
class CCCallBlockN : public CCActionInstant {
public:
    explicit CCCallBlockN(std::function<void(CCNode*)> block) : block_(std::move(block)) {}

    static Ref<CCCallBlockN> actionWithBlock(std::function<void(CCNode*)> block)
    {
        return makeRef<CCCallBlockN>(std::move(block));
    }

    Ref<CCAction> copy() const override { return makeRef<CCCallBlockN>(block_); }
    void startWithTarget(CCNode* target) override
    {
        CCActionInstant::startWithTarget(target);
        execute();
    }
    virtual void execute()
    {
        if (block_) block_(target_);
    }

private:
    std::function<void(CCNode*)> block_;
};

} // namespace mw
