#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "engine/nodes/CCNode.h"
#include "foundation/Ref.h"

namespace mw {

class CCSprite;

// The chain line a finger draws across the board: an orange thick line with
// round ends through the tiles of the chain, with a spinning star at every
// tile that completes a set of reward tiles. It also counts the length the
// finger walked, for two achievements.
class CCLineObject : public CCNode {
public:
    static constexpr int kMaxPoints = 36;
    static constexpr int kStarZ = 5;

    CCLineObject();
    static Ref<CCLineObject> line() { return makeRef<CCLineObject>(); }

    // Appends a point (board space); the 37th point is ignored. Counts a step of the finger.
    void AddPoint(CGPoint point);
    // Drops the last point (nothing when there is none). Counts a step of the finger.
    void RemoveLast();
    // No points and no stars.
    void Clear();
    // A star for every `interval` points; 0 or less: no stars.
    void SetMinGroup(int32_t interval) { canCollect_ = interval; }
    int32_t starInterval() const { return canCollect_; }
    // Stars follow from the interval alone.
    void AddStarAt(CGPoint) {}

    int pointCount() const { return lastIndex_; }
    const CGPoint* points() const { return points_.data(); }
    // The stars shown, first to last.
    const std::vector<Ref<CCSprite>>& stars() const { return stars_; }

    // Keeps the stars in step with the points.
    void update(float dt) override;
    void draw() override;

private:
    void countStep();

    std::array<CGPoint, kMaxPoints> points_{};
    int lastIndex_ = 0;
    int32_t canCollect_ = -1;
    std::vector<Ref<CCSprite>> stars_;
};

} // namespace mw
