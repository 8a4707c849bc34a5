#include "game/state/Profile.h"

#include <atomic>
#include <string_view>

#include "foundation/Log.h"
#include "foundation/Shared.h"
#include "foundation/UserDefaults.h"
#include "game/state/AchievementLedger.h"
#include "game/state/SaveFile.h"

namespace mw {

namespace {

constexpr std::string_view kResourceNames =
    "SOUP,PIE,BREAD,FLOCK,DROVE,HERD,IRON_BAR,SILVER_BAR,GOLD_BAR,BUILDING_BLOCK,COAL_CART,"
    "TREASURE_CHEST,PLANK,EARTH_RES,GRASS_RES,RUBBLE_RES,PEOPEL,RESOURCE_MICROTRANS,MONEY_1,MONEY_2,"
    "MONEY_3,MONEY_4,MONEY_5,MONEY_6";

constexpr std::string_view kUpgradeNames =
    "PICK_IRON,PICK_SILVER,PICK_GOLD,HAMMER_STONE,HAMMER_COAL,HAMMER_DIAMOND,PICKER_CARROT,PICKER_APPLE,"
    "PICKER_GRAIN,PICKER_CHICKEN,PICKER_PIG,PICKER_COW,PICKER_WOOD,FARMER_PIG,B_SHAFT,B_LOOKOUT,"
    "B_FORESTER,B_MARKET,B_WORKSHOP,B_GRANARY,B_COTTAGE,B_FENCE,TOOL_METHANE,TOOL_EARTH,TOOL_RUBBLE,"
    "B_QUARRY,B_TOWNHALL,B_BAKERY,B_MINE,B_PANTRY,B_HOUSE,B_BUTCHER,B_GREENHOUSE,B_MAISON,B_INN,"
    "B_OBSERVATORY,B_HILL,B_CASTLE,B_FORGE,B_IRONWORK,B_BUILDINGSITE,B_ALCHEMIST,B_LIFT,B_MINT,"
    "B_COALTROLLEY,B_GOLDMINE,B_DIAMONDCUTTER,B_TREASURY,B_JEWELER,B_YARD,B_WINDMILL,B_MILL,B_HENHOUSE,"
    "B_CARROTPATCH,B_FEEDINGTROUGH,B_GARDEN,B_PIGSTY,B_APPLETREE,B_PASTURE,B_ORCHARD,B_COWSHED,"
    "B_RATCATCHER,B_KENNEL,PICKER_GRASS,FARMER_COW,FARMER_CARROT,FARMER_APPLE,MINER_STONE,MINER_IRON,"
    "MINER_COAL,MINER_SILVER,MINER_DIAMOND,MINER_GOLD,PROSPECTOR_COAL,PROSPECTOR_SILVER,"
    "PROSPECTOR_DIAMOND,PROSPECTOR_GOLD,TOOL_GRASS,TOOL_WOOD,TOOL_GRAIN,TOOL_CARROT,TOOL_APPLE,"
    "TOOL_CHICKEN,TOOL_PIG,TOOL_COW,TOOL_RAT,TOOL_WOLF,B_SETTLEMENT,B_VILLAGEHALL,B_CITYHALL,B_FIELDS,"
    "B_VENTILATION,B_SAWMILL,TOOL_COMPOST,TOOL_SAPLING,B_CONVEYOR,TOOL_GRASS_GRAIN,TOOL_LUNCHBOX,"
    "TOOL_COAL_TO_SILVER,TOOL_SILVER_TO_COAL,B_SETTLEMENT2,B_LARDER,B_BARN,B_PEN,TOOL_EXTRA_1,"
    "TOOL_EXTRA_2,TOOL_EXTRA_3,TOOL_EXTRA_4,TOOL_EXTRA_5,TOOL_EXTRA_6,TOOL_EXTRA_7,TOOL_EXTRA_8,"
    "TOOL_EXTRA_9,TOOL_EXTRA_10,B_UPGRADE_1,B_UPGRADE_2,B_UPGRADE_3,B_UPGRADE_4,B_UPGRADE_5,B_UPGRADE_6,"
    "B_UPGRADE_7,B_UPGRADE_8,B_UPGRADE_9,B_UPGRADE_10,B_UPGRADE_11,B_UPGRADE_12,B_UPGRADE_13,"
    "B_UPGRADE_14,B_UPGRADE_15,B_UPGRADE_16,B_UPGRADE_17,B_UPGRADE_18,B_UPGRADE_19,TOOL_UPGRADE_10,"
    "TOOL_UPGRADE_11,TOOL_UPGRADE_12,TOOL_UPGRADE_13,TOOL_UPGRADE_14,TOOL_UPGRADE_15,TOOL_UPGRADE_16,"
    "TOOL_UPGRADE_17,TOOL_UPGRADE_18,TOOL_UPGRADE_19";

std::vector<std::string> split(std::string_view text, char separator)
{
    std::vector<std::string> pieces;
    for (size_t start = 0;;) {
        const size_t end = text.find(separator, start);
        const size_t length = end == std::string_view::npos ? std::string_view::npos : end - start;
        pieces.emplace_back(text.substr(start, length));
        if (end == std::string_view::npos) return pieces;
        start = end + 1;
    }
}

struct Achievement {
    int32_t subject; // a resource or an upgrade identifier
    const char* identifier;
    const char* desc;
    int32_t threshold; // resources only
    int32_t points;
};

// Counted achievements of resources made from tiles. The thresholds are
// these numbers, whatever number a text key carries.
constexpr Achievement kResourceAchievements[] = {
    {1, "com.zandovar.mw.soupforall", "ACH_SOUP12", 60, 15},
    {2, "com.zandovar.mw.americanpie", "ACH_PIE5", 12, 20},
    {4, "com.zandovar.mw.chicksforfree", "ACH_FLOCK100", 100, 10},
    {6, "com.zandovar.mw.moo", "ACH_COWHEARD", 3, 15},
    {8, "com.zandovar.mw.shinysilver", "ACH_SILVERBAR1", 1, 5},
    {9, "com.zandovar.mw.fortknox", "ACH_GOLDBAR10", 10, 15},
    {11, "com.zandovar.mw.firstcartload", "ACH_COALCART1", 1, 5},
    {12, "com.zandovar.mw.diamondsareforever", "ACH_DIAMBOX1", 2, 15},
    {16, "com.zandovar.mw.ontherocks", "ACH_RUMBLEPILE", 10, 10},
};
constexpr Achievement kHoarder = {0, "com.zandovar.mw.hoarder", "ACH_RES1000", 2000, 15};

constexpr Achievement kBuildingAchievements[] = {
    {27, "com.zandovar.mw.downtown", "ACH_TOWNHALL", 0, 15},
    {38, "com.zandovar.mw.kinginmycastle", "ACH_CASTLE", 0, 25},
    {89, "com.zandovar.mw.villagepeople", "ACH_VILLAGE", 0, 10},
    {90, "com.zandovar.mw.summerinthecity", "ACH_CITYHALL", 0, 20},
    {101, "com.zandovar.mw.settler", "ACH_SETTLE", 0, 5},
};

std::atomic<AchievementLedger*> gLedger{nullptr};

template <typename Record>
Record* find(const std::map<int32_t, Ref<Record>>& table, int32_t identifier)
{
    auto it = table.find(identifier);
    return it == table.end() ? nullptr : it->second.get();
}

} // namespace

Profile::Profile()
    : Loaded(UserDefaults::standardUserDefaults().boolForKey("Loaded")),
      ResourceCountArray(kResourceSlots, 0),
      CollectibleCountArray(kResourceSlots, 0),
      UpgradesCountArray(kUpgradeSlots, 0),
      UpgradesSeenArray(kUpgradeSlots, false),
      VillageName("MyVille"),
      CityLevel(1),
      BonusCoinGold(200),
      EnumNames(split(kUpgradeNames, ',')),
      EnumResNames(split(kResourceNames, ','))
{
}

Profile* Profile::sharedInstance()
{
    return Shared<Profile>::get();
}

void Profile::purgeSharedInstance()
{
    Shared<Profile>::purge();
}

void Profile::setAchievementLedger(AchievementLedger* ledger)
{
    gLedger.store(ledger);
}

AchievementLedger* Profile::achievementLedger()
{
    return gLedger.load();
}

Collectible* Profile::GetCollectible(int32_t kind) const
{
    return find(collectibleDict, kind);
}

Resource* Profile::GetResource(int32_t resource) const
{
    return find(resourceDict, resource);
}

Resource* Profile::GetMicroResource(int32_t resource) const
{
    return find(MicroResDict, resource);
}

UpgradeItem* Profile::GetUpgrade(int32_t upgrade) const
{
    return find(UpgradesDict, upgrade);
}

TutorialFrameDef* Profile::GetTutorialDef(int32_t frame) const
{
    return find(TutorialDict, frame);
}

bool Profile::IsAnimCollectible(int32_t kind) const
{
    const Collectible* collectible = GetCollectible(kind);
    return collectible && collectible->isAnim;
}

bool Profile::IsConstAnimCollectible(int32_t kind) const
{
    const Collectible* collectible = GetCollectible(kind);
    return collectible && collectible->ConstAnim;
}

std::vector<Ref<Resource>> Profile::GetResourcesForMode(int32_t mode) const
{
    std::vector<Ref<Resource>> shown;
    if (mode != 0 && mode != 1) return shown;
    for (const auto& [identifier, resource] : resourceDict) {
        if (mode == 0 ? resource->MineAvailable : resource->FieldAvailable) shown.push_back(resource);
    }
    return shown;
}

std::vector<Ref<Collectible>> Profile::GetCollectiblesForMode(int32_t mode) const
{
    std::vector<Ref<Collectible>> shown;
    if (mode != 0 && mode != 1) return shown;
    for (const auto& [identifier, collectible] : collectibleDict) {
        const bool shownInMode = mode == 0 ? collectible->isMineAvailable : collectible->isFieldAvailable;
        if (shownInMode) shown.push_back(collectible);
    }
    return shown;
}

int Profile::slotOf(int32_t identifier, int slots, const char* what)
{
    if (identifier >= 0 && identifier < slots) return identifier;
    logLine("Profile: %s %d is outside 0..%d; ignored", what, identifier, slots - 1);
    return -1;
}

int32_t Profile::GetResourceCount(int32_t resource) const
{
    const int slot = slotOf(resource, kResourceSlots, "resource");
    return slot < 0 ? 0 : ResourceCountArray[slot];
}

void Profile::SetResourceCount(int32_t resource, int32_t cnt)
{
    const int slot = slotOf(resource, kResourceSlots, "resource");
    if (slot >= 0) ResourceCountArray[slot] = cnt;
}

void Profile::increaseResource(int32_t resource, int32_t by)
{
    const int slot = slotOf(resource, kResourceSlots, "resource");
    if (slot < 0) return;
    ResourceCountArray[slot] += by;
    // The workers are no goods: handing them out is not spending.
    if (by < 0 && resource != 17) TotalResSpend -= by;
}

int32_t Profile::GetCollectibleCount(int32_t kind) const
{
    const int slot = slotOf(kind, kResourceSlots, "tile kind");
    return slot < 0 ? 0 : CollectibleCountArray[slot];
}

void Profile::increaseCollectible(int32_t kind, int32_t by)
{
    const int slot = slotOf(kind, kResourceSlots, "tile kind");
    if (slot < 0) return;
    CollectibleCountArray[slot] += by;
    const Collectible* collectible = GetCollectible(kind);
    const int32_t held = CollectibleCountArray[slot];
    // An upgrade effect can push the threshold to 0 or below: such a kind
    // makes no resource, as a threshold of 0 says.
    const int32_t threshold = collectible ? collectible->nextResourceCount : 0;
    if (threshold <= 0 || held < threshold) return;
    const int32_t units = held / threshold;
    TotalResColl += units;
    increaseResource(collectible->nextResource, units);
    ValidateResourceAchievement(collectible->nextResource, units);
    CollectibleCountArray[slot] = held - units * threshold;
}

int32_t Profile::GetUpgradeCount(int32_t upgrade) const
{
    const int slot = slotOf(upgrade, kUpgradeSlots, "upgrade");
    return slot < 0 ? 0 : UpgradesCountArray[slot];
}

void Profile::increaseUpgradeCount(int32_t upgrade, int32_t by)
{
    const int slot = slotOf(upgrade, kUpgradeSlots, "upgrade");
    if (slot < 0) return;
    UpgradesCountArray[slot] += by;
    ValidateUpgradeAchievement(upgrade);
}

void Profile::SetObjectSeen(int32_t upgrade)
{
    const int slot = slotOf(upgrade, kUpgradeSlots, "upgrade");
    if (slot >= 0) UpgradesSeenArray[slot] = true;
}

void Profile::SetObjectNotSeen(int32_t upgrade)
{
    const int slot = slotOf(upgrade, kUpgradeSlots, "upgrade");
    if (slot >= 0) UpgradesSeenArray[slot] = false;
}

bool Profile::WasObjectSeen(int32_t upgrade) const
{
    const int slot = slotOf(upgrade, kUpgradeSlots, "upgrade");
    return slot >= 0 && UpgradesSeenArray[slot];
}

int32_t Profile::GetNotSeenCount() const
{
    int32_t count = 0;
    for (bool newlyAvailable : UpgradesSeenArray) count += newlyAvailable ? 1 : 0;
    return count;
}

int32_t Profile::notSeenIn(const std::vector<int32_t>& upgrades) const
{
    int32_t count = 0;
    for (int32_t upgrade : upgrades) count += WasObjectSeen(upgrade) ? 1 : 0;
    return count;
}

int32_t Profile::GetNotSeenCountBuildings() const
{
    return notSeenIn(BuildingsDict);
}

int32_t Profile::GetNotSeenCountWorkers() const
{
    return notSeenIn(WorkersDict);
}

int32_t Profile::GetNotSeenCountTools() const
{
    return notSeenIn(ToolsDict);
}

void Profile::ValidateResourceAchievement(int32_t resource, int32_t add)
{
    AchievementLedger* ledger = gLedger.load();
    if (!ledger) return;
    for (const Achievement& achievement : kResourceAchievements) {
        if (achievement.subject != resource) continue;
        if (ledger->IsAchievementDone(achievement.identifier)) return;
        const int32_t progress = ledger->GetAchievementHelperState(achievement.identifier) + add;
        ledger->SetAchievementHelperState(achievement.identifier, progress);
        if (progress >= achievement.threshold) {
            ledger->AchievementDone(achievement.identifier, achievement.desc, achievement.points);
        }
        return;
    }
    if (TotalResColl >= kHoarder.threshold && !ledger->IsAchievementDone(kHoarder.identifier)) {
        ledger->AchievementDone(kHoarder.identifier, kHoarder.desc, kHoarder.points);
    }
}

void Profile::ValidateUpgradeAchievement(int32_t upgrade)
{
    AchievementLedger* ledger = gLedger.load();
    const UpgradeItem* item = GetUpgrade(upgrade);
    if (!ledger || !item || item->Type != 2) return;
    for (const Achievement& achievement : kBuildingAchievements) {
        if (achievement.subject == upgrade && !ledger->IsAchievementDone(achievement.identifier)) {
            ledger->AchievementDone(achievement.identifier, achievement.desc, achievement.points);
        }
    }
}

} // namespace mw
