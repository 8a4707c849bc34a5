#include "engine/labels/CCLabelTTF.h"

#include "engine/base/ccContentScale.h"
#include "engine/base/ccDescription.h"
#include "engine/support/CCFileUtils.h"
#include "engine/textures/CCTexture2D.h"
#include "foundation/Format.h"
#include "foundation/Log.h"

namespace mw {

namespace {

// The device a rendered texture is made for, as files chosen for it say.
ccResolutionType deviceResolutionType()
{
    const CCFileUtilsDevice device = CCFileUtils::currentDevice();
    const bool highResolution = device.contentScaleFactor == 2;
    if (device.isTablet) return highResolution ? kCCResolutioniPadRetinaDisplay : kCCResolutioniPad;
    return highResolution ? kCCResolutioniPhoneRetinaDisplay : kCCResolutioniPhone;
}

} // namespace

Ref<CCLabelTTF> CCLabelTTF::labelWithString(const std::string& text, const std::string& fontName,
                                            float fontSize)
{
    Ref<CCLabelTTF> label = makeRef<CCLabelTTF>();
    label->initWithString(text, fontName, fontSize);
    return label;
}

Ref<CCLabelTTF> CCLabelTTF::labelWithString(const std::string& text, CGSize dimensions,
                                            UITextAlignment alignment, const std::string& fontName,
                                            float fontSize)
{
    Ref<CCLabelTTF> label = makeRef<CCLabelTTF>();
    label->initWithString(text, dimensions, alignment, fontName, fontSize);
    return label;
}

Ref<CCLabelTTF> CCLabelTTF::labelWithString(const std::string& text, CGSize dimensions,
                                            UITextAlignment alignment, UILineBreakMode lineBreakMode,
                                            const std::string& fontName, float fontSize)
{
    Ref<CCLabelTTF> label = makeRef<CCLabelTTF>();
    label->initWithString(text, dimensions, alignment, lineBreakMode, fontName, fontSize);
    return label;
}

CCLabelTTF::~CCLabelTTF() = default;

void CCLabelTTF::initWithString(const std::string& text, const std::string& fontName, float fontSize)
{
    dimensions_ = CGSizeZero;
    fontName_ = fontName;
    fontSize_ = fontSize * CC_CONTENT_SCALE_FACTOR();
    setUp(text);
}

void CCLabelTTF::initWithString(const std::string& text, CGSize dimensions, UITextAlignment alignment,
                                const std::string& fontName, float fontSize)
{
    initWithString(text, dimensions, alignment, UILineBreakModeWordWrap, fontName, fontSize);
}

void CCLabelTTF::initWithString(const std::string& text, CGSize dimensions, UITextAlignment alignment,
                                UILineBreakMode lineBreakMode, const std::string& fontName, float fontSize)
{
    const float scale = CC_CONTENT_SCALE_FACTOR();
    dimensions_ = {dimensions.width * scale, dimensions.height * scale};
    alignment_ = alignment;
    fontName_ = fontName;
    fontSize_ = fontSize * scale;
    lineBreakMode_ = lineBreakMode;
    setUp(text);
}

void CCLabelTTF::setUp(const std::string& text)
{
    font_ = TextFont::named(fontName_, fontSize_);
    if (!font_) logLine("CCLabelTTF: no font named \"%s\"; the label shows nothing", fontName_.c_str());
    setString(text);
}

void CCLabelTTF::setString(const std::string& text)
{
    string_ = text;
    Ref<CCTexture2D> texture = makeRef<CCTexture2D>();
    // Sized to the text: one line, centred in its measured size.
    const bool rendered =
        dimensions_ == CGSizeZero
            ? texture->initWithString(string_, font_.sizeWithText(string_), UITextAlignmentCenter,
                                      UILineBreakModeWordWrap, font_)
            : texture->initWithString(string_, dimensions_, alignment_, lineBreakMode_, font_);
    if (!rendered) {
        setTexture(nullptr);
        setTextureRect(CGRectZero);
        return;
    }
    texture->setResolutionType(deviceResolutionType());
    // The sprite holds the only reference once `texture` goes.
    setTexture(texture.get());
    setTextureRect({CGPointZero, texture->contentSize()});
}

std::string CCLabelTTF::description() const
{
    return format("<%s = %s | FontSize = %.1f>", ccClassName(typeid(*this)).c_str(),
                  ccAddressString(this).c_str(), static_cast<double>(fontSize_));
}

} // namespace mw
