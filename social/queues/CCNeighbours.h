#pragma once

#include <string>
#include <vector>

#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "social/queues/CCAsyncPostManager.h"
#include "social/queues/CCFetchManager.h"
#include "social/queues/CCGameCenterPostManager.h"
#include "social/queues/records/CCAbstractServerData.h"

namespace mw {

// A trace of the calls between the session and its neighbours (telemetry
// hooks, game-centre requests, the pull tab), in call order, so that tests
// see what the session asked and when. Nothing is kept until a test starts
// a trace (clearNeighbourCalls empties it and starts it). Any thread.
void noteNeighbourCall(std::string call);
std::vector<std::string> neighbourCalls();
void clearNeighbourCalls();
void stopNeighbourCallTrace();

} // namespace mw
