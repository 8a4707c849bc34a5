#pragma once

#include <map>
#include <string>
#include <vector>

namespace mw {

// The game's way into the analytics client: named events with string
// parameters. Events are recorded in memory in the order they were logged;
// the client that stores and uploads them builds on this record.
class TallyAnalytics {
public:
    using Parameters = std::map<std::string, std::string>;

    struct Event {
        std::string name;
        Parameters parameters;
    };

    // Records one event. Safe from any thread.
    static void logEvent(const std::string& name, const Parameters& parameters);

    // A copy of the events recorded so far, oldest first.
    static std::vector<Event> recordedEvents();
    // Forgets the recorded events (tests start from an empty record).
    static void clearRecordedEvents();
};

} // namespace mw
