#pragma once

#include <cstdint>
#include <string>

#include "foundation/KeyedArchive.h"
#include "foundation/Object.h"

namespace mw {

// The board a tool's upgrade actions act on (the board implements it): the
// operations of the effect kinds 4, 8 and 9.
class UpgradeActionTarget {
public:
    virtual ~UpgradeActionTarget() = default;
    virtual void collectPuzzlesOfType(int32_t kind) = 0;
    // Ends the chain being drawn: no tile stays active.
    virtual void clearActivePuzzles() = 0;
    virtual void replacePuzzlesOfTo(int32_t from, int32_t to) = 0;
    virtual void nextSpawnSetTo(int32_t kind) = 0;
};

// One effect of an upgrade: its kind (`ID`, 0..23), two operands, a target
// identifier and the spawn-weight changes that kind 2 applies. Archived with
// every field under its own name (integers 32-bit, changes as floats).
class UpgradeAction : public Object, public Archivable {
public:
    std::string name; // for reading the data only
    int32_t ID = 0;   // effect kind
    int32_t Value1 = 0;
    int32_t Value2 = 0;
    int32_t IDAction = 0; // a tile kind or a resource, by kind
    float ProbSpring = 0;
    float ProbSummer = 0;
    float ProbAutumn = 0;
    float ProbWinter = 0;
    float Probability = 0;

    // Applies the effect to the shared profile, its records, or the board.
    // Called with no board when a building is bought or a worker hired, and
    // with the board when a tool is used on one. An operand that names no
    // tile kind or upgrade does nothing; so do kinds 4, 8 and 9 without a
    // board, and unknown kinds.
    void RunAction(UpgradeActionTarget* board);

    std::string className() const override { return "UpgradeAction"; }
    void encodeWithCoder(KeyedArchiver& coder) const override;
    bool initWithCoder(KeyedUnarchiver& coder) override;
};

} // namespace mw
