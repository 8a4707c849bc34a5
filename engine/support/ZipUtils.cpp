#include "engine/support/ZipUtils.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <new>

#include "engine/support/CCFileUtils.h"
#include "foundation/Log.h"

namespace mw {

namespace {

// 15 window bits + 32: accept a zlib or a gzip header.
constexpr int kAutoDetectWindowBits = 15 + 32;
constexpr size_t kGZipFirstRead = 512 * 1024;
// gzread takes an unsigned int and returns an int: keep each request below 2^31.
constexpr size_t kGZipMaxRead = size_t{1} << 30;
// Deflate cannot expand data by more than about 1032:1, so a CCZ header that
// claims more than that is lying, and honouring it would allocate gigabytes.
constexpr uint64_t kDeflateMaxRatio = 1032;
constexpr size_t kCCZHeaderSize = 16;

void logFailure(const char* what, const char* detail)
{
    logLine("%s: cannot inflate %s", what, detail);
}

uint16_t readBigEndian16(const unsigned char* p)
{
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

uint32_t readBigEndian32(const unsigned char* p)
{
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

// Runs the inflate loop over a prepared stream; true on stream end.
bool inflateAll(z_stream& stream, std::vector<unsigned char>& out, size_t& produced)
{
    for (;;) {
        stream.next_out = out.data() + produced;
        stream.avail_out = static_cast<uInt>(std::min<size_t>(out.size() - produced, std::numeric_limits<uInt>::max()));
        int status = inflate(&stream, Z_NO_FLUSH);
        produced = static_cast<size_t>(stream.next_out - out.data());
        switch (status) {
        case Z_STREAM_END:
            return true;
        case Z_NEED_DICT:
        case Z_DATA_ERROR:
        case Z_MEM_ERROR:
        case Z_STREAM_ERROR:
            return false;
        default:
            break;
        }
        if (produced < out.size()) {
            // Room was left yet the stream did not end: the input ran out
            // before the stream did. More output space would not help.
            if (stream.avail_in == 0) {
                return false;
            }
            continue;
        }
        if (out.size() > std::numeric_limits<size_t>::max() / 2) {
            return false;
        }
        out.resize(out.size() * 2);
    }
}

} // namespace

size_t ccInflateMemory(const unsigned char* in, size_t inLength, std::vector<unsigned char>& out)
{
    return ccInflateMemoryWithHint(in, inLength, out, kInflateFirstBufferSize);
}

size_t ccInflateMemoryWithHint(const unsigned char* in, size_t inLength, std::vector<unsigned char>& out,
                               size_t firstBufferSize)
{
    out.clear();
    if (!in || inLength == 0 || inLength > std::numeric_limits<uInt>::max()) {
        return 0;
    }
    z_stream stream{};
    stream.next_in = const_cast<Bytef*>(in);
    stream.avail_in = static_cast<uInt>(inLength);
    if (inflateInit2(&stream, kAutoDetectWindowBits) != Z_OK) {
        return 0;
    }
    size_t produced = 0;
    bool ok = false;
    try {
        out.resize(std::max<size_t>(firstBufferSize, 1));
        ok = inflateAll(stream, out, produced);
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    inflateEnd(&stream);
    if (!ok) {
        out.clear();
        out.shrink_to_fit();
        return 0;
    }
    out.resize(produced);
    return produced;
}

int64_t ccInflateGZipFile(const char* path, std::vector<unsigned char>& out)
{
    out.clear();
    if (!path) {
        return -1;
    }
    gzFile file = gzopen(path, "rb");
    if (!file) {
        return -1;
    }
    size_t total = 0;
    size_t request = kGZipFirstRead;
    bool ok = true;
    try {
        out.resize(request);
        for (;;) {
            int got = gzread(file, out.data() + total, static_cast<unsigned>(request));
            if (got < 0) {
                ok = false;
                break;
            }
            total += static_cast<size_t>(got);
            if (static_cast<size_t>(got) < request) {
                break;
            }
            request = std::min(request * 2, kGZipMaxRead);
            out.resize(total + request);
        }
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    // zlib's reader reports a stream cut short only through its error state,
    // after handing back what it could inflate.
    int error = Z_OK;
    gzerror(file, &error);
    if (error != Z_OK) {
        ok = false;
    }
    gzclose(file);
    if (!ok) {
        logFailure("ccInflateGZipFile", path);
        out.clear();
        out.shrink_to_fit();
        return -1;
    }
    out.resize(total);
    return static_cast<int64_t>(total);
}

int64_t ccInflateCCZData(const unsigned char* data, size_t length, std::vector<unsigned char>& out)
{
    out.clear();
    if (!data || length < kCCZHeaderSize) {
        return -1;
    }
    if (data[0] != 'C' || data[1] != 'C' || data[2] != 'Z' || data[3] != '!') {
        return -1;
    }
    if (readBigEndian16(data + 6) >= 3 || readBigEndian16(data + 4) != 0) {
        return -1;
    }
    const uint64_t claimed = readBigEndian32(data + 12);
    const uint64_t compressed = length - kCCZHeaderSize;
    if (claimed > compressed * kDeflateMaxRatio + 64) {
        return -1;
    }
    uLongf inflated = static_cast<uLongf>(claimed);
    try {
        out.resize(static_cast<size_t>(claimed));
    } catch (const std::bad_alloc&) {
        return -1;
    }
    // uncompress() wants a non-null destination even for an empty stream.
    Bytef empty = 0;
    int status = uncompress(out.empty() ? &empty : out.data(), &inflated, data + kCCZHeaderSize,
                            static_cast<uLong>(compressed));
    if (status != Z_OK) {
        out.clear();
        out.shrink_to_fit();
        return -1;
    }
    // The stream, not the header, says how many bytes there are.
    out.resize(inflated);
    return static_cast<int64_t>(inflated);
}

int64_t ccInflateCCZFile(const char* path, std::vector<unsigned char>& out)
{
    out.clear();
    std::vector<unsigned char> packed;
    if (ccLoadFileIntoMemory(path, packed) < 0) {
        return -1;
    }
    int64_t length = ccInflateCCZData(packed.data(), packed.size(), out);
    if (length < 0) {
        logFailure("ccInflateCCZFile", path);
    }
    return length;
}

} // namespace mw
