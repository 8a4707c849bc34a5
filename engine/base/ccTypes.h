#pragma once

#include <cstdint>

namespace mw {

// Small value types passed around the engine. All are plain values copied by
// assignment; none owns memory.

// An opaque colour, 0..255 per channel.
struct ccColor3B {
    uint8_t r = 0, g = 0, b = 0;
    friend constexpr bool operator==(const ccColor3B&, const ccColor3B&) = default;
};

// A colour with alpha, as stored in vertex arrays.
struct ccColor4B {
    uint8_t r = 0, g = 0, b = 0, a = 0;
    friend constexpr bool operator==(const ccColor4B&, const ccColor4B&) = default;
};

// A colour with channels 0.0..1.0.
struct ccColor4F {
    float r = 0, g = 0, b = 0, a = 0;
    friend constexpr bool operator==(const ccColor4F&, const ccColor4F&) = default;
};

// Source and destination blend factors as OpenGL ES enumerants.
struct ccBlendFunc {
    uint32_t src = 0, dst = 0;
    friend constexpr bool operator==(const ccBlendFunc&, const ccBlendFunc&) = default;
};

// A texture coordinate, 0.0..1.0 across the texture.
struct ccTex2F {
    float u = 0, v = 0;
    friend constexpr bool operator==(const ccTex2F&, const ccTex2F&) = default;
};

// A 2D vertex in pixels.
struct ccVertex2F {
    float x = 0, y = 0;
    friend constexpr bool operator==(const ccVertex2F&, const ccVertex2F&) = default;
};

// A 3D vertex in pixels.
struct ccVertex3F {
    float x = 0, y = 0, z = 0;
    friend constexpr bool operator==(const ccVertex3F&, const ccVertex3F&) = default;
};

// One interleaved vertex of a textured, coloured 2D strip or fan (stride 20).
struct ccV2F_C4B_T2F {
    ccVertex2F vertices;
    ccColor4B colors;
    ccTex2F texCoords;
};
static_assert(sizeof(ccV2F_C4B_T2F) == 20, "GL reads this record with a stride of 20 bytes");

// Columns and rows of a grid effect.
struct ccGridSize {
    int32_t x = 0, y = 0;
    friend constexpr bool operator==(const ccGridSize&, const ccGridSize&) = default;
};

inline constexpr ccColor3B ccc3(uint8_t r, uint8_t g, uint8_t b) { return {r, g, b}; }
inline constexpr ccColor4B ccc4(uint8_t r, uint8_t g, uint8_t b, uint8_t a) { return {r, g, b, a}; }
inline constexpr ccColor4F ccc4f(float r, float g, float b, float a) { return {r, g, b, a}; }
inline constexpr ccColor4F ccc4FFromccc4B(ccColor4B c)
{
    return {c.r / 255.f, c.g / 255.f, c.b / 255.f, c.a / 255.f};
}
inline constexpr ccGridSize ccg(int32_t x, int32_t y) { return {x, y}; }
inline constexpr ccVertex3F vertex3(float x, float y, float z) { return {x, y, z}; }
inline constexpr ccTex2F tex2(float u, float v) { return {u, v}; }

inline constexpr ccColor3B ccWHITE{255, 255, 255};
inline constexpr ccColor3B ccBLACK{0, 0, 0};

// Blend factors (the GL enumerant values, so this header needs no GL header).
inline constexpr uint32_t CC_GL_ONE = 1;
inline constexpr uint32_t CC_GL_SRC_ALPHA = 0x0302;
inline constexpr uint32_t CC_GL_ONE_MINUS_SRC_ALPHA = 0x0303;

// Premultiplied alpha: the pair every textured node starts with.
inline constexpr ccBlendFunc kCCBlendFuncDefault{CC_GL_ONE, CC_GL_ONE_MINUS_SRC_ALPHA};
// A translucent, untextured colour (or a texture without premultiplied alpha).
inline constexpr ccBlendFunc kCCBlendFuncAlpha{CC_GL_SRC_ALPHA, CC_GL_ONE_MINUS_SRC_ALPHA};

} // namespace mw
