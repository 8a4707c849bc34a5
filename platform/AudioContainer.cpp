#include "platform/AudioContainer.h"

#include <cstring>

namespace mw {

namespace {

bool startsWith(std::span<const uint8_t> bytes, size_t offset, const char* magic)
{
    const size_t length = std::strlen(magic);
    return bytes.size() >= offset + length && std::memcmp(bytes.data() + offset, magic, length) == 0;
}

// ---------------------------------------------------------------- MPEG audio

// Bit rates in kbit/s by [MPEG-1?][layer 1..3][index]; index 0 (free format)
// and 15 (forbidden) are refused before the lookup.
constexpr int kMpegBitrates[2][3][15] = {
    {// MPEG-2 and 2.5
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}},
    {// MPEG-1
     {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
};
constexpr int kMpegSampleRates[3] = {44100, 48000, 32000}; // MPEG-1; halved for 2, quartered for 2.5

// What two frames of one stream share; a second frame must agree.
struct FrameKind {
    int version = 0; // bits as stored: 0 MPEG-2.5, 2 MPEG-2, 3 MPEG-1
    int layer = 0;   // 1 to 3
    int rateIndex = 0;
    bool operator==(const FrameKind&) const = default;
};

// Length in bytes of the MPEG audio frame whose header starts at p (4 bytes
// readable), or 0 when it is no valid header.
size_t mpegFrameLength(const uint8_t* p, FrameKind& kind)
{
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return 0;
    const int version = (p[1] >> 3) & 3;
    const int layerBits = (p[1] >> 1) & 3;
    const int bitrateIndex = p[2] >> 4;
    const int rateIndex = (p[2] >> 2) & 3;
    if (version == 1 || layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) return 0;
    const int layer = 4 - layerBits;
    const bool mpeg1 = version == 3;
    const int bitrate = kMpegBitrates[mpeg1][layer - 1][bitrateIndex] * 1000;
    const int sampleRate = kMpegSampleRates[rateIndex] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
    const int padding = (p[2] >> 1) & 1;
    kind = {version, layer, rateIndex};
    if (layer == 1) return static_cast<size_t>((12 * bitrate / sampleRate + padding) * 4);
    const int samplesPerFrame = (layer == 3 && !mpeg1) ? 576 : 1152;
    return static_cast<size_t>(samplesPerFrame / 8 * bitrate / sampleRate + padding);
}

// Length of the ADTS frame whose header starts at p (7 bytes readable), or 0.
size_t adtsFrameLength(const uint8_t* p, FrameKind& kind)
{
    if (p[0] != 0xFF || (p[1] & 0xF6) != 0xF0) return 0; // 12-bit sync, layer 0
    const int rateIndex = (p[2] >> 2) & 0xF;
    if (rateIndex >= 13) return 0;
    const size_t length = (size_t(p[3] & 3) << 11) | (size_t(p[4]) << 3) | (p[5] >> 5);
    const size_t headerLength = (p[1] & 1) ? 7 : 9; // protection absent: no CRC
    if (length < headerLength) return 0;
    kind = {0, 0, rateIndex};
    return length;
}

using FrameParser = size_t (*)(const uint8_t*, FrameKind&);

// A frame at the start whose successor is a frame of the same kind, or whose
// successor lies beyond the bytes.
bool framesConfirm(std::span<const uint8_t> bytes, size_t headerSize, FrameParser parse)
{
    FrameKind first;
    if (bytes.size() < headerSize) return false;
    const size_t next = parse(bytes.data(), first);
    if (next == 0) return false;
    if (bytes.size() < next + headerSize) return true;
    FrameKind second;
    return parse(bytes.data() + next, second) != 0 && second == first;
}

// MPEG audio or ADTS frames at the start of the bytes.
AudioContainer sniffFrames(std::span<const uint8_t> bytes)
{
    if (framesConfirm(bytes, 7, adtsFrameLength)) return AudioContainer::Adts;
    if (framesConfirm(bytes, 4, mpegFrameLength)) return AudioContainer::Mp3;
    return AudioContainer::Unknown;
}

} // namespace

const char* audioContainerName(AudioContainer container)
{
    switch (container) {
    case AudioContainer::Wave: return "WAV";
    case AudioContainer::Caf: return "CAF";
    case AudioContainer::Mpeg4: return "MPEG-4";
    case AudioContainer::Adts: return "ADTS";
    case AudioContainer::Mp3: return "MP3";
    case AudioContainer::Ogg: return "Ogg";
    case AudioContainer::Unknown: break;
    }
    return "unknown";
}

size_t id3v2TagLength(std::span<const uint8_t> head)
{
    if (head.size() < 10 || !startsWith(head, 0, "ID3") || head[3] == 0xFF || head[4] == 0xFF) return 0;
    size_t body = 0;
    for (int i = 6; i < 10; ++i) {
        if (head[i] & 0x80) return 0; // sizes are "sync-safe": seven bits a byte
        body = (body << 7) | head[i];
    }
    const bool footer = (head[5] & 0x10) != 0;
    return 10 + body + (footer ? 10 : 0);
}

AudioContainer sniffAudioContainer(std::span<const uint8_t> head)
{
    // Only little-endian RIFF: the phone read no RIFX, and FFmpeg takes its
    // samples for little-endian ones.
    if (startsWith(head, 0, "RIFF") && startsWith(head, 8, "WAVE")) return AudioContainer::Wave;
    if (startsWith(head, 0, "caff") && head.size() >= 6 && head[4] == 0 && head[5] == 1)
        return AudioContainer::Caf;
    if (startsWith(head, 0, "OggS") && head.size() >= 5 && head[4] == 0) return AudioContainer::Ogg;
    if (startsWith(head, 4, "ftyp")) return AudioContainer::Mpeg4;
    // Tags may follow one another (a file tagged twice).
    size_t offset = 0;
    while (const size_t tag = id3v2TagLength(head.subspan(offset))) {
        offset += tag;
        if (offset >= head.size()) return AudioContainer::Unknown;
    }
    return sniffFrames(head.subspan(offset));
}

} // namespace mw
