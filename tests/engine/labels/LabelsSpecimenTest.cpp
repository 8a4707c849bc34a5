#include <gtest/gtest.h>

#include <string>

#include "engine/base/ccContentScale.h"
#include "engine/base/ccDrawingState.h"
#include "engine/labels/CCLabelBMFont.h"
#include "engine/labels/CCLabelTTF.h"
#include "engine/nodes/CCLayerColor.h"
#include "engine/nodes/CCScene.h"
#include "tests/engine/labels/BitmapFontFixtures.h"
#include "tests/engine/sprites/SpriteTestSupport.h"

namespace mw {
namespace {

constexpr const char* kParagraph =
    "Mosswick grows from a clearing in the woods: build the mill, hire (and feed) "
    "the workers, and trade what the mine and the fields give.";
constexpr const char* kLetters = "äöü ÄÖÜ ß ąćęłńóśźż ĄĆĘŁŃÓŚŹŻ";

class LabelsSpecimenTest : public test::GLRenderTest, public ::testing::WithParamInterface<float> {
protected:
    LabelsSpecimenTest()
        : GLRenderTest(static_cast<int>(320 * GetParam()), static_cast<int>(480 * GetParam()))
    {
    }
};

// A picture to look at: a phone screen of labels drawn by the engine, both
// kinds, with a paragraph in each alignment and the letters of the string
// table's languages. Written next to the test program as
// labels_specimen@<scale>x.png.
TEST_P(LabelsSpecimenTest, RendersAScreenOfLabels)
{
    test::ScratchBundle bundle;
    const float scale = GetParam();
    ccSetContentScaleFactor(scale);
    // The bitmap font is made from a platform face at the screen's pixel size.
    const std::string characters =
        " !\"'(),-.0123456789:;?ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz" + std::string(kLetters);
    const test::RenderedFont font =
        test::renderedFont("HelveticaNeue", 13 * scale, characters, "specimen.png");
    bundle.writeText("specimen.fnt", font.fnt);
    bundle.writeImage("specimen.png", *font.page);

    Ref<CCScene> scene = CCScene::node();
    scene->addChild(CCLayerColor::layerWithColor({250, 247, 235, 255}, 320, 480).get());
    const ccColor3B ink{40, 30, 20};
    float top = 470;
    auto place = [&](CCNode* node, float x, float height) {
        node->setAnchorPoint({0, 1});
        node->setPosition({x, top});
        scene->addChild(node);
        top -= height;
    };

    Ref<CCLabelTTF> title = CCLabelTTF::labelWithString("Mosswick labels", "Marker Felt", 26);
    title->setColor({120, 60, 10});
    place(title.get(), 10, 40);

    const UITextAlignment alignments[] = {UITextAlignmentLeft, UITextAlignmentCenter, UITextAlignmentRight};
    for (UITextAlignment alignment : alignments) {
        Ref<CCLayerColor> box = CCLayerColor::layerWithColor({215, 228, 250, 255}, 300, 62);
        box->setPosition({10, top - 62});
        scene->addChild(box.get());
        Ref<CCLabelTTF> paragraph =
            CCLabelTTF::labelWithString(kParagraph, {300, 62}, alignment, "HelveticaNeue", 13);
        paragraph->setColor(ink);
        ASSERT_NE(paragraph->texture(), nullptr);
        place(paragraph.get(), 10, 68);
    }

    for (const char* face : {"HelveticaNeue", "HelveticaNeue-Bold", "Marker Felt"}) {
        Ref<CCLabelTTF> letters = CCLabelTTF::labelWithString(kLetters, face, 16);
        letters->setColor(ink);
        ASSERT_NE(letters->texture(), nullptr);
        EXPECT_LE(letters->contentSize().width, 300) << face;
        place(letters.get(), 10, 24);
    }

    Ref<CCLabelBMFont> bitmap = CCLabelBMFont::labelWithString(std::string(kParagraph) + "\n" + kLetters,
                                                               "specimen.fnt", 300, UITextAlignmentCenter);
    ASSERT_NE(bitmap, nullptr);
    bitmap->setColor({20, 90, 40});
    EXPECT_GT(bitmap->contentSize().height, 4 * 15) << "wrapped into several lines";
    place(bitmap.get(), 10, 0);

    test::clearSurface(0, 0, 0);
    ccSetNodeDrawingState(static_cast<float>(gl().width()), static_cast<float>(gl().height()));
    scene->visit();
    const std::string name = "labels_specimen@" + std::to_string(static_cast<int>(scale)) + "x.png";
    EXPECT_TRUE(gl().savePNG(name));
    ccSetContentScaleFactor(1);
}

INSTANTIATE_TEST_SUITE_P(ContentScales, LabelsSpecimenTest, ::testing::Values(1.0f, 2.0f),
                         [](const auto& info) { return info.param == 1.0f ? "Scale1" : "Scale2"; });

} // namespace
} // namespace mw
