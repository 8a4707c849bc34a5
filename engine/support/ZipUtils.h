#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace mw {

// Decompression for the engine's compressed containers. Every function fills
// the caller's vector with exactly the decompressed bytes and leaves it empty
// on failure. No function reads past the bytes it was given, and an input
// that ends before its stream does is a failure, never a partial success.

// First output buffer of ccInflateMemory; grown by doubling.
inline constexpr size_t kInflateFirstBufferSize = 256 * 1024;

// Inflates a zlib or gzip stream (the header kind is detected). Returns the
// inflated length, 0 on failure (corrupt, truncated or with a dictionary).
[[nodiscard]] size_t ccInflateMemory(const unsigned char* in, size_t inLength, std::vector<unsigned char>& out);
// As ccInflateMemory, starting from an output buffer of firstBufferSize bytes.
[[nodiscard]] size_t ccInflateMemoryWithHint(const unsigned char* in, size_t inLength,
                                             std::vector<unsigned char>& out, size_t firstBufferSize);

// Reads a gzip file (zlib's reader also passes a plain file through as is).
// Returns the length, -1 when the file cannot be opened, is corrupt or ends
// before its stream does.
[[nodiscard]] int64_t ccInflateGZipFile(const char* path, std::vector<unsigned char>& out);

// Reads a CCZ file: the 16-byte header ("CCZ!", big-endian compression type 0,
// version below 3, 4 reserved bytes, uncompressed length) and one zlib stream.
// Returns the inflated length, -1 on any failure.
[[nodiscard]] int64_t ccInflateCCZFile(const char* path, std::vector<unsigned char>& out);
// The same for a CCZ image already in memory.
[[nodiscard]] int64_t ccInflateCCZData(const unsigned char* data, size_t length, std::vector<unsigned char>& out);

} // namespace mw
