#pragma once

#include <cstdint>

#include "engine/nodes/CCLayer.h"
#include "foundation/Ref.h"

namespace mw {

class CCCounterDrell;
class CCSprite;
class TutorialFrameDef;

// What a worker pop-up asks of its parent when the hired worker flies off:
// put that worker on the map. The map's forwarding node, the HUD and the map
// answer it without this interface; another parent may take it through this
// one. A parent with neither is told nothing more than SetInputActive.
class WorkerSpawnTarget {
public:
    virtual ~WorkerSpawnTarget() = default;
    virtual void InstantSpawnWorkerOfType(int32_t upgrade) = 0;
};

// The tutorial's speaking character: it slides in from a screen edge (one of
// six placements) with a speech bubble holding a frame's text and pictures,
// or, in the worker form, introduces a newly hired worker and the count it
// improves. The opener adds it at the window's centre (all positions are
// relative to it) and switches its own input and the HUD's off.
//
// A tap is accepted once the show animation has ended (1.2 s): a frame
// pop-up marks its frame done, sends the parent MoveWithTutorial (or
// AfterBuildSeq in the after-build form) and slides out; a worker pop-up
// flies the worker to the workers' counter, asks the parent to spawn it,
// gives the parent its input back and grants the hiring achievements. The
// pop-up never claims a touch, so what lies under it gets the same touch.
class TutorialPopup : public CCLayer {
public:
    static constexpr int32_t kTouchPriority = 200;
    // Tags of the bubble's children.
    static constexpr int kTagText = 1;
    static constexpr int kTagIcon = 2;        // the one-icon picture
    static constexpr int kTagIconCounter = 3; // its AdditionalNumber counter
    static constexpr int kTagFirst = 4;       // the tile kind
    static constexpr int kTagSecond = 5;      // what it makes
    static constexpr int kTagArrow = 6;
    static constexpr int kTagFirstCounter = 7;
    static constexpr int kTagSecondCounter = 8; // the counter showing 1

    // The frame is not owned; the profile keeps it. Null gives null.
    static Ref<TutorialPopup> popUpWithFrame(TutorialFrameDef* frame, bool afterBuild = false);
    // The worker form for a worker upgrade; null when the upgrade is unknown.
    static Ref<TutorialPopup> popUpWithWorkerType(int32_t upgrade);

    bool initWithTutorialFrameDefAfterBuild(TutorialFrameDef* frame, bool afterBuild);
    bool initWithTutorialFrameDef(TutorialFrameDef* frame)
    {
        return initWithTutorialFrameDefAfterBuild(frame, false);
    }
    bool initWithWorkerType(int32_t upgrade);

    // Women workers speak with the second voice.
    static bool IsWomen(int32_t upgrade);

    // Registers as a targeted handler at priority 200 before entering.
    void onEnter() override;
    // Leaves the dispatcher too, so no touch reaches a pop-up off the tree.
    void onExit() override;
    // YES: the show animation; NO: the hide animation, ending in RemoveMe.
    void onShow(bool show);
    // The end of the show animation: voice, counter change, taps accepted.
    void SetShowed();
    // Worker form: the parent gets its input back. Then off the dispatcher
    // and off the tree.
    void RemoveMe();
    // Acts on an accepted tap and answers NO: the touch goes on.
    bool ccTouchBegan(UITouch* touch, const UIEvent& event) override;

    // ---- read by tests and openers
    int32_t placementType() const { return PlacementType; }
    bool showed() const { return Showed; }
    bool afterBuild() const { return AfterBuild; }
    int32_t workerType() const { return WorkerType; }
    // The frame shown (null in the worker form); the profile owns it.
    TutorialFrameDef* frameDef() const { return OrigDef; }
    CCSprite* worker() const { return Worker.get(); }
    CCSprite* bubble() const { return Bcg.get(); }
    CCCounterDrell* changingCounter() const { return sp1.get(); }
    CCCounterDrell* changeCounter() const { return minus.get(); }

private:
    void buildFramePictures();
    void placeFramePictures(CCSprite* first, CCSprite* second, CCSprite* arrow);
    void layOut();
    void buildWorkerPictures();
    void onFrameTapped();
    void onWorkerTapped();

    int32_t PlacementType = 0;
    Ref<CCSprite> Bcg;
    Ref<CCSprite> Worker;
    bool Showed = false;
    int32_t WorkerType = 0;
    bool PlaySound = false;
    TutorialFrameDef* OrigDef = nullptr;
    Ref<CCCounterDrell> sp1;
    Ref<CCCounterDrell> minus;
    int32_t minusVal = 0;
    bool AfterBuild = false;
    bool registered_ = false;
};

} // namespace mw
