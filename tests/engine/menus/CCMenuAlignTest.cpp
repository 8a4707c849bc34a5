#include <gtest/gtest.h>

#include <vector>

#include "tests/engine/menus/MenuTestSupport.h"

namespace mw::test {
namespace {

using MenuAlignTest = DirectorTest; // a phone: 320 x 480 points

struct Size {
    float width, height, scale;
};

struct Case {
    const char* name;
    std::vector<Size> items;
    void (*align)(CCMenu&);
    std::vector<CGPoint> expected; // empty: nothing moves
};

TEST_F(MenuAlignTest, ItemsLandWhereEachLayoutPutsThem)
{
    const CGPoint kStart = {7, 7};
    // clang-format off
    const Case cases[] = {
        {"column, default padding", {{40, 20, 1}, {40, 20, 1}, {40, 20, 1}},
         [](CCMenu& m) { m.alignItemsVertically(); }, {{0, 25}, {0, 0}, {0, -25}}},
        {"column counts scaled heights", {{40, 20, 2}, {40, 10, 1}},
         [](CCMenu& m) { m.alignItemsVerticallyWithPadding(0); }, {{0, 5}, {0, -20}}},
        {"row without padding", {{10, 20, 1}, {30, 20, 1}},
         [](CCMenu& m) { m.alignItemsHorizontallyWithPadding(0); }, {{-15, 0}, {5, 0}}},
        {"row, default padding", {{10, 20, 1}, {10, 20, 1}},
         [](CCMenu& m) { m.alignItemsHorizontally(); }, {{-7.5f, 0}, {7.5f, 0}}},
        {"one row of three spread over the window", {{20, 10, 1}, {50, 10, 1}, {20, 10, 1}},
         [](CCMenu& m) { m.alignItemsInColumns({3}); }, {{-80, 0}, {0, 0}, {80, 0}}},
        {"rows of two and one", {{20, 10, 1}, {20, 10, 1}, {20, 10, 1}},
         [](CCMenu& m) { m.alignItemsInColumns({2, 1}); },
         {{-160 + 320 / 3.0f, 7}, {-160 + 640 / 3.0f, 7}, {0, -8}}},
        {"columns of two and one", {{20, 10, 1}, {20, 10, 1}, {20, 10, 1}},
         [](CCMenu& m) { m.alignItemsInRows({2, 1}); }, {{-15, 12.5f}, {-15, -7.5f}, {10, 5}}},
        {"counts short of the children", {{20, 10, 1}, {20, 10, 1}, {20, 10, 1}},
         [](CCMenu& m) { m.alignItemsInColumns({2}); }, {}},
        {"counts past the children", {{20, 10, 1}}, [](CCMenu& m) { m.alignItemsInRows({1, 1}); }, {}},
        {"a count of zero", {{20, 10, 1}}, [](CCMenu& m) { m.alignItemsInColumns({0, 1}); }, {}},
        {"no counts", {{20, 10, 1}}, [](CCMenu& m) { m.alignItemsInRows({}); }, {}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto menu = CCMenu::menuWithItems({});
        std::vector<Ref<CCMenuItem>> items;
        for (const Size& size : c.items) {
            auto picture = rectangle(size.width, size.height);
            auto item = CCMenuItemSprite::itemFromNormalSprite(picture.get(), nullptr);
            item->setScale(size.scale);
            item->setPosition(kStart);
            menu->addChild(item.get());
            items.push_back(item);
        }
        c.align(*menu);
        EXPECT_EQ(menu->position(), CGPointMake(160, 240));
        for (size_t i = 0; i < items.size(); ++i) {
            const CGPoint expected = c.expected.empty() ? kStart : c.expected[i];
            EXPECT_NEAR(items[i]->position().x, expected.x, 1e-3) << "item " << i;
            EXPECT_NEAR(items[i]->position().y, expected.y, 1e-3) << "item " << i;
        }
    }
}

} // namespace
} // namespace mw::test
