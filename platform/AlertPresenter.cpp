#include "platform/AlertPresenter.h"

#include <mutex>

#include "foundation/Log.h"
#include "platform/AlertView.h"

namespace mw {

namespace {

// Puts the message up as an AlertView with the one button, so it appears
// wherever AlertViews do: drawn by the engine, answerable headless and in tests.
class AlertViewAlertPresenter : public AlertPresenter {
public:
    void showAlert(const std::string& title, const std::string& message, const std::string& button) override
    {
        logLine("Alert: [%s] %s [%s]", title.c_str(), message.c_str(), button.c_str());
        makeRef<AlertView>(title, message, nullptr, std::vector<std::string>{button})->show();
    }
};

std::mutex gLock;
std::shared_ptr<AlertPresenter>& installed()
{
    static std::shared_ptr<AlertPresenter> presenter = std::make_shared<AlertViewAlertPresenter>();
    return presenter;
}

} // namespace

std::shared_ptr<AlertPresenter> AlertPresenter::sharedInstance()
{
    std::lock_guard<std::mutex> guard(gLock);
    return installed();
}

std::shared_ptr<AlertPresenter>
AlertPresenter::replaceSharedInstance(std::shared_ptr<AlertPresenter> presenter)
{
    std::lock_guard<std::mutex> guard(gLock);
    if (!presenter) presenter = std::make_shared<AlertViewAlertPresenter>();
    std::swap(presenter, installed());
    return presenter;
}

} // namespace mw
