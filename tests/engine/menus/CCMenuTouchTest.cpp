#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/touch/CCTouchDispatcher.h"
#include "tests/engine/menus/MenuTestSupport.h"

namespace mw::test {
namespace {

// Claims and swallows every touch offered to it. Targeted handlers are asked
// from the highest priority value down: at -129 it gets what the menu (-128)
// leaves; at 0 it is asked before the menu.
class FallbackLayer : public CCLayer {
public:
    explicit FallbackLayer(int32_t priority = kCCMenuTouchPriority - 1) : priority_(priority)
    {
        setIsTouchEnabled(true);
    }
    void registerWithTouchDispatcher() override
    {
        CCTouchDispatcher::sharedDispatcher()->addTargetedDelegate(this, priority_, true);
    }
    bool ccTouchBegan(UITouch*, const UIEvent&) override
    {
        ++began;
        return true;
    }
    int began = 0;

private:
    int32_t priority_;
};

// A phone scene (320 x 480): a fallback layer, and a menu inside a holder
// node with one 100 x 50 item at the window's centre (GL x 110..210,
// y 215..265) and a second one 100 points above it.
class MenuTouchTest : public DirectorTest {
protected:
    void SetUp() override
    {
        DirectorTest::SetUp();
        if (HasFatalFailure()) return;
        scene = CCScene::node();
        fallback = makeRef<FallbackLayer>();
        scene->addChild(fallback.get());
        holder = CCNode::node();
        scene->addChild(holder.get());
        auto normal = rectangle(100, 50);
        auto pressed = rectangle(100, 50);
        first = CCMenuItemSprite::itemFromNormalSprite(
            normal.get(), pressed.get(), nullptr, [this](CCMenuItem* sender) { fired.push_back(sender); });
        auto upperPicture = rectangle(100, 50);
        second = CCMenuItemSprite::itemFromNormalSprite(
            upperPicture.get(), nullptr, nullptr, [this](CCMenuItem* sender) { fired.push_back(sender); });
        second->setPosition({0, 100});
        menu = CCMenu::menuWithItems({first.get(), second.get()});
        holder->addChild(menu.get());
        director().runWithScene(scene.get());
        driver().runFrames(1);
    }

public:
    // View points have their origin at the top left.
    static CGPoint view(float glX, float glY) { return {glX, 480 - glY}; }

    Ref<CCScene> scene;
    Ref<FallbackLayer> fallback;
    Ref<CCNode> holder;
    Ref<CCMenuItemSprite> first;
    Ref<CCMenuItemSprite> second;
    Ref<CCMenu> menu;
    std::vector<CCMenuItem*> fired;
};

TEST_F(MenuTouchTest, AnItemActivatesOnlyWhenTheTouchEndsOnIt)
{
    struct Case {
        const char* name;
        std::vector<CGPoint> path; // down at the first point, moves, up at the last
        const char* activated; // "first", "second" or nullptr
        int fallbackBegan;
    };
    const Case cases[] = {
        {"tap inside", {view(160, 240), view(160, 240)}, "first", 0},
        {"tap on the edge of the box", {view(110, 215), view(110, 215)}, "first", 0},
        {"slide off and lift", {view(160, 240), view(10, 10)}, nullptr, 0},
        {"slide off and back", {view(160, 240), view(10, 10), view(150, 250)}, "first", 0},
        {"slide to another item", {view(160, 240), view(160, 340)}, "second", 0},
        {"tap beside every item falls through", {view(20, 20), view(20, 20)}, nullptr, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fired.clear();
        fallback->began = 0;
        Ref<UITouch> touch = driver().touchDown(c.path.front());
        for (size_t i = 1; i < c.path.size(); ++i)
            driver().touchMove(touch.get(), c.path[i]);
        driver().touchUp(touch.get());
        driver().runFrames(1);

        std::vector<CCMenuItem*> expected;
        if (c.activated) expected.push_back(std::string(c.activated) == "first" ? first.get() : second.get());
        EXPECT_EQ(fired, expected);
        EXPECT_EQ(fallback->began, c.fallbackBegan);
        EXPECT_FALSE(first->isSelected());
        EXPECT_FALSE(second->isSelected());
    }
}

TEST_F(MenuTouchTest, HiddenOrDisabledMenusAndItemsLetTheTouchFallThrough)
{
    struct Case {
        const char* name;
        void (*hide)(MenuTouchTest&, bool hidden);
    };
    const Case cases[] = {
        {"hidden ancestor", [](MenuTouchTest& t, bool hidden) { t.holder->setVisible(!hidden); }},
        {"hidden menu", [](MenuTouchTest& t, bool hidden) { t.menu->setVisible(!hidden); }},
        {"hidden item", [](MenuTouchTest& t, bool hidden) { t.first->setVisible(!hidden); }},
        {"disabled item", [](MenuTouchTest& t, bool hidden) { t.first->setIsEnabled(!hidden); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fired.clear();
        fallback->began = 0;
        c.hide(*this, true);
        Ref<UITouch> touch = driver().touchDown(view(160, 240));
        driver().touchUp(touch.get());
        EXPECT_TRUE(fired.empty());
        EXPECT_EQ(fallback->began, 1);

        c.hide(*this, false);
        touch = driver().touchDown(view(160, 240));
        driver().touchUp(touch.get());
        EXPECT_EQ(fired, std::vector<CCMenuItem*>{first.get()});
        EXPECT_EQ(fallback->began, 1);
    }
}

TEST_F(MenuTouchTest, AGameLayerAtPriorityZeroIsAskedBeforeTheMenu)
{
    auto board = makeRef<FallbackLayer>(0);
    scene->addChild(board.get());
    Ref<UITouch> touch = driver().touchDown(view(160, 240));
    driver().touchUp(touch.get());
    EXPECT_EQ(board->began, 1);
    EXPECT_TRUE(fired.empty());

    scene->removeChild(board.get(), true);
    touch = driver().touchDown(view(160, 240));
    driver().touchUp(touch.get());
    EXPECT_EQ(fired, std::vector<CCMenuItem*>{first.get()});
}

TEST_F(MenuTouchTest, ThePressedItemShowsItsSelectedPictureUntilTheTouchIsCancelled)
{
    Ref<UITouch> touch = driver().touchDown(view(160, 240));
    EXPECT_TRUE(first->isSelected());
    EXPECT_EQ(menu->selectedItem(), first.get());
    EXPECT_FALSE(first->normalImage()->visible());
    EXPECT_TRUE(first->selectedImage()->visible());

    // A second finger is not claimed while the first is tracked.
    Ref<UITouch> other = driver().touchDown(view(160, 340));
    EXPECT_FALSE(second->isSelected());
    driver().touchUp(other.get());

    driver().touchCancel(touch.get());
    EXPECT_FALSE(first->isSelected());
    EXPECT_TRUE(first->normalImage()->visible());
    EXPECT_FALSE(first->selectedImage()->visible());
    EXPECT_TRUE(fired.empty());
}

TEST_F(MenuTouchTest, LeavingTheStageLetsGoOfThePressedItem)
{
    Ref<UITouch> touch = driver().touchDown(view(160, 240));
    ASSERT_TRUE(first->isSelected());
    holder->removeChild(menu.get(), true);
    EXPECT_FALSE(first->isSelected());
    EXPECT_EQ(menu->selectedItem(), nullptr);
    driver().touchUp(touch.get());
    EXPECT_TRUE(fired.empty());
}

} // namespace
} // namespace mw::test
