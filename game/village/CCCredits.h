#pragma once

#include <string>
#include <vector>

#include "engine/nodes/CCNode.h"
#include "foundation/Geometry.h"
#include "foundation/Ref.h"

namespace mw {

// The block of credit lines that the options pop-up scrolls on its credits
// page: headings (string-table keys, localised) and name lines, centred on
// x = 0 and growing downwards from the node's origin. It draws only inside a
// fixed horizontal band of the screen, so the pop-up can scroll it under its
// masks without drawing over the rest of the page.
class CCCredits : public CCNode {
public:
    struct Entry {
        bool heading; // a string-table key; otherwise a name shown as it stands
        const char* text;
    };
    // The 38 entries in order.
    static const std::vector<Entry>& entries();
    // Points added before every heading.
    static constexpr float kHeadingGap = 20;

    static Ref<CCCredits> credits();
    CCCredits();

    // The block's height in points: every label's height, the gaps before
    // the headings and four more heights of the last label (room for the
    // block to leave the band before the scroll starts again).
    float GetHeight() const { return Height; }

    // The band the block is clipped to, in points, for the director's
    // device orientation (portrait: 0.25 H to 0.51 H of the window).
    static CGRect clipBand();
    // Draws the block clipped to the band.
    void visit() override;

private:
    float Height = 0;
};

} // namespace mw
