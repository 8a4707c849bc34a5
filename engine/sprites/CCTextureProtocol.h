#pragma once

#include "engine/base/CCBlendProtocol.h"

namespace mw {

class CCTexture2D;

// A node that draws with one texture and a blend function (sprites, sprite
// batches, atlas nodes).
class CCTextureProtocol : public CCBlendProtocol {
public:
    // The texture drawn; the node holds a reference to it.
    virtual CCTexture2D* texture() const = 0;
    virtual void setTexture(CCTexture2D* texture) = 0;
};

} // namespace mw
