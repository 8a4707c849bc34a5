#include "tests/support/AudioFixtures.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numbers>

namespace mw::test {

std::vector<int16_t> sineTone(double frequency, int sampleRate, int channels, double seconds,
                              double amplitude)
{
    const size_t frames = size_t(std::llround(seconds * sampleRate));
    std::vector<int16_t> samples(frames * size_t(channels));
    for (size_t i = 0; i < frames; ++i) {
        const double value = amplitude * std::sin(2 * std::numbers::pi * frequency * double(i) / sampleRate);
        for (int c = 0; c < channels; ++c)
            samples[i * size_t(channels) + size_t(c)] = int16_t(std::lround(value * 32767));
    }
    return samples;
}

// ---------------------------------------------------------------- containers by hand

namespace {

class ByteWriter {
public:
    explicit ByteWriter(bool bigEndian) : bigEndian_(bigEndian) {}
    void tag(const char* fourCC) { bytes.insert(bytes.end(), fourCC, fourCC + 4); }
    void u16(uint32_t v) { put(v, 2); }
    void u32(uint32_t v) { put(v, 4); }
    void u64(uint64_t v) { put(v, 8); }
    void put(uint64_t v, int size)
    {
        for (int i = 0; i < size; ++i) {
            const int shift = bigEndian_ ? (size - 1 - i) * 8 : i * 8;
            bytes.push_back(uint8_t(v >> shift));
        }
    }
    std::vector<uint8_t> bytes;

private:
    bool bigEndian_;
};

} // namespace

std::vector<uint8_t> waveFile(const std::vector<int16_t>& samples, int channels, int sampleRate, int bits,
                              bool bigEndian)
{
    ByteWriter data(bigEndian);
    for (int16_t s : samples) {
        if (bits == 8)
            data.put(uint8_t((s >> 8) + 128), 1);
        else if (bits == 16)
            data.put(uint16_t(s), 2);
        else
            data.put(uint32_t(int32_t(s) * 256) & 0xFFFFFF, 3);
    }
    ByteWriter out(bigEndian);
    out.tag(bigEndian ? "RIFX" : "RIFF");
    out.u32(uint32_t(36 + data.bytes.size()));
    out.tag("WAVE");
    out.tag("fmt ");
    out.u32(16);
    out.u16(1); // PCM
    out.u16(uint32_t(channels));
    out.u32(uint32_t(sampleRate));
    out.u32(uint32_t(sampleRate * channels * bits / 8));
    out.u16(uint32_t(channels * bits / 8));
    out.u16(uint32_t(bits));
    out.tag("data");
    out.u32(uint32_t(data.bytes.size()));
    out.bytes.insert(out.bytes.end(), data.bytes.begin(), data.bytes.end());
    return out.bytes;
}

std::vector<uint8_t> cafPcmFile(const std::vector<int16_t>& samples, int channels, int sampleRate,
                                bool littleEndian)
{
    ByteWriter out(true); // CAF's own fields are big-endian
    out.tag("caff");
    out.u16(1);
    out.u16(0);
    out.tag("desc");
    out.u64(32);
    double rate = sampleRate;
    uint64_t rateBits;
    std::memcpy(&rateBits, &rate, sizeof rate);
    out.u64(rateBits);
    out.tag("lpcm");
    out.u32(littleEndian ? 2 : 0); // format flags: little-endian
    out.u32(uint32_t(2 * channels));
    out.u32(1);
    out.u32(uint32_t(channels));
    out.u32(16);
    out.tag("data");
    out.u64(4 + samples.size() * 2);
    out.u32(0); // edit count
    ByteWriter data(!littleEndian);
    for (int16_t s : samples) data.u16(uint16_t(s));
    out.bytes.insert(out.bytes.end(), data.bytes.begin(), data.bytes.end());
    return out.bytes;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(file);
}

std::vector<uint8_t> readFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

// ---------------------------------------------------------------- FFmpeg's encoders

const std::vector<EncodedFormat>& encodedFormats()
{
    static const std::vector<EncodedFormat> formats = {
        {"AAC in M4A", "ipod", "aac", "m4a"},  {"AAC in ADTS", "adts", "aac", "aac"},
        {"MP3", "mp3", "libmp3lame", "mp3"},   {"Ogg Vorbis", "ogg", "libvorbis", "ogg"},
        {"ALAC in CAF", "caf", "alac", "caf"}, {"IMA4 in CAF", "caf", "adpcm_ima_qt", "caf"},
    };
    return formats;
}

namespace {

// Frees what an encoding made, however far it came.
struct Encoding {
    AVFormatContext* muxer = nullptr;
    AVCodecContext* codec = nullptr;
    SwrContext* converter = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    ~Encoding()
    {
        av_packet_free(&packet);
        av_frame_free(&frame);
        swr_free(&converter);
        avcodec_free_context(&codec);
        if (muxer) {
            if (muxer->pb) avio_closep(&muxer->pb);
            avformat_free_context(muxer);
        }
    }

    // Sends a frame (null: the end) and writes the packets it gives.
    bool send(AVFrame* input)
    {
        if (avcodec_send_frame(codec, input) < 0) return false;
        for (;;) {
            const int status = avcodec_receive_packet(codec, packet);
            if (status == AVERROR(EAGAIN) || status == AVERROR_EOF) return true;
            if (status < 0) return false;
            packet->stream_index = 0;
            av_packet_rescale_ts(packet, codec->time_base, muxer->streams[0]->time_base);
            if (av_interleaved_write_frame(muxer, packet) < 0) return false;
        }
    }
};

} // namespace

std::string encodeToneFile(const std::string& path, const EncodedFormat& format,
                           const std::vector<int16_t>& samples, int channels, int sampleRate)
{
    av_log_set_level(AV_LOG_ERROR); // the encoders' chatter is of no use here
    const AVCodec* encoder = avcodec_find_encoder_by_name(format.encoder);
    if (!encoder) return std::string("skip: FFmpeg has no ") + format.encoder + " encoder";
    if (!av_guess_format(format.muxer, nullptr, nullptr))
        return std::string("skip: FFmpeg has no ") + format.muxer + " muxer";
    Encoding e;
    if (avformat_alloc_output_context2(&e.muxer, nullptr, format.muxer, path.c_str()) < 0)
        return "no muxer context";
    e.muxer->flags |= AVFMT_FLAG_BITEXACT;
    AVStream* stream = avformat_new_stream(e.muxer, nullptr);
    e.codec = avcodec_alloc_context3(encoder);
    if (!stream || !e.codec) return "out of memory";
    e.codec->sample_rate = sampleRate;
    av_channel_layout_default(&e.codec->ch_layout, channels);
    e.codec->sample_fmt = encoder->sample_fmts ? encoder->sample_fmts[0] : AV_SAMPLE_FMT_S16;
    for (const AVSampleFormat* f = encoder->sample_fmts; f && *f != AV_SAMPLE_FMT_NONE; ++f) {
        if (*f == AV_SAMPLE_FMT_S16 || *f == AV_SAMPLE_FMT_S16P) e.codec->sample_fmt = *f; // as recorded
    }
    e.codec->time_base = AVRational{1, sampleRate};
    e.codec->flags |= AV_CODEC_FLAG_BITEXACT;
    if (std::strcmp(format.encoder, "aac") == 0 || std::strcmp(format.encoder, "libmp3lame") == 0)
        e.codec->bit_rate = sampleRate >= 32000 ? 128000 : 32000;
    if (e.muxer->oformat->flags & AVFMT_GLOBALHEADER) e.codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(e.codec, encoder, nullptr) < 0) return "the encoder refused its settings";
    if (avcodec_parameters_from_context(stream->codecpar, e.codec) < 0) return "no stream parameters";
    stream->time_base = e.codec->time_base;
    if (avio_open(&e.muxer->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) return "cannot write " + path;
    if (avformat_write_header(e.muxer, nullptr) < 0) return "the muxer refused the stream";

    AVChannelLayout layout{};
    av_channel_layout_default(&layout, channels);
    swr_alloc_set_opts2(&e.converter, &layout, e.codec->sample_fmt, sampleRate, &layout, AV_SAMPLE_FMT_S16,
                        sampleRate, 0, nullptr);
    if (!e.converter || swr_init(e.converter) < 0) return "no sample converter";
    e.frame = av_frame_alloc();
    e.packet = av_packet_alloc();
    const bool variable = (encoder->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) != 0;
    const bool smallLast = (encoder->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME) != 0;
    const int frameSize = e.codec->frame_size > 0 ? e.codec->frame_size : 1024;
    const size_t frames = samples.size() / size_t(channels);
    std::vector<int16_t> chunk;
    for (size_t done = 0; done < frames;) {
        const size_t take = std::min(size_t(frameSize), frames - done);
        chunk.assign(samples.begin() + ptrdiff_t(done * size_t(channels)),
                     samples.begin() + ptrdiff_t((done + take) * size_t(channels)));
        const bool last = done + take == frames;
        const int count = variable || (last && smallLast) ? int(take) : frameSize;
        chunk.resize(size_t(count) * size_t(channels), 0); // a fixed-size codec takes a padded last frame
        av_frame_unref(e.frame);
        e.frame->nb_samples = count;
        e.frame->format = e.codec->sample_fmt;
        e.frame->sample_rate = sampleRate;
        av_channel_layout_copy(&e.frame->ch_layout, &layout);
        if (av_frame_get_buffer(e.frame, 0) < 0) return "out of memory";
        const uint8_t* in = reinterpret_cast<const uint8_t*>(chunk.data());
        if (swr_convert(e.converter, e.frame->extended_data, count, &in, count) != count)
            return "conversion failed";
        e.frame->pts = int64_t(done);
        if (!e.send(e.frame)) return "the encoder failed";
        done += take;
    }
    if (!e.send(nullptr)) return "the encoder failed at the end";
    if (av_write_trailer(e.muxer) < 0) return "the muxer failed at the end";
    return {};
}

// ---------------------------------------------------------------- measures

std::vector<double> channelOf(const int16_t* interleaved, size_t frames, int channels, int channel)
{
    std::vector<double> out(frames);
    for (size_t i = 0; i < frames; ++i)
        out[i] = interleaved[i * size_t(channels) + size_t(channel)] / 32768.0;
    return out;
}

std::vector<double> channelOf(const std::vector<float>& interleaved, int channels, int channel)
{
    const size_t frames = interleaved.size() / size_t(channels);
    std::vector<double> out(frames);
    for (size_t i = 0; i < frames; ++i) out[i] = interleaved[i * size_t(channels) + size_t(channel)];
    return out;
}

double toneShare(const std::vector<double>& signal, size_t begin, size_t count, double frequency,
                 int sampleRate)
{
    if (begin + count > signal.size() || count == 0) return 0;
    // Goertzel: the power of one DFT bin against the whole signal's.
    const double coefficient = 2 * std::cos(2 * std::numbers::pi * frequency / sampleRate);
    double previous = 0, beforePrevious = 0, energy = 0;
    for (size_t i = begin; i < begin + count; ++i) {
        const double current = signal[i] + coefficient * previous - beforePrevious;
        beforePrevious = previous;
        previous = current;
        energy += signal[i] * signal[i];
    }
    const double power =
        previous * previous + beforePrevious * beforePrevious - coefficient * previous * beforePrevious;
    if (energy <= 0) return 0;
    return 2 * power / (double(count) * energy);
}

double rms(const std::vector<double>& signal, size_t begin, size_t count)
{
    if (begin + count > signal.size() || count == 0) return 0;
    double sum = 0;
    for (size_t i = begin; i < begin + count; ++i) sum += signal[i] * signal[i];
    return std::sqrt(sum / double(count));
}

} // namespace mw::test
