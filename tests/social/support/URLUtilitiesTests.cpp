#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "social/support/URLUtilities.h"

namespace mw {
namespace {

// The inverse of the query escaping, to show that values arrive whole.
std::string unescape(std::string_view text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 3 <= text.size()) {
            out += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

TEST(URLBuilder, BuildsTheQueryFromTheBaseAndTheParameters)
{
    struct Case {
        std::string base;
        Value params;
        std::optional<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"https://s.example/a?b?c", Value::dictionary(), std::nullopt},
        {"https://s.example/p?a=1", Value::dictionary({{"b", "2"}}), "https://s.example/p?a=1&b=2"},
        {"https://s.example/p", Value::dictionary({{"q", "a b"}}), "https://s.example/p?q=a%20b"},
        {"https://s.example/p", Value::dictionary({{"n", 5}, {"s", "x"}}), "https://s.example/p?s=x"},
        {"https://s.example/p", Value::array({"a"}), "https://s.example/p"},
        {"https://s.example/p", Value("a=b"), "https://s.example/p"},
        {"https://s.example/p", Value(), "https://s.example/p"},
        {"https://s.example/p?", Value::dictionary({{"b", "2"}}), "https://s.example/p?&b=2"},
        {"https://s.example/p?", Value::dictionary(), "https://s.example/p?"},
        {"https://s.example/wie geht's/\xc5\xbc\xc3\xb3\xc5\x82w", Value::dictionary(),
         "https://s.example/wie%20geht's/%C5%BC%C3%B3%C5%82w"},
        {"https://s.example/<a>{b}\"c\"", Value::dictionary(), "https://s.example/%3Ca%3E%7Bb%7D%22c%22"},
        {"https://s.example/J%C3%B6rg?name=J%C3%B6rg&x=100%", Value::dictionary(),
         "https://s.example/J%C3%B6rg?name=J%C3%B6rg&x=100%25"},
        {"https://s.example/p?a=%zz", Value::dictionary(), "https://s.example/p?a=%25zz"},
        {"https://s.example/p", Value::dictionary({{"a&b", "c=d"}}), "https://s.example/p?a%26b=c%3Dd"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(urlStringUsingBaseUrl(c.base, c.params), c.expected) << c.base;
    }
    EXPECT_EQ(urlStringUsingDomain("https://s.example", "/lite/tab.cuid",
                                   Value::dictionary({{"inTabbedView", "1"}})),
              "https://s.example/lite/tab.cuid?inTabbedView=1");
}

TEST(URLBuilder, ParameterKeysAndValuesArriveWhole)
{
    const std::vector<std::string> hostile = {"&", "=", "+", "#", "?", "/", "%", "%41", "a&b=c", "\xc5\xbc",
                                              "\xf0\x9f\x98\x80", "x y", "-._~"};
    for (const std::string& text : hostile) {
        const std::optional<std::string> url =
            urlStringUsingBaseUrl("https://s.example/p?a=1", Value::dictionary({{text, text}}));
        ASSERT_TRUE(url);
        const std::string query = url->substr(url->find('?') + 1);
        // Exactly two items, the second the planted key and value.
        const size_t amp = query.find('&');
        ASSERT_NE(amp, std::string::npos) << *url;
        const std::string item = query.substr(amp + 1);
        EXPECT_EQ(item.find('&'), std::string::npos) << *url;
        EXPECT_EQ(item.find('#'), std::string::npos) << *url;
        EXPECT_EQ(item.find('?'), std::string::npos) << *url;
        const size_t equals = item.find('=');
        ASSERT_NE(equals, std::string::npos);
        EXPECT_EQ(item.find('=', equals + 1), std::string::npos) << *url;
        EXPECT_EQ(unescape(item.substr(0, equals)), text);
        EXPECT_EQ(unescape(item.substr(equals + 1)), text);
    }
}

TEST(URLQuery, AnItemMatchesOnlyWholeKeyAndWholeValue)
{
    struct Case {
        const char* url;
        bool found; // of id=a1
    };
    const Case cases[] = {
        {"https://s.example/p?id=a1", true},
        {"https://s.example/p?x=1&id=a1&y=2", true},
        {"https://s.example/p?id=a10", false},
        {"https://s.example/p?id=a1x&y=2", false},
        {"https://s.example/p?xid=a1", false},
        {"https://s.example/p?x=id=a1", false},
        {"https://s.example/p?id=", false},
        {"https://s.example/p?id=a1#top", true},
        {"https://s.example/p#?id=a1", false},
        {"https://s.example/id=a1", false},
        {"https://s.example/p?id=b&id=a1", true},
    };
    for (const Case& c : cases) EXPECT_EQ(urlHasQueryItem(c.url, "id", "a1"), c.found) << c.url;
    EXPECT_TRUE(urlHasQueryItem("https://s.example/p?id=&x=1", "id", ""));
    EXPECT_TRUE(urlHasQueryItem("https://s.example/p?id=a%26b", "id", escapeQueryComponent("a&b")));
    EXPECT_FALSE(urlHasQueryItem("https://s.example/p?id=a%26b", "id", "a"));
}

HTTPCookie cookie(std::initializer_list<std::pair<std::string, Value>> extra)
{
    Value properties = Value::dictionary({{"Name", "JSESSIONID"}, {"Value", "abc"}, {"Domain", ".s.example"},
                                          {"Path", "/"}, {"Created", 100.0}});
    for (const auto& [key, value] : extra) properties.set(key, value);
    return *HTTPCookie::fromProperties(properties);
}

TEST(CookieRules, EqualityLeavesOutOnlyTheCreationTime)
{
    const HTTPCookie base = cookie({});
    struct Case {
        HTTPCookie other;
        bool equal;
    };
    const std::vector<Case> cases = {
        {cookie({{"Created", 999.0}}), true},
        {cookie({{"Value", "abd"}}), false},
        {cookie({{"Name", "other"}}), false},
        {cookie({{"Domain", "s.example"}}), false},
        {cookie({{"Path", "/lite"}}), false},
        {cookie({{"Secure", true}}), false},
        {cookie({{"HttpOnly", true}}), false},
        {cookie({{"Expires", Value::date(5000)}}), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(cookiesEqual(&base, &c.other), c.equal) << c.other.properties().asDict().size();
    }
    EXPECT_FALSE(cookiesEqual(&base, nullptr));
    EXPECT_FALSE(cookiesEqual(nullptr, &base));
    EXPECT_FALSE(cookiesEqual(nullptr, nullptr));
}

TEST(CookieRules, SecurityTokenIsTheSessionCookiesValue)
{
    EXPECT_EQ(securityToken(cookie({})), "abc");
    EXPECT_EQ(securityToken(cookie({{"Name", "jsessionid"}})), std::nullopt);
    EXPECT_EQ(securityToken(cookie({{"Name", "token"}})), std::nullopt);
}

} // namespace
} // namespace mw
