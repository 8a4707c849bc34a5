#pragma once

#include <cstdint>

#include "engine/sprites/CCSprite.h"
#include "foundation/Ref.h"

namespace mw {

class CCParticleSystemQuad;
class GuiObject;

// A pick-up a building drops on the map: experience, gold, a tool or some of
// a resource. It lives on the HUD's bonus layer: it pops up and lands with a
// bounce (301), waits for a tap, flies to its counter in the top bar (302)
// and credits the profile when it arrives (303); the map's collect-all
// credits it at once (304). Each state acts once: asking for the state the
// item is in does nothing, so a double tap credits once.
class CCBonusItem : public CCSprite {
public:
    enum Kind : int32_t { kResource = 400, kTool = 401, kExperience = 402, kGold = 403 };
    enum State : int32_t { kCreated = 300, kFalling = 301, kFlying = 302, kArrived = 303, kCollected = 304 };
    static constexpr int kArrowTag = 897;
    static constexpr int32_t kWorkersResource = 17;

    static Ref<CCBonusItem> itemWithResource(int32_t resource, int32_t count);
    static Ref<CCBonusItem> itemWithTool(int32_t upgrade, int32_t count);
    static Ref<CCBonusItem> itemWithXP(int32_t points);
    static Ref<CCBonusItem> itemWithGold(int32_t gold);
    // `picture` may be null (experience: no picture).
    bool initWithSprite(CCSprite* picture, int32_t kind);

    void SetVParent(GuiObject* gui) { VParent = gui; }
    int32_t GetType() const { return rType; }
    int32_t kind() const { return Type; }
    int32_t count() const { return Count; }
    int32_t state() const { return CurentState; }
    CCSprite* picture() const { return sp.get(); }
    CCParticleSystemQuad* trail() const { return TrailPar.get(); }

    // Invisible, then falling.
    void Bounce();
    void SetState(int32_t state);
    // The flight to (x, y) and its trail.
    void SetUpEndSeq(float x, float y);
    void SetBonusEnd();
    void AddArrowToMe();

    // Where an item of this kind flies on this device.
    CGPoint flightTarget() const;

private:
    void fall();
    void fly();
    void credit(bool refreshTopBar);

    int32_t Count = 0;
    int32_t Type = kResource;
    Ref<CCSprite> sp;
    int32_t CurentState = kCreated;
    GuiObject* VParent = nullptr;
    int32_t rType = 0;
    Ref<CCParticleSystemQuad> TrailPar;
};

} // namespace mw
