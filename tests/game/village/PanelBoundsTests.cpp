// Frames, buttons and texts stay inside their window and their panel on
// every device and in every language: the village office's page (its
// collect button with the countdown, the chest, the statistics) and the
// tutorial frames the field board shows (pop-ups and overlays). Each visible
// picture, text and button is measured where it is drawn, in window points;
// a text set in a box is measured by the lines it fills, hanging from the
// top of its box. Pictures go to $MOSSWICK_TEST_PICTURES.

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <limits>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "engine/base/ccContentScale.h"
#include "engine/labels/CCLabelTTF.h"
#include "engine/menus/CCMenuItem.h"
#include "engine/particles/CCParticleSystem.h"
#include "engine/sprites/CCSprite.h"
#include "engine/tables/CCTableView.h"
#include "engine/text/UIFont.h"
#include "engine/text/UIStringDrawing.h"
#include "game/state/LocalisationManager.h"
#include "game/state/TutorialFrameDef.h"
#include "game/state/UpgradeItem.h"
#include "game/village/StatsCell.h"
#include "game/village/StatsScene.h"
#include "game/village/tutorial/TutorialAnim.h"
#include "game/village/tutorial/TutorialPopup.h"
#include "platform/DeviceProfile.h"
#include "tests/game/village/VillageTestSupport.h"

namespace mw {
namespace {

using test::VillageWorld;

// Half a point: what rounding to whole pixels may add.
constexpr float kSlack = 0.5f;

// The frames the field board shows as pop-ups; and the frames the boards
// show as overlays.
constexpr int32_t kFieldPopUpFrames[] = {11, 12, 13, 14, 15, 16, 17, 34, 35, 36, 48,
                                         49, 50, 51, 53, 63, 64, 65, 66, 67, 68};
constexpr int32_t kOverlayFrames[] = {10, 25, 47, 69};
// The upgrade type of workers.
constexpr int32_t kWorkerType = 3;

// A rectangle of the node's own pixels where the window shows it, in points
// (the node transforms work in pixels).
CGRect inWindow(CCNode* node, const CGRect& pixels)
{
    const CGRect drawn = CGRectApplyAffineTransform(pixels, node->nodeToWorldTransform());
    const float scale = ccContentScaleFactor();
    return {{drawn.origin.x / scale, drawn.origin.y / scale},
            {drawn.size.width / scale, drawn.size.height / scale}};
}

CGRect worldBox(CCNode* node)
{
    return inWindow(node, {{0, 0}, node->contentSizeInPixels()});
}

bool inside(const CGRect& inner, const CGRect& outer)
{
    return inner.origin.x >= outer.origin.x - kSlack && inner.origin.y >= outer.origin.y - kSlack &&
           inner.origin.x + inner.size.width <= outer.origin.x + outer.size.width + kSlack &&
           inner.origin.y + inner.size.height <= outer.origin.y + outer.size.height + kSlack;
}

std::string describe(const CGRect& r)
{
    std::ostringstream out;
    out << "x " << r.origin.x << ".." << r.origin.x + r.size.width << ", y " << r.origin.y << ".."
        << r.origin.y + r.size.height;
    return out.str();
}

CGRect intersection(const CGRect& a, const CGRect& b)
{
    const float left = std::max(a.origin.x, b.origin.x);
    const float bottom = std::max(a.origin.y, b.origin.y);
    const float right = std::min(a.origin.x + a.size.width, b.origin.x + b.size.width);
    const float top = std::min(a.origin.y + a.size.height, b.origin.y + b.size.height);
    return {{left, bottom}, {std::max(0.0f, right - left), std::max(0.0f, top - bottom)}};
}

// What a label draws, in window points. A label in a box sets its lines
// from the top of the box; `clipped` tells whether they need more than the
// box's height.
CGRect drawnBox(CCLabelTTF* label, bool& clipped)
{
    clipped = false;
    const CGSize pixels = label->dimensionsInPixels();
    if (pixels.width <= 0 || pixels.height <= 0) return worldBox(label);
    const float scale = ccContentScaleFactor();
    const CGSize box = {pixels.width / scale, pixels.height / scale};
    Ref<UIFont> font = UIFont::fontWithName(label->fontName(), label->fontSizeInPixels() / scale);
    if (!font) return worldBox(label);
    const CGSize used = sizeWithFont(label->string(), font.get(), {box.width, 100000});
    clipped = used.height > box.height + kSlack;
    const float height = std::min(used.height, box.height) * scale;
    return inWindow(label, {{0, pixels.height - height}, {pixels.width, height}});
}

// Every visible picture, text and button below `root` (not `root` itself,
// nor the nodes of `unchecked`, whose children still are) that is drawn
// outside `limit`, or a text that does not fit its box.
void findSpills(CCNode* root, const CGRect& limit, const std::set<CCNode*>& unchecked,
                const std::string& where, std::vector<std::string>& spills)
{
    if (!root->children()) return;
    for (Object* object : *root->children()) {
        auto* node = static_cast<CCNode*>(object);
        if (!node->visible() || dynamic_cast<CCParticleSystem*>(node)) continue;
        const bool measured = !unchecked.count(node) &&
                              (dynamic_cast<CCSprite*>(node) || dynamic_cast<CCMenuItem*>(node));
        if (measured && node->contentSize().width > 0 && node->contentSize().height > 0) {
            std::string what;
            CGRect drawn;
            if (auto* label = dynamic_cast<CCLabelTTF*>(node)) {
                bool clipped = false;
                drawn = drawnBox(label, clipped);
                what = "text \"" + label->string() + "\"";
                if (clipped) spills.push_back(where + ": " + what + " needs more lines than its box holds");
            } else {
                drawn = worldBox(node);
                what = std::string(dynamic_cast<CCMenuItem*>(node) ? "button" : "picture") + " tagged " +
                       std::to_string(node->tag());
            }
            if (!inside(drawn, limit))
                spills.push_back(where + ": " + what + " at " + describe(drawn) + " leaves " +
                                 describe(limit));
            // A button's caption stays on the button.
            if (dynamic_cast<CCMenuItem*>(node)) {
                findSpills(node, intersection(limit, drawn), unchecked, where, spills);
                continue;
            }
        }
        findSpills(node, limit, unchecked, where, spills);
    }
}

using Case = std::tuple<std::string, std::string>; // device, language

class PanelBoundsTest : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(world.run.ok()) << "no headless GL context";
        ASSERT_TRUE(world.ready());
        LocalisationManager* strings = LocalisationManager::sharedInstance();
        strings->setLang(language());
        strings->parseCSVFile("stringdb.csv");
        world.established();
    }
    const std::string& language() const { return std::get<1>(GetParam()); }
    CGRect window() { return {{0, 0}, world.win()}; }
    // The panel's box, checked against the window, and every frame, button
    // and text in it checked against both.
    void expectInside(CCNode* panel, const CGRect& panelBox, const std::set<CCNode*>& unchecked,
                      const std::string& where)
    {
        std::vector<std::string> spills;
        if (!inside(panelBox, window()))
            spills.push_back(where + ": the panel at " + describe(panelBox) + " leaves the window");
        findSpills(panel, intersection(panelBox, window()), unchecked, where, spills);
        for (const std::string& spill : spills) ADD_FAILURE() << spill;
    }

    // Twenty refreshes a second: the pop-ups only need their animations to end.
    VillageWorld world {std::get<0>(GetParam()), 1.0 / 20};
};

TEST_P(PanelBoundsTest, TheOfficePageKeepsItsButtonCountdownAndTextsOnItsBoard)
{
    Profile& p = world.profile();
    // Figures as wide as a long game makes them.
    p.CurrentTaxes = 12500;
    p.TaxesCollected = 98765;
    p.GoldEarned = 654321;
    p.GoldSpent = -654321;
    p.Points = 456789;
    GlobalObject* global = GlobalObject::sharedInstance();
    global->RemoveNotificationForTyp(GlobalObject::kTaxEvent);
    world.start();
    world.scene->ChangeLayer(VillageScene::kStatsLayer);
    world.run.run(0.2);
    auto* screen = dynamic_cast<StatsScene*>(world.scene->GetLayer());
    ASSERT_NE(screen, nullptr);
    auto* page = dynamic_cast<StatsCell*>(screen->table()->cellAtIndex(0));
    ASSERT_NE(page, nullptr);
    CCSprite* background = page->background();
    // The page's picture is a ledger board on a desk; the board begins this
    // far in from the picture's edges.
    const float desk = world.tablet() ? 18 : 9;
    const CGRect sheet = worldBox(background);
    const CGRect board = {{sheet.origin.x + desk, sheet.origin.y + desk},
                          {sheet.size.width - 2 * desk, sheet.size.height - 2 * desk}};
    std::set<CCNode*> unchecked = {background};
    for (Object* child : *background->children()) {
        auto* node = static_cast<CCNode*>(child);
        if (node->zOrder() < 0) unchecked.insert(node); // the picture itself
    }

    ASSERT_TRUE(page->taxButton()->isEnabled());
    expectInside(page, board, unchecked, "taxes waiting");
    world.run.picture("office-ready-" + language());

    // The longest countdown: a hundred hours and more take three digits.
    global->GenerateNotification(100, 0, 30, GlobalObject::kTaxEvent);
    world.run.run(0.2);
    ASSERT_EQ(page->buttonText()->string().size(), 9u) << page->buttonText()->string();
    expectInside(page, board, unchecked, "counting down");
    world.run.picture("office-counting-" + language());
}

// Every frame of the game data as the screens show it: the boards' overlays
// as overlays, the others as pop-ups at the window's centre (the field
// board's among them); and the pop-up of every worker hired.
TEST_P(PanelBoundsTest, EveryTutorialFrameStaysInTheWindowAndItsPanel)
{
    CCScene* scene = world.run.runPlainScene();
    const CGSize win = world.win();
    // Only the end of each show is measured: draw nothing before it.
    world.run.driver().setPictureEvery(std::numeric_limits<int>::max(), true);
    std::set<int32_t> placementsPictured;
    std::vector<TutorialFrameDef*> frames;
    for (const auto& [number, frame] : world.profile().TutorialDict) frames.push_back(frame.get());
    ASSERT_GE(frames.size(), std::size(kFieldPopUpFrames) + std::size(kOverlayFrames));
    for (int32_t number : kFieldPopUpFrames)
        ASSERT_NE(world.profile().GetTutorialDef(number), nullptr) << number;
    for (TutorialFrameDef* frame : frames) {
        const std::string name = "frame " + std::to_string(frame->ID);
        const auto* overlayEnd = std::end(kOverlayFrames);
        const bool shownAsOverlay =
            std::find(std::begin(kOverlayFrames), overlayEnd, frame->ID) != overlayEnd;
        if (shownAsOverlay) {
            Ref<TutorialAnim> overlay = TutorialAnim::overlayWithTutorialState(frame->ID);
            ASSERT_NE(overlay, nullptr) << name;
            scene->addChild(overlay.get(), 5);
            world.run.run(0.5);
            ASSERT_NE(overlay->panel(), nullptr) << name;
            expectInside(overlay->panel(), worldBox(overlay->panel()), {}, name + " (overlay)");
            world.run.picture("tutorial-overlay-" + std::to_string(frame->ID) + "-" + language());
            overlay->removeFromParentAndCleanup(true);
            continue;
        }
        Ref<TutorialPopup> popUp = TutorialPopup::popUpWithFrame(frame);
        ASSERT_NE(popUp, nullptr) << name;
        popUp->setPosition({win.width / 2, win.height / 2});
        scene->addChild(popUp.get(), 37);
        world.run.run(2.0); // the speaker in, the bubble open
        // The speaker peeks in from the screen's edge; the bubble, with all
        // it holds, is the frame.
        CCSprite* bubble = popUp->bubble();
        expectInside(bubble, worldBox(bubble), {},
                     name + " (placement " + std::to_string(popUp->placementType()) + ")");
        if (placementsPictured.insert(popUp->placementType()).second || frame->ID == 11 || frame->ID == 15)
            world.run.picture("tutorial-frame-" + std::to_string(frame->ID) + "-" + language());
        popUp->removeFromParentAndCleanup(true);
    }
    // The pop-up that brings each hired worker in.
    for (int32_t upgrade = 1; upgrade < Profile::kUpgradeSlots; ++upgrade) {
        const UpgradeItem* item = world.profile().GetUpgrade(upgrade);
        if (!item || item->Type != kWorkerType) continue;
        Ref<TutorialPopup> popUp = TutorialPopup::popUpWithWorkerType(upgrade);
        ASSERT_NE(popUp, nullptr) << upgrade;
        popUp->setPosition({win.width / 2, win.height / 2});
        scene->addChild(popUp.get(), 37);
        world.run.run(2.0);
        expectInside(popUp->bubble(), worldBox(popUp->bubble()), {},
                     "hired worker " + std::to_string(upgrade));
        if (upgrade == 105) world.run.picture("tutorial-hired-" + std::to_string(upgrade) + "-" + language());
        popUp->removeFromParentAndCleanup(true);
    }
}

std::vector<Case> everyDeviceAndLanguage()
{
    std::vector<Case> cases;
    for (const DeviceProfile& device : DeviceProfile::all())
        for (const char* language : {"en", "de", "pl"}) cases.emplace_back(device.name, language);
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Devices, PanelBoundsTest, ::testing::ValuesIn(everyDeviceAndLanguage()),
                         [](const auto& info) {
                             std::string name = std::get<0>(info.param) + "_" + std::get<1>(info.param);
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

} // namespace
} // namespace mw
