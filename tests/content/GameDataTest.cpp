// Checks the bundled game data ("test.xml") and bundle information
// ("Info.plist") against what the game's code and the other content rely on.
// Every failure names the file and the entry.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "foundation/Format.h"
#include "foundation/Paths.h"
#include "foundation/PropertyList.h"
#include "game/village/MapScene.h"
#include "tests/content/GameDataSupport.h"

namespace mw {
namespace {

using test::actionsOf;
using test::requiredUpgrades;

constexpr int kMine = 0;
constexpr int kField = 1;
constexpr int32_t kHighestKind = 24;
constexpr int32_t kPeople = 17;

// Collects failures so one run lists all of them.
class Findings {
public:
    void add(const std::string& line) { lines_.push_back(line); }
    ~Findings()
    {
        for (const std::string& line : lines_)
            ADD_FAILURE() << line;
    }

private:
    std::vector<std::string> lines_;
};

class GameDataTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(data.loaded) << "test.xml: the game's reader refused " << data.path; }

    Profile* profile() const { return data.profile(); }
    std::string kindName(int32_t kind) const
    {
        const Collectible* c = profile()->GetCollectible(kind);
        return format("Collectible %d (%s)", kind, c ? c->name.c_str() : "missing");
    }
    bool availableIn(int32_t kind, int mode) const
    {
        const Collectible* c = profile()->GetCollectible(kind);
        return c && (mode == kMine ? c->isMineAvailable : c->isFieldAvailable);
    }
    // Every frame name the data itself makes: "<PngName>.png" of upgrades,
    // resources and tile kinds (the pictures the art is drawn for).
    std::set<std::string> dataPictures() const
    {
        std::set<std::string> pictures;
        for (const auto& [id, u] : profile()->UpgradesDict)
            pictures.insert(u->PngName + ".png");
        for (const auto& [id, r] : profile()->resourceDict)
            pictures.insert(r->PngName + ".png");
        for (const auto& [id, r] : profile()->MicroResDict)
            pictures.insert(r->PngName + ".png");
        for (const auto& [id, c] : profile()->collectibleDict)
            pictures.insert(c->pngName + ".png");
        return pictures;
    }

    test::BundledGameData data;
};

TEST_F(GameDataTest, EveryRecordIsThereOnceWithItsIdentifier)
{
    Findings findings;
    Profile* p = profile();
    if (p->LevelsArray.size() < 2) findings.add("test.xml Levels: fewer than two levels");
    if (!p->LevelsArray.empty() && p->LevelsArray[0] != 0) findings.add("test.xml Level[0]: Points is not 0");
    for (size_t i = 1; i < p->LevelsArray.size(); ++i) {
        if (p->LevelsArray[i] <= p->LevelsArray[i - 1]) {
            findings.add(format("test.xml Level[%d]: Points %d does not rise", static_cast<int>(i),
                                p->LevelsArray[i]));
        }
        if (p->LevelsBonusArray[i] <= 0)
            findings.add(format("test.xml Level[%d]: no gold reward", static_cast<int>(i)));
    }
    const struct {
        const char* what;
        int32_t first, last;
        size_t count;
        std::function<bool(int32_t)> has;
    } tables[] = {
        {"Collectible", 1, 24, p->collectibleDict.size(),
         [p](int32_t id) { return p->GetCollectible(id) != nullptr; }},
        {"Resource (goods)", 1, 17, p->resourceDict.size(),
         [p](int32_t id) { return p->GetResource(id) != nullptr; }},
        {"Resource (gold packs)", 19, 24, p->MicroResDict.size(),
         [p](int32_t id) { return p->GetMicroResource(id) != nullptr; }},
        {"Upgrade", 1, 143, p->UpgradesDict.size(), [p](int32_t id) { return p->GetUpgrade(id) != nullptr; }},
        {"TutorialFrame", 0, 102, p->TutorialDict.size(),
         [p](int32_t id) { return p->GetTutorialDef(id) != nullptr; }},
    };
    for (const auto& table : tables) {
        for (int32_t id = table.first; id <= table.last; ++id) {
            if (!table.has(id)) findings.add(format("test.xml %s %d: missing", table.what, id));
        }
        if (table.count != static_cast<size_t>(table.last - table.first + 1)) {
            findings.add(format("test.xml %s: %d records, expected ids %d..%d only", table.what,
                                static_cast<int>(table.count), table.first, table.last));
        }
    }
    if (p->resourceDict.count(18) || p->MicroResDict.count(18))
        findings.add("test.xml Resource 18: kept in a table");
    for (const auto& [id, pack] : p->MicroResDict) {
        if (!pack->MicroRes) findings.add(format("test.xml Resource %d: MicroTrans is not \"true\"", id));
        if (pack->PngName.empty()) findings.add(format("test.xml Resource %d: no PngName", id));
    }
    for (const auto& [id, goods] : p->resourceDict) {
        if (goods->MicroRes) findings.add(format("test.xml Resource %d: goods marked MicroTrans", id));
        if (goods->PngName.empty()) findings.add(format("test.xml Resource %d: no PngName", id));
    }
}

// The naming contract the strings, sounds and art follow.
TEST_F(GameDataTest, TileKindsFollowTheNamingContract)
{
    const struct {
        int32_t id;
        const char* name;
        int mode;
        const char* png;
        const char* seasons[4];
    } kinds[] = {
        {1, "earth", kMine, "earth", {}},
        {2, "rubble", kMine, "rubble", {}},
        {3, "methane", kMine, "methane", {}},
        {4, "stone", kMine, "stone", {}},
        {5, "coal", kMine, "coal", {}},
        {6, "diamond", kMine, "diamond", {}},
        {7, "iron", kMine, "iron", {}},
        {8, "silver", kMine, "silver", {}},
        {9, "gold", kMine, "gold", {}},
        {10, "grass", kField, "grass", {"grass_spring", "grass", "grass_autumn", "snow"}},
        {11, "wood", kField, "wood", {"wood_spring", "wood_summer", "wood_autumn", "wood_winter"}},
        {12, "carrot", kField, "carrot", {"carrot_spring", "carrot", "carrot_autumn", "carrot_winter"}},
        {13, "grain", kField, "grain", {"grain", "grain", "grain", "grain"}},
        {14, "chicken", kField, "chicken", {"chicken", "chicken", "chicken", "chicken"}},
        {15, "pig", kField, "pig", {"pig", "pig", "pig", "pig"}},
        {16, "cow", kField, "cow", {"cow", "cow", "cow", "cow"}},
        {17, "rabbit", kField, "rabbit", {"rabbit", "rabbit", "rabbit", "rabbit"}},
        {18, "wolf", kField, "wolf", {"wolf", "wolf", "wolf", "wolf"}},
        {19, "apple", kField, "apple", {"apple_spring", "apple", "apple_autumn", "apple_winter"}},
        {20, "methane_primed", kMine, "methane_primed", {}},
        {21, "coin_field", kField, "coin", {"coin", "coin", "coin", "coin"}},
        {22, "coin_mine", kMine, "coin", {}},
        {23, "trophy_field", kField, "goblet", {"goblet", "goblet", "goblet", "goblet"}},
        {24, "trophy_mine", kMine, "goblet", {}},
    };
    // Looping templates exist for these stems on tablets; idle ones for these on all devices.
    const std::set<std::string> constAnimStems = {"snow",         "grass",       "grass_spring",
                                                  "grass_autumn", "grain",       "wood_winter",
                                                  "wood_summer",  "wood_autumn", "wood_spring"};
    const std::set<std::string> idleAnimStems = {"chicken", "pig", "cow"};
    const std::map<int32_t, std::vector<int32_t>> groups = {{10, {0}}, {17, {0}}, {11, {1}}, {18, {1}}};

    Findings findings;
    for (const auto& k : kinds) {
        const Collectible* c = profile()->GetCollectible(k.id);
        const std::string where = "test.xml " + kindName(k.id);
        if (!c) continue;
        if (c->name != k.name) findings.add(where + ": Name is not \"" + k.name + "\"");
        if (c->pngName != k.png) findings.add(where + ": PngName is not \"" + k.png + "\"");
        if (c->isMineAvailable != (k.mode == kMine) || c->isFieldAvailable != (k.mode == kField)) {
            findings.add(where + ": available in the wrong mode");
        }
        const std::string seasons[4] = {c->pngNameSpring, c->pngNameSummer, c->pngNameAutumn,
                                        c->pngNameWinter};
        for (int s = 0; s < 4; ++s) {
            const std::string expected = k.seasons[s] ? k.seasons[s] : "";
            if (seasons[s] != expected)
                findings.add(format("%s: season %d picture \"%s\", expected \"%s\"", where.c_str(), s,
                                    seasons[s].c_str(), expected.c_str()));
        }
        if (c->ConstAnim) {
            for (const std::string& stem : seasons) {
                if (!constAnimStems.count(stem))
                    findings.add(where + ": ConstAnim, but \"" + stem + "\" has no template");
            }
        }
        if (c->isAnim) {
            for (const std::string& stem : seasons) {
                if (!idleAnimStems.count(stem))
                    findings.add(where + ": IsAnimated, but \"" + stem + "\" has no template");
            }
        }
        const bool wantConst = k.id == 10 || k.id == 11 || k.id == 13;
        const bool wantIdle = k.id == 14 || k.id == 15 || k.id == 16;
        if (c->ConstAnim != wantConst) findings.add(where + ": ConstAnim differs from the contract");
        if (c->isAnim != wantIdle) findings.add(where + ": IsAnimated differs from the contract");
        const auto group = groups.find(k.id);
        const std::vector<int32_t> want = group == groups.end() ? std::vector<int32_t>{} : group->second;
        if (c->connGroups.value_or(std::vector<int32_t>{}) != want)
            findings.add(where + ": ConnGroups differ");
    }
}

TEST_F(GameDataTest, TileKindsAreUsableInTheirModes)
{
    Findings findings;
    // Kinds the board code makes by number.
    const struct {
        int32_t kind;
        int mode;
        const char* why;
    } made[] = {{1, kMine, "mine earth, shuffle and explosion target"},
                {2, kMine, "explosion refill"},
                {3, kMine, "explosion refill"},
                {20, kMine, "primed gas"},
                {10, kField, "left by a rabbit"},
                {11, kField, "left by a wolf"},
                {22, kMine, "mine coin"},
                {24, kMine, "mine trophy"},
                {21, kField, "field coin"},
                {23, kField, "field trophy"}};
    for (const auto& m : made) {
        if (!availableIn(m.kind, m.mode))
            findings.add("test.xml " + kindName(m.kind) + ": not available (" + m.why + ")");
    }
    double mineSum = 0;
    double seasonSum[4] = {};
    int minePercents = 0;
    for (const auto& [id, c] : profile()->collectibleDict) {
        const std::string where = "test.xml " + kindName(id);
        if (c->isMineAvailable) mineSum += c->probability;
        if (c->isFieldAvailable) {
            seasonSum[0] += c->probSpring;
            seasonSum[1] += c->probSummer;
            seasonSum[2] += c->probAutumn;
            seasonSum[3] += c->probWinter;
        }
        if (c->nextCollectibleCount < 1) findings.add(where + ": NextCollectibleCount below 1");
        const int mode = c->isMineAvailable ? kMine : kField;
        if (!availableIn(c->nextCollectible, mode)) {
            findings.add(format("%s: NextCollectible %d is not available in its mode", where.c_str(),
                                c->nextCollectible));
        }
        if (c->nextResource != 0) {
            const Resource* r = profile()->GetResource(c->nextResource);
            if (!r || c->nextResourceCount < 1)
                findings.add(where + ": makes a resource that does not exist or at no rate");
        }
        if (mode == kField && (c->pngNameSpring.empty() || c->pngNameSummer.empty() ||
                               c->pngNameAutumn.empty() || c->pngNameWinter.empty())) {
            findings.add(where + ": a field kind without all four seasonal pictures");
        }
        if (c->pngName.empty()) findings.add(where + ": no PngName");
    }
    // Workers and buildings change a resource's rate on the first kind that makes it.
    std::map<int32_t, int> makers;
    for (const auto& [id, c] : profile()->collectibleDict) {
        if (c->nextResource != 0 && ++makers[c->nextResource] == 2) {
            findings.add(format("test.xml Resource %d: made by more than one tile kind", c->nextResource));
        }
    }
    for (const auto& [id, c] : profile()->collectibleDict) {
        if (c->isMineAvailable && mineSum > 0)
            minePercents += static_cast<int>(c->probability * 100 / mineSum);
    }
    if (mineSum <= 0 || minePercents < 95)
        findings.add(format("test.xml Collectibles: mine percents total %d", minePercents));
    for (int s = 0; s < 4; ++s) {
        if (std::fabs(seasonSum[s] - 100) > 0.01)
            findings.add(format("test.xml Collectibles: season %d weights total %.2f", s, seasonSum[s]));
    }
    // Panel slots, left to right, and the mode that must make each resource.
    const struct {
        int mode;
        std::vector<int32_t> resources;
    } panels[] = {{kMine, {10, 11, 12, 7, 8, 9, 14, 16}}, {kField, {3, 1, 2, 4, 5, 6, 15, 13}}};
    for (const auto& panel : panels) {
        for (int32_t res : panel.resources) {
            const Resource* r = profile()->GetResource(res);
            const std::string where = format("test.xml Resource %d", res);
            if (!r) continue;
            if ((panel.mode == kMine && !r->MineAvailable) || (panel.mode == kField && !r->FieldAvailable)) {
                findings.add(where + ": not available in the mode whose panel shows it");
            }
            bool made = false;
            for (const auto& [id, c] : profile()->collectibleDict) {
                made = made || (c->nextResource == res && c->nextResourceCount >= 1 && id != kHighestKind &&
                                availableIn(id, panel.mode));
            }
            if (!made) findings.add(where + ": no tile kind of its mode makes it");
        }
    }
}

TEST_F(GameDataTest, SettingsAndFoodsAreInRange)
{
    Findings findings;
    Profile* p = profile();
    const struct {
        const char* what;
        double value, low, high;
    } settings[] = {
        {"SeasonTime", double(p->stepsToChangeSeason), 1, 50},
        {"MineFood", double(p->MaxMineMoves), double(p->MovesPerFood), 200},
        {"MovesPerFood", double(p->MovesPerFood), 1, 50},
        {"RatJump", double(p->RatJumpProbability), 0, 100},
        {"WolfJump", double(p->WolfJumpProbability), 0, 100},
        {"tax time (s)", p->TaxTimeH * 3600.0 + p->TaxTimeM * 60.0 + p->TaxTimeS, 1, 86400},
        {"MineBMovesPrice", double(p->MoreMineMovesPrice), 1, 10000},
        {"FieldSavePrice", double(p->SaveFieldPrice), 1, 10000},
        {"KanapkaMoves", double(p->ExtraMineMoves), 1, 100},
        {"CurrentTaxes of a new village", double(p->CurrentTaxes), 1, 1e9},
    };
    for (const auto& s : settings) {
        if (s.value < s.low || s.value > s.high) {
            findings.add(format("test.xml Settings %s: %g outside %g..%g", s.what, s.value, s.low, s.high));
        }
    }
    const int32_t packs[] = {p->MicroGoldCount1, p->MicroGoldCount2, p->MicroGoldCount3,
                             p->MicroGoldCount4, p->MicroGoldCount5, p->MicroGoldCount6};
    const int32_t taxes[] = {p->GoldLevel1, p->GoldLevel2, p->GoldLevel3,
                             p->GoldLevel4, p->GoldLevel5, p->GoldLevel6};
    for (int i = 0; i < 6; ++i) {
        if (packs[i] <= (i ? packs[i - 1] : 0))
            findings.add(format("test.xml Settings MicroGoldCount%d: does not rise", i + 1));
        if (taxes[i] <= (i ? taxes[i - 1] : 0))
            findings.add(format("test.xml Settings GoldLevel%d: does not rise", i + 1));
    }
    for (int32_t food = 1; food <= 6; ++food) {
        const Resource* r = p->GetResource(food);
        if (!r || r->Moves <= 0 || r->PngName.empty())
            findings.add(format("test.xml Resource %d: a food without Moves or PngName", food));
    }
    // The food pop-up's bread lesson ends when bread alone brings the moves to exactly 10.
    if (const Resource* bread = p->GetResource(3); bread && bread->Moves > 0 && 10 % bread->Moves != 0) {
        findings.add("test.xml Resource 3: Moves does not divide 10 (the bread lesson never ends)");
    }
}

TEST_F(GameDataTest, HardWiredUpgradesHaveTheRolesTheCodeExpects)
{
    enum Flag {
        kNone = 0,
        kHidden = 1,
        kVisible = 2,
        kMineTool = 4,
        kFieldTool = 8,
        kAnimated = 16,
        kNoCosts = 32
    };
    const struct {
        int32_t id;
        int32_t type;
        int32_t group; // -1: any
        int flags;
        const char* role;
    } roles[] = {
        {9, 3, -1, kNone, "grain picker of the field tutorial"},
        {7, 3, -1, kNone, "woman worker"},
        {8, 3, -1, kNone, "woman worker"},
        {65, 3, -1, kNone, "woman worker"},
        {66, 3, -1, kNone, "woman worker"},
        {105, 3, -1, kNone, "flat-priced worker"},
        {18, 2, -1, kHidden, "market, revealed by the field tutorial"},
        {19, 2, -1, kHidden | kAnimated, "workshop, revealed by the field tutorial"},
        {116, 2, -1, kHidden, "well, revealed at the end of a mine session"},
        {21, 2, -1, kVisible, "cottage"},
        {28, 2, -1, kVisible | kAnimated, "bakery"},
        {15, 2, -1, kAnimated, "shaft"},
        {39, 2, -1, kAnimated, "forge"},
        {40, 2, -1, kAnimated, "ironworks"},
        {31, 2, -1, kNone, "house"},
        {34, 2, -1, kNone, "manor"},
        {50, 2, -1, kNone, "yard"},
        {53, 2, -1, kNone, "hen house"},
        {55, 2, -1, kNone, "trough"},
        {57, 2, -1, kNone, "pigsty"},
        {59, 2, -1, kNone, "pasture"},
        {61, 2, -1, kNone, "cow shed"},
        {88, 2, 102, kAnimated, "first settlement"},
        {101, 2, 102, kNone, "city level 2"},
        {89, 2, 102, kNone, "city level 3"},
        {27, 2, 102, kNone, "city level 4"},
        {90, 2, 102, kNone, "city level 5"},
        {38, 2, 102, kNone, "city level 6"},
        {91, 2, 103, kVisible, "fields on slot 3"},
        {29, 2, 101, kVisible, "mine on slot 9"},
        {112, 2, -1, kNoCosts, "building without resource costs"},
        {113, 2, -1, kNoCosts, "building without resource costs"},
        {117, 2, -1, kNoCosts, "building without resource costs"},
        {23, 4, -1, kMineTool, "gas tool"},
        {24, 4, -1, kMineTool, "earth tool of the tutorial"},
        {25, 4, -1, kMineTool, "rubble tool"},
        {98, 4, -1, kMineTool, "lunch box"},
        {99, 4, -1, kMineTool, "coal to silver"},
        {100, 4, -1, kMineTool, "silver to coal"},
        {106, 4, -1, kMineTool, "drill"},
        {81, 4, -1, kFieldTool, "carrot tool"},
        {86, 4, -1, kFieldTool, "rabbit tool"},
        {87, 4, -1, kFieldTool, "wolf tool"},
        {94, 4, -1, kFieldTool, "compost"},
        {95, 4, -1, kFieldTool, "sapling"},
        {97, 4, -1, kFieldTool, "seed bag"},
    };
    Findings findings;
    for (const auto& r : roles) {
        const UpgradeItem* u = profile()->GetUpgrade(r.id);
        const std::string where = "test.xml " + data.upgradeName(r.id) + " (" + r.role + ")";
        if (!u) continue;
        if (u->Type != r.type)
            findings.add(format("%s: Type %d, expected %d", where.c_str(), u->Type, r.type));
        if (r.group >= 0 && u->Group != r.group)
            findings.add(format("%s: GroupNumber %d, expected %d", where.c_str(), u->Group, r.group));
        // The first settlement is unhidden by the reader itself.
        if ((r.flags & kHidden) && !u->isHidden) findings.add(where + ": not Hidden");
        if ((r.flags & kVisible) && u->isHidden) findings.add(where + ": Hidden");
        if ((r.flags & kMineTool) && !(u->isMine && !u->isField)) findings.add(where + ": not a mine tool");
        if ((r.flags & kFieldTool) && !(u->isField && !u->isMine)) findings.add(where + ": not a field tool");
        if ((r.flags & kAnimated) && !u->isAnim) findings.add(where + ": not Animated");
        if ((r.flags & kNoCosts) && (!u->ResourceCostArr.empty() || u->Money < 1)) {
            findings.add(where + ": has resource costs or no gold price");
        }
    }
    // Upgrade 19's timed bonus pays the tool that opens the mine-tools lesson.
    const UpgradeItem* workshop = profile()->GetUpgrade(19);
    if (workshop && (!workshop->BonusTools || !workshop->BonusTools->count(24) || workshop->BonusTime < 1)) {
        findings.add("test.xml " + data.upgradeName(19) + ": BonusTools lacks 24 (or no BonusTime)");
    }
    // The settlement chain, upgraded in place on slot 1.
    const int32_t chain[] = {88, 101, 89, 27, 90, 38};
    for (size_t i = 0; i + 1 < std::size(chain); ++i) {
        const UpgradeItem* u = profile()->GetUpgrade(chain[i]);
        if (u && u->NextUpdateEnum != chain[i + 1]) {
            findings.add(format("test.xml %s: NextUpdateIndex %d, expected %d",
                                data.upgradeName(chain[i]).c_str(), u->NextUpdateEnum, chain[i + 1]));
        }
    }
    // The one-slot groups hold nothing else.
    const std::map<int32_t, std::set<int32_t>> soleGroups = {
        {101, {29}}, {103, {91}}, {102, {88, 101, 89, 27, 90, 38}}};
    for (const auto& [id, u] : profile()->UpgradesDict) {
        const auto sole = soleGroups.find(u->Group);
        if (sole != soleGroups.end() && !sole->second.count(id)) {
            findings.add(format("test.xml %s: in group %d of another building", data.upgradeName(id).c_str(),
                                u->Group));
        }
    }
}

TEST_F(GameDataTest, UpgradesAreConsistent)
{
    // The part-animation templates the definitions manager loads for map buildings.
    const std::set<std::string> templates = {
        "b_bakery",  "b_feeding_trough", "b_gold_mine",         "b_hen-house", "b_ironwork", "b_lookout",
        "b_mill",    "b_pigsty",         "b_ventilation_shaft", "b_windmill",  "b_workshop", "b_yard",
        "b_forge",   "b_lift",           "b_observatory",       "b_kennel",    "b_camp",     "b_saw_mill",
        "b_pasture", "b_cow_shed",       "b_building_site"};
    const std::set<int32_t> mapGroups = {1, 2, 3, 101, 102, 103};
    Findings findings;
    Profile* p = profile();
    for (const auto& [id, u] : p->UpgradesDict) {
        const std::string where = "test.xml " + data.upgradeName(id);
        std::string stem =
            id >= 1 && id <= static_cast<int32_t>(p->EnumNames.size()) ? p->EnumNames[id - 1] : "";
        std::transform(stem.begin(), stem.end(), stem.begin(),
                       [](unsigned char ch) { return std::tolower(ch); });
        if (u->isAnim) {
            if (u->Type != 2 || !templates.count(u->PngName))
                findings.add(where + ": Animated, but \"" + u->PngName + "\" has no map template");
        }
        else if (u->PngName != stem) {
            findings.add(where + ": PngName \"" + u->PngName + "\", expected \"" + stem + "\"");
        }
        if (u->Type < 2 || u->Type > 4)
            findings.add(format("%s: Type %d is never offered", where.c_str(), u->Type));
        if (u->Name.empty()) findings.add(where + ": no Name");
        if (u->Type == 2 && !mapGroups.count(u->Group))
            findings.add(format("%s: GroupNumber %d has no map slots", where.c_str(), u->Group));
        if (u->Type == 3 && u->Money != 0) findings.add(where + ": a worker with a gold price");
        if (u->Type == 4 && u->isMine == u->isField)
            findings.add(where + ": a tool for neither or both modes");
        if (u->Type != 4 && u->StageMaxQuantity < 1) findings.add(where + ": StageQuantity below 1");
        if (u->Type == 2 && u->BonusTime >= 1 && u->BonusMoney < 1 && u->BonusResources->empty() &&
            u->BonusTools->empty()) {
            findings.add(where + ": a timed bonus that pays nothing");
        }
        if (u->Type == 2 && u->BonusTime >= 1 && !MapScene::timedBonusCollectable(*u))
            findings.add(where + ": a timed bonus no tap on the map can collect");
        for (const auto& cost : u->ResourceCostArr) {
            if (!p->GetResource(cost->ResourceId) || cost->ResourceQuantity < 1) {
                findings.add(format("%s: costs %d of resource %d", where.c_str(), cost->ResourceQuantity,
                                    cost->ResourceId));
            }
        }
        for (int32_t required : requiredUpgrades(*u)) {
            if (!p->GetUpgrade(required) || required == id)
                findings.add(format("%s: requires upgrade %d", where.c_str(), required));
        }
        if (u->NextUpdateEnum > 0) {
            const UpgradeItem* next = p->GetUpgrade(u->NextUpdateEnum);
            if (!next || next->Type != 2 || u->Type != 2 || next->Group != u->Group) {
                findings.add(format("%s: NextUpdateIndex %d is no building of its group", where.c_str(),
                                    u->NextUpdateEnum));
            }
        }
        for (const UpgradeAction* a : actionsOf(*u)) {
            const std::string act = format("%s: ActionItem Type %d", where.c_str(), a->ID);
            const int mode = u->isField ? kField : kMine;
            switch (a->ID) {
            case 0:
            case 2:
                if (!p->GetCollectible(a->IDAction)) findings.add(act + " names no tile kind");
                break;
            case 1:
                if (!p->GetResource(a->IDAction)) findings.add(act + " names no resource");
                break;
            case 3:
                if (!p->GetUpgrade(a->Value1)) findings.add(act + " reveals no upgrade");
                break;
            case 4:
            case 9:
                if (u->Type != 4 || !availableIn(a->Value1, mode))
                    findings.add(act + " names a kind not in the tool's mode");
                break;
            case 8:
                if (u->Type != 4 || !availableIn(a->Value1, mode) || !availableIn(a->Value2, mode)) {
                    findings.add(act + " re-types kinds not in the tool's mode");
                }
                break;
            case 14:
                if (!p->GetResource(a->Value1)) findings.add(act + " changes no resource");
                break;
            case 10:
            case 11:
            case 12:
            case 13:
            case 15:
            case 19:
            case 22:
            case 23:
                break;
            default:
                findings.add(act + " is not an effect this data uses");
            }
        }
    }
}

// Starting from the first settlement, every upgrade can be had: its level
// exists, what it requires can be had first, and a hidden one is revealed by
// an upgrade that can be had (or by the code: market, workshop, well).
TEST_F(GameDataTest, EveryUpgradeCanBeHad)
{
    Profile* p = profile();
    const int32_t topLevel = static_cast<int32_t>(p->LevelsArray.size());
    std::set<int32_t> had = {88};
    std::set<int32_t> revealed = {18, 19, 116};
    bool grew = true;
    while (grew) {
        grew = false;
        for (const auto& [id, u] : p->UpgradesDict) {
            if (had.count(id) || (u->isHidden && !revealed.count(id)) || u->ReqLevel > topLevel) continue;
            const std::vector<int32_t> required = requiredUpgrades(*u);
            if (!std::all_of(required.begin(), required.end(),
                             [&had](int32_t r) { return had.count(r) > 0; }))
                continue;
            had.insert(id);
            for (const UpgradeAction* a : actionsOf(*u)) {
                if (a->ID == 3) revealed.insert(a->Value1);
            }
            grew = true;
        }
    }
    Findings findings;
    for (const auto& [id, u] : p->UpgradesDict) {
        if (!had.count(id)) findings.add("test.xml " + data.upgradeName(id) + ": can never be had");
    }
    // Villagers for every worker that may be hired.
    int32_t villagers = p->GetResourceCount(kPeople);
    int32_t wanted = 0;
    for (const auto& [id, u] : p->UpgradesDict) {
        for (const UpgradeAction* a : actionsOf(*u)) {
            if (a->ID == 14 && a->Value1 == kPeople) villagers += a->Value2 * u->StageMaxQuantity;
        }
        for (const auto& cost : u->ResourceCostArr) {
            if (u->Type == 3 && cost->ResourceId == kPeople)
                wanted += cost->ResourceQuantity * u->StageMaxQuantity;
        }
    }
    if (villagers < wanted)
        findings.add(format("test.xml Upgrades: %d villagers for %d worker hires", villagers, wanted));
}

// With every upgrade owned (workers hired to their maximum) the tile kinds
// still make rewards and resources, and the moves and taxes still work.
TEST_F(GameDataTest, AllUpgradesTogetherKeepTheRulesWorking)
{
    Profile* p = profile();
    for (const auto& [id, u] : p->UpgradesDict) {
        if (u->Type == 4) continue;
        for (int32_t times = 0; times < u->StageMaxQuantity; ++times) {
            for (UpgradeAction* a : actionsOf(*u))
                a->RunAction(nullptr);
        }
    }
    Findings findings;
    for (const auto& [id, c] : p->collectibleDict) {
        if (c->nextCollectible != id && c->nextCollectibleCount < 2) {
            findings.add(format("test.xml %s: %d tiles per reward tile with every upgrade",
                                kindName(id).c_str(), c->nextCollectibleCount));
        }
        if (c->nextResource != 0 && c->nextResourceCount < 1) {
            findings.add(format("test.xml %s: %d tiles per resource with every upgrade", kindName(id).c_str(),
                                c->nextResourceCount));
        }
    }
    if (p->TaxTimeH * 3600 + p->TaxTimeM * 60 + p->TaxTimeS < 600)
        findings.add("test.xml Upgrades: the tax period falls below 10 minutes");
    if (p->MovesPerFood < 1 || p->MaxMineMoves < p->MovesPerFood)
        findings.add("test.xml Upgrades: mine food rules break");
}

TEST_F(GameDataTest, FieldsReachLevelTwo)
{
    Profile* p = profile();
    const UpgradeItem* fields = p->GetUpgrade(91);
    ASSERT_NE(fields, nullptr) << "test.xml Upgrade 91 (B_FIELDS): missing";
    // The fields are built from what a new village holds.
    for (const auto& cost : fields->ResourceCostArr) {
        EXPECT_GE(p->GetResourceCount(cost->ResourceId), cost->ResourceQuantity)
            << "test.xml Upgrade 91 (B_FIELDS): a new village lacks resource " << cost->ResourceId;
    }
    p->AddExp(static_cast<float>(fields->Points), false);
    EXPECT_EQ(p->PlayerLevel, 2) << "test.xml Upgrade 91 (B_FIELDS): Points " << fields->Points
                                 << " do not reach level 2";
}

// The tutorial points at these buildings right after topping the goods up
// to these amounts; the buildings must cost no more than that.
TEST_F(GameDataTest, TutorialBuildingsCostWhatTheTutorialGives)
{
    const struct {
        int32_t upgrade;
        std::map<int32_t, int32_t> given;
    } steps[] = {
        {28, {{3, 1}, {4, 2}, {13, 2}, {15, 1}}}, {21, {{10, 2}}}, {19, {{10, 2}, {7, 1}}}, {116, {{10, 2}}}};
    Findings findings;
    for (const auto& step : steps) {
        const UpgradeItem* u = profile()->GetUpgrade(step.upgrade);
        if (!u) continue;
        for (const auto& cost : u->ResourceCostArr) {
            const auto given = step.given.find(cost->ResourceId);
            if (given == step.given.end() || given->second < cost->ResourceQuantity) {
                findings.add(format("test.xml %s: costs %d of resource %d, more than the tutorial gives",
                                    data.upgradeName(step.upgrade).c_str(), cost->ResourceQuantity,
                                    cost->ResourceId));
            }
        }
    }
}

TEST_F(GameDataTest, TutorialFramesAreAllDefined)
{
    const std::set<std::string> speakers = {"worker_ploughman.png", "worker_prospector.png",
                                            "worker_elder.png"};
    const std::set<std::string> pictures = dataPictures();
    Findings findings;
    for (int32_t id = 0; id <= 102; ++id) {
        const TutorialFrameDef* f = profile()->GetTutorialDef(id);
        const std::string where = format("test.xml TutorialFrame %d", id);
        if (!f) continue;
        if (f->LangID != format("TUTORIAL_%d", id))
            findings.add(where + ": Name is not TUTORIAL_" + std::to_string(id));
        if (!speakers.count(f->WorkerIcon))
            findings.add(where + ": WorkerIcon \"" + f->WorkerIcon + "\" is no speaker");
        if (!pictures.count(f->Icon))
            findings.add(where + ": IconPng \"" + f->Icon + "\" is no picture of the data");
        if (f->Type < 100 || f->Type > 103) findings.add(format("%s: Type %d", where.c_str(), f->Type));
        if (f->Type == 102 || f->Type == 103) {
            const Collectible* c = profile()->GetCollectible(f->RelationID);
            const bool second =
                c && (f->Type == 102 ? profile()->GetCollectible(c->nextCollectible) != nullptr
                                     : profile()->GetResource(c->nextResource) != nullptr);
            if (!second)
                findings.add(format("%s: CollectibleID %d shows no pair", where.c_str(), f->RelationID));
        }
        if (std::count(f->bPlacements.begin(), f->bPlacements.end(), true) != 1)
            findings.add(where + ": not one placement");
    }
}

TEST(BundleInformation, InfoPlistNamesTheGame)
{
    const std::string path = Paths::pathForResource("Info.plist");
    std::string error;
    const std::optional<Value> info = path.empty() ? std::nullopt : readPropertyListFile(path, &error);
    ASSERT_TRUE(info && info->isDict()) << "Info.plist: not readable: " << error;
    const struct {
        const char* key;
        const char* exact; // null: any non-empty text
    } keys[] = {{"CFBundleName", "Mosswick"},
                {"CFBundleDisplayName", nullptr},
                {"CFBundleIdentifier", "com.zandovar.mosswick"},
                {"CFBundleVersion", nullptr},
                {"CFBundleShortVersionString", nullptr}};
    for (const auto& k : keys) {
        const Value* entry = info->asDict().find(k.key);
        const std::string text = entry && entry->isString() ? entry->asString() : "";
        EXPECT_FALSE(text.empty()) << "Info.plist " << k.key << ": missing";
        if (k.exact) {
            EXPECT_EQ(text, k.exact) << "Info.plist " << k.key;
        }
    }
    // The social session takes the version as a number.
    const Value* version = info->asDict().find("CFBundleVersion");
    const std::string text = version && version->isString() ? version->asString() : "";
    char* end = nullptr;
    const double number = std::strtod(text.c_str(), &end);
    EXPECT_TRUE(!text.empty() && *end == '\0' && number > 0)
        << "Info.plist CFBundleVersion: \"" << text << "\" is no number";
}

} // namespace
} // namespace mw
