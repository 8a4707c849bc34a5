#pragma once

#include <cstdint>

#include "engine/nodes/CCNode.h"
#include "foundation/Ref.h"

namespace mw {

class CCLabelTTF;
class CCSprite;
class GuiObject;

// The fill of the experience bar: drawn clipped from the bar's left edge to
// the filled fraction, with an additive glow copy that GlowExpBar flashes.
class CCExpBarClipPart : public CCNode {
public:
    CCExpBarClipPart(int32_t width, int32_t height);
    static Ref<CCExpBarClipPart> clipWithWidth(int32_t width, int32_t height)
    {
        return makeRef<CCExpBarClipPart>(width, height);
    }

    void SetProgres(float progress) { Progres = progress; }
    float GetProgres() const { return Progres; }
    void setParentPos(CGPoint position) { Position = position; }
    void setTrueParentPos(CGPoint position) { ParentPoss = position; }
    void GlowExpBar();
    // The scissor rectangle of the fill in framebuffer pixels (x, width):
    // from the bar's own left edge on the screen, the filled width.
    struct PixelSpan {
        int x;
        int width;
    };
    PixelSpan clipSpan();
    // Draws the fill and its glow clipped to clipSpan().
    void visit() override;

    CCSprite* fill() const { return fill_.get(); }
    CCSprite* glow() const { return bcg22.get(); }

private:
    float Progres = 0;
    int32_t pWidth;
    int32_t pHeight;
    CGPoint Position;
    CGPoint ParentPoss;
    Ref<CCSprite> fill_;
    Ref<CCSprite> bcg22;
};

// The experience bar of the HUD's top bar. Every frame it banks the
// temporary experience (won on the map and on the boards) into the
// experience proper with a looping sound, shows "%d/%d EXP" and the fill of
// the level, and opens the level-up pop-up on the HUD when a level is
// reached. Made by the HUD's scene file (registered as "CCExpBar").
class CCExpBar : public CCNode {
public:
    CCExpBar();
    ~CCExpBar() override;

    // One frame's banking (see the class comment); scheduled from creation.
    void Update(float dt);
    void SetGUIComponent(GuiObject* gui) { GUI = gui; }
    void SetParentPos(CGPoint position);
    void setPosition(CGPoint position) override;
    void GlowExpBar();
    int32_t height() const { return Height; }
    int32_t width() const { return Width; }
    void SetActive(bool active) { Active = active; }

    CCExpBarClipPart* proBar() const { return ProBar.get(); }
    CCLabelTTF* label() const { return Label.get(); }
    // The id of the playing loop sound, kNoSound when none plays.
    static constexpr uint32_t kNoSound = 0xFFFFFFFFu;
    uint32_t loopSound() const { return LoopSound; }

    // How much of `waiting` temporary experience one frame of `dt` seconds
    // banks: a third of it per frame at 30 fps, at least one point, never
    // more than is waiting.
    static float bankedPerFrame(float waiting, float dt);

private:
    void refreshLabel();
    void stopLoop();
    void openLevelUp();

    int32_t Height = 0;
    int32_t LastExp = 0;
    Ref<CCLabelTTF> Label;
    Ref<CCSprite> bcg1;
    int32_t Width = 0;
    Ref<CCExpBarClipPart> ProBar;
    CGPoint ParentPos;
    GuiObject* GUI = nullptr;
    bool Active = true;
    uint32_t LoopSound = kNoSound;
};

} // namespace mw
