#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mw {

// PCM ready for an OpenAL buffer.
struct CDAudioData {
    std::vector<uint8_t> bytes;
    int format = 0;    // kCDFormatMono8 ... kCDFormatStereo16
    int frequency = 0; // hertz
};

// Decodes a sound file for a buffer. A path whose extension is "wav" (in
// any case), or that has none, goes to CDloadWaveAudioData, any other to
// CDloadCafAudioData. Empty (logged) on failure.
[[nodiscard]] std::optional<CDAudioData> CDGetOpenALAudioData(const std::string& path);
// The file's stored samples, accepted only as one or two channels of 8-bit
// unsigned or 16-bit little-endian PCM; a 24-bit or big-endian wave gives
// nothing.
[[nodiscard]] std::optional<CDAudioData> CDloadWaveAudioData(const std::string& path);
// Anything the platform decodes, as 16-bit signed native PCM of one or two
// channels at the file's rate.
[[nodiscard]] std::optional<CDAudioData> CDloadCafAudioData(const std::string& path);

} // namespace mw
