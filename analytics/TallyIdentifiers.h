#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Value.h"
#include "platform/Sha1.h"

namespace mw {

// The four ways the analytics report names the device, and the device facts
// it carries: the phone identifier, two SHA-1 digests of the Wi-Fi
// interface's hardware address, and a random identifier kept with a checksum
// on a persistent pasteboard that the programs of the device share. Every
// operation may run on any thread.
class TallyIdentifiers {
public:
    // The pasteboard and type that keep the shared identifier.
    static constexpr const char* kPasteboardName = "com.tally.pasteboard";
    static constexpr const char* kPasteboardType = "com.tally.UID";
    // The stored form: the 38-character identifier and 8 hexadecimal digits.
    static constexpr size_t kStoredLength = 46;
    static constexpr size_t kIdentifierLength = 38;

    // What was found on the pasteboard.
    enum Status : uint8_t { NothingStored = 1, Valid = 2, WrongChecksum = 3, WrongLength = 4 };

    // The hardware model code ("hw.machine"); empty when the system has none.
    static std::string devicePlatform();
    // Whole MiB of memory, from the 32-bit "hw.physmem".
    static int deviceMemory();
    // Hz, from the 32-bit "hw.cpufrequency".
    static int deviceCPUFrequency();

    // "IPHONE" followed by the platform's per-device identifier.
    static std::string phoneID();
    // SHA-1 of the phone identifier.
    static Sha1::Digest tallyID();
    static Sha1::Digest hashData(std::string_view bytes) { return Sha1::digest(bytes); }
    static std::string hashDataToHexString(const uint8_t* bytes, size_t count)
    {
        return Sha1::hex(bytes, count);
    }

    // The link-layer address of the named Ethernet interface as upper-case
    // hexadecimal pairs joined by ":" (one pair per byte, however many);
    // empty when there is no such interface or no interface list.
    static std::string macAddressText(const std::string& interfaceName);
    // SHA-1 of "IPHONE", the "en0" address text and the platform, joined.
    static Sha1::Digest getMACBasedUID();
    // SHA-1 of the "en0" address text.
    static Sha1::Digest getMACUID();

    // A new random UUID (version 4, drawn from the program's random source)
    // in upper-case 8-4-4-4-12 form.
    static std::string generateCFUUID();
    // "ID" followed by a new UUID: 38 characters.
    static std::string generateCFUUIDBasedUID();
    // The checksum of the text's UTF-8 bytes: 0xB2733599 subtracted along a
    // sliding 33-bit window, see the definition; 0 below 4 bytes.
    static uint32_t generateCFUUIDBasedUIDChecksum(std::string_view text);
    // The identifier followed by its checksum as eight upper-case hexadecimal digits.
    static std::string getCFUUIDBasedUIDWithChecksum(const std::string& identifier);

    struct StoredIdentifier {
        Status status = NothingStored;
        std::string identifier; // set only for Valid
    };
    // Judges a value read from the pasteboard (none: NothingStored). Text
    // that is not UTF-8 counts as WrongLength.
    static StoredIdentifier checkStoredIdentifier(const std::vector<uint8_t>* stored);
    // The store's facts about this copy of the program, from
    // "iTunesMetadata.plist" beside the bundle: "store.id", "pur.date",
    // "pur.price", "rel.date" (each empty text when missing), or an empty
    // dictionary without that list.
    static Value iTunesMetadataPlist();

    // The shared identifier, with what was found: the stored one when valid,
    // otherwise a new one, which is stored.
    static std::string getCFUUIDBasedUIDAndStatus(int& status);
};

} // namespace mw
