#include <gtest/gtest.h>

#include <cctype>

#include "foundation/Format.h"
#include "foundation/Log.h"
#include "platform/Md5.h"
#include "social/queues/CCAsyncPostManager.h"
#include "social/data/CCDataStore.h"
#include "social/screens/CCModalControllers.h"
#include "social/screens/CCNavControllerBase.h"
#include "social/screens/CCSkinnedView.h"
#include "social/session/CCPrivateSession.h"
#include "social/queues/records/CCServerRecords.h"
#include "social/ui/UIView.h"
#include "social/support/CCJSON.h"
#include "tests/social/SocialFixture.h"

namespace mw::test {
namespace {

const std::string kLite = "https://lumora.mosswick.example/lite/";

// The signature as the service recomputes it: MD5 of the lower-cased text.
std::string expectedSignature(double result)
{
    std::string text = format("%f", result) + kAppId + kSecret + CCPrivateSession::kFirstSalt +
                       CCPrivateSession::kSecondSalt;
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string hex = Md5::upperHex(Md5::digest(text));
    for (char& c : hex) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return hex;
}

struct RecordingDelegate : CCPrivateSessionDelegate {
    unsigned respondsTo() const override { return kChallengeStarted | kUiDeactivated; }
    void challengeStartedWithGameConfig(const Value& config) override
    {
        calls.push_back("started " + config.asString());
    }
    void lumoraUiDeactivated() override { calls.push_back("deactivated"); }
    std::vector<std::string> calls;
};

// A navigation controller as a full UI's root: it records the notices.
struct RootNav : CCNavControllerBase {
    void displayIncomingPushNotice(const std::string& text, const std::string& url,
                                   const std::string& tab) override
    {
        notices.push_back(text + " " + url + " " + tab);
    }
    std::vector<std::string> notices;
};

class ChallengeTest : public SocialFixture {
protected:
    void SetUp() override
    {
        SocialFixture::SetUp();
        activate();
        session()->sessionActivatedWithAppID(kAppId, &delegate_, 1.0, "mosswick_01", kSecret);
        CCSessionScreenHooks hooks;
        hooks.deactivateLumoraUI = [this] { screens_.push_back("deactivate"); };
        auto open = [this](const char* kind) {
            return [this, kind](const std::string& tab, const std::optional<std::string>& url, bool login) {
                screens_.push_back(std::string(kind) + " " + tab + " " + url.value_or("-") +
                                   (login ? " login" : ""));
            };
        };
        hooks.activateMainUIOnTabId = open("main");
        hooks.activateLumoraUIOnTabId = open("lumora");
        hooks.presentPopupNotification = [this](const std::string& title, const std::string& body) {
            screens_.push_back("popup " + title + ": " + body);
        };
        hooks.rootViewController = [this]() -> Object* { return root_; };
        session()->setScreenHooks(hooks);
    }
    void TearDown() override
    {
        if (session()) session()->setScreenHooks({});
        // The dialogs' entrances wait for frames that never come here.
        UIView::removeAllAnimations();
        SocialFixture::TearDown();
    }
    CCPrivateSession* session() { return CCPrivateSession::sharedInstance(); }
    std::vector<std::string> postedUrls()
    {
        std::vector<std::string> urls;
        if (CCAsyncPostManager* posts = session()->postManager())
            for (const auto& record : posts->serverDataArray()) urls.push_back(record->url());
        return urls;
    }

    RecordingDelegate delegate_;
    std::vector<std::string> screens_;
    Object* root_ = nullptr;
};

TEST_F(ChallengeTest, StartAddressNeedsBothParameters)
{
    struct Row {
        const char* link;
        std::optional<std::string> page;
    };
    const Row rows[] = {
        {"lumora://startchallenge?challengeID=41&gameConfigID=cfg9",
         kLite + "challenge_start?challengeID=41"},
        {"lumora://startchallenge?gameConfigID=cfg9&challengeID=42",
         kLite + "challenge_start?challengeID=42"},
        {"lumora://startchallenge?challengeID=43", std::nullopt},
        {"lumora://startchallenge?gameConfigID=cfg9", std::nullopt},
        {"lumora://startchallenge", std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.link);
        CCDataStore* store = CCDataStore::sharedInstance();
        store->removeKey("challengeid");
        store->removeKey("challengeconfig");
        EXPECT_EQ(session()->notifyStartChallengeWithUrlString(row.link), row.page);
        EXPECT_EQ(store->valueForKey("challengeid").isString(), row.page.has_value());
        EXPECT_EQ(store->valueForKey("challengeconfig").isString(), row.page.has_value());
        if (row.page) {
            EXPECT_EQ(store->valueForKey("challengeconfig").asString(), "cfg9");
        }
    }
}

TEST_F(ChallengeTest, ConfirmingClosesTheUiAndTellsTheDelegate)
{
    ASSERT_TRUE(session()->notifyStartChallengeWithUrlString(
        "lumora://startchallenge?challengeID=5&gameConfigID=g7"));
    session()->notifyStartChallengeConfirmed();
    EXPECT_EQ(screens_, (std::vector<std::string> {"deactivate"}));
    EXPECT_EQ(delegate_.calls, (std::vector<std::string> {"started g7"}));
}

TEST_F(ChallengeTest, ResultDialogOnlineAndOffline)
{
    ASSERT_TRUE(session()->notifyStartChallengeWithUrlString(
        "lumora://startchallenge?challengeID=5&gameConfigID=g7"));
    const std::string signedUrl =
        kLite + format("challenge_result?challengeID=5&result=%f&sig=", 12.5) + expectedSignature(12.5);
    EXPECT_EQ(session()->challengeResultUrl(12.5), signedUrl);
    struct Row {
        const char* name;
        bool online;
        const char* button;
        int state;
        const char* text;
        std::vector<std::string> screens;
        bool posted;
    };
    const Row rows[] = {
        {"online, yes",
         true,
         "button1",
         2,
         "Would you like to view the results?",
         {"main challengestab " + signedUrl},
         false},
        {"online, no", true, "button2", 2, "Would you like to view the results?", {}, true},
        {"offline",
         false,
         "button1",
         3,
         "Please start this game again when you have an Internet connection",
         {},
         true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        screens_.clear();
        delegate_.calls.clear();
        if (CCAsyncPostManager* posts = session()->postManager()) posts->clearData();
        reachability_->setFlags(CCPrivateSession::kServiceHost,
                                row.online ? ReachabilityFlag::kReachable : 0);
        session()->postChallengeResultForLastChallenge(12.5, true);
        EXPECT_EQ(session()->dialogState(), row.state);
        ASSERT_NE(session()->sessionDialog(), nullptr);
        (void)session()->sessionDialog()->view();
        ASSERT_NE(session()->sessionDialog()->skinnedView(), nullptr);
        const std::string dialog =
            JSONFragment(session()->sessionDialog()->skinnedView()->uiElement()).value_or("");
        EXPECT_NE(dialog.find("Challenge Results"), std::string::npos) << dialog;
        EXPECT_NE(dialog.find(row.text), std::string::npos) << dialog;
        session()->dialogButtonPressed(row.button);
        EXPECT_EQ(session()->sessionDialog(), nullptr);
        EXPECT_EQ(screens_, row.screens);
        EXPECT_EQ(postedUrls(),
                  row.posted ? std::vector<std::string> {signedUrl} : std::vector<std::string> {});
        EXPECT_EQ(delegate_.calls, (std::vector<std::string> {"deactivated"}));
    }
}

TEST_F(ChallengeTest, SplashDialogOpensTheProfile)
{
    for (const char* button : {"okbutton", "closebutton"}) {
        SCOPED_TRACE(button);
        screens_.clear();
        session()->activateSplashDialog();
        EXPECT_EQ(session()->dialogState(), 1);
        session()->dialogButtonPressed(button);
        EXPECT_EQ(session()->dialogState(), 0);
        EXPECT_EQ(screens_, std::string(button) == "okbutton" ? std::vector<std::string> {"main profiletab -"}
                                                              : std::vector<std::string> {});
    }
}

TEST_F(ChallengeTest, DeviceTokens)
{
    struct Row {
        std::optional<Value::Bytes> token;
        bool success;
        bool trace;
        std::string url;
        std::string body;
        const char* line;
    };
    const Row rows[] = {
        {Value::Bytes {0x0a, 0xff, 0x10}, true, true,
         "https://lumora.mosswick.example/lumora/apns_device_token.apns", "0aff10",
         "[CCPrivateSession] posting for push with url"},
        {Value::Bytes {0x0a}, false, true, "https://lumora.mosswick.example/lumora/apns_off.apns", "",
         "[CCPrivateSession] posting for push turned off with"},
        {std::nullopt, true, false, "https://lumora.mosswick.example/lumora/apns_off.apns", "", nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.url);
        if (CCAsyncPostManager* posts = session()->postManager()) posts->clearData();
        EnablePublicAPILog(row.trace);
        ScopedLogCapture log;
        session()->postDeviceToken(row.token, row.success);
        ASSERT_EQ(session()->postManager()->serverDataArray().size(), 1u);
        const auto& record = session()->postManager()->serverDataArray()[0];
        EXPECT_EQ(record->url(), row.url);
        const Value::Bytes body = record->postData().value_or(Value::Bytes {});
        EXPECT_EQ(std::string(body.begin(), body.end()), row.body);
        EXPECT_EQ(log.contains("[CCPrivateSession] posting for push"), row.line != nullptr);
        if (row.line) {
            EXPECT_TRUE(log.contains(row.line));
        }
    }
    EnablePublicAPILog(true);
}

TEST_F(ChallengeTest, LaunchOptionsAndOpenedAddresses)
{
    struct Row {
        const char* name;
        const char* options; // JSON
        bool taken;
        std::string pending;
    };
    const Row rows[] = {
        {"notification",
         R"({"UIApplicationLaunchOptionsRemoteNotificationKey":{"href":"specific_challenge.cuid?id=1"}})",
         true, "specific_challenge.cuid?id=1"},
        {"launch address", R"({"UIApplicationLaunchOptionsURLKey":"mosswick://leaderboard_global.cuid"})",
         true, "mosswick://leaderboard_global.cuid"},
        // Values that are not text count as absent.
        {"href a number", R"({"UIApplicationLaunchOptionsRemoteNotificationKey":{"href":7}})", false, ""},
        {"payload a list", R"({"UIApplicationLaunchOptionsRemoteNotificationKey":["href"]})", false, ""},
        {"address a number", R"({"UIApplicationLaunchOptionsURLKey":12})", false, ""},
        {"options a list", R"([1,2])", false, ""},
        {"nothing", R"({})", false, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        session()->setPendingIncomingUrlString("");
        CCJSON parser;
        const Value options = parser.objectWithString(row.options, true, nullptr).value_or(Value());
        EXPECT_EQ(session()->applicationDidFinishLaunchingWithOptions(options), row.taken);
        EXPECT_EQ(session()->pendingIncomingUrlString(), row.pending);
    }

    session()->setPendingIncomingUrlString("");
    EXPECT_FALSE(session()->applicationHandleOpenURL(Value()));
    EXPECT_FALSE(session()->applicationOpenURL(Value(3), Value("x"), Value()));
    EXPECT_EQ(session()->pendingIncomingUrlString(), "");
    EXPECT_TRUE(session()->applicationOpenURL(Value("mosswick://x"), Value(), Value()));
    EXPECT_EQ(session()->pendingIncomingUrlString(), "mosswick://x");
}

TEST_F(ChallengeTest, PendingAddressOpensItsTab)
{
    struct Row {
        const char* pending;
        bool started;
        std::vector<std::string> screens;
        const char* usage;
    };
    const Row rows[] = {
        {"x", false, {}, nullptr},
        {"mosswick://specific_challenge.cuid?c=1",
         true,
         {"lumora challengestab " + kLite + "challenges.cuid login"},
         "CHALLENGES_PENDINGURL"},
        {"mosswick://leaderboard_global.cuid?gameConfigID=4",
         true,
         {"lumora leaderboardtab - login"},
         "LEADERBOARDS_PENDINGURL"},
        {"mosswick://elsewhere", true, {}, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pending);
        screens_.clear();
        CCDataStore::sharedInstance()->removeKey("currentusagedata");
        session()->setPendingIncomingUrlString(row.pending);
        EXPECT_EQ(session()->appWasStartedFromPendingUrl(), row.started);
        session()->activateLumoraUIFromPendingUrl();
        EXPECT_EQ(screens_, row.screens);
        const Value& usage = CCDataStore::sharedInstance()->currentUsageData();
        if (row.usage) {
            ASSERT_EQ(usage.size(), 1u);
            EXPECT_EQ(usage[0][1].asString(), row.usage);
        } else {
            EXPECT_TRUE(usage.empty());
        }
    }
}

TEST_F(ChallengeTest, RemoteNotifications)
{
    auto navRef = makeRef<RootNav>();
    RootNav& nav = *navRef;
    auto otherRef = makeRef<CCFormModel>();
    Object& other = *otherRef;
    struct Row {
        const char* name;
        Object* root;
        const char* payload;
        std::vector<std::string> screens;
        std::vector<std::string> notices;
    };
    const Row rows[] = {
        {"full UI",
         &nav,
         R"({"href":"challenge_results.cuid?c=2","aps":{"alert":"Ada beat you"}})",
         {},
         {"Ada beat you " + kLite + "challenge_results.cuid?c=2 challengestab"}},
        {"full UI, no alert", &nav, R"({"href":"challenge_results.cuid"})", {}, {}},
        {"full UI, alert not text", &nav, R"({"href":"c.cuid","aps":{"alert":{"body":"x"}}})", {}, {}},
        {"another root", &other, R"({"href":"c.cuid","aps":{"alert":"hi"}})", {}, {}},
        {"result",
         nullptr,
         R"({"href":"challenge_results.cuid?c=2"})",
         {"popup Incoming Challenge Result: Please open Lumora for more information"},
         {}},
        {"challenge",
         nullptr,
         R"({"href":"specific_challenge.cuid"})",
         {"popup Incoming Challenge: Please open Lumora for more information"},
         {}},
        {"no href",
         nullptr,
         R"({"aps":{"alert":"hi"}})",
         {"popup Incoming Challenge: Please open Lumora for more information"},
         {}},
        {"href not text",
         nullptr,
         R"({"href":["challenge_results"]})",
         {"popup Incoming Challenge: Please open Lumora for more information"},
         {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        screens_.clear();
        nav.notices.clear();
        root_ = row.root;
        CCJSON parser;
        session()->applicationDidReceiveRemoteNotification(
            parser.objectWithString(row.payload, true, nullptr).value_or(Value()));
        EXPECT_EQ(screens_, row.screens);
        EXPECT_EQ(nav.notices, row.notices);
    }
    root_ = nullptr;
}

} // namespace
} // namespace mw::test
