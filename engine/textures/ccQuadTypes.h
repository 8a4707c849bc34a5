#pragma once

#include "engine/base/ccTypes.h"

namespace mw {

// One corner of a textured quad: position in pixels of the node's space,
// colour, and texture coordinates with v growing downwards (v 0 is the
// image's top row). GL reads it with a stride of 24 bytes.
struct ccV3F_C4B_T2F {
    ccVertex3F vertices;
    ccColor4B colors;
    ccTex2F texCoords;
};
static_assert(sizeof(ccV3F_C4B_T2F) == 24, "GL reads quad corners with a stride of 24 bytes");

// The record every textured rectangle writes: corners in the order top-left,
// bottom-left, top-right, bottom-right (the index layout depends on it).
struct ccV3F_C4B_T2F_Quad {
    ccV3F_C4B_T2F tl;
    ccV3F_C4B_T2F bl;
    ccV3F_C4B_T2F tr;
    ccV3F_C4B_T2F br;
};
static_assert(sizeof(ccV3F_C4B_T2F_Quad) == 96, "quads are uploaded as 96-byte records");

} // namespace mw
