#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/base/CCWinSize.h"
#include "engine/labels/CCLabelTTF.h"
#include "engine/menus/CCMenu.h"
#include "engine/menus/CCMenuItem.h"
#include "engine/particles/CCParticleSystem.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "foundation/Clock.h"
#include "foundation/Paths.h"
#include "foundation/Random.h"
#include "foundation/RunLoop.h"
#include "game/boards/SessionHooks.h"
#include "game/state/DataParser.h"
#include "game/state/LocalisationManager.h"
#include "game/state/Profile.h"
#include "game/village/CCCounterDrell.h"
#include "game/village/CCTutorialArrow.h"
#include "game/village/GuiObject.h"
#include "game/village/StatsCell.h"
#include "game/village/StatsScene.h"
#include "platform/DeviceFacts.h"
#include "tests/game/front/FrontTestSupport.h"
#include "tests/support/RecordingPlatformServices.h"
#include "tests/support/ScriptedDeviceServices.h"
#include "tests/support/ScriptedRandom.h"
#include "tests/support/SourceTree.h"

namespace mw {
namespace {

TEST(StatsCountdownTest, HoursMinutesAndSecondsInTwoDigitsEachHoursInThreeFromAHundred)
{
    const std::pair<int32_t, const char*> rows[] = {
        {0, "00:00:00"},
        {59, "00:00:59"},
        {3725, "01:02:05"},
        {86399, "23:59:59"},
        {359999, "99:59:59"},
        {360000, "100:00:00"},
        {3600 * 123 + 61, "123:01:01"},
    };
    for (const auto& [seconds, text] : rows) EXPECT_EQ(StatsCell::countdownText(seconds), text) << seconds;
}

// The statistics screen on a device: the village sheets, the string table,
// the real game data in the profile, a manual clock, recorded notifications
// and game centre, and tutorial pop-ups recorded by frame.
class StatsTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(run_.ok()) << "no headless GL context";
        previousNotifications_ = LocalNotifications::replaceSharedInstance(notifications_);
        previousGameCenter_ = GameCenter::replaceSharedInstance(gameCenter_);
        previousFacts_ = DeviceFacts::replaceSharedInstance(facts_);
        scene_ = run_.runPlainScene();
        (void)GlobalObject::sharedInstance();
        ASSERT_TRUE(run_.loadVillageSheets());
        LocalisationManager::sharedInstance()->parseCSVFile("stringdb.csv");
        DataParser parser;
        ASSERT_TRUE(parser.parseData(test::sourceTreePath("resources/test.xml")));
        Profile* p = Profile::sharedInstance();
        p->VillageName = "Mchówek";
        p->CityLevel = 2;
        GlobalObject::sharedInstance()->soundRequestListener = [this](const std::string& key) {
            sounds_.push_back(key);
        };
        previousMaker_ = session::setTutorialMaker([this](int32_t frame) {
            frames_.push_back(frame);
            auto shown = CCNode::node();
            shown->setTag(kShownTag + frame);
            return shown;
        });
        gui_ = GuiObject::guiWithParent(nullptr);
        scene_->addChild(gui_.get(), 5);
    }
    void TearDown() override
    {
        if (GlobalObject* global = Shared<GlobalObject>::current()) global->soundRequestListener = nullptr;
        session::setTutorialMaker(previousMaker_);
        if (screen_) screen_->removeFromParentAndCleanup(true);
        screen_ = nullptr;
        gui_ = nullptr;
        Profile::sharedInstance()->saveFile().waitUntilIdle();
        LocalNotifications::replaceSharedInstance(previousNotifications_);
        GameCenter::replaceSharedInstance(previousGameCenter_);
        DeviceFacts::replaceSharedInstance(previousFacts_);
    }
    bool tablet() const { return GlobalObject::sharedInstance()->isIpad; }

    StatsScene* open()
    {
        screen_ = StatsScene::sceneWithGuiParent(gui_.get());
        scene_->addChild(screen_.get(), 0);
        return screen_.get();
    }
    StatsCell* page() const
    {
        CCTableViewCell* cell = screen_->table()->cellAtIndex(0);
        return dynamic_cast<StatsCell*>(cell);
    }
    // Every tutorial frame done with its arrow dismissed, except as a test sets.
    void passTutorial()
    {
        for (const auto& [id, frame] : Profile::sharedInstance()->TutorialDict) {
            frame->Done = true;
            frame->ArrowAfterDone = true;
        }
    }
    TutorialFrameDef* frame(int32_t id) { return Profile::sharedInstance()->GetTutorialDef(id); }
    static std::string text(const char* key) { return LocalisationManager::sharedInstance()->getValue(key); }
    static bool shows(CCSprite* sprite, const std::string& frame)
    {
        Ref<CCSpriteFrame> wanted = CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(frame);
        return sprite && wanted && sprite->isFrameDisplayed(wanted.get());
    }

    static constexpr int kShownTag = 7000;
    std::shared_ptr<test::RecordingLocalNotifications> notifications_ =
        std::make_shared<test::RecordingLocalNotifications>();
    std::shared_ptr<test::RecordingGameCenter> gameCenter_ = std::make_shared<test::RecordingGameCenter>();
    std::shared_ptr<test::ScriptedDeviceFacts> facts_ = std::make_shared<test::ScriptedDeviceFacts>();
    std::shared_ptr<LocalNotifications> previousNotifications_;
    std::shared_ptr<GameCenter> previousGameCenter_;
    std::shared_ptr<DeviceFacts> previousFacts_;
    session::TutorialMaker previousMaker_;
    std::vector<int32_t> frames_;
    std::vector<std::string> sounds_;
    test::DeviceRun run_{GetParam()};
    CCScene* scene_ = nullptr;
    Ref<GuiObject> gui_;
    Ref<StatsScene> screen_;
};

TEST_P(StatsTest, LevelPictureAndTitleByCityLevelNoneOutsideOneToSix)
{
    passTutorial();
    Profile* p = Profile::sharedInstance();
    struct Row {
        int32_t level;
        int32_t picture;
        const char* title;
    };
    const Row rows[] = {{0, 0, nullptr},          {1, 88, "VILLAGE_LVL_1"}, {2, 101, "VILLAGE_LVL_2"},
                        {3, 89, "VILLAGE_LVL_3"}, {4, 27, "VILLAGE_LVL_4"}, {5, 90, "VILLAGE_LVL_5"},
                        {6, 38, "VILLAGE_LVL_6"}, {7, 0, nullptr}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.level);
        p->CityLevel = row.level;
        auto cell = StatsCell::cellWithIndex(0);
        ASSERT_NE(cell, nullptr);
        if (row.picture) {
            EXPECT_TRUE(shows(cell->levelPicture(), p->GetUpgrade(row.picture)->PngName + ".png"));
            ASSERT_NE(cell->levelTitle(), nullptr);
            EXPECT_EQ(cell->levelTitle()->string(), text(row.title));
        } else {
            EXPECT_EQ(cell->levelPicture(), nullptr);
            EXPECT_EQ(cell->levelTitle(), nullptr);
            EXPECT_EQ(StatsCell::taxForLevel(row.level), 0);
        }
    }
}

TEST_P(StatsTest, BothColumnsAndTheHeadlinesShowTheProfile)
{
    passTutorial();
    Profile* p = Profile::sharedInstance();
    p->Points = 1234;
    p->HighscoreMine = 300;
    p->HighscoreFields = 410;
    p->FingerLength = 14950;
    p->TaxesCollected = 11;
    p->TotalResColl = 12;
    p->MineVisits = 13;
    p->TotalResSpend = 14;
    p->FieldVisits = 15;
    p->GoldEarned = 16;
    p->InMineMoves = 17;
    p->GoldSpent = -350; // a running total of spending, kept negative
    p->InFieldMoves = 19;
    p->CurrentBuildingCount = 20;
    p->MaxHarvestMine = 21;
    p->ToolsUsed = 22;
    p->MaxHarvestField = 23;
    p->WorkersBought = 24;
    p->RatsKilled = 25;
    p->WolfsKilled = 26;
    p->stepsToChangeSeason = 7;
    p->PlantsByRats = 27;
    p->MaxMineMoves = 28;
    p->AnimalsByWolfs = 29;
    p->MethanExplosions = 30;
    p->CollectibleCountArray[21] = 2;
    p->CollectibleCountArray[22] = 3;
    p->CollectibleCountArray[23] = 1;
    p->CollectibleCountArray[24] = 4;
    open();
    StatsCell* cell = page();
    ASSERT_NE(cell, nullptr);
    const std::pair<const char*, int32_t> values[] = {
        {"HQ_TAXES_TOTAL", 11},
        {"HQ_RESOURCES_TOTAL", 12},
        {"HQ_MINE_VISITS", 13},
        {"HQ_RESOURCES_SPENT", 14},
        {"HQ_FILEDS_VISITS", 15},
        {"HQ_MONEY_EARNED", 16},
        {"HQ_MINE_MOVES", 17},
        {"HQ_MONEY_SPENT", -350}, // as stored, sign and all
        {"HQ_FIELDS_MOVES", 19},
        {"HQ_BUILDINGS", 20},
        {"HQ_MAX_MINE", 21},
        {"HQ_TOOLS_USED", 22},
        {"HQ_MAX_FIELDS", 23},
        {"HQ_WORKERS_HIRED", 24},
        {"HQ_HIGSCORE_MINE", 300},
        {"HQ_RATS_KILLED", 25},
        {"HQ_HIGSCORE_FIELDS", 410},
        {"HQ_WOLVES_KILLED", 26},
        {"HQ_YEAR", 28},
        {"HQ_PLANTS_EATEN", 27},
        {"HQ_SUPPLIES", 28},
        {"HQ_ANIMALS_EATEN", 29},
        {"HQ_BONUS_COINS", 5},
        {"HQ_EXPLOSIONS", 30},
    };
    for (const auto& [key, value] : values) {
        CCLabelTTF* label = cell->valueForKey(key);
        ASSERT_NE(label, nullptr) << key;
        EXPECT_EQ(label->string(), " " + std::to_string(value)) << key;
        EXPECT_EQ(label->color(), (ccColor3B{233, 186, 95}));
        EXPECT_EQ(label->zOrder(), 4);
    }
    EXPECT_EQ(cell->taxesCollectedLabel(), cell->valueForKey("HQ_TAXES_TOTAL"));
    EXPECT_EQ(cell->earnedLabel(), cell->valueForKey("HQ_MONEY_EARNED"));
    EXPECT_EQ(cell->pointsLabel()->string(), " 1234");
    EXPECT_EQ(cell->bestLabel()->string(), " 410");
    EXPECT_EQ(cell->distanceLabel()->string(), tablet() ? " 299 m" : " 149 m");
    const CGSize win = ccWinSize();
    EXPECT_FLOAT_EQ(cell->pointsLabel()->position().y, 0.54f * win.height);
    // A value stands right after its key.
    CCLabelTTF* spent = cell->valueForKey("HQ_MONEY_SPENT");
    EXPECT_FLOAT_EQ(spent->position().y, 0.30f * win.height);
    EXPECT_GT(spent->position().x, std::floor(win.width / 2));
    // The trophies of the two trophy kinds, on the level picture.
    ASSERT_NE(cell->levelPicture(), nullptr);
    bool badge = false;
    for (Object* child : *cell->levelPicture()->children())
        if (auto* counter = dynamic_cast<CCCounterDrell*>(child)) badge = counter->GetValue() == 5;
    EXPECT_TRUE(badge);
    run_.run(0.1);
    run_.picture("statistics");
}

TEST_P(StatsTest, TheScoreIsReportedOnlyWhenItGrewAndGameCentreButtonsOnlyWithTheService)
{
    passTutorial();
    Profile* p = Profile::sharedInstance();
    GlobalObject::sharedInstance()->initGameCenter();
    struct Row {
        int32_t points, lastSent;
        bool reported;
    };
    for (const Row& row : {Row{500, 400, true}, Row{500, 500, false}, Row{300, 500, false}}) {
        SCOPED_TRACE(row.points);
        gameCenter_->scores.clear();
        p->Points = row.points;
        p->LastSendPoints = row.lastSent;
        auto cell = StatsCell::cellWithIndex(0);
        RunLoop::main().drain();
        EXPECT_EQ(p->LastSendPoints, row.reported ? row.points : row.lastSent);
        EXPECT_EQ(gameCenter_->scores, row.reported
                                           ? std::vector<std::string>{"com.zandovar.mw.totalpoints 500"}
                                           : std::vector<std::string>{});
        EXPECT_EQ(cell->menu()->children()->count(), 3u) << "tax button, achievements, leaderboards";
    }
    facts_->version = "4.0"; // no game-centre service before 4.1
    auto without = StatsCell::cellWithIndex(0);
    EXPECT_EQ(without->menu()->children()->count(), 1u) << "only the tax button";
}

TEST_P(StatsTest, CollectingTaxesOnAFakeClock)
{
    passTutorial();
    Profile* p = Profile::sharedInstance();
    GlobalObject* global = GlobalObject::sharedInstance();
    p->GoldLevel2 = 40;
    p->CurrentTaxes = 25; // shown waiting; the collection credits the level's tax
    p->GoldCount = 100;
    p->GoldEarned = 1000;
    p->TaxesCollected = 190;
    p->TaxTimeH = 1;
    p->TaxTimeM = 2;
    p->TaxTimeS = 5.7f;
    global->NotificationsQue.clear();
    open();
    StatsCell* cell = page();
    ASSERT_NE(cell, nullptr);
    EXPECT_TRUE(cell->taxButton()->isEnabled());
    EXPECT_TRUE(shows(cell->chest(), "chest_open.png"));
    EXPECT_EQ(cell->currentTaxesLabel()->string(), "25");
    EXPECT_EQ(cell->buttonText()->string(), text("HQ_BUTTON_TAXES"));
    EXPECT_EQ(cell->buttonText()->color(), (ccColor3B{71, 57, 48}));
    run_.run(0.1);
    run_.picture("statistics-taxes-ready");

    ScopedRandomSource scripted(
        std::make_shared<test::ScriptedRandom>(static_cast<int32_t>(0.5 * 2147483648.0)));
    sounds_.clear();
    ManualClock& clock = run_.driver().clock();
    clock.setWall(1'700'000'000);
    cell->taxButton()->activate();
    EXPECT_EQ(cell->buttonText()->string(), "01:02:05") << "the countdown starts at once";
    EXPECT_EQ(sounds_.front(), "collect_tax");
    EXPECT_EQ(p->GoldCount, 140);
    EXPECT_EQ(p->GoldEarned, 1040);
    EXPECT_EQ(p->TaxesCollected, 230);
    EXPECT_EQ(p->CurrentTaxes, 0);
    EXPECT_EQ(cell->currentTaxesLabel()->string(), "0");
    EXPECT_EQ(cell->taxesCollectedLabel()->string(), " 230");
    EXPECT_EQ(cell->earnedLabel()->string(), " 1040");
    EXPECT_TRUE(shows(cell->chest(), "chest_closed.png"));
    EXPECT_FALSE(cell->taxButton()->isEnabled());
    EXPECT_EQ(cell->buttonText()->color(), (ccColor3B{240, 231, 188}));
    EXPECT_EQ(cell->buttonShadowText()->color(), (ccColor3B{71, 57, 48}));
    EXPECT_TRUE(global->IsAchievementDone("com.zandovar.mw.taxcollector")) << "200 collected";
    ASSERT_EQ(global->NotificationsQue.count(GlobalObject::kTaxEvent), 1u);
    EXPECT_EQ(global->NotificationsQue[GlobalObject::kTaxEvent]->Text, text("NOTIF_TAX_TEXT_2"));
    ASSERT_EQ(notifications_->scheduled.size(), 1u);
    EXPECT_EQ(notifications_->scheduled[0].alertBody, text("NOTIF_TAX_TEXT_2"));
    bool burst = false;
    for (Object* child : *cell->chest()->children())
        burst =
            burst || (dynamic_cast<CCParticleSystem*>(child) && static_cast<CCNode*>(child)->zOrder() == 3);
    EXPECT_TRUE(burst) << "tax.plist on the chest";
    run_.run(1.0 / 60);
    EXPECT_EQ(cell->buttonText()->string(), "01:02:04") << "whole seconds left, cut";
    EXPECT_EQ(cell->buttonShadowText()->string(), "01:02:04");
    run_.picture("statistics-taxes-counting");

    // The background save loads back with the collected gold.
    p->saveFile().waitUntilIdle();
    ASSERT_TRUE(std::filesystem::exists(Paths::documentsPath("supersave.plist")));
    p->GoldCount = 0;
    ASSERT_TRUE(p->Load());
    EXPECT_EQ(p->GoldCount, 140);

    // The event falls due: the tick sets the waiting gold and the page turns ready.
    clock.setWall(1'700'000'000 + 3725 + 0.25);
    run_.run(1.2);
    EXPECT_EQ(global->NotificationsQue.count(GlobalObject::kTaxEvent), 0u);
    EXPECT_EQ(p->CurrentTaxes, 40);
    EXPECT_TRUE(cell->taxButton()->isEnabled());
    EXPECT_EQ(cell->buttonText()->string(), text("HQ_BUTTON_TAXES"));
    EXPECT_EQ(cell->currentTaxesLabel()->string(), "40");
    EXPECT_TRUE(shows(cell->chest(), "chest_open.png"));
}

TEST_P(StatsTest, WithNoTaxEventTheButtonIsReadyOnTheFirstFrameEvenWithNothingWaiting)
{
    passTutorial();
    Profile::sharedInstance()->CurrentTaxes = 0;
    GlobalObject::sharedInstance()->NotificationsQue.clear();
    open();
    StatsCell* cell = page();
    EXPECT_FALSE(cell->taxButton()->isEnabled()) << "nothing waiting at the start";
    EXPECT_TRUE(shows(cell->chest(), "chest_closed.png"));
    run_.run(1.0 / 60);
    EXPECT_TRUE(cell->taxButton()->isEnabled());
    EXPECT_TRUE(shows(cell->chest(), "chest_open.png"));
    EXPECT_EQ(cell->currentTaxesLabel()->string(), "0");
}

TEST_P(StatsTest, TaxAchievementsAtTwoHundredAndAThousand)
{
    passTutorial();
    GlobalObject* global = GlobalObject::sharedInstance();
    Profile* p = Profile::sharedInstance();
    struct Row {
        int32_t collected;
        bool ten, twenty;
    };
    for (const Row& row : {Row{199, false, false}, Row{200, true, false}, Row{1000, false, true}}) {
        SCOPED_TRACE(row.collected);
        global->PropagateAchievementsArrays();
        p->TaxesCollected = row.collected;
        auto cell = StatsCell::cellWithIndex(0);
        EXPECT_EQ(global->IsAchievementDone("com.zandovar.mw.taxcollector"), row.ten);
        EXPECT_EQ(global->IsAchievementDone("com.zandovar.mw.deathandtaxes"), row.twenty);
    }
}

TEST_P(StatsTest, TutorialFramesThreeFourAndFive)
{
    passTutorial();
    Profile* p = Profile::sharedInstance();
    p->CurrentTaxes = 30;
    frame(3)->Done = false;
    frame(3)->ArrowAfter = true;
    frame(3)->ArrowAfterDone = false;
    frame(4)->Done = false;
    frame(5)->Done = false;
    frame(5)->ArrowAfter = true;
    frame(5)->ArrowAfterDone = false;
    frame(2)->ArrowAfterDone = false;
    frame(2)->ArrowAfter = false;

    StatsScene* screen = open();
    EXPECT_EQ(frames_, (std::vector<int32_t>{3}));
    ASSERT_NE(gui_->getChildByTag(kShownTag + 3), nullptr);
    EXPECT_EQ(gui_->getChildByTag(kShownTag + 3)->zOrder(), 0);
    EXPECT_FALSE(gui_->IsActive());
    EXPECT_FALSE(screen->isTouchEnabled());

    // Frame 3 dismissed: its arrow points at the collect button.
    gui_->removeChildByTag(kShownTag + 3, true);
    frame(3)->Done = true;
    screen->ValidateAndPlayTutorial();
    CCNode* arrow = screen->getChildByTag(StatsScene::kTaxArrowTag);
    ASSERT_NE(dynamic_cast<CCTutorialArrow*>(arrow), nullptr);
    EXPECT_EQ(arrow->rotation(), 180);
    EXPECT_EQ(arrow->zOrder(), 2);
    EXPECT_EQ(arrow->position(), tablet() ? (CGPoint{210, 580}) : (CGPoint{70, 250}));
    EXPECT_TRUE(gui_->IsActive());
    EXPECT_TRUE(screen->isTouchEnabled());
    run_.run(0.2);
    EXPECT_FALSE(screen->tutorialDone()) << "taxes still waiting";
    run_.picture("statistics-tutorial-arrow");

    // Collected: the watch marks frames 2 and 3 and moves on to frame 4.
    page()->taxButton()->activate();
    run_.run(1.0 / 60);
    EXPECT_TRUE(screen->tutorialDone());
    EXPECT_EQ(screen->getChildByTag(StatsScene::kTaxArrowTag), nullptr);
    for (int32_t id : {2, 3}) {
        EXPECT_TRUE(frame(id)->ArrowAfterDone) << id;
        EXPECT_TRUE(frame(id)->ArrowAfter) << id;
    }
    EXPECT_EQ(frames_, (std::vector<int32_t>{3, 4}));

    // Frame 4 dismissed: frame 5 goes under the HUD's other children.
    frame(4)->Done = true;
    screen->ValidateAndPlayTutorial();
    EXPECT_EQ(frames_, (std::vector<int32_t>{3, 4, 5}));
    EXPECT_EQ(gui_->getChildByTag(kShownTag + 5)->zOrder(), -1);

    // Frame 5 dismissed: the arrow at Back, once.
    frame(5)->Done = true;
    screen->ValidateAndPlayTutorial();
    screen->ValidateAndPlayTutorial();
    CCNode* back = gui_->getChildByTag(StatsScene::kBackArrowTag);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->position(), tablet() ? (CGPoint{40, 100}) : (CGPoint{16, 40}));
    EXPECT_EQ(back->zOrder(), 1);
    int arrows = 0;
    for (Object* child : *gui_->children())
        arrows += static_cast<CCNode*>(child)->tag() == StatsScene::kBackArrowTag;
    EXPECT_EQ(arrows, 1);
    EXPECT_TRUE(gui_->IsActive());
    EXPECT_TRUE(screen->isTouchEnabled());
}

TEST_P(StatsTest, AFrameMissingFromTheGameDataCountsAsDone)
{
    passTutorial();
    Profile* p = Profile::sharedInstance();
    p->TutorialDict.erase(3);
    p->TutorialDict.erase(4);
    frame(5)->Done = false;
    open();
    EXPECT_EQ(frames_, (std::vector<int32_t>{5}));
}

INSTANTIATE_TEST_SUITE_P(Devices, StatsTest, ::testing::Values("phone", "tablet-hd"));

} // namespace
} // namespace mw
