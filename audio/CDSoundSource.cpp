#include "audio/CDSoundSource.h"

#include <AL/al.h>
#include <AL/alc.h>

#include "audio/CDAudioConstants.h"
#include "audio/CDSoundEngine.h"
#include "foundation/NotificationCenter.h"

namespace mw {

CDSoundSource::CDSoundSource(uint32_t sourceId, int sourceIndex, CDSoundEngine* engine)
    : sourceId_(sourceId), sourceIndex_(sourceIndex), engine_(engine)
{
    if (!live()) return;
    alGetError();
    alGetSourcef(sourceId_, AL_GAIN, &preMuteGain_);
    noError();
}

CDSoundSource::~CDSoundSource()
{
    if (engine_) engine_->forgetSoundSource(this);
}

void CDSoundSource::engineGone()
{
    engine_ = nullptr;
    sourceId_ = 0;
}

bool CDSoundSource::noError()
{
    lastError_ = alGetError();
    return lastError_ == AL_NO_ERROR;
}

bool CDSoundSource::play()
{
    if (!enabled_ || !live()) return false;
    alGetError();
    alSourcePlay(sourceId_);
    if (noError()) return true;
    if (!alcGetCurrentContext()) NotificationCenter::defaultCenter().postNotification(kCDN_BadAlContext);
    return false;
}

bool CDSoundSource::pause()
{
    if (!live()) return false;
    alGetError();
    alSourcePause(sourceId_);
    return noError();
}

bool CDSoundSource::stop()
{
    if (!live()) return false;
    alGetError();
    alSourceStop(sourceId_);
    return noError();
}

bool CDSoundSource::rewind()
{
    if (!live()) return false;
    alGetError();
    alSourceRewind(sourceId_);
    return noError();
}

bool CDSoundSource::isPlaying()
{
    if (!live()) return false;
    alGetError();
    ALint state = AL_INITIAL;
    alGetSourcei(sourceId_, AL_SOURCE_STATE, &state);
    noError();
    return state == AL_PLAYING;
}

float CDSoundSource::gain()
{
    if (mute_ || !live()) return preMuteGain_;
    alGetError();
    ALfloat gain = 0;
    alGetSourcef(sourceId_, AL_GAIN, &gain);
    noError();
    return gain;
}

void CDSoundSource::setGain(float gain)
{
    if (mute_ || !live()) {
        preMuteGain_ = gain;
        return;
    }
    alGetError();
    alSourcef(sourceId_, AL_GAIN, gain);
    noError();
}

float CDSoundSource::pan()
{
    if (!live()) return 0;
    alGetError();
    ALfloat x = 0, y = 0, z = 0;
    alGetSource3f(sourceId_, AL_POSITION, &x, &y, &z);
    noError();
    return x;
}

void CDSoundSource::setPan(float pan)
{
    if (!live()) return;
    alGetError();
    alSource3f(sourceId_, AL_POSITION, pan, 0.0f, 0.0f);
    noError();
}

float CDSoundSource::pitch()
{
    if (!live()) return 0;
    alGetError();
    ALfloat pitch = 0;
    alGetSourcef(sourceId_, AL_PITCH, &pitch);
    noError();
    return pitch;
}

void CDSoundSource::setPitch(float pitch)
{
    if (!live()) return;
    alGetError();
    alSourcef(sourceId_, AL_PITCH, pitch);
    noError();
}

bool CDSoundSource::looping()
{
    if (!live()) return false;
    alGetError();
    ALint looping = AL_FALSE;
    alGetSourcei(sourceId_, AL_LOOPING, &looping);
    noError();
    return looping == AL_TRUE;
}

void CDSoundSource::setLooping(bool looping)
{
    if (!live()) return;
    alGetError();
    alSourcei(sourceId_, AL_LOOPING, looping ? AL_TRUE : AL_FALSE);
    noError();
}

void CDSoundSource::setSoundId(int soundId)
{
    if (!live()) return;
    const bool attached = engine_->attachBuffer(sourceIndex_, soundId);
    if (attached) soundId_ = soundId;
    lastError_ = attached ? AL_NO_ERROR : engine_->lastErrorCode();
}

float CDSoundSource::durationInSeconds() { return live() ? engine_->bufferDurationInSeconds(soundId_) : -1; }

void CDSoundSource::setMute(bool mute)
{
    if (mute == mute_) return;
    if (mute) {
        preMuteGain_ = gain();
        setGain(0.0f);
        mute_ = true;
    } else {
        mute_ = false;
        setGain(preMuteGain_);
    }
}

void CDSoundSource::setEnabled(bool enabled)
{
    if (enabled == enabled_) return;
    enabled_ = enabled;
    if (!enabled) stop();
}

} // namespace mw
