#include <gtest/gtest.h>

#include "social/session/CCPrivateSession.h"
#include "social/ui/UIViewController.h"
#include "platform/RootView.h"
#include "social/screens/CCNavControllerBase.h"
#include "tests/social/ui/NavigationFakes.h"
#include "tests/social/ui/SocialUiFixture.h"
#include "tests/support/RecordingPlatformServices.h"

namespace mw::test {
namespace {

// The game centre's two screens over the session's root controller.
class GameCenterScreensTest : public SocialUiTest {
protected:
    void SetUp() override
    {
        SocialUiTest::SetUp();
        start("phone");
        previous_ = GameCenter::replaceSharedInstance(gameCenter_);
        root_->view()->setFrame(window_->bounds());
        window_->addSubview(root_->view());
        CCSessionScreenHooks hooks;
        hooks.presentingViewController = [this] { return root_.get(); };
        session()->setScreenHooks(hooks);
    }
    void TearDown() override
    {
        session()->setScreenHooks({});
        // The game centre's own screens arrive once their content loaded:
        // none may outlive the test.
        RunLoop::main().drain();
        while (ModalScreen* screen = RootView::sharedRootView().frontScreen()) {
            Ref<ModalScreen> hold(screen);
            screen->dismiss();
        }
        GameCenter::replaceSharedInstance(previous_);
        SocialUiTest::TearDown();
    }
    CCPrivateSession* session() { return CCPrivateSession::sharedInstance(); }
    void enable() { session()->activateLumoraSetting(5, Value("YES")); }

    std::shared_ptr<RecordingGameCenter> gameCenter_ = std::make_shared<RecordingGameCenter>();
    Ref<UIViewControllerBase> root_ = makeRef<UIViewControllerBase>();

private:
    std::shared_ptr<GameCenter> previous_;
};

TEST_F(GameCenterScreensTest, ScreensOnTheRoot)
{
    enable();
    session()->displayGKLeaderboardViewControllerWithCategory(std::string("weekly"));
    UIViewControllerBase* shown = root_->modalViewController();
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(session()->isShowingGKLeaderboard());
    session()->displayGKAchievementViewController();
    EXPECT_FALSE(session()->isShowingGKAchievements()) << "refused while another screen is up";
    EXPECT_EQ(root_->modalViewController(), shown);
    session()->leaderboardViewControllerDidFinish();
    EXPECT_EQ(root_->modalViewController(), nullptr);

    auto other = makeRef<UIViewControllerBase>();
    root_->presentModalViewController(other.get(), false);
    session()->displayGKLeaderboardViewControllerWithCategory(std::nullopt);
    EXPECT_FALSE(session()->isShowingGKLeaderboard());
    root_->dismissModalViewControllerAnimated(false);

    session()->displayGKAchievementViewController();
    EXPECT_TRUE(session()->isShowingGKAchievements());
    session()->achievementViewControllerDidFinish();
    EXPECT_EQ(root_->modalViewController(), nullptr);
    RunLoop::main().drain();
}

TEST_F(GameCenterScreensTest, PageCommandsOpenTheScreens)
{
    enable();
    auto nav = makeRef<RecordingNav>();
    struct Row {
        const char* url;
        std::vector<std::string> gameCenterCalls; // the achievements load, or the board asked for
    };
    const Row rows[] = {
        {"lumora://gamecenterachievements", {"load"}},
        {"lumora://gamecenterleaderboards/weekly", {"top weekly"}},
        {"lumora://gamecenterleaderboards", {"top "}},
        {"lumora://gamecenterleaderboards/a/b", {"top "}},
        {"lumora://gamecenterleaderboards/", {"top "}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.url);
        nav->calls.clear();
        gameCenter_->calls.clear();
        nav->dispatchLink(Value::dictionary({{"url", Value(row.url)}}), nullptr);
        EXPECT_NE(root_->modalViewController(), nullptr);
        RunLoop::main().drain();
        EXPECT_EQ(gameCenter_->calls, row.gameCenterCalls);
        EXPECT_EQ(nav->calls, (std::vector<std::string> {"clearSelection"}));
        // Done on the game centre's screen ends it.
        ASSERT_NE(RootView::sharedRootView().frontScreen(), nullptr);
        Ref<ModalScreen>(RootView::sharedRootView().frontScreen())->dismiss();
        session()->achievementViewControllerDidFinish();
        EXPECT_EQ(root_->modalViewController(), nullptr);
    }
}

} // namespace
} // namespace mw::test
