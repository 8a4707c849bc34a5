#include <gtest/gtest.h>

#include <GLES/gl.h>

#include <cstdlib>
#include <string>

#include "engine/textures/CCTextureAtlas.h"
#include "tests/engine/textures/TextureTestSupport.h"

namespace mw {
namespace {

using test::nearColor;
using test::RGBA;

// A quad whose identity is its top-left x, so orders can be read back.
ccV3F_C4B_T2F_Quad tagged(char id)
{
    ccV3F_C4B_T2F_Quad quad{};
    quad.tl.vertices.x = static_cast<float>(id);
    return quad;
}

std::string order(CCTextureAtlas& atlas)
{
    std::string ids;
    const ccV3F_C4B_T2F_Quad* quads = atlas.quads();
    for (uint32_t i = 0; i < atlas.totalQuads(); ++i) {
        ids += quads[i].tl.vertices.x == 0 ? '.' : static_cast<char>(quads[i].tl.vertices.x);
    }
    return ids;
}

Ref<CCTextureAtlas> atlasWith(const std::string& ids, uint32_t capacity)
{
    Ref<CCTextureAtlas> atlas = CCTextureAtlas::textureAtlasWithTexture(nullptr, capacity);
    for (size_t i = 0; i < ids.size(); ++i) {
        atlas->updateQuad(tagged(ids[i]), static_cast<uint32_t>(i));
    }
    return atlas;
}

class TextureAtlasTest : public test::GLRenderTest {
protected:
    TextureAtlasTest() : GLRenderTest(64, 64) {}
};

TEST_F(TextureAtlasTest, EditingOperationsKeepTheExpectedOrder)
{
    const ccV3F_C4B_T2F_Quad xy[] = {tagged('X'), tagged('Y')};
    struct Case {
        const char* name;
        std::string start;
        void (*edit)(CCTextureAtlas&, const ccV3F_C4B_T2F_Quad*);
        std::string expected;
    };
    const Case cases[] = {
        {"insert two at 1", "ABC", [](CCTextureAtlas& a, const ccV3F_C4B_T2F_Quad* q) { a.insertQuads(q, 1, 2); },
         "AXYBC"},
        {"insert one at end", "AB", [](CCTextureAtlas& a, const ccV3F_C4B_T2F_Quad* q) { a.insertQuad(q[0], 2); },
         "ABX"},
        {"move one 3 to 0", "ABCD", [](CCTextureAtlas& a, const ccV3F_C4B_T2F_Quad*) { a.insertQuadFromIndex(3, 0); },
         "DABC"},
        {"move one 0 to 3", "ABCD", [](CCTextureAtlas& a, const ccV3F_C4B_T2F_Quad*) { a.insertQuadFromIndex(0, 3); },
         "BCDA"},
        {"move one to itself", "ABCD",
         [](CCTextureAtlas& a, const ccV3F_C4B_T2F_Quad*) { a.insertQuadFromIndex(2, 2); }, "ABCD"},
        {"move run of 2 from 2 to 0", "ABCDE",
         [](CCTextureAtlas& a, const ccV3F_C4B_T2F_Quad*) { a.insertQuadsFromIndex(2, 2, 0); }, "CDABE"},
        {"move run of 2 from 0 to 2", "ABCDE",
         [](CCTextureAtlas& a, const ccV3F_C4B_T2F_Quad*) { a.insertQuadsFromIndex(0, 2, 2); }, "CDABE"},
        {"remove one", "ABCD", [](CCTextureAtlas& a, const ccV3F_C4B_T2F_Quad*) { a.removeQuadAtIndex(1); }, "ACD"},
        {"remove 3 at 4 of 5 removes one", "ABCDE",
         [](CCTextureAtlas& a, const ccV3F_C4B_T2F_Quad*) { a.removeQuadsAtIndex(4, 3); }, "ABCD"},
        {"remove 2 in the middle", "ABCDE",
         [](CCTextureAtlas& a, const ccV3F_C4B_T2F_Quad*) { a.removeQuadsAtIndex(1, 2); }, "ADE"},
        {"block move up", "ABC",
         [](CCTextureAtlas& a, const ccV3F_C4B_T2F_Quad*) {
             a.moveQuadsFromIndex(1, 3);
             a.increaseTotalQuadsWith(2);
         },
         "ABCBC"},
        {"fill with empty", "ABCD",
         [](CCTextureAtlas& a, const ccV3F_C4B_T2F_Quad*) { a.fillWithEmptyQuadsFromIndex(1, 2); }, "A..D"},
        {"update past the end grows the count", "",
         [](CCTextureAtlas& a, const ccV3F_C4B_T2F_Quad* q) { a.updateQuad(q[0], 5); }, ".....X"},
        {"shrink to 4", "ABCDEF",
         [](CCTextureAtlas& a, const ccV3F_C4B_T2F_Quad*) { ASSERT_TRUE(a.resizeCapacity(4)); }, "ABCD"},
        {"grow keeps quads", "AB",
         [](CCTextureAtlas& a, const ccV3F_C4B_T2F_Quad* q) {
             ASSERT_TRUE(a.resizeCapacity(20));
             a.updateQuad(q[1], 15);
             EXPECT_EQ(a.capacity(), 20u);
         },
         "AB.............Y"},
        // Operations that would run past the capacity do nothing.
        {"insert into a full atlas", "ABCDEFGHIJ",
         [](CCTextureAtlas& a, const ccV3F_C4B_T2F_Quad* q) { a.insertQuad(q[0], 0); }, "ABCDEFGHIJ"},
        {"update past the capacity", "AB",
         [](CCTextureAtlas& a, const ccV3F_C4B_T2F_Quad* q) { a.updateQuad(q[0], 10); }, "AB"},
        {"remove all", "ABC", [](CCTextureAtlas& a, const ccV3F_C4B_T2F_Quad*) { a.removeAllQuads(); }, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Ref<CCTextureAtlas> atlas = atlasWith(c.start, 10);
        ASSERT_NE(atlas, nullptr);
        c.edit(*atlas, xy);
        EXPECT_EQ(order(*atlas), c.expected);
    }
}

TEST_F(TextureAtlasTest, IndicesAndCapacityLimitOfSixteenBitIndices)
{
    Ref<CCTextureAtlas> two = CCTextureAtlas::textureAtlasWithTexture(nullptr, 2);
    ASSERT_NE(two, nullptr);
    EXPECT_EQ(two->indices(), (std::vector<uint16_t>{0, 1, 2, 3, 2, 1, 4, 5, 6, 7, 6, 5}));

    Ref<CCTextureAtlas> largest = CCTextureAtlas::textureAtlasWithTexture(nullptr, 16384);
    ASSERT_NE(largest, nullptr);
    EXPECT_EQ(largest->indices().back(), 65533); // 4 x 16383 + 1
    EXPECT_EQ(CCTextureAtlas::textureAtlasWithTexture(nullptr, 16385), nullptr);

    // A resize past the limit fails and leaves the atlas as it was.
    two->updateQuad(tagged('A'), 1);
    EXPECT_FALSE(two->resizeCapacity(20000));
    EXPECT_EQ(two->capacity(), 2u);
    EXPECT_EQ(two->totalQuads(), 2u);
    EXPECT_TRUE(two->resizeCapacity(2));
    EXPECT_NE(two->description().find("| totalQuads =  2>"), std::string::npos) << two->description();
    EXPECT_EQ(CCTextureAtlas::textureAtlasWithFile("no/such/file.png", 4), nullptr);
}

// Four quads, each showing one texel of a 2x2 texture in its own corner of
// the surface, drawn through the vertex and index buffers.
class TextureAtlasDrawTest : public TextureAtlasTest {
protected:
    static constexpr RGBA kTexels[4] = {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {255, 255, 0, 255}};

    void SetUp() override
    {
        TextureAtlasTest::SetUp();
        texture_ = makeRef<CCTexture2D>();
        const uint8_t pixels[] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 0, 255};
        ASSERT_TRUE(texture_->initWithData(pixels, kCCTexture2DPixelFormat_RGBA8888, 2, 2, CGSize(2, 2)));
        texture_->setAliasTexParameters();
        atlas_ = CCTextureAtlas::textureAtlasWithTexture(texture_.get(), 4);
        ASSERT_NE(atlas_, nullptr);
    }

    // A 24x24 quad at (x, y) showing texel (u, v) of the 2x2 texture.
    static ccV3F_C4B_T2F_Quad quadAt(float x, float y, int texel)
    {
        const float u = (texel % 2) * 0.5f + 0.25f;
        const float v = (texel / 2) * 0.5f + 0.25f;
        const ccColor4B white{255, 255, 255, 255};
        ccV3F_C4B_T2F_Quad quad{};
        quad.tl = {{x, y + 24, 0}, white, {u, v}};
        quad.bl = {{x, y, 0}, white, {u, v}};
        quad.tr = {{x + 24, y + 24, 0}, white, {u, v}};
        quad.br = {{x + 24, y, 0}, white, {u, v}};
        return quad;
    }
    void redraw(uint32_t n, uint32_t start)
    {
        gl().resetState();
        test::useEngineDrawingState(gl());
        atlas_->drawNumberOfQuads(n, start);
        ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
    // The colour at the centre of each corner square: BL, BR, TL, TR.
    std::vector<RGBA> corners()
    {
        return {gl().readPixel(16, 16), gl().readPixel(48, 16), gl().readPixel(16, 48), gl().readPixel(48, 48)};
    }

    Ref<CCTexture2D> texture_;
    Ref<CCTextureAtlas> atlas_;
};

TEST_F(TextureAtlasDrawTest, DrawsRunsOfQuadsAndFollowsEdits)
{
    const RGBA none{0, 0, 0, 0};
    atlas_->updateQuad(quadAt(4, 4, 0), 0);   // bottom-left: red
    atlas_->updateQuad(quadAt(36, 4, 1), 1);  // bottom-right: green
    atlas_->updateQuad(quadAt(4, 36, 2), 2);  // top-left: blue
    atlas_->updateQuad(quadAt(36, 36, 3), 3); // top-right: yellow
    redraw(4, 0);
    EXPECT_EQ(corners(), (std::vector<RGBA>{kTexels[0], kTexels[1], kTexels[2], kTexels[3]}));
    if (const char* out = std::getenv("MOSSWICK_ATLAS_PNG")) {
        EXPECT_TRUE(gl().savePNG(out));
    }

    redraw(2, 1); // quads 1 and 2 only
    EXPECT_EQ(corners(), (std::vector<RGBA>{none, kTexels[1], kTexels[2], none}));

    // Edit a quad outside the run drawn next, then draw that quad alone: it
    // must not show its old texel.
    atlas_->updateQuad(quadAt(36, 36, 0), 3);
    redraw(1, 0);
    redraw(1, 3);
    EXPECT_EQ(corners(), (std::vector<RGBA>{none, none, none, kTexels[0]}));

    atlas_->removeQuadAtIndex(0); // the others move down a slot
    redraw(atlas_->totalQuads(), 0);
    EXPECT_EQ(corners(), (std::vector<RGBA>{none, kTexels[1], kTexels[2], kTexels[0]}));

    atlas_->insertQuadFromIndex(2, 0);
    ASSERT_TRUE(atlas_->resizeCapacity(8));
    atlas_->insertQuad(quadAt(4, 4, 3), 1);
    redraw(atlas_->totalQuads(), 0);
    EXPECT_EQ(corners(), (std::vector<RGBA>{kTexels[3], kTexels[1], kTexels[2], kTexels[0]}));
}

// Writing through quads() and exchanging the whole array both reach the
// vertex buffer on the next draw.
TEST_F(TextureAtlasDrawTest, QuadsWrittenThroughTheArrayOrExchangedAreUploaded)
{
    const RGBA none{0, 0, 0, 0};
    atlas_->updateQuad(quadAt(4, 4, 0), 0);
    redraw(1, 0);
    EXPECT_EQ(corners(), (std::vector<RGBA>{kTexels[0], none, none, none}));

    atlas_->quads()[0] = quadAt(36, 36, 1);
    redraw(1, 0);
    EXPECT_EQ(corners(), (std::vector<RGBA>{none, none, none, kTexels[1]}));

    std::vector<ccV3F_C4B_T2F_Quad> replacement(4);
    replacement[0] = quadAt(4, 36, 2);
    replacement[1] = quadAt(36, 4, 3);
    ASSERT_TRUE(atlas_->setQuads(replacement));
    ASSERT_EQ(replacement.size(), 4u); // the old array came back
    EXPECT_EQ(replacement[0].bl.vertices.x, 36.0f);
    atlas_->increaseTotalQuadsWith(1);
    redraw(atlas_->totalQuads(), 0);
    EXPECT_EQ(corners(), (std::vector<RGBA>{none, kTexels[3], kTexels[2], none}));

    std::vector<ccV3F_C4B_T2F_Quad> wrongSize(3);
    EXPECT_FALSE(atlas_->setQuads(wrongSize));
    EXPECT_EQ(wrongSize.size(), 3u);
    EXPECT_EQ(atlas_->quads()[0].bl.vertices.x, 4.0f);
}

} // namespace
} // namespace mw
