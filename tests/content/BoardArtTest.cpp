// The puzzle boards' art as the game loads it: for every device profile the
// four village/board sheets go into the sprite-frame cache the way start-up
// loads them, and every frame the boards name (fixed frames, frames of the
// game data, frame sequences), every image file, the food pop-up's scene
// files, the particle lists and the part animations must resolve. Every
// failure names the file and the frame. A mock-up of a mine and a field board
// per season is drawn with the real frames (saved when
// MOSSWICK_TEST_PICTURES names a folder).

#include <GLES/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/base/CCPropertyRegistry.h"
#include "engine/base/ccContentScale.h"
#include "engine/base/ccDrawingState.h"
#include "engine/menus/CCHoldButton.h"
#include "engine/menus/CCMenu.h"
#include "engine/menus/CCMenuItem.h"
#include "engine/nodes/CCNode.h"
#include "engine/particles/CCParticleSystemQuad.h"
#include "engine/scenes/CCBReader.h"
#include "engine/sprites/CCSprite.h"
#include "engine/sprites/CCSpriteFrame.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "engine/support/CCFileUtils.h"
#include "engine/textures/CCTexture2D.h"
#include "engine/textures/CCTextureCache.h"
#include "foundation/Paths.h"
#include "foundation/PropertyList.h"
#include "foundation/Value.h"
#include "game/defs/Animation.h"
#include "game/defs/XMLManager.h"
#include "game/state/Collectible.h"
#include "game/state/DataParser.h"
#include "game/state/Profile.h"
#include "game/state/Resource.h"
#include "game/state/UpgradeItem.h"
#include "tests/content/DeviceProfiles.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/SharedInstances.h"

namespace mw {
namespace {

using ::test::DeviceProfile;
using ::test::deviceProfiles;

// ---- the names the board code asks for ----

// Fixed frames of the boards and their pop-ups.
const std::vector<std::string> kFixedFrames = {
    "top_bar_food.png", "list_gradient_top&bottom.png", "bottom_bar_menu.png", "mine_bottom_bg.png",
    "tools_menu_icon.png", "tools_menu_icon_click.png", "menu_ico_menu.png", "menu_ico_menu_click.png",
    "but_tools_help.png", "but_tools_help_click.png", "but_menu_back.png", "but_menu_back_click.png",
    "tools_menu_bar.png", "free_move_bg.png", "mine_tiles_bg_big.png", "line_star_01.png",
    "tools_info_notool.png", "tools_menu_bar_arrow.png", "tools_menu_bar_arrow_click.png",
    "tools_menu_bar_arrow_disabled.png", "tool_label.png", "mine_earth.png", "mine_earth3.png",
    "methane_shadow.png", "coins_small_ico.png", "drell_16fps_000.png", "cross_kill.png", "farm_tiles_bg.png",
    "farm_time_bar_cover.png", "mine_resource_bar_bg.png", "farm_time_bar.png", "calendar_01.png",
    "calendar_02.png", "calendar_03.png", "food_ham_icon.png", "mine_meat.png", "mine_meat_eaten.png",
    "cancel_button.png", "cancel_button_click.png", "microtransactions_list_open.png", "bg_popup.png",
    "b_granary.png", "list_button_dark.png", "list_button_dark_click.png", "sell_button.png",
    "sell_button_click.png", "bg_build.png", "trophy.png", "b_mine.png", "b_field.png", "highscore_badge.png",
    "build_button.png", "build_button_click.png", "instantbuy_button.png", "instantbuy_button_click.png",
    "tip_1_mine.png", "tip2_mine.png", "tip1_fields.png", "tip2_fields.png", "worker_ploughman.png",
    "goods_popup.png", "popup_tools_help_bg.png",
};

// The season strip's dark quarter: one name on tablets, another on phones.
std::string seasonShadowFrame(const DeviceProfile& profile)
{
    return profile.tablet ? "farm_time_bar_shadow.png" : "farm_time_bar_shadow_small.png";
}

// Frames that span the screen: drawn per device, so their point sizes differ
// between devices by design.
const std::set<std::string> kScreenFrames = {
    "top_bar_food.png", "list_gradient_top&bottom.png", "bottom_bar_menu.png", "mine_bottom_bg.png",
    "tools_menu_bar.png", "mine_tiles_bg_big.png", "farm_tiles_bg.png", "farm_time_bar.png",
    "farm_time_bar_cover.png", "farm_time_bar_shadow.png", "farm_time_bar_shadow_small.png",
};

// Fixed frames the village and menu screens share with the boards; they are
// drawn with the village and GUI art, not in the board sheet.
const std::set<std::string> kSharedFrames = {
    "coins_small_ico.png", "cancel_button.png", "cancel_button_click.png", "microtransactions_list_open.png",
    "bg_popup.png", "b_granary.png", "list_button_dark.png", "list_button_dark_click.png", "sell_button.png",
    "sell_button_click.png", "bg_build.png", "trophy.png", "b_mine.png", "build_button.png",
    "build_button_click.png", "instantbuy_button.png", "instantbuy_button_click.png", "worker_ploughman.png",
};

// Frame sequences, by the exact names the printf patterns make.
std::vector<std::string> sequenceFrames()
{
    std::vector<std::string> names;
    char buffer[64];
    for (int i = 1; i <= 16; ++i) {
        std::snprintf(buffer, sizeof buffer, i < 10 ? "explosion_0%d.png" : "explosion_%d.png", i);
        names.emplace_back(buffer);
    }
    for (const char* ore : {"diamond", "iron", "silver", "gold"}) {
        for (int i = 1; i <= 10; ++i) {
            std::snprintf(buffer, sizeof buffer, i < 10 ? "%s_blik_0%d.png" : "%s_blik_%d.png", ore, i);
            names.emplace_back(buffer);
        }
    }
    for (int i = 1; i <= 11; ++i) {
        std::snprintf(buffer, sizeof buffer, "321_000%d.png", i);  // "321_00010.png" for 10, as the game asks
        names.emplace_back(buffer);
    }
    for (int i = 1; i <= 3; ++i) names.push_back("end_farm" + std::to_string(i) + ".png");
    for (int i = 1; i <= 6; ++i) names.push_back("farm_time_bar_marker_000" + std::to_string(i) + ".png");
    return names;
}

// The pictures the naming contract gives the tile kinds, resources and tools;
// the game data (when present) adds whatever it names.
const std::vector<std::string> kContractPictures = {
    "earth", "rubble", "methane", "stone", "coal", "diamond", "iron", "silver", "gold", "grass", "grass_spring",
    "grass_autumn", "snow", "wood", "wood_spring", "wood_summer", "wood_autumn", "wood_winter", "carrot",
    "carrot_spring", "carrot_autumn", "carrot_winter", "grain", "chicken", "pig", "cow", "rabbit", "wolf",
    "apple", "apple_spring", "apple_autumn", "apple_winter", "methane_primed", "coin", "goblet",
    "soup", "pie", "bread", "flock", "drove", "herd", "iron_bar", "silver_bar", "gold_bar", "building_block",
    "coal_cart", "treasure_chest", "plank", "earth_res", "grass_res", "rubble_res", "money_1", "money_2",
    "money_3", "money_4", "money_5", "money_6",
    "tool_methane", "tool_earth", "tool_rubble", "tool_rat", "tool_wolf", "tool_compost", "tool_sapling",
    "tool_grass_grain", "tool_lunchbox", "tool_coal_to_silver", "tool_silver_to_coal", "tool_extra_2",
};

// Frames the game data names for the boards: "<stem>.png" of the tile kinds
// (their picture and seasonal pictures), the resources 1-16 and 19-24 and
// every tool (Type 4) upgrade. Empty without a game-data file.
std::map<std::string, std::string> gameDataFrames()
{
    std::map<std::string, std::string> frames; // frame -> who names it
    const std::string path = Paths::pathForResource("test.xml");
    if (path.empty()) return frames;
    Profile::purgeSharedInstance();
    DataParser parser;
    if (!parser.parseData(path)) {
        ADD_FAILURE() << "test.xml: the game data cannot be read";
        return frames;
    }
    Profile* profile = Profile::sharedInstance();
    for (const auto& [id, kind] : profile->collectibleDict) {
        const std::string who = "test.xml tile kind " + std::to_string(id);
        for (const std::string* stem : {&kind->pngName, &kind->pngNameSpring, &kind->pngNameSummer,
                                        &kind->pngNameAutumn, &kind->pngNameWinter}) {
            if (!stem->empty()) frames.emplace(*stem + ".png", who);
        }
    }
    for (int id = 1; id <= 24; ++id) {
        if (id == 17 || id == 18) continue;
        Resource* resource = id <= 16 ? profile->GetResource(id) : profile->GetMicroResource(id);
        if (!resource) {
            ADD_FAILURE() << "test.xml: no resource " << id;
            continue;
        }
        frames.emplace(resource->PngName + ".png", "test.xml resource " + std::to_string(id));
    }
    for (const auto& [id, upgrade] : profile->UpgradesDict) {
        if (upgrade->Type == 4) frames.emplace(upgrade->PngName + ".png", "test.xml tool " + std::to_string(id));
    }
    Profile::purgeSharedInstance();
    return frames;
}

// ---- loading the sheets as start-up does ----

class SheetsOfProfile {
public:
    // Loads the profile's four village/board sheets (the first pair as
    // RGBA4444); `missing` lists those that are not in the bundle.
    explicit SheetsOfProfile(const DeviceProfile& profile)
    {
        test::resetSharedInstances();
        CCFileUtils::setBundlePath(Paths::bundleDirectory());
        ccSetContentScaleFactor(profile.contentScale);
        CCSpriteFrameCache* cache = CCSpriteFrameCache::sharedSpriteFrameCache();
        for (size_t i = 0; i < profile.villageSheets.size(); ++i) {
            const std::string sheet = profile.villageSheets[i];
            CCTexture2D::setDefaultAlphaPixelFormat(i < 2 ? kCCTexture2DPixelFormat_RGBA4444
                                                          : kCCTexture2DPixelFormat_RGBA8888);
            if (Paths::pathForResource(sheet).empty()) {
                missing.push_back(sheet);
                continue;
            }
            if (!cache->addSpriteFramesWithFile(sheet)) failures.push_back(sheet + ": the sheet does not load");
        }
        CCTexture2D::setDefaultAlphaPixelFormat(kCCTexture2DPixelFormat_RGBA8888);
    }
    ~SheetsOfProfile()
    {
        test::resetSharedInstances();
        ccSetContentScaleFactor(1);
    }
    SheetsOfProfile(const SheetsOfProfile&) = delete;
    SheetsOfProfile& operator=(const SheetsOfProfile&) = delete;

    static Ref<CCSpriteFrame> frame(const std::string& name)
    {
        return CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(name);
    }
    bool complete() const { return missing.empty(); }
    std::string missingList() const
    {
        std::string list;
        for (const std::string& sheet : missing) list += (list.empty() ? "" : ", ") + sheet;
        return list;
    }

    std::vector<std::string> missing;
    std::vector<std::string> failures;
};

std::string joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) text += "\n  " + line;
    return text;
}

class BoardArtTest : public test::GLRenderTest {
protected:
    BoardArtTest() : GLRenderTest(64, 64) {}
};

// Every frame a board names, with who names it.
std::map<std::string, std::string> boardFrames(const DeviceProfile& profile)
{
    std::map<std::string, std::string> frames;
    for (const std::string& name : kFixedFrames) frames.emplace(name, "board fixed frame");
    frames.emplace(seasonShadowFrame(profile), "board fixed frame");
    for (const std::string& name : sequenceFrames()) frames.emplace(name, "frame sequence");
    for (const std::string& stem : kContractPictures) frames.emplace(stem + ".png", "naming contract");
    return frames;
}

// Only the board's own frames are checked while the other art (village, GUI)
// is not generated in this tree; with all four sheets present every frame is.
TEST_F(BoardArtTest, EveryBoardFrameResolvesOnEveryDevice)
{
    const std::map<std::string, std::string> dataFrames = gameDataFrames();
    for (const DeviceProfile& profile : deviceProfiles()) {
        SCOPED_TRACE(profile.name);
        SheetsOfProfile sheets(profile);
        EXPECT_TRUE(sheets.failures.empty()) << joined(sheets.failures);
        std::map<std::string, std::string> frames = boardFrames(profile);
        frames.insert(dataFrames.begin(), dataFrames.end());
        std::vector<std::string> failures;
        for (const auto& [name, who] : frames) {
            const bool ownSheet = !kScreenFrames.contains(name) && !kSharedFrames.contains(name);
            if (!sheets.complete() && !ownSheet) continue;
            if (!SheetsOfProfile::frame(name)) failures.push_back(name + " (" + who + ")");
        }
        EXPECT_TRUE(failures.empty()) << profile.name << ": frames missing from the loaded sheets:"
                                      << joined(failures);
        if (!sheets.complete()) {
            std::printf("[ note ] %s: %s not generated here; only the board sheet's own frames were checked\n",
                        profile.name, sheets.missingList().c_str());
        }
    }
}

// A frame has the same size in points on both phones and twice that on both
// tablets (a tablet point is half a phone point's share of the screen).
TEST_F(BoardArtTest, FrameSizesInPointsAgreeBetweenDevices)
{
    std::map<std::string, std::vector<CGSize>> sizes; // in phone points, one per profile
    std::set<std::string> names;
    for (const auto& [name, who] : boardFrames(deviceProfiles()[0])) names.insert(name);
    for (const DeviceProfile& profile : deviceProfiles()) {
        SheetsOfProfile sheets(profile);
        for (const std::string& name : names) {
            if (kScreenFrames.contains(name)) continue;
            Ref<CCSpriteFrame> frame = SheetsOfProfile::frame(name);
            if (!frame) continue;  // reported by the resolution test
            const float toPhone = profile.tablet ? 0.5f : 1.0f;
            const CGSize points = frame->originalSizeInPixels();
            sizes[name].push_back(CGSize(points.width / profile.contentScale * toPhone,
                                         points.height / profile.contentScale * toPhone));
        }
    }
    std::vector<std::string> failures;
    for (const auto& [name, list] : sizes) {
        const auto [minW, maxW] = std::minmax_element(list.begin(), list.end(),
                                                      [](CGSize a, CGSize b) { return a.width < b.width; });
        const auto [minH, maxH] = std::minmax_element(list.begin(), list.end(),
                                                      [](CGSize a, CGSize b) { return a.height < b.height; });
        // One pixel of the smallest row, plus rounding of the others.
        if (maxW->width - minW->width > 1.5f || maxH->height - minH->height > 1.5f) {
            std::ostringstream line;
            line << name << ": sizes in phone points";
            for (CGSize s : list) line << " " << s.width << "x" << s.height;
            failures.push_back(line.str());
        }
    }
    EXPECT_TRUE(failures.empty()) << joined(failures);
}

// ---- images loaded whole ----

TEST_F(BoardArtTest, ProgressBarImagesLoadWithTheSameSizeInPoints)
{
    const std::vector<std::pair<std::string, float>> files = {
        {"mine_resource_bar_act_small.png", 1}, {"mine_resource_bar_act_alpha_small.png", 1},
        {"mine_resource_bar_act.png", 2}, {"mine_resource_bar_act_alpha.png", 2},
        {"mine_resource_bar_act_big.png", 4}, {"mine_resource_bar_act_alpha_big.png", 4},
    };
    CCFileUtils::setBundlePath(Paths::bundleDirectory());
    CGSize first;
    for (const auto& [file, pixelsPerPoint] : files) {
        Ref<CCTexture2D> texture = CCTextureCache::sharedTextureCache()->addImage(file);
        ASSERT_NE(texture, nullptr) << file << ": the image does not load";
        const CGSize pixels = texture->contentSizeInPixels();
        const CGSize points(pixels.width / pixelsPerPoint, pixels.height / pixelsPerPoint);
        if (first.width == 0) first = points;
        EXPECT_EQ(points, first) << file << ": not the size of the others in points";
    }
    test::resetSharedInstances();
}

// ---- particle lists ----

TEST_F(BoardArtTest, ParticleListsLoadAsShortBursts)
{
    CCFileUtils::setBundlePath(Paths::bundleDirectory());
    for (const char* file : {"dirt_particle.plist", "mine_particle.plist", "wood_particle.plist",
                             "carrot_particle.plist", "grain_particle.plist", "chicken_particle.plist",
                             "pig_particle.plist", "cow_particle.plist", "grass_01_particle.plist",
                             "grass_02_particle.plist", "apple_particle.plist", "earth_particle.plist",
                             "level_up.plist"}) {
        SCOPED_TRACE(file);
        Ref<CCParticleSystemQuad> system = CCParticleSystemQuad::particleWithFile(file);
        ASSERT_NE(system, nullptr) << file << ": the list does not load";
        EXPECT_NE(system->texture(), nullptr) << file << ": its texture does not load";
        EXPECT_GT(system->totalParticles(), 0u) << file;
        // A one-shot burst: it stops emitting, and its particles die, within a second or two.
        EXPECT_GT(system->duration(), 0.f) << file << ": emits for ever";
        EXPECT_LE(system->duration() + system->life() + system->lifeVar(), 2.f) << file;
        system->update(0.05f);
        EXPECT_GT(system->particleCount(), 0u) << file << ": emits nothing";
        for (int i = 0; i < 60; ++i) system->update(0.05f);
        EXPECT_EQ(system->particleCount(), 0u) << file << ": still alive after 3 s";
    }
    test::resetSharedInstances();
}

// ---- the food pop-up's scene files ----

// Stands in for the pop-up: records the members the file assigns and the
// operations its buttons call.
class FoodPopUpOwner : public Object {
public:
    void onAddFood(Object* sender) { calls.push_back("AddFoodCallback:" + describe(sender)); }
    void onMine(Object* sender) { calls.push_back("MineCallback:" + describe(sender)); }
    void onClose(Object* sender) { calls.push_back("CloseCallback:" + describe(sender)); }
    void onReset(Object* sender) { calls.push_back("ResetCallback:" + describe(sender)); }
    std::string describe(Object* sender)
    {
        for (const auto& [name, node] : members) {
            if (node == sender) return name;
        }
        return "?";
    }
    CCNode* bcg = nullptr;
    CCNode* FoodsMenu = nullptr;
    CCHoldButtonImage* BreadButton = nullptr;
    CCHoldButtonImage* SoupButton = nullptr;
    CCHoldButtonImage* PieButton = nullptr;
    CCHoldButtonImage* FlockButton = nullptr;
    CCHoldButtonImage* DroveButton = nullptr;
    CCHoldButtonImage* HerdButton = nullptr;
    CCSprite* S1 = nullptr;
    CCSprite* S2 = nullptr;
    CCSprite* S3 = nullptr;
    CCSprite* S4 = nullptr;
    CCSprite* S5 = nullptr;
    CCSprite* S6 = nullptr;
    CCMenuItem* CraftButt = nullptr;
    CCMenuItem* CloseButton = nullptr;
    CCMenuItem* ResetButton = nullptr;
    CCNode* FoodBarMarker = nullptr;
    CCNode* StepsMarker = nullptr;
    std::map<std::string, CCNode*> members;
    std::vector<std::string> calls;
};

[[maybe_unused]] const bool foodPopUpOwnerRegistered = [] {
    CCPropertyRegistry& r = CCPropertyRegistry::shared();
    r.registerSelector<FoodPopUpOwner>("AddFoodCallback:", &FoodPopUpOwner::onAddFood);
    r.registerSelector<FoodPopUpOwner>("MineCallback:", &FoodPopUpOwner::onMine);
    r.registerSelector<FoodPopUpOwner>("CloseCallback:", &FoodPopUpOwner::onClose);
    r.registerSelector<FoodPopUpOwner>("ResetCallback:", &FoodPopUpOwner::onReset);
    r.registerMember<FoodPopUpOwner, CCNode>("bcg", &FoodPopUpOwner::bcg);
    r.registerMember<FoodPopUpOwner, CCNode>("FoodsMenu", &FoodPopUpOwner::FoodsMenu);
    r.registerMember<FoodPopUpOwner, CCHoldButtonImage>("BreadButton", &FoodPopUpOwner::BreadButton);
    r.registerMember<FoodPopUpOwner, CCHoldButtonImage>("SoupButton", &FoodPopUpOwner::SoupButton);
    r.registerMember<FoodPopUpOwner, CCHoldButtonImage>("PieButton", &FoodPopUpOwner::PieButton);
    r.registerMember<FoodPopUpOwner, CCHoldButtonImage>("FlockButton", &FoodPopUpOwner::FlockButton);
    r.registerMember<FoodPopUpOwner, CCHoldButtonImage>("DroveButton", &FoodPopUpOwner::DroveButton);
    r.registerMember<FoodPopUpOwner, CCHoldButtonImage>("HerdButton", &FoodPopUpOwner::HerdButton);
    r.registerMember<FoodPopUpOwner, CCSprite>("S1", &FoodPopUpOwner::S1);
    r.registerMember<FoodPopUpOwner, CCSprite>("S2", &FoodPopUpOwner::S2);
    r.registerMember<FoodPopUpOwner, CCSprite>("S3", &FoodPopUpOwner::S3);
    r.registerMember<FoodPopUpOwner, CCSprite>("S4", &FoodPopUpOwner::S4);
    r.registerMember<FoodPopUpOwner, CCSprite>("S5", &FoodPopUpOwner::S5);
    r.registerMember<FoodPopUpOwner, CCSprite>("S6", &FoodPopUpOwner::S6);
    r.registerMember<FoodPopUpOwner, CCMenuItem>("CraftButt", &FoodPopUpOwner::CraftButt);
    r.registerMember<FoodPopUpOwner, CCMenuItem>("CloseButton", &FoodPopUpOwner::CloseButton);
    r.registerMember<FoodPopUpOwner, CCMenuItem>("ResetButton", &FoodPopUpOwner::ResetButton);
    r.registerMember<FoodPopUpOwner, CCNode>("FoodBarMarker", &FoodPopUpOwner::FoodBarMarker);
    r.registerMember<FoodPopUpOwner, CCNode>("StepsMarker", &FoodPopUpOwner::StepsMarker);
    return true;
}();

// Every frame name a scene file's nodes carry, with the node's path.
void collectSceneFrames(const Value& node, const std::string& path, std::vector<std::pair<std::string, std::string>>& out)
{
    const Value& props = node["properties"];
    const std::string here = path + "/" + node["class"].asString() +
                             (props["memberVarAssignmentName"].asString().empty()
                                  ? ""
                                  : "(" + props["memberVarAssignmentName"].asString() + ")");
    if (!props["spriteFramesFile"].asString().empty()) {
        for (const char* key : {"spriteFile", "spriteFileNormal", "spriteFileSelected", "spriteFileDisabled"}) {
            if (props.contains(key)) out.emplace_back(props[key].asString(), here);
        }
    }
    for (const Value& child : node["children"].asArray()) collectSceneFrames(child, here, out);
}

TEST_F(BoardArtTest, FoodPopUpSceneFilesBindEveryMemberAndButton)
{
    for (const DeviceProfile& profile : deviceProfiles()) {
        SCOPED_TRACE(profile.name);
        const std::string file = ::test::sceneFileFor(profile, "FoodPopUp");
        SheetsOfProfile sheets(profile);
        const std::string path = Paths::pathForResource(file);
        ASSERT_FALSE(path.empty()) << file << ": not in the bundle";
        std::optional<Value> document = readPropertyListFile(path);
        ASSERT_TRUE(document && document->isDict()) << file << ": not a property list";
        std::vector<std::pair<std::string, std::string>> frames;
        collectSceneFrames((*document)["nodeGraph"], "", frames);
        EXPECT_FALSE(frames.empty()) << file;
        for (const auto& [frame, where] : frames) {
            EXPECT_NE(SheetsOfProfile::frame(frame), nullptr) << file << " " << where << ": frame " << frame
                                                              << " is not in the loaded sheets";
        }

        FoodPopUpOwner owner;
        Ref<CCNode> root = CCBReader::nodeGraphFromFile(file, &owner);
        ASSERT_NE(root, nullptr) << file << ": no tree";
        owner.members = {{"BreadButton", owner.BreadButton}, {"SoupButton", owner.SoupButton},
                         {"PieButton", owner.PieButton},     {"FlockButton", owner.FlockButton},
                         {"DroveButton", owner.DroveButton}, {"HerdButton", owner.HerdButton},
                         {"CraftButt", owner.CraftButt},     {"CloseButton", owner.CloseButton},
                         {"ResetButton", owner.ResetButton}, {"bcg", owner.bcg},
                         {"FoodsMenu", owner.FoodsMenu},     {"S1", owner.S1},
                         {"S2", owner.S2},                   {"S3", owner.S3},
                         {"S4", owner.S4},                   {"S5", owner.S5},
                         {"S6", owner.S6},                   {"FoodBarMarker", owner.FoodBarMarker},
                         {"StepsMarker", owner.StepsMarker}};
        for (const auto& [name, node] : owner.members) {
            EXPECT_NE(node, nullptr) << file << ": member " << name << " is not bound";
        }
        EXPECT_NE(dynamic_cast<CCMenu*>(owner.FoodsMenu), nullptr) << file << ": FoodsMenu is not a menu";
        // Every button sits in FoodsMenu and calls its operation on the owner.
        const std::vector<std::pair<std::string, std::string>> buttons = {
            {"BreadButton", "AddFoodCallback:"}, {"SoupButton", "AddFoodCallback:"},
            {"PieButton", "AddFoodCallback:"},   {"FlockButton", "AddFoodCallback:"},
            {"DroveButton", "AddFoodCallback:"}, {"HerdButton", "AddFoodCallback:"},
            {"CraftButt", "MineCallback:"},      {"CloseButton", "CloseCallback:"},
            {"ResetButton", "ResetCallback:"}};
        for (const auto& [name, selector] : buttons) {
            auto* item = dynamic_cast<CCMenuItem*>(owner.members[name]);
            if (!item) continue;
            EXPECT_EQ(item->parent(), owner.FoodsMenu) << file << ": " << name << " is not in FoodsMenu";
            owner.calls.clear();
            if (auto* hold = dynamic_cast<CCHoldButtonImage*>(item)) {
                // As the pop-up sets its foods up: a tap takes one, holding repeats.
                hold->SetActionRunTime(0.18f);
                hold->SetHoldRepeatAction(true);
                hold->selected();
                hold->unselected();
            } else {
                item->activate();
            }
            EXPECT_EQ(owner.calls, std::vector<std::string>{selector + name}) << file << ": " << name;
        }
    }
}

// ---- part animations ----

std::string readText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST_F(BoardArtTest, PartAnimationsParseAndNameFramesOfTheSheets)
{
    const std::vector<std::string> always = {"chicken.xml", "pig.xml", "cow.xml", "star_blik.xml"};
    const std::vector<std::string> tabletOnly = {"snow.xml",        "grass.xml",       "grass_spring.xml",
                                                 "grass_autumn.xml", "grain.xml",       "wood_winter.xml",
                                                 "wood_summer.xml", "wood_autumn.xml", "wood_spring.xml"};
    const std::vector<std::string>& loaded = XMLManager::animationFiles();
    const std::vector<std::string>& loadedOnTablets = XMLManager::tabletAnimationFiles();
    for (const std::string& file : always) {
        EXPECT_NE(std::find(loaded.begin(), loaded.end(), file), loaded.end()) << file << ": not loaded at start-up";
    }
    for (const std::string& file : tabletOnly) {
        EXPECT_NE(std::find(loadedOnTablets.begin(), loadedOnTablets.end(), file), loadedOnTablets.end())
            << file << ": not loaded on tablets";
    }
    for (const DeviceProfile& profile : deviceProfiles()) {
        SCOPED_TRACE(profile.name);
        SheetsOfProfile sheets(profile);
        std::vector<std::string> files = always;
        if (profile.tablet) files.insert(files.end(), tabletOnly.begin(), tabletOnly.end());
        for (const std::string& file : files) {
            const std::string path = Paths::pathForResource(file);
            ASSERT_FALSE(path.empty()) << file << ": not in the bundle";
            // A missing attribute reads as 0: scale and opacity must be written out.
            const std::string text = readText(path);
            size_t items = 0;
            for (size_t at = text.find("<item"); at != std::string::npos; at = text.find("<item", at + 1)) {
                ++items;
                const std::string item = text.substr(at, text.find('>', at) - at);
                for (const char* attribute : {" scaleX=", " scaleY=", " alpha="}) {
                    EXPECT_NE(item.find(attribute), std::string::npos)
                        << file << ": a key frame without" << attribute << " " << item;
                }
            }
            Ref<Animation> animation = Animation::animationWithTinyXML(file);
            ASSERT_NE(animation, nullptr) << file;
            EXPECT_GT(animation->Fps, 0) << file << ": no frame rate";
            ASSERT_FALSE(animation->Animations.empty()) << file << ": no parts";
            size_t keyFrames = 0;
            int lastIndex = -1;
            for (const Ref<ANIM_DEF>& part : animation->Animations) {
                keyFrames += part->Frames.size();
                EXPECT_NE(SheetsOfProfile::frame(part->Name), nullptr)
                    << file << ": part frame " << part->Name << " is not in the loaded sheets";
                if (part->Frames.size() < 2) continue;
                // The animation ends with its first part: all moving parts end together.
                const int last = part->Frames.back()->index;
                if (lastIndex < 0) lastIndex = last;
                EXPECT_EQ(last, lastIndex) << file << ": part " << part->Name << " ends at another frame";
            }
            EXPECT_EQ(keyFrames, items) << file << ": key frames the reader did not take";
            EXPECT_GE(lastIndex, 1) << file << ": nothing moves";
            // A copy places and runs a whole loop without trouble.
            Ref<Animation> copy = animation->GenerateNewObject();
            copy->PlaceObject();
            copy->StartAnimations(true);
            for (int step = 0; step < 100; ++step) copy->Update(1.f / 30);
            EXPECT_GT(copy->AnimationBox.size.width, 0.f) << file << ": places nothing visible";
        }
    }
}

// ---- a mock-up of the boards with the real frames ----

struct Screen {
    float w, h;       // points
    bool tablet;
    int pixelsWide;
};

CCSprite* add(CCNode* parent, const std::string& frame, CGPoint position, CGPoint anchor = {0.5f, 0.5f},
              int z = 0, float scale = 1)
{
    Ref<CCSprite> sprite = CCSprite::spriteWithSpriteFrameName(frame);
    EXPECT_NE(sprite, nullptr) << "mock-up: no frame " << frame;
    if (!sprite) return nullptr;
    sprite->setPosition(position);
    sprite->setAnchorPoint(anchor);
    sprite->setScale(scale);
    parent->addChild(sprite.get(), z);
    return sprite.get();
}

float frameHeight(const std::string& name)
{
    Ref<CCSpriteFrame> frame = SheetsOfProfile::frame(name);
    return frame ? frame->rect().size.height : 0;
}
float frameWidth(const std::string& name)
{
    Ref<CCSpriteFrame> frame = SheetsOfProfile::frame(name);
    return frame ? frame->rect().size.width : 0;
}

// The bars, buttons and panel both boards share.
void addFrameOfBoard(CCNode* root, const Screen& s, bool mine)
{
    const float barVisible = frameHeight("bottom_bar_menu.png") / 2;
    add(root, "bottom_bar_menu.png", {s.w / 2, 0}, {0.5f, 0.5f}, 4);
    add(root, "mine_bottom_bg.png", {s.w / 2, barVisible}, {0.5f, 0}, 2);
    const float offset2 = barVisible + frameHeight("mine_bottom_bg.png") - 5;
    add(root, "list_gradient_top&bottom.png", {s.w / 2, offset2}, {0.5f, 0.5f}, 2);
    const float y = barVisible / 2;
    add(root, "tools_menu_icon.png", {s.w / 2, y}, {0.5f, 0.5f}, 4);
    add(root, "menu_ico_menu.png", {s.w - (s.tablet ? 56.f : 22.f), y}, {0.5f, 0.5f}, 4);
    add(root, "but_tools_help.png", {s.w - (s.tablet ? 114.8f : 55.f), y}, {0.5f, 0.5f}, 4);
    add(root, "but_menu_back.png", {s.tablet ? 56.f : 22.f, y}, {0.5f, 0.5f}, 4);
    // The resource panel: eight slots.
    const std::vector<std::string> icons =
        mine ? std::vector<std::string>{"building_block", "coal_cart", "treasure_chest", "iron_bar", "silver_bar",
                                        "gold_bar", "earth_res", "rubble_res"}
             : std::vector<std::string>{"bread", "soup", "pie", "flock", "drove", "herd", "grass_res", "plank"};
    for (size_t i = 0; i < icons.size(); ++i) {
        Ref<CCNode> slot = CCNode::node();
        slot->setPosition({(i + 1) * s.w / 9, (s.tablet ? 0.21f : 0.25f) * s.h});
        root->addChild(slot.get(), 2);
        CCSprite* icon = add(slot.get(), icons[i] + ".png", {0, s.tablet ? 26.f : 0.f}, {0.5f, 0.5f}, 3, 0.6f);
        if (icon && i == 7) {
            icon->setColor({0, 0, 0});
            icon->setOpacity(140);  // not seen yet
        }
        const CGPoint barAt{0, s.tablet ? -48.f : -40.f};
        add(slot.get(), "mine_resource_bar_bg.png", barAt, {0.5f, 0.5f}, 0, 0.9f);
        const char* bar = s.pixelsWide == 320 ? "mine_resource_bar_act_small.png"
                          : s.pixelsWide > 1024 ? "mine_resource_bar_act_big.png"
                                                : "mine_resource_bar_act.png";
        for (int layer = 0; layer < 2; ++layer) {
            std::string file = bar;
            if (layer == 1) file.insert(file.find("_act") + 4, "_alpha");
            Ref<CCSprite> fill = CCSprite::spriteWithFile(file);
            ASSERT_NE(fill, nullptr) << file;
            const CGRect full = fill->textureRect();
            const float part = (layer == 0 ? 0.2f : 0.35f) + 0.08f * i;
            fill->setTextureRect(CGRect(0, 0, full.size.width * std::min(1.f, part), full.size.height));
            fill->setAnchorPoint({0, 0.5f});
            fill->setPosition({barAt.x - full.size.width * 0.45f, barAt.y});
            fill->setScale(0.9f);
            slot->addChild(fill.get(), layer == 0 ? 2 : 1);
        }
    }
}

Ref<CCNode> mineBoard(const Screen& s, bool toolsShown)
{
    Ref<CCNode> root = CCNode::node();
    const float y0 = s.tablet ? 291 : 125;
    // The board's background lies under its tiles.
    add(root.get(), "mine_tiles_bg_big.png", {s.w / 2 + 2, y0}, {1, 0}, -1);
    CCSprite* mirrored = add(root.get(), "mine_tiles_bg_big.png", {s.w / 2, y0}, {0, 0}, -1);
    if (mirrored) mirrored->setFlipX(true);
    const float topBar = frameHeight("top_bar_food.png");
    add(root.get(), "top_bar_food.png", {s.w / 2, s.h}, {0.5f, 1}, 5);
    CCSprite* shadow = add(root.get(), "list_gradient_top&bottom.png",
                           {s.w / 2, s.h - topBar + (s.tablet ? 6.f : 0.f)}, {0.5f, 0.5f}, 2);
    if (shadow) shadow->setRotation(180);
    // Food bar: 7 of 10 portions left over the shadow row.
    const float iconW = frameWidth("mine_meat.png");
    for (int i = 0; i < 8; ++i) {
        const CGPoint at{(s.tablet ? 36.f : 20.f) + i * iconW, s.h - topBar / 2};
        CCSprite* eaten = add(root.get(), "mine_meat_eaten.png", at, {0, 0.5f}, 5);
        if (eaten) eaten->setOpacity(100);
        if (i < 7) add(root.get(), "mine_meat.png", at, {0, 0.5f}, 5);
    }
    addFrameOfBoard(root.get(), s, true);
    const float step = s.tablet ? 99 : 49;
    const float yOffset = s.tablet ? 884 : 424;
    const int kinds[6][6] = {{4, 1, 5, 7, 1, 4}, {1, 3, 3, 2, 8, 1}, {9, 3, 4, 1, 1, 6},
                             {5, 1, 20, 20, 4, 22}, {2, 4, 1, 20, 1, 7}, {1, 8, 24, 5, 9, 1}};
    const char* names[] = {"", "earth", "rubble", "methane", "stone", "coal", "diamond", "iron", "silver", "gold"};
    for (int r = 0; r < 6; ++r) {
        for (int c = 0; c < 6; ++c) {
            const int kind = kinds[r][c];
            const std::string picture = kind == 20 ? "methane_primed.png" : kind == 22 ? "coin.png"
                                        : kind == 24                   ? "goblet.png"
                                                                       : std::string(names[kind]) + ".png";
            Ref<CCNode> tile = CCNode::node();
            tile->setPosition({s.w / 2 + (c - 2.5f) * step, yOffset - r * step});
            root->addChild(tile.get(), 0);
            const bool chain = r == 3 && c >= 1 && c <= 2;  // a chain lifts the earth cover
            if (kind == 1) {
                add(tile.get(), picture, {0, 0}, {0.5f, 0.5f}, 0);
                if (!chain) add(tile.get(), "mine_earth.png", {0, 0}, {0.5f, 0.5f}, 1);
            } else if (kind == 3 || kind == 20) {
                add(tile.get(), "methane_shadow.png", {0, 0}, {0.5f, 0.5f}, 1);
                add(tile.get(), picture, {0, 0}, {0.5f, 0.5f}, 2, kind == 3 ? 0.9f : 1.0f);
                if (!chain) add(tile.get(), "mine_earth3.png", {0, 0}, {0.5f, 0.5f}, 0);
            } else {
                CCSprite* copy = add(tile.get(), picture, {0, 0}, {0.5f, 0.5f}, 1);
                if (copy) {
                    copy->setColor({0, 0, 0});
                    copy->setOpacity(60);
                }
                add(tile.get(), picture, {0, 0}, {0.5f, 0.5f}, 2, 0.95f);
                if (!chain) add(tile.get(), "mine_earth3.png", {0, 0}, {0.5f, 0.5f}, 0);
            }
            if (kind == 6) add(tile.get(), "diamond_blik_05.png", {0, 0}, {0.5f, 0.5f}, 3, 2);
            if (r == 4 && c == 3) add(tile.get(), "explosion_05.png", {0, 0}, {0.5f, 0.5f}, 4);
            if (r == 3 && c == 1) add(tile.get(), "line_star_01.png", {0, 0}, {0.5f, 0.5f}, 5);
        }
    }
    if (toolsShown) {
        const float barH = frameHeight("tools_menu_bar.png");
        CCSprite* bar = add(root.get(), "tools_menu_bar.png", {s.w / 2, s.h - barH}, {0.5f, 0}, 6);
        const float dist = s.tablet ? 110 : 65;
        const std::vector<std::string> tools = {"tool_earth", "tool_methane", "tool_rubble", "tool_lunchbox",
                                                "tool_coal_to_silver"};
        if (bar) {
            const float x0 = frameWidth("tools_menu_bar.png") / 2 - (tools.size() / 2.f - 0.5f) * dist;
            for (size_t i = 0; i < tools.size(); ++i) {
                add(bar, tools[i] + ".png", {x0 + i * dist, 0.15f * barH}, {0.5f, 0}, 1, 0.82f);
            }
        }
        CCSprite* banner = add(root.get(), "tool_label.png", {0, 0.8f * s.h}, {0, 0.5f}, 8);
        if (banner) {
            add(banner, "tool_earth.png", {frameWidth("tool_label.png") / 2, frameHeight("tool_label.png") * 0.54f},
                {0.5f, 0.5f}, 1, 0.8f);
        }
        add(root.get(), "goods_popup.png", {s.tablet ? 206.f : 103.f, s.h / 2}, {0.5f, 0.5f}, 5);
    }
    return root;
}

Ref<CCNode> fieldBoard(const Screen& s, int season, float positionScale)
{
    Ref<CCNode> root = CCNode::node();
    add(root.get(), "farm_tiles_bg.png", {s.w / 2, s.tablet ? 290.f : 136.f}, {0.5f, 0}, 0);
    addFrameOfBoard(root.get(), s, false);
    // The season strip, its dark quarters and the walking marker.
    Ref<CCNode> strip = CCNode::node();
    strip->setPosition({0, s.h});
    root->addChild(strip.get(), 3);
    add(strip.get(), "farm_time_bar.png", {0, 0}, {0, 1}, 0);
    const float q = frameWidth("farm_time_bar.png") / 4;
    const std::string shade = s.tablet ? "farm_time_bar_shadow.png" : "farm_time_bar_shadow_small.png";
    for (int i = 0; i < 4; ++i) {
        if (i == season) continue;
        CCSprite* dark = add(strip.get(), shade, {q * i - (s.tablet ? 2.f : 0.f), 1}, {0, 1}, 2);
        if (dark && !s.tablet) dark->setScaleY(1.06f);
    }
    add(strip.get(), season == 3 ? "farm_time_bar_marker_0005.png" : "farm_time_bar_marker_0002.png",
        {frameWidth("farm_time_bar_marker_0001.png") / 2 + q * season + q * 0.4f,
         -frameHeight("farm_time_bar.png") / 2},
        {0.5f, 0.6f}, 1);
    add(root.get(), "farm_time_bar_cover.png", {s.w, s.h}, {1, 1}, 4);
    Ref<CCNode> calendar = CCNode::node();
    calendar->setPosition({0.955f * s.w, s.h});
    root->addChild(calendar.get(), 4);
    const float backW = frameWidth("calendar_03.png"), backH = frameHeight("calendar_03.png");
    add(calendar.get(), "calendar_03.png", {0, 0}, {0.5f, 1}, 0);
    add(calendar.get(), "calendar_02.png", {backW / 2, -backH}, {1, 0}, 1);
    add(calendar.get(), "calendar_01.png", {0, 0.1f * backH}, {0.5f, 1}, 3);

    const char* seasonal[4][4] = {{"grass_spring", "wood_spring", "carrot_spring", "apple_spring"},
                                  {"grass", "wood_summer", "carrot", "apple"},
                                  {"grass_autumn", "wood_autumn", "carrot_autumn", "apple_autumn"},
                                  {"snow", "wood_winter", "carrot_winter", "apple_winter"}};
    const int kinds[6][6] = {{10, 12, 13, 11, 14, 19}, {15, 10, 17, 12, 16, 13}, {11, 19, 10, 18, 12, 21},
                             {13, 14, 12, 10, 19, 11}, {16, 11, 15, 13, 23, 10}, {12, 10, 19, 14, 11, 13}};
    const float step = s.tablet ? 99 : 49;
    const float yOffset = s.tablet ? 824 : 404;
    for (int r = 0; r < 6; ++r) {
        for (int c = 0; c < 6; ++c) {
            const int kind = kinds[r][c];
            std::string picture;
            switch (kind) {
            case 10: case 11: case 12: case 19:
                picture = seasonal[season][kind == 10 ? 0 : kind == 11 ? 1 : kind == 12 ? 2 : 3];
                break;
            case 13: picture = "grain"; break;
            case 14: picture = "chicken"; break;
            case 15: picture = "pig"; break;
            case 16: picture = "cow"; break;
            case 17: picture = "rabbit"; break;
            case 18: picture = "wolf"; break;
            case 21: picture = "drell_16fps_000"; break;
            default: picture = "goblet"; break;
            }
            Ref<CCNode> tile = CCNode::node();
            tile->setPosition({s.w / 2 + (c - 2.5f) * step, yOffset - r * step});
            root->addChild(tile.get(), 1);
            // Animals always play their part animation; grass, wood and grain do on tablets.
            const bool animated = (kind >= 14 && kind <= 16) || (s.tablet && (kind == 10 || kind == 11 || kind == 13));
            if (animated) {
                const std::string file = Paths::pathForResource(picture + ".xml");
                Ref<Animation> anim = Animation::animationWithFile(file, positionScale);
                EXPECT_NE(anim, nullptr) << picture << ".xml";
                if (!anim) continue;
                Ref<Animation> copy = anim->GenerateNewObject();
                copy->PlaceObject();
                copy->StartAnimations(true);
                for (int i = 0; i < 3 + r + c; ++i) copy->Update(0.1f);
                tile->addChild(copy.get(), 0);
            } else {
                add(tile.get(), picture + ".png", {0, 0}, {0.5f, 0}, 0);
            }
            if (kind == 17) {
                const float bw = frameWidth("321_0001.png") * 0.7f, bh = frameHeight("321_0001.png") * 0.7f;
                add(tile.get(), "321_0001.png", {std::floor(bw / 2) + step * 0.3f, std::floor(bh / 2) - 6}, {0.5f, 0.5f},
                    2, 0.7f);
            }
            if (kind == 18) add(tile.get(), "cross_kill.png", {0, 0}, {0.5f, 0}, 5);
        }
    }
    if (season == 2) add(root.get(), "end_farm3.png", {0.5f * s.w, 0.6f * s.h}, {0.5f, 0.5f}, 10);
    return root;
}

// The food pop-up as the game fills it: food icons on the buttons, the food
// bar in its marker, over the dimmed village.
Ref<CCNode> foodPopUp(const Screen& s, const DeviceProfile& profile, FoodPopUpOwner& owner)
{
    Ref<CCNode> root = CCNode::node();
    Ref<CCNode> tree = CCBReader::nodeGraphFromFile(::test::sceneFileFor(profile, "FoodPopUp"), &owner);
    EXPECT_NE(tree, nullptr);
    if (!tree) return root;
    tree->setPosition({s.w / 2, s.h / 2});
    root->addChild(tree.get(), 1);
    const std::vector<std::pair<CCNode*, std::string>> foods = {
        {owner.BreadButton, "bread"}, {owner.SoupButton, "soup"},   {owner.PieButton, "pie"},
        {owner.FlockButton, "flock"}, {owner.DroveButton, "drove"}, {owner.HerdButton, "herd"}};
    for (const auto& [button, icon] : foods) {
        if (!button) continue;
        const CGSize size = button->contentSize();
        add(button, icon + ".png", {size.width / 2, size.height / 2}, {0.5f, 0.5f}, 2, 0.92f);
    }
    if (owner.FoodBarMarker) {
        const float iconW = frameWidth("food_ham_icon.png");
        for (int i = 0; i < 8; ++i) {
            CCSprite* faint = add(owner.FoodBarMarker, "food_ham_icon.png", {i * iconW, 0}, {0, 0.5f}, 0);
            if (faint) faint->setOpacity(100);
            if (i < 4) add(owner.FoodBarMarker, "food_ham_icon.png", {i * iconW, 0}, {0, 0.5f}, 1);
        }
    }
    return root;
}

void drawAndKeep(test::GLTestContext& gl, CCNode* root, const std::string& name, std::vector<std::string>& failures)
{
    ccSetNodeDrawingState(static_cast<float>(gl.width()), static_cast<float>(gl.height()));
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    root->visit();
    ccEndNodeDrawing();
    if (const char* dir = std::getenv("MOSSWICK_TEST_PICTURES")) {
        EXPECT_TRUE(gl.savePNG(std::string(dir) + "/" + name + ".png"));
    }
    // The board's middle is covered (by tiles or the ground under them).
    const test::RGBA middle = gl.readPixel(gl.width() / 2, gl.height() * 6 / 10);
    if (middle.r + middle.g + middle.b < 30) failures.push_back(name + ": the board's middle is black");
}

TEST_F(BoardArtTest, MockUpOfTheBoardsDrawsWithTheRealFrames)
{
    std::vector<std::string> failures;
    for (const DeviceProfile& profile : deviceProfiles()) {
        SCOPED_TRACE(profile.name);
        SheetsOfProfile sheets(profile);
        if (!sheets.complete()) {
            std::printf("[ note ] %s: %s not generated here; no mock-up\n", profile.name,
                        sheets.missingList().c_str());
            continue;
        }
        test::GLTestContext* gl = test::GLTestContext::acquire(profile.widthPixels, profile.heightPixels);
        ASSERT_NE(gl, nullptr);
        const Screen s{profile.widthPixels / profile.contentScale, profile.heightPixels / profile.contentScale,
                       profile.tablet, profile.widthPixels};
        // Part animations are written in the H sheet's pixels.
        const float positionScale = profile.widthPixels == 320 ? 0.5f : profile.widthPixels > 1024 ? 2.f : 1.f;
        std::string stem = profile.name;
        std::replace(stem.begin(), stem.end(), ' ', '_');
        drawAndKeep(*gl, mineBoard(s, false).get(), "board_mine_" + stem, failures);
        drawAndKeep(*gl, mineBoard(s, true).get(), "board_mine_tools_" + stem, failures);
        for (int season = 0; season < 4; ++season) {
            drawAndKeep(*gl, fieldBoard(s, season, positionScale).get(), "board_field_" + std::to_string(season) + "_" + stem,
                        failures);
        }
        // Every burst 0.12 s and 0.4 s after it starts, over the board.
        for (float age : {0.12f, 0.4f}) {
            Ref<CCNode> board = mineBoard(s, false);
            const char* files[] = {"dirt_particle.plist", "mine_particle.plist", "wood_particle.plist",
                                   "carrot_particle.plist", "grain_particle.plist", "chicken_particle.plist",
                                   "pig_particle.plist", "cow_particle.plist", "grass_01_particle.plist",
                                   "grass_02_particle.plist", "apple_particle.plist", "earth_particle.plist",
                                   "level_up.plist"};
            const float step = s.tablet ? 99 : 49;
            for (size_t i = 0; i < std::size(files); ++i) {
                Ref<CCParticleSystemQuad> burst = CCParticleSystemQuad::particleWithFile(files[i]);
                if (!burst) continue;
                burst->setPosition({s.w / 2 + (static_cast<float>(i % 4) - 1.5f) * step * 1.4f,
                                    (s.tablet ? 884.f : 424.f) - static_cast<float>(i / 4) * step * 1.4f});
                board->addChild(burst.get(), 10);
                for (float t = 0; t < age; t += 0.02f) burst->update(0.02f);
            }
            drawAndKeep(*gl, board.get(), "board_particles_" + std::to_string(static_cast<int>(age * 100)) + "_" + stem,
                        failures);
        }
        FoodPopUpOwner owner;
        Ref<CCNode> popUp = foodPopUp(s, profile, owner);
        Ref<CCNode> underneath = mineBoard(s, false);
        underneath->addChild(popUp.get(), 20);
        drawAndKeep(*gl, underneath.get(), "board_food_popup_" + stem, failures);
    }
    EXPECT_TRUE(failures.empty()) << joined(failures);
}

} // namespace
} // namespace mw
