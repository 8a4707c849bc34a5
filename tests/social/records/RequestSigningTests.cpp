// The "x-lumora-" headers and the signatures, each request recomputed by the
// loopback service (its checks fail the test in TearDown).

#include <cctype>
#include <clocale>
#include <cstdlib>

#include "platform/GameCenter.h"
#include "social/data/CCDataStore.h"
#include "social/services/CCTheming.h"
#include "tests/social/records/TransferTestSupport.h"

namespace mw::test {
namespace {

TEST(RequestSigning, HexHashIsUpperCaseMd5UpToTheFirstNul)
{
    const struct {
        std::string text;
        const char* hash;
    } rows[] = {
        {"", "D41D8CD98F00B204E9800998ECF8427E"},
        {"abc", "900150983CD24FB0D6963F7D28E17F72"},
        {"The quick brown fox jumps over the lazy dog", "9E107D9D372BB6826BD81D3542A419D6"},
        {std::string("abc\0def", 7), "900150983CD24FB0D6963F7D28E17F72"},
    };
    for (const auto& row : rows) EXPECT_EQ(CCPrivateSession::hexHashForString(row.text), row.hash) << row.text;
}

TEST(RequestSigning, SaltsHaveTheirStatedForms)
{
    auto all = [](const char* text, int (*test)(int)) {
        for (const char* c = text; *c; ++c)
            if (!test(static_cast<unsigned char>(*c))) return false;
        return true;
    };
    auto lowerOrDigit = [](int c) { return (std::islower(c) || std::isdigit(c)) ? 1 : 0; };
    const std::string first = CCPrivateSession::kFirstSalt;
    EXPECT_EQ(first.size(), 11u);
    EXPECT_TRUE(all(first.c_str(), std::isalpha));
    EXPECT_TRUE(std::any_of(first.begin(), first.end(), ::isupper) && std::any_of(first.begin(), first.end(), ::islower));
    const std::string second = CCPrivateSession::kSecondSalt;
    ASSERT_EQ(second.size(), 6u);
    EXPECT_TRUE(std::isupper(second[0]) && std::islower(second[1]) && std::islower(second[2]) &&
                std::islower(second[3]) && std::isdigit(second[4]) && std::ispunct(second[5]));
    EXPECT_EQ(std::string(CCPrivateSession::kFirstTelemetrySalt).size(), 7u);
    EXPECT_TRUE(all(CCPrivateSession::kFirstTelemetrySalt, lowerOrDigit));
    EXPECT_EQ(std::string(CCPrivateSession::kSecondTelemetrySalt).size(), 16u);
    EXPECT_TRUE(all(CCPrivateSession::kSecondTelemetrySalt, lowerOrDigit));
}

class RequestSigningTest : public TransferFixture {
public:
    // One GET to the service; answers the request the service saw.
    LoopbackSocialService::Request send(const std::string& url = serviceUrl("/lite/page"))
    {
        service_.clearRequests();
        get(url);
        auto requests = service_.requests();
        EXPECT_FALSE(requests.empty());
        return requests.empty() ? LoopbackSocialService::Request() : requests.back();
    }
    CCPrivateSession& session() { return *CCPrivateSession::sharedInstance(); }
};

TEST_F(RequestSigningTest, SecretIsReusedAndFollowsTheIdentity)
{
    const auto first = send();
    const auto second = send();
    EXPECT_EQ(first.header("x-lumora-secret"), second.header("x-lumora-secret"));
    EXPECT_EQ(first.header("x-lumora-secret"),
              LoopbackSocialService::sessionSecret(first.header("x-lumora-userid"), kAppId, kSecret));

    CCDataStore::sharedInstance()->setSpoofUserId(std::string("Player-ABC"));
    const auto spoofed = send();
    EXPECT_EQ(spoofed.header("x-lumora-userid"), "Player-ABC");
    EXPECT_NE(spoofed.header("x-lumora-secret"), first.header("x-lumora-secret"));
    // Capitals sign like the lower-case id.
    EXPECT_EQ(spoofed.header("x-lumora-secret"), LoopbackSocialService::sessionSecret("player-abc", kAppId, kSecret));
}

TEST_F(RequestSigningTest, AnotherActivationMakesANewSecret)
{
    const auto before = send();
    LumoraSlimlineSession::initWithAppID("5550001111", nullptr, 1.0, "mosswick_01", kSecret);
    const auto after = send();
    EXPECT_EQ(after.header("x-lumora-appid"), "5550001111");
    EXPECT_NE(after.header("x-lumora-secret"), before.header("x-lumora-secret"));
}

TEST_F(RequestSigningTest, VersionHasFourDecimalsInAnyLocale)
{
    LumoraSlimlineSession::initWithAppID(kAppId, nullptr, 1.5, "mosswick_01", kSecret);
    EXPECT_EQ(send().header("x-lumora-appversion"), "1.5000");
    // A decimal-comma locale, built for the test when the system has none.
    TempDir folder;
    bool active = std::setlocale(LC_ALL, "pl_PL.UTF-8") != nullptr;
    if (!active) {
        const std::string command = "localedef -i pl_PL -f UTF-8 '" + folder.file("pl_PL.UTF-8") + "' >/dev/null 2>&1";
        if (std::system(command.c_str()) == 0) {
            ::setenv("LOCPATH", folder.path().c_str(), 1);
            active = std::setlocale(LC_ALL, "pl_PL.UTF-8") != nullptr;
            ::unsetenv("LOCPATH");
        }
    }
    if (!active) GTEST_SKIP() << "no pl_PL.UTF-8 locale could be set or built";
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    const auto request = send();
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(request.header("x-lumora-appversion"), "1.5000");
}

TEST_F(RequestSigningTest, HeaderTableFollowsItsRules)
{
    const struct {
        const char* name;
        std::function<void(RequestSigningTest&)> arrange;
        std::vector<std::string> present;
        std::vector<std::string> absent;
    } rows[] = {
        {"plain", [](RequestSigningTest&) {}, {"x-lumora-appid", "x-lumora-userid", "x-lumora-uname"},
         {"x-lumora-uuid", "x-lumora-udid", "x-lumora-gcid"}},
        // Capabilities are known only once a theme is unpacked.
        {"no theme unpacked", [](RequestSigningTest&) { CCTheming::releaseSharedInstance(); }, {},
         {"x-lumora-themecaps"}},
        {"theme with capabilities", [](RequestSigningTest&) {
             ASSERT_EQ(CCTheming::sharedInstance()->setCurrentTheme("mosswick_01"), "mosswick_01");
             ASSERT_FALSE(CCTheming::sharedInstance()->themeCapsString().value_or("").empty());
         }, {"x-lumora-themecaps"}, {}},
        {"spoof uuid without uuids", [](RequestSigningTest&) {
             CCDataStore::sharedInstance()->setUUIDEnabled(false);
             CCDataStore::sharedInstance()->setSpoofUUID(std::string("0A1B2C3D-0000-4000-8000-000000000001"));
         }, {}, {"x-lumora-uuid"}},
        {"spoof uuid with uuids", [](RequestSigningTest&) {
             CCDataStore::sharedInstance()->setSpoofUUID(std::string("0A1B2C3D-0000-4000-8000-000000000001"));
             CCDataStore::sharedInstance()->setUUIDEnabled(true);
         }, {"x-lumora-uuid"}, {"x-lumora-udid"}},
        {"game-centre player, support off", [](RequestSigningTest& t) {
             t.session().setGameCenterIdentity(std::string("G:1"), std::string("Fern"), std::string("5ecret"));
         }, {}, {"x-lumora-gcid", "x-lumora-gcalias", "x-lumora-gcsecret"}},
        {"game-centre player, support on", [](RequestSigningTest& t) {
             t.session().activateLumoraSetting(5, Value("YES"));
         }, {"x-lumora-gcid", "x-lumora-gcalias", "x-lumora-gcsecret"}, {}},
    };
    for (const auto& row : rows) {
        row.arrange(*this);
        const auto request = send();
        for (const auto& name : row.present) EXPECT_TRUE(request.hasHeader(name)) << row.name << ": " << name;
        for (const auto& name : row.absent) EXPECT_FALSE(request.hasHeader(name)) << row.name << ": " << name;
    }
    const auto request = send();
    EXPECT_EQ(request.header("x-lumora-gcalias"), "Fern");
    // The theme's capabilities go when there are any.
    const auto caps = CCTheming::sharedInstance()->themeCapsString();
    EXPECT_EQ(request.header("x-lumora-themecaps"), caps.value_or(""));
}

TEST_F(RequestSigningTest, ConnectionNamesTheLink)
{
    const struct {
        uint32_t flags;
        const char* word;
    } rows[] = {
        {0, "none"},
        {ReachabilityFlag::kReachable, "wifi"},
        {ReachabilityFlag::kReachable | ReachabilityFlag::kIsWWAN, "cell"},
    };
    for (const auto& row : rows) {
        reachability_->setFlags(CCPrivateSession::kServiceHost, row.flags);
        EXPECT_EQ(send().header("x-lumora-connection"), row.word) << row.flags;
    }
}

TEST_F(RequestSigningTest, ControlCharactersNeverReachTheRequest)
{
    for (const std::string& spoof : {std::string("id\r\nX-Evil: 1"), std::string("id\0x", 4)}) {
        CCDataStore::sharedInstance()->setSpoofUserId(spoof);
        const auto request = send();
        EXPECT_FALSE(request.hasHeader("x-lumora-userid"));
        EXPECT_FALSE(request.hasHeader("X-Evil"));
    }
    // The secret still comes from the identity the service was not told.
    EXPECT_EQ(service_.problems(), std::vector<std::string>(2, "/lite/page: secret does not match"));
    service_.clearProblems();
}

TEST_F(RequestSigningTest, OnlyTheServiceHostsOverHttpsAreSigned)
{
    LoopbackSocialService::Reply hop;
    hop.status = 302;
    hop.fields = {{"Location", "https://images.mosswick.test/banner.png"}};
    service_.script("/lite/hop", hop);
    for (const std::string& url : {LoopbackSocialService::httpsUrl(LoopbackSocialService::kOtherHost, "/banner.png"),
                                   LoopbackSocialService::httpUrl(CCPrivateSession::serviceHost(), "/lite/page"),
                                   serviceUrl("/lite/hop")}) {
        service_.clearRequests();
        get(url);
        const auto requests = service_.requests();
        ASSERT_FALSE(requests.empty()) << url;
        EXPECT_EQ(requests.back().lumoraHeaderNames(), std::vector<std::string>()) << url;
        EXPECT_TRUE(requests.back().hasHeader("User-Agent")) << url;
    }
}

TEST_F(RequestSigningTest, SignaturesMatchTheServiceRecomputation)
{
    EXPECT_EQ(session().challengeResultSignature(12.5), LoopbackSocialService::challengeSignature(12.5, kAppId, kSecret));
    EXPECT_EQ(session().telemetrySignature(), LoopbackSocialService::telemetrySignature(kAppId));
    EXPECT_EQ(session().applicationSignature(),
              LoopbackSocialService::md5Lower(std::string(kAppId) + kSecret + "qwmrtvnbxkz" + "pkjh7#"));
}

TEST_F(RequestSigningTest, NoIdentitySignsWithNullText)
{
    LumoraSlimlineSession::initWithAppID("", nullptr, 1.0, "mosswick_01", "");
    session().setUserUID({});
    service_.setSigning({});
    const auto request = send();
    EXPECT_FALSE(request.hasHeader("x-lumora-userid"));
    EXPECT_EQ(request.header("x-lumora-secret"), LoopbackSocialService::sessionSecret("(null)", "(null)", "(null)"));
}

} // namespace
} // namespace mw::test
