#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "analytics/TallyAnalytics.h"
#include "analytics/TallySession.h"
#include "analytics/TallySessionStore.h"
#include "engine/director/CCDirector.h"
#include "engine/director/HeadlessDriver.h"
#include "engine/menus/CCMenuItem.h"
#include "engine/nodes/CCLayer.h"
#include "foundation/RunLoop.h"
#include "game/boards/FoodPopUp.h"
#include "game/boards/MineBoard.h"
#include "game/boards/MineScene.h"
#include "game/front/CCTransitionDoors.h"
#include "game/front/InAppPopUp.h"
#include "game/front/InAppPurchase.h"
#include "game/front/MainMenuScene.h"
#include "game/front/MosswickAppDelegate.h"
#include "game/state/DataParser.h"
#include "game/state/GlobalObject.h"
#include "game/state/LocalisationManager.h"
#include "game/state/Profile.h"
#include "game/state/TutorialFrameDef.h"
#include "game/state/UpgradeItem.h"
#include "game/village/GuiObject.h"
#include "game/village/MapScene.h"
#include "game/village/VillageScene.h"
#include "game/village/screens/MicroLayer.h"
#include "platform/DeviceProfile.h"
#include "platform/HTTPTransport.h"
#include "tests/analytics/ReportDecoder.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/LoopbackHTTPServer.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/ScriptedStore.h"
#include "tests/support/ScriptedDeviceServices.h"
#include "tests/support/SharedInstances.h"
#include "tests/support/SourceTree.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestCertificateAuthority.h"

namespace mw {
namespace {

using Server = test::LoopbackHTTPServer;

// 2026-06-15 12:00:00 UTC.
constexpr double kNow = 1781524800.0;
// The market (gold buys mine moves there) and the earth tool.
constexpr int32_t kMarket = 18, kEarthTool = 24;

// A saved village whose player has 1,000 gold, the market, one mine visit
// behind them and one earth tool, made from the bundled game data; every
// achievement but the first tool's is behind them, so that the mine session
// grants exactly one.
void saveAPlayer()
{
    DataParser parser;
    ASSERT_TRUE(parser.parseData(test::sourceTreePath("resources") + "/test.xml"));
    Profile& p = *Profile::sharedInstance();
    p.VillageName = "Mossbury";
    p.GoldCount = 1000;
    p.increaseUpgradeCount(kMarket, 1);
    p.MineVisits = 1; // with the market, the coin-pack tab is open
    // The earth tool unlocked (as the mine's lessons do) and one owned.
    p.GetUpgrade(kEarthTool)->isHidden = false;
    p.UpgradesCountArray[size_t(kEarthTool)] = 1;
    GlobalObject* global = GlobalObject::sharedInstance();
    for (auto& [identifier, done] : global->AchievementsState) done = identifier != "com.zandovar.mw.diy";
    // Past the tutorials, whose pop-ups would hold the mine's input.
    for (auto& [id, frame] : p.TutorialDict) {
        frame->Done = true;
        frame->ArrowAfterDone = true;
    }
    ASSERT_TRUE(p.SaveData());
    Profile::purgeSharedInstance();
}

// The game launched through the headless driver, with its analytics
// reports going to a loopback HTTPS service (at the report address the
// client makes from the configured host) that accepts every report.
class AnalyticsInGameTest : public ::testing::Test {
protected:
    AnalyticsInGameTest()
    {
        const test::TestCertificateAuthority::Issued issued = authority_.issue({ "IP:127.0.0.1" });
        service_ = std::make_unique<Server>(
            [this](const Server::Request& request) {
                std::lock_guard<std::mutex> guard(lock_);
                reports_.push_back(request.body);
                return Server::response(200);
            },
            Server::Tls { issued.certificateFile, issued.keyFile });
        hostEnv_ = std::make_unique<test::ScopedEnv>("MOSSWICK_ANALYTICS_HOST",
                                                     "127.0.0.1:" + std::to_string(service_->port()));
        HTTPTransport::setTrustedCertificatesFile(authority_.certificateFile());
        // The store sells the six coin packs and accepts every payment.
        for (int pack = 0; pack < InAppPurchase::kPackCount; ++pack)
            store_->catalogue.push_back(
                {InAppPurchase::productIdentifier(pack), "", 0.99 + pack, "en_US@currency=USD", ""});
        previousStore_ = Store::replaceSharedInstance(store_);
    }
    ~AnalyticsInGameTest() override
    {
        stop();
        Store::replaceSharedInstance(previousStore_);
        HTTPTransport::setTrustedCertificatesFile("");
    }

    // The launch happens at `wallSeconds` on the driver's clock; `beforeLaunch`
    // runs once the device exists, before the game starts.
    void launch(double wallSeconds, const std::function<void()>& beforeLaunch = {})
    {
        test::GLTestContext* gl = test::GLTestContext::acquire(64, 64);
        ASSERT_NE(gl, nullptr);
        test::resetSharedInstances();
        TallyAnalytics::resetForTesting();
        Profile::purgeSharedInstance();
        driver_ = HeadlessDriver::createWithContext(gl->context(), *DeviceProfile::named("phone"), 1.0 / 30);
        ASSERT_NE(driver_, nullptr);
        driver_->clock().setWall(wallSeconds);
        if (beforeLaunch) beforeLaunch();
        app_ = std::make_unique<MosswickAppDelegate>();
        driver_->lifeCycle().setDelegate(app_.get());
        driver_->lifeCycle().launch();
        driver_->runFrames(2);
    }
    // The process ends: its upload threads first.
    void stop()
    {
        TallyAnalytics::resetForTesting();
        InAppPurchase::purgeSharedInstance();
        app_.reset();
        driver_.reset();
        test::resetSharedInstances();
        Profile::purgeSharedInstance();
    }

    // Runs frames (bounded by `seconds` of the driver's step) until `done`.
    bool runUntil(const std::function<bool()>& done, double seconds)
    {
        for (int frame = 0; frame < int(seconds / driver_->step()); ++frame) {
            if (done()) return true;
            driver_->runFrames(1);
        }
        return done();
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

    size_t reportCount()
    {
        std::lock_guard<std::mutex> guard(lock_);
        return reports_.size();
    }
    // Waits (bounded) until the service has `count` reports, then for the
    // upload to end: an upload started while another runs would be skipped.
    bool waitForReports(size_t count)
    {
        const bool arrived = RunLoop::main().runUntil([&] { return reportCount() >= count; }, 15);
        TallyAnalytics::waitForUploadsForTesting();
        RunLoop::main().drain();
        return arrived && reportCount() == count;
    }

    test::TestCertificateAuthority authority_;
    std::unique_ptr<Server> service_;
    std::unique_ptr<test::ScopedEnv> hostEnv_;
    std::mutex lock_;
    std::vector<std::vector<uint8_t>> reports_;
    test::TempDir home_;
    test::ScopedEnv homeEnv_ { "MOSSWICK_HOME", home_.path() };
    test::ScopedDeviceServices services_;
    std::shared_ptr<test::ScriptedStore> store_ = std::make_shared<test::ScriptedStore>();
    std::shared_ptr<Store> previousStore_;
    std::unique_ptr<HeadlessDriver> driver_;
    std::unique_ptr<MosswickAppDelegate> app_;
};

// Launch with a saved village, the main menu, its Continue through the
// doors into the village, a coin pack bought from the HUD's coin-pack tab,
// back to the map and its mine entrance's food pop-up (moves bought with
// gold), a mine session in which the first tool used grants an achievement,
// and a level gained; a 5 s pause (the same session), an 11 s pause (a new
// session, in which another level is gained), quit, and a relaunch whose
// accepted upload empties the stored list. Every event comes from its
// caller in the game.
TEST_F(AnalyticsInGameTest, EventsReachTheServiceInTheSessionThatLoggedThem)
{
    launch(kNow, [] { saveAPlayer(); });
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(waitForReports(1)) << "the start upload";
    const Ref<TallySession> first = TallySession::currentSession();
    ASSERT_NE(first, nullptr);
    const std::string language = LocalisationManager::sharedInstance()->getLang();

    ASSERT_TRUE(runUntil([] { return runningAs<MainMenuScene>() != nullptr; }, 10)) << "the loading scene's hand-over";
    MainMenuScene* menu = runningAs<MainMenuScene>();
    ASSERT_TRUE(Profile::sharedInstance()->Loaded) << "the saved village";
    menu->ContinueCallback();
    ASSERT_TRUE(runUntil([] { return runningAs<VillageScene>() != nullptr; }, 3)) << "the doors";
    VillageScene* village = runningAs<VillageScene>();
    GuiObject* hud = village->GetGUI();
    ASSERT_NE(hud, nullptr);

    // The coin-pack tab, its first pack's buy button, the store's answers
    // through the purchase pop-up, and its done button.
    ASSERT_TRUE(hud->MicroButton && hud->MicroButton->isEnabled()) << "open with the market";
    hud->MicroButton->activate();
    auto* packs = dynamic_cast<MicroLayer*>(village->GetLayer());
    ASSERT_NE(packs, nullptr);
    auto* row = dynamic_cast<TradeCell*>(packs->table()->cellAtIndex(0));
    ASSERT_NE(row, nullptr);
    row->buyButton()->activate();
    EXPECT_EQ(store_->payments, std::vector<std::string> { InAppPurchase::productIdentifier(0) });
    InAppPopUp* purchase = nullptr;
    for (Object* child : *village->children())
        if (auto* frame = dynamic_cast<InAppPopUp*>(child)) purchase = frame;
    ASSERT_NE(purchase, nullptr);
    ASSERT_TRUE(runUntil([purchase] { return purchase->succeeded(); }, 2)) << "the store's answers";
    const int32_t pack = Profile::sharedInstance()->MicroGoldCount1;
    EXPECT_EQ(Profile::sharedInstance()->GoldCount, 1000 + pack);
    purchase->successButton()->activate();
    driver_->runFrames(1);
    hud->BackButton->activate();
    auto* map = dynamic_cast<MapScene*>(village->GetLayer());
    ASSERT_NE(map, nullptr);

    map->MineCallback(nullptr);
    FoodPopUp* food = nullptr;
    for (Object* child : *hud->children())
        if (auto* popUp = dynamic_cast<FoodPopUp*>(child)) food = popUp;
    ASSERT_NE(food, nullptr);
    driver_->runFrames(2);
    ASSERT_NE(food->ResetButton, nullptr);
    food->ResetButton->activate(); // ten moves for 100 gold
    EXPECT_EQ(Profile::sharedInstance()->GoldCount, 900 + pack);
    ASSERT_TRUE(food->CraftButt && food->CraftButt->isEnabled());
    food->CraftButt->activate();
    ASSERT_TRUE(runUntil([] { return runningMineBoard() != nullptr; }, 2)) << "the fade to the mine";
    MineBoard* board = runningMineBoard();
    driver_->runFrames(30);
    ASSERT_NE(board->toolButton(kEarthTool), nullptr);
    board->toolButton(kEarthTool)->activate();
    driver_->runFrames(60);

    Profile* profile = Profile::sharedInstance();
    profile->LevelsArray = { 0, 100, 250, 500 };
    profile->PlayerLevel = 1;
    profile->Experience = 0;
    profile->ExperienceStep = 100;
    profile->AddExp(120, false, false);

    auto& life = driver_->lifeCycle();
    life.focusLost();
    ASSERT_TRUE(waitForReports(2)) << "the pause report";
    driver_->clock().advance(5);
    life.focusGained();
    EXPECT_EQ(TallySession::currentSession(), first) << "a 5 s pause continues the session";

    life.focusLost();
    ASSERT_TRUE(waitForReports(3)) << "the pause report";
    driver_->clock().advance(11);
    life.focusGained();
    const Ref<TallySession> second = TallySession::currentSession();
    ASSERT_NE(second, first) << "an 11 s pause starts a new session";
    ASSERT_TRUE(waitForReports(4)) << "the renewal's upload";
    profile->AddExp(200, false, false);
    driver_->clock().advance(3);
    life.quit();
    ASSERT_TRUE(waitForReports(5)) << "the end-of-session report";
    stop();

    launch(kNow + 3600);
    ASSERT_TRUE(waitForReports(6)) << "the relaunch's upload";
    ASSERT_TRUE(RunLoop::main().runUntil(
        [] {
            return TallySessionStore::savedSessions()
                .value_or(std::vector<TallySession::Bytes> { {} })
                .empty();
        },
        10))
        << "the accepted upload empties the stored list";

    // Every report decodes, ending exactly at a CRC that holds; the latest
    // record of each session is the one to read.
    std::map<int64_t, test::DecodedSession> sessions;
    std::vector<std::vector<uint8_t>> reports;
    {
        std::lock_guard<std::mutex> guard(lock_);
        reports = reports_;
    }
    for (const std::vector<uint8_t>& body : reports) {
        test::DecodedReport report;
        ASSERT_NO_THROW(report = test::readReport(body));
        EXPECT_EQ(report.apiKey, "QX3TR7WMB2KJ9PLD4HSZ");
        for (const test::DecodedSession& session : report.sessions) sessions[session.startTime] = session;
    }
    ASSERT_EQ(sessions.size(), 2u) << "the two sessions of the first run";
    using Parameters = std::vector<std::pair<std::string, std::string>>;
    auto eventsOf = [](const test::DecodedSession& session) {
        std::vector<std::pair<std::string, Parameters>> events;
        for (const test::DecodedEvent& event : session.events)
            events.emplace_back(event.name, event.parameters);
        return events;
    };
    auto at = sessions.begin();
    EXPECT_EQ(at->first, int64_t(kNow * 1000));
    EXPECT_EQ(eventsOf(at->second),
              (std::vector<std::pair<std::string, Parameters>> {
                  { "Language", { { "Language", language } } },
                  { "InApp", { { "InApp", std::to_string(pack) } } },
                  { "MoneyUsage", { { "MoneyUsage", "Mine Buy Food" } } },
                  { "MiniGames", { { "MiniGames", "Mine" } } },
                  { "Achievement", { { "Achievement", "ACH_TOOL1" } } },
                  { "Tool", { { "Tool", "tool_earth" } } },
                  { "Level Up!", { { "Level Up!", "Level 2" } } },
              }));
    EXPECT_EQ(at->second.pauseMillis, 5000);
    ++at;
    EXPECT_EQ(eventsOf(at->second),
              (std::vector<std::pair<std::string, Parameters>> {
                  { "Level Up!", { { "Level Up!", "Level 3" } } },
              }));
    EXPECT_EQ(at->second.length, 3000) << "ended at quit";
    // The relaunch's own session has its language event and waits for its pause or end.
    const std::optional<TallySession::Bytes> relaunched = TallySession::currentSession()->data();
    ASSERT_TRUE(relaunched.has_value());
    test::ByteReader reader(*relaunched);
    EXPECT_EQ(eventsOf(test::readSession(reader)),
              (std::vector<std::pair<std::string, Parameters>> {
                  { "Language", { { "Language", language } } },
              }));
}

} // namespace
} // namespace mw
