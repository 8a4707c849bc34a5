#include "game/state/SessionReturnPoint.h"

#include <optional>
#include <string>

#include "foundation/Log.h"
#include "foundation/Value.h"
#include "game/state/Profile.h"
#include "game/state/SaveFile.h"

namespace mw {
namespace {

struct Mark {
    std::optional<Value> state;
    int32_t goldBought = 0;
};

Mark& mark_()
{
    static Mark held;
    return held;
}

} // namespace

bool SessionReturnPoint::mark()
{
    Mark& m = mark_();
    m = Mark{};
    std::string error;
    Value state = Profile::sharedInstance()->TakeSnapshot().toDictionary(&error);
    if (!state.isDict()) {
        logLine("SessionReturnPoint: cannot take the session's start state: %s", error.c_str());
        return false;
    }
    m.state = std::move(state);
    return true;
}

void SessionReturnPoint::clear()
{
    mark_() = Mark{};
}

bool SessionReturnPoint::held()
{
    return mark_().state.has_value();
}

void SessionReturnPoint::noteGoldBought(int32_t gold)
{
    if (held()) mark_().goldBought += gold;
}

int32_t SessionReturnPoint::goldBought()
{
    return mark_().goldBought;
}

bool SessionReturnPoint::restore()
{
    Mark& m = mark_();
    if (!m.state) return false;
    Profile* profile = Profile::sharedInstance();
    if (!profile->LoadFrom(*m.state)) {
        logLine("SessionReturnPoint: the session's start state does not load back");
        clear();
        return false;
    }
    profile->GoldCount += m.goldBought;
    profile->GoldEarned += m.goldBought;
    clear();
    // The file may hold a mid-session state (a purchase saved it): write the
    // state returned to, so a later launch starts from it too.
    (void)profile->SaveData();
    return true;
}

} // namespace mw
