#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/support/base64.h"
#include "foundation/Log.h"
#include "tests/support/StderrCapture.h"

namespace mw {
namespace {

TEST(Base64, DecodeCases)
{
    struct Case {
        const char* input;
        std::string expected;
        bool error;
    };
    const Case cases[] = {
        {"TWFu", "Man", false},
        {"TWE=", "Ma", false},
        {"TQ==", "M", false},
        {"TWFuTQ==", "ManM", false},
        // Line breaks and blanks are skipped; '=' ends the input.
        {"TW\nFu\r\n TWE=", "ManMa", false},
        {"TWE=garbage", "Ma", false},
        {"//+/", "\xff\xff\xbf", false},
        // A partial group without '=' is dropped without error.
        {"TQ", "", false},
        {"TWFuTQ", "Man", false},
        {"", "", false},
        // One character before '=' carries only 6 of 8 bits.
        {"T=", "", true},
        {"TWFuT=", "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        std::string in = c.input;
        std::vector<unsigned char> out = {9, 9};
        ScopedLogCapture log;  // both messages go through the log sink, not straight to a stream
        size_t length = base64Decode(reinterpret_cast<const unsigned char*>(in.data()), in.size(), out);
        EXPECT_EQ(length, c.expected.size());
        EXPECT_EQ(std::string(out.begin(), out.end()), c.expected);
        const std::vector<std::string> expectedLog = {
            "base64Decode: encoding incomplete: at least 2 bits missing", "Base64Utils: error decoding"};
        EXPECT_EQ(log.lines(), c.error ? expectedLog : std::vector<std::string>{});
    }
}

// With no sink installed the decoder's verdict goes to standard output and
// the detail of what was missing to standard error.
TEST(Base64, AnIncompleteInputIsReportedOnBothStandardStreams)
{
    const std::string in = "TWFuT=";
    std::vector<unsigned char> out;
    size_t length = 1;
    std::string printed;
    std::string warned;
    {
        test::StderrCapture errors;
        test::StdoutCapture output;
        length = base64Decode(reinterpret_cast<const unsigned char*>(in.data()), in.size(), out);
        printed = output.text();
        warned = errors.text();
    }
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(printed, "Base64Utils: error decoding\n");
    EXPECT_EQ(warned, "base64Decode: encoding incomplete: at least 2 bits missing\n");
}

TEST(Base64, LongInputDecodesExactly)
{
    // Every byte value, encoded by hand: checks the bit packing across groups.
    std::vector<unsigned char> raw(256 * 3);
    for (size_t i = 0; i < raw.size(); ++i) {
        raw[i] = static_cast<unsigned char>(i * 31 + 7);
    }
    const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string encoded;
    for (size_t i = 0; i < raw.size(); i += 3) {
        uint32_t triple = (uint32_t{raw[i]} << 16) | (uint32_t{raw[i + 1]} << 8) | raw[i + 2];
        for (int shift = 18; shift >= 0; shift -= 6) {
            encoded += alphabet[(triple >> shift) & 63];
        }
        if (i % 57 == 0) {
            encoded += '\n';
        }
    }
    std::vector<unsigned char> out;
    EXPECT_EQ(base64Decode(reinterpret_cast<const unsigned char*>(encoded.data()), encoded.size(), out), raw.size());
    EXPECT_TRUE(out == raw);
}

} // namespace
} // namespace mw
