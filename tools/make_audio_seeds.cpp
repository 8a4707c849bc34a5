// Writes the seeds of the sound decoder's fuzz target (fuzz/corpus/audio_decoder):
// short tones in every container and codec the decoder reads, made by hand or
// by FFmpeg's encoders bit-exactly, so that a rerun writes the same bytes.
//
//   cmake --build build/dev --target make_audio_seeds
//   build/dev/make_audio_seeds fuzz/corpus/audio_decoder
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/AudioFixtures.h"

namespace {

constexpr int kRate = 8000;

std::vector<uint8_t> id3Tag(size_t bodySize)
{
    std::vector<uint8_t> tag = {'I', 'D', '3', 4, 0, 0};
    for (int shift = 21; shift >= 0; shift -= 7) tag.push_back(uint8_t((bodySize >> shift) & 0x7F));
    tag.resize(10 + bodySize, 0);
    return tag;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_audio_seeds <corpus folder>\n");
        return 2;
    }
    const std::filesystem::path out = argv[1];
    std::filesystem::create_directories(out);
    using mw::test::sineTone;
    const std::vector<int16_t> mono = sineTone(440, kRate, 1, 0.05);
    const std::vector<int16_t> stereo = sineTone(440, kRate, 2, 0.05);
    bool ok = mw::test::writeFile(out / "pcm16_mono.wav", mw::test::waveFile(mono, 1, kRate, 16)) &&
              mw::test::writeFile(out / "pcm8_stereo.wav", mw::test::waveFile(stereo, 2, kRate, 8)) &&
              mw::test::writeFile(out / "pcm24_mono.wav", mw::test::waveFile(mono, 1, kRate, 24)) &&
              mw::test::writeFile(out / "pcm_le.caf", mw::test::cafPcmFile(mono, 1, kRate, true)) &&
              mw::test::writeFile(out / "pcm_be.caf", mw::test::cafPcmFile(stereo, 2, kRate, false));
    int index = 0;
    for (const mw::test::EncodedFormat& format : mw::test::encodedFormats()) {
        const std::string name =
            "encoded" + std::to_string(index++) + "_" + format.encoder + "." + format.extension;
        const std::string problem = mw::test::encodeToneFile((out / name).string(), format, mono, 1, kRate);
        if (!problem.empty()) {
            std::fprintf(stderr, "%s: %s\n", format.name, problem.c_str());
            ok = ok && problem.rfind("skip:", 0) == 0;
        }
    }
    // An MP3 behind an ID3 tag, as tagged music comes.
    const std::vector<uint8_t> mp3 = mw::test::readFile((out / "encoded2_libmp3lame.mp3").string());
    if (!mp3.empty()) {
        std::vector<uint8_t> tagged = id3Tag(64);
        tagged.insert(tagged.end(), mp3.begin(), mp3.end());
        ok = ok && mw::test::writeFile(out / "tagged.mp3", tagged);
    }
    return ok ? 0 : 1;
}
