#include "engine/director/ScreenWindow.h"

namespace mw {

namespace {

ScreenWindow*& currentWindow()
{
    static ScreenWindow* window = nullptr;
    return window;
}

} // namespace

ScreenWindow* ScreenWindow::current() { return currentWindow(); }

ScreenWindow::~ScreenWindow()
{
    if (currentWindow() == this) currentWindow() = nullptr;
}

void ScreenWindow::setCurrent(ScreenWindow* window) { currentWindow() = window; }

} // namespace mw
