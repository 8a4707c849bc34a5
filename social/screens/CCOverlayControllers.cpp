#include "social/screens/CCOverlayControllers.h"

#include <cctype>
#include <cmath>

#include "foundation/Log.h"
#include "foundation/RunLoop.h"
#include "platform/URLOpener.h"
#include "social/data/CCLumoraLog.h"
#include "social/screens/CCScreenSession.h"
#include "social/screens/CCSmallViews.h"
#include "social/services/CCTheming.h"
#include "social/ui/UIControls.h"
#include "social/ui/UIWindow.h"

namespace mw {

namespace {

constexpr const char* kDeviceOrientationDidChange = "UIDeviceOrientationDidChangeNotification";

CGRect applicationFrame()
{
    UIWindow* window = UIWindow::keyWindow();
    return window ? window->bounds() : CGRect {0, 0, 320, 480};
}

// The dimmed, touch-swallowing layer of the block and redirect controllers,
// with its 40 × 40 spinner started in the centre: the theme's own spinner
// when the theme has background images, else the platform's white one.
Ref<UIView> makeSpinnerOverlay(float alpha, UIActivityIndicatorView::Style platformStyle,
                               Ref<UIView>& spinner)
{
    auto view = makeRef<UIView>(applicationFrame());
    view->setBackgroundColor(FillColor {0, 0, 0, 1});
    view->setOpaque(false);
    view->setUserInteractionEnabled(true);
    view->setAlpha(alpha);
    const CGRect square {0, 0, 40, 40};
    if (CCTheming::sharedInstance()->backgroundImageInTheme()) {
        auto tessel = makeRef<CCTesselActivityIndicatorView>(square);
        tessel->startAnimating();
        spinner = Ref<UIView>(tessel.get());
    } else {
        auto platform = makeRef<UIActivityIndicatorView>(platformStyle);
        platform->setFrame(square);
        platform->startAnimating();
        spinner = Ref<UIView>(platform.get());
    }
    const CGRect bounds = view->bounds();
    spinner->setCenter({bounds.size.width / 2, bounds.size.height / 2});
    view->addSubview(spinner.get());
    return view;
}

void stopSpinner(UIView* spinner)
{
    if (auto* tessel = dynamic_cast<CCTesselActivityIndicatorView*>(spinner)) tessel->stopAnimating();
    if (auto* platform = dynamic_cast<UIActivityIndicatorView*>(spinner)) platform->stopAnimating();
    if (spinner) spinner->removeFromSuperview();
}

std::string lowerScheme(const std::string& url)
{
    const size_t colon = url.find(':');
    if (colon == std::string::npos || colon == 0) return {};
    std::string scheme = url.substr(0, colon);
    for (char& c : scheme) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') return {};
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return scheme;
}

// A Location header's target against the address that answered with it.
std::string resolveLocation(const std::string& base, const std::string& location)
{
    if (!lowerScheme(location).empty()) return location;
    const size_t schemeEnd = base.find("://");
    if (schemeEnd == std::string::npos) return location;
    if (location.rfind("//", 0) == 0) return base.substr(0, schemeEnd + 1) + location;
    const size_t pathStart = base.find_first_of("/?#", schemeEnd + 3);
    const std::string origin = base.substr(0, pathStart);
    if (location.empty()) return base;
    if (location[0] == '/') return origin + location;
    if (location[0] == '?' || location[0] == '#') {
        const size_t cut = base.find(location[0] == '?' ? "?" : "#", schemeEnd + 3);
        return base.substr(0, cut) + location;
    }
    std::string path = pathStart == std::string::npos ? "/" : base.substr(pathStart);
    path = path.substr(0, path.find_first_of("?#"));
    return origin + path.substr(0, path.rfind('/') + 1) + location;
}

} // namespace

// ---- input blocker ----

CCBlockUIViewController::~CCBlockUIViewController() { stopSpinner(activityIndicator_.get()); }

void CCBlockUIViewController::loadView()
{
    Ref<UIView> view = makeSpinnerOverlay(kAlpha, UIActivityIndicatorView::kWhiteLarge, activityIndicator_);
    view->setAutoresizingMask(UIView::kFlexibleWidth | UIView::kFlexibleHeight);
    setView(view.get());
}

// ---- redirect follower ----

CCRedirectViewController::CCRedirectViewController(Object* delegate, std::string redirectUrl)
    : startUrl_(std::move(redirectUrl)), delegate_(delegate)
{}

CCRedirectViewController::~CCRedirectViewController()
{
    if (connection_) connection_->cancel();
    stopSpinner(activityIndicator_.get());
}

void CCRedirectViewController::loadView()
{
    Ref<UIView> view = makeSpinnerOverlay(kAlpha, UIActivityIndicatorView::kWhite, activityIndicator_);
    setView(view.get());
}

void CCRedirectViewController::viewDidLoad()
{
    redirectUrl_.reset();
    startRequest(startUrl_);
}

void CCRedirectViewController::startRequest(const std::string& url)
{
    const std::string scheme = lowerScheme(url);
    if (scheme != "http" && scheme != "https") {
        fail("Redirect to an address that is not http or https: " + url);
        return;
    }
    currentUrl_ = url;
    hopPending_ = false;
    HTTPRequest request;
    request.url = url;
    connection_ = HTTPTransport::sharedInstance()->start(request, this);
    if (!connection_) fail("Unable to load " + url);
}

void CCRedirectViewController::didRedirect(HTTPConnection&, int, const std::string& location)
{
    if (finished_) return;
    // The address that answered with the redirect is the one to open should
    // the chain end here.
    redirectUrl_ = currentUrl_;
    const std::string next = resolveLocation(currentUrl_, location);
    if (++hops_ > kMaxHops) {
        fail("Too many redirects following " + startUrl_);
        return;
    }
    // The next request starts on a later turn: the finished connection is
    // dropped outside its own callback.
    hopPending_ = true;
    Ref<CCRedirectViewController> self(this);
    RunLoop::main().perform([self, next] {
        if (!self->finished_) self->startRequest(next);
    });
}

void CCRedirectViewController::didFail(HTTPConnection&, const std::string& message) { fail(message); }

void CCRedirectViewController::didFinish(HTTPConnection&)
{
    // A redirected request ends too; the chain goes on with the next one.
    if (!hopPending_) finish(true);
}

void CCRedirectViewController::fail(const std::string& description)
{
    if (finished_) return;
    logLine("[CCRedirectViewController] %s", description.c_str());
    finish(false);
}

void CCRedirectViewController::finish(bool open)
{
    if (finished_) return;
    finished_ = true;
    if (!open) redirectUrl_.reset();
    Ref<CCRedirectViewController> self(this);
    RunLoop::main().perform([self] {
        // The completion goes on a later turn still; opening comes first.
        if (self->completion_ && self->delegate_) {
            RunLoop::main().perform([self] {
                if (self->completion_) self->completion_();
            });
        }
        if (self->redirectUrl_) {
            (void)URLOpener::sharedInstance()->openURL(*self->redirectUrl_);
            self->redirectUrl_.reset();
        }
    });
}

// ---- the composer's rotating host ----

CCTestUIViewController::CCTestUIViewController()
{
    CCScreenSession* session = CCScreenSession::shared();
    currentOrientation_ = initialOrientation_ = session ? session->currentDeviceOrientation() : 1;
    rotationObserver_ = NotificationCenter::defaultCenter().addObserver(
        nullptr, kDeviceOrientationDidChange, nullptr, [this](const Notification&) {
            CCScreenSession* now = CCScreenSession::shared();
            if (now) didRotate(now->currentDeviceOrientation());
        });
    if (UIWindow* window = session ? session->getTopApplicationWindow() : nullptr) {
        window->addSubview(view());
        window->bringSubviewToFront(view());
    }
}

CCTestUIViewController::~CCTestUIViewController()
{
    if (rotationObserver_) NotificationCenter::defaultCenter().removeObserver(rotationObserver_);
}

void CCTestUIViewController::loadView()
{
    auto view = makeRef<UIView>(rectForOrientation(initialOrientation_));
    view->setAutoresizingMask(UIView::kFlexibleWidth | UIView::kFlexibleHeight);
    view->setBackgroundColor(std::nullopt);
    view->setOpaque(false);
    view->setCenter({160, 240});
    setView(view.get());
}

CGRect CCTestUIViewController::rectForOrientation(int) { return {0, 0, 320, 480}; }

CGAffineTransform CCTestUIViewController::workaroundTransformForCurrentDeviceOrientation(bool landscape)
{
    CCScreenSession* session = CCScreenSession::shared();
    const int current = session ? session->currentDeviceOrientation() : 1;
    constexpr float kPi = static_cast<float>(M_PI);
    constexpr float kNone = 0;
    // Rows: the initial orientation (portrait kinds, 3, 4); columns: current 1..4.
    static constexpr float kTable[3][4] = {
        {kNone, kPi, kPi / 2, -kPi / 2},
        {-kPi / 2, kPi / 2, kNone, kPi},
        {kPi / 2, -kPi / 2, kPi, kNone},
    };
    if (current < 1 || current > 4) return CGAffineTransformIdentity;
    int row = 0;
    if (landscape) row = initialOrientation_ == 4 ? 2 : 1;
    const float angle = kTable[row][current - 1];
    return angle == kNone ? CGAffineTransformIdentity : CGAffineTransformMakeRotation(angle);
}

void CCTestUIViewController::didRotate(int newOrientation)
{
    willRotateToInterfaceOrientation(newOrientation, 0);
    didRotateFromInterfaceOrientation(currentOrientation_);
    currentOrientation_ = newOrientation;
}

void CCTestUIViewController::didRotateFromInterfaceOrientation(int previousOrientation)
{
    CCScreenSession* session = CCScreenSession::shared();
    const int current = session ? session->currentDeviceOrientation() : 1;
    auto portrait = [](int o) { return o == 1 || o == 2; };
    auto landscape = [](int o) { return o == 3 || o == 4; };
    const bool sameKind = (portrait(previousOrientation) && portrait(current)) ||
                          (landscape(previousOrientation) && landscape(current));
    lastRotationDuration_ = sameKind ? 0.6 : 0.3;
    UIView::beginAnimations("test");
    UIView::setAnimationDuration(lastRotationDuration_);
    view()->setTransform(workaroundTransformForCurrentDeviceOrientation(landscape(initialOrientation_)));
    view()->setBounds({0, 0, 320, 480});
    view()->setCenter({160, 240});
    UIView::commitAnimations();
}

// ---- message composer ----

CCSMSViewController::CCSMSViewController(CCSMSDelegate* delegate, std::string body,
                                         std::vector<std::string> recipients)
    : smsBody_(std::move(body)), smsRecipients_(std::move(recipients)), smsDelegate_(delegate)
{
    testViewController_ = makeRef<CCTestUIViewController>();
    testViewController_->view()->addSubview(view());
}

CCSMSViewController::~CCSMSViewController()
{
    if (isViewLoaded()) view()->removeFromSuperview();
    if (testViewController_ && testViewController_->isViewLoaded())
        testViewController_->view()->removeFromSuperview();
}

void CCSMSViewController::loadView()
{
    auto view = makeRef<UIView>(applicationFrame());
    view->setAutoresizingMask(UIView::kFlexibleWidth | UIView::kFlexibleHeight);
    view->setBackgroundColor(FillColor {0, 0, 0, 1});
    view->setOpaque(false);
    view->setAlpha(0.5f);
    setView(view.get());
}

void CCSMSViewController::viewDidLoad()
{
    Ref<CCSMSViewController> self(this);
    RunLoop::main().perform([self] { self->displaySMSView(); });
}

void CCSMSViewController::displaySMSView()
{
    Ref<CCSMSViewController> hold(this);
    composer_ = UIMessageComposeViewController::create();
    if (!composer_) {
        logLine("%s Failed to create SMS view controller", kLumoraError);
        if (smsDelegate_) smsDelegate_->SMSCompletedWithResult(MessageService::kFailed);
        return;
    }
    composer_->setMessageComposeDelegate(this);
    composer_->setRecipients(smsRecipients_);
    composer_->setBody(smsBody_);
    CCScreenSession* session = CCScreenSession::shared();
    if (session && session->isRunningOniPad())
        composer_->setModalPresentationStyle(UIMessageComposeViewController::kFormSheet);
    presentModalViewController(composer_.get(), true);
}

void CCSMSViewController::messageComposeViewControllerDidFinishWithResult(UIMessageComposeViewController&,
                                                                          MessageComposeResult result)
{
    Ref<CCSMSViewController> hold(this);
    if (composer_) {
        composer_->setMessageComposeDelegate(nullptr);
        dismissModalViewControllerAnimated(true);
        composer_ = nullptr;
    }
    if (smsDelegate_) smsDelegate_->SMSCompletedWithResult(result);
}

} // namespace mw
