#include "analytics/TallyIdentifiers.h"

#include <cctype>
#include <cstdio>

#include "analytics/TallyProtocolData.h"
#include "analytics/TallyUtil.h"
#include "foundation/Paths.h"
#include "foundation/PropertyList.h"
#include "foundation/Random.h"
#include "foundation/Utf16.h"
#include "foundation/Utf8.h"
#include "platform/DeviceFacts.h"
#include "platform/NetworkInterfaces.h"
#include "platform/Pasteboard.h"

namespace mw {

namespace {

constexpr uint32_t kChecksumDivisor = 0xB2733599u;

bool bitAt(const std::vector<uint8_t>& bits, size_t index)
{
    return (bits[index / 8] >> (7 - index % 8)) & 1;
}

void clearBit(std::vector<uint8_t>& bits, size_t index)
{
    bits[index / 8] &= static_cast<uint8_t>(~(0x80u >> (index % 8)));
}

// The 32 bits starting at bit `index`, most significant first.
uint32_t windowAt(const std::vector<uint8_t>& bits, size_t index)
{
    const size_t byte = index / 8;
    const unsigned shift = index % 8;
    uint64_t covering = 0;
    for (size_t i = 0; i < 5; ++i) covering = (covering << 8) | (byte + i < bits.size() ? bits[byte + i] : 0);
    return static_cast<uint32_t>(covering >> (8 - shift));
}

void writeWindowAt(std::vector<uint8_t>& bits, size_t index, uint32_t value)
{
    const size_t byte = index / 8;
    const unsigned shift = index % 8;
    const uint64_t mask = uint64_t(0xFFFFFFFFu) << (8 - shift);
    uint64_t covering = 0;
    for (size_t i = 0; i < 5; ++i) covering = (covering << 8) | (byte + i < bits.size() ? bits[byte + i] : 0);
    covering = (covering & ~mask) | (uint64_t(value) << (8 - shift));
    for (size_t i = 0; i < 5; ++i) {
        if (byte + i < bits.size()) bits[byte + i] = static_cast<uint8_t>(covering >> (8 * (4 - i)));
    }
}

// Reads hexadecimal digits as the platform's scanner did: leading white
// space and an optional "0x" are skipped, at least one digit is needed, and
// a value beyond 32 bits saturates.
bool scanHex(std::string_view text, uint32_t& value)
{
    size_t at = 0;
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
    if (at + 1 < text.size() && text[at] == '0' && (text[at + 1] == 'x' || text[at + 1] == 'X')) at += 2;
    uint64_t number = 0;
    bool any = false;
    for (; at < text.size() && std::isxdigit(static_cast<unsigned char>(text[at])); ++at) {
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[at])));
        number = number * 16 + static_cast<uint64_t>(c <= '9' ? c - '0' : c - 'a' + 10);
        if (number > 0xFFFFFFFFu) number = 0x100000000u;
        any = true;
    }
    value = number > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(number);
    return any;
}

} // namespace

std::string TallyIdentifiers::devicePlatform()
{
    return DeviceFacts::sharedInstance()->systemText("hw.machine").value_or(std::string());
}

int TallyIdentifiers::deviceMemory()
{
    const int64_t bytes = DeviceFacts::sharedInstance()->systemNumber("hw.physmem").value_or(0);
    return TallyProtocolData::clampToInt32(static_cast<double>(bytes)) / 1048576;
}

int TallyIdentifiers::deviceCPUFrequency()
{
    const int64_t hz = DeviceFacts::sharedInstance()->systemNumber("hw.cpufrequency").value_or(0);
    return TallyProtocolData::clampToInt32(static_cast<double>(hz));
}

std::string TallyIdentifiers::phoneID()
{
    return "IPHONE" + DeviceFacts::sharedInstance()->deviceIdentifier();
}

Sha1::Digest TallyIdentifiers::tallyID()
{
    const std::string phone = phoneID();
    TallyUtil::debugLog("TallyAnalytics: uniqueDeviceID = " + phone);
    return Sha1::digest(phone);
}

std::string TallyIdentifiers::macAddressText(const std::string& interfaceName)
{
    const auto entries = NetworkInterfaces::sharedInstance()->addresses();
    std::string text;
    if (!entries) return text;
    for (const InterfaceAddress& entry : *entries) {
        if (entry.family != InterfaceAddress::Family::LinkLayer ||
            entry.type != InterfaceAddress::Type::Ethernet || entry.name != interfaceName) {
            continue;
        }
        // Sized by the address itself: a fixed 17-character buffer overran
        // on addresses longer than six bytes.
        text.clear();
        for (size_t i = 0; i < entry.address.size(); ++i) {
            char pair[4];
            std::snprintf(pair, sizeof pair, "%s%02X", i == 0 ? "" : ":", entry.address[i]);
            text += pair;
        }
    }
    return text;
}

Sha1::Digest TallyIdentifiers::getMACBasedUID()
{
    return Sha1::digest("IPHONE" + macAddressText("en0") + devicePlatform());
}

Sha1::Digest TallyIdentifiers::getMACUID() { return Sha1::digest(macAddressText("en0")); }

std::string TallyIdentifiers::generateCFUUID()
{
    uint8_t bytes[16];
    for (size_t i = 0; i < sizeof bytes; i += 4) {
        const uint32_t word = Random::arc4random();
        for (size_t j = 0; j < 4; ++j) bytes[i + j] = static_cast<uint8_t>(word >> (8 * j));
    }
    bytes[6] = static_cast<uint8_t>((bytes[6] & 0x0F) | 0x40); // version 4: random
    bytes[8] = static_cast<uint8_t>((bytes[8] & 0x3F) | 0x80); // the standard variant
    std::string text;
    for (size_t i = 0; i < sizeof bytes; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02X", bytes[i]);
        text += pair;
    }
    return text;
}

std::string TallyIdentifiers::generateCFUUIDBasedUID() { return "ID" + generateCFUUID(); }

uint32_t TallyIdentifiers::generateCFUUIDBasedUIDChecksum(std::string_view text)
{
    std::vector<uint8_t> bits(text.begin(), text.end());
    const size_t n = bits.size() * 8;
    bool carry = false; // the bit just above the window
    uint32_t remainder = 0;
    for (size_t i = 0; i + 31 < n; ++i) {
        const uint32_t window = windowAt(bits, i);
        remainder = window - kChecksumDivisor;
        if (!carry && window < kChecksumDivisor) {
            carry = bitAt(bits, i);
            continue;
        }
        if (carry) {
            clearBit(bits, i - 1);
            carry = false;
        }
        writeWindowAt(bits, i, remainder);
        carry = (remainder >> 31) != 0;
    }
    return remainder;
}

std::string TallyIdentifiers::getCFUUIDBasedUIDWithChecksum(const std::string& identifier)
{
    char digits[9];
    std::snprintf(digits, sizeof digits, "%08X", generateCFUUIDBasedUIDChecksum(identifier));
    return identifier + digits;
}

Value TallyIdentifiers::iTunesMetadataPlist()
{
    std::string bundle = Paths::bundleDirectory();
    while (bundle.size() > 1 && bundle.back() == '/') bundle.pop_back();
    const size_t slash = bundle.rfind('/');
    if (bundle.empty() || slash == std::string::npos) return Value::dictionary();
    const std::string path = Paths::join(bundle.substr(0, slash), "iTunesMetadata.plist");
    if (!Paths::fileExists(path)) return Value::dictionary();
    std::string error;
    const std::optional<Value> list = readPropertyListFile(path, &error);
    if (!list || !list->isDict()) {
        TallyUtil::debugLog("TallyAnalytics: cannot read " + path + " (" + error + ")");
        return Value::dictionary();
    }
    const Value& info = (*list)["com.apple.iTunesStore.downloadInfo"];
    return Value::dictionary({ { "store.id", (*list)["itemId"].asString() },
                               { "pur.date", info["purchaseDate"].asString() },
                               { "pur.price", (*list)["price"].asString() },
                               { "rel.date", (*list)["releaseDate"].asString() } });
}

TallyIdentifiers::StoredIdentifier TallyIdentifiers::checkStoredIdentifier(const std::vector<uint8_t>* stored)
{
    if (!stored) return { NothingStored, {} };
    const std::string_view text(reinterpret_cast<const char*>(stored->data()), stored->size());
    if (!isValidUtf8(text) || utf16Length(text) != kStoredLength) return { WrongLength, {} };
    std::string identifier = utf16Substring(text, 0, kIdentifierLength);
    const std::string checksumText =
        utf16Substring(text, kIdentifierLength, kStoredLength - kIdentifierLength);
    uint32_t checksum = 0;
    if (scanHex(checksumText, checksum) && checksum == generateCFUUIDBasedUIDChecksum(identifier)) {
        return { Valid, std::move(identifier) };
    }
    return { WrongChecksum, {} };
}

std::string TallyIdentifiers::getCFUUIDBasedUIDAndStatus(int& status)
{
    const std::shared_ptr<Pasteboard> pasteboard = Pasteboard::sharedInstance();
    const std::optional<std::vector<uint8_t>> stored =
        pasteboard->dataForType(kPasteboardName, kPasteboardType);
    StoredIdentifier found = checkStoredIdentifier(stored ? &*stored : nullptr);
    status = found.status;
    if (found.status == Valid) return found.identifier;
    std::string identifier = generateCFUUIDBasedUID();
    const std::string storedForm = getCFUUIDBasedUIDWithChecksum(identifier);
    // A pasteboard that cannot keep it only costs the identifier's stability.
    (void)pasteboard->setDataForType(kPasteboardName, kPasteboardType,
                                     std::vector<uint8_t>(storedForm.begin(), storedForm.end()));
    return identifier;
}

} // namespace mw
