#pragma once

#include <string>
#include <vector>

#include "social/session/LumoraSlimlineSession.h"

namespace mw::test {

// Collects the public social session operations the game calls, as
// "operation arguments", while it lives (one at a time).
class RecordingSessionCalls {
public:
    RecordingSessionCalls()
    {
        LumoraSlimlineSession::setCallObserver([this](const std::string& call) { calls_.push_back(call); });
    }
    ~RecordingSessionCalls() { LumoraSlimlineSession::setCallObserver(nullptr); }
    RecordingSessionCalls(const RecordingSessionCalls&) = delete;
    RecordingSessionCalls& operator=(const RecordingSessionCalls&) = delete;

    const std::vector<std::string>& calls() const { return calls_; }
    void clear() { calls_.clear(); }

private:
    std::vector<std::string> calls_;
};

} // namespace mw::test
