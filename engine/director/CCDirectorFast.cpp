#include "engine/director/CCDirectorFast.h"

#include <chrono>
#include <thread>

#include "foundation/Clock.h"
#include "foundation/Log.h"
#include "foundation/RunLoop.h"

namespace mw {

namespace {

// How long a paused loop rests before each frame: paused frames come about
// four times a second, as with the other drivers' paused interval.
constexpr std::chrono::microseconds kPausedRest{250'000};

} // namespace

void CCDirectorFast::startAnimation()
{
    if (isRunning_) return; // one loop: a second would nest inside the first
    lastUpdate_ = Clock::monotonicSeconds();
    isRunning_ = true;
    // Through the shared director rather than `this`: the request may outlive
    // this director (purged before the run loop turns).
    RunLoop::performOnMain([] {
        auto* director = dynamic_cast<CCDirectorFast*>(CCDirector::currentDirector());
        if (director) director->mainLoop();
    });
}

void CCDirectorFast::setAnimationInterval(double)
{
    logLine("FastDirectory doesn't support setAnimationInterval, yet");
}

void CCDirectorFast::mainLoop()
{
    // A stop and a start within one round leave the running loop in charge;
    // the loop the start scheduled finds it here and leaves.
    if (looping_) return;
    looping_ = true;
    Ref<CCDirectorFast> keepAlive(this); // a frame may purge the shared director
    while (isRunning_) {
        runPendingWork();
        // Stopped meanwhile (the window closed, the director ended): no
        // frame after the end, which would tick a freshly made scheduler.
        if (!isRunning_) break;
        if (isPaused_) std::this_thread::sleep_for(kPausedRest);
        drawScene();
        runPendingWork();
    }
    looping_ = false;
}

void CCDirectorFast::runPendingWork()
{
    RunLoop& loop = RunLoop::main();
    while (loop.runOnce()) {
    }
}

} // namespace mw
