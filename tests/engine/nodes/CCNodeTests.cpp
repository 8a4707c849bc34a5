#include <gtest/gtest.h>

#include <GLES/gl.h>

#include <functional>
#include <regex>
#include <string>
#include <type_traits>
#include <vector>

#include "engine/actions/CCActionInterval.h"
#include "engine/base/ccContentScale.h"
#include "engine/base/ccViewSpace.h"
#include "engine/nodes/CCActionManager.h"
#include "engine/nodes/CCCamera.h"
#include "engine/nodes/CCGridProtocol.h"
#include "engine/nodes/CCNode.h"
#include "engine/nodes/CCScene.h"
#include "engine/scheduler/CCScheduler.h"
#include "platform/UITouch.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/ProbeActions.h"
#include "tests/support/SharedInstances.h"

namespace mw {
namespace {

using Log = std::vector<std::string>;

// A convenience constructor answers a temporary Ref, which releases the node
// when the statement ends: a raw pointer taken from it would dangle, so only
// a Ref that outlives the statement lends its pointer.
static_assert(!std::is_convertible_v<decltype(CCNode::node()), CCNode*>);
static_assert(!std::is_convertible_v<Ref<CCNode>&&, CCNode*>);
static_assert(!std::is_convertible_v<const Ref<CCScene>&&, CCNode*>);
static_assert(std::is_convertible_v<Ref<CCNode>&, CCNode*>);
static_assert(std::is_convertible_v<const Ref<CCScene>&, CCNode*>);

TEST(CCNodeOwnershipTest, ANamedRefLendsItsPointerWithoutRetaining)
{
    auto n = CCNode::node();
    CCNode* raw = n;
    EXPECT_EQ(raw, n.get());
    EXPECT_EQ(raw->retainCount(), 1);
}

// A node that writes its draws and life-cycle calls into a shared log, and
// lets tests see its dirty flags.
class Probe : public CCNode {
public:
    Probe(std::string name, Log* log) : name(std::move(name)), log(log) {}

    void draw() override
    {
        log->push_back(name);
        if (onDraw) onDraw();
    }
    void onEnter() override
    {
        log->push_back(name + ".enter");
        CCNode::onEnter();
    }
    void onEnterTransitionDidFinish() override
    {
        log->push_back(name + ".entered");
        CCNode::onEnterTransitionDidFinish();
    }
    void onExitTransitionDidStart() override
    {
        log->push_back(name + ".exiting");
        CCNode::onExitTransitionDidStart();
    }
    void onExit() override
    {
        log->push_back(name + ".exit");
        CCNode::onExit();
    }
    void cleanup() override
    {
        log->push_back(name + ".cleanup");
        CCNode::cleanup();
    }
    void tick(float dt) { log->push_back(name + ".tick"); }

    bool transformDirty() const { return isTransformDirty_ || isInverseDirty_ || isTransformGLDirty_; }

    std::string name;
    Log* log;
    std::function<void()> onDraw;
};

class CCNodeTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        test::resetSharedInstances();
        ccSetContentScaleFactor(1);
        ccSetViewSpaceConversions(nullptr, nullptr);
    }
    Ref<Probe> probe(const std::string& name) { return makeRef<Probe>(name, &log); }
    static void tickFrame(float dt = 0.1f) { CCScheduler::sharedScheduler()->tick(dt); }

    Log log;
};

// Drawing needs a current GL context for the matrix calls.
class CCNodeVisitTest : public CCNodeTest {
protected:
    void SetUp() override { ASSERT_NE(test::GLTestContext::acquire(64, 64), nullptr); }
    Log visit(CCNode& root)
    {
        log.clear();
        root.visit();
        return log;
    }
};

TEST_F(CCNodeVisitTest, NegativeZChildrenDrawBeforeTheParentAndTheRestAfterInArrivalOrder)
{
    auto parent = probe("P");
    auto first = probe("a");
    auto behind = probe("b");
    auto third = probe("c");
    parent->addChild(first, 0);
    parent->addChild(behind, -1);
    parent->addChild(third, 0);
    EXPECT_EQ(visit(*parent), (Log{"b", "P", "a", "c"}));

    // Deeper trees: a child's own negative children draw before that child.
    auto deep = probe("d");
    third->addChild(deep, -3);
    auto top = probe("t");
    parent->addChild(top, 2);
    EXPECT_EQ(visit(*parent), (Log{"b", "P", "a", "d", "c", "t"}));
}

TEST_F(CCNodeVisitTest, ReorderingWithTheSameZMovesAChildBehindItsEqualSiblings)
{
    auto parent = probe("P");
    auto first = probe("a");
    auto second = probe("b");
    parent->addChild(first, 1);
    parent->addChild(second, 1);
    EXPECT_EQ(visit(*parent), (Log{"P", "a", "b"}));
    parent->reorderChild(first, 1);
    EXPECT_EQ(visit(*parent), (Log{"P", "b", "a"}));
    // A drawn child's arrival number is reset, so a newcomer of the same z
    // goes after every drawn sibling.
    auto late = probe("c");
    parent->addChild(late, 1);
    parent->reorderChild(second, 1);
    EXPECT_EQ(visit(*parent), (Log{"P", "a", "c", "b"}));
}

TEST_F(CCNodeVisitTest, AnInvisibleNodeHidesItsWholeSubtree)
{
    auto parent = probe("P");
    auto hidden = probe("h");
    auto x = probe("x"), y = probe("y"), v = probe("v");
    hidden->addChild(x, -1);
    hidden->addChild(y, 1);
    parent->addChild(hidden);
    parent->addChild(v, 1);
    hidden->setVisible(false);
    EXPECT_EQ(visit(*parent), (Log{"P", "v"}));
    hidden->setVisible(true);
    EXPECT_EQ(visit(*parent), (Log{"P", "x", "h", "y", "v"}));
}

TEST_F(CCNodeVisitTest, DrawingHappensInsideTheNodesTransform)
{
    auto parent = probe("P");
    auto child = probe("c");
    parent->setPosition({10, 20});
    child->setPosition({3, 4});
    child->setVertexZ(5);
    parent->addChild(child);
    float seen[16] = {};
    child->onDraw = [&] { glGetFloatv(GL_MODELVIEW_MATRIX, seen); };
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    visit(*parent);
    EXPECT_FLOAT_EQ(seen[12], 13);
    EXPECT_FLOAT_EQ(seen[13], 24);
    EXPECT_FLOAT_EQ(seen[14], 5);
    float after[16] = {};
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    EXPECT_FLOAT_EQ(after[12], 0) << "visit pops what it pushed";
}

// A grid that records its calls.
class FakeGrid : public CCGridProtocol {
public:
    explicit FakeGrid(Log* log) : log(log) {}
    bool active() const override { return isActive; }
    void beforeDraw() override { log->push_back("grid.before"); }
    void afterDraw(CCNode* target) override { log->push_back("grid.after:" + static_cast<Probe*>(target)->name); }
    bool isActive = true;
    Log* log;
};

TEST_F(CCNodeVisitTest, AnActiveGridWrapsTheDrawingAndTakesOverTheCamera)
{
    auto node = probe("n");
    auto grid = makeRef<FakeGrid>(&log);
    node->setGrid(grid);
    auto child = probe("c");
    node->addChild(child, 1);
    node->camera()->setEyeX(0, 0, 100);
    float seen[16] = {};
    node->onDraw = [&] { glGetFloatv(GL_MODELVIEW_MATRIX, seen); };
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    EXPECT_EQ(visit(*node), (Log{"grid.before", "n", "c", "grid.after:n"}));
    EXPECT_FLOAT_EQ(seen[14], 0) << "the grid applies the camera itself";

    grid->isActive = false;
    EXPECT_EQ(visit(*node), (Log{"n", "c"}));
    EXPECT_FLOAT_EQ(seen[14], -100) << "without a grid the node applies its camera";
}

TEST_F(CCNodeTest, ChildrenAreFoundByTagInTheCurrentOrder)
{
    auto parent = probe("P");
    EXPECT_EQ(parent->getChildByTag(5), nullptr);
    EXPECT_EQ(parent->children(), nullptr);
    auto later = probe("late");
    auto earlier = probe("early");
    parent->addChild(later, 1, 5);
    parent->addChild(earlier, 0, 5);
    EXPECT_EQ(parent->getChildByTag(5), later.get()) << "unsorted: arrival order";
    parent->sortAllChildren();
    EXPECT_EQ(parent->getChildByTag(5), earlier.get());
    EXPECT_EQ(parent->getChildByTag(6), nullptr);

    parent->removeChildByTag(5, true);
    EXPECT_EQ(parent->getChildByTag(5), later.get());
    EXPECT_EQ(earlier->parent(), nullptr);
    parent->removeChildByTag(6, true);  // no such child: nothing happens
    EXPECT_EQ(parent->children()->count(), 1u);
}

TEST_F(CCNodeTest, BadAdditionsAndRemovalsChangeNothing)
{
    auto parent = probe("P");
    auto other = probe("O");
    auto child = probe("c");
    parent->addChild(child);
    other->addChild(child);  // already has a parent: refused
    EXPECT_EQ(child->parent(), parent.get());
    EXPECT_EQ(other->children(), nullptr);
    parent->addChild(nullptr);
    other->removeChild(child, true);  // not its child
    parent->removeChild(nullptr, true);
    EXPECT_EQ(parent->children()->count(), 1u);
    other->removeFromParentAndCleanup(true);  // no parent
    EXPECT_TRUE(log.empty());
}

TEST_F(CCNodeTest, ALastReleasedParentClearsItsChildrensParentPointers)
{
    auto child = probe("c");
    {
        auto parent = probe("P");
        parent->addChild(child);
        EXPECT_EQ(child->retainCount(), 2);
    }
    EXPECT_EQ(child->parent(), nullptr);
    EXPECT_EQ(child->retainCount(), 1);
}

TEST_F(CCNodeTest, EnterExitAndCleanupCascadeThroughTheTree)
{
    auto scene = probe("S");
    auto layer = probe("L");
    auto leaf = probe("x");
    scene->addChild(layer);
    layer->addChild(leaf);

    scene->onEnter();
    scene->onEnterTransitionDidFinish();
    EXPECT_EQ(log, (Log{"S.enter", "L.enter", "x.enter", "S.entered", "L.entered", "x.entered"}));
    EXPECT_TRUE(scene->isRunning() && layer->isRunning() && leaf->isRunning());

    log.clear();
    auto added = probe("n");
    layer->addChild(added);
    EXPECT_EQ(log, (Log{"n.enter", "n.entered"})) << "a child of a running node enters at once";

    log.clear();
    scene->removeChild(layer, true);
    EXPECT_EQ(log, (Log{"L.exiting", "x.exiting", "n.exiting", "L.exit", "x.exit", "n.exit", "L.cleanup",
                        "x.cleanup", "n.cleanup"}));
    EXPECT_FALSE(layer->isRunning() || leaf->isRunning() || added->isRunning());
    EXPECT_EQ(layer->parent(), nullptr);

    log.clear();
    layer->removeAllChildrenWithCleanup(false);
    EXPECT_TRUE(log.empty()) << "not running, no clean-up: nothing to tell";
    EXPECT_EQ(leaf->parent(), nullptr);
    EXPECT_EQ(layer->children()->count(), 0u);
}

TEST_F(CCNodeTest, RemovingAllChildrenOfARunningNodeTakesEachChildOffInTurn)
{
    auto scene = probe("S");
    auto first = probe("a");
    auto second = probe("b");
    scene->addChild(first, 1);
    scene->addChild(second, -1);
    scene->onEnter();
    log.clear();

    scene->removeAllChildrenWithCleanup(true);
    // Children in their array order (arrival: not sorted yet), each one fully
    // before the next.
    EXPECT_EQ(log, (Log{"a.exiting", "a.exit", "a.cleanup", "b.exiting", "b.exit", "b.cleanup"}));
    EXPECT_EQ(first->parent(), nullptr);
    EXPECT_EQ(second->parent(), nullptr);
    EXPECT_EQ(first->retainCount(), 1);
    EXPECT_EQ(scene->children()->count(), 0u);
    EXPECT_TRUE(scene->isRunning());
}

TEST_F(CCNodeTest, ANewNodeIsUntaggedVisibleAndAtRest)
{
    auto node = probe("n");
    EXPECT_EQ(node->tag(), -1);
    EXPECT_EQ(node->zOrder(), 0);
    EXPECT_TRUE(node->visible());
    EXPECT_FALSE(node->isRunning());
    EXPECT_TRUE(node->isRelativeAnchorPoint());
    EXPECT_EQ(node->scaleX(), 1);
    EXPECT_EQ(node->scaleY(), 1);
    EXPECT_EQ(node->anchorPoint(), CGPointZero);
    EXPECT_EQ(node->contentSize(), CGSizeZero);
    EXPECT_EQ(node->vertexZ(), 0);
    EXPECT_EQ(node->parent(), nullptr);
    EXPECT_EQ(node->userData(), nullptr);
    EXPECT_EQ(node->grid(), nullptr);
    EXPECT_FALSE(node->hasCamera());
    EXPECT_TRUE(node->transformDirty());
    EXPECT_TRUE(CGAffineTransformIsIdentity(node->nodeToParentTransform()));
}

TEST_F(CCNodeTest, TimersAndActionsWaitUntilTheNodeEnters)
{
    auto node = probe("n");
    node->schedule(schedule_selector(Probe::tick));
    auto action = makeRef<test::ProbeAction>(1.0f);
    node->runAction(action);
    EXPECT_EQ(action->starts, 1) << "started at once";
    EXPECT_EQ(node->numberOfRunningActions(), 1u);

    for (int i = 0; i < 3; ++i) tickFrame();
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(action->log().size(), 0u);

    node->onEnter();
    log.clear();
    tickFrame();  // the timer's first tick only starts it
    tickFrame();
    EXPECT_EQ(log, (Log{"n.tick"}));
    EXPECT_EQ(action->log().size(), 2u);

    node->onExit();
    log.clear();
    tickFrame();
    EXPECT_TRUE(log.empty()) << "exit pauses the timers";
    EXPECT_EQ(action->log().size(), 2u) << "exit pauses the actions";
}

TEST_F(CCNodeTest, RemovalWithCleanupStopsTheSubtreesWorkAndWithoutItKeepsItPaused)
{
    auto scene = probe("S");
    scene->onEnter();
    auto kept = probe("k");
    auto keptChild = probe("kc");
    kept->addChild(keptChild);
    auto dropped = probe("d");
    auto droppedChild = probe("dc");
    dropped->addChild(droppedChild);
    scene->addChild(kept);
    scene->addChild(dropped);
    for (CCNode* n : {keptChild.get(), droppedChild.get()}) {
        n->schedule(schedule_selector(Probe::tick));
        auto counting = makeRef<test::ProbeAction>(10.0f);
        n->runAction(counting);
    }

    scene->removeChild(dropped, true);
    EXPECT_EQ(droppedChild->numberOfRunningActions(), 0u);
    EXPECT_EQ(droppedChild->retainCount(), 2) << "nothing but its parent and this test holds it";

    scene->removeChild(kept, false);
    EXPECT_EQ(keptChild->numberOfRunningActions(), 1u);
    scene->addChild(kept);  // resumes where it stopped
    log.clear();
    tickFrame();
    tickFrame();
    EXPECT_EQ(log, (Log{"kc.tick"}));
}

TEST_F(CCNodeTest, ActionShortcutsGoThroughTheSharedManager)
{
    auto node = probe("n");
    node->onEnter();
    auto tagged = makeRef<test::ProbeAction>(1.0f);
    tagged->setTag(7);
    auto plain = makeRef<test::ProbeAction>(1.0f);
    EXPECT_EQ(node->runAction(tagged), tagged.get());
    node->runAction(plain);
    EXPECT_EQ(node->getActionByTag(7), tagged.get());
    EXPECT_EQ(node->getActionByTag(8), nullptr);
    node->stopActionByTag(7);
    EXPECT_EQ(node->numberOfRunningActions(), 1u);
    node->stopAction(plain);
    EXPECT_EQ(node->numberOfRunningActions(), 0u);
    auto another = makeRef<test::ProbeAction>(1.0f);
    node->runAction(another);
    node->stopAllActions();
    EXPECT_EQ(node->numberOfRunningActions(), 0u);

    // The per-frame update at a priority, through the shared scheduler.
    struct Updating : CCNode {
        int updates = 0;
        void update(float) override { ++updates; }
    };
    auto updating = makeRef<Updating>();
    updating->onEnter();
    updating->scheduleUpdateWithPriority(-1);
    tickFrame();
    updating->unscheduleUpdate();
    tickFrame();
    EXPECT_EQ(updating->updates, 1);
}

TEST_F(CCNodeTest, ScheduleOnceFiresOnceAfterItsDelay)
{
    auto node = probe("n");
    node->onEnter();
    node->scheduleOnce(schedule_selector(Probe::tick), 0.25f);
    for (int i = 0; i < 8; ++i) tickFrame(0.1f);
    EXPECT_EQ(log, (Log{"n.enter", "n.tick"}));
    node->unschedule(nullptr);  // ignored
}

// ---- geometry

struct Placement {
    const char* what;
    CGPoint position;
    CGPoint anchor;
    CGSize size;
    bool relativeAnchor;
    float rotation;
    CGPoint scale;
    CGPoint skew;
    CGPoint contentPoint;
    CGPoint expectedInParent;
};

TEST_F(CCNodeTest, NodeToParentTransformPlacesContentPoints)
{
    const std::vector<Placement> cases = {
        {"identity", {0, 0}, {0, 0}, {0, 0}, true, 0, {1, 1}, {0, 0}, {3, 4}, {3, 4}},
        {"anchor centred on the position", {10, 10}, {0.5f, 0.5f}, {20, 10}, true, 0, {1, 1}, {0, 0}, {10, 5}, {10, 10}},
        {"anchor not relative: corner at the position", {10, 10}, {0.5f, 0.5f}, {20, 10}, false, 0, {1, 1}, {0, 0}, {0, 0}, {10, 10}},
        {"rotation is clockwise", {0, 0}, {0, 0}, {0, 0}, true, 90, {1, 1}, {0, 0}, {1, 0}, {0, -1}},
        {"scale", {0, 0}, {0, 0}, {0, 0}, true, 0, {2, 3}, {0, 0}, {1, 1}, {2, 3}},
        {"skew x", {0, 0}, {0, 0}, {0, 0}, true, 0, {1, 1}, {45, 0}, {0, 1}, {1, 1}},
        {"skew y", {0, 0}, {0, 0}, {0, 0}, true, 0, {1, 1}, {0, 45}, {1, 0}, {1, 1}},
        {"scale about the anchor", {5, 0}, {0.5f, 0.5f}, {10, 10}, true, 0, {2, 2}, {0, 0}, {0, 0}, {-5, -10}},
        {"rotate about the anchor", {0, 0}, {0.5f, 0.5f}, {2, 2}, true, 90, {1, 1}, {0, 0}, {2, 1}, {0, -1}},
        {"skew before scale", {0, 0}, {0, 0}, {0, 0}, true, 0, {2, 1}, {45, 0}, {0, 1}, {2, 1}},
    };
    for (const auto& c : cases) {
        auto node = CCNode::node();
        node->setContentSize(c.size);
        node->setAnchorPoint(c.anchor);
        node->setIsRelativeAnchorPoint(c.relativeAnchor);
        node->setPosition(c.position);
        node->setRotation(c.rotation);
        node->setScaleX(c.scale.x);
        node->setScaleY(c.scale.y);
        node->setSkewX(c.skew.x);
        node->setSkewY(c.skew.y);
        const CGPoint placed = CGPointApplyAffineTransform(c.contentPoint, node->nodeToParentTransform());
        EXPECT_NEAR(placed.x, c.expectedInParent.x, 1e-5) << c.what;
        EXPECT_NEAR(placed.y, c.expectedInParent.y, 1e-5) << c.what;
        const CGPoint back = CGPointApplyAffineTransform(placed, node->parentToNodeTransform());
        EXPECT_NEAR(back.x, c.contentPoint.x, 1e-5) << c.what;
        EXPECT_NEAR(back.y, c.contentPoint.y, 1e-5) << c.what;
    }
}

TEST_F(CCNodeTest, SettersKeepPointsAndPixelsInStepAndMarkTheTransform)
{
    ccSetContentScaleFactor(2);
    auto node = probe("n");
    node->setContentSize({100, 50});
    node->setAnchorPoint({0.5f, 0.5f});
    EXPECT_EQ(node->anchorPointInPixels(), CGPointMake(100, 50));
    EXPECT_EQ(node->contentSizeInPixels(), CGSizeMake(200, 100));

    node->setPosition({10, 20});
    EXPECT_EQ(node->positionInPixels(), CGPointMake(20, 40));
    node->setPositionInPixels({50, 60});
    EXPECT_EQ(node->position(), CGPointMake(25, 30));
    node->setContentSizeInPixels({40, 20});
    EXPECT_EQ(node->contentSize(), CGSizeMake(20, 10));
    EXPECT_EQ(node->anchorPointInPixels(), CGPointMake(20, 10));
    node->setVertexZ(3);
    EXPECT_FLOAT_EQ(node->vertexZ(), 3);

    node->setScale(2);
    EXPECT_EQ(node->scaleY(), 2);
    node->setScaleX(3);
    EXPECT_EQ(node->scale(), 3);
    EXPECT_EQ(node->scaleY(), 2);
}

TEST_F(CCNodeTest, UnchangedAnchorOrSizeLeavesTheTransformClean)
{
    auto node = probe("n");
    node->setContentSize({10, 10});
    node->setAnchorPoint({0.5f, 0.5f});
    ASSERT_NE(test::GLTestContext::acquire(8, 8), nullptr);
    node->transform();  // builds the GL matrix too
    node->parentToNodeTransform();
    ASSERT_FALSE(node->transformDirty());
    node->setAnchorPoint({0.5f, 0.5f});
    node->setContentSize({10, 10});
    EXPECT_FALSE(node->transformDirty());
    node->setAnchorPoint({0, 0});
    EXPECT_TRUE(node->transformDirty());
}

TEST_F(CCNodeTest, ConversionsBetweenNodeAndWorldSpaceAtEveryScaleFactor)
{
    for (float factor : {1.0f, 2.0f}) {
        ccSetContentScaleFactor(factor);
        auto root = CCNode::node();
        auto parent = CCNode::node();
        auto child = CCNode::node();
        root->addChild(parent);
        parent->addChild(child);
        parent->setPosition({100, 50});
        parent->setScale(2);
        child->setPosition({10, 10});
        child->setContentSize({4, 6});
        child->setAnchorPoint({0.5f, 0.5f});  // content (2, 3) sits at (10, 10)

        const CGPoint world = child->convertToWorldSpace({3, 4});  // 1 right and up of the anchor
        EXPECT_NEAR(world.x, 122, 1e-4) << factor;
        EXPECT_NEAR(world.y, 72, 1e-4) << factor;
        const CGPoint local = child->convertToNodeSpace({122, 72});
        EXPECT_NEAR(local.x, 3, 1e-4) << factor;
        EXPECT_NEAR(local.y, 4, 1e-4) << factor;
        const CGPoint fromAnchor = child->convertToNodeSpaceAR({122, 72});
        EXPECT_NEAR(fromAnchor.x, 1, 1e-4) << factor;
        EXPECT_NEAR(fromAnchor.y, 1, 1e-4) << factor;
        const CGPoint worldAR = child->convertToWorldSpaceAR({1, 1});
        EXPECT_NEAR(worldAR.x, 122, 1e-4) << factor;
        EXPECT_NEAR(worldAR.y, 72, 1e-4) << factor;

        const CGRect box = child->boundingBox();
        EXPECT_NEAR(box.origin.x, 8, 1e-4) << factor;
        EXPECT_NEAR(box.origin.y, 7, 1e-4) << factor;
        EXPECT_NEAR(box.size.width, 4, 1e-4) << factor;
        EXPECT_NEAR(box.size.height, 6, 1e-4) << factor;
    }
}

TEST_F(CCNodeTest, BoundingBoxEnclosesTheRotatedContent)
{
    auto node = CCNode::node();
    node->setContentSize({10, 20});
    node->setAnchorPoint({0.5f, 0.5f});
    node->setPosition({5, 5});
    node->setRotation(90);
    const CGRect box = node->boundingBox();
    EXPECT_NEAR(box.origin.x, -5, 1e-4);
    EXPECT_NEAR(box.origin.y, 0, 1e-4);
    EXPECT_NEAR(box.size.width, 20, 1e-4);
    EXPECT_NEAR(box.size.height, 10, 1e-4);
}

CGPoint flipInA480PointView(CGPoint p) { return {p.x, 480 - p.y}; }

TEST_F(CCNodeTest, TouchesAreConvertedThroughTheViewConversion)
{
    auto parent = CCNode::node();
    parent->setPosition({100, 50});
    auto touch = makeRef<UITouch>(CGPointMake(101, 52), 0.0);
    EXPECT_EQ(parent->convertTouchToNodeSpace(touch), CGPointMake(1, 2)) << "no view installed: identity";

    ccSetViewSpaceConversions(flipInA480PointView, flipInA480PointView);
    auto viewTouch = makeRef<UITouch>(CGPointMake(101, 480 - 52), 0.0);
    EXPECT_EQ(parent->convertTouchToNodeSpace(viewTouch), CGPointMake(1, 2));
    parent->setContentSize({10, 10});
    parent->setAnchorPoint({0.5f, 0.5f});
    EXPECT_EQ(parent->convertTouchToNodeSpaceAR(viewTouch), CGPointMake(1, 2));
    EXPECT_EQ(parent->convertToWindowSpace({0, 0}), CGPointMake(95, 480 - 45));
    EXPECT_EQ(parent->convertTouchToNodeSpace(nullptr), CGPointZero);
}

TEST_F(CCNodeTest, DescriptionGivesClassAddressAndTag)
{
    auto node = CCNode::node();
    node->setTag(7);
    EXPECT_TRUE(std::regex_match(node->description(), std::regex("<CCNode = [0-9A-F]{8} \\| Tag = 7>")))
        << node->description();
}

TEST_F(CCNodeTest, GameHooksAreAcceptedByEveryNode)
{
    auto node = CCNode::node();
    node->SetInputActive(false);
    node->AfterBuildSeq();
    node->MoveWithTutorial();
    EXPECT_EQ(node->camera(), node->camera()) << "the camera is made once and kept";
    EXPECT_TRUE(node->hasCamera());
}

} // namespace
} // namespace mw
