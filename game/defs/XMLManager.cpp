#include "game/defs/XMLManager.h"

#include <memory>

#include "engine/base/CCWinSize.h"
#include "engine/support/CCFileUtils.h"
#include "foundation/AtomicFile.h"
#include "foundation/KeyedArchive.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "foundation/Random.h"
#include "foundation/RunLoop.h"
#include "foundation/Shared.h"
#include "foundation/UserDefaults.h"
#include "game/state/GlobalObject.h"
#include "game/state/Profile.h"

namespace mw {

namespace {

const std::vector<std::string> kAnimationFiles = {
    "main_menu.xml", "build.xml", "build_pivot.xml", "map_b_bakery.xml", "map_b_feeding_trough.xml",
    "map_b_gold_mine.xml", "map_b_hen-house.xml", "map_b_ironwork.xml", "map_b_lookout.xml", "map_b_mill.xml",
    "map_b_pigsty.xml", "map_b_ventilation_shaft.xml", "map_b_windmill.xml", "map_b_workshop.xml",
    "map_b_yard.xml", "map_b_forge.xml", "map_b_lift.xml", "map_b_observatory.xml", "map_b_kennel.xml",
    "map_b_camp.xml", "map_b_saw_mill.xml", "map_b_pasture.xml", "map_b_cow_shed.xml",
    "map_b_building_site.xml", "map_fishes.xml", "tutorial_01.xml", "tutorial_01a.xml", "tutorial_02.xml",
    "tutorial_03.xml", "chicken.xml", "pig.xml", "cow.xml", "star_blik.xml", "flag_01.xml", "flag_02.xml",
    "flag_03.xml",
};

const std::vector<std::string> kTabletAnimationFiles = {
    "snow.xml", "grass.xml", "grass_spring.xml", "grass_autumn.xml", "grain.xml",
    "wood_winter.xml", "wood_summer.xml", "wood_autumn.xml", "wood_spring.xml",
};

// The slot of the building that stands on the map from the start.
constexpr int32_t kStartGroup = 102;
constexpr int32_t kStartBuilding = 88;

} // namespace

XMLManager::XMLManager()
{
    Profile::addSaveParticipant(this);
}

XMLManager::~XMLManager()
{
    // A running load holds a reference, so by now its thread has at most
    // returned from handing the results back.
    if (loader_.joinable()) loader_.join();
    Profile::removeSaveParticipant(this);
}

XMLManager* XMLManager::sharedInstance()
{
    return Shared<XMLManager>::get();
}

void XMLManager::purgeSharedInstance()
{
    Shared<XMLManager>::purge();
}

const std::vector<std::string>& XMLManager::animationFiles()
{
    return kAnimationFiles;
}

const std::vector<std::string>& XMLManager::tabletAnimationFiles()
{
    return kTabletAnimationFiles;
}

bool XMLManager::onTablet()
{
    return GlobalObject::sharedInstance()->isIpad;
}

Ref<XML> XMLManager::readBundled(const std::string& file)
{
    return readPath(file, Paths::pathForResource(file));
}

Ref<XML> XMLManager::readPath(const std::string& file, const std::string& path)
{
    std::vector<uint8_t> bytes;
    std::string reason = "not in the bundle";
    if (path.empty() || !AtomicFile::read(path, bytes, &reason)) {
        logLine("XMLManager: %s cannot be read: %s", file.c_str(), reason.c_str());
        return nullptr;
    }
    try {
        return XML::initWithString(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    } catch (const XMLParseException& error) {
        logLine("XMLManager: %s is no XML: %s", file.c_str(), error.what());
        return nullptr;
    }
}

XMLManager::LoadPlan XMLManager::planLoad()
{
    LoadPlan plan;
    const bool tablet = onTablet();
    std::vector<std::string> files = kAnimationFiles;
    if (tablet) files.insert(files.end(), kTabletAnimationFiles.begin(), kTabletAnimationFiles.end());
    for (std::string& file : files) {
        std::string path = CCFileUtils::fullPathFromRelativePath(file);
        plan.templates.emplace_back(std::move(file), std::move(path));
    }
    plan.positionScale = Animation::devicePositionScale();
    plan.roadFile = tablet ? "roads_ipad.xml" : "roads_iphone.xml";
    plan.roadPath = Paths::pathForResource(plan.roadFile);
    plan.windowHeight = ccWinSize().height;
    return plan;
}

XMLManager::Loaded XMLManager::load(const LoadPlan& plan)
{
    Loaded loaded;
    for (const auto& [file, path] : plan.templates) {
        loaded.animations[file] = Animation::animationWithFile(path, plan.positionScale);
    }
    if (Ref<XML> reader = readPath(plan.roadFile, plan.roadPath)) {
        // A file without roads is allowed: the village then has no walkers.
        const int32_t count = reader->query("spline.count").intValue();
        for (int32_t index = 0; index < count; ++index) {
            loaded.roads.push_back(makeRef<Road>(reader, index, plan.windowHeight));
        }
    }
    return loaded;
}

void XMLManager::startLoading()
{
    FinishedLoading = false;
    XmlFiles.clear();
    Roads.clear();
    Animations.clear();
    MapObjects.clear();
}

void XMLManager::adopt(Loaded loaded)
{
    Animations = std::move(loaded.animations);
    Roads = std::move(loaded.roads);
    XmlFiles.clear();
    FinishedLoading = true;
}

void XMLManager::initXMLS()
{
    startLoading();
    adopt(load(planLoad()));
}

void XMLManager::ParseInBackground()
{
    if (loader_.joinable()) loader_.join();
    startLoading();
    loader_ = std::thread([plan = planLoad(), keep = Ref<XMLManager>(this)]() mutable {
        auto loaded = std::make_shared<Loaded>(load(plan));
        // The reference travels with the results, so the thread lets go of
        // the manager only on the main thread, where it may be destroyed.
        RunLoop::performOnMain([keep = std::move(keep), loaded] { keep->adopt(std::move(*loaded)); });
    });
}

Animation* XMLManager::GetAnimationNamed(const std::string& file) const
{
    auto it = Animations.find(file);
    return it == Animations.end() ? nullptr : it->second.get();
}

Road* XMLManager::GetRoad(int32_t index) const
{
    if (index < 0 || static_cast<size_t>(index) >= Roads.size()) return nullptr;
    return Roads[index].get();
}

Road* XMLManager::GetRandomRoad() const
{
    if (Roads.empty()) return nullptr;
    return Roads[Random::arc4random() % Roads.size()].get();
}

XML* XMLManager::GetXMLNamed(const std::string& file) const
{
    auto it = XmlFiles.find(file);
    return it == XmlFiles.end() ? nullptr : it->second.get();
}

std::map<int32_t, Ref<MAP_OBJECT>> XMLManager::readMapFile()
{
    std::map<int32_t, Ref<MAP_OBJECT>> slots;
    const bool tablet = onTablet();
    Ref<XML> reader = readBundled(tablet ? "map_slots_short.xml" : "map_short.xml");
    if (!reader) return slots;
    const int32_t count = reader->query("view[0].image.count").intValue();
    const float height = ccWinSize().height;
    const float scale = tablet ? 1.0f : 0.5f;
    for (int32_t n = 0; n < count; ++n) {
        auto attribute = [&](const char* name) {
            return reader->query("view[0].image[" + std::to_string(n) + "].@" + name);
        };
        Ref<MAP_OBJECT> slot = makeRef<MAP_OBJECT>();
        slot->Name = attribute("Name").stringValue();
        slot->x = static_cast<int32_t>(static_cast<float>(static_cast<int32_t>(attribute("x").value().asDouble())) * scale);
        slot->y = static_cast<int32_t>(height - static_cast<float>(attribute("y").value().asDouble()) * scale);
        slot->ID = attribute("ID").value().asInt();
        slot->GroupID = attribute("GroupID").value().asInt();
        slot->isTree = attribute("isTree").value().asInt();
        slot->IDBuild = slot->GroupID == kStartGroup ? kStartBuilding : -1;
        slots[slot->key()] = slot;
    }
    return slots;
}

void XMLManager::ParseMapData()
{
    for (auto& [key, slot] : readMapFile()) MapObjects[key] = slot;
}

void XMLManager::placeForThisDevice()
{
    const std::map<int32_t, Ref<MAP_OBJECT>> here = readMapFile();
    for (auto& [key, slot] : MapObjects) {
        auto found = here.find(key);
        if (found == here.end()) continue;
        slot->x = found->second->x;
        slot->y = found->second->y;
    }
}

void XMLManager::SaveTo(SaveSnapshot& save)
{
    if (MapObjects.empty()) ParseMapData();
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    defaults.setBool("MapDefLoaded", true);
    (void)defaults.synchronize();
    ArchiveItem::Entries entries;
    for (const auto& [key, slot] : MapObjects) entries.emplace_back(Value(key), ArchiveItem(slot));
    KeyedArchiver archiver;
    archiver.encodeItem("MapObjects", ArchiveItem::dictionary(std::move(entries)));
    (void)save.setArchive("MapObjects", archiver);
}

namespace {

// The slot table a save holds under "MapObjects": none when the entry is
// missing or empty (a save written before any slot was known), nothing
// (with the reason) when it is there but does not decode.
struct SavedSlots {
    std::map<int32_t, Ref<MAP_OBJECT>> table;
    std::string damage; // why the entry could not be taken; empty when it could
};

SavedSlots savedSlots(const Value& save)
{
    SavedSlots slots;
    const Value& stored = save["MapObjects"];
    if (stored.isNull()) return slots;
    if (!stored.isData()) {
        slots.damage = "\"MapObjects\" is no archive";
        return slots;
    }
    const Value::Bytes& bytes = stored.asData();
    KeyedUnarchiver coder(bytes.data(), bytes.size());
    const ArchiveItem table = coder.decodeItem("MapObjects");
    if (!coder.ok()) {
        slots.damage = "\"MapObjects\" does not decode: " + coder.error();
        return slots;
    }
    for (const auto& [key, slot] : table.entries()) {
        Ref<MAP_OBJECT> typed = slot.objectAs<MAP_OBJECT>();
        if (!typed) {
            slots.damage = "\"MapObjects\" holds an entry that is no map slot";
            slots.table.clear();
            return slots;
        }
        slots.table[key.value().asInt()] = typed;
    }
    return slots;
}

} // namespace

bool XMLManager::CanLoadFrom(const Value& save, std::string& reason) const
{
    SavedSlots slots = savedSlots(save);
    reason = std::move(slots.damage);
    return reason.empty();
}

void XMLManager::LoadFrom(const Value* save)
{
    // The save alone says whether it holds the village's slots: the user
    // default "MapDefLoaded" is lost with a damaged settings file, and
    // rebuilding the map then would drop every building, for good at the
    // next save. A reset deletes the save, so a new game still starts from
    // the map file.
    if (save) {
        SavedSlots slots = savedSlots(*save);
        if (!slots.table.empty()) {
            MapObjects = std::move(slots.table);
            placeForThisDevice();
            return;
        }
    }
    ParseMapData();
}

} // namespace mw
