#pragma once

#include <cstdint>
#include <string>

#include "foundation/Ref.h"
#include "game/boards/CCTooltip.h"

namespace mw {

class CCCounterDrell;
class CCSprite;
class Collectible;

// The three tooltips a chain shows above the finger: the reward a chain is
// earning (a picture with a count), the hint that a kind needs a tool, and
// what a kind turns into. Each pops in when made and goes with
// ChangeVisible(NO) like every tooltip.
class BoardTooltip : public CCTooltip {
public:
    // The picture "<png>.png" with a count badge showing `number`.
    static Ref<BoardTooltip> tooltipWithNumber(const std::string& png, int32_t number);
    // "Use" and the tool that clears the kind (rubble: dynamite; gas: the lamp).
    static Ref<BoardTooltip> tooltipWithError(int32_t kind);
    // The kind with its reward interval and the kind it turns into; null
    // when it turns into nothing.
    static Ref<BoardTooltip> tooltipWithCollectible(const Collectible* kind);

    // The count badge's number (nothing without a badge).
    void SetNumber(int32_t number);
    // The count shown, or -1 without a badge.
    int32_t number() const;
    enum class Kind { Number, Error, Collectible };
    Kind kind() const { return kind_; }

private:
    CCSprite* addPanel(const char* frame);
    void popIn();

    Kind kind_ = Kind::Number;
    Ref<CCCounterDrell> counter_;
};

} // namespace mw
