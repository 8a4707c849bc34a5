#include "tests/support/SharedInstances.h"

#include "engine/director/CCDirector.h"
#include "engine/gl/CCConfiguration.h"
#include "engine/text/FontManager.h"
#include "foundation/UserDefaults.h"
#include "game/front/MosswickAppDelegate.h"
#include "game/village/RatingPrompt.h"
#include "platform/Application.h"
#include "platform/HTTPTransport.h"
#include "social/data/CCDataStore.h"
#include "social/queues/CCNeighbours.h"
#include "social/session/CCPrivateSession.h"

namespace mw::test {

void resetSharedInstances()
{
    // The program's order: the scenes first, whose ends still reach the
    // game's and the clients' shared instances, and the engine's shared
    // objects after them; then the game's, the clients' and the sound
    // engine's instances, top layer first.
    RatingPrompt::waitForCounting();
    if (CCDirector* director = CCDirector::currentDirector()) {
        director->end();
        CCDirector::purgeSharedDirector();
    } else {
        CCDirector::purgeSharedObjects();
    }
    CCConfiguration::purgeSharedConfiguration();
    // The social client's store is dropped unwritten: the test's data folder
    // may be gone.
    CCDataStore::purgeSharedInstance();
    MosswickAppDelegate::endSharedInstances();
    // Lives for the whole process in the game: loaded font files are kept.
    FontManager::purgeSharedManager();
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
