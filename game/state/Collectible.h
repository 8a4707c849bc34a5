#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "foundation/KeyedArchive.h"
#include "foundation/Object.h"

namespace mw {

// One tile kind of the game data. The boards, the village screens and the
// upgrade effects read and change the fields directly; the profile's table
// owns the record for the rest of the game.
//
// In a keyed archive every field is an entry under its own name, integers as
// 32-bit numbers, weights as floats, flags as booleans.
class Collectible : public Object, public Archivable {
public:
    // The defaults of a fresh record: an empty group list, nothing seen.
    Collectible() = default;

    std::string name;              // also the key of the sound a tool plays for the kind
    bool isMineAvailable = false;  // appears on the mine board
    bool isFieldAvailable = false; // appears on the field board
    std::string pngName;
    std::string pngNameSummer;
    std::string pngNameWinter;
    std::string pngNameAutumn;
    std::string pngNameSpring;
    // Connection groups (0 "RABBIT_GRASS", 1 "WOLF_WOOD"): kinds sharing one
    // join one chain. A fresh record has an empty list; one rebuilt from an
    // archive without the entry has none.
    std::optional<std::vector<int32_t>> connGroups = std::vector<int32_t>();
    int32_t ID = 0;
    int32_t nextCollectibleCount = 0; // every this many collected queue one `nextCollectible`
    int32_t nextCollectible = 0;
    int32_t nextResourceCount = 0;    // tiles per unit of `nextResource`; 0: makes no resource
    int32_t nextResource = 0;
    int32_t minGroup = 0;             // shortest chain that collects the kind; above 35: tools only
    float probability = 0;            // mine spawn weight, 0..100
    float probSpring = 0;
    float probSummer = 0;
    float probAutumn = 0;
    float probWinter = 0;
    bool Seen = false;      // has appeared on a board
    bool MovesTime = false; // a chain holding the kind spends a move
    bool ConstAnim = false;
    int32_t Points = 0;     // session experience per reward tile queued
    int32_t PointsColl = 0; // session experience per tile removed
    bool isAnim = false;

    std::string className() const override { return "Collectible"; }
    void encodeWithCoder(KeyedArchiver& coder) const override;
    bool initWithCoder(KeyedUnarchiver& coder) override;
};

} // namespace mw
