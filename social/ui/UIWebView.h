#pragma once

#include <string>

#include "foundation/Ref.h"
#include "social/ui/UIView.h"

namespace mw {

class UIButton;

// The stand-in for an embedded web page: no HTML is rendered. It keeps the
// page text it was given and draws a dark panel with one play button, whose
// touch-up-inside opens `videoAddress` through the platform's URL opener.
class UIWebView : public UIView {
public:
    explicit UIWebView(CGRect frame);
    void loadHTMLString(std::string html, std::string videoAddress);
    const std::string& pageText() const { return page_; }
    const std::string& videoAddress() const { return video_; }
    // The page's one button (the play button).
    UIButton* playButton() const { return play_.get(); }

private:
    std::string page_;
    std::string video_;
    Ref<UIButton> play_;
};

// Text made safe to place in HTML: & < > " ' as entities.
std::string htmlEscaped(std::string_view text);

} // namespace mw
