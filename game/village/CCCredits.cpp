#include "game/village/CCCredits.h"

#include <GLES/gl.h>

#include <cmath>

#include "engine/base/ccContentScale.h"
#include "engine/director/CCDirector.h"
#include "engine/director/CCDirectorIOS.h"
#include "engine/labels/CCLabelTTF.h"
#include "game/state/LocalisationManager.h"
#include "game/boards/WidgetDevice.h"

namespace mw {
namespace {

constexpr ccColor3B kHeadingColour{218, 100, 18};
constexpr ccColor3B kNameColour{71, 57, 48};

} // namespace

// What truly made the game: the project, the pictures' emoji font, the fonts,
// and the libraries the program links, each with its licence where the
// licence asks for credit (FreeType and the JPEG library ask for their own
// words). Name lines are shown as they stand, in every language.
const std::vector<CCCredits::Entry>& CCCredits::entries()
{
    static const std::vector<Entry> list = {
        {true, "CREDITS_1"},
        {false, "The Mosswick project"},
        {true, "CREDITS_9"},
        {false, "The Mosswick project"},
        {true, "CREDITS_2"},
        {false, "Noto Color Emoji © Google, SIL OFL 1.1"},
        {true, "CREDITS_3"},
        {false, "Synthesised by the Mosswick project"},
        {true, "CREDITS_4"},
        {false, "SDL2 and Mesa (OpenGL ES 1.1)"},
        {true, "CREDITS_5"},
        {false, "Nimbus Sans (URW base fonts) © URW++"},
        {false, "AGPL 3 with font exception"},
        {false, "Comic Neue © Craig Rozynski, SIL OFL 1.1"},
        {false, "DejaVu Sans © Bitstream, Vera licence"},
        {true, "CREDITS_6"},
        {false, "OpenAL Soft, LGPL 2 or later"},
        {true, "CREDITS_7"},
        {false, "FFmpeg, GPL 2 or later"},
        {false, "FreeType, libpng and libjpeg-turbo"},
        {false, "libxml2, tinyxml2, zlib and minizip"},
        {true, "CREDITS_8"},
        {false, "SDL2 © Sam Lantinga, zlib licence"},
        {false, "Mesa and libxml2: MIT licence"},
        {false, "libcurl © Daniel Stenberg, et al."},
        {false, "OpenSSL: Apache License 2.0"},
        {false, "ICU © Unicode, Inc."},
        {false, "libpng © The PNG Reference Library Authors"},
        {false, "Portions of this software are copyright"},
        {false, "© 2022 The FreeType Project"},
        {false, "(www.freetype.org). All rights reserved."},
        {false, "This software is based in part on"},
        {false, "the work of the Independent JPEG Group."},
        {true, "CREDITS_10"},
        {false, "libcurl and OpenSSL (network)"},
        {false, "ICU (numbers and dates)"},
        {false, "C++20, CMake, Clang and GoogleTest"},
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
