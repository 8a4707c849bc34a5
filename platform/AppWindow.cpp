#include "platform/AppWindow.h"

#include <SDL.h>

#include <cstdlib>

#include "foundation/Log.h"
#include "platform/AlertView.h"
#include "platform/Application.h"

namespace mw {

namespace {

// SDL's GLX path cannot make OpenGL ES 1 contexts; EGL on X11 can. Only the
// desktop's window systems are tried (unless SDL_VIDEODRIVER says otherwise):
// when both fail, SDL would go on to the console's screen (KMSDRM), which
// works beside a running desktop on many machines, and the game would run
// there where nobody sees it.
void prepareVideo()
{
    SDL_SetHint(SDL_HINT_VIDEO_X11_FORCE_EGL, "1");
    SDL_SetHint(SDL_HINT_OPENGL_ES_DRIVER, "1");
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11,wayland");
}

// Starts SDL's video. An X server busy with other clients can refuse a new
// connection for a moment, which would read as no display at all: a few
// tries, a moment apart, tell that from a display that is not there.
bool startVideo(Uint32 subsystems)
{
    constexpr int kTries = 5;
    for (int attempt = 1;; ++attempt) {
        if (SDL_InitSubSystem(subsystems) == 0) return true;
        if (attempt == kTries) return false;
        SDL_Delay(50u << attempt);
    }
}

bool envSet(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value;
}

// Whether the windows of SDL's video driver of that name show on a desktop.
bool isDesktopDriver(const std::string& driver)
{
    return driver == "x11" || driver == "wayland";
}

// The displays the environment names, as "NAME=value" joined by " and ".
std::string namedDisplays()
{
    std::string named;
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        if (!envSet(name)) continue;
        if (!named.empty()) named += " and ";
        named += std::string(name) + "=" + std::getenv(name);
    }
    return named;
}

// Room for the title bar and borders, which the usable bounds do not count.
constexpr int kDecorationAllowance = 48;

PixelSize usableDesktop()
{
    SDL_Rect bounds{};
    if (SDL_GetDisplayUsableBounds(0, &bounds) != 0) return {};
    return {bounds.w, bounds.h - kDecorationAllowance};
}

void setGLAttributes(const GLSurfaceFormat& format)
{
    const bool is565 = format.color == GLColorFormat::RGB565;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, is565 ? 5 : 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, is565 ? 6 : 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, is565 ? 5 : 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    // The frame's depth buffer belongs to the offscreen surface; the window
    // only ever shows a finished picture.
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
}

} // namespace

bool AppWindow::hasDisplay(std::string* why)
{
    if (why) why->clear();
    if (!envSet("DISPLAY") && !envSet("WAYLAND_DISPLAY")) return false;
    auto refuse = [&](const std::string& reason) {
        if (why) *why = namedDisplays() + ": " + reason;
        return false;
    };
    prepareVideo();
    if (!startVideo(SDL_INIT_VIDEO)) return refuse(SDL_GetError());
    const char* driver = SDL_GetCurrentVideoDriver();
    const std::string name = driver ? driver : "";
    const int screens = SDL_GetNumVideoDisplays();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    if (!isDesktopDriver(name)) return refuse("the video driver '" + name + "' shows no window on a desktop");
    if (screens <= 0) return refuse("the display has no screen");
    return true;
}

std::unique_ptr<AppWindow> AppWindow::open(const DeviceProfile& profile, GLSurfaceFormat format,
                                           const std::string& title)
{
    prepareVideo();
    if (!startVideo(SDL_INIT_VIDEO | SDL_INIT_EVENTS)) {
        logLine("AppWindow: cannot start SDL video: %s", SDL_GetError());
        return nullptr;
    }
    if (const char* driver = SDL_GetCurrentVideoDriver(); !driver || !isDesktopDriver(driver)) {
        logLine("AppWindow: no window: the video driver '%s' shows none on a desktop", driver ? driver : "");
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
        return nullptr;
    }
    setGLAttributes(format);
    // Hold the GL library for the rest of the process: otherwise destroying
    // the window unloads the driver, and what it leaks at exit can no longer
    // be traced to it by the leak checker (it shows as an unknown module).
    // The video system is held with it: while the library is held, ending
    // the video system closes the X connection but leaves the library's EGL
    // display open on it, and the next window's display (often at the same
    // address) would be that stale one, which crashes on first use.
    static const bool glLibraryHeld =
        SDL_InitSubSystem(SDL_INIT_VIDEO) == 0 && SDL_GL_LoadLibrary(nullptr) == 0;
    (void)glLibraryHeld;
    const PixelSize size = profile.windowSizeToFit(usableDesktop());
    SDL_Window* window = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, size.width,
                                          size.height, SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
    if (!window) {
        logLine("AppWindow: cannot open a %dx%d window: %s", size.width, size.height, SDL_GetError());
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
        return nullptr;
    }
    std::unique_ptr<AppWindow> app(new AppWindow(window, profile));
    app->context_ = GLContext::createForWindow(window, profile.pixelSize(), format);
    if (!app->context_) return nullptr; // the destructor closes the window
    app->updateLetterbox();
    // A desktop has no application icon: the badge shows in the title.
    Application::sharedApplication().setBadgeListener([window, title](int badge) {
        std::string shown = badge > 0 ? title + " (" + std::to_string(badge) + ")" : title;
        SDL_SetWindowTitle(window, shown.c_str());
    });
    return app;
}

AppWindow::~AppWindow()
{
    Application::sharedApplication().setBadgeListener(nullptr);
    context_.reset(); // GL objects go while the window still exists
    SDL_DestroyWindow(window_);
    // The video system outlives the window (see open): what this window left
    // queued is no event of the next one.
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
}

bool AppWindow::pollEvents()
{
    SDL_Event event;
    while (!hasQuit() && SDL_PollEvent(&event)) handleEvent(event);
    return !hasQuit();
}

void AppWindow::handleEvent(const SDL_Event& event)
{
    if (hasQuit()) return;
    if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE) {
        touches_.cancelAll(event.common.timestamp / 1000.0);
        lifeCycle_.quit();
        return;
    }
    if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
        updateLetterbox();
        return;
    }
    if (handleTyping(event)) return;
    if (touches_.handleEvent(event)) return;
    const bool wasActive = lifeCycle_.isActive();
    if (lifeCycle_.handleEvent(event) && wasActive && !lifeCycle_.isActive()) {
        // The phone cancels touches when the app is interrupted; a window
        // losing focus mid-drag never sees the button go up.
        touches_.cancelAll(event.common.timestamp / 1000.0);
    }
}

bool AppWindow::handleTyping(const SDL_Event& event)
{
    // Typing goes to the front alert's text field; Return presses its last button.
    AlertView* alert = AlertViewPresenter::sharedPresenter().frontAlert();
    if (!alert) return false;
    if (event.type == SDL_TEXTINPUT) {
        alert->insertText(event.text.text);
        return true;
    }
    if (event.type != SDL_KEYDOWN) return false;
    if (event.key.keysym.sym == SDLK_BACKSPACE) {
        alert->deleteBackward();
        return true;
    }
    if (event.key.keysym.sym == SDLK_RETURN || event.key.keysym.sym == SDLK_KP_ENTER) {
        alert->dismissWithClickedButtonIndex(static_cast<int>(alert->buttonTitles.size()) - 1);
        return true;
    }
    return false;
}

void AppWindow::updateLetterbox()
{
    int width = 0, height = 0;
    SDL_GetWindowSize(window_, &width, &height);
    const CGSize windowSize{static_cast<float>(width), static_cast<float>(height)};
    touches_.setLetterbox(Letterbox(profile_.pointSize, windowSize), windowSize);
}

} // namespace mw
