#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "analytics/TallyAnalytics.h"
#include "engine/director/HeadlessDriver.h"
#include "foundation/Log.h"
#include "foundation/StartUpTrace.h"
#include "game/front/MosswickAppDelegate.h"
#include "platform/Application.h"
#include "platform/DeviceProfile.h"
#include "platform/CloudDocuments.h"
#include "platform/Store.h"
#include "social/queues/CCBuffers.h"
#include "social/services/CCCloudDataSharingStore.h"
#include "social/services/CCDataSharing.h"
#include "social/data/CCDataStore.h"
#include "social/queues/CCNeighbours.h"
#include "social/session/CCPrivateSession.h"
#include "social/services/CCStorePurchases.h"
#include "social/data/CCUniqueId.h"
#include "tests/game/front/DormantSocialChecks.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/RecordingSessionCalls.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/ScriptedStore.h"
#include "tests/support/SharedInstances.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

// The program launched through the headless driver with the real social
// session over one data folder, start after start.
class SocialStartUpTest : public ::testing::Test {
protected:
    void TearDown() override { stop(); }

    // Launches and runs the first frames. The launch's own steps are noted
    // in the neighbours' call list too, so the list shows what the session
    // did inside the launch call and what it left for later loop turns.
    void start(const std::function<void()>& beforeLaunch = nullptr)
    {
        test::GLTestContext* gl = test::GLTestContext::acquire(64, 64);
        ASSERT_NE(gl, nullptr);
        test::resetSharedInstances();
        TallyAnalytics::resetForTesting();
        if (beforeLaunch) beforeLaunch();
        driver_ = HeadlessDriver::createWithContext(gl->context(), *DeviceProfile::named("phone"), 1.0 / 30);
        ASSERT_NE(driver_, nullptr);
        app_ = std::make_unique<MosswickAppDelegate>();
        driver_->lifeCycle().setDelegate(app_.get());
        setStartUpObserver([](const std::string& step) { noteNeighbourCall("launch " + step); });
        driver_->lifeCycle().launch();
        setStartUpObserver(nullptr);
        noteNeighbourCall("launch returned");
        driver_->runFrames(2);
    }
    void stop()
    {
        app_.reset();
        driver_.reset();
        test::resetSharedInstances();
        TallyAnalytics::resetForTesting();
    }
    static size_t indexOf(const std::string& call)
    {
        const std::vector<std::string> calls = neighbourCalls();
        return size_t(std::find(calls.begin(), calls.end(), call) - calls.begin());
    }
    CCDataStore& store() { return *CCDataStore::sharedInstance(); }

    test::TempDir home_;
    test::ScopedEnv homeEnv_ {"MOSSWICK_HOME", home_.path()};
    test::RecordingSessionCalls socialCalls_;
    std::unique_ptr<HeadlessDriver> driver_;
    std::unique_ptr<MosswickAppDelegate> app_;
};

TEST_F(SocialStartUpTest, FirstStartMakesThePlayersIdentityAndSecondKeepsIt)
{
    {
        ScopedLogCapture log;
        start();
        EXPECT_TRUE(log.contains(std::string("*** appId ") + MosswickAppDelegate::kSocialAppID +
                                 " version 1.000000 theme mosswick_01 lumora-slimline 0.3 build 77 ***"));
        EXPECT_FALSE(log.contains("Lumora Error"));
    }
    EXPECT_EQ(socialCalls_.calls(),
              (std::vector<std::string> {"initWithAppID 4817302956 1 mosswick_01 zk4wq8nrt2vyhc6md0xfa3sj5gpb1e",
                                         "lockToOrientationList 1,2"}));
    CCPrivateSession* session = CCPrivateSession::sharedInstance();
    ASSERT_NE(session, nullptr);
    EXPECT_EQ(session->valueForWorkaroundSetting(9), Value("YES"));
    EXPECT_EQ(session->deviceOrientationLockList(), (std::vector<int> {1, 2}));

    auto uid = store().objectForKeyAs<CCUniqueId>("userid");
    ASSERT_NE(uid, nullptr);
    EXPECT_EQ(uid->uid().size(), 36u);
    EXPECT_EQ(uid->uid(), session->userID());
    EXPECT_TRUE(store().valueForKey("lastviewedtime").isNumber());
    EXPECT_EQ(store().valueForKey("firstrun"), Value("YES"));
    EXPECT_TRUE(store().valueForKey("appinstalldate").isDate());

    const size_t returned = indexOf("launch returned");
    const size_t postInitialisation = indexOf("telemetry initialiseAnalyticsDataAndBeginNewSession 1");
    const size_t preparation = indexOf("telemetry prepareAnalyticsDataForPosting");
    EXPECT_LT(indexOf("launch social 4817302956 version 1.0 theme mosswick_01"), returned);
    EXPECT_LT(returned, postInitialisation);
    EXPECT_LT(postInitialisation, preparation);
    EXPECT_LT(preparation, neighbourCalls().size());

    std::vector<Value> first;
    for (const char* key : {"lastviewedtime", "firstrun", "appinstalldate"}) first.push_back(store().valueForKey(key));
    const std::string firstId = uid->uid();
    stop();

    start();
    EXPECT_EQ(store().objectForKeyAs<CCUniqueId>("userid")->uid(), firstId);
    std::vector<Value> second;
    for (const char* key : {"lastviewedtime", "firstrun", "appinstalldate"}) second.push_back(store().valueForKey(key));
    EXPECT_EQ(second, first);
}

TEST_F(SocialStartUpTest, APendingIncomingUrlLeavesTheFirstRunUnmarked)
{
    start([] {
        CCPrivateSession* session = CCPrivateSession::sharedInstance();
        ASSERT_NE(session, nullptr);
        session->setPendingIncomingUrlString("mosswick://challenge//42");
    });
    EXPECT_FALSE(store().containsKey("firstrun"));
    EXPECT_TRUE(store().containsKey("userid"));
    EXPECT_TRUE(store().containsKey("appinstalldate"));
}


// The parts of the social client the game never starts stay unstarted: no
// buffer, no products request, no resolver, no cloud document, no full UI or
// embedded view, and none of their keys in the data store.
TEST_F(SocialStartUpTest, TheGameStartsNoBufferStoreOrDataSharing)
{
    auto store = std::make_shared<test::ScriptedStore>();
    auto cloud = std::make_shared<CloudDocuments>();
    cloud->setResolvableContainers({"test1", "test3", CCCloudDataSharingStore::kSharedContainer});
    auto previousStore = Store::replaceSharedInstance(store);
    auto previousCloud = CloudDocuments::replaceSharedInstance(cloud);
    start();
    driver_->runFrames(30);
    test::expectSocialPeripheryDormant(*store, *cloud);
    EXPECT_TRUE(store->requests.empty()) << "no products request at start";
    stop();
    Store::replaceSharedInstance(previousStore);
    CloudDocuments::replaceSharedInstance(previousCloud);
}

} // namespace
} // namespace mw
