// The quad and point renderers and the particle batch: pixels drawn, atlas
// ranges as children come and go, and property lists with embedded images.

#include <GLES/gl.h>

#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "engine/particles/CCParticleBatchNode.h"
#include "engine/particles/CCParticleSystemPoint.h"
#include "engine/particles/CCParticleSystemQuad.h"
#include "engine/sprites/CCAnimation.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "engine/textures/CCTexture2D.h"
#include "engine/textures/CCTextureAtlas.h"
#include "engine/textures/CCTextureCache.h"
#include "foundation/Log.h"
#include "foundation/Random.h"
#include "tests/engine/particles/ParticleTestSupport.h"
#include "tests/engine/support/ZipUtilsTestStreams.h"
#include "tests/support/ScriptedRandom.h"

namespace mw {
namespace {

using test::RGBA;

constexpr int32_t kMiddle = 1 << 30;  // every spread draw 0

class ParticleRenderTest : public test::GLRenderTest {
protected:
    ParticleRenderTest() : GLRenderTest(64, 64) {}
    void SetUp() override
    {
        GLRenderTest::SetUp();
        bundle_ = std::make_unique<test::ScratchBundle>();
        white_ = makeRef<CCTexture2D>();
        ASSERT_TRUE(white_->initWithImage(test::solidImage(8, {255, 255, 255, 255}).get()));
    }
    void TearDown() override
    {
        white_ = nullptr;
        bundle_.reset();
    }

    // One red particle of 16 points, standing still at the emitter.
    template <typename System>
    void configureOneRedParticle(System& system)
    {
        system.setLife(10);
        system.setEmissionRate(1000);
        system.setStartColor({1, 0, 0, 1});
        system.setEndColor({1, 0, 0, 1});
        system.setStartSize(16);
        system.setEndSize(kCCParticleStartSizeEqualToEndSize);
        system.setPositionType(kCCPositionTypeGrouped);
        system.setPosition({32, 32});
    }

    void drawNode(CCNode* node)
    {
        ccSetNodeDrawingState(64, 64);
        test::clearSurface(0, 0, 0, 0);
        node->visit();
        ccEndNodeDrawing();
    }

    ScopedRandomSource random_{std::make_shared<test::ScriptedRandom>(kMiddle)};
    std::unique_ptr<test::ScratchBundle> bundle_;
    Ref<CCTexture2D> white_;
};

TEST_F(ParticleRenderTest, QuadRendererDrawsEachLiveParticleAsASquare)
{
    auto system = CCParticleSystemQuad::particleWithTotalParticles(4);
    ASSERT_NE(system, nullptr);
    system->setTexture(white_.get());
    configureOneRedParticle(*system);
    system->update(0.0015f);
    ASSERT_EQ(system->particleIdx(), 1u);
    drawNode(system.get());
    test::keepPicture(gl(), "particle_quad");
    EXPECT_TRUE(test::nearColor(gl().readPixel(32, 32), {255, 0, 0, 255}));
    EXPECT_TRUE(test::nearColor(gl().readPixel(25, 39), {255, 0, 0, 255}));
    EXPECT_TRUE(test::nearColor(gl().readPixel(22, 32), {0, 0, 0, 0}));
    EXPECT_TRUE(test::nearColor(gl().readPixel(32, 42), {0, 0, 0, 0}));

    // Spun by 45 degrees the square's corner reaches further along the axes.
    system->setStartSpin(45);
    system->setEndSpin(45);
    system->resetSystem();
    system->update(0);
    system->update(0.0015f);
    drawNode(system.get());
    EXPECT_TRUE(test::nearColor(gl().readPixel(42, 32), {255, 0, 0, 255}));
    EXPECT_TRUE(test::nearColor(gl().readPixel(39, 39), {0, 0, 0, 0}));
}

TEST_F(ParticleRenderTest, PointRendererDrawsSpritesAndNothingWithoutParticles)
{
    auto system = CCParticleSystemPoint::particleWithTotalParticles(4);
    ASSERT_NE(system, nullptr);
    system->setTexture(white_.get());
    configureOneRedParticle(*system);
    drawNode(system.get());
    EXPECT_TRUE(test::nearColor(gl().readPixel(32, 32), {0, 0, 0, 0}));
    system->update(0.0015f);
    ASSERT_EQ(system->particleIdx(), 1u);
    EXPECT_EQ(system->vertices()[0].size, 16);
    drawNode(system.get());
    test::keepPicture(gl(), "particle_point");
    EXPECT_TRUE(test::nearColor(gl().readPixel(32, 32), {255, 0, 0, 255}));
    EXPECT_TRUE(test::nearColor(gl().readPixel(26, 38), {255, 0, 0, 255}));
    EXPECT_TRUE(test::nearColor(gl().readPixel(20, 32), {0, 0, 0, 0}));
}

TEST_F(ParticleRenderTest, AnimatedParticlesStepThroughTheirFrames)
{
    bundle_->loadTestSheet();
    CCSpriteFrameCache* frames = CCSpriteFrameCache::sharedSpriteFrameCache();
    auto animation = CCAnimation::animationWithFrames(
        std::vector<Ref<CCSpriteFrame>>{frames->spriteFrameByName("red"), frames->spriteFrameByName("white")}, 0.1f);
    struct Case {
        const char* name;
        int type;
        std::vector<float> uAfterEachStep;  // left u of the quad: red 0, white 0.25
    };
    const Case cases[] = {
        // The first step already moves one frame on, as the clock starts at the frame's end.
        {"loop", kCCParticleAnimationLoop, {0.25f, 0, 0.25f, 0}},
        {"once", kCCParticleAnimationOnce, {0.25f, 0.25f, 0.25f, 0.25f}},
        {"still", kCCParticleAnimationRandomStill, {0, 0, 0, 0}},  // a draw of 0 picks the first frame
    };
    ScopedRandomSource lowest(std::make_shared<test::ScriptedRandom>(0));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto system = CCParticleSystemQuad::particleWithTotalParticles(2);
        system->setAnimation(animation.get());
        system->setAnimationType(c.type);
        system->setLife(10);
        system->setStartScale(2);
        system->setEndScale(kCCParticleStartSizeEqualToEndSize);
        system->setEmissionRate(1000);
        system->update(0.0015f);
        system->setEmissionRate(0);
        ASSERT_EQ(system->particleCount(), 1u);
        for (size_t step = 0; step < c.uAfterEachStep.size(); ++step) {
            if (step > 0) system->update(0.1f);
            EXPECT_FLOAT_EQ(system->quads()[0].tl.texCoords.u, c.uAfterEachStep[step]) << "step " << step;
        }
        // A 16-pixel frame at scale 2, anchored at its centre.
        EXPECT_FLOAT_EQ(system->quads()[0].tr.vertices.x - system->quads()[0].tl.vertices.x, 32);
    }
    // An animation without frames switches animation off and keeps the texture.
    auto system = CCParticleSystemQuad::particleWithTotalParticles(2);
    system->setTexture(white_.get());
    auto empty = CCAnimation::animation();
    system->setAnimation(empty.get());
    EXPECT_EQ(system->texture(), white_.get());
}

// Systems of the given pool sizes with their z orders.
struct Child {
    uint32_t pool;
    int z;
};

class ParticleBatchTest : public ParticleRenderTest {
protected:
    Ref<CCParticleBatchNode> makeBatch(uint32_t capacity)
    {
        auto batch = CCParticleBatchNode::particleBatchNodeWithTexture(white_.get(), capacity, true, false);
        EXPECT_NE(batch, nullptr);
        return batch;
    }
    Ref<CCParticleSystemQuad> addSystem(CCParticleBatchNode* batch, Child child)
    {
        auto system = CCParticleSystemQuad::particleWithTotalParticles(child.pool);
        EXPECT_NE(system, nullptr);
        batch->addChild(system.get(), child.z);
        return system;
    }
    // Each child's pool size and atlas start, in child order.
    static std::vector<std::pair<uint32_t, uint32_t>> ranges(CCParticleBatchNode* batch)
    {
        std::vector<std::pair<uint32_t, uint32_t>> out;
        for (Object* item : *batch->children()) {
            auto* system = static_cast<CCParticleSystem*>(item);
            out.emplace_back(system->totalParticles(), system->atlasIndex());
        }
        return out;
    }
};

TEST_F(ParticleBatchTest, NewChildGoesBeforeTheFirstChildOfGreaterZ)
{
    // Regression: the insert position was one slot before that child, which
    // put a z 5 system between two z 0 ones.
    struct Case {
        const char* name;
        std::vector<Child> existing;
        Child added;
        std::vector<std::pair<uint32_t, uint32_t>> expected;  // (pool, atlas start)
    };
    const Case cases[] = {
        {"between zero and ten", {{3, 0}, {2, 0}, {4, 10}}, {1, 5}, {{3, 0}, {2, 3}, {1, 5}, {4, 6}}},
        {"all of its own z", {{3, 0}, {2, 0}}, {1, 0}, {{3, 0}, {2, 3}, {1, 5}}},
        {"after negative ones", {{3, -5}, {2, -3}}, {1, -1}, {{3, 0}, {2, 3}, {1, 5}}},
        {"before every greater one", {{3, 2}, {2, 4}}, {1, 1}, {{1, 0}, {3, 1}, {2, 4}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto batch = makeBatch(4);
        std::vector<Ref<CCParticleSystemQuad>> keep;
        for (const Child& child : c.existing) keep.push_back(addSystem(batch.get(), child));
        keep.push_back(addSystem(batch.get(), c.added));
        EXPECT_EQ(ranges(batch.get()), c.expected);
        EXPECT_EQ(batch->textureAtlas()->totalQuads(), c.expected.back().first + c.expected.back().second);
        for (auto& system : keep) {
            EXPECT_TRUE(system->usesBatchNode());
            EXPECT_TRUE(system->quads().empty());
        }
    }
}

TEST_F(ParticleBatchTest, RangesCloseUpAsChildrenLeaveAndMoveOnReorder)
{
    auto batch = makeBatch(200);
    auto a = addSystem(batch.get(), {100, 0});
    EXPECT_EQ(batch->textureAtlas()->capacity(), 200u);
    auto b = addSystem(batch.get(), {150, 1});
    EXPECT_EQ(batch->textureAtlas()->capacity(), 250u);  // grown to exactly what is needed
    auto c = addSystem(batch.get(), {10, 2});
    EXPECT_EQ(ranges(batch.get()), (std::vector<std::pair<uint32_t, uint32_t>>{{100, 0}, {150, 100}, {10, 250}}));

    batch->reorderChild(a.get(), 5);
    EXPECT_EQ(ranges(batch.get()), (std::vector<std::pair<uint32_t, uint32_t>>{{150, 0}, {10, 150}, {100, 160}}));
    batch->reorderChild(a.get(), -1);
    EXPECT_EQ(ranges(batch.get()), (std::vector<std::pair<uint32_t, uint32_t>>{{100, 0}, {150, 100}, {10, 250}}));

    batch->removeChild(b.get(), true);
    EXPECT_EQ(ranges(batch.get()), (std::vector<std::pair<uint32_t, uint32_t>>{{100, 0}, {10, 100}}));
    EXPECT_EQ(batch->textureAtlas()->totalQuads(), 110u);
    EXPECT_TRUE(b->usesBatchNode());  // removed with cleanup: not switched back

    batch->removeChild(c.get(), false);
    EXPECT_FALSE(c->usesBatchNode());
    EXPECT_EQ(c->quads().size(), 10u);
    auto other = makeBatch(10);
    other->addChild(c.get());
    EXPECT_EQ(c->batchNode(), other.get());

    batch->removeAllChildrenWithCleanup(true);
    EXPECT_FALSE(a->usesBatchNode());
    EXPECT_EQ(batch->textureAtlas()->totalQuads(), 0u);
}

TEST_F(ParticleBatchTest, ChildrenDrawThroughTheAtlasAndDeadQuadsFlatten)
{
    auto batch = makeBatch(8);
    auto system = addSystem(batch.get(), {4, 0});
    configureOneRedParticle(*system);
    system->setLife(0.5f);
    system->update(0.0015f);
    ASSERT_EQ(system->particleCount(), 1u);
    drawNode(batch.get());
    test::keepPicture(gl(), "particle_batch");
    EXPECT_TRUE(test::nearColor(gl().readPixel(32, 32), {255, 0, 0, 255}));
    EXPECT_TRUE(test::nearColor(gl().readPixel(20, 32), {0, 0, 0, 0}));

    system->setEmissionRate(0);
    system->update(1);
    ASSERT_EQ(system->particleCount(), 0u);
    const ccV3F_C4B_T2F_Quad& quad = batch->textureAtlas()->quads()[0];
    EXPECT_EQ(quad.tl.vertices.x, 0);
    EXPECT_EQ(quad.br.vertices.y, 0);
    drawNode(batch.get());
    EXPECT_TRUE(test::nearColor(gl().readPixel(32, 32), {0, 0, 0, 0}));
}

TEST_F(ParticleBatchTest, RefusesWhatItCannotHold)
{
    ScopedLogCapture log;
    auto batch = makeBatch(4);
    auto plain = CCParticleSystem::particleWithTotalParticles(2);
    batch->addChild(plain.get());
    EXPECT_EQ(plain->parent(), nullptr);
    auto noQuads = makeRef<CCParticleBatchNode>();
    ASSERT_TRUE(noQuads->initWithTexture(white_.get(), 4, false, false));
    auto system = CCParticleSystemQuad::particleWithTotalParticles(2);
    noQuads->addChild(system.get());
    EXPECT_EQ(system->parent(), nullptr);
    EXPECT_FALSE(system->usesBatchNode());
    EXPECT_TRUE(log.contains("only quad particle systems"));
    EXPECT_TRUE(log.contains("a batch without quads takes no particle systems"));
}

// A particle list naming an image that is not a file, with the image embedded.
std::string embeddedList(const std::vector<unsigned char>& compressed)
{
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
<key>maxParticles</key><integer>4</integer>
<key>particleLifespan</key><real>1</real>
<key>startParticleSize</key><real>16</real>
<key>finishParticleSize</key><real>-1</real>
<key>startColorRed</key><real>1</real><key>startColorAlpha</key><real>1</real>
<key>finishColorRed</key><real>1</real><key>finishColorAlpha</key><real>1</real>
<key>textureFileName</key><string>embedded_spark.png</string>
<key>textureImageData</key><string>)" +
           test::base64Encode(compressed) + "</string></dict></plist>";
}

TEST_F(ParticleRenderTest, EmbeddedImageEntersTheCacheUnderItsName)
{
    const std::vector<uint8_t> png = test::solidImage(8, {0, 255, 0, 255})->encodePNG();
    const std::vector<unsigned char> raw(png.begin(), png.end());
    struct Case {
        const char* name;
        int windowBits;
    };
    for (const Case& c : {Case{"gzip", 31}, Case{"zlib", 15}}) {
        SCOPED_TRACE(c.name);
        test::resetSharedInstances();
        bundle_->writeText("embedded.plist", embeddedList(test::deflateBytes(raw, c.windowBits)));
        auto system = CCParticleSystemQuad::particleWithFile("embedded.plist");
        ASSERT_NE(system, nullptr);
        EXPECT_EQ(system->textureName(), "embedded_spark.png");
        ASSERT_NE(system->texture(), nullptr);
        Ref<CCTexture2D> cached = CCTextureCache::sharedTextureCache()->textureForKey("embedded_spark.png");
        EXPECT_EQ(cached.get(), system->texture());
        // A batch made by that name finds the same texture.
        auto batch = CCParticleBatchNode::particleBatchNodeWithFile("embedded_spark.png", 200, true, false);
        ASSERT_NE(batch, nullptr);
        EXPECT_EQ(batch->texture(), system->texture());
    }
    test::resetSharedInstances();
    EXPECT_TRUE(CCParticleBatchNode::extractTextureFromPlist("embedded.plist"));

    test::resetSharedInstances();
    ScopedLogCapture log;
    bundle_->writeText("broken.plist", embeddedList({1, 2, 3, 4, 5}));
    auto broken = CCParticleSystemQuad::particleWithFile("broken.plist");
    ASSERT_NE(broken, nullptr);
    EXPECT_EQ(broken->texture(), nullptr);
    EXPECT_TRUE(log.contains("cannot be unpacked"));
}

} // namespace
} // namespace mw
