#pragma once

#include <string>
#include <vector>

#include "foundation/Ref.h"
#include "platform/MessageService.h"
#include "social/ui/UIControls.h"
#include "social/ui/UIViewController.h"

namespace mw {

class UIMessageComposeViewController;

// The composer's results: 0 cancelled, 1 sent, 2 failed.
using MessageComposeResult = MessageService::Result;

// What the composer tells the one who opened it. The composer does not
// close itself: the delegate dismisses it.
class UIMessageComposeViewControllerDelegate {
public:
    virtual ~UIMessageComposeViewControllerDelegate() = default;
    virtual void messageComposeViewControllerDidFinishWithResult(UIMessageComposeViewController& composer,
                                                                 MessageComposeResult result) = 0;
};

// The text-message screen: the recipients and the body the caller
// prepared, with Cancel and Send. Send hands the message to the installed
// message service (platform/MessageService.h) and reports what it answered;
// Cancel reports kCancelled. One result per composer. Main thread.
class UIMessageComposeViewController : public UIViewControllerBase {
public:
    // How the composer is presented modally: full screen, or a centred form
    // sheet of 540 × 620 points on tablets.
    enum PresentationStyle { kFullScreen = 0, kFormSheet = 2 };

    // Whether the message service can send at all.
    static bool canSendText();
    // A composer, or null (logged) when no message can be sent.
    static Ref<UIMessageComposeViewController> create();

    UIMessageComposeViewController() = default;
    ~UIMessageComposeViewController() override;

    UIMessageComposeViewControllerDelegate* messageComposeDelegate() const { return delegate_; }
    // Not owned.
    void setMessageComposeDelegate(UIMessageComposeViewControllerDelegate* delegate) { delegate_ = delegate; }
    const std::vector<std::string>& recipients() const { return recipients_; }
    void setRecipients(std::vector<std::string> recipients);
    const std::string& body() const { return body_; }
    void setBody(std::string body);
    PresentationStyle modalPresentationStyle() const { return presentationStyle_; }
    void setModalPresentationStyle(PresentationStyle style) { presentationStyle_ = style; }

    // As taps on Send and Cancel would. Answers whether the delegate was told
    // (false after the first result).
    bool send();
    bool cancel();
    UIButton* sendButton() const { return send_.get(); }
    UIButton* cancelButton() const { return cancel_.get(); }
    // The result reported, or -1 before one.
    int result() const { return result_; }

    void loadView() override;
    // A form sheet of 540 × 620 centred in windows larger than that.
    CGRect modalPresentationFrame(CGRect window) const override;

private:
    bool finish(MessageComposeResult result);
    void refreshTexts();

    UIMessageComposeViewControllerDelegate* delegate_ = nullptr;
    std::vector<std::string> recipients_;
    std::string body_;
    PresentationStyle presentationStyle_ = kFullScreen;
    int result_ = -1;
    Ref<UIButton> send_;
    Ref<UIButton> cancel_;
    Ref<UILabel> recipientsLabel_;
    Ref<UILabel> bodyLabel_;
};

} // namespace mw
