#pragma once

#include <chrono>

namespace mw {

// Keeps the window's loop at the screen's refresh rate. With vsync the
// buffer swap has already waited for the refresh and the pacer finds it due;
// without vsync (some X servers, a virtual display) it sleeps until the next
// refresh of a 60 Hz timer. A loop that falls a whole refresh behind starts
// counting again from now instead of hurrying to catch up.
class RefreshPacer {
public:
    explicit RefreshPacer(double refreshSeconds = 1.0 / 60);

    // Sleeps until the next refresh is due.
    void waitForNextRefresh();

private:
    using Clock = std::chrono::steady_clock;
    Clock::duration period_;
    Clock::time_point next_;
};

} // namespace mw
