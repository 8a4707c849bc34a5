// The game played end to end (the route of the in-game analytics run) with
// recording fakes under the social client: the parts of the client the game
// never starts stay unstarted through all of it.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "analytics/TallyAnalytics.h"
#include "engine/director/CCDirector.h"
#include "engine/director/HeadlessDriver.h"
#include "engine/menus/CCMenuItem.h"
#include "foundation/RunLoop.h"
#include "game/boards/FoodPopUp.h"
#include "game/boards/MineBoard.h"
#include "game/boards/MineScene.h"
#include "game/front/InAppPopUp.h"
#include "game/front/InAppPurchase.h"
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
#include "platform/CloudDocuments.h"
#include "platform/DeviceProfile.h"
#include "platform/HTTPTransport.h"
#include "social/CCCloudDataSharingStore.h"
#include "tests/game/front/DormantSocialChecks.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/LoopbackHTTPServer.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/ScriptedDeviceServices.h"
#include "tests/support/ScriptedStore.h"
#include "tests/support/SharedInstances.h"
#include "tests/support/SourceTree.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestCertificateAuthority.h"

namespace mw {
namespace {

using Server = test::LoopbackHTTPServer;

// 2026-06-15 12:00:00 UTC.
constexpr double kNow = 1781524800.0;
constexpr int32_t kMarket = 18, kEarthTool = 24;

// A saved village with 1,000 gold, the market, one mine visit and one earth
// tool, past its tutorials (the in-game analytics run's player).
void saveAPlayer()
{
    DataParser parser;
    ASSERT_TRUE(parser.parseData(test::sourceTreePath("resources") + "/test.xml"));
    Profile& p = *Profile::sharedInstance();
    p.VillageName = "Mossbury";
    p.GoldCount = 1000;
    p.increaseUpgradeCount(kMarket, 1);
    p.MineVisits = 1;
    p.GetUpgrade(kEarthTool)->isHidden = false;
    p.UpgradesCountArray[size_t(kEarthTool)] = 1;
    GlobalObject* global = GlobalObject::sharedInstance();
    for (auto& [identifier, done] : global->AchievementsState) done = identifier != "com.zandovar.mw.diy";
    for (auto& [id, frame] : p.TutorialDict) {
        frame->Done = true;
        frame->ArrowAfterDone = true;
    }
    ASSERT_TRUE(p.SaveData());
    Profile::purgeSharedInstance();
}

class SocialDormantInGameTest : public ::testing::Test {
protected:
    SocialDormantInGameTest()
    {
        // The analytics reports go to a loopback service that accepts them.
        const test::TestCertificateAuthority::Issued issued = authority_.issue({"IP:127.0.0.1"});
        service_ = std::make_unique<Server>([](const Server::Request&) { return Server::response(200); },
                                            Server::Tls {issued.certificateFile, issued.keyFile});
        hostEnv_ = std::make_unique<test::ScopedEnv>("MOSSWICK_ANALYTICS_HOST",
                                                     "127.0.0.1:" + std::to_string(service_->port()));
        HTTPTransport::setTrustedCertificatesFile(authority_.certificateFile());
        for (int pack = 0; pack < InAppPurchase::kPackCount; ++pack)
            store_->catalogue.push_back(
                {InAppPurchase::productIdentifier(pack), "", 0.99 + pack, "en_US@currency=USD", ""});
        previousStore_ = Store::replaceSharedInstance(store_);
        // Every container the social client could ask for resolves: a lookup
        // would be counted, not refused.
        cloud_->setResolvableContainers({"test1", "test3", CCCloudDataSharingStore::kSharedContainer});
        previousCloud_ = CloudDocuments::replaceSharedInstance(cloud_);
    }
    ~SocialDormantInGameTest() override
    {
        TallyAnalytics::resetForTesting();
        InAppPurchase::purgeSharedInstance();
        app_.reset();
        driver_.reset();
        test::resetSharedInstances();
        Profile::purgeSharedInstance();
        Store::replaceSharedInstance(previousStore_);
        CloudDocuments::replaceSharedInstance(previousCloud_);
        HTTPTransport::setTrustedCertificatesFile("");
    }

    void launch()
    {
        test::GLTestContext* gl = test::GLTestContext::acquire(64, 64);
        ASSERT_NE(gl, nullptr);
        test::resetSharedInstances();
        TallyAnalytics::resetForTesting();
        Profile::purgeSharedInstance();
        driver_ = HeadlessDriver::createWithContext(gl->context(), *DeviceProfile::named("phone"), 1.0 / 30);
        ASSERT_NE(driver_, nullptr);
        driver_->clock().setWall(kNow);
        saveAPlayer();
        app_ = std::make_unique<MosswickAppDelegate>();
        driver_->lifeCycle().setDelegate(app_.get());
        driver_->lifeCycle().launch();
        driver_->runFrames(2);
    }
    bool runUntil(const std::function<bool()>& done, double seconds)
    {
        for (int frame = 0; frame < int(seconds / driver_->step()); ++frame) {
            if (done()) return true;
            driver_->runFrames(1);
        }
        return done();
    }
    template <class T> static T* runningAs() { return dynamic_cast<T*>(CCDirector::sharedDirector()->runningScene()); }
    static MineBoard* runningMineBoard()
    {
        CCScene* running = CCDirector::sharedDirector()->runningScene();
        auto* layer = running ? dynamic_cast<MineScene*>(running->getChildByTag(MineScene::kTag)) : nullptr;
        return layer ? layer->board.get() : nullptr;
    }

    test::TestCertificateAuthority authority_;
    std::unique_ptr<Server> service_;
    std::unique_ptr<test::ScopedEnv> hostEnv_;
    test::TempDir home_;
    test::ScopedEnv homeEnv_ {"MOSSWICK_HOME", home_.path()};
    test::ScopedDeviceServices services_;
    std::shared_ptr<test::ScriptedStore> store_ = std::make_shared<test::ScriptedStore>();
    std::shared_ptr<CloudDocuments> cloud_ = std::make_shared<CloudDocuments>();
    std::shared_ptr<Store> previousStore_;
    std::shared_ptr<CloudDocuments> previousCloud_;
    std::unique_ptr<HeadlessDriver> driver_;
    std::unique_ptr<MosswickAppDelegate> app_;
};

// Launch, the menu's Continue into the village, a coin pack bought, the
// mine's food pop-up and a mine session with a tool, a level gained, a
// pause and a return: after each stage the social client's periphery is
// still unstarted.
TEST_F(SocialDormantInGameTest, ThePlayedGameStartsNoneOfTheSocialPeriphery)
{
    launch();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(runUntil([] { return runningAs<MainMenuScene>() != nullptr; }, 10)) << "the loading scene";
    {
        SCOPED_TRACE("the main menu");
        test::expectSocialPeripheryDormant(*store_, *cloud_);
    }
    runningAs<MainMenuScene>()->ContinueCallback();
    ASSERT_TRUE(runUntil([] { return runningAs<VillageScene>() != nullptr; }, 3)) << "the doors";
    VillageScene* village = runningAs<VillageScene>();
    GuiObject* hud = village->GetGUI();
    ASSERT_NE(hud, nullptr);

    ASSERT_TRUE(hud->MicroButton && hud->MicroButton->isEnabled());
    hud->MicroButton->activate();
    auto* packs = dynamic_cast<MicroLayer*>(village->GetLayer());
    ASSERT_NE(packs, nullptr);
    auto* row = dynamic_cast<TradeCell*>(packs->table()->cellAtIndex(0));
    ASSERT_NE(row, nullptr);
    row->buyButton()->activate();
    EXPECT_EQ(store_->payments, std::vector<std::string> {InAppPurchase::productIdentifier(0)});
    InAppPopUp* purchase = nullptr;
    for (Object* child : *village->children())
        if (auto* frame = dynamic_cast<InAppPopUp*>(child)) purchase = frame;
    ASSERT_NE(purchase, nullptr);
    ASSERT_TRUE(runUntil([purchase] { return purchase->succeeded(); }, 2)) << "the store's answers";
    purchase->successButton()->activate();
    driver_->runFrames(1);
    {
        SCOPED_TRACE("a coin pack bought");
        test::expectSocialPeripheryDormant(*store_, *cloud_);
    }
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
    food->ResetButton->activate();
    ASSERT_TRUE(food->CraftButt && food->CraftButt->isEnabled());
    food->CraftButt->activate();
    ASSERT_TRUE(runUntil([] { return runningMineBoard() != nullptr; }, 2)) << "the fade to the mine";
    MineBoard* board = runningMineBoard();
    driver_->runFrames(30);
    ASSERT_NE(board->toolButton(kEarthTool), nullptr);
    board->toolButton(kEarthTool)->activate(); // grants an achievement
    driver_->runFrames(60);
    Profile* profile = Profile::sharedInstance();
    profile->LevelsArray = {0, 100, 250, 500};
    profile->PlayerLevel = 1;
    profile->Experience = 0;
    profile->ExperienceStep = 100;
    profile->AddExp(120, false, false);

    auto& life = driver_->lifeCycle();
    life.focusLost();
    driver_->clock().advance(11);
    life.focusGained();
    driver_->runFrames(30);
    TallyAnalytics::waitForUploadsForTesting();
    RunLoop::main().drain();
    SCOPED_TRACE("the mine, a level and a pause");
    test::expectSocialPeripheryDormant(*store_, *cloud_);
}

} // namespace
} // namespace mw
