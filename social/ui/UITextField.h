#pragma once

#include <cstddef>
#include <string>

#include "engine/text/UIFont.h"
#include "foundation/Ref.h"
#include "platform/Image.h"
#include "social/ui/UIView.h"

namespace mw {

class UITextField;

// A range of UTF-16 units, as the platform counts text for its delegates.
struct UTF16Range {
    size_t location = 0;
    size_t length = 0;
};

// What a text field asks and tells as it is edited. Every call is optional.
class UITextFieldDelegate {
public:
    virtual ~UITextFieldDelegate() = default;
    virtual bool textFieldShouldReturn(UITextField&) { return true; }
    virtual void textFieldDidBeginEditing(UITextField&) {}
    virtual void textFieldDidEndEditing(UITextField&) {}
    // `range` (UTF-16 units of the current text) is to be replaced by
    // `replacement`; NO keeps the text as it is.
    virtual bool textFieldShouldChangeCharacters(UITextField&, UTF16Range range, const std::string& replacement)
    {
        return true;
    }
};

// One line of editable text. A tap makes it the first responder; while it
// is, the window shows the keyboard panel and hands it what is typed (UTF-8
// text, backspace, Return). Backspace removes the last character whole, an
// emoji with its variation selector included. Secure entry draws a bullet
// for each character. The keyboard kind and the return key are recorded
// only: the keyboard panel is the same for all.
class UITextField : public UIView {
public:
    enum KeyboardType { kKeyboardDefault = 0, kKeyboardEmailAddress = 7 };
    enum ReturnKey { kReturnDefault = 0, kReturnDone = 9 };

    explicit UITextField(CGRect frame = CGRectZero);

    const std::string& text() const { return text_; }
    void setText(std::string text);
    bool isSecureTextEntry() const { return secure_; }
    void setSecureTextEntry(bool on);
    void setFont(Ref<UIFont> font);
    void setTextColor(FillColor colour);
    KeyboardType keyboardType() const { return keyboard_; }
    void setKeyboardType(KeyboardType type) { keyboard_ = type; }
    ReturnKey returnKeyType() const { return returnKey_; }
    void setReturnKeyType(ReturnKey key) { returnKey_ = key; }
    bool autocorrection() const { return autocorrection_; }
    void setAutocorrection(bool on) { autocorrection_ = on; }
    bool autocapitalization() const { return autocapitalization_; }
    void setAutocapitalization(bool on) { autocapitalization_ = on; }
    UITextFieldDelegate* delegate() const { return delegate_; }
    void setDelegate(UITextFieldDelegate* delegate) { delegate_ = delegate; }
    bool isEditing() const { return isFirstResponder(); }

    // Typing while first responder.
    void insertText(const std::string& utf8);
    void deleteBackward();
    void pressReturn();

    bool canBecomeFirstResponder() const override { return true; }
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;
    bool drawsContent() const override { return true; }
    void drawRect(UIDrawContext& context, CGRect rect) override;
    void touchesBegan(const UIViewTouches& touches) override;
    void touchesEnded(const UIViewTouches& touches) override {}
    // What is drawn: the text, or a bullet a character.
    std::string displayedText() const;

private:
    std::string text_;
    bool secure_ = false;
    Ref<UIFont> font_;
    FillColor colour_ {0, 0, 0, 1};
    KeyboardType keyboard_ = kKeyboardDefault;
    ReturnKey returnKey_ = kReturnDefault;
    bool autocorrection_ = true;
    bool autocapitalization_ = true;
    UITextFieldDelegate* delegate_ = nullptr;
};

} // namespace mw
