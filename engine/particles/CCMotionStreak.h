#pragma once

#include <string>

#include "engine/nodes/CCNode.h"
#include "engine/sprites/CCTextureProtocol.h"
#include "foundation/Ref.h"

namespace mw {

class CCRibbon;

// A node that leaves a fading trail behind itself as it moves: every frame,
// once it has moved more than the minimum segment from the last point laid,
// its world position is appended to a ribbon it holds as its child. The
// ribbon is placed so that its points, given in world coordinates, stay
// where they were laid whatever the streak's own position.
class CCMotionStreak : public CCNode, public CCTextureProtocol {
public:
    CCMotionStreak() = default;
    ~CCMotionStreak() override;

    // fade: seconds a point lasts; minSeg: points moved before a new point;
    // image through the shared texture cache; width of the trail; length of
    // one texture repeat in pixels; colour of the trail.
    [[nodiscard]] static Ref<CCMotionStreak> streakWithFade(float fade, float minSeg, const std::string& image,
                                                            float width, float length, ccColor4B colour);
    void initWithFade(float fade, float minSeg, const std::string& image, float width, float length,
                      ccColor4B colour);

    CCRibbon* ribbon() const { return ribbon_; }
    // Scheduled every frame from creation.
    void update(float dt) override;

    CCTexture2D* texture() const override;
    void setTexture(CCTexture2D* texture) override;
    ccBlendFunc blendFunc() const override;
    void setBlendFunc(ccBlendFunc blend) override;

private:
    CCRibbon* ribbon_ = nullptr;  // held through the child list
    float segThreshold_ = 0;
    float width_ = 0;
    CGPoint lastLocation_;
};

} // namespace mw
