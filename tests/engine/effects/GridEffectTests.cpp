#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/effects/CCActionGrid3D.h"
#include "engine/effects/CCActionTiledGrid.h"
#include "engine/effects/CCGrid3D.h"
#include "engine/nodes/CCNode.h"
#include "tests/engine/effects/EffectsTestSupport.h"

namespace mw {
namespace {

using test::EffectsTest;

constexpr float kTolerance = 0.01f;

void expectNear(ccVertex3F actual, ccVertex3F expected, const std::string& where)
{
    EXPECT_NEAR(actual.x, expected.x, kTolerance) << where;
    EXPECT_NEAR(actual.y, expected.y, kTolerance) << where;
    EXPECT_NEAR(actual.z, expected.z, kTolerance) << where;
}

struct VertexProbe {
    ccGridSize pos;
    ccVertex3F expected;
};

struct MeshCase {
    const char* name;
    std::function<Ref<CCGrid3DAction>()> make;
    float t;
    std::vector<VertexProbe> probes;
};

// On the 480 x 320 window a 4 x 4 grid has cells of 120 x 80 pixels.
const std::vector<MeshCase>& meshCases()
{
    static const std::vector<MeshCase> cases = {
        {"waves3D lifts the mesh already at 0", [] { return CCWaves3D::actionWithWaves(2, 10, {4, 4}, 1); }, 0,
         {{{1, 1}, {120, 80, 9.0930f}}, {{0, 0}, {0, 0, 0}}}},
        {"waves3D half a wave later", [] { return CCWaves3D::actionWithWaves(2, 10, {4, 4}, 1); }, 0.25f,
         {{{1, 1}, {120, 80, -9.0930f}}}},
        {"liquid moves inner vertices only", [] { return CCLiquid::actionWithWaves(2, 10, {4, 4}, 1); }, 0.125f,
         {{{1, 1}, {123.6236f, 86.9671f, 0}}, {{0, 2}, {0, 160, 0}}, {{4, 4}, {480, 320, 0}}}},
        {"waves both ways, y from the moved x",
         [] { return CCWaves::actionWithWaves(2, 10, true, true, {4, 4}, 1); }, 0,
         {{{1, 1}, {127.1736f, 89.5561f, 0}}}},
        {"ripple fades to the radius and stops there",
         [] { return CCRipple3D::actionWithPosition({240, 160}, 200, 1, 10, {4, 4}, 1); }, 0,
         {{{2, 2}, {240, 160, 9.1295f}}, {{1, 2}, {120, 160, 1.5830f}}, {{0, 0}, {0, 0, 0}}}},
        {"lens bulges inside its radius",
         [] { return CCLens3D::actionWithPosition({240, 160}, 200, {4, 4}, 1); }, 0.3f,
         {{{1, 2}, {120, 160, 73.7174f}}, {{2, 2}, {240, 160, 0}}, {{0, 0}, {0, 0, 0}}}},
        {"twirl a quarter in", [] { return CCTwirl::actionWithPosition({240, 160}, 1, 10, {4, 4}, 1); }, 0.25f,
         {{{0, 0}, {517.6186f, 238.2809f, 0}}, {{4, 4}, {-37.6186f, 81.7191f, 0}},
          {{1, 3}, {142.2655f, 53.9436f, 0}}}},
        {"page curl at 0 is flat at z 0.5", [] { return CCPageTurn3D::actionWithSize({4, 4}, 1); }, 0,
         {{{4, 0}, {480, 0, 0.5f}}, {{2, 2}, {240, 160, 0.5f}}}},
        {"page curl half way", [] { return CCPageTurn3D::actionWithSize({4, 4}, 1); }, 0.5f,
         {{{4, 0}, {44.9835f, 172.2136f, 55.9725f}}, {{2, 2}, {167.5403f, 173.1207f, 21.0516f}},
          {{0, 4}, {0, 320, 0.5f}}}},
        // The cone has closed on its axis: every vertex lies on x = 0 at its
        // distance from the axis point, flat at z 0.5.
        {"page curl at its end lies flat on its axis",
         [] { return CCPageTurn3D::actionWithSize({4, 4}, 1); }, 1,
         {{{4, 0}, {0, 231.7358f, 0.5f}}, {{2, 2}, {0, 210.8240f, 0.5f}}, {{0, 4}, {0, 320, 0.5f}}}},
        {"flip about x at 0 changes nothing", [] { return CCFlipX3D::actionWithDuration(1); }, 0,
         {{{0, 0}, {0, 0, 0}}, {{1, 1}, {480, 320, 0}}}},
        {"flip about x half way", [] { return CCFlipX3D::actionWithDuration(1); }, 0.5f,
         {{{0, 0}, {140.5887f, 0, 120}}, {{0, 1}, {140.5887f, 320, 120}}, {{1, 0}, {339.4113f, 0, -120}}}},
        {"flip about y half way", [] { return CCFlipY3D::actionWithDuration(1); }, 0.5f,
         {{{0, 0}, {0, 93.7258f, 80}}, {{0, 1}, {0, 226.2742f, -80}}, {{1, 0}, {480, 93.7258f, 80}}}},
    };
    return cases;
}

TEST_F(EffectsTest, MeshEffectsPlaceVerticesAtTheirTimes)
{
    for (const MeshCase& c : meshCases()) {
        SCOPED_TRACE(c.name);
        Ref<CCNode> node = CCNode::node();
        Ref<CCGrid3DAction> effect = c.make();
        effect->startWithTarget(node.get());
        effect->update(c.t);
        auto* grid = dynamic_cast<CCGrid3D*>(node->grid());
        ASSERT_NE(grid, nullptr);
        EXPECT_TRUE(grid->active());
        for (const VertexProbe& probe : c.probes) {
            expectNear(grid->vertex(probe.pos), probe.expected,
                       "vertex " + std::to_string(probe.pos.x) + "," + std::to_string(probe.pos.y));
        }
    }
}

TEST_F(EffectsTest, ShakerDrawsOneOffsetPerCoordinateInOrder)
{
    // Offsets of range 5 are draw % 10 - 5: 7 -> 2, 2 -> -3, 13 -> -2.
    ScopedRandomSource scripted(std::make_shared<test::ScriptedRand>(std::vector<int32_t>{7, 2, 13}));
    Ref<CCNode> node = CCNode::node();
    auto shaky = CCShaky3D::actionWithRange(5, true, {4, 4}, 1);
    shaky->startWithTarget(node.get());
    shaky->update(0.5f);
    auto* grid = dynamic_cast<CCGrid3D*>(node->grid());
    ASSERT_NE(grid, nullptr);
    expectNear(grid->vertex({0, 0}), {2, -3, -2}, "first vertex");
    expectNear(grid->vertex({0, 1}), {2, 77, -2}, "second vertex (column by column)");
}

TEST_F(EffectsTest, PageCurlKeepsEveryVertexFiniteToItsEnd)
{
    Ref<CCNode> node = CCNode::node();
    auto curl = CCPageTurn3D::actionWithSize({16, 12}, 1);
    curl->startWithTarget(node.get());
    ASSERT_NE(node->grid(), nullptr);
    for (float t : {0.0f, 0.5f, 0.999f, 0.9999999f, 1.0f}) {
        curl->update(t);
        const std::vector<float> coords = test::gridCoordinates(*ccGridOf(node.get()));
        EXPECT_TRUE(std::all_of(coords.begin(), coords.end(), [](float c) { return std::isfinite(c); }))
            << "at " << t;
    }
}

TEST_F(EffectsTest, LensComputesOnlyAfterItsPositionChanged)
{
    Ref<CCNode> node = CCNode::node();
    auto lens = CCLens3D::actionWithPosition({240, 160}, 200, {4, 4}, 1);
    lens->startWithTarget(node.get());
    lens->update(0);
    auto* grid = dynamic_cast<CCGrid3D*>(node->grid());
    ASSERT_NE(grid, nullptr);
    grid->setVertex({1, 2}, {0, 0, 0});
    lens->setPosition({240, 160});
    lens->update(0.5f);
    expectNear(grid->vertex({1, 2}), {0, 0, 0}, "the same point: no new pass");
    lens->setPosition({120, 160});
    lens->update(0.5f);
    expectNear(grid->vertex({1, 2}), {120, 160, 0}, "its own centre does not rise");
}

TEST_F(EffectsTest, FlipOnAnotherGridSizeIsRefused)
{
    EXPECT_THROW(CCFlipX3D({2, 1}, 1), std::logic_error);
    EXPECT_NO_THROW(CCFlipY3D({1, 1}, 1));
}

// ---------------------------------------------------------------- tiled effects

ccQuad3 quadAt(float x, float y, float w, float h, float z = 0)
{
    return {{x, y, z}, {x + w, y, z}, {x, y + h, z}, {x + w, y + h, z}};
}

void expectQuad(const ccQuad3& actual, const ccQuad3& expected, const std::string& where)
{
    expectNear(actual.bl, expected.bl, where + " bl");
    expectNear(actual.br, expected.br, where + " br");
    expectNear(actual.tl, expected.tl, where + " tl");
    expectNear(actual.tr, expected.tr, where + " tr");
}

struct TileProbe {
    ccGridSize pos;
    ccQuad3 expected;
};

struct TileCase {
    const char* name;
    std::function<Ref<CCTiledGrid3DAction>()> make;
    float t;
    std::vector<TileProbe> probes;
};

const ccQuad3 kOff{};

const std::vector<TileCase>& tileCases()
{
    static const std::vector<TileCase> cases = {
        {"waving tiles set z from the bottom-left corner",
         [] { return CCWavesTiles3D::actionWithWaves(2, 10, {4, 4}, 1); }, 0,
         {{{1, 1}, quadAt(120, 80, 120, 80, 9.0930f)}, {{0, 0}, quadAt(0, 0, 120, 80, 0)}}},
        {"jumping tiles move in opposite phase", [] { return CCJumpTiles3D::actionWithJumps(1, 10, {4, 4}, 1); },
         0.25f, {{{0, 0}, quadAt(0, 0, 120, 80, 10)}, {{1, 0}, quadAt(120, 0, 120, 80, -10)}}},
        {"split rows: row 0 left, row 1 right", [] { return CCSplitRows::actionWithRows(4, 1); }, 0.5f,
         {{{0, 0}, quadAt(-240, 0, 480, 80)}, {{0, 1}, quadAt(240, 80, 480, 80)}}},
        {"split columns: column 0 down, column 1 up", [] { return CCSplitCols::actionWithCols(4, 1); }, 0.5f,
         {{{0, 0}, quadAt(0, -160, 120, 320)}, {{1, 0}, quadAt(120, 160, 120, 320)}}},
        {"top-right fade at 0 keeps every tile", [] { return CCFadeOutTRTiles::actionWithSize({4, 4}, 1); }, 0,
         {{{0, 0}, quadAt(0, 0, 120, 80)}, {{3, 3}, quadAt(360, 240, 120, 80)}}},
        {"top-right fade half way", [] { return CCFadeOutTRTiles::actionWithSize({4, 4}, 1); }, 0.5f,
         {{{0, 0}, kOff},
          {{1, 1}, {{179.0625f, 119.375f, 0}, {180.9375f, 119.375f, 0}, {179.0625f, 120.625f, 0},
                    {180.9375f, 120.625f, 0}}},
          {{2, 2}, quadAt(240, 160, 120, 80)},
          {{3, 3}, quadAt(360, 240, 120, 80)}}},
        {"bottom-left fade at the end leaves the first tile", [] {
             return CCFadeOutBLTiles::actionWithSize({4, 4}, 1);
         }, 1, {{{0, 0}, quadAt(0, 0, 120, 80)}, {{0, 1}, kOff}, {{3, 3}, kOff}}},
        {"upward fade shrinks rows vertically", [] { return CCFadeOutUpTiles::actionWithSize({4, 4}, 1); }, 0.5f,
         {{{2, 0}, kOff},
          {{2, 1}, {{240, 119.375f, 0}, {360, 119.375f, 0}, {240, 120.625f, 0}, {360, 120.625f, 0}}},
          {{2, 2}, quadAt(240, 160, 120, 80)}}},
        {"downward fade from the top row", [] { return CCFadeOutDownTiles::actionWithSize({4, 4}, 1); }, 0.5f,
         {{{1, 0}, quadAt(120, 0, 120, 80)},
          {{1, 1}, quadAt(120, 80, 120, 80)},
          {{1, 3}, {{120, 276.4883f, 0}, {240, 276.4883f, 0}, {120, 283.5117f, 0}, {240, 283.5117f, 0}}}}},
    };
    return cases;
}

TEST_F(EffectsTest, TiledEffectsPlaceTilesAtTheirTimes)
{
    for (const TileCase& c : tileCases()) {
        SCOPED_TRACE(c.name);
        Ref<CCNode> node = CCNode::node();
        Ref<CCTiledGrid3DAction> effect = c.make();
        effect->startWithTarget(node.get());
        effect->update(c.t);
        auto* grid = dynamic_cast<CCTiledGrid3D*>(node->grid());
        ASSERT_NE(grid, nullptr);
        for (const TileProbe& probe : c.probes) {
            expectQuad(grid->tile(probe.pos), probe.expected,
                       "tile " + std::to_string(probe.pos.x) + "," + std::to_string(probe.pos.y));
        }
    }
}

TEST_F(EffectsTest, ShakingTilesDrawXThenYPerTileAndShatteringOnlyOnce)
{
    const std::vector<int32_t> draws{7, 2, 13};
    // Offsets: 7 -> 2, 2 -> -3, 13 -> -2, round and round.
    const ccQuad3 shaken{{2, -3, 0}, {117, -2, 0}, {-2, 82, 0}, {122, 77, 0}};
    {
        ScopedRandomSource scripted(std::make_shared<test::ScriptedRand>(draws));
        Ref<CCNode> node = CCNode::node();
        auto shaky = CCShakyTiles3D::actionWithRange(5, false, {4, 4}, 1);
        shaky->startWithTarget(node.get());
        shaky->update(0.1f);
        expectQuad(dynamic_cast<CCTiledGrid3D*>(node->grid())->tile({0, 0}), shaken, "shaken");
    }
    ScopedRandomSource scripted(std::make_shared<test::ScriptedRand>(draws));
    Ref<CCNode> node = CCNode::node();
    auto shattered = CCShatteredTiles3D::actionWithRange(5, false, {4, 4}, 1);
    shattered->startWithTarget(node.get());
    shattered->update(0.1f);
    auto* grid = dynamic_cast<CCTiledGrid3D*>(node->grid());
    const ccQuad3 second = grid->tile({0, 1});
    shattered->update(0.9f);
    expectQuad(grid->tile({0, 0}), shaken, "shattered");
    expectQuad(grid->tile({0, 1}), second, "later updates leave the tiles where they were thrown");
}

struct ShakerCase {
    const char* name;
    std::function<Ref<CCGridAction>(int32_t range)> make;
};

const std::vector<ShakerCase>& shakerCases()
{
    static const std::vector<ShakerCase> cases = {
        {"shaky 3D",
         [](int32_t range) { return Ref<CCGridAction>(CCShaky3D::actionWithRange(range, true, {4, 4}, 1)); }},
        {"shaky tiles",
         [](int32_t range) {
             return Ref<CCGridAction>(CCShakyTiles3D::actionWithRange(range, true, {4, 4}, 1));
         }},
        {"shattered tiles",
         [](int32_t range) {
             return Ref<CCGridAction>(CCShatteredTiles3D::actionWithRange(range, true, {4, 4}, 1));
         }},
    };
    return cases;
}

TEST_F(EffectsTest, ShakersOfRangeZeroLeaveEveryVertexWhereItWas)
{
    for (const ShakerCase& c : shakerCases()) {
        SCOPED_TRACE(c.name);
        Ref<CCNode> node = CCNode::node();
        Ref<CCGridAction> shaker = c.make(0);
        shaker->startWithTarget(node.get());
        ASSERT_NE(node->grid(), nullptr);
        const std::vector<float> unshaken = test::gridCoordinates(*ccGridOf(node.get()));
        for (float t : {0.0f, 0.25f, 0.5f, 0.75f, 1.0f}) {
            shaker->update(t);
            EXPECT_EQ(test::gridCoordinates(*ccGridOf(node.get())), unshaken) << "at " << t;
        }
    }
}

TEST_F(EffectsTest, ShakersTakeANegativeRangeAsItsSize)
{
    const std::vector<int32_t> draws{7, 2, 13, 0, 9};
    for (const ShakerCase& c : shakerCases()) {
        SCOPED_TRACE(c.name);
        std::vector<float> unshaken;
        std::map<int32_t, std::vector<float>> shaken;
        for (int32_t range : {5, -5}) {
            ScopedRandomSource scripted(std::make_shared<test::ScriptedRand>(draws));
            Ref<CCNode> node = CCNode::node();
            Ref<CCGridAction> shaker = c.make(range);
            shaker->startWithTarget(node.get());
            ASSERT_NE(node->grid(), nullptr);
            unshaken = test::gridCoordinates(*ccGridOf(node.get()));
            shaker->update(0.5f);
            shaken[range] = test::gridCoordinates(*ccGridOf(node.get()));
        }
        EXPECT_NE(shaken[5], unshaken);
        EXPECT_EQ(shaken[-5], shaken[5]);
    }
}

TEST_F(EffectsTest, TurningOffFollowsTheShuffledOrder)
{
    Ref<CCNode> node = CCNode::node();
    auto turnOff = CCTurnOffTiles::actionWithSeed(7, {2, 2}, 1);
    turnOff->startWithTarget(node.get());
    auto* grid = dynamic_cast<CCTiledGrid3D*>(node->grid());
    ASSERT_NE(grid, nullptr);
    const std::vector<int32_t> order = turnOff->tilesOrder();
    ASSERT_EQ(order.size(), 4u);
    turnOff->update(0.5f);
    for (size_t i = 0; i < order.size(); ++i) {
        const ccGridSize pos{order[i] / 2, order[i] % 2};
        const bool off = grid->tile(pos) == kOff;
        EXPECT_EQ(off, i < 2) << "order position " << i;
    }
    turnOff->update(1);
    for (int32_t k = 0; k < 4; ++k) EXPECT_EQ(grid->tile({k / 2, k % 2}), kOff);

    // The same seed gives the same order at the next start.
    turnOff->startWithTarget(node.get());
    EXPECT_EQ(turnOff->tilesOrder(), order);
}

TEST_F(EffectsTest, ShuffleMovesEveryTileToItsTargetCell)
{
    Ref<CCNode> node = CCNode::node();
    auto shuffle = CCShuffleTiles::actionWithSeed(3, {3, 2}, 1);
    shuffle->startWithTarget(node.get());
    auto* grid = dynamic_cast<CCTiledGrid3D*>(node->grid());
    ASSERT_NE(grid, nullptr);
    const std::vector<int32_t> order = shuffle->tilesOrder();
    std::vector<int32_t> sorted = order;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<int32_t>{0, 1, 2, 3, 4, 5})) << "a permutation of the cells";

    shuffle->update(0);
    for (int32_t k = 0; k < 6; ++k) {
        const ccGridSize pos{k / 2, k % 2};
        expectQuad(grid->tile(pos), grid->originalTile(pos), "in place at 0");
    }
    shuffle->update(1);
    const CGPoint step = grid->step();
    for (int32_t k = 0; k < 6; ++k) {
        const ccGridSize pos{k / 2, k % 2};
        const int32_t target = order[static_cast<size_t>(k)];
        expectQuad(grid->tile(pos),
                   quadAt(static_cast<float>(target / 2) * step.x, static_cast<float>(target % 2) * step.y, step.x,
                          step.y),
                   "in the target cell at 1");
    }
    auto again = CCShuffleTiles::actionWithSeed(3, {3, 2}, 1);
    Ref<CCNode> other = CCNode::node();
    again->startWithTarget(other.get());
    EXPECT_EQ(again->tilesOrder(), order) << "same seed, same order";
}

} // namespace
} // namespace mw
