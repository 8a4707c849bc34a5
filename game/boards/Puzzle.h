#pragma once

#include <cstdint>
#include <string>

#include "engine/sprites/CCSprite.h"
#include "foundation/Ref.h"
#include "game/state/Collectible.h"

namespace mw {

class ResourceBoard;

// One tile of the 6 by 6 board: a sprite node carrying the tile kind, its
// cell, its selection state and its pictures, animating itself through its
// life (idle animation, selection, the mine's earth cover, the ore glint, a
// field animal's countdown and jump, the removal). It decides nothing about
// the game: the board tells it what happens, and it reports back to the
// board it stands on (BoardHost). Made only by the tile generator.
class Puzzle : public CCSprite {
public:
    // Child tags the tile and the boards use.
    static constexpr int kTagEarth = 567;
    static constexpr int kTagShake = 670;
    static constexpr int kTagKillMarker = 671;
    static constexpr int kTagFieldAnimation = 678;

    // The mine form of kind `type`, showing the sprite frame `png`.
    static Ref<Puzzle> puzzleWithPng(const std::string& png, int32_t type);
    // The field form showing `png`; the kind is set afterwards (SetType).
    // `isAnim`: a looping part animation (tablet or with `isRndAnim`);
    // `isRndAnim`: a part animation played now and then.
    static Ref<Puzzle> puzzleWithFieldMode(const std::string& png, bool isAnim, bool isRndAnim);

    Puzzle() = default;
    ~Puzzle() override;

    // ---- state the board reads and sets
    int32_t row = 0;
    int32_t column = 0;
    bool isLocked = false;
    bool isActive = false;
    bool isInChain = false;
    bool MarkedToKill = false;
    bool CanCollect = true; // NO for kinds a chain cannot take (minimum group 36 or more)
    int32_t hoopCountdown = 0;
    float Radius = 0;
    float StartRadius = 0;
    int32_t Mode = 0; // 0 mine, 1 field

    int32_t GetType() const { return type_; }
    // Sets the kind; looks its record up only when none is set yet.
    void SetType(int32_t type);
    Collectible* TargetCollectible() const { return target_.get(); }
    void setTargetCollectible(Collectible* record) { target_ = record; }
    // Keeps the panel (not retained) and takes its mode.
    void SetResourceBoard(ResourceBoard* panel);
    ResourceBoard* resourceBoard() const { return panel_; }

    // The tile's picture in the mine form (the glint and the shake act on it), or null.
    CCSprite* picture() const { return picture_.get(); }
    CCSprite* hoopBadge() const { return hoopSprite_.get(); }
    // Seconds since the last idle animation and the wait before the next.
    float RndTimer = 0;
    float RndTimeStep = 0;

    // The position, raised by StartRadius in the field form (field pictures
    // stand on their bottom edge).
    CGPoint GetMidpointPosition() const;
    // Whether the point (in the parent's space) lies within Radius of the midpoint.
    bool isPointInside(CGPoint point) const;

    // YES: locks the tile, shrinks it and tells the board (nothing when it is
    // locked already). NO: releases it.
    void setSelected(bool selected);
    // The removal of a collected tile: burst, experience, counters, then a
    // fade in place or the flight to the panel; the board takes it off at the end.
    void removeFromBoard();
    // The kind's dust burst, handed to the board.
    void SpawnParticle();
    // YES: takes the earth cover off (with a burst) when the tile can be
    // collected; NO: puts a cover back.
    void ManageEarthSprite(bool remove);
    void DisableEarth();
    // The glint of an ore tile (kinds 6 to 9) after `delay` seconds.
    void Blink(float delay);
    // Stops the shake of a primed gas tile.
    void CheckShakeTag();
    void removeMarker();
    // The countdown of a field animal (3, 2, 1, then it strikes).
    void initHoopCountdown();
    void decreaseHoopCountdown();
    // The animal's jump to `target` over `duration` seconds; the board is
    // told when it lands.
    void moveToPosition(CGPoint target, float duration);
    // The idle-animation timer of field tiles.
    void Update(float dt);

    // The tile fades as a whole: the opacity reaches every picture it holds.
    void setOpacity(uint8_t opacity) override;

    // The burst of a kind ("dirt_particle", ...) and the glint word of an
    // ore kind ("" for others).
    static const char* particleOf(int32_t kind);
    static const char* glintWordOf(int32_t kind);

private:
    void initCommon();
    void addEarthCover(int32_t kind);
    void flyToPanel();
    void showCoinGain(int32_t amount);
    void finishRemoval();

    int32_t type_ = 0;
    Ref<Collectible> target_;
    ResourceBoard* panel_ = nullptr;
    Ref<CCSprite> picture_;
    Ref<CCSprite> shadow_;
    Ref<CCSprite> hoopSprite_;
    bool scheduledIdle_ = false;
};

} // namespace mw
