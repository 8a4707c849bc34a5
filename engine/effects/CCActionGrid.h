// The grid actions' bases, the amplitude wrappers, and the two instant
// actions that mark a grid for reuse and switch it off.

#pragma once

#include <cstdint>

#include "engine/actions/CCActionInstant.h"
#include "engine/base/ccTypes.h"
#include "engine/effects/CCGridBase.h"
#include "engine/nodes/CCAction.h"

namespace mw {

class CCGrid3D;
class CCTiledGrid3D;

// An effect whose strength the amplitude wrappers scale over time.
class CCAmplitudeProtocol {
public:
    virtual ~CCAmplitudeProtocol() = default;
    virtual float amplitudeRate() const = 0;
    virtual void setAmplitudeRate(float rate) = 0;
};

// An interval action that distorts its target through a grid. Starting it
// gives the target a new grid of the action's kind and size, or takes over
// the target's active grid when that one was marked for reuse. Every update
// writes the current mesh from the original one. The grid stays on the node
// when the action ends.
class CCGridAction : public CCActionInterval {
public:
    CCGridAction(ccGridSize gridSize, float duration) : CCActionInterval(duration), gridSize_(gridSize) {}

    ccGridSize gridSize() const { return gridSize_; }
    void setGridSize(ccGridSize gridSize) { gridSize_ = gridSize; }

    // A new grid of the action's kind and size; null when no texture could be made.
    virtual Ref<CCGridBase> grid() const = 0;

    // Throws std::logic_error "GridBase: Cannot reuse grid" when the target's
    // grid is marked for reuse but is inactive, of another size or of another
    // mesh kind (a programming fault). Logs and runs without a grid when no
    // grid could be made.
    void startWithTarget(CCNode* target) override;
    // A CCReverseTime around a copy of this action.
    Ref<CCFiniteTimeAction> reverse() const override;

protected:
    // Whether the grid is of the mesh kind this action draws on.
    virtual bool isOwnKind(const CCGridBase& grid) const = 0;

    ccGridSize gridSize_;
};

// A grid action on a continuous mesh (CCGrid3D). The accessors forward to
// the target's grid and need a running action.
class CCGrid3DAction : public CCGridAction {
public:
    using CCGridAction::CCGridAction;

    Ref<CCGridBase> grid() const override;
    ccVertex3F vertex(ccGridSize pos) const;
    ccVertex3F originalVertex(ccGridSize pos) const;
    void setVertex(ccGridSize pos, ccVertex3F vertex);

protected:
    bool isOwnKind(const CCGridBase& grid) const override;
    // The running target's mesh; null without one.
    CCGrid3D* mesh() const;
};

// A grid action on a mesh of separate quads (CCTiledGrid3D).
class CCTiledGrid3DAction : public CCGridAction {
public:
    using CCGridAction::CCGridAction;

    Ref<CCGridBase> grid() const override;
    ccQuad3 tile(ccGridSize pos) const;
    ccQuad3 originalTile(ccGridSize pos) const;
    void setTile(ccGridSize pos, const ccQuad3& coords);

protected:
    bool isOwnKind(const CCGridBase& grid) const override;
    CCTiledGrid3D* mesh() const;
};

// An effect of grid kind Base with an amplitude and a rate (1 at first) that
// scales it: the 3D and the tiled amplitude effects share it.
template <typename Base>
class CCAmplitudeEffectOn : public Base, public CCAmplitudeProtocol {
public:
    CCAmplitudeEffectOn(ccGridSize gridSize, float duration, float amplitude)
        : Base(gridSize, duration), amplitude_(amplitude)
    {
    }
    float amplitude() const { return amplitude_; }
    void setAmplitude(float amplitude) { amplitude_ = amplitude; }
    float amplitudeRate() const override { return amplitudeRate_; }
    void setAmplitudeRate(float rate) override { amplitudeRate_ = rate; }

protected:
    float amplitude_;
    float amplitudeRate_ = 1;
};

// Runs an effect with an amplitude while scaling that amplitude by a curve of
// the progress raised to `rate`. The three wrappers differ only in the curve.
class CCAmplitudeWrapper : public CCActionInterval {
public:
    // The action is retained. Throws std::logic_error "IntervalAction
    // (Amplitude): Abstract class needs implementation" (a programming fault)
    // when it has no amplitude to scale (not a CCAmplitudeProtocol, such as a
    // reversed effect, or null), so that a running wrapper never fails.
    CCAmplitudeWrapper(CCActionInterval* action, float duration);

    float rate() const { return rate_; }
    void setRate(float rate) { rate_ = rate; }
    CCActionInterval* inner() const { return other_.get(); }

    void startWithTarget(CCNode* target) override;
    void stop() override;
    void update(float t) override;

protected:
    // The curve before raising it to the rate, for progress t.
    virtual float curve(float t) const = 0;

    float rate_ = 1;
    Ref<CCActionInterval> other_;
    CCAmplitudeProtocol* amplitude_;
};

// The amplitude rises to full at half time and falls back to nothing.
class CCAccelDeccelAmplitude : public CCAmplitudeWrapper {
public:
    using CCAmplitudeWrapper::CCAmplitudeWrapper;
    static Ref<CCAccelDeccelAmplitude> actionWithAction(CCActionInterval* action, float duration)
    {
        return makeRef<CCAccelDeccelAmplitude>(action, duration);
    }
    // A copy holds a copy of the inner action and the same rate.
    Ref<CCAction> copy() const override;
    // Around the inner action's reverse, with rate 1; null (and a logged
    // line) when that reverse has no amplitude, as an effect's has not.
    Ref<CCFiniteTimeAction> reverse() const override;

protected:
    float curve(float t) const override;
};

// The amplitude grows from nothing to full.
class CCAccelAmplitude : public CCAmplitudeWrapper {
public:
    using CCAmplitudeWrapper::CCAmplitudeWrapper;
    static Ref<CCAccelAmplitude> actionWithAction(CCActionInterval* action, float duration)
    {
        return makeRef<CCAccelAmplitude>(action, duration);
    }
    Ref<CCAction> copy() const override;
    Ref<CCFiniteTimeAction> reverse() const override;

protected:
    float curve(float t) const override { return t; }
};

// The amplitude falls from full to nothing.
class CCDeccelAmplitude : public CCAmplitudeWrapper {
public:
    using CCAmplitudeWrapper::CCAmplitudeWrapper;
    static Ref<CCDeccelAmplitude> actionWithAction(CCActionInterval* action, float duration)
    {
        return makeRef<CCDeccelAmplitude>(action, duration);
    }
    Ref<CCAction> copy() const override;
    Ref<CCFiniteTimeAction> reverse() const override;

protected:
    float curve(float t) const override { return 1 - t; }
};

// Lets the next `times` grid actions take over the target's active grid with
// its current distortion. Does nothing on a node without an active grid.
class CCReuseGrid : public CCActionInstant {
public:
    explicit CCReuseGrid(int32_t times) : times_(times) {}
    static Ref<CCReuseGrid> actionWithTimes(int32_t times) { return makeRef<CCReuseGrid>(times); }

    Ref<CCAction> copy() const override { return makeRef<CCReuseGrid>(times_); }
    void startWithTarget(CCNode* target) override;

private:
    int32_t times_;
};

// Switches the target's active grid off, so the node draws normally again.
class CCStopGrid : public CCActionInstant {
public:
    static Ref<CCStopGrid> action() { return makeRef<CCStopGrid>(); }

    Ref<CCAction> copy() const override { return makeRef<CCStopGrid>(); }
    void startWithTarget(CCNode* target) override;
};

// The node's grid as one of the effects' grids; null for none or another kind.
CCGridBase* ccGridOf(const CCNode* node);

// A random whole offset of the shaking effects, from -|range| to |range| - 1;
// 0 for a range of 0, which shakes nothing. It draws one rand() whatever the
// range, so the numbers that follow do not depend on it.
float ccShakeOffset(int32_t range);

} // namespace mw
