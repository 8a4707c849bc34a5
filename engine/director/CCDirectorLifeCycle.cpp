#include "engine/director/CCDirectorLifeCycle.h"

#include "engine/director/CCDirector.h"

namespace mw {

void CCDirectorLifeCycle::applicationWillResignActive()
{
    if (CCDirector* director = CCDirector::currentDirector()) director->pause();
}

void CCDirectorLifeCycle::applicationDidBecomeActive()
{
    if (CCDirector* director = CCDirector::currentDirector()) director->resume();
}

void CCDirectorLifeCycle::applicationDidEnterBackground()
{
    if (CCDirector* director = CCDirector::currentDirector()) director->stopAnimation();
}

void CCDirectorLifeCycle::applicationWillEnterForeground()
{
    if (CCDirector* director = CCDirector::currentDirector()) director->startAnimation();
}

void CCDirectorLifeCycle::applicationWillTerminate()
{
    if (CCDirector* director = CCDirector::currentDirector()) director->end();
}

void CCDirectorLifeCycle::applicationDidReceiveMemoryWarning()
{
    if (CCDirector* director = CCDirector::currentDirector()) director->purgeCachedData();
}

void CCDirectorLifeCycle::applicationSignificantTimeChange()
{
    if (CCDirector* director = CCDirector::currentDirector()) director->setNextDeltaTimeZero(true);
}

} // namespace mw
