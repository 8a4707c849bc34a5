#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/Geometry.h"

namespace mw {

// What the platform tells about the device the program runs on: the system's
// values by name, the system version, the idiom and screen of the device
// profile, the status-bar orientation, the locale and time zone, and a
// per-device identifier. The desktop reads the real machine; tests install
// a scripted fake. Safe from any thread.
class DeviceFacts {
public:
    // The status-bar orientations, numbered as the phone platform numbers them.
    enum class Orientation : int {
        Portrait = 1,
        PortraitUpsideDown = 2,
        LandscapeRight = 3,
        LandscapeLeft = 4
    };

    // The installed facts (the desktop's unless another was installed).
    static std::shared_ptr<DeviceFacts> sharedInstance();
    // Installs facts, or the desktop's again for null; answers the previous.
    static std::shared_ptr<DeviceFacts> replaceSharedInstance(std::shared_ptr<DeviceFacts> facts);

    virtual ~DeviceFacts() = default;
    // A text value by name ("hw.machine": the hardware model code); empty
    // when the system has no value of that name.
    virtual std::optional<std::string> systemText(const std::string& name) = 0;
    // A number value by name ("hw.physmem" in bytes, "hw.cpufrequency" in Hz).
    virtual std::optional<int64_t> systemNumber(const std::string& name) = 0;
    // The operating system's version text, such as "6.0".
    virtual std::string systemVersion() = 0;
    // Whether the device is a tablet (the pad idiom).
    virtual bool isPadIdiom() = 0;
    // The main screen's size in points, portrait; zero without a screen.
    virtual CGSize screenSize() = 0;
    virtual Orientation statusBarOrientation() = 0;
    // Language and region joined by an underscore, such as "pl_PL".
    virtual std::string localeIdentifier() = 0;
    // The local time zone's name, such as "Europe/Warsaw".
    virtual std::string timeZoneName() = 0;
    // 40 lower-case hexadecimal digits that stay the same for this device and
    // program; they reveal nothing of the machine they were made from.
    virtual std::string deviceIdentifier() = 0;

    // The social client's questions. Each has the desktop's answer here, so
    // that a fake needs to set only what its test asks.
    // The model's name, such as "iPhone" (the desktop's product name).
    virtual std::string modelName();
    // Language codes, most preferred first (from the locale environment).
    virtual std::vector<std::string> preferredLanguages();
    // Whether the program may keep working in the background (always here).
    virtual bool supportsMultitasking() { return true; }
    // Whether text messages can be composed and sent (the desktop cannot).
    virtual bool canSendText() { return false; }
    // A new random UUID in the platform's upper-case 8-4-4-4-12 form.
    virtual std::string randomUUIDString();
};

// The desktop's facts: uname, sysconf and /proc for the system values, the
// current device profile for idiom and screen, the environment for locale
// and time zone, and the SHA-1 of /etc/machine-id and the program's name as
// the identifier. Exposed so tests can check how it reads the environment.
class DesktopDeviceFacts : public DeviceFacts {
public:
    std::optional<std::string> systemText(const std::string& name) override;
    std::optional<int64_t> systemNumber(const std::string& name) override;
    // The kernel release, such as "6.1.0-18-amd64".
    std::string systemVersion() override;
    bool isPadIdiom() override;
    CGSize screenSize() override;
    Orientation statusBarOrientation() override { return Orientation::Portrait; }
    std::string localeIdentifier() override;
    std::string timeZoneName() override;
    std::string deviceIdentifier() override;

    // "pl_PL.UTF-8" -> "pl_PL"; "C", "POSIX", empty -> "en_US".
    static std::string localeFromEnvironmentValue(const std::string& value);
    // The zone name at the end of a zoneinfo path ("/usr/share/zoneinfo/Europe/Warsaw"
    // -> "Europe/Warsaw"); empty when the path names no zone.
    static std::string zoneFromZoneinfoPath(const std::string& path);
};

} // namespace mw
