#include "social/ui/UITextField.h"

#include "engine/text/UIFont.h"
#include "foundation/Utf16.h"
#include "foundation/Utf8.h"
#include "social/ui/UIDrawContext.h"
#include "social/ui/UIWindow.h"

namespace mw {

namespace {

// Code points that belong to the character before them: variation
// selectors, the zero-width joiner, skin-tone modifiers, combining marks.
bool joinsPrevious(char32_t c)
{
    return (c >= 0xFE00 && c <= 0xFE0F) || c == 0x200D || (c >= 0x1F3FB && c <= 0x1F3FF) ||
           (c >= 0x0300 && c <= 0x036F) || (c >= 0xE0020 && c <= 0xE007F);
}

// Byte offsets of the code points of the text.
std::vector<std::pair<size_t, char32_t>> codePoints(std::string_view text)
{
    std::vector<std::pair<size_t, char32_t>> out;
    size_t at = 0;
    while (at < text.size()) {
        const size_t start = at;
        const char32_t c = nextCodePoint(text, at);
        out.emplace_back(start, c);
        if (at == start) break;
    }
    return out;
}

} // namespace

UITextField::UITextField(CGRect frame) : UIView(frame), font_(systemFontOfSize(17)) { setOpaque(false); }

void UITextField::setText(std::string text)
{
    text_ = std::move(text);
    setNeedsDisplay();
}

void UITextField::setSecureTextEntry(bool on)
{
    secure_ = on;
    setNeedsDisplay();
}

void UITextField::setFont(Ref<UIFont> font)
{
    font_ = std::move(font);
    setNeedsDisplay();
}

void UITextField::setTextColor(FillColor colour)
{
    colour_ = colour;
    setNeedsDisplay();
}

std::string UITextField::displayedText() const
{
    if (!secure_) return text_;
    std::string bullets;
    for (const auto& point : codePoints(text_)) {
        if (!joinsPrevious(point.second)) bullets += "\u2022";
    }
    return bullets;
}

void UITextField::insertText(const std::string& utf8)
{
    if (!isFirstResponder() || utf8.empty()) return;
    Ref<UITextField> hold(this);
    const UTF16Range range {utf16Length(text_), 0};
    if (delegate_ && !delegate_->textFieldShouldChangeCharacters(*this, range, utf8)) return;
    text_ += utf8;
    setNeedsDisplay();
}

void UITextField::deleteBackward()
{
    if (!isFirstResponder() || text_.empty()) return;
    Ref<UITextField> hold(this);
    const auto points = codePoints(text_);
    size_t index = points.size() - 1;
    // Back over joiners and modifiers to the character they belong to, and
    // over a joined sequence as a whole.
    while (index > 0 && (joinsPrevious(points[index].second) || points[index - 1].second == 0x200D)) --index;
    const size_t byte = points[index].first;
    const size_t from = utf16IndexForUtf8Offset(text_, byte);
    const UTF16Range range {from, utf16Length(text_) - from};
    if (delegate_ && !delegate_->textFieldShouldChangeCharacters(*this, range, std::string())) return;
    text_.erase(byte);
    setNeedsDisplay();
}

void UITextField::pressReturn()
{
    if (!isFirstResponder()) return;
    Ref<UITextField> hold(this);
    if (delegate_) delegate_->textFieldShouldReturn(*this);
    else resignFirstResponder();
}

bool UITextField::becomeFirstResponder()
{
    if (isFirstResponder()) return true;
    if (!UIResponder::becomeFirstResponder()) return false;
    Ref<UITextField> hold(this);
    if (UIWindow* shown = window()) shown->showKeyboard();
    if (delegate_) delegate_->textFieldDidBeginEditing(*this);
    setNeedsDisplay();
    return true;
}

bool UITextField::resignFirstResponder()
{
    if (!isFirstResponder()) return true;
    Ref<UITextField> hold(this);
    UIResponder::resignFirstResponder();
    if (UIWindow* key = UIWindow::keyWindow()) key->hideKeyboard();
    if (delegate_) delegate_->textFieldDidEndEditing(*this);
    setNeedsDisplay();
    return true;
}

void UITextField::touchesBegan(const UIViewTouches& touches) { becomeFirstResponder(); }

void UITextField::drawRect(UIDrawContext& context, CGRect rect)
{
    if (!font_) return;
    const std::string shown = displayedText();
    const float height = UIDrawContext::measure("Ag", font_.get()).height;
    const float y = (bounds().size.height - height) / 2;
    context.setFillColor(colour_);
    const CGSize used = context.drawTextInRect(shown, {0, y, bounds().size.width, height}, font_.get(),
                                               UILineBreakModeClip, UITextAlignmentLeft);
    if (isFirstResponder()) {
        // The caret after the text.
        context.fillRect({std::min(used.width + 1, bounds().size.width - 2), y, 2, height});
    }
}

} // namespace mw
