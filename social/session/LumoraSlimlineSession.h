#pragma once

#include <functional>
#include <string>
#include <vector>

#include "foundation/Value.h"

namespace mw {

// What the game passes as the session's delegate. It declares nothing: the
// social client never calls back into the game.
class LumoraSlimlineSessionDelegate {
public:
    virtual ~LumoraSlimlineSessionDelegate() = default;
};

// The game's only way into the social service: class operations, no
// instances. Each writes its trace line ("--> ...", while the public trace
// switch is on) and forwards to the session core. Main thread.
class LumoraSlimlineSession {
public:
    // Makes the session (store, user id), activates it and turns on
    // telemetry posting. The delegate is not owned and never called.
    static void initWithAppID(const std::string& appID, LumoraSlimlineSessionDelegate* delegate, double version,
                              const std::string& theme, const std::string& secretKey);
    // Leaves every state in place.
    static void closeLumoraSession();
    // The program's end, once the application has terminated: every screen
    // of the client and then its shared instances go, each before the ones
    // it uses; the data store last, written. The next use starts afresh.
    static void endSocialClient();
    // Public setting 1 is the trace switch ("YES" off, anything else on);
    // other numbers are dropped.
    static void activateLumoraSetting(int setting, const Value& value);
    static int mapSlimlineSettingToPrivateSetting(int setting);
    static void lockToOrientation(int orientation);
    static void lockToOrientationList(const std::vector<int>& orientations);
    // The pull tab at the bottom edge, open.
    static void activateLumoraUI();
    // "bottom" or "top"; any other edge is logged and ignored.
    static void activateLumoraUIFromScreenEdge(const std::string& edge);
    // Edges 0 bottom, 1 right, 2 top, 3 left.
    static void activateLumoraPullTabUIFromScreenEdge(int screenEdge);
    static void activateLumoraPullTabUIFromScreenEdge(int screenEdge, bool closed);
    static void deactivateLumoraUI();
    static bool isLumoraUIActive();
    static void willRotateToInterfaceOrientation(int orientation, double durationSeconds);
    static void didRotateFromInterfaceOrientation(int previousOrientation);

    // Tests: hears every operation as "operation arguments" (the hook that
    // also writes the trace lines); an empty observer stops it.
    using CallObserver = std::function<void(const std::string& call)>;
    static void setCallObserver(CallObserver observer);
};

} // namespace mw
