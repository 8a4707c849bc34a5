#include "game/village/ButtonCaption.h"

#include "engine/labels/CCLabelTTF.h"
#include "foundation/Utf16.h"
#include "game/state/LocalisationManager.h"
#include "game/boards/WidgetDevice.h"

namespace mw::caption {

float sizeFor(const std::string& text)
{
    const bool tablet = widgetOnTablet();
    if (utf16Length(text) < 8) return tablet ? 28.0f : 14.0f;
    return tablet ? 27.0f : 13.0f;
}

void add(CCNode* button, const std::string& text, float size, ccColor3B shadow, ccColor3B face)
{
    if (button == nullptr) return;
    const CGSize box = button->contentSize();
    auto back = CCLabelTTF::labelWithString(text, "HelveticaNeue-Bold", size);
    back->setColor(shadow);
    back->setPosition({box.width / 2 + 1, box.height / 2 - 1});
    button->addChild(back.get(), 2);
    auto front = CCLabelTTF::labelWithString(text, "HelveticaNeue-Bold", size);
    front->setColor(face);
    front->setPosition({box.width / 2, box.height / 2});
    button->addChild(front.get(), 2);
}

std::string localized(const char* key) { return LocalisationManager::sharedInstance()->getValue(key); }

} // namespace mw::caption
