#pragma once

#include <cstdint>

#include "engine/nodes/CCNode.h"
#include "foundation/Ref.h"

namespace mw {

class CCLabelTTF;
class CCSprite;

// The tear-off calendar of the fields: a page showing the moves left; each
// change tears the old page off. Driven by the field board; changes no game state.
class CCCalendar : public CCNode {
public:
    explicit CCCalendar(int32_t time);
    static Ref<CCCalendar> calendarWithTime(int32_t time) { return makeRef<CCCalendar>(time); }

    // Adds `delta` (the field board sends -1 per time-costing move) and tears the old page off.
    void ChangeDate(int32_t delta);
    // Removes a torn page with clean-up.
    static void RemoveMe(CCNode* node);

    int32_t Time = 0;
    CCSprite* currentPage() const { return currentPage_.get(); }
    // The number shown on a page.
    static CCLabelTTF* numberOf(CCSprite* page);

    // The number's colour: red when `time` is `redFrom` or less.
    static constexpr int32_t kRedFrom = 3;

private:
    Ref<CCSprite> makePage(int32_t number, bool red) const;

    Ref<CCSprite> back_;
    Ref<CCSprite> currentPage_;
};

} // namespace mw
