#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/AudioContainer.h"

namespace mw {

// The layout of decoded samples: interleaved frames of one or two channels.
struct AudioFormat {
    int channels = 0;      // 1 or 2
    int sampleRate = 0;    // hertz, the file's own rate
    int bitsPerSample = 0; // 8: unsigned; 16: signed, native byte order
    int bytesPerFrame() const { return channels * bitsPerSample / 8; }
};

// Which samples a decoder gives.
enum class AudioSampleKind {
    // The file's stored samples, as they are: accepted only when they are
    // uncompressed 8-bit unsigned or 16-bit little-endian PCM (the rule of the
    // phone's plain wave reader); anything else is refused.
    StoredPcm,
    // Anything the decoder reads, converted to 16-bit signed.
    Signed16,
};

// The platform's audio-file decoding: a sound file (WAV, CAF with PCM, IMA4
// or ALAC, AAC in MPEG-4 or ADTS, MP3, Ogg Vorbis) read as PCM frames of its
// own rate, one or two channels. The container is told from the file's first
// bytes (sniffAudioContainer) and only that container's reader and the audio
// codecs the phone knew are used. Files with more than two channels are
// refused.
//
// A decoder is used by one thread at a time. Failures log one line naming
// the file.
class AudioDecoder {
public:
    // Null (logged) when the file cannot be read, is no known container or
    // holds no usable audio stream.
    [[nodiscard]] static std::unique_ptr<AudioDecoder> openFile(const std::string& path,
                                                                AudioSampleKind kind);
    // The same over bytes in memory, which must outlive the decoder;
    // `nameForLog` names them in messages.
    [[nodiscard]] static std::unique_ptr<AudioDecoder>
    openMemory(std::span<const uint8_t> bytes, AudioSampleKind kind, const std::string& nameForLog);
    ~AudioDecoder();
    AudioDecoder(const AudioDecoder&) = delete;
    AudioDecoder& operator=(const AudioDecoder&) = delete;

    const AudioFormat& format() const;
    AudioContainer container() const;
    // Frames the headers announce, or -1 when they do not say; a hint for
    // reserving memory, never trusted for more.
    int64_t announcedFrames() const;

    // Writes up to maxFrames frames to out (maxFrames * bytesPerFrame bytes).
    // Answers the frames written; 0 only at the end of the stream. Packets
    // that do not decode are skipped; a stream that cannot be read further
    // ends there.
    int64_t read(uint8_t* out, int64_t maxFrames);

    // Goes back to the first frame; false (logged) when the file cannot seek.
    bool rewind();

private:
    struct Impl;
    explicit AudioDecoder(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// A whole file decoded.
struct DecodedAudio {
    std::vector<uint8_t> pcm;
    AudioFormat format;
};

// Largest decoded size decodeAudioFile accepts: half an hour of 48 kHz
// stereo, so that a small hostile file cannot claim gigabytes.
constexpr size_t kMaxDecodedAudioBytes = size_t{48000} * 4 * 60 * 30;

// Decodes a whole file. Empty (logged) when it cannot be opened, holds no
// frames or decodes to more than kMaxDecodedAudioBytes.
[[nodiscard]] std::optional<DecodedAudio> decodeAudioFile(const std::string& path, AudioSampleKind kind);
// The same for bytes in memory.
[[nodiscard]] std::optional<DecodedAudio>
decodeAudioMemory(std::span<const uint8_t> bytes, AudioSampleKind kind, const std::string& nameForLog);

} // namespace mw
