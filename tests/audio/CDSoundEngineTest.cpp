#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <vector>

#include "audio/CDBufferLoadRequest.h"
#include "audio/CDBufferManager.h"
#include "audio/CDSoundSource.h"
#include "audio/CDUtilities.h"
#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "foundation/RunLoop.h"
#include "tests/audio/AudioTestSupport.h"

namespace mw {
namespace {

using test::LoopbackAudioTest;

class CDSoundEngineTest : public LoopbackAudioTest {
protected:
    Ref<CDSoundEngine> engine = makeRef<CDSoundEngine>();
};

TEST_F(CDSoundEngineTest, StartsWithThirtyTwoSourcesInOneGroup)
{
    ASSERT_TRUE(engine->functioning());
    EXPECT_EQ(engine->sourceTotal(), 32);
    EXPECT_EQ(engine->sourceGroupTotal(), 1u);
    EXPECT_EQ(engine->bufferTotal(), 64);
    EXPECT_TRUE(engine->getGainWorks());
    EXPECT_FALSE(engine->sourceGroupEnabled(0));
    EXPECT_NE(engine->openALContext(), nullptr);
}

TEST_F(CDSoundEngineTest, TheThirtyThirdPlayReusesTheFirstSource)
{
    ASSERT_TRUE(loadTone(*engine, 0));
    std::vector<uint32_t> played;
    for (int i = 0; i < 33; ++i) played.push_back(engine->playSound(0, 0, 1, 0, 1, true));
    const std::set<uint32_t> distinct(played.begin(), played.begin() + 32);
    EXPECT_EQ(distinct.size(), 32u);
    EXPECT_EQ(distinct.count(kCDSoundNoSource) + distinct.count(kCDSoundSilent), 0u);
    EXPECT_EQ(played[32], played[0]);
    EXPECT_EQ(engine->playSound(0, 0, 1, 0, 1, false), played[1]);
}

TEST_F(CDSoundEngineTest, PlaysAnswerTheirResultCodes)
{
    ASSERT_TRUE(loadTone(*engine, 0));
    EXPECT_FALSE(engine->loadBufferFromData(1, nullptr, kCDFormatMono16, 0, kRate)); // a failed entry
    const int groups[] = {30, 2, 0};
    engine->defineSourceGroups(groups, 3);

    struct Case {
        const char* name;
        void (*before)(CDSoundEngine&);
        int soundId;
        int group;
        uint32_t expected; // 0: a source name
        void (*after)(CDSoundEngine&);
    };
    const Case cases[] = {
        {"a loaded sound", nullptr, 0, 0, 0, nullptr},
        {"a silenced group", [](CDSoundEngine& e) { e.setSourceGroupEnabled(0, true); }, 0, 0, kCDSoundSilent,
         [](CDSoundEngine& e) { e.setSourceGroupEnabled(0, false); }},
        {"the group playing again", nullptr, 0, 0, 0, nullptr},
        {"another group beside a silenced one", [](CDSoundEngine& e) { e.setSourceGroupEnabled(0, true); }, 0,
         1, 0, [](CDSoundEngine& e) { e.setSourceGroupEnabled(0, false); }},
        {"a disabled engine", [](CDSoundEngine& e) { e.setEnabled(false); }, 0, 0, kCDSoundSilent,
         [](CDSoundEngine& e) { e.setEnabled(true); }},
        {"a sound never loaded", nullptr, 2, 0, kCDSoundSilent, nullptr},
        {"a sound whose load failed", nullptr, 1, 0, kCDSoundSilent, nullptr},
        {"a sound outside the table", nullptr, 500, 0, kCDSoundSilent, nullptr},
        {"a group of no sources", nullptr, 0, 2, kCDSoundNoSource, nullptr},
        {"a group past the last", nullptr, 0, 3, kCDSoundNoSource, nullptr},
        {"a negative group", nullptr, 0, -1, kCDSoundNoSource, nullptr},
    };
    for (const Case& c : cases) {
        if (c.before) c.before(*engine);
        const uint32_t result = engine->playSound(c.soundId, c.group, 1, 0, 1, false);
        if (c.expected == 0) {
            EXPECT_NE(result, kCDSoundSilent) << c.name;
            EXPECT_NE(result, kCDSoundNoSource) << c.name;
        } else {
            EXPECT_EQ(result, c.expected) << c.name;
        }
        if (c.after) c.after(*engine);
    }
}

TEST_F(CDSoundEngineTest, ANonInterruptibleGroupOnlyTakesIdleSources)
{
    ASSERT_TRUE(loadTone(*engine, 0));
    const int groups[] = {4, 28};
    engine->defineSourceGroups(groups, 2);
    engine->setSourceGroupNonInterruptible(0, true);
    std::vector<uint32_t> played;
    for (int i = 0; i < 4; ++i) played.push_back(engine->playSound(0, 0, 1, 0, 1, true));
    EXPECT_EQ(std::set<uint32_t>(played.begin(), played.end()).size(), 4u);
    EXPECT_EQ(engine->playSound(0, 0, 1, 0, 1, true), kCDSoundNoSource);
    // The cursor stayed after the fourth: the search comes round to the one
    // that stopped.
    engine->stopSound(played[1]);
    EXPECT_EQ(engine->playSound(0, 0, 1, 0, 1, true), played[1]);
}

TEST_F(CDSoundEngineTest, GroupsAskingForMoreSourcesThanExistGetWhatIsLeft)
{
    ASSERT_TRUE(loadTone(*engine, 0));
    const int groups[] = {30, 8, 5};
    ScopedLogCapture log;
    engine->defineSourceGroups(groups, 3);
    EXPECT_EQ(log.lines().size(), 1u);
    std::set<uint32_t> second;
    for (int i = 0; i < 8; ++i) second.insert(engine->playSound(0, 1, 1, 0, 1, false));
    EXPECT_EQ(second.size(), 2u); // sources 30 and 31 only
    EXPECT_EQ(engine->playSound(0, 2, 1, 0, 1, false), kCDSoundNoSource);

    Value::Array sizes = {Value(3), Value("many"), Value(-4), Value(29)};
    engine->defineSourceGroups(sizes);
    EXPECT_EQ(engine->sourceGroupTotal(), 4u);
    EXPECT_EQ(engine->playSound(0, 1, 1, 0, 1, false), kCDSoundNoSource);
    EXPECT_EQ(engine->playSound(0, 2, 1, 0, 1, false), kCDSoundNoSource);
    EXPECT_NE(engine->playSound(0, 3, 1, 0, 1, false), kCDSoundNoSource);
}

// A source left paused by a released sound source must take the next
// play's sound, not resume its old one.
TEST_F(CDSoundEngineTest, APlayOnASourceLeftPausedPlaysTheNewSound)
{
    ASSERT_TRUE(loadTone(*engine, 0, 1.0, kTone));
    ASSERT_TRUE(loadTone(*engine, 1, 1.0, 2 * kTone));
    const int groups[] = {1, 31};
    engine->defineSourceGroups(groups, 2);
    {
        Ref<CDSoundSource> held = engine->soundSourceForSound(0, 0);
        ASSERT_TRUE(held && held->play());
        render(*engine, 2205);
        ASSERT_TRUE(held->pause());
    }
    ASSERT_NE(engine->playSound(1, 0, 1, 0, 1, true), kCDSoundNoSource);
    const Rendered r = render(*engine, 2205 + int(kWindow));
    EXPECT_GT(test::toneShare(r.left, 2205, kWindow, 2 * kTone, kRate), 0.9);
}

TEST_F(CDSoundEngineTest, MutingKeepsTheGainToRestore)
{
    engine->setMasterGain(0.6f);
    engine->setMute(true);
    EXPECT_FLOAT_EQ(engine->masterGain(), 0.6f);
    engine->setMute(true); // no change
    engine->setMasterGain(0.3f);
    EXPECT_FLOAT_EQ(engine->masterGain(), 0.3f);
    engine->setMute(false);
    EXPECT_FLOAT_EQ(engine->masterGain(), 0.3f);
}

TEST_F(CDSoundEngineTest, MasterGainAndPanReachTheSamples)
{
    ASSERT_TRUE(loadTone(*engine, 0));
    const uint32_t left = engine->playSound(0, 0, 1, -1, 1, true);
    ASSERT_NE(left, kCDSoundNoSource);
    Rendered full = render(*engine, kRate / 4);
    EXPECT_GT(test::rms(full.left, 2205, kWindow), 0.1);
    EXPECT_LT(test::rms(full.right, 2205, kWindow), 0.001);
    EXPECT_GT(test::toneShare(full.left, 2205, kWindow, kTone, kRate), 0.95);

    engine->setMasterGain(0.5f);
    Rendered half = render(*engine, kRate / 4);
    EXPECT_NEAR(test::rms(half.left, 2205, kWindow) / test::rms(full.left, 2205, kWindow), 0.5, 0.02);
    engine->setMute(true);
    EXPECT_LT(test::rms(render(*engine, kRate / 4).left, 2205, kWindow), 0.001);
}

TEST_F(CDSoundEngineTest, TheBufferTableGrowsInStepsOfSixteen)
{
    const std::vector<int16_t> pcm = test::sineTone(kTone, kRate, 1, 0.01);
    const int size = int(pcm.size() * 2);
    ASSERT_TRUE(engine->loadBufferFromData(64, pcm.data(), kCDFormatMono16, size, kRate));
    EXPECT_EQ(engine->bufferTotal(), 80);
    ASSERT_TRUE(engine->loadBufferFromData(79, pcm.data(), kCDFormatMono16, size, kRate));
    EXPECT_EQ(engine->bufferTotal(), 80);

    Ref<CDSoundEngine> fresh;
    engine->shutdown(); // one device at a time
    fresh = makeRef<CDSoundEngine>();
    ASSERT_TRUE(fresh->loadBufferFromData(80, pcm.data(), kCDFormatMono16, size, kRate));
    EXPECT_EQ(fresh->bufferTotal(), 96);
    EXPECT_TRUE(fresh->validateBufferId(80));
    EXPECT_FALSE(fresh->validateBufferId(81));
    EXPECT_FALSE(fresh->loadBufferFromData(-1, pcm.data(), kCDFormatMono16, size, kRate));
    ScopedLogCapture log;
    EXPECT_FALSE(fresh->loadBufferFromData(1 << 30, pcm.data(), kCDFormatMono16, size, kRate));
    EXPECT_EQ(fresh->bufferTotal(), 96);
    EXPECT_EQ(log.lines().size(), 1u);
}

TEST_F(CDSoundEngineTest, BufferQueriesDescribeTheLoadedData)
{
    const std::vector<int16_t> stereo = test::sineTone(kTone, 22050, 2, 0.5);
    ASSERT_TRUE(
        engine->loadBufferFromData(3, stereo.data(), kCDFormatStereo16, int(stereo.size() * 2), 22050));
    EXPECT_EQ(engine->bufferSizeInBytes(3), int(stereo.size() * 2));
    EXPECT_EQ(engine->bufferFrequencyInHertz(3), 22050);
    EXPECT_FLOAT_EQ(engine->bufferDurationInSeconds(3), 0.5f);
    EXPECT_EQ(engine->bufferSizeInBytes(4), -1);
    EXPECT_EQ(engine->bufferDurationInSeconds(999), -1);

    // Unloading stops the sources that play it and empties the entry.
    const uint32_t source = engine->playSound(3, 0, 1, 0, 1, true);
    ASSERT_TRUE(engine->unloadBuffer(3));
    EXPECT_EQ(engine->bufferState(3), kCDBufferEmpty);
    EXPECT_EQ(engine->playSound(3, 0, 1, 0, 1, true), kCDSoundSilent);
    EXPECT_LT(test::rms(render(*engine, 4410).left, 0, 4410), 0.001);
    EXPECT_FALSE(engine->unloadBuffer(999));
    (void)source;
}

TEST_F(CDSoundEngineTest, FilesLoadByWaveOrGeneralRules)
{
    const std::vector<int16_t> mono = test::sineTone(kTone, kRate, 1, 0.2);
    const std::vector<int16_t> stereo = test::sineTone(kTone, kRate, 2, 0.2);
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        bool loads;
    };
    const Case cases[] = {
        {"a.wav", test::waveFile(mono, 1, kRate, 16), true},
        {"b.WAV", test::waveFile(stereo, 2, kRate, 8), true},
        {"no_extension", test::waveFile(mono, 1, kRate, 16), true},
        {"deep.wav", test::waveFile(mono, 1, kRate, 24), false},
        {"big-endian.wav", test::cafPcmFile(mono, 1, kRate, false), false},
        {"big-endian.caf", test::cafPcmFile(mono, 1, kRate, false), true},
        {"deep.caf", test::waveFile(mono, 1, kRate, 24), true},
        {"eight.caf", test::waveFile(mono, 1, kRate, 8), true},
    };
    ScopedLogCapture log;
    int soundId = 0;
    for (const Case& c : cases) {
        ASSERT_TRUE(test::writeFile(dir.file(c.name), c.bytes));
        EXPECT_EQ(engine->loadBuffer(soundId, dir.file(c.name)), c.loads) << c.name;
        EXPECT_EQ(engine->bufferState(soundId), c.loads ? kCDBufferLoaded : kCDBufferFailed) << c.name;
        if (c.loads) {
            // 0.2 s of 16-bit mono and of 8-bit stereo take the same bytes.
            EXPECT_EQ(engine->bufferSizeInBytes(soundId), int(mono.size() * 2)) << c.name;
            EXPECT_NEAR(engine->bufferDurationInSeconds(soundId), 0.2, 0.001) << c.name;
        }
        ++soundId;
    }
}

TEST_F(CDSoundEngineTest, AnAsynchronousLoadEndsWithOneNotice)
{
    std::vector<Ref<CDBufferLoadRequest>> requests;
    for (int i = 0; i < 4; ++i) {
        const std::string path = toneFile("tone" + std::to_string(i) + ".wav", 0.1);
        requests.push_back(makeRef<CDBufferLoadRequest>(i + 10, path));
    }
    int notices = 0;
    const NotificationCenter::ObserverId observer = NotificationCenter::defaultCenter().addObserver(
        nullptr, kCDN_AsynchLoadComplete, nullptr, [&](const Notification&) { ++notices; });
    engine->loadBuffersAsynchronously(requests);
    EXPECT_TRUE(RunLoop::main().runUntil([&] { return notices > 0; }, 10));
    RunLoop::main().drain();
    NotificationCenter::defaultCenter().removeObserver(observer);
    EXPECT_EQ(notices, 1);
    EXPECT_FLOAT_EQ(engine->asynchLoadProgress(), 1.0f);
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(engine->validateBufferId(i + 10)) << i;
}

TEST_F(CDSoundEngineTest, ShuttingDownWhileSoundsPlayLeavesEverythingSafe)
{
    ASSERT_TRUE(loadTone(*engine, 0));
    for (int i = 0; i < 40; ++i) (void)engine->playSound(0, 0, 1, 0, 1, true);
    Ref<CDSoundSource> kept = engine->soundSourceForSound(0, 0);
    ASSERT_TRUE(kept);
    ASSERT_TRUE(kept->play());
    std::vector<Ref<CDBufferLoadRequest>> requests;
    for (int i = 0; i < 8; ++i)
        requests.push_back(makeRef<CDBufferLoadRequest>(i, toneFile("t" + std::to_string(i) + ".wav")));
    engine->loadBuffersAsynchronously(requests);

    engine->shutdown();
    EXPECT_FALSE(engine->functioning());
    EXPECT_EQ(engine->playSound(0, 0, 1, 0, 1, false), kCDSoundSilent);
    EXPECT_FALSE(engine->soundSourceForSound(0, 0));
    EXPECT_FALSE(engine->loadBufferFromData(0, "x", kCDFormatMono8, 1, kRate));
    EXPECT_FALSE(kept->play());
    EXPECT_FALSE(kept->isPlaying());
    kept->setGain(0.5f);
    engine->stopAllSounds();
    engine->setMute(true);
    EXPECT_EQ(engine->openALContext(), nullptr);
}

TEST(CDSoundEngineWithoutDevice, RunsSilentAndStaysSafe)
{
    struct Case {
        const char* name;
        void (*choose)();
    };
    const Case cases[] = {
        {"no device opens", [] { OpenALDevice::useSystemOutput("no such device"); }},
        // The device opens but refuses a context: the engine must not reach for
        // sources it never made.
        {"the device refuses a context", [] { OpenALDevice::useLoopback(1); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.choose();
        ScopedLogCapture log;
        Ref<CDSoundEngine> engine = makeRef<CDSoundEngine>();
        OpenALDevice::useSystemOutput();
        EXPECT_FALSE(engine->functioning());
        EXPECT_FALSE(engine->getGainWorks());
        EXPECT_EQ(engine->sourceTotal(), 0);
        const int16_t pcm[4] = {};
        EXPECT_FALSE(engine->loadBufferFromData(0, pcm, kCDFormatMono16, sizeof pcm, 44100));
        EXPECT_FALSE(engine->loadBuffer(0, "nothing.wav"));
        EXPECT_EQ(engine->playSound(0, 0, 1, 0, 1, false), kCDSoundSilent);
        EXPECT_FALSE(engine->soundSourceForSound(0, 0));
        engine->stopSound(1);
        engine->stopSourceGroup(0);
        engine->stopAllSounds();
        engine->setMute(true);
        engine->setMasterGain(0.5f);
        engine->setMute(false);
        EXPECT_FLOAT_EQ(engine->masterGain(), 0.5f);
        engine->setSourceGroupEnabled(0, true);
        EXPECT_EQ(engine->openALContext(), nullptr);
    }
}

TEST(CDUtilities, RelativePathsAreLookedUpInTheBundle)
{
    test::TempDir bundle;
    std::filesystem::create_directories(bundle.file("sounds"));
    ASSERT_TRUE(test::writeFile(bundle.file("sounds/click.wav"), {'x'}));
    test::ScopedEnv resources("MOSSWICK_RESOURCES", bundle.path());
    ScopedLogCapture log;
    struct Case {
        std::string path, expected;
    };
    const Case cases[] = {
        {"sounds/click.wav", bundle.file("sounds/click.wav")},
        {"sounds/missing.wav", "sounds/missing.wav"},
        {"/elsewhere/click.wav", "/elsewhere/click.wav"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(CDUtilities::fullPathFromRelativePath(c.path), c.expected) << c.path;
}

TEST(CDBufferManager, HandsOutIdentifiersAndReusesTheLastFreed)
{
    OpenALDevice::useLoopback(44100);
    test::TempDir dir;
    Ref<CDSoundEngine> engine = makeRef<CDSoundEngine>();
    Ref<CDBufferManager> buffers = makeRef<CDBufferManager>(engine.get());
    const std::vector<int16_t> tone = test::sineTone(441, 44100, 1, 0.05);
    for (const char* name : {"a.wav", "b.wav", "c.wav", "d.wav"})
        ASSERT_TRUE(test::writeFile(dir.file(name), test::waveFile(tone, 1, 44100, 16)));
    ASSERT_TRUE(test::writeFile(dir.file("bad.wav"), {'n', 'o', 'p', 'e'}));

    EXPECT_EQ(buffers->bufferForFile(dir.file("a.wav"), true), 0);
    EXPECT_EQ(buffers->bufferForFile(dir.file("b.wav"), true), 1);
    EXPECT_EQ(buffers->bufferForFile(dir.file("c.wav"), true), 2);
    EXPECT_EQ(buffers->bufferForFile(dir.file("b.wav"), true), 1);
    EXPECT_EQ(buffers->bufferForFile(dir.file("d.wav"), false), -1);
    buffers->releaseBufferForFile(dir.file("never.wav")); // nothing happens
    buffers->releaseBufferForFile(dir.file("b.wav"));
    EXPECT_EQ(engine->bufferState(1), kCDBufferEmpty);
    buffers->releaseBufferForFile(dir.file("a.wav"));
    EXPECT_EQ(buffers->bufferForFile(dir.file("d.wav"), true), 0); // last freed first
    {
        ScopedLogCapture log;
        EXPECT_EQ(buffers->bufferForFile(dir.file("bad.wav"), true), -1); // takes 1, and frees it again
    }
    EXPECT_EQ(buffers->bufferForFile(dir.file("b.wav"), true), 1);
    EXPECT_EQ(buffers->bufferForFile(dir.file("a.wav"), true), 3);
    OpenALDevice::useSystemOutput();
}

} // namespace
} // namespace mw
