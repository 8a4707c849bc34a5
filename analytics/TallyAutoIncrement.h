#pragma once

#include <cstdint>
#include <map>

namespace mw {

// The analytics client's running numbers, one counter per key: key 1 numbers
// a session's error entries, key 2 its events. Used on the main thread only.
class TallyAutoIncrement {
public:
    static constexpr int kErrorCounter = 1;
    static constexpr int kEventCounter = 2;

    // The shared counters, made on first use.
    static TallyAutoIncrement& instance();
    // Drops the shared counters (tests; the next instance() starts afresh).
    static void purgeSharedInstance();

    // The key's next value: 1 the first time, one more on each later call.
    int32_t nextCountFor(int key);
    // Forgets every key, so each numbering starts again at 1 (a new session
    // replaced a paused one).
    void resetAll() { counters_.clear(); }

    const std::map<int, int32_t>& counters() const { return counters_; }
    void setCounters(std::map<int, int32_t> counters) { counters_ = std::move(counters); }

private:
    std::map<int, int32_t> counters_;
};

} // namespace mw
