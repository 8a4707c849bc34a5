// Drawing 1,000 and 10,000 moving sprites of one sheet per frame, headless at
// 640x960, through a sprite batch node, against a floor measured in the same
// run: a raw GLES loop that moves the same quads, uploads them and draws them
// with one call. The same sprites drawing themselves one by one are measured
// too. Each iteration is one frame, finished with glFinish so the GPU's work
// is counted. The summary at the end prints the frame times and the ratios.

#include <benchmark/benchmark.h>

#include <GLES/gl.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchSummary.h"
#include "engine/base/ccDrawingState.h"
#include "engine/nodes/CCNode.h"
#include "engine/sprites/CCSprite.h"
#include "engine/sprites/CCSpriteBatchNode.h"
#include "engine/sprites/CCSpriteFrame.h"
#include "engine/textures/CCTexture2D.h"
#include "engine/textures/ccQuadTypes.h"
#include "platform/GLContext.h"
#include "platform/Image.h"

namespace {

using namespace mw;

constexpr int kWidth = 640;
constexpr int kHeight = 960;
constexpr int kCell = 32;       // frames are 32x32 cells of a 256x256 sheet
constexpr int kFrames = 64;
constexpr float kStep = 1 / 60.f;

// A sheet of 64 differently coloured, partly transparent 32x32 pictures.
Ref<Image> sheetImage()
{
    std::vector<uint8_t> pixels(256 * 256 * 4);
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            const int cell = (y / kCell) * 8 + x / kCell;
            const int dx = x % kCell - 16;
            const int dy = y % kCell - 16;
            uint8_t* p = &pixels[(static_cast<size_t>(y) * 256 + x) * 4];
            p[0] = static_cast<uint8_t>(cell * 4);
            p[1] = static_cast<uint8_t>(255 - cell * 3);
            p[2] = static_cast<uint8_t>(x ^ y);
            p[3] = dx * dx + dy * dy < 15 * 15 ? 255 : 0;  // round pictures
        }
    }
    return Image::fromRGBA(std::move(pixels), 256, 256, ImageAlphaInfo::Last);
}

// One moving sprite's state, shared by the engine and the floor so both
// draw the same frames.
struct Mover {
    float x, y, vx, vy;
    int frame;

    void step()
    {
        x += vx * kStep;
        y += vy * kStep;
        if (x < 0 || x > kWidth) vx = -vx;
        if (y < 0 || y > kHeight) vy = -vy;
    }
};

std::vector<Mover> makeMovers(int count)
{
    std::vector<Mover> movers;
    uint32_t seed = 2024;
    auto next = [&seed]() {
        seed = seed * 1103515245u + 12345u;
        return static_cast<float>((seed >> 8) & 0xFFFF) / 65535.f;
    };
    for (int i = 0; i < count; ++i) {
        movers.push_back({next() * kWidth, next() * kHeight, (next() - 0.5f) * 400, (next() - 0.5f) * 400,
                          i % kFrames});
    }
    return movers;
}

struct BenchContext {
    std::unique_ptr<GLContext> context = GLContext::createHeadless({kWidth, kHeight});
    bool ready = context && context->makeCurrent();
    Ref<CCTexture2D> texture;
    std::vector<Ref<CCSpriteFrame>> frames;

    BenchContext()
    {
        if (!ready) return;
        texture = makeRef<CCTexture2D>();
        Ref<Image> image = sheetImage();
        ready = image && texture->initWithImage(image.get(), kCCResolutioniPhone);
        for (int i = 0; ready && i < kFrames; ++i) {
            const CGRect cell{static_cast<float>((i % 8) * kCell), static_cast<float>((i / 8) * kCell), kCell,
                              kCell};
            frames.push_back(CCSpriteFrame::frameWithTexture(texture.get(), cell));
        }
    }
};

BenchContext& bench()
{
    static BenchContext shared;
    return shared;
}

// The frame loop's state (pixels for points), over a cleared surface.
void beginFrame()
{
    ccSetNodeDrawingState(kWidth, kHeight);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
}

// Sprites of the sheet moving under `parent` (a batch node or a plain node).
void runEngineFrames(benchmark::State& state, CCNode* parent)
{
    std::vector<Mover> movers = makeMovers(static_cast<int>(state.range(0)));
    std::vector<Ref<CCSprite>> sprites;
    for (const Mover& m : movers) {
        Ref<CCSprite> sprite = CCSprite::spriteWithSpriteFrame(bench().frames[m.frame].get());
        sprite->setPosition({m.x, m.y});
        parent->addChild(sprite.get());
        sprites.push_back(sprite);
    }
    for (auto _ : state) {
        for (size_t i = 0; i < movers.size(); ++i) {
            movers[i].step();
            sprites[i]->setPosition({movers[i].x, movers[i].y});
        }
        beginFrame();
        parent->visit();
        glFinish();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_BatchNode(benchmark::State& state)
{
    if (!bench().ready) {
        state.SkipWithError("no headless GL context");
        return;
    }
    Ref<CCSpriteBatchNode> batch = CCSpriteBatchNode::batchNodeWithTexture(bench().texture.get());
    runEngineFrames(state, batch.get());
}

void BM_SelfRendered(benchmark::State& state)
{
    if (!bench().ready) {
        state.SkipWithError("no headless GL context");
        return;
    }
    Ref<CCNode> plain = CCNode::node();
    runEngineFrames(state, plain.get());
}

// The floor: the same quads written into client memory, uploaded into one
// vertex buffer and drawn with one indexed call per frame.
void BM_RawGLFloor(benchmark::State& state)
{
    if (!bench().ready) {
        state.SkipWithError("no headless GL context");
        return;
    }
    const int count = static_cast<int>(state.range(0));
    std::vector<Mover> movers = makeMovers(count);
    std::vector<ccV3F_C4B_T2F_Quad> quads(static_cast<size_t>(count));
    std::vector<uint16_t> indices(static_cast<size_t>(count) * 6);
    for (int i = 0; i < count; ++i) {
        const uint16_t base = static_cast<uint16_t>(i * 4);
        const uint16_t six[6] = {base, static_cast<uint16_t>(base + 1), static_cast<uint16_t>(base + 2),
                                 static_cast<uint16_t>(base + 3), static_cast<uint16_t>(base + 2),
                                 static_cast<uint16_t>(base + 1)};
        std::copy(six, six + 6, &indices[static_cast<size_t>(i) * 6]);
    }
    GLuint buffers[2];
    glGenBuffers(2, buffers);
    glBindBuffer(GL_ARRAY_BUFFER, buffers[0]);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(quads.size() * sizeof(quads[0])), nullptr,
                 GL_DYNAMIC_DRAW);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers[1]);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * 2), indices.data(),
                 GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);

    const float texture = 256;
    for (auto _ : state) {
        for (int i = 0; i < count; ++i) {
            Mover& m = movers[static_cast<size_t>(i)];
            m.step();
            const float left = static_cast<float>((m.frame % 8) * kCell) / texture;
            const float top = static_cast<float>((m.frame / 8) * kCell) / texture;
            const float right = left + kCell / texture;
            const float bottom = top + kCell / texture;
            const float x1 = m.x - kCell / 2.f;
            const float y1 = m.y - kCell / 2.f;
            const float x2 = x1 + kCell;
            const float y2 = y1 + kCell;
            const ccColor4B white{255, 255, 255, 255};
            quads[static_cast<size_t>(i)] = {{{x1, y2, 0}, white, {left, top}},
                                             {{x1, y1, 0}, white, {left, bottom}},
                                             {{x2, y2, 0}, white, {right, top}},
                                             {{x2, y1, 0}, white, {right, bottom}}};
        }
        beginFrame();
        glBindTexture(GL_TEXTURE_2D, bench().texture->name());
        glBindBuffer(GL_ARRAY_BUFFER, buffers[0]);
        glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(quads.size() * sizeof(quads[0])),
                        quads.data());
        constexpr GLsizei kStride = sizeof(ccV3F_C4B_T2F);
        glVertexPointer(3, GL_FLOAT, kStride, reinterpret_cast<const void*>(0));
        glColorPointer(4, GL_UNSIGNED_BYTE, kStride, reinterpret_cast<const void*>(12));
        glTexCoordPointer(2, GL_FLOAT, kStride, reinterpret_cast<const void*>(16));
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers[1]);
        glDrawElements(GL_TRIANGLES, count * 6, GL_UNSIGNED_SHORT, nullptr);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
        glFinish();
    }
    glDeleteBuffers(2, buffers);
    state.SetItemsProcessed(state.iterations() * count);
}

BENCHMARK(BM_RawGLFloor)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BatchNode)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SelfRendered)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    mw::bench::SummaryReporter reporter;
    return mw::bench::runBenchmarks(argc, argv, reporter, [](const mw::bench::SummaryReporter& r) {
        for (const char* sprites : {"1000", "10000"}) {
            const std::string suffix = std::string("/") + sprites + "/real_time";
            const std::string subject = std::string(sprites) + " sprites, batch node";
            mw::bench::printRatio(r, subject.c_str(), "BM_BatchNode" + suffix, "BM_RawGLFloor" + suffix, "ms/frame");
            const std::string self = std::string(sprites) + " sprites, self-rendered";
            mw::bench::printRatio(r, self.c_str(), "BM_SelfRendered" + suffix, "BM_RawGLFloor" + suffix, "ms/frame");
        }
    });
}
