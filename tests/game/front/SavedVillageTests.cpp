// The player's saved village across launches: a damaged settings file beside
// a good save (the village's buildings included), and kills at random points
// of the first save of a new player and of a new game's save beside a save
// that was not loaded.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "engine/labels/CCLabelTTF.h"
#include "foundation/AtomicFile.h"
#include "foundation/KeyedArchive.h"
#include "foundation/Paths.h"
#include "foundation/Shared.h"
#include "foundation/UserDefaults.h"
#include "game/defs/XMLManager.h"
#include "game/front/LoadingScene.h"
#include "game/front/MainMenuScene.h"
#include "game/state/DataParser.h"
#include "game/state/Profile.h"
#include "game/state/SaveFile.h"
#include "game/state/TutorialFrameDef.h"
#include "game/state/UpgradeItem.h"
#include "game/village/MapScene.h"
#include "game/village/VillageScene.h"
#include "tests/game/front/WholeGameSupport.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/ScopedPermissionChecks.h"
#include "tests/support/SharedInstances.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

using test::GameRun;
using test::nodesOf;

// 2026-06-15 12:00:00 UTC.
constexpr double kLaunchWall = 1781524800.0;
constexpr uint32_t kSeed = 20260615;

std::vector<uint8_t> bytesOf(const std::string& path)
{
    std::vector<uint8_t> bytes;
    (void)AtomicFile::read(path, bytes);
    return bytes;
}

std::vector<std::string> documentsNamed(const std::string& prefix)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(Paths::documentsDirectory(), error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) == 0) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A new village of this name in the profile, from the bundle's game data.
void newVillage(const std::string& name)
{
    DataParser parser;
    ASSERT_TRUE(parser.parseData(DataParser::bundledGameDataPath()));
    Profile::sharedInstance()->VillageName = name;
}

// The village name the save on disk holds, or "" when there is none whole.
std::string savedVillage(const std::string& path = SaveFile::path())
{
    const std::vector<uint8_t> bytes = bytesOf(path);
    std::optional<Value> save = SaveFile::decode(bytes.data(), bytes.size());
    return save ? (*save)["VillageName"].asString() : std::string();
}

// ---------------------------------------------------------------- settings

// How a damaged settings file stands beside the good save.
struct Damage {
    const char* name;
    std::function<void(const std::string& file)> apply;
    bool needsPermissionChecks = false;
};

const Damage kDamages[] = {
    {"empty", [](const std::string& file) { test::TempDir::writeText(file, ""); }},
    {"cut in half",
     [](const std::string& file) {
         const std::string text = test::TempDir::readText(file);
         test::TempDir::writeText(file, text.substr(0, text.size() / 2));
     }},
    {"a folder in its place",
     [](const std::string& file) {
         std::filesystem::remove(file);
         std::filesystem::create_directories(file + "/inside");
     }},
    {"no permission to read it", [](const std::string& file) { ::chmod(file.c_str(), 0); }, true},
    {"a list, not a dictionary",
     [](const std::string& file) {
         test::TempDir::writeText(file, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">"
                                        "<array><string>Loaded</string><true/></array></plist>\n");
     }},
};

class DamagedSettingsTest : public ::testing::TestWithParam<Damage> {};

// Whatever became of the settings, the good save beside them is what the
// menu continues, and a save made then is that village's.
TEST_P(DamagedSettingsTest, TheGoodSaveBesideThemLoadsAndIsNotReplaced)
{
    const Damage& damage = GetParam();
    GameRun game("phone", kLaunchWall, kSeed);
    test::resetSharedInstances();
    newVillage("Mossbury");
    Profile::sharedInstance()->GoldCount = 4321;
    ASSERT_TRUE(Profile::sharedInstance()->SaveData());
    const std::string settings = UserDefaults::standardUserDefaults().path();
    ASSERT_TRUE(UserDefaults::standardUserDefaults().boolForKey("Loaded"));
    ASSERT_TRUE(std::filesystem::is_regular_file(settings));
    const std::vector<uint8_t> saved = bytesOf(SaveFile::path());
    test::resetSharedInstances();
    damage.apply(settings);

    std::optional<test::ScopedPermissionChecks> checks;
    if (damage.needsPermissionChecks) {
        checks.emplace();
        if (!checks->active())
            GTEST_SKIP() << "root reads any file and its capabilities cannot be lowered here";
        // Not access(), which takes root's whole permitted set.
        const int fd = ::open(settings.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) ::close(fd);
        ASSERT_LT(fd, 0) << "the settings file is still readable";
    }
    ASSERT_TRUE(game.launch()) << "no headless GL context";
    ASSERT_TRUE(game.runUntil([&] { return game.sceneAs<MainMenuScene>() != nullptr; }, 15));
    game.run(1.5);
    checks.reset();

    MainMenuScene* menu = game.sceneAs<MainMenuScene>();
    EXPECT_TRUE(game.profile().Loaded);
    EXPECT_EQ(game.profile().GoldCount, 4321);
    ASSERT_NE(menu->btMain, nullptr) << "the village's name on the first plate";
    EXPECT_EQ(static_cast<CCLabelTTF*>(menu->btMain->label())->string(), "Mossbury");
    ASSERT_NE(menu->menu2m, nullptr);
    bool continueShown = false;
    for (CCLabelTTF* label : nodesOf<CCLabelTTF>(menu->menu2m.get()))
        continueShown = continueShown || label->string() == GameRun::text("MM_CONTINUE");
    EXPECT_TRUE(continueShown);
    EXPECT_EQ(AlertViewPresenter::sharedPresenter().frontAlert(), nullptr) << "nothing to tell";
    EXPECT_EQ(bytesOf(SaveFile::path()), saved);

    // The village is the profile's own now: saving it replaces the file.
    game.profile().GoldCount = 5000;
    EXPECT_TRUE(game.profile().SaveData());
    EXPECT_EQ(savedVillage(), "Mossbury");
    EXPECT_TRUE(documentsNamed("supersave.plist.").empty());
}

INSTANTIATE_TEST_SUITE_P(Damages, DamagedSettingsTest, ::testing::ValuesIn(kDamages),
                         [](const ::testing::TestParamInfo<Damage>& info) {
                             std::string name;
                             for (const char* at = info.param.name; *at; ++at)
                                 if (std::isalnum(static_cast<unsigned char>(*at))) name += *at;
                             return name;
                         });

// ---------------------------------------------------------------- buildings

// The fields, the bakery and the market.
constexpr int32_t kVillageBuildings[] = {91, 28, 18};

// Slot key to the building standing there, for every built slot of a table.
std::map<int32_t, int32_t> builtSlots(const std::map<int32_t, Ref<MAP_OBJECT>>& slots)
{
    std::map<int32_t, int32_t> built;
    for (const auto& [key, slot] : slots)
        if (slot->IDBuild > 0) built[key] = slot->IDBuild;
    return built;
}

// The same for the slots in the save on disk.
std::map<int32_t, int32_t> builtSlotsSaved()
{
    const std::vector<uint8_t> bytes = bytesOf(SaveFile::path());
    std::optional<Value> save = SaveFile::decode(bytes.data(), bytes.size());
    if (!save || !(*save)["MapObjects"].isData()) return {};
    const Value::Bytes& archive = (*save)["MapObjects"].asData();
    KeyedUnarchiver coder(archive.data(), archive.size());
    const ArchiveItem table = coder.decodeItem("MapObjects");
    std::map<int32_t, Ref<MAP_OBJECT>> slots;
    for (const auto& [key, slot] : table.entries())
        if (Ref<MAP_OBJECT> typed = slot.objectAs<MAP_OBJECT>()) slots[key.value().asInt()] = typed;
    return builtSlots(slots);
}

// How the settings file is lost beside the village's save.
struct LostSettings {
    const char* name;
    std::function<void(const std::string& file)> apply;
};

const LostSettings kLostSettings[] = {
    {"garbage",
     [](const std::string& file) {
         test::TempDir::writeText(file, std::string("\x89PNG\r\n\x1a\n\0\xff<plist><dict><key>", 24));
     }},
    {"empty", [](const std::string& file) { test::TempDir::writeText(file, ""); }},
    {"missing", [](const std::string& file) { std::filesystem::remove(file); }},
    {"cut in half",
     [](const std::string& file) {
         const std::string text = test::TempDir::readText(file);
         test::TempDir::writeText(file, text.substr(0, text.size() / 2));
     }},
};

class LostSettingsTest : public ::testing::TestWithParam<LostSettings> {};

// The save alone says where the village's buildings stand: with the
// settings lost, the next start puts every building back on its slot, the
// village shows them, and the next save keeps them.
TEST_P(LostSettingsTest, EveryBuildingStaysOnItsSlotAndInTheNextSave)
{
    GameRun game("phone", kLaunchWall, kSeed);
    ASSERT_TRUE(game.launch()) << "no headless GL context";
    ASSERT_TRUE(game.runUntil([&] { return game.sceneAs<MainMenuScene>() != nullptr; }, 15));
    newVillage("Mossbury");
    Profile& player = game.profile();
    for (auto& [id, frame] : player.TutorialDict) {
        frame->Done = true;
        frame->ArrowAfterDone = true;
    }
    XMLManager* manager = XMLManager::sharedInstance();
    manager->LoadFrom(nullptr);
    for (int32_t building : kVillageBuildings) {
        UpgradeItem* upgrade = player.GetUpgrade(building);
        ASSERT_NE(upgrade, nullptr) << building;
        bool placed = false;
        for (auto& [key, slot] : manager->MapObjects) {
            const bool free = slot->isTree == 0 && slot->IDBuild == -1;
            if (placed || !free || slot->GroupID != upgrade->Group) continue;
            slot->IDBuild = building;
            placed = true;
        }
        ASSERT_TRUE(placed) << "no free slot for " << building;
        player.increaseUpgradeCount(building, 1);
    }
    const std::map<int32_t, int32_t> built = builtSlots(manager->MapObjects);
    ASSERT_EQ(built.size(), std::size(kVillageBuildings) + 1) << "and the settlement, there from the start";
    ASSERT_TRUE(player.SaveData());
    ASSERT_EQ(builtSlotsSaved(), built);
    const std::string settings = UserDefaults::standardUserDefaults().path();
    game.stop();

    GetParam().apply(settings);
    ASSERT_TRUE(game.launch());
    ASSERT_TRUE(game.runUntil([&] { return game.sceneAs<MainMenuScene>() != nullptr; }, 15));
    game.run(1.5);
    ASSERT_TRUE(game.profile().Loaded);
    EXPECT_EQ(builtSlots(XMLManager::sharedInstance()->MapObjects), built) << "as loaded";
    for (int32_t building : kVillageBuildings) EXPECT_EQ(game.profile().GetUpgradeCount(building), 1);

    // Continue: the map shows each building on its slot.
    MainMenuScene* menu = game.sceneAs<MainMenuScene>();
    ASSERT_NE(menu->menu2m, nullptr);
    game.tap(static_cast<CCNode*>(menu->menu2m->children()->objectAtIndex(0)));
    ASSERT_TRUE(game.runUntil([&] { return game.sceneAs<VillageScene>() != nullptr; }, 8))
        << "into the village";
    game.run(1.0);
    auto* map = dynamic_cast<MapScene*>(game.sceneAs<VillageScene>()->GetLayer());
    ASSERT_NE(map, nullptr);
    for (const auto& [key, building] : built) {
        const MAP_OBJECT& slot = *XMLManager::sharedInstance()->MapObjects.at(key);
        bool standing = false;
        for (Object* child : *map->pageParent()->children()) {
            auto* node = static_cast<CCNode*>(child);
            const bool onSlot = node->position() == CGPoint{float(slot.x), float(slot.y)};
            standing = standing || (node->tag() == building && onSlot);
        }
        EXPECT_TRUE(standing) << "building " << building << " on slot " << key;
    }

    // The next save keeps them.
    EXPECT_TRUE(game.profile().SaveData());
    EXPECT_EQ(builtSlotsSaved(), built);
}

INSTANTIATE_TEST_SUITE_P(Damages, LostSettingsTest, ::testing::ValuesIn(kLostSettings),
                         [](const ::testing::TestParamInfo<LostSettings>& info) {
                             std::string name;
                             for (const char* at = info.param.name; *at; ++at)
                                 if (std::isalnum(static_cast<unsigned char>(*at))) name += *at;
                             return name;
                         });

// ---------------------------------------------------------------- unreadable

// A save the launch could not read: damaged (cut short), or unreadable (a
// folder in its place, for root too).
struct NotRead {
    const char* language; // the picture's name
    int64_t languageKey;  // the user default "lang_key"
    bool damaged;
};

// A village saved in the row's language by an earlier run, and the game
// launched again onto its menu; the alert the player then sees.
class SaveAlertTest : public ::testing::TestWithParam<NotRead> {
protected:
    // The save's bytes.
    std::vector<uint8_t> saveVillageInTheRowsLanguage()
    {
        test::resetSharedInstances();
        newVillage("Mossbury");
        EXPECT_TRUE(Profile::sharedInstance()->SaveData());
        UserDefaults::standardUserDefaults().setInteger("lang_key", GetParam().languageKey);
        EXPECT_TRUE(UserDefaults::standardUserDefaults().synchronize());
        return bytesOf(SaveFile::path());
    }
    // Launches and waits on the menu until its alerts are up.
    bool launchToTheMenu()
    {
        test::resetSharedInstances();
        if (!game.launch()) return false;
        if (!game.runUntil([&] { return game.sceneAs<MainMenuScene>() != nullptr; }, 15)) return false;
        game.run(1.5);
        return true;
    }
    static void expectAlert(AlertView* alert, const char* head, const char* text)
    {
        ASSERT_NE(alert, nullptr) << "the player is not told";
        EXPECT_EQ(alert->title, GameRun::text(head));
        EXPECT_EQ(alert->message, GameRun::text(text));
        EXPECT_NE(alert->title, "NO STRING");
    }

    GameRun game{"phone", kLaunchWall, kSeed};
};

class SaveNotReadTest : public SaveAlertTest {};

// The player is told on the menu, in the game's language, that the saved
// village could not be read and was moved aside or stays where it is, before
// a new game starts; the new game then saves beside the kept file, never over
// it.
TEST_P(SaveNotReadTest, ThePlayerIsToldOnTheMenuAndANewGameKeepsTheOldFile)
{
    const NotRead& row = GetParam();
    const std::vector<uint8_t> good = saveVillageInTheRowsLanguage();
    const std::vector<uint8_t> cut(good.begin(), good.begin() + good.size() / 2);
    if (row.damaged) {
        ASSERT_TRUE(AtomicFile::write(SaveFile::path(), cut.data(), cut.size()));
    } else {
        std::filesystem::remove(SaveFile::path());
        std::filesystem::create_directories(SaveFile::path() + "/inside");
    }

    ASSERT_TRUE(launchToTheMenu()) << "no headless GL context, or no menu";
    EXPECT_FALSE(game.profile().Loaded);
    AlertView* alert = AlertViewPresenter::sharedPresenter().frontAlert();
    // Moved aside, or (a folder) left where it is: the text says which.
    expectAlert(alert, "SAVE_UNREADABLE_HEAD",
                row.damaged ? "SAVE_UNREADABLE_TEXT" : "SAVE_UNREADABLE_LEFT_TEXT");
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->buttonTitles, std::vector<std::string>{GameRun::text("BUTTON_OK")});
    game.picture(std::string("save-unreadable-") + row.language);
    ASSERT_TRUE(game.driver().pressAlertButton(0));

    // A new game from the menu: the old file stays, under a name that says why.
    MainMenuScene* menu = game.sceneAs<MainMenuScene>();
    ASSERT_NE(menu->menu2m, nullptr);
    game.tap(static_cast<CCNode*>(menu->menu2m->children()->objectAtIndex(0)));
    ASSERT_NE(AlertViewPresenter::sharedPresenter().frontAlert(), nullptr) << "the name alert";
    ASSERT_TRUE(game.driver().typeText("Neuhof"));
    ASSERT_TRUE(game.driver().pressAlertButton(1));
    ASSERT_TRUE(game.runUntil([&] { return savedVillage() == "Neuhof"; }, 5)) << "the new game's save";
    if (row.damaged) {
        const std::vector<std::string> kept = documentsNamed("supersave.plist.corrupt-");
        ASSERT_EQ(kept.size(), 1u);
        EXPECT_EQ(bytesOf(Paths::documentsPath(kept[0])), cut);
    } else {
        const std::vector<std::string> kept = documentsNamed("supersave.plist.unreadable-");
        ASSERT_EQ(kept.size(), 1u);
        EXPECT_TRUE(std::filesystem::is_directory(Paths::documentsPath(kept[0]) + "/inside"));
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, SaveNotReadTest,
                         ::testing::Values(NotRead{"en", 2, true}, NotRead{"de", 3, false},
                                           NotRead{"pl", 4, true}),
                         [](const ::testing::TestParamInfo<NotRead>& info) {
                             return std::string(info.param.language);
                         });

// ---------------------------------------------------------------- not saved

class SaveFailedTest : public SaveAlertTest {};

// A save that cannot be written (here a full disk) is told once, in the
// game's language; the save on disk stays the last good one.
TEST_P(SaveFailedTest, ThePlayerIsToldOnceInTheirLanguage)
{
    const NotRead& row = GetParam();
    const std::vector<uint8_t> good = saveVillageInTheRowsLanguage();

    ASSERT_TRUE(launchToTheMenu()) << "no headless GL context, or no menu";
    ASSERT_TRUE(game.profile().Loaded);
    {
        test::FileSizeLimit full(4096);
        game.profile().GoldCount += 10;
        game.profile().Save();
        game.profile().Save();
    }
    game.run(0.5);
    expectAlert(AlertViewPresenter::sharedPresenter().frontAlert(), "SAVE_FAILED_HEAD", "SAVE_FAILED_TEXT");
    EXPECT_EQ(AlertViewPresenter::sharedPresenter().visibleAlerts().size(), 1u) << "told once";
    game.picture(std::string("save-failed-") + row.language);
    EXPECT_EQ(bytesOf(SaveFile::path()), good);
    ASSERT_TRUE(game.driver().pressAlertButton(0));
    EXPECT_TRUE(game.profile().SaveData()) << "the next save point writes";
}

INSTANTIATE_TEST_SUITE_P(Languages, SaveFailedTest,
                         ::testing::Values(NotRead{"en", 2, false}, NotRead{"de", 3, false},
                                           NotRead{"pl", 4, false}),
                         [](const ::testing::TestParamInfo<NotRead>& info) {
                             return std::string(info.param.language);
                         });

// ---------------------------------------------------------------- kills

// Kills children at random points of a save. The save's write of the file
// (and what follows it: the settings' note of a first save) is short beside
// the encoding before it, so most kills fall there: the profile's saver
// tells through a pipe when a child starts writing, and three kills in four
// wait for that, then come within the rest of the save (a little more, so
// that some children end first); the others come at any point before it.
class KillRounds {
public:
    explicit KillRounds(uint32_t seed) : random_(seed)
    {
        EXPECT_EQ(::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK), 0);
        const int writeEnd = pipe_[1];
        Profile::sharedInstance()->saveFile().setWriteHookForTesting([writeEnd] {
            if (::write(writeEnd, "w", 1) != 1) _exit(3);
        });
    }
    ~KillRounds()
    {
        Profile::sharedInstance()->saveFile().setWriteHookForTesting(nullptr);
        ::close(pipe_[0]);
        ::close(pipe_[1]);
    }

    // Runs `work` once to its end in a child, to learn how long the parts
    // before and after the write take in a child (slower than this process
    // while it copies the pages it writes).
    void measure(const std::function<void()>& work)
    {
        const auto forked = std::chrono::steady_clock::now();
        const pid_t child = start(work);
        ASSERT_TRUE(waitForWrite(10));
        const auto writing = std::chrono::steady_clock::now();
        waitpid(child, nullptr, 0);
        head_ = std::chrono::duration<double>(writing - forked).count();
        tail_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - writing).count();
    }

    // At most `rounds` rounds and about `budget` seconds (but at least a
    // few rounds); `prepare` sets the scene before each round and `check`
    // looks at what the kill left.
    void run(int rounds, double budget, const std::function<void()>& prepare,
             const std::function<void()>& work, const std::function<void(int round)>& check)
    {
        const auto begun = std::chrono::steady_clock::now();
        auto spent = [&] {
            return std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count();
        };
        for (ran = 0; ran < rounds && (ran < kFewest || spent() < budget); ++ran) {
            if (::testing::Test::HasFatalFailure()) return;
            prepare();
            const pid_t child = start(work);
            if (random_() % 4 == 0) {
                sleepFor(head_);
            } else if (waitForWrite(10)) {
                sleepFor(tail_ * 1.3);
            }
            kill(child, SIGKILL);
            int status = 0;
            waitpid(child, &status, 0);
            if (WIFEXITED(status)) ++finished;
            check(ran);
        }
    }

    double head() const { return head_; }
    double tail() const { return tail_; }

    static constexpr int kFewest = 8;
    int ran = 0;
    int finished = 0; // rounds whose child ended before the kill

private:
    pid_t start(const std::function<void()>& work)
    {
        char stale[64];
        while (::read(pipe_[0], stale, sizeof stale) > 0) {
        }
        const pid_t child = fork();
        EXPECT_GE(child, 0);
        if (child == 0) {
            work();
            _exit(0);
        }
        return child;
    }
    bool waitForWrite(double seconds)
    {
        pollfd ready{pipe_[0], POLLIN, 0};
        char byte;
        return ::poll(&ready, 1, int(seconds * 1000)) == 1 && ::read(pipe_[0], &byte, 1) == 1;
    }
    void sleepFor(double most)
    {
        std::this_thread::sleep_for(std::chrono::microseconds(random_() % (1 + uint32_t(most * 1e6))));
    }

    std::mt19937 random_;
    int pipe_[2] = {-1, -1};
    double head_ = 0;
    double tail_ = 0;
};

class SaveKillTest : public ::testing::Test {
protected:
    void SetUp() override { test::resetSharedInstances(); }
    void TearDown() override { test::resetSharedInstances(); }

    // The next launch, beside the profile the children save from (kept for
    // the next round): fresh settings and profile, then the loading scene's
    // load. Answers whether it loaded, and the village it loaded.
    static bool relaunchLoads(std::string& village)
    {
        Ref<Profile> prepared = Shared<Profile>::replace(nullptr);
        UserDefaults::resetStandardUserDefaults();
        const bool loaded = LoadingScene::loadSavedGame();
        village = Profile::sharedInstance()->VillageName;
        (void)Shared<Profile>::replace(prepared);
        UserDefaults::resetStandardUserDefaults();
        return loaded;
    }
    static void emptyDocuments()
    {
        for (const auto& entry : std::filesystem::directory_iterator(Paths::documentsDirectory()))
            std::filesystem::remove_all(entry.path());
        UserDefaults::resetStandardUserDefaults();
    }

    test::TempDir home;
    test::ScopedEnv homeEnv{"MOSSWICK_HOME", home.path()};
};

// The first save of a new player writes the save, then notes it in the
// settings: killed anywhere, the next launch has no village or this one.
TEST_F(SaveKillTest, TheFirstSaveOfANewPlayerKilledAnywhereLeavesNoSaveOrOneThatLoads)
{
    newVillage("First");
    Paths::createDirectories(Paths::documentsDirectory());
    auto firstSave = [] { (void)Profile::sharedInstance()->SaveData(); };
    KillRounds kills(51);
    kills.measure(firstSave);
    int loaded = 0;
    kills.run(
        40, 20,
        [&] {
            emptyDocuments();
            Profile::sharedInstance()->Loaded = false;
        },
        firstSave,
        [&](int round) {
            SCOPED_TRACE("round " + std::to_string(round));
            const bool fileThere = std::filesystem::exists(SaveFile::path());
            std::string village;
            const bool loads = relaunchLoads(village);
            EXPECT_EQ(loads, fileThere) << "a save on disk that the next launch does not take up";
            if (loads) {
                EXPECT_EQ(village, "First");
            }
            EXPECT_TRUE(documentsNamed("supersave.plist.").empty());
            loaded += loads;
        });
    std::printf("[ NOTE     ] first save (%.0f ms, then %.0f ms of writing) killed %d times: %d left a save "
                "that loads, %d ended first\n",
                kills.head() * 1000, kills.tail() * 1000, kills.ran, loaded, kills.finished);
}

// A new game beside a save that was not loaded keeps that save, then writes
// its own: killed anywhere, the old village is still there (in place or kept
// aside) and the save in place is the old or the new one, whole.
TEST_F(SaveKillTest, ANewGameBesideAnUnreadSaveKilledAnywhereKeepsTheOldAndLoadsOldOrNew)
{
    newVillage("Old");
    Paths::createDirectories(Paths::documentsDirectory());
    ASSERT_TRUE(Profile::sharedInstance()->SaveData());
    const std::vector<uint8_t> old = bytesOf(SaveFile::path());
    // The children's profile never read the file.
    Profile::purgeSharedInstance();
    newVillage("New");
    auto prepare = [&] {
        emptyDocuments();
        ASSERT_TRUE(AtomicFile::write(SaveFile::path(), old.data(), old.size()));
    };
    auto newGame = [] {
        if (Profile::sharedInstance()->KeepUnloadedSaveAside()) (void)Profile::sharedInstance()->SaveData();
    };
    prepare();
    KillRounds kills(5151);
    kills.measure(newGame);
    int newOnes = 0;
    kills.run(40, 20, prepare, newGame, [&](int round) {
        SCOPED_TRACE("round " + std::to_string(round));
        bool oldKept = bytesOf(SaveFile::path()) == old;
        for (const std::string& name : documentsNamed("supersave.plist.unread-"))
            oldKept = oldKept || bytesOf(Paths::documentsPath(name)) == old;
        EXPECT_TRUE(oldKept) << "the old village is gone";
        const std::string inPlace = savedVillage();
        EXPECT_TRUE(inPlace == "Old" || inPlace == "New") << "in place: '" << inPlace << "'";
        std::string village;
        EXPECT_TRUE(relaunchLoads(village));
        EXPECT_EQ(village, inPlace);
        EXPECT_TRUE(documentsNamed("supersave.plist.corrupt-").empty());
        newOnes += inPlace == "New";
    });
    std::printf("[ NOTE     ] new game beside an unread save (%.0f ms, then %.0f ms of writing) killed %d "
                "times: %d left the new one, %d ended first\n",
                kills.head() * 1000, kills.tail() * 1000, kills.ran, newOnes, kills.finished);
}

} // namespace
} // namespace mw
