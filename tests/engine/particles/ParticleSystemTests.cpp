// The emitter itself, without drawing: births from a scripted random source,
// the emission clock, duration and removal, the two motion modes, the three
// position types, and the property-list reader.

#include <cmath>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "engine/base/ccContentScale.h"
#include "engine/particles/CCParticleSystem.h"
#include "foundation/Log.h"
#include "foundation/PropertyList.h"
#include "foundation/Random.h"
#include "foundation/Value.h"
#include "tests/support/ScriptedRandom.h"
#include "tests/support/SharedInstances.h"

namespace mw {
namespace {

// random() = 2^30 makes every spread draw exactly 0 and leaves the base values.
constexpr int32_t kMiddle = 1 << 30;
constexpr int32_t kTop = 0x7FFFFFFF;  // a spread draw just under +1

// Records the drawn position the renderer hook is handed for each particle.
class ProbeSystem : public CCParticleSystem {
public:
    static Ref<ProbeSystem> make(uint32_t n)
    {
        auto system = makeRef<ProbeSystem>();
        EXPECT_TRUE(system->initWithTotalParticles(n));
        return system;
    }
    void updateQuadWithParticle(sCCParticle&, CGPoint pos) override { drawn.push_back(pos); }
    std::vector<CGPoint> drawn;
};

class ParticleSystemTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::resetSharedInstances();
        ccSetContentScaleFactor(1);
    }
    void TearDown() override
    {
        ccSetContentScaleFactor(1);
        test::resetSharedInstances();
    }
    ScopedRandomSource random_{std::make_shared<test::ScriptedRandom>(kMiddle)};
};

TEST_F(ParticleSystemTest, BirthTakesBaseValuesScaledToPixels)
{
    ccSetContentScaleFactor(2);
    auto system = ProbeSystem::make(4);
    system->setLife(2);
    system->setSourcePosition({3, 4});
    system->setStartColor({1, 0.5f, 0, 1});
    system->setEndColor({0, 0.5f, 1, 0});
    system->setStartSize(10);
    system->setEndSize(20);
    system->setStartSpin(30);
    system->setEndSpin(90);
    system->setAngle(90);
    system->setSpeed(5);
    system->setRadialAccel(7);
    ASSERT_TRUE(system->addParticle());
    const sCCParticle& p = system->particles()[0];
    EXPECT_FLOAT_EQ(p.lifeLeft, 2);
    EXPECT_FLOAT_EQ(p.position.x, 6);
    EXPECT_FLOAT_EQ(p.position.y, 8);
    EXPECT_FLOAT_EQ(p.color.g, 0.5f);
    EXPECT_FLOAT_EQ(p.deltaColor.r, -0.5f);
    EXPECT_FLOAT_EQ(p.deltaColor.b, 0.5f);
    EXPECT_FLOAT_EQ(p.size, 20);
    EXPECT_FLOAT_EQ(p.deltaSize, 10);  // (40 - 20) pixels over 2 s
    EXPECT_FLOAT_EQ(p.rotation, 30);
    EXPECT_FLOAT_EQ(p.deltaRotation, 30);
    EXPECT_NEAR(p.dir.x, 0, 1e-5);
    EXPECT_FLOAT_EQ(p.dir.y, 10);
    EXPECT_FLOAT_EQ(p.radialAccel, 14);
}

TEST_F(ParticleSystemTest, SpreadsDrawInOrderAndClampColours)
{
    // Life first, then x and y of the position: a top draw on the life
    // only, middle draws after.
    ScopedRandomSource scripted(std::make_shared<test::ScriptedRandom>(
        std::vector<int32_t>{kTop, kMiddle, 0, kTop, kMiddle, kMiddle, kMiddle, kMiddle, kMiddle, kMiddle, kMiddle,
                             kMiddle, kMiddle, kMiddle, kMiddle, kMiddle}));
    auto system = ProbeSystem::make(1);
    system->setLife(1);
    system->setLifeVar(1);
    system->setPosVar({10, 10});
    system->setStartColor({0.9f, 0.5f, 0.5f, 0.5f});
    system->setStartColorVar({0.5f, 0, 0, 0});
    system->setEndSize(kCCParticleStartSizeEqualToEndSize);
    ASSERT_TRUE(system->addParticle());
    const sCCParticle& p = system->particles()[0];
    EXPECT_NEAR(p.lifeLeft, 2, 1e-6);
    EXPECT_FLOAT_EQ(p.position.x, 0);
    EXPECT_FLOAT_EQ(p.position.y, -10);  // a zero draw is -1
    EXPECT_FLOAT_EQ(p.color.r, 1);       // 0.9 + 0.5 clamps to 1
    EXPECT_FLOAT_EQ(p.deltaSize, 0);
}

struct EmissionCase {
    const char* name;
    float rate;
    float duration;
    std::vector<float> steps;
    uint32_t expectedCount;
    bool expectedActive;
};

class EmissionTest : public ParticleSystemTest, public ::testing::WithParamInterface<EmissionCase> {};

TEST_P(EmissionTest, CountsAndStops)
{
    const EmissionCase& c = GetParam();
    auto system = ProbeSystem::make(5);
    system->setLife(100);
    system->setEmissionRate(c.rate);
    system->setDuration(c.duration);
    for (float dt : c.steps) system->update(dt);
    EXPECT_EQ(system->particleCount(), c.expectedCount);
    EXPECT_EQ(system->isActive(), c.expectedActive);
}

INSTANTIATE_TEST_SUITE_P(
    Particles, EmissionTest,
    ::testing::Values(EmissionCase{"TenPerSecondForAQuarter", 10, -1, {0.25f}, 2, true},
                      EmissionCase{"SpreadOverFrames", 10, -1, {0.06f, 0.06f, 0.06f}, 1, true},
                      EmissionCase{"FullPoolStopsCounting", 100, -1, {1, 1}, 5, true},
                      EmissionCase{"RateZeroNeverEmitsNorStops", 0, 0.1f, {1, 1}, 0, true},
                      EmissionCase{"DurationStopsAfterPassingIt", 10, 0.1f, {0.05f, 0.06f}, 1, false},
                      EmissionCase{"DurationNotYetPassed", 10, 0.2f, {0.15f}, 1, true},
                      EmissionCase{"InfiniteDurationRuns", 1, -1, {3.5f}, 3, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ParticleSystemTest, LimitAbovePoolIsCutToThePool)
{
    // Regression: a raised limit let emission write past the pool.
    auto system = ProbeSystem::make(4);
    ScopedLogCapture log;
    system->setTotalParticles(10);
    EXPECT_EQ(system->totalParticles(), 4u);
    EXPECT_TRUE(log.contains("above the pool"));
    system->setLife(100);
    system->setEmissionRate(1000);
    system->update(1);
    EXPECT_EQ(system->particleCount(), 4u);
    system->setTotalParticles(2);
    EXPECT_EQ(system->totalParticles(), 2u);
}

TEST_F(ParticleSystemTest, DeadParticleIsReplacedByTheLastAndNeverDrawn)
{
    auto system = ProbeSystem::make(3);
    system->setLife(1);
    system->setEmissionRate(1000);
    system->update(0.0025f);  // two born
    ASSERT_EQ(system->particleCount(), 2u);
    system->setEmissionRate(0);
    system->drawn.clear();
    system->update(2);
    EXPECT_EQ(system->particleCount(), 0u);
    EXPECT_TRUE(system->drawn.empty());
    EXPECT_EQ(system->particleIdx(), 0u);
}

TEST_F(ParticleSystemTest, AutoRemovalLeavesTheParentWhenTheLastDies)
{
    auto parent = CCNode::node();
    auto system = ProbeSystem::make(2);
    parent->addChild(system.get());
    system->setAutoRemoveOnFinish(true);
    system->setLife(0.5f);
    system->setEmissionRate(1000);
    system->setDuration(0.001f);
    system->update(0.0015f);
    ASSERT_EQ(system->particleCount(), 1u);
    EXPECT_FALSE(system->isActive());
    system->update(0.2f);
    EXPECT_EQ(system->parent(), parent.get());
    system->update(0.4f);
    EXPECT_EQ(system->parent(), nullptr);
    EXPECT_EQ(parent->children()->count(), 0u);

    // One that never had a particle stays.
    auto idle = ProbeSystem::make(2);
    parent->addChild(idle.get());
    idle->setAutoRemoveOnFinish(true);
    idle->update(1);
    EXPECT_EQ(idle->parent(), parent.get());
}

TEST_F(ParticleSystemTest, ResetKillsEveryLiveParticleAtTheNextUpdate)
{
    auto system = ProbeSystem::make(3);
    system->setLife(100);
    system->setEmissionRate(1000);
    system->setDuration(0.01f);
    system->update(0.02f);
    ASSERT_TRUE(system->isFull());
    ASSERT_FALSE(system->isActive());
    system->resetSystem();
    EXPECT_TRUE(system->isActive());
    EXPECT_FLOAT_EQ(system->elapsed(), 0);
    system->setEmissionRate(0);
    system->update(0);
    EXPECT_EQ(system->particleCount(), 0u);
}

TEST_F(ParticleSystemTest, InvisibleSystemEmitsButDoesNotAge)
{
    auto system = ProbeSystem::make(3);
    system->setLife(1);
    system->setEmissionRate(100);
    system->setVisible(false);
    system->update(5);
    EXPECT_EQ(system->particleCount(), 3u);
    EXPECT_FLOAT_EQ(system->particles()[0].lifeLeft, 1);
}

TEST_F(ParticleSystemTest, GravityModeIntegratesVelocityThenPosition)
{
    auto system = ProbeSystem::make(1);
    system->setLife(10);
    system->setEmissionRate(1000);
    system->setGravity({0, -10});
    system->setAngle(0);
    system->setSpeed(4);
    system->setPositionType(kCCPositionTypeGrouped);
    system->update(0.002f);
    system->setEmissionRate(0);
    system->update(1);
    const sCCParticle& p = system->particles()[0];
    // Born with (4, 0); the first update already moved it by 0.002 s.
    EXPECT_NEAR(p.dir.y, -10.02f, 1e-3);
    EXPECT_NEAR(p.position.x, 4.008f, 1e-3);
    EXPECT_NEAR(p.position.y, -10.02f, 1e-3);
}

TEST_F(ParticleSystemTest, RadiusModeCirclesTheOrigin)
{
    auto system = ProbeSystem::make(1);
    system->setEmitterMode(kCCParticleModeRadius);
    system->setLife(10);
    system->setEmissionRate(1000);
    system->setStartRadius(10);
    system->setEndRadius(kCCParticleStartRadiusEqualToEndRadius);
    system->setRotatePerSecond(90);
    system->setAngle(0);
    system->setPositionType(kCCPositionTypeGrouped);
    system->update(0.0015f);
    system->setEmissionRate(0);
    const float bornAngle = system->particles()[0].angle;
    system->update(1);
    const sCCParticle& p = system->particles()[0];
    EXPECT_FLOAT_EQ(p.radius, 10);
    EXPECT_NEAR(p.angle - bornAngle, 1.5707963f, 1e-5);
    EXPECT_NEAR(p.position.x, -std::cos(p.angle) * 10, 1e-4);
    EXPECT_NEAR(p.position.y, -std::sin(p.angle) * 10, 1e-4);

    // A finite end radius shrinks it over the life.
    system->setEndRadius(0);
    system->resetSystem();
    system->update(0);
    system->setEmissionRate(1000);
    system->update(0.0015f);
    EXPECT_FLOAT_EQ(system->particles()[0].deltaRadius, -1);  // 10 pixels over 10 s
}

TEST_F(ParticleSystemTest, ModeBlocksShareStorage)
{
    auto system = ProbeSystem::make(1);
    system->setGravity({1, 2});
    system->setStartRadius(7);
    EXPECT_FLOAT_EQ(system->gravity().x, 7);
    system->setRotatePerSecond(5);
    EXPECT_FLOAT_EQ(system->tangentialAccel(), 5);
}

struct PositionTypeCase {
    const char* name;
    int type;
    bool moveParent;  // else the emitter itself moves
    float expectedDrawnX;
};

class PositionTypeTest : public ParticleSystemTest, public ::testing::WithParamInterface<PositionTypeCase> {};

TEST_P(PositionTypeTest, FollowsEmitterOrParentAsTheTypeSays)
{
    const PositionTypeCase& c = GetParam();
    auto parent = CCNode::node();
    auto system = ProbeSystem::make(1);
    parent->addChild(system.get());
    system->setPositionType(c.type);
    system->setLife(10);
    system->setEmissionRate(1000);
    system->update(0.0015f);
    system->setEmissionRate(0);
    (c.moveParent ? static_cast<CCNode*>(parent.get()) : static_cast<CCNode*>(system.get()))->setPosition({50, 0});
    system->drawn.clear();
    system->update(0);
    ASSERT_EQ(system->drawn.size(), 1u);
    EXPECT_FLOAT_EQ(system->drawn[0].x, c.expectedDrawnX);
}

// Drawn positions are in the emitter's space: -50 keeps a particle where it
// was born while its emitter moved 50 to the right.
INSTANTIATE_TEST_SUITE_P(Particles, PositionTypeTest,
                         ::testing::Values(PositionTypeCase{"FreeStaysInWorldWhenEmitterMoves", 0, false, -50},
                                           PositionTypeCase{"FreeStaysInWorldWhenParentMoves", 0, true, -50},
                                           PositionTypeCase{"RelativeStaysInParentWhenEmitterMoves", 1, false, -50},
                                           PositionTypeCase{"RelativeMovesWithParent", 1, true, 0},
                                           PositionTypeCase{"GroupedMovesWithEmitter", 2, false, 0},
                                           PositionTypeCase{"GroupedMovesWithParent", 2, true, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

// A particle property list (no texture) of either version.
Value particleList(int version)
{
    std::optional<Value> dict = readPropertyList(std::string(R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
<key>maxParticles</key><integer>8</integer>
<key>angle</key><real>45</real><key>angleVariance</key><real>5</real>
<key>duration</key><real>-1</real>
<key>blendFuncSource</key><integer>770</integer><key>blendFuncDestination</key><integer>1</integer>
<key>startColorRed</key><real>0.25</real><key>finishColorAlpha</key><real>0.5</real>
<key>startParticleSize</key><real>12</real><key>finishParticleSize</key><real>-1</real>
<key>sourcePositionx</key><real>30</real><key>sourcePositiony</key><real>40</real>
<key>sourcePositionVariancex</key><real>3</real>
<key>rotationEnd</key><real>180</real>
<key>version</key><integer>)") + std::to_string(version) + R"(</integer>
<key>startScale</key><real>1.5</real><key>endScale</key><real>-1</real>
<key>emitterType</key><integer>0</integer>
<key>gravityx</key><real>2</real><key>gravityy</key><real>-3</real>
<key>speed</key><real>60</real><key>tangentialAcceleration</key><real>4</real>
<key>particleLifespan</key><real>2</real>
</dict></plist>)");
    EXPECT_TRUE(dict.has_value());
    return dict ? *dict : Value();
}

TEST_F(ParticleSystemTest, PropertyListOfBothVersions)
{
    for (int version : {1, 2}) {
        SCOPED_TRACE(version);
        auto system = makeRef<CCParticleSystem>();
        ASSERT_TRUE(system->initWithDictionary(particleList(version)));
        EXPECT_EQ(system->totalParticles(), 8u);
        EXPECT_FLOAT_EQ(system->angle(), 45);
        EXPECT_FLOAT_EQ(system->emissionRate(), 4);
        EXPECT_TRUE(system->blendAdditive());
        EXPECT_FLOAT_EQ(system->startColor().r, 0.25f);
        EXPECT_FLOAT_EQ(system->endColor().a, 0.5f);
        EXPECT_EQ(system->position(), CGPoint(30, 40));
        EXPECT_EQ(system->sourcePosition(), CGPoint(0, 0));
        EXPECT_FLOAT_EQ(system->posVar().x, 3);
        EXPECT_FLOAT_EQ(system->endSpin(), 180);
        EXPECT_EQ(system->gravity(), CGPoint(2, -3));
        EXPECT_FLOAT_EQ(system->speed(), 60);
        EXPECT_FLOAT_EQ(system->tangentialAccel(), 4);
        EXPECT_FLOAT_EQ(system->startScale(), version == 2 ? 1.5f : 0);
        EXPECT_FLOAT_EQ(system->endScale(), version == 2 ? -1 : 0);
        EXPECT_EQ(system->texture(), nullptr);
    }
}

TEST_F(ParticleSystemTest, ListWithoutLifeFillsThePoolAtOnce)
{
    Value list = particleList(1);
    list.remove("particleLifespan");
    auto system = makeRef<CCParticleSystem>();
    ASSERT_TRUE(system->initWithDictionary(list));
    EXPECT_TRUE(std::isinf(system->emissionRate()));
    // Hidden, so that the particles born with no life are not aged away.
    system->setVisible(false);
    system->update(0.001f);
    EXPECT_EQ(system->particleCount(), 8u);
}

TEST_F(ParticleSystemTest, UnreadableFileGivesNullWithALine)
{
    ScopedLogCapture log;
    EXPECT_EQ(CCParticleSystem::particleWithFile("/nonexistent/particles.plist"), nullptr);
    EXPECT_TRUE(log.contains("Particle system: cannot read"));
}

} // namespace
} // namespace mw
