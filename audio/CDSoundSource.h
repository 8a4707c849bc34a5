#pragma once

#include <cstdint>

#include "audio/CDAudioInterruptProtocol.h"
#include "audio/CDAudioTransportProtocol.h"

namespace mw {

class CDSoundEngine;

// One OpenAL source of the sound engine kept for its owner: plays of the
// engine never take it while the object lives (its source is locked in its
// group). Made by CDSoundEngine::soundSourceForSound.
//
// Each operation sets or reads the OpenAL source and keeps the OpenAL error
// in lastError(). Should the engine shut down first, the object turns inert:
// operations do nothing and answer false or 0.
class CDSoundSource : public CDAudioInterruptProtocol, public CDAudioTransportProtocol {
public:
    // A source the engine made (name and index in its table); the engine is
    // not retained. Reads the source's gain as the gain to restore on unmuting.
    CDSoundSource(uint32_t sourceId, int sourceIndex, CDSoundEngine* engine);
    ~CDSoundSource() override;

    // Nothing plays while disabled (false).
    bool play() override;
    bool pause() override;
    bool stop() override;
    bool rewind() override;
    bool isPlaying();

    // While muted, gain() answers and setGain() changes the gain to restore.
    float gain();
    void setGain(float gain);
    // The source's x position, -1 (left) to 1 (right).
    float pan();
    void setPan(float pan);
    float pitch();
    void setPitch(float pitch);
    bool looping();
    void setLooping(bool looping);
    int soundId() const { return soundId_; }
    // Attaches another sound's buffer (stopping the source first).
    void setSoundId(int soundId);
    // Of the attached sound; -1 when it is not loaded.
    float durationInSeconds();

    bool mute() const override { return mute_; }
    void setMute(bool mute) override;
    bool enabled() const override { return enabled_; }
    // Disabling stops the source.
    void setEnabled(bool enabled) override;

    int lastError() const { return lastError_; }
    uint32_t sourceId() const { return sourceId_; }

private:
    friend class CDSoundEngine;
    // The engine is shutting down: forget it and the source.
    void engineGone();
    bool live() const { return engine_ != nullptr; }
    // Stores the error of the last call and answers whether there was none.
    bool noError();

    uint32_t sourceId_;
    int sourceIndex_;
    CDSoundEngine* engine_;
    int soundId_ = -1;
    float preMuteGain_ = 1;
    bool enabled_ = true;
    bool mute_ = false;
    int lastError_ = 0;
};

} // namespace mw
