#pragma once

#include "platform/ApplicationDelegate.h"

namespace mw {

// Passes the application's life-cycle to the shared director: resigning
// active pauses it, becoming active resumes it, the background stops the
// frames and the foreground starts them again, a memory warning purges the
// caches, a jump of the clock makes the next time step zero, and termination
// ends the director. Events without a director do nothing. The game's
// application delegate does the same besides its own work.
class CCDirectorLifeCycle : public ApplicationDelegate {
public:
    void applicationWillResignActive() override;
    void applicationDidBecomeActive() override;
    void applicationDidEnterBackground() override;
    void applicationWillEnterForeground() override;
    void applicationWillTerminate() override;
    void applicationDidReceiveMemoryWarning() override;
    void applicationSignificantTimeChange() override;
};

} // namespace mw
