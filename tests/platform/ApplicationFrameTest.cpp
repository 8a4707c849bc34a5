#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/Clock.h"
#include "foundation/Log.h"
#include "foundation/RunLoop.h"
#include "platform/Application.h"
#include "platform/ApplicationDelegate.h"
#include "platform/LocalNotifications.h"
#include "platform/UIViewController.h"
#include "platform/URLOpener.h"
#include "tests/support/ScopedEnv.h"

namespace mw {
namespace {

class PortraitController : public UIViewController {
public:
    bool shouldAutorotateToInterfaceOrientation(int orientation) override
    {
        return orientation == 1 || orientation == 2;
    }
    void willRotateToInterfaceOrientation(int orientation, double duration) override
    {
        calls.push_back("will " + std::to_string(orientation) + " " + std::to_string(duration).substr(0, 4));
    }
    void didRotateFromInterfaceOrientation(int previous) override
    {
        calls.push_back("did " + std::to_string(previous));
    }
    std::vector<std::string> calls;
};

class NotifiedApp : public ApplicationDelegate {
public:
    void applicationDidReceiveLocalNotification(const LocalNotification& notification) override
    {
        received.push_back(notification.alertBody);
    }
    std::vector<std::string> received;
};

class ApplicationFrameTest : public ::testing::Test {
protected:
    void TearDown() override { Application::sharedApplication().reset(); }
    Application& app = Application::sharedApplication();
};

TEST_F(ApplicationFrameTest, OnlyPortraitTurnsReachTheController)
{
    PortraitController controller;
    app.setRootViewController(&controller);
    struct Row {
        int orientation;
        bool turns;
    };
    const Row rows[] = {{3, false}, {4, false}, {1, false}, {2, true}, {1, true}};
    for (const Row& row : rows) EXPECT_EQ(app.rotateTo(row.orientation, 0.4), row.turns) << row.orientation;
    EXPECT_EQ(controller.calls, (std::vector<std::string>{"will 2 0.40", "did 1", "will 1 0.40", "did 2"}));
    EXPECT_EQ(app.interfaceOrientation(), 1);
}

TEST_F(ApplicationFrameTest, BadgeChangesReachTheWindow)
{
    std::vector<int> shown;
    app.setBadgeListener([&](int badge) { shown.push_back(badge); });
    app.setApplicationIconBadgeNumber(3);
    app.setApplicationIconBadgeNumber(3);
    app.setApplicationIconBadgeNumber(0);
    EXPECT_EQ(shown, (std::vector<int>{3, 0}));
}

TEST_F(ApplicationFrameTest, NotificationDueWhileRunningReachesTheDelegateOnce)
{
    auto clock = std::make_shared<ManualClock>(100, 2'000'000'000);
    ScopedClockSource scopedClock(clock);
    NotifiedApp delegate;
    app.setDelegate(&delegate);
    auto previous = LocalNotifications::replaceSharedInstance(nullptr); // a fresh desktop service
    auto service = LocalNotifications::sharedInstance();
    service->scheduleLocalNotification({2'000'000'005, "", 1, "later", "", ""});
    service->scheduleLocalNotification({2'000'000'002, "", 1, "sooner", "", ""});
    service->scheduleLocalNotification({2'000'000'500, "", 1, "withdrawn", "", ""});
    for (int second = 0; second < 10; ++second) {
        clock->advance(1);
        RunLoop::main().drain();
        if (second == 0) {
            EXPECT_TRUE(delegate.received.empty());
        }
    }
    EXPECT_EQ(delegate.received, (std::vector<std::string>{"sooner", "later"}));
    service->cancelAllLocalNotifications();
    clock->advance(1000);
    RunLoop::main().drain();
    EXPECT_EQ(delegate.received.size(), 2u);
    LocalNotifications::replaceSharedInstance(previous);
}

TEST(URLOpenerTest, OpensWebAddressesOnlyWhenAllowed)
{
    struct Row {
        std::optional<std::string> variable;
        const char* address;
        bool opens;
    };
    const Row rows[] = {
        {std::nullopt, "https://example.org/", false},
        {"0", "https://example.org/", false},
        {"1", "https://example.org/", true},
        {"1", "http://example.org/a?b=c", true},
        {"1", "itms-apps://store/app/1", false},
        {"1", "file:///etc/passwd", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.address);
        test::ScopedEnv env("MOSSWICK_OPEN_URLS", row.variable);
        std::vector<std::vector<std::string>> launched;
        auto opener = URLOpener::makeDesktop([&](const std::vector<std::string>& argv) {
            launched.push_back(argv);
            return true;
        });
        ScopedLogCapture log;
        EXPECT_EQ(opener->openURL(row.address), row.opens);
        if (row.opens) {
            ASSERT_EQ(launched.size(), 1u);
            EXPECT_EQ(launched[0], (std::vector<std::string>{"xdg-open", row.address}));
        } else {
            EXPECT_TRUE(launched.empty());
            EXPECT_TRUE(log.contains(row.address));
        }
    }
}

} // namespace
} // namespace mw
