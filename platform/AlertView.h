#pragma once

#include <string>
#include <vector>

#include "foundation/Object.h"
#include "foundation/Ref.h"

namespace mw {

class AlertView;

// Hears which button of an alert was pressed. Each alert is its own object,
// so one delegate of several alerts tells them apart by the first argument.
// An alert may outlive its delegate (the presenter keeps it until answered):
// a delegate going away is forgotten by every alert that names it, shown or
// not, so a later answer reaches nobody.
class AlertViewDelegate {
public:
    virtual ~AlertViewDelegate();
    // index: the button's place in the alert's list (the cancel button is
    // 0 when there is one), or -1 when the alert went without an answer.
    virtual void alertViewClickedButtonAtIndex(AlertView& /*alert*/, int /*index*/) {}
};

// A modal alert: a title, a message, buttons and optionally one text field.
// show() hands it to the installed presenter, which keeps it alive and on
// screen until a button answers it. Main thread.
class AlertView : public Object {
public:
    AlertView(std::string title, std::string message, AlertViewDelegate* delegate,
              std::vector<std::string> buttonTitles);
    ~AlertView() override;
    AlertView(const AlertView&) = delete;
    AlertView& operator=(const AlertView&) = delete;

    std::string title;
    std::string message;
    std::vector<std::string> buttonTitles;
    AlertViewDelegate* delegate; // not owned; may be null; null again once the delegate is gone
    bool hasTextField = false;
    std::string text;            // the field's UTF-8 content
    int tag = 0;                 // the caller's own mark

    // Presents the alert (a second call does nothing while it is shown).
    void show();
    bool isVisible() const { return visible_; }
    // Takes the alert off the screen, then tells the delegate the index
    // (-1 for no answer). Does nothing when it is not shown.
    void dismissWithClickedButtonIndex(int index);

    // The field's typing, as the window's text input delivers it.
    void insertText(const std::string& utf8);
    // Removes the last character (a whole UTF-8 sequence).
    void deleteBackward();

private:
    friend class AlertViewPresenter;
    bool visible_ = false;
};

// Shows alerts on the screen. The one installed at start keeps the alerts in
// a list that the headless driver and tests answer; the engine installs one
// that also draws them above the running scene. Main thread.
class AlertViewPresenter {
public:
    static AlertViewPresenter& sharedPresenter();
    // Installs a presenter (not owned), or the plain list again for null.
    static void setSharedPresenter(AlertViewPresenter* presenter);

    virtual ~AlertViewPresenter() = default;
    // Alerts on screen, oldest first; the last one takes the keyboard.
    const std::vector<Ref<AlertView>>& visibleAlerts() const { return alerts_; }
    AlertView* frontAlert() const { return alerts_.empty() ? nullptr : alerts_.back().get(); }
    // The program's end: every alert is taken off unanswered (no delegate
    // hears of it), so that what they hold goes while all it uses is there.
    void closeAll();

protected:
    // Drawing presenters follow the list through these.
    virtual void alertShown(AlertView& /*alert*/) {}
    virtual void alertDismissed(AlertView& /*alert*/) {}
    // The text of a shown alert's field changed.
    virtual void alertChanged(AlertView& /*alert*/) {}

private:
    friend class AlertView;
    void present(AlertView& alert);
    void dismiss(AlertView& alert);

    std::vector<Ref<AlertView>> alerts_;
};

} // namespace mw
