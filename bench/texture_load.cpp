// Loading a 1024x1024 PNG into a texture (decode, power-of-two canvas,
// premultiplication, upload) against decoding the same file with libpng
// alone. The ratio of the two times is the cost the texture path adds.
#include <benchmark/benchmark.h>
#include <png.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <GLES/gl.h>
#include <unistd.h>

#include "engine/textures/CCTexture2D.h"
#include "platform/GLContext.h"
#include "platform/Image.h"

namespace {

constexpr int kSide = 1024;

// A translucent picture with enough detail that compression does not make
// decoding trivial.
std::string writeTestPNG()
{
    std::vector<uint8_t> pixels(static_cast<size_t>(kSide) * kSide * 4);
    uint32_t seed = 12345;
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            seed = seed * 1103515245u + 12345u;
            uint8_t* p = &pixels[(static_cast<size_t>(y) * kSide + x) * 4];
            p[0] = static_cast<uint8_t>(x ^ y);
            p[1] = static_cast<uint8_t>((x * y) >> 6);
            p[2] = static_cast<uint8_t>(seed >> 24);
            p[3] = static_cast<uint8_t>(128 + ((x + y) & 127));
        }
    }
    std::string path = (std::filesystem::temp_directory_path() /
                        ("mw-bench-texture-" + std::to_string(::getpid()) + ".png")).string();
    mw::Ref<mw::Image> image = mw::Image::fromRGBA(std::move(pixels), kSide, kSide, mw::ImageAlphaInfo::Last);
    if (!image || !image->writePNG(path)) {
        return "";
    }
    return path;
}

struct BenchSetup {
    std::string path = writeTestPNG();
    std::unique_ptr<mw::GLContext> context = mw::GLContext::createHeadless({64, 64});
    bool ready = !path.empty() && context && context->makeCurrent();
    ~BenchSetup()
    {
        if (!path.empty()) {
            std::filesystem::remove(path);
        }
    }
};

BenchSetup& setup()
{
    static BenchSetup shared;
    return shared;
}

void BM_PNGToTexture(benchmark::State& state)
{
    if (!setup().ready) {
        state.SkipWithError("no PNG file or no headless GL context");
        return;
    }
    for (auto _ : state) {
        mw::Ref<mw::Image> image = mw::Image::load(setup().path);
        mw::Ref<mw::CCTexture2D> texture = mw::makeRef<mw::CCTexture2D>();
        if (!image || !texture->initWithImage(image.get(), mw::kCCResolutioniPhone)) {
            state.SkipWithError("texture not made");
            return;
        }
        glFinish(); // count the upload, not just its queueing
        benchmark::DoNotOptimize(texture->name());
    }
}
BENCHMARK(BM_PNGToTexture)->Unit(benchmark::kMillisecond);

// The baseline: libpng's simplified reader straight into an RGBA buffer.
void BM_LibpngDecodeOnly(benchmark::State& state)
{
    if (!setup().ready) {
        state.SkipWithError("no PNG file");
        return;
    }
    std::vector<uint8_t> pixels;
    for (auto _ : state) {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_file(&image, setup().path.c_str())) {
            state.SkipWithError("libpng cannot read the file");
            return;
        }
        image.format = PNG_FORMAT_RGBA;
        pixels.resize(PNG_IMAGE_SIZE(image));
        if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
            state.SkipWithError("libpng cannot decode the file");
            return;
        }
        benchmark::DoNotOptimize(pixels.data());
    }
}
BENCHMARK(BM_LibpngDecodeOnly)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
