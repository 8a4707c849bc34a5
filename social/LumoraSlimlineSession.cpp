#include "social/LumoraSlimlineSession.h"

#include <mutex>

#include "foundation/Format.h"

namespace mw {

namespace {

struct State {
    std::mutex mutex;
    std::vector<std::string> calls;
    bool pullTabShown = false;
};

State& state()
{
    static State s;
    return s;
}

void record(std::string call)
{
    std::lock_guard<std::mutex> guard(state().mutex);
    state().calls.push_back(std::move(call));
}

} // namespace

void LumoraSlimlineSession::initWithAppID(const std::string& appID, LumoraSlimlineSessionDelegate*, double version,
                                          const std::string& theme, const std::string& secretKey)
{
    record(format("initWithAppID %@ %g %@ %@", appID.c_str(), version, theme.c_str(), secretKey.c_str()));
}

void LumoraSlimlineSession::lockToOrientationList(const std::vector<int>& orientations)
{
    std::string list;
    for (int orientation : orientations) list += (list.empty() ? "" : ",") + std::to_string(orientation);
    record("lockToOrientationList " + list);
}

void LumoraSlimlineSession::willRotateToInterfaceOrientation(int orientation, double durationSeconds)
{
    record(format("willRotateToInterfaceOrientation %d %g", orientation, durationSeconds));
}

void LumoraSlimlineSession::didRotateFromInterfaceOrientation(int previousOrientation)
{
    record(format("didRotateFromInterfaceOrientation %d", previousOrientation));
}

bool LumoraSlimlineSession::isPullTabShown()
{
    std::lock_guard<std::mutex> guard(state().mutex);
    return state().pullTabShown;
}

void LumoraSlimlineSession::setPullTabShown(bool shown)
{
    std::lock_guard<std::mutex> guard(state().mutex);
    state().pullTabShown = shown;
}

void LumoraSlimlineSession::activateLumoraUI()
{
    record("activateLumoraUI");
    setPullTabShown(true);
}

void LumoraSlimlineSession::deactivateLumoraUI()
{
    record("deactivateLumoraUI");
    setPullTabShown(false);
}

void LumoraSlimlineSession::closeLumoraSession()
{
    record("closeLumoraSession");
}

std::vector<std::string> LumoraSlimlineSession::recordedCalls()
{
    std::lock_guard<std::mutex> guard(state().mutex);
    return state().calls;
}

void LumoraSlimlineSession::reset()
{
    std::lock_guard<std::mutex> guard(state().mutex);
    state().calls.clear();
    state().pullTabShown = false;
}

} // namespace mw
