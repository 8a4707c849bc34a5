#pragma once

#include <cstdint>
#include <string>

#include "audio/CDAudioInterruptProtocol.h"
#include "foundation/Ref.h"

namespace mw {

class CDAudioManager;
class CDBufferManager;
class CDSoundEngine;
class CDSoundSource;

// The one audio interface the game uses: effects and background music named
// by file (a path relative to the bundle, or absolute). Every effect plays in
// source group 0 of the sound engine, which holds all sources. Effect plays
// answer the OpenAL source name, kCDSoundSilent (engine off, file that cannot
// be loaded) or kCDSoundNoSource (no source free, or OpenAL refused).
//
// A file played without being preloaded is loaded on the spot, on the
// caller's thread, and stays loaded until unloadEffect. Main thread only,
// sharedEngine() aside.
class SimpleAudioEngine : public CDAudioInterruptProtocol {
public:
    // The shared facade, built on first use under a lock of the class (which
    // builds the shared audio manager if there is none yet).
    static SimpleAudioEngine* sharedEngine();
    // Lets go of the facade and ends the shared audio manager (see
    // CDAudioManager::end): safe while sounds play.
    static void end();

    // Takes the shared audio manager and its engine.
    SimpleAudioEngine();
    ~SimpleAudioEngine() override;

    void preloadEffect(const std::string& filePath);
    // An effect that was never loaded is ignored.
    void unloadEffect(const std::string& filePath);
    uint32_t playEffect(const std::string& filePath);
    uint32_t playEffect(const std::string& filePath, bool loop);
    uint32_t playEffect(const std::string& filePath, float pitch, float pan, float gain);
    uint32_t playEffect(const std::string& filePath, float pitch, float pan, float gain, bool loop);
    // Stops what a play answered; the two codes do nothing.
    void stopEffect(uint32_t soundId);
    // A source of group 0 with the file attached, kept for the caller; null
    // when the file cannot be loaded or no source is free.
    [[nodiscard]] Ref<CDSoundSource> soundSourceForFile(const std::string& filePath);

    void preloadBackgroundMusic(const std::string& filePath);
    // Loops forever.
    void playBackgroundMusic(const std::string& filePath);
    void playBackgroundMusic(const std::string& filePath, bool loop);
    void stopBackgroundMusic();
    void pauseBackgroundMusic();
    void resumeBackgroundMusic();
    void rewindBackgroundMusic();
    bool isBackgroundMusicPlaying() const;
    bool willPlayBackgroundMusic() const;

    // The engine's master gain.
    float effectsVolume() const;
    void setEffectsVolume(float volume);
    // The music channel's volume.
    float backgroundMusicVolume() const;
    void setBackgroundMusicVolume(float volume);

    // A change is passed on to the audio manager.
    bool mute() const override { return mute_; }
    void setMute(bool mute) override;
    bool enabled() const override { return enabled_; }
    void setEnabled(bool enabled) override;

    CDAudioManager* audioManager() const { return manager_.get(); }
    CDSoundEngine* soundEngine() const { return engine_.get(); }

private:
    Ref<CDAudioManager> manager_;
    Ref<CDSoundEngine> engine_;
    Ref<CDBufferManager> bufferManager_;
    bool mute_ = false;
    bool enabled_ = true;
};

} // namespace mw
