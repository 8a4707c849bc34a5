#include "platform/Md5.h"

#include <openssl/evp.h>

namespace mw {

Md5::Digest Md5::digest(const void* bytes, size_t size)
{
    Digest result {};
    unsigned int length = 0;
    // Fails only when the library cannot allocate; the digest is then all zero.
    (void)EVP_Digest(bytes, size, result.data(), &length, EVP_md5(), nullptr);
    return result;
}

std::string Md5::upperHex(const Digest& digest)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(digest.size() * 2);
    for (uint8_t byte : digest) {
        text.push_back(kDigits[byte >> 4]);
        text.push_back(kDigits[byte & 0x0F]);
    }
    return text;
}

} // namespace mw
