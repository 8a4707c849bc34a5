#pragma once

#include <functional>
#include <optional>
#include <string>

#include "engine/text/TextLayoutTypes.h"
#include "engine/text/UIFont.h"
#include "foundation/Ref.h"
#include "platform/Image.h"
#include "social/ui/UIView.h"

namespace mw {

class NSTimer;

// Text in the view's bounds: font, colour, alignment, line count (0: as
// many as fit), line breaking, and shrinking to a minimum size for one-line
// labels. sizeThatFits measures the text in the given width.
class UILabel : public UIView {
public:
    explicit UILabel(CGRect frame = CGRectZero);

    const std::string& text() const { return text_; }
    void setText(std::string text);
    void setFont(Ref<UIFont> font);
    UIFont* font() const { return font_.get(); }
    void setTextColor(FillColor colour);
    void setTextAlignment(UITextAlignment alignment);
    void setNumberOfLines(int lines);
    void setLineBreakMode(UILineBreakMode mode);
    void setAdjustsFontSizeToFitWidth(bool on, float minimumFontSize);
    // Vertically centred in the bounds (as the platform's labels are).
    bool drawsContent() const override { return true; }
    void drawRect(UIDrawContext& context, CGRect rect) override;
    CGSize sizeThatFits(CGSize size) const override;
    // The font size a one-line shrinking label drew at last.
    float lastDrawnFontSize() const { return lastFontSize_; }

private:
    std::string text_;
    Ref<UIFont> font_;
    FillColor colour_ {0, 0, 0, 1};
    UITextAlignment alignment_ = UITextAlignmentLeft;
    int lines_ = 1;
    UILineBreakMode mode_ = UILineBreakModeTailTruncation;
    bool shrink_ = false;
    float minimumSize_ = 0;
    float lastFontSize_ = 0;
};

// An image stretched over the bounds.
class UIImageView : public UIView {
public:
    explicit UIImageView(CGRect frame = CGRectZero, Ref<Image> image = nullptr);
    void setImage(Ref<Image> image);
    Image* image() const { return image_.get(); }
    bool drawsContent() const override { return true; }
    void drawRect(UIDrawContext& context, CGRect rect) override;
    CGSize sizeThatFits(CGSize size) const override;

private:
    Ref<Image> image_;
};

// A custom button: an image (and a highlighted one) with an optional title,
// and callbacks for touch-down and touch-up-inside. Highlighted while a
// touch that began on it is inside it.
class UIButton : public UIView {
public:
    using Action = std::function<void(UIButton&)>;
    explicit UIButton(CGRect frame = CGRectZero);

    void setImage(Ref<Image> normal, Ref<Image> highlighted = nullptr);
    void setTitle(std::string title, Ref<UIFont> font, FillColor colour);
    void setTouchDown(Action action) { touchDown_ = std::move(action); }
    void setTouchUpInside(Action action) { touchUpInside_ = std::move(action); }
    bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool on);
    // As a touch-up-inside would.
    void sendTouchUpInside();

    bool drawsContent() const override { return true; }
    void drawRect(UIDrawContext& context, CGRect rect) override;
    void touchesBegan(const UIViewTouches& touches) override;
    void touchesMoved(const UIViewTouches& touches) override;
    void touchesEnded(const UIViewTouches& touches) override;
    void touchesCancelled(const UIViewTouches& touches) override;

private:
    bool inside(const UIViewTouches& touches) const;

    Ref<Image> normal_;
    Ref<Image> highlightedImage_;
    std::string title_;
    Ref<UIFont> titleFont_;
    FillColor titleColour_ {1, 1, 1, 1};
    bool highlighted_ = false;
    Action touchDown_;
    Action touchUpInside_;
};

// The platform's spinner: twelve spokes turning one step every twelfth of
// a second while animating. Large white 37 points, small white and gray 20.
class UIActivityIndicatorView : public UIView {
public:
    enum Style { kWhiteLarge = 0, kWhite = 1, kGray = 2 };
    explicit UIActivityIndicatorView(Style style);
    ~UIActivityIndicatorView() override;
    Style style() const { return style_; }
    void startAnimating();
    void stopAnimating();
    bool isAnimating() const { return animating_; }
    int step() const { return step_; }
    bool drawsContent() const override { return true; }
    void drawRect(UIDrawContext& context, CGRect rect) override;
    CGSize sizeThatFits(CGSize size) const override;

private:
    Style style_;
    bool animating_ = false;
    int step_ = 0;
    Ref<NSTimer> timer_;
};

} // namespace mw
