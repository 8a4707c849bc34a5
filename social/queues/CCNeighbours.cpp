#include "social/queues/CCNeighbours.h"

#include <mutex>


namespace mw {

namespace {

struct CallList {
    std::mutex lock;
    bool tracing = false;
    std::vector<std::string> calls;
};

CallList& callList()
{
    static CallList* const list = new CallList();
    return *list;
}

} // namespace

void noteNeighbourCall(std::string call)
{
    std::lock_guard guard(callList().lock);
    if (callList().tracing) callList().calls.push_back(std::move(call));
}

std::vector<std::string> neighbourCalls()
{
    std::lock_guard guard(callList().lock);
    return callList().calls;
}

void clearNeighbourCalls()
{
    std::lock_guard guard(callList().lock);
    callList().tracing = true;
    callList().calls.clear();
}

void stopNeighbourCallTrace()
{
    std::lock_guard guard(callList().lock);
    callList().tracing = false;
    callList().calls.clear();
}

} // namespace mw
