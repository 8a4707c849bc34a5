#pragma once

#include <cstdint>
#include <string>

#include "engine/sprites/CCSprite.h"

namespace mw {

class CCLabelTTF;

// The banner of a granted achievement: it slides in from the right edge,
// shows the achievement's title and points for three seconds, slides out
// and removes itself (about 3.8 s in all). Making one records the
// "Achievement" analytics event with the text key.
//
// The caller adds it to the running scene (z-order 10) at (window width,
// 0.15 window height): its anchor (0, 0.5) puts it just outside the right
// edge until it slides in. Each banner keeps its own timing, so two granted
// together show one over the other.
class AchievementPopUp : public CCSprite {
public:
    // textKey: the string-table key of the title (a missing one shows the
    // table's missing-string text); points: shown as "%d pts".
    AchievementPopUp(const std::string& textKey, int32_t points);
    static Ref<AchievementPopUp> popUpWithAchievementId(const std::string& textKey, int32_t points)
    {
        return makeRef<AchievementPopUp>(textKey, points);
    }
    // Adds a new banner to the running scene as the global object's handler
    // does; null when no scene runs.
    static Ref<AchievementPopUp> showOnRunningScene(const std::string& textKey, int32_t points);

    // Slides in by 0.95 of its width over 0.4 s, waits 3 s, then onHide.
    void onShow();
    // Slides out by its width over 0.4 s, then RemoveMe.
    void onHide();
    void RemoveMe();

    CCLabelTTF* title() const { return title_.get(); }
    CCLabelTTF* points() const { return points_.get(); }

private:
    Ref<CCLabelTTF> title_;
    Ref<CCLabelTTF> points_;
};

} // namespace mw
