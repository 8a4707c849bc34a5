#include <cmath>
#include <filesystem>

#include <gtest/gtest.h>

#include "engine/text/CharacterMap.h"
#include "engine/text/FontManager.h"
#include "engine/text/FontNameTable.h"
#include "engine/text/UIFont.h"
#include "engine/text/ZFont.h"
#include "foundation/Log.h"
#include "tests/engine/text/FakeFontFace.h"
#include "tests/engine/text/FontTables.h"
#include "tests/engine/text/TextTestSupport.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

using test::FontManagerTest;
using test::NameRecord;
using test::nameTable;
using test::utf16BE;

// ---- name table ----

TEST(FontNameTableTest, TheFirstReadableRecordOfTheIdentifierDecides)
{
    const std::vector<uint8_t> macRoman = {'C', 'a', 'f', 0x8E, ' ', 0xA7}; // "Café ß"
    struct Case {
        const char* name;
        std::vector<NameRecord> records;
        uint16_t nameID;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"Windows Unicode", {{3, 1, 0x409, 1, utf16BE(u"Nimbus ąę")}}, 1, "Nimbus ąę"},
        {"Unicode platform, any encoding", {{0, 7, 0, 4, utf16BE(u"Full")}}, 4, "Full"},
        {"Mac Roman", {{1, 0, 0, 6, macRoman}}, 6, "Café ß"},
        {"other identifiers are passed over",
         {{3, 1, 0x409, 2, utf16BE(u"Bold")}, {3, 1, 0x409, 1, utf16BE(u"Fam")}},
         1,
         "Fam"},
        {"unreadable encodings are passed over",
         {{3, 0, 0x409, 1, utf16BE(u"Symbol")}, {1, 1, 0, 1, {'J'}}, {3, 1, 0x409, 1, utf16BE(u"Fam")}},
         1,
         "Fam"},
        {"the first match wins",
         {{1, 0, 0, 1, {'M', 'a', 'c'}}, {3, 1, 0x409, 1, utf16BE(u"Win")}},
         1,
         "Mac"},
        {"no record", {{3, 1, 0x409, 1, utf16BE(u"Fam")}}, 6, std::nullopt},
        {"a string outside the table is skipped",
         {{3, 1, 0x409, 1, utf16BE(u"Bad"), 6, 60000}, {3, 1, 0x409, 1, utf16BE(u"Good")}},
         1,
         "Good"},
        {"a length past the end is skipped", {{3, 1, 0x409, 1, utf16BE(u"Bad"), 60000}}, 1, std::nullopt},
        {"an odd UTF-16 length drops the last byte", {{3, 1, 0x409, 1, utf16BE(u"ab"), 3}}, 1, "a"},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> table = nameTable(c.records);
        EXPECT_EQ(readFontNameEntry(table.data(), table.size(), c.nameID), c.expected) << c.name;
    }
}

TEST(FontNameTableTest, ATableCutShortEndsTheSearch)
{
    std::vector<uint8_t> table =
        nameTable({{3, 1, 0x409, 2, utf16BE(u"x")}, {3, 1, 0x409, 1, utf16BE(u"Fam")}});
    // Header and the first record only, though the header claims two.
    table.resize(6 + 12);
    EXPECT_EQ(readFontNameEntry(table.data(), table.size(), 1), std::nullopt);
    EXPECT_EQ(readFontNameEntry(table.data(), 5, 1), std::nullopt);
    EXPECT_EQ(readFontNameEntry(nullptr, 0, 1), std::nullopt);
}

// ---- the bundled faces ----

// Every face the platform names must draw the letters of the string table's
// languages, and the ellipsis that truncation adds.
TEST(PlatformFontTest, EveryFaceCoversGermanAndPolish)
{
    const std::u16string letters = u"äöüßÄÖÜąćęłńóśźżĄĆĘŁŃÓŚŹŻ…";
    for (const std::string& name : UIFont::familyNames()) {
        Ref<UIFont> font = UIFont::fontWithName(name, 12);
        ASSERT_TRUE(font) << name;
        std::vector<uint8_t> table;
        ASSERT_TRUE(font->face()->copyTable(fontTableTag("cmap"), table)) << name;
        auto map = CharacterMap::parse(table);
        ASSERT_TRUE(map) << name;
        for (char16_t letter : letters) {
            EXPECT_NE(map->glyphForCodePoint(letter), 0) << name << " lacks U+" << std::hex << int(letter);
        }
    }
}

TEST(PlatformFontTest, NamesResolveToTheirFacesAndUnknownNamesToNothing)
{
    Ref<UIFont> regular = UIFont::fontWithName("HelveticaNeue", 17);
    Ref<UIFont> bold = UIFont::fontWithName("HelveticaNeue-Bold", 17);
    Ref<UIFont> system = UIFont::systemFontOfSize(12);
    ASSERT_TRUE(regular && bold && system);
    EXPECT_EQ(system->face(), regular->face()) << "the file is read once";
    EXPECT_NE(bold->face(), regular->face());
    EXPECT_EQ(ZFont::fontWithUIFont(regular)->familyName(), "Nimbus Sans");
    const Ref<UIFont> marker = UIFont::fontWithName("Marker Felt", 32);
    EXPECT_EQ(ZFont::fontWithUIFont(marker)->familyName(), "Comic Neue");
    EXPECT_EQ(system->pointSize(), 12);
    EXPECT_FALSE(UIFont::fontWithName("helveticaneue", 12));
    EXPECT_FALSE(UIFont::fontWithName("Papyrus", 12));
}

// ---- ZFont ----

TEST(ZFontTest, MetricsRoundOutwardsFromTheFontUnits)
{
    Ref<test::FakeFontFace> face = makeRef<test::FakeFontFace>();
    Ref<ZFont> font = ZFont::fontWithCGFont(face, 13); // ratio 0.013
    EXPECT_FLOAT_EQ(font->ratio(), 0.013f);
    EXPECT_EQ(font->ascender(), 11);   // 10.4 up
    EXPECT_EQ(font->descender(), -3);  // -2.6 down
    EXPECT_EQ(font->leading(), 14);    // never below the unrounded 13
    EXPECT_EQ(font->xHeight(), 7);     // 6.5 up
    EXPECT_EQ(font->capHeight(), 10);  // 9.1 up

    Ref<UIFont> nimbus = UIFont::fontWithName("HelveticaNeue", 12);
    ASSERT_TRUE(nimbus);
    Ref<ZFont> real = ZFont::fontWithUIFont(nimbus);
    EXPECT_FLOAT_EQ(real->ratio(), 12.f / static_cast<float>(nimbus->face()->unitsPerEm()));
    EXPECT_GE(real->leading(), real->ratio() * float(nimbus->face()->ascent() - nimbus->face()->descent()));
    EXPECT_LT(real->xHeight(), real->capHeight());
    EXPECT_LE(real->capHeight(), real->ascender());
    EXPECT_EQ(real->postScriptName(), "NimbusSans-Regular");
}

// A text box puts its first baseline one ascender below its top: an
// ascender short of the accented capitals of the string table's languages
// cuts their accents off (Nimbus Sans sets its own at the capitals' height
// and keeps 0.2 em of line gap apart).
TEST(ZFontTest, TheAscenderCoversAccentedCapitalsOfEveryPlatformFace)
{
    for (const std::string& name : UIFont::familyNames()) {
        Ref<UIFont> platform = UIFont::fontWithName(name, 40);
        ASSERT_TRUE(platform) << name;
        Ref<ZFont> font = ZFont::fontWithUIFont(platform);
        std::vector<uint8_t> table;
        ASSERT_TRUE(font->cgFont()->copyTable(fontTableTag("cmap"), table));
        std::unique_ptr<CharacterMap> characters = CharacterMap::parse(std::move(table));
        ASSERT_TRUE(characters);
        for (char32_t capital : {U'Ä', U'Ö', U'Ü', U'Ć', U'Ń', U'Ó', U'Ś', U'Ź', U'Ż'}) {
            GlyphImage image;
            ASSERT_TRUE(font->cgFont()->renderGlyph(characters->glyphForCodePoint(capital), 40, 0, 0, image));
            // One row of tolerance: Comic Neue's acute reaches 0.002 em above its ascender.
            EXPECT_LE(image.top, font->ascender() + 1) << name << " U+" << std::hex << uint32_t(capital);
        }
    }
}

TEST(ZFontTest, SizeChangesShareTheFace)
{
    Ref<test::FakeFontFace> face = makeRef<test::FakeFontFace>();
    Ref<ZFont> font = ZFont::fontWithCGFont(face, 12);
    EXPECT_EQ(font->fontWithSize(12).get(), font.get());
    Ref<ZFont> larger = font->fontWithSize(14);
    EXPECT_NE(larger.get(), font.get());
    EXPECT_EQ(larger->cgFont(), font->cgFont());
    const Ref<ZFont> same = ZFont::fontWithCGFont(face, 12);
    EXPECT_TRUE(font->isEqual(same));
    EXPECT_FALSE(font->isEqual(larger));
    const Ref<test::FakeFontFace> otherFace = makeRef<test::FakeFontFace>();
    const Ref<ZFont> other = ZFont::fontWithCGFont(otherFace, 12);
    EXPECT_FALSE(font->isEqual(other));
    EXPECT_FALSE(font->isEqual(nullptr));
    EXPECT_FALSE(ZFont::fontWithCGFont(nullptr, 12));
}

TEST(ZFontTest, AFaceWithoutANameTableHasNoNames)
{
    const Ref<test::FakeFontFace> face = makeRef<test::FakeFontFace>();
    Ref<ZFont> font = ZFont::fontWithCGFont(face, 12);
    EXPECT_EQ(font->familyName(), std::nullopt);
    EXPECT_EQ(font->copyNameTableEntryForID(4), std::nullopt);
}

// ---- FontManager ----

class FontManagerLoadTest : public FontManagerTest {
protected:
    void SetUp() override
    {
        FontManagerTest::SetUp();
        const std::string& source = source_;
        ASSERT_FALSE(source.empty());
        std::filesystem::create_directories(bundle_.file("fonts"));
        std::filesystem::copy_file(source, bundle_.file("Game Font.ttf"));
        std::filesystem::copy_file(source, bundle_.file("fonts/Other.otf"));
        test::TempDir::writeText(bundle_.file("Broken.ttf"), "not a font at all");
    }

    // Found in the real bundle before the test's own bundle takes its place.
    const std::string source_ = test::platformFontPath("HelveticaNeue");
    test::TempDir bundle_;
    test::ScopedEnv resources_{"MOSSWICK_RESOURCES", bundle_.path()};
};

TEST_F(FontManagerLoadTest, NamesResolveWithTheExtensionAddedThenAsGiven)
{
    FontManager* manager = FontManager::sharedManager();
    struct Case {
        const char* name;
        bool found;
    };
    const Case cases[] = {
        {"Game Font", true},       // "Game Font.ttf"
        {"Game Font.ttf", true},   // "Game Font.ttf.ttf" is missing, the exact name is there
        {"Other.otf", true},       // in the bundle's fonts folder
        {"Other", false},          // only ".ttf" is added
        {"Broken", false},         // there, but not a font
        {"Missing", false},
    };
    ScopedLogCapture quiet;
    for (const Case& c : cases) EXPECT_EQ(bool(manager->zFontWithName(c.name, 12)), c.found) << c.name;
}

TEST_F(FontManagerLoadTest, AFileIsLoadedOnceAndSharedByItsFonts)
{
    FontManager* manager = FontManager::sharedManager();
    Ref<ZFont> first = manager->zFontWithName("Game Font", 12);
    Ref<ZFont> second = manager->zFontWithName("Game Font", 12);
    ASSERT_TRUE(first && second);
    EXPECT_NE(first.get(), second.get());
    EXPECT_TRUE(first->isEqual(second));
    EXPECT_EQ(manager->copyAllFonts().size(), 1u);
    EXPECT_EQ(manager->zFontWithURL(bundle_.file("Game Font.ttf"), 20)->cgFont(), first->cgFont());
    EXPECT_EQ(manager->copyAllFonts().size(), 1u);
}

TEST_F(FontManagerLoadTest, AFailedNameIsTriedAgainLater)
{
    FontManager* manager = FontManager::sharedManager();
    EXPECT_FALSE(manager->fontWithName("Late"));
    std::filesystem::copy_file(bundle_.file("Game Font.ttf"), bundle_.file("Late.ttf"));
    EXPECT_TRUE(manager->fontWithName("Late"));
}

TEST_F(FontManagerLoadTest, PurgingMakesAFreshManagerAndKeepsFontsAlive)
{
    FontManager* manager = FontManager::sharedManager();
    Ref<ZFont> font = manager->zFontWithName("Game Font", 12);
    FontManager::purgeSharedManager();
    EXPECT_TRUE(FontManager::sharedManager()->copyAllFonts().empty());
    EXPECT_GT(font->ascender(), 0);
}

TEST_F(FontManagerLoadTest, UnreadableFilesLogOneLine)
{
    ScopedLogCapture log;
    EXPECT_FALSE(FontManager::sharedManager()->loadFontURL(bundle_.file("Broken.ttf")));
    EXPECT_FALSE(FontManager::sharedManager()->loadFontURL(bundle_.file("nothing-here.ttf")));
    EXPECT_EQ(log.lines().size(), 2u);
    EXPECT_TRUE(log.contains("Broken.ttf"));
}

} // namespace
} // namespace mw
