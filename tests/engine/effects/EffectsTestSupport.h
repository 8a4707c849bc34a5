#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/base/CCWinSize.h"
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
