#pragma once

#include <cstdint>

namespace mw {

// Results of effect plays besides an OpenAL source name.
// Nothing was played: the engine is off or not working, the sound is not
// loaded or could not be, or its source group is silenced.
constexpr uint32_t kCDSoundSilent = 0xFEEDBAB;
// No source could be had, or OpenAL refused to play.
constexpr uint32_t kCDSoundNoSource = 0xFEEDFAC;

// Notices of the audio engine (posted with a null object).
// The shared audio manager exists (delivered on the main thread).
inline constexpr const char* kCDN_AudioManagerInitialised = "kCDN_AudioManagerInitialised";
// A play failed while no OpenAL context was current.
inline constexpr const char* kCDN_BadAlContext = "kCDN_BadAlContext";
// An asynchronous buffer load has finished (delivered on the main thread).
inline constexpr const char* kCDN_AsynchLoadComplete = "kCDN_AsynchLoadComplete";

// OpenAL sample formats of decoded sounds.
constexpr int kCDFormatMono8 = 0x1100;
constexpr int kCDFormatMono16 = 0x1101;
constexpr int kCDFormatStereo8 = 0x1102;
constexpr int kCDFormatStereo16 = 0x1103;

// States of an entry of the sound engine's buffer table.
constexpr int kCDBufferEmpty = 0;
constexpr int kCDBufferLoaded = 1;
constexpr int kCDBufferFailed = 2;

// Audio manager modes: what the audio session is set to and whether music
// may play. Any value not listed acts as kCDModeFxPlusMusicIfNoOtherAudio.
enum CDAudioManagerMode : int {
    kCDModeFxOnly = 0,                    // ambient category, no music
    kCDModeFxPlusMusic = 1,               // solo ambient, music
    kCDModeFxPlusMusicIfNoOtherAudio = 2, // music only while no other application plays
    kCDModeMediaPlayback = 3,             // playback category, music
    kCDModePlayAndRecord = 4,             // play-and-record category, music
};

// What the audio manager does to its long sources when the application
// resigns active and becomes active again.
enum CDResignBehavior : int {
    kCDResignDoNothing = 0,
    kCDResignStopAndResume = 1, // stop what plays, resume it on becoming active
    kCDResignStop = 2,          // stop everything, resume nothing
};

// Start-up states of the shared audio manager.
enum CDAudioManagerState : int {
    kCDManagerNotStarted = 0,
    kCDManagerStarting = 1, // asynchronous start requested, not finished
    kCDManagerReady = 2,    // the shared manager exists
};

} // namespace mw
