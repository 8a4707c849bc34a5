#include "analytics/TallyAnalytics.h"

#include <mutex>

namespace mw {

namespace {

struct Record {
    std::mutex lock;
    std::vector<TallyAnalytics::Event> events;
};

Record& record()
{
    static Record shared;
    return shared;
}

} // namespace

void TallyAnalytics::logEvent(const std::string& name, const Parameters& parameters)
{
    Record& shared = record();
    std::lock_guard<std::mutex> guard(shared.lock);
    shared.events.push_back({name, parameters});
}

std::vector<TallyAnalytics::Event> TallyAnalytics::recordedEvents()
{
    Record& shared = record();
    std::lock_guard<std::mutex> guard(shared.lock);
    return shared.events;
}

void TallyAnalytics::clearRecordedEvents()
{
    Record& shared = record();
    std::lock_guard<std::mutex> guard(shared.lock);
    shared.events.clear();
}

} // namespace mw
