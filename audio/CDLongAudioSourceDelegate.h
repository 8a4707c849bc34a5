#pragma once

namespace mw {

class CDLongAudioSource;

// Told about a long audio source; every operation is optional.
class CDLongAudioSourceDelegate {
public:
    virtual ~CDLongAudioSourceDelegate() = default;
    // The source played its file to the end.
    virtual void cdAudioSourceDidFinishPlaying(CDLongAudioSource* audioSource) {}
    // The source loaded another file.
    virtual void cdAudioSourceFileDidChange(CDLongAudioSource* audioSource) {}
};

} // namespace mw
