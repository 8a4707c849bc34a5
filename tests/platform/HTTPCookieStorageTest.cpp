#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "foundation/Clock.h"
#include "foundation/Log.h"
#include "platform/HTTPCookieStorage.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

constexpr double kNow = 1'700'000'000; // wall seconds of the tests' clock

std::vector<std::string> names(const std::vector<HTTPCookie>& cookies)
{
    std::vector<std::string> out;
    for (const HTTPCookie& cookie : cookies) out.emplace_back(cookie.name());
    std::sort(out.begin(), out.end());
    return out;
}

class CookieStoreTest : public ::testing::Test {
protected:
    std::shared_ptr<ManualClock> clock_ = std::make_shared<ManualClock>(0, kNow);
    ScopedClockSource scopedClock_{clock_};
    test::TempDir folder_;
    std::string path_ = folder_.file("data/Cookies.plist");
};

TEST_F(CookieStoreTest, SendsEachCookieOnlyWhereItsRulesAllow)
{
    FileCookieStorage store(path_);
    store.setCookiesFromResponse(
        {
            "host=1; Path=/",                             // host-only: www.s.example
            "domain=1; Domain=s.example; Path=/",         // s.example and every host under it
            "dotted=1; Domain=.s.example; Path=/lite",    // same, under /lite only
            "secure=1; Secure; Domain=s.example; Path=/", // https only
            "expired=1; Domain=s.example; Expires=Wed, 21 Oct 2015 07:28:00 GMT",
            "lasting=1; Domain=s.example; Max-Age=3600; HttpOnly; Path=/",
            "folder=1",                      // no path: the folder /lite
            "other=1; Domain=other.example", // not the response's domain: refused
            "=nameless",                     // refused
        },
        "https://www.s.example/lite/page.cuid?x=1");
    struct Case {
        std::string url;
        std::vector<std::string> sent;
    };
    const std::vector<Case> cases = {
        {"https://www.s.example/lite/a", {"domain", "dotted", "folder", "host", "lasting", "secure"}},
        {"http://www.s.example/lite/a", {"domain", "dotted", "folder", "host", "lasting"}},
        {"https://www.s.example/", {"domain", "host", "lasting", "secure"}},
        {"https://www.s.example/literature", {"domain", "host", "lasting", "secure"}},
        {"https://WWW.S.EXAMPLE:8443/lite", {"domain", "dotted", "folder", "host", "lasting", "secure"}},
        {"https://s.example/lite/", {"domain", "dotted", "lasting", "secure"}},
        {"https://api.www.s.example/", {"domain", "lasting", "secure"}},
        {"https://evils.example/", {}},
        {"https://other.example/", {}},
        {"not a url", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(names(store.cookiesForURL(c.url)), c.sent) << c.url;

    clock_->advance(3601);
    EXPECT_EQ(names(store.cookiesForURL("https://s.example/")),
              (std::vector<std::string>{"domain", "secure"}));
}

TEST_F(CookieStoreTest, LastingCookiesSurviveARestartSessionOnesDoNot)
{
    {
        FileCookieStorage store(path_);
        store.setCookiesFromResponse({"session=1", "lasting=2; Max-Age=600", "gone=3; Max-Age=600"},
                                     "https://s.example/");
        store.deleteCookie(store.cookies()[2]);
        EXPECT_EQ(names(store.cookies()), (std::vector<std::string>{"lasting", "session"}));
    }
    struct stat info {};
    ASSERT_EQ(::stat(path_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    FileCookieStorage again(path_);
    ASSERT_EQ(names(again.cookies()), std::vector<std::string>{"lasting"});
    EXPECT_EQ(again.cookies()[0].value(), "2");
    EXPECT_EQ(again.cookies()[0].properties()["Created"], Value(kNow - Value::kReferenceDateUnixTime));

    // Replacing a cookie keeps its creation time; an expired one removes it.
    clock_->advance(10);
    again.setCookiesFromResponse({"lasting=3; Max-Age=600"}, "https://s.example/");
    EXPECT_EQ(again.cookies()[0].value(), "3");
    EXPECT_EQ(again.cookies()[0].properties()["Created"], Value(kNow - Value::kReferenceDateUnixTime));
    again.setCookiesFromResponse({"lasting=; Max-Age=0"}, "https://s.example/");
    EXPECT_TRUE(again.cookies().empty());
    EXPECT_TRUE(FileCookieStorage(path_).cookies().empty());
}

TEST_F(CookieStoreTest, AnUnreadableFileIsMovedAsideAndReported)
{
    folder_.write("data/Cookies.plist", "<plist><array><dict>");
    ScopedLogCapture log;
    FileCookieStorage store(path_);
    EXPECT_TRUE(store.cookies().empty());
    EXPECT_TRUE(log.contains("moved aside"));
    std::string aside;
    for (const auto& entry : std::filesystem::directory_iterator(folder_.file("data"))) {
        if (entry.path().filename().string().rfind("Cookies.plist.corrupt-", 0) == 0) aside = entry.path();
    }
    ASSERT_FALSE(aside.empty());
    EXPECT_EQ(test::TempDir::readText(aside), "<plist><array><dict>");
    store.setCookiesFromResponse({"a=1; Max-Age=60"}, "https://s.example/");
    EXPECT_EQ(names(FileCookieStorage(path_).cookies()), std::vector<std::string>{"a"});
    EXPECT_EQ(test::TempDir::readText(aside), "<plist><array><dict>");
}

TEST_F(CookieStoreTest, AFileThatCannotBeReadIsNeverWrittenOver)
{
    // A folder where the file should be: the read fails for a reason other than its content.
    std::filesystem::create_directories(path_);
    ScopedLogCapture log;
    FileCookieStorage store(path_);
    EXPECT_TRUE(log.contains("cannot read"));
    store.setCookiesFromResponse({"a=1; Max-Age=60"}, "https://s.example/");
    EXPECT_EQ(names(store.cookies()), std::vector<std::string>{"a"});
    EXPECT_TRUE(std::filesystem::is_directory(path_));
}

TEST_F(CookieStoreTest, DeletingOneCookieLeavesTheOthers)
{
    FileCookieStorage store(path_);
    store.setCookiesFromResponse({"a=1; Max-Age=60", "b=2; Max-Age=60", "c=3"}, "https://s.example/");
    const std::vector<HTTPCookie> all = store.cookies();
    store.deleteCookie(all[1]);
    EXPECT_EQ(names(store.cookies()), (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(names(FileCookieStorage(path_).cookies()), std::vector<std::string>{"a"});
}

TEST(CookieDates, ReadTheUsualForms)
{
    struct Case {
        std::string expires;
        double unixTime; // 0: no date
    };
    const std::vector<Case> cases = {
        {"Wed, 21 Oct 2015 07:28:00 GMT", 1445412480},
        {"Wednesday, 21-Oct-15 07:28:00 GMT", 1445412480},
        {"Wed Oct 21 07:28:00 2015", 1445412480},
        {"21 Oct 2015", 0},
        {"Wed, 32 Oct 2015 07:28:00 GMT", 0},
        {"garbage", 0},
    };
    for (const Case& c : cases) {
        const std::optional<HTTPCookie> cookie =
            HTTPCookie::fromSetCookieLine("a=1; Expires=" + c.expires, "https://s.example/", kNow);
        ASSERT_TRUE(cookie);
        if (c.unixTime == 0) {
            EXPECT_TRUE(cookie->isSessionOnly()) << c.expires;
        } else {
            EXPECT_EQ(cookie->expiresUnixTime(), c.unixTime) << c.expires;
        }
    }
}

} // namespace
} // namespace mw
