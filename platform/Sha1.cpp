#include "platform/Sha1.h"

#include <openssl/evp.h>

namespace mw {

Sha1::Digest Sha1::digest(const void* bytes, size_t size)
{
    Digest result {};
    unsigned int length = 0;
    // Fails only when the library cannot allocate; the digest is then all zero.
    (void)EVP_Digest(bytes, size, result.data(), &length, EVP_sha1(), nullptr);
    return result;
}

std::string Sha1::hex(const uint8_t* bytes, size_t size)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(size * 2);
    for (size_t i = 0; i < size; ++i) {
        text.push_back(kDigits[bytes[i] >> 4]);
        text.push_back(kDigits[bytes[i] & 0x0F]);
    }
    return text;
}

} // namespace mw
