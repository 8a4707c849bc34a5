#include <gtest/gtest.h>

#include <minizip/zip.h>
#include <sys/stat.h>
#include <utime.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <set>
#include <sstream>

#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "foundation/RunLoop.h"
#include "platform/Image.h"
#include "social/CCSkinnedView.h"
#include "social/CCTheming.h"
#include "social/records/CCServerRecords.h"
#include "social/support/CCJSON.h"
#include "tests/social/SocialFixture.h"
#include "tests/support/LoopbackHTTPServer.h"
#include "tests/support/SourceTree.h"

namespace mw {
namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

void writeZip(const std::string& path, const Entries& entries)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
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

std::string readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::string pngOf(int width, int height, uint8_t red)
{
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
    for (size_t i = 0; i < pixels.size(); i += 4) {
        pixels[i] = red;
        pixels[i + 3] = 255;
    }
    Ref<Image> image = Image::fromRGBA(pixels, width, height, ImageAlphaInfo::Last);
    const std::vector<uint8_t> png = image->encodePNG();
    return std::string(png.begin(), png.end());
}

// A theme bundle in the scratch home: "t.lumoratheme" with a master skin
// and what a test adds.
class ThemingTest : public test::SocialFixture {
protected:
    void SetUp() override
    {
        SocialFixture::SetUp();
        bundleEnv_ = std::make_unique<test::ScopedEnv>("MOSSWICK_RESOURCES", bundle_.path());
    }
    void TearDown() override
    {
        bundleEnv_.reset();
        SocialFixture::TearDown();
    }
    void write(Entries extra, const std::string& name = "t")
    {
        Entries entries {{"R/", ""}, {"R/master.ctd", R"({"tablebackgroundcolor":"F3EFD9","ink":"3A3325","chain":"ink","tablegroupheaderheight":24})"}};
        entries.insert(entries.end(), extra.begin(), extra.end());
        writeZip(bundle_.file(name + ".lumoratheme"), entries);
    }
    CCTheming& theme() { return *CCTheming::sharedInstance(); }
    std::vector<std::string>& trace()
    {
        theme().setTrace([this](const std::string& line) { trace_.push_back(line); });
        return trace_;
    }
    std::string unpacked(const std::string& relative) const
    {
        return Paths::join(Paths::join(CCTheming::themeRootPath(), "t/R"), relative);
    }

    test::TempDir bundle_;
    std::unique_ptr<test::ScopedEnv> bundleEnv_;
    std::vector<std::string> trace_;
};

TEST_F(ThemingTest, ColoursAndGeometry)
{
    write({});
    theme().setCurrentTheme("t");
    struct Row {
        const char* text;
        std::optional<FillColor> colour;
    };
    const Row rows[] = {
        {"ff000080", FillColor {1, 0, 0, 128.0f / 255}},
        {"00ff00", FillColor {0, 1, 0, 1}},
        // Red, green and blue from the first six characters whatever the
        // length; alpha only from a text of exactly eight.
        {"00FF008", FillColor {0, 1, 0, 1}},
        {"0000ff80x", FillColor {0, 0, 1, 1}},
        {"ff0000 and more", FillColor {1, 0, 0, 1}},
        {"00ff00zz", std::nullopt},
        {"00ff0", std::nullopt},
        {"00fg00", std::nullopt},
        {"ink", FillColor {0x3A / 255.0f, 0x33 / 255.0f, 0x25 / 255.0f, 1}},
        {"chain", std::nullopt}, // a key naming another key is not followed
        {"abc", std::nullopt},
        {"zzzzzz", std::nullopt},
        {"#00ff00", std::nullopt},
        {"", std::nullopt},
    };
    for (const Row& row : rows) {
        const std::optional<FillColor> colour = theme().uiColorFromString(row.text);
        ASSERT_EQ(colour.has_value(), row.colour.has_value()) << row.text;
        if (!colour) continue;
        EXPECT_NEAR(colour->r, row.colour->r, 1e-5) << row.text;
        EXPECT_NEAR(colour->g, row.colour->g, 1e-5) << row.text;
        EXPECT_NEAR(colour->b, row.colour->b, 1e-5) << row.text;
        EXPECT_NEAR(colour->a, row.colour->a, 1e-5) << row.text;
    }
    const CGRect onlySize = CCTheming::dimensionsFromItem(Value::dictionary({{"w", Value(40)}, {"h", Value(30)}}));
    EXPECT_EQ(onlySize.origin.x, std::numeric_limits<float>::infinity());
    EXPECT_EQ(onlySize.origin.y, std::numeric_limits<float>::infinity());
    EXPECT_EQ(onlySize.size.width, 40);
    EXPECT_EQ(onlySize.size.height, 30);
    EXPECT_EQ(CCTheming::at2xStringFromPath("images/a.png"), "images/a@2x.png");
    EXPECT_EQ(CCTheming::at2xStringFromPath("images.d/a"), "images.d/a@2x");
    EXPECT_EQ(theme().getMasterConfigTableHeaderHeight(), 24);
    EXPECT_EQ(theme().getMasterConfigScrollIndicatorStyle(), 2);
}

TEST_F(ThemingTest, CapabilityStringPerSkin)
{
    struct Row {
        const char* name;
        Entries skins;
        const char* caps;
    };
    const std::string gifting = R"({"items":[{"id":"giftingtab","type":"tab"}]})";
    const std::string challenges = R"({"items":[{"id":"challengestab","type":"tab"}]})";
    const Row rows[] = {
        {"none", {}, ""},
        {"twoline", {{"R/form_switchpicturetwoline.ctd", "{}"}}, "form_switchpicturetwoline"},
        {"gifting", {{"R/globalnav_portrait.ctd", gifting}}, "giftingtab"},
        {"challenges", {{"R/globalnav_landscape.ctd", challenges}}, "challengestab"},
        {"friends", {{"R/find_friends_images.ctd", R"({"items":[{"id":"contacts_find_friend"}]})"}}, "findfriendsimages"},
        {"footer", {{"R/group_footer.ctd", "{}"}}, "groupfooterimage"},
        {"all",
         {{"R/group_footer.ctd", "{}"},
          {"R/find_friends_images.ctd", R"({"items":[{"id":"contacts_find_friend"}]})"},
          {"R/globalnav_portrait.ctd", R"({"items":[{"id":"challengestab"},{"id":"giftingtab"}]})"},
          {"R/form_switchpicturetwoline.ctd", "{}"}},
         "form_switchpicturetwoline,giftingtab,challengestab,findfriendsimages,groupfooterimage"},
    };
    for (const Row& row : rows) {
        CCTheming::releaseSharedInstance();
        write(row.skins, row.name);
        theme().setCurrentTheme(row.name);
        EXPECT_EQ(theme().themeCapsString(), row.caps) << row.name;
        std::vector<std::string>& lines = trace();
        lines.clear();
        EXPECT_EQ(theme().themeCapsString(), row.caps) << row.name;
        EXPECT_TRUE(lines.empty()) << row.name << ": built once";
    }
}

TEST_F(ThemingTest, SelectionAndValidation)
{
    write({});
    writeZip(bundle_.file("nomaster.lumoratheme"), {{"R/", ""}, {"R/other.ctd", "{}"}});
    test::TempDir::writeText(bundle_.file("garbage.lumoratheme"), "no zip");
    CCLumoraError error;
    EXPECT_FALSE(theme().validateTheme(&error));
    EXPECT_EQ(error.domain, "LumoraTheme");
    EXPECT_EQ(error.code, 2);
    {
        ScopedLogCapture log;
        EXPECT_EQ(theme().setCurrentTheme("missing"), "");
        EXPECT_TRUE(log.contains("Lumora Error:  Unable to open the zip for theme 'missing' - Unable to find theme file"));
        EXPECT_EQ(theme().setCurrentTheme("garbage"), "");
        EXPECT_TRUE(log.contains("Unable to open theme file"));
    }
    EXPECT_EQ(theme().setCurrentTheme("nomaster"), "nomaster");
    EXPECT_FALSE(theme().validateTheme(&error));
    EXPECT_EQ(error.code, 1);
    EXPECT_EQ(error.localizedDescription, "The theme master dictionary data is missing");
    CCTheming::releaseSharedInstance();
    EXPECT_EQ(theme().setCurrentTheme("t"), "t");
    EXPECT_TRUE(theme().validateTheme(&error));
    std::vector<std::string>& lines = trace();
    EXPECT_EQ(theme().setCurrentTheme("t"), "t");
    EXPECT_TRUE(lines.empty()) << "the same theme again does nothing";
}

TEST_F(ThemingTest, SkinsOfInvalidJsonAreReadAgainValidOnesOnce)
{
    write({{"R/bad.ctd", "{\"items\": [ nope"}, {"R/good.ctd", R"({"items":[]})"}});
    theme().setCurrentTheme("t");
    std::vector<std::string>& lines = trace();
    ScopedLogCapture log;
    EXPECT_TRUE(theme().getSkinDescription("bad").isNull());
    EXPECT_TRUE(theme().getSkinDescription("bad").isNull());
    EXPECT_FALSE(theme().getSkinDescription("good").isNull());
    EXPECT_FALSE(theme().getSkinDescription("good").isNull());
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "read bad.ctd"), 2);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "read good.ctd"), 1);
    int decodeLines = 0;
    for (const std::string& line : log.lines()) decodeLines += line.find("Unable to decode JSON data from bad") != std::string::npos;
    EXPECT_EQ(decodeLines, 2);
}

TEST_F(ThemingTest, PathsOutsideTheThemeReadNothing)
{
    // A file beside the unpacked folder and one at an absolute path: neither
    // may be reached through the theme.
    write({{"R/inside.ctd", "{}"}});
    theme().setCurrentTheme("t");
    ASSERT_TRUE(theme().getDataFromThemeForFilePath("inside.ctd"));
    test::TempDir::writeText(Paths::join(CCTheming::themeRootPath(), "t/secret.png"), "secret");
    const std::string absolute = home_.write("abs.png", "secret");
    std::vector<std::string>& lines = trace();
    for (const std::string& path :
         std::vector<std::string> {"../secret.png", "images/../../secret.png", absolute, "theme://../secret.png"}) {
        EXPECT_FALSE(theme().getDataFromThemeForFilePath(path)) << path;
        EXPECT_FALSE(theme().getImageFromPath(path)) << path;
    }
    EXPECT_TRUE(lines.empty()) << lines.front();
}

TEST_F(ThemingTest, ChangedArchiveRebuildsTheUnpackedFolder)
{
    write({{"R/row.ctd", R"({"items":[{"id":"old"}]})"}});
    theme().setCurrentTheme("t");
    EXPECT_FALSE(CCTheming::itemForId("old", theme().getSkinDescription("row")).isNull());
    ASSERT_TRUE(Paths::fileExists(unpacked("row.ctd")));

    // A game update ships a new archive; the next run must not keep the
    // unpacked file of the old one.
    CCTheming::releaseSharedInstance();
    std::filesystem::remove(bundle_.file("t.lumoratheme"));
    write({{"R/row.ctd", R"({"items":[{"id":"new"},{"id":"newer"}]})"}});
    struct utimbuf later {2000000000, 2000000000};
    ASSERT_EQ(utime(bundle_.file("t.lumoratheme").c_str(), &later), 0);
    theme().setCurrentTheme("t");
    const Value& skin = theme().getSkinDescription("row");
    EXPECT_TRUE(CCTheming::itemForId("old", skin).isNull());
    EXPECT_FALSE(CCTheming::itemForId("new", skin).isNull());

    // The same archive again keeps what was unpacked.
    CCTheming::releaseSharedInstance();
    std::vector<std::string>& lines = trace();
    theme().setCurrentTheme("t");
    theme().getSkinDescription("row");
    EXPECT_EQ(lines, (std::vector<std::string> {"read row.ctd"}));
}

TEST_F(ThemingTest, ImageLookupAtEachScale)
{
    write({{"R/images/a@2x.png", pngOf(8, 6, 200)}, {"R/images/b.png", pngOf(4, 4, 10)}});
    theme().setCurrentTheme("t");
    theme().setDeviceIsDoubleResolution(false);
    std::vector<std::string>& lines = trace();

    // Normal screen, only a double-size picture: extracted, answered, and
    // halved once on the next turn.
    Ref<Image> first = theme().getImageFromPath("theme://images/a.png");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->width(), 8);
    EXPECT_EQ(lines, (std::vector<std::string> {"extract R/images/a@2x.png", "read images/a@2x.png"}));
    lines.clear();
    RunLoop::main().drain();
    EXPECT_EQ(lines, (std::vector<std::string> {"read images/a@2x.png", "halve images/a.png"}));
    EXPECT_FALSE(Paths::fileExists(unpacked("images/a@2x.png")));
    lines.clear();
    Ref<Image> second = theme().getImageFromPath("images/a.png");
    ASSERT_TRUE(second);
    EXPECT_EQ(second->width(), 4);
    EXPECT_EQ(second->height(), 3);
    EXPECT_EQ(lines, (std::vector<std::string> {"read images/a.png"}));

    // And in the next run.
    CCTheming::releaseSharedInstance();
    theme().setCurrentTheme("t");
    theme().setDeviceIsDoubleResolution(false);
    std::vector<std::string>& next = trace();
    next.clear();
    ASSERT_TRUE(theme().getImageFromPath("images/a.png"));
    EXPECT_EQ(next, (std::vector<std::string> {"read images/a.png"}));

    // Double screen: "@2x" first, then the plain picture.
    theme().setDeviceIsDoubleResolution(true);
    next.clear();
    Ref<Image> plain = theme().getImageFromPath("images/b.png");
    ASSERT_TRUE(plain);
    EXPECT_EQ(next, (std::vector<std::string> {"extract R/images/b@2x.png", "extract R/images/b.png", "read images/b.png"}));
}

TEST_F(ThemingTest, LookupsAreRememberedUntilTheThemeChanges)
{
    write({{"R/images/a.png", pngOf(4, 4, 10)}, {"R/images/b.png", pngOf(4, 4, 20)},
           {"R/images/c.png", pngOf(4, 4, 30)}});
    write({{"R/images/a.png", pngOf(4, 4, 90)}, {"R/images/extra.png", pngOf(2, 2, 1)}, {"R/row.ctd", "{}"}},
          "u");
    theme().setCurrentTheme("t");
    theme().setDeviceIsDoubleResolution(false);
    std::vector<std::string>& lines = trace();
    auto lookUp = [&](const std::string& path) {
        lines.clear();
        return theme().getImageFromPath(path);
    };

    // A decoded picture is answered again without reading; a picture or a
    // skin the archive lacks is looked for in it once.
    Ref<Image> first = lookUp("images/a.png");
    ASSERT_TRUE(first);
    EXPECT_EQ(lines, (std::vector<std::string> {"extract R/images/a@2x.png", "extract R/images/a.png",
                                                "read images/a.png"}));
    EXPECT_EQ(lookUp("theme://images/a.png").get(), first.get());
    EXPECT_TRUE(lines.empty());
    EXPECT_FALSE(lookUp("images/extra.png"));
    EXPECT_EQ(lines.size(), 2u);
    EXPECT_FALSE(lookUp("images/extra.png"));
    EXPECT_TRUE(lines.empty());
    EXPECT_TRUE(theme().getSkinDescription("row").isNull());
    lines.clear();
    EXPECT_TRUE(theme().getSkinDescription("row").isNull());
    EXPECT_TRUE(lines.empty());

    // Within the limit (two of these pictures) the least recently used goes.
    theme().setImageCacheLimit(2 * 4 * 4 * 4);
    ASSERT_TRUE(lookUp("images/b.png"));
    ASSERT_TRUE(lookUp("images/a.png"));
    ASSERT_TRUE(lookUp("images/c.png"));
    ASSERT_TRUE(lookUp("images/a.png"));
    EXPECT_TRUE(lines.empty()) << "a was used last but one";
    ASSERT_TRUE(lookUp("images/b.png"));
    EXPECT_EQ(lines, (std::vector<std::string> {"read images/b.png"}));
    theme().setImageCacheLimit(0);
    ASSERT_TRUE(lookUp("images/b.png"));
    ASSERT_TRUE(lookUp("images/b.png"));
    EXPECT_EQ(lines, (std::vector<std::string> {"read images/b.png"})) << "a limit of 0 keeps nothing";
    theme().setImageCacheLimit(CCTheming::kDefaultImageCacheBytes);

    // Another theme answers its own pictures, and what the first one lacked.
    ASSERT_EQ(theme().setCurrentTheme("u"), "u");
    Ref<Image> other = lookUp("images/a.png");
    ASSERT_TRUE(other);
    EXPECT_EQ(other->pixels()[0], 90);
    EXPECT_TRUE(lookUp("images/extra.png"));
}

TEST_F(ThemingTest, InterruptedWritesLeaveNoFile)
{
    // The half-size copy is written whole or not at all; the double-size
    // picture stays until a copy exists.
    write({{"R/images/a@2x.png", pngOf(8, 8, 200)}});
    theme().setCurrentTheme("t");
    theme().setDeviceIsDoubleResolution(false);
    theme().setFileWriter([](const std::string&, const std::vector<uint8_t>&) { return false; });
    ASSERT_TRUE(theme().getImageFromPath("images/a.png"));
    RunLoop::main().drain();
    EXPECT_FALSE(Paths::fileExists(unpacked("images/a.png")));
    EXPECT_TRUE(Paths::fileExists(unpacked("images/a@2x.png")));
    theme().setFileWriter(nullptr);
    ASSERT_TRUE(theme().getImageFromPath("images/a.png"));
    RunLoop::main().drain();
    EXPECT_TRUE(Paths::fileExists(unpacked("images/a.png")));

    // An entry whose data breaks off mid-way: nothing is left under its name.
    CCTheming::releaseSharedInstance();
    std::string big = "{\"k\":\"";
    uint32_t seed = 12345;
    for (int i = 0; i < 4000; ++i) {
        seed = seed * 1103515245u + 12345u;
        big += static_cast<char>('a' + (seed >> 16) % 26);
    }
    big += "\"}";
    write({{"R/big.ctd", big}}, "u");
    std::string bytes = readBytes(bundle_.file("u.lumoratheme"));
    const size_t entry = bytes.find("R/big.ctd");
    ASSERT_NE(entry, std::string::npos);
    ASSERT_LT(entry + 316, bytes.size());
    for (size_t i = entry + 300; i < entry + 316; ++i) bytes[i] = static_cast<char>(bytes[i] ^ 0x5a);
    test::TempDir::writeText(bundle_.file("u.lumoratheme"), bytes);
    ASSERT_EQ(theme().setCurrentTheme("u"), "u");
    ScopedLogCapture log;
    EXPECT_TRUE(theme().getSkinDescription("big").isNull());
    EXPECT_FALSE(Paths::fileExists(Paths::join(CCTheming::themeRootPath(), "u/R/big.ctd")));
    std::error_code ignored;
    for (const auto& file : std::filesystem::directory_iterator(Paths::join(CCTheming::themeRootPath(), "u/R"), ignored)) {
        ADD_FAILURE() << "left behind: " << file.path();
    }
}

TEST_F(ThemingTest, RemoteThemeReadsFromItsBase)
{
    test::LoopbackHTTPServer server;
    test::LoopbackHTTPServer::Reply master;
    master.body = R"({"tablebackgroundcolor":"102030"})";
    server.script("/theme/master.ctd", master);
    const std::string base = server.url("/theme");
    ASSERT_EQ(base.rfind("http://", 0), 0u);
    EXPECT_EQ(theme().setCurrentTheme(base), base);
    EXPECT_TRUE(theme().currentThemeIsHttp());
    CCLumoraError error;
    EXPECT_TRUE(theme().validateTheme(&error));
    EXPECT_NEAR(theme().getMasterConfigTableBackgroundColour()->r, 0x10 / 255.0f, 1e-5);
    EXPECT_EQ(server.requestLines(), (std::vector<std::string> {"GET /theme/master.ctd"}));
}

TEST_F(ThemingTest, CannedDescriptionsAndTheBackBar)
{
    Ref<CCUIDescription> none = CCTheming::uiDescriptionForNoConnection();
    EXPECT_EQ(none->fetchPriority(), 10000);
    EXPECT_TRUE(none->url().empty());
    const Value& data = none->mainData();
    EXPECT_EQ(data["uitype"].asString(), "dialog_onebutton");
    EXPECT_EQ(data["uidata"]["title"].asString(), "Internet Unavailable");
    EXPECT_EQ(data["uidata"]["body"].asString(), "\nYou are not currently connected to the Internet.\n\nPlease try again later.");
    EXPECT_EQ(data["uidata"]["buttontext1"].asString(), "OK");
    EXPECT_EQ(data["uidata"]["type"].asString(), "dialog_onebutton");
    const Value two = CCTheming::uiDescriptionForTwoButtonDialog("T", "B", "Yes", "No")->mainData()["uidata"];
    EXPECT_EQ(two["buttontext2"].asString(), "No");
    EXPECT_EQ(two["type"].asString(), "dialog_twobutton");
    EXPECT_EQ(CCTheming::uiDescriptionForPopup("a", "b")->mainData()["uitype"].asString(), "popup");
    EXPECT_EQ(CCTheming::uiDescriptionForSplashDialog()->mainData()["uidata"]["type"].asString(), "dialog_splash");

    CCTheming::addBackButtonBarToUiDescription(nullptr);
    Ref<CCUIDescription> noGroups = CCTheming::uiDescriptionForPopup("a", "b");
    CCTheming::addBackButtonBarToUiDescription(noGroups.get());
    EXPECT_EQ(noGroups->numberOfGroups(), 0);
    Ref<CCUIDescription> page(new CCUIDescription("p.cuid", 10, 0));
    page->setMainData(Value::dictionary(
        {{"groups", Value::array({Value::dictionary({{"items", Value::array({Value::dictionary({{"type", Value("text_row")}})})}})})}}));
    CCTheming::addBackButtonBarToUiDescription(page.get());
    CCTheming::addBackButtonBarToUiDescription(page.get());
    EXPECT_EQ(page->itemsInGroup(0), 2) << "inserted once";
    EXPECT_EQ(page->elementForItem(0, 0)["type"].asString(), "back_bar");
    EXPECT_EQ(page->elementForItem(0, 0)["backtext"].asString(), "Back");
}

// ---- the shipped theme and its test variant ----

// The shipped theme, or its status-bar variant, as the current theme of a
// bundle folder of its own.
class ShippedThemeTest : public test::SocialFixture, public ::testing::WithParamInterface<const char*> {
protected:
    bool isVariant() const { return std::string(GetParam()) == "variant"; }
    void useTheTheme()
    {
        const std::string source = isVariant()
                                       ? test::sourceTreePath("tests/data/social/mosswick_01_variant.lumoratheme")
                                       : test::sourceTreePath("resources/mosswick_01.lumoratheme");
        std::filesystem::copy_file(source, bundle_.file("mosswick_01.lumoratheme"));
        ASSERT_EQ(CCTheming::sharedInstance()->setCurrentTheme("mosswick_01"), "mosswick_01");
    }

    test::TempDir bundle_;
    test::ScopedEnv env_ {"MOSSWICK_RESOURCES", bundle_.path()};
};

// Every skin id the client asks for, as the theme must answer it.
std::vector<std::string> askedSkins(bool variant)
{
    std::vector<std::string> ids = {"master", "pulltab/config", "back_bar", "dialog_onebutton", "dialog_twobutton",
                                    "popup", "dialog_splash", "splash_portrait", "splash_landscape",
                                    "ipad_splash_portrait", "ipad_splash_landscape", "globalnav_portrait",
                                    "globalnav_landscape", "basicnav_portrait", "basicnav_landscape", "padnav_left",
                                    "padnav_basic_left", "padnav_bottom", "progress_indicator",
                                    "progress_indicator_big", "progress_indicator_big_noback",
                                    "form_switchpicturetwoline", "find_friends_images", "group_footer",
                                    "text_row", "link_row", "growing_text_row", "image_row", "two_button_row",
                                    "online_status_row", "form_switch", "form_switchwithimage",
                                    "form_switchpicturetwoline_disc", "form_textinput", "form_passwordinput",
                                    "lite_banner", "banner"};
    for (const char* edge : {"bottom", "right", "top", "left"}) {
        ids.push_back(std::string("pulltab/") + edge + "/overlay_position");
        for (const char* strip : {"lumoraslimline", "news", "achievements", "leaderboard", "gifting", "challenges",
                                  "profile", "lumora", "findfriends", "lumora_1tab", "lumora_2tab", "lumora_3tab",
                                  "lumora_4tab"}) {
            for (const char* o : {"_portrait", "_landscape"}) ids.push_back(std::string("pulltab/") + edge + "/" + strip + o);
        }
    }
    if (variant) {
        for (const char* id : {"globalbackground_portrait", "globalbackground_landscape", "basicbackground_portrait",
                               "basicbackground_landscape", "globalstatusbar_portrait", "globalstatusbar_landscape",
                               "basicstatusbar_portrait", "basicstatusbar_landscape", "ipad_background"}) {
            ids.push_back(id);
        }
    }
    return ids;
}

TEST_P(ShippedThemeTest, EverySkinParsesAndEveryImageExistsAtBothSizes)
{
    const bool variant = isVariant();
    useTheTheme();
    if (HasFatalFailure()) return;
    CCTheming& theme = *CCTheming::sharedInstance();
    CCLumoraError error;
    ASSERT_TRUE(theme.validateTheme(&error));
    EXPECT_EQ(theme.statusBarSkinInTheme(), variant);
    EXPECT_EQ(theme.backgroundImageInTheme(), variant);
    std::set<std::string> images {"images/global_components/badge.png"};
    if (variant) images.insert("images/ipad_specific/spinner.png");
    for (const std::string& id : askedSkins(variant)) {
        const Value& skin = theme.getSkinDescription(id);
        ASSERT_TRUE(skin.isDict() && !skin.empty()) << id;
        for (const Value& item : skin["items"].asArray()) {
            EXPECT_TRUE(item["id"].isString()) << id;
            for (const char* key : {"themesrc", "image", "depressedimage", "expandimage", "contractimage",
                                    "onlineimage", "offlineimage"}) {
                std::string path = item[key].asString();
                if (path.empty()) continue;
                if (path.rfind("theme://", 0) == 0) path = path.substr(8);
                images.insert(path);
            }
            // Strip tabs carry no string under their ids in page data; the
            // skins' own "href" names the page.
            if (id.rfind("pulltab/", 0) == 0 && item["type"].stringView() == "tab") {
                EXPECT_TRUE(item["href"].isString()) << id;
            }
        }
    }
    for (const std::string& path : images) {
        std::optional<std::string> one = theme.getDataFromThemeForFilePath(path);
        std::optional<std::string> two = theme.getDataFromThemeForFilePath(CCTheming::at2xStringFromPath(path));
        ASSERT_TRUE(one && two) << path;
        Ref<Image> a = Image::decode(reinterpret_cast<const uint8_t*>(one->data()), one->size());
        Ref<Image> b = Image::decode(reinterpret_cast<const uint8_t*>(two->data()), two->size());
        ASSERT_TRUE(a && b) << path;
        EXPECT_EQ(b->width(), a->width() * 2) << path;
        EXPECT_EQ(b->height(), a->height() * 2) << path;
    }
}

// The phone's full UI stands its bars in fixed frames around the 320 x 320
// page: each bar's skin must fill its frame and keep every item inside it
// (a 480-point strip in a 160-point bar lost its tabs), no two of its
// buttons may overlap (Back lay over the first tab), and each tab names its
// page under the service's base, or the tab opens nothing.
TEST_P(ShippedThemeTest, ThePhoneFullUiBarsFitTheirFramesAndTheirTabsNamePages)
{
    const bool variant = isVariant();
    useTheTheme();
    if (HasFatalFailure()) return;
    CCTheming& theme = *CCTheming::sharedInstance();
    struct Bar {
        const char* skin;
        bool statusBarLayout;
        float w, h;
        float usableW, usableH; // the part not under another bar
        int tabs;
    };
    // Without status-bar skins: the navigation bars beside the page. With
    // them: 45-point tab strips (the basic banners take the basic
    // navigation skins) and status bars; the basic portrait status bar's
    // last 45 points lie under the banner.
    const Bar bars[] = {
        {"globalnav_portrait", false, 320, 160, 320, 160, 4},
        {"globalnav_landscape", false, 160, 320, 160, 320, 4},
        {"basicnav_portrait", false, 320, 160, 320, 160, 1},
        {"basicnav_landscape", false, 160, 320, 160, 320, 1},
        {"globalnav_portrait", true, 320, 45, 320, 45, 4},
        {"globalnav_landscape", true, 45, 320, 45, 320, 4},
        {"basicnav_portrait", true, 320, 45, 320, 45, 1},
        {"basicnav_landscape", true, 45, 320, 45, 320, 1},
        {"globalstatusbar_portrait", true, 320, 115, 320, 115, 0},
        {"globalstatusbar_landscape", true, 115, 320, 115, 320, 0},
        {"basicstatusbar_portrait", true, 320, 160, 320, 115, 0},
        {"basicstatusbar_landscape", true, 115, 320, 115, 320, 0},
    };
    ASSERT_EQ(theme.statusBarSkinInTheme(), variant);
    for (const Bar& bar : bars) {
        if (bar.statusBarLayout != variant) continue;
        SCOPED_TRACE(bar.skin);
        const Value& skin = theme.getSkinDescription(bar.skin);
        const CGRect background = CCTheming::dimensionsFromItem(CCSkinnedView::skinItemForId("background", skin));
        EXPECT_EQ(background.size.width, bar.w);
        EXPECT_EQ(background.size.height, bar.h);
        std::vector<std::pair<std::string, CGRect>> buttons;
        int tabs = 0;
        for (const Value& item : skin["items"].asArray()) {
            const std::string id = item["id"].asString();
            const CGRect r = CCTheming::dimensionsFromItem(item);
            ASSERT_TRUE(std::isfinite(r.origin.x) && std::isfinite(r.origin.y)) << id;
            if (id == "background") continue;
            EXPECT_TRUE(r.origin.x >= 0 && r.origin.y >= 0 && r.origin.x + r.size.width <= bar.usableW &&
                        r.origin.y + r.size.height <= bar.usableH)
                << id << " lies outside the bar";
            const std::string_view type = item["type"].stringView();
            if (type != "tab" && type != "button") continue;
            for (const auto& [other, o] : buttons) {
                const bool apart = r.origin.x >= o.origin.x + o.size.width || o.origin.x >= r.origin.x + r.size.width ||
                                   r.origin.y >= o.origin.y + o.size.height || o.origin.y >= r.origin.y + r.size.height;
                EXPECT_TRUE(apart) << id << " overlaps " << other;
            }
            buttons.emplace_back(id, r);
            if (type == "tab") {
                ++tabs;
                const std::string href = item["href"].asString();
                EXPECT_TRUE(item["href"].isString() && href.size() > 5 && href.find("://") == std::string::npos &&
                            href.substr(href.size() - 5) == ".cuid")
                    << id << " names no page under the service's base";
            }
        }
        EXPECT_EQ(tabs, bar.tabs);
    }
}

INSTANTIATE_TEST_SUITE_P(Themes, ShippedThemeTest, ::testing::Values("shipped", "variant"));

TEST(ThemeArchive, RootFolderFirstAndTheGeneratorRepeatsItself)
{
    const std::string shipped = test::sourceTreePath("resources/mosswick_01.lumoratheme");
    const std::string bytes = readBytes(shipped);
    // The first local header names the root folder.
    ASSERT_GT(bytes.size(), 30u);
    const uint16_t nameLength = static_cast<uint8_t>(bytes[26]) | (static_cast<uint8_t>(bytes[27]) << 8);
    EXPECT_EQ(bytes.substr(30, nameLength), "mosswick_01/");

    if (std::system("/usr/bin/python3 -c 'import PIL' > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "the generator's packages are not installed (tools/generator-packages.txt)";
    }
    test::TempDir first;
    test::TempDir second;
    const std::string generator = test::sourceTreePath("tools/content/make_theme.py");
    ASSERT_EQ(std::system(("/usr/bin/python3 " + generator + " " + first.path() + " > /dev/null").c_str()), 0);
    ASSERT_EQ(std::system(("/usr/bin/python3 " + generator + " " + second.path() + " > /dev/null").c_str()), 0);
    const std::string fresh = readBytes(first.file("mosswick_01.lumoratheme"));
    EXPECT_EQ(fresh, readBytes(second.file("mosswick_01.lumoratheme")));
    EXPECT_EQ(readBytes(first.file("mosswick_01_variant.lumoratheme")),
              readBytes(second.file("mosswick_01_variant.lumoratheme")));
    EXPECT_TRUE(fresh == bytes) << "the committed theme is not what the generator writes";
    EXPECT_TRUE(readBytes(first.file("mosswick_01_variant.lumoratheme")) ==
                readBytes(test::sourceTreePath("tests/data/social/mosswick_01_variant.lumoratheme")));
}

} // namespace
} // namespace mw
