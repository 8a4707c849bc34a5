#include "audio/CDAudioData.h"

#include <algorithm>
#include <cctype>

#include "audio/CDAudioConstants.h"
#include "platform/AudioDecoder.h"

namespace mw {

namespace {

std::optional<CDAudioData> decode(const std::string& path, AudioSampleKind kind)
{
    std::optional<DecodedAudio> decoded = decodeAudioFile(path, kind);
    if (!decoded) return std::nullopt;
    const bool stereo = decoded->format.channels > 1;
    CDAudioData data;
    if (decoded->format.bitsPerSample == 8) {
        data.format = stereo ? kCDFormatStereo8 : kCDFormatMono8;
    } else {
        data.format = stereo ? kCDFormatStereo16 : kCDFormatMono16;
    }
    data.frequency = decoded->format.sampleRate;
    data.bytes = std::move(decoded->pcm);
    return data;
}

// The extension of the last path component, lower-cased; empty for none.
std::string extensionOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return extension;
}

} // namespace

std::optional<CDAudioData> CDGetOpenALAudioData(const std::string& path)
{
    const std::string extension = extensionOf(path);
    if (extension.empty() || extension == "wav") return CDloadWaveAudioData(path);
    return CDloadCafAudioData(path);
}

std::optional<CDAudioData> CDloadWaveAudioData(const std::string& path)
{
    return decode(path, AudioSampleKind::StoredPcm);
}

std::optional<CDAudioData> CDloadCafAudioData(const std::string& path)
{
    return decode(path, AudioSampleKind::Signed16);
}

} // namespace mw
