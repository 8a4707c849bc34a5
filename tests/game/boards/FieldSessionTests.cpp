#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/director/CCDirector.h"
#include "engine/menus/CCMenu.h"
#include "engine/nodes/CCLayer.h"
#include "foundation/Random.h"
#include "foundation/Value.h"
#include "game/boards/CCTimeStripCounter.h"
#include "game/boards/CountrySideScene.h"
#include "game/boards/EndOfPopUp.h"
#include "game/boards/FieldPopUp.h"
#include "game/boards/SessionHooks.h"
#include "game/boards/VillageGate.h"
#include "game/state/SessionReturnPoint.h"
#include "game/state/TutorialFrameDef.h"
#include "tests/game/boards/FieldBoardTestSupport.h"

namespace mw {
namespace {

using test::FieldBoardTest;

// A village layer that records what the pop-up asks of it.
class RecordingVillage : public CCLayer, public VillageGate {
public:
    void SetInputActive(bool active) override { input.push_back(active); }
    void UpdateTopBar() override { ++topBars; }
    CCNode* GetLayer() const override { return map; }
    Ref<CCNode> coinPackList() override { return CCNode::node(); }
    bool CollectAllBonuses() override
    {
        ++bonuses;
        return false;
    }
    void StopWithRelease() override { ++stops; }

    RecordingVillage* map = nullptr;
    std::vector<bool> input;
    int topBars = 0, bonuses = 0, stops = 0;
};

class FieldPopUpTest : public FieldBoardTest {
protected:
    void SetUp() override
    {
        FieldBoardTest::SetUp();
        if (HasFatalFailure() || IsSkipped()) return;
        map_ = makeRef<RecordingVillage>();
        hud_ = makeRef<RecordingVillage>();
        hud_->map = map_.get();
        scene().addChild(map_.get());
        scene().addChild(hud_.get());
    }
    void TearDown() override
    {
        popUp_ = nullptr;
        hud_ = nullptr;
        map_ = nullptr;
        FieldBoardTest::TearDown();
    }
    void open(Ref<FieldPopUp> made = nullptr)
    {
        popUp_ = made ? made : makeRef<FieldPopUp>();
        ASSERT_TRUE(popUp_->initWithLayer(map_.get()));
        hud_->addChild(popUp_.get(), 6);
        driver().runFrames(1);
    }
    // Whether the director is leaving for (or has reached) a field scene.
    bool enteringFields()
    {
        CCScene* next = driver().director()->nextScene();
        return next != nullptr && next != &scene();
    }

    Ref<RecordingVillage> map_;
    Ref<RecordingVillage> hud_;
    Ref<FieldPopUp> popUp_;
};

TEST_F(FieldPopUpTest, BuyingWithThePriceEntersTheFieldsAndWithLessOffersCoinPacks)
{
    const struct {
        const char* name;
        int32_t gold;
        bool enters;
    } cases[] = {
        {"one short", 29, false},
        {"exactly the price", 30, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        profile().GoldCount = c.gold;
        profile().GoldSpent = 0;
        profile().GetTutorialDef(8)->Done = false;
        open();
        EXPECT_EQ(map_->bonuses, 1);
        popUp_->BuyMore(nullptr);
        EXPECT_EQ(enteringFields(), c.enters);
        EXPECT_EQ(profile().GoldCount, c.enters ? 0 : c.gold);
        EXPECT_EQ(profile().GoldSpent, c.enters ? -30 : 0);
        EXPECT_EQ(hud_->topBars, c.enters ? 1 : 0);
        EXPECT_EQ(map_->stops, c.enters ? 1 : 0);
        EXPECT_EQ(profile().GetTutorialDef(8)->Done, c.enters);
        EXPECT_EQ(profile().GetTutorialDef(9)->ArrowAfterDone, true);
        EXPECT_EQ(popUp_->coinPanel() != nullptr, !c.enters);
        if (c.enters) break; // the scene is on its way out
        popUp_->removeFromParentAndCleanup(true);
        hud_->topBars = map_->stops = map_->bonuses = 0;
    }
}

TEST_F(FieldPopUpTest, TheCoinPanelSlidesOnceAndItsButtonGivesTheButtonsBackAfterHalfASecond)
{
    profile().GoldCount = 5;
    open();
    const float top = popUp_->background()->position().y;
    popUp_->BuyMore(nullptr);
    CCNode* panel = popUp_->coinPanel();
    ASSERT_NE(panel, nullptr);
    popUp_->BuyMore(nullptr);
    EXPECT_EQ(popUp_->coinPanel(), panel);
    run(0.6);
    const float height = board::winSize().height;
    EXPECT_NEAR(popUp_->background()->position().y, top + 0.24f * height, 1.0f);
    EXPECT_NEAR(panel->position().y, 0.41f * height, 1.0f);
    popUp_->CloseMicro(nullptr);
    EXPECT_FALSE(popUp_->buttons()->isTouchEnabled());
    run(0.3);
    EXPECT_NE(popUp_->coinPanel(), nullptr);
    run(0.4);
    EXPECT_EQ(popUp_->coinPanel(), nullptr);
    EXPECT_TRUE(popUp_->buttons()->isTouchEnabled());
    EXPECT_NEAR(popUp_->background()->position().y, top, 1.0f);
}

TEST_F(FieldPopUpTest, CloseGivesTheVillageItsInputBackAndLeaves)
{
    open();
    EXPECT_TRUE(SessionReturnPoint::held()) << "opening marks the point an early exit returns to";
    popUp_->Close(nullptr);
    EXPECT_FALSE(SessionReturnPoint::held()) << "no session follows";
    EXPECT_EQ(hud_->input, (std::vector<bool>{true}));
    EXPECT_EQ(map_->input, (std::vector<bool>{true}));
    EXPECT_EQ(popUp_->parent(), nullptr);
}

TEST_F(FieldPopUpTest, ANewPlayersFrameCoversThePopUpUntilTheTutorialHandsInputBack)
{
    const struct {
        const char* name;
        bool made; // the tutorial maker makes a pop-up for the frame
    } cases[] = {{"shown", true}, {"none could be made", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<int32_t> asked;
        Ref<CCNode> frame = CCNode::node();
        session::TutorialMaker previous = session::setTutorialMaker([&](int32_t number) -> Ref<CCNode> {
            asked.push_back(number);
            return c.made ? frame : nullptr;
        });
        profile().GetTutorialDef(29)->Done = false;
        open();
        (void)session::setTutorialMaker(std::move(previous));
        EXPECT_EQ(asked, std::vector<int32_t>{29});
        EXPECT_EQ(frame->parent(), c.made ? popUp_.get() : nullptr);
        if (c.made) {
            EXPECT_EQ(frame->zOrder(), FieldPopUp::kTutorialZ);
            const CGSize win = CCDirector::sharedDirector()->winSize();
            EXPECT_FLOAT_EQ(frame->position().x, win.width / 2);
            EXPECT_FLOAT_EQ(frame->position().y, win.height / 2);
        }
        EXPECT_EQ(popUp_->buttons()->isTouchEnabled(), !c.made) << "the buttons wait for the tutorial";
        popUp_->MoveWithTutorial();
        EXPECT_TRUE(popUp_->buttons()->isTouchEnabled());
        popUp_->removeFromParentAndCleanup(true);
    }
}

// The pop-up saves before the price is paid, so leaving the session (which
// loads that save) gives back the gold, the goods and the visit count.
TEST_F(FieldPopUpTest, LeavingASessionLoadsTheProfileAsItStoodBeforeThePrice)
{
    profile().GoldCount = 100;
    const int32_t visits = profile().FieldVisits;
    const std::vector<int32_t> goods = profile().ResourceCountArray;
    open();
    popUp_->BuyMore(nullptr);
    run(0.6);
    auto* layer = dynamic_cast<CountrySideScene*>(
        driver().director()->runningScene()->getChildByTag(CountrySideScene::kTagLayer));
    ASSERT_NE(layer, nullptr);
    sceneBoard_ = layer->board();
    for (int turn = 0; turn < 4; ++turn) {
        const auto chain = findChain();
        ASSERT_FALSE(chain.empty());
        ASSERT_TRUE(play(chain));
        settle(2.0);
    }
    EXPECT_EQ(profile().GoldCount, 70);
    EXPECT_EQ(profile().FieldVisits, visits + 1);
    EXPECT_NE(profile().countryStepsForBar, 0);
    ASSERT_TRUE(profile().Load());
    EXPECT_EQ(profile().GoldCount, 100);
    EXPECT_EQ(profile().FieldVisits, visits);
    EXPECT_EQ(profile().ResourceCountArray, goods);
    sceneBoard_ = nullptr;
}

// The whole way: the pop-up's price, the field scene's own board played by
// the bot through four seasons to the real summary, the field kept for gold
// there, the fade back to the village, and the profile saved at the summary
// loading back equal.
TEST_F(FieldPopUpTest, AFieldSessionFromThePopUpThroughFourSeasonsToTheSummaryKeepsItsField)
{
    ScopedRandomSource seeded(std::make_shared<test::PinnedSeedRandom>(4242));
    int villageVisits = 0;
    session::SceneMaker savedVillage = session::setVillageSceneMaker([&villageVisits] {
        ++villageVisits;
        return CCScene::node();
    });
    profile().GoldCount = 100;
    const int32_t visits = profile().FieldVisits;
    open();
    popUp_->BuyMore(nullptr);
    run(0.6);
    auto* layer = dynamic_cast<CountrySideScene*>(
        driver().director()->runningScene()->getChildByTag(CountrySideScene::kTagLayer));
    ASSERT_NE(layer, nullptr);
    sceneBoard_ = layer->board();
    EXPECT_EQ(profile().GoldCount, 70);
    EXPECT_EQ(profile().FieldVisits, visits + 1);

    const auto summary = [this]() -> EndOfPopUp* {
        if (!field()->children()) return nullptr;
        for (Object* child : *field()->children())
            if (auto* popUp = dynamic_cast<EndOfPopUp*>(child)) return popUp;
        return nullptr;
    };
    int chains = 0;
    for (int guard = 0; guard < 600 && !summary(); ++guard) {
        if (profile().countryStepsForBar == 0 || !field()->isTouchEnabled() || field()->isInputBlocked()) {
            settle(0.5);
            continue;
        }
        const auto chain = findChain();
        if (chain.empty() || !play(chain)) {
            settle(0.5);
            continue;
        }
        ++chains;
        settle();
        ASSERT_TRUE(gridConsistent()) << "after chain " << chains;
    }
    EndOfPopUp* end = summary();
    ASSERT_NE(end, nullptr) << "the seasons ran out into the summary";
    EXPECT_EQ(end->mode(), 1);
    EXPECT_GT(chains, 20);
    EXPECT_EQ(profile().SavedFieldPuzzles.size(), 36u);

    // Keeping the field costs its price and leaves for the village.
    const int32_t price = profile().SaveFieldPrice;
    end->BuyCallback(nullptr);
    EXPECT_EQ(profile().GoldCount, 70 - price);
    EXPECT_TRUE(profile().FieldSaved);
    EXPECT_FALSE(SessionReturnPoint::held());
    const Value saved = profile().TakeSnapshot().toDictionary();
    sceneBoard_ = nullptr;
    run(1.0);
    EXPECT_EQ(villageVisits, 1);
    Profile::purgeSharedInstance();
    ASSERT_TRUE(Profile::sharedInstance()->Load());
    EXPECT_EQ(Profile::sharedInstance()->TakeSnapshot().toDictionary(), saved);
    session::setVillageSceneMaker(std::move(savedVillage));
}

// ---- whole sessions

class FieldSessionTest : public FieldBoardTest {};

// A first visit from a fixed seed: four seasons of nine moves, a rabbit and
// a wolf that leap, the first lessons asked for, then a second visit that
// starts on the field the first one kept.
TEST_F(FieldSessionTest, AFirstVisitPlaysFourSeasonsAndTheNextStartsOnTheKeptField)
{
    ScopedRandomSource seeded(std::make_shared<test::PinnedSeedRandom>(20240611));
    profile().FieldVisits = 0;
    profile().RatJumpProbability = 100;
    profile().WolfJumpProbability = 100;
    openFrames({11, 12, 13, 63, 66});
    newBoard();
    std::vector<std::string> rows = {"......", "......", "......", ".r..f.", "......", "......"};
    layout(rows);
    const int32_t plants = profile().PlantsByRats, animals = profile().AnimalsByWolfs;
    // The bot leaves the animals alone so that they leap.
    const SessionFigures figures = playBotSession(false);
    EXPECT_TRUE(figures.ended);
    EXPECT_TRUE(figures.consistent);
    EXPECT_EQ(board_->endModes, (std::vector<int32_t>{1}));
    EXPECT_EQ(board_->seasonAtEnd, 0);
    EXPECT_EQ(board_->TimeCounter->Changes, 4);
    EXPECT_GT(profile().PlantsByRats, plants);
    EXPECT_GT(profile().AnimalsByWolfs, animals);
    // The first chain asked for the first lesson; the animals asked for theirs.
    ASSERT_FALSE(board_->TutorialRequests.empty());
    EXPECT_EQ(board_->TutorialRequests.front(), 11);
    const auto asked = [this](int32_t frame) {
        return std::find(board_->TutorialRequests.begin(), board_->TutorialRequests.end(), frame) !=
               board_->TutorialRequests.end();
    };
    EXPECT_TRUE(asked(63));
    EXPECT_TRUE(asked(66));
    ASSERT_EQ(board_->keptAtEnd.size(), 36u);

    // The summary keeps the field when the player pays for it.
    profile().FieldSaved = true;
    const std::vector<int32_t> kept = profile().SavedFieldPuzzles;
    newBoard();
    for (int i = 0; i < 36; ++i)
        EXPECT_EQ(board_->puzzleAt(i / 6, i % 6)->GetType(), kept[static_cast<size_t>(i)]);
    EXPECT_TRUE(profile().SavedFieldPuzzles.empty());
    EXPECT_TRUE(playBotSession().ended);
}

// Seeded sessions by the bot: MOSSWICK_FIELD_BOT_SESSIONS of them (a few by
// default; the balance check runs 200). Prints the averages.
TEST_F(FieldSessionTest, TheBotPlaysSeededSessionsToTheirSummaryWithoutAFault)
{
    int sessions = 4;
    if (const char* wanted = std::getenv("MOSSWICK_FIELD_BOT_SESSIONS"))
        sessions = std::max(1, std::atoi(wanted));
    profile().GoldCount = 0;
    double chains = 0, seconds = 0, removed = 0, yield = 0;
    for (int session = 0; session < sessions; ++session) {
        ScopedRandomSource seeded(
            std::make_shared<test::PinnedSeedRandom>(1000 + static_cast<uint32_t>(session)));
        // Every other session starts on the field the last one kept.
        profile().FieldSaved = session % 2 == 1;
        newBoard();
        const SessionFigures f = playBotSession();
        ASSERT_TRUE(f.ended) << "session " << session;
        ASSERT_TRUE(f.consistent) << "session " << session;
        ASSERT_EQ(profile().SavedFieldPuzzles.size(), 36u);
        chains += f.chains;
        seconds += f.seconds;
        removed += f.removed;
        yield += static_cast<double>(f.yield);
    }
    std::printf("field bot: %d sessions; per session %.1f chains, %.1f s of game time, %.1f tiles, "
                "%.1f units of goods\n",
                sessions, chains / sessions, seconds / sessions, removed / sessions, yield / sessions);
}

// ---- pictures

class FieldPicturesTest : public FieldBoardTest, public ::testing::WithParamInterface<const char*> {
protected:
    FieldPicturesTest() : FieldBoardTest(GetParam()) {}
};

// Photographs the pop-up, enters the fields through it, plays a few turns
// with every frame drawn, and photographs the board mid-chain.
TEST_P(FieldPicturesTest, TheFieldBoardMidSessionDrawsItsSeasonStripCalendarAndChain)
{
    ScopedRandomSource seeded(std::make_shared<test::PinnedSeedRandom>(77));
    profile().GoldCount = 50;
    auto hud = makeRef<RecordingVillage>();
    scene().addChild(hud.get());
    auto popUp = FieldPopUp::popUpWithLayer(hud.get());
    ASSERT_NE(popUp, nullptr);
    hud->addChild(popUp.get(), 6);
    // Frames are drawn only where a picture is taken: the rest ticks.
    tick(0.8);
    driver().runFrames(1);
    std::string folder = bundle_.path();
    if (const char* dir = std::getenv("MOSSWICK_TEST_PICTURES")) folder = dir;
    ASSERT_TRUE(driver().screenshot(folder + "/field_popup_" + GetParam() + ".png"));
    popUp->BuyMore(nullptr);
    driver().runFrames(2);
    tick(0.6);
    driver().runFrames(2);
    auto* layer = dynamic_cast<CountrySideScene*>(
        driver().director()->runningScene()->getChildByTag(CountrySideScene::kTagLayer));
    ASSERT_NE(layer, nullptr);
    sceneBoard_ = layer->board();
    for (int turn = 0; turn < 6; ++turn) {
        const auto chain = findChain();
        ASSERT_FALSE(chain.empty());
        ASSERT_TRUE(play(chain));
        settle(1.0);
    }
    EXPECT_LT(profile().countryStepsForBar, 36);
    const auto chain = findChain(5);
    ASSERT_FALSE(chain.empty());
    field()->touchBeganAt(field()->puzzleAt(chain[0].first, chain[0].second)->GetMidpointPosition());
    for (size_t i = 1; i < chain.size(); ++i)
        field()->touchMovedTo(field()->puzzleAt(chain[i].first, chain[i].second)->GetMidpointPosition());
    driver().runFrames(3);
    const std::string file = folder + "/field_mid_session_" + GetParam() + ".png";
    ASSERT_TRUE(driver().screenshot(file));
    EXPECT_TRUE(std::filesystem::exists(file));
    field()->touchCancelled();
    sceneBoard_ = nullptr;
}

INSTANTIATE_TEST_SUITE_P(Devices, FieldPicturesTest, ::testing::Values("phone-hd", "tablet-hd"),
                         [](const auto& info) {
                             std::string name = info.param;
                             for (char& ch : name)
                                 if (ch == '-') ch = '_';
                             return name;
                         });

} // namespace
} // namespace mw
