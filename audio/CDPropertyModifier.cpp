#include "audio/CDPropertyModifier.h"

#include "audio/CDLongAudioSource.h"
#include "audio/CDSoundEngine.h"
#include "audio/CDSoundSource.h"

namespace mw {

CDPropertyModifier::CDPropertyModifier(Object* target, int interpolationType, float startVal, float endVal)
    : interpolator_(makeRef<CDFloatInterpolator>(interpolationType, startVal, endVal)),
      startValue_(startVal),
      endValue_(endVal),
      target_(target)
{
}

void CDPropertyModifier::modify(float t)
{
    if (t < 1.0f) {
        setTargetProperty(interpolator_->interpolate(t));
        return;
    }
    setTargetProperty(endValue_);
    if (stopTargetWhenComplete_) stopTarget();
}

void CDPropertyModifier::setStartValue(float value)
{
    startValue_ = value;
    interpolator_->setStart(value);
}

void CDPropertyModifier::setEndValue(float value)
{
    endValue_ = value;
    interpolator_->setEnd(value);
}

namespace {

// The subclass's constructor took a T; null when it was given none.
template <typename T>
T* targetAs(Object* target)
{
    return static_cast<T*>(target);
}

} // namespace

CDSoundSourceFader::CDSoundSourceFader(CDSoundSource* target, int interpolationType, float startVal,
                                       float endVal)
    : CDPropertyModifier(target, interpolationType, startVal, endVal)
{
}
void CDSoundSourceFader::setTargetProperty(float value)
{
    if (auto* t = targetAs<CDSoundSource>(target())) t->setGain(value);
}
void CDSoundSourceFader::stopTarget()
{
    if (auto* t = targetAs<CDSoundSource>(target())) t->stop();
}

CDSoundSourcePanner::CDSoundSourcePanner(CDSoundSource* target, int interpolationType, float startVal,
                                         float endVal)
    : CDPropertyModifier(target, interpolationType, startVal, endVal)
{
}
void CDSoundSourcePanner::setTargetProperty(float value)
{
    if (auto* t = targetAs<CDSoundSource>(target())) t->setPan(value);
}
void CDSoundSourcePanner::stopTarget()
{
    if (auto* t = targetAs<CDSoundSource>(target())) t->stop();
}

CDSoundSourcePitchBender::CDSoundSourcePitchBender(CDSoundSource* target, int interpolationType,
                                                   float startVal, float endVal)
    : CDPropertyModifier(target, interpolationType, startVal, endVal)
{
}
void CDSoundSourcePitchBender::setTargetProperty(float value)
{
    if (auto* t = targetAs<CDSoundSource>(target())) t->setPitch(value);
}
void CDSoundSourcePitchBender::stopTarget()
{
    if (auto* t = targetAs<CDSoundSource>(target())) t->stop();
}

CDSoundEngineFader::CDSoundEngineFader(CDSoundEngine* target, int interpolationType, float startVal,
                                       float endVal)
    : CDPropertyModifier(target, interpolationType, startVal, endVal)
{
}
void CDSoundEngineFader::setTargetProperty(float value)
{
    if (auto* t = targetAs<CDSoundEngine>(target())) t->setMasterGain(value);
}
void CDSoundEngineFader::stopTarget()
{
    if (auto* t = targetAs<CDSoundEngine>(target())) t->stopAllSounds();
}

CDLongAudioSourceFader::CDLongAudioSourceFader(CDLongAudioSource* target, int interpolationType,
                                               float startVal, float endVal)
    : CDPropertyModifier(target, interpolationType, startVal, endVal)
{
}
void CDLongAudioSourceFader::setTargetProperty(float value)
{
    if (auto* t = targetAs<CDLongAudioSource>(target())) t->setVolume(value);
}
void CDLongAudioSourceFader::stopTarget()
{
    if (auto* t = targetAs<CDLongAudioSource>(target())) t->pause();
}

} // namespace mw
