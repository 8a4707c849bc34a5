#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "social/CCFetchManager.h"
#include "social/records/CCAbstractServerData.h"

namespace mw {

// A trace of the calls between the session and its neighbours (telemetry
// hooks, game-centre requests, the pull tab), in call order, so that tests
// see what the session asked and when. Nothing is kept until a test starts
// a trace (clearNeighbourCalls empties it and starts it). Any thread.
void noteNeighbourCall(std::string call);
std::vector<std::string> neighbourCalls();
void clearNeighbourCalls();
void stopNeighbourCallTrace();

// The queue of posts to the service ("postManager"), and the game centre's
// queue ("gcPostManager"), recorded under their names.
class CCAsyncPostManager : public Object {
public:
    explicit CCAsyncPostManager(std::string name = "postManager") : name_(std::move(name)) {}
    void startPosting() { noteNeighbourCall(name_ + " startPosting"); }
    void retryAllPosts() { noteNeighbourCall(name_ + " retryAllPosts"); }

private:
    std::string name_;
};

} // namespace mw
