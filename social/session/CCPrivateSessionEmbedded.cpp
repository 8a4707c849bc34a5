// The session's side of the embedded view: activation, its question and its
// closing. Nothing in the game calls these.

#include "foundation/Log.h"
#include "social/screens/CCEmbeddedViewController.h"
#include "social/services/CCLoginHandler.h"
#include "social/data/CCLumoraLog.h"
#include "social/session/CCPrivateSession.h"
#include "social/services/CCTheming.h"
#include "social/support/URLUtilities.h"

namespace mw {

// The session is the controller's delegate through this face, which keeps
// the session's own bases as they are.
struct CCPrivateSession::EmbeddedUi : public CCEmbeddedViewControllerDelegate {
    explicit EmbeddedUi(CCPrivateSession& owner) : session(owner) {}
    void onEmbeddedViewControllerDeactivated() override { session.onEmbeddedViewControllerDeactivated(); }
    void onEmbeddedViewControllerFailedToLoadPage() override { session.onEmbeddedViewControllerFailedToLoadPage(); }

    CCPrivateSession& session;
    Ref<CCEmbeddedViewController> controller;
};

void CCPrivateSession::activateLumoraEmbeddedUIOnPage(const std::string& pagePath, UIView* view, CGRect frame)
{
    CCLumoraError error;
    if (!validateSession(&error) || !CCTheming::sharedInstance()->validateTheme(&error)) {
        logLine("%s Unable to show Lumora embedded UI - %s", kLumoraError, error.localizedDescription.c_str());
        return;
    }
    if ((embeddedUi_ && embeddedUi_->controller) || !view) return;
    CCLoginHandler::sharedInstance()->uiHasBeenActivated();
    const std::string base = liteBaseUrl();
    const std::string url = urlStringUsingDomain(base, pagePath, Value::dictionary({{"inTabbedView", Value("1")}}))
                                .value_or(base + pagePath);
    if (!embeddedUi_) embeddedUi_ = std::make_shared<EmbeddedUi>(*this);
    embeddedUi_->controller = CCEmbeddedViewController::create(embeddedUi_.get(), frame, view, url);
}

bool CCPrivateSession::isLumoraEmbeddedUIActive() const { return embeddedUi_ && embeddedUi_->controller; }

CCEmbeddedViewController* CCPrivateSession::embeddedViewController() const
{
    return embeddedUi_ ? embeddedUi_->controller.get() : nullptr;
}

void CCPrivateSession::deactivateLumoraEmbeddedUI()
{
    if (!embeddedUi_ || !embeddedUi_->controller) return;
    // The controller may tell the session to drop it inside this call.
    Ref<CCEmbeddedViewController> controller = embeddedUi_->controller;
    controller->doDeactivation();
}

void CCPrivateSession::onEmbeddedViewControllerDeactivated()
{
    if (embeddedUi_) embeddedUi_->controller = nullptr;
}

} // namespace mw
