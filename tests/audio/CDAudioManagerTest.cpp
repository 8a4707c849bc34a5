#include <gtest/gtest.h>

#include <AL/alc.h>

#include <future>
#include <memory>

#include "audio/CDLongAudioSource.h"
#include "audio/CDPropertyModifier.h"
#include "audio/CDSoundSource.h"
#include "foundation/Clock.h"
#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "foundation/RunLoop.h"
#include "platform/ApplicationDelegate.h"
#include "tests/audio/AudioTestSupport.h"
#include "tests/support/FakeAudioSession.h"

namespace mw {
namespace {

using test::LoopbackAudioTest;
using test::ScopedFakeAudioSession;

// Counts the posts of one notice until it goes.
class NoticeCounter {
public:
    explicit NoticeCounter(const char* name)
        : id_(NotificationCenter::defaultCenter().addObserver(nullptr, name, nullptr,
                                                              [this](const Notification&) { ++count; }))
    {
    }
    ~NoticeCounter() { NotificationCenter::defaultCenter().removeObserver(id_); }
    int count = 0;

private:
    NotificationCenter::ObserverId id_;
};

class CDAudioManagerTest : public LoopbackAudioTest {
protected:
    Ref<CDAudioManager> managerIn(int mode) { return makeRef<CDAudioManager>(mode); }

    ScopedFakeAudioSession session;
};

// A session whose first category change waits for the test, so that the
// start is caught half way.
class HeldSession : public test::FakeAudioSession {
public:
    bool setCategory(const std::string& category) override
    {
        if (!released) released = std::make_unique<std::shared_future<void>>(gate.get_future().share());
        released->wait();
        return FakeAudioSession::setCategory(category);
    }
    std::promise<void> gate;
    std::unique_ptr<std::shared_future<void>> released;
};

TEST_F(CDAudioManagerTest, StartsAsynchronouslyOnce)
{
    if (CDAudioManager::sharedManagerState() != kCDManagerNotStarted)
        GTEST_SKIP()
            << "the start-up state belongs to the process: run this test in a fresh one (ctest does)";
    auto held = std::make_shared<HeldSession>();
    const std::shared_ptr<AVAudioSession> previous = AVAudioSession::replaceSharedInstance(held);
    NoticeCounter initialised(kCDN_AudioManagerInitialised);

    CDAudioManager::initAsynchronously(kCDModeFxPlusMusicIfNoOtherAudio);
    EXPECT_EQ(CDAudioManager::sharedManagerState(), kCDManagerStarting);
    CDAudioManager::initAsynchronously(kCDModeFxOnly); // does nothing
    EXPECT_EQ(CDAudioManager::sharedManagerState(), kCDManagerStarting);
    held->gate.set_value();

    EXPECT_TRUE(RunLoop::main().runUntil([&] { return initialised.count > 0; }, 10));
    EXPECT_EQ(CDAudioManager::sharedManagerState(), kCDManagerReady);
    CDAudioManager* manager = CDAudioManager::sharedManager();
    EXPECT_EQ(manager->mode(), kCDModeFxPlusMusicIfNoOtherAudio);
    EXPECT_TRUE(manager->soundEngine()->functioning());
    RunLoop::main().drain();
    EXPECT_EQ(initialised.count, 1);

    // Ending keeps the state; the next access builds a fresh manager.
    CDAudioManager::end();
    EXPECT_EQ(CDAudioManager::sharedManagerState(), kCDManagerReady);
    EXPECT_TRUE(CDAudioManager::sharedManager()->soundEngine()->functioning());
    CDAudioManager::end();
    AVAudioSession::replaceSharedInstance(previous);
}

TEST_F(CDAudioManagerTest, ModesChooseTheCategoryAndWhetherMusicPlays)
{
    struct Case {
        int mode;
        bool otherAudio;
        const char* category;
        bool music;
    };
    const Case cases[] = {
        {kCDModeFxOnly, false, AVAudioSessionCategoryAmbient, false},
        {kCDModeFxPlusMusic, true, AVAudioSessionCategorySoloAmbient, true},
        {kCDModeFxPlusMusicIfNoOtherAudio, false, AVAudioSessionCategorySoloAmbient, true},
        {kCDModeFxPlusMusicIfNoOtherAudio, true, AVAudioSessionCategoryAmbient, false},
        {kCDModeMediaPlayback, true, AVAudioSessionCategoryPlayback, true},
        {kCDModePlayAndRecord, false, AVAudioSessionCategoryPlayAndRecord, true},
        {9, true, AVAudioSessionCategoryAmbient, false}, // unlisted: as mode 2
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "mode " << c.mode << (c.otherAudio ? " with" : " without") << " other audio");
        session->otherAudioPlaying = c.otherAudio;
        Ref<CDAudioManager> manager = managerIn(c.mode);
        EXPECT_EQ(manager->audioSessionCategory(), c.category);
        EXPECT_EQ(session->categories.back(), c.category);
        EXPECT_EQ(manager->willPlayBackgroundMusic(), c.music);
        manager->playBackgroundMusic(toneFile("music.wav"), true);
        ASSERT_TRUE(manager->audioSourceForChannel(0)->audioSourcePlayer()); // loaded either way
        EXPECT_EQ(manager->isBackgroundMusicPlaying(), c.music);
        manager->shutdown();
    }
}

TEST_F(CDAudioManagerTest, MusicStreamsLoopsAndReportsItsEnd)
{
    Ref<CDAudioManager> manager = managerIn(kCDModeFxPlusMusic);
    CDLongAudioSource* music = manager->audioSourceForChannel(0);
    const std::string once = toneFile("once.wav", 0.6);

    // Told once, at the end.
    struct Listener : Object {
        void finished() { ++calls; }
        int calls = 0;
    };
    Ref<Listener> listener = makeRef<Listener>();
    manager->setBackgroundMusicCompletionListener(listener.get(), call_selector(Listener::finished));
    manager->playBackgroundMusic(once, false);
    EXPECT_EQ(music->numberOfLoops(), 0);
    ASSERT_TRUE(manager->isBackgroundMusicPlaying());
    Rendered start = render(*manager->soundEngine(), 2205 + int(kWindow), music->audioSourcePlayer());
    EXPECT_GT(test::toneShare(start.left, 2205, kWindow, kTone, kRate), 0.95);
    const double loud = test::rms(start.left, 2205, kWindow);
    EXPECT_GT(loud, 0.1);
    music->setVolume(0.5f);
    Rendered quieter = render(*manager->soundEngine(), 1100 + int(kWindow), music->audioSourcePlayer());
    EXPECT_NEAR(test::rms(quieter.left, 1100, kWindow) / loud, 0.5, 0.02);
    render(*manager->soundEngine(), kRate / 2, music->audioSourcePlayer());
    EXPECT_FALSE(manager->isBackgroundMusicPlaying());
    EXPECT_EQ(listener->calls, 1);
    EXPECT_LT(test::rms(render(*manager->soundEngine(), 4410).left, 0, 4410), 0.001);

    // Looping forever: still sounding long after the file's end.
    manager->playBackgroundMusic(toneFile("loop.wav", 0.3), true);
    EXPECT_EQ(music->numberOfLoops(), -1);
    Rendered looped = render(*manager->soundEngine(), kRate, music->audioSourcePlayer());
    EXPECT_TRUE(manager->isBackgroundMusicPlaying());
    EXPECT_GT(test::rms(looped.left, 30000, kWindow), 0.05);
    EXPECT_GT(test::toneShare(looped.left, 30000, kWindow, kTone, kRate), 0.9);
    EXPECT_EQ(listener->calls, 1);
}

TEST_F(CDAudioManagerTest, LoadingTheSameMusicAgainRewindsItsPlayer)
{
    Ref<CDAudioManager> manager = managerIn(kCDModeFxPlusMusic);
    const std::string file = toneFile("music.wav", 1.0);
    manager->playBackgroundMusic(file, true);
    AVAudioPlayer* player = manager->audioSourceForChannel(0)->audioSourcePlayer();
    render(*manager->soundEngine(), kRate / 4, player);
    EXPECT_GT(player->currentTime(), 0.2);
    manager->preloadBackgroundMusic(file);
    EXPECT_EQ(manager->audioSourceForChannel(0)->audioSourcePlayer(), player);
    EXPECT_FALSE(player->isPlaying());
    EXPECT_DOUBLE_EQ(player->currentTime(), 0.0);
    manager->preloadBackgroundMusic(toneFile("other.wav"));
    EXPECT_NE(manager->audioSourceForChannel(0)->audioSourcePlayer(), nullptr);
    ScopedLogCapture log;
    manager->playBackgroundMusic(dir.file("missing.wav"), true); // silent, no player
    EXPECT_EQ(manager->audioSourceForChannel(0)->audioSourcePlayer(), nullptr);
    EXPECT_FALSE(manager->isBackgroundMusicPlaying());
    manager->resumeBackgroundMusic();
    manager->rewindBackgroundMusic();
}

TEST_F(CDAudioManagerTest, ResignAndBecomeActiveStopAndResumeByBehaviour)
{
    struct Case {
        int behaviour;
        bool musicAfter;
    };
    const Case cases[] = {{kCDResignStopAndResume, true}, {kCDResignStop, false}, {kCDResignDoNothing, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "behaviour " << c.behaviour);
        Ref<CDAudioManager> manager = managerIn(kCDModeFxPlusMusicIfNoOtherAudio);
        manager->setResignBehavior(c.behaviour, true);
        manager->setResignBehavior(c.behaviour, true); // observes once
        manager->playBackgroundMusic(toneFile("music.wav", 1.0), true);
        CDLongAudioSource* second = manager->audioSourceLoad(toneFile("second.wav", 1.0), 1);
        ASSERT_TRUE(second->play());
        second->pause(); // paused before the resign: stays so
        render(*manager->soundEngine(), kRate / 10, manager->audioSourceForChannel(0)->audioSourcePlayer());

        NotificationCenter::defaultCenter().postNotification(UIApplicationWillResignActiveNotification);
        EXPECT_TRUE(manager->resigned());
        EXPECT_EQ(session->categories.back(), AVAudioSessionCategoryAmbient);
        EXPECT_EQ(manager->isBackgroundMusicPlaying(), c.behaviour == kCDResignDoNothing);
        NotificationCenter::defaultCenter().postNotification(UIApplicationDidBecomeActiveNotification);
        EXPECT_FALSE(manager->resigned());
        EXPECT_EQ(session->categories.back(), AVAudioSessionCategorySoloAmbient); // the mode again
        EXPECT_EQ(manager->isBackgroundMusicPlaying(), c.musicAfter);
        EXPECT_FALSE(second->isPlaying());
        if (c.behaviour == kCDResignStopAndResume) {
            EXPECT_NEAR(manager->audioSourceForChannel(0)->systemPauseLocation(), 0.1, 0.06);
            EXPECT_FALSE(manager->audioSourceForChannel(0)->systemPaused());
        }
        NotificationCenter::defaultCenter().postNotification(UIApplicationWillTerminateNotification);
        EXPECT_FALSE(manager->isBackgroundMusicPlaying());
        manager->shutdown();
    }
}

TEST_F(CDAudioManagerTest, OtherAudioAtBecomeActiveKeepsTheMusicStopped)
{
    Ref<CDAudioManager> manager = managerIn(kCDModeFxPlusMusicIfNoOtherAudio);
    manager->setResignBehavior(kCDResignStopAndResume, false);
    manager->playBackgroundMusic(toneFile("music.wav", 1.0), true);
    manager->applicationWillResignActive();
    session->otherAudioPlaying = true; // another player started meanwhile
    manager->applicationDidBecomeActive();
    EXPECT_FALSE(manager->willPlayBackgroundMusic());
    EXPECT_FALSE(manager->isBackgroundMusicPlaying());
    EXPECT_TRUE(manager->audioSourceForChannel(0)->systemPaused());
}

TEST_F(CDAudioManagerTest, AnInterruptionTakesTheContextAwayAndGivesItBack)
{
    auto clock = std::make_shared<ManualClock>(100);
    ScopedClockSource useClock(clock);
    Ref<CDAudioManager> manager = managerIn(kCDModeFxPlusMusic);
    CDSoundEngine* engine = manager->soundEngine();
    ASSERT_TRUE(loadTone(*engine, 0));
    ASSERT_TRUE(manager->audioSessionSetActive(true));

    session->reportInterruptionBegan();
    EXPECT_TRUE(manager->interrupted());
    EXPECT_FALSE(manager->audioSessionActive());
    EXPECT_EQ(alcGetCurrentContext(), nullptr);
    session->reportInterruptionEnded(0); // not to be resumed
    EXPECT_TRUE(manager->interrupted());

    // A play meanwhile fails and says so; the manager ends the interruption.
    NoticeCounter badContext(kCDN_BadAlContext);
    EXPECT_EQ(engine->playSound(0, 0, 1, 0, 1, false), kCDSoundNoSource);
    EXPECT_EQ(badContext.count, 1);
    EXPECT_FALSE(manager->interrupted());
    EXPECT_EQ(alcGetCurrentContext(), engine->openALContext());
    EXPECT_TRUE(manager->audioSessionActive());
    EXPECT_NE(engine->playSound(0, 0, 1, 0, 1, false), kCDSoundNoSource);

    // A session that refuses to come back: 11 attempts, half a second apart.
    session->reportInterruptionBegan();
    session->failingActivations = 100;
    session->activations.clear();
    ScopedLogCapture log;
    session->reportInterruptionEnded(1);
    EXPECT_EQ(alcGetCurrentContext(), engine->openALContext()); // OpenAL does not wait for the session
    for (int step = 0; step < 20; ++step) {
        clock->advance(CDAudioManager::kReactivationDelay);
        RunLoop::main().drain();
    }
    EXPECT_EQ(std::count(session->activations.begin(), session->activations.end(), true), 11);
    EXPECT_FALSE(manager->audioSessionActive());
    EXPECT_TRUE(log.contains("could not be activated"));

    // One that comes back on the third attempt.
    session->reportInterruptionBegan();
    session->failingActivations = 2;
    session->activations.clear();
    session->reportInterruptionEnded(1);
    for (int step = 0; step < 20; ++step) {
        clock->advance(CDAudioManager::kReactivationDelay);
        RunLoop::main().drain();
    }
    EXPECT_EQ(std::count(session->activations.begin(), session->activations.end(), true), 3);
    EXPECT_TRUE(manager->audioSessionActive());
}

TEST_F(CDAudioManagerTest, MuteAndEnableReachTheEngineAndBothChannels)
{
    Ref<CDAudioManager> manager = managerIn(kCDModeFxPlusMusic);
    manager->playBackgroundMusic(toneFile("music.wav", 1.0), true);
    CDLongAudioSource* music = manager->audioSourceForChannel(0);
    manager->setMute(true);
    EXPECT_TRUE(manager->soundEngine()->mute());
    EXPECT_TRUE(music->mute() && manager->audioSourceForChannel(1)->mute());
    EXPECT_LT(test::rms(render(*manager->soundEngine(), 4410, music->audioSourcePlayer()).left, 2205, 2205),
              0.001);
    manager->setMute(false);
    EXPECT_GT(test::rms(render(*manager->soundEngine(), 4410, music->audioSourcePlayer()).left, 2205, 2205),
              0.1);
    manager->setEnabled(false);
    EXPECT_FALSE(manager->soundEngine()->enabled());
    EXPECT_FALSE(manager->isBackgroundMusicPlaying());
    EXPECT_FALSE(music->play());
    EXPECT_EQ(manager->audioSourceForChannel(2), nullptr);
}

TEST_F(CDAudioManagerTest, AChannelMutedBeforeItsLoadStaysMuted)
{
    Ref<CDAudioManager> manager = managerIn(kCDModeFxPlusMusic);
    CDLongAudioSource* channel = manager->audioSourceForChannel(1);
    channel->setMute(true);
    EXPECT_EQ(manager->audioSourceLoad(toneFile("second.wav", 1.0), 1), channel);
    ASSERT_TRUE(channel->play());
    EXPECT_LT(test::rms(render(*manager->soundEngine(), 4410, channel->audioSourcePlayer()).left, 2205, 2205),
              0.001);
    channel->setMute(false);
    EXPECT_GT(test::rms(render(*manager->soundEngine(), 4410, channel->audioSourcePlayer()).left, 2205, 2205),
              0.1);
}

TEST_F(CDAudioManagerTest, ALongSourceFaderSetsTheVolumeAndPausesAtTheEnd)
{
    Ref<CDAudioManager> manager = managerIn(kCDModeFxPlusMusic);
    manager->playBackgroundMusic(toneFile("music.wav", 1.0), true);
    CDLongAudioSource* music = manager->audioSourceForChannel(0);
    Ref<CDLongAudioSourceFader> fader = makeRef<CDLongAudioSourceFader>(music, kCDInterpolationLinear, 1, 0);
    fader->modify(0.5f);
    EXPECT_FLOAT_EQ(music->volume(), 0.5f);
    render(*manager->soundEngine(), 4410, music->audioSourcePlayer());
    EXPECT_TRUE(manager->isBackgroundMusicPlaying());
    fader->setStopTargetWhenComplete(true);
    fader->modify(1);
    EXPECT_FLOAT_EQ(music->volume(), 0.0f);
    EXPECT_FALSE(manager->isBackgroundMusicPlaying());
    EXPECT_GT(music->audioSourcePlayer()->currentTime(), 0.0); // paused, not rewound
}

TEST_F(CDAudioManagerTest, EndingWhileEverythingPlaysIsSafe)
{
    CDAudioManager* manager = CDAudioManager::sharedManager();
    Ref<CDSoundEngine> engine = manager->soundEngine(); // a stray reference
    ASSERT_TRUE(loadTone(*engine, 0));
    for (int i = 0; i < 10; ++i) (void)engine->playSound(0, 0, 1, 0, 1, true);
    Ref<CDSoundSource> held = engine->soundSourceForSound(0, 0);
    ASSERT_TRUE(held && held->play());
    manager->playBackgroundMusic(toneFile("music.wav"), true);
    Ref<AVAudioPlayer> player = manager->audioSourceForChannel(0)->audioSourcePlayer();
    ASSERT_TRUE(player->isPlaying());

    CDAudioManager::end();
    EXPECT_FALSE(engine->functioning());
    EXPECT_EQ(engine->playSound(0, 0, 1, 0, 1, false), kCDSoundSilent);
    EXPECT_FALSE(held->play());
    player->update();
    EXPECT_FALSE(player->play());
    RunLoop::main().drain();

    CDAudioManager* fresh = CDAudioManager::sharedManager();
    ASSERT_TRUE(fresh->soundEngine()->functioning());
    ASSERT_TRUE(loadTone(*fresh->soundEngine(), 0));
    EXPECT_NE(fresh->soundEngine()->playSound(0, 0, 1, 0, 1, false), kCDSoundNoSource);
}

} // namespace
} // namespace mw
