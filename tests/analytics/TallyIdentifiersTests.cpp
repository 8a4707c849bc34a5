#include "analytics/TallyIdentifiers.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "foundation/PropertyList.h"
#include "foundation/Random.h"
#include "platform/Pasteboard.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/ScriptedDeviceServices.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

using Family = InterfaceAddress::Family;
using Type = InterfaceAddress::Type;

std::vector<uint8_t> bytesOf(const std::string& text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

TEST(TallyIdentifiers, HardwareAddressTextAndItsDigests)
{
    struct Case {
        const char* name;
        std::optional<std::vector<InterfaceAddress>> entries;
        std::string expected;
    };
    const std::vector<uint8_t> six = { 0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E };
    const std::vector<Case> cases = {
        { "Ethernet en0", std::vector<InterfaceAddress> { { "en0", Family::LinkLayer, Type::Ethernet, six } },
          "00:1A:2B:3C:4D:5E" },
        { "no en0", std::vector<InterfaceAddress> { { "en1", Family::LinkLayer, Type::Ethernet, six } }, "" },
        { "en0 of another family",
          std::vector<InterfaceAddress> { { "en0", Family::Other, Type::Ethernet, six } }, "" },
        { "en0 of another type",
          std::vector<InterfaceAddress> { { "en0", Family::LinkLayer, Type::Other, six } }, "" },
        { "8-byte address written whole",
          std::vector<InterfaceAddress> { { "en0",
                                            Family::LinkLayer,
                                            Type::Ethernet,
                                            { 0xF0, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0xAB } } },
          "F0:01:02:03:04:05:06:AB" },
        { "the list cannot be read", std::nullopt, "" },
    };
    test::ScopedDeviceServices services;
    services.facts->machine = "iPad3,4";
    for (const Case& c : cases) {
        services.interfaces->entries = c.entries;
        EXPECT_EQ(TallyIdentifiers::macAddressText("en0"), c.expected) << c.name;
        EXPECT_EQ(TallyIdentifiers::getMACUID(), Sha1::digest(c.expected)) << c.name;
        EXPECT_EQ(TallyIdentifiers::getMACBasedUID(), Sha1::digest("IPHONE" + c.expected + "iPad3,4"))
            << c.name;
    }
    EXPECT_EQ(TallyIdentifiers::phoneID(), "IPHONE" + services.facts->identifier);
    EXPECT_EQ(TallyIdentifiers::tallyID(), Sha1::digest("IPHONE" + services.facts->identifier));
}

TEST(TallyIdentifiers, DigestIsStandardSha1)
{
    EXPECT_EQ(Sha1::hex(Sha1::digest("abc")), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(Sha1::hex(Sha1::digest("")), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
    const uint8_t bytes[] = { 0x00, 0xAB, 0xFF };
    EXPECT_EQ(TallyIdentifiers::hashDataToHexString(bytes, 3), "00abff");
}

// The checksum as its definition states it, one bit at a time over a vector
// of bits, with no word arithmetic.
uint32_t referenceChecksum(const std::string& text)
{
    std::vector<bool> bits;
    for (unsigned char byte : text) {
        for (int bit = 7; bit >= 0; --bit) bits.push_back((byte >> bit) & 1);
    }
    std::vector<bool> divisor;
    for (int bit = 31; bit >= 0; --bit) divisor.push_back((0xB2733599u >> bit) & 1);
    const size_t n = bits.size();
    bool flag = false;
    std::vector<bool> result(32, false);
    for (size_t i = 0; i + 31 < n; ++i) {
        std::vector<bool> window(bits.begin() + long(i), bits.begin() + long(i) + 32);
        // result = window - divisor, bit by bit from the least significant end.
        bool borrow = false;
        for (int k = 31; k >= 0; --k) {
            const int difference = int(window[k]) - int(divisor[k]) - int(borrow);
            result[k] = (difference & 1) != 0;
            borrow = difference < 0;
        }
        const bool windowBelowDivisor = borrow; // the subtraction borrowed out of the top
        if (!flag && windowBelowDivisor) {
            flag = bits[i];
            continue;
        }
        if (flag) {
            bits[i - 1] = false;
            flag = false;
        }
        for (size_t k = 0; k < 32; ++k) bits[i + k] = result[k];
        flag = result[0];
    }
    uint32_t value = 0;
    for (bool bit : result) value = (value << 1) | (bit ? 1u : 0u);
    return value;
}

TEST(TallyIdentifiers, ChecksumMatchesTheBitwiseDefinition)
{
    ScopedRandomSource scopedRandom(std::make_shared<DefaultRandomSource>());
    Random::seedArc4random(20261210);
    for (int i = 0; i < 1000; ++i) {
        const std::string identifier = TallyIdentifiers::generateCFUUIDBasedUID();
        ASSERT_EQ(identifier.size(), 38u);
        ASSERT_EQ(TallyIdentifiers::generateCFUUIDBasedUIDChecksum(identifier), referenceChecksum(identifier))
            << identifier;
    }
    for (const std::string& text :
         { std::string(), std::string("abc"), std::string("abcd"),
           std::string("ID00000000-0000-4000-8000-000000000000"), std::string(38, '\xFF') }) {
        EXPECT_EQ(TallyIdentifiers::generateCFUUIDBasedUIDChecksum(text), referenceChecksum(text)) << text;
    }
    EXPECT_EQ(TallyIdentifiers::generateCFUUIDBasedUIDChecksum("abc"), 0u);
}

TEST(TallyIdentifiers, UuidsAreVersion4UpperCase)
{
    ScopedRandomSource scopedRandom(std::make_shared<DefaultRandomSource>());
    Random::seedArc4random(7);
    const std::string uuid = TallyIdentifiers::generateCFUUID();
    ASSERT_EQ(uuid.size(), 36u);
    for (size_t i : { 8u, 13u, 18u, 23u }) EXPECT_EQ(uuid[i], '-');
    EXPECT_EQ(uuid[14], '4');
    EXPECT_NE(std::string("89AB").find(uuid[19]), std::string::npos);
    for (char c : uuid) EXPECT_TRUE(c == '-' || std::isdigit(c) || (c >= 'A' && c <= 'F')) << uuid;
    Random::seedArc4random(7);
    EXPECT_EQ(TallyIdentifiers::generateCFUUID(), uuid);
}

// An identifier whose checksum begins with a 0 digit, found by a seeded search.
std::string identifierWithLeadingZeroChecksum()
{
    ScopedRandomSource scopedRandom(std::make_shared<DefaultRandomSource>());
    Random::seedArc4random(99);
    for (int attempt = 0; attempt < 10000; ++attempt) {
        const std::string identifier = TallyIdentifiers::generateCFUUIDBasedUID();
        if (TallyIdentifiers::generateCFUUIDBasedUIDChecksum(identifier) < 0x10000000u) return identifier;
    }
    return std::string();
}

TEST(TallyIdentifiers, PasteboardStatusTable)
{
    const std::string valid = "ID2F1C63A0-7D4E-4B8A-9C11-5E0F3D2A6B7C";
    const std::string validStored = TallyIdentifiers::getCFUUIDBasedUIDWithChecksum(valid);
    std::string wrongChecksum = validStored;
    wrongChecksum[45] = wrongChecksum[45] == '0' ? '1' : '0';
    struct Case {
        const char* name;
        std::optional<std::vector<uint8_t>> stored;
        int status;
    };
    const std::vector<Case> cases = {
        { "nothing stored", std::nullopt, 1 },
        { "valid", bytesOf(validStored), 2 },
        { "46 characters, wrong checksum", bytesOf(wrongChecksum), 3 },
        { "checksum not hexadecimal", bytesOf(valid + "ZZZZZZZZ"), 3 },
        { "45 characters", bytesOf(validStored.substr(0, 45)), 4 },
        { "47 characters", bytesOf(validStored + "0"), 4 },
        { "not UTF-8", bytesOf(validStored.substr(0, 45) + "\xFF"), 4 },
    };
    for (const Case& c : cases) {
        test::ScopedDeviceServices services;
        if (c.stored) services.pasteboard->values[{ "com.tally.pasteboard", "com.tally.UID" }] = *c.stored;
        int status = 0;
        const std::string identifier = TallyIdentifiers::getCFUUIDBasedUIDAndStatus(status);
        EXPECT_EQ(status, c.status) << c.name;
        EXPECT_EQ(identifier.size(), 38u) << c.name;
        EXPECT_EQ(identifier.substr(0, 2), "ID") << c.name;
        if (c.status == 2) {
            EXPECT_EQ(identifier, valid) << c.name;
            EXPECT_EQ(services.pasteboard->writes, 0) << c.name;
        } else {
            EXPECT_NE(identifier, valid) << c.name;
            const std::vector<uint8_t>& stored =
                services.pasteboard->values[{ "com.tally.pasteboard", "com.tally.UID" }];
            EXPECT_EQ(stored, bytesOf(TallyIdentifiers::getCFUUIDBasedUIDWithChecksum(identifier))) << c.name;
        }
        // Every later call answers what is now stored.
        int again = 0;
        EXPECT_EQ(TallyIdentifiers::getCFUUIDBasedUIDAndStatus(again), identifier) << c.name;
        EXPECT_EQ(again, 2) << c.name;
    }

    // Leading zeros of the checksum are written: the stored form keeps 46 characters.
    const std::string zeroLed = identifierWithLeadingZeroChecksum();
    ASSERT_FALSE(zeroLed.empty());
    const std::string zeroLedStored = TallyIdentifiers::getCFUUIDBasedUIDWithChecksum(zeroLed);
    ASSERT_EQ(zeroLedStored.size(), 46u);
    EXPECT_EQ(zeroLedStored[38], '0');
    const std::vector<uint8_t> zeroLedBytes = bytesOf(zeroLedStored);
    EXPECT_EQ(TallyIdentifiers::checkStoredIdentifier(&zeroLedBytes).status, TallyIdentifiers::Valid);
}

TEST(TallyIdentifiers, StoreMetadataBesideTheBundle)
{
    test::TempDir folder;
    test::ScopedEnv resources("MOSSWICK_RESOURCES", folder.file("bundle"));
    folder.write("bundle/x", "");
    EXPECT_EQ(TallyIdentifiers::iTunesMetadataPlist(), Value::dictionary());
    folder.write("iTunesMetadata.plist",
                 writePropertyList(Value::dictionary(
                     { { "itemId", 451200 },
                       { "price", 0.99 },
                       { "com.apple.iTunesStore.downloadInfo",
                         Value::dictionary({ { "purchaseDate", "2012-05-01T10:00:00Z" } }) } })));
    EXPECT_EQ(TallyIdentifiers::iTunesMetadataPlist(),
              Value::dictionary({ { "store.id", "451200" },
                                  { "pur.date", "2012-05-01T10:00:00Z" },
                                  { "pur.price", "0.99" },
                                  { "rel.date", "" } }));
}

// The file pasteboard keeps the identifier for another process.
TEST(TallyIdentifiers, SharedIdentifierSurvivesIntoAnotherProcess)
{
    test::TempDir folder;
    test::ScopedDeviceServices services;
    (void)Pasteboard::replaceSharedInstance(std::make_shared<FilePasteboard>(folder.path()));
    int status = 0;
    const std::string first = TallyIdentifiers::getCFUUIDBasedUIDAndStatus(status);
    EXPECT_EQ(status, 1);

    int channel[2];
    ASSERT_EQ(pipe(channel), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(channel[0]);
        (void)Pasteboard::replaceSharedInstance(std::make_shared<FilePasteboard>(folder.path()));
        int childStatus = 0;
        // The status is read only once the call has set it.
        std::string seen = TallyIdentifiers::getCFUUIDBasedUIDAndStatus(childStatus);
        seen += char('0' + childStatus);
        const ssize_t written = write(channel[1], seen.data(), seen.size());
        _exit(written == ssize_t(seen.size()) ? 0 : 1);
    }
    close(channel[1]);
    char buffer[64] = {};
    const ssize_t length = read(channel[0], buffer, sizeof buffer);
    close(channel[0]);
    int exitStatus = 0;
    waitpid(child, &exitStatus, 0);
    ASSERT_GT(length, 0);
    EXPECT_EQ(std::string(buffer, size_t(length)), first + "2");
}

} // namespace
} // namespace mw
