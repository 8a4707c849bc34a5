#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>

#include "engine/text/TextLayoutTypes.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Ref.h"
#include "foundation/Value.h"
#include "social/ui/UIControls.h"
#include "social/ui/UITextField.h"
#include "social/ui/UIView.h"
#include "social/ui/UIWebView.h"

namespace mw {

class CCSkinnedView;
class Notification;

// The form values of one page, shared by the page and every row: form id
// to value.
class CCFormModel : public Object {
public:
    Value values = Value::dictionary();
};

// The user info of a "tablelink" notification: the link's keys, and the
// view it came from (the platform put the view itself among the keys).
struct CCTableLinkInfo {
    Value info;
    Ref<UIView> view;
};

inline constexpr const char* kTableLinkNotification = "tablelink";
inline constexpr const char* kKeyboardWillAppearNotification = "CC_KeyboardWillAppear";
inline constexpr const char* kKeyboardWillDisappearNotification = "CC_KeyboardWillDisappear";

// What a skinned view tells its owner. Only the button press is required.
class CCSkinnedViewDelegate {
public:
    virtual ~CCSkinnedViewDelegate() = default;
    // A button, tab or switch without a link was pressed: its id, type and
    // the skin item's "href".
    virtual void skinnedViewButtonPressed(CCSkinnedView& view, const std::string& itemId, const std::string& itemType,
                                          const Value& themeUrl) = 0;
    // A server image of the row was drawn (only table pages are told).
    virtual void dataForRowReady(CCSkinnedView&) {}
    virtual bool isGenericTableViewController() const { return false; }
    // Image paths overriding the skin's for a tab or button; nullopt keeps it.
    virtual std::optional<std::string> depressedImageForTabOrButton(const Value& item, const std::string& itemId)
    {
        return std::nullopt;
    }
    virtual std::optional<std::string> normalImageForTabOrButton(const Value& item, const std::string& itemId)
    {
        return std::nullopt;
    }
};

// The drawing routines of single skin items, into the current context.
class CCSkinnedItemRenderer {
public:
    static UITextAlignment textAlignmentFromItem(const Value& item);
    static void setCurrentContextColourFromString(UIDrawContext& context, const std::string& colour);
    static std::optional<FillColor> getColourFromColourItem(const Value& item);
    static void renderOneLineTextItem(UIDrawContext& context, const Value& item, const std::string& text, CGRect rect);
    static void doRenderOneLineTextItem(UIDrawContext& context, const Value& item, const std::string& text, CGRect rect,
                                        CGPoint translation);
    static void renderMultiLineTextItem(UIDrawContext& context, const Value& item, const std::string& text, CGRect rect);
    static void renderMultiLineTextItemFromLabel(UIDrawContext& context, const Value& item, const std::string& text,
                                                 CGRect rect);
    static Ref<UILabel> createLabelForStretchyItem(const Value& item, const std::string& text, CGRect frame);
    static void renderImageItem(UIDrawContext& context, const Value& item, const Image* image, CGRect rect, bool fill);
    static void renderBadgeForButton(UIDrawContext& context, const Value& item, const std::string& text, CGRect rect);
    // A bold system font whose text height crosses `target`, searched one
    // point at a time from the current size (at most 15 tries, then 14).
    static Ref<UIFont> getFontForTargetFontHeight(float target, const std::string& text, const UIFont* current);
    // The badge image's rectangle for an item, as drawn (for tests).
    static std::optional<CGRect> badgeRectForItem(const Value& item);
};

// A view that pairs a theme skin (its items) with a server element (values
// by item id): draws the items, owns the few live controls a skin asks for
// (a text field, a growing label, a spinner, an embedded video), keeps form
// values in the page's form model, and turns taps into "tablelink"
// notifications or delegate calls. Main thread.
class CCSkinnedView : public UIView, public UITextFieldDelegate {
public:
    CCSkinnedView(Value element, Value skin, CGRect frame, Ref<CCFormModel> formModel, bool shouldCache);
    ~CCSkinnedView() override;

    void updateWithUIElement(Value element, Ref<CCFormModel> formModel, bool shouldCache);

    const Value& uiElement() const { return element_; }
    const Value& skinDescription() const { return skin_; }
    CCSkinnedViewDelegate* delegate() const { return delegate_; }
    void setDelegate(CCSkinnedViewDelegate* delegate) { delegate_ = delegate; }
    const std::string& depressedButton() const { return depressedButton_; }
    void setDepressedButton(std::string id) { depressedButton_ = std::move(id); }
    const std::string& disabledItem() const { return disabledItem_; }
    void setDisabledItem(std::string id) { disabledItem_ = std::move(id); }
    void setBadgesEnabled(bool on) { badgesEnabled_ = on; }
    void setShouldHighlightOnTouch(bool on) { shouldHighlightOnTouch_ = on; }
    bool shouldHighlightOnTouch() const { return shouldHighlightOnTouch_; }
    void setTableIndexPath(int section, int row)
    {
        section_ = section;
        row_ = row;
    }
    int tableSection() const { return section_; }
    int tableRow() const { return row_; }
    CCFormModel* formModel() const { return formModel_.get(); }

    // ---- form model ----
    void syncFormModelAndDefaults();
    void syncFormModelToUI();
    void syncDepressedButtonFromUIElement();
    void syncImageActivationFromUIElement();
    Value modelData() const;
    void setModelData(Value value);

    // ---- content ----
    void updateFrameForContent();
    std::optional<Value> replacementDictForUiElement() const;
    static bool pathUrlContainsPrefix(const std::string& path, const std::string& prefix)
    {
        return path.find(prefix) != std::string::npos;
    }
    bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool on);
    UIView* highlightView() const { return highlight_.get(); }
    UITextField* textField() const { return textField_.get(); }
    UILabel* stretchyLabel() const { return stretchyLabel_.get(); }
    UIView* spinnerView() const { return spinner_.get(); }
    UIWebView* webView() const { return webView_.get(); }
    const std::map<std::string, std::string>& activations() const { return activations_; }
    const std::set<std::string>& deactivations() const { return deactivations_; }
    CGSize sizeThatFits(CGSize size) const override;
    CGRect popoverRectForSkinItem(const std::string& itemId, int direction, float shift) const;
    static const Value& skinItemForId(const std::string& itemId, const Value& skin);
    static UIButton* findButtonInView(UIView* view);

    // ---- drawing and touches ----
    bool drawsContent() const override { return true; }
    void drawRect(UIDrawContext& context, CGRect rect) override;
    void touchesBegan(const UIViewTouches& touches) override;
    void touchesEnded(const UIViewTouches& touches) override;
    // The same tap logic for a point in this view's bounds; answers whether
    // an item took it.
    bool tapAtPoint(CGPoint point);

    // ---- text field ----
    bool textFieldShouldReturn(UITextField& field) override;
    void textFieldDidBeginEditing(UITextField& field) override;
    void textFieldDidEndEditing(UITextField& field) override;
    bool textFieldShouldChangeCharacters(UITextField& field, UTF16Range range, const std::string& replacement) override;

private:
    bool isSwitchRow() const;
    bool isTextRow() const;
    void setupTextFieldWithItem(const Value& item, const std::string& text, bool password);
    void setupStretchyTextWithItem(const Value& item, const std::string& text);
    void setupSpinnerWithItem(const Value& item);
    void setupWebViewWithItem(const Value& item, const std::string& source);
    void drawImageItem(UIDrawContext& context, const Value& item, size_t index, CGRect bounds);
    void observeImage(const std::string& url);
    void postKeyboardNotification(const char* name);

    Value element_;
    Value skin_;
    Ref<CCFormModel> formModel_;
    bool shouldCache_ = false;
    Ref<UITextField> textField_;
    Ref<UILabel> stretchyLabel_;
    Ref<UIView> highlight_;
    Ref<UIView> spinner_;
    Ref<UIWebView> webView_;
    std::map<std::string, std::string> activations_;
    std::set<std::string> deactivations_;
    CCSkinnedViewDelegate* delegate_ = nullptr;
    std::string depressedButton_;
    std::string disabledItem_;
    int section_ = -1;
    int row_ = -1;
    bool highlighted_ = false;
    bool badgesEnabled_ = false;
    bool shouldHighlightOnTouch_ = false;
    std::set<std::string> observedImages_;
    Ref<UIView> editingHold_;
};

} // namespace mw
