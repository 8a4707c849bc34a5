#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace mw {

// SHA-1 digests, computed by the system's cryptography library. Safe from
// any thread.
class Sha1 {
public:
    static constexpr size_t kDigestLength = 20;
    using Digest = std::array<uint8_t, kDigestLength>;

    static Digest digest(const void* bytes, size_t size);
    static Digest digest(std::string_view bytes) { return digest(bytes.data(), bytes.size()); }
    // Each byte as two lower-case hexadecimal digits.
    static std::string hex(const uint8_t* bytes, size_t size);
    static std::string hex(const Digest& digest) { return hex(digest.data(), digest.size()); }
};

} // namespace mw
