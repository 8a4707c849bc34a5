#include "social/screens/CCModalControllers.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "foundation/NSTimer.h"
#include "foundation/Notification.h"
#include "foundation/NotificationCenter.h"
#include "foundation/RunLoop.h"
#include "foundation/Shared.h"
#include "social/screens/CCScreenSession.h"
#include "social/services/CCTheming.h"
#include "social/queues/records/CCServerRecords.h"
#include "social/ui/UIWindow.h"

namespace mw {

namespace {

constexpr const char* kOrientationWillChange = "CCOrientationWillChangeNotification";
constexpr const char* kOrientationDidChange = "CCOrientationDidChangeNotification";

bool isLandscape(int orientation) { return orientation == 3 || orientation == 4; }

bool onPad()
{
    CCScreenSession* session = CCScreenSession::shared();
    return session && session->isRunningOniPad();
}

int currentOrientation()
{
    CCScreenSession* session = CCScreenSession::shared();
    return session ? session->currentDeviceOrientation() : 1;
}

CGAffineTransform workaroundTransform()
{
    CCScreenSession* session = CCScreenSession::shared();
    return session ? session->workaroundTransformForCurrentDeviceOrientation() : CGAffineTransformIdentity;
}

Ref<CCSkinnedView> skinnedViewFor(CCUIDescription& description, CGRect frame)
{
    const Value element = description.flatUIElement();
    const Value& skin = CCTheming::sharedInstance()->getSkinDescription(element["type"].asString());
    return makeRef<CCSkinnedView>(element, skin, frame, nullptr, false);
}

} // namespace

// ---------------------------------------------------------------- dialog

CGRect CCModalViewController::rectForDeviceOrientation(int orientation, bool fullScreen, bool workarounds)
{
    const bool landscape = isLandscape(orientation);
    if (!onPad()) {
        if (fullScreen) return landscape ? CGRect {0, 0, 480, 320} : CGRect {0, 0, 320, 480};
        return workarounds ? CGRect {20, 100, 280, 280} : CGRect {0, 0, 280, 280};
    }
    if (fullScreen) return landscape ? CGRect {0, 0, 1024, 768} : CGRect {0, 0, 768, 1024};
    if (workarounds) return {244, 372, 280, 280};
    return landscape ? CGRect {100, 20, 280, 280} : CGRect {20, 20, 280, 280};
}

Ref<CCModalViewController> CCModalViewController::create(CCUIDescription* description, UIView* parentView,
                                                         bool workarounds, bool fullScreen, bool inPopover)
{
    if (!description || !description->dataAvailable()) return nullptr;
    Ref<CCModalViewController> controller(new CCModalViewController());
    controller->description_ = Ref<CCUIDescription>(description);
    controller->parentView_ = parentView;
    controller->useWorkarounds_ = workarounds;
    controller->isFullScreen_ = fullScreen;
    controller->isInPopover_ = inPopover;
    CCScreenSession* session = CCScreenSession::shared();
    controller->attachedToMainWindow_ = session && parentView && parentView == session->getTopApplicationWindow();
    if (parentView) parentView->addSubview(controller->view());
    CCModalViewController* self = controller.get();
    NotificationCenter& centre = NotificationCenter::defaultCenter();
    centre.addObserver(self, kOrientationWillChange, nullptr, [](const Notification&) {});
    centre.addObserver(self, kOrientationDidChange, nullptr, [self](const Notification&) { self->didRotate(); });
    return controller;
}

CCModalViewController::~CCModalViewController()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    if (skinnedView_) {
        skinnedView_->setDelegate(nullptr);
        skinnedView_->removeFromSuperview();
    }
    if (isViewLoaded()) view()->removeFromSuperview();
}

void CCModalViewController::loadView()
{
    const int o = currentOrientation();
    const CGRect container = isFullScreen_ || attachedToMainWindow_
                                 ? rectForDeviceOrientation(o, isFullScreen_, useWorkarounds_)
                                 : (parentView_ ? parentView_->bounds() : CGRect {0, 0, 320, 480});
    Ref<UIView> root = makeRef<UIView>(container);
    root->setAutoresizingMask(UIView::kFlexibleWidth | UIView::kFlexibleHeight);
    setView(root.get());

    CGRect dialog = rectForDeviceOrientation(o, isFullScreen_, useWorkarounds_);
    if (!isFullScreen_) {
        float offsetY = container.size.height / 2 - dialog.size.height / 2;
        if (isInPopover_) offsetY = std::max(offsetY, 20.0f);
        dialog.origin = {container.origin.x + container.size.width / 2 - dialog.size.width / 2,
                         container.origin.y + offsetY};
    }
    skinnedView_ = skinnedViewFor(*description_, dialog);
    root->addSubview(skinnedView_.get());
    if (useWorkarounds_ && attachedToMainWindow_) root->setTransform(workaroundTransform());
    const CGSize size = container.size;
    if (attachedToMainWindow_) {
        root->setCenter({std::min(size.width, size.height) / 2, std::max(size.width, size.height) / 2});
    } else {
        root->setCenter({size.width / 2, size.height / 2});
    }
    root->setBounds(container);
    if (!attachedToMainWindow_) root->setFrame(container);
    skinnedView_->setDelegate(this);

    skinnedView_->setTransform(CGAffineTransformMakeScale(0.2f, 0.2f));
    skinnedView_->setAlpha(0.2f);
    root->setBackgroundColor(FillColor {0, 0, 0, 0.2f});
    Ref<CCModalViewController> self(this);
    UIView::beginAnimations("step_1");
    UIView::setAnimationDidStop([self](const std::string& name, bool finished) { self->animationDidStop(name, finished); });
    skinnedView_->setTransform(CGAffineTransformMakeScale(1.1f, 1.1f));
    skinnedView_->setAlpha(0.5f);
    root->setBackgroundColor(FillColor {0, 0, 0, 0.5f});
    UIView::commitAnimations();
}

void CCModalViewController::animationDidStop(const std::string& name, bool finished)
{
    if (name == "step_1") {
        Ref<CCModalViewController> self(this);
        UIView::beginAnimations("step_2");
        UIView::setAnimationDidStop([self](const std::string& n, bool f) { self->animationDidStop(n, f); });
        skinnedView_->setTransform(CGAffineTransformIdentity);
        skinnedView_->setAlpha(1.0f);
        view()->setBackgroundColor(FillColor {0, 0, 0, 0.4f});
        UIView::commitAnimations();
    } else if (name == "buttonpress") {
        if (delegate_) delegate_->modalViewControllerButtonPressed(*this, pendingButtonId_);
    }
}

void CCModalViewController::skinnedViewButtonPressed(CCSkinnedView&, const std::string& itemId, const std::string&,
                                                     const Value&)
{
    pendingButtonId_ = itemId;
    Ref<CCModalViewController> self(this);
    UIView::beginAnimations("buttonpress");
    UIView::setAnimationDidStop([self](const std::string& name, bool finished) { self->animationDidStop(name, finished); });
    skinnedView_->setTransform(CGAffineTransformScale(skinnedView_->transform(), 2, 2));
    skinnedView_->setAlpha(0);
    view()->setAlpha(0);
    UIView::commitAnimations();
}

void CCModalViewController::didRotate()
{
    CCScreenSession* session = CCScreenSession::shared();
    if (!isInPopover_ || isFullScreen_ || attachedToMainWindow_ || !session || !session->isOnPreiOS5()) return;
    Ref<CCModalViewController> self(this);
    (void)NSTimer::scheduledTimer(0.5, false, [self](NSTimer*) {
        if (self->parentView_) self->view()->setFrame(self->parentView_->bounds());
        self->view()->setNeedsDisplay();
    });
}

void CCModalViewController::dismiss() {}

// ---------------------------------------------------------------- pop-up

namespace {

// The pop-up's view: a tap anywhere on it closes it.
class CCModalPopupView : public CCSkinnedView {
public:
    using CCSkinnedView::CCSkinnedView;
    CCModalPopupController* popupDelegate = nullptr;
    void touchesBegan(const UIViewTouches&) override
    {
        if (popupDelegate) popupDelegate->popupViewClose();
    }
};

} // namespace

CGRect CCModalPopupController::rectForOrientation(int orientation)
{
    const bool pad = onPad();
    CGPoint origin;
    switch (orientation) {
    case 3: origin = pad ? CGPoint {20, 849} : CGPoint {20, 288}; break;
    case 4: origin = pad ? CGPoint {738, 125} : CGPoint {290, 128}; break;
    case 2: origin = {128, 20}; break;
    default: origin = pad ? CGPoint {576, 994} : CGPoint {128, 450}; break;
    }
    return {origin.x, origin.y, 300, 50};
}

Ref<CCModalPopupController> CCModalPopupController::create(CCUIDescription* description, UIView* parentView,
                                                           bool workarounds, CCModalPopupObserver* observer)
{
    if (!description || !description->dataAvailable()) return nullptr;
    Ref<CCModalPopupController> controller(new CCModalPopupController());
    controller->description_ = Ref<CCUIDescription>(description);
    controller->parentView_ = parentView;
    controller->useWorkarounds_ = workarounds;
    controller->observer_ = observer;
    CCModalPopupController* self = controller.get();
    NotificationCenter& centre = NotificationCenter::defaultCenter();
    centre.addObserver(self, kOrientationWillChange, nullptr, [self](const Notification&) { self->willRotate(); });
    centre.addObserver(self, kOrientationDidChange, nullptr, [self](const Notification&) { self->didRotate(); });
    controller->view();
    return controller;
}

CCModalPopupController::~CCModalPopupController()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    if (isViewLoaded()) {
        if (auto* popup = dynamic_cast<CCModalPopupView*>(view())) popup->popupDelegate = nullptr;
        view()->removeFromSuperview();
    }
}

CCSkinnedView* CCModalPopupController::popupView() const
{
    return isViewLoaded() ? dynamic_cast<CCSkinnedView*>(const_cast<CCModalPopupController*>(this)->view()) : nullptr;
}

CGAffineTransform CCModalPopupController::baseTransform() const
{
    return useWorkarounds_ ? workaroundTransform() : CGAffineTransformIdentity;
}

void CCModalPopupController::placePopup(UIView* popup, CGPoint origin, CGSize fits)
{
    // The bounds take the fitting size; the frame keeps its size, which is
    // the transformed one (the pop-up is still scaled down when placed), and
    // moves to the origin. The pop-up then grows about that frame's centre:
    // the origins of the rectangle table are chosen for this, and put the
    // grown pop-up along the screen's bottom edge.
    popup->setBounds({popup->bounds().origin.x, popup->bounds().origin.y, fits.width, fits.height});
    const CGSize framed = popup->frame().size;
    popup->setCenter({origin.x + framed.width / 2, origin.y + framed.height / 2});
}

void CCModalPopupController::loadView()
{
    const int o = currentOrientation();
    const Value element = description_->flatUIElement();
    const Value& skin = CCTheming::sharedInstance()->getSkinDescription(element["type"].asString());
    Ref<CCModalPopupView> popup = makeRef<CCModalPopupView>(element, skin, CGRectZero, nullptr, false);
    popup->popupDelegate = this;
    popup->setOpaque(true);
    popup->setAlpha(0.2f);
    setView(popup.get());
    popup->setTransform(CGAffineTransformScale(baseTransform(), 0.2f, 0.2f));
    const CGSize fits = popup->sizeThatFits(CGSizeZero);
    const CGPoint origin = useWorkarounds_ ? rectForOrientation(o).origin : CGPoint {0, 0};
    placePopup(popup.get(), origin, fits);
    if (parentView_) {
        parentView_->addSubview(popup.get());
        parentView_->bringSubviewToFront(popup.get());
    }
    popup->setNeedsDisplay();
    placePopup(popup.get(), origin, fits);
    startStep(1);
}

void CCModalPopupController::startStep(int step)
{
    UIView* popup = view();
    Ref<CCModalPopupController> self(this);
    const std::string name = "step_" + std::to_string(step);
    UIView::beginAnimations(name);
    UIView::setAnimationDidStop([self](const std::string& n, bool f) { self->animationDidStop(n, f); });
    switch (step) {
    case 1:
        popup->setTransform(CGAffineTransformScale(baseTransform(), 1.1f, 1.1f));
        popup->setAlpha(0.5f);
        break;
    case 2:
        popup->setTransform(baseTransform());
        popup->setAlpha(1.0f);
        break;
    case 3:
        UIView::setAnimationDelay(2.0);
        popup->setAlpha(0.99f);
        break;
    case 4: popup->setAlpha(1.0f); break;
    case 5:
        UIView::setAnimationBeginsFromCurrentState(true);
        popup->setAlpha(1.0f);
        popup->setTransform(CGAffineTransformTranslate(popup->transform(), 0, 60));
        break;
    }
    UIView::commitAnimations();
}

void CCModalPopupController::animationDidStop(const std::string& name, bool finished)
{
    if (dismissed_) {
        if (name != "step_5" || finished_) return;
        finished_ = true;
        Ref<CCModalPopupController> self(this);
        view()->removeFromSuperview();
        if (observer_) observer_->modalPopupFinished(*this);
        return;
    }
    if (name == "step_1") startStep(2);
    else if (name == "step_2") startStep(3);
    else if (name == "step_3") startStep(4);
    else if (name == "step_4") {
        dismissed_ = true;
        startStep(5);
    }
}

void CCModalPopupController::popupViewClose()
{
    if (dismissed_) return;
    dismissed_ = true;
    startStep(5);
}

void CCModalPopupController::willRotate()
{
    if (!isViewLoaded()) return;
    view()->setAlpha(0);
    view()->setHidden(true);
}

void CCModalPopupController::didRotate()
{
    if (!isViewLoaded() || finished_) return;
    UIView* popup = view();
    const CGRect rect = rectForOrientation(currentOrientation());
    popup->setHidden(false);
    popup->setAlpha(1.0f);
    placePopup(popup, rect.origin, popup->sizeThatFits(CGSizeZero));
    if (parentView_) {
        parentView_->addSubview(popup);
        parentView_->bringSubviewToFront(popup);
    }
    popup->setNeedsDisplay();
}

bool CCModalPopupController::shouldAutorotateToInterfaceOrientation(int orientation)
{
    return CCTheming::sharedInstance()->shouldAutorotateToInterfaceOrientationStockAnswer(orientation);
}

void CCModalPopupController::dismiss() {}

// ---------------------------------------------------------------- workaround

namespace {
// In a shared slot, which static destruction never empties: a controller
// still showing its pop-up at exit goes with the client's end instead.
struct LiveWorkarounds {
    std::set<Ref<CCWorkaroundController>> live;
};
std::set<Ref<CCWorkaroundController>>& liveWorkarounds() { return Shared<LiveWorkarounds>::get()->live; }
} // namespace

CCWorkaroundController* CCWorkaroundController::create(UIView* parentView, CCUIDescription* description,
                                                       bool workarounds, CCModalPopupObserver* observer)
{
    Ref<CCWorkaroundController> controller(new CCWorkaroundController());
    controller->parentView_ = parentView;
    controller->description_ = Ref<CCUIDescription>(description);
    controller->workarounds_ = workarounds;
    controller->observer_ = observer;
    liveWorkarounds().insert(controller);
    if (parentView) parentView->addSubview(controller->view());
    return controller.get();
}

CCWorkaroundController::~CCWorkaroundController()
{
    if (isViewLoaded()) view()->removeFromSuperview();
}

size_t CCWorkaroundController::liveCount()
{
    LiveWorkarounds* workarounds = Shared<LiveWorkarounds>::current();
    return workarounds ? workarounds->live.size() : 0;
}

void CCWorkaroundController::releaseAll()
{
    if (LiveWorkarounds* workarounds = Shared<LiveWorkarounds>::current()) {
        std::set<Ref<CCWorkaroundController>> ending = std::move(workarounds->live);
        workarounds->live.clear();
    }
}

void CCWorkaroundController::loadView()
{
    Ref<UIView> marker = makeRef<UIView>(CGRect {10, 10, 1, 1});
    marker->setAlpha(0);
    marker->setUserInteractionEnabled(false);
    marker->setTransform(workaroundTransform());
    marker->setNeedsDisplay();
    setView(marker.get());
    Ref<CCWorkaroundController> self(this);
    (void)NSTimer::scheduledTimer(0.2, false, [self](NSTimer*) { self->clearWorkaroundView(); });
}

void CCWorkaroundController::clearWorkaroundView()
{
    view()->removeFromSuperview();
    popup_ = CCModalPopupController::create(description_.get(), parentView_, true, this);
}

void CCWorkaroundController::modalPopupFinished(CCModalPopupController& popup)
{
    if (observer_) observer_->modalPopupFinished(popup);
    // The controller owned itself until now; it goes on the next turn, once
    // the pop-up's call has returned.
    Ref<CCWorkaroundController> self(this);
    RunLoop::main().perform([self] {
        self->popup_ = nullptr;
        liveWorkarounds().erase(self);
    });
}

bool CCWorkaroundController::shouldAutorotateToInterfaceOrientation(int orientation)
{
    return CCTheming::sharedInstance()->shouldAutorotateToInterfaceOrientationStockAnswer(orientation);
}

// ---------------------------------------------------------------- underlay

void CCImagePickerUnderlay::loadView()
{
    Ref<UIView> dim = makeRef<UIView>(CGRect {INFINITY, INFINITY, 0, 0});
    dim->setUserInteractionEnabled(true);
    dim->setBackgroundColor(FillColor {0, 0, 0, 1});
    dim->setAlpha(0.5f);
    setView(dim.get());
}

void CCImagePickerUnderlay::initiateImagePickerWithType(ImageSources::SourceType type,
                                                        UIImagePickerControllerDelegate* delegate)
{
    Ref<UIImagePickerController> picker = makeRef<UIImagePickerController>();
    picker->setSourceType(type);
    picker->setAllowsEditing(true);
    picker->setDelegate(delegate);
    presentModalViewController(picker.get(), true);
}

void CCImagePickerUnderlay::implementTransformLeft()
{
    view()->setCenter({240, 160});
    view()->setTransform(CGAffineTransformRotate(view()->transform(), -static_cast<float>(M_PI) / 2));
    view()->setFrame({0, 0, 320, 480});
}

} // namespace mw
