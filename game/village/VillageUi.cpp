#include "game/village/VillageUi.h"

#include "engine/base/ccContentScale.h"
#include "engine/director/CCDirector.h"
#include "engine/labels/CCLabelTTF.h"
#include "engine/sprites/CCSprite.h"
#include "foundation/Log.h"
#include "foundation/Shared.h"
#include "game/state/GlobalObject.h"
#include "game/state/LocalisationManager.h"
#include "game/state/Profile.h"
#include "game/boards/WidgetDevice.h"

namespace mw::villageui {

bool onTablet() { return widgetOnTablet(); }

float pick(float phone, float tablet) { return onTablet() ? tablet : phone; }

CGSize winSize() { return CCDirector::sharedDirector()->winSize(); }

std::string text(const std::string& key) { return LocalisationManager::sharedInstance()->getValue(key); }

std::string upgradeText(int32_t upgrade, const char* suffix)
{
    const std::vector<std::string>& stems = Profile::sharedInstance()->EnumNames;
    if (upgrade < 1 || upgrade > static_cast<int32_t>(stems.size())) {
        logLine("villageui: no name stem for upgrade %d", upgrade);
        return text(std::string("UNKNOWN") + suffix);
    }
    return text(stems[static_cast<size_t>(upgrade - 1)] + suffix);
}

Ref<CCLabelTTF> label(const std::string& s, const char* font, float size, ccColor3B colour)
{
    auto made = CCLabelTTF::labelWithString(s, font, size);
    made->setColor(colour);
    return made;
}

Ref<CCLabelTTF> boxLabel(const std::string& s, CGSize box, const char* font, float size, ccColor3B colour)
{
    auto made = CCLabelTTF::labelWithString(s, box, UITextAlignmentLeft, UILineBreakModeWordWrap, font, size);
    made->setColor(colour);
    return made;
}

Ref<CCSprite> sprite(const std::string& frame)
{
    if (auto made = CCSprite::spriteWithSpriteFrameName(frame)) return made;
    logLine("villageui: no frame %s", frame.c_str());
    return makeRef<CCSprite>();
}

float trimmedBase(CCSprite* picture, float y)
{
    return y - picture->offsetPositionInPixels().y / CC_CONTENT_SCALE_FACTOR();
}

Ref<CCMenuItemSprite> button(const std::string& normal, const std::string& selected, const std::string& disabled,
                             CCMenuCallback callback)
{
    auto up = sprite(normal);
    auto down = sprite(selected);
    Ref<CCSprite> off = disabled.empty() ? Ref<CCSprite>() : sprite(disabled);
    return CCMenuItemSprite::itemFromNormalSprite(up.get(), down.get(), off.get(), std::move(callback));
}

void caption(CCNode* button, const std::string& s, float size, ccColor3B shadow, ccColor3B front,
             CGPoint shadowShift, CGPoint frontShift)
{
    const CGSize box = button->contentSize();
    auto back = label(s, kBoldFont, size, shadow);
    back->setPosition({box.width / 2 + shadowShift.x, box.height / 2 + shadowShift.y});
    button->addChild(back.get(), 2);
    auto top = label(s, kBoldFont, size, front);
    top->setPosition({box.width / 2 + frontShift.x, box.height / 2 + frontShift.y});
    button->addChild(top.get(), 2);
}

void playSound(const std::string& key)
{
    if (GlobalObject* global = Shared<GlobalObject>::current()) global->PlaySoundEffect(key);
}

} // namespace mw::villageui
