#include <string>
#include <typeinfo>
#include <vector>

#include <gtest/gtest.h>

#include "engine/actions/CCActionInstant.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCRepeat.h"
#include "engine/actions/CCSequence.h"
#include "engine/base/ccDescription.h"
#include "engine/nodes/CCActionManager.h"
#include "engine/nodes/CCNode.h"
#include "engine/sprites/CCSpriteFrame.h"
#include "engine/sprites/CCSpriteProtocol.h"
#include "tests/support/SharedInstances.h"

namespace mw {
namespace {

// Game code's side of the callbacks: every form writes what it got.
class Listener : public Object {
public:
    void plain() { calls.push_back("plain"); }
    void withNode(CCNode* sender) { calls.push_back("node:" + std::to_string(sender ? sender->tag() : -1)); }
    void withData(CCNode* sender, void* data)
    {
        calls.push_back("data:" + std::to_string(sender->tag()) + ":" + *static_cast<std::string*>(data));
    }
    void withObject(Object* object) { calls.push_back("object:" + ccClassName(typeid(*object))); }

    std::vector<std::string> calls;
};

// Logs every visibility change, so repeated show/hide pairs can be counted.
class WatchedNode : public CCNode {
public:
    void setVisible(bool visible) override
    {
        CCNode::setVisible(visible);
        changes.push_back(visible);
    }
    std::vector<bool> changes;
};

class FlipSprite : public CCNode, public CCSpriteProtocol {
public:
    Ref<CCSpriteFrame> displayedFrame() const override { return nullptr; }
    void setDisplayFrame(CCSpriteFrame*) override {}
    void setFlipX(bool flip) override { flipX = flip; }
    void setFlipY(bool flip) override { flipY = flip; }
    bool flipX = false;
    bool flipY = false;
};

// Runs actions through the shared manager on a node that is on stage.
class InstantActionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        node_ = makeRef<WatchedNode>();
        node_->setTag(7);
        node_->onEnter();
    }
    void TearDown() override
    {
        node_->onExit();
        node_->stopAllActions();
        test::resetSharedInstances();
    }
    static void tick(float dt) { CCActionManager::sharedManager()->update(dt); }

    Ref<WatchedNode> node_;
};

TEST_F(InstantActionTest, EveryCallbackFormRunsInSequenceOrderWithTheSequencesNode)
{
    auto listener = makeRef<Listener>();
    std::string payload = "payload";
    auto blockCalls = std::make_shared<std::vector<std::string>>();
    auto sequence = CCSequence::actions({
        CCCallFunc::actionWithTarget(listener, call_selector(Listener::plain)).get(),
        CCPlace::actionWithPosition(CGPoint(5, 5)).get(),
        CCMoveBy::actionWithDuration(1, CGPoint(10, 0)).get(),
        CCCallFuncN::actionWithTarget(listener, callfuncN_selector(Listener::withNode)).get(),
        CCCallFuncND::actionWithTarget(listener, callfuncND_selector(Listener::withData), &payload).get(),
        CCCallFuncO::actionWithTarget(listener, callO_selector(Listener::withObject), CCNode::node().get()).get(),
        CCCallBlock::actionWithBlock([listener] { listener->calls.push_back("block"); }).get(),
        CCCallBlockN::actionWithBlock([listener](CCNode* n) {
            listener->calls.push_back("blockN:" + std::to_string(n->tag()) + " at x " +
                                      std::to_string(static_cast<int>(n->position().x)));
        }).get(),
    });
    node_->runAction(sequence);
    tick(0.1f);  // the first step: progress 0
    EXPECT_EQ(listener->calls, (std::vector<std::string>{"plain"}));
    EXPECT_EQ(node_->position(), CGPoint(5, 5));  // the move starts from the placed point
    tick(0.5f);
    EXPECT_EQ(listener->calls.size(), 1u);
    // The two leading instants make a pair of FLT_EPSILON, so the whole
    // sequence lasts a hair over a second.
    tick(0.6f);  // the move reaches its end; the callbacks follow in the same update
    EXPECT_EQ(node_->position(), CGPoint(15, 5));
    EXPECT_EQ(listener->calls, (std::vector<std::string>{"plain", "node:7", "data:7:payload", "object:CCNode",
                                                         "block", "blockN:7 at x 15"}));
    tick(0.1f);
    EXPECT_EQ(listener->calls.size(), 6u);
    EXPECT_EQ(node_->numberOfRunningActions(), 0u);
}

TEST_F(InstantActionTest, ACallbackRunDirectlyCallsBackBeforeRunReturns)
{
    auto listener = makeRef<Listener>();
    auto call = CCCallFuncN::actionWithTarget(listener, callfuncN_selector(Listener::withNode));
    node_->runAction(call);
    EXPECT_EQ(listener->calls, (std::vector<std::string>{"node:7"}));
    tick(0.1f);  // the manager drops it: no second call
    EXPECT_EQ(listener->calls.size(), 1u);
    EXPECT_EQ(node_->numberOfRunningActions(), 0u);
}

TEST_F(InstantActionTest, CallbacksKeepTheirObjectsAliveUntilTheyAreReleased)
{
    auto listener = makeRef<Listener>();
    auto argument = CCNode::node();
    const int listenerBase = listener->retainCount();
    const int argumentBase = argument->retainCount();
    {
        auto call = CCCallFuncO::actionWithTarget(listener, callO_selector(Listener::withObject), argument);
        EXPECT_EQ(listener->retainCount(), listenerBase + 1);
        EXPECT_EQ(argument->retainCount(), argumentBase + 1);
        auto copied = call->copy();
        EXPECT_EQ(listener->retainCount(), listenerBase + 2);
        call = nullptr;  // the copy still holds both
        EXPECT_EQ(listener->retainCount(), listenerBase + 1);
        EXPECT_EQ(argument->retainCount(), argumentBase + 1);
        copied->startWithTarget(node_);
        EXPECT_EQ(listener->calls, (std::vector<std::string>{"object:CCNode"}));
    }
    EXPECT_EQ(listener->retainCount(), listenerBase);
    EXPECT_EQ(argument->retainCount(), argumentBase);
}

TEST_F(InstantActionTest, ARepeatedShowAndHideTogglesOncePerRepetition)
{
    node_->setVisible(false);
    node_->changes.clear();
    auto pair = CCSequence::actions({CCShow::action().get(), CCHide::action().get()});
    auto repeat = CCRepeat::actionWithAction(pair, 3);
    node_->runAction(repeat);
    for (int i = 0; i < 4; ++i) tick(0.1f);
    EXPECT_EQ(node_->changes, (std::vector<bool>{true, false, true, false, true, false}));
}

struct ReverseCase {
    std::string name;
    Ref<CCFiniteTimeAction> action;
    std::string reverseClass;
};

TEST_F(InstantActionTest, ReversesOfInstantActions)
{
    auto listener = makeRef<Listener>();
    const std::vector<ReverseCase> cases = {
        {"show", CCShow::action(), "CCHide"},
        {"hide", CCHide::action(), "CCShow"},
        {"toggle", CCToggleVisibility::action(), "CCToggleVisibility"},
        {"place", CCPlace::actionWithPosition(CGPoint(1, 2)), "CCPlace"},
        {"flip x", CCFlipX::actionWithFlipX(true), "CCFlipX"},
        {"call", CCCallFunc::actionWithTarget(listener, call_selector(Listener::plain)), "CCCallFunc"},
        {"call with node", CCCallFuncN::actionWithTarget(listener, callfuncN_selector(Listener::withNode)),
         "CCCallFuncN"},
        {"block", CCCallBlock::actionWithBlock([] {}), "CCCallBlock"},
    };
    for (const ReverseCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto reversed = c.action->reverse();
        ASSERT_TRUE(reversed);
        EXPECT_EQ(ccClassName(typeid(*reversed)), c.reverseClass);
        EXPECT_NE(reversed.get(), c.action.get());
        EXPECT_EQ(reversed->duration(), 0);
    }
    // A reversed callback calls the same object.
    CCCallFunc::actionWithTarget(listener, call_selector(Listener::plain))->reverse()->startWithTarget(node_);
    EXPECT_EQ(listener->calls, (std::vector<std::string>{"plain"}));
}

TEST_F(InstantActionTest, VisibilityPlaceAndFlipsActWhenStarted)
{
    node_->setVisible(true);
    CCToggleVisibility::action()->startWithTarget(node_);
    EXPECT_FALSE(node_->visible());
    CCToggleVisibility::action()->startWithTarget(node_);
    EXPECT_TRUE(node_->visible());
    CCPlace::actionWithPosition(CGPoint(3, 4))->startWithTarget(node_);
    EXPECT_EQ(node_->position(), CGPoint(3, 4));

    auto sprite = makeRef<FlipSprite>();
    auto flipX = CCFlipX::actionWithFlipX(true);
    flipX->startWithTarget(sprite);
    CCFlipY::actionWithFlipY(true)->startWithTarget(sprite);
    EXPECT_TRUE(sprite->flipX);
    EXPECT_TRUE(sprite->flipY);
    flipX->reverse()->startWithTarget(sprite);
    EXPECT_FALSE(sprite->flipX);
    // A node that is not a sprite is left alone.
    CCFlipX::actionWithFlipX(true)->startWithTarget(node_);
}

} // namespace
} // namespace mw
