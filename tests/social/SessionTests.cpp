#include <gtest/gtest.h>

#include <zip.h>

#include <functional>
#include <string>
#include <vector>

#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Paths.h"
#include "platform/Application.h"
#include "social/data/CCDataStore.h"
#include "social/services/CCLoginHandler.h"
#include "social/queues/CCNeighbours.h"
#include "social/session/CCPrivateLumoraSlimlineSession.h"
#include "social/session/CCPrivateSession.h"
#include "social/data/CCUniqueId.h"
#include "social/services/CCTheming.h"
#include "social/support/KeychainWrapper.h"
#include "platform/Keychain.h"
#include "foundation/Format.h"
#include <filesystem>
#include "tests/social/SocialFixture.h"
#include "tests/support/FetchAnswers.h"

namespace mw {
namespace {

using test::kAppId;

// A theme archive written entry by entry, as a theme generator would.
void writeTheme(const std::string& path, const std::vector<std::pair<std::string, std::string>>& entries)
{
    zipFile zip = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
    ASSERT_TRUE(zip);
    for (const auto& [name, data] : entries) {
        zip_fileinfo info {};
        ASSERT_EQ(zipOpenNewFileInZip(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                      Z_DEFAULT_COMPRESSION),
                  ZIP_OK);
        ASSERT_EQ(zipWriteInFileInZip(zip, data.data(), unsigned(data.size())), ZIP_OK);
        ASSERT_EQ(zipCloseFileInZip(zip), ZIP_OK);
    }
    ASSERT_EQ(zipClose(zip, nullptr), ZIP_OK);
}

bool isUuid(const std::string& text)
{
    if (text.size() != 36) return false;
    for (size_t index = 0; index < text.size(); ++index) {
        const char c = text[index];
        if (index == 8 || index == 13 || index == 18 || index == 23) {
            if (c != '-') return false;
        } else if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) {
            return false;
        }
    }
    return true;
}

class SessionTest : public test::SocialFixture {
protected:
    CCPrivateSession* session() { return CCPrivateSession::sharedInstance(); }
    CCDataStore* store() { return CCDataStore::sharedInstance(); }
    bool called(const std::string& call)
    {
        for (const std::string& entry : neighbourCalls()) {
            if (entry == call) return true;
        }
        return false;
    }
};

TEST_F(SessionTest, DesktopUuidsAreUpperCaseVersionFour)
{
    DesktopDeviceFacts desktop;
    const std::string first = desktop.randomUUIDString();
    EXPECT_TRUE(isUuid(first)) << first;
    EXPECT_EQ(first[14], '4');
    EXPECT_NE(desktop.randomUUIDString(), first);
}

TEST_F(SessionTest, ActivationChecksTheIdentityAndTheTheme)
{
    test::TempDir bundle;
    writeTheme(bundle.file("broken_master.lumoratheme"), {{"R/", ""}, {"R/master.ctd", ""}});
    writeTheme(bundle.file("good.lumoratheme"), {{"R/", ""}, {"R/master.ctd", "{\"tablebackgroundcolor\":\"fff\"}"}});
    test::TempDir::writeText(bundle.file("garbage.lumoratheme"), "this is no zip archive");
    test::ScopedEnv bundleEnv("MOSSWICK_RESOURCES", bundle.path());

    struct Row {
        const char* name;
        const char* appId;
        const char* theme;
        const char* failure; // null: activation succeeds
    };
    const Row rows[] = {
        {"no id", "", "good", "Session activation failed - The application ID is unset"},
        {"neither", "", "", "Session activation failed - The application ID is unset"},
        {"no theme", kAppId, "", "Session activation failed - The theme is not setup"},
        {"missing archive", kAppId, "absent", "Session activation failed - The theme is not setup"},
        {"unreadable archive", kAppId, "garbage", "Session activation failed - The theme is not setup"},
        {"empty master", kAppId, "broken_master",
         "Session activation failed - The theme master dictionary data is missing"},
        {"good", kAppId, "good", nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::resetSharedInstances();
        RunLoop::main().drain();
        std::filesystem::remove(CCDataStore::saveFilePath());
        ScopedLogCapture log;
        activate(row.appId, row.theme);
        RunLoop::main().drain();
        EXPECT_TRUE(log.contains(format("*** appId %@ version 1.000000 theme %@ lumora-slimline 0.3 build 77 ***",
                                        row.appId, row.theme)));
        if (row.failure) {
            EXPECT_TRUE(log.contains(std::string("Lumora Error:  ") + row.failure));
            EXPECT_FALSE(called("telemetry prepareAnalyticsDataForPosting"));
            EXPECT_FALSE(called("postManager startPosting"));
            EXPECT_FALSE(store()->containsKey("firstrun"));
            EXPECT_FALSE(store()->containsKey("appinstalldate"));
        } else {
            EXPECT_FALSE(log.contains("Lumora Error"));
            EXPECT_TRUE(called("telemetry prepareAnalyticsDataForPosting"));
            EXPECT_TRUE(called("postManager startPosting"));
            EXPECT_EQ(store()->valueForKey("firstrun"), Value("YES"));
        }
        EXPECT_EQ(session()->valueForWorkaroundSetting(9), Value("YES")) << "set after activation whatever it gave";
    }
}

TEST_F(SessionTest, TheThemesOptionalScreensAreListedOnce)
{
    test::TempDir bundle;
    const char* navigation = "{\"items\":[{\"id\":\"giftingtab\"},{\"id\":\"newstab\"}]}";
    writeTheme(bundle.file("caps.lumoratheme"), {{"R/", ""},
                                                 {"R/master.ctd", "{\"tablebackgroundcolor\":\"fff\"}"},
                                                 {"R/globalnav_portrait.ctd", navigation},
                                                 {"R/group_footer.ctd", "{\"items\":[]}"},
                                                 {"R/find_friends_images.ctd", "not json"}});
    test::ScopedEnv bundleEnv("MOSSWICK_RESOURCES", bundle.path());
    CCTheming* theming = CCTheming::sharedInstance();
    EXPECT_FALSE(theming->themeCapsString()) << "no theme yet";
    EXPECT_EQ(theming->setCurrentTheme("caps"), "caps");
    ScopedLogCapture log;
    EXPECT_EQ(theming->themeCapsString(), "giftingtab,groupfooterimage");
    EXPECT_TRUE(log.contains("Lumora Error:  [CCTheming] Unable to decode JSON data from find_friends_images"));
    EXPECT_EQ(theming->setCurrentTheme("absent"), "caps") << "a theme that does not open leaves the current one";
    EXPECT_TRUE(log.contains("Lumora Error:  Unable to open the zip for theme 'absent' - Unable to find theme file"));
    EXPECT_EQ(theming->themeCapsString(), "giftingtab,groupfooterimage");
}

TEST_F(SessionTest, ValidationNamesTheFirstMissingPiece)
{
    struct Row {
        const char* appId;
        const char* theme;
        int code;
        const char* text;
    };
    const Row rows[] = {
        {"", "", 1, "The application ID is unset"},
        {"", "mosswick_01", 1, "The application ID is unset"},
        {kAppId, "", 2, "The theme is not setup"},
        {kAppId, "mosswick_01", 0, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.code);
        activate(row.appId, row.theme);
        CCLumoraError error;
        EXPECT_EQ(session()->validateSession(&error), row.code == 0);
        EXPECT_EQ(error.code, row.code);
        EXPECT_EQ(error.localizedDescription, row.text);
        if (row.code) {
            EXPECT_EQ(error.domain, "LumoraSession");
        }
    }
}

TEST_F(SessionTest, ASecondActivationReplacesTheIdentityAndKeepsTheFirstRunFacts)
{
    activate();
    RunLoop::main().drain();
    const Value installed = store()->valueForKey("appinstalldate");
    clock_->advance(600);
    LumoraSlimlineSession::initWithAppID("999", nullptr, 2.5, "mosswick_01", "other");
    EXPECT_EQ(session()->appId(), "999");
    EXPECT_EQ(session()->version(), 2.5);
    EXPECT_EQ(session()->secretKey(), "other");
    EXPECT_EQ(store()->valueForKey("appinstalldate"), installed);
    EXPECT_EQ(store()->valueForKey("firstrun"), Value("YES"));
}

TEST_F(SessionTest, APendingIncomingUrlKeepsTheFirstRunUnmarked)
{
    ASSERT_NE(session(), nullptr);
    session()->setPendingIncomingUrlString("mosswick://challenge//42");
    activate();
    EXPECT_FALSE(store()->containsKey("firstrun"));
    EXPECT_TRUE(store()->containsKey("appinstalldate"));
}

// The mend: a session that could not be made leaves no observer behind, and
// the next request makes it once a target can be had.
TEST_F(SessionTest, WithoutAReachabilityTargetNothingRemainsAndTheNextRequestTriesAgain)
{
    reachability_->refusedTargets.insert(CCPrivateSession::kServiceHost);
    const size_t observers = NotificationCenter::defaultCenter().observerCount();
    ScopedLogCapture log;
    EXPECT_EQ(CCPrivateSession::sharedInstance(), nullptr);
    EXPECT_TRUE(log.contains("Failed to create reachability object"));
    EXPECT_EQ(NotificationCenter::defaultCenter().observerCount(), observers);

    int playerUpdates = 0;
    const auto id = NotificationCenter::defaultCenter().addObserver(
        nullptr, "updateplayerinfo", nullptr, [&playerUpdates](const Notification&) { ++playerUpdates; });
    (void)test::answerFetch("https://x/a.cuid", test::pageEnvelope("update_user_data"));
    NotificationCenter::defaultCenter().postNotification(
        "https://x/a.cuid", CCFetchManager::sharedInstance(),
        Value::dictionary({{"url", Value("https://x/a.cuid")}, {"status", Value(1)}}));
    EXPECT_EQ(playerUpdates, 0);

    reachability_->refusedTargets.clear();
    ASSERT_NE(CCPrivateSession::sharedInstance(), nullptr);
    NotificationCenter::defaultCenter().postNotification(
        "https://x/a.cuid", CCFetchManager::sharedInstance(),
        Value::dictionary({{"url", Value("https://x/a.cuid")}, {"status", Value(1)}}));
    EXPECT_EQ(playerUpdates, 1);
    NotificationCenter::defaultCenter().removeObserver(id);
}

TEST_F(SessionTest, FetchNotificationsRefreshThePlayerOnlyForPagesThatAskAndSucceeded)
{
    ASSERT_NE(session(), nullptr);
    (void)test::answerFetch("https://x/profile.cuid", test::pageEnvelope("update_user_data"));
    (void)test::answerFetch("https://x/news.cuid", test::pageEnvelope("mutable"));
    int playerUpdates = 0;
    auto id = NotificationCenter::defaultCenter().addObserver(
        nullptr, "updateplayerinfo", nullptr, [&playerUpdates](const Notification&) { ++playerUpdates; });
    struct Row {
        const char* url;
        int status;
        int updates;
    };
    const Row rows[] = {{"https://x/profile.cuid", 1, 1}, {"https://x/profile.cuid", 0, 0},
                        {"https://x/profile.cuid", 2, 0}, {"https://x/news.cuid", 1, 0}};
    for (const Row& row : rows) {
        playerUpdates = 0;
        NotificationCenter::defaultCenter().postNotification(
            row.url, CCFetchManager::sharedInstance(),
            Value::dictionary({{"url", Value(row.url)}, {"status", Value(row.status)}}));
        EXPECT_EQ(playerUpdates, row.updates) << row.url << " " << row.status;
    }
    NotificationCenter::defaultCenter().removeObserver(id);
}

TEST_F(SessionTest, ApplicationStateNotificationsReachTheTelemetryHooks)
{
    ASSERT_NE(session(), nullptr);
    const std::pair<const char*, const char*> rows[] = {
        {"UIApplicationSignificantTimeChangeNotification", "telemetry analyticsSignificantTimeChange"},
        {"UIApplicationDidEnterBackgroundNotification", "telemetry analyticsDidEnterBackground"},
        {"UIApplicationWillEnterForegroundNotification", "telemetry analyticsWillEnterForeground"},
        {"UIApplicationDidBecomeActiveNotification", "telemetry analyticsDidBecomeActive"},
        {"UIApplicationWillResignActiveNotification", "telemetry analyticsWillResignActive"},
        {"UIApplicationWillTerminateNotification", "telemetry analyticsWillTerminate"},
    };
    for (const auto& [notification, hook] : rows) {
        clearNeighbourCalls();
        NotificationCenter::defaultCenter().postNotification(notification);
        EXPECT_EQ(neighbourCalls(), std::vector<std::string> {hook});
    }
}

TEST_F(SessionTest, IdentityComesFromTheStoreUnlessOverridden)
{
    struct Row {
        const char* name;
        std::function<void(CCDataStore&)> before; // on the file, before the session exists
        std::function<void(CCDataStore&)> after;  // once the session exists
        std::string userID;                       // empty: a fresh UUID
        std::optional<std::string> uuid;
        bool writtenAtOnce;
    };
    const std::vector<Row> rows = {
        {"stored id", [](CCDataStore& s) { s.setObject("userid", makeRef<CCUniqueId>("STORED")); }, nullptr,
         "STORED", std::nullopt, false},
        {"wrong kind", [](CCDataStore& s) { s.setValue("userid", Value("STORED")); }, nullptr, "", std::nullopt,
         true},
        {"empty store", nullptr, nullptr, "", std::nullopt, true},
        {"an id without its string", [](CCDataStore& s) { s.setObject("userid", makeRef<CCUniqueId>("")); }, nullptr,
         "", std::nullopt, true},
        {"spoof user id", [](CCDataStore& s) { s.setObject("userid", makeRef<CCUniqueId>("STORED")); },
         [](CCDataStore& s) { s.setSpoofUserId("SPOOF"); }, "SPOOF", std::nullopt, false},
        {"spoof uuid", nullptr, [](CCDataStore& s) { s.setSpoofUUID("U-1"); }, "", "U-1", true},
        {"spoof uuid, disabled", nullptr,
         [](CCDataStore& s) {
             s.setSpoofUUID("U-1");
             s.setUUIDEnabled(false);
         },
         "", std::nullopt, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::resetSharedInstances();
        std::filesystem::remove(CCDataStore::saveFilePath());
        if (row.before) {
            row.before(*store());
            ASSERT_TRUE(store()->writeToFile());
            CCDataStore::purgeSharedInstance();
        }
        ASSERT_NE(CCPrivateLumoraSlimlineSession::sharedInstance(), nullptr);
        EXPECT_EQ(store()->writeCount(), row.writtenAtOnce ? 1u : 0u);
        if (row.after) row.after(*store());
        if (row.userID.empty()) {
            EXPECT_TRUE(isUuid(session()->userID())) << session()->userID();
            EXPECT_EQ(store()->objectForKeyAs<CCUniqueId>("userid")->uid(), session()->userID());
        } else {
            EXPECT_EQ(session()->userID(), row.userID);
        }
        EXPECT_EQ(session()->UUID(), row.uuid);
        EXPECT_EQ(session()->UDID(), std::nullopt);
    }
}

// The mend, end to end: a torn store does not take the old identity with it
// into the next write; the session starts with a new id and the old file
// waits beside it for recovery.
TEST_F(SessionTest, ATornStoreStartsANewIdentityAndStaysForRecovery)
{
    Paths::createDirectories(Paths::documentsDirectory());
    const std::string torn = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>$archiver</key>";
    test::TempDir::writeText(CCDataStore::saveFilePath(), torn);
    ScopedLogCapture log;
    activate();
    RunLoop::main().drain();
    EXPECT_TRUE(log.contains("Lumora Error: DataStore is unreadable"));
    EXPECT_TRUE(isUuid(session()->userID()));
    const std::string aside = store()->movedAsidePath();
    ASSERT_FALSE(aside.empty());
    EXPECT_EQ(test::TempDir::readText(aside), torn);
    CCDataStore::purgeSharedInstance();
    EXPECT_EQ(store()->objectForKeyAs<CCUniqueId>("userid")->uid(), session()->userID()) << "the new id is kept";
}

TEST_F(SessionTest, KeychainVariantsKeepTheIdInTheItem)
{
    auto keychain = std::make_shared<FileKeychain>(home_.file("keychain"));
    auto previous = Keychain::replaceSharedInstance(keychain);
    ASSERT_NE(session(), nullptr);
    struct Row {
        const char* name;
        std::function<void()> plant;
        bool keepsPlanted;
    };
    const std::vector<Row> rows = {
        {"an item holding an id",
         [] {
             KeychainWrapper item("zandovar", "uniqueid", std::nullopt);
             auto uid = makeRef<CCUniqueId>("IN-KEYCHAIN");
             auto bytes = archivedDataWithRootObject(uid.get());
             item.mySetObject(Value(Value::Bytes(bytes.begin(), bytes.end())), "userid");
         },
         true},
        {"an empty item", [] { KeychainWrapper("zandovar", "uniqueid", std::nullopt).myRemoveObjectForKey("userid"); },
         false},
        {"an item holding another kind",
         [] { KeychainWrapper("zandovar", "uniqueid", std::nullopt).mySetObject(Value("text"), "userid"); }, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        row.plant();
        session()->initialiseUserIdUsingKeychain(std::nullopt);
        const std::string first = session()->userID();
        if (row.keepsPlanted) EXPECT_EQ(first, "IN-KEYCHAIN");
        else EXPECT_TRUE(isUuid(first)) << first;
        session()->initialiseUserIdUsingKeychain(std::nullopt);
        EXPECT_EQ(session()->userID(), first) << "the item keeps the id it was given";
        session()->createNewUserIdUsingKeychain(std::nullopt);
        EXPECT_NE(session()->userID(), first);
    }
    Keychain::replaceSharedInstance(previous);
}

} // namespace
} // namespace mw
