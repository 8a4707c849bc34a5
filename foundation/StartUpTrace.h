#pragma once

#include <functional>
#include <string>
#include <utility>

namespace mw {

// An observer of the program's start-up steps, so a test can check their order
// and values in one list. The application delegate notes its steps and the
// headless frame driver the window it opens for it. With no observer set (the normal run) a note costs
// one test of an empty function. Main thread only.
using StartUpObserver = std::function<void(const std::string& step)>;

inline StartUpObserver& startUpObserverSlot()
{
    static StartUpObserver observer;
    return observer;
}

// Replaces the observer (an empty one stops recording).
inline void setStartUpObserver(StartUpObserver observer) { startUpObserverSlot() = std::move(observer); }

inline bool startUpObserved() { return static_cast<bool>(startUpObserverSlot()); }

inline void noteStartUpStep(const std::string& step)
{
    if (startUpObserverSlot()) startUpObserverSlot()(step);
}

} // namespace mw
