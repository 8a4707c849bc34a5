#pragma once

#include <cstdint>
#include <string>

#include "foundation/KeyedArchive.h"
#include "foundation/Object.h"

namespace mw {

// One slot of the village map, where a building or a tree can stand.
// Archived with every field under its own name (integers 32-bit).
class MAP_OBJECT : public Object, public Archivable {
public:
    int32_t ID = 0;       // the slot's number in the map file
    int32_t GroupID = 0;  // the group of buildings that may stand on it
    int32_t isTree = 0;   // 1 for a tree slot
    int32_t IDBuild = 0;  // the building upgrade standing on it, -1 when empty
    int32_t x = 0;        // points from the left
    int32_t y = 0;        // points from the bottom
    std::string Name;     // the picture named in the map file

    // The key of the slot in the table: trees and other slots share numbers.
    int32_t key() const { return isTree == 1 ? ID * 1000 : ID; }

    std::string className() const override { return "MAP_OBJECT"; }
    void encodeWithCoder(KeyedArchiver& coder) const override;
    bool initWithCoder(KeyedUnarchiver& coder) override;
};

} // namespace mw
