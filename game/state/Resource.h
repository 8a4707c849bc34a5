#pragma once

#include <cstdint>
#include <string>

#include "foundation/KeyedArchive.h"
#include "foundation/Object.h"

namespace mw {

// One resource kind of the game data: goods 1..17 (17 the village's
// workers) and the store's gold packs 19..24. Read and changed directly; the
// profile's tables own the records. Archived with every field under its own
// name (integers 32-bit, flags boolean).
class Resource : public Object, public Archivable {
public:
    int32_t ID = 0;
    std::string Name;
    std::string PngName;
    bool MineAvailable = false;  // shown on the mine board's resource panel
    bool FieldAvailable = false; // shown on the field board's resource panel
    int32_t CollectibleEnum = 0; // the tile kind that produces it
    int32_t Value = 0;           // shop price in gold
    int32_t ValueSell = 0;       // gold a sale gives
    bool MicroRes = false;       // a gold pack of the store
    bool SpecialRes = false;
    int32_t Moves = 0;           // mine moves one unit gives as food
    int32_t AtStart = 0;         // units owned at the start of a new game
    bool GenerateFood = false;
    bool Seen = false;           // met on a board
    int32_t Points = 0;          // session experience per unit completed on the panel

    std::string className() const override { return "Resource"; }
    void encodeWithCoder(KeyedArchiver& coder) const override;
    bool initWithCoder(KeyedUnarchiver& coder) override;
};

} // namespace mw
