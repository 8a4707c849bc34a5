#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/director/CCDirector.h"
#include "foundation/AtomicFile.h"
#include "foundation/Paths.h"
#include "foundation/UserDefaults.h"
#include "game/front/CCTransitionDoors.h"
#include "game/state/SaveFile.h"
#include "platform/AlertView.h"
#include "platform/RootView.h"
#include "social/session/LumoraSlimlineSession.h"
#include "tests/game/front/MainMenuTestSupport.h"
#include "tests/game/state/GameStateTestSupport.h"
#include "tests/support/RecordingSessionCalls.h"

namespace mw {
namespace {

class NewVillageTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(world_.run.ok()); }
    HeadlessDriver& driver() { return world_.run.driver(); }

    test::MenuWorld world_ {"phone-hd"};
};

TEST_F(NewVillageTest, NamesAreCountedInUtf16Units)
{
    test::RecordingSessionCalls socialCalls;
    struct Row {
        const char* name;
        bool accepted;
    };
    const Row rows[] = {
        {"", false},
        {"Abcdefghijk", true}, // 11 letters
        {"Abcdefghijkl", false}, // 12
        {"Zażółć gęśl", true}, // 11 characters, 11 units
        {"Abcdefghi\xF0\x9F\x8C\xB2", true}, // 9 letters and a tree: 11 units
        {"Abcdefghij\xF0\x9F\x8C\xB2", false}, // 10 letters and a tree: 12 units, 11 characters
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(MainMenuScene::isValidVillageName(row.name), row.accepted);
        MainMenuScene& menu = world_.start();
        const size_t closedBefore = socialCalls.calls().size();
        menu.StartCallback();
        AlertView* alert = world_.alert();
        ASSERT_NE(alert, nullptr);
        EXPECT_EQ(alert->title, world_.text("MM_NAME_VILLAGE"));
        EXPECT_EQ(alert->message, "\n" + world_.text("MAX_11"));
        EXPECT_EQ(alert->buttonTitles,
                  (std::vector<std::string> {world_.text("BUTTON_CANCEL"), world_.text("BUTTON_OK")}));
        EXPECT_TRUE(alert->hasTextField);
        ASSERT_TRUE(driver().typeText(row.name));
        ASSERT_TRUE(driver().pressAlertButton(1));
        if (row.accepted) {
            EXPECT_EQ(world_.alert(), nullptr);
            const std::vector<std::string> calls = socialCalls.calls();
            EXPECT_EQ(std::vector<std::string>(calls.begin() + closedBefore, calls.end()),
                      (std::vector<std::string> {"deactivateLumoraUI", "closeLumoraSession"}));
            EXPECT_TRUE(test::noPullTabOnScreen());
            EXPECT_GT(menu.numberOfRunningActions(), 0u) << "the menu is being cleared";
        } else {
            ASSERT_NE(world_.alert(), nullptr);
            EXPECT_EQ(world_.alert()->title, world_.text("MAX_WARNING"));
            EXPECT_EQ(world_.alert()->message, world_.text("MAX_INFO"));
            ASSERT_TRUE(driver().pressAlertButton(0));
            EXPECT_EQ(world_.alert()->title, world_.text("MM_NAME_VILLAGE")) << "the name alert again";
            EXPECT_EQ(world_.alert()->text, "");
            ASSERT_TRUE(driver().pressAlertButton(0));
            EXPECT_EQ(menu.numberOfRunningActions(), 0u);
        }
    }
}

TEST_F(NewVillageTest, ClosingTheWarningReopensAnEmptyAlertWithoutSoundAndCancelStartsNothing)
{
    MainMenuScene& menu = world_.start();
    menu.StartCallback();
    EXPECT_EQ(world_.soundsNamed("selection_menu"), 1);
    ASSERT_TRUE(driver().typeText("Abcdefghijklmn"));
    ASSERT_TRUE(driver().pressAlertButton(1));
    ASSERT_TRUE(driver().pressAlertButton(0)); // the warning
    ASSERT_NE(world_.alert(), nullptr);
    EXPECT_EQ(world_.alert()->text, "");
    EXPECT_EQ(world_.soundsNamed("selection_menu"), 1) << "reopened without sound";
    ASSERT_TRUE(driver().pressAlertButton(0)); // cancel
    EXPECT_EQ(world_.alert(), nullptr);
    world_.run.run(1.5);
    EXPECT_TRUE(LumoraSlimlineSession::isLumoraUIActive());
    EXPECT_TRUE(RootView::sharedRootView().spinners().empty());
    EXPECT_EQ(menu.logo->position(), (CGPoint {160, 480 * 0.8f})) << "nothing moved";
}

// Two alerts whose titles read alike (both strings missing) are still told
// apart: the warning's close reopens the name alert, and an answer of the
// name alert is never taken for the warning's.
// A save that could not be taken and cannot be moved aside (no room in the
// folder's paths for a kept name, for root too) stays where it is; a new
// game beside it cannot set it aside either. The player reads both reasons
// as they are, not a word about a full disk, and nothing writes over it.
TEST_F(NewVillageTest, ANewGameThatCannotSetTheOldSaveAsideSaysWhy)
{
    test::ScopedEnv cramped("MOSSWICK_HOME", test::homeWithNoRoomForKeptNames(world_.run.home.path()));
    UserDefaults::resetStandardUserDefaults();
    world_.saveVillage("Oldtown");
    std::vector<uint8_t> whole;
    ASSERT_TRUE(AtomicFile::read(SaveFile::path(), whole));
    const std::vector<uint8_t> cut(whole.begin(), whole.begin() + whole.size() / 2);
    ASSERT_TRUE(AtomicFile::write(SaveFile::path(), cut.data(), cut.size()));
    Profile::purgeSharedInstance();

    // The loading scene's load.
    EXPECT_FALSE(Profile::sharedInstance()->Load());
    ASSERT_NE(world_.alert(), nullptr);
    EXPECT_EQ(world_.alert()->title, world_.text("SAVE_UNREADABLE_HEAD"));
    EXPECT_EQ(world_.alert()->message, world_.text("SAVE_UNREADABLE_LEFT_TEXT"));
    ASSERT_TRUE(driver().pressAlertButton(0));

    MainMenuScene& menu = world_.start();
    menu.StartCallback();
    ASSERT_TRUE(driver().typeText("Newtown"));
    ASSERT_TRUE(driver().pressAlertButton(1));
    world_.run.run(1.2);
    EXPECT_EQ(Profile::sharedInstance()->VillageName, "Newtown") << "the new game goes on";
    const std::vector<Ref<AlertView>> shown = AlertViewPresenter::sharedPresenter().visibleAlerts();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0]->title, world_.text("SAVE_NOT_SET_ASIDE_HEAD"));
    EXPECT_EQ(shown[0]->message, world_.text("SAVE_NOT_SET_ASIDE_TEXT"));

    // Later save points change nothing on disk and tell nothing more.
    Profile::sharedInstance()->Save();
    world_.run.run(0.1);
    EXPECT_EQ(AlertViewPresenter::sharedPresenter().visibleAlerts().size(), 1u);
    std::vector<uint8_t> onDisk;
    ASSERT_TRUE(AtomicFile::read(SaveFile::path(), onDisk));
    EXPECT_EQ(onDisk, cut);
}

TEST_F(NewVillageTest, AlertsAreToldApartByObjectNotByTitle)
{
    LocalisationManager::sharedInstance()->parseCSVData("\"key\"|\"en\"|\"de\"|\"pl\"\n");
    MainMenuScene& menu = world_.start();
    menu.StartCallback();
    ASSERT_EQ(world_.alert()->title, "NO STRING");
    ASSERT_TRUE(driver().typeText("Mossbury"));
    ASSERT_TRUE(driver().pressAlertButton(1));
    EXPECT_EQ(world_.alert(), nullptr) << "accepted, not mistaken for the warning";
    EXPECT_GT(menu.numberOfRunningActions(), 0u);
}

TEST_F(NewVillageTest, RenameRefusedCancelledAndAcceptedAndSaved)
{
    world_.saveVillage("Oldtown");
    MainMenuScene& menu = world_.start();
    menu.RenameCallback();
    EXPECT_TRUE(menu.REnameActive);
    EXPECT_EQ(world_.soundsNamed("selection_menu"), 0);
    ASSERT_NE(world_.alert(), nullptr);
    EXPECT_EQ(world_.alert()->title, world_.text("MM_RENAME_VILLAGE"));
    EXPECT_EQ(world_.alert()->text, "Oldtown");

    ASSERT_TRUE(driver().pressBackspace());
    ASSERT_TRUE(driver().typeText("nnnnnnnnnnn"));
    ASSERT_TRUE(driver().pressAlertButton(1));
    EXPECT_EQ(world_.alert()->title, world_.text("MAX_WARNING"));
    ASSERT_TRUE(driver().pressAlertButton(0));
    EXPECT_EQ(world_.alert()->title, world_.text("MM_RENAME_VILLAGE"));
    EXPECT_EQ(world_.alert()->text, "Oldtown") << "filled with the name still stored";

    ASSERT_TRUE(driver().pressAlertButton(0));
    EXPECT_EQ(Profile::sharedInstance()->VillageName, "Oldtown");
    EXPECT_EQ(world_.alert(), nullptr);

    menu.RenameCallback();
    for (int i = 0; i < 7; ++i)
        ASSERT_TRUE(driver().pressBackspace());
    ASSERT_TRUE(driver().typeText("Newbury"));
    ASSERT_TRUE(driver().pressAlertButton(1));
    EXPECT_EQ(Profile::sharedInstance()->VillageName, "Newbury");
    EXPECT_EQ(static_cast<CCLabelTTF*>(menu.btMain->label())->string(), "Newbury");

    // Saved at once: a fresh profile reads the new name from the file.
    Profile::purgeSharedInstance();
    ASSERT_TRUE(Profile::sharedInstance()->Load());
    EXPECT_EQ(Profile::sharedInstance()->VillageName, "Newbury");
}

struct GameDataCase {
    const char* name;
    bool cachesCopy;
    bool cachesCopyRefused;
};

class NewGameTimeline : public ::testing::TestWithParam<GameDataCase> {
protected:
    void SetUp() override { ASSERT_TRUE(world_.run.ok()); }
    HeadlessDriver& driver() { return world_.run.driver(); }
    double now() { return driver().clock().monotonicSeconds(); }
    std::optional<double> soundAt(const std::string& key)
    {
        for (const auto& [name, at] : world_.sounds)
            if (name == key) return at;
        return std::nullopt;
    }

    test::MenuWorld world_ {"phone-hd", 1.0 / 30};
};

TEST_P(NewGameTimeline, FromTheNameToTheDoors)
{
    const GameDataCase& c = GetParam();
    if (c.cachesCopy) {
        std::filesystem::create_directories(Paths::cachesDirectory());
        test::TempDir::writeText(Paths::cachesPath("test.xml"),
                                 c.cachesCopyRefused ? "<GameData><Levels/>" : test::gameDataFixture());
    }
    world_.notifications->scheduled.push_back({});
    MainMenuScene& menu = world_.start();
    const CGPoint logo = menu.logo->position(), plates = menu.a->position(),
                  icons = menu.MenuItemContainer->position();
    menu.StartCallback();
    ASSERT_TRUE(driver().typeText("Mossbury"));
    ASSERT_TRUE(driver().pressAlertButton(1));
    const double start = now();
    auto runTo = [&](double at) { world_.run.run(at - (now() - start)); };
    world_.sounds.clear();

    runTo(0.2 - 1.0 / 30);
    EXPECT_EQ(menu.MenuItemContainer->position(), icons);
    runTo(0.3);
    EXPECT_LT(menu.MenuItemContainer->position().y, icons.y) << "the icons move after 0.2 s";
    EXPECT_EQ(menu.logo->position(), logo);
    runTo(0.5);
    EXPECT_GT(menu.logo->position().y, logo.y) << "the logo moves after 0.4 s";
    EXPECT_LT(menu.a->position().y, plates.y);
    runTo(1.0);
    const CGSize w = driver().director()->winSize();
    EXPECT_EQ(menu.logo->position().y, logo.y + 0.4f * w.height);
    EXPECT_EQ(menu.a->position().y, plates.y - 0.6f * w.height);
    EXPECT_EQ(menu.MenuItemContainer->position().y, icons.y - 0.2f * w.height);

    // The game data is parsed at 0.95 s while the spinner shows; the spinner
    // is gone again by the time the frame ends.
    Profile* profile = Profile::sharedInstance();
    EXPECT_TRUE(profile->ConfigLoaded);
    EXPECT_EQ(profile->VillageName, "Mossbury");
    const bool fixture = c.cachesCopy && !c.cachesCopyRefused;
    EXPECT_EQ(profile->LevelsArray == std::vector<int32_t>({0, 100, 250}), fixture) << c.name;
    EXPECT_FALSE(XMLManager::sharedInstance()->MapObjects.empty()) << "map slots built afresh";
    EXPECT_TRUE(std::filesystem::exists(Paths::documentsPath("supersave.plist")));
    EXPECT_TRUE(RootView::sharedRootView().spinners().empty());
    EXPECT_EQ(world_.soundsNamed("selection_menu"), 1);

    runTo(1.1);
    EXPECT_EQ(world_.notifications->scheduled.size(), 1u) << "not yet cancelled";
    runTo(1.2);
    EXPECT_TRUE(world_.notifications->scheduled.empty()) << "cancelled when the intro starts";
    const double intro = 1.15;
    ASSERT_NE(menu.IntroText, nullptr);
    EXPECT_EQ(menu.IntroText->string(), "Mossbury " + world_.text("INTRO_01"));
    EXPECT_EQ(menu.IntroText->zOrder(), 1);
    EXPECT_EQ(menu.IntroText->position(), (CGPoint {w.width * 0.5f, w.height * 0.78f}));
    runTo(intro + 2.0);
    world_.run.picture("intro-page1");

    struct Page {
        const char* sound;
        double at;
        std::string text;
    };
    const Page pages[] = {
        {"intro1", 0.0, "Mossbury " + world_.text("INTRO_01")},
        {"intro2", 6.3, world_.text("INTRO_02")},
        {"intro3", 12.6, world_.text("INTRO_03")},
        {"intro4", 18.9, world_.text("INTRO_04") + " Mossbury."},
    };
    const std::optional<double> first = soundAt("intro1");
    ASSERT_TRUE(first);
    EXPECT_NEAR(*first - start, intro, 2.0 / 30) << "two chains of actions, a frame's start each";
    for (size_t i = 0; i < std::size(pages); ++i) {
        const Page& page = pages[i];
        SCOPED_TRACE(page.sound);
        runTo(intro + page.at + 1.0);
        std::optional<double> played = soundAt(page.sound);
        ASSERT_TRUE(played);
        EXPECT_NEAR(*played - *first, page.at, 0.5 / 30);
        EXPECT_EQ(menu.IntroText->string(), page.text);
        EXPECT_GT(menu.IntroText->opacity(), 200);
    }
    runTo(intro + 27.0);
    EXPECT_EQ(menu.IntroText->opacity(), 255) << "the fourth page stays";
    world_.run.picture("intro-page4");
    EXPECT_EQ(driver().director()->runningScene(), &menu);
    runTo(intro + 27.72 - 1.0 / 30);
    EXPECT_EQ(driver().director()->runningScene(), &menu);
    runTo(intro + 27.72 + 2.0 / 30);
    EXPECT_NE(dynamic_cast<CCTransitionDoorsFromMenu*>(driver().director()->runningScene()), nullptr)
        << "the doors begin at 27.72 s";
}

INSTANTIATE_TEST_SUITE_P(GameData, NewGameTimeline,
                         ::testing::Values(GameDataCase {"bundle", false, false},
                                           GameDataCase {"caches copy", true, false},
                                           GameDataCase {"refused caches copy", true, true}),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             for (char& ch : name)
                                 ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
                             return name;
                         });

} // namespace
} // namespace mw
