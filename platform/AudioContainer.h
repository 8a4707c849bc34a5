#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace mw {

// The sound-file containers the decoder reads: the formats the phone decoded.
enum class AudioContainer {
    Unknown,
    Wave,  // RIFF "WAVE"
    Caf,   // Core Audio Format, version 1
    Mpeg4, // MPEG-4 / M4A (AAC, ALAC)
    Adts,  // raw AAC in ADTS frames
    Mp3,   // MPEG audio layers I to III
    Ogg,   // Ogg (Vorbis)
};

// A short name for messages ("WAV", "CAF", ...).
const char* audioContainerName(AudioContainer container);

// Bytes from the start of a file that sniffAudioContainer needs to decide.
constexpr size_t kAudioSniffBytes = 4096;

// Length of an ID3v2 tag (header, body and footer) at the start of the
// bytes, or 0 when there is none. MP3 and ADTS files may begin with one.
size_t id3v2TagLength(std::span<const uint8_t> head);

// Tells the container from the first bytes of a file (up to
// kAudioSniffBytes; fewer when the file is shorter). Containers with a magic
// number are told by it; MPEG audio and ADTS need two consecutive valid frame
// headers (one when the bytes end after the first frame), found at the start
// or after ID3v2 tags that lie inside the bytes. Tags reaching past the bytes
// give Unknown: sniff the bytes after them instead.
AudioContainer sniffAudioContainer(std::span<const uint8_t> head);

} // namespace mw
