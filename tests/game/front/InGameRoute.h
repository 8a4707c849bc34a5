#pragma once

// The game launched through the headless driver as the in-game tests play
// it: the real application delegate on the phone at a fixed step, the
// driver's fake clock, a scratch home folder kept across relaunches and the
// scripted device services; and the steps of the played route (a saved
// village past its tutorials, the menu's Continue, a coin pack bought, the
// mine entered through its food pop-up, a level gained).

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "analytics/TallyAnalytics.h"
#include "engine/director/CCDirector.h"
#include "engine/director/HeadlessDriver.h"
#include "engine/menus/CCMenuItem.h"
#include "foundation/RunLoop.h"
#include "game/boards/FoodPopUp.h"
#include "game/boards/MineBoard.h"
#include "game/boards/MineScene.h"
#include "game/village/InAppPopUp.h"
#include "game/village/InAppPurchase.h"
#include "game/front/MainMenuScene.h"
#include "game/front/MosswickAppDelegate.h"
#include "game/state/DataParser.h"
#include "game/state/GlobalObject.h"
#include "game/state/Profile.h"
#include "game/state/TutorialFrameDef.h"
#include "game/state/UpgradeItem.h"
#include "game/village/GuiObject.h"
#include "game/village/MapScene.h"
#include "game/village/VillageScene.h"
#include "game/village/screens/MicroLayer.h"
#include "platform/BackgroundTasks.h"
#include "platform/DeviceProfile.h"
#include "platform/HTTPTransport.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/LoopbackHTTPServer.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/ScriptedDeviceServices.h"
#include "tests/support/ScriptedStore.h"
#include "tests/support/SharedInstances.h"
#include "tests/support/SourceTree.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestCertificateAuthority.h"

namespace mw::test {

// 2026-06-15 12:00:00 UTC: the routes' first launch.
inline constexpr double kRouteStart = 1781524800.0;
// The market (gold buys mine moves there) and the earth tool.
inline constexpr int32_t kMarket = 18, kEarthTool = 24;

// Saves a village named "Mossbury", made from the bundled game data, with
// every tutorial behind it (their pop-ups would hold the game's input), so
// that the menu's Continue leads straight into it. `edit` changes the
// player before the save.
inline void saveAVillagePastTutorials(const std::function<void(Profile&)>& edit = {})
{
    DataParser parser;
    ASSERT_TRUE(parser.parseData(sourceTreePath("resources") + "/test.xml"));
    Profile& p = *Profile::sharedInstance();
    p.VillageName = "Mossbury";
    for (auto& [id, frame] : p.TutorialDict) {
        frame->Done = true;
        frame->ArrowAfterDone = true;
    }
    if (edit) edit(p);
    ASSERT_TRUE(p.SaveData());
    Profile::purgeSharedInstance();
}

// The played route's player, saved: 1,000 gold, the market and one mine
// visit behind them (with both the coin-pack tab is open), the earth tool
// unlocked (as the mine's lessons do) and one owned, and every achievement
// but the first tool's behind them, so that the mine session grants
// exactly one.
inline void saveAPlayerForTheMine()
{
    saveAVillagePastTutorials([](Profile& p) {
        p.GoldCount = 1000;
        p.increaseUpgradeCount(kMarket, 1);
        p.MineVisits = 1;
        p.GetUpgrade(kEarthTool)->isHidden = false;
        p.UpgradesCountArray[size_t(kEarthTool)] = 1;
        GlobalObject* global = GlobalObject::sharedInstance();
        for (auto& [identifier, done] : global->AchievementsState) done = identifier != "com.zandovar.mw.diy";
    });
}

// The player's level table made short (0, 100, 250, 500), from level 1 with
// no experience, then 120 experience: one level gained.
inline void gainALevel()
{
    Profile* profile = Profile::sharedInstance();
    profile->LevelsArray = {0, 100, 250, 500};
    profile->PlayerLevel = 1;
    profile->Experience = 0;
    profile->ExperienceStep = 100;
    profile->AddExp(120, false, false);
}

// The outside of the played route: the analytics reports go to a loopback
// HTTPS service (at the report address the client makes from the
// configured host) that accepts and keeps each, and the shared store sells
// the six coin packs and accepts every payment. Undone by the destructor.
class ReportServiceAndStore {
public:
    ReportServiceAndStore()
    {
        const TestCertificateAuthority::Issued issued = authority_.issue({"IP:127.0.0.1"});
        service_ = std::make_unique<LoopbackHTTPServer>(
            [this](const LoopbackHTTPServer::Request& request) {
                std::lock_guard<std::mutex> guard(lock_);
                reports_.push_back(request.body);
                return LoopbackHTTPServer::response(200);
            },
            LoopbackHTTPServer::Tls {issued.certificateFile, issued.keyFile});
        hostEnv_ = std::make_unique<ScopedEnv>("MOSSWICK_ANALYTICS_HOST",
                                               "127.0.0.1:" + std::to_string(service_->port()));
        HTTPTransport::setTrustedCertificatesFile(authority_.certificateFile());
        for (int pack = 0; pack < InAppPurchase::kPackCount; ++pack)
            store->catalogue.push_back(
                {InAppPurchase::productIdentifier(pack), "", 0.99 + pack, "en_US@currency=USD", ""});
        previousStore_ = Store::replaceSharedInstance(store);
    }
    ~ReportServiceAndStore()
    {
        Store::replaceSharedInstance(previousStore_);
        HTTPTransport::setTrustedCertificatesFile("");
    }
    ReportServiceAndStore(const ReportServiceAndStore&) = delete;
    ReportServiceAndStore& operator=(const ReportServiceAndStore&) = delete;

    // The report bodies received so far, in order.
    std::vector<std::vector<uint8_t>> reports() const
    {
        std::lock_guard<std::mutex> guard(lock_);
        return reports_;
    }
    size_t reportCount() const
    {
        std::lock_guard<std::mutex> guard(lock_);
        return reports_.size();
    }

    std::shared_ptr<ScriptedStore> store = std::make_shared<ScriptedStore>();

private:
    TestCertificateAuthority authority_;
    std::unique_ptr<LoopbackHTTPServer> service_;
    std::unique_ptr<ScopedEnv> hostEnv_;
    mutable std::mutex lock_;
    std::vector<std::vector<uint8_t>> reports_;
    std::shared_ptr<Store> previousStore_;
};

// The game's process on the phone, launched and stopped as often as a test
// likes, in one home folder. Main thread.
class InGameRoute {
public:
    explicit InGameRoute(double step) : step_(step) {}
    ~InGameRoute() { stop(); }
    InGameRoute(const InGameRoute&) = delete;
    InGameRoute& operator=(const InGameRoute&) = delete;

    // The process starts at `wallSeconds` on the driver's clock: the shared
    // instances reset, a fresh driver, `beforeLaunch` (the device and its
    // clock exist, the game has not started), the delegate launched, two
    // frames.
    void launch(double wallSeconds, const std::function<void()>& beforeLaunch = {})
    {
        GLTestContext* gl = GLTestContext::acquire(64, 64);
        ASSERT_NE(gl, nullptr);
        resetSharedInstances();
        TallyAnalytics::resetForTesting();
        Profile::purgeSharedInstance();
        driver_ = HeadlessDriver::createWithContext(gl->context(), *DeviceProfile::named("phone"), step_);
        ASSERT_NE(driver_, nullptr);
        driver_->clock().setWall(wallSeconds);
        if (beforeLaunch) beforeLaunch();
        app_ = std::make_unique<MosswickAppDelegate>();
        driver_->lifeCycle().setDelegate(app_.get());
        driver_->lifeCycle().launch();
        driver_->runFrames(2);
    }
    // The process ends: the analytics upload threads first, then all it
    // held, a background task's handler (which holds the social session)
    // included. Does nothing more when called again.
    void stop()
    {
        BackgroundTasks::replaceSharedInstance(nullptr);
        TallyAnalytics::resetForTesting();
        InAppPurchase::purgeSharedInstance();
        app_.reset();
        driver_.reset();
        resetSharedInstances();
        Profile::purgeSharedInstance();
        BackgroundTasks::noteInBackground(false);
    }

    HeadlessDriver& driver() const { return *driver_; }

    // Frames of the step until `done` holds, at most `seconds` of game time.
    bool framesUntil(const std::function<bool()>& done, double seconds)
    {
        for (int frame = 0; frame < int(seconds / step_); ++frame) {
            if (done()) return true;
            driver_->runFrames(1);
        }
        return done();
    }
    // The analytics uploads ended and the main loop's queued work done.
    static void settleUploads()
    {
        TallyAnalytics::waitForUploadsForTesting();
        RunLoop::main().drain();
    }

    template <class T> static T* runningAs()
    {
        return dynamic_cast<T*>(CCDirector::sharedDirector()->runningScene());
    }
    static MineBoard* runningMineBoard()
    {
        CCScene* running = CCDirector::sharedDirector()->runningScene();
        auto* layer = running ? dynamic_cast<MineScene*>(running->getChildByTag(MineScene::kTag)) : nullptr;
        return layer ? layer->board.get() : nullptr;
    }

    // The menu's Continue through the doors: the village, or null (a
    // failure added) when it is not running within `seconds`.
    VillageScene* continueIntoTheVillage(double seconds)
    {
        auto* menu = runningAs<MainMenuScene>();
        if (!menu) {
            ADD_FAILURE() << "no main menu to continue from";
            return nullptr;
        }
        menu->ContinueCallback();
        if (!framesUntil([] { return runningAs<VillageScene>() != nullptr; }, seconds)) {
            ADD_FAILURE() << "the doors did not lead into the village";
            return nullptr;
        }
        return runningAs<VillageScene>();
    }
    // The HUD's coin-pack tab, its first pack's buy button (the one payment
    // the store sees), the store's answers through the purchase pop-up and
    // its done button.
    void buyTheFirstCoinPack(VillageScene& village, const ScriptedStore& store)
    {
        GuiObject* hud = village.GetGUI();
        ASSERT_NE(hud, nullptr);
        ASSERT_TRUE(hud->MicroButton && hud->MicroButton->isEnabled()) << "open with the market";
        hud->MicroButton->activate();
        auto* packs = dynamic_cast<MicroLayer*>(village.GetLayer());
        ASSERT_NE(packs, nullptr);
        auto* row = dynamic_cast<TradeCell*>(packs->table()->cellAtIndex(0));
        ASSERT_NE(row, nullptr);
        row->buyButton()->activate();
        EXPECT_EQ(store.payments, std::vector<std::string> {InAppPurchase::productIdentifier(0)});
        InAppPopUp* purchase = nullptr;
        for (Object* child : *village.children())
            if (auto* frame = dynamic_cast<InAppPopUp*>(child)) purchase = frame;
        ASSERT_NE(purchase, nullptr);
        ASSERT_TRUE(framesUntil([purchase] { return purchase->succeeded(); }, 2)) << "the store's answers";
        purchase->successButton()->activate();
        driver_->runFrames(1);
    }
    // From the HUD back to the map and its mine entrance: the food pop-up,
    // its buttons laid out, or null (a failure added).
    FoodPopUp* openTheMineFoodPopUp(VillageScene& village)
    {
        GuiObject* hud = village.GetGUI();
        hud->BackButton->activate();
        auto* map = dynamic_cast<MapScene*>(village.GetLayer());
        if (!map) {
            ADD_FAILURE() << "the HUD's back button did not show the map";
            return nullptr;
        }
        map->MineCallback(nullptr);
        FoodPopUp* food = nullptr;
        for (Object* child : *hud->children())
            if (auto* popUp = dynamic_cast<FoodPopUp*>(child)) food = popUp;
        if (!food) {
            ADD_FAILURE() << "the mine entrance opened no food pop-up";
            return nullptr;
        }
        driver_->runFrames(2);
        if (!food->ResetButton) {
            ADD_FAILURE() << "the food pop-up has no moves button";
            return nullptr;
        }
        return food;
    }
    // The food pop-up's craft button, the fade to the mine and the earth
    // tool used there (its first use grants an achievement).
    void playTheMineWithTheEarthTool(FoodPopUp& food)
    {
        ASSERT_TRUE(food.CraftButt && food.CraftButt->isEnabled());
        food.CraftButt->activate();
        ASSERT_TRUE(framesUntil([] { return runningMineBoard() != nullptr; }, 2)) << "the fade to the mine";
        MineBoard* board = runningMineBoard();
        driver_->runFrames(30);
        ASSERT_NE(board->toolButton(kEarthTool), nullptr);
        board->toolButton(kEarthTool)->activate();
        driver_->runFrames(60);
    }

private:
    TempDir home_;
    ScopedEnv homeEnv_ {"MOSSWICK_HOME", home_.path()};
    ScopedDeviceServices services_;
    double step_;
    std::unique_ptr<HeadlessDriver> driver_;
    std::unique_ptr<MosswickAppDelegate> app_;
};

} // namespace mw::test
