#pragma once

#include <array>
#include <cstdint>

#include "engine/nodes/CCNode.h"
#include "foundation/Ref.h"

namespace mw {

class CCProgressTimer;
class CCTexture2D;
class CCTooltip;
class UITouch;

// The strip of eight resource slots beside a board. Each slot shows a
// resource of the session's mode with its stock and a bar of how far the
// tiles of the kind that makes it have come towards the next unit; a lighter
// second bar previews what the chain being drawn would add. Tiles fly to its
// slots; it grants the first-sight achievements and opens a resource's
// tooltip when touched. One panel belongs to each board, as its child.
class ResourceBoard : public CCNode {
public:
    // Child tags inside a slot (the slot itself is tagged with its resource).
    static constexpr int kTagIcon = 256;
    static constexpr int kTagCounter = 257;
    static constexpr int kTagProgress = 258;
    static constexpr int kTagPreview = 259;
    // Tutorial arrows the field board hangs on the slot of resource 3.
    static constexpr int kTagArrowFrame12 = 899;
    static constexpr int kTagArrowFrame34 = 905;

    // The slots of a mode (1 field, anything else the mine), left to right.
    static const std::array<int32_t, 8>& slotsOf(int32_t mode);

    explicit ResourceBoard(int32_t mode);
    static Ref<ResourceBoard> boardWithMode(int32_t mode) { return makeRef<ResourceBoard>(mode); }

    int32_t GetMode() const { return mode_; }
    // The slot of a resource, or null.
    CCNode* slotOf(int32_t resource) const;
    CCProgressTimer* progressBarOf(int32_t resource) const;
    CCProgressTimer* previewBarOf(int32_t resource) const;

    // Where a tile flying to the resource lands: its slot, 4 points up (the
    // panel's origin when it has no slot).
    CGPoint GetPositionOfResourceOfType(int32_t resource) const;
    // How far the kind that makes the resource has come towards the next
    // unit, in percent (0 when nothing makes it).
    static float progressOf(int32_t resource);
    // Refreshes a slot after a tile was credited: pulse, bar, and when the
    // stock changed, the counter with its experience and sound. No slot: nothing.
    void updateBoard(int32_t resource);
    // The preview of a chain of `tiles` tiles for the resource, `perUnit` tiles a unit.
    void ChangeFakeProgressBy(int32_t tiles, int32_t resource, int32_t perUnit);
    // Every preview back to its bar.
    void ResetAll();
    // Reveals the slots of resources seen since, granting their first-sight achievements.
    void RefreshNotSeenIcons();
    void ValidateCollectibleAchievement(int32_t resource);
    // A touch on the panel (GL points): opens the tooltip of the seen bar it hits.
    void PassInput(CGPoint glPoint);
    void PassInput(const UITouch* touch);
    // Closes the open tooltip or ends the panel's touch: YES when the board
    // should ignore the touch that ended.
    bool KillTooltip();
    // Removes a finished tutorial arrow from the slot of resource 3 (field boards only).
    void KillTooltipArrow();
    // The icon's texture of a resource, or null.
    CCTexture2D* GetResourceTexture(int32_t resource) const;
    bool isCheck() const { return check_; }
    CCTooltip* tooltip() const { return tooltip_.get(); }

private:
    void buildSlot(int32_t resource, int index);
    void reveal(CCNode* slot, int32_t resource);

    int32_t mode_;
    Ref<CCTooltip> tooltip_;
    bool check_ = false;
};

} // namespace mw
