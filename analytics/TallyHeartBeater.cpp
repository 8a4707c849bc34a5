#include "analytics/TallyHeartBeater.h"

#include <mutex>

#include "foundation/NotificationCenter.h"

namespace mw {

namespace {

std::mutex gLock;
Ref<TallyHeartBeater>& shared()
{
    static Ref<TallyHeartBeater>* const beater = new Ref<TallyHeartBeater>();
    return *beater;
}

} // namespace

TallyHeartBeater* TallyHeartBeater::createAndStartInstance(double interval)
{
    std::lock_guard<std::mutex> guard(gLock);
    if (!shared()) {
        shared() = makeRef<TallyHeartBeater>();
        shared()->start(interval);
    }
    return shared().get();
}

TallyHeartBeater* TallyHeartBeater::instance()
{
    std::lock_guard<std::mutex> guard(gLock);
    return shared().get();
}

void TallyHeartBeater::purgeInstance()
{
    Ref<TallyHeartBeater> dropped;
    std::lock_guard<std::mutex> guard(gLock);
    dropped = std::move(shared());
}

TallyHeartBeater::~TallyHeartBeater()
{
    if (timer_) timer_->invalidate();
}

void TallyHeartBeater::start(double interval)
{
    if (timer_) timer_->invalidate();
    // The block does not retain the beater: the timer dies with it.
    timer_ = NSTimer::scheduledTimer(interval, true, [this](NSTimer*) { heartBeat(); });
}

void TallyHeartBeater::heartBeat()
{
    NotificationCenter::defaultCenter().postNotification(kNotificationName);
}

} // namespace mw
