// Updating and drawing 2,048 particles per frame (the pool the scene-file
// reader gives its emitters), headless at 640x960, through a self-rendering
// quad particle system, against a floor measured in the same run: a plain
// loop over the same particle records doing the same motion, writing the
// same quads, uploading them and drawing them with one call. Every particle
// lives through the run and spins, so each frame moves, rotates and draws
// all 2,048. Each iteration is one frame, finished with glFinish so the
// GPU's work is counted. The summary prints both frame times and the ratio.

#include <benchmark/benchmark.h>

#include <GLES/gl.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/base/ccDrawingState.h"
#include "engine/particles/CCParticleSystemQuad.h"
#include "engine/textures/CCTexture2D.h"
#include "engine/textures/ccQuadTypes.h"
#include "foundation/Random.h"
#include "platform/GLContext.h"
#include "platform/Image.h"

namespace {

using namespace mw;

constexpr int kWidth = 640;
constexpr int kHeight = 960;
constexpr uint32_t kParticles = 2048;
constexpr float kStep = 1 / 60.f;

// A soft white spot.
Ref<Image> sparkImage()
{
    std::vector<uint8_t> pixels;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const float d = std::min(1.f, std::hypot(x - 15.5f, y - 15.5f) / 15.5f);
            pixels.insert(pixels.end(), {255, 255, 255, static_cast<uint8_t>((1 - d) * 255)});
        }
    }
    return Image::fromRGBA(std::move(pixels), 32, 32, ImageAlphaInfo::Last);
}

struct BenchContext {
    std::unique_ptr<GLContext> context = GLContext::createHeadless({kWidth, kHeight});
    bool ready = context && context->makeCurrent();
    Ref<CCTexture2D> texture;

    BenchContext()
    {
        if (!ready) return;
        texture = makeRef<CCTexture2D>();
        Ref<Image> image = sparkImage();
        ready = image && texture->initWithImage(image.get(), kCCResolutioniPhone);
    }
};

BenchContext& bench()
{
    static BenchContext shared;
    return shared;
}

void beginFrame()
{
    ccSetNodeDrawingState(kWidth, kHeight);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
}

// An emitter in the screen's centre with a full pool of long-lived,
// spinning, colour-changing particles in gravity mode, born from a seed.
Ref<CCParticleSystemQuad> fullSystem()
{
    Random::srandom(2048);
    Ref<CCParticleSystemQuad> system = CCParticleSystemQuad::particleWithTotalParticles(kParticles);
    system->setTexture(bench().texture.get());
    system->setPosition({kWidth / 2.f, kHeight / 2.f});
    system->setLife(1e6f);
    system->setDuration(kCCParticleDurationInfinity);
    system->setEmissionRate(1e9f);
    system->setAngle(90);
    system->setAngleVar(180);
    system->setSpeed(60);
    system->setSpeedVar(40);
    system->setGravity({0, -5});
    system->setRadialAccel(-2);
    system->setTangentialAccel(3);
    system->setStartSize(12);
    system->setStartSizeVar(4);
    system->setEndSize(24);
    system->setStartSpin(0);
    system->setStartSpinVar(180);
    system->setEndSpin(720);
    system->setStartColor({0.9f, 0.6f, 0.2f, 1});
    system->setStartColorVar({0.1f, 0.2f, 0.2f, 0});
    system->setEndColor({0.2f, 0.2f, 0.9f, 0});
    system->setBlendAdditive(true);
    system->update(kStep);  // fills the pool
    return system;
}

void BM_ParticleSystemQuad(benchmark::State& state)
{
    if (!bench().ready) {
        state.SkipWithError("no headless GL context");
        return;
    }
    Ref<CCParticleSystemQuad> system = fullSystem();
    if (system->particleCount() != kParticles) {
        state.SkipWithError("the pool did not fill");
        return;
    }
    for (auto _ : state) {
        system->update(kStep);
        beginFrame();
        system->visit();
        glFinish();
    }
    state.SetItemsProcessed(state.iterations() * kParticles);
}

// The floor: the same records, the same motion and quads, one upload and
// one indexed draw, with nothing of the engine in between.
void BM_PlainLoopFloor(benchmark::State& state)
{
    if (!bench().ready) {
        state.SkipWithError("no headless GL context");
        return;
    }
    Ref<CCParticleSystemQuad> source = fullSystem();
    std::vector<sCCParticle> particles(source->particles(), source->particles() + source->particleCount());
    const CGPoint gravity = source->gravity();
    // The emitter's world origin, in pixels: the reference point of free
    // particles, and where the emitter's transform puts its space.
    const CGPoint reference{kWidth / 2.f, kHeight / 2.f};
    const ccBlendFunc blend = source->blendFunc();
    const CGRect rect = source->textureRect();
    const float left = rect.origin.x / 32, right = left + rect.size.width / 32;
    const float top = rect.origin.y / 32, bottom = top + rect.size.height / 32;

    std::vector<ccV3F_C4B_T2F_Quad> quads(kParticles);
    std::vector<uint16_t> indices(kParticles * 6);
    for (uint32_t i = 0; i < kParticles; ++i) {
        const auto base = static_cast<uint16_t>(i * 4);
        const uint16_t six[6] = {base, static_cast<uint16_t>(base + 1), static_cast<uint16_t>(base + 2),
                                 static_cast<uint16_t>(base + 3), static_cast<uint16_t>(base + 2),
                                 static_cast<uint16_t>(base + 1)};
        std::copy(six, six + 6, &indices[i * 6]);
    }
    GLuint buffer = 0;
    glGenBuffers(1, &buffer);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(quads.size() * sizeof(quads[0])), nullptr,
                 GL_DYNAMIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);

    for (auto _ : state) {
        for (uint32_t i = 0; i < kParticles; ++i) {
            sCCParticle& p = particles[i];
            p.lifeLeft -= kStep;
            const float length = std::sqrt(p.position.x * p.position.x + p.position.y * p.position.y);
            CGPoint radial;
            if (length > 0) radial = {p.position.x / length, p.position.y / length};
            p.dir.x += (radial.x * p.radialAccel - radial.y * p.tangentialAccel + gravity.x) * kStep;
            p.dir.y += (radial.y * p.radialAccel + radial.x * p.tangentialAccel + gravity.y) * kStep;
            p.position.x += p.dir.x * kStep;
            p.position.y += p.dir.y * kStep;
            p.color.r += p.deltaColor.r * kStep;
            p.color.g += p.deltaColor.g * kStep;
            p.color.b += p.deltaColor.b * kStep;
            p.color.a += p.deltaColor.a * kStep;
            p.size = std::max(0.f, p.size + p.deltaSize * kStep);
            p.rotation += p.deltaRotation * kStep;

            const float x = p.position.x - (reference.x - p.birthPosition.x) + reference.x;
            const float y = p.position.y - (reference.y - p.birthPosition.y) + reference.y;
            const ccColor4B colour{static_cast<uint8_t>(p.color.r * 255), static_cast<uint8_t>(p.color.g * 255),
                                   static_cast<uint8_t>(p.color.b * 255), static_cast<uint8_t>(p.color.a * 255)};
            const float half = p.size / 2;
            const float theta = -p.rotation * 0.017453292f;
            const float c = std::cos(theta), s = std::sin(theta);
            auto corner = [&](float cx, float cy, float u, float v) {
                return ccV3F_C4B_T2F{{x + cx * c - cy * s, y + cx * s + cy * c, 0}, colour, {u, v}};
            };
            quads[i] = {corner(-half, half, left, top), corner(-half, -half, left, bottom),
                        corner(half, half, right, top), corner(half, -half, right, bottom)};
        }
        beginFrame();
        glBindBuffer(GL_ARRAY_BUFFER, buffer);
        glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(quads.size() * sizeof(quads[0])),
                        quads.data());
        glBindTexture(GL_TEXTURE_2D, bench().texture->name());
        constexpr GLsizei kStride = sizeof(ccV3F_C4B_T2F);
        glVertexPointer(3, GL_FLOAT, kStride, reinterpret_cast<const void*>(0));
        glColorPointer(4, GL_UNSIGNED_BYTE, kStride, reinterpret_cast<const void*>(12));
        glTexCoordPointer(2, GL_FLOAT, kStride, reinterpret_cast<const void*>(16));
        glBlendFunc(blend.src, blend.dst);
        glDrawElements(GL_TRIANGLES, kParticles * 6, GL_UNSIGNED_SHORT, indices.data());
        glBlendFunc(kCCBlendFuncDefault.src, kCCBlendFuncDefault.dst);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glFinish();
    }
    benchmark::DoNotOptimize(particles.data());
    glDeleteBuffers(1, &buffer);
    state.SetItemsProcessed(state.iterations() * kParticles);
}

BENCHMARK(BM_PlainLoopFloor)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ParticleSystemQuad)->Unit(benchmark::kMillisecond)->UseRealTime();

// Keeps each run's milliseconds per frame for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& run : runs) {
            if (run.iterations > 0) msPerFrame[run.benchmark_name()] = run.GetAdjustedRealTime();
        }
    }
    std::map<std::string, double> msPerFrame;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    // With --benchmark_repetitions the medians are compared.
    auto find = [&reporter](const std::string& name) {
        const auto median = reporter.msPerFrame.find(name + "/real_time_median");
        return median != reporter.msPerFrame.end() ? median : reporter.msPerFrame.find(name + "/real_time");
    };
    const auto floor = find("BM_PlainLoopFloor");
    const auto engine = find("BM_ParticleSystemQuad");
    if (floor != reporter.msPerFrame.end() && engine != reporter.msPerFrame.end()) {
        std::printf("\n%u particles: plain-loop floor %7.3f ms/frame, particle system %7.3f ms/frame (ratio %5.2fx)\n",
                    kParticles, floor->second, engine->second, engine->second / floor->second);
    }
    benchmark::Shutdown();
    return 0;
}
