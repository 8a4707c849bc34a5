#include "platform/AlertView.h"

#include <algorithm>
#include <mutex>

#include "foundation/Shared.h"

namespace mw {

namespace {
AlertViewPresenter* gInstalled = nullptr;

// Every alert alive, so that a delegate going away can be forgotten by the
// alerts that name it. Never destroyed: a delegate may go at exit, after the
// statics of this file.
struct LiveAlerts {
    std::mutex lock;
    std::vector<AlertView*> alerts;
};

LiveAlerts& liveAlerts()
{
    static auto* live = new LiveAlerts;
    return *live;
}
} // namespace

AlertViewDelegate::~AlertViewDelegate()
{
    LiveAlerts& live = liveAlerts();
    std::lock_guard<std::mutex> guard(live.lock);
    for (AlertView* alert : live.alerts) {
        if (alert->delegate == this) alert->delegate = nullptr;
    }
}

AlertView::AlertView(std::string title, std::string message, AlertViewDelegate* delegate,
                     std::vector<std::string> buttonTitles)
    : title(std::move(title)), message(std::move(message)), buttonTitles(std::move(buttonTitles)),
      delegate(delegate)
{
    LiveAlerts& live = liveAlerts();
    std::lock_guard<std::mutex> guard(live.lock);
    live.alerts.push_back(this);
}

AlertView::~AlertView()
{
    LiveAlerts& live = liveAlerts();
    std::lock_guard<std::mutex> guard(live.lock);
    std::erase(live.alerts, this);
}

void AlertView::show()
{
    if (!visible_) AlertViewPresenter::sharedPresenter().present(*this);
}

void AlertView::dismissWithClickedButtonIndex(int index)
{
    if (!visible_) return;
    Ref<AlertView> keep(this); // the presenter held the last reference
    AlertViewPresenter::sharedPresenter().dismiss(*this);
    if (delegate) delegate->alertViewClickedButtonAtIndex(*this, index);
}

void AlertView::insertText(const std::string& utf8)
{
    if (!hasTextField || utf8.empty()) return;
    text += utf8;
    if (visible_) AlertViewPresenter::sharedPresenter().alertChanged(*this);
}

void AlertView::deleteBackward()
{
    if (text.empty()) return;
    size_t end = text.size() - 1;
    // Step back over continuation bytes (10xxxxxx) to the sequence's lead byte.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    text.erase(end);
    if (visible_) AlertViewPresenter::sharedPresenter().alertChanged(*this);
}

AlertViewPresenter& AlertViewPresenter::sharedPresenter()
{
    // The plain list sits in a shared slot, which static destruction never
    // empties: an alert left in it would otherwise let its delegate go then.
    return gInstalled ? *gInstalled : *Shared<AlertViewPresenter>::get();
}

void AlertViewPresenter::closeAll()
{
    std::vector<Ref<AlertView>> closing;
    closing.swap(alerts_);
    for (const Ref<AlertView>& alert : closing) {
        alert->visible_ = false;
        alertDismissed(*alert);
    }
}

void AlertViewPresenter::setSharedPresenter(AlertViewPresenter* presenter)
{
    // Alerts still shown move to the new presenter.
    AlertViewPresenter& old = sharedPresenter();
    std::vector<Ref<AlertView>> moving;
    moving.swap(old.alerts_);
    for (auto& alert : moving) old.alertDismissed(*alert);
    gInstalled = presenter;
    AlertViewPresenter& now = sharedPresenter();
    for (auto& alert : moving) {
        now.alerts_.push_back(alert);
        now.alertShown(*alert);
    }
}

void AlertViewPresenter::present(AlertView& alert)
{
    alert.visible_ = true;
    alerts_.push_back(Ref<AlertView>(&alert));
    alertShown(alert);
}

void AlertViewPresenter::dismiss(AlertView& alert)
{
    // Off the list before the drawing presenter hears of it, so that what it
    // redraws no longer holds the alert.
    alert.visible_ = false;
    Ref<AlertView> keep(&alert);
    std::erase_if(alerts_, [&](const Ref<AlertView>& shown) { return shown.get() == &alert; });
    alertDismissed(alert);
}

} // namespace mw
