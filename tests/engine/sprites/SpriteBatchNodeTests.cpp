#include <gtest/gtest.h>

#include <GLES/gl.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/base/ccDrawingState.h"
#include "engine/sprites/CCSprite.h"
#include "engine/sprites/CCSpriteBatchNode.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "engine/textures/CCTexture2D.h"
#include "engine/textures/CCTextureAtlas.h"
#include "engine/textures/CCTextureCache.h"
#include "foundation/Log.h"
#include "tests/engine/sprites/SpriteTestSupport.h"

namespace mw {
namespace {

using test::RGBA;

class SpriteBatchNodeTest : public test::GLRenderTest {
protected:
    SpriteBatchNodeTest() : GLRenderTest(64, 64) {}
    void SetUp() override
    {
        GLRenderTest::SetUp();
        bundle_ = std::make_unique<test::ScratchBundle>();
        bundle_->loadTestSheet();
        batch_ = CCSpriteBatchNode::batchNodeWithTexture(sheetTexture());
        ASSERT_NE(batch_, nullptr);
    }
    void TearDown() override
    {
        batch_ = nullptr;
        bundle_.reset();
    }

    static CCTexture2D* sheetTexture()
    {
        return CCTextureCache::sharedTextureCache()->textureForKey("sheet.png").get();
    }
    static Ref<CCSprite> sprite(const char* frame = "red")
    {
        return CCSprite::spriteWithSpriteFrameName(frame);
    }

    void render(CCNode* node)
    {
        test::clearSurface(0, 0, 0);
        ccSetNodeDrawingState(64, 64);
        node->visit();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }

    // Every descendant's atlas index is its position, and its quad is in
    // the atlas at that index.
    void expectAtlasMatchesDescendants()
    {
        CCArray* descendants = batch_->descendants();
        ASSERT_EQ(batch_->textureAtlas()->totalQuads(), descendants->count());
        for (uint32_t i = 0; i < descendants->count(); ++i) {
            auto* s = descendants->objectAtIndexAs<CCSprite>(i);
            EXPECT_EQ(s->atlasIndex(), i);
            EXPECT_EQ(
                std::memcmp(&batch_->textureAtlas()->quads()[i], &s->quad(), sizeof(ccV3F_C4B_T2F_Quad)), 0)
                << "quad " << i;
        }
    }

    std::vector<CCSprite*> descendantsInOrder() const
    {
        std::vector<CCSprite*> order;
        for (Object* item : *batch_->descendants()) order.push_back(static_cast<CCSprite*>(item));
        return order;
    }

    std::unique_ptr<test::ScratchBundle> bundle_;
    Ref<CCSpriteBatchNode> batch_;
};

// ---------------------------------------------------------------- ordering

TEST_F(SpriteBatchNodeTest, NewSpritesGoToTheEndAndTheNextVisitSortsThemByZ)
{
    Ref<CCSprite> z2 = sprite(), z0 = sprite(), z1 = sprite();
    z0->setPosition({10, 0});
    z1->setPosition({20, 0});
    batch_->addChild(z2.get(), 2);
    batch_->addChild(z0.get(), 0);
    batch_->addChild(z1.get(), 1);
    EXPECT_EQ(z2->atlasIndex(), 0u);
    EXPECT_EQ(z0->atlasIndex(), 1u);
    EXPECT_EQ(z1->atlasIndex(), 2u);

    render(batch_.get());
    EXPECT_EQ(descendantsInOrder(), (std::vector<CCSprite*>{z0.get(), z1.get(), z2.get()}));
    expectAtlasMatchesDescendants();

    // Moving one to the front re-indexes again at the next visit.
    batch_->reorderChild(z2.get(), -5);
    render(batch_.get());
    EXPECT_EQ(descendantsInOrder(), (std::vector<CCSprite*>{z2.get(), z0.get(), z1.get()}));
    expectAtlasMatchesDescendants();
}

TEST_F(SpriteBatchNodeTest, ASpriteSitsBetweenItsNegativeAndPositiveChildren)
{
    Ref<CCSprite> parent = sprite(), behind = sprite(), front = sprite(), sibling = sprite();
    batch_->addChild(parent.get(), 0);
    parent->addChild(front.get(), 1);
    parent->addChild(behind.get(), -1);
    batch_->addChild(sibling.get(), 1);
    render(batch_.get());
    EXPECT_EQ(descendantsInOrder(),
              (std::vector<CCSprite*>{behind.get(), parent.get(), front.get(), sibling.get()}));
    expectAtlasMatchesDescendants();

    // A batched sprite re-ordering its own children re-sorts the batch.
    parent->reorderChild(front.get(), -2);
    render(batch_.get());
    EXPECT_EQ(descendantsInOrder(),
              (std::vector<CCSprite*>{front.get(), behind.get(), parent.get(), sibling.get()}));
    expectAtlasMatchesDescendants();
}

TEST_F(SpriteBatchNodeTest, RemovalsCloseTheGapAndReturnSpritesToSelfRender)
{
    std::vector<Ref<CCSprite>> sprites;
    for (int i = 0; i < 5; ++i) {
        sprites.push_back(sprite());
        batch_->addChild(sprites.back().get(), i);
    }
    render(batch_.get());
    Ref<CCSprite> child = sprite();
    sprites[2]->addChild(child.get(), 1);
    render(batch_.get());
    ASSERT_EQ(batch_->textureAtlas()->totalQuads(), 6u);

    batch_->removeChild(sprites[0].get(), true);
    EXPECT_FALSE(sprites[0]->usesBatchNode());
    EXPECT_EQ(sprites[0]->atlasIndex(), CCSprite::kIndexNotInitialized);
    for (int i = 1; i < 5; ++i) {
        EXPECT_EQ(sprites[i]->atlasIndex(), static_cast<uint32_t>(i - 1 + (i > 2 ? 1 : 0)));
    }
    expectAtlasMatchesDescendants();

    // Removing a sprite takes its children's quads with it.
    batch_->removeChild(sprites[2].get(), true);
    EXPECT_EQ(batch_->textureAtlas()->totalQuads(), 3u);
    EXPECT_FALSE(child->usesBatchNode());
    expectAtlasMatchesDescendants();

    batch_->removeAllChildrenWithCleanup(true);
    EXPECT_EQ(batch_->textureAtlas()->totalQuads(), 0u);
    EXPECT_EQ(batch_->descendants()->count(), 0u);
    for (int i : {1, 3, 4}) {
        EXPECT_FALSE(sprites[i]->usesBatchNode());
        EXPECT_EQ(sprites[i]->atlasIndex(), CCSprite::kIndexNotInitialized);
        EXPECT_EQ(sprites[i]->quad().bl.vertices, vertex3(0, 0, 0));  // back in local space
    }
}

TEST_F(SpriteBatchNodeTest, TheAtlasGrowsByAThirdWhenFull)
{
    const std::vector<std::pair<uint32_t, uint32_t>> growth = {{29, 40}, {40, 54}, {0, 1}, {1, 2}};
    for (const auto& [from, to] : growth) {
        Ref<CCSpriteBatchNode> batch = CCSpriteBatchNode::batchNodeWithTexture(sheetTexture(), from);
        ASSERT_NE(batch, nullptr);
        std::vector<Ref<CCSprite>> sprites;
        for (uint32_t i = 0; i <= from; ++i) {
            sprites.push_back(sprite());
            batch->addChild(sprites.back().get());
        }
        EXPECT_EQ(batch->textureAtlas()->capacity(), to) << "from " << from;
        EXPECT_EQ(batch->textureAtlas()->totalQuads(), from + 1);
    }
}

TEST_F(SpriteBatchNodeTest, AnEmptyBatchDrawsNothingAndOnlySpritesAreTaken)
{
    render(batch_.get());
    EXPECT_TRUE(test::nearColor(gl().readPixel(32, 32), test::kBlack));

    ScopedLogCapture log;
    Ref<CCNode> plain = CCNode::node();
    batch_->addChild(plain.get());
    Ref<CCSprite> withPlainChild = sprite();
    withPlainChild->addChild(CCNode::node().get());
    batch_->addChild(withPlainChild.get());
    EXPECT_EQ(batch_->children()->count(), 0u);
    EXPECT_EQ(log.lines().size(), 2u);
    EXPECT_EQ(CCSpriteBatchNode::batchNodeWithFile("absent.png"), nullptr);
}

TEST_F(SpriteBatchNodeTest, ABatchedSpriteTakesOnlySubtreesMadeOfSprites)
{
    Ref<CCSprite> parent = sprite();
    batch_->addChild(parent.get());
    render(batch_.get());

    // A plain node two levels down would be treated as a sprite by the atlas.
    Ref<CCSprite> withPlainChild = sprite();
    withPlainChild->addChild(CCNode::node().get());
    ScopedLogCapture log;
    parent->addChild(withPlainChild.get());
    parent->addChild(CCNode::node().get());
    EXPECT_EQ(log.lines().size(), 2u);
    EXPECT_EQ(parent->children(), nullptr);
    EXPECT_FALSE(withPlainChild->usesBatchNode());
    EXPECT_EQ(batch_->descendants()->count(), 1u);

    // A sprite subtree is taken whole: its quads follow the parent's.
    Ref<CCSprite> child = sprite(), grandchild = sprite();
    child->addChild(grandchild.get(), -1);
    parent->addChild(child.get(), 1);
    render(batch_.get());
    EXPECT_EQ(descendantsInOrder(), (std::vector<CCSprite*>{parent.get(), grandchild.get(), child.get()}));
    expectAtlasMatchesDescendants();

    // A sprite made for the batch but not yet in its atlas takes what it is
    // given; marking it dirty must pass over the plain node below.
    Ref<CCSprite> unplaced = CCSprite::spriteWithBatchNode(batch_.get(), {{0, 0}, {16, 16}});
    unplaced->addChild(withPlainChild.get());
    unplaced->setPosition({4, 4});
    EXPECT_TRUE(unplaced->dirty());
    EXPECT_TRUE(withPlainChild->dirty());
}

// ---------------------------------------------------------------- transforms

TEST_F(SpriteBatchNodeTest, HiddenSpritesAndTheirChildrenGetZeroQuads)
{
    Ref<CCSprite> parent = sprite(), child = sprite();
    parent->setPosition({20, 20});
    child->setPosition({5, 5});
    batch_->addChild(parent.get());
    parent->addChild(child.get());
    render(batch_.get());
    EXPECT_NE(child->quad().bl.vertices, vertex3(0, 0, 0));

    parent->setVisible(false);
    render(batch_.get());
    for (CCSprite* s : {parent.get(), child.get()}) {
        const ccV3F_C4B_T2F_Quad& quad = batch_->textureAtlas()->quads()[s->atlasIndex()];
        for (const ccV3F_C4B_T2F* corner : {&quad.tl, &quad.bl, &quad.tr, &quad.br}) {
            EXPECT_EQ(corner->vertices, vertex3(0, 0, 0));
        }
    }
}

TEST_F(SpriteBatchNodeTest, HonorParentTransformChoosesWhatAChildFollows)
{
    // grand (rotated 90) > parent (rotated 90, scaled 2, moved) > child.
    Ref<CCSprite> grand = sprite(), parent = sprite(), child = sprite();
    grand->setAnchorPoint({0, 0});
    parent->setAnchorPoint({0, 0});
    child->setAnchorPoint({0, 0});
    grand->setRotation(90);
    parent->setRotation(90);
    parent->setScale(2);
    parent->setPosition({8, 0});
    child->setPosition({1, 0});
    batch_->addChild(grand.get());
    grand->addChild(parent.get());
    parent->addChild(child.get());

    struct Case {
        int32_t childHonor;
        int32_t parentHonor;
        ccVertex3F expectedBottomLeft;
    };
    const std::vector<Case> cases = {
        // Everything: child at parent-local (1,0) -> (0,-2)+(8,0) -> grand turns it: (-2,-8).
        {CC_HONOR_PARENT_TRANSFORM_ALL, CC_HONOR_PARENT_TRANSFORM_ALL, {-2, -8, 0}},
        // The parent's rotation left out: (2,0)+(8,0) = (10,0), then the grand's turn: (0,-10).
        {CC_HONOR_PARENT_TRANSFORM_ALL & ~CC_HONOR_PARENT_TRANSFORM_ROTATE, CC_HONOR_PARENT_TRANSFORM_ALL,
         {0, -10, 0}},
        // ...and the grand's rotation left out through the parent's mask.
        {CC_HONOR_PARENT_TRANSFORM_ALL & ~CC_HONOR_PARENT_TRANSFORM_ROTATE,
         CC_HONOR_PARENT_TRANSFORM_ALL & ~CC_HONOR_PARENT_TRANSFORM_ROTATE, {10, 0, 0}},
    };
    for (const Case& c : cases) {
        child->setHonorParentTransform(c.childHonor);
        parent->setHonorParentTransform(c.parentHonor);
        child->setDirty(true);
        render(batch_.get());
        const ccVertex3F bl = child->quad().bl.vertices;
        EXPECT_NEAR(bl.x, c.expectedBottomLeft.x, 1e-4) << c.childHonor << "/" << c.parentHonor;
        EXPECT_NEAR(bl.y, c.expectedBottomLeft.y, 1e-4) << c.childHonor << "/" << c.parentHonor;
    }
}

TEST_F(SpriteBatchNodeTest, ASecondChangeBeforeADrawDoesNotMarkTheSubtreeAgain)
{
    Ref<CCSprite> parent = sprite(), child = sprite();
    batch_->addChild(parent.get());
    parent->addChild(child.get());
    render(batch_.get());
    EXPECT_FALSE(child->dirty());

    parent->setPosition({3, 3});
    EXPECT_TRUE(child->dirty());
    child->setDirty(false);
    parent->setPosition({4, 4});
    EXPECT_FALSE(child->dirty());
    render(batch_.get());
    EXPECT_FALSE(parent->dirty());
    parent->setPosition({5, 5});
    EXPECT_TRUE(child->dirty());
}

TEST_F(SpriteBatchNodeTest, ColourChangesReachTheAtlasAtOnce)
{
    Ref<CCSprite> s = sprite("white");
    batch_->addChild(s.get());
    s->setColor({10, 20, 30});
    EXPECT_EQ(batch_->textureAtlas()->quads()[0].tr.colors, ccc4(10, 20, 30, 255));
}

TEST_F(SpriteBatchNodeTest, SpritesOutlivingTheirBatchNodeDrawThemselves)
{
    Ref<CCSprite> kept = sprite("white");
    kept->setPosition({32, 32});
    batch_->addChild(kept.get());
    batch_ = nullptr;  // the test's reference keeps the sprite alive
    EXPECT_FALSE(kept->usesBatchNode());
    kept->setColor({255, 0, 0});  // must not write into a freed atlas
}

// ---------------------------------------------------------------- pictures

// The same sprites, with flips, rotation, scale, skew, colour, opacity,
// blending and a nested child, under a plain node and under a batch node.
void buildScene(CCNode* parent)
{
    auto add = [parent](const char* frame, CGPoint position, const std::function<void(CCSprite*)>& setUp) {
        Ref<CCSprite> s = CCSprite::spriteWithSpriteFrameName(frame);
        s->setPosition(position);
        setUp(s.get());
        parent->addChild(s.get());
        return s;
    };
    (void)add("red", {10, 10}, [](CCSprite* s) { s->setRotation(30); });
    Ref<CCSprite> split = add("split", {40, 12}, [](CCSprite* s) {
        s->setFlipX(true);
        s->setScale(0.75f);
    });
    (void)add("updown", {12, 44}, [](CCSprite* s) {
        s->setFlipY(true);
        s->setSkewX(20);
    });
    (void)add("turned", {44, 46}, [](CCSprite* s) {
        s->setColor({255, 128, 0});
        s->setOpacity(200);
    });
    (void)add("glass", {30, 30}, [](CCSprite* s) { s->setScale(1.5f); });
    Ref<CCSprite> child = CCSprite::spriteWithSpriteFrameName("white");
    child->setScale(0.5f);
    child->setRotation(45);
    child->setPosition({8, 20});
    split->addChild(child.get(), -1);
}

TEST_F(SpriteBatchNodeTest, BatchedAndSelfRenderedSpritesMakeTheSamePicture)
{
    Ref<CCNode> plain = CCNode::node();
    buildScene(plain.get());
    render(plain.get());
    test::keepPicture(gl(), "scene self-rendered");
    const std::vector<uint8_t> selfRendered = gl().readRGBA();

    buildScene(batch_.get());
    render(batch_.get());
    test::keepPicture(gl(), "scene batched");
    const std::vector<uint8_t> batched = gl().readRGBA();

    ASSERT_EQ(selfRendered.size(), batched.size());
    int differing = 0;
    int lit = 0;
    for (size_t i = 0; i < batched.size(); i += 4) {
        bool same = true;
        for (size_t c = 0; c < 4; ++c) same = same && std::abs(selfRendered[i + c] - batched[i + c]) <= 2;
        differing += same ? 0 : 1;
        lit += batched[i] + batched[i + 1] + batched[i + 2] > 0 ? 1 : 0;
    }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(lit, 800);  // the scene really drew something
}

// ---------------------------------------------------------------- placing at an index

TEST_F(SpriteBatchNodeTest, InsertingASubtreeAtAnIndexPutsItThereInDrawingOrder)
{
    for (uint32_t at : {0u, 1u, 3u}) {
        SCOPED_TRACE(at);
        batch_ = CCSpriteBatchNode::batchNodeWithTexture(sheetTexture(), 4);
        std::vector<Ref<CCSprite>> placed;
        for (int i = 0; i < 3; ++i) {
            placed.push_back(sprite());
            placed.back()->setPosition({8.0f + 16 * i, 8});
            batch_->addChild(placed.back().get(), i);
        }
        render(batch_.get());

        // Children arrive out of z order; `front` has a child behind it and
        // `far` one in front of it. Drawing order: behind, parent,
        // grandchild, front, far, farther.
        Ref<CCSprite> parent = sprite("white"), front = sprite(), far = sprite(), behind = sprite();
        Ref<CCSprite> grandchild = sprite(), farther = sprite();
        parent->setPosition({40, 40});
        parent->addChild(front.get(), 1);
        parent->addChild(far.get(), 2);
        parent->addChild(behind.get(), -1);
        front->addChild(grandchild.get(), -1);
        far->addChild(farther.get(), 1);
        batch_->insertChild(parent.get(), at);

        std::vector<CCSprite*> expected;
        for (uint32_t i = 0; i < at; ++i) expected.push_back(placed[i].get());
        expected.insert(expected.end(),
                        {behind.get(), parent.get(), grandchild.get(), front.get(), far.get(), farther.get()});
        for (uint32_t i = at; i < 3; ++i) expected.push_back(placed[i].get());
        EXPECT_EQ(descendantsInOrder(), expected);
        expectAtlasMatchesDescendants();
        EXPECT_EQ(batch_->textureAtlas()->capacity(), 9u);  // 4 -> 6 -> 9 as the nine arrive
        EXPECT_TRUE(farther->usesBatchNode());
        EXPECT_EQ(batch_->children()->count(), 3u) << "an inserted sprite does not become a child";

        // The ends of a subtree: a sprite whose children are all behind it
        // ends its subtree, one whose children are all in front starts it.
        EXPECT_EQ(batch_->lowestAtlasIndexInChild(parent.get()), at);
        EXPECT_EQ(batch_->highestAtlasIndexInChild(parent.get()), at + 5);
        EXPECT_EQ(batch_->highestAtlasIndexInChild(front.get()), at + 3);
        EXPECT_EQ(batch_->lowestAtlasIndexInChild(far.get()), at + 4);

        // Re-numbering the subtree from its first index gives the same places.
        for (CCSprite* s : {behind.get(), parent.get(), grandchild.get(), front.get(), far.get(), farther.get()}) {
            s->setAtlasIndex(999);
        }
        EXPECT_EQ(batch_->rebuildIndexInOrder(parent.get(), at), at + 6);
        expectAtlasMatchesDescendants();

        // The next draw writes the inserted quads where they now sit.
        render(batch_.get());
        expectAtlasMatchesDescendants();
        EXPECT_EQ(batch_->textureAtlas()->quads()[at + 1].bl.vertices, vertex3(32, 32, 0));
        EXPECT_TRUE(test::nearColor(gl().readPixel(40, 40), test::kWhite));
    }
}

TEST_F(SpriteBatchNodeTest, TileQuadsGoInThroughOneReusedSpriteAndTileSpritesStandForThem)
{
    batch_ = CCSpriteBatchNode::batchNodeWithTexture(sheetTexture(), 2);
    Ref<CCSprite> reused = CCSprite::spriteWithBatchNode(batch_.get(), {{0, 0}, {16, 16}});  // red
    reused->setAnchorPoint({0, 0});
    // Columns 0, 1, 3, 4 appended, then column 2 inserted between them.
    const std::vector<std::pair<uint32_t, int>> quadsAdded = {{0, 0}, {1, 1}, {2, 3}, {3, 4}, {2, 2}};
    for (const auto& [index, column] : quadsAdded) {
        reused->setPosition({16.0f * column, 0});
        ASSERT_TRUE(batch_->addQuadFromSprite(reused.get(), index));
        EXPECT_EQ(reused->atlasIndex(), index);
    }
    CCTextureAtlas* atlas = batch_->textureAtlas();
    EXPECT_EQ(atlas->totalQuads(), 5u);
    EXPECT_EQ(atlas->capacity(), 6u);  // 2 -> 4 -> 6
    for (uint32_t i = 0; i < 5; ++i) {
        EXPECT_EQ(atlas->quads()[i].bl.vertices, vertex3(16.0f * i, 0, 0)) << "quad " << i;
    }
    EXPECT_EQ(batch_->descendants()->count(), 0u);
    EXPECT_EQ(reused->parent(), nullptr);

    // Sprites for cells 3 and 1, added in that order, stand for the quads
    // already there: descendants by atlas index, no quad added, no re-sort.
    Ref<CCSprite> tile3 = CCSprite::spriteWithBatchNode(batch_.get(), {{16, 0}, {16, 16}});  // white
    Ref<CCSprite> tile1 = CCSprite::spriteWithBatchNode(batch_.get(), {{0, 0}, {16, 16}});
    ASSERT_TRUE(batch_->addSpriteWithoutQuad(tile3.get(), 3, 3));
    ASSERT_TRUE(batch_->addSpriteWithoutQuad(tile1.get(), 1, 1));
    EXPECT_EQ(descendantsInOrder(), (std::vector<CCSprite*>{tile1.get(), tile3.get()}));
    EXPECT_EQ(batch_->getChildByTag(3), tile3.get());
    EXPECT_EQ(tile3->zOrder(), 3);
    EXPECT_EQ(tile3->atlasIndex(), 3u);
    EXPECT_EQ(atlas->totalQuads(), 5u);

    // Moving the tile sprites rewrites their own quads and no others; a
    // re-sort at this visit would have swapped quads 0 and 1.
    tile3->setAnchorPoint({0, 0});
    tile3->setPosition({48, 20});
    tile1->setAnchorPoint({0, 0});
    tile1->setPosition({16, 20});
    render(batch_.get());
    const std::vector<ccVertex3F> corners = {
        vertex3(0, 0, 0), vertex3(16, 20, 0), vertex3(32, 0, 0), vertex3(48, 20, 0), vertex3(64, 0, 0)};
    for (uint32_t i = 0; i < 5; ++i) {
        EXPECT_EQ(atlas->quads()[i].bl.vertices, corners[i]) << "quad " << i;
    }
    EXPECT_TRUE(test::nearColor(gl().readPixel(56, 28), test::kWhite));
    EXPECT_TRUE(test::nearColor(gl().readPixel(56, 8), test::kBlack));
    EXPECT_TRUE(test::nearColor(gl().readPixel(40, 8), test::kRed));

    // Re-ordering a tile sprite asks for a sort whose swap would reach past
    // the two descendants: it is refused and the quads stay as they are.
    batch_->reorderChild(tile3.get(), 0);
    ScopedLogCapture log;
    render(batch_.get());
    EXPECT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(tile3->atlasIndex(), 3u);
    for (uint32_t i = 0; i < 5; ++i) {
        EXPECT_EQ(atlas->quads()[i].bl.vertices, corners[i]) << "quad " << i;
    }
}

TEST_F(SpriteBatchNodeTest, IndicesWithNothingBehindThemAreRefusedAndChangeNothing)
{
    std::vector<Ref<CCSprite>> placed = {sprite(), sprite()};
    for (const Ref<CCSprite>& s : placed) batch_->addChild(s.get());
    render(batch_.get());
    const std::vector<CCSprite*> before = descendantsInOrder();
    const uint32_t capacity = batch_->textureAtlas()->capacity();

    Ref<CCSprite> stray = sprite();
    Ref<CCSprite> parented = sprite();
    Ref<CCNode> holder = CCNode::node();
    holder->addChild(parented.get());
    Ref<CCSprite> withPlainChild = sprite();
    withPlainChild->addChild(CCNode::node().get());
    struct Case {
        const char* label;
        std::function<bool()> tryIt;  // true when the batch node took it
    };
    const std::vector<Case> cases = {
        {"insert past the end",
         [&] {
             batch_->insertChild(stray.get(), 3);
             return stray->usesBatchNode();
         }},
        {"insert a subtree holding a plain node",
         [&] {
             batch_->insertChild(withPlainChild.get(), 0);
             return withPlainChild->usesBatchNode();
         }},
        {"quad past the end", [&] { return batch_->addQuadFromSprite(stray.get(), 3); }},
        {"quad at the largest index", [&] { return batch_->addQuadFromSprite(stray.get(), UINT32_MAX); }},
        {"sprite for a quad that is not there", [&] { return batch_->addSpriteWithoutQuad(stray.get(), 2, 7); }},
        {"sprite that has a parent", [&] { return batch_->addSpriteWithoutQuad(parented.get(), 0, 7); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ScopedLogCapture log;
        EXPECT_FALSE(c.tryIt());
        EXPECT_EQ(log.lines().size(), 1u);
        EXPECT_EQ(descendantsInOrder(), before);
        EXPECT_EQ(batch_->children()->count(), 2u);
        EXPECT_EQ(batch_->textureAtlas()->capacity(), capacity);
        expectAtlasMatchesDescendants();
    }
    EXPECT_EQ(parented->parent(), holder.get());
}

} // namespace
} // namespace mw
