#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "engine/base/CCWinSize.h"
#include "engine/director/CCDirector.h"
#include "engine/director/CCDirectorIOS.h"
#include "engine/base/ccContentScale.h"
#include "engine/labels/CCLabelTTF.h"
#include "engine/menus/CCMenuItem.h"
#include "engine/particles/CCParticleSystem.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "foundation/Paths.h"
#include "foundation/Random.h"
#include "game/state/LocalisationManager.h"
#include "game/state/Profile.h"
#include "game/village/CCCredits.h"
#include "game/village/EndGameFrame.h"
#include "engine/nodes/CCLayerColor.h"
#include "game/village/CCSeenCounter.h"
#include "game/village/CCTutorialParent.h"
#include "game/village/GuiObject.h"
#include "platform/FontFace.h"
#include "tests/game/front/FrontTestSupport.h"
#include "tests/support/SourceTree.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

// A content layer that notes its input switches, under a HUD that shows it.
class InputLayer : public CCLayer {
public:
    void SetInputActive(bool active) override { inputs.push_back(active); }
    std::vector<bool> inputs;
};
class LayerHud : public GuiObject {
public:
    CCLayer* GetLayer() const override { return layer.get(); }
    Ref<InputLayer> layer;
};

// Every name line of the credits, one a line.
std::string nameLines()
{
    std::string lines;
    for (const CCCredits::Entry& entry : CCCredits::entries())
        if (!entry.heading) lines += std::string(entry.text) + "\n";
    return lines;
}

// The family name a font file gives itself (name record 1), read from the
// font; empty when it has none in a form read here.
std::string familyOf(const std::string& path)
{
    Ref<FontFace> face = FontFace::load(path);
    std::vector<uint8_t> table;
    if (!face || !face->copyTable(fontTableTag("name"), table)) return {};
    auto u16 = [&table](size_t at) -> size_t {
        return at + 1 < table.size() ? static_cast<size_t>(table[at] << 8 | table[at + 1]) : 0;
    };
    const size_t count = u16(2), strings = u16(4);
    for (size_t i = 0; i < count; ++i) {
        const size_t record = 6 + 12 * i;
        const size_t platform = u16(record), nameID = u16(record + 6);
        const size_t length = u16(record + 8), start = strings + u16(record + 10);
        if (nameID != 1 || start + length > table.size()) continue;
        std::string name;
        if (platform == 0 || platform == 3) { // UTF-16BE: family names here are ASCII
            for (size_t k = 0; k + 1 < length; k += 2) name += static_cast<char>(table[start + k + 1]);
        } else {
            name.assign(table.begin() + static_cast<ptrdiff_t>(start),
                        table.begin() + static_cast<ptrdiff_t>(start + length));
        }
        if (!name.empty()) return name;
    }
    return {};
}

// The name lines credit what the game is truly made of: every font the
// bundle carries (by the family name in the font), the emoji font its
// pictures are drawn from, and every library the build links, with the words
// that a library's licence asks the credits to carry.
TEST(CreditsContent, TheNameLinesCreditTheFontsTheEmojiAndEveryLinkedLibrary)
{
    const std::string lines = nameLines();
    size_t fonts = 0;
    for (const auto& file : std::filesystem::directory_iterator(Paths::pathForResource("fonts"))) {
        const std::string extension = file.path().extension().string();
        if (extension != ".otf" && extension != ".ttf") continue;
        ++fonts;
        const std::string family = familyOf(file.path().string());
        ASSERT_FALSE(family.empty()) << file.path();
        EXPECT_NE(lines.find(family), std::string::npos) << family << " (" << file.path().filename() << ")";
    }
    EXPECT_GE(fonts, 3u);

    const std::string emojiNote = test::TempDir::readText(Paths::pathForResource("LICENSE-emoji.txt"));
    for (const char* words : {"Noto Color Emoji", "SIL Open Font License"})
        ASSERT_NE(emojiNote.find(words), std::string::npos) << words;
    EXPECT_NE(lines.find("Noto Color Emoji"), std::string::npos);
    EXPECT_NE(lines.find("SIL OFL"), std::string::npos);

    // pkg-config module -> the name it is credited under.
    const std::map<std::string, std::string> credited = {
        {"libxml-2.0", "libxml2"},    {"sdl2", "SDL2"},         {"egl", "Mesa"},
        {"glesv1_cm", "Mesa"},        {"libpng", "libpng"},     {"libjpeg", "libjpeg"},
        {"zlib", "zlib"},             {"freetype2", "FreeType"}, {"libavformat", "FFmpeg"},
        {"libavcodec", "FFmpeg"},     {"libswresample", "FFmpeg"}, {"libavutil", "FFmpeg"},
        {"openal", "OpenAL Soft"},    {"icu-i18n", "ICU"},       {"icu-uc", "ICU"},
        {"tinyxml2", "tinyxml2"},     {"minizip", "minizip"},   {"libcurl", "libcurl"},
        {"libcrypto", "OpenSSL"},     {"libssl", "OpenSSL"},
    };
    const std::string build = test::TempDir::readText(test::sourceTreePath("CMakeLists.txt"));
    const std::regex linked(R"(pkg_check_modules\(\w+ REQUIRED IMPORTED_TARGET ([^)]*)\))");
    size_t modules = 0;
    for (std::sregex_iterator it(build.begin(), build.end(), linked), end; it != end; ++it) {
        std::istringstream names((*it)[1].str());
        for (std::string module; names >> module;) {
            ++modules;
            const auto found = credited.find(module);
            ASSERT_NE(found, credited.end()) << module << " is linked: credit it and name it here";
            EXPECT_NE(lines.find(found->second), std::string::npos) << module;
        }
    }
    EXPECT_GE(modules, credited.size() - 1);
    for (const char* notice : {"the Independent JPEG Group", "The FreeType Project"})
        EXPECT_NE(lines.find(notice), std::string::npos) << notice;
}

// Every name line is a name a player can read: the people and works that
// made the game, never an identity a tool made up (a version-control set-up's
// "<word> <commit-like hex> maintainers"). The contributors are the project's.
TEST(CreditsContent, TheContributorsAreTheProjectAndNoLineIsAToolsIdentity)
{
    const auto& entries = CCCredits::entries();
    ASSERT_GE(entries.size(), 4u);
    ASSERT_TRUE(entries[2].heading);
    ASSERT_EQ(std::string(entries[2].text), "CREDITS_9") << "the contributors' heading";
    EXPECT_EQ(std::string(entries[3].text), "The Mosswick project");
    // A run of seven or more hex digits with both letters and digits in it.
    const std::regex hexId(R"(\b(?=[0-9a-f]*[a-f])(?=[0-9a-f]*[0-9])[0-9a-f]{7,}\b)", std::regex::icase);
    for (const CCCredits::Entry& entry : entries) {
        if (entry.heading) continue;
        const std::string line = entry.text;
        EXPECT_FALSE(std::regex_search(line, hexId)) << line;
        EXPECT_EQ(line.find("maintainers"), std::string::npos) << line;
    }
}

class CreditsTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(run_.ok()) << "no headless GL context";
        scene_ = run_.runPlainScene();
        (void)GlobalObject::sharedInstance();
        ASSERT_TRUE(run_.loadVillageSheets());
        LocalisationManager::sharedInstance()->parseCSVFile("stringdb.csv");
    }
    bool tablet() const { return GlobalObject::sharedInstance()->isIpad; }

    test::DeviceRun run_{GetParam()};
    CCScene* scene_ = nullptr;
};

TEST_P(CreditsTest, TheBlockHoldsTheEntriesInOrderAndItsHeightAddsUp)
{
    auto credits = CCCredits::credits();
    const auto& entries = CCCredits::entries();
    ASSERT_EQ(entries.size(), 38u);
    const std::vector<std::string> headings = {"CREDITS_1", "CREDITS_9", "CREDITS_2", "CREDITS_3",
                                               "CREDITS_4", "CREDITS_5", "CREDITS_6", "CREDITS_7",
                                               "CREDITS_8", "CREDITS_10"};
    const std::vector<size_t> headingAt = {0, 2, 4, 6, 8, 10, 15, 17, 21, 33};
    std::vector<std::string> seen;
    std::vector<size_t> seenAt;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (!entries[i].heading) continue;
        seen.push_back(entries[i].text);
        seenAt.push_back(i);
    }
    EXPECT_EQ(seen, headings);
    EXPECT_EQ(seenAt, headingAt);
    EXPECT_EQ(std::string(entries.back().text), "Tally Analytics") << "the analytics service last";

    ASSERT_EQ(credits->children()->count(), 38u);
    float labels = 0;
    float y = 0;
    for (size_t i = 0; i < 38; ++i) {
        auto* label = dynamic_cast<CCLabelTTF*>(credits->children()->objectAtIndex(static_cast<uint32_t>(i)));
        ASSERT_NE(label, nullptr);
        if (entries[i].heading) {
            y += 20;
            EXPECT_EQ(label->string(), LocalisationManager::sharedInstance()->getValue(entries[i].text));
            EXPECT_EQ(label->fontName(), "HelveticaNeue-Bold");
            EXPECT_EQ(label->color(), (ccColor3B{218, 100, 18}));
        } else {
            EXPECT_EQ(label->string(), entries[i].text);
            EXPECT_EQ(label->color(), (ccColor3B{71, 57, 48}));
        }
        EXPECT_EQ(label->position(), (CGPoint{0, -y})) << i;
        const float h = label->contentSize().height;
        EXPECT_GT(h, 0);
        labels += h;
        y += h;
    }
    const float last = static_cast<CCLabelTTF*>(credits->children()->objectAtIndex(37))->contentSize().height;
    EXPECT_FLOAT_EQ(credits->GetHeight(), labels + 10 * 20 + 4 * last);
}

// Drawn over the whole screen, the block leaves a mark only inside the band
// from 0.25 H to 0.51 H.
TEST_P(CreditsTest, NothingIsDrawnOutsideTheBand)
{
    const CGSize win = ccWinSize();
    const CGRect band = CCCredits::clipBand();
    EXPECT_EQ(band.origin.y, 0.25f * win.height);
    EXPECT_FLOAT_EQ(band.size.height, 0.26f * win.height);
    EXPECT_EQ(band.size.width, win.width);

    auto credits = CCCredits::credits();
    ASSERT_GT(credits->GetHeight(), win.height) << "the block spans the whole screen";
    credits->setPosition({win.width / 2, win.height});
    scene_->addChild(credits.get());
    run_.run(1.0 / 30);
    run_.picture("credits-band");

    test::GLTestContext& gl = run_.gl();
    const std::vector<uint8_t> rgba = gl.readRGBA();
    const int width = gl.width(), height = gl.height();
    const float scale = CC_CONTENT_SCALE_FACTOR();
    const int low = static_cast<int>(std::lround(0.25f * win.height * scale));
    const int high = static_cast<int>(std::lround(0.51f * win.height * scale));
    int inside = 0, outside = 0;
    for (int row = 0; row < height; ++row) {
        const int y = height - 1 - row; // from the bottom
        for (int x = 0; x < width; ++x) {
            const uint8_t* p = &rgba[static_cast<size_t>((row * width + x) * 4)];
            if (p[0] + p[1] + p[2] < 30) continue;
            (y >= low && y < high ? inside : outside)++;
        }
    }
    EXPECT_GT(inside, 100) << "the credits show inside the band";
    EXPECT_EQ(outside, 0);
}

// The scissor box is in the frame buffer's own (portrait) axes, from the
// window size the director gives for the orientation (swapped in landscape):
// the band stays 0.25 to 0.51 of the screen's height as the player sees it.
TEST_P(CreditsTest, TheBandFollowsTheDeviceOrientation)
{
    auto* director = dynamic_cast<CCDirectorIOS*>(CCDirector::sharedDirector());
    ASSERT_NE(director, nullptr);
    struct Row {
        int32_t orientation;
        float x, y, width, height; // in units of the window's H (w: its W)
        bool widthIsW, heightIsW;
    };
    const Row rows[] = {
        {kCCDeviceOrientationPortrait, 0, 0.25f, 0, 0.26f, true, false},
        {kCCDeviceOrientationPortraitUpsideDown, 0, 0.49f, 0, 0.26f, true, false},
        {kCCDeviceOrientationLandscapeLeft, 0.25f, 0, 0.26f, 0, false, true},
        {kCCDeviceOrientationLandscapeRight, 0.49f, 0, 0.26f, 0, false, true},
    };
    const int32_t before = director->deviceOrientation();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.orientation);
        director->setDeviceOrientation(row.orientation);
        const CGSize win = director->winSize();
        const CGRect band = CCCredits::clipBand();
        EXPECT_FLOAT_EQ(band.origin.x, row.x * win.height);
        EXPECT_FLOAT_EQ(band.origin.y, row.y * win.height);
        EXPECT_FLOAT_EQ(band.size.width, row.widthIsW ? win.width : row.width * win.height);
        EXPECT_FLOAT_EQ(band.size.height, row.heightIsW ? win.width : row.height * win.height);
    }
    director->setDeviceOrientation(before);
}

TEST_P(CreditsTest, EndOfContentFrame)
{
    ScopedRandomSource fixed(std::make_shared<DefaultRandomSource>());
    Profile::sharedInstance()->FingerLength = 149;
    std::vector<std::string> sounds;
    GlobalObject::sharedInstance()->soundRequestListener = [&](const std::string& key) {
        sounds.push_back(key);
    };

    auto gui = GuiObject::guiWithParent(nullptr);
    scene_->addChild(gui.get());
    auto frame = EndGameFrame::frame();
    ASSERT_NE(frame, nullptr);
    const CGSize win = ccWinSize();
    frame->setPosition({win.width / 2, win.height / 2});
    gui->addChild(frame.get(), 1);
    EXPECT_EQ(sounds, (std::vector<std::string>{"game_end"}));

    auto* line = dynamic_cast<CCLabelTTF*>(frame->distanceLine());
    ASSERT_NE(line, nullptr);
    const std::string expected = LocalisationManager::sharedInstance()->getValue("ENDGAME_5") +
                                 (tablet() ? " 2 " : " 1 ") +
                                 LocalisationManager::sharedInstance()->getValue("ENDGAME_M");
    EXPECT_EQ(line->string(), expected);

    run_.run(2.0);
    run_.picture("end-of-content");
    int bursts = 0;
    const float reach = win.width / 2.5f;
    for (Object* child : *frame->children()) {
        auto* burst = dynamic_cast<CCParticleSystem*>(child);
        if (!burst) continue;
        ++bursts;
        EXPECT_EQ(burst->zOrder(), 1);
        EXPECT_LE(std::fabs(burst->position().x), reach);
        EXPECT_LE(std::fabs(burst->position().y), reach);
        EXPECT_EQ(burst->position().x, std::trunc(burst->position().x));
    }
    EXPECT_GE(bursts, 1);

    // No current layer: the frame goes, the HUD's input stays off.
    gui->SetInputActive(false);
    Ref<EndGameFrame> keep = frame;
    frame->continueButton()->activate();
    EXPECT_EQ(frame->parent(), nullptr);
    EXPECT_FALSE(gui->IsActive());
    EXPECT_EQ(sounds.back(), "selection_menu");
    const size_t left = frame->children()->count();
    run_.run(0.7);
    EXPECT_LE(frame->children()->count(), left) << "no more sparks";

    // Over a layer: both get their input back.
    auto hud = makeRef<LayerHud>();
    ASSERT_TRUE(hud->initWithParent(nullptr));
    hud->layer = makeRef<InputLayer>();
    scene_->addChild(hud.get());
    hud->SetInputActive(false);
    auto second = EndGameFrame::frame();
    hud->addChild(second.get(), 1);
    second->continueButton()->activate();
    EXPECT_EQ(second->parent(), nullptr);
    EXPECT_TRUE(hud->IsActive());
    EXPECT_EQ(hud->layer->inputs, std::vector<bool>{true});
    GlobalObject::sharedInstance()->soundRequestListener = nullptr;
}

INSTANTIATE_TEST_SUITE_P(Devices, CreditsTest, ::testing::Values("phone-hd", "tablet-hd"));

} // namespace
} // namespace mw
