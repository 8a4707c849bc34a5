#include "engine/effects/CCActionGrid.h"

#include <cmath>
#include <cstdlib>
#include <stdexcept>

#include "engine/actions/CCActionInterval.h"
#include "engine/base/ccDescription.h"
#include "engine/effects/CCGrid3D.h"
#include "engine/nodes/CCNode.h"
#include "foundation/Log.h"
#include "foundation/Random.h"

namespace mw {

CCGridBase* ccGridOf(const CCNode* node)
{
    return node ? dynamic_cast<CCGridBase*>(node->grid()) : nullptr;
}

float ccShakeOffset(int32_t range)
{
    const int64_t draw = Random::rand();
    // In 64 bits: the size of the lowest range and twice any range fit.
    const int64_t size = std::abs(static_cast<int64_t>(range));
    if (size == 0) return 0;
    return static_cast<float>(draw % (size * 2) - size);
}

// ---------------------------------------------------------------- CCGridAction

void CCGridAction::startWithTarget(CCNode* target)
{
    CCActionInterval::startWithTarget(target);
    CCGridBase* current = ccGridOf(target);
    if (current && current->reuseGrid() > 0) {
        if (current->active() && current->gridSize() == gridSize_ && isOwnKind(*current)) {
            current->reuse();
            return;
        }
        throw std::logic_error("GridBase: Cannot reuse grid");
    }
    // The new grid is made only when it is kept: a grid costs a window-sized texture.
    Ref<CCGridBase> fresh = grid();
    if (!fresh) {
        logLine("CCGridAction: no grid for a %dx%d effect; the node draws as it is", gridSize_.x, gridSize_.y);
        return;
    }
    if (current && current->active()) {
        current->setActive(false);
    }
    target->setGrid(fresh.get());
    fresh->setActive(true);
}

Ref<CCFiniteTimeAction> CCGridAction::reverse() const
{
    Ref<CCFiniteTimeAction> self = copyAs<CCFiniteTimeAction>(*this);
    return CCReverseTime::actionWithAction(self.get());
}

// ---------------------------------------------------------------- 3D and tiled bases

Ref<CCGridBase> CCGrid3DAction::grid() const { return CCGrid3D::gridWithSize(gridSize_); }

bool CCGrid3DAction::isOwnKind(const CCGridBase& grid) const
{
    return dynamic_cast<const CCGrid3D*>(&grid) != nullptr;
}

CCGrid3D* CCGrid3DAction::mesh() const { return dynamic_cast<CCGrid3D*>(ccGridOf(target_)); }

ccVertex3F CCGrid3DAction::vertex(ccGridSize pos) const { return mesh()->vertex(pos); }

ccVertex3F CCGrid3DAction::originalVertex(ccGridSize pos) const { return mesh()->originalVertex(pos); }

void CCGrid3DAction::setVertex(ccGridSize pos, ccVertex3F vertex) { mesh()->setVertex(pos, vertex); }

Ref<CCGridBase> CCTiledGrid3DAction::grid() const { return CCTiledGrid3D::gridWithSize(gridSize_); }

bool CCTiledGrid3DAction::isOwnKind(const CCGridBase& grid) const
{
    return dynamic_cast<const CCTiledGrid3D*>(&grid) != nullptr;
}

CCTiledGrid3D* CCTiledGrid3DAction::mesh() const { return dynamic_cast<CCTiledGrid3D*>(ccGridOf(target_)); }

ccQuad3 CCTiledGrid3DAction::tile(ccGridSize pos) const { return mesh()->tile(pos); }

ccQuad3 CCTiledGrid3DAction::originalTile(ccGridSize pos) const { return mesh()->originalTile(pos); }

void CCTiledGrid3DAction::setTile(ccGridSize pos, const ccQuad3& coords) { mesh()->setTile(pos, coords); }

// ---------------------------------------------------------------- amplitude wrappers

CCAmplitudeWrapper::CCAmplitudeWrapper(CCActionInterval* action, float duration)
    : CCActionInterval(duration), other_(action), amplitude_(dynamic_cast<CCAmplitudeProtocol*>(action))
{
    // Raised here rather than at the first step, where the frame loop would meet it.
    if (!amplitude_) throw std::logic_error("IntervalAction (Amplitude): Abstract class needs implementation");
}

void CCAmplitudeWrapper::startWithTarget(CCNode* target)
{
    CCActionInterval::startWithTarget(target);
    other_->startWithTarget(target);
}

void CCAmplitudeWrapper::stop()
{
    other_->stop();
    CCActionInterval::stop();
}

void CCAmplitudeWrapper::update(float t)
{
    amplitude_->setAmplitudeRate(std::pow(curve(t), rate_));
    other_->update(t);
}

float CCAccelDeccelAmplitude::curve(float t) const
{
    float f = t * 2;
    if (f > 1) {
        f -= 1;
        f = 1 - f;
    }
    return f;
}

namespace {

// The inner action's copy is of its class, so it has the amplitude the
// wrapper's constructor asks for.
template <typename Wrapper> Ref<CCAction> copyWrapper(const Wrapper& wrapper, float rate)
{
    Ref<CCActionInterval> inner = copyAs<CCActionInterval>(*wrapper.inner());
    Ref<Wrapper> copy = makeRef<Wrapper>(inner.get(), wrapper.duration());
    copy->setRate(rate);
    return copy;
}

// An action that cannot be reversed answers null; so does a wrapper whose
// inner reverse has no amplitude (an effect's reverse is a CCReverseTime).
template <typename Wrapper> Ref<CCFiniteTimeAction> reverseWrapper(const Wrapper& wrapper)
{
    Ref<CCFiniteTimeAction> back = wrapper.inner()->reverse();
    auto* interval = dynamic_cast<CCActionInterval*>(back.get());
    if (!interval) return nullptr;
    try {
        return makeRef<Wrapper>(interval, wrapper.duration());
    } catch (const std::logic_error& error) {
        logLine("%s: no reverse: %s", ccClassName(typeid(wrapper)).c_str(), error.what());
        return nullptr;
    }
}

} // namespace

Ref<CCAction> CCAccelDeccelAmplitude::copy() const { return copyWrapper(*this, rate_); }
Ref<CCFiniteTimeAction> CCAccelDeccelAmplitude::reverse() const { return reverseWrapper(*this); }
Ref<CCAction> CCAccelAmplitude::copy() const { return copyWrapper(*this, rate_); }
Ref<CCFiniteTimeAction> CCAccelAmplitude::reverse() const { return reverseWrapper(*this); }
Ref<CCAction> CCDeccelAmplitude::copy() const { return copyWrapper(*this, rate_); }
Ref<CCFiniteTimeAction> CCDeccelAmplitude::reverse() const { return reverseWrapper(*this); }

// ---------------------------------------------------------------- reuse and stop

void CCReuseGrid::startWithTarget(CCNode* target)
{
    CCActionInstant::startWithTarget(target);
    CCGridBase* grid = ccGridOf(target);
    if (grid && grid->active()) {
        grid->setReuseGrid(grid->reuseGrid() + times_);
    }
}

void CCStopGrid::startWithTarget(CCNode* target)
{
    CCActionInstant::startWithTarget(target);
    CCGridBase* grid = ccGridOf(target);
    if (grid && grid->active()) {
        grid->setActive(false);
    }
}

} // namespace mw
