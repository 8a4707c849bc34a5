#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "game/defs/Animation.h"
#include "game/defs/MapObject.h"
#include "game/defs/Road.h"
#include "game/state/SaveFile.h"
#include "game/state/XML.h"

namespace mw {

// The packaged definitions the screens need, read once at start-up behind
// the loading scene: the part-animation templates and the village's walking
// roads. It also keeps the slots of the village map, read from the map file
// on a new game and saved with the player's game (it rides in the save after
// the global object). The device kind comes from the global object. Main
// thread.
class XMLManager : public Object, public SaveParticipant {
public:
    XMLManager();
    ~XMLManager() override;

    static XMLManager* sharedInstance();
    static void purgeSharedInstance();

    // The template files read on every device, and the ones read on a tablet only.
    static const std::vector<std::string>& animationFiles();
    static const std::vector<std::string>& tabletAnimationFiles();

    // Reads the templates and the roads, then sets FinishedLoading. A road
    // file that is missing or no XML leaves no roads (logged).
    void initXMLS();
    bool FinishedLoading = false;

    // The shared template read from that file, or null; callers copy it.
    Animation* GetAnimationNamed(const std::string& file) const;
    // The road at that index, or null.
    Road* GetRoad(int32_t index) const;
    // A road chosen uniformly at random; null when there is none.
    Road* GetRandomRoad() const;
    // The reader kept for a file while loading; null afterwards.
    XML* GetXMLNamed(const std::string& file) const;

    // The village map's slots by key (see MAP_OBJECT::key).
    std::map<int32_t, Ref<MAP_OBJECT>> MapObjects;
    // Adds the slots of the device's map file, replacing those of the same
    // key. A map file that cannot be read adds none (logged).
    void ParseMapData();
    // Empties the slot table.
    void Reset() { MapObjects.clear(); }

    static bool stringToBool(std::string_view text) { return text == "true"; }

    // The slot table in the player's save ("MapObjects"); the user default
    // "MapDefLoaded" says whether the save holds it.
    void SaveTo(SaveSnapshot& save) override;
    void LoadFrom(const Value* save) override;

private:
    static bool onTablet();
    // The file of the bundle read into a reader, or null (logged).
    static Ref<XML> readBundled(const std::string& file);

    std::map<std::string, Ref<XML>> XmlFiles;
    std::vector<Ref<Road>> Roads;
    std::map<std::string, Ref<Animation>> Animations;
};

} // namespace mw
