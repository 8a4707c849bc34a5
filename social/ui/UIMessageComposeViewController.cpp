#include "social/ui/UIMessageComposeViewController.h"

#include "foundation/Log.h"
#include "social/ui/UIControls.h"
#include "social/ui/UIWindow.h"

namespace mw {

namespace {

const FillColor kBarColour {0.20f, 0.24f, 0.28f, 1};
const FillColor kPageColour {0.96f, 0.96f, 0.94f, 1};
const FillColor kBubbleColour {0.30f, 0.62f, 0.36f, 1};
const FillColor kTextColour {0.12f, 0.12f, 0.12f, 1};

std::string joined(const std::vector<std::string>& parts)
{
    std::string text;
    for (const auto& part : parts) {
        if (!text.empty()) text += ", ";
        text += part;
    }
    return text;
}

} // namespace

bool UIMessageComposeViewController::canSendText() { return MessageService::sharedInstance()->canSendText(); }

Ref<UIMessageComposeViewController> UIMessageComposeViewController::create()
{
    if (!canSendText()) {
        logLine("[UIMessageComposeViewController] this device cannot send text messages");
        return nullptr;
    }
    return makeRef<UIMessageComposeViewController>();
}

UIMessageComposeViewController::~UIMessageComposeViewController() = default;

void UIMessageComposeViewController::setRecipients(std::vector<std::string> recipients)
{
    recipients_ = std::move(recipients);
    refreshTexts();
}

void UIMessageComposeViewController::setBody(std::string body)
{
    body_ = std::move(body);
    refreshTexts();
}

void UIMessageComposeViewController::refreshTexts()
{
    if (recipientsLabel_) recipientsLabel_->setText("To: " + joined(recipients_));
    if (bodyLabel_) bodyLabel_->setText(body_);
}

CGRect UIMessageComposeViewController::modalPresentationFrame(CGRect window) const
{
    if (presentationStyle_ != kFormSheet || window.size.width <= 540 || window.size.height <= 620) return window;
    return {window.origin.x + (window.size.width - 540) / 2, window.origin.y + (window.size.height - 620) / 2, 540,
            620};
}

void UIMessageComposeViewController::loadView()
{
    UIWindow* window = UIWindow::keyWindow();
    const CGRect full = modalPresentationFrame(window ? window->bounds() : CGRect {0, 0, 320, 480});
    const float width = full.size.width;
    Ref<UIView> root = makeRef<UIView>(full);
    if (full.size.width != 540) root->setAutoresizingMask(UIView::kFlexibleWidth | UIView::kFlexibleHeight);
    root->setBackgroundColor(kPageColour);

    Ref<UIView> bar = makeRef<UIView>(CGRect {0, 0, width, 44});
    bar->setAutoresizingMask(UIView::kFlexibleWidth);
    bar->setBackgroundColor(kBarColour);
    Ref<UILabel> title = makeRef<UILabel>(CGRect {80, 0, width - 160, 44});
    title->setAutoresizingMask(UIView::kFlexibleWidth);
    title->setFont(UIFont::boldSystemFontOfSize(18));
    title->setTextColor({1, 1, 1, 1});
    title->setTextAlignment(UITextAlignmentCenter);
    title->setText("New Message");
    bar->addSubview(title.get());
    cancel_ = makeRef<UIButton>(CGRect {5, 7, 70, 30});
    cancel_->setTitle("Cancel", UIFont::boldSystemFontOfSize(14), {1, 1, 1, 1});
    cancel_->setBackgroundColor(FillColor {0.33f, 0.38f, 0.44f, 1});
    cancel_->setTouchUpInside([this](UIButton&) { (void)cancel(); });
    bar->addSubview(cancel_.get());
    send_ = makeRef<UIButton>(CGRect {width - 75, 7, 70, 30});
    send_->setTitle("Send", UIFont::boldSystemFontOfSize(14), {1, 1, 1, 1});
    send_->setBackgroundColor(kBubbleColour);
    send_->setTouchUpInside([this](UIButton&) { (void)send(); });
    bar->addSubview(send_.get());

    recipientsLabel_ = makeRef<UILabel>(CGRect {10, 50, width - 20, 30});
    recipientsLabel_->setAutoresizingMask(UIView::kFlexibleWidth);
    recipientsLabel_->setFont(UIFont::systemFontOfSize(15));
    recipientsLabel_->setTextColor(kTextColour);
    Ref<UIView> rule = makeRef<UIView>(CGRect {0, 84, width, 1});
    rule->setAutoresizingMask(UIView::kFlexibleWidth);
    rule->setBackgroundColor(FillColor {0.7f, 0.7f, 0.7f, 1});
    bodyLabel_ = makeRef<UILabel>(CGRect {10, 92, width - 20, 160});
    bodyLabel_->setAutoresizingMask(UIView::kFlexibleWidth);
    bodyLabel_->setFont(UIFont::systemFontOfSize(15));
    bodyLabel_->setTextColor(kTextColour);
    bodyLabel_->setNumberOfLines(0);
    bodyLabel_->setLineBreakMode(UILineBreakModeWordWrap);
    refreshTexts();

    root->addSubview(bar.get());
    root->addSubview(recipientsLabel_.get());
    root->addSubview(rule.get());
    root->addSubview(bodyLabel_.get());
    setView(root.get());
}

bool UIMessageComposeViewController::send()
{
    if (result_ >= 0) return false;
    return finish(MessageService::sharedInstance()->sendText(recipients_, body_));
}

bool UIMessageComposeViewController::cancel()
{
    if (result_ >= 0) return false;
    return finish(MessageService::kCancelled);
}

bool UIMessageComposeViewController::finish(MessageComposeResult result)
{
    result_ = result;
    if (!delegate_) return false;
    Ref<UIMessageComposeViewController> self(this); // the delegate may drop the composer
    delegate_->messageComposeViewControllerDidFinishWithResult(*this, result);
    return true;
}

} // namespace mw
