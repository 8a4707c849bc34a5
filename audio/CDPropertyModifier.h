#pragma once

#include "audio/CDFloatInterpolator.h"
#include "foundation/Ref.h"

namespace mw {

class CDLongAudioSource;
class CDSoundEngine;
class CDSoundSource;

// Applies a curve to one property of an audio object. The caller drives it:
// modify(t) with the progress t from 0 to 1 sets the property to the curve's
// value; at 1 or more it sets the end value and, when asked, stops the target.
// The modifier retains its target and owns its interpolator.
//
// The base class modifies nothing; each subclass names its target's kind and
// property.
class CDPropertyModifier : public Object {
public:
    CDPropertyModifier(Object* target, int interpolationType, float startVal, float endVal);

    void modify(float t);

    float startValue() const { return startValue_; }
    void setStartValue(float value);
    float endValue() const { return endValue_; }
    void setEndValue(float value);
    int interpolationType() const { return interpolator_->interpolationType(); }
    void setInterpolationType(int type) { interpolator_->setInterpolationType(type); }
    bool stopTargetWhenComplete() const { return stopTargetWhenComplete_; }
    void setStopTargetWhenComplete(bool stop) { stopTargetWhenComplete_ = stop; }

protected:
    Object* target() const { return target_.get(); }
    virtual void setTargetProperty(float value) {}
    virtual void stopTarget() {}

private:
    Ref<CDFloatInterpolator> interpolator_;
    float startValue_;
    float endValue_;
    Ref<Object> target_;
    bool stopTargetWhenComplete_ = false;
};

// The gain of a sound source; stopping stops the source.
class CDSoundSourceFader : public CDPropertyModifier {
public:
    CDSoundSourceFader(CDSoundSource* target, int interpolationType, float startVal, float endVal);

protected:
    void setTargetProperty(float value) override;
    void stopTarget() override;
};

// The pan of a sound source; stopping stops the source.
class CDSoundSourcePanner : public CDPropertyModifier {
public:
    CDSoundSourcePanner(CDSoundSource* target, int interpolationType, float startVal, float endVal);

protected:
    void setTargetProperty(float value) override;
    void stopTarget() override;
};

// The pitch of a sound source; stopping stops the source.
class CDSoundSourcePitchBender : public CDPropertyModifier {
public:
    CDSoundSourcePitchBender(CDSoundSource* target, int interpolationType, float startVal, float endVal);

protected:
    void setTargetProperty(float value) override;
    void stopTarget() override;
};

// The sound engine's master gain; stopping stops every sound.
class CDSoundEngineFader : public CDPropertyModifier {
public:
    CDSoundEngineFader(CDSoundEngine* target, int interpolationType, float startVal, float endVal);

protected:
    void setTargetProperty(float value) override;
    void stopTarget() override;
};

// The volume of a long audio source; stopping pauses it.
class CDLongAudioSourceFader : public CDPropertyModifier {
public:
    CDLongAudioSourceFader(CDLongAudioSource* target, int interpolationType, float startVal, float endVal);

protected:
    void setTargetProperty(float value) override;
    void stopTarget() override;
};

} // namespace mw
