#include "engine/director/CCDirectorFastThreaded.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "foundation/Clock.h"
#include "foundation/Log.h"
#include "foundation/RunLoop.h"

namespace mw {

namespace {

// How long the pacing thread rests after a paused frame: paused frames come
// about four times a second, as with the other drivers' paused interval.
constexpr std::chrono::microseconds kPausedRest{250'000};

} // namespace

// What the director and its pacing thread share, under the mutex. The
// thread waits on `changed` only for conditions that quitting also ends, so
// ending never waits for a frame and a frame never waits for the thread.
struct CCDirectorFastThreaded::Pacing {
    std::mutex mutex;
    std::condition_variable changed;
    bool running = false;   // frames wanted
    bool quit = false;      // the thread must end
    bool frameDone = false; // the frame last requested has been handled
    bool paused = false;    // the director's pause, as the last frame found it
    // Used on the main thread only; null once the thread is told to end, so
    // a frame still queued in the run loop draws nothing.
    CCDirectorFastThreaded* director = nullptr;
};

CCDirectorFastThreaded::CCDirectorFastThreaded() : pacing_(std::make_shared<Pacing>())
{
    pacing_->director = this;
}

CCDirectorFastThreaded::~CCDirectorFastThreaded()
{
    endPacingThread();
}

void CCDirectorFastThreaded::startAnimation()
{
    lastUpdate_ = Clock::monotonicSeconds();
    if (!pacer_.joinable()) {
        if (pacing_->quit) { // ended before: a fresh record for a fresh thread
            pacing_ = std::make_shared<Pacing>();
            pacing_->director = this;
        }
        pacer_ = std::thread(&CCDirectorFastThreaded::mainLoop, pacing_);
    }
    {
        std::lock_guard<std::mutex> lock(pacing_->mutex);
        pacing_->running = true;
    }
    pacing_->changed.notify_all();
}

void CCDirectorFastThreaded::stopAnimation()
{
    std::lock_guard<std::mutex> lock(pacing_->mutex);
    pacing_->running = false;
}

bool CCDirectorFastThreaded::isRunning() const
{
    std::lock_guard<std::mutex> lock(pacing_->mutex);
    return pacing_->running;
}

void CCDirectorFastThreaded::setAnimationInterval(double)
{
    logLine("FastDirector doesn't support setAnimationInterval, yet");
}

void CCDirectorFastThreaded::end()
{
    CCDirectorIOS::end();
    endPacingThread();
}

void CCDirectorFastThreaded::endPacingThread()
{
    {
        std::lock_guard<std::mutex> lock(pacing_->mutex);
        pacing_->quit = true;
        pacing_->running = false;
        pacing_->director = nullptr;
    }
    pacing_->changed.notify_all();
    if (pacer_.joinable()) pacer_.join();
}

// The pacing thread: while running, hand a frame to the main thread and wait
// until it is drawn; after a paused frame, rest; while stopped, sleep until
// started or told to end.
void CCDirectorFastThreaded::mainLoop(std::shared_ptr<Pacing> pacing)
{
    std::unique_lock<std::mutex> lock(pacing->mutex);
    while (true) {
        pacing->changed.wait(lock, [&] { return pacing->running || pacing->quit; });
        if (pacing->quit) return;
        pacing->frameDone = false;
        lock.unlock();
        RunLoop::performOnMain([pacing] { drawFrame(pacing); });
        lock.lock();
        pacing->changed.wait(lock, [&] { return pacing->frameDone || pacing->quit; });
        if (pacing->quit) return;
        if (pacing->paused) pacing->changed.wait_for(lock, kPausedRest, [&] { return pacing->quit; });
    }
}

// One frame, on the main thread: drawn only while the driver runs, then
// reported to the pacing thread with the director's pause.
void CCDirectorFastThreaded::drawFrame(const std::shared_ptr<Pacing>& pacing)
{
    Ref<CCDirectorFastThreaded> director;
    {
        std::lock_guard<std::mutex> lock(pacing->mutex);
        if (pacing->running && !pacing->quit) director = pacing->director;
    }
    // Unlocked: the frame may stop, end or release the director.
    if (director) director->drawScene();
    {
        std::lock_guard<std::mutex> lock(pacing->mutex);
        pacing->paused = pacing->director && pacing->director->isPaused();
        pacing->frameDone = true;
    }
    pacing->changed.notify_all();
}

} // namespace mw
