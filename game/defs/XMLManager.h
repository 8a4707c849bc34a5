#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
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
// thread, except for the work ParseInBackground hands to its own thread.
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
    // The same load with the reading on a thread of its own: the device and
    // the files' paths are settled here, the files are read there, and the
    // results are handed back through the main run loop, which then fills
    // the manager and sets FinishedLoading. The manager stays alive until
    // then, even when purged meanwhile. A call while a load runs first waits
    // for that load's reading to end; each hand-back replaces what the
    // manager held.
    void ParseInBackground();

    // The shared template read from that file, or null; callers copy it.
    Animation* GetAnimationNamed(const std::string& file) const;
    // The road at that index, or null.
    Road* GetRoad(int32_t index) const;
    // The number of roads read.
    int32_t RoadCount() const { return static_cast<int32_t>(Roads.size()); }
    // A road chosen uniformly at random; null when there is none (no fault:
    // a village may have no roads).
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

    // The slot table in the player's save ("MapObjects"). A save that holds
    // slots gives them back whatever the user defaults say, standing where
    // this device's map file places them (see placeForThisDevice); one without
    // (and a new game, with null) gets the map file's. The user default
    // "MapDefLoaded" is still set by a save, but read by nothing.
    void SaveTo(SaveSnapshot& save) override;
    void LoadFrom(const Value* save) override;
    // False (with the reason) when the save's "MapObjects" is there but does
    // not decode: taking that save would lose every building.
    bool CanLoadFrom(const Value& save, std::string& reason) const override;

private:
    // What a load needs from the device, settled on the main thread.
    struct LoadPlan {
        std::vector<std::pair<std::string, std::string>> templates; // file name, full path
        float positionScale = 1.0f;
        std::string roadFile;
        std::string roadPath; // empty when not in the bundle
        float windowHeight = 0; // in points; the roads are turned into screen points
    };
    // What a load reads; made on any thread, adopted on the main one.
    struct Loaded {
        std::map<std::string, Ref<Animation>> animations;
        std::vector<Ref<Road>> roads;
    };
    static LoadPlan planLoad();
    static Loaded load(const LoadPlan& plan);
    void startLoading();
    void adopt(Loaded loaded);

    static bool onTablet();
    // The slots of the device's map file, in this window's points, by key;
    // none when the file cannot be read (logged).
    static std::map<int32_t, Ref<MAP_OBJECT>> readMapFile();
    // Moves the slots of a loaded save to where this device's map file puts
    // them. The save holds positions in the points of the device that wrote
    // it, and every device profile shares the one data folder: a village
    // saved on the phone and continued on the tablet would otherwise stand
    // at the phone's points, leaving most of the tablet's window uncovered.
    // Only the positions move; what play changed (the buildings on the
    // slots, revealed decorations) stays as saved.
    void placeForThisDevice();
    // The file of the bundle read into a reader, or null (logged).
    static Ref<XML> readBundled(const std::string& file);
    // The same from the file's path in the bundle (empty: not there).
    static Ref<XML> readPath(const std::string& file, const std::string& path);

    std::map<std::string, Ref<XML>> XmlFiles;
    std::vector<Ref<Road>> Roads;
    std::map<std::string, Ref<Animation>> Animations;
    std::thread loader_; // ParseInBackground's; joined before the next one and on destruction
};

} // namespace mw
