#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/sprites/CCSprite.h"
#include "engine/transitions/CCTransitionScene.h"

namespace mw {

// The two door transitions between the main menu and the village (or a
// board): two door halves slide in from the screen edges and meet (the
// first quarter of the time at d = 0.6 s), stay shut while the sheets of
// the scene being left are dropped, those of the scene being entered are
// loaded and that scene is built, then open onto it and hand over.
//
// Unlike the engine's transitions they are given no incoming scene: each
// builds its own while the doors are shut, so the two sets of sheets are
// never loaded together. Touch delivery is off from the transition's
// creation until its hand-over, and comes back on when a transition is
// dropped before it ran (the engine's transitions do the same).
//
// The doors are children of the outgoing scene while they close; when the
// incoming scene starts they move onto the transition itself, over both
// scenes, so that they open over the incoming scene drawn on top.
class CCTransitionDoors : public CCTransitionScene {
public:
    // Which door image a device uses, and whether the doors draw doubled.
    static std::string doorImage(bool isIpad, bool isIp3);
    // The menu's sheet (its texture is the same name with ".png").
    static std::string menuSheet(bool isIpad, bool isIp3, float windowWidthInPixels);
    // The village and board sheets: two in 16-bit RGBA4444 first, then two
    // in 32-bit RGBA8888.
    static std::vector<std::string> villageSheets(bool isIpad, bool isIp3, float windowWidthInPixels);

    CCSprite* leftDoor() const { return mLeft.get(); }
    CCSprite* rightDoor() const { return mRight.get(); }

    // Closing: builds the doors on the outgoing scene, slides them shut and
    // plays "loader_close"; LoadGfx follows after the duration.
    void onEnter() override;
    // Doors shut: drops the old sheets (the kinds say what else).
    virtual void LoadGfx() = 0;
    // Starts the incoming scene on top, then UnloadGfx.
    void Unload();
    // Opening: slides the doors out, plays "loader_open", finishes after the
    // duration.
    virtual void UnloadGfx();

protected:
    // The handles' horizontal offset outwards from the doors' meeting edge.
    virtual float handleOffset() const = 0;
    // Draws the outgoing scene alone until the incoming one exists.
    void draw() override;
    // Runs `step` of this transition after `delay` seconds.
    void after(float delay, SEL_Call step);

    Ref<CCSprite> mLeft;
    Ref<CCSprite> mRight;
};

// From the main menu into a newly built village scene.
class CCTransitionDoorsFromMenu : public CCTransitionDoors {
public:
    // Null (logged) when no scene runs.
    [[nodiscard]] static Ref<CCTransitionDoorsFromMenu> transitionWithDuration(float duration);
    // What the doors build as the incoming scene instead of a new village
    // scene (null: the village scene again).
    static void setIncomingSceneMaker(std::function<Ref<CCScene>()> maker);

    // Drops every frame, the menu sheet's frames and texture and the unused
    // textures; LoadTextures after half the duration.
    void LoadGfx() override;
    // Loads the village and board sheets, builds the incoming scene; Unload
    // after half the duration.
    void LoadTextures();
    // Also hides the outgoing menu's content, leaving only the doors.
    void UnloadGfx() override;

protected:
    float handleOffset() const override { return 0; }
};

// From the village or a board back into a newly built main menu.
class CCTransitionDoorsToMenu : public CCTransitionDoors {
public:
    [[nodiscard]] static Ref<CCTransitionDoorsToMenu> transitionWithDuration(float duration);
    // Replaces the running scene with doors of 0.6 s to a new main menu (the
    // options pop-up's way back to the menu).
    static void replaceRunningScene();

    // Hides the scene being left (onHide), drops every frame and the
    // textures no longer used, loads the menu sheet in RGBA8888 and builds
    // the main menu; Unload after half the duration.
    void LoadGfx() override;

protected:
    float handleOffset() const override { return 1; }
};

} // namespace mw
