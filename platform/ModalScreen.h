#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "foundation/Object.h"

namespace mw {

// A full-screen page presented modally over the game (the game centre's
// achievements and leaderboard): a title, rows of a label and a value, and a
// Done button that dismisses it. Main thread.
class ModalScreen : public Object {
public:
    ModalScreen(std::string title, std::vector<std::pair<std::string, std::string>> rows)
        : title(std::move(title)), rows(std::move(rows))
    {
    }

    std::string title;
    std::vector<std::pair<std::string, std::string>> rows;
    std::string emptyText = "Nothing here yet.";
    // Runs once the screen is gone (Done pressed or dismissed).
    std::function<void()> onDone;

    // Presents it on the root view (again: nothing).
    void present();
    bool isPresented() const { return presented_; }
    // Takes it off the screen and runs onDone.
    void dismiss();

private:
    friend class RootView;
    bool presented_ = false;
};

} // namespace mw
