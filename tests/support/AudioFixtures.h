#pragma once

// Sound fixtures made on the spot (never downloaded): sine tones written as
// WAV and CAF by hand, or encoded by FFmpeg's own encoders into the other
// containers; and the measures tests take of decoded or rendered sound.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mw::test {

// Interleaved 16-bit samples of a sine tone (the same in every channel).
std::vector<int16_t> sineTone(double frequency, int sampleRate, int channels, double seconds,
                              double amplitude = 0.5);

// A WAV file of the samples: 8 (unsigned), 16 or 24 bits; bigEndian writes
// the RIFX variant.
std::vector<uint8_t> waveFile(const std::vector<int16_t>& samples, int channels, int sampleRate, int bits,
                              bool bigEndian = false);
// A CAF file of 16-bit linear PCM, little- or big-endian.
std::vector<uint8_t> cafPcmFile(const std::vector<int16_t>& samples, int channels, int sampleRate,
                                bool littleEndian);

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> readFile(const std::string& path);

// One way FFmpeg can encode a sound file.
struct EncodedFormat {
    const char* name;    // for messages: "AAC in M4A"
    const char* muxer;   // FFmpeg's muxer: "ipod", "adts", "mp3", "ogg", "caf"
    const char* encoder; // FFmpeg's encoder: "aac", "libmp3lame", "libvorbis", "alac", "adpcm_ima_qt"
    const char* extension;
};

// The encoded formats the phone read besides WAV and PCM CAF.
const std::vector<EncodedFormat>& encodedFormats();

// Encodes the samples into a file, bit-exactly (the same bytes every run).
// Empty on success, else why not: a missing encoder or muxer is a reason to
// skip, anything else a failure.
std::string encodeToneFile(const std::string& path, const EncodedFormat& format,
                           const std::vector<int16_t>& samples, int channels, int sampleRate);

// One channel of interleaved samples, as doubles (16-bit scaled to -1..1).
std::vector<double> channelOf(const int16_t* interleaved, size_t frames, int channels, int channel);
std::vector<double> channelOf(const std::vector<float>& interleaved, int channels, int channel);

// The share (0 to 1) of the signal's power at the frequency over count
// samples from begin; pick count so that it spans whole periods.
double toneShare(const std::vector<double>& signal, size_t begin, size_t count, double frequency,
                 int sampleRate);
double rms(const std::vector<double>& signal, size_t begin, size_t count);

} // namespace mw::test
