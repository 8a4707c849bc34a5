#pragma once

// A recording audio session: tests choose whether other audio plays, the
// route, and how many activations fail, and read back what was asked.

#include <memory>
#include <string>
#include <vector>

#include "platform/AVAudioSession.h"

namespace mw::test {

class FakeAudioSession : public AVAudioSession {
public:
    bool setCategory(const std::string& category) override
    {
        categories.push_back(category);
        return true;
    }
    bool setActive(bool active) override
    {
        activations.push_back(active);
        if (active && failingActivations > 0) {
            --failingActivations;
            return false;
        }
        return true;
    }
    bool isOtherAudioPlaying() override { return otherAudioPlaying; }
    std::string audioRoute() override { return route; }

    bool otherAudioPlaying = false;
    std::string route = "Speaker";
    int failingActivations = 0; // the next this many setActive(true) fail
    std::vector<std::string> categories;
    std::vector<bool> activations;
};

// Installs a fake session for the scope, then the previous one again.
class ScopedFakeAudioSession {
public:
    ScopedFakeAudioSession()
        : session(std::make_shared<FakeAudioSession>()),
          previous_(AVAudioSession::replaceSharedInstance(session))
    {
    }
    ~ScopedFakeAudioSession() { AVAudioSession::replaceSharedInstance(previous_); }
    ScopedFakeAudioSession(const ScopedFakeAudioSession&) = delete;
    ScopedFakeAudioSession& operator=(const ScopedFakeAudioSession&) = delete;

    FakeAudioSession* operator->() const { return session.get(); }
    std::shared_ptr<FakeAudioSession> session;

private:
    std::shared_ptr<AVAudioSession> previous_;
};

} // namespace mw::test
