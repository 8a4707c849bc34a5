#include <gtest/gtest.h>

#include "foundation/NotificationCenter.h"
#include "social/screens/CCModalControllers.h"
#include "social/screens/CCSmallViews.h"
#include "social/services/CCTheming.h"
#include "social/queues/records/CCServerRecords.h"
#include "tests/social/ui/SocialUiFixture.h"

namespace mw::test {
namespace {

float scaleOf(const CGAffineTransform& t) { return std::sqrt(t.a * t.a + t.b * t.b); }

struct RecordingModalDelegate : CCModalViewDelegate {
    void modalViewControllerButtonPressed(CCModalViewController&, const std::string& id) override { pressed.push_back(id); }
    std::vector<std::string> pressed;
};

struct RecordingPopupObserver : CCModalPopupObserver {
    void modalPopupFinished(CCModalPopupController&) override { ++finished; }
    int finished = 0;
};

class DialogTest : public SocialUiTest {
protected:
    void SetUp() override
    {
        SocialUiTest::SetUp();
        start("phone");
        page_ = makeRef<UIView>(window_->bounds());
        window_->addSubview(page_.get());
    }
    void TearDown() override
    {
        page_ = nullptr;
        SocialUiTest::TearDown();
    }
    Ref<UIView> page_;
};

TEST(DialogRectangles, PerDeviceScreenWorkaroundsAndOrientation)
{
    struct Row {
        bool pad;
        bool full;
        bool workarounds;
        int orientation;
        CGRect rect;
    };
    const Row rows[] = {
        {false, true, false, 3, {0, 0, 480, 320}},   {false, true, true, 1, {0, 0, 320, 480}},
        {false, false, false, 4, {0, 0, 280, 280}},  {false, false, true, 2, {20, 100, 280, 280}},
        {true, true, true, 4, {0, 0, 1024, 768}},    {true, true, false, 1, {0, 0, 768, 1024}},
        {true, false, false, 3, {100, 20, 280, 280}}, {true, false, false, 1, {20, 20, 280, 280}},
        {true, false, true, 3, {244, 372, 280, 280}}, {true, false, true, 1, {244, 372, 280, 280}},
    };
    auto facts = std::make_shared<ScriptedDeviceFacts>();
    auto previous = DeviceFacts::replaceSharedInstance(facts);
    for (const Row& row : rows) {
        resetSharedInstances();
        facts->pad = row.pad;
        const CGRect rect = CCModalViewController::rectForDeviceOrientation(row.orientation, row.full, row.workarounds);
        EXPECT_TRUE(CGRectEqualToRect(rect, row.rect))
            << row.pad << row.full << row.workarounds << row.orientation << " " << NSStringFromCGRect(rect);
    }
    struct PopupRow {
        bool pad;
        int orientation;
        CGPoint origin;
    };
    const PopupRow popups[] = {{false, 3, {20, 288}},  {false, 4, {290, 128}}, {false, 2, {128, 20}},
                               {false, 1, {128, 450}}, {true, 3, {20, 849}},   {true, 4, {738, 125}},
                               {true, 2, {128, 20}},   {true, 5, {576, 994}}};
    for (const PopupRow& row : popups) {
        resetSharedInstances();
        facts->pad = row.pad;
        const CGRect rect = CCModalPopupController::rectForOrientation(row.orientation);
        EXPECT_TRUE(CGRectEqualToRect(rect, {row.origin.x, row.origin.y, 300, 50})) << NSStringFromCGRect(rect);
    }
    resetSharedInstances();
    DeviceFacts::replaceSharedInstance(previous);
}

TEST_F(DialogTest, CentredInItsParentAndTwentyPointsDownInAPopover)
{
    Ref<UIView> short_ = makeRef<UIView>(CGRect {0, 0, 320, 200});
    page_->addSubview(short_.get());
    auto dialog = CCTheming::uiDescriptionForOneButtonDialog("T", "B", "OK");
    Ref<CCModalViewController> centred = CCModalViewController::create(dialog.get(), page_.get(), false, false, false);
    ASSERT_TRUE(centred);
    EXPECT_TRUE(CGRectEqualToRect(centred->skinnedView()->frame(), {20, 100, 280, 280}) ||
                std::fabs(centred->skinnedView()->center().x - 160) < 0.01f);
    EXPECT_FLOAT_EQ(centred->skinnedView()->center().y, 240);
    Ref<CCModalViewController> popover = CCModalViewController::create(dialog.get(), short_.get(), false, false, true);
    ASSERT_TRUE(popover);
    // Centred it would start at -40; inside a popover it starts 20 down.
    EXPECT_FLOAT_EQ(popover->skinnedView()->center().y, 20 + 140);
    Ref<CCModalViewController> loose = CCModalViewController::create(dialog.get(), short_.get(), false, false, false);
    EXPECT_FLOAT_EQ(loose->skinnedView()->center().y, 100);
}

TEST_F(DialogTest, EntranceThenAButtonReportedAfterItsAnimation)
{
    RecordingModalDelegate delegate;
    auto dialog = CCTheming::uiDescriptionForTwoButtonDialog("Confirmation", "Sure?", "Yes", "No");
    Ref<CCModalViewController> modal = CCModalViewController::create(dialog.get(), page_.get(), false, false, false);
    ASSERT_TRUE(modal);
    modal->setDelegate(&delegate);
    CCSkinnedView* box = modal->skinnedView();
    UIView* container = modal->view();
    struct Sample {
        double at;
        float scale, alpha, background;
    };
    const Sample samples[] = {{0.0, 0.2f, 0.2f, 0.2f}, {0.2, 1.1f, 0.5f, 0.5f}, {0.4, 1.0f, 1.0f, 0.4f}};
    double now = 0;
    for (const Sample& sample : samples) {
        runSeconds(sample.at - now);
        now = sample.at;
        EXPECT_NEAR(scaleOf(box->presentationTransform()), sample.scale, 0.02) << sample.at;
        EXPECT_NEAR(box->presentationAlpha(), sample.alpha, 0.02) << sample.at;
        EXPECT_NEAR(container->presentationBackground()->a, sample.background, 0.02) << sample.at;
    }
    // "button1" at (16, 216) in the dialog: (20 + 16 + 5, 100 + 216 + 5) on screen.
    Ref<UITouch> touch = driver_->touchDown({41, 321});
    driver_->touchUp(touch.get());
    EXPECT_EQ(modal->pendingButtonId(), "button1");
    EXPECT_TRUE(delegate.pressed.empty()) << "not before the press has played";
    runSeconds(0.1);
    EXPECT_TRUE(delegate.pressed.empty());
    runSeconds(0.15);
    EXPECT_EQ(delegate.pressed, (std::vector<std::string> {"button1"}));
    EXPECT_NEAR(container->presentationAlpha(), 0, 0.01);
}

TEST_F(DialogTest, APageWithoutDataGivesNoController)
{
    Ref<CCUIDescription> empty(new CCUIDescription("x.cuid", 10, 0));
    EXPECT_FALSE(CCModalViewController::create(empty.get(), page_.get(), false, false, false));
    RecordingPopupObserver observer;
    EXPECT_FALSE(CCModalPopupController::create(empty.get(), page_.get(), false, &observer));
}

TEST_F(DialogTest, NoticeTimelineOnAFixedStep)
{
    RecordingPopupObserver observer;
    auto notice = CCTheming::uiDescriptionForPopup("Achievement", "First harvest");
    CCPrivateSession::sharedInstance()->setCurrentDeviceOrientation(3);
    Ref<CCModalPopupController> popup = CCModalPopupController::create(notice.get(), window_.get(), true, &observer);
    ASSERT_TRUE(popup);
    CCSkinnedView* view = popup->popupView();
    EXPECT_EQ(view->bounds().size.width, 300);
    EXPECT_EQ(view->bounds().size.height, 50);
    // Placed while scaled to 0.2 and turned a quarter: the 10 x 60 frame
    // stands at the table's origin.
    EXPECT_NEAR(view->center().x, 20 + 5, 0.01);
    EXPECT_NEAR(view->center().y, 288 + 30, 0.01);
    EXPECT_EQ(view->superview(), window_.get());
    runSeconds(0.4); // steps 1 and 2
    EXPECT_NEAR(view->presentationAlpha(), 1.0f, 0.01);
    EXPECT_NEAR(scaleOf(view->presentationTransform()), 1.0f, 0.01);
    // Grown about that centre it lies along the screen's edge, all in sight.
    const CGRect grown = view->frame();
    EXPECT_NEAR(grown.origin.x, 0, 0.01);
    EXPECT_NEAR(grown.size.width, 50, 0.01);
    EXPECT_GE(grown.origin.y, 0);
    EXPECT_LE(grown.origin.y + grown.size.height, 480);
    runSeconds(2.3); // the hold and step 4
    EXPECT_FALSE(popup->isDismissed());
    // Step 5 moves it 60 points down in its own (turned) coordinates.
    const CGAffineTransform before = view->transform();
    auto moved = [&](const CGAffineTransform& t) { return std::hypot(t.tx - before.tx, t.ty - before.ty); };
    runSeconds(0.2); // step 5 begins at 2.8 s
    EXPECT_TRUE(popup->isDismissed());
    EXPECT_EQ(observer.finished, 0);
    EXPECT_GT(moved(view->presentationTransform()), 1);
    EXPECT_LT(moved(view->presentationTransform()), 59);
    runSeconds(0.15);
    EXPECT_NEAR(moved(view->transform()), 60, 0.01);
    EXPECT_EQ(observer.finished, 1);
    EXPECT_EQ(view->superview(), nullptr);
    runSeconds(1);
    EXPECT_EQ(observer.finished, 1);
}

// Upright, the grown notice stands in sight at the bottom of the screen
// (the tablet's place is checked by the game's end-to-end test).
TEST_F(DialogTest, AnUprightNoticeStandsAtTheBottomInSight)
{
    CCPrivateSession::sharedInstance()->setCurrentDeviceOrientation(1);
    Ref<CCModalPopupController> popup = CCModalPopupController::create(
        CCTheming::uiDescriptionForPopup("Game Center Sync", "Too soon").get(), window_.get(), true, nullptr);
    ASSERT_TRUE(popup);
    runSeconds(0.4);
    EXPECT_TRUE(CGRectEqualToRect(popup->popupView()->frame(), {8, 430, 300, 50}))
        << NSStringFromCGRect(popup->popupView()->frame());
    popup->popupViewClose();
    runSeconds(0.5);
}

TEST_F(DialogTest, ATapDuringTheHoldEndsTheNoticeOnce)
{
    RecordingPopupObserver observer;
    Ref<CCModalPopupController> popup = CCModalPopupController::create(
        CCTheming::uiDescriptionForPopup("Game Center Sync", "Too soon").get(), window_.get(), false, &observer);
    runSeconds(1.0);
    Ref<UITouch> touch = driver_->touchDown({100, 20});
    driver_->touchUp(touch.get());
    EXPECT_TRUE(popup->isDismissed());
    Ref<UITouch> again = driver_->touchDown({100, 20});
    driver_->touchUp(again.get());
    runSeconds(0.3);
    EXPECT_EQ(observer.finished, 1);
    EXPECT_EQ(popup->popupView()->superview(), nullptr);
    runSeconds(2.5);
    EXPECT_EQ(observer.finished, 1);
}

TEST_F(DialogTest, RotationHidesTheNoticeAndShowsItAtTheNewPlace)
{
    RecordingPopupObserver observer;
    CCPrivateSession* session = CCPrivateSession::sharedInstance();
    session->lockToOrientationList({1, 3});
    Ref<CCModalPopupController> popup = CCModalPopupController::create(
        CCTheming::uiDescriptionForPopup("A", "B").get(), window_.get(), true, &observer);
    runSeconds(0.5);
    session->willRotateToInterfaceOrientation(3, 0.3);
    EXPECT_TRUE(popup->popupView()->isHidden());
    session->didRotateFromInterfaceOrientation(1);
    NotificationCenter::defaultCenter().postNotification("CCOrientationDidChangeNotification", session);
    EXPECT_FALSE(popup->popupView()->isHidden());
    EXPECT_FLOAT_EQ(popup->popupView()->center().x, 20 + 150);
    EXPECT_FLOAT_EQ(popup->popupView()->center().y, 288 + 25);
    runSeconds(3);
    EXPECT_EQ(observer.finished, 1);
}

TEST_F(DialogTest, WorkaroundControllerOpensTheNoticeLaterAndGoes)
{
    RecordingPopupObserver observer;
    CCWorkaroundController* controller = CCWorkaroundController::create(
        window_.get(), CCTheming::uiDescriptionForPopup("A", "B").get(), true, &observer);
    UIView* marker = controller->view();
    EXPECT_TRUE(CGRectEqualToRect(marker->frame(), {10, 10, 1, 1}));
    EXPECT_EQ(marker->alpha(), 0);
    EXPECT_FALSE(marker->userInteractionEnabled());
    EXPECT_EQ(marker->superview(), window_.get());
    runSeconds(0.15);
    EXPECT_EQ(controller->popup(), nullptr);
    runSeconds(0.1);
    ASSERT_NE(controller->popup(), nullptr);
    EXPECT_EQ(marker->superview(), nullptr);
    EXPECT_EQ(CCWorkaroundController::liveCount(), 1u);
    runSeconds(3.5);
    EXPECT_EQ(observer.finished, 1);
    EXPECT_EQ(CCWorkaroundController::liveCount(), 0u);
}

TEST_F(DialogTest, PickerUnderlayDimsAtHalf)
{
    Ref<CCImagePickerUnderlay> underlay = makeRef<CCImagePickerUnderlay>();
    UIView* view = underlay->view();
    EXPECT_FLOAT_EQ(view->alpha(), 0.5f);
    EXPECT_TRUE(view->userInteractionEnabled());
    EXPECT_EQ(view->backgroundColor()->r, 0);
}

// ---- small views ----

TEST_F(DialogTest, ImageSpinnerTurnsInStepsAndStopsAfterTheRunningOne)
{
    useTheme("variant");
    Ref<CCTesselActivityIndicatorView> spinner = makeRef<CCTesselActivityIndicatorView>(CGRect {0, 0, 40, 40});
    ASSERT_NE(spinner->spinnerView(), nullptr);
    window_->addSubview(spinner.get());
    spinner->startAnimating();
    std::vector<int> degrees;
    for (int step = 0; step < 9; ++step) {
        degrees.push_back(static_cast<int>(std::lround(spinner->angle() * 180 / M_PI)));
        runSeconds(0.1);
    }
    EXPECT_EQ(degrees, (std::vector<int> {0, 46, 92, 138, 184, 230, 276, 322, 0}));
    runSeconds(0.05);
    spinner->stopAnimating();
    runSeconds(0.1);
    const float reached = spinner->angle();
    runSeconds(0.5);
    EXPECT_EQ(spinner->angle(), reached) << "no step after the running one";
    spinner->startAnimating();
    runSeconds(0.1);
    EXPECT_NEAR(spinner->angle(), reached + CCTesselActivityIndicatorView::kStep, 1e-4);
}

TEST_F(DialogTest, LoadingPageWithAndWithoutBackgroundImages)
{
    Ref<CCTabLoadingView> plain = makeRef<CCTabLoadingView>(CGRect {0, 0, 320, 480});
    EXPECT_TRUE(dynamic_cast<UIActivityIndicatorView*>(plain->spinner()));
    ASSERT_TRUE(plain->backgroundColor());
    EXPECT_NEAR(plain->backgroundColor()->r, 0xF3 / 255.0f, 1e-4);
    EXPECT_FLOAT_EQ(plain->spinner()->center().x, 160);
    useTheme("variant");
    Ref<CCTabLoadingView> pictured = makeRef<CCTabLoadingView>(CGRect {0, 0, 320, 480});
    EXPECT_TRUE(dynamic_cast<CCTesselActivityIndicatorView*>(pictured->spinner()));
    EXPECT_FALSE(pictured->backgroundColor());
}

TEST_F(DialogTest, TableTouchingFlagAndEventButtonMemory)
{
    Ref<CCGenericTableView> table = makeRef<CCGenericTableView>(CGRect {0, 0, 320, 200});
    window_->addSubview(table.get());
    table->setBackgroundColor(FillColor {1, 1, 1, 1});
    Ref<UITouch> touch = driver_->touchDown({50, 50});
    EXPECT_TRUE(table->isTouching());
    driver_->touchCancel(touch.get());
    EXPECT_FALSE(table->isTouching());

    Ref<CCEventButton> button = makeRef<CCEventButton>(CGRect {0, 300, 100, 40});
    window_->addSubview(button.get());
    Ref<UITouch> press = driver_->touchDown({10, 310});
    ASSERT_EQ(button->lastBeganEvent().size(), 1u);
    EXPECT_EQ(button->lastBeganEvent().front().windowPoint.y, 310);
    EXPECT_TRUE(button->lastEndedEvent().empty());
    driver_->touchUp(press.get());
    EXPECT_EQ(button->lastEndedEvent().size(), 1u);
}

} // namespace
} // namespace mw::test
