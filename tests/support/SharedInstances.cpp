#include "tests/support/SharedInstances.h"

#include "analytics/TallyAutoIncrement.h"
#include "audio/CDAudioManager.h"
#include "audio/SimpleAudioEngine.h"
#include "engine/director/CCDirector.h"
#include "engine/gl/CCConfiguration.h"
#include "engine/text/FontManager.h"
#include "foundation/Shared.h"
#include "foundation/UserDefaults.h"
#include "game/defs/XMLManager.h"
#include "game/front/InAppPurchase.h"
#include "game/front/RatingPrompt.h"
#include "game/state/GlobalObject.h"
#include "game/state/LocalisationManager.h"
#include "game/state/Profile.h"
#include "game/state/SaveNotices.h"
#include "platform/Application.h"
#include "platform/HTTPTransport.h"
#include "social/CCDataStore.h"
#include "social/CCGameSession.h"
#include "social/CCLoginHandler.h"
#include "social/CCNeighbours.h"
#include "social/CCPrivateLumoraSlimlineSession.h"
#include "social/CCPrivateSession.h"
#include "social/ui/UIView.h"
#include "social/CCStorePurchases.h"
#include "social/CCTheming.h"

namespace mw::test {

void resetSharedInstances()
{
    // A use counted on its own thread writes the user defaults: let it end
    // before they go.
    RatingPrompt::waitForCounting();
    // The game's state goes before the layers it stands on; the global
    // object first, as it records into the profile.
    XMLManager::purgeSharedInstance();
    InAppPurchase::purgeSharedInstance();
    GlobalObject::purgeSharedInstance();
    Profile::purgeSharedInstance();
    // Takes down the alerts it put up, with the session's memory of them.
    SaveNotices::purgeSharedInstance();
    Shared<LocalisationManager>::purge();
    if (CCDirector* director = CCDirector::currentDirector()) {
        director->end();
        CCDirector::purgeSharedDirector();
    } else {
        CCDirector::purgeSharedObjects();
    }
    CCConfiguration::purgeSharedConfiguration();
    // The sound engine is not the director's to end (the engine cannot reach
    // it): the facade first, then the manager under it.
    SimpleAudioEngine::end();
    CDAudioManager::end();
    // Lives for the whole process in the game: loaded font files are kept.
    FontManager::purgeSharedManager();
    TallyAutoIncrement::purgeSharedInstance();
    // The social client: the store (not written: the test's data folder may
    // be gone), the session core, the object behind the public session, the
    // login handler, then the neighbours they used.
    CCDataStore::purgeSharedInstance();
    CCPrivateSession::releaseSharedInstance();
    // Without a window nothing runs the view layer's animations: those of
    // the screens just dropped go with them.
    UIView::removeAllAnimations();
    CCPrivateLumoraSlimlineSession::releaseSharedInstance();
    CCLoginHandler::releaseSharedInstance();
    CCTheming::releaseSharedInstance();
    CCFetchManager::releaseSharedInstance();
    CCGameSession::releaseSharedInstance();
    CCSKTransactionHandler::releaseSharedInstance();
    CCSKProductInfo::releaseSharedInstance();
    clearNeighbourCalls();
    // The social client's hosts lead to a closed local port unless a test
    // routes them to its loopback service: no test reaches out.
    std::vector<std::string> closed;
    for (const std::string& host : {CCPrivateSession::serviceHost(), CCPrivateSession::telemetryHost()})
        for (const char* port : {":443", ":80"}) closed.push_back(host + port + ":127.0.0.1:9");
    HTTPTransport::setConnectTo(closed);
    UserDefaults::resetStandardUserDefaults();
    Application::sharedApplication().reset();
}

} // namespace mw::test
