#pragma once

#include "engine/base/ccTypes.h"

namespace mw {

// A node whose drawing blends with what is beneath by a pair of factors it
// carries (colour layers, sprites, particle systems).
class CCBlendProtocol {
public:
    virtual ~CCBlendProtocol() = default;

    virtual ccBlendFunc blendFunc() const = 0;
    virtual void setBlendFunc(ccBlendFunc blendFunc) = 0;
};

} // namespace mw
