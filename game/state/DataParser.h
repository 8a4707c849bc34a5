#pragma once

#include <string>
#include <string_view>

#include "foundation/Ref.h"
#include "game/state/XML.h"

namespace mw {

// Reads the game-data file ("test.xml") once, when a new village is
// started: levels, tutorial frames, tile kinds, resources, settings and
// upgrades become the shared profile's records and tables, and the profile
// is put into the state of a new game.
//
// A file that cannot be read, is no XML, has fewer than two levels, or gives
// a record an identifier outside the profile's count lists (tile kinds and
// resources 0..24, upgrades 0..143) is refused as a whole with one log line,
// and the bundled file is read instead. Within a file the reader is
// forgiving: a missing attribute reads as 0, NO or empty, a missing list as
// no elements.
class DataParser {
public:
    // Fills the shared profile from the file at `path`, or from the bundled
    // file when that one is refused. False (logged) when neither could be
    // read; the profile is then left as it was.
    [[nodiscard]] bool parseData(const std::string& path);

    // YES exactly for the text "true".
    static bool stringToBool(std::string_view text) { return text == "true"; }

    // "test.xml" in the caches folder when there is one, else the bundle's.
    static std::string gameDataPath();
    // The bundle's "test.xml" (empty when the bundle has none).
    static std::string bundledGameDataPath();

private:
    struct GameData;
    // Reads and checks one file; false with the reason when it is refused.
    bool read(const std::string& path, GameData& data, std::string& reason);
    void apply(GameData& data);

    Ref<XML> xml; // the document, while it is read
};

} // namespace mw
