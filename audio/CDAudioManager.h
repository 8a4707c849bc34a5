#pragma once

#include <string>

#include "audio/CDAudioConstants.h"
#include "audio/CDAudioInterruptProtocol.h"
#include "audio/CDLongAudioSourceDelegate.h"
#include "foundation/NSTimer.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Ref.h"
#include "foundation/Selector.h"
#include "platform/AVAudioSession.h"

namespace mw {

class CDLongAudioSource;
class CDSoundEngine;
class Notification;

// The shared front of the audio engine: it sets the audio session for one of
// five modes (CDAudioManagerMode), owns the sound engine and two long-sound
// channels (0 is the background music), and answers session interruptions,
// the loss of the OpenAL context and the application's resign, activate and
// terminate events.
//
// The shared manager is built on first use (sharedManager) or on a thread of
// its own (initAsynchronously); sharedManagerState() tells how far the start
// has come, and kCDN_AudioManagerInitialised is posted on the main thread
// once it exists. A manager whose engine found no sound device still exists:
// callers test soundEngine()->functioning(). Everything but the class
// operations runs on the main thread.
class CDAudioManager : public CDAudioInterruptProtocol,
                       public CDLongAudioSourceDelegate,
                       public AVAudioSessionDelegate {
public:
    // ---- the shared manager (class operations, under a lock of the class)

    // The shared manager, created if there is none, in the configured mode
    // (or kCDModeFxPlusMusicIfNoOtherAudio). A caller that comes while an
    // asynchronous start runs waits for it.
    static CDAudioManager* sharedManager();
    // Only when nothing was started: creates the shared manager on a thread
    // of its own in that mode. Does nothing otherwise.
    static void initAsynchronously(int mode);
    // The mode a later creation uses.
    static void configure(int mode);
    // kCDManagerNotStarted, kCDManagerStarting or kCDManagerReady.
    static int sharedManagerState();
    // Shuts the shared manager down (music stopped, OpenAL released, even
    // with sounds playing) and forgets it; the state stays ready, and the next
    // sharedManager() builds a fresh one. Waits for an asynchronous start.
    static void end();
    // Whether the shared manager, if there is one, lets music play.
    static bool willPlayBackgroundMusicNow();

    // A manager in the configured mode (what the shared slot builds).
    CDAudioManager();
    explicit CDAudioManager(int mode);
    ~CDAudioManager() override;

    // Stops the music and lets go of the channels' players and of OpenAL;
    // the manager then plays nothing. Destruction does it too.
    void shutdown();

    void setMode(int mode);
    int mode() const { return mode_; }
    bool isOtherAudioPlaying();
    // The audio route is absent or empty.
    bool isDeviceMuted();
    bool willPlayBackgroundMusic() const { return willPlayBackgroundMusic_; }
    CDSoundEngine* soundEngine() const { return soundEngine_.get(); }

    // ---- music (channel 0)

    // Loads the file; plays it only when the mode lets music play and the
    // manager is not muted, looping forever (loop) or once.
    void playBackgroundMusic(const std::string& filePath, bool loop);
    void preloadBackgroundMusic(const std::string& filePath);
    void stopBackgroundMusic();
    void pauseBackgroundMusic();
    // Only when music may play and the manager is not muted.
    void resumeBackgroundMusic();
    void rewindBackgroundMusic();
    bool isBackgroundMusicPlaying() const;
    // The selector is called on the listener (not retained) when the music
    // plays to its end; a null listener removes it.
    void setBackgroundMusicCompletionListener(Object* listener, SEL_Call selector);

    // ---- channels

    // Channel 0 or 1; null for another number.
    CDLongAudioSource* audioSourceForChannel(int channel) const;
    // Loads a file into the channel and answers the channel.
    CDLongAudioSource* audioSourceLoad(const std::string& filePath, int channel);

    // Passed on to the engine and both channels on a change.
    bool mute() const override { return mute_; }
    void setMute(bool mute) override;
    bool enabled() const override { return enabled_; }
    void setEnabled(bool enabled) override;

    // ---- session and application events

    // What to do to the channels on resign (CDResignBehavior); with
    // autoHandle, the application's notices are observed (once).
    void setResignBehavior(int resignBehavior, bool autoHandle);
    int resignBehavior() const { return resignBehavior_; }
    bool audioSessionSetCategory(const std::string& category);
    bool audioSessionSetActive(bool active);
    bool audioSessionActive() const { return audioSessionActive_; }
    const std::string& audioSessionCategory() const { return audioSessionCategory_; }
    void audioSessionInterrupted();
    void audioSessionResumed();
    bool interrupted() const { return interrupted_; }
    bool resigned() const { return resigned_; }

    void applicationWillResignActive();
    void applicationDidBecomeActive();
    void applicationWillTerminate();

    // AVAudioSessionDelegate
    void beginInterruption() override { audioSessionInterrupted(); }
    void endInterruption() override { audioSessionResumed(); }
    void endInterruptionWithFlags(unsigned flags) override;

    // CDLongAudioSourceDelegate
    void cdAudioSourceDidFinishPlaying(CDLongAudioSource* audioSource) override;

    // Seconds between attempts to activate the session again after an
    // interruption, and how many retries follow the first attempt.
    static constexpr double kReactivationDelay = 0.5;
    static constexpr int kReactivationRetries = 10;

private:
    void badAlContextHandler();
    void reactivateSession(int retriesLeft);
    void restoreOpenALContext();

    Ref<CDSoundEngine> soundEngine_;
    Ref<CDLongAudioSource> audioSourceChannels_[2];
    int mode_ = kCDModeFxPlusMusicIfNoOtherAudio;
    std::string audioSessionCategory_;
    bool willPlayBackgroundMusic_ = false;
    Object* backgroundMusicCompletionListener_ = nullptr;
    SEL_Call backgroundMusicCompletionSelector_ = nullptr;
    bool mute_ = false;
    bool enabled_ = true;
    bool resigned_ = false;
    bool interrupted_ = false;
    bool audioSessionActive_ = false;
    bool isObservingAppEvents_ = false;
    int resignBehavior_ = kCDResignDoNothing;
    bool shutDown_ = false;
    Ref<NSTimer> reactivationTimer_;
    NotificationCenter::ObserverId badContextObserver_ = 0;
};

} // namespace mw
