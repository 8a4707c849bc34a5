#include "audio/OpenALDevice.h"

#include <AL/al.h>
#include <AL/alext.h>
#include <dlfcn.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <mutex>

#include "foundation/Log.h"

namespace mw {

namespace {

struct Choice {
    bool loopback = false;
    int loopbackRate = 44100;
    std::string deviceName;
};

struct Registry {
    std::mutex mutex;
    Choice choice;
    std::vector<std::weak_ptr<OpenALDevice>> devices;
};

Registry& registry()
{
    static Registry shared;
    return shared;
}

// openal-soft and the ALSA library it loads write their own diagnostics to
// stderr, past the log sink; a machine without a sound card would get a page
// of them at every start. openal-soft keeps quiet when its log level is 0
// (read at its first use, unless the user set one), and ALSA takes a handler.
// This runs during static initialisation, while the process has one thread
// (setenv is not safe beside other threads), and again, doing nothing, at
// the first open.
void ALSAQuiet(const char*, int, const char*, int, const char*, ...) {}

void quietenOpenALOnce()
{
    static std::once_flag once;
    std::call_once(once, [] {
        setenv("ALSOFT_LOGLEVEL", "0", 0);
        if (void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL)) {
            using SetHandler = int (*)(void (*)(const char*, int, const char*, int, const char*, ...));
            if (auto set = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler")))
                set(ALSAQuiet);
            // Kept loaded: openal-soft uses the same library and its handler.
        }
    });
}

[[maybe_unused]] const bool openALQuietened = (quietenOpenALOnce(), true);

void reportSilenceOnce(const char* reason)
{
    static std::atomic<bool> said{false};
    if (!said.exchange(true)) logLine("audio: %s: sound runs silent", reason);
}

ALCdevice* openLoopbackDevice()
{
    auto openLoopback = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(
        alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
    return openLoopback ? openLoopback(nullptr) : nullptr;
}

} // namespace

void OpenALDevice::useSystemOutput(std::string deviceName)
{
    std::lock_guard<std::mutex> lock(registry().mutex);
    registry().choice = Choice{false, 44100, std::move(deviceName)};
}

void OpenALDevice::useLoopback(int sampleRate)
{
    std::lock_guard<std::mutex> lock(registry().mutex);
    registry().choice = Choice{true, sampleRate, {}};
}

std::shared_ptr<OpenALDevice> OpenALDevice::open(int mixerRate)
{
    quietenOpenALOnce();
    Choice choice;
    {
        std::lock_guard<std::mutex> lock(registry().mutex);
        choice = registry().choice;
    }
    ALCdevice* device = choice.loopback
                            ? openLoopbackDevice()
                            : alcOpenDevice(choice.deviceName.empty() ? nullptr : choice.deviceName.c_str());
    if (!device) {
        reportSilenceOnce("no sound device could be opened");
        return nullptr;
    }
    std::vector<ALCint> attributes;
    int rate = mixerRate;
    if (choice.loopback) {
        rate = choice.loopbackRate;
        attributes = {ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT, ALC_FLOAT_SOFT};
    }
    if (rate > 0) attributes.insert(attributes.end(), {ALC_FREQUENCY, rate});
    attributes.push_back(0);
    ALCcontext* context = alcCreateContext(device, attributes.data());
    if (!context) {
        alcCloseDevice(device);
        reportSilenceOnce("the sound device refused a context");
        return nullptr;
    }
    if (rate <= 0) alcGetIntegerv(device, ALC_FREQUENCY, 1, &rate);
    std::shared_ptr<OpenALDevice> opened(new OpenALDevice(device, context, choice.loopback, rate));
    std::lock_guard<std::mutex> lock(registry().mutex);
    auto& devices = registry().devices;
    devices.erase(std::remove_if(devices.begin(), devices.end(), [](auto& d) { return d.expired(); }),
                  devices.end());
    devices.push_back(opened);
    return opened;
}

std::shared_ptr<OpenALDevice> OpenALDevice::current()
{
    ALCcontext* context = alcGetCurrentContext();
    if (!context) return nullptr;
    std::lock_guard<std::mutex> lock(registry().mutex);
    for (const auto& weak : registry().devices) {
        std::shared_ptr<OpenALDevice> device = weak.lock();
        if (device && device->context_ == context) return device;
    }
    return nullptr;
}

OpenALDevice::OpenALDevice(ALCdevice* device, ALCcontext* context, bool loopback, int outputRate)
    : device_(device), context_(context), loopback_(loopback), outputRate_(outputRate)
{
}

OpenALDevice::~OpenALDevice() { close(); }

void OpenALDevice::close()
{
    if (!context_) return;
    if (alcGetCurrentContext() == context_) alcMakeContextCurrent(nullptr);
    alcDestroyContext(context_);
    alcCloseDevice(device_);
    context_ = nullptr;
    device_ = nullptr;
}

bool OpenALDevice::isCurrent() const { return context_ && alcGetCurrentContext() == context_; }

bool OpenALDevice::makeCurrent() { return context_ && alcMakeContextCurrent(context_) == ALC_TRUE; }

std::vector<float> OpenALDevice::render(int frames)
{
    auto renderSamples =
        reinterpret_cast<LPALCRENDERSAMPLESSOFT>(alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
    if (!context_ || !loopback_ || !renderSamples || frames <= 0) return {};
    std::vector<float> samples(size_t(frames) * 2);
    renderSamples(device_, samples.data(), frames);
    return samples;
}

} // namespace mw
