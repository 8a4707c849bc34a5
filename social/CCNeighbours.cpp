#include "social/CCNeighbours.h"

#include <mutex>

#include "foundation/Shared.h"

namespace mw {

namespace {

struct CallList {
    std::mutex lock;
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
    callList().calls.push_back(std::move(call));
}

std::vector<std::string> neighbourCalls()
{
    std::lock_guard guard(callList().lock);
    return callList().calls;
}

void clearNeighbourCalls()
{
    std::lock_guard guard(callList().lock);
    callList().calls.clear();
}

CCFetchManager* CCFetchManager::sharedInstance() { return Shared<CCFetchManager>::get(); }

void CCFetchManager::releaseSharedInstance() { Shared<CCFetchManager>::purge(); }

} // namespace mw
