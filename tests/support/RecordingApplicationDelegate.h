#pragma once

#include <string>
#include <vector>

#include "platform/ApplicationDelegate.h"

namespace mw::test {

// An application delegate that lists the life-cycle events it receives, in
// order: "resign", "active", "background", "foreground", "terminate",
// "memory", "time". Tests derive from it to record more.
class RecordingApplicationDelegate : public ApplicationDelegate {
public:
    void applicationWillResignActive() override { calls.push_back("resign"); }
    void applicationDidBecomeActive() override { calls.push_back("active"); }
    void applicationDidEnterBackground() override { calls.push_back("background"); }
    void applicationWillEnterForeground() override { calls.push_back("foreground"); }
    void applicationWillTerminate() override { calls.push_back("terminate"); }
    void applicationDidReceiveMemoryWarning() override { calls.push_back("memory"); }
    void applicationSignificantTimeChange() override { calls.push_back("time"); }
    std::vector<std::string> calls;
};

} // namespace mw::test
