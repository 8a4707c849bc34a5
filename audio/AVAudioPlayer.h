#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "foundation/NSTimer.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"

namespace mw {

class AudioDecoder;
class AVAudioPlayer;
class OpenALDevice;

// Told when a player finishes and about interruptions of the audio session.
class AVAudioPlayerDelegate {
public:
    virtual ~AVAudioPlayerDelegate() = default;
    virtual void audioPlayerDidFinishPlaying(AVAudioPlayer* player, bool successfully) {}
    // The session's sound was interrupted; a playing player has paused.
    virtual void audioPlayerBeginInterruption(AVAudioPlayer* player) {}
    // The interruption is over; the player stays paused until told to play.
    virtual void audioPlayerEndInterruption(AVAudioPlayer* player) {}
};

// Plays one sound file, music above all: the stand-in for the phone's audio
// player. The file is streamed through the platform's decoder into a few
// OpenAL buffers queued on one source of the context that is current at
// creation (the sound engine's). While it plays, a timer on the main run loop
// refills the queue every 50 ms; the queue holds about 1.5 s of sound, so a
// main thread that stalls for less does not make it skip.
//
// Main thread only. Once its context is closed (the engine shut down) or
// while another context is current, the player does nothing.
class AVAudioPlayer : public Object {
public:
    static constexpr int kQueuedBuffers = 4;
    static constexpr int kFramesPerBuffer = 16384;
    static constexpr double kUpdateInterval = 0.05;

    // Null when the file does not decode (logged) or no OpenAL context is
    // current (no sound device: the engine has said that sound runs silent).
    [[nodiscard]] static Ref<AVAudioPlayer> playerWithContentsOfFile(const std::string& path);
    ~AVAudioPlayer() override;

    // Decodes the first buffers, so that play starts at once.
    bool prepareToPlay();
    // Plays from the current time; false when there is nothing to play.
    bool play();
    // Holds the place; play goes on from it.
    void pause();
    // Stops playing; the current time stays, as the platform's player kept it.
    void stop();
    bool isPlaying() const { return playing_; }

    // Seconds from the start of the file (of the current pass when looping).
    double currentTime() const;
    // Moves the play position; 0 is the start.
    void setCurrentTime(double seconds);

    float volume() const { return volume_; }
    void setVolume(float volume);
    // -1 loops forever; n plays the file n + 1 times.
    int numberOfLoops() const { return numberOfLoops_; }
    void setNumberOfLoops(int loops) { numberOfLoops_ = loops; }
    // Not owned; null for none.
    void setDelegate(AVAudioPlayerDelegate* delegate) { delegate_ = delegate; }

    // Refills the source's queue and notices the end of playing, which is
    // reported to the delegate. The run-loop timer calls it while playing;
    // tests that render a loopback device call it between renders.
    void update();

private:
    struct QueuedBuffer {
        unsigned buffer;
        int64_t startFrame; // in the file
        int64_t frames;
    };

    AVAudioPlayer(std::unique_ptr<AudioDecoder> decoder, std::shared_ptr<OpenALDevice> device);
    bool live() const;
    bool loopsRemain() const { return numberOfLoops_ < 0 || loopsPlayed_ < numberOfLoops_; }
    bool fillBuffer(unsigned buffer);
    void fillFreeBuffers();
    void unqueueProcessed();
    void restartDecoding();
    void finish();
    void startTimer();
    void stopTimer();
    void interruption(bool began);

    std::unique_ptr<AudioDecoder> decoder_;
    std::shared_ptr<OpenALDevice> device_;
    unsigned source_ = 0;
    std::vector<unsigned> freeBuffers_;
    std::deque<QueuedBuffer> queue_;
    std::vector<uint8_t> scratch_;
    int alFormat_ = 0;
    int64_t decodePosition_ = 0;
    bool decoderAtEnd_ = false;
    int loopsPlayed_ = 0;
    int numberOfLoops_ = 0;
    float volume_ = 1;
    bool playing_ = false;
    AVAudioPlayerDelegate* delegate_ = nullptr;
    Ref<NSTimer> timer_;
    NotificationCenter::ObserverId interruptionObserver_ = 0;
};

} // namespace mw
