#include "game/village/CCCredits.h"

#include <GLES/gl.h>

#include <cmath>

#include "engine/base/ccContentScale.h"
#include "engine/director/CCDirector.h"
#include "engine/director/CCDirectorIOS.h"
#include "engine/labels/CCLabelTTF.h"
#include "game/state/LocalisationManager.h"
#include "game/village/WidgetDevice.h"

namespace mw {
namespace {

constexpr ccColor3B kHeadingColour{218, 100, 18};
constexpr ccColor3B kNameColour{71, 57, 48};

} // namespace

const std::vector<CCCredits::Entry>& CCCredits::entries()
{
    static const std::vector<Entry> list = {
        {true, "CREDITS_1"},
        {false, "Hanna Wierzbicka"},
        {true, "CREDITS_9"},
        {false, "Tobias Lindqvist"},
        {true, "CREDITS_2"},
        {false, "Marek Sosnowski"},
        {true, "CREDITS_3"},
        {false, "Ilse Brandauer"},
        {true, "CREDITS_4"},
        {false, "Jonas Falkenrath"},
        {true, "CREDITS_5"},
        {false, "Agata Nowicka"},
        {false, "Rupert Halloway"},
        {false, "Lena Obermaier"},
        {false, "Piotr Zieliński"},
        {true, "CREDITS_6"},
        {false, "Katarzyna Wrona"},
        {true, "CREDITS_7"},
        {false, "Felix Rautenberg"},
        {false, "Zofia Mazur"},
        {false, "Oskar Weiland"},
        {true, "CREDITS_8"},
        {false, "The Mosswick players"},
        {false, "Our families"},
        {false, "Greta Sundholm"},
        {false, "Bartosz Kowal"},
        {false, "Elif Demir"},
        {false, "Magnus Thorsen"},
        {false, "Clara Vogt"},
        {false, "Nils Engström"},
        {false, "Wanda Lis"},
        {false, "Henrik Sauer"},
        {false, "Ada Pawlak"},
        {true, "CREDITS_10"},
        {false, "OpenGL ES"},
        {false, "OpenAL Soft"},
        {false, "FFmpeg"},
        {false, "Tally Analytics"},
    };
    return list;
}

Ref<CCCredits> CCCredits::credits()
{
    return makeRef<CCCredits>();
}

CCCredits::CCCredits()
{
    const bool tablet = widgetOnTablet();
    LocalisationManager* strings = LocalisationManager::sharedInstance();
    float y = 0;
    float lastHeight = 0;
    for (const Entry& entry : entries()) {
        if (entry.heading) y += kHeadingGap;
        Ref<CCLabelTTF> label =
            entry.heading ? CCLabelTTF::labelWithString(strings->getValue(entry.text), "HelveticaNeue-Bold",
                                                        tablet ? 24 : 12)
                          : CCLabelTTF::labelWithString(entry.text, "HelveticaNeue", tablet ? 20 : 10);
        label->setColor(entry.heading ? kHeadingColour : kNameColour);
        label->setPosition({0, -y});
        addChild(label.get());
        lastHeight = label->contentSize().height;
        y += lastHeight;
    }
    Height = y + 4 * lastHeight;
}

CGRect CCCredits::clipBand()
{
    CCDirector* director = CCDirector::sharedDirector();
    const CGSize win = director->winSize();
    int32_t orientation = kCCDeviceOrientationPortrait;
    if (auto* device = dynamic_cast<CCDirectorIOS*>(director)) orientation = device->deviceOrientation();
    switch (orientation) {
    case kCCDeviceOrientationPortraitUpsideDown:
        return {{0, 0.49f * win.height}, {win.width, 0.26f * win.height}};
    case kCCDeviceOrientationLandscapeLeft:
        return {{0.25f * win.height, 0}, {0.26f * win.height, win.width}};
    case kCCDeviceOrientationLandscapeRight:
        return {{0.49f * win.height, 0}, {0.26f * win.height, win.width}};
    default:
        return {{0, 0.25f * win.height}, {win.width, 0.26f * win.height}};
    }
}

void CCCredits::visit()
{
    if (!visible()) return;
    const CGRect band = clipBand();
    const float scale = CC_CONTENT_SCALE_FACTOR();
    glPushMatrix();
    glEnable(GL_SCISSOR_TEST);
    glScissor(static_cast<GLint>(std::lround(band.origin.x * scale)),
              static_cast<GLint>(std::lround(band.origin.y * scale)),
              static_cast<GLsizei>(std::lround(band.size.width * scale)),
              static_cast<GLsizei>(std::lround(band.size.height * scale)));
    CCNode::visit();
    glDisable(GL_SCISSOR_TEST);
    glPopMatrix();
}

} // namespace mw
