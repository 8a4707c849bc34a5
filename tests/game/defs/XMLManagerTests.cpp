#include <gtest/gtest.h>

#include <optional>
#include <filesystem>
#include <string>

#include "engine/base/CCWinSize.h"
#include "foundation/RunLoop.h"
#include "foundation/Shared.h"
#include "foundation/UserDefaults.h"
#include "foundation/KeyedArchive.h"
#include "game/defs/XMLManager.h"
#include "game/state/Collectible.h"
#include "game/state/GlobalObject.h"
#include "game/state/Profile.h"
#include "game/state/SaveFile.h"
#include "tests/game/state/GameStateTestSupport.h"
#include "tests/support/SharedInstances.h"

namespace mw {
namespace {

constexpr const char* kMap = R"(<?xml version="1.0"?>
<map><view>
  <image Name="slot_a.png" x="300" y="100" ID="7" GroupID="3" isTree="0"/>
  <image Name="tree.png" x="41" y="0" ID="7" GroupID="0" isTree="1"/>
  <image Name="start.png" x="10" y="20" ID="2" GroupID="102" isTree="0"/>
</view></map>
)";

constexpr const char* kRoads = R"(<?xml version="1.0"?>
<roads><spline><point x="1" y="2"/></spline><spline><point x="3" y="4"/></spline></roads>
)";

CGSize phoneWindow()
{
    return CGSize{320, 480};
}

CGSize tabletWindow()
{
    return CGSize{768, 1024};
}

class XMLManagerTest : public ::testing::Test {
protected:
    XMLManagerTest()
    {
        test::resetSharedInstances();
        scope.bundle.write("map_short.xml", std::string_view(kMap));
        scope.bundle.write("map_slots_short.xml", std::string_view(kMap));
        scope.bundle.write("roads_iphone.xml", std::string_view(kRoads));
        scope.bundle.write("star_blik.xml", std::string_view("<a><fps>12</fps></a>"));
        ccSetWinSizeProvider(&phoneWindow);
    }
    ~XMLManagerTest() override
    {
        ccSetWinSizeProvider(nullptr);
        test::resetSharedInstances();
    }

    void makeDevice(CGSize pixels) { (void)Shared<GlobalObject>::replace(makeRef<GlobalObject>(pixels)); }
    XMLManager& manager() { return *XMLManager::sharedInstance(); }

    test::GameStateScope scope;
};

TEST_F(XMLManagerTest, MapSlotsAreReadForTheDeviceAndKeyedByKind)
{
    makeDevice(CGSize{640, 960});
    manager().ParseMapData();
    ASSERT_EQ(manager().MapObjects.size(), 3u);
    const MAP_OBJECT& slot = *manager().MapObjects.at(7);
    EXPECT_EQ(slot.x, 150);
    EXPECT_EQ(slot.y, 430);
    EXPECT_EQ(slot.Name, "slot_a.png");
    EXPECT_EQ(slot.IDBuild, -1);
    EXPECT_EQ(manager().MapObjects.at(7000)->x, 20) << "41 halved and cut";
    EXPECT_EQ(manager().MapObjects.at(2)->IDBuild, 88) << "the building standing from the start";
}

TEST_F(XMLManagerTest, TemplatesAndRoadsLoadOnceForTheDevice)
{
    makeDevice(CGSize{640, 960});
    manager().initXMLS();
    EXPECT_TRUE(manager().FinishedLoading);
    ASSERT_NE(manager().GetAnimationNamed("star_blik.xml"), nullptr);
    EXPECT_EQ(manager().GetAnimationNamed("star_blik.xml")->Fps, 12);
    ASSERT_NE(manager().GetAnimationNamed("cow.xml"), nullptr) << "a missing file gives an empty template";
    EXPECT_EQ(manager().GetAnimationNamed("snow.xml"), nullptr) << "tablet only";
    EXPECT_EQ(manager().GetAnimationNamed("nothing.xml"), nullptr);
    ASSERT_NE(manager().GetRoad(1), nullptr);
    EXPECT_EQ(manager().GetRoad(2), nullptr);
    EXPECT_NE(manager().GetRandomRoad(), nullptr);
    EXPECT_EQ(manager().GetXMLNamed("roads_iphone.xml"), nullptr);

    test::resetSharedInstances();
    makeDevice(CGSize{768, 1024});
    manager().initXMLS();
    EXPECT_NE(manager().GetAnimationNamed("snow.xml"), nullptr);
    EXPECT_EQ(manager().GetRoad(0), nullptr) << "the tablet's road file is not in the bundle";
}

// Reading on a thread of its own gives what the main-thread load gives, and
// the manager is kept alive until the results are handed back.
TEST_F(XMLManagerTest, ABackgroundLoadMatchesTheMainThreadLoad)
{
    scope.bundle.write("roads_ipad.xml", std::string_view(kRoads));
    scope.bundle.write("cow.xml", std::string_view(R"(<a><fps>8</fps><p image="c.png"><f index="0"><i x="4"/></f>)"
                                                   R"(<f index="8"><i x="6"/></f></p></a>)"));
    for (CGSize device : {CGSize{640, 960}, CGSize{768, 1024}}) {
        makeDevice(device);
        Ref<XMLManager> onMain = makeRef<XMLManager>();
        onMain->initXMLS();
        Ref<XMLManager> inBackground = makeRef<XMLManager>();
        inBackground->ParseInBackground();
        EXPECT_GE(inBackground->retainCount(), 2) << "the load holds the manager";
        ASSERT_TRUE(RunLoop::main().runUntil([&] { return inBackground->FinishedLoading; }, 10.0));
        EXPECT_EQ(inBackground->retainCount(), 1) << "and lets go once handed back";

        std::vector<std::string> files = XMLManager::animationFiles();
        files.push_back(XMLManager::tabletAnimationFiles().front());
        for (const std::string& file : files) {
            Animation* expected = onMain->GetAnimationNamed(file);
            Animation* loaded = inBackground->GetAnimationNamed(file);
            ASSERT_EQ(loaded == nullptr, expected == nullptr) << file;
            if (!expected) continue;
            EXPECT_EQ(loaded->Fps, expected->Fps) << file;
            ASSERT_EQ(loaded->Animations.size(), expected->Animations.size()) << file;
            for (size_t n = 0; n < expected->Animations.size(); ++n) {
                ASSERT_EQ(loaded->Animations[n]->Frames.size(), expected->Animations[n]->Frames.size());
                EXPECT_EQ(loaded->Animations[n]->Frames.back()->Position.x,
                          expected->Animations[n]->Frames.back()->Position.x) << file;
            }
        }
        EXPECT_EQ(inBackground->GetAnimationNamed("cow.xml")->Animations.size(), 1u);
        for (int32_t index = 0; index < 3; ++index) {
            EXPECT_EQ(inBackground->GetRoad(index) == nullptr, onMain->GetRoad(index) == nullptr) << index;
        }
        EXPECT_NE(inBackground->GetRoad(1), nullptr);
    }
}

TEST_F(XMLManagerTest, MapSlotsRideInTheSave)
{
    makeDevice(CGSize{640, 960});
    manager().LoadFrom(nullptr); // a new game reads the map file
    ASSERT_EQ(manager().MapObjects.size(), 3u);
    manager().MapObjects.at(7)->IDBuild = 27;
    ASSERT_TRUE(Profile::sharedInstance()->SaveData());
    EXPECT_TRUE(UserDefaults::standardUserDefaults().boolForKey("MapDefLoaded"));

    XMLManager::purgeSharedInstance();
    Profile::purgeSharedInstance();
    EXPECT_TRUE(manager().MapObjects.empty());
    ASSERT_TRUE(Profile::sharedInstance()->Load());
    EXPECT_EQ(manager().MapObjects.at(7)->IDBuild, 27);
    EXPECT_EQ(manager().MapObjects.at(7000)->Name, "tree.png");

    // The save alone decides: its slots load whatever the user default says
    // (it is lost with a damaged settings file).
    UserDefaults::standardUserDefaults().setBool("MapDefLoaded", false);
    manager().MapObjects.at(7)->IDBuild = 5;
    ASSERT_TRUE(Profile::sharedInstance()->Load());
    EXPECT_EQ(manager().MapObjects.at(7)->IDBuild, 27);

    // A new game reads the map file afresh.
    manager().LoadFrom(nullptr);
    EXPECT_EQ(manager().MapObjects.at(7)->IDBuild, -1);
}

// A save whose slots are there but do not decode is refused whole, as a
// damaged table is: taking the rest would leave an empty map that the next
// save writes over the buildings. One with no slots at all (or an empty
// table) gets the map file's.
TEST_F(XMLManagerTest, ASaveWithSlotsThatDoNotDecodeIsRefusedWhole)
{
    makeDevice(CGSize{640, 960});
    manager().LoadFrom(nullptr);
    manager().MapObjects.at(7)->IDBuild = 27;
    Profile* profile = Profile::sharedInstance();
    profile->GoldCount = 40;
    std::string error;
    const Value good = profile->TakeSnapshot().toDictionary(&error);
    ASSERT_TRUE(good.isDict()) << error;

    // A table of the right name that holds tile kinds, not slots.
    KeyedArchiver otherKind;
    otherKind.encodeItem("MapObjects",
                         ArchiveItem::dictionary({{Value(int32_t(7)), ArchiveItem(makeRef<Collectible>())}}));
    SaveSnapshot other;
    ASSERT_TRUE(other.setArchive("MapObjects", otherKind));

    struct Row {
        const char* name;
        std::optional<Value> slots; // none: the entry left out
        bool taken;
        int32_t slot7; // IDBuild of slot 7 afterwards
    };
    const Row rows[] = {
        {"whole", good["MapObjects"], true, 27},
        {"not an archive", Value::Bytes{'n', 'o', 'p', 'e'}, false, 3},
        {"no data", Value(int32_t(4)), false, 3},
        {"a table of something else", other.toDictionary()["MapObjects"], false, 3},
        {"left out", std::nullopt, true, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Value save = good;
        if (row.slots) save.set("MapObjects", *row.slots);
        else save.remove("MapObjects");
        manager().MapObjects.at(7)->IDBuild = 3;
        profile->GoldCount = 1;
        std::string refusal;
        EXPECT_EQ(profile->LoadFrom(save, &refusal), row.taken);
        EXPECT_EQ(profile->GoldCount, row.taken ? 40 : 1) << "nothing is taken from a refused save";
        EXPECT_EQ(manager().MapObjects.at(7)->IDBuild, row.slot7);
        EXPECT_EQ(refusal.find("MapObjects") != std::string::npos, !row.taken) << refusal;
    }
}

// Every device shares the one data folder: a village saved on the phone and
// continued on the tablet (or the other way) stands where this device's map
// file places its slots, with the buildings the save put on them.
TEST_F(XMLManagerTest, ASaveFromTheOtherDeviceKindTakesThisDevicesPlacesAndKeepsItsBuildings)
{
    struct Case {
        CGSize (*savedWindow)();
        CGSize savedPixels;
        CGSize (*loadedWindow)();
        CGSize loadedPixels;
        CGPoint slot;    // slot 7 where the loading device draws it
        CGPoint tree;    // tree 7 likewise
    };
    const Case cases[] = {
        {&phoneWindow, {640, 960}, &tabletWindow, {768, 1024}, {300, 924}, {41, 1024}},
        {&tabletWindow, {768, 1024}, &phoneWindow, {320, 480}, {150, 430}, {20, 480}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.loadedPixels.width);
        XMLManager::purgeSharedInstance();
        Profile::purgeSharedInstance();
        // A save the new profile has not read is never written over.
        std::filesystem::remove(SaveFile::path());
        ccSetWinSizeProvider(c.savedWindow);
        makeDevice(c.savedPixels);
        manager().LoadFrom(nullptr);
        manager().MapObjects.at(7)->IDBuild = 27;
        manager().MapObjects.erase(2); // a slot this save lacks stays absent
        ASSERT_TRUE(Profile::sharedInstance()->SaveData());

        XMLManager::purgeSharedInstance();
        Profile::purgeSharedInstance();
        ccSetWinSizeProvider(c.loadedWindow);
        makeDevice(c.loadedPixels);
        EXPECT_TRUE(manager().MapObjects.empty()); // made, so that the load reaches it
        ASSERT_TRUE(Profile::sharedInstance()->Load());
        ASSERT_EQ(manager().MapObjects.size(), 2u);
        const MAP_OBJECT& slot = *manager().MapObjects.at(7);
        EXPECT_EQ(slot.x, c.slot.x);
        EXPECT_EQ(slot.y, c.slot.y);
        EXPECT_EQ(slot.IDBuild, 27) << "the building the save put there";
        EXPECT_EQ(manager().MapObjects.at(7000)->x, c.tree.x);
        EXPECT_EQ(manager().MapObjects.at(7000)->y, c.tree.y);
    }
}

} // namespace
} // namespace mw
