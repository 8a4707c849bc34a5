#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace mw {

// MD5 digests, computed by the system's cryptography library. Used only where
// a protocol fixes MD5 (the social service's signatures), never for secrecy.
// Safe from any thread.
class Md5 {
public:
    static constexpr size_t kDigestLength = 16;
    using Digest = std::array<uint8_t, kDigestLength>;

    static Digest digest(const void* bytes, size_t size);
    static Digest digest(std::string_view bytes) { return digest(bytes.data(), bytes.size()); }
    // Each byte as two upper-case hexadecimal digits, in byte order.
    static std::string upperHex(const Digest& digest);
};

} // namespace mw
