#pragma once

#include <atomic>
#include <memory>
#include <string>

namespace mw {

// Categories an application sets on its audio session.
inline constexpr const char* AVAudioSessionCategoryAmbient = "AVAudioSessionCategoryAmbient";
inline constexpr const char* AVAudioSessionCategorySoloAmbient = "AVAudioSessionCategorySoloAmbient";
inline constexpr const char* AVAudioSessionCategoryPlayback = "AVAudioSessionCategoryPlayback";
inline constexpr const char* AVAudioSessionCategoryPlayAndRecord = "AVAudioSessionCategoryPlayAndRecord";

// Posted (null object) when an interruption of the session's sound begins or
// ends; the user information is a bool, true at the begin. Players listen.
inline constexpr const char* AVAudioSessionInterruptionNotification =
    "AVAudioSessionInterruptionNotification";

// Told about interruptions of the session's sound (a phone call, an alarm).
class AVAudioSessionDelegate {
public:
    virtual ~AVAudioSessionDelegate() = default;
    virtual void beginInterruption() {}
    virtual void endInterruption() {}
    // flags 1: the sound may resume.
    virtual void endInterruptionWithFlags(unsigned flags) {}
};

// The application's audio session: how its sound mixes with other
// applications'. A desktop shares its output freely, so the session the game
// uses on Linux is a stub: every category and activation succeeds, no other
// audio is ever playing, the route is the speaker, and nothing interrupts.
// Tests install a fake to play other audio and raise interruptions.
class AVAudioSession {
public:
    // The installed session (the stub unless another was installed). Any thread.
    static std::shared_ptr<AVAudioSession> sharedInstance();
    // Installs a session, or the stub again for null; answers the previous.
    static std::shared_ptr<AVAudioSession> replaceSharedInstance(std::shared_ptr<AVAudioSession> session);

    virtual ~AVAudioSession() = default;

    // Not owned; null for none.
    void setDelegate(AVAudioSessionDelegate* delegate) { delegate_.store(delegate); }
    AVAudioSessionDelegate* delegate() const { return delegate_.load(); }

    // Each answers whether it succeeded.
    virtual bool setCategory(const std::string& category) = 0;
    virtual bool setActive(bool active) = 0;
    // Another application's sound is playing.
    virtual bool isOtherAudioPlaying() = 0;
    // The current output route ("Speaker", "Headphone"); empty when sound has
    // nowhere to go.
    virtual std::string audioRoute() = 0;

    // For whatever raises interruptions: tells the delegate, then posts
    // AVAudioSessionInterruptionNotification. Main thread.
    void reportInterruptionBegan();
    void reportInterruptionEnded(unsigned flags);

private:
    std::atomic<AVAudioSessionDelegate*> delegate_{nullptr};
};

} // namespace mw
