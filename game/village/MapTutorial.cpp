// The map's tutorial: which frame is due, which button an arrow points at,
// and the frames that follow a rise of the village.

#include <set>

#include "engine/director/CCDirector.h"
#include "engine/menus/CCMenuItem.h"
#include "foundation/Log.h"
#include "game/state/GlobalObject.h"
#include "game/state/Profile.h"
#include "game/state/TutorialFrameDef.h"
#include "game/boards/CCTutorialArrow.h"
#include "game/village/CCTutorialParent.h"
#include "game/village/EndGameFrame.h"
#include "game/village/GuiObject.h"
#include "game/village/MapScene.h"
#include "game/village/tutorial/TutorialPopup.h"

namespace mw {
namespace {

// Upgrades and resources the decisions read.
constexpr int32_t kMarket = 18;
constexpr int32_t kWorkshop = 19;
constexpr int32_t kFirstHouse = 21;
constexpr int32_t kFood = 10;

constexpr int kHudArrowZ = 1;
constexpr int kBagArrowZ = 2;
constexpr int kMapArrowZ = 4;
constexpr int kEndGameZ = 1;

// Arrow tags on the HUD and on the map.
constexpr int kBuildArrow7 = 898;
constexpr int kBuildArrow19 = 900;
constexpr int kBuildArrow30 = 901;
constexpr int kToolsArrow = 902;
constexpr int kBuildArrow37 = 906;
constexpr int kBuildArrow44 = 909;
constexpr int kBuildArrow55 = 911;
constexpr int kShopArrow = 912;
constexpr int kMineArrow22 = 999;
constexpr int kFieldArrow33 = 6754;
constexpr int kFieldArrow45 = 9991;

// Where the HUD's buttons stand, on a tablet and on a phone.
constexpr CGPoint kBuildOnTablet = {140, 100};
constexpr CGPoint kBuildOnPhone = {56, 40};
constexpr CGPoint kToolsOnTablet = {370, 100};
constexpr CGPoint kToolsOnPhone = {156, 40};
constexpr CGPoint kShopOnTablet = {590, 100};
constexpr CGPoint kShopOnPhone = {256, 40};
constexpr CGPoint kBagOnTablet = {730, 970};
constexpr CGPoint kBagOnPhone = {305, 450};

TutorialFrameDef* record(int32_t number)
{
    TutorialFrameDef* def = Profile::sharedInstance()->GetTutorialDef(number);
    if (!def) {
        // A frame the data leaves out counts as done; without this a list
        // would show it, get no change from its dismissal and show it again.
        static std::set<int32_t> told;
        if (told.insert(number).second) logLine("map tutorial: no frame %d in the game data; taken as done", number);
    }
    return def;
}

bool done(int32_t number)
{
    const TutorialFrameDef* def = record(number);
    return !def || def->Done;
}

bool notDone(int32_t number) { return !done(number); }

// Done, with a follow-up arrow not yet followed.
bool pending(int32_t number)
{
    const TutorialFrameDef* def = record(number);
    return def && def->Done && def->ArrowAfter && !def->ArrowAfterDone;
}

bool arrowFollowed(int32_t number)
{
    const TutorialFrameDef* def = record(number);
    return !def || def->ArrowAfterDone;
}

bool arrowAfter(int32_t number)
{
    const TutorialFrameDef* def = record(number);
    return def && def->ArrowAfter;
}

int32_t owned(int32_t upgrade) { return Profile::sharedInstance()->GetUpgradeCount(upgrade); }
int32_t stock(int32_t resource) { return Profile::sharedInstance()->GetResourceCount(resource); }
void raiseStock(int32_t resource, int32_t atLeast)
{
    if (stock(resource) < atLeast) Profile::sharedInstance()->SetResourceCount(resource, atLeast);
}

// The goods the first building needs; the tutorial tops them up once.
struct Need {
    int32_t resource, amount;
};
constexpr Need kFirstBuildingNeeds[] = {{3, 1}, {4, 2}, {13, 2}, {15, 1}};

bool onTablet() { return GlobalObject::sharedInstance()->isIpad; }
CGPoint windowCentre()
{
    const CGSize win = CCDirector::sharedDirector()->winSize();
    return {win.width / 2, win.height / 2};
}

} // namespace

// ---------------------------------------------------------------- actions

void MapScene::showTutorialFrame(int32_t number, bool afterBuild)
{
    CCTutorialParent* holder = VParent ? VParent->GetTutorialParent() : nullptr;
    Ref<TutorialPopup> popUp = holder ? TutorialPopup::popUpWithFrame(record(number), afterBuild) : nullptr;
    if (!popUp) {
        logLine("MapScene: tutorial frame %d cannot be shown; the map opens", number);
        openTutorialInput();
        return;
    }
    popUp->setPosition(windowCentre());
    holder->addChild(popUp.get());
    VParent->SetInputActive(false);
    SetInputActive(false);
}

void MapScene::openTutorialInput()
{
    // Off first, so that switching on registers the map again at its own
    // priority whatever state the dispatcher had it in.
    setIsTouchEnabled(false);
    SetInputActive(true);
    if (VParent) VParent->SetInputActive(true);
}

void MapScene::hudTutorialArrow(int tag, CGPoint onTabletAt, CGPoint onPhoneAt)
{
    if (VParent && !VParent->getChildByTag(tag)) {
        auto arrow = CCTutorialArrow::arrow();
        arrow->setPosition(onTablet() ? onTabletAt : onPhoneAt);
        VParent->addChild(arrow.get(), kHudArrowZ, tag);
    }
    openTutorialInput();
}

void MapScene::mapTutorialArrow(CCMenuItemSprite* button, int tag)
{
    if (!button) {
        logLine("MapScene: no entrance button for the tutorial arrow");
    } else if (tag == kNoArrowTag || !getChildByTag(tag)) {
        auto arrow = CCTutorialArrow::arrow();
        const CGPoint at = button->position();
        arrow->setPosition({at.x, at.y + (onTablet() ? 15.0f : 7.0f)});
        addChild(arrow.get(), kMapArrowZ, tag == kNoArrowTag ? kCCNodeTagInvalid : tag);
    }
    openTutorialInput();
}

// ---------------------------------------------------------------- the decision list

void MapScene::ValidateAndPlayTutorial()
{
    Profile* profile = Profile::sharedInstance();
    // The first rule that applies wins; each ends in a frame, an arrow or
    // the input given back.
    for (int32_t n : {0, 1, 2}) {
        if (notDone(n)) return showTutorialFrame(n);
    }
    if (pending(2)) {
        CheckAndSpawnIfNeededStageButtons();
        return mapTutorialArrow(settlebtn);
    }
    for (int32_t n : {6, 7}) {
        if (notDone(n)) return showTutorialFrame(n);
    }
    if (pending(7)) return hudTutorialArrow(kBuildArrow7, kBuildOnTablet, kBuildOnPhone);
    if (profile->PlayerLevel <= 1) return openTutorialInput();
    for (int32_t n : {8, 9}) {
        if (notDone(n)) return showTutorialFrame(n);
    }
    if (pending(9)) return mapTutorialArrow(farmbutton);
    if (done(17) && notDone(18)) return showTutorialFrame(18);
    if (notDone(19)) {
        bool enough = true;
        for (const Need& need : kFirstBuildingNeeds) enough = enough && stock(need.resource) >= need.amount;
        if (enough) return showTutorialFrame(19);
        if (done(70)) return openTutorialInput();
        showTutorialFrame(70);
        for (const Need& need : kFirstBuildingNeeds) raiseStock(need.resource, need.amount);
        return;
    }
    if (pending(19)) return hudTutorialArrow(kBuildArrow19, kBuildOnTablet, kBuildOnPhone);
    if (profile->PlayerLevel <= 2) return openTutorialInput();
    if (notDone(71)) return showTutorialFrame(71);
    if (pending(71)) return hudTutorialArrow(kBuildArrow19, kBuildOnTablet, kBuildOnPhone);
    for (int32_t n : {20, 21, 22}) {
        if (notDone(n)) return showTutorialFrame(n);
    }
    if (pending(22)) return mapTutorialArrow(minebtn, kMineArrow22);
    if (notDone(30) && arrowAfter(30) && !arrowFollowed(87)) {
        // The bag arrow blocks nothing: the list goes on past the next rule.
        if (VParent && !VParent->getChildByTag(GuiObject::kBagArrowTag)) {
            auto arrow = CCTutorialArrow::arrow();
            arrow->setPosition(onTablet() ? kBagOnTablet : kBagOnPhone);
            arrow->setRotation(180);
            VParent->addChild(arrow.get(), kBagArrowZ, GuiObject::kBagArrowTag);
        }
        raiseStock(kFood, 2);
    } else if (notDone(30) && done(29) && arrowFollowed(29)) {
        return showTutorialFrame(30);
    }
    if (pending(30)) return hudTutorialArrow(kBuildArrow30, kBuildOnTablet, kBuildOnPhone);
    if (profile->PlayerLevel <= 3 || owned(kFirstHouse) < 1) return openTutorialInput();
    for (int32_t n : {31, 32}) {
        if (notDone(n)) return showTutorialFrame(n);
    }
    if (pending(32)) return hudTutorialArrow(kToolsArrow, kToolsOnTablet, kToolsOnPhone);
    if (notDone(33)) return showTutorialFrame(33);
    if (pending(33)) return mapTutorialArrow(farmbutton, kFieldArrow33);
    // The workshop is announced before the Build button is pointed at; the
    // arrow is followed when the workshop pays out its first shovels.
    if (done(36) && notDone(37)) return showTutorialFrame(37);
    if (pending(37)) return hudTutorialArrow(kBuildArrow37, kBuildOnTablet, kBuildOnPhone);
    if (notDone(37)) return openTutorialInput();
    if (notDone(38)) return owned(kWorkshop) >= 1 ? showTutorialFrame(38) : openTutorialInput();
    if (pending(38)) return mapTutorialArrow(minebtn);
    if (pending(44)) return hudTutorialArrow(kBuildArrow44, kBuildOnTablet, kBuildOnPhone);
    if (done(42) && notDone(44)) return showTutorialFrame(44);
    if (done(44) && notDone(45)) return showTutorialFrame(45);
    if (done(45) && notDone(46)) return showTutorialFrame(46);
    if (pending(45)) return mapTutorialArrow(farmbutton, kFieldArrow45);
    if (done(53) && notDone(54)) return showTutorialFrame(54);
    if (notDone(54)) return openTutorialInput();
    if (notDone(55)) return showTutorialFrame(55);
    if (pending(55)) {
        record(55)->ArrowAfterDone = true;
        return hudTutorialArrow(kBuildArrow55, kBuildOnTablet, kBuildOnPhone);
    }
    if (owned(kMarket) < 1) return openTutorialInput();
    if (notDone(56)) return showTutorialFrame(56);
    if (pending(56) && VParent && !VParent->getChildByTag(kShopArrow))
        return hudTutorialArrow(kShopArrow, kShopOnTablet, kShopOnPhone);
    openTutorialInput();
}

// ---------------------------------------------------------------- after a rise of the village

void MapScene::AfterBuildSeq() { AfterBuildSeq(Profile::sharedInstance()->CityLevel); }

void MapScene::AfterBuildSeq(int32_t cityLevel)
{
    if (cityLevel >= 2 && cityLevel <= 5) {
        const int32_t second = 73 + 2 * (cityLevel - 2);
        for (int32_t n : {second - 1, second}) {
            if (notDone(n)) return showTutorialFrame(n, true);
        }
        if (VParent) VParent->SetInputActive(true);
        SetInputActive(true);
        return;
    }
    if (cityLevel != 6) return;
    for (int32_t n = 80; n <= 102; ++n) {
        if (notDone(n)) return showTutorialFrame(n, true);
    }
    // Everything is built: the closing frame, every time the list is asked.
    if (!VParent) return;
    Ref<EndGameFrame> end = EndGameFrame::frame();
    if (!end) return;
    end->setPosition(windowCentre());
    VParent->addChild(end.get(), kEndGameZ);
    SetInputActive(false);
    VParent->SetInputActive(false);
}

} // namespace mw
