#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "engine/base/ccDrawingState.h"
#include "engine/labels/CCBMFontConfiguration.h"
#include "engine/labels/CCLabelBMFont.h"
#include "engine/sprites/CCSprite.h"
#include "tests/engine/labels/BitmapFontFixtures.h"
#include "tests/engine/sprites/SpriteTestSupport.h"

namespace mw {
namespace {

using test::RGBA;

// Where a letter sits, in pixels of the label's space.
struct Placed {
    int tag;
    CGPoint at;
};

class LabelBMFontTest : public test::GLRenderTest {
protected:
    LabelBMFontTest() : GLRenderTest(128, 64) {}
    void SetUp() override
    {
        GLRenderTest::SetUp();
        bundle_ = std::make_unique<test::ScratchBundle>();
        bundle_->writeImage("blocks.png", *test::blockPage(test::blockGlyphs(true)));
        bundle_->writeText("blocks.fnt", test::fntText(test::blockGlyphs(), {}, 20, "blocks.png"));
        bundle_->writeText("kerned.fnt", test::fntText(test::blockGlyphs(), {{'A', 'B', -2}, {'B', 'A', 3}},
                                                       20, "blocks.png"));
        bundle_->writeText("spaced.fnt", test::fntText(test::blockGlyphs(true), {}, 20, "blocks.png"));
    }
    void TearDown() override { bundle_.reset(); }

    static CCSprite* letter(const CCLabelBMFont& label, int tag)
    {
        return static_cast<CCSprite*>(label.getChildByTag(tag));
    }
    static std::vector<Placed> visibleLetters(const CCLabelBMFont& label)
    {
        std::vector<Placed> placed;
        for (Object* child : *label.children()) {
            const auto* sprite = static_cast<const CCSprite*>(child);
            if (sprite->visible()) placed.push_back({sprite->tag(), sprite->positionInPixels()});
        }
        std::sort(placed.begin(), placed.end(),
                  [](const Placed& a, const Placed& b) { return a.tag < b.tag; });
        return placed;
    }

    std::unique_ptr<test::ScratchBundle> bundle_;
};

void PrintTo(const Placed& p, std::ostream* out) { *out << p.tag << "@(" << p.at.x << "," << p.at.y << ")"; }

bool operator==(const Placed& a, const Placed& b) { return a.tag == b.tag && a.at == b.at; }

TEST_F(LabelBMFontTest, LettersSitAtThePenWithOffsetsKerningAndLines)
{
    struct Case {
        const char* fnt;
        const char* text;
        std::vector<Placed> letters;
        CGSize size;
    };
    const Case cases[] = {
        // A stands 3 below the line's top: 20 - 3 - 12 / 2 = 11.
        {"blocks.fnt", "AB", {{0, {5, 11}}, {1, {15, 11}}}, {18, 20}},
        // The pair (A, B) pulls B and all after it 2 pixels left.
        {"kerned.fnt", "ABC", {{0, {5, 11}}, {1, {13, 11}}, {2, {19, 10}}}, {22, 20}},
        {"blocks.fnt", "ABC", {{0, {5, 11}}, {1, {15, 11}}, {2, {21, 10}}}, {24, 20}},
        {"blocks.fnt", "AB\nC", {{0, {5, 31}}, {1, {15, 31}}, {3, {3, 10}}}, {18, 40}},
        {"blocks.fnt", "AB\n", {{0, {5, 11}}, {1, {15, 11}}}, {18, 20}},
        // The pair (B, A) never joins the last letter of a line to the next line's first.
        {"kerned.fnt", "B\nA", {{0, {5, 31}}, {2, {5, 11}}}, {10, 40}},
        // A character the font lacks takes no room and no sprite.
        {"blocks.fnt", "AxB", {{0, {5, 11}}, {2, {15, 11}}}, {18, 20}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Ref<CCLabelBMFont> label = CCLabelBMFont::labelWithString(c.text, c.fnt);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(visibleLetters(*label), c.letters);
        EXPECT_EQ(label->contentSizeInPixels(), c.size);
    }
}

TEST_F(LabelBMFontTest, LettersAreReusedByIndexAndOnlyHidden)
{
    Ref<CCLabelBMFont> label = CCLabelBMFont::labelWithString("ABC", "blocks.fnt");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->anchorPoint(), (CGPoint{0.5f, 0.5f}));
    CCSprite* first = letter(*label, 0);
    label->setString("D");
    EXPECT_EQ(label->children()->count(), 3u);
    EXPECT_EQ(letter(*label, 0), first);
    EXPECT_EQ(first->textureRectInPixels(), (CGRect{24, 0, 10, 10})) << "now showing D";
    EXPECT_EQ(visibleLetters(*label).size(), 1u);
    EXPECT_EQ(label->contentSizeInPixels(), (CGSize{10, 20}));

    label->setString("");
    EXPECT_TRUE(visibleLetters(*label).empty());
    EXPECT_EQ(label->contentSizeInPixels(), (CGSize{10, 20})) << "an empty text keeps the size";
    EXPECT_EQ(label->string(), "");
    EXPECT_EQ(label->children()->count(), 3u);
}

TEST_F(LabelBMFontTest, WrappingBreaksBeforeTheWordThatCrossesTheWidth)
{
    struct Case {
        const char* fnt;
        const char* text;
        float width;
        const char* laidOut;
    };
    const Case cases[] = {
        // The second word crosses 20 points: it moves down, the space before it goes.
        {"spaced.fnt", "AB AB", 20, "AB\nAB"},
        {"spaced.fnt", "AB  AB", 20, "AB\nAB"},
        {"spaced.fnt", "AB AB", 100, "AB AB"},
        {"kerned.fnt", "AB AB", 20, "AB\nAB"},
        {"spaced.fnt", "AB\nAB AB", 20, "AB\nAB\nAB"},
        // A word wider than the width keeps its own line; no empty line opens above it.
        {"spaced.fnt", "WWW A", 30, "WWW\nA"},
        // A font without a space glyph: the space has no letter, yet the
        // letters after it keep their own characters.
        {"blocks.fnt", "AB AB", 20, "AB\nAB"},
        {"blocks.fnt", "AB ABx AB", 20, "AB\nABx\nAB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Ref<CCLabelBMFont> label =
            CCLabelBMFont::labelWithString(c.text, c.fnt, c.width, UITextAlignmentLeft);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->string(), c.laidOut);
        EXPECT_EQ(label->initialString(), c.text);
    }

    Ref<CCLabelBMFont> label = CCLabelBMFont::labelWithString("AB AB", "spaced.fnt", 20, UITextAlignmentLeft);
    const std::vector<Placed> twoLines = {{0, {5, 31}}, {1, {15, 31}}, {3, {5, 11}}, {4, {15, 11}}};
    EXPECT_EQ(visibleLetters(*label), twoLines);
    EXPECT_EQ(label->contentSizeInPixels(), (CGSize{18, 40}));
    label->setWidth(0);
    EXPECT_EQ(label->string(), "AB AB") << "a width of 0 wraps nothing";
}

TEST_F(LabelBMFontTest, LinesAlignWithinTheLongestLine)
{
    // "WWWWW" is 100 wide; B, the last letter of "AB", ends at 19 (one pixel
    // right of the pen), of which half is 9 in whole points.
    struct Case {
        UITextAlignment alignment;
        float a, b;
    };
    const Case cases[] = {
        {UITextAlignmentLeft, 5, 15},
        {UITextAlignmentCenter, 5 + 50 - 9, 15 + 50 - 9},
        {UITextAlignmentRight, 5 + 100 - 19, 15 + 100 - 19},
    };
    for (const char* text : {"WWWWW\nAB", "WWWWW\r\nAB"}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(text) + " alignment " + std::to_string(c.alignment));
            Ref<CCLabelBMFont> label = CCLabelBMFont::labelWithString(text, "blocks.fnt", -1, c.alignment);
            ASSERT_NE(label, nullptr);
            const int a = static_cast<int>(std::string(text).find("AB"));
            EXPECT_EQ(letter(*label, a)->position().x, c.a);
            EXPECT_EQ(letter(*label, a + 1)->position().x, c.b);
            EXPECT_EQ(letter(*label, 0)->position().x, 10) << "the longest line does not move";
            // The letters do not depend on the anchor point.
            label->setAnchorPoint({0, 0});
            EXPECT_EQ(letter(*label, a + 1)->position().x, c.b);
        }
    }

    Ref<CCLabelBMFont> label = CCLabelBMFont::labelWithString("WWWWW\nAB", "blocks.fnt");
    label->setAlignment(UITextAlignmentRight);
    EXPECT_EQ(letter(*label, 6)->position().x, 5 + 100 - 19);

    // "AB AB" is 41 pixels wide: centring "AB" by 20.5 - 9 would put it
    // between pixels, so it moves by 11. At scale 2 the same pixels are half
    // as many points: 10.25 - 4 points would be 12.5 pixels; it moves 12.
    for (float scale : {1.0f, 2.0f}) {
        ccSetContentScaleFactor(scale);
        Ref<CCLabelBMFont> odd =
            CCLabelBMFont::labelWithString("AB AB\nAB", "spaced.fnt", -1, UITextAlignmentCenter);
        EXPECT_EQ(odd->contentSizeInPixels().width, 41);
        EXPECT_EQ(letter(*odd, 6)->positionInPixels().x, 5 + (scale == 1 ? 11 : 12)) << scale;
    }
    ccSetContentScaleFactor(1);
}

TEST_F(LabelBMFontTest, ColourAndOpacityReachEveryLetterAndTheScreen)
{
    Ref<CCLabelBMFont> label = CCLabelBMFont::labelWithString("AB", "blocks.fnt");
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->doesOpacityModifyRGB()) << "the page's alpha is premultiplied";
    label->setColor({255, 128, 255});
    label->setOpacity(200);
    label->setString("ABAB"); // letters 2 and 3 are new
    for (int tag = 0; tag < 4; ++tag) {
        EXPECT_EQ(letter(*label, tag)->color(), (ccColor3B{255, 128, 255})) << tag;
        EXPECT_EQ(letter(*label, tag)->opacity(), 200) << tag;
        EXPECT_TRUE(letter(*label, tag)->doesOpacityModifyRGB()) << tag;
    }
    EXPECT_EQ(label->color(), (ccColor3B{255, 128, 255}));
    EXPECT_EQ(label->opacity(), 200);

    label->setOpacity(255);
    label->setString("AB");
    label->setPosition({30, 20}); // content 18 x 20 around its centre: from (21, 10)
    test::clearSurface(0, 0, 0);
    ccSetNodeDrawingState(128, 64);
    label->visit();
    test::keepPicture(gl(), "bitmap font label");
    EXPECT_TRUE(test::nearColor(gl().readPixel(26, 21), {255, 0, 0, 255})) << gl().readPixel(26, 21);
    EXPECT_TRUE(test::nearColor(gl().readPixel(36, 21), {0, 128, 0, 255})) << gl().readPixel(36, 21);
    EXPECT_TRUE(test::nearColor(gl().readPixel(26, 29), test::kBlack)) << "above A's 12 rows";
    EXPECT_TRUE(test::nearColor(gl().readPixel(45, 21), test::kBlack)) << "after the text";
}

TEST_F(LabelBMFontTest, LabelsShareADescriptionAndKeepItPastAPurge)
{
    Ref<CCLabelBMFont> one = CCLabelBMFont::labelWithString("A", "kerned.fnt");
    Ref<CCLabelBMFont> two = CCLabelBMFont::labelWithString("B", "kerned.fnt");
    ASSERT_TRUE(one && two);
    EXPECT_EQ(one->configuration(), two->configuration());
    EXPECT_EQ(one->kerningAmount('A', 'B'), -2);
    CCLabelBMFont::purgeCachedData();
    Ref<CCLabelBMFont> three = CCLabelBMFont::labelWithString("C", "kerned.fnt");
    EXPECT_NE(three->configuration(), one->configuration());
    one->setString("BA");
    EXPECT_EQ(letter(*one, 1)->positionInPixels().x, 5 + 8 + 3) << "the kept description still kerns";
}

} // namespace
} // namespace mw
