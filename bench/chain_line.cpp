// Drawing the chain line of a full chain (36 points: two round caps and one
// strip of 140 vertices) each frame, headless at 640x960, against a floor
// measured in the same run: a raw GLES loop drawing the same strip and caps
// from vertices computed once. The line computes its vertices afresh every
// frame on the stack, as the board's line does while the finger moves. Each
// iteration is one frame finished with glFinish. The summary prints the
// frame times and the ratio.

#include <benchmark/benchmark.h>

#include <GLES/gl.h>

#include <array>
#include <cmath>
#include <memory>
#include <vector>

#include "bench/BenchSummary.h"
#include "engine/base/ccDrawingState.h"
#include "foundation/Ref.h"
#include "game/boards/CCLineObject.h"
#include "game/boards/ccThickLine.h"
#include "platform/GLContext.h"

namespace {

using namespace mw;

constexpr int kWidth = 640;
constexpr int kHeight = 960;

// A chain that snakes through all 36 cells of the board.
std::vector<CGPoint> chainPoints()
{
    std::vector<CGPoint> points;
    for (int row = 0; row < 6; ++row) {
        for (int i = 0; i < 6; ++i) {
            const int column = row % 2 == 0 ? i : 5 - i;
            points.push_back({60.0f + 49.0f * static_cast<float>(column), 200.0f + 49.0f * static_cast<float>(row)});
        }
    }
    return points;
}

struct BenchContext {
    std::unique_ptr<GLContext> context = GLContext::createHeadless({kWidth, kHeight});
    bool ready = context && context->makeCurrent();
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

void BM_ChainLine(benchmark::State& state)
{
    if (!bench().ready) {
        state.SkipWithError("no headless GL context");
        return;
    }
    Ref<CCLineObject> line = CCLineObject::line();
    const std::vector<CGPoint> points = chainPoints();
    for (int i = 0; i < state.range(0); ++i)
        line->AddPoint(points[static_cast<size_t>(i)]);
    for (auto _ : state) {
        beginFrame();
        line->visit();
        glFinish();
    }
}

// The floor: the same caps and strip from vertices made before the loop.
void BM_RawGLFloor(benchmark::State& state)
{
    if (!bench().ready) {
        state.SkipWithError("no headless GL context");
        return;
    }
    const std::vector<CGPoint> points = chainPoints();
    const int count = static_cast<int>(state.range(0));
    std::vector<float> strip(8 * static_cast<size_t>(count));
    const int stripVertices = ccThickLineVertices(points.data(), count, ccThickLineHalfWidth(), 1, strip.data());
    std::array<float, 2 * 18> first{}, last{};
    ccCircleFanVertices(points.front(), ccThickLineCapRadius(), 0, 16, 1, first.data());
    ccCircleFanVertices(points[static_cast<size_t>(count - 1)], ccThickLineCapRadius(), 0, 16, 1, last.data());
    for (auto _ : state) {
        beginFrame();
        glColor4ub(255, 101, 0, 255);
        glDisable(GL_TEXTURE_2D);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        glDisableClientState(GL_COLOR_ARRAY);
        glVertexPointer(2, GL_FLOAT, 0, first.data());
        glDrawArrays(GL_TRIANGLE_FAN, 0, 17);
        glVertexPointer(2, GL_FLOAT, 0, strip.data());
        glDrawArrays(GL_TRIANGLE_STRIP, 0, stripVertices);
        glVertexPointer(2, GL_FLOAT, 0, last.data());
        glDrawArrays(GL_TRIANGLE_FAN, 0, 17);
        glEnableClientState(GL_COLOR_ARRAY);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glEnable(GL_TEXTURE_2D);
        glColor4ub(255, 255, 255, 255);
        glFinish();
    }
}

BENCHMARK(BM_ChainLine)->Arg(36)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RawGLFloor)->Arg(36)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    mw::bench::SummaryReporter reporter;
    return mw::bench::runBenchmarks(argc, argv, reporter, [](const mw::bench::SummaryReporter& r) {
        mw::bench::printRatio(r, "chain line, 36 points", "BM_ChainLine/36", "BM_RawGLFloor/36", "us");
    });
}
