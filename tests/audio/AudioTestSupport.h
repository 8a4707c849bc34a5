#pragma once

// The audio tests render through openal-soft's loopback device: it needs no
// sound card, runs faster than real time and mixes the same samples every
// run. Tones are made on the spot.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "audio/AVAudioPlayer.h"
#include "audio/CDAudioConstants.h"
#include "audio/CDAudioManager.h"
#include "audio/CDSoundEngine.h"
#include "audio/OpenALDevice.h"
#include "audio/SimpleAudioEngine.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/support/AudioFixtures.h"

namespace mw::test {

class LoopbackAudioTest : public ::testing::Test {
protected:
    static constexpr int kRate = 44100;
    static constexpr double kTone = 441;    // 100 samples a period at kRate
    static constexpr size_t kWindow = 8820; // 88 whole periods of kTone (and of 2 kTone)

    LoopbackAudioTest() { OpenALDevice::useLoopback(kRate); }
    ~LoopbackAudioTest() override
    {
        SimpleAudioEngine::end();
        CDAudioManager::end();
        OpenALDevice::useSystemOutput();
    }

    // Loads a mono 16-bit tone into the engine's buffer.
    static bool loadTone(CDSoundEngine& engine, int soundId, double seconds = 1.0, double frequency = kTone)
    {
        const std::vector<int16_t> samples = sineTone(frequency, kRate, 1, seconds);
        return engine.loadBufferFromData(soundId, samples.data(), kCDFormatMono16, int(samples.size() * 2),
                                         kRate);
    }

    // Writes a tone as a WAV file in the scratch folder; answers its path.
    std::string toneFile(const std::string& name, double seconds = 0.5, int channels = 1)
    {
        const std::string path = dir.file(name);
        EXPECT_TRUE(
            writeFile(path, waveFile(sineTone(kTone, kRate, channels, seconds), channels, kRate, 16)));
        return path;
    }

    // The next frames the engine's device mixes, left and right.
    struct Rendered {
        std::vector<double> left, right;
    };
    static Rendered render(CDSoundEngine& engine, int frames, AVAudioPlayer* player = nullptr)
    {
        std::vector<float> mixed;
        // In slices, so that a streaming player is fed as the run loop would.
        constexpr int kSlice = 2205;
        for (int done = 0; done < frames; done += kSlice) {
            const std::vector<float> slice = engine.openALDevice()->render(std::min(kSlice, frames - done));
            mixed.insert(mixed.end(), slice.begin(), slice.end());
            if (player) player->update();
        }
        return {channelOf(mixed, 2, 0), channelOf(mixed, 2, 1)};
    }

    TempDir dir;
};

} // namespace mw::test
