#include "social/CCOverlayControllers.h"

namespace mw {

CCBlockUIViewController::~CCBlockUIViewController() = default;
void CCBlockUIViewController::loadView() { UIViewControllerBase::loadView(); }

CCRedirectViewController::CCRedirectViewController(Object* delegate, std::string redirectUrl)
    : startUrl_(std::move(redirectUrl)), delegate_(delegate)
{
}
CCRedirectViewController::~CCRedirectViewController() = default;
void CCRedirectViewController::loadView() { UIViewControllerBase::loadView(); }
void CCRedirectViewController::viewDidLoad() {}
void CCRedirectViewController::startRequest(const std::string&) {}
void CCRedirectViewController::didRedirect(HTTPConnection&, int, const std::string&) {}
void CCRedirectViewController::didFail(HTTPConnection&, const std::string&) {}
void CCRedirectViewController::didFinish(HTTPConnection&) {}
void CCRedirectViewController::fail(const std::string&) {}
void CCRedirectViewController::finish(bool)
{
    finished_ = hops_ >= 0;
}

CCTestUIViewController::CCTestUIViewController() = default;
CCTestUIViewController::~CCTestUIViewController()
{
    if (rotationObserver_) NotificationCenter::defaultCenter().removeObserver(rotationObserver_);
}
void CCTestUIViewController::loadView() { UIViewControllerBase::loadView(); }
CGRect CCTestUIViewController::rectForOrientation(int) { return {0, 0, 320, 480}; }
CGAffineTransform CCTestUIViewController::workaroundTransformForCurrentDeviceOrientation(bool)
{
    return CGAffineTransformIdentity;
}
void CCTestUIViewController::didRotate(int) {}
void CCTestUIViewController::didRotateFromInterfaceOrientation(int) {}

CCSMSViewController::CCSMSViewController(CCSMSDelegate* delegate, std::string body, std::vector<std::string> recipients)
    : smsBody_(std::move(body)), smsRecipients_(std::move(recipients)), smsDelegate_(delegate)
{
}
CCSMSViewController::~CCSMSViewController() = default;
void CCSMSViewController::loadView() { UIViewControllerBase::loadView(); }
void CCSMSViewController::viewDidLoad() {}
void CCSMSViewController::displaySMSView() {}
void CCSMSViewController::messageComposeFinished(int) {}

} // namespace mw
