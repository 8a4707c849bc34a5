#include "platform/DeviceFacts.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <random>
#include <sstream>

#include "platform/DeviceProfile.h"
#include "platform/PreferredLanguages.h"
#include "platform/Sha1.h"

namespace mw {

namespace {

std::mutex gLock;
std::shared_ptr<DeviceFacts>& installed()
{
    static std::shared_ptr<DeviceFacts> facts = std::make_shared<DesktopDeviceFacts>();
    return facts;
}

std::string environmentValue(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string firstLineOf(const char* path)
{
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    return line;
}

std::optional<int64_t> cpuFrequencyHz()
{
    const std::string maxKHz = firstLineOf("/sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq");
    if (!maxKHz.empty()) return std::strtoll(maxKHz.c_str(), nullptr, 10) * 1000;
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    while (std::getline(cpuinfo, line)) {
        if (line.rfind("cpu MHz", 0) != 0) continue;
        const size_t colon = line.find(':');
        if (colon == std::string::npos) break;
        std::istringstream number(line.substr(colon + 1));
        number.imbue(std::locale::classic());
        double mhz = 0;
        if (number >> mhz) return static_cast<int64_t>(mhz * 1e6);
        break;
    }
    return std::nullopt;
}

} // namespace

std::shared_ptr<DeviceFacts> DeviceFacts::sharedInstance()
{
    std::lock_guard<std::mutex> guard(gLock);
    return installed();
}

std::shared_ptr<DeviceFacts> DeviceFacts::replaceSharedInstance(std::shared_ptr<DeviceFacts> facts)
{
    std::lock_guard<std::mutex> guard(gLock);
    if (!facts) facts = std::make_shared<DesktopDeviceFacts>();
    std::swap(facts, installed());
    return facts;
}

std::optional<std::string> DesktopDeviceFacts::systemText(const std::string& name)
{
    if (name != "hw.machine") return std::nullopt;
    utsname system {};
    if (uname(&system) != 0) return std::nullopt;
    return std::string(system.machine);
}

std::optional<int64_t> DesktopDeviceFacts::systemNumber(const std::string& name)
{
    if (name == "hw.physmem") {
        const long pages = sysconf(_SC_PHYS_PAGES);
        const long pageSize = sysconf(_SC_PAGESIZE);
        if (pages <= 0 || pageSize <= 0) return std::nullopt;
        return static_cast<int64_t>(pages) * pageSize;
    }
    if (name == "hw.cpufrequency") return cpuFrequencyHz();
    return std::nullopt;
}

bool DesktopDeviceFacts::isPadIdiom() { return DeviceProfile::current().isTablet; }

CGSize DesktopDeviceFacts::screenSize() { return DeviceProfile::current().pointSize; }

std::string DesktopDeviceFacts::localeFromEnvironmentValue(const std::string& value)
{
    std::string identifier = value.substr(0, value.find_first_of(".@"));
    if (identifier.empty() || identifier == "C" || identifier == "POSIX") return "en_US";
    return identifier;
}

std::string DesktopDeviceFacts::localeIdentifier()
{
    for (const char* name : { "LC_ALL", "LC_MESSAGES", "LANG" }) {
        const std::string value = environmentValue(name);
        if (!value.empty()) return localeFromEnvironmentValue(value);
    }
    return "en_US";
}

std::string DesktopDeviceFacts::zoneFromZoneinfoPath(const std::string& path)
{
    static const std::string kMarker = "zoneinfo/";
    const size_t at = path.rfind(kMarker);
    if (at == std::string::npos) return std::string();
    std::string zone = path.substr(at + kMarker.size());
    // The "posix/" and "right/" trees hold the same zones under other rules.
    for (const char* tree : { "posix/", "right/" }) {
        if (zone.rfind(tree, 0) == 0) zone = zone.substr(std::char_traits<char>::length(tree));
    }
    return zone;
}

std::string DesktopDeviceFacts::timeZoneName()
{
    std::string tz = environmentValue("TZ");
    if (!tz.empty() && tz.front() == ':') tz.erase(0, 1);
    if (!tz.empty()) {
        if (tz.front() != '/') return tz;
        const std::string zone = zoneFromZoneinfoPath(tz);
        if (!zone.empty()) return zone;
    }
    char target[PATH_MAX] = {};
    const ssize_t length = readlink("/etc/localtime", target, sizeof target - 1);
    if (length > 0) {
        const std::string zone = zoneFromZoneinfoPath(std::string(target, static_cast<size_t>(length)));
        if (!zone.empty()) return zone;
    }
    return "UTC";
}

std::string DesktopDeviceFacts::deviceIdentifier()
{
    static const std::string identifier = [] {
        std::string machine = firstLineOf("/etc/machine-id");
        if (machine.empty()) machine = firstLineOf("/var/lib/dbus/machine-id");
        return Sha1::hex(Sha1::digest(machine + "Mosswick"));
    }();
    return identifier;
}

std::string DesktopDeviceFacts::systemVersion()
{
    utsname system {};
    if (uname(&system) != 0) return std::string();
    return std::string(system.release);
}

std::string DeviceFacts::modelName()
{
    std::string product = firstLineOf("/sys/class/dmi/id/product_name");
    return product.empty() ? std::string("Desktop") : product;
}

std::vector<std::string> DeviceFacts::preferredLanguages() { return mw::preferredLanguages(); }

std::string DeviceFacts::randomUUIDString()
{
    // Version 4: 122 random bits, the version nibble 4 and the variant bits 10.
    static std::mutex lock;
    static std::random_device device;
    uint8_t bytes[16];
    {
        std::lock_guard guard(lock);
        for (size_t index = 0; index < sizeof bytes; index += 4) {
            const uint32_t word = device();
            for (size_t part = 0; part < 4; ++part) bytes[index + part] = uint8_t(word >> (8 * part));
        }
    }
    bytes[6] = uint8_t((bytes[6] & 0x0F) | 0x40);
    bytes[8] = uint8_t((bytes[8] & 0x3F) | 0x80);
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(36);
    for (size_t index = 0; index < sizeof bytes; ++index) {
        if (index == 4 || index == 6 || index == 8 || index == 10) text += '-';
        text += digits[bytes[index] >> 4];
        text += digits[bytes[index] & 0x0F];
    }
    return text;
}

} // namespace mw
