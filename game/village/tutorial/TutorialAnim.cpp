#include "game/village/tutorial/TutorialAnim.h"

#include "engine/director/CCDirector.h"
#include "engine/labels/CCLabelTTF.h"
#include "engine/menus/CCMenu.h"
#include "engine/menus/CCMenuItem.h"
#include "engine/nodes/CCLayerColor.h"
#include "engine/sprites/CCSprite.h"
#include "foundation/Log.h"
#include "game/defs/Animation.h"
#include "game/defs/XMLManager.h"
#include "game/state/GlobalObject.h"
#include "game/state/LocalisationManager.h"
#include "game/state/Profile.h"
#include "game/state/TutorialFrameDef.h"

namespace mw {
namespace {

constexpr ccColor3B kButtonColour{203, 93, 19};
constexpr ccColor3B kTextColour{120, 97, 77};
constexpr uint8_t kDim = 180;

// The part animation of each overlay, and what its dismissal does besides
// marking the frame done.
struct Overlay {
    int32_t frame;
    const char* animation;
    int32_t arrowFollowed; // a frame whose arrow counts as followed, or -1
    bool moveOn;           // the parent looks for its next frame
};
constexpr Overlay kOverlays[] = {
    {10, "tutorial_01.xml", 9, false},
    {25, "tutorial_01a.xml", -1, false},
    {47, "tutorial_02.xml", -1, true},
    {69, "tutorial_03.xml", -1, true},
};

const Overlay* overlayOf(int32_t frame)
{
    for (const Overlay& overlay : kOverlays) {
        if (overlay.frame == frame) return &overlay;
    }
    return nullptr;
}

} // namespace

Ref<TutorialAnim> TutorialAnim::overlayWithTutorialState(int32_t frame)
{
    auto made = makeRef<TutorialAnim>();
    if (!made->initWithTutorialState(frame)) return nullptr;
    return made;
}

bool TutorialAnim::initWithTutorialState(int32_t frame)
{
    State = frame;
    const TutorialFrameDef* def = Profile::sharedInstance()->GetTutorialDef(frame);
    if (!def) {
        logLine("TutorialAnim: no frame %d in the game data", frame);
        return false;
    }
    const bool tablet = GlobalObject::sharedInstance()->isIpad;
    const CGSize win = CCDirector::sharedDirector()->winSize();
    LocalisationManager* strings = LocalisationManager::sharedInstance();

    auto dim = CCLayerColor::layerWithColor(ccc4(0, 0, 0, kDim), win.width, win.height);
    addChild(dim.get());

    auto caption = CCLabelTTF::labelWithString(strings->getValue("TAP_TO_CONT"), "HelveticaNeue-Bold",
                                               tablet ? 24.0f : 12.0f);
    caption->setColor(kButtonColour);
    auto button = CCMenuItemLabel::itemWithLabel(caption.get(), [this](CCMenuItem*) { RemoveMe(); });
    auto menu = CCMenu::menuWithItems({button.get()});
    button_ = button.get();

    panel_ = CCSprite::spriteWithSpriteFrameName("bg_build.png");
    if (!panel_) {
        // Without the panel the button alone still lets the player go on.
        logLine("TutorialAnim: no frame bg_build.png");
        menu->setPosition({win.width / 2, win.height / 2});
        addChild(menu.get(), 1);
        return true;
    }
    const CGSize p = panel_->textureRect().size;

    Ref<Animation> clone;
    if (const Overlay* overlay = overlayOf(frame)) {
        if (Animation* model = XMLManager::sharedInstance()->GetAnimationNamed(overlay->animation)) {
            clone = model->GenerateNewObject();
            clone->PlaceObject();
            clone->StartAnimations(true);
            clone->setPosition({p.width / 2, p.height / 2});
        } else {
            logLine("TutorialAnim: no animation %s", overlay->animation);
        }
    } else {
        logLine("TutorialAnim: frame %d has no part animation; panel only", frame);
    }

    if (Ref<CCSprite> icon = CCSprite::spriteWithSpriteFrameName(def->Icon)) {
        icon->setAnchorPoint({0.5f, 0});
        icon->setPosition({0.5f * p.width, 0.73f * p.height});
        panel_->addChild(icon.get(), 2);
        icon_ = icon.get();
    }
    const CGSize box = tablet ? CGSize{400, 290} : CGSize{200, 145};
    auto text = CCLabelTTF::labelWithString(strings->getValue(def->LangID), box, UITextAlignmentCenter,
                                            "HelveticaNeue", tablet ? 28.0f : 14.0f);
    text->setColor(kTextColour);
    text->setPosition({0.5f * p.width, 0.1f * p.height});
    panel_->addChild(text.get());
    if (clone) {
        panel_->addChild(clone.get());
        animation_ = clone.get();
    }
    panel_->setPosition({win.width / 2, win.height / 2});
    addChild(panel_.get(), 1);
    menu->setPosition({0.5f * p.width, 0.1f * p.height});
    panel_->addChild(menu.get());
    return true;
}

void TutorialAnim::RemoveMe()
{
    Ref<TutorialAnim> keep(this);
    CCNode* owner = parent();
    if (owner) owner->SetInputActive(true);
    Profile* profile = Profile::sharedInstance();
    if (TutorialFrameDef* def = profile->GetTutorialDef(State)) def->Done = true;
    if (const Overlay* overlay = overlayOf(State)) {
        if (overlay->arrowFollowed >= 0) {
            if (TutorialFrameDef* def = profile->GetTutorialDef(overlay->arrowFollowed)) def->ArrowAfterDone = true;
        }
        if (overlay->moveOn && owner) owner->MoveWithTutorial();
    }
    removeFromParentAndCleanup(true);
}

} // namespace mw
