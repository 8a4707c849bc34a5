// The instant actions: each acts once, at its first step, and is done.

#pragma once

#include <functional>
#include <string>

#include "engine/base/CCSelectors.h"
#include "engine/nodes/CCAction.h"
#include "foundation/Geometry.h"
#include "foundation/Selector.h"

namespace mw {

class CCNode;

// An action that acts at once: its step applies progress 1 and it is done
// immediately. Subclasses do their work in update().
class CCActionInstant : public CCFiniteTimeAction {
public:
    CCActionInstant() = default;

    // A new instant of the same class; the tag is not copied.
    Ref<CCAction> copy() const override { return makeRef<CCActionInstant>(); }
    bool isDone() const override { return true; }
    void step(float dt) override { update(1); }
    void update(float progress) override {}
    // An instant action is its own reverse: a copy.
    Ref<CCFiniteTimeAction> reverse() const override { return copyAs<CCFiniteTimeAction>(*this); }
};

// The action itself, or an instant action that does nothing in place of a
// null one. Composites take their parts through it: game code builds them
// from reverses, which are null for actions that have none, and a missing
// part must act as nothing rather than crash the frame.
inline Ref<CCFiniteTimeAction> ccActionOrNothing(CCFiniteTimeAction* action)
{
    if (action) {
        return Ref<CCFiniteTimeAction>(action);
    }
    return makeRef<CCActionInstant>();
}

// Makes a node visible when started. Its reverse is a hide.
class CCShow : public CCActionInstant {
public:
    CCShow() = default;

    static Ref<CCShow> action() { return makeRef<CCShow>(); }

    Ref<CCAction> copy() const override { return makeRef<CCShow>(); }
    void startWithTarget(CCNode* target) override;
    Ref<CCFiniteTimeAction> reverse() const override;
};

// Makes a node invisible when started. Its reverse is a show.
class CCHide : public CCActionInstant {
public:
    CCHide() = default;

    static Ref<CCHide> action() { return makeRef<CCHide>(); }

    Ref<CCAction> copy() const override { return makeRef<CCHide>(); }
    void startWithTarget(CCNode* target) override;
    Ref<CCFiniteTimeAction> reverse() const override;
};

// Flips a node's visibility when started. It is its own reverse.
class CCToggleVisibility : public CCActionInstant {
public:
    CCToggleVisibility() = default;

    static Ref<CCToggleVisibility> action() { return makeRef<CCToggleVisibility>(); }

    Ref<CCAction> copy() const override { return makeRef<CCToggleVisibility>(); }
    void startWithTarget(CCNode* target) override;
};

// Sets a sprite's horizontal flip when started; its reverse sets the
// opposite. Nodes that are not sprites are left alone.
class CCFlipX : public CCActionInstant {
public:
    explicit CCFlipX(bool flipX) : flipX_(flipX) {}

    static Ref<CCFlipX> actionWithFlipX(bool flipX) { return makeRef<CCFlipX>(flipX); }

    Ref<CCAction> copy() const override { return makeRef<CCFlipX>(flipX_); }
    void startWithTarget(CCNode* target) override;
    Ref<CCFiniteTimeAction> reverse() const override { return makeRef<CCFlipX>(!flipX_); }

private:
    bool flipX_;
};

// Sets a sprite's vertical flip when started; its reverse sets the
// opposite. Nodes that are not sprites are left alone.
class CCFlipY : public CCActionInstant {
public:
    explicit CCFlipY(bool flipY) : flipY_(flipY) {}

    static Ref<CCFlipY> actionWithFlipY(bool flipY) { return makeRef<CCFlipY>(flipY); }

    Ref<CCAction> copy() const override { return makeRef<CCFlipY>(flipY_); }
    void startWithTarget(CCNode* target) override;
    Ref<CCFiniteTimeAction> reverse() const override { return makeRef<CCFlipY>(!flipY_); }

private:
    bool flipY_;
};

// Puts a node at a position when started.
class CCPlace : public CCActionInstant {
public:
    explicit CCPlace(CGPoint position) : position_(position) {}

    static Ref<CCPlace> actionWithPosition(CGPoint position) { return makeRef<CCPlace>(position); }

    Ref<CCAction> copy() const override { return makeRef<CCPlace>(position_); }
    void startWithTarget(CCNode* target) override;

private:
    CGPoint position_;
};

// Calls an operation without arguments on an object when started. The
// object is retained until the action is released, so a node that runs a
// callback on itself lives at least until the action manager drops it.
//
// The call is made by execute(), which every start invokes; subclasses
// change the call by overriding execute() alone.
class CCCallFunc : public CCActionInstant {
public:
    // A null target or selector makes an action that calls nothing.
    CCCallFunc(Object* target, SEL_Call selector) : targetCallback_(target), selector_(selector) {}

    static Ref<CCCallFunc> actionWithTarget(Object* target, SEL_Call selector)
    {
        return makeRef<CCCallFunc>(target, selector);
    }

    // The same object (retained again) and operation.
    Ref<CCAction> copy() const override { return makeRef<CCCallFunc>(targetCallback_.get(), selector_); }
    void startWithTarget(CCNode* target) override;
    virtual void execute();

    Object* targetCallback() const { return targetCallback_.get(); }
    void setTargetCallback(Object* target) { targetCallback_ = target; }

    // "<CLASS = ADDRESS | Tag = TAG | target = CALLBACK CLASS>"; member
    // pointers carry no name to print.
    std::string description() const override;

protected:
    // For subclasses that call operations of another signature.
    explicit CCCallFunc(Object* target) : targetCallback_(target) {}

    Ref<Object> targetCallback_;

private:
    SEL_Call selector_ = nullptr;
};

// Calls an operation with the node the action runs on (inside a composite,
// the composite's node). The callback object is retained.
class CCCallFuncN : public CCCallFunc {
public:
    CCCallFuncN(Object* target, SEL_CallFuncN selector) : CCCallFunc(target), selector_(selector) {}

    static Ref<CCCallFuncN> actionWithTarget(Object* target, SEL_CallFuncN selector)
    {
        return makeRef<CCCallFuncN>(target, selector);
    }

    Ref<CCAction> copy() const override { return makeRef<CCCallFuncN>(targetCallback_.get(), selector_); }
    void execute() override;

protected:
    explicit CCCallFuncN(Object* target) : CCCallFunc(target) {}

private:
    SEL_CallFuncN selector_ = nullptr;
};

// Calls an operation with the node the action runs on and a data pointer.
// The callback object is retained; the data is not owned.
class CCCallFuncND : public CCCallFuncN {
public:
    CCCallFuncND(Object* target, SEL_CallFuncND selector, void* data)
        : CCCallFuncN(target), callbackMethod_(selector), data_(data)
    {
    }

    static Ref<CCCallFuncND> actionWithTarget(Object* target, SEL_CallFuncND selector, void* data)
    {
        return makeRef<CCCallFuncND>(target, selector, data);
    }

    Ref<CCAction> copy() const override
    {
        return makeRef<CCCallFuncND>(targetCallback_.get(), callbackMethod_, data_);
    }
    void execute() override;

    SEL_CallFuncND callbackMethod() const { return callbackMethod_; }
    void setCallbackMethod(SEL_CallFuncND method) { callbackMethod_ = method; }

private:
    SEL_CallFuncND callbackMethod_ = nullptr;
    void* data_ = nullptr;
};

// Calls an operation with a stored object as its argument. Both the
// callback object and the argument are retained.
class CCCallFuncO : public CCCallFunc {
public:
    CCCallFuncO(Object* target, SEL_CallO selector, Object* object)
        : CCCallFunc(target), selector_(selector), object_(object)
    {
    }

    static Ref<CCCallFuncO> actionWithTarget(Object* target, SEL_CallO selector, Object* object)
    {
        return makeRef<CCCallFuncO>(target, selector, object);
    }

    Ref<CCAction> copy() const override
    {
        return makeRef<CCCallFuncO>(targetCallback_.get(), selector_, object_.get());
    }
    void execute() override;

    Object* object() const { return object_.get(); }
    void setObject(Object* object) { object_ = object; }

private:
    SEL_CallO selector_ = nullptr;
    Ref<Object> object_;
};

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
