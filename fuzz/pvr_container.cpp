// Feeds arbitrary bytes to the PVR reader directly and through each
// container (CCZ, zlib/gzip in memory, the gzip file reader), and to base64.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

#include "engine/support/ZipUtils.h"
#include "engine/support/base64.h"
#include "engine/textures/CCTexturePVR.h"
#include "foundation/Log.h"

namespace {

void parsePVR(const unsigned char* data, size_t size)
{
    // A device without any of the extensions the reader asks about, and one with all.
    static const std::unique_ptr<mw::CCConfiguration> kDevices[] = {
        mw::CCConfiguration::posingAs("", 0),
        mw::CCConfiguration::posingAs("GL_APPLE_texture_2D_limited_npot GL_IMG_texture_format_BGRA8888 "
                                      "GL_IMG_texture_compression_pvrtc",
                                      4096),
    };
    for (const std::unique_ptr<mw::CCConfiguration>& device : kDevices) {
        mw::Ref<mw::CCTexturePVR> pvr = mw::makeRef<mw::CCTexturePVR>();
        if (pvr->unpackPVRData(data, size, *device)) {
            // Touch every byte of every level: they must lie inside the input.
            unsigned sum = 0;
            for (int i = 0; i < pvr->numberOfMipmaps(); ++i) {
                const mw::CCPVRMipmap& level = pvr->mipmap(i);
                for (uint32_t b = 0; b < level.len; ++b) {
                    sum += level.address[b];
                }
            }
            (void)sum;
        }
    }
}

void inflateAsGZipFile(const uint8_t* data, size_t size)
{
    int fd = memfd_create("pvr_container", 0);
    if (fd < 0) {
        return;
    }
    if (write(fd, data, size) == static_cast<ssize_t>(size)) {
        std::vector<unsigned char> out;
        std::string path = "/proc/self/fd/" + std::to_string(fd);
        if (mw::ccInflateGZipFile(path.c_str(), out) >= 0) {
            parsePVR(out.data(), out.size());
        }
    }
    close(fd);
}

} // namespace

// The decoders' one-line reports would flood the run's log.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    mw::setLogSink([](const std::string&) {});
    (void)std::freopen("/dev/null", "w", stdout);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    parsePVR(data, size);

    std::vector<unsigned char> out;
    if (mw::ccInflateCCZData(data, size, out) >= 0) {
        parsePVR(out.data(), out.size());
    }
    if (mw::ccInflateMemoryWithHint(data, size, out, 4096) > 0) {
        parsePVR(out.data(), out.size());
    }
    // The file reader passes anything else through unchanged, which the
    // direct parse above has covered; its first read buffer is large enough to
    // make every call slow, so only gzip streams take that path.
    if (size >= 2 && data[0] == 0x1f && data[1] == 0x8b) {
        inflateAsGZipFile(data, size);
    }
    (void)mw::base64Decode(data, size, out);
    return 0;
}
