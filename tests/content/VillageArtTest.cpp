// The village's art and definitions, checked the way the game reads them: for
// each device profile the four village/board sheets are loaded as start-up
// loads them, and every frame the village map, its walkers, its pop-ups and
// the tutorial name must resolve; the part animations, roads and map slots
// are read through the definitions manager. Every failure names the file and
// the entry.
//
// A sheet that another content generator has not written yet leaves the
// frames it would hold unchecked (listed, not failed); once every sheet is in
// the bundle, every frame is required.

#include <GLES/gl.h>
#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "engine/base/CCWinSize.h"
#include "engine/base/ccContentScale.h"
#include "engine/base/ccDrawingState.h"
#include "engine/sprites/CCSprite.h"
#include "engine/sprites/CCSpriteFrame.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "engine/textures/CCTexture2D.h"
#include "foundation/Shared.h"
#include "game/defs/XMLManager.h"
#include "game/state/DataParser.h"
#include "game/state/GlobalObject.h"
#include "game/state/Profile.h"
#include "tests/content/DeviceProfiles.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/SharedInstances.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

std::string bundlePath()
{
    const char* folder = std::getenv("MOSSWICK_RESOURCES");
    return folder ? folder : "";
}

bool inBundle(const std::string& file)
{
    return std::filesystem::exists(std::filesystem::path(bundlePath()) / file);
}

// The fixed frames of the village and its pop-ups (every one in each device's sheets).
const std::vector<std::string>& fixedVillageFrames()
{
    static const std::vector<std::string> frames = [] {
        // The map: entrances, markers, walkers, bonus glow, tooltip.
        std::vector<std::string> names = {
            "icon_farm.png", "icon_mine.png", "icon_settlement.png", "map_marker_build.png",
            "map_marker_upgrade.png", "worker_base_small.png", "map_white_glow.png",
            "building_tooltip_info.png",
            // The level-up pop-up and the tutorial's speakers.
            "trophy.png", "yellow_ray.png", "L.png", "E.png", "V.png", "worker_ploughman.png",
            "worker_prospector.png", "worker_elder.png",
            // What the other village screens and pop-ups draw.
            "loading_tab1.png", "loading_tab2.png", "main_menu_music_icon.png",
            "main_menu_music_icon_disabled.png", "main_menu_sounds_icon.png",
            "main_menu_sounds_icon_disabled.png", "popup_credits_mask.png", "icon_achievments.png",
            "icon_leaderboards.png", "bg_popup.png", "craftfood_button.png", "craftfood_button_click.png",
            "coin_lvl_up.png", "line_star_01.png", "micro_money.png", "resource_tooltip.png",
            "resource_tooltip_info.png", "tnt.png", "metan_lamp.png", "fake_midd.png", "XP_bar_bg.png",
            "XP_bar_active.png", "alert_01.png", "alert_02.png", "strzalka.png", "achievment_bar.png",
            "bg_build.png", "popup_bottom_dark.png", "popup_lvl_bg.png", "popup_gold_bg.png",
            "build_button.png", "build_button_click.png", "cancel_button.png", "cancel_button_click.png",
            "instantbuy_button.png", "instantbuy_button_click.png", "tools_plus.png", "tools_plus_click.png",
            "tools_plus_disable.png", "tools_minus.png", "tools_minus_click.png", "tools_minus_disable.png",
            "microtransactions_list_open.png", "list_bg1_hire.png", "list_new.png",
            "list_population_spacer.png", "max_button.png", "list_button.png", "list_button_click.png",
            "list_button_disabled.png", "list_button_medium.png", "list_button_medium_click.png",
            "list_button_medium_disabled.png", "list_button_dark.png", "list_button_dark_click.png",
            "list_button_dark_medium.png", "list_button_dark_medium_click.png", "Tutorial_red_arrow.png",
            "coins_small_ico.png", "list_padlock.png", "list_updates_coming.png", "tools_list_bg1.png",
            "tools_nbr_bg.png", "sell_bg_light.png", "sell_button.png", "sell_button_click.png",
            "sell_bg.png", "+_button_off.png", "+_button_on.png", "__button_off.png", "__button_on.png",
            "button_taxes.png", "button_taxes_off.png", "chest_open.png", "chest_closed.png",
            "popup_tutorial.png", "popup_workers_resources.png", "fake_mid3.png", "b_castle.png"};
        // The frame sequences, in the names the code forms.
        for (int n = 1; n <= 18; ++n)
            names.push_back((n < 10 ? "exclamation_000" : "exclamation_00") + std::to_string(n) + ".png");
        for (int n = 1; n <= 24; ++n) {
            names.push_back((n < 10 ? "hands_000" : "hands_00") + std::to_string(n) + ".png");
            names.push_back((n < 10 ? "legs_000" : "legs_00") + std::to_string(n) + ".png");
        }
        for (int n = 0; n <= 9; ++n) names.push_back(std::to_string(n) + ".png");
        for (int n = 1; n <= 4; ++n) {
            names.push_back("resource_number_bg_x" + std::to_string(n) + ".png");
            names.push_back("resource_number_bg_x" + std::to_string(n) + "_red.png");
        }
        return names;
    }();
    return frames;
}

const ::test::DeviceProfile* currentProfile = nullptr;

CGSize profileWindow()
{
    return CGSize{currentProfile->widthPixels / currentProfile->contentScale,
        currentProfile->heightPixels / currentProfile->contentScale};
}

// One device as start-up sets it up: window, content scale, device kind and
// the four village/board sheets (the first pair as RGBA4444).
class DeviceScope {
public:
    explicit DeviceScope(const ::test::DeviceProfile& profile)
        : profile_(profile)
    {
        test::resetSharedInstances();
        gl_ = test::GLTestContext::acquire(64, 64);
        currentProfile = &profile;
        ccSetWinSizeProvider(&profileWindow);
        ccSetContentScaleFactor(profile.contentScale);
        (void)Shared<GlobalObject>::replace(
            makeRef<GlobalObject>(CGSize{float(profile.widthPixels), float(profile.heightPixels)}));
        if (!gl_) return;
        for (size_t n = 0; n < profile.villageSheets.size(); ++n) {
            const std::string sheet = profile.villageSheets[n];
            CCTexture2D::setDefaultAlphaPixelFormat(
                n < 2 ? kCCTexture2DPixelFormat_RGBA4444 : kCCTexture2DPixelFormat_RGBA8888);
            if (!inBundle(sheet)) {
                absent_.push_back(sheet);
                continue;
            }
            EXPECT_TRUE(CCSpriteFrameCache::sharedSpriteFrameCache()->addSpriteFramesWithFile(sheet))
                << profile.name << ": " << sheet << " does not load";
        }
        CCTexture2D::setDefaultAlphaPixelFormat(kCCTexture2DPixelFormat_RGBA8888);
    }
    ~DeviceScope()
    {
        if (!unchecked_.empty()) {
            std::ostringstream list;
            for (const std::string& entry : unchecked_) list << "\n  " << entry;
            std::cout << profile_.name << ": unchecked while " << absent_.front() << " (and "
                      << absent_.size() - 1 << " more) is not in the bundle:" << list.str() << "\n";
        }
        ccSetWinSizeProvider(nullptr);
        ccSetContentScaleFactor(1);
        test::resetSharedInstances();
        currentProfile = nullptr;
    }

    bool ready() const { return gl_ != nullptr; }
    bool hasFrame(const std::string& name) const
    {
        return CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(name).get() != nullptr;
    }
    // Fails (naming where the frame is asked for) unless the frame is loaded;
    // with a sheet absent, only notes it.
    void expectFrame(const std::string& name, const std::string& where)
    {
        if (hasFrame(name)) return;
        if (!absent_.empty()) {
            unchecked_.insert(where + ": \"" + name + "\"");
            return;
        }
        ADD_FAILURE() << profile_.name << ": " << where << " names frame \"" << name
                      << "\", which no sheet holds";
    }
    // The main menu's sheet alone, as the menu loads it (its animations name its frames).
    void switchToMenuSheet()
    {
        CCSpriteFrameCache::sharedSpriteFrameCache()->removeSpriteFrames();
        CCTexture2D::setDefaultAlphaPixelFormat(kCCTexture2DPixelFormat_RGBA8888);
        if (!inBundle(profile_.menuSheet)) {
            absent_.push_back(profile_.menuSheet);
            return;
        }
        EXPECT_TRUE(CCSpriteFrameCache::sharedSpriteFrameCache()->addSpriteFramesWithFile(profile_.menuSheet))
            << profile_.name << ": " << profile_.menuSheet << " does not load";
    }
    // A file of another generator: required once every sheet is there, noted until then.
    void expectPresent(const std::string& file)
    {
        if (!absent_.empty())
            unchecked_.insert(file + ": not in the bundle");
        else
            ADD_FAILURE() << profile_.name << ": " << file << " is not in the bundle";
    }

private:
    const ::test::DeviceProfile& profile_;
    test::GLTestContext* gl_ = nullptr;
    std::vector<std::string> absent_;
    std::set<std::string> unchecked_;
};

class VillageArtTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(bundlePath().empty()) << "MOSSWICK_RESOURCES is not set";
        for (const char* sheet :
            {"Village-iPhone4-L.plist", "Village-iPhone4-H.plist", "Village-iPhone4-H2.plist"}) {
            ASSERT_TRUE(inBundle(sheet)) << sheet << " is not in the bundle";
        }
    }
    // The game data read into the profile, as a new game reads it; false when the bundle has none.
    bool readGameData()
    {
        if (!inBundle("test.xml")) return false;
        DataParser parser;
        return parser.parseData(DataParser::bundledGameDataPath());
    }

    test::TempDir home;
    test::ScopedEnv homeEnv{"MOSSWICK_HOME", home.path()};
};

// A missing attribute reads as 0, so a key frame without its scale or opacity
// would draw nothing: each must be written out. The reader goes by position
// (root: frames per second, then one element per part, one per key frame,
// whose first child carries the values), and so does this check.
void expectExplicitValues(const std::string& file)
{
    tinyxml2::XMLDocument document;
    const std::string path = (std::filesystem::path(bundlePath()) / file).string();
    if (document.LoadFile(path.c_str()) != tinyxml2::XML_SUCCESS || !document.RootElement()) {
        ADD_FAILURE() << file << ": not XML";
        return;
    }
    const tinyxml2::XMLElement* fps = document.RootElement()->FirstChildElement();
    if (!fps) {
        ADD_FAILURE() << file << ": empty";
        return;
    }
    int part = 0;
    for (const tinyxml2::XMLElement* p = fps->NextSiblingElement(); p; p = p->NextSiblingElement(), ++part) {
        for (const tinyxml2::XMLElement* key = p->FirstChildElement(); key; key = key->NextSiblingElement()) {
            const tinyxml2::XMLElement* item = key->FirstChildElement();
            for (const char* name : {"scaleX", "scaleY", "alpha"}) {
                EXPECT_TRUE(item && item->Attribute(name))
                    << file << " part " << part << " ("
                    << (p->Attribute("image") ? p->Attribute("image") : "?") << ") key frame "
                    << (key->Attribute("index") ? key->Attribute("index") : "?") << ": no " << name;
            }
        }
    }
}

// Buildings that stand at once in each group: those no other building replaces in place.
std::map<int32_t, int32_t> standingBuildings(const Profile& profile)
{
    std::set<int32_t> replacements;
    for (const auto& [id, item] : profile.UpgradesDict) {
        if (item->Type == 2 && item->NextUpdateEnum > 0) replacements.insert(item->NextUpdateEnum);
    }
    std::map<int32_t, int32_t> counts;
    for (const auto& [id, item] : profile.UpgradesDict) {
        if (item->Type == 2 && item->Group >= 1 && item->Group <= 3 && !replacements.count(id))
            ++counts[item->Group];
    }
    return counts;
}

// A frame has the same size in points on the phones and on the tablets (each
// kind has its own screen-wide device frames, so the kinds are compared apart).
class PointSizes {
public:
    void expectSame(const ::test::DeviceProfile& profile, const std::string& name)
    {
        Ref<CCSpriteFrame> frame = CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(name);
        if (!frame) return;
        const CGSize size = frame->rect().size;
        auto [first, added] = sizes_[profile.tablet].try_emplace(name, std::make_pair(size, profile.name));
        if (added) return;
        EXPECT_TRUE(std::abs(first->second.first.width - size.width) <= 0.5f &&
                    std::abs(first->second.first.height - size.height) <= 0.5f)
            << name << ": " << size.width << " x " << size.height << " points on " << profile.name << ", "
            << first->second.first.width << " x " << first->second.first.height << " on " << first->second.second;
    }

private:
    std::map<bool, std::map<std::string, std::pair<CGSize, std::string>>> sizes_;
};

TEST_F(VillageArtTest, EveryFixedAndDataDrivenVillageFrameResolvesOnEveryDevice)
{
    PointSizes sizes;
    for (const ::test::DeviceProfile& profile : ::test::deviceProfiles()) {
        DeviceScope device(profile);
        ASSERT_TRUE(device.ready()) << "no headless GL context";
        for (const std::string& frame : fixedVillageFrames()) {
            device.expectFrame(frame, "the village");
            sizes.expectSame(profile, frame);
        }
        if (!readGameData()) continue;
        const Profile& data = *Profile::sharedInstance();
        const std::set<std::string> templates(
            XMLManager::animationFiles().begin(), XMLManager::animationFiles().end());
        for (const auto& [id, item] : data.UpgradesDict) {
            const std::string where = "test.xml upgrade " + std::to_string(id);
            if (item->Type < 2 || item->Type > 4) continue;
            device.expectFrame(item->PngName + ".png", where + " (list picture)");
            sizes.expectSame(profile, item->PngName + ".png");
            if (item->Type == 2 && item->Group != 0) {
                if (item->isAnim) {
                    EXPECT_TRUE(templates.count("map_" + item->PngName + ".xml"))
                        << where << ": animated, but \"map_" << item->PngName
                        << ".xml\" is not a template the game loads";
                } else {
                    device.expectFrame("map_" + item->PngName + ".png", where + " (map picture)");
                    sizes.expectSame(profile, "map_" + item->PngName + ".png");
                }
            }
            if (item->Type == 3) {
                device.expectFrame(item->PngName + "_small.png", where + " (walker)");
                if (id == 7 || id == 8 || id == 65 || id == 66)
                    device.expectFrame(item->PngName + "_skirt.png", where + " (skirt)");
            }
        }
        for (int32_t id : {88, 101, 89, 27, 90, 38}) {
            UpgradeItem* item = data.GetUpgrade(id);
            if (!item) {
                ADD_FAILURE() << "test.xml has no upgrade " << id << " (settlement chain)";
                continue;
            }
            device.expectFrame(
                item->PngName + ".png", "test.xml upgrade " + std::to_string(id) + " (statistics)");
        }
        const std::set<std::string> speakers = {
            "worker_ploughman.png", "worker_prospector.png", "worker_elder.png"};
        for (const auto& [id, frame] : data.TutorialDict) {
            const std::string where = "test.xml tutorial frame " + std::to_string(id);
            if (!frame->Icon.empty()) device.expectFrame(frame->Icon, where + " IconPng");
            if (!frame->WorkerIcon.empty()) {
                EXPECT_TRUE(speakers.count(frame->WorkerIcon))
                    << where << ": WorkerIcon \"" << frame->WorkerIcon << "\" is none of the three speakers";
                device.expectFrame(frame->WorkerIcon, where + " WorkerIcon");
            }
        }
        for (int32_t overlay : {10, 25, 47, 69}) {
            TutorialFrameDef* frame = data.GetTutorialDef(overlay);
            EXPECT_TRUE(frame && !frame->Icon.empty())
                << "test.xml tutorial frame " << overlay << ": an overlay needs IconPng";
        }
    }
}

// Slot pictures, part animations, roads and slots, read through the definitions manager.
TEST_F(VillageArtTest, DefinitionsParseAndEveryPartAndSlotPictureResolves)
{
    for (const ::test::DeviceProfile& profile : ::test::deviceProfiles()) {
        DeviceScope device(profile);
        ASSERT_TRUE(device.ready()) << "no headless GL context";
        XMLManager& manager = *XMLManager::sharedInstance();
        manager.initXMLS();
        ASSERT_TRUE(manager.FinishedLoading);

        std::vector<std::string> files = XMLManager::animationFiles();
        if (profile.tablet) {
            files.insert(files.end(), XMLManager::tabletAnimationFiles().begin(),
                XMLManager::tabletAnimationFiles().end());
        }
        // The main menu's animations are read with the others but drawn from the menu's sheet: checked last.
        const std::set<std::string> menuFiles = {
            "main_menu.xml", "flag_01.xml", "flag_02.xml", "flag_03.xml"};
        auto checkTemplate = [&](const std::string& file) {
            if (!inBundle(file)) {
                device.expectPresent(file);
                return;
            }
            expectExplicitValues(file);
            Animation* animation = manager.GetAnimationNamed(file);
            if (!animation) {
                ADD_FAILURE() << file << ": no template";
                return;
            }
            EXPECT_GT(animation->Fps, 0) << file << ": no frames per second";
            EXPECT_FALSE(animation->Animations.empty()) << file << ": no parts";
            int32_t lastIndex = -1;
            bool sameEnd = true;
            for (size_t n = 0; n < animation->Animations.size(); ++n) {
                const ANIM_DEF& part = *animation->Animations[n];
                const std::string where = file + " part " + std::to_string(n);
                device.expectFrame(part.Name, where);
                EXPECT_FALSE(part.Frames.empty()) << where << " (" << part.Name << "): no key frames";
                for (size_t k = 1; k < part.Frames.size(); ++k) {
                    EXPECT_GT(part.Frames[k]->index, part.Frames[k - 1]->index)
                        << where << " (" << part.Name << "): key frame " << k << " out of order";
                }
                if (part.Frames.size() >= 2) {
                    if (lastIndex >= 0 && part.Frames.back()->index != lastIndex) sameEnd = false;
                    lastIndex = part.Frames.back()->index;
                }
            }
            if (file == "build.xml" || file == "build_pivot.xml") {
                // Played once: the first part to end stops them all, and the building follows after 1.6 s.
                EXPECT_TRUE(sameEnd) << file << ": its parts end at different frames";
                const float seconds = animation->Fps > 0 ? float(lastIndex) / float(animation->Fps) : 0;
                EXPECT_NEAR(seconds, 1.6, 0.2) << file << ": lasts " << seconds << " s";
            }
        };
        for (const std::string& file : files) {
            if (!menuFiles.count(file)) checkTemplate(file);
        }
        // An animated building's copy places its parts and gets a hit box.
        if (Animation* windmill = manager.GetAnimationNamed("map_b_windmill.xml");
            windmill && inBundle("map_b_windmill.xml")) {
            Ref<Animation> copy = windmill->GenerateNewObject();
            copy->PlaceObject();
            EXPECT_GT(copy->AnimationBox.size.width, 0) << "map_b_windmill.xml: placed, it covers nothing";
            EXPECT_GT(copy->AnimationBox.size.height, 0);
        }

        // Roads: at least three (the hired worker walks in on the third), four numeric points each.
        const std::string roadFile = profile.tablet ? "roads_ipad.xml" : "roads_iphone.xml";
        int32_t roads = 0;
        while (manager.GetRoad(roads)) ++roads;
        EXPECT_GE(roads, 3) << roadFile << ": " << roads << " roads";
        const float spaceW = profile.tablet ? 384 : 320, spaceH = profile.tablet ? 512 : 480;
        for (int32_t r = 0; r < roads; ++r) {
            Ref<XML> spline = manager.GetRoad(r)->spline();
            ASSERT_NE(spline, nullptr) << roadFile << " spline " << r;
            for (int p = 0; p < 4; ++p) {
                const std::string point = "curve[0].point[" + std::to_string(p) + "]";
                const XMLQueryResult x = spline->query(point + ".@x"), y = spline->query(point + ".@y");
                EXPECT_TRUE(x.isString() && y.isString())
                    << roadFile << " spline " << r << " " << point << ": no x or y";
                EXPECT_TRUE(x.floatValue() >= -40 && x.floatValue() <= spaceW + 40 && y.floatValue() >= -40 &&
                            y.floatValue() <= spaceH + 40)
                    << roadFile << " spline " << r << " " << point << " lies far off the map";
            }
        }

        // Map slots: the fixed ones with their groups, trees keyed by id x 1000, room for every building.
        const std::string slotFile = profile.tablet ? "map_slots_short.xml" : "map_short.xml";
        manager.ParseMapData();
        const auto& slots = manager.MapObjects;
        auto expectSlot = [&](int32_t key, int32_t group, int32_t tree) {
            auto found = slots.find(key);
            if (found == slots.end()) {
                ADD_FAILURE() << slotFile << ": no slot keyed " << key;
                return;
            }
            EXPECT_EQ(found->second->GroupID, group) << slotFile << " slot " << key;
            EXPECT_EQ(found->second->isTree, tree) << slotFile << " slot " << key;
        };
        expectSlot(1, 102, 0);
        expectSlot(3, 103, 0);
        expectSlot(9, 101, 0);
        expectSlot(62000, 0, 1);
        for (int32_t key : {301, 302, 303, 304}) expectSlot(key, 0, 0);
        expectSlot(401000, 0, 1);
        expectSlot(402000, 0, 1);
        if (slots.count(1)) {
            EXPECT_EQ(slots.at(1)->IDBuild, 88) << slotFile << ": the settlement stands on slot 1";
        }
        const CGSize window = profileWindow();
        std::map<int32_t, int32_t> groupSlots;
        std::set<std::pair<int32_t, int32_t>> places;
        for (const auto& [key, slot] : slots) {
            const std::string where =
                slotFile + " slot " + std::to_string(slot->ID) + " (key " + std::to_string(key) + ")";
            if (slot->isTree == 1) {
                EXPECT_EQ(key, slot->ID * 1000) << where << ": a tree is keyed by its id x 1000";
                EXPECT_EQ(slot->GroupID, 0) << where << ": trees are of group 0";
            }
            const bool drawnByName = (slot->isTree == 1 && slot->ID != 401 && slot->ID != 402) ||
                                     (slot->ID >= 301 && slot->ID <= 304);
            if (drawnByName) device.expectFrame(slot->Name, where);
            if (slot->GroupID >= 1 && slot->GroupID <= 3 && slot->isTree == 0) {
                ++groupSlots[slot->GroupID];
                EXPECT_TRUE(
                    slot->x >= 0 && slot->x <= window.width && slot->y >= 0 && slot->y <= window.height)
                    << where << " at (" << slot->x << ", " << slot->y << ") is off the screen";
                EXPECT_TRUE(places.insert({slot->x, slot->y}).second)
                    << where << " shares its place with another slot";
            }
        }
        for (int32_t group : {1, 2, 3})
            EXPECT_GE(groupSlots[group], 1) << slotFile << ": no slot of group " << group;
        if (readGameData()) {
            for (const auto& [group, count] : standingBuildings(*Profile::sharedInstance())) {
                EXPECT_GE(groupSlots[group], count)
                    << slotFile << ": group " << group << " has " << groupSlots[group] << " slots for "
                    << count << " buildings that can stand at once";
            }
        }
        device.switchToMenuSheet();
        for (const std::string& file : menuFiles) checkTemplate(file);
    }
}

// ---------------------------------------------------------------- the mock-up

// Walkers of a kind, assembled as the map assembles them (legs or skirt, body, hands).
Ref<CCNode> walker(const std::string& body, const std::string& skirt)
{
    Ref<CCNode> figure = CCNode::node();
    Ref<CCSprite> bottom = CCSprite::spriteWithSpriteFrameName(skirt.empty() ? "legs_0001.png" : skirt);
    Ref<CCSprite> torso = CCSprite::spriteWithSpriteFrameName(body);
    Ref<CCSprite> hands = CCSprite::spriteWithSpriteFrameName("hands_0007.png");
    if (!bottom || !torso || !hands) return nullptr;
    const float h = bottom->contentSize().height;
    for (CCSprite* part : {bottom.get(), torso.get(), hands.get()}) part->setAnchorPoint(CGPoint{0.5f, 0});
    torso->setPosition(CGPoint{0, 0.7f * h});
    hands->setPosition(CGPoint{0, 0.3f * h});
    figure->addChild(bottom.get());
    figure->addChild(torso.get());
    figure->addChild(hands.get());
    return figure;
}

// A point of a road in screen points (the file's y grows down; the tablet's file is doubled).
CGPoint roadPoint(XML& spline, float t, float scale, float height)
{
    CGPoint p[4];
    for (int n = 0; n < 4; ++n) {
        const std::string point = "curve[0].point[" + std::to_string(n) + "]";
        p[n] = CGPoint{spline.query(point + ".@x").floatValue() * scale,
            height - spline.query(point + ".@y").floatValue() * scale};
    }
    const float u = 1 - t;
    auto mixed = [&](float a, float b, float c, float d) {
        return u * u * u * a + 3 * u * u * t * b + 3 * u * t * t * c + t * t * t * d;
    };
    return CGPoint{mixed(p[0].x, p[1].x, p[2].x, p[3].x), mixed(p[0].y, p[1].y, p[2].y, p[3].y)};
}

// The village as the map draws it on every device, early (the camp, the fields, the mine,
// trees on the empty slots) and late (the castle on the settlement's slot,
// every building that can stand at once on a slot of its group, the revealed
// decorations, a walker of every worker), with the fish, the entrance buttons
// and a ready mark. Nothing of the screen may stay uncovered by the
// background. With MOSSWICK_TEST_PICTURES set, the pictures are kept.
TEST_F(VillageArtTest, TheWholeVillageDrawsOverTheBackgroundOnPhoneAndTablet)
{
    if (!inBundle("test.xml")) GTEST_SKIP() << "no game data in the bundle yet";
    for (const ::test::DeviceProfile& profile : ::test::deviceProfiles()) {
        DeviceScope device(profile);
        ASSERT_TRUE(device.ready());
        test::GLTestContext* gl = test::GLTestContext::acquire(profile.widthPixels, profile.heightPixels);
        ASSERT_NE(gl, nullptr);
        ASSERT_TRUE(readGameData());
        const Profile& data = *Profile::sharedInstance();
        XMLManager& manager = *XMLManager::sharedInstance();
        manager.initXMLS();
        manager.ParseMapData();
        const CGSize window = profileWindow();
        const float H = window.height;

        for (const bool late : {false, true}) {
            // Who stands where. Early: the camp, the fields and the mine. Late: the
            // castle, and the last of each in-place chain (the biggest picture) on
            // a slot of its group, slots taken in the table's order.
            std::map<int32_t, int32_t> building{{1, late ? 38 : 88}, {3, 91}, {9, 29}}; // slot key -> upgrade
            std::map<int32_t, std::vector<int32_t>> waiting;
            for (const auto& [id, item] : data.UpgradesDict) {
                if (late && item->Type == 2 && item->Group >= 1 && item->Group <= 3 &&
                    item->NextUpdateEnum <= 0) {
                    waiting[item->Group].push_back(id);
                }
            }
            for (const auto& [key, slot] : manager.MapObjects) {
                auto& queue = waiting[slot->GroupID];
                if (slot->isTree == 0 && slot->GroupID >= 1 && slot->GroupID <= 3 && !queue.empty()) {
                    building[key] = queue.front();
                    queue.erase(queue.begin());
                }
            }
            for (const auto& [group, left] : waiting) {
                EXPECT_TRUE(left.empty()) << profile.name << ": " << left.size() << " buildings of group "
                                          << group << " found no slot";
            }

            Ref<CCNode> map = CCNode::node();
            for (const auto& [key, slot] : manager.MapObjects) {
                const CGPoint at{float(slot->x), float(slot->y)};
                const int z = slot->ID == 0 ? 0 : int(H - slot->y);
                if (auto found = building.find(key); found != building.end()) {
                    UpgradeItem* item = data.GetUpgrade(found->second);
                    ASSERT_NE(item, nullptr) << found->second;
                    if (item->isAnim) {
                        Animation* source = manager.GetAnimationNamed("map_" + item->PngName + ".xml");
                        ASSERT_NE(source, nullptr) << item->PngName;
                        Ref<Animation> copy = source->GenerateNewObject();
                        map->addChild(copy.get(), z, item->ID);
                        copy->PlaceObject();
                        copy->setPosition(at);
                        copy->StartAnimations(true);
                        for (int step = 0; step < 39; ++step)
                            copy->Update(1 / 30.f); // a moment into the loop
                    } else {
                        Ref<CCSprite> sprite =
                            CCSprite::spriteWithSpriteFrameName("map_" + item->PngName + ".png");
                        ASSERT_NE(sprite, nullptr) << "map_" << item->PngName << ".png";
                        if (item->ID == 38)
                            sprite->setAnchorPoint(CGPoint{0.4f, 0.1f});
                        else if (slot->GroupID != 101)
                            sprite->setAnchorPoint(CGPoint{0.5f, 0});
                        sprite->setPosition(at);
                        map->addChild(sprite.get(), z, item->ID);
                    }
                    continue;
                }
                if (slot->isTree == 1 && building.count(slot->ID)) continue; // built over
                if (slot->ID == 401 || slot->ID == 402) {
                    Ref<Animation> fish = manager.GetAnimationNamed("map_fishes.xml")->GenerateNewObject();
                    map->addChild(fish.get(), z, -1);
                    fish->PlaceObject();
                    fish->setPosition(at);
                    fish->StartAnimations(true);
                    for (int step = 0; step < 50 + 6 * (slot->ID - 401); ++step)
                        fish->Update(1 / 30.f); // mid-jump
                    continue;
                }
                const bool revealed = late && slot->ID >= 301 && slot->ID <= 304; // the castle's decorations
                if (slot->isTree == 1 || revealed) {
                    Ref<CCSprite> sprite = CCSprite::spriteWithSpriteFrameName(slot->Name);
                    ASSERT_NE(sprite, nullptr) << slot->Name;
                    sprite->setPosition(at);
                    const int depth = slot->ID >= 301 && slot->ID <= 304 ? 1
                                      : slot->ID == 62                   ? int(H) - 1
                                                                         : z;
                    map->addChild(sprite.get(), depth, key);
                }
            }
            // The entrance buttons where the map puts them, and a ready mark on a building.
            const std::pair<int32_t, std::pair<const char*, CGPoint>> entrances[] = {
                {91, {"icon_farm.png", CGPoint{0, 0.5f}}}, {29, {"icon_mine.png", CGPoint{2, 1}}},
                {late ? 38 : 88, {"icon_settlement.png", CGPoint{1, 0.5f}}}};
            for (const auto& [id, entrance] : entrances) {
                CCNode* standing = map->getChildByTag(id);
                Ref<CCSprite> button = CCSprite::spriteWithSpriteFrameName(entrance.first);
                ASSERT_TRUE(standing && button) << entrance.first;
                const CGSize size = button->contentSize();
                button->setPosition(CGPoint{standing->position().x + entrance.second.x * size.width,
                    standing->position().y + entrance.second.y * size.height});
                map->addChild(button.get(), int(H) + 2);
            }
            if (CCNode* bakery = late ? map->getChildByTag(28) : nullptr) {
                Ref<CCSprite> mark = CCSprite::spriteWithSpriteFrameName("exclamation_0005.png");
                mark->setAnchorPoint(CGPoint{0.5f, 0});
                mark->setPosition(CGPoint{bakery->position().x, bakery->position().y + 8});
                map->addChild(mark.get(), int(H) + 1);
            }
            int32_t road = 0;
            for (const auto& [id, item] : data.UpgradesDict) {
                if (item->Type != 3 || (!late && road >= 2)) continue;
                const bool woman = id == 7 || id == 8 || id == 65 || id == 66;
                Ref<CCNode> figure =
                    walker(item->PngName + "_small.png", woman ? item->PngName + "_skirt.png" : "");
                ASSERT_NE(figure, nullptr) << item->PngName;
                Road* path = manager.GetRoad(road % 5) ? manager.GetRoad(road % 5) : manager.GetRoad(0);
                const CGPoint at =
                    roadPoint(*path->spline(), 0.15f + 0.17f * float(road / 5), profile.tablet ? 2 : 1, H);
                figure->setPosition(at);
                map->addChild(figure.get(), int(H - at.y));
                ++road;
            }

            glClearColor(1, 0, 1, 1);
            glClear(GL_COLOR_BUFFER_BIT);
            ccSetNodeDrawingState(float(profile.widthPixels), float(profile.heightPixels));
            map->visit();
            if (const char* dir = std::getenv("MOSSWICK_TEST_PICTURES")) {
                EXPECT_TRUE(gl->savePNG(std::string(dir) + "/village_" + std::to_string(profile.widthPixels) +
                                        (late ? "_late" : "_early") + ".png"));
            }
            int uncovered = 0;
            for (int y = 0; y < profile.heightPixels; y += 7) {
                for (int x = 0; x < profile.widthPixels; x += 7) {
                    const test::RGBA c = gl->readPixel(x, y);
                    if (c.r > 240 && c.g < 20 && c.b > 240) ++uncovered;
                }
            }
            EXPECT_EQ(uncovered, 0) << profile.name << ": the map background leaves parts of the screen bare";
        }
    }
}

} // namespace
} // namespace mw
