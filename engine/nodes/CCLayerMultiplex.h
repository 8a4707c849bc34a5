#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "engine/nodes/CCLayer.h"

namespace mw {

// Holds several layers and shows one of them at a time as its only child.
// It keeps every layer alive, shown or not, until switchToAndReleaseMe lets
// go of one.
class CCLayerMultiplex : public CCLayer {
public:
    // The layers in order, up to the first null; the first one is shown.
    explicit CCLayerMultiplex(std::initializer_list<CCLayer*> layers);
    explicit CCLayerMultiplex(const std::vector<CCLayer*>& layers);

    static Ref<CCLayerMultiplex> layerWithLayers(std::initializer_list<CCLayer*> layers)
    {
        return makeRef<CCLayerMultiplex>(layers);
    }

    // Removes the shown layer (with cleanup) and shows the one at the index.
    // An index past the end, or a slot already let go of, changes nothing and
    // answers false.
    bool switchTo(uint32_t index);
    // The same, and the multiplex stops keeping the layer it leaves. Switching
    // to the shown layer itself is refused, as it would leave nothing to show.
    bool switchToAndReleaseMe(uint32_t index);

    uint32_t enabledLayer() const { return enabledLayer_; }
    uint32_t layerCount() const { return static_cast<uint32_t>(layers_.size()); }
    // The layer kept at the index, or null (past the end or let go of).
    CCLayer* layerAt(uint32_t index) const;

private:
    bool canShow(uint32_t index) const { return layerAt(index) != nullptr; }
    void show(uint32_t index);

    uint32_t enabledLayer_ = 0;
    std::vector<Ref<CCLayer>> layers_;
};

} // namespace mw
