#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/base/ccContentScale.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "engine/textures/CCTextureCache.h"
#include "engine/touch/CCTouchDispatcher.h"
#include "foundation/Paths.h"
#include "game/front/CCTransitionDoors.h"
#include "game/state/SaveFile.h"
#include "platform/RootView.h"
#include "social/session/LumoraSlimlineSession.h"
#include "tests/game/front/MainMenuTestSupport.h"

namespace mw {
namespace {

float points(const CCLabelTTF* label) { return label->fontSizeInPixels() / CC_CONTENT_SCALE_FACTOR(); }

bool sameColour(ccColor3B a, ccColor3B b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

// The label of the only item of a plate's menu.
CCLabelTTF* plateLabel(CCMenu* menu)
{
    if (menu == nullptr || menu->children()->count() != 1) return nullptr;
    auto* item = dynamic_cast<CCMenuItemLabel*>(menu->children()->objectAtIndexAs<CCNode>(0));
    return item ? dynamic_cast<CCLabelTTF*>(item->label()) : nullptr;
}

TEST(MainMenuChoices, SheetAndBackgroundByDevice)
{
    struct Row {
        bool isIpad;
        bool isIp3;
        float pixels;
        const char* sheet;
        const char* background;
    };
    const Row rows[] = {
        {false, true, 320, "MainMenu_L.plist", "v3_mainmenu_bg_1.jpg"},
        {false, false, 640, "MainMenu_H.plist", "v3_mainmenu_bg_2.jpg"},
        {true, false, 768, "MainMenu_H.plist", "v3_mainmenu_bg_2.jpg"},
        {true, false, 1024, "MainMenu_H.plist", "v3_mainmenu_bg_2.jpg"},
        {true, false, 1200, "MainMenu_H2.plist", "v3_mainmenu_bg_2.jpg"},
        {true, false, 1536, "MainMenu_H2.plist", "v3_mainmenu_bg_3.jpg"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(CCTransitionDoors::menuSheet(row.isIpad, row.isIp3, row.pixels), row.sheet) << row.pixels;
        EXPECT_EQ(MainMenuScene::backgroundImage(row.isIp3, row.pixels), row.background) << row.pixels;
    }
}

class MainMenuTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override { ASSERT_TRUE(world_.run.ok()); }
    bool tablet() { return GlobalObject::sharedInstance()->isIpad; }
    CGSize window() { return world_.run.driver().director()->winSize(); }

    test::MenuWorld world_ {GetParam()};
};

TEST_P(MainMenuTest, BackgroundFlagsLogoAndIcons)
{
    MainMenuScene& menu = world_.start();
    const CGSize w = window();
    GlobalObject* global = GlobalObject::sharedInstance();
    const float pixels = world_.run.driver().director()->winSizeInPixels().width;
    EXPECT_TRUE(CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName("logo_MW_01.png"));
    ASSERT_NE(menu.bacground, nullptr);
    EXPECT_EQ(menu.bacground->texture(),
              CCTextureCache::sharedTextureCache()
                  ->textureForKey(MainMenuScene::backgroundImage(global->isIp3, pixels))
                  .get());
    EXPECT_EQ(menu.bacground->anchorPoint(), (CGPoint {0, 0.5f}));
    EXPECT_EQ(menu.bacground->position(), (CGPoint {0, w.height * 0.5f}));

    // The flags stand in the background's own coordinates and loop.
    const std::vector<CGPoint> flags = tablet() ? std::vector<CGPoint> {{681, 670}, {742, 620}, {609, 580}}
                                                : std::vector<CGPoint> {{340, 335}, {371, 310}, {304, 290}};
    ASSERT_EQ(menu.bacground->children()->count(), flags.size());
    for (size_t i = 0; i < flags.size(); ++i) {
        auto* flag = dynamic_cast<Animation*>(menu.bacground->children()->objectAtIndexAs<CCNode>(i));
        ASSERT_NE(flag, nullptr);
        EXPECT_EQ(flag->position(), flags[i]);
        EXPECT_TRUE(flag->Loop);
    }

    ASSERT_NE(menu.logo, nullptr);
    EXPECT_EQ(menu.logo->position(), (CGPoint {w.width * 0.5f, w.height * 0.8f}));
    ASSERT_EQ(menu.logo->children()->count(), 1u);
    auto* wheel = menu.logo->children()->objectAtIndexAs<CCNode>(0);
    const float before = wheel->rotation();
    world_.run.run(1.5);
    EXPECT_NEAR(wheel->rotation() - before, 359.0f / 10, 1.0f) << "a turn in 15 s";

    const float hw = w.width * 0.5f, hh = w.height * 0.5f;
    EXPECT_EQ(menu.MenuItemContainer->position(), (CGPoint {hw, 0.58f * hh}));
    struct Icon {
        int tag;
        CGPoint phone;
        CGPoint tablet;
    };
    const Icon icons[] = {
        {MainMenuScene::kFacebookTag, {0.85f * hw, -0.46f * hh}, {0.62f * hw, -0.49f * hh}},
        {MainMenuScene::kTwitterTag, {0.85f * hw + 2, -0.29f * hh + 2}, {0.85f * hw, -0.49f * hh}},
        {MainMenuScene::kAchievementsTag, {-0.85f * hw, -0.29f * hh}, {-0.85f * hw, -0.49f * hh}},
        {MainMenuScene::kScoresTag, {-0.85f * hw, -0.46f * hh}, {-0.62f * hw, -0.49f * hh}},
    };
    for (const Icon& icon : icons) {
        CCNode* button = menu.MenuItemContainer->getChildByTag(icon.tag);
        ASSERT_NE(button, nullptr) << icon.tag;
        EXPECT_EQ(button->position(), tablet() ? icon.tablet : icon.phone) << icon.tag;
    }
    EXPECT_TRUE(LumoraSlimlineSession::isLumoraUIActive());
    EXPECT_EQ(global->LastBcgSound, "sound_farm1.aac");
}

TEST_P(MainMenuTest, WithoutTheGameCentreOnlyTheLinksShow)
{
    const struct {
        const char* name;
        const char* version;
        bool localPlayer;
    } rows[] = {{"system 4.0", "4.0", true}, {"no local player", "10.0", false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        test::ScopedDeviceServices device;
        device.facts->version = row.version;
        world_.gameCentre->localPlayer = row.localPlayer;
        MainMenuScene& menu = world_.start();
        EXPECT_NE(menu.MenuItemContainer->getChildByTag(MainMenuScene::kFacebookTag), nullptr);
        EXPECT_NE(menu.MenuItemContainer->getChildByTag(MainMenuScene::kTwitterTag), nullptr);
        EXPECT_EQ(menu.MenuItemContainer->getChildByTag(MainMenuScene::kAchievementsTag), nullptr);
        EXPECT_EQ(menu.MenuItemContainer->getChildByTag(MainMenuScene::kScoresTag), nullptr);
    }
}

TEST_P(MainMenuTest, PlatesWithoutASaveFileEvenWhenTheDefaultSaysLoaded)
{
    UserDefaults::standardUserDefaults().setBool("Loaded", true);
    Profile::sharedInstance()->Loaded = true;
    // The loading scene's logos, still cached from the screen before.
    GlobalObject* global = GlobalObject::sharedInstance();
    const std::vector<std::string> logos = global->isIp3
        ? std::vector<std::string> {"main_interface_logotype_quillfen_small.png",
                                    "main_interface_logotype_zandovar_small.png"}
        : std::vector<std::string> {"main_interface_logotype_quillfen.png",
                                    "main_interface_logotype_zandovar.png"};
    for (const std::string& logo : logos)
        ASSERT_NE(CCTextureCache::sharedTextureCache()->addImage(logo), nullptr);

    MainMenuScene& menu = world_.start();
    EXPECT_FALSE(Profile::sharedInstance()->Loaded);
    for (const std::string& logo : logos)
        EXPECT_EQ(CCTextureCache::sharedTextureCache()->textureForKey(logo), nullptr);
    ASSERT_NE(menu.a, nullptr);
    ASSERT_NE(menu.menu1, nullptr);
    EXPECT_EQ(menu.a->position(), (CGPoint {window().width * 0.5f, window().height * 0.35f}));
    EXPECT_EQ(menu.menu1m, nullptr);
    EXPECT_EQ(menu.btMain, nullptr);
    CCLabelTTF* welcome = nullptr;
    for (uint32_t i = 0; i < menu.menu1->children()->count(); ++i)
        if (auto* label = dynamic_cast<CCLabelTTF*>(menu.menu1->children()->objectAtIndexAs<CCNode>(i)))
            welcome = label;
    ASSERT_NE(welcome, nullptr);
    EXPECT_EQ(welcome->string(), world_.text("WELCOME_TEXT"));
    EXPECT_EQ(welcome->fontName(), "HelveticaNeue-Bold");
    EXPECT_EQ(points(welcome), tablet() ? 50.0f : 25.0f);
    EXPECT_TRUE(sameColour(welcome->color(), ccc3(198, 50, 5)));
    const CGSize plate = menu.menu1->contentSize();
    EXPECT_EQ(welcome->position(), (CGPoint {plate.width / 2, plate.height / 2}));

    struct Row {
        CCMenu* menu;
        const char* key;
        float lower;
    };
    const Row rows[] = {{menu.menu2m.get(), "MM_NEW_GAME", tablet() ? 4.0f : 2.0f},
                        {menu.menu3m.get(), "MM_OPTIONS", tablet() ? 2.0f : 1.0f}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.key);
        CCLabelTTF* label = plateLabel(row.menu);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->string(), world_.text(row.key));
        EXPECT_EQ(label->fontName(), "HelveticaNeue-Bold");
        EXPECT_EQ(points(label), tablet() ? 46.0f : 23.0f);
        EXPECT_TRUE(sameColour(label->color(), ccc3(255, 247, 210)));
        ASSERT_EQ(label->children()->count(), 1u);
        auto* shadow = dynamic_cast<CCLabelTTF*>(label->children()->objectAtIndexAs<CCNode>(0));
        ASSERT_NE(shadow, nullptr);
        EXPECT_EQ(shadow->string(), label->string());
        EXPECT_EQ(shadow->zOrder(), -1);
        EXPECT_TRUE(sameColour(shadow->color(), ccc3(46, 36, 29)));
        const CGSize size = label->contentSize();
        EXPECT_EQ(shadow->position(), (CGPoint {size.width / 2 + 1, size.height / 2 - 1}));
        const CGSize plateSize = row.menu->parent()->contentSize();
        EXPECT_EQ(row.menu->position(), (CGPoint {plateSize.width / 2, plateSize.height / 2 - row.lower}));
    }
    world_.run.run(1.5);
    world_.run.picture("menu-new");
}

TEST_P(MainMenuTest, PlatesWithASavedVillage)
{
    world_.saveVillage("Mossbury");
    MainMenuScene& menu = world_.start();
    ASSERT_NE(menu.btMain, nullptr);
    auto* name = dynamic_cast<CCLabelTTF*>(menu.btMain->label());
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->string(), "Mossbury");
    EXPECT_EQ(points(name), tablet() ? 50.0f : 25.0f);
    EXPECT_TRUE(sameColour(name->color(), ccc3(198, 50, 5)));
    EXPECT_EQ(menu.menu1m->parent(), menu.menu1);
    CCLabelTTF* cont = plateLabel(menu.menu2m.get());
    ASSERT_NE(cont, nullptr);
    EXPECT_EQ(cont->string(), world_.text("MM_CONTINUE"));
    const CGSize plate = menu.menu2m->parent()->contentSize();
    EXPECT_EQ(menu.menu2m->position(), (CGPoint {plate.width / 2, plate.height / 2}));
    world_.run.run(1.5);
    world_.run.picture("menu-saved");
}

// A save's place that cannot even be looked at (here a loop of links, which
// fails for root too) builds the menu all the same: nothing is thrown out of
// the scene's constructor, and the plates follow the profile's flag, which
// the failed load cleared.
TEST_P(MainMenuTest, ASavePlaceThatCannotBeLookedAtStillBuildsTheMenu)
{
    ASSERT_TRUE(Paths::createDirectories(Paths::documentsDirectory()));
    ASSERT_EQ(::symlink("supersave.plist", SaveFile::path().c_str()), 0);
    Profile::sharedInstance()->Loaded = false;
    MainMenuScene* menu = nullptr;
    EXPECT_NO_THROW(menu = &world_.start());
    ASSERT_NE(menu, nullptr);
    CCLabelTTF* second = plateLabel(menu->menu2m.get());
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->string(), world_.text("MM_NEW_GAME"));
    EXPECT_TRUE(std::filesystem::is_symlink(SaveFile::path())) << "left as it was";
}

TEST_P(MainMenuTest, InputSwitchAndHidingTouchEveryMemberThatExists)
{
    world_.saveVillage("Mossbury");
    MainMenuScene& menu = world_.start();
    menu.SetInputActive(false);
    for (CCMenu* m :
         {menu.MenuItemContainer.get(), menu.menu1m.get(), menu.menu2m.get(), menu.menu3m.get()}) {
        ASSERT_NE(m, nullptr);
        EXPECT_FALSE(m->isTouchEnabled());
    }
    menu.SetInputActive(true);
    EXPECT_TRUE(menu.menu2m->isTouchEnabled());
    menu.onHide();
    for (CCNode* node :
         {static_cast<CCNode*>(menu.logo.get()), static_cast<CCNode*>(menu.bacground.get()),
          static_cast<CCNode*>(menu.a.get()), static_cast<CCNode*>(menu.menu1m.get()),
          static_cast<CCNode*>(menu.menu2m.get()), static_cast<CCNode*>(menu.menu3m.get()),
          static_cast<CCNode*>(menu.MenuItemContainer.get()), static_cast<CCNode*>(menu.btMain.get())})
        EXPECT_FALSE(node->visible());
    EXPECT_EQ(menu.IntroText, nullptr) << "no intro: skipped";
}

TEST_P(MainMenuTest, LeaderboardScoresGoFirstInOrderAndScreensKeepThePullTab)
{
    Profile* profile = Profile::sharedInstance();
    profile->FingerLength = 199;
    profile->Points = 1234;
    profile->HighscoreMine = 50;
    profile->HighscoreFields = 70;
    MainMenuScene& menu = world_.start();
    menu.ScoresCallback();
    const std::string distance = tablet() ? "3" : "1";
    EXPECT_EQ(
        world_.gameCentre->scores,
        (std::vector<std::string> {"com.zandovar.mw.distancetraced " + distance,
                                   "com.zandovar.mw.totalpoints 1234", "com.zandovar.mw.highscores 70"}));
    EXPECT_EQ(RootView::sharedRootView().frontScreen(), nullptr) << "the screen comes after the scores";
    world_.run.run(2.0 / 60);
    ModalScreen* screen = RootView::sharedRootView().frontScreen();
    ASSERT_NE(screen, nullptr);
    EXPECT_TRUE(LumoraSlimlineSession::isLumoraUIActive());
    screen->dismiss();
    EXPECT_TRUE(LumoraSlimlineSession::isLumoraUIActive());

    menu.AchievementsCallback();
    world_.run.run(2.0 / 60);
    screen = RootView::sharedRootView().frontScreen();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->title, "Achievements");
    screen->dismiss();
    EXPECT_TRUE(LumoraSlimlineSession::isLumoraUIActive());
    EXPECT_EQ(world_.soundsNamed("selection_menu"), 2);
}

TEST_P(MainMenuTest, OutsideLinksAndTheDownloadBanner)
{
    MainMenuScene& menu = world_.start();
    menu.FacebookCallback();
    menu.TwitterCallback();
    EXPECT_EQ(world_.links->opened,
              (std::vector<std::string> {MainMenuScene::kFacebookAddress, MainMenuScene::kTwitterAddress}));
    EXPECT_EQ(std::string(MainMenuScene::kFacebookAddress).rfind("https://", 0), 0u);
    EXPECT_EQ(std::string(MainMenuScene::kTwitterAddress).rfind("http://", 0), 0u);

    menu.downloadFinished(nullptr);
    CCNode* label = menu.getChildByTag(MainMenuScene::kDownloadLabelTag);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(static_cast<CCLabelTTF*>(label)->string(), "Config Downloaded!");
    EXPECT_EQ(label->zOrder(), 3);
    EXPECT_EQ(label->position(), (CGPoint {window().width * 0.5f, window().height * 0.96f}));
    EXPECT_EQ(label->scale(), 0.8f);
    const float scales[] = {1.2f, 0.9f, 1.0f};
    world_.run.run(1.0 / 60); // the first step of an action started between frames takes no time
    for (float scale : scales) {
        world_.run.run(0.1);
        EXPECT_NEAR(label->scale(), scale, 0.02f);
    }
    world_.run.run(0.95 - 1.0 / 60);
    EXPECT_NE(menu.getChildByTag(MainMenuScene::kDownloadLabelTag), nullptr);
    world_.run.run(0.1);
    EXPECT_EQ(menu.getChildByTag(MainMenuScene::kDownloadLabelTag), nullptr) << "gone after 1.3 s";
}

TEST_P(MainMenuTest, ContinuePlaysItsSoundAndLeavesThroughTheDoors)
{
    world_.saveVillage("Mossbury");
    MainMenuScene& menu = world_.start();
    GlobalObject* global = GlobalObject::sharedInstance();
    global->CurrentSceneId = 2; // as if a field board had been left
    menu.ContinueCallback();
    EXPECT_EQ(world_.soundsNamed("selection_menu"), 1);
    EXPECT_TRUE(test::noPullTabOnScreen());
    EXPECT_EQ(global->CurrentSceneId, -1) << "set 0 loaded, then the noted set 2 unloaded";
    world_.run.run(2.0 / 60);
    EXPECT_NE(dynamic_cast<CCTransitionDoorsFromMenu*>(world_.run.driver().director()->runningScene()),
              nullptr);
    EXPECT_FALSE(CCTouchDispatcher::sharedDispatcher()->dispatchEvents());
}

TEST_P(MainMenuTest, OptionsOpenThePopUpOverTheMenuAndItsCloseGivesTheInputBack)
{
    world_.saveVillage("Mossbury");
    MainMenuScene& menu = world_.start();
    menu.OptionsCallback();
    EXPECT_EQ(world_.soundsNamed("selection_menu"), 1);
    MainMenuPopUp* popUp = nullptr;
    for (uint32_t i = 0; i < menu.children()->count(); ++i)
        if (auto* found = dynamic_cast<MainMenuPopUp*>(menu.children()->objectAtIndexAs<CCNode>(i)))
            popUp = found;
    ASSERT_NE(popUp, nullptr);
    EXPECT_EQ(popUp->zOrder(), 6);
    EXPECT_EQ(popUp->position(), (CGPoint {window().width / 2, window().height / 2}));
    for (CCMenu* m : {menu.MenuItemContainer.get(), menu.menu1m.get(), menu.menu2m.get(), menu.menu3m.get()})
        EXPECT_FALSE(m->isTouchEnabled());
    popUp->BackCallback(nullptr);
    for (CCMenu* m : {menu.MenuItemContainer.get(), menu.menu1m.get(), menu.menu2m.get(), menu.menu3m.get()})
        EXPECT_TRUE(m->isTouchEnabled());
}

INSTANTIATE_TEST_SUITE_P(Devices, MainMenuTest,
                         ::testing::Values("phone", "phone-hd", "tablet", "tablet-hd"));

} // namespace
} // namespace mw
