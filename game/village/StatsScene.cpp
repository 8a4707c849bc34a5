#include "game/village/StatsScene.h"

#include "engine/director/CCDirector.h"
#include "foundation/Log.h"
#include "game/boards/SessionHooks.h"
#include "game/state/GlobalObject.h"
#include "game/state/Profile.h"
#include "game/boards/CCTutorialArrow.h"
#include "game/village/GuiObject.h"
#include "game/village/StatsCell.h"

namespace mw {
namespace {

bool tablet()
{
    return GlobalObject::sharedInstance()->isIpad;
}

// A frame without a record counts as done with its arrow dismissed, so a
// game data file that lacks it never stops the tutorial here.
struct FrameState {
    bool done = true;
    bool arrowAfter = false;
    bool arrowAfterDone = true;
};

FrameState frameState(int32_t frame)
{
    const TutorialFrameDef* def = Profile::sharedInstance()->GetTutorialDef(frame);
    if (!def) {
        static bool logged = false;
        if (!logged) logLine("StatsScene: no tutorial frame %d; counted as done", frame);
        logged = true;
        return {};
    }
    return {def->Done, def->ArrowAfter, def->ArrowAfterDone};
}

} // namespace

Ref<StatsScene> StatsScene::sceneWithGuiParent(GuiObject* gui)
{
    auto screen = makeRef<StatsScene>();
    if (!screen->initWithGuiParent(gui)) return nullptr;
    return screen;
}

bool StatsScene::initWithGuiParent(GuiObject* gui)
{
    gui_ = gui;
    TutDone = false;
    if (!initFullList(gui)) return false;
    myTable->SetCanScroll(false);
    scheduleUpdate();
    ValidateAndPlayTutorial();
    return true;
}

uint32_t StatsScene::numberOfCellsInTableView(CCTableView*)
{
    return 1;
}

CGSize StatsScene::cellSizeForTable(CCTableView*)
{
    return tablet() ? CGSize{768, 886} : CGSize{320, 419};
}

Ref<CCTableViewCell> StatsScene::tableCellAtIndex(CCTableView* table, uint32_t idx)
{
    // The page is built anew every time; a reused row is emptied, not used.
    discardReusableCell(table);
    return StatsCell::cellWithIndex(idx);
}

void StatsScene::update(float)
{
    if (TutDone) return;
    const FrameState three = frameState(3);
    if (Profile::sharedInstance()->CurrentTaxes != 0 || !three.done || !three.arrowAfter ||
        three.arrowAfterDone) {
        return;
    }
    Profile* profile = Profile::sharedInstance();
    for (int32_t frame : {3, 2}) {
        if (TutorialFrameDef* def = profile->GetTutorialDef(frame)) {
            def->ArrowAfterDone = true;
            def->ArrowAfter = true;
        }
    }
    ValidateAndPlayTutorial();
    if (CCNode* arrow = getChildByTag(kTaxArrowTag)) arrow->removeFromParentAndCleanup(true);
    TutDone = true;
}

void StatsScene::UpdateBar()
{
    if (gui_) gui_->UpdateTopBar();
}

void StatsScene::showFrame(int32_t frame, int z)
{
    CCNode* parent = gui_ ? static_cast<CCNode*>(gui_) : static_cast<CCNode*>(this);
    (void)session::showTutorial(parent, frame, z);
    if (gui_) gui_->SetInputActive(false);
    SetInputActive(false);
}

void StatsScene::ValidateAndPlayTutorial()
{
    const FrameState three = frameState(3);
    if (!three.done) {
        showFrame(3, 0);
        return;
    }
    if (three.arrowAfter && !three.arrowAfterDone) {
        if (!getChildByTag(kTaxArrowTag)) {
            auto arrow = CCTutorialArrow::arrow();
            arrow->setRotation(180);
            arrow->setPosition(tablet() ? CGPoint{210, 580} : CGPoint{70, 250});
            addChild(arrow.get(), 2, kTaxArrowTag);
        }
        SetInputActive(true);
        if (gui_) gui_->SetInputActive(true);
        return;
    }
    if (!frameState(4).done) {
        showFrame(4, 0);
        return;
    }
    const FrameState five = frameState(5);
    if (five.done) {
        if (five.arrowAfter && !five.arrowAfterDone && gui_ && !gui_->getChildByTag(kBackArrowTag)) {
            auto arrow = CCTutorialArrow::arrow();
            arrow->setPosition(tablet() ? CGPoint{40, 100} : CGPoint{16, 40});
            gui_->addChild(arrow.get(), 1, kBackArrowTag);
        }
        SetInputActive(true);
        if (gui_) gui_->SetInputActive(true);
        return;
    }
    showFrame(5, -1);
}

} // namespace mw
