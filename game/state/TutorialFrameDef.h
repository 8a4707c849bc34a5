#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/KeyedArchive.h"
#include "foundation/Object.h"

namespace mw {

// One tutorial frame of the game data, kept in the profile by identifier.
// The boards, pop-ups and village screens read the frame and set its three
// flags.
//
// Archived under eleven keys named after the fields (integers 32-bit, flags
// boolean, the placements as an array of booleans). A record rebuilt from an
// archive takes NO for a missing flag, ArrowAfter included. A save that was
// damaged or edited by hand cannot break the screens that show a frame: a
// field of the wrong kind reads as a missing one (0, empty, NO), and the
// placements always come back as six flags, the missing ones NO.
class TutorialFrameDef : public Object, public Archivable {
public:
    int32_t ID = 0;
    // 100 text only, 101 one icon, 102 tile-kind chain, 103 tile kind to resource; 0 none of these.
    int32_t Type = 0;
    std::string LangID;           // string-table key of the text
    std::string Icon;             // sprite-frame name of the icon
    std::string WorkerIcon;       // sprite-frame name of the character who speaks
    int32_t AdditionalNumber = 0; // counter shown beside the icon when above 0
    int32_t RelationID = 0;       // the related tile kind
    std::vector<bool> bPlacements; // six placement flags from the game data (see setBPlacements)
    bool Done = false;            // shown and dismissed
    bool ArrowAfter = true;       // a pointing arrow follows once done
    bool ArrowAfterDone = false;  // the follow-up arrow is dismissed

    static constexpr size_t kPlacementCount = 6;
    // Replaces the placement flags; a shorter list is filled up with NO to six.
    void setBPlacements(std::vector<bool> placements);
    // The placement flag at `index` (0 to 5); NO past the end of the list.
    bool placement(size_t index) const { return index < bPlacements.size() && bPlacements[index]; }

    std::string className() const override { return "TutorialFrameDef"; }
    void encodeWithCoder(KeyedArchiver& coder) const override;
    bool initWithCoder(KeyedUnarchiver& coder) override;
};

} // namespace mw
