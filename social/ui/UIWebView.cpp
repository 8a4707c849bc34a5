#include "social/ui/UIWebView.h"

#include <algorithm>
#include <cmath>

#include "platform/URLOpener.h"
#include "social/ui/UIControls.h"
#include "social/ui/UIDrawContext.h"

namespace mw {

namespace {

// A round play button drawn in code: a white disc with a dark triangle.
class PlayButton : public UIButton {
public:
    using UIButton::UIButton;
    void drawRect(UIDrawContext& context, CGRect rect) override
    {
        const CGSize size = bounds().size;
        const float r = std::min(size.width, size.height) / 2;
        context.setFillColor({1, 1, 1, isHighlighted() ? 0.6f : 0.9f});
        for (float y = -r; y < r; y += 0.5f) {
            const float half = std::sqrt(std::max(0.0f, r * r - y * y));
            context.fillRect({size.width / 2 - half, size.height / 2 + y, half * 2, 0.5f});
        }
        context.setFillColor({0.1f, 0.1f, 0.1f, 1});
        const float h = r * 0.9f;
        for (float x = 0; x < h; x += 0.5f) {
            const float half = h / 2 * (1 - x / h);
            context.fillRect({size.width / 2 - h / 3 + x, size.height / 2 - half, 0.5f, half * 2});
        }
    }
};

} // namespace

std::string htmlEscaped(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

UIWebView::UIWebView(CGRect frame) : UIView(frame)
{
    setBackgroundColor(FillColor {0.08f, 0.08f, 0.09f, 1});
    const float side = std::min({frame.size.width, frame.size.height, 44.0f});
    play_ = Ref<UIButton>(new PlayButton(
        {(frame.size.width - side) / 2, (frame.size.height - side) / 2, side, side}));
    UIWebView* self = this;
    play_->setTouchUpInside([self](UIButton&) {
        if (!self->video_.empty()) URLOpener::sharedInstance()->openURL(self->video_);
    });
    addSubview(play_.get());
}

void UIWebView::loadHTMLString(std::string html, std::string videoAddress)
{
    page_ = std::move(html);
    video_ = std::move(videoAddress);
}

} // namespace mw
