// The interface art as the game loads it, on each of the four screens: the
// title screen's sheet alone, the village and board sheets together, the
// pictures loaded whole, the HUD's and the options pop-up's scene files with
// their members and buttons bound, the title screen's part animations, the
// village's particle lists and the engine's fallbacks. Every failure names
// the screen, the file and the frame.
//
// With MOSSWICK_CONTACT_SHEETS naming a folder, the contact-sheet test draws
// every frame of each screen's sheets with its name into PNG pages there.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <typeinfo>
#include <vector>

#include <GLES/gl.h>
#include <gtest/gtest.h>

#include "engine/base/CCPropertyRegistry.h"
#include "engine/base/CCRGBAProtocol.h"
#include "engine/base/CCWinSize.h"
#include "engine/base/ccContentScale.h"
#include "engine/base/ccDrawingState.h"
#include "engine/labels/CCLabelBMFont.h"
#include "engine/labels/CCLabelTTF.h"
#include "engine/menus/CCHoldButton.h"
#include "engine/menus/CCMenu.h"
#include "engine/menus/CCMenuItem.h"
#include "engine/nodes/CCNode.h"
#include "engine/particles/CCParticleSystemQuad.h"
#include "engine/scenes/CCBReader.h"
#include "engine/sprites/CCSprite.h"
#include "engine/sprites/CCSpriteFrame.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "engine/support/CCFileUtils.h"
#include "engine/textures/CCTexture2D.h"
#include "engine/textures/CCTextureCache.h"
#include "foundation/Log.h"
#include "foundation/PropertyList.h"
#include "foundation/Value.h"
#include "game/defs/Animation.h"
#include "tests/content/DeviceProfiles.h"
#include "tests/support/GLTestContext.h"

namespace mw {
namespace {

using ::test::DeviceProfile;
using ::test::deviceProfiles;

// ---- the names the code asks for ----

// Title screen only (its sheet is the only one loaded there).
const std::vector<std::string> kMenuOnlyFrames = {
    "logo_MW_01.png", "logo_MW_02.png", "icon_facebook.png", "icon_twitter.png",
    "mainmenu_element_01.png", "mainmenu_element_02.png", "mainmenu_element_03.png",
};

// Needed both on the title screen and in the village and boards: the doors'
// handles, the options pop-up's switches and credits masks, the game-centre icons.
const std::vector<std::string> kSharedFrames = {
    "loading_tab1.png", "loading_tab2.png", "main_menu_music_icon.png", "main_menu_music_icon_disabled.png",
    "main_menu_sounds_icon.png", "main_menu_sounds_icon_disabled.png", "popup_credits_mask.png",
    "icon_achievments.png", "icon_leaderboards.png",
};

// The village's and boards' interface frames this art provides.
std::vector<std::string> villageInterfaceFrames()
{
    std::vector<std::string> names = {
        "bg_popup.png", "bg_build.png", "craftfood_button.png", "craftfood_button_click.png", "coin_lvl_up.png",
        "resource_tooltip.png", "resource_tooltip_info.png", "XP_bar_bg.png",
        "XP_bar_active.png", "alert_01.png", "alert_02.png", "strzalka.png", "achievment_bar.png",
        "popup_bottom_dark.png", "popup_lvl_bg.png", "popup_gold_bg.png", "build_button.png",
        "build_button_click.png", "cancel_button.png", "cancel_button_click.png", "instantbuy_button.png",
        "instantbuy_button_click.png", "tools_plus.png", "tools_plus_click.png", "tools_plus_disable.png",
        "tools_minus.png", "tools_minus_click.png", "tools_minus_disable.png", "microtransactions_list_open.png",
        "list_bg1_hire.png", "list_new.png", "list_population_spacer.png", "max_button.png", "list_button.png",
        "list_button_click.png", "list_button_disabled.png", "list_button_medium.png",
        "list_button_medium_click.png", "list_button_medium_disabled.png", "list_button_dark.png",
        "list_button_dark_click.png", "list_button_dark_medium.png", "list_button_dark_medium_click.png",
        "Tutorial_red_arrow.png", "L.png", "E.png", "V.png",
        "coins_small_ico.png", "list_padlock.png", "list_updates_coming.png", "tools_list_bg1.png",
        "tools_nbr_bg.png", "sell_bg_light.png", "sell_button.png", "sell_button_click.png", "sell_bg.png",
        "+_button_off.png", "+_button_on.png", "__button_off.png", "__button_on.png", "button_taxes.png",
        "button_taxes_off.png", "chest_open.png", "chest_closed.png", "popup_tutorial.png",
        "popup_workers_resources.png", "building_tooltip_info.png", "trophy.png", "yellow_ray.png",
    };
    for (int k = 1; k <= 4; ++k) {
        names.push_back("resource_number_bg_x" + std::to_string(k) + ".png");
        names.push_back("resource_number_bg_x" + std::to_string(k) + "_red.png");
    }
    for (int d = 0; d <= 9; ++d) names.push_back(std::to_string(d) + ".png");
    names.insert(names.end(), kSharedFrames.begin(), kSharedFrames.end());
    return names;
}

// Frames that span the screen: as wide as the window on every device.
const std::vector<std::string> kScreenWideFrames = {
    "hud_bottom_bar.png", "hud_top_bar.png", "list_bg1_hire.png", "list_updates_coming.png", "tools_list_bg1.png",
    "sell_bg_light.png",
};

// ---- helpers ----

CGSize gWindow{320, 480};
CGSize windowSize() { return gWindow; }

class GuiArtTest : public test::GLRenderTest {
protected:
    GuiArtTest() : GLRenderTest(64, 64) {}
    void SetUp() override
    {
        GLRenderTest::SetUp();
        ccSetWinSizeProvider(&windowSize);
    }
    void TearDown() override
    {
        dropEverything();
        ccSetContentScaleFactor(1);
        ccSetWinSizeProvider(nullptr);
    }

    // Puts the engine in a profile's screen with no sheet loaded.
    static void enter(const DeviceProfile& profile)
    {
        dropEverything();
        ccSetContentScaleFactor(profile.contentScale);
        gWindow = CGSize(profile.widthPixels / profile.contentScale, profile.heightPixels / profile.contentScale);
    }
    static void dropEverything()
    {
        CCSpriteFrameCache::sharedSpriteFrameCache()->removeSpriteFrames();
        CCTextureCache::sharedTextureCache()->removeAllTextures();
    }
    // Loads the title screen's sheet as the menu does.
    static bool loadMenuSheet(const DeviceProfile& profile)
    {
        return CCSpriteFrameCache::sharedSpriteFrameCache()->addSpriteFramesWithFile(profile.menuSheet);
    }
    // Loads the village and board sheets this art provides (the interface
    // pair); the others are checked by their own validators but loaded when
    // present, since frames may sit in any of the four.
    static void loadVillageSheets(const DeviceProfile& profile)
    {
        for (size_t i = 0; i < profile.villageSheets.size(); ++i) {
            const std::string sheet = profile.villageSheets[i];
            const bool ours = i >= 2;
            const bool present = std::filesystem::exists(CCFileUtils::bundlePath() + "/" + sheet);
            if (!ours && !present) continue;
            EXPECT_TRUE(CCSpriteFrameCache::sharedSpriteFrameCache()->addSpriteFramesWithFile(sheet))
                << profile.name << ": " << sheet << " does not load";
        }
    }
    static Ref<CCSpriteFrame> frame(const std::string& name)
    {
        return CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(name);
    }
};

// The frames of a sheet's property list, by name.
std::vector<std::string> framesOf(const std::string& sheet)
{
    std::vector<std::string> names;
    std::optional<Value> document = readPropertyListFile(CCFileUtils::bundlePath() + "/" + sheet);
    if (!document) return names;
    for (const auto& [name, entry] : (*document)["frames"].asDict()) names.push_back(name);
    return names;
}

// The row's pixels per phone point (1, 2 or 4) of a sheet named "...-L", "_H2" ...
int rowScale(const std::string& sheet)
{
    if (sheet.find("H2.plist") != std::string::npos) return 4;
    if (sheet.find("H.plist") != std::string::npos) return 2;
    return 1;
}

TEST_F(GuiArtTest, MenuSheetAloneHoldsEveryTitleScreenFrame)
{
    for (const DeviceProfile& profile : deviceProfiles()) {
        enter(profile);
        ASSERT_TRUE(loadMenuSheet(profile)) << profile.name << ": " << profile.menuSheet << " does not load";
        std::vector<std::string> names = kMenuOnlyFrames;
        names.insert(names.end(), kSharedFrames.begin(), kSharedFrames.end());
        for (const std::string& name : names) {
            EXPECT_NE(frame(name), nullptr) << profile.name << ": " << profile.menuSheet << " lacks " << name;
        }
    }
}

TEST_F(GuiArtTest, VillageSheetsHoldEveryInterfaceFrameAndScreenWideFramesSpanTheWindow)
{
    for (const DeviceProfile& profile : deviceProfiles()) {
        enter(profile);
        loadVillageSheets(profile);
        for (const std::string& name : villageInterfaceFrames()) {
            EXPECT_NE(frame(name), nullptr) << profile.name << ": no village sheet holds " << name;
        }
        for (const std::string& name : kScreenWideFrames) {
            Ref<CCSpriteFrame> f = frame(name);
            if (!f) {
                ADD_FAILURE() << profile.name << ": no village sheet holds " << name;
                continue;
            }
            EXPECT_NEAR(f->rect().size.width, gWindow.width, 0.5) << profile.name << ": " << name;
        }
    }
}

// A frame has one size in phone points on every row: L at 1, H at 2 and H2 at
// 4 pixels per point; a frame in one row only would be missing on some screen.
TEST_F(GuiArtTest, EveryFrameHasOneSizeInPointsInEveryRow)
{
    for (const std::string stem : {"gui_common-", "MainMenu_"}) {
        std::map<std::string, std::map<std::string, CGSize>> sizes;  // frame -> sheet -> phone points
        const std::vector<std::string> rows = {stem + "L.plist", stem + "H.plist", stem + "H2.plist"};
        for (const std::string& sheet : rows) {
            std::optional<Value> document = readPropertyListFile(CCFileUtils::bundlePath() + "/" + sheet);
            ASSERT_TRUE(document.has_value()) << sheet << " does not read";
            for (const auto& [name, entry] : (*document)["frames"].asDict()) {
                float x, y, w, h;
                ASSERT_EQ(std::sscanf(entry["frame"].asString().c_str(), "{{%f,%f},{%f,%f}}", &x, &y, &w, &h), 4)
                    << sheet << ": " << name;
                sizes[name][sheet] = CGSize(w / rowScale(sheet), h / rowScale(sheet));
            }
        }
        for (const auto& [name, bySheet] : sizes) {
            ASSERT_EQ(bySheet.size(), rows.size()) << stem << ": " << name << " is not in every row";
            const CGSize first = bySheet.begin()->second;
            for (const auto& [sheet, size] : bySheet) {
                EXPECT_NEAR(size.width, first.width, 0.5) << sheet << ": " << name;
                EXPECT_NEAR(size.height, first.height, 0.5) << sheet << ": " << name;
            }
        }
    }
}

TEST_F(GuiArtTest, WholePicturesLoadAtTheSizesTheScreensNeed)
{
    struct Picture {
        const char* file;
        int minWidth, minHeight;  // pixels
    };
    const Picture pictures[] = {
        {"main_interface_logotype_zandovar_small.png", 1, 1}, {"main_interface_logotype_zandovar.png", 1, 1},
        {"main_interface_logotype_zandovar_big.png", 1, 1}, {"main_interface_logotype_quillfen_small.png", 1, 1},
        {"main_interface_logotype_quillfen.png", 1, 1}, {"main_interface_logotype_quillfen_big.png", 1, 1},
        // the title valley slides left and grows during the intro
        {"v3_mainmenu_bg_1.jpg", 470, 480}, {"v3_mainmenu_bg_2.jpg", 1022, 1024}, {"v3_mainmenu_bg_3.jpg", 2044, 2048},
        // one door half covers half the window
        {"loading_doors_ip3.png", 160, 480}, {"loading_doors_ip4.png", 320, 960}, {"loading_doors_ipad.png", 384, 1024},
        {"stats_bg.jpg", 768, 886}, {"stats_bg.png", 320, 419},
        {"missing-texture.png", 1, 1}, {"fire.png", 1, 1}, {"particle_spark.png", 1, 1}, {"particle_star.png", 1, 1},
    };
    enter(deviceProfiles()[0]);
    for (const Picture& picture : pictures) {
        Ref<CCTexture2D> texture = CCTextureCache::sharedTextureCache()->addImage(picture.file);
        if (!texture) {
            ADD_FAILURE() << picture.file << " does not load as a texture";
            continue;
        }
        EXPECT_GE(texture->contentSizeInPixels().width, picture.minWidth) << picture.file;
        EXPECT_GE(texture->contentSizeInPixels().height, picture.minHeight) << picture.file;
    }
    ScopedLogCapture log;
    EXPECT_NE(CCLabelBMFont::labelWithString("Abc 123", "missing-font.fnt"), nullptr) << "missing-font.fnt";
}

// ---- scene files ----

// Owners that record what the scene reader gives them: one plain member per
// node name and one operation per selector, each noting its own name.
#define MW_HUD_MEMBERS(X)                                                                                     \
    X(BottomBar) X(TopBar) X(GoodsPopUp) X(BuildButton) X(ToolsButton) X(WorkersButton) X(MicroButton)         \
    X(ShopButton) X(EmptyButton) X(EmptyButton2) X(MenuButton) X(BackButton) X(BagButton) X(CloseBag)          \
    X(WorkersMarker) X(LvlMarker) X(GoldMarker) X(ExpBar) X(VillageNameMarker) X(ResMarker)                    \
    X(WorkersMarkerPopUp) X(GoldMarkerPopUp) X(Menu1) X(Menu2) X(Menu3)
#define MW_HUD_SELECTORS(X)                                                                                   \
    X(BuildCallback) X(ToolsCallback) X(WorkersCallback) X(MicroCallback) X(ShopCallback) X(BackCallback)      \
    X(MenuCallback) X(BagCallback) X(CloseBagCallback) X(EmptyCallback)
#define MW_OPTIONS_MEMBERS(X)                                                                                 \
    X(ButtonL1Menu) X(ButtonL2ResetMenu) X(ButtonL2CloudMenu) X(ButtonL3CloudMenu) X(AboutMenu) X(MusicButton) \
    X(SoundButton) X(CloudButton) X(CreditsButton) X(ResetGameButton) X(MenuButton) X(BackButton) X(ResetYes)  \
    X(ResetNo) X(BackResetButton) X(BackCloudButton) X(BackCreditsButton) X(BackAboutButton) X(TermsButton)    \
    X(PrivacyButton) X(EULAButton) X(CreditsButtonE) X(ContinueButton) X(Bcg)
#define MW_OPTIONS_SELECTORS(X)                                                                               \
    X(ChangeMusic) X(ChangeSound) X(CloudCallback) X(CloudYesCallback) X(CloudNoCallback) X(BackCloudCallback)  \
    X(CreditsCallback) X(TermsCallback) X(PrivacyCallback) X(EULACallback) X(CreditsAboutCallback)             \
    X(BackCreditsCallback) X(BackAboutCallback) X(ResetCallback) X(ResetYesCallback) X(ResetNoCallback)        \
    X(BackResetCallback) X(MenuCallback) X(BackCallback) X(ContinueCallback)

#define MW_DECLARE_MEMBER(name) CCNode* name = nullptr;
#define MW_LIST_MEMBER(name) {#name, name},
#define MW_DECLARE_SELECTOR(name) \
    void name(Object*) { calls.push_back(#name ":"); }
#define MW_LIST_SELECTOR(name) #name ":",

class HudOwner : public Object {
public:
    MW_HUD_MEMBERS(MW_DECLARE_MEMBER)
    MW_HUD_SELECTORS(MW_DECLARE_SELECTOR)
    std::map<std::string, CCNode*> members() const { return {MW_HUD_MEMBERS(MW_LIST_MEMBER)}; }
    static std::vector<std::string> selectors() { return {MW_HUD_SELECTORS(MW_LIST_SELECTOR)}; }
    std::vector<std::string> calls;
};

class OptionsOwner : public Object {
public:
    MW_OPTIONS_MEMBERS(MW_DECLARE_MEMBER)
    MW_OPTIONS_SELECTORS(MW_DECLARE_SELECTOR)
    std::map<std::string, CCNode*> members() const { return {MW_OPTIONS_MEMBERS(MW_LIST_MEMBER)}; }
    static std::vector<std::string> selectors() { return {MW_OPTIONS_SELECTORS(MW_LIST_SELECTOR)}; }
    std::vector<std::string> calls;
};

// Stands in for the experience bar, which the HUD's file names as a custom class.
class StandInExpBar : public CCNode {};

[[maybe_unused]] const bool recordersRegistered = [] {
    CCPropertyRegistry& registry = CCPropertyRegistry::shared();
#define MW_REGISTER_HUD_MEMBER(name) registry.registerMember<HudOwner, CCNode>(#name, &HudOwner::name);
#define MW_REGISTER_HUD_SELECTOR(name) registry.registerSelector<HudOwner>(#name ":", &HudOwner::name);
#define MW_REGISTER_OPTIONS_MEMBER(name) registry.registerMember<OptionsOwner, CCNode>(#name, &OptionsOwner::name);
#define MW_REGISTER_OPTIONS_SELECTOR(name) registry.registerSelector<OptionsOwner>(#name ":", &OptionsOwner::name);
    MW_HUD_MEMBERS(MW_REGISTER_HUD_MEMBER)
    MW_HUD_SELECTORS(MW_REGISTER_HUD_SELECTOR)
    MW_OPTIONS_MEMBERS(MW_REGISTER_OPTIONS_MEMBER)
    MW_OPTIONS_SELECTORS(MW_REGISTER_OPTIONS_SELECTOR)
    if (!registry.createInstance("CCExpBar")) registry.registerClass<StandInExpBar>("CCExpBar");
    // The menu classes register themselves with the reader in their own
    // sources; naming their types links those sources in, as the game does.
    (void)CCMenu::menuWithItems({});
    (void)typeid(CCHoldButtonImage);
    return true;
}();

// Every node of a tree, depth first.
void walk(CCNode* node, const std::function<void(CCNode*)>& visit)
{
    visit(node);
    if (!node->children()) return;
    for (Object* child : *node->children()) walk(static_cast<CCNode*>(child), visit);
}

// The sprites of a tree that fell back to the placeholder picture.
std::vector<std::string> placeholderSprites(CCNode* root)
{
    Ref<CCTexture2D> missing = CCTextureCache::sharedTextureCache()->addImage("missing-texture.png");
    std::vector<std::string> found;
    walk(root, [&](CCNode* node) {
        auto* sprite = dynamic_cast<CCSprite*>(node);
        if (sprite && missing && sprite->texture() == missing.get()) {
            CCNode* holder = sprite->parent() ? sprite->parent() : sprite;
            found.push_back(holder->description());
        }
    });
    return found;
}

// Reads a scene file; asserts that it builds with no reader warning and no
// placeholder picture.
template <typename Owner>
Ref<CCNode> readScene(const std::string& file, Owner& owner, const std::string& context)
{
    ScopedLogCapture log;
    Ref<CCNode> root = CCBReader::nodeGraphFromFile(file, &owner);
    EXPECT_NE(root, nullptr) << context << ": " << file << " does not read";
    if (!root) return root;
    for (const std::string& line : log.lines()) {
        EXPECT_EQ(line.find("WARNING!"), std::string::npos) << context << ": " << file << ": " << line;
    }
    for (const std::string& sprite : placeholderSprites(root.get())) {
        ADD_FAILURE() << context << ": " << file << ": a picture of " << sprite << " names no loaded frame";
    }
    bool complete = true;
    for (const auto& [name, node] : owner.members()) {
        EXPECT_NE(node, nullptr) << context << ": " << file << " does not bind " << name;
        complete = complete && node;
    }
    // Every button calls one of the owner's operations, and every operation has a button.
    std::set<std::string> called;
    walk(root.get(), [&](CCNode* node) {
        if (auto* item = dynamic_cast<CCMenuItem*>(node)) {
            EXPECT_GT(item->contentSize().width * item->contentSize().height, 0)
                << context << ": " << file << ": " << item->description() << " has no area to touch";
            owner.calls.clear();
            if (auto* hold = dynamic_cast<CCHoldButtonImage*>(item)) {
                // A hold button fires once held past its hold time (0 until the game sets one).
                hold->selected();
                hold->update(0.1f);
                hold->unselected();
            } else {
                item->activate();
            }
            EXPECT_EQ(owner.calls.size(), 1u) << context << ": " << file << ": " << item->description()
                                              << " calls nothing of its owner";
            called.insert(owner.calls.begin(), owner.calls.end());
        }
    });
    for (const std::string& selector : Owner::selectors()) {
        EXPECT_TRUE(called.count(selector)) << context << ": " << file << ": no button calls " << selector;
    }
    return complete ? root : nullptr;
}

// Where a node's anchor lands on the screen.
CGPoint onScreen(CCNode* node)
{
    return node->parent() ? node->parent()->convertToWorldSpace(node->position()) : node->position();
}

TEST_F(GuiArtTest, HudSceneBindsEveryMemberAndPutsTheButtonsWhereTheTutorialPoints)
{
    struct Point {
        const char* member;
        CGPoint tablet, phone;
        float below;  // the tutorial arrow stands above (1) or below (-1) the button
    };
    // The tutorial's arrows point at these places, and bonus items fly there.
    const Point arrows[] = {
        {"BuildButton", {140, 100}, {56, 40}, 1},   {"WorkersButton", {370, 100}, {156, 40}, 1},
        {"ShopButton", {590, 100}, {256, 40}, 1},   {"BackButton", {40, 100}, {16, 40}, 1},
        {"BagButton", {730, 970}, {305, 450}, -1},
    };
    const Point counters[] = {
        {"WorkersMarker", {401, 996}, {150, 465}, 0},
        {"GoldMarker", {627, 996}, {265, 465}, 0},
        {"BagButton", {732, 996}, {305, 465}, 0},
    };
    for (const DeviceProfile& profile : deviceProfiles()) {
        enter(profile);
        loadVillageSheets(profile);
        HudOwner owner;
        const std::string file = ::test::sceneFileFor(profile, "GUI");
        Ref<CCNode> root = readScene(file, owner, profile.name);
        if (!root) continue;
        const CGSize w = gWindow;
        // As the HUD places its bars.
        owner.BottomBar->setPosition(CGPoint(w.width, 0));
        owner.TopBar->setPosition(CGPoint(w.width, w.height));
        const std::string where = std::string(profile.name) + ": " + file + ": ";

        EXPECT_NEAR(owner.BottomBar->contentSize().height, profile.tablet ? 90 : 45, 0.5) << where << "bottom bar";
        EXPECT_NEAR(owner.TopBar->contentSize().height, profile.tablet ? 54 : 27, 0.5) << where << "top bar";
        EXPECT_EQ(owner.Menu1->parent(), owner.BottomBar) << where << "Menu1 lies on the bottom bar";
        EXPECT_EQ(owner.Menu1->position(), CGPointZero) << where << "Menu1 sits at the bar's origin";
        for (const Point& p : arrows) {
            CCNode* button = owner.members().at(p.member);
            const CGPoint at = onScreen(button);
            const CGPoint target = profile.tablet ? p.tablet : p.phone;
            EXPECT_NEAR(at.x, target.x, 4) << where << p.member;
            EXPECT_GT((target.y - at.y) * p.below, 0) << where << p.member << " is on the arrow's wrong side";
            EXPECT_LT(std::abs(target.y - at.y), profile.tablet ? 80 : 40) << where << p.member << " is far from its arrow";
        }
        for (const Point& p : counters) {
            CCNode* node = owner.members().at(p.member);
            const CGPoint target = profile.tablet ? p.tablet : p.phone;
            const CGRect box(node->parent()->convertToWorldSpace(node->boundingBox().origin),
                             node->boundingBox().size);
            EXPECT_TRUE(box.origin.x - 6 <= target.x && target.x <= box.origin.x + box.size.width + 6 &&
                        box.origin.y - 6 <= target.y && target.y <= box.origin.y + box.size.height + 6)
                << where << "bonus items fly to (" << target.x << ", " << target.y << ") but " << p.member
                << " covers " << box.origin.x << ".." << box.origin.x + box.size.width << " x " << box.origin.y
                << ".." << box.origin.y + box.size.height;
        }
        // The experience bar under the top bar, where experience bonuses fly.
        const CGPoint bar = onScreen(owner.ExpBar);
        EXPECT_NEAR(bar.y, profile.tablet ? 956 : 450, 10) << where << "experience bar";
        // Five tabs tagged 10 to 14 in Menu1, each with a hidden twin tagged twice its tag.
        for (int tag = 10; tag <= 14; ++tag) {
            CCNode* tab = owner.Menu1->getChildByTag(tag);
            CCNode* twin = owner.Menu1->getChildByTag(tag * 2);
            ASSERT_NE(tab, nullptr) << where << "no tab tagged " << tag;
            ASSERT_NE(twin, nullptr) << where << "no twin tagged " << tag * 2;
            EXPECT_TRUE(tab->visible()) << where << tag;
            EXPECT_FALSE(twin->visible()) << where << tag * 2;
            EXPECT_EQ(tab->position(), twin->position()) << where << tag;
        }
        // The bag opens by its own width: closed it lies left of the screen.
        owner.GoodsPopUp->setPosition(CGPoint(0, w.height / 2));
        EXPECT_LE(onScreen(owner.CloseBag).x, 0) << where << "the closed bag shows";
    }
}

TEST_F(GuiArtTest, OptionsSceneBindsEveryMemberWithTheSubPagesHiddenOnEveryScreenThatOpensIt)
{
    for (const DeviceProfile& profile : deviceProfiles()) {
        // One file serves the title screen (its sheet alone) and the village and boards.
        for (const bool menu : {true, false}) {
            enter(profile);
            if (menu) {
                ASSERT_TRUE(loadMenuSheet(profile)) << profile.name;
            } else {
                loadVillageSheets(profile);
            }
            OptionsOwner owner;
            const std::string file = ::test::sceneFileFor(profile, "Options");
            const std::string context = std::string(profile.name) + (menu ? " (title screen)" : " (village)");
            Ref<CCNode> root = readScene(file, owner, context);
            if (!root) continue;
            const std::string where = context + ": " + file + ": ";
            EXPECT_TRUE(owner.ButtonL1Menu->visible()) << where << "first page";
            for (CCNode* page : {owner.ButtonL2ResetMenu, owner.ButtonL2CloudMenu, owner.ButtonL3CloudMenu,
                                 owner.AboutMenu}) {
                EXPECT_FALSE(page->visible()) << where << page->description() << " starts shown";
            }
            EXPECT_NE(dynamic_cast<CCHoldButtonImage*>(owner.ResetYes), nullptr) << where << "ResetYes holds";
            // The credits scroll in the band from 0.25 to 0.51 of the background's
            // height; the credits page's own button stays clear of it.
            const CGRect bcg = owner.Bcg->boundingBox();
            const float bandLow = bcg.origin.y + 0.25f * bcg.size.height;
            const float bandHigh = bcg.origin.y + 0.51f * bcg.size.height;
            const CGRect back = owner.BackCreditsButton->boundingBox();
            EXPECT_TRUE(back.origin.y >= bandHigh || back.origin.y + back.size.height <= bandLow)
                << where << "the credits' back button lies over the credits";
            // The pop-up is built around its origin, at the window's centre.
            EXPECT_NEAR(bcg.origin.x + bcg.size.width / 2, 0, 1) << where;
            EXPECT_NEAR(bcg.origin.y + bcg.size.height / 2, 0, 1) << where;
            EXPECT_LE(bcg.size.width, gWindow.width) << where << "wider than the window";
            EXPECT_LE(bcg.size.height, gWindow.height) << where << "taller than the window";
        }
    }
}

// ---- part animations and particles ----

TEST_F(GuiArtTest, TitleScreenAnimationsNameMenuFramesAndThePlatesMove)
{
    for (const DeviceProfile& profile : deviceProfiles()) {
        enter(profile);
        ASSERT_TRUE(loadMenuSheet(profile)) << profile.name;
        for (const std::string file : {"main_menu.xml", "flag_01.xml", "flag_02.xml", "flag_03.xml"}) {
            ScopedLogCapture log;
            Ref<Animation> tmpl = Animation::animationWithTinyXML(file);
            ASSERT_NE(tmpl, nullptr) << file;
            EXPECT_GT(tmpl->Fps, 0) << file << " has no frames per second";
            ASSERT_FALSE(tmpl->Animations.empty()) << file << " has no parts";
            int lastIndex = -1;
            for (const Ref<ANIM_DEF>& part : tmpl->Animations) {
                EXPECT_NE(frame(part->Name), nullptr) << profile.name << ": " << file << " names " << part->Name
                                                      << ", which the title screen's sheet lacks";
                EXPECT_GE(part->Frames.size(), 2u) << file << ": " << part->Name << " does not move";
                if (part->Frames.empty()) continue;
                const int last = part->Frames.back()->index;
                if (lastIndex >= 0) {
                    EXPECT_EQ(last, lastIndex) << file << ": parts end at different frames";
                }
                lastIndex = last;
            }
            Ref<Animation> copy = tmpl->GenerateNewObject();
            copy->PlaceObject();
            if (std::string(file) == "main_menu.xml") {
                // Played once and stopped at its end, the plates rest fully shown at their own size.
                copy->StartAnimations(false, true);
                for (int step = 0; step < 150; ++step) copy->Update(1.0f / 30);
                copy->StopAnimations();
                for (const char* plate : {"mainmenu_element_01.png", "mainmenu_element_02.png",
                                          "mainmenu_element_03.png"}) {
                    CCSprite* sprite = copy->GetSpriteNamed(plate);
                    ASSERT_NE(sprite, nullptr) << profile.name << ": main_menu.xml: " << plate;
                    EXPECT_FLOAT_EQ(sprite->scaleX(), 1) << profile.name << ": main_menu.xml: " << plate;
                    EXPECT_EQ(sprite->opacity(), 255) << profile.name << ": main_menu.xml: " << plate;
                }
            }
        }
    }
}

TEST_F(GuiArtTest, ParticleListsLoadWithTheirTextures)
{
    struct List {
        const char* file;
        bool continuous;  // the trail runs until the code stops it; bursts end by themselves
    };
    const List lists[] = {{"trail.plist", true}, {"boing_particle.plist", false}, {"small_boing.plist", false},
                          {"exp.plist", false}, {"tax.plist", false}};
    enter(deviceProfiles()[1]);
    for (const List& list : lists) {
        Ref<CCParticleSystemQuad> system = CCParticleSystemQuad::particleWithFile(list.file);
        ASSERT_NE(system, nullptr) << list.file << " does not load";
        EXPECT_NE(system->texture(), nullptr) << list.file << " has no texture";
        EXPECT_GT(system->totalParticles(), 0u) << list.file;
        if (list.continuous) {
            EXPECT_LT(system->duration(), 0) << list.file << " stops by itself";
        } else {
            EXPECT_GT(system->duration(), 0) << list.file << " never ends";
        }
    }
}

// ---- contact sheets ----

// Lays every frame of the screen's sheets out with its name on pages of
// 1024 x 1024 pixels, to be looked at.
TEST_F(GuiArtTest, ContactSheetsWhenAskedFor)
{
    const char* folder = std::getenv("MOSSWICK_CONTACT_SHEETS");
    if (!folder) GTEST_SKIP() << "MOSSWICK_CONTACT_SHEETS names no folder";
    std::filesystem::create_directories(folder);
    constexpr int kPage = 1024;
    ASSERT_TRUE(gl().resize(kPage, kPage));
    for (const DeviceProfile& profile : deviceProfiles()) {
        std::vector<std::string> sheets = {profile.menuSheet};
        sheets.insert(sheets.end(), profile.villageSheets.begin(), profile.villageSheets.end());
        for (const std::string& sheet : sheets) {
            if (!std::filesystem::exists(CCFileUtils::bundlePath() + "/" + sheet)) continue;
            enter(profile);
            ASSERT_TRUE(CCSpriteFrameCache::sharedSpriteFrameCache()->addSpriteFramesWithFile(sheet)) << sheet;
            std::vector<std::string> names = framesOf(sheet);
            std::sort(names.begin(), names.end());
            const float scale = profile.contentScale;
            const float page = kPage / scale;  // points
            const float margin = 6, labelHeight = 12;
            int pageNumber = 0;
            size_t next = 0;
            while (next < names.size()) {
                gl().resetState();
                ccSetNodeDrawingState(kPage, kPage);
                glClearColor(0.32f, 0.42f, 0.5f, 1);
                glClear(GL_COLOR_BUFFER_BIT);
                Ref<CCNode> sheetNode = makeRef<CCNode>();
                float x = margin, y = page - margin, rowHeight = 0;
                for (; next < names.size(); ++next) {
                    Ref<CCSprite> sprite = CCSprite::spriteWithSpriteFrameName(names[next]);
                    if (!sprite) continue;
                    CGSize size = sprite->contentSize();
                    const float fitScale = std::min({1.0f, (page - 2 * margin) / size.width,
                                                     (page / 2) / size.height});
                    size = CGSize(size.width * fitScale, size.height * fitScale);
                    const float cellWidth = std::max(size.width, 60.0f / std::max(1.0f, scale / 1.5f));
                    if (x + cellWidth > page - margin) {
                        x = margin;
                        y -= rowHeight + labelHeight + margin;
                        rowHeight = 0;
                    }
                    if (y - size.height - labelHeight < 0) break;
                    sprite->setScale(fitScale);
                    sprite->setAnchorPoint(CGPoint(0, 1));
                    sprite->setPosition(CGPoint(x, y));
                    sheetNode->addChild(sprite.get());
                    Ref<CCLabelTTF> label = CCLabelTTF::labelWithString(names[next], "HelveticaNeue", 7);
                    if (label) {
                        label->setAnchorPoint(CGPoint(0, 1));
                        label->setPosition(CGPoint(x, y - size.height - 1));
                        sheetNode->addChild(label.get());
                    }
                    x += cellWidth + margin;
                    rowHeight = std::max(rowHeight, size.height);
                }
                sheetNode->visit();
                std::string stem = std::string(profile.name) + "-" + sheet + "-" + std::to_string(++pageNumber);
                std::replace(stem.begin(), stem.end(), ' ', '_');
                EXPECT_TRUE(gl().savePNG(std::string(folder) + "/" + stem + ".png")) << stem;
            }
        }
        // The two scene files as a screen shows them: the HUD with its bag
        // open, and the options pop-up's first page over a dimmed screen.
        enter(profile);
        loadVillageSheets(profile);
        const int width = profile.widthPixels, height = profile.heightPixels;
        ASSERT_TRUE(gl().resize(width, height));
        struct Screen {
            const char* stem;
            std::function<Ref<CCNode>()> build;
        };
        HudOwner hud;
        OptionsOwner options;
        const Screen screens[] = {
            {"GUI", [&] {
                 Ref<CCNode> root = CCBReader::nodeGraphFromFile(::test::sceneFileFor(profile, "GUI"), &hud);
                 if (!root || !hud.BottomBar || !hud.TopBar || !hud.GoodsPopUp) return Ref<CCNode>();
                 hud.BottomBar->setPosition(CGPoint(gWindow.width, 0));
                 hud.TopBar->setPosition(CGPoint(gWindow.width, gWindow.height));
                 hud.GoodsPopUp->setPosition(CGPoint(hud.GoodsPopUp->contentSize().width, gWindow.height / 2));
                 // The HUD makes its two touch catchers transparent.
                 for (CCNode* catcher : {hud.EmptyButton, hud.EmptyButton2}) {
                     if (auto* rgba = dynamic_cast<CCRGBAProtocol*>(catcher)) rgba->setOpacity(0);
                 }
                 return root;
             }},
            {"Options", [&] {
                 Ref<CCNode> root = CCBReader::nodeGraphFromFile(::test::sceneFileFor(profile, "Options"), &options);
                 if (!root) return Ref<CCNode>();
                 root->setPosition(CGPoint(gWindow.width / 2, gWindow.height / 2));
                 return root;
             }},
        };
        for (const Screen& screen : screens) {
            gl().resetState();
            ccSetNodeDrawingState(width, height);
            glClearColor(0.45f, 0.62f, 0.35f, 1);
            glClear(GL_COLOR_BUFFER_BIT);
            Ref<CCNode> root = screen.build();
            ASSERT_NE(root, nullptr) << profile.name << ": " << screen.stem;
            root->visit();
            std::string stem = std::string(profile.name) + "-scene-" + screen.stem;
            std::replace(stem.begin(), stem.end(), ' ', '_');
            EXPECT_TRUE(gl().savePNG(std::string(folder) + "/" + stem + ".png")) << stem;
        }
        ASSERT_TRUE(gl().resize(kPage, kPage));
    }
    // The particle lists, each caught at three moments of its run on a dark sky.
    enter(deviceProfiles()[1]);
    const char* lists[] = {"trail.plist", "boing_particle.plist", "small_boing.plist", "exp.plist", "tax.plist"};
    const float moments[] = {0.1f, 0.3f, 0.6f};
    constexpr int kCell = 200;
    ASSERT_TRUE(gl().resize(kCell * 3, kCell * 5));
    gl().resetState();
    ccSetNodeDrawingState(kCell * 3, kCell * 5);
    glClearColor(0.16f, 0.2f, 0.28f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    for (int row = 0; row < 5; ++row) {
        for (int column = 0; column < 3; ++column) {
            Ref<CCParticleSystemQuad> system = CCParticleSystemQuad::particleWithFile(lists[row]);
            ASSERT_NE(system, nullptr) << lists[row];
            system->setPosition(CGPoint((column + 0.5f) * kCell / 2, (4 - row + 0.4f) * kCell / 2));
            for (float t = 0; t < moments[column]; t += 1.0f / 60) system->update(1.0f / 60);
            system->visit();
        }
    }
    EXPECT_TRUE(gl().savePNG(std::string(folder) + "/particles.png"));
    ASSERT_TRUE(gl().resize(kPage, kPage));
}

}  // namespace
}  // namespace mw
