#pragma once

#include <cstdint>
#include <string>

#include "foundation/KeyedArchive.h"
#include "foundation/Object.h"

namespace mw {

// One queued timed event: its type (an upgrade identifier 1..143 for a
// building's bonus, 145 for taxes), the moment it falls due and its text.
// Archived under "Type" (32-bit integer), "Date" (a date) and "Text".
class PuzzleNotification : public Object, public Archivable {
public:
    int32_t Type = 0;
    double Date = 0; // due, seconds since 1970-01-01 UTC, on a whole second
    std::string Text;

    std::string className() const override { return "PuzzleNotification"; }
    void encodeWithCoder(KeyedArchiver& coder) const override;
    bool initWithCoder(KeyedUnarchiver& coder) override;
};

} // namespace mw
