#pragma once

#include <memory>
#include <thread>

#include "engine/director/CCDirectorIOS.h"

namespace mw {

// The frame driver with a pacing thread: while animating, a thread of its
// own hands one frame after another to the main thread's run loop and waits
// for each to be drawn, so frames come as fast as the main thread drains its
// run loop. Every frame is drawn on the main thread; the pacing thread never
// touches the director or GL.
//
// The thread starts with the first startAnimation, idles while the driver is
// stopped and ends with end() or the director's destruction, neither of
// which ever waits for a frame (so ending from inside a frame is safe). The
// interval is not used. The operations are for the main thread.
class CCDirectorFastThreaded : public CCDirectorIOS {
public:
    static CCDirector* sharedDirector() { return sharedDirectorOfKind<CCDirectorFastThreaded>(); }

    CCDirectorFastThreaded();
    // Ends the pacing thread and joins it.
    ~CCDirectorFastThreaded() override;

    // The time step counts from now; frames are requested from the pacing
    // thread (started on first use).
    void startAnimation() override;
    // No more frames are requested; a frame already queued is skipped.
    void stopAnimation() override;
    // Ignored, with a log line: the pacing has no interval to change.
    void setAnimationInterval(double interval) override;
    // Shuts down as the device director does, then ends the pacing thread.
    void end() override;
    bool isRunning() const;
    // Whether the pacing thread exists (started and not yet ended).
    bool hasPacingThread() const { return pacer_.joinable(); }

private:
    struct Pacing;
    static void mainLoop(std::shared_ptr<Pacing> pacing);
    static void drawFrame(const std::shared_ptr<Pacing>& pacing);
    void endPacingThread();

    std::shared_ptr<Pacing> pacing_; // shared with the thread, which may outlive a queued frame
    std::thread pacer_;
};

} // namespace mw
