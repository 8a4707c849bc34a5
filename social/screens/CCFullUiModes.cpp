#include "social/screens/CCFullUiModes.h"

#include <utility>

#include "social/queues/CCFetchManager.h"
#include "social/services/CCLoginHandler.h"
#include "social/screens/CCNavControllerBase.h"
#include "social/data/CCLumoraService.h"
#include "social/screens/CCScreenSession.h"
#include "social/queues/records/CCServerRecords.h"
#include "social/support/Reachability.h"

namespace mw {

CCFullUiModes::CCFullUiModes() = default;

CCFullUiModes::~CCFullUiModes() { cancelFetchRestart(); }

void CCFullUiModes::setLaunchUrl(const std::optional<std::string>& url, bool loginRequired)
{
    if (loginRequired) {
        launchUrlStringMainNav_ = url;
        return;
    }
    launchUrlStringBasicNav_ = url;
    if (!url || url->find("logout") != std::string::npos)
        CCLoginHandler::sharedInstance()->setIsFirstUiActivationToday(true);
}

std::optional<std::string> CCFullUiModes::takeLaunchUrl(std::optional<std::string> fallback)
{
    if (launchUrlStringMainNav_) return std::exchange(launchUrlStringMainNav_, std::nullopt);
    if (launchUrlStringBasicNav_) return std::exchange(launchUrlStringBasicNav_, std::nullopt);
    return fallback;
}

bool CCFullUiModes::mainModeAtStart()
{
    CCScreenSession* session = CCScreenSession::shared();
    Reachability* reach = session ? session->reachability() : nullptr;
    if (reach && reach->currentReachabilityStatus() == NotReachable) return true;
    CCLoginHandler* login = CCLoginHandler::sharedInstance();
    if (!login->isFirstUiActivationToday() && login->hasValidLoginCookie()) return true;
    login->setIsFirstUiActivationToday(false);
    return false;
}

std::string CCFullUiModes::navigationDescriptionAddress()
{
    return CCLumoraService::liteBaseUrl() + "globalnav.cuid";
}

bool CCFullUiModes::loadNavigationDescription()
{
    CCFetchManager* fetcher = CCFetchManager::sharedInstance();
    if (currentUIDescription_) {
        (void)fetcher->queueServerData(Ref<CCAbstractServerData>(currentUIDescription_.get()), 400, 0);
        return false;
    }
    const std::string url = navigationDescriptionAddress();
    currentUIDescription_ = dynamicRef<CCUIDescription>(fetcher->serverDataForURL(url));
    if (!currentUIDescription_) currentUIDescription_ = CCNavControllerBase::newPageRecord(url);
    CCUIDescription* description = currentUIDescription_.get();
    if (!description) return false;
    if (description->dataAvailable() && !description->isCacheControlMutable()) return true;
    (void)fetcher->queueServerData(Ref<CCAbstractServerData>(description), 1, 0);
    return false;
}

void CCFullUiModes::restartFetchingSoon()
{
    cancelFetchRestart();
    fetchRestartTimer_ = NSTimer::scheduledTimer(kFetchRestartDelay, false, [this](NSTimer*) {
        fetchRestartTimer_ = nullptr;
        CCFetchManager::sharedInstance()->startFetching();
    });
}

void CCFullUiModes::cancelFetchRestart()
{
    if (fetchRestartTimer_) fetchRestartTimer_->invalidate();
    fetchRestartTimer_ = nullptr;
}

} // namespace mw
