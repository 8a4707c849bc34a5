// The view layer's controllers: navigation and tab bar (with the analytics
// page-view delegate over a delegate of the test's), popovers, the image
// picker over a folder of pictures, the message composer over a recording
// message service, and swipes.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "analytics/TallyPageViewDelegate.h"
#include "analytics/TallySession.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "platform/MessageService.h"
#include "platform/UITouch.h"
#include "social/screens/CCModalControllers.h"
#include "social/ui/UIControls.h"
#include "social/ui/UIImagePickerController.h"
#include "social/ui/UIMessageComposeViewController.h"
#include "social/ui/UINavigationController.h"
#include "social/ui/UIPopoverController.h"
#include "social/ui/UISwipeGestureRecognizer.h"
#include "social/ui/UITabBarController.h"
#include "social/ui/UITableView.h"
#include "tests/social/ui/SocialUiFixture.h"
#include "tests/support/RecordingControllers.h"

namespace mw::test {
namespace {

using Log = std::vector<std::string>;

// A page that writes its appear callbacks into a shared log.
class LoggedPage : public UIViewControllerBase {
public:
    LoggedPage(std::string name, Log& log) : name_(std::move(name)), log_(log) { setTitle(name_); }
    void viewWillAppear(bool) override { log_.push_back(name_ + " willAppear"); }
    void viewDidAppear(bool) override { log_.push_back(name_ + " didAppear"); }
    void viewWillDisappear(bool) override { log_.push_back(name_ + " willDisappear"); }
    void viewDidDisappear(bool) override { log_.push_back(name_ + " didDisappear"); }

private:
    std::string name_;
    Log& log_;
};

// The delegate the analytics one replaces: writes into the same log.
class LoggedNavigationDelegate : public NavigationControllerDelegate {
public:
    explicit LoggedNavigationDelegate(Log& log) : log_(log) {}
    void navigationControllerWillShowViewController(NavigationController&, UIViewController* shown,
                                                    bool animated) override
    {
        log_.push_back("willShow " + name(shown) + (animated ? " animated" : ""));
    }
    void navigationControllerDidShowViewController(NavigationController&, UIViewController* shown,
                                                   bool animated) override
    {
        log_.push_back("didShow " + name(shown) + (animated ? " animated" : ""));
    }

private:
    static std::string name(UIViewController* shown)
    {
        auto* page = dynamic_cast<UIViewControllerBase*>(shown);
        return page ? page->title() : "?";
    }
    Log& log_;
};

class ControllerTest : public SocialUiTest {
protected:
    void SetUp() override
    {
        SocialUiTest::SetUp();
        resetAnalytics();
        start("phone");
    }
    void TearDown() override
    {
        resetAnalytics();
        SocialUiTest::TearDown();
    }
    static void resetAnalytics()
    {
        TallyPageViewDelegate::releaseInstalledForTesting();
        TallySession::setCurrentSession(nullptr);
        TallySession::resetPageViewClockForTesting();
    }
    static int pageViews() { return TallySession::currentSession()->pageViewCount(); }

    void tap(CGPoint point)
    {
        Ref<UITouch> touch = driver_->touchDown(point);
        driver_->touchUp(touch.get());
    }
    // A one-finger stroke in eight moves, one frame apart.
    void stroke(CGPoint from, CGPoint to)
    {
        Ref<UITouch> touch = driver_->touchDown(from);
        for (int i = 1; i <= 8; ++i) {
            driver_->runFrames(1);
            driver_->touchMove(touch.get(), {from.x + (to.x - from.x) * i / 8, from.y + (to.y - from.y) * i / 8});
        }
        driver_->touchUp(touch.get());
    }

    Log log_;
};

// ---- navigation ----

TEST_F(ControllerTest, NavigationPushesAndPopsWithTheDelegateAndPageViews)
{
    (void)TallySession::createActiveTallySession("QX3TR7WMB2KJ9PLD4HSZ", "1.2");
    Ref<LoggedPage> root = makeRef<LoggedPage>("root", log_);
    Ref<LoggedPage> second = makeRef<LoggedPage>("second", log_);
    Ref<LoggedPage> third = makeRef<LoggedPage>("third", log_);
    Ref<UINavigationController> navigation = makeRef<UINavigationController>(root.get());
    auto mine = std::make_shared<LoggedNavigationDelegate>(log_);
    navigation->setDelegate(mine);
    const auto installed = TallyPageViewDelegate::createDelegateOnTarget(navigation.get());
    ASSERT_NE(installed, nullptr);
    EXPECT_EQ(navigation->delegate(), installed);
    window_->addSubview(navigation->view());
    EXPECT_EQ(root->view()->superview(), navigation->view());

    // An animated push: will-show at once, the new page sliding in from the
    // right over the old one, did-show when it has arrived.
    navigation->pushViewController(second.get(), true);
    EXPECT_EQ(log_, (Log {"willShow second animated", "second willAppear", "root willDisappear"}));
    runSeconds(0.1);
    const float midway = second->view()->presentationCenter().x;
    EXPECT_GT(midway, 160);
    EXPECT_LT(midway, 160 + 320);
    EXPECT_TRUE(navigation->isTransitioning());
    runSeconds(0.15);
    EXPECT_EQ(log_, (Log {"willShow second animated", "second willAppear", "root willDisappear",
                          "root didDisappear", "second didAppear", "didShow second animated"}));
    EXPECT_EQ(second->view()->frame().origin.x, 0);
    EXPECT_EQ(root->view()->superview(), nullptr);
    EXPECT_EQ(pageViews(), 1);

    // Pushes and pops without animation, a second apart on the clock.
    struct Step {
        const char* what;
        std::function<void()> act;
        UIViewControllerBase* top;
        Log calls;
        int pageViews;
    };
    const Step steps[] = {
        {"push third", [&] { navigation->pushViewController(third.get(), false); }, third.get(),
         {"willShow third", "third willAppear", "second willDisappear", "second didDisappear", "third didAppear",
          "didShow third"},
         2},
        {"push a page already there", [&] { navigation->pushViewController(second.get(), false); }, third.get(),
         {}, 2},
        {"push nothing", [&] { navigation->pushViewController(nullptr, false); }, third.get(), {}, 2},
        {"pop to root", [&] { EXPECT_EQ(navigation->popToRootViewControllerAnimated(false).size(), 2u); },
         root.get(),
         {"willShow root", "root willAppear", "third willDisappear", "third didDisappear", "root didAppear",
          "didShow root"},
         3},
        {"pop at the root", [&] { EXPECT_EQ(navigation->popViewControllerAnimated(false), nullptr); }, root.get(),
         {}, 3},
    };
    for (const Step& step : steps) {
        log_.clear();
        runSeconds(0.4); // past the page-view counter's 0.3 s
        step.act();
        EXPECT_EQ(navigation->topViewController(), step.top) << step.what;
        EXPECT_EQ(log_, step.calls) << step.what;
        EXPECT_EQ(pageViews(), step.pageViews) << step.what;
        EXPECT_EQ(step.top->view()->superview(), navigation->view()) << step.what;
    }

    // An animated pop slides the top page out to the right, the one below
    // staying in place beneath it.
    navigation->pushViewController(second.get(), false);
    log_.clear();
    runSeconds(0.4); // past the page-view counter's 0.3 s
    EXPECT_EQ(navigation->popViewControllerAnimated(true), second);
    runSeconds(0.1);
    EXPECT_GT(second->view()->presentationCenter().x, 160);
    EXPECT_EQ(root->view()->presentationCenter().x, 160);
    runSeconds(0.15);
    EXPECT_EQ(log_.back(), "didShow root animated");
    EXPECT_EQ(second->view()->superview(), nullptr);
}

TEST_F(ControllerTest, TabBarSelectsByTapAndCustomises)
{
    (void)TallySession::createActiveTallySession("QX3TR7WMB2KJ9PLD4HSZ", "1.2");
    Ref<LoggedPage> news = makeRef<LoggedPage>("news", log_);
    Ref<LoggedPage> friends = makeRef<LoggedPage>("friends", log_);
    Ref<LoggedPage> gifts = makeRef<LoggedPage>("gifts", log_);
    Ref<UITabBarController> tabs = makeRef<UITabBarController>();
    tabs->setViewControllers({news.get(), friends.get(), gifts.get()});
    auto mine = std::make_shared<RecordingTabBarDelegate>();
    tabs->setDelegate(mine);
    ASSERT_NE(TallyPageViewDelegate::createDelegateOnTarget(tabs.get()), nullptr);
    window_->addSubview(tabs->view());
    EXPECT_EQ(tabs->selectedViewController(), news.get());
    ASSERT_EQ(tabs->tabButtons().size(), 3u);
    TabBarController* asPlatform = tabs.get();

    // Taps on the tab strip (480 high, tabs of 320 / 3 across).
    const struct {
        const char* what;
        std::optional<bool> answer;
        float x;
        UIViewControllerBase* tapped;
        UIViewControllerBase* selected;
        int pageViews;
    } taps[] = {
        {"no answer selects", std::nullopt, 160, friends.get(), friends.get(), 1},
        {"no keeps the tab", false, 260, gifts.get(), friends.get(), 1},
        {"yes selects", true, 260, gifts.get(), gifts.get(), 2},
    };
    for (const auto& row : taps) {
        mine->calls.clear();
        mine->answer = row.answer;
        runSeconds(0.4); // past the page-view counter's 0.3 s
        tap({row.x, 480 - 20});
        EXPECT_EQ(tabs->selectedViewController(), row.selected) << row.what;
        EXPECT_EQ(row.selected->view()->superview()->superview(), tabs->view()) << row.what;
        UIViewController* tapped = row.tapped;
        std::vector<ControllerCall> expected {{"shouldSelect", asPlatform, tapped, std::nullopt}};
        if (row.selected == row.tapped) expected.push_back({"didSelect", asPlatform, tapped, std::nullopt});
        EXPECT_EQ(mine->calls, expected) << row.what;
        EXPECT_EQ(pageViews(), row.pageViews) << row.what;
    }
    mine->calls.clear();
    tabs->setSelectedIndex(0);
    EXPECT_EQ(tabs->selectedViewController(), news.get());
    EXPECT_TRUE(mine->calls.empty()) << "a selection in code tells nothing";

    // Customising: the three callbacks, with whether the order changed.
    Ref<LoggedPage> stranger = makeRef<LoggedPage>("stranger", log_);
    const struct {
        const char* what;
        std::vector<UIViewControllerBase*> order;
        bool changed;
        std::vector<UIViewControllerBase*> after;
    } customisings[] = {
        {"reversed", {gifts.get(), friends.get(), news.get()}, true, {gifts.get(), friends.get(), news.get()}},
        {"the same order", {gifts.get(), friends.get(), news.get()}, false,
         {gifts.get(), friends.get(), news.get()}},
        {"another page", {stranger.get(), friends.get(), news.get()}, false,
         {gifts.get(), friends.get(), news.get()}},
    };
    for (const auto& row : customisings) {
        mine->calls.clear();
        tabs->beginCustomizingTabBar();
        tabs->endCustomizingTabBar(row.order);
        ASSERT_EQ(mine->calls.size(), 3u) << row.what;
        EXPECT_EQ(mine->calls[0].name, "willBeginCustomizing") << row.what;
        EXPECT_EQ(mine->calls[1].name, "willEndCustomizing") << row.what;
        EXPECT_EQ(mine->calls[1].flag, row.changed) << row.what;
        EXPECT_EQ(mine->calls[2].name, "didEndCustomizing") << row.what;
        EXPECT_EQ(mine->calls[2].flag, row.changed) << row.what;
        EXPECT_EQ(tabs->viewControllers(), row.after) << row.what;
        EXPECT_EQ(tabs->selectedViewController(), news.get()) << row.what << ": the selection follows its page";
    }
}

// ---- popovers ----

class DismissalDelegate : public UIPopoverControllerDelegate {
public:
    bool popoverControllerShouldDismissPopover(UIPopoverController&) override
    {
        ++asked;
        return allow;
    }
    void popoverControllerDidDismissPopover(UIPopoverController&) override { ++dismissed; }
    bool allow = true;
    int asked = 0;
    int dismissed = 0;
};

TEST_F(ControllerTest, PopoverShownResizedAndDismissed)
{
    Ref<UIButton> anchor = makeRef<UIButton>(CGRect {10, 100, 40, 40});
    window_->addSubview(anchor.get());
    int anchorTaps = 0;
    anchor->setTouchUpInside([&](UIButton&) { ++anchorTaps; });
    Ref<LoggedPage> page = makeRef<LoggedPage>("page", log_);
    page->view()->setBackgroundColor(FillColor {1, 1, 1, 1});
    Ref<UIPopoverController> popover = makeRef<UIPopoverController>(page.get());
    DismissalDelegate delegate;
    popover->setDelegate(&delegate);
    popover->setPopoverContentSize({200, 100}, false);
    popover->presentPopoverFromRect(anchor->bounds(), anchor.get(), UIPopoverController::kArrowLeft, true);
    ASSERT_TRUE(popover->isPopoverVisible());
    EXPECT_EQ(popover->arrowDirection(), UIPopoverController::kArrowLeft);
    // Right of the anchor, its arrow at the anchor's middle height.
    const CGRect panel = popover->popoverView()->frame();
    EXPECT_EQ(panel.origin.x, 50);
    EXPECT_EQ(panel.origin.y, 120 - (100 + 16) / 2);
    EXPECT_EQ(panel.size.width, 200 + 16 + 13);
    EXPECT_EQ(page->view()->frame().size.width, 200);
    runSeconds(0.25);
    EXPECT_EQ(log_, (Log {"page willAppear", "page didAppear"}));
    const RGBA tip = pixelAt({53, 120});
    EXPECT_NEAR(tip.r, 41, 2) << "the arrow's point";
    EXPECT_NEAR(tip.g, 48, 2);
    EXPECT_NEAR(tip.b, 56, 2);
    EXPECT_EQ(pixelAt({100, 120}), (RGBA {255, 255, 255, 255})) << "the content";

    // Resized with animation, keeping the arrow's height.
    popover->setPopoverContentSize({200, 300}, true);
    runSeconds(0.1);
    const float between = popover->popoverView()->presentationBounds().size.height;
    EXPECT_GT(between, 116);
    EXPECT_LT(between, 316);
    runSeconds(0.15);
    EXPECT_EQ(popover->popoverView()->frame().size.height, 316);
    EXPECT_EQ(page->view()->frame().size.height, 300);

    // Taps outside: refused, then through a passthrough view, then allowed.
    delegate.allow = false;
    tap({300, 460});
    EXPECT_EQ(delegate.asked, 1);
    EXPECT_TRUE(popover->isPopoverVisible());
    popover->setPassthroughViews({anchor.get()});
    tap({30, 120});
    EXPECT_EQ(anchorTaps, 1);
    EXPECT_EQ(delegate.asked, 1);
    delegate.asked = 0;
    delegate.allow = true;
    tap({300, 460});
    EXPECT_EQ(delegate.asked, 1);
    EXPECT_EQ(delegate.dismissed, 1);
    EXPECT_FALSE(popover->isPopoverVisible());
    runSeconds(0.25);
    EXPECT_EQ(page->view()->superview(), nullptr);
    EXPECT_EQ(log_.back(), "page didDisappear");

    // Dismissed in code the delegate hears nothing; a tap then reaches the
    // anchor again.
    popover->presentPopoverFromRect(anchor->bounds(), anchor.get(), UIPopoverController::kArrowLeft, false);
    popover->dismissPopoverAnimated(false);
    EXPECT_EQ(delegate.dismissed, 1);
    popover->setPassthroughViews({});
    tap({30, 120});
    EXPECT_EQ(anchorTaps, 2);
}

TEST_F(ControllerTest, PopoverArrowDirectionByRoom)
{
    Ref<UIViewControllerBase> page = makeRef<UIViewControllerBase>();
    const struct {
        CGRect anchor;
        unsigned allowed;
        UIPopoverController::ArrowDirection arrow;
        CGPoint origin;
    } cases[] = {
        {{10, 100, 40, 40}, UIPopoverController::kArrowLeft | UIPopoverController::kArrowRight,
         UIPopoverController::kArrowLeft, {50, 62}},
        {{270, 100, 40, 40}, UIPopoverController::kArrowLeft | UIPopoverController::kArrowRight,
         UIPopoverController::kArrowRight, {270 - 229, 62}},
        {{100, 10, 40, 40}, UIPopoverController::kArrowAny, UIPopoverController::kArrowUp, {12, 50}},
        // No direction fits: the first allowed one, kept inside the window
        // along its edge.
        {{270, 0, 40, 20}, UIPopoverController::kArrowLeft, UIPopoverController::kArrowLeft, {310, 5}},
    };
    for (const auto& c : cases) {
        Ref<UIPopoverController> popover = makeRef<UIPopoverController>(page.get());
        popover->setPopoverContentSize({200, 100}, false);
        popover->presentPopoverFromRect(c.anchor, window_.get(), c.allowed, false);
        EXPECT_EQ(popover->arrowDirection(), c.arrow) << c.anchor.origin.x << "," << c.anchor.origin.y;
        EXPECT_EQ(popover->popoverView()->frame().origin.x, c.origin.x) << c.anchor.origin.x;
        EXPECT_EQ(popover->popoverView()->frame().origin.y, c.origin.y) << c.anchor.origin.x;
        popover->dismissPopoverAnimated(false);
    }
    // Without a window or content nothing is shown.
    ScopedLogCapture capture;
    Ref<UIView> loose = makeRef<UIView>(CGRect {0, 0, 10, 10});
    Ref<UIPopoverController> homeless = makeRef<UIPopoverController>(page.get());
    homeless->presentPopoverFromRect({0, 0, 1, 1}, loose.get(), UIPopoverController::kArrowAny, false);
    Ref<UIPopoverController> empty = makeRef<UIPopoverController>(nullptr);
    empty->presentPopoverFromRect({0, 0, 1, 1}, window_.get(), UIPopoverController::kArrowAny, false);
    EXPECT_FALSE(homeless->isPopoverVisible());
    EXPECT_FALSE(empty->isPopoverVisible());
    EXPECT_EQ(capture.lines().size(), 2u);
}

// ---- image picker ----

class PickerCalls : public UIImagePickerControllerDelegate {
public:
    void imagePickerControllerDidFinishPickingMediaWithInfo(UIImagePickerController&,
                                                            const UIImagePickerMediaInfo& picked) override
    {
        infos.push_back(picked);
    }
    void imagePickerControllerDidCancel(UIImagePickerController&) override { ++cancels; }
    std::vector<UIImagePickerMediaInfo> infos;
    int cancels = 0;
};

// 40 × 20: the left quarter red, the middle half green, the right quarter blue.
Ref<Image> bands()
{
    std::vector<uint8_t> pixels(40 * 20 * 4);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) {
            uint8_t* p = &pixels[(y * 40 + x) * 4];
            p[x < 10 ? 0 : x < 30 ? 1 : 2] = 255;
            p[3] = 255;
        }
    return Image::fromRGBA(std::move(pixels), 40, 20, ImageAlphaInfo::Last);
}

TEST_F(ControllerTest, ImagePickerOnAFolderOfPictures)
{
    const std::string folder = Paths::documentsPath("Pictures");
    std::filesystem::create_directories(folder);
    ASSERT_TRUE(bands()->writePNG(folder + "/a_bands.png"));
    ASSERT_TRUE(bands()->writeJPEG(folder + "/b_bands.jpg", 0.9f));
    std::ofstream(folder + "/c_broken.png") << "not a picture";
    std::ofstream(folder + "/notes.txt") << "not listed";

    EXPECT_TRUE(UIImagePickerController::isSourceTypeAvailable(ImageSources::kPhotoLibrary));
    EXPECT_TRUE(UIImagePickerController::isSourceTypeAvailable(ImageSources::kSavedPhotosAlbum));
    EXPECT_FALSE(UIImagePickerController::isSourceTypeAvailable(ImageSources::kCamera)) << "no camera here";
    EXPECT_EQ(UIImagePickerController::availableMediaTypesForSourceType(ImageSources::kPhotoLibrary),
              (std::vector<std::string> {"public.image"}));
    EXPECT_TRUE(UIImagePickerController::availableMediaTypesForSourceType(ImageSources::kCamera).empty());

    // The underlay presents a picker with editing allowed.
    PickerCalls calls;
    Ref<CCImagePickerUnderlay> underlay = makeRef<CCImagePickerUnderlay>();
    window_->addSubview(underlay->view());
    underlay->view()->setFrame(window_->bounds());
    underlay->initiateImagePickerWithType(ImageSources::kPhotoLibrary, &calls);
    auto* picker = dynamic_cast<UIImagePickerController*>(underlay->modalViewController());
    ASSERT_NE(picker, nullptr);
    EXPECT_TRUE(picker->allowsEditing());
    runSeconds(0.25);
    ASSERT_EQ(picker->pictures().size(), 3u);
    EXPECT_EQ(std::filesystem::path(picker->pictures()[0]).filename(), "a_bands.png");

    // Taps on the first thumbnail, on the broken one, and on Cancel.
    const float top = UIImagePickerController::kBarHeight + UIImagePickerController::kThumbnailGap;
    tap({4 + 37, top + 37});
    ASSERT_EQ(calls.infos.size(), 1u);
    const UIImagePickerMediaInfo& picked = calls.infos[0];
    ASSERT_TRUE(picked.originalImage && picked.editedImage);
    EXPECT_EQ(picked.originalImage->width(), 40);
    // The edited picture is the centred 20 × 20 square: green only.
    ASSERT_EQ(picked.editedImage->width(), 20);
    ASSERT_EQ(picked.editedImage->height(), 20);
    const std::vector<uint8_t> square = picked.editedImage->premultipliedRGBA(20, 20);
    for (int x : {0, 19}) EXPECT_EQ(square[static_cast<size_t>(x) * 4 + 1], 255) << x;
    EXPECT_EQ(square[0], 0);

    {
        ScopedLogCapture capture;
        tap({4 + 2 * 79 + 37, top + 37});
        EXPECT_TRUE(capture.contains("c_broken.png"));
    }
    EXPECT_EQ(calls.infos.size(), 1u) << "an unreadable picture answers nothing";
    tap({320 - 40, 22});
    EXPECT_EQ(calls.cancels, 1);

    // Without editing only the original comes back.
    picker->setAllowsEditing(false);
    EXPECT_TRUE(picker->pickPictureAtIndex(1));
    EXPECT_TRUE(calls.infos.back().originalImage);
    EXPECT_FALSE(calls.infos.back().editedImage);

    // A camera picker on the desktop lists nothing.
    Ref<UIImagePickerController> camera = makeRef<UIImagePickerController>();
    camera->setSourceType(ImageSources::kCamera);
    (void)camera->view();
    EXPECT_TRUE(camera->pictures().empty());
}

// ---- message composer ----

class RecordingMessages : public MessageService {
public:
    bool canSendText() override { return canSend; }
    Result sendText(const std::vector<std::string>& to, const std::string& body) override
    {
        sent.emplace_back(to, body);
        return answer;
    }
    bool canSend = true;
    Result answer = kSent;
    std::vector<std::pair<std::vector<std::string>, std::string>> sent;
};

class ComposerCalls : public UIMessageComposeViewControllerDelegate {
public:
    void messageComposeViewControllerDidFinishWithResult(UIMessageComposeViewController& composer,
                                                         MessageComposeResult result) override
    {
        results.push_back(result);
        composer.dismissModalViewControllerAnimated(false);
    }
    std::vector<int> results;
};

class ComposerTest : public ControllerTest {
protected:
    void TearDown() override
    {
        MessageService::replaceSharedInstance(nullptr);
        ControllerTest::TearDown();
    }
    std::shared_ptr<RecordingMessages> messages_ = std::make_shared<RecordingMessages>();
};

TEST_F(ComposerTest, AnswersTheServiceOrTheDesktop)
{
    // The desktop's service follows the device facts, and cannot send.
    facts_->sendsText = false;
    ScopedLogCapture capture;
    EXPECT_FALSE(UIMessageComposeViewController::canSendText());
    EXPECT_EQ(UIMessageComposeViewController::create(), nullptr);
    EXPECT_EQ(capture.lines().size(), 1u);
    facts_->sendsText = true;
    EXPECT_TRUE(UIMessageComposeViewController::canSendText());
    Ref<UIMessageComposeViewController> desktop = UIMessageComposeViewController::create();
    ASSERT_NE(desktop, nullptr);
    EXPECT_EQ(MessageService::sharedInstance()->sendText({"1"}, "x"), MessageService::kFailed);

    MessageService::replaceSharedInstance(messages_);
    messages_->canSend = false;
    EXPECT_FALSE(UIMessageComposeViewController::canSendText()) << "the installed service answers";
}

TEST_F(ComposerTest, ReportsOneResultPerComposer)
{
    MessageService::replaceSharedInstance(messages_);
    const struct {
        const char* what;
        MessageService::Result answer;
        CGPoint button;
        int result;
        size_t sends;
    } cases[] = {
        {"sent", MessageService::kSent, {320 - 40, 22}, 1, 1},
        {"failed", MessageService::kFailed, {320 - 40, 22}, 2, 1},
        {"cancelled", MessageService::kSent, {40, 22}, 0, 0},
    };
    for (const auto& c : cases) {
        messages_->answer = c.answer;
        messages_->sent.clear();
        ComposerCalls calls;
        Ref<UIViewControllerBase> base = makeRef<UIViewControllerBase>();
        window_->addSubview(base->view());
        Ref<UIMessageComposeViewController> composer = UIMessageComposeViewController::create();
        ASSERT_NE(composer, nullptr);
        composer->setMessageComposeDelegate(&calls);
        composer->setRecipients({"+48 600 100 200", "ola@example.org"});
        composer->setBody("Come and see my village!");
        base->presentModalViewController(composer.get(), false);
        tap(c.button);
        EXPECT_EQ(calls.results, (std::vector<int> {c.result})) << c.what;
        ASSERT_EQ(messages_->sent.size(), c.sends) << c.what;
        if (c.sends) {
            EXPECT_EQ(messages_->sent[0].first, composer->recipients()) << c.what;
            EXPECT_EQ(messages_->sent[0].second, "Come and see my village!") << c.what;
        }
        EXPECT_FALSE(composer->send()) << c.what << ": one result only";
        EXPECT_FALSE(composer->cancel()) << c.what;
        EXPECT_EQ(calls.results.size(), 1u) << c.what;
        base->view()->removeFromSuperview();
    }
}

TEST_F(ComposerTest, FormSheetOnTablets)
{
    MessageService::replaceSharedInstance(messages_);
    TearDown();
    SocialUiTest::SetUp();
    MessageService::replaceSharedInstance(messages_);
    start("tablet");
    Ref<UIViewControllerBase> base = makeRef<UIViewControllerBase>();
    window_->addSubview(base->view());
    Ref<UIMessageComposeViewController> composer = UIMessageComposeViewController::create();
    composer->setModalPresentationStyle(UIMessageComposeViewController::kFormSheet);
    composer->setRecipients({"+48 600 100 200"});
    composer->setBody("Hello");
    base->presentModalViewController(composer.get(), true);
    runSeconds(0.25);
    const CGRect frame = composer->view()->frame();
    EXPECT_EQ(frame.origin.x, (768 - 540) / 2);
    EXPECT_EQ(frame.origin.y, (1024 - 620) / 2);
    EXPECT_EQ(frame.size.width, 540);
    EXPECT_EQ(frame.size.height, 620);
}

// ---- swipes ----

TEST_F(ControllerTest, SwipeStrokesTable)
{
    Ref<UIView> area = makeRef<UIView>(CGRect {0, 0, 320, 480});
    window_->addSubview(area.get());
    Ref<UIButton> button = makeRef<UIButton>(CGRect {0, 150, 320, 100});
    area->addSubview(button.get());
    int buttonTaps = 0;
    button->setTouchUpInside([&](UIButton&) { ++buttonTaps; });
    std::vector<unsigned> seen;
    Ref<UISwipeGestureRecognizer> swipe =
        makeRef<UISwipeGestureRecognizer>([&](UISwipeGestureRecognizer& r) { seen.push_back(r.recognizedDirection()); });
    area->addGestureRecognizer(swipe.get());

    using R = UISwipeGestureRecognizer;
    const struct {
        const char* what;
        unsigned directions;
        CGPoint to;
        unsigned recognised; // 0: none
    } cases[] = {
        {"right", R::kDirectionRight, {170, 200}, R::kDirectionRight},
        {"right drifting 20 down", R::kDirectionRight, {170, 220}, R::kDirectionRight},
        {"left", R::kDirectionLeft | R::kDirectionRight, {30, 195}, R::kDirectionLeft},
        {"left, not wanted", R::kDirectionRight, {30, 200}, 0},
        {"too short", R::kDirectionRight, {145, 200}, 0},
        {"drifting 40 down", R::kDirectionRight, {170, 240}, 0},
    };
    for (const auto& c : cases) {
        seen.clear();
        swipe->setDirection(c.directions);
        const int tapsBefore = buttonTaps;
        stroke({100, 200}, c.to);
        EXPECT_EQ(seen, c.recognised ? std::vector<unsigned> {c.recognised} : std::vector<unsigned> {}) << c.what;
        // A recognised stroke is taken from the button under it.
        EXPECT_EQ(buttonTaps - tapsBefore, c.recognised ? 0 : 1) << c.what;
        EXPECT_FALSE(button->isHighlighted()) << c.what;
    }
    area->removeGestureRecognizer(swipe.get());
    EXPECT_EQ(swipe->view(), nullptr);
    seen.clear();
    stroke({100, 200}, {170, 200});
    EXPECT_TRUE(seen.empty());
}

class TwentyRows : public UITableViewDataSource {
public:
    int numberOfRowsInSection(UITableView&, int) override { return 20; }
    Ref<UITableViewCell> cellForRowAtIndexPath(UITableView& table, NSIndexPath) override
    {
        Ref<UITableViewCell> cell = table.dequeueReusableCellWithIdentifier("row");
        if (!cell) cell = makeRef<UITableViewCell>("row");
        return cell;
    }
};

TEST_F(ControllerTest, TableSwipeWithSomeDriftIsNotADrag)
{
    // A sideways stroke that drifts a few points along the table used to
    // start a drag and was never a swipe.
    TwentyRows rows;
    Ref<UITableView> table = makeRef<UITableView>(CGRect {0, 0, 320, 480});
    table->setDataSource(&rows);
    window_->addSubview(table.get());
    table->reloadData();
    std::vector<int> swipes;
    table->setSwipeHandler([&](int direction) { swipes.push_back(direction); });
    stroke({200, 200}, {100, 212});
    stroke({100, 300}, {200, 292});
    EXPECT_EQ(swipes, (std::vector<int> {-1, 1}));
    EXPECT_FALSE(table->indexPathForSelectedRow());
    table->setSwipeHandler(nullptr);
    stroke({200, 200}, {100, 205});
    EXPECT_EQ(swipes.size(), 2u);
}

} // namespace
} // namespace mw::test
