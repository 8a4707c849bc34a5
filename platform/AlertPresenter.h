#pragma once

#include <memory>
#include <string>

namespace mw {

// Shows a modal message with a title, a text and one button that only
// closes it. The desktop's presenter writes the alert to the log until the
// program installs one that draws it; tests install a recording fake. Main
// thread.
class AlertPresenter {
public:
    static std::shared_ptr<AlertPresenter> sharedInstance();
    // Installs a presenter, or the logging one again for null; answers the previous.
    static std::shared_ptr<AlertPresenter> replaceSharedInstance(std::shared_ptr<AlertPresenter> presenter);

    virtual ~AlertPresenter() = default;
    virtual void showAlert(const std::string& title, const std::string& message,
                           const std::string& button) = 0;
};

} // namespace mw
