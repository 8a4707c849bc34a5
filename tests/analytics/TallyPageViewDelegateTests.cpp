#include "analytics/TallyPageViewDelegate.h"

#include <gtest/gtest.h>

#include "analytics/TallyAnalytics.h"
#include "foundation/Log.h"
#include "tests/analytics/TallySessionTestSupport.h"
#include "tests/support/RecordingControllers.h"

namespace mw {
namespace {

using test::ControllerCall;

class TallyPageViewDelegateTest : public test::TallySessionFixture {
protected:
    ~TallyPageViewDelegateTest() override { TallyPageViewDelegate::releaseInstalledForTesting(); }

    UIViewController first_;
    UIViewController second_;
};

TEST_F(TallyPageViewDelegateTest, InstallsOnlyOnNavigationAndTabBarControllers)
{
    (void)launch();
    UIViewController plain;
    EXPECT_EQ(TallyPageViewDelegate::createDelegateOnTarget(&plain), nullptr);
    EXPECT_EQ(TallyPageViewDelegate::createDelegateOnTarget(nullptr), nullptr);
    TallyAnalytics::logAllPageViews(&plain); // nothing to install on, nothing thrown

    test::FakeNavigationController navigation;
    TallyAnalytics::logAllPageViews(&navigation);
    ASSERT_NE(navigation.delegate(), nullptr);
    navigation.show(&first_, false);
    EXPECT_EQ(TallySession::currentSession()->pageViewCount(), 1);

    test::FakeTabBarController tabs;
    const auto installed = TallyPageViewDelegate::createDelegateOnTarget(&tabs);
    EXPECT_EQ(tabs.delegate(), installed);
    EXPECT_EQ(installed->session(), TallySession::currentSession());
}

TEST_F(TallyPageViewDelegateTest, PreviousDelegateGetsWhatItImplementsWithItsArguments)
{
    (void)launch();
    test::FakeNavigationController navigation;
    const auto previous = std::make_shared<test::WillShowOnlyDelegate>();
    navigation.setDelegate(previous);
    (void)TallyPageViewDelegate::createDelegateOnTarget(&navigation);
    navigation.show(&first_, true);
    clock_->advance(1);
    navigation.show(&second_, false);
    const std::vector<ControllerCall> expected = {
        { "willShow", &navigation, &first_, true },
        { "willShow", &navigation, &second_, false },
    };
    EXPECT_EQ(previous->calls, expected);
    EXPECT_EQ(TallySession::currentSession()->pageViewCount(), 2);

    // Every tab-bar callback reaches a delegate that implements them all.
    test::FakeTabBarController tabs;
    const auto recording = std::make_shared<test::RecordingTabBarDelegate>();
    tabs.setDelegate(recording);
    const auto installed = TallyPageViewDelegate::createDelegateOnTarget(&tabs);
    const std::vector<UIViewController*> pages = { &first_, &second_ };
    installed->tabBarControllerWillBeginCustomizingViewControllers(tabs, pages);
    installed->tabBarControllerWillEndCustomizingViewControllers(tabs, pages, true);
    installed->tabBarControllerDidEndCustomizingViewControllers(tabs, pages, false);
    EXPECT_EQ(recording->calls,
              (std::vector<ControllerCall> {
                  { "willBeginCustomizing", &tabs, &pages, std::nullopt },
                  { "willEndCustomizing", &tabs, &pages, true },
                  { "didEndCustomizing", &tabs, &pages, false },
              }));
    EXPECT_EQ(TallySession::currentSession()->pageViewCount(), 2) << "customizing shows no page";
}

TEST_F(TallyPageViewDelegateTest, SelectionQuestionTakesThePreviousAnswer)
{
    (void)launch();
    const struct {
        const char* name;
        bool hasPrevious;
        std::optional<bool> previousAnswer;
        bool expected;
    } cases[] = {
        { "no previous delegate", false, std::nullopt, true },
        { "previous gives no answer", true, std::nullopt, true },
        { "previous says no", true, false, false },
        { "previous says yes", true, true, true },
    };
    for (const auto& c : cases) {
        test::FakeTabBarController tabs;
        const auto previous = std::make_shared<test::RecordingTabBarDelegate>();
        previous->answer = c.previousAnswer;
        if (c.hasPrevious) tabs.setDelegate(previous);
        const auto installed = TallyPageViewDelegate::createDelegateOnTarget(&tabs);
        EXPECT_EQ(installed->tabBarControllerShouldSelectViewController(tabs, &first_), c.expected) << c.name;
        if (c.hasPrevious) {
            EXPECT_EQ(previous->calls,
                      (std::vector<ControllerCall> { { "shouldSelect", &tabs, &first_, std::nullopt } }))
                << c.name;
        }
    }
}

TEST_F(TallyPageViewDelegateTest, PagesWithin300MillisecondsCountOnce)
{
    (void)launch();
    test::FakeTabBarController tabs;
    (void)TallyPageViewDelegate::createDelegateOnTarget(&tabs);
    EXPECT_TRUE(tabs.press(&first_));
    clock_->advance(0.2);
    EXPECT_TRUE(tabs.press(&second_));
    EXPECT_EQ(TallySession::currentSession()->pageViewCount(), 1);
    clock_->advance(0.301);
    EXPECT_TRUE(tabs.press(&first_));
    EXPECT_EQ(TallySession::currentSession()->pageViewCount(), 2);
}

TEST_F(TallyPageViewDelegateTest, CountsIntoTheSessionItWasMadeWith)
{
    const Ref<TallySession> before = launch();
    test::FakeNavigationController navigation;
    (void)TallyPageViewDelegate::createDelegateOnTarget(&navigation);
    // A long pause renews the session.
    before->saveSession();
    const Ref<TallySession> after = launch();
    ASSERT_NE(before, after);
    navigation.show(&first_, false);
    EXPECT_EQ(before->pageViewCount(), 1);
    EXPECT_EQ(after->pageViewCount(), 0);
}

TEST_F(TallyPageViewDelegateTest, ExceptionInThePreviousDelegateIsCaught)
{
    (void)launch();
    TallyUtil::setDebugLogEnabled(true);
    TallyUtil::setShowErrorInLogEnabled(true);
    test::FakeNavigationController navigation;
    const auto previous = std::make_shared<test::RecordingNavigationDelegate>();
    previous->throws = true;
    navigation.setDelegate(previous);
    (void)TallyPageViewDelegate::createDelegateOnTarget(&navigation);
    test::FakeTabBarController tabs;
    const auto tabPrevious = std::make_shared<test::RecordingTabBarDelegate>();
    tabPrevious->throws = true;
    tabs.setDelegate(tabPrevious);
    (void)TallyPageViewDelegate::createDelegateOnTarget(&tabs);

    ScopedLogCapture capture;
    EXPECT_NO_THROW(navigation.show(&first_, false));
    EXPECT_NO_THROW(tabs.press(&second_));
    EXPECT_EQ(previous->calls.size(), 2u);
    EXPECT_EQ(tabPrevious->calls.size(), 2u);
    size_t reported = 0;
    for (const std::string& line : capture.lines())
        reported += line == "Tally: Name:std::runtime_error Reason:delegate failed";
    EXPECT_EQ(reported, 2u);
}

} // namespace
} // namespace mw
