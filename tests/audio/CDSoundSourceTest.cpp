#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "audio/CDAudioInterruptTargetGroup.h"
#include "audio/CDFloatInterpolator.h"
#include "audio/CDPropertyModifier.h"
#include "audio/CDSoundSource.h"
#include "tests/audio/AudioTestSupport.h"

namespace mw {
namespace {

using test::LoopbackAudioTest;

class CDSoundSourceTest : public LoopbackAudioTest {
protected:
    void SetUp() override { ASSERT_TRUE(loadTone(*engine, 0)); }

    Ref<CDSoundEngine> engine = makeRef<CDSoundEngine>();
};

TEST_F(CDSoundSourceTest, AHeldSourceIsLeftOutOfItsGroupsRotation)
{
    const int groups[] = {4, 28};
    engine->defineSourceGroups(groups, 2);
    std::set<uint32_t> played;
    {
        Ref<CDSoundSource> held = engine->soundSourceForSound(0, 0);
        ASSERT_TRUE(held);
        EXPECT_EQ(held->soundId(), 0);
        EXPECT_FLOAT_EQ(held->pitch(), 1.0f);
        EXPECT_FALSE(held->looping());
        for (int i = 0; i < 6; ++i) played.insert(engine->playSound(0, 0, 1, 0, 1, false));
        EXPECT_EQ(played.size(), 3u);
        EXPECT_EQ(played.count(held->sourceId()), 0u);
    }
    // Released: its source is in the rotation again.
    played.clear();
    for (int i = 0; i < 8; ++i) played.insert(engine->playSound(0, 0, 1, 0, 1, false));
    EXPECT_EQ(played.size(), 4u);
}

TEST_F(CDSoundSourceTest, MutingKeepsTheGainToRestore)
{
    Ref<CDSoundSource> source = engine->soundSourceForSound(0, 0);
    ASSERT_TRUE(source);
    source->setGain(0.8f);
    source->setMute(true);
    EXPECT_FLOAT_EQ(source->gain(), 0.8f);
    source->setMute(true); // muting a muted source changes nothing
    EXPECT_FLOAT_EQ(source->gain(), 0.8f);
    source->setGain(0.4f); // kept for the unmuting
    source->setMute(false);
    EXPECT_FLOAT_EQ(source->gain(), 0.4f);

    source->setEnabled(false);
    EXPECT_FALSE(source->play());
    source->setEnabled(true);
    EXPECT_TRUE(source->play());
    EXPECT_TRUE(source->isPlaying());
    source->setEnabled(false); // disabling stops it
    EXPECT_FALSE(source->isPlaying());
    EXPECT_NEAR(source->durationInSeconds(), 1.0, 1e-6);
}

TEST(CDFloatInterpolator, FollowsItsCurves)
{
    struct Case {
        int type;
        float start, end, t, expected;
    };
    const Case cases[] = {
        {kCDInterpolationLinear, 2, 6, 0.25f, 3},
        {kCDInterpolationSCurve, 2, 6, 0.5f, 4},
        {kCDInterpolationSCurve, 2, 6, 0.25f, 2 + 0.0625f * 2.5f * 4},
        {kCDInterpolationExponential, 0, 1, 0, 0},
        {kCDInterpolationExponential, 2, 6, 0.5f, 2 + (std::pow(2.0f, -5.0f) - 0.001f) * 4},
        {kCDInterpolationExponential, 1, 0, 0.5f, 1 - (1 - std::pow(2.0f, -5.0f))},
        {kCDInterpolationExponential, 3, 3, 0.2f, 3},
        {kCDInterpolationLinear, 2, 6, 1, 6},
        {kCDInterpolationExponential, 2, 6, 1.5f, 6},
        {7, 2, 6, 0.5f, 0},
    };
    for (const Case& c : cases) {
        const Ref<CDFloatInterpolator> curve = makeRef<CDFloatInterpolator>(c.type, c.start, c.end);
        EXPECT_NEAR(curve->interpolate(c.t), c.expected, 1e-5) << "type " << c.type << " t " << c.t;
    }
}

// Each modifier changes its property of a playing tone, and the change shows
// in the mixed samples.
TEST_F(CDSoundSourceTest, ModifiersReachTheRenderedSamples)
{
    Ref<CDSoundSource> source = engine->soundSourceForSound(0, 0);
    ASSERT_TRUE(source);
    source->setLooping(true);
    ASSERT_TRUE(source->play());
    const auto loudness = [&] {
        Rendered r = render(*engine, int(kWindow) + 2205);
        return std::pair(test::rms(r.left, 2205, kWindow), test::rms(r.right, 2205, kWindow));
    };
    const double centre = loudness().first;
    ASSERT_GT(centre, 0.05);

    Ref<CDSoundSourceFader> fader = makeRef<CDSoundSourceFader>(source.get(), kCDInterpolationLinear, 1, 0);
    fader->modify(0.5f);
    EXPECT_NEAR(loudness().first / centre, 0.5, 0.02);
    fader->modify(0);
    EXPECT_NEAR(loudness().first / centre, 1.0, 0.02);

    Ref<CDSoundSourcePanner> panner =
        makeRef<CDSoundSourcePanner>(source.get(), kCDInterpolationLinear, -1, 1);
    panner->modify(0);
    auto [left, right] = loudness();
    EXPECT_GT(left, centre);
    EXPECT_LT(right, 0.001);
    panner->modify(1);
    std::tie(left, right) = loudness();
    EXPECT_LT(left, 0.001);
    EXPECT_GT(right, centre);
    panner->modify(0.5f);

    Ref<CDSoundSourcePitchBender> bender =
        makeRef<CDSoundSourcePitchBender>(source.get(), kCDInterpolationLinear, 1, 2);
    bender->modify(1);
    EXPECT_FLOAT_EQ(source->pitch(), 2.0f);
    Rendered bent = render(*engine, int(kWindow) + 2205);
    EXPECT_GT(test::toneShare(bent.left, 2205, kWindow, 2 * kTone, kRate), 0.9);
    EXPECT_LT(test::toneShare(bent.left, 2205, kWindow, kTone, kRate), 0.05);

    Ref<CDSoundEngineFader> engineFader =
        makeRef<CDSoundEngineFader>(engine.get(), kCDInterpolationLinear, 1, 0);
    engineFader->modify(0.75f);
    EXPECT_FLOAT_EQ(engine->masterGain(), 0.25f);
    EXPECT_NEAR(loudness().first / centre, 0.25, 0.02);
    engineFader->setStopTargetWhenComplete(true);
    engineFader->modify(1);
    EXPECT_FALSE(source->isPlaying());
}

TEST_F(CDSoundSourceTest, AFaderThatCompletesStopsItsSourceWhenAsked)
{
    Ref<CDSoundSource> source = engine->soundSourceForSound(0, 0);
    ASSERT_TRUE(source);
    source->setLooping(true);
    ASSERT_TRUE(source->play());
    Ref<CDSoundSourceFader> fader = makeRef<CDSoundSourceFader>(source.get(), kCDInterpolationSCurve, 1, 0);
    fader->modify(1);
    EXPECT_FLOAT_EQ(source->gain(), 0.0f);
    EXPECT_TRUE(source->isPlaying());
    fader->setStopTargetWhenComplete(true);
    fader->setEndValue(0.25f);
    fader->modify(2);
    EXPECT_FLOAT_EQ(source->gain(), 0.25f);
    EXPECT_FALSE(source->isPlaying());
}

// Records what a group passes on.
class RecordingTarget : public CDAudioInterruptProtocol {
public:
    bool mute() const override { return mute_; }
    void setMute(bool mute) override { mute_ = mute, ++calls; }
    bool enabled() const override { return enabled_; }
    void setEnabled(bool enabled) override { enabled_ = enabled, ++calls; }
    bool mute_ = false;
    bool enabled_ = true;
    int calls = 0;
};

TEST(CDAudioInterruptTargetGroup, PassesChangesToEveryMember)
{
    Ref<CDAudioInterruptTargetGroup> group = makeRef<CDAudioInterruptTargetGroup>();
    Ref<RecordingTarget> first = makeRef<RecordingTarget>();
    Ref<RecordingTarget> second = makeRef<RecordingTarget>();
    group->addAudioInterruptTarget(first.get());
    group->addAudioInterruptTarget(second.get());
    group->setEnabled(false);
    group->setEnabled(true);
    EXPECT_TRUE(first->enabled() && second->enabled());
    group->setMute(true);
    const int callsBefore = first->calls;
    group->setMute(true); // unchanged: nothing passed on
    EXPECT_EQ(first->calls, callsBefore);

    Ref<RecordingTarget> late = makeRef<RecordingTarget>();
    group->setEnabled(false);
    group->addAudioInterruptTarget(late.get());
    EXPECT_TRUE(late->mute());
    EXPECT_FALSE(late->enabled());

    group->removeAudioInterruptTarget(second.get());
    group->setMute(false);
    EXPECT_FALSE(first->mute());
    EXPECT_TRUE(second->mute());
    EXPECT_EQ(second->retainCount(), 1); // the group let go of it
}

} // namespace
} // namespace mw
