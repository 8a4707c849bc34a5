#include "game/state/DataParser.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/support/CCArray.h"
#include "foundation/AtomicFile.h"
#include "foundation/Format.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "foundation/ValueObject.h"
#include "game/state/Profile.h"
#include "game/state/UpgradeAction.h"

namespace mw {

namespace {

constexpr const char* kGameDataFile = "test.xml";
constexpr const char* kConnectionGroups[] = {"RABBIT_GRASS", "WOLF_WOOD"};
constexpr int32_t kFirstSettlement = 88; // B_SETTLEMENT, standing when a village is founded

// One element of a list: its attributes and child lists are asked for with
// the element's own prefix ("Upgrade[3].") on the reader of the list.
class Element {
public:
    Element(const XML* list, const char* name, int index)
        : list_(list), prefix_(format("%s[%d].", name, index))
    {
    }

    int32_t integer(std::string_view attribute) const { return attr(attribute).intValue(); }
    float real(std::string_view attribute) const { return attr(attribute).floatValue(); }
    std::string text(std::string_view attribute) const { return attr(attribute).stringValue(); }
    bool flag(std::string_view attribute) const { return DataParser::stringToBool(text(attribute)); }
    // The reader of a child list ("ResourceItems[0].ResourceItem"), or null.
    Ref<XML> list(std::string_view path) const { return list_->query(prefix_ + std::string(path)).reader(); }

private:
    XMLQueryResult attr(std::string_view attribute) const
    {
        return list_->query(prefix_ + "@" + std::string(attribute));
    }

    const XML* list_;
    std::string prefix_;
};

// The length of a list fetched as a reader ("Level.count"); 0 for none.
int lengthOf(const Ref<XML>& list, const char* name)
{
    return list ? list->query(std::string(name) + ".count").intValue() : 0;
}

// The identifiers of a child list of an element ("ReqUpgradeItem[%d].@ID").
std::vector<int32_t> identifiersIn(const Element& element, std::string_view path, const char* name)
{
    std::vector<int32_t> identifiers;
    Ref<XML> list = element.list(path);
    const int length = lengthOf(list, name);
    for (int i = 0; i < length; ++i) identifiers.push_back(Element(list.get(), name, i).integer("ID"));
    return identifiers;
}

} // namespace

struct DataParser::GameData {
    std::vector<int32_t> levels;
    std::vector<int32_t> rewards;
    std::vector<Ref<TutorialFrameDef>> tutorialFrames;
    std::vector<Ref<Collectible>> collectibles;
    std::vector<Ref<Resource>> resources;
    std::vector<Ref<UpgradeItem>> upgrades;

    int32_t seasonTime = 0;
    int32_t mineFood = 0;
    int32_t ratJump = 0;
    int32_t wolfJump = 0;
    int32_t movesPerFood = 0;
    int32_t microGoldCount[6] = {};
    int32_t goldLevel[6] = {};
    int32_t taxTimeH = 0;
    int32_t taxTimeM = 0;
    int32_t taxTimeS = 0;
    int32_t mineMovesPrice = 0;
    int32_t fieldSavePrice = 0;
    int32_t kanapkaMoves = 0;

    // The first identifier outside the profile's count lists, described; empty when none is.
    std::string outOfRange;

    void check(int32_t identifier, int32_t slots, const std::string& where, const char* what)
    {
        if (outOfRange.empty() && (identifier < 0 || identifier >= slots)) {
            outOfRange = format("%s gives %s %d, outside 0..%d", where.c_str(), what, identifier, slots - 1);
        }
    }
};

std::string DataParser::gameDataPath()
{
    const std::string cached = Paths::cachesPath(kGameDataFile);
    return Paths::fileExists(cached) ? cached : bundledGameDataPath();
}

std::string DataParser::bundledGameDataPath()
{
    return Paths::pathForResource(kGameDataFile);
}

bool DataParser::parseData(const std::string& path)
{
    GameData data;
    std::string reason;
    if (read(path, data, reason)) {
        apply(data);
        return true;
    }
    const std::string bundled = bundledGameDataPath();
    if (bundled.empty() || bundled == path) {
        logLine("DataParser: %s: %s; no game data read", path.c_str(), reason.c_str());
        return false;
    }
    logLine("DataParser: %s: %s; reading the bundled game data", path.c_str(), reason.c_str());
    data = GameData();
    if (!read(bundled, data, reason)) {
        logLine("DataParser: %s: %s; no game data read", bundled.c_str(), reason.c_str());
        return false;
    }
    apply(data);
    return true;
}

bool DataParser::read(const std::string& path, GameData& data, std::string& reason)
{
    std::vector<uint8_t> bytes;
    if (path.empty()) {
        reason = "no game-data file";
        return false;
    }
    if (!AtomicFile::read(path, bytes, &reason)) return false;
    try {
        const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        xml = XML::initWithString(text);
    } catch (const XMLParseException& failure) {
        reason = std::string(XMLParseException::kName) + ": " + failure.what();
        return false;
    }

    Ref<XML> levels = xml->query("Levels.Level").reader();
    for (int i = 0, length = lengthOf(levels, "Level"); i < length; ++i) {
        const Element level(levels.get(), "Level", i);
        data.levels.push_back(level.integer("Points"));
        data.rewards.push_back(level.integer("Nagroda"));
    }

    Ref<XML> frames = xml->query("TutorialFrames.TutorialFrame").reader();
    for (int i = 0, length = lengthOf(frames, "TutorialFrame"); i < length; ++i) {
        const Element element(frames.get(), "TutorialFrame", i);
        Ref<TutorialFrameDef> frame = makeRef<TutorialFrameDef>();
        frame->ID = element.integer("ID");
        frame->LangID = element.text("Name");
        frame->Icon = element.text("IconPng");
        frame->WorkerIcon = element.text("WorkerIcon");
        frame->AdditionalNumber = element.integer("AdditionaNumber");
        frame->RelationID = element.integer("CollectibleID");
        const char* kinds[] = {"bOnlyText", "bSingleIcon", "bCollectible", "bResource"};
        for (int kind = 0; kind < 4; ++kind) {
            if (element.flag(kinds[kind])) {
                frame->Type = 100 + kind;
                break;
            }
        }
        frame->Done = false;
        for (int placement = 1; placement <= 6; ++placement) {
            frame->bPlacements.push_back(element.flag(format("bPlacement%d", placement)));
        }
        data.tutorialFrames.push_back(frame);
    }

    Ref<XML> kinds = xml->query("Collectibles.Collectible").reader();
    for (int i = 0, length = lengthOf(kinds, "Collectible"); i < length; ++i) {
        const Element element(kinds.get(), "Collectible", i);
        Ref<Collectible> kind = makeRef<Collectible>();
        kind->ID = element.integer("ID");
        kind->name = element.text("Name");
        kind->isMineAvailable = element.flag("MineAvailable");
        kind->isFieldAvailable = element.flag("FieldAvailable");
        kind->pngName = element.text("PngName");
        kind->pngNameSummer = element.text("PngNameSummer");
        kind->pngNameSpring = element.text("PngNameSpring");
        kind->pngNameAutumn = element.text("PngNameAutumn");
        kind->pngNameWinter = element.text("PngNameWinter");
        kind->nextCollectibleCount = element.integer("NextCollectibleCount");
        kind->nextCollectible = element.integer("NextCollectible");
        kind->nextResourceCount = element.integer("NextResourceCount");
        kind->nextResource = element.integer("NextResource");
        kind->minGroup = element.integer("MinGroup");
        kind->probability = element.real("Probability");
        kind->probSummer = element.real("ProbSummer");
        kind->probWinter = element.real("ProbWinter");
        kind->probAutumn = element.real("ProbAutumn");
        kind->probSpring = element.real("ProbSpring");
        kind->MovesTime = element.flag("MovesTime");
        kind->isAnim = element.flag("IsAnimated");
        kind->ConstAnim = element.flag("ConstAnim");
        kind->Points = element.integer("Points");
        kind->PointsColl = element.integer("PointsColl");
        Ref<XML> groups = element.list("ConnGroup.ConnGroupS");
        if (const int length = lengthOf(groups, "ConnGroupS"); length > 0) {
            std::vector<int32_t> connGroups;
            for (int g = 0; g < length; ++g) {
                const std::string group = Element(groups.get(), "ConnGroupS", g).text("Name");
                for (int32_t known = 0; known < 2; ++known) {
                    if (group == kConnectionGroups[known]) connGroups.push_back(known);
                }
            }
            kind->connGroups = std::move(connGroups);
        }
        const std::string where = "Collectible[" + std::to_string(i) + "]";
        data.check(kind->ID, Profile::kResourceSlots, where, "the tile kind");
        data.check(kind->nextResource, Profile::kResourceSlots, where, "the next resource");
        data.check(kind->nextCollectible, Profile::kResourceSlots, where, "the next tile kind");
        data.collectibles.push_back(kind);
    }

    Ref<XML> resources = xml->query("Resources.Resource").reader();
    for (int i = 0, length = lengthOf(resources, "Resource"); i < length; ++i) {
        const Element element(resources.get(), "Resource", i);
        Ref<Resource> resource = makeRef<Resource>();
        resource->ID = element.integer("ID");
        resource->Value = element.integer("Value");
        resource->ValueSell = element.integer("ValueSell");
        resource->Name = element.text("Name");
        resource->PngName = element.text("PngName");
        resource->MineAvailable = element.flag("MineAvailable");
        resource->FieldAvailable = element.flag("FieldAvailable");
        resource->MicroRes = element.flag("MicroTrans");
        resource->SpecialRes = element.flag("SpecialResource");
        resource->AtStart = element.integer("AtStart");
        resource->GenerateFood = element.flag("GenerateFood");
        resource->Moves = element.integer("Moves");
        resource->Points = element.integer("Points");
        data.check(resource->ID, Profile::kResourceSlots, "Resource[" + std::to_string(i) + "]",
                   "the resource");
        data.resources.push_back(resource);
    }

    Ref<XML> settings = xml->query("Settings").reader();
    auto setting = [&settings](const char* attribute) {
        return settings ? settings->query(std::string("Settings.@") + attribute).intValue() : 0;
    };
    data.seasonTime = setting("SeasonTime");
    data.mineFood = setting("MineFood");
    data.ratJump = setting("RatJump");
    data.wolfJump = setting("WolfJump");
    data.movesPerFood = setting("MovesPerFood");
    for (int pack = 0; pack < 6; ++pack) {
        data.microGoldCount[pack] = setting(format("MicroGoldCount%d", pack + 1).c_str());
        data.goldLevel[pack] = setting(format("GoldLevel%d", pack + 1).c_str());
    }
    data.taxTimeH = setting("TaxTimeH");
    data.taxTimeM = setting("TaxTimeM");
    data.taxTimeS = setting("TaxTimeS");
    data.mineMovesPrice = setting("MineBMovesPrice");
    data.fieldSavePrice = setting("FieldSavePrice");
    data.kanapkaMoves = setting("KanapkaMoves");

    Ref<XML> upgrades = xml->query("Upgrades.Upgrade").reader();
    for (int i = 0, length = lengthOf(upgrades, "Upgrade"); i < length; ++i) {
        const Element element(upgrades.get(), "Upgrade", i);
        const std::string where = "Upgrade[" + std::to_string(i) + "]";
        Ref<UpgradeItem> upgrade = makeRef<UpgradeItem>();
        upgrade->ID = element.integer("ID");
        upgrade->Name = element.text("Name");
        upgrade->PngName = element.text("PngName");
        upgrade->Type = element.integer("Type");
        upgrade->ReqLevel = element.integer("ReqLevel");
        upgrade->NextUpdateEnum = element.integer("NextUpdateIndex");
        upgrade->StageMaxQuantity = element.integer("StageQuantity");
        upgrade->isMine = element.flag("IsMine");
        upgrade->isField = element.flag("IsField");
        upgrade->isHidden = element.flag("Hidden");
        upgrade->Priority = element.integer("Priorytet");
        upgrade->Points = element.integer("Points");
        upgrade->Money = element.integer("Money");
        upgrade->Group = element.integer("GroupNumber");
        upgrade->isAnim = element.flag("Animated");
        upgrade->BonusTime = element.integer("BonusTime");
        upgrade->BonusMoney = element.integer("BonusMoney");
        data.check(upgrade->ID, Profile::kUpgradeSlots, where, "the upgrade");
        data.check(std::max(upgrade->NextUpdateEnum, 0), Profile::kUpgradeSlots, where, "the next upgrade");

        Ref<XML> costs = element.list("ResourceItems[0].ResourceItem");
        for (int c = 0, count = lengthOf(costs, "ResourceItem"); c < count; ++c) {
            const Element line(costs.get(), "ResourceItem", c);
            Ref<ResourceCostItem> cost = makeRef<ResourceCostItem>();
            cost->ResourceId = line.integer("ID");
            cost->ResourceQuantity = line.integer("Quantity");
            data.check(cost->ResourceId, Profile::kResourceSlots, where, "a cost in resource");
            upgrade->ResourceCostArr.push_back(cost);
        }
        if (upgrade->Type == 2) {
            upgrade->BonusResources.emplace();
            for (int32_t resource :
                 identifiersIn(element, "BonusResources[0].BonusResource", "BonusResource")) {
                data.check(resource, Profile::kResourceSlots, where, "a bonus resource");
                (*upgrade->BonusResources)[resource] += 1;
            }
            upgrade->BonusTools.emplace();
            for (int32_t tool : identifiersIn(element, "BonusTools[0].BonusTool", "BonusTool")) {
                data.check(tool, Profile::kUpgradeSlots, where, "a bonus tool");
                (*upgrade->BonusTools)[tool] += 1;
            }
        }

        upgrade->Actions = CCArray::array();
        Ref<XML> actions = element.list("Actions[0].ActionItem");
        for (int a = 0, count = lengthOf(actions, "ActionItem"); a < count; ++a) {
            const Element item(actions.get(), "ActionItem", a);
            Ref<UpgradeAction> action = makeRef<UpgradeAction>();
            action->ID = item.integer("Type");
            action->name = item.text("Name");
            action->Probability = item.real("Probability");
            action->ProbAutumn = item.real("ProbAutumn");
            action->ProbSpring = item.real("ProbSpring");
            action->ProbSummer = item.real("ProbSummer");
            action->ProbWinter = item.real("ProbWinter");
            action->Value1 = item.integer("Value");
            action->Value2 = item.integer("Value2");
            action->IDAction = item.integer("ID");
            // The one effect that indexes a count list directly: a stock change.
            if (action->ID == 14) {
                data.check(action->Value1, Profile::kResourceSlots, where, "an effect on resource");
            }
            upgrade->Actions->addObject(action.get());
        }
        upgrade->ReqUpgrades = CCArray::array();
        for (int32_t required : identifiersIn(element, "ReqUpgrades[0].ReqUpgradeItem", "ReqUpgradeItem")) {
            data.check(required, Profile::kUpgradeSlots, where, "a required upgrade");
            upgrade->ReqUpgrades->addObject(ValueObject::with(Value(required)).get());
        }
        data.upgrades.push_back(upgrade);
    }
    xml = nullptr;

    if (data.levels.size() < 2) {
        reason = format("%d level(s); a game needs at least two", static_cast<int>(data.levels.size()));
        return false;
    }
    if (!data.outOfRange.empty()) {
        reason = data.outOfRange;
        return false;
    }
    return true;
}

void DataParser::apply(GameData& data)
{
    Profile* profile = Profile::sharedInstance();
    profile->collectibleDict.clear();
    profile->resourceDict.clear();
    profile->UpgradesDict.clear();
    profile->ToolsDict.clear();
    profile->BuildingsDict.clear();
    profile->WorkersDict.clear();
    profile->MicroResDict.clear();
    profile->TutorialDict.clear();

    profile->LevelsArray = data.levels;
    profile->LevelsBonusArray = data.rewards;
    profile->ExperienceStep = static_cast<float>(data.levels[1]);
    profile->LastExperienceStep = static_cast<float>(data.levels[0]);

    for (const Ref<TutorialFrameDef>& frame : data.tutorialFrames) profile->TutorialDict[frame->ID] = frame;
    for (const Ref<Collectible>& kind : data.collectibles) profile->collectibleDict[kind->ID] = kind;

    for (const Ref<Resource>& resource : data.resources) {
        profile->increaseResource(resource->ID, resource->AtStart);
        // Every kind is looked at, by ascending identifier; the last match wins.
        for (const auto& [identifier, kind] : profile->collectibleDict) {
            if (kind->nextResource == resource->ID) resource->CollectibleEnum = kind->ID;
        }
        if (resource->ID >= 19) {
            profile->MicroResDict[resource->ID] = resource;
        } else if (resource->ID <= 17) {
            profile->resourceDict[resource->ID] = resource;
        }
    }

    profile->stepsToChangeSeason = data.seasonTime;
    profile->countryStepsForBar =
        static_cast<int32_t>(std::clamp<int64_t>(int64_t(4) * data.seasonTime, INT32_MIN, INT32_MAX));
    profile->MaxMineMoves = data.mineFood;
    profile->RatJumpProbability = data.ratJump;
    profile->WolfJumpProbability = data.wolfJump;
    profile->MovesPerFood = data.movesPerFood;
    int32_t* microGold[] = {&profile->MicroGoldCount1, &profile->MicroGoldCount2, &profile->MicroGoldCount3,
                            &profile->MicroGoldCount4, &profile->MicroGoldCount5, &profile->MicroGoldCount6};
    int32_t* goldLevel[] = {&profile->GoldLevel1, &profile->GoldLevel2, &profile->GoldLevel3,
                            &profile->GoldLevel4, &profile->GoldLevel5, &profile->GoldLevel6};
    for (int pack = 0; pack < 6; ++pack) {
        *microGold[pack] = data.microGoldCount[pack];
        *goldLevel[pack] = data.goldLevel[pack];
    }
    profile->TaxTimeH = static_cast<float>(data.taxTimeH);
    profile->TaxTimeM = static_cast<float>(data.taxTimeM);
    profile->TaxTimeS = static_cast<float>(data.taxTimeS);
    profile->MoreMineMovesPrice = data.mineMovesPrice;
    profile->SaveFieldPrice = data.fieldSavePrice;
    profile->ExtraMineMoves = data.kanapkaMoves;

    for (const Ref<UpgradeItem>& upgrade : data.upgrades) profile->UpgradesDict[upgrade->ID] = upgrade;
    profile->ConfigLoaded = true;

    // A new village: its first settlement stands, finished, at level 1.
    UpgradeItem* settlement = profile->GetUpgrade(kFirstSettlement);
    if (settlement) settlement->isHidden = false;
    profile->increaseUpgradeCount(kFirstSettlement, 1);
    profile->PlayerLevel = 1;
    profile->CurrentBuildingCount += 1;
    if (settlement) settlement->DoneWithThat = true;
    profile->CityLevel = 1;
    profile->CurrentTaxes = profile->GoldLevel1;

    profile->RegenerateBuyIndexes();
}

} // namespace mw
