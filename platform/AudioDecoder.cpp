#include "platform/AudioDecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <mutex>

#include "foundation/Log.h"

namespace mw {

namespace {

// ---------------------------------------------------------------- FFmpeg's messages

// FFmpeg reports a line in pieces; errors go to the log sink whole, the
// chatter below them is dropped.
void forwardFfmpegLog(void* context, int level, const char* fmt, va_list args)
{
    if (level > AV_LOG_ERROR) return;
    thread_local std::string line;
    thread_local int printPrefix = 1;
    char piece[1024];
    av_log_format_line2(context, level, fmt, args, piece, sizeof piece, &printPrefix);
    line += piece;
    if (!line.empty() && line.back() == '\n') {
        line.pop_back();
        logLine("FFmpeg: %s", line.c_str());
        line.clear();
    }
}

void routeFfmpegLog()
{
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_callback(forwardFfmpegLog); });
}

// ---------------------------------------------------------------- byte sources

// Where the container's bytes come from: a file or memory.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Bytes read (0 at the end), or -1 on an error.
    virtual int64_t read(uint8_t* out, int64_t size) = 0;
    // Bytes at offset without moving the read position.
    virtual int64_t readAt(uint8_t* out, int64_t size, int64_t offset) = 0;
    // The new position, or -1.
    virtual int64_t seek(int64_t offset, int whence) = 0;
    virtual int64_t size() = 0;
};

class FileSource : public ByteSource {
public:
    static std::unique_ptr<FileSource> open(const std::string& path)
    {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return nullptr;
        struct stat info {};
        if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            ::close(fd);
            return nullptr;
        }
        return std::unique_ptr<FileSource>(new FileSource(fd, info.st_size));
    }
    ~FileSource() override { ::close(fd_); }

    int64_t read(uint8_t* out, int64_t size) override
    {
        ssize_t n;
        do n = ::read(fd_, out, static_cast<size_t>(size));
        while (n < 0 && errno == EINTR);
        return n;
    }
    int64_t readAt(uint8_t* out, int64_t size, int64_t offset) override
    {
        ssize_t n;
        do n = ::pread(fd_, out, static_cast<size_t>(size), offset);
        while (n < 0 && errno == EINTR);
        return n;
    }
    int64_t seek(int64_t offset, int whence) override { return ::lseek(fd_, offset, whence); }
    int64_t size() override { return size_; }

private:
    FileSource(int fd, int64_t size) : fd_(fd), size_(size) {}
    int fd_;
    int64_t size_;
};

class MemorySource : public ByteSource {
public:
    explicit MemorySource(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    int64_t read(uint8_t* out, int64_t size) override
    {
        const int64_t n = readAt(out, size, position_);
        position_ += n;
        return n;
    }
    int64_t readAt(uint8_t* out, int64_t size, int64_t offset) override
    {
        const int64_t total = static_cast<int64_t>(bytes_.size());
        if (offset < 0 || offset >= total) return 0;
        const int64_t n = std::min(size, total - offset);
        std::memcpy(out, bytes_.data() + offset, static_cast<size_t>(n));
        return n;
    }
    int64_t seek(int64_t offset, int whence) override
    {
        const int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? position_ : size();
        if (base + offset < 0) return -1;
        position_ = base + offset;
        return position_;
    }
    int64_t size() override { return static_cast<int64_t>(bytes_.size()); }

private:
    std::span<const uint8_t> bytes_;
    int64_t position_ = 0;
};

int readForFfmpeg(void* opaque, uint8_t* out, int size)
{
    const int64_t n = static_cast<ByteSource*>(opaque)->read(out, size);
    if (n < 0) return AVERROR(EIO);
    return n == 0 ? AVERROR_EOF : static_cast<int>(n);
}

int64_t seekForFfmpeg(void* opaque, int64_t offset, int whence)
{
    auto* source = static_cast<ByteSource*>(opaque);
    if (whence & AVSEEK_SIZE) return source->size();
    return source->seek(offset, whence & ~AVSEEK_FORCE);
}

// ---------------------------------------------------------------- what is read

// The one FFmpeg reader for each container.
const char* demuxerFor(AudioContainer container)
{
    switch (container) {
    case AudioContainer::Wave: return "wav";
    case AudioContainer::Caf: return "caf";
    case AudioContainer::Mpeg4: return "mov";
    case AudioContainer::Adts: return "aac";
    case AudioContainer::Mp3: return "mp3";
    case AudioContainer::Ogg: return "ogg";
    case AudioContainer::Unknown: break;
    }
    return nullptr;
}

// The codecs the phone decoded, by FFmpeg's decoder names.
constexpr const char* kDecoderNames =
    "pcm_u8,pcm_s8,pcm_s16le,pcm_s16be,pcm_s24le,pcm_s24be,pcm_s32le,pcm_s32be,pcm_f32le,pcm_f32be,"
    "pcm_f64le,pcm_f64be,pcm_alaw,pcm_mulaw,adpcm_ima_qt,adpcm_ima_wav,adpcm_ms,alac,aac,aac_fixed,"
    "mp1,mp1float,mp2,mp2float,mp3,mp3float,vorbis";

bool knownCodec(const AVCodec* codec)
{
    if (!codec) return false;
    const size_t length = std::strlen(codec->name);
    for (const char* p = kDecoderNames; *p;) {
        const char* end = std::strchr(p, ',');
        const size_t itemLength = end ? size_t(end - p) : std::strlen(p);
        if (itemLength == length && std::memcmp(p, codec->name, length) == 0) return true;
        if (!end) break;
        p = end + 1;
    }
    return false;
}

constexpr int kIoBufferSize = 64 * 1024;
// More tags than this before the sound make no sound file.
constexpr int kMaxLeadingTags = 16;
constexpr int kMaxSampleRate = 384000;

std::string ffmpegError(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

} // namespace

// ---------------------------------------------------------------- decoder

struct AudioDecoder::Impl {
    std::string name;
    std::unique_ptr<ByteSource> source;
    AudioContainer container = AudioContainer::Unknown;
    AudioSampleKind kind = AudioSampleKind::Signed16;
    AudioFormat format;
    AVSampleFormat outputFormat = AV_SAMPLE_FMT_S16;
    int64_t announcedFrames = -1;

    AVIOContext* io = nullptr;
    AVFormatContext* demuxer = nullptr;
    AVCodecContext* codec = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    int streamIndex = -1;

    // Converter for frames whose layout differs from the output, rebuilt
    // when the frames' layout changes.
    SwrContext* converter = nullptr;
    AVSampleFormat converterInFormat = AV_SAMPLE_FMT_NONE;
    int converterInRate = 0;
    AVChannelLayout converterInLayout{};

    // Converted frames not yet handed out.
    std::vector<uint8_t> pending;
    size_t pendingOffset = 0;
    bool inputEnded = false;
    bool decoderEnded = false;

    ~Impl()
    {
        swr_free(&converter);
        av_channel_layout_uninit(&converterInLayout);
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        avformat_close_input(&demuxer);
        if (io) av_freep(&io->buffer);
        avio_context_free(&io);
    }

    bool fail(const std::string& reason)
    {
        logLine("AudioDecoder: cannot decode %s: %s", name.c_str(), reason.c_str());
        return false;
    }

    bool open();
    bool openStream();
    bool receiveFrame();
    bool prepareConversion(int64_t& bound);
    int64_t convertFrame(uint8_t* dest, int64_t bound);
    void flushConverter();
    bool setUpConverter();
};

bool AudioDecoder::Impl::open()
{
    routeFfmpegLog();
    // ID3v2 tags before MPEG audio or ADTS frames, however long, one after another.
    int64_t tags = 0;
    for (int count = 0; count < kMaxLeadingTags; ++count) {
        uint8_t header[10];
        if (source->readAt(header, sizeof header, tags) != int64_t(sizeof header)) break;
        const size_t tag = id3v2TagLength(header);
        if (tag == 0) break;
        tags += int64_t(tag);
    }
    uint8_t head[kAudioSniffBytes];
    const int64_t headSize = source->readAt(head, sizeof head, tags);
    if (headSize <= 0) return fail(headSize < 0 ? "unreadable" : tags > 0 ? "tags and no sound" : "empty file");
    container = sniffAudioContainer(std::span<const uint8_t>(head, size_t(headSize)));
    if (tags > 0 && container != AudioContainer::Mp3 && container != AudioContainer::Adts)
        container = AudioContainer::Unknown;
    if (container == AudioContainer::Unknown) return fail("not a sound file of a known kind");
    return openStream();
}

bool AudioDecoder::Impl::openStream()
{
    const char* demuxerName = demuxerFor(container);
    auto* ioBuffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
    io = ioBuffer ? avio_alloc_context(ioBuffer, kIoBufferSize, 0, source.get(), readForFfmpeg, nullptr,
                                       seekForFfmpeg)
                  : nullptr;
    if (!io) {
        av_free(ioBuffer);
        return fail("out of memory");
    }
    demuxer = avformat_alloc_context();
    if (!demuxer) return fail("out of memory");
    demuxer->pb = io;
    demuxer->flags |= AVFMT_FLAG_CUSTOM_IO;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "format_whitelist", demuxerName, 0);
    av_dict_set(&options, "codec_whitelist", kDecoderNames, 0);
    int status = avformat_open_input(&demuxer, nullptr, av_find_input_format(demuxerName), &options);
    av_dict_free(&options);
    if (status < 0) {
        // avformat_open_input frees the context on failure.
        return fail(std::string("unreadable ") + audioContainerName(container) + " (" + ffmpegError(status) +
                    ")");
    }
    status = avformat_find_stream_info(demuxer, nullptr);
    if (status < 0) return fail("no stream information (" + ffmpegError(status) + ")");

    const AVCodec* decoder = nullptr;
    streamIndex = av_find_best_stream(demuxer, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (streamIndex < 0) return fail("no audio stream");
    const AVStream* stream = demuxer->streams[streamIndex];
    const AVCodecParameters* parameters = stream->codecpar;
    if (!knownCodec(decoder)) return fail("an unsupported audio encoding");
    const int channels = parameters->ch_layout.nb_channels;
    if (channels < 1 || channels > 2) return fail(std::to_string(channels) + " channels (one or two wanted)");
    if (parameters->sample_rate < 1 || parameters->sample_rate > kMaxSampleRate)
        return fail("a sample rate of " + std::to_string(parameters->sample_rate) + " Hz");

    if (kind == AudioSampleKind::StoredPcm) {
        if (parameters->codec_id == AV_CODEC_ID_PCM_U8) {
            outputFormat = AV_SAMPLE_FMT_U8;
        } else if (parameters->codec_id == AV_CODEC_ID_PCM_S16LE) {
            outputFormat = AV_SAMPLE_FMT_S16;
        } else {
            return fail("stored samples that are not 8-bit or 16-bit little-endian PCM");
        }
    }
    format.channels = channels;
    format.sampleRate = parameters->sample_rate;
    format.bitsPerSample = outputFormat == AV_SAMPLE_FMT_U8 ? 8 : 16;
    if (stream->duration > 0) {
        announcedFrames = av_rescale_q(stream->duration, stream->time_base, AVRational{1, format.sampleRate});
    } else if (demuxer->duration > 0) {
        announcedFrames = av_rescale(demuxer->duration, format.sampleRate, AV_TIME_BASE);
    }

    codec = avcodec_alloc_context3(decoder);
    if (!codec) return fail("out of memory");
    status = avcodec_parameters_to_context(codec, parameters);
    if (status >= 0) {
        codec->pkt_timebase = stream->time_base;
        status = avcodec_open2(codec, decoder, nullptr);
    }
    if (status < 0) return fail("the decoder refused the stream (" + ffmpegError(status) + ")");
    packet = av_packet_alloc();
    frame = av_frame_alloc();
    if (!packet || !frame) return fail("out of memory");
    return true;
}

// Decodes the next frame into `frame`; false at the end of the stream.
bool AudioDecoder::Impl::receiveFrame()
{
    for (;;) {
        const int received = avcodec_receive_frame(codec, frame);
        if (received == 0) {
            if (frame->nb_samples > 0) return true;
            av_frame_unref(frame);
            continue;
        }
        // The end, or a decoder that cannot go on: the stream ends there.
        if (received != AVERROR(EAGAIN) || inputEnded) return false;
        if (av_read_frame(demuxer, packet) < 0) {
            inputEnded = true;
            avcodec_send_packet(codec, nullptr); // drains the decoder
            continue;
        }
        if (packet->stream_index == streamIndex) {
            // A packet that does not decode is skipped, as players do.
            avcodec_send_packet(codec, packet);
        }
        av_packet_unref(packet);
    }
}

// Readies the conversion of the received frame; false when it cannot be
// converted. Answers through `bound` the most frames it gives.
bool AudioDecoder::Impl::prepareConversion(int64_t& bound)
{
    const bool asOutput = frame->format == outputFormat && frame->ch_layout.nb_channels == format.channels &&
                          frame->sample_rate == format.sampleRate;
    if (asOutput) {
        bound = frame->nb_samples;
        return true;
    }
    if (kind == AudioSampleKind::StoredPcm) return false; // stored samples are never converted
    if (!setUpConverter()) return false;
    bound = swr_get_out_samples(converter, frame->nb_samples);
    return bound >= 0;
}

// Writes the received frame, converted, to dest (room for `bound` frames);
// answers the frames written, or -1.
int64_t AudioDecoder::Impl::convertFrame(uint8_t* dest, int64_t bound)
{
    if (frame->format == outputFormat && frame->ch_layout.nb_channels == format.channels &&
        frame->sample_rate == format.sampleRate) {
        std::memcpy(dest, frame->data[0], size_t(frame->nb_samples) * size_t(format.bytesPerFrame()));
        return frame->nb_samples;
    }
    return swr_convert(converter, &dest, int(bound), const_cast<const uint8_t**>(frame->extended_data),
                       frame->nb_samples);
}

// At the end of the stream: what a resampling converter still holds goes to
// pending.
void AudioDecoder::Impl::flushConverter()
{
    if (!converter || converterInRate == format.sampleRate) return;
    const int bound = swr_get_out_samples(converter, 0);
    if (bound <= 0) return;
    pending.resize(size_t(bound) * size_t(format.bytesPerFrame()));
    pendingOffset = 0;
    uint8_t* dest = pending.data();
    const int flushed = swr_convert(converter, &dest, bound, nullptr, 0);
    pending.resize(size_t(std::max(flushed, 0)) * size_t(format.bytesPerFrame()));
}

bool AudioDecoder::Impl::setUpConverter()
{
    AVChannelLayout inLayout{};
    if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
        av_channel_layout_default(&inLayout, frame->ch_layout.nb_channels);
    } else if (av_channel_layout_copy(&inLayout, &frame->ch_layout) < 0) {
        return false;
    }
    const bool same = converter && converterInFormat == frame->format &&
                      converterInRate == frame->sample_rate &&
                      av_channel_layout_compare(&converterInLayout, &inLayout) == 0;
    if (same) {
        av_channel_layout_uninit(&inLayout);
        return true;
    }
    swr_free(&converter);
    av_channel_layout_uninit(&converterInLayout);
    converterInLayout = inLayout;
    converterInFormat = static_cast<AVSampleFormat>(frame->format);
    converterInRate = frame->sample_rate;
    AVChannelLayout outLayout{};
    av_channel_layout_default(&outLayout, format.channels);
    const int status =
        swr_alloc_set_opts2(&converter, &outLayout, outputFormat, format.sampleRate, &converterInLayout,
                            converterInFormat, converterInRate, 0, nullptr);
    av_channel_layout_uninit(&outLayout);
    if (status < 0 || swr_init(converter) < 0) {
        swr_free(&converter);
        return false;
    }
    return true;
}

AudioDecoder::AudioDecoder(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

AudioDecoder::~AudioDecoder() = default;

std::unique_ptr<AudioDecoder> AudioDecoder::openFile(const std::string& path, AudioSampleKind kind)
{
    auto impl = std::make_unique<Impl>();
    impl->name = path;
    impl->kind = kind;
    impl->source = FileSource::open(path);
    if (!impl->source) {
        impl->fail(std::strerror(errno));
        return nullptr;
    }
    if (!impl->open()) return nullptr;
    return std::unique_ptr<AudioDecoder>(new AudioDecoder(std::move(impl)));
}

std::unique_ptr<AudioDecoder> AudioDecoder::openMemory(std::span<const uint8_t> bytes, AudioSampleKind kind,
                                                       const std::string& nameForLog)
{
    auto impl = std::make_unique<Impl>();
    impl->name = nameForLog;
    impl->kind = kind;
    impl->source = std::make_unique<MemorySource>(bytes);
    if (!impl->open()) return nullptr;
    return std::unique_ptr<AudioDecoder>(new AudioDecoder(std::move(impl)));
}

const AudioFormat& AudioDecoder::format() const { return impl_->format; }

AudioContainer AudioDecoder::container() const { return impl_->container; }

int64_t AudioDecoder::announcedFrames() const { return impl_->announcedFrames; }

int64_t AudioDecoder::read(uint8_t* out, int64_t maxFrames)
{
    Impl& d = *impl_;
    const size_t frameBytes = size_t(d.format.bytesPerFrame());
    int64_t written = 0;
    while (written < maxFrames) {
        if (d.pendingOffset < d.pending.size()) {
            const int64_t available = int64_t((d.pending.size() - d.pendingOffset) / frameBytes);
            const int64_t n = std::min(available, maxFrames - written);
            std::memcpy(out + size_t(written) * frameBytes, d.pending.data() + d.pendingOffset,
                        size_t(n) * frameBytes);
            d.pendingOffset += size_t(n) * frameBytes;
            written += n;
            continue;
        }
        if (d.decoderEnded) break;
        if (!d.receiveFrame()) {
            d.decoderEnded = true;
            d.flushConverter();
            continue;
        }
        int64_t bound = 0;
        if (!d.prepareConversion(bound)) {
            av_frame_unref(d.frame);
            d.decoderEnded = true;
            break;
        }
        // Straight into the caller's memory when the frame fits; the rest of
        // one that does not waits in pending for the next read.
        const bool direct = bound <= maxFrames - written;
        if (!direct) {
            d.pending.resize(size_t(bound) * frameBytes);
            d.pendingOffset = 0;
        }
        uint8_t* dest = direct ? out + size_t(written) * frameBytes : d.pending.data();
        const int64_t converted = d.convertFrame(dest, bound);
        av_frame_unref(d.frame);
        if (converted < 0) {
            d.pending.clear();
            d.decoderEnded = true;
            break;
        }
        if (direct) {
            written += converted;
        } else {
            d.pending.resize(size_t(converted) * frameBytes);
        }
    }
    return written;
}

bool AudioDecoder::rewind()
{
    Impl& d = *impl_;
    const int status = av_seek_frame(d.demuxer, d.streamIndex, 0, AVSEEK_FLAG_BACKWARD);
    if (status < 0) return d.fail("cannot go back to the start (" + ffmpegError(status) + ")");
    avcodec_flush_buffers(d.codec);
    if (d.converter) swr_init(d.converter); // drops what it held
    d.pending.clear();
    d.pendingOffset = 0;
    d.inputEnded = false;
    d.decoderEnded = false;
    return true;
}

// ---------------------------------------------------------------- whole files

namespace {

std::optional<DecodedAudio> decodeAll(std::unique_ptr<AudioDecoder> decoder, const std::string& name)
{
    if (!decoder) return std::nullopt;
    DecodedAudio result;
    result.format = decoder->format();
    const size_t frameBytes = size_t(result.format.bytesPerFrame());
    constexpr size_t kReserveLimit = size_t{64} << 20; // a hint from headers is never trusted further
    if (decoder->announcedFrames() > 0)
        result.pcm.reserve(std::min(size_t(decoder->announcedFrames()) * frameBytes, kReserveLimit));
    constexpr int64_t kChunkFrames = 16384;
    for (;;) {
        const size_t used = result.pcm.size();
        if (used + size_t(kChunkFrames) * frameBytes > result.pcm.capacity())
            result.pcm.reserve(std::max(result.pcm.capacity() * 2, used + size_t(kChunkFrames) * frameBytes));
        result.pcm.resize(used + size_t(kChunkFrames) * frameBytes);
        const int64_t frames = decoder->read(result.pcm.data() + used, kChunkFrames);
        result.pcm.resize(used + size_t(frames) * frameBytes);
        if (frames == 0) break;
        if (result.pcm.size() > kMaxDecodedAudioBytes) {
            logLine("AudioDecoder: cannot decode %s: longer than half an hour", name.c_str());
            return std::nullopt;
        }
    }
    if (result.pcm.empty()) {
        logLine("AudioDecoder: cannot decode %s: no audio frames", name.c_str());
        return std::nullopt;
    }
    return result;
}

} // namespace

std::optional<DecodedAudio> decodeAudioFile(const std::string& path, AudioSampleKind kind)
{
    return decodeAll(AudioDecoder::openFile(path, kind), path);
}

std::optional<DecodedAudio> decodeAudioMemory(std::span<const uint8_t> bytes, AudioSampleKind kind,
                                              const std::string& nameForLog)
{
    return decodeAll(AudioDecoder::openMemory(bytes, kind, nameForLog), nameForLog);
}

} // namespace mw
