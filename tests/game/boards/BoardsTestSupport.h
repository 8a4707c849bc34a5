#pragma once

// Shared by the board-piece tests: a device with the real frame loop, the
// game data of the boards' fixture in the profile, achievements recorded in
// memory, and a generated sprite sheet holding every frame the pieces name
// as a plain colour (so pixels tell which frame lies where).

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/director/HeadlessDriver.h"
#include "engine/nodes/CCScene.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "engine/support/CCFileUtils.h"
#include "foundation/Random.h"
#include "foundation/Shared.h"
#include "game/boards/BoardHost.h"
#include "game/state/DataParser.h"
#include "game/state/GlobalObject.h"
#include "game/state/Profile.h"
#include "platform/DeviceProfile.h"
#include "platform/Image.h"
#include "tests/game/state/GameStateTestSupport.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/SharedInstances.h"
#include "tests/support/SourceTree.h"
#include "tests/support/TempDir.h"

namespace mw::test {

// One frame of the generated sheet: its size in pixels and its colour.
struct SheetFrame {
    std::string name;
    int width;
    int height;
    RGBA colour;
};

// The frames the board pieces name, each a plain colour.
inline std::vector<SheetFrame> boardSheetFrames()
{
    std::vector<SheetFrame> frames{
        {"earth.png", 40, 40, {150, 100, 50, 255}},        {"rubble.png", 40, 40, {120, 120, 120, 255}},
        {"stone.png", 40, 40, {90, 90, 110, 255}},         {"methane.png", 40, 40, {120, 200, 80, 255}},
        {"gold.png", 40, 40, {240, 200, 40, 255}},         {"coin.png", 40, 40, {250, 210, 0, 255}},
        {"mine_earth.png", 44, 44, {100, 60, 30, 255}},    {"mine_earth3.png", 46, 46, {70, 45, 25, 255}},
        {"methane_shadow.png", 40, 40, {0, 0, 0, 100}},    {"grass_spring.png", 40, 40, {60, 200, 60, 255}},
        {"grass.png", 40, 40, {40, 170, 40, 255}},         {"carrot_spring.png", 40, 40, {250, 140, 30, 255}},
        {"carrot.png", 40, 40, {240, 120, 20, 255}},       {"rabbit.png", 40, 40, {200, 200, 200, 255}},
        {"wolf.png", 40, 40, {80, 80, 80, 255}},
        {"chicken.png", 40, 40, {250, 250, 230, 255}},           {"drell_16fps_000.png", 40, 40, {255, 220, 0, 255}},
        {"line_star_01.png", 16, 16, {255, 255, 255, 255}}, {"mine_resource_bar_bg.png", 20, 60, {60, 40, 30, 255}},
        {"soup.png", 30, 30, {200, 60, 40, 255}},          {"bread.png", 30, 30, {210, 170, 90, 255}},
        {"gold_bar.png", 30, 30, {250, 200, 30, 255}},     {"building_block.png", 30, 30, {150, 150, 160, 255}},
        {"earth_res.png", 30, 30, {130, 80, 40, 255}},     {"grass_res.png", 30, 30, {50, 160, 50, 255}},
        {"rubble_res.png", 30, 30, {110, 110, 110, 255}},  {"farm_time_bar.png", 200, 20, {90, 160, 220, 255}},
        {"farm_time_bar_shadow.png", 50, 20, {0, 0, 0, 160}}, {"farm_time_bar_shadow_small.png", 50, 20, {0, 0, 0, 160}},
        {"calendar_01.png", 40, 10, {180, 180, 180, 255}}, {"calendar_02.png", 40, 36, {250, 250, 240, 255}},
        {"calendar_03.png", 44, 40, {200, 40, 40, 255}},   {"mine_meat.png", 16, 16, {200, 80, 80, 255}},
        {"mine_meat_eaten.png", 16, 16, {90, 60, 60, 255}}, {"food_ham_icon.png", 24, 24, {220, 90, 90, 255}},
        {"goods_popup.png", 220, 300, {230, 210, 170, 255}}, {"popup_tools_help_bg.png", 180, 30, {200, 180, 140, 255}},
        {"but_menu_back.png", 30, 30, {150, 60, 20, 255}}, {"but_menu_back_click.png", 30, 30, {120, 40, 10, 255}},
        {"tool_earth.png", 40, 40, {130, 90, 50, 255}},    {"tool_rubble.png", 40, 40, {100, 100, 100, 255}},
        {"tool_grass.png", 40, 40, {50, 150, 50, 255}},    {"coins_small_ico.png", 12, 12, {250, 200, 0, 255}},
    };
    for (int i = 1; i <= 6; ++i)
        frames.push_back({"farm_time_bar_marker_000" + std::to_string(i) + ".png", 12, 16,
                          {static_cast<uint8_t>(200 + 5 * i), 40, 40, 255}});
    for (int i = 1; i <= 11; ++i)
        frames.push_back({"321_000" + std::to_string(i) + ".png", 16, 16, {255, static_cast<uint8_t>(20 * i), 0, 255}});
    for (int i = 1; i <= 10; ++i)
        frames.push_back({std::string("gold_blik_") + (i < 10 ? "0" : "") + std::to_string(i) + ".png", 10, 10,
                          {255, 255, static_cast<uint8_t>(20 * i), 255}});
    return frames;
}

// Whole images (progress bars) by file name.
inline std::vector<SheetFrame> boardImages()
{
    std::vector<SheetFrame> images;
    for (const char* suffix : {"", "_small", "_big"}) {
        images.push_back({std::string("mine_resource_bar_act") + suffix + ".png", 16, 56, {80, 200, 60, 255}});
        images.push_back({std::string("mine_resource_bar_act_alpha") + suffix + ".png", 16, 56, {200, 240, 180, 255}});
    }
    return images;
}

inline Ref<Image> solidImage(int width, int height, RGBA colour)
{
    std::vector<uint8_t> pixels;
    for (int i = 0; i < width * height; ++i)
        pixels.insert(pixels.end(), {colour.r, colour.g, colour.b, colour.a});
    return Image::fromRGBA(std::move(pixels), width, height, ImageAlphaInfo::Last);
}

// Writes "<name>.png" and "<name>.plist" (format 2) holding `frames`, packed in rows.
inline void writeBoardSheet(const TempDir& bundle, const std::vector<SheetFrame>& frames,
                            const std::string& name = "boards")
{
    constexpr int kSide = 512;
    std::vector<uint8_t> pixels(kSide * kSide * 4, 0);
    std::string body;
    int x = 0, y = 0, rowHeight = 0;
    for (const SheetFrame& f : frames) {
        if (x + f.width > kSide) {
            x = 0;
            y += rowHeight + 1;
            rowHeight = 0;
        }
        for (int py = 0; py < f.height; ++py) {
            for (int px = 0; px < f.width; ++px) {
                uint8_t* p = &pixels[static_cast<size_t>(((y + py) * kSide + x + px) * 4)];
                p[0] = f.colour.r;
                p[1] = f.colour.g;
                p[2] = f.colour.b;
                p[3] = f.colour.a;
            }
        }
        const std::string rect = "{{" + std::to_string(x) + "," + std::to_string(y) + "},{" + std::to_string(f.width) +
                                 "," + std::to_string(f.height) + "}}";
        const std::string size = "{" + std::to_string(f.width) + "," + std::to_string(f.height) + "}";
        body += "<key>" + f.name + "</key><dict><key>frame</key><string>" + rect +
                "</string><key>offset</key><string>{0,0}</string><key>rotated</key><false/>"
                "<key>sourceSize</key><string>" +
                size + "</string></dict>";
        x += f.width + 1;
        rowHeight = std::max(rowHeight, f.height);
    }
    auto image = Image::fromRGBA(std::move(pixels), kSide, kSide, ImageAlphaInfo::Last);
    EXPECT_TRUE(image->writePNG(bundle.file(name + ".png")));
    bundle.write(name + ".plist", R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0"><dict><key>frames</key><dict>)" + body +
                                     R"(</dict><key>metadata</key><dict><key>format</key><integer>2</integer>
<key>textureFileName</key><string>)" + name + R"(.png</string></dict></dict></plist>
)");
}

// A board piece's world: the real frame loop for one device over the test
// process's GL context, a running scene to put pieces in, the boards'
// fixture parsed into the profile, a generated sheet loaded, and
// achievements recorded in `ledger`. Random draws come from the default
// source, seeded by each test that depends on them.
class BoardTest : public ::testing::Test {
protected:
    explicit BoardTest(const char* device = "phone") : device_(device) {}

    void SetUp() override
    {
        GLTestContext* gl = GLTestContext::acquire(64, 64);
        ASSERT_NE(gl, nullptr) << "no headless GL context";
        resetSharedInstances();
        CCFileUtils::setBundlePath(bundle_.path());
        copyBundledFiles();
        driver_ = HeadlessDriver::createWithContext(gl->context(), *DeviceProfile::named(device_));
        ASSERT_NE(driver_, nullptr);
        // Every fourth refresh and the last of each run draw: what a test
        // reads from the screen after a run is that moment's picture.
        driver_->setPictureEvery(4, true);
        scene_ = CCScene::node();
        driver_->director()->runWithScene(scene_.get());
        driver_->runFrames(1);
        (void)GlobalObject::sharedInstance();
        ledger_ = std::make_unique<RecordingLedger>();
        DataParser parser;
        ASSERT_TRUE(parser.parseData(sourceTreePath("tests/game/boards/fixtures/test.xml")));
        if (loadSheet_) loadSheet();
    }
    void TearDown() override
    {
        ledger_.reset();
        scene_ = nullptr;
        driver_.reset();
        resetSharedInstances();
        CCFileUtils::setBundlePath(savedBundle_);
    }

    void loadSheet()
    {
        writeBoardSheet(bundle_, boardSheetFrames());
        for (const SheetFrame& image : boardImages())
            EXPECT_TRUE(solidImage(image.width, image.height, image.colour)->writePNG(bundle_.file(image.name)));
        ASSERT_TRUE(CCSpriteFrameCache::sharedSpriteFrameCache()->addSpriteFramesWithFile("boards.plist"));
    }
    // The bundle's fonts and the director's statistics digits, as the game has them.
    void copyBundledFiles()
    {
        for (const TempDir* folder : {&bundle_, &scope_.bundle}) {
            std::filesystem::create_directories(folder->file("fonts"));
            for (const char* file : {"fonts/NimbusSans-Regular.otf", "fonts/NimbusSans-Bold.otf", "fps_images.png"}) {
                std::filesystem::copy_file(sourceTreePath(std::string("resources/") + file), folder->file(file),
                                           std::filesystem::copy_options::overwrite_existing);
            }
        }
    }

public:
    HeadlessDriver& driver() { return *driver_; }
    CCScene& scene() { return *scene_; }
    Profile& profile() { return *Profile::sharedInstance(); }
    RecordingLedger& ledger() { return *ledger_; }
    // Runs the frame loop for `seconds` of game time.
    void run(double seconds) { driver_->runFrames(static_cast<int>(seconds / driver_->step() + 0.5)); }

protected:
    const char* device_;
    bool loadSheet_ = true;
    TempDir bundle_;
    GameStateScope scope_{false};
    std::string savedBundle_ = CCFileUtils::bundlePath();
    std::unique_ptr<HeadlessDriver> driver_;
    Ref<CCScene> scene_;
    std::unique_ptr<RecordingLedger> ledger_;
};

// A board for the pieces to report to: it records what they tell it.
class RecordingBoard : public CCNode, public BoardHost {
public:
    void puzzleSelected(Puzzle* tile, bool draw) override { selected.push_back(tile); }
    void AddParticle(const std::string& textureName, CCParticleSystem*) override { particles.push_back(textureName); }
    void removePuzzlesFromChain(Puzzle* tile) override { removed.push_back(tile); }
    void removePuzzleAfterJump(Puzzle* tile) override { jumped.push_back(tile); }
    void SpecialTutorialAction(int32_t code) override { tutorial.push_back(code); }
    void PodTutorialHack() override { ++podHacks; }
    bool isFieldBoard() const override { return field; }
    void ValidateAndPlayTutorial() override { ++tutorialRuns; }
    void ToolInfoCallback() override { ++toolInfoCalls; }

    std::vector<Puzzle*> selected;
    std::vector<std::string> particles;
    std::vector<Puzzle*> removed;
    std::vector<Puzzle*> jumped;
    std::vector<int32_t> tutorial;
    int podHacks = 0;
    bool field = false;
    int tutorialRuns = 0;
    int toolInfoCalls = 0;
};

} // namespace mw::test
