#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "foundation/KeyedArchive.h"
#include "foundation/Log.h"
#include "social/support/KeychainWrapper.h"
#include "tests/support/RecordingKeychain.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

const std::string kAccount = "zandovar";
const std::string kService = "gameconfig";

std::vector<std::string> groups() { return KeychainWrapper::buildAccessGroupsArray(); }

// The dictionary an item holds, read the way the wrapper writes it.
Value storedDictionary(const Keychain::Bytes& bytes)
{
    KeyedUnarchiver unarchiver(bytes);
    return unarchiver.decodeValue(kService);
}

class KeychainWrapperTest : public ::testing::Test {
protected:
    std::shared_ptr<test::RecordingKeychain> keychain_ = std::make_shared<test::RecordingKeychain>();
    ScopedLogCapture log_;

    const Keychain::Bytes& item(const std::string& service = kService, const std::string& group = "")
    {
        return keychain_->items[{kAccount, service, group.empty() ? groups()[0] : group}];
    }
};

TEST_F(KeychainWrapperTest, FirstUseCreatesTheItemAndLaterWrappersReadIt)
{
    {
        KeychainWrapper wrapper(kAccount, kService, keychain_);
        EXPECT_FALSE(wrapper.failedAccessOnInit());
        EXPECT_EQ(wrapper.accessGroup(), groups()[0]);
        EXPECT_EQ(storedDictionary(item()), Value::dictionary());
        wrapper.mySetObject("config-a", "gameconfigname");
        wrapper.mySetObject(Value::data("\x01\x02", 2), "gameconfigdata");
    }
    KeychainWrapper again(kAccount, kService, keychain_);
    EXPECT_EQ(again.myObjectForKey("gameconfigname"), Value("config-a"));
    EXPECT_EQ(again.myObjectForKey("gameconfigdata"), Value::data("\x01\x02", 2));
    again.myRemoveObjectForKey("gameconfigname");
    EXPECT_EQ(KeychainWrapper(kAccount, kService, keychain_).myObjectForKey("gameconfigname"), Value());
}

TEST_F(KeychainWrapperTest, ANullValueWritesNothing)
{
    KeychainWrapper wrapper(kAccount, kService, keychain_);
    keychain_->calls.clear();
    wrapper.mySetObject(Value(), "k");
    EXPECT_TRUE(keychain_->calls.empty());
}

// A look-up that misses the item makes the write an add, which finds it:
// the item is deleted and added again with the whole dictionary. A refused
// delete is the write's answer, so the change is taken back.
TEST_F(KeychainWrapperTest, AnAddAnsweredExistsDeletesTheItemAndAddsItAgain)
{
    struct Case {
        const char* name;
        bool refuseDelete;
        std::vector<std::string> calls;
        Value stored; // the item's dictionary after the write
        Value held;   // the wrapper's value for "k"
    };
    const Case cases[] = {
        {"the delete goes through",
         false,
         {"search gameconfig", "add gameconfig", "delete gameconfig", "add gameconfig"},
         Value::dictionary({{"old", "1"}, {"k", "v"}}),
         Value("v")},
        {"the delete is refused",
         true,
         {"search gameconfig", "add gameconfig", "delete gameconfig"},
         Value::dictionary({{"old", "1"}}),
         Value()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto keychain = std::make_shared<test::RecordingKeychain>();
        ScopedLogCapture log;
        KeychainWrapper wrapper(kAccount, kService, keychain);
        wrapper.mySetObject("1", "old");
        keychain->calls.clear();
        keychain->missNextSearch = true;
        keychain->refuseDeletes = c.refuseDelete;
        wrapper.mySetObject("v", "k");
        EXPECT_EQ(keychain->calls, c.calls);
        EXPECT_EQ(storedDictionary(keychain->items[{kAccount, kService, groups()[0]}]), c.stored);
        EXPECT_EQ(wrapper.myObjectForKey("k"), c.held);
        EXPECT_EQ(wrapper.myObjectForKey("old"), Value("1"));
    }
}

TEST_F(KeychainWrapperTest, AccessGroupsAreTriedInOrder)
{
    struct Case {
        std::set<std::string> refused;
        bool failed;
        std::string group;
    };
    const std::vector<Case> cases = {
        {{}, false, groups()[0]},
        {{groups()[0]}, false, groups()[1]},
        {{groups()[0], groups()[1]}, true, groups()[1]},
    };
    EXPECT_EQ(groups(), (std::vector<std::string>{"7ZQ4M2KX9A.sharedstore", "K3V8N5T2LP.sharedstore"}));
    for (const Case& c : cases) {
        auto keychain = std::make_shared<test::RecordingKeychain>();
        keychain->refusedGroups = c.refused;
        ScopedLogCapture log;
        KeychainWrapper wrapper(kAccount, kService, keychain);
        EXPECT_EQ(wrapper.failedAccessOnInit(), c.failed);
        EXPECT_EQ(wrapper.accessGroup(), c.group);
        EXPECT_EQ(log.contains("*** Failed to initialise keychain access ***"), c.failed);
        if (c.failed) {
            keychain->refusedGroups.clear();
            keychain->calls.clear();
            wrapper.mySetObject("v", "k");
            wrapper.myRemoveObjectForKey("k");
            EXPECT_EQ(wrapper.myObjectForKey("k"), Value());
            EXPECT_TRUE(keychain->calls.empty());
        }
    }
    KeychainWrapper explicitGroup(kAccount, kService, std::nullopt, keychain_);
    EXPECT_FALSE(explicitGroup.failedAccessOnInit());
    EXPECT_TRUE(keychain_->items.count({kAccount, kService, ""}));
}

TEST_F(KeychainWrapperTest, ARefusedWriteOrRemovalPutsTheOldValueBack)
{
    KeychainWrapper wrapper(kAccount, kService, keychain_);
    wrapper.mySetObject("1", "k");
    keychain_->refuseWrites = true;
    wrapper.mySetObject("2", "k");
    EXPECT_EQ(wrapper.myObjectForKey("k"), Value("1"));
    wrapper.mySetObject("new", "fresh");
    EXPECT_EQ(wrapper.myObjectForKey("fresh"), Value());
    EXPECT_FALSE(wrapper.keychainData().contains("fresh"));
    wrapper.myRemoveObjectForKey("k");
    EXPECT_EQ(wrapper.myObjectForKey("k"), Value("1"));
    EXPECT_EQ(storedDictionary(item()), Value::dictionary({{"k", "1"}}));
}

TEST_F(KeychainWrapperTest, AnUnreadableItemIsKeptAsideBeforeAnythingIsWritten)
{
    const Keychain::Bytes garbage = {'n', 'o', 't', ' ', 'a', 'n', ' ', 'a', 'r', 'c', 'h', 'i', 'v', 'e'};
    keychain_->items[{kAccount, kService, groups()[0]}] = garbage;
    {
        KeychainWrapper wrapper(kAccount, kService, keychain_);
        EXPECT_FALSE(wrapper.failedAccessOnInit());
        EXPECT_EQ(wrapper.keychainData(), Value::dictionary());
        EXPECT_TRUE(log_.contains("cannot be read; its bytes are kept in gameconfig.unreadable"));
        EXPECT_EQ(item("gameconfig.unreadable"), garbage);
        wrapper.mySetObject("v", "k");
        EXPECT_EQ(storedDictionary(item()), Value::dictionary({{"k", "v"}}));
        EXPECT_EQ(item("gameconfig.unreadable"), garbage);
    }
    // When it cannot be kept aside, nothing may be written over it.
    keychain_->items.clear();
    keychain_->items[{kAccount, kService, groups()[0]}] = garbage;
    keychain_->items[{kAccount, kService, groups()[1]}] = garbage;
    keychain_->refuseWrites = true;
    KeychainWrapper wrapper(kAccount, kService, keychain_);
    EXPECT_TRUE(wrapper.failedAccessOnInit());
    keychain_->refuseWrites = false;
    wrapper.mySetObject("v", "k");
    EXPECT_EQ(item(), garbage);
}

TEST(KeychainErrors, EachStatusHasItsMessage)
{
    const std::vector<std::pair<int32_t, std::string>> cases = {
        {-26275, "Unable to decode the provided data."},
        {-25308, "Interaction with the Security Server is not allowed."},
        {-25300, "The item cannot be found."},
        {-25299, "The item already exists."},
        {-25293, "Authorization/Authentication failed."},
        {-25291, "No keychain is available."},
        {-25243, "No access for item."},
        {-108, "Failed to allocate memory."},
        {-50, "One or more parameters passed to the function were not valid."},
        {-4, "Function or operation not implemented."},
        {0, "Unknown keychain error"},
        {-1, "Unknown keychain error"},
    };
    for (const auto& [status, message] : cases) {
        const std::string text = KeychainWrapper::errorFromOSStatus(status);
        EXPECT_EQ(text, "The operation couldn't be completed. (OSStatus error " + std::to_string(status) +
                            ".) " + message);
    }
}

// Two programs sharing one keychain, their calls taken in a scripted order:
// each turn lets one program make so many calls. Once the script is spent,
// or for a program that has ended, the calls go as they come.
class TakingTurns {
public:
    struct Turn {
        int program; // 0 or 1
        int calls;
    };
    explicit TakingTurns(std::vector<Turn> script) : script_(script.begin(), script.end()) {}

    // The keychain program `program` sees.
    std::shared_ptr<Keychain> keychainOf(int program) { return std::make_shared<Front>(*this, program); }
    // The program made its last call: the turns left to it are dropped.
    void ended(int program)
    {
        std::lock_guard guard(lock_);
        ended_[program] = true;
        dropEndedTurns();
        turn_.notify_all();
    }

    test::RecordingKeychain shared;

private:
    class Front : public Keychain {
    public:
        Front(TakingTurns& turns, int program) : turns_(turns), program_(program) {}
        int32_t add(const KeychainQuery& q, const Bytes& v) override
        {
            return turns_.call(program_, [&] { return turns_.shared.add(q, v); });
        }
        int32_t update(const KeychainQuery& q, const Bytes& v) override
        {
            return turns_.call(program_, [&] { return turns_.shared.update(q, v); });
        }
        int32_t remove(const KeychainQuery& q) override
        {
            return turns_.call(program_, [&] { return turns_.shared.remove(q); });
        }
        int32_t search(const KeychainQuery& q, Bytes& v) override
        {
            return turns_.call(program_, [&] { return turns_.shared.search(q, v); });
        }

    private:
        TakingTurns& turns_;
        int program_;
    };

    int32_t call(int program, const std::function<int32_t()>& body)
    {
        std::unique_lock guard(lock_);
        turn_.wait(guard, [&] { return script_.empty() || script_.front().program == program; });
        const int32_t status = body();
        if (!script_.empty() && --script_.front().calls == 0) script_.pop_front();
        dropEndedTurns();
        turn_.notify_all();
        return status;
    }
    void dropEndedTurns()
    {
        while (!script_.empty() && ended_[script_.front().program]) script_.pop_front();
    }

    std::mutex lock_;
    std::condition_variable turn_;
    std::deque<Turn> script_;
    bool ended_[2] = {false, false};
};

// Two programs (two processes of one user, or two applications sharing the
// group) making the item at the same moment both reach it, and the one that
// finds it made meanwhile takes it as it is: nothing of the other's is
// deleted or written over. Program 0 writes "first" (1), program 1 "second" (2).
TEST(KeychainWrapperSharedTest, ProgramsMakingTheItemAtOnceBothReachItAndKeepEachOthersWrites)
{
    struct Case {
        const char* name;
        std::vector<TakingTurns::Turn> script;
        bool bothKeysKept;
    };
    const Case cases[] = {
        // Program 1 looks twice and misses, program 0 makes the item, then
        // program 1's add finds it there, and program 0 looks again.
        {"an add that finds the item made meanwhile", {{1, 2}, {0, 3}, {1, 2}, {0, 1}}, false},
        // Program 0 misses the item; program 1 makes it and writes to it
        // before program 0 goes on.
        {"the item made and written between a look and the making", {{0, 1}, {1, 6}}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedLogCapture log;
        TakingTurns turns(c.script);
        bool failed[2] = {true, true};
        auto program = [&](int index) {
            KeychainWrapper wrapper(kAccount, kService, std::nullopt, turns.keychainOf(index));
            failed[index] = wrapper.failedAccessOnInit();
            wrapper.mySetObject(Value(static_cast<int64_t>(index + 1)), index == 0 ? "first" : "second");
            turns.ended(index);
        };
        std::thread other(program, 1);
        program(0);
        other.join();
        EXPECT_FALSE(failed[0]) << "program 0 reached the keychain";
        EXPECT_FALSE(failed[1]) << "program 1 reached the keychain";
        const test::RecordingKeychain::Key item =
            test::RecordingKeychain::keyOf({kAccount, kService, std::nullopt});
        const Value stored = storedDictionary(turns.shared.items[item]);
        ASSERT_TRUE(stored.isDict());
        if (c.bothKeysKept) {
            EXPECT_EQ(stored["first"], Value(int64_t{1}));
            EXPECT_EQ(stored["second"], Value(int64_t{2})) << "program 1's write survives program 0's making";
        }
        EXPECT_EQ(std::count(turns.shared.calls.begin(), turns.shared.calls.end(), "delete gameconfig"), 0)
            << "nothing deleted under the other program";
    }
}

// Runs `body` in a child process; its exit status.
int inChild(const std::function<int()>& body)
{
    const pid_t child = ::fork();
    if (child == 0) ::_exit(body());
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

class DesktopKeychainTest : public ::testing::Test {
protected:
    test::TempDir scratch_;
    std::string folder_ = scratch_.file("data/Keychain");
    std::shared_ptr<FileKeychain> keychain() const { return std::make_shared<FileKeychain>(folder_); }
};

TEST_F(DesktopKeychainTest, ItemsOutliveTheWrapperAndTheProcess)
{
    KeychainWrapper(kAccount, kService, keychain()).mySetObject("kept", "k");
    EXPECT_EQ(KeychainWrapper(kAccount, kService, keychain()).myObjectForKey("k"), Value("kept"));
    EXPECT_EQ(inChild([&] {
                  setLogSink([](const std::string&) {});
                  return KeychainWrapper(kAccount, kService, keychain()).myObjectForKey("k") == Value("kept")
                             ? 0
                             : 1;
              }),
              0);
    struct stat info {};
    ASSERT_EQ(::stat(folder_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat((folder_ + "/keychain.plist").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(DesktopKeychainTest, StatusesFollowThePlatform)
{
    const auto store = keychain();
    const KeychainQuery query{kAccount, "s", std::string("g")};
    Keychain::Bytes value;
    EXPECT_EQ(store->search(query, value), KeychainStatus::kItemNotFound);
    EXPECT_EQ(store->update(query, {1}), KeychainStatus::kItemNotFound);
    EXPECT_EQ(store->remove(query), KeychainStatus::kItemNotFound);
    EXPECT_EQ(store->add(query, {1, 2}), KeychainStatus::kSuccess);
    EXPECT_EQ(store->add(query, {3}), KeychainStatus::kDuplicateItem);
    EXPECT_EQ(store->add({kAccount, "s", std::nullopt}, {4}), KeychainStatus::kSuccess); // another item
    EXPECT_EQ(store->search(query, value), KeychainStatus::kSuccess);
    EXPECT_EQ(value, (Keychain::Bytes{1, 2}));
    EXPECT_EQ(store->update(query, {5}), KeychainStatus::kSuccess);
    EXPECT_EQ(keychain()->search(query, value), KeychainStatus::kSuccess);
    EXPECT_EQ(value, Keychain::Bytes{5});
    EXPECT_EQ(store->remove(query), KeychainStatus::kSuccess);
    EXPECT_EQ(store->search(query, value), KeychainStatus::kItemNotFound);
    EXPECT_EQ(store->search({kAccount, "s", std::nullopt}, value), KeychainStatus::kSuccess);
}

TEST_F(DesktopKeychainTest, WiderRightsAreTightenedAndABrokenFileMovedAside)
{
    const auto store = keychain();
    ASSERT_EQ(store->add({kAccount, "s", std::nullopt}, {1}), KeychainStatus::kSuccess);
    ::chmod(folder_.c_str(), 0755);
    ::chmod(store->filePath().c_str(), 0644);
    {
        ScopedLogCapture log;
        Keychain::Bytes value;
        EXPECT_EQ(store->search({kAccount, "s", std::nullopt}, value), KeychainStatus::kSuccess);
        EXPECT_TRUE(log.contains("could be read by others"));
    }
    struct stat info {};
    ::stat(folder_.c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    ::stat(store->filePath().c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    test::TempDir::writeText(store->filePath(), "<plist>broken");
    ScopedLogCapture log;
    Keychain::Bytes value;
    EXPECT_EQ(store->search({kAccount, "s", std::nullopt}, value), KeychainStatus::kItemNotFound);
    EXPECT_TRUE(log.contains("moved aside"));
    bool kept = false;
    for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
        if (entry.path().filename().string().rfind("keychain.plist.corrupt-", 0) == 0) {
            kept = test::TempDir::readText(entry.path()) == "<plist>broken";
        }
    }
    EXPECT_TRUE(kept);
}

TEST_F(DesktopKeychainTest, TwoProcessesWritingInTurnNeverTearTheFile)
{
    // Each process adds its own items and rewrites a shared wrapper item over
    // and over, at the same time as the other.
    const auto writer = [&](const std::string& name) {
        return [&, name] {
            setLogSink([](const std::string&) {});
            const auto store = keychain();
            for (int i = 0; i < 40; ++i) {
                if (store->add({name, std::to_string(i), std::nullopt}, {static_cast<uint8_t>(i)}) != 0)
                    return 1;
                KeychainWrapper wrapper(kAccount, kService, std::nullopt, store);
                if (wrapper.failedAccessOnInit()) return 2;
                wrapper.mySetObject(Value(static_cast<int64_t>(i)), name);
            }
            return 0;
        };
    };
    const pid_t first = ::fork();
    if (first == 0) ::_exit(writer("first")());
    const int second = inChild(writer("second"));
    int status = 0;
    ::waitpid(first, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(second, 0);

    const auto store = keychain();
    for (const std::string name : {"first", "second"}) {
        for (int i = 0; i < 40; ++i) {
            Keychain::Bytes value;
            EXPECT_EQ(store->search({name, std::to_string(i), std::nullopt}, value),
                      KeychainStatus::kSuccess);
        }
    }
    ScopedLogCapture log;
    KeychainWrapper wrapper(kAccount, kService, std::nullopt, store);
    EXPECT_FALSE(wrapper.failedAccessOnInit());
    EXPECT_TRUE(wrapper.keychainData().isDict());
    EXPECT_FALSE(wrapper.keychainData().empty());
    EXPECT_FALSE(log.contains("moved aside"));
    EXPECT_FALSE(log.contains("cannot be read"));
}

} // namespace
} // namespace mw
