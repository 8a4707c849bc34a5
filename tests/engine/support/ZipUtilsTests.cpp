#include <gtest/gtest.h>

#include "engine/support/ZipUtils.h"
#include "tests/engine/support/ZipUtilsTestStreams.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

using test::cczBytes;
using test::deflateBytes;
using test::patternBytes;

std::vector<unsigned char> cut(std::vector<unsigned char> bytes, size_t keep)
{
    bytes.resize(keep);
    return bytes;
}

TEST(ZipUtils, InflateMemoryAcceptsWholeStreamsAndRefusesBrokenOnes)
{
    const std::vector<unsigned char> small = patternBytes(5000);
    const std::vector<unsigned char> big = patternBytes(600 * 1024);
    std::vector<unsigned char> corrupt = deflateBytes(small);
    corrupt[corrupt.size() / 2] ^= 0xFF;
    corrupt[corrupt.size() / 2 + 1] ^= 0x5A;

    struct Case {
        const char* name;
        std::vector<unsigned char> input;
        size_t hint;
        const std::vector<unsigned char>* expected; // null: must fail
    };
    const std::vector<unsigned char> bigZlib = deflateBytes(big);
    const Case cases[] = {
        {"zlib", deflateBytes(small), kInflateFirstBufferSize, &small},
        {"gzip", deflateBytes(small, 31), kInflateFirstBufferSize, &small},
        // 600 KiB does not fit 256 KiB: the buffer doubles twice.
        {"grows past first buffer", bigZlib, kInflateFirstBufferSize, &big},
        {"one-byte first buffer", deflateBytes(small), 1, &small},
        {"zero first buffer", deflateBytes(small), 0, &small},
        // Each of these used to loop or report success with partial data.
        {"truncated small", cut(deflateBytes(small), deflateBytes(small).size() - 6), kInflateFirstBufferSize, nullptr},
        {"truncated big", cut(bigZlib, bigZlib.size() / 2), kInflateFirstBufferSize, nullptr},
        {"header only", cut(bigZlib, 2), kInflateFirstBufferSize, nullptr},
        {"corrupt", corrupt, kInflateFirstBufferSize, nullptr},
        {"needs dictionary", deflateBytes(small, 15, "dictionary"), kInflateFirstBufferSize, nullptr},
        {"not compressed", std::vector<unsigned char>(100, 'x'), kInflateFirstBufferSize, nullptr},
        {"empty", {}, kInflateFirstBufferSize, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<unsigned char> out = {1, 2, 3};
        size_t length = ccInflateMemoryWithHint(c.input.data(), c.input.size(), out, c.hint);
        if (c.expected) {
            EXPECT_EQ(length, c.expected->size());
            EXPECT_TRUE(out == *c.expected);
        } else {
            EXPECT_EQ(length, 0u);
            EXPECT_TRUE(out.empty());
        }
    }
    std::vector<unsigned char> out;
    EXPECT_EQ(ccInflateMemory(bigZlib.data(), bigZlib.size(), out), big.size());
}

TEST(ZipUtils, GZipFileReadsWholeStreamsOnly)
{
    test::TempDir folder;
    const std::vector<unsigned char> raw = patternBytes(1500 * 1024); // past the first two reads
    const std::vector<unsigned char> gz = deflateBytes(raw, 31);
    std::vector<unsigned char> out;

    EXPECT_EQ(ccInflateGZipFile(folder.write("ok.gz", gz).c_str(), out), static_cast<int64_t>(raw.size()));
    EXPECT_TRUE(out == raw);

    // zlib's reader passes a file without a gzip header through unchanged.
    const std::vector<unsigned char> plain = patternBytes(1000);
    EXPECT_EQ(ccInflateGZipFile(folder.write("plain.gz", plain).c_str(), out), 1000);
    EXPECT_TRUE(out == plain);

    EXPECT_EQ(ccInflateGZipFile(folder.write("cut.gz", cut(gz, gz.size() / 2)).c_str(), out), -1);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(ccInflateGZipFile(folder.write("tail.gz", cut(gz, gz.size() - 4)).c_str(), out), -1);
    EXPECT_EQ(ccInflateGZipFile(folder.file("missing.gz").c_str(), out), -1);
}

TEST(ZipUtils, CCZContainerCases)
{
    const std::vector<unsigned char> raw = patternBytes(40000);
    const std::vector<unsigned char> zlib = deflateBytes(raw);
    const uint32_t size = static_cast<uint32_t>(raw.size());
    struct Case {
        const char* name;
        std::vector<unsigned char> file;
        int64_t expected; // -1: refused
    };
    const Case cases[] = {
        {"version 2, zlib", cczBytes(zlib, size, 2, 0), size},
        {"version 0", cczBytes(zlib, size, 0, 0), size},
        {"version 3", cczBytes(zlib, size, 3, 0), -1},
        {"compression type 1", cczBytes(zlib, size, 2, 1), -1},
        {"bad magic", [&] { auto f = cczBytes(zlib, size); f[3] = '?'; return f; }(), -1},
        {"shorter than header", cut(cczBytes(zlib, size), 15), -1},
        {"header only", cut(cczBytes(zlib, size), 16), -1},
        {"truncated stream", cut(cczBytes(zlib, size), 16 + zlib.size() / 2), -1},
        {"stream longer than header says", cczBytes(zlib, size - 1), -1},
        // The stream, not the header, tells the length handed back.
        {"header claims more", cczBytes(zlib, size + 100), size},
        {"absurd claimed length", cczBytes(zlib, 0xFFFFFFFFu), -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<unsigned char> out;
        EXPECT_EQ(ccInflateCCZData(c.file.data(), c.file.size(), out), c.expected);
        if (c.expected >= 0) {
            EXPECT_TRUE(out == raw);
        } else {
            EXPECT_TRUE(out.empty());
        }
    }
}

TEST(ZipUtils, CCZFileGoesThroughTheSameChecks)
{
    test::TempDir folder;
    const std::vector<unsigned char> raw = patternBytes(3000);
    std::vector<unsigned char> out;
    auto good = cczBytes(deflateBytes(raw), 3000);
    EXPECT_EQ(ccInflateCCZFile(folder.write("a.ccz", good).c_str(), out), 3000);
    EXPECT_TRUE(out == raw);
    EXPECT_EQ(ccInflateCCZFile(folder.write("b.ccz", cczBytes(deflateBytes(raw), 3000, 3)).c_str(), out), -1);
    EXPECT_EQ(ccInflateCCZFile(folder.file("missing.ccz").c_str(), out), -1);
}

} // namespace
} // namespace mw
