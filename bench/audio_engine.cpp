// The sound engine's two heavy paths, each against a baseline in the same run:
//  - decoding a 30-second stereo track (MP3, AAC in M4A, Ogg Vorbis) through
//    the platform's decoding layer, against FFmpeg's own decode loop (open,
//    read, decode, convert to 16-bit) on the same file;
//  - mixing one second of sound with 32 sources playing, through openal-soft's
//    loopback device, against mixing with none. Its realtime_factor counter
//    is seconds of sound mixed per second of time.
#include <benchmark/benchmark.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "audio/CDAudioConstants.h"
#include "audio/CDSoundEngine.h"
#include "audio/OpenALDevice.h"
#include "foundation/Log.h"
#include "platform/AudioDecoder.h"
#include "tests/support/AudioFixtures.h"

namespace {

constexpr int kRate = 44100;
constexpr int kTrackSeconds = 30;

// A chord with a slow vibrato and a little noise, so that the encoders have
// real work and the decoders real data.
std::vector<int16_t> trackSamples()
{
    std::vector<int16_t> samples(size_t(kRate) * kTrackSeconds * 2);
    uint32_t noise = 1;
    for (size_t i = 0; i < samples.size() / 2; ++i) {
        const double t = double(i) / kRate;
        const double vibrato = 1 + 0.01 * std::sin(2 * std::numbers::pi * 5 * t);
        double value = 0;
        for (double f : {220.0, 277.2, 329.6, 440.0})
            value += 0.15 * std::sin(2 * std::numbers::pi * f * vibrato * t);
        noise = noise * 1664525u + 1013904223u;
        value += 0.02 * (double(noise >> 8) / double(1u << 24) - 0.5);
        samples[2 * i] = int16_t(std::lround(value * 32767));
        samples[2 * i + 1] = int16_t(std::lround(value * 0.8 * 32767));
    }
    return samples;
}

// The encoded tracks, written once for the whole run.
struct Tracks {
    std::filesystem::path folder;
    std::vector<std::string> paths; // by index into encodedFormats(); empty: no encoder

    Tracks()
    {
        folder = std::filesystem::temp_directory_path() / ("mw-bench-audio-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        const std::vector<int16_t> samples = trackSamples();
        for (const mw::test::EncodedFormat& format : mw::test::encodedFormats()) {
            const std::string path =
                (folder / (std::string("track.") + format.extension)).string() + std::to_string(paths.size());
            paths.push_back(mw::test::encodeToneFile(path, format, samples, 2, kRate).empty() ? path : "");
        }
    }
    ~Tracks()
    {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
};

const Tracks& tracks()
{
    static const Tracks shared;
    return shared;
}

// FFmpeg on its own: the loop a program using it directly would write.
size_t ffmpegDecode(const std::string& path, std::vector<uint8_t>& pcm)
{
    pcm.clear();
    AVFormatContext* demuxer = nullptr;
    if (avformat_open_input(&demuxer, path.c_str(), nullptr, nullptr) < 0) return 0;
    avformat_find_stream_info(demuxer, nullptr);
    const AVCodec* decoder = nullptr;
    const int stream = av_find_best_stream(demuxer, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    AVCodecContext* codec = avcodec_alloc_context3(decoder);
    avcodec_parameters_to_context(codec, demuxer->streams[stream]->codecpar);
    avcodec_open2(codec, decoder, nullptr);
    SwrContext* converter = nullptr;
    AVChannelLayout out{};
    av_channel_layout_default(&out, codec->ch_layout.nb_channels);
    swr_alloc_set_opts2(&converter, &out, AV_SAMPLE_FMT_S16, codec->sample_rate, &codec->ch_layout,
                        codec->sample_fmt, codec->sample_rate, 0, nullptr);
    swr_init(converter);
    const size_t frameBytes = size_t(out.nb_channels) * 2;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    const auto drain = [&] {
        while (avcodec_receive_frame(codec, frame) == 0) {
            const size_t used = pcm.size();
            pcm.resize(used + size_t(frame->nb_samples) * frameBytes);
            uint8_t* target = pcm.data() + used;
            const int converted =
                swr_convert(converter, &target, frame->nb_samples,
                            const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
            pcm.resize(used + size_t(std::max(converted, 0)) * frameBytes);
        }
    };
    while (av_read_frame(demuxer, packet) >= 0) {
        if (packet->stream_index == stream) avcodec_send_packet(codec, packet);
        av_packet_unref(packet);
        drain();
    }
    avcodec_send_packet(codec, nullptr);
    drain();
    av_frame_free(&frame);
    av_packet_free(&packet);
    swr_free(&converter);
    avcodec_free_context(&codec);
    avformat_close_input(&demuxer);
    return pcm.size() / frameBytes;
}

void DecodeLayer(benchmark::State& state, int format)
{
    const std::string& path = tracks().paths[size_t(format)];
    if (path.empty()) return state.SkipWithError("no encoder for this format");
    size_t frames = 0;
    for (auto _ : state) {
        std::optional<mw::DecodedAudio> decoded = mw::decodeAudioFile(path, mw::AudioSampleKind::Signed16);
        if (!decoded) return state.SkipWithError("the track did not decode");
        frames = decoded->pcm.size() / 4;
        benchmark::DoNotOptimize(decoded->pcm.data());
    }
    state.counters["seconds_decoded"] = double(frames) / kRate;
}

void FfmpegLoop(benchmark::State& state, int format)
{
    const std::string& path = tracks().paths[size_t(format)];
    if (path.empty()) return state.SkipWithError("no encoder for this format");
    std::vector<uint8_t> pcm;
    size_t frames = 0;
    for (auto _ : state) {
        pcm = {}; // a fresh buffer each time, as the layer's result is
        frames = ffmpegDecode(path, pcm);
        benchmark::DoNotOptimize(pcm.data());
    }
    state.counters["seconds_decoded"] = double(frames) / kRate;
}

// Formats by their index in encodedFormats().
constexpr int kMp3 = 2, kAacM4a = 0, kVorbis = 3;

// On a shared machine the fastest of several repetitions is the steadiest
// figure: run with --benchmark_repetitions to get it.
double fastest(const std::vector<double>& times) { return *std::min_element(times.begin(), times.end()); }

BENCHMARK_CAPTURE(FfmpegLoop, mp3, kMp3)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", fastest);
BENCHMARK_CAPTURE(DecodeLayer, mp3, kMp3)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", fastest);
BENCHMARK_CAPTURE(FfmpegLoop, aac_m4a, kAacM4a)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", fastest);
BENCHMARK_CAPTURE(DecodeLayer, aac_m4a, kAacM4a)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", fastest);
BENCHMARK_CAPTURE(FfmpegLoop, vorbis, kVorbis)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", fastest);
BENCHMARK_CAPTURE(DecodeLayer, vorbis, kVorbis)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", fastest);

// One second of sound mixed a run, with state.range(0) sources playing a
// looping tone each, at pitches, pans and gains of their own.
void MixThroughLoopback(benchmark::State& state)
{
    const int sources = int(state.range(0));
    mw::OpenALDevice::useLoopback(kRate);
    mw::Ref<mw::CDSoundEngine> engine = mw::makeRef<mw::CDSoundEngine>();
    mw::OpenALDevice::useSystemOutput();
    if (!engine->functioning()) return state.SkipWithError("no loopback device");
    const std::vector<int16_t> tone = mw::test::sineTone(441, kRate, 1, 1.0);
    if (!engine->loadBufferFromData(0, tone.data(), mw::kCDFormatMono16, int(tone.size() * 2), kRate))
        return state.SkipWithError("no buffer");
    for (int i = 0; i < sources; ++i) {
        const uint32_t played =
            engine->playSound(0, 0, 0.5f + 0.05f * float(i), -1 + 2 * float(i) / 31, 0.1f, true);
        if (played == mw::kCDSoundNoSource || played == mw::kCDSoundSilent)
            return state.SkipWithError("no source");
    }
    for (auto _ : state) {
        std::vector<float> mixed = engine->openALDevice()->render(kRate);
        benchmark::DoNotOptimize(mixed.data());
    }
    state.counters["realtime_factor"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    engine->shutdown();
}

BENCHMARK(MixThroughLoopback)
    ->Arg(0)
    ->Arg(32)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", fastest);

} // namespace

BENCHMARK_MAIN();
