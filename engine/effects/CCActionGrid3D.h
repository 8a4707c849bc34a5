// The effects on a continuous mesh: waves, lens, ripple, shaking, liquid,
// twirl, the two flips and the page curl. Each computes the mesh for a
// progress t from the original vertices (the shaker also from the random
// sequence). Coordinates are pixels of the grid's texture.

#pragma once

#include <cstdint>

#include "engine/effects/CCActionGrid.h"
#include "foundation/Geometry.h"

namespace mw {

// Effects with an amplitude and a rate (1 at first) that scales it.
using CCAmplitudeEffect = CCAmplitudeEffectOn<CCGrid3DAction>;

// Lifts every vertex along z by a sine of x + y travelling `waves` times.
class CCWaves3D : public CCAmplitudeEffect {
public:
    CCWaves3D(int32_t waves, float amplitude, ccGridSize gridSize, float duration)
        : CCAmplitudeEffect(gridSize, duration, amplitude), waves_(waves)
    {
    }
    static Ref<CCWaves3D> actionWithWaves(int32_t waves, float amplitude, ccGridSize gridSize, float duration)
    {
        return makeRef<CCWaves3D>(waves, amplitude, gridSize, duration);
    }
    Ref<CCAction> copy() const override;
    void update(float t) override;

private:
    int32_t waves_;
};

// Turns the whole picture about its vertical axis; a 1 x 1 grid only.
class CCFlipX3D : public CCGrid3DAction {
public:
    explicit CCFlipX3D(float duration) : CCGrid3DAction({1, 1}, duration) {}
    // Throws std::logic_error "FlipX3D: Grid size must be (1,1)" for any other size.
    CCFlipX3D(ccGridSize gridSize, float duration);
    static Ref<CCFlipX3D> actionWithDuration(float duration) { return makeRef<CCFlipX3D>(duration); }
    Ref<CCAction> copy() const override { return makeRef<CCFlipX3D>(duration_); }
    void update(float t) override;
};

// Turns the whole picture about its horizontal axis; a 1 x 1 grid only.
class CCFlipY3D : public CCFlipX3D {
public:
    using CCFlipX3D::CCFlipX3D;
    static Ref<CCFlipY3D> actionWithDuration(float duration) { return makeRef<CCFlipY3D>(duration); }
    Ref<CCAction> copy() const override { return makeRef<CCFlipY3D>(duration_); }
    void update(float t) override;
};

// A lens that bulges the picture around a point (in points). It computes the
// mesh only after its position changed (and at its first update).
class CCLens3D : public CCGrid3DAction {
public:
    CCLens3D(CGPoint position, float radius, ccGridSize gridSize, float duration);
    static Ref<CCLens3D> actionWithPosition(CGPoint position, float radius, ccGridSize gridSize, float duration)
    {
        return makeRef<CCLens3D>(position, radius, gridSize, duration);
    }
    CGPoint position() const { return position_; }
    // The same point again changes nothing; another one marks the lens for a new pass.
    void setPosition(CGPoint position);
    float lensEffect() const { return lensEffect_; }
    // Takes effect at the next pass.
    void setLensEffect(float effect) { lensEffect_ = effect; }
    Ref<CCAction> copy() const override;
    void update(float t) override;

private:
    CGPoint position_{-1, -1};
    CGPoint positionInPixels_{-1, -1};
    float radius_;
    float lensEffect_ = 0.7f;
    bool dirty_ = true;
};

// Rings of waves spreading from a point (in points), fading out at the radius.
class CCRipple3D : public CCAmplitudeEffect {
public:
    CCRipple3D(CGPoint position, float radius, int32_t waves, float amplitude, ccGridSize gridSize,
               float duration);
    static Ref<CCRipple3D> actionWithPosition(CGPoint position, float radius, int32_t waves, float amplitude,
                                              ccGridSize gridSize, float duration)
    {
        return makeRef<CCRipple3D>(position, radius, waves, amplitude, gridSize, duration);
    }
    CGPoint position() const { return position_; }
    void setPosition(CGPoint position);
    Ref<CCAction> copy() const override;
    void update(float t) override;

private:
    CGPoint position_{};
    CGPoint positionInPixels_{};
    float radius_;
    int32_t waves_;
};

// Moves every vertex by random whole pixels in -range ... range - 1 at every update.
class CCShaky3D : public CCGrid3DAction {
public:
    // A range of 0 leaves the mesh as it is; a negative range shakes as its size.
    CCShaky3D(int32_t range, bool shakeZ, ccGridSize gridSize, float duration)
        : CCGrid3DAction(gridSize, duration), range_(range), shakeZ_(shakeZ)
    {
    }
    static Ref<CCShaky3D> actionWithRange(int32_t range, bool shakeZ, ccGridSize gridSize, float duration)
    {
        return makeRef<CCShaky3D>(range, shakeZ, gridSize, duration);
    }
    Ref<CCAction> copy() const override;
    void update(float t) override;

private:
    int32_t range_;
    bool shakeZ_;
};

// Sways the inner vertices in x and y like a liquid surface; the border stays.
class CCLiquid : public CCAmplitudeEffect {
public:
    CCLiquid(int32_t waves, float amplitude, ccGridSize gridSize, float duration)
        : CCAmplitudeEffect(gridSize, duration, amplitude), waves_(waves)
    {
    }
    static Ref<CCLiquid> actionWithWaves(int32_t waves, float amplitude, ccGridSize gridSize, float duration)
    {
        return makeRef<CCLiquid>(waves, amplitude, gridSize, duration);
    }
    Ref<CCAction> copy() const override;
    void update(float t) override;

private:
    int32_t waves_;
};

// Waves across the picture: vertically moves x by a sine of y, horizontally y by a sine of x.
class CCWaves : public CCAmplitudeEffect {
public:
    CCWaves(int32_t waves, float amplitude, bool horizontal, bool vertical, ccGridSize gridSize, float duration)
        : CCAmplitudeEffect(gridSize, duration, amplitude), waves_(waves), vertical_(vertical),
          horizontal_(horizontal)
    {
    }
    static Ref<CCWaves> actionWithWaves(int32_t waves, float amplitude, bool horizontal, bool vertical,
                                        ccGridSize gridSize, float duration)
    {
        return makeRef<CCWaves>(waves, amplitude, horizontal, vertical, gridSize, duration);
    }
    Ref<CCAction> copy() const override;
    void update(float t) override;

private:
    int32_t waves_;
    bool vertical_;
    bool horizontal_;
};

// Twists the picture around a point (in points), more the farther a vertex is from the grid's centre.
class CCTwirl : public CCAmplitudeEffect {
public:
    CCTwirl(CGPoint position, int32_t twirls, float amplitude, ccGridSize gridSize, float duration);
    static Ref<CCTwirl> actionWithPosition(CGPoint position, int32_t twirls, float amplitude, ccGridSize gridSize,
                                           float duration)
    {
        return makeRef<CCTwirl>(position, twirls, amplitude, gridSize, duration);
    }
    CGPoint position() const { return position_; }
    void setPosition(CGPoint position);
    Ref<CCAction> copy() const override;
    void update(float t) override;

private:
    CGPoint position_{};
    CGPoint positionInPixels_{};
    int32_t twirls_;
};

// Curls the picture away like a page turned from its bottom-right corner.
class CCPageTurn3D : public CCGrid3DAction {
public:
    using CCGrid3DAction::CCGrid3DAction;
    static Ref<CCPageTurn3D> actionWithSize(ccGridSize gridSize, float duration)
    {
        return makeRef<CCPageTurn3D>(gridSize, duration);
    }
    Ref<CCAction> copy() const override { return makeRef<CCPageTurn3D>(gridSize_, duration_); }
    void update(float t) override;
};

} // namespace mw
