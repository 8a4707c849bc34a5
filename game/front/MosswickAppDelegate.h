#pragma once

#include <string>

#include "engine/director/ScreenWindow.h"
#include "foundation/Ref.h"
#include "game/front/RootViewController.h"
#include "platform/ApplicationDelegate.h"
#include "social/session/LumoraSlimlineSession.h"

namespace mw {

class LifeCycle;
class UIWindow;

// The program's answer to the application's life cycle. Launching clears the
// badge, opens the window on the screen the frame driver offers, makes the
// director (the display-link kind where the screen reports its refreshes,
// else the timer kind) and the GL view and configures them, shows the
// window, makes the social screens' window over it, moves a save left in the caches folder, starts the analytics and
// social sessions, reads the string table, starts the audio engine without
// waiting and runs the loading scene. Afterwards it pauses and
// resumes the director, stops and restarts its animation, purges caches on a
// memory warning and makes the frame after a time change take no time. It
// makes itself the application's delegate and root view controller owner for
// its lifetime. Main thread.
class MosswickAppDelegate : public ApplicationDelegate, public LumoraSlimlineSessionDelegate {
public:
    static constexpr const char* kAnalyticsKey = "QX3TR7WMB2KJ9PLD4HSZ";
    static constexpr const char* kSocialAppID = "4817302956";
    static constexpr const char* kSocialTheme = "mosswick_01";
    static constexpr const char* kSocialSecret = "zk4wq8nrt2vyhc6md0xfa3sj5gpb1e";

    MosswickAppDelegate();
    ~MosswickAppDelegate() override;

    void applicationDidFinishLaunching() override;
    void applicationDidReceiveLocalNotification(const LocalNotification& notification) override;
    void applicationWillResignActive() override;
    void applicationDidBecomeActive() override;
    void applicationDidReceiveMemoryWarning() override;
    void applicationDidEnterBackground() override;
    void applicationWillEnterForeground() override;
    // Takes down what is presented (alerts and game-centre screens
    // unanswered, the social screens' window and animations), then ends the
    // director (the scenes, then the engine's shared objects).
    void applicationWillTerminate() override;
    void applicationSignificantTimeChange() override;

    // The program's end, whatever ended the run (a closed window, a spent
    // frame budget): the application quits through `lifeCycle` (background,
    // where the game saves, then terminate) unless it has already, the
    // delegate is let go, and the shared instances end (endSharedInstances).
    // From then on making a shared instance is logged (beginProgramEnd).
    // Call it with the GL context still current; nothing of the game is left
    // for the process's static destructors.
    static void endProgram(LifeCycle& lifeCycle);

    // The program's shared instances, top layer first: the game's, the
    // social client's (LumoraSlimlineSession::endSocialClient), the
    // analytics client's and the sound engine's. For the program's end once
    // the application has terminated (its screens and scenes are gone and
    // every observer has heard the termination), while the GL context is
    // still there for the textures they hold; the tests' reset runs it too.
    static void endSharedInstances();

    // Moves "supersave.plist" from the caches folder to the documents folder
    // when only the caches folder has one; a failed move is logged ("Err
    // desc-...") and both files stay.
    static void moveSaveFromCaches();

    // The screen launching opened (the frame driver's; not owned), null
    // before launch, after terminate, or when no driver offered one.
    ScreenWindow* window = nullptr;
    RootViewController viewController;
    // The social screens' window over the director's view (the key window
    // the social session puts the pull tab, notices and dialogs into): made
    // and installed once the director shows its view, taken down before the
    // director ends. Null before launch and after terminate.
    Ref<UIWindow> socialWindow;

private:
    void installSocialWindow();
    void removeSocialWindow();
};

} // namespace mw
