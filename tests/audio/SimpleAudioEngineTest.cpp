#include <gtest/gtest.h>

#include "audio/CDLongAudioSource.h"
#include "audio/CDSoundSource.h"
#include "foundation/Log.h"
#include "tests/audio/AudioTestSupport.h"
#include "tests/support/FakeAudioSession.h"

namespace mw {
namespace {

using test::LoopbackAudioTest;

class SimpleAudioEngineTest : public LoopbackAudioTest {
protected:
    SimpleAudioEngine* audio = SimpleAudioEngine::sharedEngine();
    CDSoundEngine* engine = audio->soundEngine();
};

TEST_F(SimpleAudioEngineTest, ReachesTheSharedManagersEngine)
{
    EXPECT_EQ(SimpleAudioEngine::sharedEngine(), audio);
    EXPECT_EQ(audio->audioManager(), CDAudioManager::sharedManager());
    EXPECT_EQ(engine, CDAudioManager::sharedManager()->soundEngine());
    EXPECT_TRUE(engine->functioning());
}

TEST_F(SimpleAudioEngineTest, AnEffectNeverPreloadedLoadsOnItsFirstPlayAndStays)
{
    const std::string file = toneFile("click.wav", 0.2);
    const uint32_t first = audio->playEffect(file);
    ASSERT_NE(first, kCDSoundSilent);
    ASSERT_NE(first, kCDSoundNoSource);
    EXPECT_TRUE(engine->validateBufferId(0));
    const uint32_t second = audio->playEffect(file, 2.0f, 0.5f, 0.5f);
    EXPECT_NE(second, first);
    EXPECT_FALSE(engine->validateBufferId(1)); // the same buffer served both

    audio->preloadEffect(toneFile("other.wav"));
    EXPECT_TRUE(engine->validateBufferId(1));
    audio->unloadEffect(dir.file("never.wav")); // nothing happens
    audio->unloadEffect(file);
    EXPECT_FALSE(engine->validateBufferId(0));
    EXPECT_TRUE(engine->validateBufferId(1));
}

TEST_F(SimpleAudioEngineTest, ALoopingEffectStopsByTheValueItsPlayAnswered)
{
    const uint32_t looping = audio->playEffect(toneFile("loop.wav", 0.1), true);
    ASSERT_NE(looping, kCDSoundNoSource);
    const Rendered playing = render(*engine, 8820);
    EXPECT_GT(test::rms(playing.left, 4410, 4400), 0.1); // still sounding after the file's end
    audio->stopEffect(looping);
    EXPECT_LT(test::rms(render(*engine, 4410).left, 1000, 3000), 0.001);
    audio->stopEffect(kCDSoundSilent); // a code, not a source: nothing happens
    audio->stopEffect(kCDSoundNoSource);
}

TEST_F(SimpleAudioEngineTest, AFileThatDoesNotDecodeIsSilent)
{
    ASSERT_TRUE(test::writeFile(dir.file("broken.wav"), {'R', 'I', 'F', 'F', 1, 2, 3}));
    ScopedLogCapture log;
    EXPECT_EQ(audio->playEffect(dir.file("broken.wav")), kCDSoundSilent);
    EXPECT_FALSE(audio->soundSourceForFile(dir.file("broken.wav")));
    EXPECT_EQ(audio->playEffect(dir.file("missing.ogg")), kCDSoundSilent);
    // The failed identifier went back: the next good file takes it.
    audio->preloadEffect(toneFile("good.wav"));
    EXPECT_TRUE(engine->validateBufferId(0));
}

TEST_F(SimpleAudioEngineTest, HandsOutSourcesOfGroupZero)
{
    Ref<CDSoundSource> source = audio->soundSourceForFile(toneFile("held.wav"));
    ASSERT_TRUE(source);
    EXPECT_NEAR(source->durationInSeconds(), 0.5, 1e-6);
    for (int i = 0; i < 40; ++i) EXPECT_NE(audio->playEffect(toneFile("held.wav")), source->sourceId());
}

TEST_F(SimpleAudioEngineTest, VolumesAndSwitchesGoWhereTheyBelong)
{
    audio->setEffectsVolume(0.5f);
    EXPECT_FLOAT_EQ(engine->masterGain(), 0.5f);
    EXPECT_FLOAT_EQ(audio->effectsVolume(), 0.5f);
    audio->setBackgroundMusicVolume(0.25f);
    EXPECT_FLOAT_EQ(audio->audioManager()->audioSourceForChannel(0)->volume(), 0.25f);
    EXPECT_FLOAT_EQ(audio->backgroundMusicVolume(), 0.25f);
    audio->setMute(true);
    EXPECT_TRUE(audio->audioManager()->mute());
    EXPECT_TRUE(engine->mute());
    audio->setEnabled(false);
    EXPECT_FALSE(engine->enabled());
    EXPECT_EQ(audio->playEffect(toneFile("a.wav")), kCDSoundSilent);
}

TEST_F(SimpleAudioEngineTest, MusicLoopsForeverUnlessTheModeBarsIt)
{
    audio->playBackgroundMusic(toneFile("music.wav"));
    EXPECT_TRUE(audio->isBackgroundMusicPlaying());
    EXPECT_EQ(audio->audioManager()->audioSourceForChannel(0)->numberOfLoops(), -1);
    audio->pauseBackgroundMusic();
    EXPECT_FALSE(audio->isBackgroundMusicPlaying());
    audio->resumeBackgroundMusic();
    EXPECT_TRUE(audio->isBackgroundMusicPlaying());
    audio->rewindBackgroundMusic();
    audio->stopBackgroundMusic();
    EXPECT_FALSE(audio->isBackgroundMusicPlaying());

    audio->audioManager()->setMode(kCDModeFxOnly);
    EXPECT_FALSE(audio->willPlayBackgroundMusic());
    audio->playBackgroundMusic(toneFile("barred.wav"), false);
    EXPECT_TRUE(audio->audioManager()->audioSourceForChannel(0)->audioSourcePlayer());
    EXPECT_FALSE(audio->isBackgroundMusicPlaying());
    audio->resumeBackgroundMusic();
    EXPECT_FALSE(audio->isBackgroundMusicPlaying());
}

TEST_F(SimpleAudioEngineTest, EndingWhilePlayingIsSafeAndTheNextAccessStartsAfresh)
{
    Ref<CDSoundSource> held = audio->soundSourceForFile(toneFile("held.wav"));
    ASSERT_TRUE(held && held->play());
    (void)audio->playEffect(toneFile("fx.wav"), true);
    audio->playBackgroundMusic(toneFile("music.wav"));

    SimpleAudioEngine::end();
    EXPECT_FALSE(held->play());
    held->setPitch(2);

    SimpleAudioEngine* fresh = SimpleAudioEngine::sharedEngine();
    ASSERT_TRUE(fresh->soundEngine()->functioning());
    const uint32_t played = fresh->playEffect(toneFile("fx.wav"));
    EXPECT_NE(played, kCDSoundSilent);
    EXPECT_NE(played, kCDSoundNoSource);
}

} // namespace
} // namespace mw
