#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <memory>
#include <vector>

#include "foundation/NotificationCenter.h"
#include "foundation/RunLoop.h"
#include "social/support/Reachability.h"
#include "tests/support/RecordingReachability.h"

namespace mw {
namespace {

using namespace ReachabilityFlag;

class ReachabilityTest : public ::testing::Test {
protected:
    void SetUp() override { previous_ = NetworkReachability::replaceSharedInstance(fake_); }
    void TearDown() override
    {
        RunLoop::main().drain();
        NetworkReachability::replaceSharedInstance(previous_);
    }

    std::shared_ptr<test::RecordingReachability> fake_ = std::make_shared<test::RecordingReachability>();
    std::shared_ptr<NetworkReachability> previous_;
};

TEST_F(ReachabilityTest, StatusFollowsTheRulesInOrder)
{
    struct Case {
        uint32_t flags;
        NetworkStatus status;
    };
    const std::vector<Case> cases = {
        {0, NotReachable},
        {kIsWWAN | kIsDirect, NotReachable},
        {kReachable | kIsWWAN, ReachableViaWWAN},
        {kReachable | kIsWWAN | kTransientConnection | kConnectionRequired, ReachableViaWWAN},
        {kReachable, ReachableViaWiFi},
        {kReachable | kTransientConnection | kConnectionRequired, NotReachable},
        {kReachable | kConnectionOnTraffic, NotReachable},
        {kReachable | kConnectionOnTraffic | kConnectionRequired, ReachableViaWiFi},
        {kReachable | kTransientConnection, ReachableViaWiFi},
        {kReachable | kTransientConnection | kConnectionOnTraffic, ReachableViaWiFi},
        {kReachable | kConnectionRequired, ReachableViaWiFi},
        {kReachable | kInterventionRequired, NotReachable},
        {kReachable | kConnectionOnDemand | kConnectionRequired, ReachableViaWiFi},
    };
    const Ref<Reachability> host = Reachability::reachabilityWithHostName("service.example");
    ASSERT_TRUE(host);
    for (const Case& c : cases) {
        // The local and direct bits never change the answer of an ordinary object.
        for (const uint32_t extra : {0u, kIsLocalAddress, kIsDirect, kIsLocalAddress | kIsDirect}) {
            EXPECT_EQ(host->networkStatusForFlags(c.flags | extra), c.status)
                << std::hex << (c.flags | extra);
        }
    }
}

TEST_F(ReachabilityTest, OnlyTheRealLocalWiFiObjectGetsItsRule)
{
    const Ref<Reachability> local = Reachability::reachabilityForLocalWiFi();
    ASSERT_TRUE(local);
    EXPECT_EQ(local->key(), "LocalWiFiConnection");
    EXPECT_EQ(local->networkStatusForFlags(kReachable | kIsDirect), ReachableViaWiFi);
    EXPECT_EQ(local->networkStatusForFlags(kReachable), NotReachable);
    EXPECT_EQ(local->networkStatusForFlags(kReachable | kIsWWAN), NotReachable);
    EXPECT_EQ(fake_->targetsMade.back(), "169.254.0.0");

    const Ref<Reachability> byHand = Reachability::reachabilityWithHostName("other.example");
    byHand->setKey("LocalWiFiConnection");
    EXPECT_EQ(byHand->networkStatusForFlags(kReachable), ReachableViaWiFi);
    EXPECT_EQ(byHand->networkStatusForFlags(kReachable | kIsWWAN), ReachableViaWWAN);
    EXPECT_TRUE(byHand->isEqual(local.get()));
}

TEST_F(ReachabilityTest, DerivedQuestionsReadTheCurrentFlags)
{
    const Ref<Reachability> host = Reachability::reachabilityWithHostName("service.example");
    struct Case {
        std::optional<uint32_t> flags;
        bool reachable, viaWWAN, viaWiFi, connectionRequired, onDemand, intervention;
        uint32_t raw;
    };
    const std::vector<Case> cases = {
        {kReachable | kIsWWAN, true, true, false, false, false, false, kReachable | kIsWWAN},
        {kReachable, true, false, true, false, false, false, kReachable},
        {kReachable | kConnectionRequired | kConnectionOnTraffic, true, false, true, true, true, false,
         kReachable | kConnectionRequired | kConnectionOnTraffic},
        {kConnectionRequired | kConnectionOnDemand, false, false, false, true, true, false,
         kConnectionRequired | kConnectionOnDemand},
        {kConnectionRequired | kInterventionRequired, false, false, false, true, false, true,
         kConnectionRequired | kInterventionRequired},
        {kInterventionRequired | kConnectionOnDemand, false, false, false, false, false, false,
         kInterventionRequired | kConnectionOnDemand},
        {std::nullopt, false, false, false, false, false, false, 0},
    };
    for (const Case& c : cases) {
        fake_->setFlags("service.example", c.flags);
        EXPECT_EQ(host->isReachable(), c.reachable);
        EXPECT_EQ(host->isReachableViaWWAN(), c.viaWWAN);
        EXPECT_EQ(host->isReachableViaWiFi(), c.viaWiFi);
        EXPECT_EQ(host->isConnectionRequired(), c.connectionRequired);
        EXPECT_EQ(host->connectionRequired(), c.connectionRequired);
        EXPECT_EQ(host->isConnectionOnDemand(), c.onDemand);
        EXPECT_EQ(host->isInterventionRequired(), c.intervention);
        EXPECT_EQ(host->reachabilityFlags(), c.raw);
    }
    EXPECT_EQ(host->currentReachabilityStatus(), NotReachable);
}

TEST_F(ReachabilityTest, KeysNameTheTarget)
{
    in_addr address{};
    ASSERT_EQ(::inet_pton(AF_INET, "10.1.2.3", &address), 1);
    EXPECT_EQ(Reachability::makeAddressKey(address.s_addr), "10.1.2.3");
    const Ref<Reachability> byAddress = Reachability::reachabilityWithAddress(address.s_addr);
    EXPECT_EQ(byAddress->key(), "10.1.2.3");
    const Ref<Reachability> internet = Reachability::reachabilityForInternetConnection();
    EXPECT_EQ(internet->key(), "InternetConnection");
    EXPECT_EQ(fake_->targetsMade[1], "0.0.0.0");

    const Ref<Reachability> a = Reachability::reachabilityWithHostName("service.example");
    const Ref<Reachability> b = Reachability::reachabilityWithHostName("service.example");
    EXPECT_TRUE(a->isEqual(b.get()));
    EXPECT_FALSE(a->isEqual(internet.get()));
    EXPECT_FALSE(a->isEqual(nullptr));

    fake_->refusedTargets.insert("nowhere.example");
    EXPECT_FALSE(Reachability::reachabilityWithHostName("nowhere.example"));
    fake_->refusedTargets.insert("0.0.0.0");
    EXPECT_FALSE(Reachability::reachabilityForInternetConnection());
}

TEST_F(ReachabilityTest, ChangesArriveOnTheMainLoopUntilStopped)
{
    std::vector<Object*> posted;
    const auto observer = NotificationCenter::defaultCenter().addObserver(
        nullptr, kReachabilityChangedNotification, nullptr,
        [&](const Notification& notification) { posted.push_back(notification.object()); });

    Ref<Reachability> host = Reachability::reachabilityWithHostName("service.example");
    ASSERT_TRUE(host->startNotifier());
    // Started again (every queue pass does), the running watch stays: a new
    // one would take the present as its start and miss a change since.
    ASSERT_TRUE(host->startNotifier());
    EXPECT_EQ(fake_->watchesStarted(), 1u);
    fake_->injectChange("service.example", kReachable);
    EXPECT_TRUE(posted.empty()); // never inside the call that caused it
    RunLoop::main().drain();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0], host.get());
    EXPECT_EQ(host->currentReachabilityStatus(), ReachableViaWiFi);

    // A change queued before the stop never arrives.
    fake_->injectChange("service.example", 0);
    host->stopNotifier();
    RunLoop::main().drain();
    EXPECT_EQ(posted.size(), 1u);

    // Nor one queued before the object went.
    ASSERT_TRUE(host->startNotifier());
    fake_->injectChange("service.example", kReachable);
    host = nullptr;
    RunLoop::main().drain();
    EXPECT_EQ(posted.size(), 1u);
    EXPECT_EQ(fake_->watcherCount(), 0u);
    NotificationCenter::defaultCenter().removeObserver(observer);
}

TEST(DesktopReachability, AnswersFromTheNetworkInterfaces)
{
    const std::shared_ptr<NetworkReachability> desktop = NetworkReachability::sharedInstance();
    std::unique_ptr<ReachabilityTarget> target = desktop->targetForHostName("service.example");
    ASSERT_TRUE(target);
    const std::optional<uint32_t> flags = target->flags();
    ASSERT_TRUE(flags);
    // Reachable and direct together, or nothing; never mobile data.
    EXPECT_TRUE(*flags == 0 || *flags == (kReachable | kIsDirect)) << *flags;
    EXPECT_FALSE(desktop->targetForHostName(""));
    EXPECT_TRUE(target->startWatching([](uint32_t) {}));
    target->stopWatching();
}

} // namespace
} // namespace mw
