#pragma once

#include <cstdint>

#include "engine/nodes/CCNode.h"
#include "foundation/Ref.h"

namespace mw {

// A tooltip bubble. This least version shows what a resource is (its name
// from the string table); the village's widgets add the other kinds.
class CCTooltip : public CCNode {
public:
    // The resource's name key is the profile's EnumResNames entry of it.
    static Ref<CCTooltip> tooltipWithResource(int32_t resource);
    int32_t resource() const { return resource_; }
    // NO: fades and shrinks in 0.1 s, then removes itself from its parent.
    void ChangeVisible(bool visible);

private:
    int32_t resource_ = 0;
};

} // namespace mw
