#pragma once

#include <memory>
#include <string>

namespace mw {

// Shows a modal message with a title, a text and one button that only
// closes it. The installed presenter shows it as an AlertView (and logs it);
// tests may install a recording fake. Main thread.
class AlertPresenter {
public:
    static std::shared_ptr<AlertPresenter> sharedInstance();
    // Installs a presenter, or the AlertView one again for null; answers the previous.
    static std::shared_ptr<AlertPresenter> replaceSharedInstance(std::shared_ptr<AlertPresenter> presenter);

    virtual ~AlertPresenter() = default;
    virtual void showAlert(const std::string& title, const std::string& message,
                           const std::string& button) = 0;
};

} // namespace mw
