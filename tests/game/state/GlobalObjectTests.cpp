#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/scheduler/CCScheduler.h"
#include "foundation/AtomicFile.h"
#include "foundation/Clock.h"
#include "foundation/KeyedArchive.h"
#include "foundation/Paths.h"
#include "foundation/PropertyList.h"
#include "foundation/RunLoop.h"
#include "foundation/Shared.h"
#include "foundation/UserDefaults.h"
#include "game/state/Collectible.h"
#include "game/state/DataParser.h"
#include "game/state/GlobalObject.h"
#include "game/state/Profile.h"
#include "game/state/SaveFile.h"
#include "tests/game/state/GameStateTestSupport.h"
#include "tests/support/RecordingPlatformServices.h"
#include "tests/support/ScriptedDeviceServices.h"
#include "tests/support/SharedInstances.h"

namespace mw {
namespace {

using test::GameStateScope;

class GlobalObjectTest : public ::testing::Test {
protected:
    GlobalObjectTest()
    {
        test::resetSharedInstances();
        previousNotifications = LocalNotifications::replaceSharedInstance(notifications);
        previousGameCenter = GameCenter::replaceSharedInstance(gameCenter);
    }
    ~GlobalObjectTest() override
    {
        test::resetSharedInstances();
        LocalNotifications::replaceSharedInstance(previousNotifications);
        GameCenter::replaceSharedInstance(previousGameCenter);
    }

    GlobalObject& global()
    {
        if (!Shared<GlobalObject>::current()) {
            (void)Shared<GlobalObject>::replace(makeRef<GlobalObject>(CGSize{640, 960}));
        }
        return *GlobalObject::sharedInstance();
    }
    Profile& profile() { return *Profile::sharedInstance(); }
    void tick() { CCScheduler::sharedScheduler()->tick(1.0f); }

    GameStateScope scope;
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>(0, 1'000'000'000.25);
    ScopedClockSource clockSource{clock};
    std::shared_ptr<test::RecordingLocalNotifications> notifications =
        std::make_shared<test::RecordingLocalNotifications>();
    std::shared_ptr<test::RecordingGameCenter> gameCenter = std::make_shared<test::RecordingGameCenter>();
    std::shared_ptr<LocalNotifications> previousNotifications;
    std::shared_ptr<GameCenter> previousGameCenter;
};

TEST_F(GlobalObjectTest, TheWindowSizeDecidesTheDeviceKind)
{
    struct Case {
        CGSize pixels;
        bool ipad;
        bool ip3;
    };
    const Case cases[] = {
        {{640, 960}, false, false},
        {{320, 480}, false, true},
        {{768, 1024}, true, false},
        {{1536, 2048}, true, false},
    };
    for (const Case& c : cases) {
        Ref<GlobalObject> global = makeRef<GlobalObject>(c.pixels);
        EXPECT_EQ(global->isIpad, c.ipad) << c.pixels.width;
        EXPECT_EQ(global->isIp3, c.ip3) << c.pixels.width;
        global->Stop();
    }
}

TEST_F(GlobalObjectTest, QueuedEventsFallDueOnWholeSecondsAndReplaceTheirType)
{
    GlobalObject& g = global();
    g.GenerateNotification(0, 90, 0, "NOTIF_TAX_TEXT_1", GlobalObject::kTaxEvent, true);
    EXPECT_FLOAT_EQ(g.GetTimeTillNotification(GlobalObject::kTaxEvent), 5400.0f - 0.25f);
    g.GenerateNotification(0, 0, 30, "NOTIF_TAX_TEXT_2", GlobalObject::kTaxEvent, true);
    EXPECT_FLOAT_EQ(g.GetTimeTillNotification(GlobalObject::kTaxEvent), 30.0f - 0.25f);
    EXPECT_EQ(g.NotificationsQue.size(), 1u);
    EXPECT_EQ(g.GetTimeTillNotification(7), -1.0f);

    // The platform keeps both alerts; the second carries the fields fixed for taxes.
    ASSERT_EQ(notifications->scheduled.size(), 2u);
    const LocalNotification& alert = notifications->scheduled.back();
    EXPECT_DOUBLE_EQ(alert.fireDateUnixTime, 1'000'000'030.0);
    EXPECT_EQ(alert.badgeNumber, 1);
    EXPECT_EQ(alert.soundName, "money_fields.wav");
    // The short form schedules none.
    g.GenerateNotification(0, 0, 5, 7);
    EXPECT_EQ(notifications->scheduled.size(), 2u);
}

TEST_F(GlobalObjectTest, DueEventsFireOnceInTypeOrderOnTheTick)
{
    {
        DataParser parser;
        ASSERT_TRUE(parser.parseData(scope.bundledGameData()));
    }
    GlobalObject& g = global();
    std::vector<int32_t> fired;
    g.bonusReadyListener = [&](int32_t upgrade) { fired.push_back(upgrade); };
    profile().CityLevel = 2;
    profile().GoldLevel2 = 40;
    profile().CurrentTaxes = 5;

    // Queued out of order; all due within ten minutes while the director was paused.
    g.GenerateNotification(0, 9, 0, 88);
    g.GenerateNotification(0, 1, 0, GlobalObject::kTaxEvent);
    g.GenerateNotification(0, 5, 0, 18);
    g.GenerateNotification(5, 0, 0, 27); // not due
    tick();
    EXPECT_TRUE(fired.empty());
    clock->advance(600);
    tick();
    EXPECT_EQ(fired, (std::vector<int32_t>{18, 88}));
    EXPECT_EQ(profile().CurrentTaxes, 40);
    EXPECT_TRUE(profile().GetUpgrade(18)->BonusReady);
    EXPECT_FALSE(profile().GetUpgrade(27)->BonusReady);
    EXPECT_EQ(g.GetTimeTillNotification(18), -1.0f);
    EXPECT_EQ(g.NotificationsQue.size(), 1u);
    tick();
    EXPECT_EQ(fired.size(), 2u);
}

TEST_F(GlobalObjectTest, EventsDueWhileTheGameWasClosedFireAfterTheLoad)
{
    {
        DataParser parser;
        ASSERT_TRUE(parser.parseData(scope.bundledGameData()));
    }
    global().GenerateNotification(0, 0, 30, 24);
    global().GenerateNotification(1, 0, 0, 9);
    ASSERT_TRUE(profile().SaveData());
    test::resetSharedInstances();

    clock->advance(7200);
    std::vector<int32_t> fired;
    global().bonusReadyListener = [&](int32_t upgrade) { fired.push_back(upgrade); };
    ASSERT_TRUE(profile().Load());
    ASSERT_EQ(global().NotificationsQue.size(), 2u);
    EXPECT_LT(global().GetTimeTillNotification(24), 0);
    tick(); // a new timer starts counting its second here
    EXPECT_TRUE(fired.empty());
    tick();
    EXPECT_EQ(fired, (std::vector<int32_t>{9, 24}));
    EXPECT_TRUE(profile().GetUpgrade(9)->BonusReady);
}

TEST_F(GlobalObjectTest, TaxesAreSetForCityLevelsOneToSix)
{
    GlobalObject& g = global();
    Profile& p = profile();
    p.GoldLevel1 = 10, p.GoldLevel2 = 20, p.GoldLevel3 = 30, p.GoldLevel4 = 40, p.GoldLevel5 = 50,
    p.GoldLevel6 = 60;
    struct Case {
        int32_t cityLevel;
        int32_t taxes;
    };
    const Case cases[] = {{0, 7}, {1, 10}, {3, 30}, {6, 60}, {7, 7}};
    for (const Case& c : cases) {
        p.CityLevel = c.cityLevel;
        p.CurrentTaxes = 7;
        g.ProcessNotification(GlobalObject::kTaxEvent);
        g.ProcessNotification(GlobalObject::kTaxEvent); // set, not added
        EXPECT_EQ(p.CurrentTaxes, c.taxes) << "city level " << c.cityLevel;
    }
    // A bonus of an upgrade the profile does not know changes nothing, and the map still hears of it.
    int32_t told = 0;
    g.bonusReadyListener = [&](int32_t upgrade) { told = upgrade; };
    g.ProcessNotification(140);
    EXPECT_EQ(told, 140);
}

TEST_F(GlobalObjectTest, AnAchievementIsGrantedOnceWithItsPointsAndReachesTheGameCentre)
{
    {
        DataParser parser;
        ASSERT_TRUE(parser.parseData(scope.bundledGameData()));
    }
    GlobalObject& g = global();
    std::vector<std::string> banners;
    g.achievementBanner = [&](const std::string& key, int32_t points) {
        banners.push_back(key + " " + std::to_string(points));
    };
    ASSERT_EQ(GlobalObject::achievementTable().size(), 45u);
    for (const AchievementInfo& info : GlobalObject::achievementTable()) {
        EXPECT_FALSE(g.IsAchievementDone(GlobalObject::achievementIdentifier(info.name))) << info.name;
    }

    // Buying the town hall twice: the profile asks the ledger, which grants once.
    Profile& p = profile();
    p.Points = 5;
    p.increaseUpgradeCount(27, 1);
    p.increaseUpgradeCount(27, 1);
    EXPECT_EQ(banners, (std::vector<std::string>{"ACH_TOWNHALL 15"}));
    EXPECT_EQ(p.Points, 1005);
    EXPECT_TRUE(g.IsAchievementDone("com.zandovar.mw.downtown"));

    // Nobody signed in: kept, then sent after a sign-in.
    EXPECT_TRUE(gameCenter->achievements.empty());
    gameCenter->signsIn = true;
    g.initGameCenter();
    // The sign-in, the load of what the service holds and the report each
    // answer through the run loop.
    RunLoop::main().runUntil([&] { return !gameCenter->achievements.empty(); }, 5);
    EXPECT_EQ(gameCenter->achievements, (std::vector<std::string>{"com.zandovar.mw.downtown"}));
    g.AchievementDone("com.zandovar.mw.diy", "ACH_TOOL1", 5);
    EXPECT_EQ(gameCenter->achievements.back(), "com.zandovar.mw.diy");
    EXPECT_EQ(p.Points, 2005);

    // Counted achievements keep their counters here.
    p.ValidateResourceAchievement(1, 59);
    EXPECT_EQ(g.GetAchievementHelperState("com.zandovar.mw.soupforall"), 59);
    p.ValidateResourceAchievement(1, 1);
    EXPECT_TRUE(g.IsAchievementDone("com.zandovar.mw.soupforall"));
    EXPECT_EQ(banners.back(), "ACH_SOUP12 15");

    // The reset forgets every grant and counter and withdraws the alerts.
    g.GenerateNotification(1, 0, 0, "", GlobalObject::kTaxEvent, true);
    g.Stop();
    g.Reset();
    g.Start();
    EXPECT_FALSE(g.IsAchievementDone("com.zandovar.mw.downtown"));
    EXPECT_EQ(g.GetAchievementHelperState("com.zandovar.mw.soupforall"), 0);
    EXPECT_TRUE(g.NotificationsQue.empty());
    EXPECT_TRUE(notifications->scheduled.empty());
}

// The achievements and leaderboards are offered only where a local player can
// sign in, on a system of 4.1 or later compared part by part as numbers.
TEST_F(GlobalObjectTest, TheGameCentreNeedsALocalPlayerAndASystemOfAtLeast4_1)
{
    test::ScopedDeviceServices device;
    const struct {
        const char* version;
        bool localPlayer;
        bool loadsPlayers;
        bool available;
    } rows[] = {
        {"4.1", true, true, true},
        {"4.1.2", true, true, true},
        {"10.0", true, true, true},
        {"4.10", true, true, true},
        {"5", true, true, true},
        {"4.0.9", true, true, false},
        {"4", true, true, false},
        {"3.2", true, true, false},
        {"", true, true, false},
        {"6.0", false, true, false},
        {"10.0", false, true, false},
        {"6.0", true, false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.version) + (row.localPlayer ? "" : ", no local player") +
                     (row.loadsPlayers ? "" : ", no player look-up"));
        device.facts->version = row.version;
        gameCenter->localPlayer = row.localPlayer;
        gameCenter->available = row.loadsPlayers;
        EXPECT_EQ(GlobalObject::isGameCenterAvailable(), row.available);
    }
}

TEST_F(GlobalObjectTest, AchievementsAndSwitchesRideInTheSave)
{
    GlobalObject& g = global();
    g.AchievementDone("com.zandovar.mw.moo", "ACH_COWHEARD", 15);
    g.SetAchievementHelperState("com.zandovar.mw.hoarder", 12);
    g.AchievementsState.erase("com.zandovar.mw.deathandtaxes");
    g.SetDietAchievement(true);
    g.isSoundEnable = false;
    ASSERT_TRUE(profile().SaveData());
    test::resetSharedInstances();

    GlobalObject& back = global();
    EXPECT_FALSE(back.IsAchievementDone("com.zandovar.mw.moo"));
    ASSERT_TRUE(profile().Load());
    EXPECT_TRUE(back.IsAchievementDone("com.zandovar.mw.moo"));
    EXPECT_EQ(back.GetAchievementHelperState("com.zandovar.mw.hoarder"), 12);
    ASSERT_TRUE(back.AchievementsState.count("com.zandovar.mw.deathandtaxes"));
    EXPECT_FALSE(back.IsAchievementDone("com.zandovar.mw.deathandtaxes"));
    EXPECT_TRUE(back.GetDietAchievement());
    EXPECT_FALSE(back.isSoundEnable);
    EXPECT_TRUE(back.isMusicEnable());
}

// A save whose achievements or timed events are there but do not decode is
// refused whole: taking the rest would leave them empty, and the next save
// would write that over the player's. A table left out (a save written
// before it was kept) leaves the one in memory as it is.
TEST_F(GlobalObjectTest, ASaveWithAchievementsOrEventsThatDoNotDecodeIsRefusedWhole)
{
    {
        DataParser parser;
        ASSERT_TRUE(parser.parseData(scope.bundledGameData()));
    }
    GlobalObject& g = global();
    g.AchievementDone("com.zandovar.mw.moo", "ACH_COWHEARD", 15);
    g.SetAchievementHelperState("com.zandovar.mw.hoarder", 12);
    g.GenerateNotification(0, 0, 30, 24);
    profile().GoldCount = 40;
    std::string error;
    const Value good = profile().TakeSnapshot().toDictionary(&error);
    ASSERT_TRUE(good.isDict()) << error;

    // Tables of the right names that hold something else.
    auto archived = [](const char* key, ArchiveItem::Entries entries) {
        KeyedArchiver archiver;
        archiver.encodeItem(key, ArchiveItem::dictionary(std::move(entries)));
        SaveSnapshot snapshot;
        EXPECT_TRUE(snapshot.setArchive(key, archiver));
        return snapshot.toDictionary()[key];
    };
    const Value collectibleEvents
        = archived("NotificationsQue", {{Value(int32_t(24)), ArchiveItem(makeRef<Collectible>())}});
    const Value wordStates
        = archived("AchievementsState", {{Value(std::string("com.zandovar.mw.moo")), ArchiveItem(Value(std::string("yes")))}});
    const Value eventCounters
        = archived("AchievementsHelpers", {{Value(std::string("com.zandovar.mw.hoarder")),
                                            ArchiveItem(makeRef<PuzzleNotification>())}});

    struct Row {
        const char* table;
        const char* name;
        std::optional<Value> stored; // none: the entry left out
        bool taken;
    };
    const Value::Bytes notAnArchive{'n', 'o', 'p', 'e'};
    const Row rows[] = {
        {"AchievementsState", "whole", good["AchievementsState"], true},
        {"NotificationsQue", "not an archive", Value(notAnArchive), false},
        {"NotificationsQue", "no data", Value(int32_t(4)), false},
        {"NotificationsQue", "a table of something else", collectibleEvents, false},
        {"AchievementsState", "not an archive", Value(notAnArchive), false},
        {"AchievementsState", "no data", Value(std::string("moo")), false},
        {"AchievementsState", "a table of something else", wordStates, false},
        {"AchievementsHelpers", "not an archive", Value(notAnArchive), false},
        {"AchievementsHelpers", "no data", Value(true), false},
        {"AchievementsHelpers", "a table of something else", eventCounters, false},
        {"NotificationsQue", "left out", std::nullopt, true},
        {"AchievementsState", "left out", std::nullopt, true},
        {"AchievementsHelpers", "left out", std::nullopt, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.table) + ": " + row.name);
        Value save = good;
        if (row.stored) save.set(row.table, *row.stored);
        else save.remove(row.table);
        // What a fresh start has before the load.
        g.AchievementsState.clear();
        g.AchievementsHelpers.clear();
        g.NotificationsQue.clear();
        profile().GoldCount = 1;
        std::string refusal;
        EXPECT_EQ(profile().LoadFrom(save, &refusal), row.taken);
        EXPECT_EQ(profile().GoldCount, row.taken ? 40 : 1) << "nothing is taken from a refused save";
        EXPECT_EQ(refusal.find(row.table) != std::string::npos, !row.taken) << refusal;
        if (!row.taken) continue;
        // Only a table left out stays as it was (here: empty).
        const std::string leftOut = row.stored ? "" : row.table;
        EXPECT_EQ(g.IsAchievementDone("com.zandovar.mw.moo"), leftOut != "AchievementsState");
        EXPECT_EQ(g.AchievementsHelpers.count("com.zandovar.mw.hoarder"), leftOut == "AchievementsHelpers" ? 0u : 1u);
        EXPECT_EQ(g.NotificationsQue.size(), leftOut == "NotificationsQue" ? 0u : 1u);
    }

    // From the disk: the refused save is kept aside whole, with the
    // player's achievements in it, and the new game's save cannot lose them.
    Value damaged = good;
    damaged.set("AchievementsState", Value(notAnArchive));
    const std::string bytes = SaveFile::encode(damaged);
    ASSERT_TRUE(AtomicFile::write(SaveFile::path(), bytes));
    test::resetSharedInstances();
    (void)global();
    EXPECT_FALSE(profile().Load());
    std::vector<std::string> kept;
    for (const auto& entry : std::filesystem::directory_iterator(Paths::documentsDirectory())) {
        const std::string name = entry.path().string();
        if (name.find(".corrupt-") != std::string::npos) kept.push_back(name);
    }
    ASSERT_EQ(kept.size(), 1u);
    std::vector<uint8_t> keptBytes;
    ASSERT_TRUE(AtomicFile::read(kept[0], keptBytes));
    EXPECT_EQ(std::string(keptBytes.begin(), keptBytes.end()), bytes);
}

TEST_F(GlobalObjectTest, SoundSetsMergePerSceneAndOnlyLoadedKeysPlay)
{
    const Value sets = Value::dictionary({
        {"kMenuScene", Value::dictionary({{"selection_menu", Value("menu.wav")}, {"coin", Value("coin.wav")}})},
        {"kMineScene", Value::dictionary({{"coin", Value("coin_mine.wav")}, {"dig", Value("dig.wav")}})},
        {"kCommon", Value::dictionary({{"achievement", Value("fanfare.wav")}})},
    });
    ASSERT_TRUE(writePropertyListFile(scope.bundle.file("SoundEffects.plist"), sets));
    GlobalObject& g = global();

    EXPECT_EQ(g.GetSoundEffectListForSceneWithID(1), sets["kMineScene"]);
    EXPECT_EQ(g.GetSoundEffectListForSceneWithID(9), sets["kMenuScene"]);
    // One file per key over every scene, the later scene's winning.
    EXPECT_EQ(g.ListOfSoundEffectFiles.size(), 4u);
    EXPECT_EQ(g.ListOfSoundEffectFiles["coin"].asString(), "coin_mine.wav");
    EXPECT_FALSE(g.SoundEffectsState["coin"].asBool());

    g.AudioState = GlobalObject::kAudioReady;
    g.LoadAudioFor(0); // village
    EXPECT_TRUE(g.SoundEffectsState["selection_menu"].asBool());
    g.LoadAudioFor(1); // into the mine ...
    g.UnloadAudioFor(0);
    EXPECT_EQ(g.CurrentSceneId, -1);
    EXPECT_FALSE(g.SoundEffectsState["coin"].asBool()) << "shared key unloaded with the menu set";
    EXPECT_TRUE(g.SoundEffectsState["dig"].asBool());
    g.LoadAudioFor(0); // ... and back: nothing unloaded, the mine set stays
    EXPECT_TRUE(g.SoundEffectsState["dig"].asBool());
    EXPECT_TRUE(g.SoundEffectsState["coin"].asBool());

    // Without an engine, with sound off, or for an unknown key nothing plays.
    EXPECT_EQ(g.PlaySoundEffect("coin"), 0u);
    g.isSoundEnable = false;
    EXPECT_EQ(g.PlaySoundEffect("dig"), 0u);
    EXPECT_EQ(g.PlaySoundEffect("nosuchkey"), 0u);

    // A file in the documents folder comes before the bundle's.
    ASSERT_TRUE(writePropertyListFile(scope.home.file("documents/SoundEffects.plist"),
                                      Value::dictionary({{"kMineScene", Value::dictionary()}})));
    EXPECT_TRUE(g.GetSoundEffectListForSceneWithID(1).empty());
}

TEST_F(GlobalObjectTest, MusicWaitsForTheSwitchAndTheSameTrackIsLeftAlone)
{
    GlobalObject& g = global();
    g.AudioState = GlobalObject::kAudioFailed; // no waits, nothing plays
    g.setIsMusicEnable(false);
    g.PlayBackgroundTrack("sound_farm1.aac");
    EXPECT_EQ(g.LastBcgSound, "sound_farm1.aac");
    g.setIsMusicEnable(true);
    EXPECT_EQ(g.LastBcgSound, "sound_farm1.aac");
}

TEST_F(GlobalObjectTest, TheAudioEngineStartsOnceInTheBackgroundAndThenEffectsPlay)
{
    ASSERT_TRUE(writePropertyListFile(scope.bundle.file("SoundEffects.plist"),
                                      Value::dictionary({{"kCommon", Value::dictionary({{"ping", Value("ping.wav")}})}})));
    GlobalObject& g = global();
    g.SetupAudioEngine();
    g.SetupAudioEngine(); // does nothing
    g.LoadAudioFor(3);    // waits for the start
    ASSERT_EQ(g.AudioState.load(), GlobalObject::kAudioReady) << "the null driver gives a working engine";
    ASSERT_NE(g.SoundEngine.load(), nullptr);
    // The key is loaded, so the facade is asked: its "nothing played" mark
    // (the file does not exist) shows the call got through.
    EXPECT_EQ(g.PlaySoundEffect("ping"), 0xFEEDBABu);
    EXPECT_EQ(g.PlaySoundEffect("pong"), 0u);
}

} // namespace
} // namespace mw

namespace mw {
namespace {

TEST_F(GlobalObjectTest, ResetMakesANewGameCentreManagerAndTheOldOneStopsWatching)
{
    GlobalObject& g = global();
    g.initGameCenter();
    Ref<GameCenterManager> old = g.gameCenterManager;
    ASSERT_NE(old, nullptr);
    g.Stop();
    g.Reset();
    g.Start();
    ASSERT_NE(g.gameCenterManager, nullptr);
    EXPECT_NE(g.gameCenterManager.get(), old.get());
    gameCenter->setAuthenticated(true);
    EXPECT_TRUE(g.gameCenterManager->UserLoged);
    EXPECT_FALSE(old->UserLoged) << "the replaced manager no longer follows sign-ins";
    EXPECT_EQ(old->delegate(), nullptr);
    RunLoop::main().runUntil([] { return RunLoop::main().pendingWorkCount() == 0; }, 2);
}

} // namespace
} // namespace mw
