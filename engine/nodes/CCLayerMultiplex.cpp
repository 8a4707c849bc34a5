#include "engine/nodes/CCLayerMultiplex.h"

namespace mw {

CCLayerMultiplex::CCLayerMultiplex(std::initializer_list<CCLayer*> layers)
    : CCLayerMultiplex(std::vector<CCLayer*>(layers))
{
}

CCLayerMultiplex::CCLayerMultiplex(const std::vector<CCLayer*>& layers)
{
    layers_.reserve(5);
    for (CCLayer* layer : layers) {
        if (!layer) break;  // the list ends at the first null, as a nil-terminated list did
        layers_.emplace_back(layer);
    }
    enabledLayer_ = 0;
    if (canShow(0)) addChild(layers_[0].get());
}

CCLayer* CCLayerMultiplex::layerAt(uint32_t index) const
{
    return index < layers_.size() ? layers_[index].get() : nullptr;
}

void CCLayerMultiplex::show(uint32_t index)
{
    if (CCLayer* current = layerAt(enabledLayer_)) removeChild(current, true);
    enabledLayer_ = index;
    addChild(layers_[index].get());
}

bool CCLayerMultiplex::switchTo(uint32_t index)
{
    if (!canShow(index)) return false;
    show(index);
    return true;
}

bool CCLayerMultiplex::switchToAndReleaseMe(uint32_t index)
{
    if (!canShow(index) || index == enabledLayer_) return false;
    // The leaving layer exits while the multiplex still holds it; only then
    // is it let go of.
    removeChild(layers_[enabledLayer_].get(), true);
    layers_[enabledLayer_] = nullptr;
    enabledLayer_ = index;
    addChild(layers_[index].get());
    return true;
}

} // namespace mw
