#pragma once

#include <vector>

#include "foundation/Ref.h"
#include "platform/ActivityIndicatorView.h"
#include "platform/ModalScreen.h"

namespace mw {

// The key window's root view as far as the game uses it: the activity
// spinners added to it and the modal screens presented on it. The one
// installed at start only keeps the lists (headless runs and tests read
// them); the engine installs one that also draws them above the running
// scene. Main thread.
class RootView {
public:
    static RootView& sharedRootView();
    // Installs a root view (not owned), or the plain lists again for null;
    // what is shown moves over.
    static void setSharedRootView(RootView* view);

    virtual ~RootView() = default;
    const std::vector<Ref<ActivityIndicatorView>>& spinners() const { return spinners_; }
    const std::vector<Ref<ModalScreen>>& modalScreens() const { return screens_; }
    ModalScreen* frontScreen() const { return screens_.empty() ? nullptr : screens_.back().get(); }
    // The program's end: every modal screen is taken off unanswered (its
    // onDone is dropped, not run: nothing may start now) and every spinner
    // removed, so that what they hold goes while all it uses is still there.
    void closeAll();

protected:
    // Drawing root views follow the lists through this.
    virtual void contentChanged() {}

private:
    friend class ActivityIndicatorView;
    friend class ModalScreen;
    void add(ActivityIndicatorView& spinner);
    void remove(ActivityIndicatorView& spinner);
    void changed() { contentChanged(); }
    void present(ModalScreen& screen);
    void dismiss(ModalScreen& screen);

    std::vector<Ref<ActivityIndicatorView>> spinners_;
    std::vector<Ref<ModalScreen>> screens_;
};

} // namespace mw
