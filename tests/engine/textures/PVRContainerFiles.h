#pragma once

#include <zlib.h>

#include <string>
#include <vector>

#include "tests/support/TempDir.h"

namespace mw::test {

// Writes bytes as a gzip file through zlib's writer.
inline std::string writeGZipFile(const TempDir& folder, const std::string& name,
                                 const std::vector<unsigned char>& bytes)
{
    std::string path = folder.file(name);
    gzFile file = gzopen(path.c_str(), "wb9");
    gzwrite(file, bytes.data(), static_cast<unsigned>(bytes.size()));
    gzclose(file);
    return path;
}

// A CCZ file: 16-byte big-endian header (version 2, zlib) and a zlib stream.
inline std::vector<unsigned char> cczContainer(const std::vector<unsigned char>& bytes)
{
    uLongf packedSize = compressBound(static_cast<uLong>(bytes.size()));
    std::vector<unsigned char> packed(packedSize);
    compress2(packed.data(), &packedSize, bytes.data(), static_cast<uLong>(bytes.size()), 9);
    const uint32_t length = static_cast<uint32_t>(bytes.size());
    std::vector<unsigned char> file = {'C', 'C', 'Z', '!', 0, 0, 0, 2, 0, 0, 0, 0,
                                       static_cast<unsigned char>(length >> 24),
                                       static_cast<unsigned char>(length >> 16),
                                       static_cast<unsigned char>(length >> 8), static_cast<unsigned char>(length)};
    file.reserve(file.size() + packedSize); // GCC 12 warns of a false overflow otherwise
    file.insert(file.end(), packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(packedSize));
    return file;
}

} // namespace mw::test
