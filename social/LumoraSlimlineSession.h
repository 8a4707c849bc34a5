#pragma once

#include <string>
#include <vector>

namespace mw {

// Hears the social session's events; the game implements none yet.
class LumoraSlimlineSessionDelegate {
public:
    virtual ~LumoraSlimlineSessionDelegate() = default;
};

// The game's way into the social service, as far as the game calls it so far:
// starting the session, the orientations its screens may take, rotations,
// and whether its pull tab shows. Until the client behind it arrives, every
// call is recorded (tests read them back) and nothing goes to the network.
// Main thread.
class LumoraSlimlineSession {
public:
    static void initWithAppID(const std::string& appID, LumoraSlimlineSessionDelegate* delegate, double version,
                              const std::string& theme, const std::string& secretKey);
    static void lockToOrientationList(const std::vector<int>& orientations);
    static void willRotateToInterfaceOrientation(int orientation, double durationSeconds);
    static void didRotateFromInterfaceOrientation(int previousOrientation);
    static bool isPullTabShown();
    static void setPullTabShown(bool shown);
    // The pull tab at the bottom edge: shown, taken off (nothing when it is
    // not shown), and whether it is shown.
    static void activateLumoraUI();
    static void deactivateLumoraUI();
    static bool isLumoraUIActive() { return isPullTabShown(); }
    // Ends the session; nothing visible changes.
    static void closeLumoraSession();

    // Each call as "operation arguments", oldest first; and forgetting them.
    static std::vector<std::string> recordedCalls();
    static void reset();
};

} // namespace mw
