#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Log.h"
#include "platform/AudioContainer.h"
#include "platform/AudioDecoder.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/support/AudioFixtures.h"

namespace mw {
namespace {

using test::TempDir;
using namespace std::string_view_literals;

constexpr int kRate = 44100;
constexpr double kTone = 441; // exactly 100 samples a period at 44.1 kHz

// An MPEG-1 layer III frame header (128 kbit/s, 44.1 kHz): 417-byte frames.
std::vector<uint8_t> mp3Frames(int count)
{
    std::vector<uint8_t> bytes;
    for (int i = 0; i < count; ++i) {
        std::vector<uint8_t> frame(417, 0);
        frame[0] = 0xFF, frame[1] = 0xFB, frame[2] = 0x90, frame[3] = 0x00;
        bytes.insert(bytes.end(), frame.begin(), frame.end());
    }
    return bytes;
}

// ADTS frames of 100 bytes (AAC LC, 44.1 kHz, stereo, no CRC).
std::vector<uint8_t> adtsFrames(int count)
{
    std::vector<uint8_t> bytes;
    for (int i = 0; i < count; ++i) {
        std::vector<uint8_t> frame(100, 0);
        const uint8_t header[7] = {0xFF, 0xF1, 0x50, 0x80, 100 >> 3, ((100 & 7) << 5) | 0x1F, 0xFC};
        std::memcpy(frame.data(), header, sizeof header);
        bytes.insert(bytes.end(), frame.begin(), frame.end());
    }
    return bytes;
}

std::vector<uint8_t> id3Tag(size_t bodySize)
{
    std::vector<uint8_t> tag = {'I', 'D', '3', 4, 0, 0};
    for (int shift = 21; shift >= 0; shift -= 7) tag.push_back(uint8_t((bodySize >> shift) & 0x7F));
    tag.resize(10 + bodySize, 0);
    return tag;
}

std::vector<uint8_t> concat(std::vector<uint8_t> a, const std::vector<uint8_t>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<uint8_t> bytesOf(std::string_view text) { return std::vector<uint8_t>(text.begin(), text.end()); }

TEST(AudioContainer, IsToldFromTheFirstBytes)
{
    const std::vector<int16_t> tone = test::sineTone(kTone, kRate, 1, 0.01);
    std::vector<uint8_t> mp3CutInSecondHeader = mp3Frames(2);
    mp3CutInSecondHeader.resize(419);
    std::vector<uint8_t> mp3BadSecond = mp3Frames(2);
    mp3BadSecond[417] = 0x00;
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        AudioContainer expected;
    };
    const Case cases[] = {
        {"WAV", test::waveFile(tone, 1, kRate, 16), AudioContainer::Wave},
        {"RIFX WAV", test::waveFile(tone, 1, kRate, 16, true), AudioContainer::Unknown},
        {"CAF", test::cafPcmFile(tone, 1, kRate, true), AudioContainer::Caf},
        {"Ogg", {'O', 'g', 'g', 'S', 0, 2}, AudioContainer::Ogg},
        {"M4A", concat({0, 0, 0, 0x20}, bytesOf("ftypM4A "sv)), AudioContainer::Mpeg4},
        {"MP3 frames", mp3Frames(3), AudioContainer::Mp3},
        {"MP3 cut inside its second header", mp3CutInSecondHeader, AudioContainer::Mp3},
        {"MP3 after an ID3 tag", concat(id3Tag(300), mp3Frames(2)), AudioContainer::Mp3},
        {"MP3 after two ID3 tags", concat(id3Tag(30), concat(id3Tag(300), mp3Frames(2))), AudioContainer::Mp3},
        {"ADTS frames", adtsFrames(3), AudioContainer::Adts},
        {"ADTS after an ID3 tag", concat(id3Tag(20), adtsFrames(2)), AudioContainer::Adts},
        {"a frame header followed by no frame", mp3BadSecond, AudioContainer::Unknown},
        {"an ID3 tag longer than the bytes", concat(id3Tag(5000), mp3Frames(1)), AudioContainer::Unknown},
        {"CAF of another version", {'c', 'a', 'f', 'f', 0, 2}, AudioContainer::Unknown},
        {"RIFF that is not WAVE", bytesOf("RIFF\x10\0\0\0AVI LIST"sv), AudioContainer::Unknown},
        {"PNG", bytesOf("\x89PNG\r\n\x1a\n\0\0\0\rIHDR"sv), AudioContainer::Unknown},
        {"text", bytesOf("just some words, not a sound at all"sv), AudioContainer::Unknown},
        {"nothing", {}, AudioContainer::Unknown},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> head = c.bytes;
        if (head.size() > kAudioSniffBytes) head.resize(kAudioSniffBytes);
        EXPECT_EQ(sniffAudioContainer(head), c.expected) << c.name;
    }
    EXPECT_EQ(id3v2TagLength(id3Tag(300)), 310u);
}

// A tone written in one format, and what decoding it must give.
struct ToneCase {
    std::string name;
    std::string fileName;
    int channels;
    AudioContainer container;
    bool lossy; // encoder delay and padding move the length a little
};

class AudioDecoderFormats : public ::testing::Test {
protected:
    static constexpr double kSeconds = 0.5;

    // Writes the tone in the case's format; empty on success, else a skip reason.
    std::string write(const ToneCase& c, const std::vector<int16_t>& samples,
                      const test::EncodedFormat* encoded)
    {
        const std::string path = dir.file(c.fileName);
        if (encoded) return test::encodeToneFile(path, *encoded, samples, c.channels, kRate);
        std::vector<uint8_t> bytes;
        if (c.name == "WAV 16-bit") bytes = test::waveFile(samples, c.channels, kRate, 16);
        if (c.name == "WAV 8-bit") bytes = test::waveFile(samples, c.channels, kRate, 8);
        if (c.name == "WAV 24-bit") bytes = test::waveFile(samples, c.channels, kRate, 24);
        if (c.name == "RIFX WAV") bytes = test::waveFile(samples, c.channels, kRate, 16, true);
        if (c.name == "CAF PCM little-endian") bytes = test::cafPcmFile(samples, c.channels, kRate, true);
        if (c.name == "CAF PCM big-endian") bytes = test::cafPcmFile(samples, c.channels, kRate, false);
        return test::writeFile(path, bytes) ? "" : "cannot write " + path;
    }

    TempDir dir;
};

TEST_F(AudioDecoderFormats, EachFormatDecodesToTheTone)
{
    std::vector<ToneCase> cases = {
        {"WAV 16-bit", "tone16.wav", 1, AudioContainer::Wave, false},
        {"WAV 8-bit", "tone8.wav", 2, AudioContainer::Wave, false},
        {"WAV 24-bit", "tone24.wav", 1, AudioContainer::Wave, false},
        {"CAF PCM little-endian", "toneLE.caf", 1, AudioContainer::Caf, false},
        {"CAF PCM big-endian", "toneBE.caf", 2, AudioContainer::Caf, false},
    };
    std::vector<const test::EncodedFormat*> encoders(cases.size(), nullptr);
    const AudioContainer encodedContainers[] = {AudioContainer::Mpeg4, AudioContainer::Adts,
                                                AudioContainer::Mp3,   AudioContainer::Ogg,
                                                AudioContainer::Caf,   AudioContainer::Caf};
    for (size_t i = 0; i < test::encodedFormats().size(); ++i) {
        const test::EncodedFormat& format = test::encodedFormats()[i];
        cases.push_back({format.name, std::string("tone") + std::to_string(i) + "." + format.extension,
                         i % 2 ? 1 : 2, encodedContainers[i], std::strcmp(format.encoder, "alac") != 0});
        encoders.push_back(&format);
    }

    for (size_t i = 0; i < cases.size(); ++i) {
        const ToneCase& c = cases[i];
        SCOPED_TRACE(c.name);
        const std::vector<int16_t> samples = test::sineTone(kTone, kRate, c.channels, kSeconds);
        const std::string problem = write(c, samples, encoders[i]);
        if (problem.rfind("skip:", 0) == 0) {
            std::printf("%s: %s\n", c.name.c_str(), problem.c_str());
            continue;
        }
        ASSERT_EQ(problem, "");

        std::unique_ptr<AudioDecoder> decoder =
            AudioDecoder::openFile(dir.file(c.fileName), AudioSampleKind::Signed16);
        ASSERT_TRUE(decoder);
        EXPECT_EQ(decoder->container(), c.container);
        std::optional<DecodedAudio> decoded =
            decodeAudioFile(dir.file(c.fileName), AudioSampleKind::Signed16);
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->format.channels, c.channels);
        EXPECT_EQ(decoded->format.sampleRate, kRate);
        EXPECT_EQ(decoded->format.bitsPerSample, 16);
        const size_t frames = decoded->pcm.size() / size_t(decoded->format.bytesPerFrame());
        const size_t expectedFrames = samples.size() / size_t(c.channels);
        if (c.lossy) {
            EXPECT_NEAR(double(frames), double(expectedFrames), 3000.0);
        } else {
            EXPECT_EQ(frames, expectedFrames);
        }
        // The middle of the sound, away from encoder delay and padding:
        // 88 whole periods.
        const auto* pcm = reinterpret_cast<const int16_t*>(decoded->pcm.data());
        for (int channel = 0; channel < c.channels; ++channel) {
            const std::vector<double> signal = test::channelOf(pcm, frames, c.channels, channel);
            EXPECT_GT(test::toneShare(signal, 5000, 8800, kTone, kRate), 0.95) << "channel " << channel;
            EXPECT_NEAR(test::rms(signal, 5000, 8800), 0.5 / std::sqrt(2.0), 0.05) << "channel " << channel;
        }
    }
}

TEST_F(AudioDecoderFormats, StoredSamplesAreTakenOnlyAsEightOrLittleEndianSixteenBits)
{
    struct Case {
        ToneCase tone;
        int bits; // 0: refused
    };
    const Case cases[] = {
        {{"WAV 16-bit", "s16.wav", 1, AudioContainer::Wave, false}, 16},
        {{"WAV 8-bit", "u8.wav", 2, AudioContainer::Wave, false}, 8},
        {{"CAF PCM little-endian", "le.caf", 1, AudioContainer::Caf, false}, 16},
        {{"WAV 24-bit", "s24.wav", 1, AudioContainer::Wave, false}, 0},
        {{"RIFX WAV", "be.wav", 1, AudioContainer::Wave, false}, 0},
        {{"CAF PCM big-endian", "be.caf", 1, AudioContainer::Caf, false}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tone.name);
        const std::vector<int16_t> samples = test::sineTone(kTone, kRate, c.tone.channels, 0.1);
        ASSERT_EQ(write(c.tone, samples, nullptr), "");
        ScopedLogCapture log;
        std::optional<DecodedAudio> decoded =
            decodeAudioFile(dir.file(c.tone.fileName), AudioSampleKind::StoredPcm);
        if (c.bits == 0) {
            EXPECT_FALSE(decoded);
            EXPECT_EQ(log.lines().size(), 1u);
            continue;
        }
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->format.bitsPerSample, c.bits);
        EXPECT_EQ(decoded->pcm.size(), samples.size() * size_t(c.bits / 8));
        if (c.bits == 8) {
            EXPECT_EQ(decoded->pcm[0], 128); // unsigned: silence is 128
        }
    }
}

TEST_F(AudioDecoderFormats, BrokenOrForeignFilesFailWithOneLine)
{
    const std::vector<int16_t> samples = test::sineTone(kTone, kRate, 1, 0.3);
    const std::vector<uint8_t> wave = test::waveFile(samples, 1, kRate, 16);
    const std::string m4a = dir.file("whole.m4a");
    const std::string encoded = test::encodeToneFile(m4a, test::encodedFormats()[0], samples, 1, kRate);
    const std::vector<int16_t> three = test::sineTone(kTone, kRate, 3, 0.1);

    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    };
    std::vector<Case> cases = {
        {"empty", {}},
        {"text", bytesOf("not a sound\n"sv)},
        {"PNG", bytesOf("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\1\0\0\0\1"sv)},
        {"WAV cut inside its header", std::vector<uint8_t>(wave.begin(), wave.begin() + 30)},
        {"WAV of three channels", test::waveFile(three, 3, kRate, 16)},
        {"RIFX WAV", test::waveFile(samples, 1, kRate, 16, true)},
    };
    if (encoded.empty()) {
        const std::vector<uint8_t> whole = test::readFile(m4a);
        cases.push_back(
            {"M4A cut before its index", std::vector<uint8_t>(whole.begin(), whole.begin() + 200)});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file("broken");
        ASSERT_TRUE(test::writeFile(path, c.bytes));
        ScopedLogCapture log;
        EXPECT_FALSE(decodeAudioFile(path, AudioSampleKind::Signed16));
        size_t ours = 0;
        for (const std::string& line : log.lines()) ours += line.rfind("AudioDecoder:", 0) == 0;
        EXPECT_EQ(ours, 1u);
        EXPECT_FALSE(decodeAudioMemory(c.bytes, AudioSampleKind::Signed16, c.name));
    }
    ScopedLogCapture log;
    EXPECT_FALSE(decodeAudioFile(dir.file("missing.wav"), AudioSampleKind::Signed16));
    EXPECT_TRUE(log.contains("missing.wav"));
}

TEST_F(AudioDecoderFormats, DataCutShortGivesWhatIsThere)
{
    const std::vector<int16_t> samples = test::sineTone(kTone, kRate, 1, 0.3);
    std::vector<uint8_t> wave = test::waveFile(samples, 1, kRate, 16);
    wave.resize(wave.size() / 2 + 1); // an odd byte: half a sample
    ScopedLogCapture log;             // FFmpeg complains about the half sample
    std::optional<DecodedAudio> decoded = decodeAudioMemory(wave, AudioSampleKind::Signed16, "half.wav");
    ASSERT_TRUE(decoded);
    const size_t frames = decoded->pcm.size() / 2;
    EXPECT_GT(frames, samples.size() / 2 - 100);
    EXPECT_LT(frames, samples.size() / 2);
    EXPECT_EQ(0, std::memcmp(decoded->pcm.data(), samples.data(), decoded->pcm.size()));
}

TEST_F(AudioDecoderFormats, FramesDecodeBehindLongAndRepeatedTags)
{
    const std::vector<int16_t> samples = test::sineTone(kTone, kRate, 1, 0.4);
    for (const test::EncodedFormat* format : {&test::encodedFormats()[1], &test::encodedFormats()[2]}) {
        SCOPED_TRACE(format->name);
        const std::string plain = dir.file(std::string("plain.") + format->extension);
        const std::string problem = test::encodeToneFile(plain, *format, samples, 1, kRate);
        if (!problem.empty()) GTEST_SKIP() << problem;
        const std::string tagged = dir.file(std::string("tagged.") + format->extension);
        ASSERT_TRUE(test::writeFile(tagged, concat(concat(id3Tag(9000), id3Tag(20)), test::readFile(plain))));
        std::optional<DecodedAudio> decoded = decodeAudioFile(tagged, AudioSampleKind::Signed16);
        ASSERT_TRUE(decoded);
        const std::vector<double> signal =
            test::channelOf(reinterpret_cast<const int16_t*>(decoded->pcm.data()), decoded->pcm.size() / 2, 1, 0);
        EXPECT_GT(test::toneShare(signal, 5000, 8800, kTone, kRate), 0.95);
    }
    ASSERT_TRUE(test::writeFile(dir.file("only-tags.mp3"), concat(id3Tag(9000), id3Tag(20))));
    ScopedLogCapture log;
    EXPECT_FALSE(decodeAudioFile(dir.file("only-tags.mp3"), AudioSampleKind::Signed16));
    EXPECT_TRUE(log.contains("tags and no sound"));
}

TEST_F(AudioDecoderFormats, RewindGivesTheSameFramesAgain)
{
    const std::vector<int16_t> samples = test::sineTone(kTone, kRate, 2, 0.4);
    std::vector<std::string> files = {dir.file("rewind.wav")};
    ASSERT_TRUE(test::writeFile(files[0], test::waveFile(samples, 2, kRate, 16)));
    if (test::encodeToneFile(dir.file("rewind.mp3"), test::encodedFormats()[2], samples, 2, kRate).empty())
        files.push_back(dir.file("rewind.mp3"));
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        std::unique_ptr<AudioDecoder> decoder = AudioDecoder::openFile(file, AudioSampleKind::Signed16);
        ASSERT_TRUE(decoder);
        std::vector<uint8_t> first(size_t(kRate) * 4), second(first.size());
        const int64_t frames = decoder->read(first.data(), kRate);
        EXPECT_EQ(decoder->read(second.data(), kRate), 0); // at the end
        ASSERT_TRUE(decoder->rewind());
        EXPECT_EQ(decoder->read(second.data(), kRate), frames);
        EXPECT_EQ(first, second);
    }
}

} // namespace
} // namespace mw
