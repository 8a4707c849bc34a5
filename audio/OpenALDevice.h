#pragma once

#include <AL/alc.h>

#include <memory>
#include <string>
#include <vector>

namespace mw {

// One opened OpenAL device with its context, and the choice of which device
// sound engines open.
//
// The game opens the system's default output. Tests and benchmarks choose
// openal-soft's loopback device instead: it needs no sound card, renders only
// when asked (render()), faster than real time, and gives the same samples
// every run. openal-soft has no fallback of its own: where no device opens,
// open() says once per process that sound runs silent.
//
// A device is shared by the engine that opened it and the players that made
// sound on its context; close() (the engine's shutdown) ends the OpenAL
// objects of all of them, whoever still holds the device.
class OpenALDevice {
public:
    // Devices opened from now on are the system's output: the default device,
    // or the one named (openal-soft's device names).
    static void useSystemOutput(std::string deviceName = {});
    // Devices opened from now on are loopback devices rendering stereo 32-bit
    // float at sampleRate, whatever mixer rate the opener asks for. A rate
    // the device refuses (below 8000 Hz) makes the context fail.
    static void useLoopback(int sampleRate);

    // Opens a device of the current choice and makes a context on it (at
    // mixerRate; 0 leaves the device's own rate). Null, with one line logged
    // once per process, when no device opens or it refuses a context.
    static std::shared_ptr<OpenALDevice> open(int mixerRate);
    // The open device whose context is current, or null.
    static std::shared_ptr<OpenALDevice> current();

    ~OpenALDevice();
    OpenALDevice(const OpenALDevice&) = delete;
    OpenALDevice& operator=(const OpenALDevice&) = delete;

    // Destroys the context (leaving no context current if it was) and closes
    // the device; the OpenAL objects made on it go with it. Idempotent.
    void close();
    bool isOpen() const { return context_ != nullptr; }
    // Open and its context is the current one.
    bool isCurrent() const;
    // Makes the context current; false when closed or refused.
    bool makeCurrent();

    ALCdevice* device() const { return device_; }
    ALCcontext* context() const { return context_; }
    bool isLoopback() const { return loopback_; }
    int outputRate() const { return outputRate_; }

    // Mixes the next frames of a loopback device: 2 * frames floats, left
    // then right. Empty for a device that is closed or not a loopback one.
    std::vector<float> render(int frames);

private:
    OpenALDevice(ALCdevice* device, ALCcontext* context, bool loopback, int outputRate);

    ALCdevice* device_;
    ALCcontext* context_;
    bool loopback_;
    int outputRate_;
};

} // namespace mw
