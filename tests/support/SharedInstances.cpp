#include "tests/support/SharedInstances.h"

#include "engine/director/CCDirector.h"
#include "engine/gl/CCConfiguration.h"
#include "engine/text/FontManager.h"
#include "foundation/UserDefaults.h"

namespace mw::test {

void resetSharedInstances()
{
    if (CCDirector* director = CCDirector::currentDirector()) {
        director->end();
        CCDirector::purgeSharedDirector();
    } else {
        CCDirector::purgeSharedObjects();
    }
    CCConfiguration::purgeSharedConfiguration();
    // Lives for the whole process in the game: loaded font files are kept.
    FontManager::purgeSharedManager();
    UserDefaults::resetStandardUserDefaults();
}

} // namespace mw::test
