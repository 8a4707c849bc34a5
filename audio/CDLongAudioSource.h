#pragma once

#include <string>

#include "audio/AVAudioPlayer.h"
#include "audio/CDAudioInterruptProtocol.h"
#include "audio/CDAudioTransportProtocol.h"
#include "foundation/Ref.h"

namespace mw {

class CDLongAudioSourceDelegate;

// A long sound (music) played through the platform's audio player: one of the
// audio manager's two channels. A file that cannot be opened leaves no
// player; plays, stops and queries then do nothing (playing reads false).
// Main thread only.
class CDLongAudioSource : public CDAudioInterruptProtocol,
                          public CDAudioTransportProtocol,
                          public AVAudioPlayerDelegate {
public:
    CDLongAudioSource() = default;
    ~CDLongAudioSource() override;

    // Loads a file (relative paths are looked up in the bundle). The same
    // file again only pauses and rewinds the player it has.
    void load(const std::string& filePath);

    // Plays only while enabled.
    bool play() override;
    bool stop() override;
    bool pause() override;
    // Back to the start.
    bool rewind() override;
    // Plays again after a stop or pause, enabled or not.
    void resume();
    bool isPlaying() const;

    float volume() const { return volume_; }
    // Applied to the player while not muted.
    void setVolume(float volume);
    // -1 forever, 0 once.
    int numberOfLoops() const { return numberOfLoops_; }
    void setNumberOfLoops(int loops);

    bool mute() const override { return mute_; }
    void setMute(bool mute) override;
    bool enabled() const override { return enabled_; }
    // Disabling pauses and rewinds.
    void setEnabled(bool enabled) override;

    // The background-music channel.
    bool backgroundMusic() const { return backgroundMusic_; }
    void setBackgroundMusic(bool backgroundMusic) { backgroundMusic_ = backgroundMusic; }
    // Not owned; null for none.
    CDLongAudioSourceDelegate* delegate() const { return delegate_; }
    void setDelegate(CDLongAudioSourceDelegate* delegate) { delegate_ = delegate; }

    const std::string& audioSourceFilePath() const { return audioSourceFilePath_; }
    // Null before a load and after one that failed.
    AVAudioPlayer* audioSourcePlayer() const { return audioSourcePlayer_.get(); }

    // Stopped by the audio manager's resign handling, to be resumed.
    bool systemPaused() const { return systemPaused_; }
    void setSystemPaused(bool paused) { systemPaused_ = paused; }
    // The play position when the resign handling stopped it (kept, not used).
    double systemPauseLocation() const { return systemPauseLocation_; }
    void setSystemPauseLocation(double seconds) { systemPauseLocation_ = seconds; }
    // 0 before the first load, 1 after.
    int state() const { return state_; }

    // Lets go of the player (the manager does so before its engine goes).
    void releasePlayer();

    // AVAudioPlayerDelegate
    void audioPlayerDidFinishPlaying(AVAudioPlayer* player, bool successfully) override;
    void audioPlayerEndInterruption(AVAudioPlayer* player) override;

private:
    Ref<AVAudioPlayer> audioSourcePlayer_;
    std::string audioSourceFilePath_;
    int numberOfLoops_ = 0;
    float volume_ = 1;
    CDLongAudioSourceDelegate* delegate_ = nullptr;
    bool mute_ = false;
    bool enabled_ = true;
    bool backgroundMusic_ = false;
    bool systemPaused_ = false;
    double systemPauseLocation_ = 0;
    int state_ = 0;
};

} // namespace mw
