// Feeds arbitrary bytes to the sound decoding layer's front: container
// sniffing, the headers FFmpeg reads for the chosen container, and the first
// frames of both kinds of output (stored PCM and converted 16-bit), with a
// rewind, as the sound engine and the music player use them.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "foundation/Log.h"
#include "platform/AudioContainer.h"
#include "platform/AudioDecoder.h"

namespace {

// Enough to pass the headers and a few packets; not the whole of a long sound.
constexpr int64_t kFramesToRead = 16384;

void decodeSome(std::span<const uint8_t> bytes, mw::AudioSampleKind kind)
{
    std::unique_ptr<mw::AudioDecoder> decoder = mw::AudioDecoder::openMemory(bytes, kind, "fuzz");
    if (!decoder) return;
    const mw::AudioFormat& format = decoder->format();
    const bool sane =
        format.channels >= 1 && format.channels <= 2 && format.sampleRate > 0 &&
        (format.bitsPerSample == 16 || (format.bitsPerSample == 8 && kind == mw::AudioSampleKind::StoredPcm));
    if (!sane) __builtin_trap();
    std::vector<uint8_t> pcm(4096 * size_t(format.bytesPerFrame()));
    for (int pass = 0; pass < 2; ++pass) {
        int64_t total = 0;
        while (total < kFramesToRead) {
            const int64_t frames = decoder->read(pcm.data(), 4096);
            if (frames < 0 || frames > 4096) __builtin_trap();
            if (frames == 0) break;
            total += frames;
        }
        if (!decoder->rewind()) return;
    }
}

bool contains(std::span<const uint8_t> bytes, std::string_view text)
{
    const std::string_view all(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return all.find(text) != std::string_view::npos;
}

// Whether the bytes may hold the 8- or 16-bit PCM that the stored kind takes.
// An MPEG audio or ADTS stream (the only kinds behind ID3 tags) never does; an
// MPEG-4 file only with a PCM sample entry, an Ogg file only with an OGM audio
// header. Elsewhere the stored kind is refused only after the whole opening
// that the 16-bit pass has just run, which for AAC or Vorbis means FFmpeg
// zeroing a few hundred kilobytes of decoder state twice.
bool mayHoldStoredPcm(std::span<const uint8_t> bytes, mw::AudioContainer container, bool tagged)
{
    if (tagged) return false;
    switch (container) {
    case mw::AudioContainer::Mp3:
    case mw::AudioContainer::Adts: return false;
    case mw::AudioContainer::Mpeg4:
        return contains(bytes, "sowt") || contains(bytes, "twos") || contains(bytes, "raw ") ||
               contains(bytes, "lpcm");
    case mw::AudioContainer::Ogg:
        return contains(bytes, "\x01" "audio") || contains(bytes, "\x01" "Direct Show Samples");
    default: return true;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool quiet = [] {
        mw::setLogSink([](const std::string&) {});
        return true;
    }();
    (void)quiet;
    const std::span<const uint8_t> bytes(data, size);
    const mw::AudioContainer container =
        mw::sniffAudioContainer(bytes.first(std::min(size, mw::kAudioSniffBytes)));
    const bool tagged = mw::id3v2TagLength(bytes) > 0;
    if (container == mw::AudioContainer::Unknown && !tagged) return 0;
    decodeSome(bytes, mw::AudioSampleKind::Signed16);
    if (mayHoldStoredPcm(bytes, container, tagged)) decodeSome(bytes, mw::AudioSampleKind::StoredPcm);
    return 0;
}
