#pragma once

#include <vector>

#include "audio/CDAudioInterruptProtocol.h"
#include "foundation/Ref.h"

namespace mw {

// Audio objects muted and enabled together. The group retains its members.
class CDAudioInterruptTargetGroup : public CDAudioInterruptProtocol {
public:
    CDAudioInterruptTargetGroup();

    // Gives the target the group's current mute and enable values, then keeps
    // it. Null is ignored.
    void addAudioInterruptTarget(CDAudioInterruptProtocol* target);
    // Takes out that very object (every time it was added).
    void removeAudioInterruptTarget(CDAudioInterruptProtocol* target);

    // A change is passed on to every member.
    bool mute() const override { return mute_; }
    void setMute(bool mute) override;
    bool enabled() const override { return enabled_; }
    void setEnabled(bool enabled) override;

private:
    std::vector<Ref<CDAudioInterruptProtocol>> children_;
    bool mute_ = false;
    bool enabled_ = true;
};

} // namespace mw
