#include "engine/director/RefreshPacer.h"

#include <thread>

namespace mw {

RefreshPacer::RefreshPacer(double refreshSeconds)
    : period_(std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(refreshSeconds))),
      next_(Clock::now() + period_)
{
}

void RefreshPacer::waitForNextRefresh()
{
    const Clock::time_point now = Clock::now();
    if (now >= next_ + period_) {
        next_ = now + period_; // a whole refresh late: no burst of catch-up frames
        return;
    }
    if (now < next_) std::this_thread::sleep_until(next_);
    next_ += period_;
}

} // namespace mw
