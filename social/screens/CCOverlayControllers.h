#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/Geometry.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Ref.h"
#include "platform/HTTPTransport.h"
#include "social/ui/UIMessageComposeViewController.h"
#include "social/ui/UIViewController.h"

namespace mw {

// Told the message composer's result: 0 cancelled, 1 sent, 2 failed.
class CCSMSDelegate {
public:
    virtual ~CCSMSDelegate() = default;
    virtual void SMSCompletedWithResult(int result) = 0;
};

// A dimmed layer over the whole window with a spinner in its centre that
// swallows every touch while the social screens wait (a purchase). It is
// shown by adding its view to the top window and ends when dropped.
class CCBlockUIViewController : public UIViewControllerBase {
public:
    static constexpr float kAlpha = 0.7f;
    static constexpr float kSpinnerSide = 40.0f;
    CCBlockUIViewController() = default;
    ~CCBlockUIViewController() override;
    void loadView() override;
    UIView* activityIndicator() const { return activityIndicator_.get(); }

private:
    Ref<UIView> activityIndicator_;
};

// Follows an affiliate link's redirects behind a spinner and hands the
// address of the last redirecting answer to the platform to open. Only http
// and https addresses are followed, at most kMaxHops redirects: any other
// target, one hop more, or a failed connection ends without opening
// anything. The completion runs in every case, on a later turn of the main
// run loop.
class CCRedirectViewController : public UIViewControllerBase, private HTTPConnectionDelegate {
public:
    static constexpr float kAlpha = 0.8f;
    static constexpr int kMaxHops = 10;
    CCRedirectViewController(Object* delegate, std::string redirectUrl);
    ~CCRedirectViewController() override;

    // Run when the chain has ended (the navigation controllers drop the
    // redirect controller there).
    void setRedirectDidComplete(std::function<void()> completion) { completion_ = std::move(completion); }
    // The address that will be opened: the last answer that redirected.
    const std::optional<std::string>& redirectUrl() const { return redirectUrl_; }
    Object* delegate() const { return delegate_; }
    void setDelegate(Object* delegate) { delegate_ = delegate; }
    UIView* activityIndicator() const { return activityIndicator_.get(); }

    // Makes the view and starts the first request.
    void loadView() override;
    void viewDidLoad() override;

private:
    void startRequest(const std::string& url);
    void didRedirect(HTTPConnection&, int status, const std::string& location) override;
    void didFail(HTTPConnection&, const std::string& message) override;
    void didFinish(HTTPConnection&) override;
    void fail(const std::string& description);
    void finish(bool open);

    Ref<UIView> activityIndicator_;
    std::string startUrl_;
    std::string currentUrl_;
    std::optional<std::string> redirectUrl_;
    Object* delegate_ = nullptr;
    std::function<void()> completion_;
    std::unique_ptr<HTTPConnection> connection_;
    int hops_ = 0;
    // A redirect was answered and the next request is on its way.
    bool hopPending_ = false;
    bool finished_ = false;
};

// The message composer's host on the top window: a transparent view that
// turns with the device, relative to the orientation it was made in.
class CCTestUIViewController : public UIViewControllerBase {
public:
    CCTestUIViewController();
    ~CCTestUIViewController() override;
    void loadView() override;
    int currentOrientation() const { return currentOrientation_; }
    int initialOrientation() const { return initialOrientation_; }
    // The view's frame for an orientation (always 0, 0, 320, 480).
    static CGRect rectForOrientation(int orientation);
    // The rotation of the current device orientation relative to the
    // initial one (`landscape`: the initial one is a landscape kind).
    CGAffineTransform workaroundTransformForCurrentDeviceOrientation(bool landscape);
    void didRotate(int newOrientation);
    void didRotateFromInterfaceOrientation(int previousOrientation) override;
    // The duration the last rotation animated over.
    double lastRotationDuration() const { return lastRotationDuration_; }

private:
    int currentOrientation_ = 1;
    int initialOrientation_ = 1;
    double lastRotationDuration_ = 0;
    NotificationCenter::ObserverId rotationObserver_ = 0;
};

// Shows the platform's message composer with a prepared body and
// recipients over a dimmed layer and passes its result on. Without a
// message service the delegate hears 2 (failed) at once.
class CCSMSViewController : public UIViewControllerBase, public UIMessageComposeViewControllerDelegate {
public:
    CCSMSViewController(CCSMSDelegate* delegate, std::string body, std::vector<std::string> recipients);
    ~CCSMSViewController() override;

    const std::string& smsBody() const { return smsBody_; }
    const std::vector<std::string>& smsRecipients() const { return smsRecipients_; }
    CCSMSDelegate* smsDelegate() const { return smsDelegate_; }
    void setSmsDelegate(CCSMSDelegate* delegate) { smsDelegate_ = delegate; }
    CCTestUIViewController* testViewController() const { return testViewController_.get(); }

    void loadView() override;
    void viewDidLoad() override;
    void displaySMSView();
    UIMessageComposeViewController* composer() const { return composer_.get(); }
    // The composer ended with this result: it is dismissed and the result
    // passed on.
    void messageComposeViewControllerDidFinishWithResult(UIMessageComposeViewController& composer,
                                                         MessageComposeResult result) override;

private:
    Ref<CCTestUIViewController> testViewController_;
    std::string smsBody_;
    std::vector<std::string> smsRecipients_;
    CCSMSDelegate* smsDelegate_ = nullptr;
    Ref<UIMessageComposeViewController> composer_;
};

} // namespace mw
