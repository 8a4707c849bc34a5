#pragma once

#include <AL/alc.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "audio/CDAudioConstants.h"
#include "audio/CDAudioInterruptProtocol.h"
#include "foundation/Ref.h"
#include "foundation/Value.h"

namespace mw {

class CDBufferLoadRequest;
class CDSoundSource;
class OpenALDevice;

// Plays short sounds (effects) through OpenAL.
//
// The engine owns one OpenAL device and context, a table of OpenAL buffers
// addressed by a small sound identifier (64 entries at first, growing in
// steps of 16), up to 32 sources made once at start, and a division of the
// sources into groups. A play names a sound and a group; the engine takes the
// group's next source in rotation (cutting off its oldest sound), attaches the
// buffer, sets pitch, pan, gain and looping and starts it.
//
// Plays answer the OpenAL source name, kCDSoundSilent or kCDSoundNoSource
// (audio/CDAudioConstants.h). Where no device opens the engine exists but is
// not functioning: every play is silent and every other call does nothing.
//
// Plays, stops and group changes belong to one thread (the game's main
// thread); filling buffers is guarded by a lock of its own, so the
// asynchronous loader may fill them meanwhile. The audio manager owns the
// engine; shutdown() (or destruction) releases OpenAL at any time, even while
// sources play, and turns the engine into one that is not functioning.
class CDSoundEngine : public CDAudioInterruptProtocol {
public:
    static constexpr int kMaxSources = 32;
    static constexpr int kInitialBufferTotal = 64;
    static constexpr int kBufferTotalStep = 16;

    // Output mixer rate of engines created afterwards (0: 44100 Hz).
    static void setMixerSampleRate(float sampleRate);

    // Opens the device chosen through OpenALDevice, makes 64 buffers and up to
    // 32 sources, and puts every source in group 0.
    CDSoundEngine();
    ~CDSoundEngine() override;

    // Releases OpenAL now: stops every sound, waits for asynchronous loads
    // (which give up between files), deletes sources and buffers, destroys the
    // context and closes the device. Handed-out sound sources turn inert.
    void shutdown();

    // OpenAL came up.
    bool functioning() const { return functioning_; }

    // Plays a loaded sound in a group: pitch 1 is the recorded one, pan runs
    // from -1 (left) to 1 (right), gain from 0. Answers the source name,
    // kCDSoundSilent (engine disabled or not working, sound not loaded, group
    // silenced) or kCDSoundNoSource (no source free, or OpenAL refused).
    uint32_t playSound(int soundId, int sourceGroupId, float pitch, float pan, float gain, bool loop);
    // Stops the source a play answered; any other value does nothing.
    void stopSound(uint32_t sourceId);
    void stopSourceGroup(int sourceGroupId);
    void stopAllSounds();

    // Replaces the groups: one group per entry, taking consecutive sources
    // (group 0 the first ones). An entry that is not a number, or negative,
    // is a group of no sources; sources past the ones created are left out
    // (logged).
    void defineSourceGroups(const Value::Array& sizes);
    void defineSourceGroups(const int* sizes, int total);
    // A non-interruptible group only takes sources that are not playing.
    void setSourceGroupNonInterruptible(int sourceGroupId, bool nonInterruptible);
    // Beware the name: true SILENCES the group (and stops it), so that its
    // plays answer kCDSoundSilent; false, the value after set-up, lets it play.
    // sourceGroupEnabled answers that flag.
    void setSourceGroupEnabled(int sourceGroupId, bool enabled);
    bool sourceGroupEnabled(int sourceGroupId) const;

    // The listener gain; while muted, the gain to restore on unmuting.
    float masterGain() const;
    void setMasterGain(float gain);
    bool mute() const override { return mute_; }
    void setMute(bool mute) override;
    bool enabled() const override { return enabled_; }
    // Disabling stops every sound; plays are silent until enabled again.
    void setEnabled(bool enabled) override;

    // A source of the group kept for the caller (plays never take it while the
    // object lives), with the sound attached; null when the engine is not
    // functioning, no source is free or the sound cannot be attached.
    [[nodiscard]] Ref<CDSoundSource> soundSourceForSound(int soundId, int sourceGroupId);

    // ---- buffers

    // Decodes a file (relative paths are looked up in the bundle) into the
    // sound's buffer. False when it cannot be decoded; the entry is then failed.
    [[nodiscard]] bool loadBuffer(int soundId, const std::string& filePath);
    // Copies PCM into the sound's buffer, growing the table as far as needed.
    // False for a negative identifier, an engine not functioning, no data
    // (the entry turns failed) or an OpenAL error (likewise).
    [[nodiscard]] bool loadBufferFromData(int soundId, const void* soundData, int format, int size, int freq);
    // Detaches the buffer from every source that holds it and empties it.
    bool unloadBuffer(int soundId);
    // Loads the files on a thread of their own, in order; progress runs from 0
    // to 1, and kCDN_AsynchLoadComplete is posted on the main thread at the end.
    void loadBuffersAsynchronously(std::vector<Ref<CDBufferLoadRequest>> loadRequests);
    // Inside the table and loaded.
    bool validateBufferId(int soundId) const;
    // -1 for an identifier outside the table.
    float bufferDurationInSeconds(int soundId) const;
    int bufferSizeInBytes(int soundId) const;
    int bufferFrequencyInHertz(int soundId) const;
    // kCDBufferEmpty, kCDBufferLoaded or kCDBufferFailed; -1 outside the table.
    int bufferState(int soundId) const;
    int bufferTotal() const;

    // ---- readers
    unsigned sourceGroupTotal() const { return unsigned(sourceGroups_.size()); }
    int sourceTotal() const { return sourceTotal_; }
    // The engine's context (null when not functioning).
    ALCcontext* openALContext() const;
    // The engine's device, shared with the music players (null when not functioning).
    std::shared_ptr<OpenALDevice> openALDevice() const { return device_; }
    int lastErrorCode() const { return lastErrorCode_.load(); }
    bool getGainWorks() const { return getGainWorks_; }
    float asynchLoadProgress() const { return asynchLoadProgress_.load(); }
    void setAsynchLoadProgress(float progress) { asynchLoadProgress_.store(progress); }

private:
    friend class CDSoundSource;
    friend class CDAsynchBufferLoader;

    struct BufferInfo {
        unsigned bufferId = 0;
        int bufferState = kCDBufferEmpty;
        void* bufferData = nullptr;
        int format = 0;
        int sizeInBytes = 0;
        int frequencyInHertz = 0;
    };
    struct SourceInfo {
        bool usable = false;
        unsigned sourceId = 0;
        // Written by plays and by loads on the loader's thread.
        std::atomic<unsigned> attachedBufferId{0};
    };
    struct SourceGroup {
        int startIndex = 0;   // where the next search begins
        int currentIndex = 0; // position under examination
        int totalSources = 0;
        bool enabled = false; // set: silenced
        bool nonInterruptible = false;
        std::vector<int> sourceStatuses; // source index << 1, bit 0 the lock
    };
    bool startOpenAL();
    void generateBuffers(int first, int last);
    void generateSources();
    void freeSourceGroups();
    // A source index of the group, or -1.
    int nextSourceInGroup(int sourceGroupId);
    bool attachBuffer(int sourceIndex, int soundId);
    void lockSource(int sourceIndex, bool lock);
    void forgetSoundSource(CDSoundSource* source);
    bool unloadBufferLocked(int soundId);
    bool growBufferTable(int soundId);
    bool inTable(int soundId) const { return soundId >= 0 && soundId < int(buffers_.size()); }
    void joinLoaders();
    bool loadsCancelled() const { return loadsCancelled_.load(); }

    std::vector<BufferInfo> buffers_; // guarded by bufferLock_
    SourceInfo sources_[kMaxSources];
    int sourceTotal_ = 0;
    std::vector<SourceGroup> sourceGroups_;
    std::shared_ptr<OpenALDevice> device_;
    mutable std::mutex bufferLock_;
    bool mute_ = false;
    bool enabled_ = false;
    float preMuteGain_ = 1;
    std::atomic<int> lastErrorCode_{0}; // also written by loads on the loader's thread
    bool functioning_ = false;
    std::atomic<float> asynchLoadProgress_{0};
    bool getGainWorks_ = false;

    std::vector<CDSoundSource*> soundSources_; // handed out, not owned
    struct Loader {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> finished;
    };
    std::mutex loadersLock_;
    std::vector<Loader> loaders_;
    std::atomic<bool> loadsCancelled_{false};
};

} // namespace mw
