#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/base/CCWinSize.h"
#include "engine/effects/CCGrid3D.h"
#include "foundation/Random.h"
#include "tests/support/GLTestContext.h"

namespace mw::test {

// rand() answers a script, round and round; the other generators are the default ones.
class ScriptedRand : public DefaultRandomSource {
public:
    explicit ScriptedRand(std::vector<int32_t> draws) : draws_(std::move(draws)) {}
    int32_t rand() override { return draws_[next_++ % draws_.size()]; }

private:
    std::vector<int32_t> draws_;
    size_t next_ = 0;
};

// Every coordinate of a grid's current mesh: vertex by vertex on a
// continuous mesh, corner by corner (in corner order) on tiles.
inline std::vector<float> gridCoordinates(const CCGridBase& grid)
{
    std::vector<float> coords;
    auto push = [&](ccVertex3F v) { coords.insert(coords.end(), {v.x, v.y, v.z}); };
    const ccGridSize size = grid.gridSize();
    if (const auto* mesh = dynamic_cast<const CCGrid3D*>(&grid)) {
        for (int32_t i = 0; i <= size.x; ++i) {
            for (int32_t j = 0; j <= size.y; ++j) push(mesh->vertex({i, j}));
        }
    } else if (const auto* tiles = dynamic_cast<const CCTiledGrid3D*>(&grid)) {
        for (int32_t i = 0; i < size.x; ++i) {
            for (int32_t j = 0; j < size.y; ++j) {
                const ccQuad3 q = tiles->tile({i, j});
                for (const ccVertex3F& v : {q.bl, q.br, q.tl, q.tr}) push(v);
            }
        }
    }
    return coords;
}

// A 480 x 320 window (scale 1) over a small headless surface: the grids size
// their textures by the window, the surface only has to exist.
class EffectsTest : public GLRenderTest {
protected:
    EffectsTest() : GLRenderTest(64, 64) {}
    void SetUp() override
    {
        GLRenderTest::SetUp();
        ccSetWinSizeProvider(+[]() -> CGSize { return {480, 320}; });
    }
    void TearDown() override { ccSetWinSizeProvider(nullptr); }
};

} // namespace mw::test
