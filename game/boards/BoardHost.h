#pragma once

#include <cstdint>
#include <string>

namespace mw {

class CCParticleSystem;
class Puzzle;

// What the pieces of a board (tiles, the resource panel, the generator, the
// tool frame) ask of the board they stand on. The board implements it; a
// piece finds it as its parent (or its panel's parent) and does nothing when
// the parent is not a board. Every operation defaults to doing nothing, so a
// board overrides only what it acts on.
class BoardHost {
public:
    virtual ~BoardHost() = default;

    // A tile was selected (`draw`: the chain line takes its point).
    virtual void puzzleSelected(Puzzle* tile, bool draw) {}
    // A tile's dust burst, to be drawn in the board's batch for the texture
    // named `textureName`. The board takes over the system.
    virtual void AddParticle(const std::string& textureName, CCParticleSystem* particle) {}
    // A removed tile's animation has ended: the board takes it off.
    virtual void removePuzzlesFromChain(Puzzle* tile) {}
    // A field animal's jump has ended.
    virtual void removePuzzleAfterJump(Puzzle* tile) {}
    // A tutorial step of the field animals (64, 65, 67, 68).
    virtual void SpecialTutorialAction(int32_t code) {}
    // The first reward carrot of a new player (the generator's tutorial hook).
    virtual void PodTutorialHack() {}
    // A field board runs its tutorial after an arrow of the panel went.
    virtual bool isFieldBoard() const { return false; }
    virtual void ValidateAndPlayTutorial() {}
    // The tool information frame asks to be slid away.
    virtual void ToolInfoCallback() {}
};

} // namespace mw
