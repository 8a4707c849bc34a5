#pragma once

// Scripted stand-ins of the platform's device facts, interface list,
// pasteboards and extended attributes, and a scope that installs them all:
// no test of the analytics client reads the real machine.

#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/DeviceFacts.h"
#include "platform/ExtendedAttributes.h"
#include "platform/NetworkInterfaces.h"
#include "platform/Pasteboard.h"

namespace mw::test {

class ScriptedDeviceFacts : public DeviceFacts {
public:
    std::optional<std::string> systemText(const std::string& name) override
    {
        if (name == "hw.machine") return machine;
        return std::nullopt;
    }
    std::optional<int64_t> systemNumber(const std::string& name) override
    {
        if (name == "hw.physmem") return physicalMemory;
        if (name == "hw.cpufrequency") return cpuFrequency;
        return std::nullopt;
    }
    std::string systemVersion() override { return version; }
    bool isPadIdiom() override { return pad; }
    CGSize screenSize() override { return screen; }
    Orientation statusBarOrientation() override { return orientation; }
    std::string localeIdentifier() override { return locale; }
    std::string timeZoneName() override { return timeZone; }
    std::string deviceIdentifier() override { return identifier; }
    std::string modelName() override { return model; }
    std::vector<std::string> preferredLanguages() override { return languages; }
    bool supportsMultitasking() override { return multitasking; }
    bool canSendText() override { return sendsText; }
    // The scripted UUIDs in turn, then "00000000-0000-4000-8000-<counter>".
    std::string randomUUIDString() override
    {
        if (!uuids.empty()) {
            std::string next = uuids.front();
            uuids.erase(uuids.begin());
            return next;
        }
        char text[40];
        std::snprintf(text, sizeof text, "00000000-0000-4000-8000-%012X", ++uuidCount);
        return text;
    }

    std::optional<std::string> machine = "iPhone4,1";
    std::optional<int64_t> physicalMemory = int64_t(512) * 1048576;
    std::optional<int64_t> cpuFrequency = 800'000'000;
    std::string version = "6.0";
    bool pad = false;
    CGSize screen { 320, 480 };
    Orientation orientation = Orientation::Portrait;
    std::string locale = "pl_PL";
    std::string timeZone = "Europe/Warsaw";
    std::string identifier = "0f1e2d3c4b5a69788796a5b4c3d2e1f00f1e2d3c";
    std::string model = "iPhone";
    std::vector<std::string> languages {"pl", "en"};
    bool multitasking = true;
    bool sendsText = false;
    std::vector<std::string> uuids;
    unsigned uuidCount = 0;
};

class ScriptedNetworkInterfaces : public NetworkInterfaces {
public:
    std::optional<std::vector<InterfaceAddress>> addresses() override { return entries; }

    // Nothing: the list cannot be read.
    std::optional<std::vector<InterfaceAddress>> entries = std::vector<InterfaceAddress> {
        { "lo0", InterfaceAddress::Family::LinkLayer, InterfaceAddress::Type::Other, {} },
        { "en0",
          InterfaceAddress::Family::LinkLayer,
          InterfaceAddress::Type::Ethernet,
          { 0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E } },
    };
};

class MemoryPasteboard : public Pasteboard {
public:
    std::optional<std::vector<uint8_t>> dataForType(const std::string& name, const std::string& type) override
    {
        const auto found = values.find({ name, type });
        if (found == values.end()) return std::nullopt;
        return found->second;
    }
    bool setDataForType(const std::string& name, const std::string& type,
                        const std::vector<uint8_t>& data) override
    {
        ++writes;
        values[{ name, type }] = data;
        return true;
    }

    std::map<std::pair<std::string, std::string>, std::vector<uint8_t>> values; // (pasteboard, type) -> value
    int writes = 0;
};

class RecordingExtendedAttributes : public ExtendedAttributes {
public:
    bool set(const std::string& path, const std::string& name, const std::vector<uint8_t>& value) override
    {
        if (refuses) return false;
        values[{ path, name }] = value;
        return true;
    }
    std::optional<std::vector<uint8_t>> get(const std::string& path, const std::string& name) override
    {
        const auto found = values.find({ path, name });
        if (found == values.end()) return std::nullopt;
        return found->second;
    }

    bool refuses = false; // as a file system without user attributes
    std::map<std::pair<std::string, std::string>, std::vector<uint8_t>> values; // (path, name) -> value
};

// Installs the four stand-ins for the life of a test and puts the previous
// ones back after it.
class ScopedDeviceServices {
public:
    ScopedDeviceServices()
        : previousFacts_(DeviceFacts::replaceSharedInstance(facts))
        , previousInterfaces_(NetworkInterfaces::replaceSharedInstance(interfaces))
        , previousPasteboard_(Pasteboard::replaceSharedInstance(pasteboard))
        , previousAttributes_(ExtendedAttributes::replaceSharedInstance(attributes))
    {
    }
    ~ScopedDeviceServices()
    {
        (void)DeviceFacts::replaceSharedInstance(previousFacts_);
        (void)NetworkInterfaces::replaceSharedInstance(previousInterfaces_);
        (void)Pasteboard::replaceSharedInstance(previousPasteboard_);
        (void)ExtendedAttributes::replaceSharedInstance(previousAttributes_);
    }
    ScopedDeviceServices(const ScopedDeviceServices&) = delete;
    ScopedDeviceServices& operator=(const ScopedDeviceServices&) = delete;

    std::shared_ptr<ScriptedDeviceFacts> facts = std::make_shared<ScriptedDeviceFacts>();
    std::shared_ptr<ScriptedNetworkInterfaces> interfaces = std::make_shared<ScriptedNetworkInterfaces>();
    std::shared_ptr<MemoryPasteboard> pasteboard = std::make_shared<MemoryPasteboard>();
    std::shared_ptr<RecordingExtendedAttributes> attributes = std::make_shared<RecordingExtendedAttributes>();

private:
    std::shared_ptr<DeviceFacts> previousFacts_;
    std::shared_ptr<NetworkInterfaces> previousInterfaces_;
    std::shared_ptr<Pasteboard> previousPasteboard_;
    std::shared_ptr<ExtendedAttributes> previousAttributes_;
};

} // namespace mw::test
