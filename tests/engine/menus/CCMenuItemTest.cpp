#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/labels/CCLabelTTF.h"
#include "engine/menus/CCMenuItem.h"
#include "tests/engine/menus/MenuTestSupport.h"

namespace mw::test {
namespace {

using MenuItemTest = DirectorTest;

// The three ways to give an item its callback, each recording what it got.
struct CallbackKind {
    const char* name;
    std::function<CCMenuCallback(CallRecorder&, std::vector<CCMenuItem*>&)> make;
    bool passesSender;
};

const CallbackKind kCallbackKinds[] = {
    {"target without argument",
     [](CallRecorder& r, std::vector<CCMenuItem*>&) {
         return CCMenuCallback(&r, call_selector(CallRecorder::called));
     },
     false},
    {"target with sender",
     [](CallRecorder& r, std::vector<CCMenuItem*>&) {
         return CCMenuCallback(&r, callO_selector(CallRecorder::calledBy));
     },
     true},
    {"block",
     [](CallRecorder&, std::vector<CCMenuItem*>& senders) {
         return CCMenuCallback([&senders](CCMenuItem* sender) { senders.push_back(sender); });
     },
     true},
};

// Every kind of item, made with a callback.
struct ItemKind {
    const char* name;
    std::function<Ref<CCMenuItem>(CCMenuCallback)> make;
};

const ItemKind kItemKinds[] = {
    {"label",
     [](CCMenuCallback cb) -> Ref<CCMenuItem> {
         auto label = makeRef<TextNode>("Play");
         return CCMenuItemLabel::itemWithLabel(label.get(), std::move(cb));
     }},
    {"atlas font",
     [](CCMenuCallback cb) -> Ref<CCMenuItem> {
         return CCMenuItemAtlasFont::itemFromString("12.5", "fps_images.png", 16, 24, '.', std::move(cb));
     }},
    {"font",
     [](CCMenuCallback cb) -> Ref<CCMenuItem> {
         return CCMenuItemFont::itemFromString("Options", std::move(cb));
     }},
    {"sprite",
     [](CCMenuCallback cb) -> Ref<CCMenuItem> {
         auto normal = rectangle(40, 20);
         return CCMenuItemSprite::itemFromNormalSprite(normal.get(), nullptr, nullptr, std::move(cb));
     }},
    {"image",
     [](CCMenuCallback cb) -> Ref<CCMenuItem> {
         return CCMenuItemImage::itemFromNormalImage("fps_images.png", "fps_images.png", {}, std::move(cb));
     }},
    {"toggle",
     [](CCMenuCallback cb) -> Ref<CCMenuItem> {
         auto on = CCMenuItem::itemWithCallback({});
         auto off = CCMenuItem::itemWithCallback({});
         return CCMenuItemToggle::itemWithItems(std::move(cb), {on.get(), off.get()});
     }},
};

TEST_F(MenuItemTest, EveryKindCallsItsCallbackWithItselfAsSender)
{
    for (const ItemKind& kind : kItemKinds) {
        for (const CallbackKind& callback : kCallbackKinds) {
            SCOPED_TRACE(std::string(kind.name) + ", " + callback.name);
            auto recorder = makeRef<CallRecorder>();
            std::vector<CCMenuItem*> blockSenders;
            Ref<CCMenuItem> item = kind.make(callback.make(*recorder, blockSenders));
            ASSERT_NE(item, nullptr);
            item->activate();
            std::vector<Object*> got(recorder->senders);
            got.insert(got.end(), blockSenders.begin(), blockSenders.end());
            Object* expected = callback.passesSender ? static_cast<Object*>(item.get()) : nullptr;
            EXPECT_EQ(got, std::vector<Object*>{expected});

            // Disabled, activation does nothing.
            item->setIsEnabled(false);
            item->activate();
            EXPECT_EQ(recorder->senders.size() + blockSenders.size(), 1u);
        }
    }
}

TEST_F(MenuItemTest, ItemsWithoutACallbackOrPictureAreHarmless)
{
    auto recorder = makeRef<CallRecorder>();
    const CCMenuCallback empties[]
        = {{}, {nullptr, call_selector(CallRecorder::called)}, {recorder.get(), SEL_Call()}};
    for (const CCMenuCallback& empty : empties) {
        EXPECT_FALSE(empty);
        auto item = CCMenuItem::itemWithCallback(empty);
        item->activate();
    }
    EXPECT_TRUE(recorder->senders.empty());

    // Without an image there is no item, and no crash.
    EXPECT_EQ(CCMenuItemImage::itemFromNormalImage("no-such-image.png", {}), nullptr);
    EXPECT_EQ(CCMenuItemAtlasFont::itemFromString("1", "no-such-map.png", 16, 24, '.'), nullptr);
    // A node that shows no text is no label.
    auto picture = rectangle(10, 10);
    auto item = CCMenuItemLabel::itemWithLabel(picture.get());
    EXPECT_EQ(item->label(), nullptr);
    item->setString("ignored");
}

TEST_F(MenuItemTest, ALabelItemZoomsFromItsRestingScaleAndSnapsBackOnActivation)
{
    auto label = makeRef<TextNode>("Play");
    auto item = CCMenuItemLabel::itemWithLabel(label.get());
    EXPECT_EQ(item->contentSize(), CGSizeMake(40, 20));
    EXPECT_EQ(label->anchorPoint(), CGPointZero);
    auto scene = CCScene::node();
    scene->addChild(item.get());
    director().runWithScene(scene.get());
    driver().runFrames(1);

    item->setScale(2);
    item->selected();
    driver().runFrames(12); // 0.2 s: the 0.1 s zoom is over
    EXPECT_FLOAT_EQ(item->scale(), 2.4f);

    // Slid off and back while shrinking: it grows towards 1.2 x 2 again, not
    // 1.2 x its current scale.
    item->unselected();
    driver().runFrames(3);
    EXPECT_LT(item->scale(), 2.4f);
    item->selected();
    driver().runFrames(12);
    EXPECT_FLOAT_EQ(item->scale(), 2.4f);

    item->unselected();
    item->activate();
    EXPECT_FLOAT_EQ(item->scale(), 2.0f);
    EXPECT_EQ(item->numberOfRunningActions(), 0u);
}

TEST_F(MenuItemTest, ADisabledLabelItemIsGreyAndGetsItsColourBack)
{
    auto label = makeRef<TextNode>("Play");
    auto item = CCMenuItemLabel::itemWithLabel(label.get());
    item->setColor(ccc3(255, 0, 0));
    item->setIsEnabled(false);
    EXPECT_EQ(label->color(), ccc3(126, 126, 126));
    item->setIsEnabled(false); // no change: the backup stays red
    item->setColor(ccc3(0, 255, 0));
    item->setIsEnabled(true);
    EXPECT_EQ(label->color(), ccc3(255, 0, 0));

    item->setString("Continue");
    EXPECT_EQ(item->contentSize(), CGSizeMake(80, 20));
}

TEST_F(MenuItemTest, AFontItemKeepsItsOwnFontWhenTheDefaultsChange)
{
    CCMenuItemFont::setDefaultFontSize(20);
    auto item = CCMenuItemFont::itemFromString("Go");
    ASSERT_NE(item, nullptr);
    CCMenuItemFont::setDefaultFontSize(32);
    EXPECT_EQ(item->fontSize(), 20u);
    EXPECT_EQ(item->fontName(), "Marker Felt");
    auto* label = dynamic_cast<CCLabelTTF*>(item->label());
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->fontName(), "Marker Felt");
    item->setFontName("HelveticaNeue");
    label = dynamic_cast<CCLabelTTF*>(item->label());
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->fontName(), "HelveticaNeue");
    EXPECT_EQ(label->string(), "Go");
    EXPECT_EQ(item->fontSize(), 20u);
}

TEST_F(MenuItemTest, ASpriteItemShowsOneNodeForEachState)
{
    struct Case {
        const char* name;
        bool withSelected;
        bool withDisabled;
        std::function<void(CCMenuItemSprite&)> act;
        bool normal, selected, disabled; // visibility afterwards
    };
    const Case cases[] = {
        {"pressed", true, true, [](CCMenuItemSprite& i) { i.selected(); }, false, true, false},
        {"pressed without a selected node", false, true, [](CCMenuItemSprite& i) { i.selected(); }, true,
         false, false},
        {"released", true, true, [](CCMenuItemSprite& i) { i.selected(), i.unselected(); }, true, false,
         false},
        {"disabled", true, true, [](CCMenuItemSprite& i) { i.setIsEnabled(false); }, false, false, true},
        {"disabled without a disabled node", true, false, [](CCMenuItemSprite& i) { i.setIsEnabled(false); },
         true, false, false},
        {"enabled again", true, true,
         [](CCMenuItemSprite& i) { i.setIsEnabled(false), i.setIsEnabled(true); }, true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto normal = rectangle(40, 20);
        auto selected = rectangle(40, 20);
        auto disabled = rectangle(40, 20);
        auto item
            = CCMenuItemSprite::itemFromNormalSprite(normal.get(), c.withSelected ? selected.get() : nullptr,
                                                     c.withDisabled ? disabled.get() : nullptr);
        EXPECT_EQ(item->contentSize(), CGSizeMake(40, 20));
        c.act(*item);
        EXPECT_EQ(normal->visible(), c.normal);
        if (c.withSelected) {
            EXPECT_EQ(selected->visible(), c.selected);
        }
        if (c.withDisabled) {
            EXPECT_EQ(disabled->visible(), c.disabled);
        }
    }
}

TEST_F(MenuItemTest, ColourAndOpacityReachEveryStateNode)
{
    auto normal = rectangle(40, 20);
    auto selected = rectangle(40, 20);
    auto item = CCMenuItemSprite::itemFromNormalSprite(normal.get(), selected.get());
    auto menu = CCMenu::menuWithItems({item.get()});
    menu->setColor(ccc3(1, 2, 3));
    menu->setOpacity(100);
    EXPECT_EQ(selected->color(), ccc3(1, 2, 3));
    EXPECT_EQ(selected->opacity(), 100);
    EXPECT_EQ(item->color(), ccc3(1, 2, 3));
    EXPECT_EQ(menu->opacity(), 100);
}

TEST_F(MenuItemTest, AToggleCyclesItsItemsBeforeCallingBack)
{
    std::vector<uint32_t> seen;
    auto small = rectangle(10, 10);
    auto middle = rectangle(20, 10);
    auto large = rectangle(30, 10);
    auto a = CCMenuItemSprite::itemFromNormalSprite(small.get(), nullptr);
    auto b = CCMenuItemSprite::itemFromNormalSprite(middle.get(), nullptr);
    auto c = CCMenuItemSprite::itemFromNormalSprite(large.get(), nullptr);
    CCMenuItemToggle* self = nullptr;
    auto toggle = CCMenuItemToggle::itemWithItems([&](CCMenuItem*) { seen.push_back(self->selectedIndex()); },
                                                  {a.get(), b.get(), c.get()});
    self = toggle.get();
    EXPECT_EQ(toggle->selectedIndex(), 0u);
    EXPECT_EQ(toggle->getChildByTag(kCCCurrentItemTag), a.get());
    for (int i = 0; i < 4; ++i)
        toggle->activate();
    EXPECT_EQ(seen, (std::vector<uint32_t>{1, 2, 0, 1}));
    EXPECT_EQ(toggle->selectedItem(), b.get());
    EXPECT_EQ(toggle->contentSize(), CGSizeMake(20, 10));
    EXPECT_EQ(b->position(), CGPointMake(10, 5));
    EXPECT_EQ(a->parent(), nullptr);

    toggle->selected();
    EXPECT_TRUE(b->isSelected());
    toggle->setIsEnabled(false);
    EXPECT_FALSE(a->isEnabled());
    EXPECT_FALSE(c->isEnabled());
}

TEST_F(MenuItemTest, AToggleRefusesAnIndexPastItsItems)
{
    auto a = CCMenuItem::itemWithCallback({});
    auto toggle = CCMenuItemToggle::itemWithItems({}, {a.get()});
    toggle->setSelectedIndex(3);
    EXPECT_EQ(toggle->selectedIndex(), 0u);
    EXPECT_EQ(toggle->selectedItem(), a.get());

    int calls = 0;
    auto empty = CCMenuItemToggle::itemWithItems([&](CCMenuItem*) { ++calls; }, {});
    EXPECT_EQ(empty->selectedItem(), nullptr);
    empty->activate();
    empty->selected();
    empty->unselected();
    EXPECT_EQ(calls, 1);
}

} // namespace
} // namespace mw::test
