#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "analytics/TallyAnalytics.h"
#include "foundation/Log.h"
#include "foundation/UserDefaults.h"
#include "game/state/LocalisationManager.h"
#include "tests/game/state/GameStateTestSupport.h"

namespace mw {
namespace {

using test::GameStateScope;
using test::ScopedEnv;
using test::TempDir;

// A scratch home and bundle, and an environment that names no language
// until a test sets one.
class StringTableTest : public ::testing::Test {
protected:
    // A manager made with the user default "lang_key" set (or absent).
    static Ref<LocalisationManager> managerWith(std::optional<int64_t> langKey)
    {
        if (langKey) {
            UserDefaults::standardUserDefaults().setInteger("lang_key", *langKey);
        } else {
            UserDefaults::standardUserDefaults().removeObjectForKey("lang_key");
        }
        return makeRef<LocalisationManager>();
    }

    static constexpr int64_t kEnglish = 2;
    static constexpr int64_t kGerman = 3;
    static constexpr int64_t kPolish = 4;

    GameStateScope scope;
    ScopedEnv language{"LANGUAGE", std::nullopt};
    ScopedEnv lcAll{"LC_ALL", std::nullopt};
    ScopedEnv lcMessages{"LC_MESSAGES", std::nullopt};
    ScopedEnv lang{"LANG", std::nullopt};
};

TEST_F(StringTableTest, TheLanguageComesFromLangKeyOrTheEnvironment)
{
    struct Case {
        std::optional<int64_t> langKey;
        const char* languageList; // LANGUAGE, or null
        const char* locale;       // LANG, or null
        const char* expected;
        int32_t langType;
    };
    const Case cases[] = {
        {2, nullptr, "de_DE.UTF-8", "en", 0},
        {3, nullptr, "pl_PL.UTF-8", "de", 1},
        {4, nullptr, nullptr, "pl", 2},
        {0, nullptr, "de_DE.UTF-8", "de", 1},
        {0, nullptr, "fr_FR.UTF-8", "en", 0},
        {std::nullopt, nullptr, "pl_PL.UTF-8", "pl", 2},
        {1, "pl:de", "de_DE.UTF-8", "pl", 2},
        {0, nullptr, "C", "en", 0},
        {0, nullptr, nullptr, "en", 0},
        {7, nullptr, "de_DE.UTF-8", "en", 0},
        {-1, nullptr, "de_DE.UTF-8", "en", 0},
    };
    for (const Case& c : cases) {
        ScopedEnv languageList("LANGUAGE",
                               c.languageList ? std::optional<std::string>(c.languageList) : std::nullopt);
        ScopedEnv locale("LANG", c.locale ? std::optional<std::string>(c.locale) : std::nullopt);
        TallyAnalytics::clearRecordedEvents();
        Ref<LocalisationManager> manager = managerWith(c.langKey);
        const std::string row = "lang_key " +
                                (c.langKey ? std::to_string(*c.langKey) : std::string("absent")) + ", LANG " +
                                (c.locale ? c.locale : "unset");
        EXPECT_EQ(manager->getLang(), c.expected) << row;
        EXPECT_EQ(manager->LangType(), c.langType) << row;
        const std::vector<TallyAnalytics::Event> events = TallyAnalytics::recordedEvents();
        ASSERT_EQ(events.size(), 1u) << row;
        EXPECT_EQ(events[0].name, "Language");
        EXPECT_EQ(events[0].parameters, (TallyAnalytics::Parameters{{"Language", c.expected}})) << row;
    }
}

TEST_F(StringTableTest, FieldsLongerThanTwoCharactersLoseTheirEnds)
{
    struct Case {
        const char* field;
        const char* expected;
    };
    const Case cases[] = {
        {"\"Free move\"", "Free move"},
        {"\"x\"", "x"},
        {"\"\"", "\"\""},
        {"ab", "ab"},
        {"abc", "b"},
        {"\"Zażółć\"", "Zażółć"},
        {"xłx", "ł"},
        {"", ""},
    };
    Ref<LocalisationManager> manager = managerWith(kEnglish);
    for (const Case& c : cases) {
        manager->parseCSVData(std::string("key|en|de|pl\n\"KEY\"|") + c.field + "|d|p\n");
        EXPECT_EQ(manager->getValue("KEY"), c.expected) << c.field;
    }
}

TEST_F(StringTableTest, TheChosenColumnFillsTheTable)
{
    const std::string table = "\"key\"|\"en\"|\"de\"|\"pl\"\n"
                              "\"FREE_MOVE\"|\"Free move\"|\"Freier Zug\"|\"Darmowy ruch\"\n"
                              "\"TWICE\"|\"first\"|\"erste\"|\"pierwszy\"\n"
                              "\"TWICE\"|\"second\"|\"zweite\"|\"drugi\"\n"
                              "\"LAST\"|\"last\"|\"letzte\"|\"ostatni\"\n"
                              "\"AFTER\"|\"never\"|\"nie\"|\"nigdy\"";
    struct Case {
        int64_t langKey;
        const char* freeMove;
        const char* twice;
    };
    for (const Case& c : {Case{kEnglish, "Free move", "second"}, Case{kGerman, "Freier Zug", "zweite"},
                          Case{kPolish, "Darmowy ruch", "drugi"}}) {
        Ref<LocalisationManager> manager = managerWith(c.langKey);
        EXPECT_EQ(manager->getValue("FREE_MOVE"), "NO STRING") << "before the table is loaded";
        manager->parseCSVData(table);
        EXPECT_EQ(manager->getValue("FREE_MOVE"), c.freeMove);
        EXPECT_EQ(manager->getValue("TWICE"), c.twice);
        EXPECT_EQ(manager->getValue("key"), "NO STRING") << "the header row is never read";
        EXPECT_EQ(manager->getValue("AFTER"), "NO STRING")
            << "the piece after the last line feed is never read";
        EXPECT_EQ(manager->getValue("MISSING"), "NO STRING");
        EXPECT_EQ(manager->dictionary.size(), 3u);
    }
}

// A language set after creation is the one the next parse reads: its code
// and its column never part. A code the table has no column for reads the
// English one, as at creation.
TEST_F(StringTableTest, ASwitchedLanguageReadsItsOwnColumnOnTheNextParse)
{
    const std::string table = "\"key\"|\"en\"|\"de\"|\"pl\"\n"
                              "\"FREE_MOVE\"|\"Free move\"|\"Freier Zug\"|\"Darmowy ruch\"\n";
    Ref<LocalisationManager> manager = managerWith(kEnglish);
    const struct {
        const char* language;
        const char* freeMove;
    } rows[] = {{"en", "Free move"}, {"de", "Freier Zug"}, {"pl", "Darmowy ruch"}, {"fr", "Free move"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.language);
        manager->setLang(row.language);
        EXPECT_EQ(manager->getLang(), row.language);
        manager->parseCSVData(table);
        EXPECT_EQ(manager->getValue("FREE_MOVE"), row.freeMove);
    }
}

TEST_F(StringTableTest, CarriageReturnsAndShortRowsDoNotSpoilTheTable)
{
    Ref<LocalisationManager> manager = managerWith(kPolish);
    ScopedLogCapture log;
    manager->parseCSVData("key|en|de|pl\r\n"
                          "\"A\"|\"one\"|\"eins\"|\"jeden\"\r\n"
                          "\"SHORT\"|\"english only\"\r\n"
                          "\r\n"
                          "\"B\"|\"two\"|\"zwei\"|\"dwa\"\n");
    EXPECT_EQ(manager->getValue("A"), "jeden");
    EXPECT_EQ(manager->getValue("B"), "dwa");
    EXPECT_EQ(manager->getValue("SHORT"), "NO STRING");
    EXPECT_TRUE(log.contains("1 row(s) of the string table have no \"pl\" text"))
        << testing::PrintToString(log.lines());
}

TEST_F(StringTableTest, TheEncodingIsDetected)
{
    Ref<LocalisationManager> manager = managerWith(kGerman);
    struct Case {
        const char* name;
        std::string bytes;
    };
    auto utf16le = [](const std::string& ascii) {
        std::string bytes = "\xFF\xFE";
        for (char c : ascii) {
            bytes += c;
            bytes += '\0';
        }
        return bytes;
    };
    const Case cases[] = {
        {"UTF-8", "k|e|d|p\n\"GREETING\"|\"hi\"|\"Grüße\"|\"cześć\"\n"},
        {"UTF-8 with a byte-order mark", "\xEF\xBB\xBFk|e|d|p\n\"GREETING\"|\"hi\"|\"Grüße\"|\"x\"\n"},
        {"Latin-1", "k|e|d|p\n\"GREETING\"|\"hi\"|\"Gr\xFC\xDF" "e\"|\"x\"\n"},
        {"UTF-16LE", utf16le("k|e|d|p\n\"GREETING\"|\"hi\"|\"Gr") + std::string("\xFC\0\xDF\0", 4) +
                         utf16le("e\"|\"x\"\n").substr(2)},
    };
    for (const Case& c : cases) {
        manager->parseCSVData(c.bytes);
        EXPECT_EQ(manager->getValue("GREETING"), "Grüße") << c.name;
    }
}

TEST_F(StringTableTest, TheTableFileIsReadFromTheBundle)
{
    TempDir::writeText(scope.bundle.file("stringdb.csv"),
                       "key|en|de|pl\n\"FREE_MOVE\"|\"Free move\"|\"Freier Zug\"|\"x\"\n");
    Ref<LocalisationManager> manager = managerWith(kGerman);
    manager->parseCSVFile("stringdb.csv");
    EXPECT_EQ(manager->getValue("FREE_MOVE"), "Freier Zug");

    ScopedLogCapture log;
    manager->parseCSVFile("missing.csv");
    EXPECT_EQ(manager->getValue("FREE_MOVE"), "NO STRING");
    EXPECT_TRUE(log.contains("missing.csv")) << testing::PrintToString(log.lines());
}

} // namespace
} // namespace mw
