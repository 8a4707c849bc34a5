#include "engine/text/TrueTypeStringDrawing.h"

#include <cmath>
#include <vector>

#include "engine/text/TextLayout.h"
#include "engine/text/UIFont.h"
#include "engine/text/ZAttributedString.h"
#include "engine/text/ZFont.h"
#include "foundation/Log.h"
#include "foundation/Utf16.h"
#include "platform/BitmapContext.h"

namespace mw {

namespace {

constexpr CGSize kUnbounded{kUnboundedTextSize, kUnboundedTextSize};

// The 12-point system font, for runs without a font; kept for the process
// once it could be made.
ZFont* defaultFont()
{
    static Ref<ZFont> font;
    if (!font) {
        const Ref<UIFont> system = UIFont::systemFontOfSize(12.f);
        font = ZFont::fontWithUIFont(system);
    }
    return font.get();
}

// Null for a null font: nothing to lay out.
std::unique_ptr<TextLayout> plainLayout(std::string_view utf8, ZFont* font, const TextLayoutOptions& options)
{
    if (!font) return nullptr;
    std::u16string text = utf8ToUtf16(utf8);
    std::vector<TextLayoutRun> runs{{0, text.size(), font, nullptr}};
    return std::make_unique<TextLayout>(std::move(text), std::move(runs), options);
}

// Null when a run has no font and the system font is missing.
std::unique_ptr<TextLayout> attributedLayout(const ZAttributedString& string,
                                             const TextLayoutOptions& options)
{
    const std::vector<ZAttributeRun>& attributeRuns = string.attributeRuns();
    std::vector<TextLayoutRun> runs;
    runs.reserve(attributeRuns.size());
    for (size_t i = 0; i < attributeRuns.size(); ++i) {
        TextLayoutRun run;
        run.start = attributeRuns[i].index;
        run.end = i + 1 < attributeRuns.size() ? attributeRuns[i + 1].index : string.length();
        run.attributes = &attributeRuns[i].attributes;
        run.font = attributeValue(*run.attributes, ZFontAttributeName).font();
        if (!run.font) run.font = defaultFont();
        if (!run.font) {
            logLine("Text: a run has no font and the system font is missing; nothing laid out");
            return nullptr;
        }
        runs.push_back(run);
    }
    return std::make_unique<TextLayout>(string.utf16(), std::move(runs), options);
}

CGSize roundedUp(const std::unique_ptr<TextLayout>& layout)
{
    if (!layout) return CGSizeZero;
    return {std::ceil(layout->size().width), std::ceil(layout->size().height)};
}

// Draws with the layout's top-left at `origin`.
CGSize drawn(BitmapContext& context, const std::unique_ptr<TextLayout>& layout, CGPoint origin,
             UITextAlignment alignment, bool ignoreColor)
{
    if (!layout) return CGSizeZero;
    context.saveState();
    context.translate(origin.x, origin.y);
    layout->draw(context, alignment, ignoreColor);
    context.restoreState();
    return layout->size();
}

} // namespace

CGSize sizeWithZFont(std::string_view text, ZFont* font)
{
    return roundedUp(plainLayout(text, font, {kUnbounded, 1, UILineBreakModeClip}));
}

CGSize sizeWithZFont(std::string_view text, ZFont* font, CGSize constrainedSize,
                     UILineBreakMode lineBreakMode, int numberOfLines)
{
    return roundedUp(plainLayout(text, font, {constrainedSize, numberOfLines, lineBreakMode}));
}

CGSize drawAtPoint(BitmapContext& context, std::string_view text, CGPoint point, ZFont* font)
{
    return drawn(context, plainLayout(text, font, {kUnbounded, 1, UILineBreakModeClip}), point,
                 UITextAlignmentLeft, true);
}

CGSize drawAtPoint(BitmapContext& context, std::string_view text, CGPoint point, float width, ZFont* font,
                   UILineBreakMode lineBreakMode)
{
    return drawn(context, plainLayout(text, font, {{width, kUnboundedTextSize}, 1, lineBreakMode}), point,
                 UITextAlignmentLeft, true);
}

CGSize drawInRect(BitmapContext& context, std::string_view text, CGRect rect, ZFont* font,
                  UILineBreakMode lineBreakMode, UITextAlignment alignment, int numberOfLines)
{
    return drawn(context, plainLayout(text, font, {rect.size, numberOfLines, lineBreakMode}), rect.origin,
                 alignment, true);
}

CGSize sizeWithCGFont(std::string_view text, FontFace* face, float pointSize)
{
    const Ref<ZFont> font = ZFont::fontWithCGFont(face, pointSize);
    return sizeWithZFont(text, font.get());
}

CGSize sizeWithCGFont(std::string_view text, FontFace* face, float pointSize, CGSize constrainedSize,
                      UILineBreakMode lineBreakMode)
{
    const Ref<ZFont> font = ZFont::fontWithCGFont(face, pointSize);
    return sizeWithZFont(text, font.get(), constrainedSize, lineBreakMode);
}

CGSize drawAtPoint(BitmapContext& context, std::string_view text, CGPoint point, FontFace* face,
                   float pointSize)
{
    const Ref<ZFont> font = ZFont::fontWithCGFont(face, pointSize);
    return drawAtPoint(context, text, point, font.get());
}

CGSize drawInRect(BitmapContext& context, std::string_view text, CGRect rect, FontFace* face, float pointSize,
                  UILineBreakMode lineBreakMode, UITextAlignment alignment)
{
    const Ref<ZFont> font = ZFont::fontWithCGFont(face, pointSize);
    return drawInRect(context, text, rect, font.get(), lineBreakMode, alignment);
}

CGSize attributedStringSize(const ZAttributedString& text)
{
    return roundedUp(attributedLayout(text, {kUnbounded, 1, UILineBreakModeClip}));
}

CGSize attributedStringSize(const ZAttributedString& text, CGSize constrainedSize,
                            UILineBreakMode lineBreakMode, int numberOfLines)
{
    return roundedUp(attributedLayout(text, {constrainedSize, numberOfLines, lineBreakMode}));
}

CGSize drawAtPoint(BitmapContext& context, const ZAttributedString& text, CGPoint point)
{
    return drawn(context, attributedLayout(text, {kUnbounded, 1, UILineBreakModeClip}), point,
                 UITextAlignmentLeft, false);
}

CGSize drawAtPoint(BitmapContext& context, const ZAttributedString& text, CGPoint point, float width,
                   UILineBreakMode lineBreakMode)
{
    return drawn(context, attributedLayout(text, {{width, kUnboundedTextSize}, 1, lineBreakMode}), point,
                 UITextAlignmentLeft, false);
}

CGSize drawInRect(BitmapContext& context, const ZAttributedString& text, CGRect rect,
                  UILineBreakMode lineBreakMode, UITextAlignment alignment, int numberOfLines)
{
    return drawn(context, attributedLayout(text, {rect.size, numberOfLines, lineBreakMode}), rect.origin,
                 alignment, false);
}

} // namespace mw
