#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "foundation/KeyedArchive.h"
#include "foundation/PropertyList.h"
#include "foundation/ValueObject.h"
#include "game/state/Collectible.h"
#include "game/state/Resource.h"
#include "game/state/ResourceCostItem.h"
#include "game/state/UpgradeAction.h"
#include "game/state/UpgradeItem.h"

namespace mw {
namespace {

// How a field must stand in the archive's property list. A float shows its
// mark only when its text differs from the double's, so the samples' floats
// have no exact double form.
enum class Stored { Int32, Float, Bool, String, IntArray, ObjectArray, EngineArray, CountTable };

using Layout = std::vector<std::pair<std::string, Stored>>;

// The record's entry in the archive's property list.
Value archivedFields(const Archivable& record)
{
    std::string error;
    std::vector<uint8_t> bytes = archivedDataWithRootObject(&record, &error);
    EXPECT_FALSE(bytes.empty()) << error;
    std::optional<Value> archive = readPropertyList(bytes.data(), bytes.size(), &error);
    EXPECT_TRUE(archive) << error;
    return archive ? (*archive)["$top"]["root"] : Value();
}

template <typename Record>
Ref<Record> roundTrip(const Record& record)
{
    std::string error;
    std::vector<uint8_t> bytes = archivedDataWithRootObject(&record, &error);
    Ref<Record> back = dynamicRef<Record>(unarchiveObjectWithData(bytes, &error));
    EXPECT_TRUE(back) << error;
    return back;
}

bool storedAs(const Value& item, Stored kind)
{
    switch (kind) {
    case Stored::Int32:
        return item.is32Bit();
    case Stored::Float:
        return item.isFloat();
    case Stored::Bool:
        return item.isBool();
    case Stored::String:
        return item.isString();
    case Stored::IntArray:
        for (const Value& element : item.asArray()) {
            if (!element.is32Bit()) return false;
        }
        return item.isArray();
    case Stored::ObjectArray:
        for (const Value& element : item.asArray()) {
            if (!element["$class"].isString()) return false;
        }
        return item.isArray();
    case Stored::EngineArray:
        return item["$class"].asString() == "CCArray" && item["nsarray"].isArray();
    case Stored::CountTable:
        if (item["$class"].asString() != "NSDictionary") return false;
        for (const char* side : {"NS.keys", "NS.objects"}) {
            for (const Value& element : item[side].asArray()) {
                if (!element.is32Bit()) return false;
            }
        }
        return true;
    }
    return false;
}

// The archive holds exactly these keys (besides the class tag), each of its kind.
void expectLayout(const Value& fields, const char* className, const Layout& layout)
{
    EXPECT_EQ(fields["$class"].asString(), className);
    std::set<std::string> written;
    for (const auto& [key, value] : fields.asDict()) {
        if (key != "$class") written.insert(key);
    }
    std::set<std::string> expected;
    for (const auto& [key, kind] : layout) {
        expected.insert(key);
        EXPECT_TRUE(storedAs(fields[key], kind)) << className << "." << key;
    }
    EXPECT_EQ(written, expected) << className;
}

Ref<Collectible> sampleCollectible()
{
    Ref<Collectible> kind = makeRef<Collectible>();
    kind->name = "grass";
    kind->isMineAvailable = true;
    kind->isFieldAvailable = true;
    kind->pngName = "grass";
    kind->pngNameSummer = "grass_summer";
    kind->pngNameWinter = "snow";
    kind->pngNameAutumn = "grass_autumn";
    kind->pngNameSpring = "grass_spring";
    kind->connGroups = std::vector<int32_t>{1, 0};
    kind->ID = 10;
    kind->nextCollectibleCount = 12;
    kind->nextCollectible = 13;
    kind->nextResourceCount = 6;
    kind->nextResource = 15;
    kind->minGroup = 3;
    kind->probability = 40.3f;
    kind->probSpring = 30.1f;
    kind->probSummer = 25.7f;
    kind->probAutumn = 20.9f;
    kind->probWinter = 0.1f;
    kind->Seen = true;
    kind->MovesTime = true;
    kind->ConstAnim = true;
    kind->Points = 4;
    kind->PointsColl = 1;
    kind->isAnim = true;
    return kind;
}

TEST(GameDataArchiveTest, CollectibleKeepsEveryFieldUnderItsName)
{
    Ref<Collectible> kind = sampleCollectible();
    expectLayout(archivedFields(*kind), "Collectible",
                 {{"name", Stored::String},
                  {"isMineAvailable", Stored::Bool},
                  {"isFieldAvailable", Stored::Bool},
                  {"pngName", Stored::String},
                  {"pngNameSummer", Stored::String},
                  {"pngNameWinter", Stored::String},
                  {"pngNameAutumn", Stored::String},
                  {"pngNameSpring", Stored::String},
                  {"connGroups", Stored::IntArray},
                  {"ID", Stored::Int32},
                  {"nextCollectibleCount", Stored::Int32},
                  {"nextCollectible", Stored::Int32},
                  {"nextResourceCount", Stored::Int32},
                  {"nextResource", Stored::Int32},
                  {"minGroup", Stored::Int32},
                  {"probability", Stored::Float},
                  {"probSpring", Stored::Float},
                  {"probSummer", Stored::Float},
                  {"probAutumn", Stored::Float},
                  {"probWinter", Stored::Float},
                  {"Seen", Stored::Bool},
                  {"MovesTime", Stored::Bool},
                  {"ConstAnim", Stored::Bool},
                  {"Points", Stored::Int32},
                  {"PointsColl", Stored::Int32},
                  {"isAnim", Stored::Bool}});

    Ref<Collectible> back = roundTrip(*kind);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->name, "grass");
    EXPECT_TRUE(back->isMineAvailable);
    EXPECT_TRUE(back->isFieldAvailable);
    EXPECT_EQ(back->pngName, "grass");
    EXPECT_EQ(back->pngNameSummer, "grass_summer");
    EXPECT_EQ(back->pngNameWinter, "snow");
    EXPECT_EQ(back->pngNameAutumn, "grass_autumn");
    EXPECT_EQ(back->pngNameSpring, "grass_spring");
    EXPECT_EQ(back->connGroups, (std::vector<int32_t>{1, 0}));
    EXPECT_EQ(back->ID, 10);
    EXPECT_EQ(back->nextCollectibleCount, 12);
    EXPECT_EQ(back->nextCollectible, 13);
    EXPECT_EQ(back->nextResourceCount, 6);
    EXPECT_EQ(back->nextResource, 15);
    EXPECT_EQ(back->minGroup, 3);
    EXPECT_EQ(back->probability, 40.3f);
    EXPECT_EQ(back->probSpring, 30.1f);
    EXPECT_EQ(back->probSummer, 25.7f);
    EXPECT_EQ(back->probAutumn, 20.9f);
    EXPECT_EQ(back->probWinter, 0.1f);
    EXPECT_TRUE(back->Seen);
    EXPECT_TRUE(back->MovesTime);
    EXPECT_TRUE(back->ConstAnim);
    EXPECT_EQ(back->Points, 4);
    EXPECT_EQ(back->PointsColl, 1);
    EXPECT_TRUE(back->isAnim);
}

TEST(GameDataArchiveTest, AGroupListMissingFromTheArchiveStaysMissing)
{
    EXPECT_EQ(makeRef<Collectible>()->connGroups, std::vector<int32_t>())
        << "a fresh record has an empty list";

    Ref<Collectible> withoutEntry = makeRef<Collectible>();
    withoutEntry->connGroups.reset();
    Ref<Collectible> back = roundTrip(*withoutEntry);
    ASSERT_TRUE(back);
    EXPECT_FALSE(back->connGroups.has_value());
}

TEST(GameDataArchiveTest, ResourceKeepsEveryFieldUnderItsName)
{
    Ref<Resource> resource = makeRef<Resource>();
    resource->ID = 9;
    resource->Name = "GOLD_BAR";
    resource->PngName = "gold_bar";
    resource->MineAvailable = true;
    resource->FieldAvailable = true;
    resource->CollectibleEnum = 24;
    resource->Value = 80;
    resource->ValueSell = 40;
    resource->MicroRes = true;
    resource->SpecialRes = true;
    resource->Moves = 3;
    resource->AtStart = 2;
    resource->GenerateFood = true;
    resource->Seen = true;
    resource->Points = 7;
    expectLayout(archivedFields(*resource), "Resource",
                 {{"ID", Stored::Int32}, {"Name", Stored::String}, {"PngName", Stored::String},
                  {"MineAvailable", Stored::Bool}, {"FieldAvailable", Stored::Bool},
                  {"CollectibleEnum", Stored::Int32}, {"Value", Stored::Int32}, {"ValueSell", Stored::Int32},
                  {"MicroRes", Stored::Bool}, {"SpecialRes", Stored::Bool}, {"Moves", Stored::Int32},
                  {"AtStart", Stored::Int32}, {"GenerateFood", Stored::Bool}, {"Seen", Stored::Bool},
                  {"Points", Stored::Int32}});

    Ref<Resource> back = roundTrip(*resource);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->ID, 9);
    EXPECT_EQ(back->Name, "GOLD_BAR");
    EXPECT_EQ(back->PngName, "gold_bar");
    EXPECT_TRUE(back->MineAvailable);
    EXPECT_TRUE(back->FieldAvailable);
    EXPECT_EQ(back->CollectibleEnum, 24);
    EXPECT_EQ(back->Value, 80);
    EXPECT_EQ(back->ValueSell, 40);
    EXPECT_TRUE(back->MicroRes);
    EXPECT_TRUE(back->SpecialRes);
    EXPECT_EQ(back->Moves, 3);
    EXPECT_EQ(back->AtStart, 2);
    EXPECT_TRUE(back->GenerateFood);
    EXPECT_TRUE(back->Seen);
    EXPECT_EQ(back->Points, 7);
}

Ref<UpgradeAction> sampleAction()
{
    Ref<UpgradeAction> action = makeRef<UpgradeAction>();
    action->name = "more earth";
    action->ID = 2;
    action->Value1 = -5;
    action->Value2 = 9;
    action->IDAction = 1;
    action->ProbSpring = 1.1f;
    action->ProbSummer = 2.2f;
    action->ProbAutumn = -3.1f;
    action->ProbWinter = 4.4f;
    action->Probability = 0.2f;
    return action;
}

TEST(GameDataArchiveTest, UpgradeActionAndCostLineKeepEveryFieldUnderItsName)
{
    Ref<UpgradeAction> action = sampleAction();
    expectLayout(archivedFields(*action), "UpgradeAction",
                 {{"name", Stored::String}, {"ID", Stored::Int32}, {"Value1", Stored::Int32},
                  {"Value2", Stored::Int32}, {"IDAction", Stored::Int32}, {"ProbSpring", Stored::Float},
                  {"ProbSummer", Stored::Float}, {"ProbAutumn", Stored::Float}, {"ProbWinter", Stored::Float},
                  {"Probability", Stored::Float}});
    Ref<UpgradeAction> back = roundTrip(*action);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->name, "more earth");
    EXPECT_EQ(back->ID, 2);
    EXPECT_EQ(back->Value1, -5);
    EXPECT_EQ(back->Value2, 9);
    EXPECT_EQ(back->IDAction, 1);
    EXPECT_EQ(back->ProbSpring, 1.1f);
    EXPECT_EQ(back->ProbSummer, 2.2f);
    EXPECT_EQ(back->ProbAutumn, -3.1f);
    EXPECT_EQ(back->ProbWinter, 4.4f);
    EXPECT_EQ(back->Probability, 0.2f);

    Ref<ResourceCostItem> cost = makeRef<ResourceCostItem>();
    cost->ResourceId = 13;
    cost->ResourceQuantity = 6;
    expectLayout(archivedFields(*cost), "ResourceCostItem",
                 {{"ResourceId", Stored::Int32}, {"ResourceQuantity", Stored::Int32}});
    Ref<ResourceCostItem> costBack = roundTrip(*cost);
    ASSERT_TRUE(costBack);
    EXPECT_EQ(costBack->ResourceId, 13);
    EXPECT_EQ(costBack->ResourceQuantity, 6);
}

Ref<UpgradeItem> sampleBuilding()
{
    Ref<UpgradeItem> upgrade = makeRef<UpgradeItem>();
    upgrade->PngName = "townhall";
    upgrade->Name = "B_TOWNHALL";
    Ref<ResourceCostItem> cost = makeRef<ResourceCostItem>();
    cost->ResourceId = 10;
    cost->ResourceQuantity = 4;
    upgrade->ResourceCostArr = {cost};
    upgrade->Actions = CCArray::array();
    upgrade->Actions->addObject(sampleAction().get());
    upgrade->ReqUpgrades = CCArray::array();
    upgrade->ReqUpgrades->addObject(ValueObject::with(Value(int32_t(88))).get());
    upgrade->BonusResources = std::map<int32_t, int32_t>{{7, 2}, {9, 1}};
    upgrade->BonusTools = std::map<int32_t, int32_t>{{24, 1}};
    upgrade->ID = 27;
    upgrade->Type = 2;
    upgrade->ReqLevel = 2;
    upgrade->NextUpdateEnum = 89;
    upgrade->StageMaxQuantity = 2;
    upgrade->Priority = 20;
    upgrade->Points = 30;
    upgrade->Money = 500;
    upgrade->Group = 3;
    upgrade->isHidden = true;
    upgrade->DoneWithThat = true;
    upgrade->isMine = true;
    upgrade->isField = true;
    upgrade->isAnim = true;
    upgrade->BonusTime = 3600;
    upgrade->BonusMoney = 50;
    upgrade->BonusReady = true;
    return upgrade;
}

TEST(GameDataArchiveTest, UpgradeItemKeepsEveryFieldUnderItsName)
{
    Ref<UpgradeItem> upgrade = sampleBuilding();
    const Value fields = archivedFields(*upgrade);
    expectLayout(fields, "UpgradeItem",
                 {{"PngName", Stored::String},
                  {"Name", Stored::String},
                  {"ResourceCostArr", Stored::ObjectArray},
                  {"Actions", Stored::EngineArray},
                  {"ReqUpgrades", Stored::EngineArray},
                  {"BonusResources", Stored::CountTable},
                  {"BonusTools", Stored::CountTable},
                  {"ID", Stored::Int32},
                  {"Type", Stored::Int32},
                  {"ReqLevel", Stored::Int32},
                  {"NextUpdateEnum", Stored::Int32},
                  {"StageMaxQuantity", Stored::Int32},
                  {"Priority", Stored::Int32},
                  {"Points", Stored::Int32},
                  {"Money", Stored::Int32},
                  {"Group", Stored::Int32},
                  {"isHidden", Stored::Bool},
                  {"DoneWithThat", Stored::Bool},
                  {"isMine", Stored::Bool},
                  {"isField", Stored::Bool},
                  {"isAnim", Stored::Bool},
                  {"BonusTime", Stored::Int32},
                  {"BonusMoney", Stored::Int32},
                  {"BonusReady", Stored::Bool}});
    EXPECT_EQ(fields["Actions"]["nsarray"][0]["$class"].asString(), "UpgradeAction");
    EXPECT_TRUE(fields["ReqUpgrades"]["nsarray"][0].is32Bit());
    EXPECT_EQ(fields["ResourceCostArr"][0]["$class"].asString(), "ResourceCostItem");

    Ref<UpgradeItem> back = roundTrip(*upgrade);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->PngName, "townhall");
    EXPECT_EQ(back->Name, "B_TOWNHALL");
    ASSERT_EQ(back->ResourceCostArr.size(), 1u);
    EXPECT_EQ(back->ResourceCostArr[0]->ResourceId, 10);
    EXPECT_EQ(back->ResourceCostArr[0]->ResourceQuantity, 4);
    ASSERT_TRUE(back->Actions);
    ASSERT_EQ(back->Actions->count(), 1u);
    EXPECT_EQ(back->Actions->objectAtIndexAs<UpgradeAction>(0)->Value1, -5);
    ASSERT_TRUE(back->ReqUpgrades);
    ASSERT_EQ(back->ReqUpgrades->count(), 1u);
    EXPECT_EQ(back->ReqUpgrades->objectAtIndexAs<ValueObject>(0)->value(), Value(int32_t(88)));
    EXPECT_EQ(back->BonusResources, (std::map<int32_t, int32_t>{{7, 2}, {9, 1}}));
    EXPECT_EQ(back->BonusTools, (std::map<int32_t, int32_t>{{24, 1}}));
    EXPECT_EQ(back->ID, 27);
    EXPECT_EQ(back->Type, 2);
    EXPECT_EQ(back->ReqLevel, 2);
    EXPECT_EQ(back->NextUpdateEnum, 89);
    EXPECT_EQ(back->StageMaxQuantity, 2);
    EXPECT_EQ(back->Priority, 20);
    EXPECT_EQ(back->Points, 30);
    EXPECT_EQ(back->Money, 500);
    EXPECT_EQ(back->Group, 3);
    EXPECT_TRUE(back->isHidden);
    EXPECT_TRUE(back->DoneWithThat);
    EXPECT_TRUE(back->isMine);
    EXPECT_TRUE(back->isField);
    EXPECT_TRUE(back->isAnim);
    EXPECT_EQ(back->BonusTime, 3600);
    EXPECT_EQ(back->BonusMoney, 50);
    EXPECT_TRUE(back->BonusReady);
}

TEST(GameDataArchiveTest, AWorkerWithoutBonusTablesReadsBackWithoutThem)
{
    Ref<UpgradeItem> worker = sampleBuilding();
    worker->Type = 3;
    worker->BonusResources.reset();
    worker->BonusTools.reset();
    const Value fields = archivedFields(*worker);
    EXPECT_FALSE(fields.contains("BonusResources"));
    Ref<UpgradeItem> back = roundTrip(*worker);
    ASSERT_TRUE(back);
    EXPECT_FALSE(back->BonusResources.has_value());
    EXPECT_FALSE(back->BonusTools.has_value());
}

TEST(GameDataArchiveTest, AnUpgradeWhoseListsHoldOtherRecordsIsRefused)
{
    // A tampered save: the readers cast the items of the two lists.
    struct Case {
        const char* name;
        void (*spoil)(UpgradeItem&);
    };
    const Case cases[] = {
        {"a tile kind among the effects",
         [](UpgradeItem& u) { u.Actions->addObject(makeRef<Collectible>().get()); }},
        {"an effect among the required upgrades",
         [](UpgradeItem& u) { u.ReqUpgrades->addObject(sampleAction().get()); }},
    };
    for (const Case& c : cases) {
        Ref<UpgradeItem> upgrade = sampleBuilding();
        c.spoil(*upgrade);
        std::vector<uint8_t> bytes = archivedDataWithRootObject(upgrade.get());
        std::string error;
        EXPECT_FALSE(unarchiveObjectWithData(bytes, &error)) << c.name;
        EXPECT_FALSE(error.empty()) << c.name;
    }
}

} // namespace
} // namespace mw
