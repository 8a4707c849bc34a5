#include "tests/support/SharedInstances.h"

#include "engine/director/CCConfiguration.h"
#include "engine/director/CCDirector.h"
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
    UserDefaults::resetStandardUserDefaults();
}

} // namespace mw::test
