#pragma once

#include <functional>

#include "engine/actions/CCActionInstant.h"

namespace mw {

// Runs a function without arguments when started. The function (and what
// it captures) lives as long as the action and its copies.
class CCCallBlock : public CCActionInstant {
public:
    explicit CCCallBlock(std::function<void()> block) : block_(std::move(block)) {}

    static Ref<CCCallBlock> actionWithBlock(std::function<void()> block)
    {
        return makeRef<CCCallBlock>(std::move(block));
    }

    Ref<CCAction> copy() const override { return makeRef<CCCallBlock>(block_); }
    void startWithTarget(CCNode* target) override
    {
        CCActionInstant::startWithTarget(target);
        execute();
    }
    virtual void execute()
    {
        if (block_) block_();
    }

private:
    std::function<void()> block_;
};

} // namespace mw
