// The eleven preset emitters: their rates for the default and another count,
// where they start, and a headless picture of each after a few seconds.

#include <functional>
#include <memory>

#include <gtest/gtest.h>

#include "engine/particles/CCParticleExamples.h"
#include "engine/textures/CCTexture2D.h"
#include "foundation/Random.h"
#include "tests/engine/particles/ParticleTestSupport.h"

namespace mw {
namespace {

struct PresetCase {
    const char* name;
    std::function<Ref<CCParticleSystemQuad>(uint32_t)> make;
    uint32_t defaultCount;
    float defaultRate;
    float rateFor100;
    bool additive;
};

template <typename T>
std::function<Ref<CCParticleSystemQuad>(uint32_t)> maker()
{
    return [](uint32_t n) -> Ref<CCParticleSystemQuad> {
        Ref<T> system = T::withTotalParticles(n);
        return Ref<CCParticleSystemQuad>(system.get());
    };
}

const PresetCase kPresets[] = {
    {"Fireworks", maker<CCParticleFireworks>(), 1500, 1500 / 3.5f, 100 / 3.5f, false},
    {"Fire", maker<CCParticleFire>(), 250, 250 / 3.f, 100 / 3.f, true},
    {"Sun", maker<CCParticleSun>(), 350, 350, 100, true},
    {"Galaxy", maker<CCParticleGalaxy>(), 200, 50, 25, true},
    {"Flower", maker<CCParticleFlower>(), 250, 62.5f, 25, true},
    {"Meteor", maker<CCParticleMeteor>(), 150, 75, 50, true},
    {"Spiral", maker<CCParticleSpiral>(), 500, 500 / 12.f, 100 / 12.f, false},
    {"Explosion", maker<CCParticleExplosion>(), 700, 7000, 1000, false},
    {"Smoke", maker<CCParticleSmoke>(), 200, 50, 25, false},
    {"Snow", maker<CCParticleSnow>(), 700, 10, 10, false},
    {"Rain", maker<CCParticleRain>(), 1000, 20, 20, false},
};

class PresetEmitterTest : public test::GLRenderTest, public ::testing::WithParamInterface<PresetCase> {
protected:
    PresetEmitterTest() : GLRenderTest(160, 240) {}
    void SetUp() override
    {
        GLRenderTest::SetUp();
        bundle_ = std::make_unique<test::ScratchBundle>();
        bundle_->writeImage("fire.png", *test::sparkImage());
        Random::srandom(15);
    }
    void TearDown() override { bundle_.reset(); }

    test::ScopedWinSize window_{160, 240};
    std::unique_ptr<test::ScratchBundle> bundle_;
};

TEST_P(PresetEmitterTest, RatesFollowTheCountExceptFixedOnes)
{
    const PresetCase& c = GetParam();
    Ref<CCParticleSystemQuad> standard = c.make(c.defaultCount);
    ASSERT_NE(standard, nullptr);
    EXPECT_EQ(standard->totalParticles(), c.defaultCount);
    EXPECT_FLOAT_EQ(standard->emissionRate(), c.defaultRate);
    EXPECT_EQ(standard->blendAdditive(), c.additive);
    EXPECT_EQ(standard->emitterMode(), kCCParticleModeGravity);
    EXPECT_FLOAT_EQ(standard->endSize(), kCCParticleStartSizeEqualToEndSize);
    ASSERT_NE(standard->texture(), nullptr);
    Ref<CCParticleSystemQuad> hundred = c.make(100);
    ASSERT_NE(hundred, nullptr);
    EXPECT_FLOAT_EQ(hundred->emissionRate(), c.rateFor100);
    EXPECT_FLOAT_EQ(hundred->life(), standard->life());
}

TEST_P(PresetEmitterTest, DrawsAfterThreeSeconds)
{
    const PresetCase& c = GetParam();
    Ref<CCParticleSystemQuad> system = c.make(c.defaultCount);
    ASSERT_NE(system, nullptr);
    for (int frame = 0; frame < 90; ++frame) system->update(1 / 30.f);
    EXPECT_GT(system->particleCount(), 0u);
    ccSetNodeDrawingState(160, 240);
    test::clearSurface(0, 0, 0, 1);
    system->visit();
    ccEndNodeDrawing();
    test::keepPicture(gl(), std::string("preset_") + c.name);
    const std::vector<uint8_t> pixels = gl().readRGBA();
    size_t lit = 0;
    for (size_t i = 0; i < pixels.size(); i += 4) lit += (pixels[i] | pixels[i + 1] | pixels[i + 2]) ? 1 : 0;
    EXPECT_GT(lit, 20u);
}

INSTANTIATE_TEST_SUITE_P(Particles, PresetEmitterTest, ::testing::ValuesIn(kPresets),
                         [](const auto& info) { return std::string(info.param.name); });

class PresetBehaviourTest : public PresetEmitterTest {};

TEST_F(PresetBehaviourTest, ExplosionEmitsItsPoolAndLeavesWhenDone)
{
    auto parent = CCNode::node();
    auto explosion = CCParticleExplosion::node();
    ASSERT_NE(explosion, nullptr);
    parent->addChild(explosion.get());
    explosion->setAutoRemoveOnFinish(true);
    explosion->update(0.05f);
    explosion->update(0.06f);
    EXPECT_FALSE(explosion->isActive());
    EXPECT_GT(explosion->particleCount(), 690u);
    for (int i = 0; i < 100 && explosion->parent(); ++i) explosion->update(0.1f);
    EXPECT_EQ(explosion->parent(), nullptr);
}

TEST_F(PresetBehaviourTest, SnowAndRainSpanTheTopEdge)
{
    auto snow = CCParticleSnow::node();
    auto rain = CCParticleRain::node();
    EXPECT_EQ(snow->position(), CGPoint(80, 250));
    EXPECT_EQ(snow->posVar(), CGPoint(80, 0));
    EXPECT_EQ(rain->position(), CGPoint(80, 240));
    EXPECT_EQ(rain->posVar(), CGPoint(80, 0));
}

} // namespace
} // namespace mw
