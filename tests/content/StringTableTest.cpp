// The string table "stringdb.csv" as the game reads it: every key the
// screens and the game data ask for reads in English, German and Polish, and
// no row is one the reader would mangle.

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Paths.h"
#include "foundation/UserDefaults.h"
#include "game/state/DataParser.h"
#include "game/state/LocalisationManager.h"
#include "game/state/Profile.h"
#include "game/state/TutorialFrameDef.h"
#include "game/state/UpgradeItem.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/SharedInstances.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

using test::ScopedEnv;
using test::TempDir;

constexpr const char* kLanguages[] = {"en", "de", "pl"};
constexpr int64_t kLangKeys[] = {2, 3, 4};

// The keys the code asks for by name, by the screen that shows them.
struct ScreenKeys {
    const char* screen;
    std::vector<const char*> keys;
};

const std::vector<ScreenKeys>& screenKeys()
{
    static const std::vector<ScreenKeys> screens = {
        {"main menu and naming",
         {"WELCOME_TEXT", "MM_CONTINUE", "MM_NEW_GAME", "MM_OPTIONS", "MM_NAME_VILLAGE", "MM_RENAME_VILLAGE",
          "MAX_11", "MAX_WARNING", "MAX_INFO", "BUTTON_CANCEL", "BUTTON_OK"}},
        {"intro", {"INTRO_01", "INTRO_02", "INTRO_03", "INTRO_04"}},
        {"options",
         {"BUTTON_RESET", "BUTTON_CLOUD", "MAIN_MENU_ID", "BUTTON_ABOUT", "BUTTON_YES", "BUTTON_NO",
          "TARVO_TOS_BUTTON", "TARVO_PP_BUTTON", "TARVO_EULA_BUTTON", "CREDITS_BUTTON", "TARVO_TEXT",
          "CLOUD_TEXT", "RESET_TEXT", "RESET_HOLD"}},
        {"store",
         {"IAP_NO_PERMISSION", "IAP_IN_PROGRESS", "IAP_CANCELLED", "IAP_CONNECTING", "IAP_HEAD", "IAP_TEXT",
          "BUTTON_BUY"}},
        {"rating prompt", {"RATE_HEAD", "RATE_TEXT", "RATE_NO", "RATE_YES", "RATE_LATER"}},
        {"map placement",
         {"BUILDING_PLACE_1", "BUILDING_PLACE_2", "UPGRADE_PLACE_1", "UPGRADE_PLACE_2", "BUILDING_CONFIRM"}},
        {"tooltips", {"BUILDING_BONUS", "USE_TOOL"}},
        {"pop-ups and lists",
         {"UPGRADES_NEED", "UPGRADES_BUTTON_HIRE", "UPGRADES_BUTTON_BUILD", "UPGRADES_BUTTON_CRAFT",
          "BUTTON_CLOSE", "INSTANT_BUY_ID", "WORKER_NOW", "REWARD_TEXT", "OR_ID", "BUTTON_BUY",
          "BUTTON_SELL"}},
        {"statistics",
         {"VILLAGE_LVL_1",
          "VILLAGE_LVL_2",
          "VILLAGE_LVL_3",
          "VILLAGE_LVL_4",
          "VILLAGE_LVL_5",
          "VILLAGE_LVL_6",
          "HQ_IS_A",
          "HQ_TOTAL_POINTS",
          "HQ_MAX_SCORE",
          "HQ_FINGER_DISTANCE",
          "HQ_TAXES_TOTAL",
          "HQ_RESOURCES_TOTAL",
          "HQ_MINE_VISITS",
          "HQ_RESOURCES_SPENT",
          "HQ_FILEDS_VISITS",
          "HQ_MONEY_EARNED",
          "HQ_MINE_MOVES",
          "HQ_MONEY_SPENT",
          "HQ_FIELDS_MOVES",
          "HQ_BUILDINGS",
          "HQ_MAX_MINE",
          "HQ_TOOLS_USED",
          "HQ_MAX_FIELDS",
          "HQ_WORKERS_HIRED",
          "HQ_HIGSCORE_MINE",
          "HQ_RATS_KILLED",
          "HQ_HIGSCORE_FIELDS",
          "HQ_WOLVES_KILLED",
          "HQ_YEAR",
          "HQ_PLANTS_EATEN",
          "HQ_SUPPLIES",
          "HQ_ANIMALS_EATEN",
          "HQ_BONUS_COINS",
          "HQ_EXPLOSIONS",
          "HQ_BUTTON_TAXES"}},
        {"tax notification",
         {"NOTIF_TAX_BUTTON", "NOTIF_TAX_TEXT_1", "NOTIF_TAX_TEXT_2", "NOTIF_TAX_TEXT_3"}},
        {"achievements",
         {"ACH_CITYHALL",      "ACH_HIRE1",         "ACH_SOUP12",     "ACH_PIE5",       "ACH_APPLE",
          "ACH_COW",           "ACH_DIAMOND",       "ACH_GOLDBAR10",  "ACH_TOOLS100",   "ACH_CARROT1",
          "ACH_DIAMBOX1",      "ACH_TILES36",       "ACH_GASBOOM",    "ACH_RUMBLEPILE", "ACH_GOLD1",
          "ACH_TOWNHALL",      "ACH_CASTLE",        "ACH_RATEAT",     "ACH_PIGS3",      "ACH_EXP500",
          "ACH_SILVERBAR1",    "ACH_COWHEARD",      "ACH_COIN1",      "ACH_DIRT36",     "ACH_TAX10000",
          "ACH_WORK30",        "ACH_FIELD100",      "ACH_SETTLE",     "ACH_VILLAGE",    "ACH_TAX1000",
          "ACH_COALCART1",     "ACH_WOLF50",        "ACH_WOLFEAT",    "ACH_FLOCK100",   "ACH_TROPHY",
          "ACH_TOOL1",         "ACH_TILESMINE1000", "ACH_RATKILL100", "ACH_MINE50",     "ACH_EXP5000",
          "ACH_TILESFIELD500", "ACH_ALLFOOD",       "ACH_RES1000",    "ACH_SHORT",      "ACH_LONG"}},
        {"tutorial", {"HIRED_TEXT", "TAP_TO_CONT"}},
        {"credits",
         {"CREDITS_1", "CREDITS_2", "CREDITS_3", "CREDITS_4", "CREDITS_5", "CREDITS_6", "CREDITS_7",
          "CREDITS_8", "CREDITS_9", "CREDITS_10"}},
        {"end of content",
         {"ENDGAME_H", "ENDGAME_1", "ENDGAME_2", "ENDGAME_3", "ENDGAME_4", "ENDGAME_5", "ENDGAME_M"}},
        {"boards",
         {"FREE_MOVE", "NO_MORE_MOVES_A", "NO_MORE_MOVES_B", "NO_MORE_MOVES_NO", "NO_MORE_MOVES_YES",
          "NO_TOOLS"}},
        {"food pop-up", {"MINE_OK", "BUTTON_CLOSE", "BUY_MOVES"}},
        {"session summaries",
         {"EXIT_HEAD",    "EXIT_BODY",    "BUTTON_NO",    "BUTTON_YES",   "END_MINE_HEADER",
          "EXP",          "TILES",        "BUTTON_SKIP",  "BUTTON_OK",    "END_MINE_1",
          "END_MINE_2",   "END_MINE_3",   "END_MINE_4",   "END_MINE_5",   "END_FIELDS_HEADER",
          "END_FIELDS_1", "END_FIELDS_2", "END_FIELDS_3", "END_FIELDS_4", "END_FIELDS_5"}},
        {"field pop-up", {"FIELD_POPUP_H", "FIELD_POPUP", "BUTTON_CLOSE"}},
        {"coin packs",
         {"MONEY_1_DESC", "MONEY_2_DESC", "MONEY_3_DESC", "MONEY_4_DESC", "MONEY_5_DESC", "MONEY_6_DESC"}},
    };
    return screens;
}

std::vector<std::string_view> split(std::string_view text, char separator)
{
    std::vector<std::string_view> pieces;
    for (size_t start = 0;;) {
        const size_t end = text.find(separator, start);
        pieces.push_back(
            text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos)
            return pieces;
        start = end + 1;
    }
}

// What in the bytes the reader would mangle or drop, one message per fault,
// naming the row's key and the language of the field.
std::vector<std::string> formProblems(std::string_view bytes)
{
    std::vector<std::string> problems;
    if (bytes.empty() || bytes.back() != '\n')
        problems.push_back("the file does not end with a line feed");
    std::vector<std::string_view> rows = split(bytes, '\n');
    if (!rows.empty() && rows.back().empty())
        rows.pop_back();
    if (rows.empty() || rows.front() != "\"key\"|\"en\"|\"de\"|\"pl\"") {
        problems.push_back("the first row is not the header \"key\"|\"en\"|\"de\"|\"pl\"");
    }
    std::set<std::string, std::less<>> keys;
    for (size_t row = 1; row < rows.size(); ++row) {
        const std::vector<std::string_view> fields = split(rows[row], '|');
        std::string key(fields[0]);
        if (key.size() > 2 && key.front() == '"' && key.back() == '"')
            key = key.substr(1, key.size() - 2);
        const std::string where = "row " + std::to_string(row + 1) + " (" + key + ")";
        if (fields.size() != 4) {
            problems.push_back(where + ": " + std::to_string(fields.size()) + " fields, not 4");
            continue;
        }
        if (!keys.insert(key).second)
            problems.push_back(where + ": the key is there twice");
        for (size_t column = 0; column < fields.size(); ++column) {
            const std::string_view field = fields[column];
            const std::string name = where + " " + (column == 0 ? "key" : kLanguages[column - 1]);
            if (field.find('\r') != std::string_view::npos) {
                problems.push_back(name + ": holds a carriage return");
            } else if (field.size() <= 2) {
                problems.push_back(name + ": " + std::to_string(field.size()) +
                                   " characters: the reader keeps it as it is (no text between quotes)");
            } else if (field.front() != '"' || field.back() != '"') {
                problems.push_back(name +
                                   ": not in double quotes, so the reader cuts its first and last letter");
            } else if (field.substr(1, field.size() - 2).find('"') != std::string_view::npos) {
                problems.push_back(name + ": a stray double quote inside");
            }
        }
    }
    return problems;
}

// A scratch home for the profile and the user defaults; the bundle is the
// project's resources folder that CTest names.
class StringTableContent : public ::testing::Test {
protected:
    StringTableContent() { test::resetSharedInstances(); }
    ~StringTableContent() override { test::resetSharedInstances(); }

    // The table as the game loads it with "lang_key" 2, 3 or 4.
    static Ref<LocalisationManager> tableIn(int64_t langKey)
    {
        UserDefaults::standardUserDefaults().setInteger("lang_key", langKey);
        Ref<LocalisationManager> manager = makeRef<LocalisationManager>();
        manager->parseCSVFile("stringdb.csv");
        return manager;
    }

    // Every key missing or empty in any language, with the screen or data
    // entry that asks for it.
    static std::vector<std::string> unreadable(const std::map<std::string, std::string>& askedBy)
    {
        std::vector<std::string> missing;
        for (size_t language = 0; language < 3; ++language) {
            Ref<LocalisationManager> table = tableIn(kLangKeys[language]);
            EXPECT_EQ(table->getLang(), kLanguages[language]);
            for (const auto& [key, asker] : askedBy) {
                const std::string text = table->getValue(key);
                if (text == "NO STRING" || text.empty()) {
                    missing.push_back(key + " (" + kLanguages[language] + ", " + asker + ")");
                }
            }
        }
        return missing;
    }

    TempDir home;
    ScopedEnv homeEnv{"MOSSWICK_HOME", home.path()};
};

TEST(StringTableForm, TheCheckFindsWhatTheReaderWouldMangle)
{
    const std::string header = "\"key\"|\"en\"|\"de\"|\"pl\"\n";
    struct Case {
        const char* fault;
        std::string bytes;
        const char* expected; // part of the one message, or null for none
    };
    const Case cases[] = {
        {"a sound table", header + "\"FREE_MOVE\"|\"Free move!\"|\"Gratiszug!\"|\"OK\"\n", nullptr},
        {"no final line feed", header + "\"FREE_MOVE\"|\"a\"|\"b\"|\"c\"", "does not end with a line feed"},
        {"a carriage return", header + "\"FREE_MOVE\"|\"a\"|\"b\"|\"c\"\r\n",
         "row 2 (FREE_MOVE) pl: holds a carriage return"},
        {"an empty text", header + "\"FREE_MOVE\"|\"a\"|\"\"|\"c\"\n", "row 2 (FREE_MOVE) de: 2 characters"},
        {"no quotes", header + "\"FREE_MOVE\"|Free move|\"b\"|\"c\"\n",
         "row 2 (FREE_MOVE) en: not in double quotes"},
        {"a quote inside", header + "\"FREE_MOVE\"|\"a \"b\" c\"|\"b\"|\"c\"\n",
         "row 2 (FREE_MOVE) en: a stray double quote"},
        {"a separator in a text", header + "\"FREE_MOVE\"|\"a|b\"|\"b\"|\"c\"\n",
         "row 2 (FREE_MOVE): 5 fields"},
        {"a language missing", header + "\"FREE_MOVE\"|\"a\"|\"b\"\n", "row 2 (FREE_MOVE): 3 fields"},
        {"a key twice", header + "\"A\"|\"a\"|\"b\"|\"c\"\n\"A\"|\"a\"|\"b\"|\"c\"\n",
         "row 3 (A): the key is there twice"},
        {"no header", "\"FREE_MOVE\"|\"a\"|\"b\"|\"c\"\n", "the first row is not the header"},
    };
    for (const Case& c : cases) {
        const std::vector<std::string> problems = formProblems(c.bytes);
        if (!c.expected) {
            EXPECT_TRUE(problems.empty()) << c.fault << ": " << (problems.empty() ? "" : problems.front());
            continue;
        }
        ASSERT_EQ(problems.size(), 1u) << c.fault;
        EXPECT_NE(problems.front().find(c.expected), std::string::npos)
            << c.fault << ": " << problems.front();
    }
}

TEST_F(StringTableContent, TheFileHasTheReadersForm)
{
    const std::string path = Paths::pathForResource("stringdb.csv");
    ASSERT_FALSE(path.empty()) << "stringdb.csv is not in the bundle";
    const std::string bytes = TempDir::readText(path);
    ASSERT_FALSE(bytes.empty()) << path;
    for (const std::string& problem : formProblems(bytes))
        ADD_FAILURE() << "stringdb.csv: " << problem;
}

TEST_F(StringTableContent, EveryKeyTheScreensAskForReadsInEveryLanguage)
{
    std::map<std::string, std::string> askedBy;
    for (const ScreenKeys& screen : screenKeys()) {
        for (const char* key : screen.keys)
            askedBy.emplace(key, screen.screen);
    }
    for (const std::string& key : unreadable(askedBy))
        ADD_FAILURE() << "stringdb.csv lacks " << key;
}

TEST_F(StringTableContent, EveryKeyTheGameDataAsksForReadsInEveryLanguage)
{
    const std::string data = Paths::pathForResource("test.xml");
    ASSERT_FALSE(data.empty()) << "test.xml is not in the bundle";
    ASSERT_TRUE(DataParser().parseData(data)) << data;
    Profile* profile = Profile::sharedInstance();

    std::map<std::string, std::string> askedBy;
    for (const auto& [id, frame] : profile->TutorialDict) {
        askedBy.emplace(frame->LangID, "test.xml tutorial frame " + std::to_string(id));
    }
    for (const auto& [id, upgrade] : profile->UpgradesDict) {
        ASSERT_GE(id, 1);
        ASSERT_LE(static_cast<size_t>(id), profile->EnumNames.size());
        const std::string& stem = profile->EnumNames[static_cast<size_t>(id - 1)];
        for (const char* suffix : {"_NAME", "_DESC", "_DESC_SHORT"}) {
            askedBy.emplace(stem + suffix, "test.xml upgrade " + std::to_string(id));
        }
    }
    // The shop and the bag name goods 1-16; the coin-pack list names the
    // packs 19-24 and describes them.
    for (int32_t resource : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 19, 20, 21, 22, 23, 24}) {
        const std::string& stem = profile->EnumResNames[static_cast<size_t>(resource - 1)];
        askedBy.emplace(stem + "_NAME", "resource " + std::to_string(resource));
        if (resource >= 19)
            askedBy.emplace(stem + "_DESC", "coin pack " + std::to_string(resource));
    }
    EXPECT_EQ(profile->UpgradesDict.size(), 143u) << "test.xml: upgrades";
    EXPECT_GE(profile->TutorialDict.size(), 102u) << "test.xml: tutorial frames";
    for (const std::string& key : unreadable(askedBy))
        ADD_FAILURE() << "stringdb.csv lacks " << key;
}

} // namespace
} // namespace mw
