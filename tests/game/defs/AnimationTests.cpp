#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "engine/sprites/CCSpriteFrame.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "game/defs/Animation.h"
#include "tests/support/SharedInstances.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

// Three parts at 10 fps: "arm" moves from x 0 to x 100 over key frames 0 and
// 10 (and fades 255 to 55); "body" has one key frame; "eye" steps from key
// frame 0 to key frame 1.
constexpr const char* kFile = R"(<?xml version="1.0"?>
<anim>
  <fps>10</fps>
  <animation image="arm.png">
    <frame index="0"><item x="0" y="40" scaleX="1" scaleY="1" depth="2" alpha="255" rotation="0" anchorX="5" anchorY="0"/></frame>
    <frame index="10"><item x="100" y="40" scaleX="2" scaleY="3" depth="2" alpha="55" rotation="90" anchorX="5" anchorY="0"/></frame>
  </animation>
  <animation image="body.png">
    <frame index="0"><item x="10" y="-10" scaleX="1" scaleY="1" depth="1" alpha="200" rotation="0"/></frame>
  </animation>
  <animation image="eye.png">
    <frame index="0"><item x="1" y="0" scaleX="1" scaleY="1" depth="3" alpha="255"/></frame>
    <frame index="1"><item x="9" y="0" scaleX="1" scaleY="1" depth="3" alpha="255"/></frame>
  </animation>
</anim>
)";

const FRAME_DEF& at(const Animation& animation, size_t part, size_t key)
{
    return *animation.Animations.at(part)->Frames.at(key);
}

size_t childCount(const CCNode& node)
{
    return node.children() ? node.children()->count() : 0;
}

class AnimationTest : public ::testing::Test {
protected:
    AnimationTest()
    {
        test::resetSharedInstances();
        for (const char* name : {"arm.png", "body.png", "eye.png"}) {
            auto frame = makeRef<CCSpriteFrame>(nullptr, CGRect{CGPoint{0, 0}, CGSize{20, 10}});
            CCSpriteFrameCache::sharedSpriteFrameCache()->addSpriteFrame(frame.get(), name);
        }
        path = dir.write("anim.xml", std::string_view(kFile));
    }
    ~AnimationTest() override { test::resetSharedInstances(); }

    Ref<Animation> placedCopy(float scale = 1.0f)
    {
        Ref<Animation> copy = Animation::animationWithFile(path, scale)->GenerateNewObject();
        copy->PlaceObject();
        return copy;
    }

    test::TempDir dir;
    std::string path;
};

TEST_F(AnimationTest, ATemplateIsReadAndPositionsAreConvertedForTheDevice)
{
    struct Case {
        float scale;
        CGPoint arm;
    };
    const Case cases[] = {{0.5f, {0, -20}}, {1.0f, {0, -40}}, {2.0f, {0, -80}}};
    for (const Case& c : cases) {
        Ref<Animation> animation = Animation::animationWithFile(path, c.scale);
        EXPECT_EQ(animation->Fps, 10);
        ASSERT_EQ(animation->Animations.size(), 3u);
        const FRAME_DEF& first = *animation->Animations[0]->Frames[0];
        EXPECT_EQ(first.Position.x, c.arm.x);
        EXPECT_EQ(first.Position.y, c.arm.y) << c.scale;
        const FRAME_DEF& last = *animation->Animations[0]->Frames[1];
        EXPECT_EQ(last.Position.x, 100 * c.scale);
        EXPECT_FLOAT_EQ(last.StartTime, 1.0f);
        EXPECT_EQ(last.AlphaRotation.y, 90);
        EXPECT_EQ(animation->Animations[1]->Frames[0]->Anchor.x, 0); // missing attribute
    }

    // A file that cannot be read gives an empty template.
    Ref<Animation> missing = Animation::animationWithFile(dir.file("none.xml"), 1.0f);
    EXPECT_EQ(missing->Fps, 0);
    EXPECT_TRUE(missing->Animations.empty());
}

// The reader over a parsed document against the file reader, on one small
// file per row. The rows where they part are the three ways the document
// reader differs; the others hold for both.
TEST_F(AnimationTest, TheDocumentReaderMatchesTheFileReaderBarThreeDifferences)
{
    using Pick = double (*)(const Animation&);
    struct Case {
        const char* what;
        const char* fps;
        const char* parts;
        Pick pick;
        double fromFile;
        double fromDocument;
    };
    constexpr const char* kTwoFrames =
        R"(<animation image="a.png"><frame index="0"><item x="3" y="40" depth="2.9" alpha="200"/></frame>)"
        R"(<frame index="5"><item x="9" y="40"/></frame></animation>)";
    constexpr const char* kOneFrame =
        R"(<animation image="a.png"><frame index="7"><item x="3" y="40"/></frame></animation>)";
    constexpr const char* kHugeIndex = R"(<animation image="a.png"><frame index="0"><item/></frame>)"
                                       R"(<frame index="1e10"><item/></frame></animation>)";
    const Case cases[] = {
        {"parts", "10", kTwoFrames, [](const Animation& a) { return double(a.Animations.size()); }, 1, 1},
        {"y flipped, scaled", "10", kTwoFrames, [](const Animation& a) { return double(at(a, 0, 0).Position.y); }, -80, -80},
        {"depth cut", "10", kTwoFrames, [](const Animation& a) { return double(at(a, 0, 0).depth); }, 2, 2},
        {"opacity", "10", kTwoFrames, [](const Animation& a) { return double(at(a, 0, 0).AlphaRotation.x); }, 200, 200},
        {"missing attribute", "10", kTwoFrames, [](const Animation& a) { return double(at(a, 0, 0).Anchor.y); }, 0, 0},
        {"index", "10", kTwoFrames, [](const Animation& a) { return double(at(a, 0, 1).index); }, 5, 5},
        {"no fps: time 0", "0", kTwoFrames, [](const Animation& a) { return double(at(a, 0, 1).StartTime); }, 0, 0},
        {"huge index clamps", "10", kHugeIndex, [](const Animation& a) { return double(at(a, 0, 1).index); },
         INT32_MAX, INT32_MAX},
        // 1: the fps is a decimal number for the document reader.
        {"fps 1e1", "1e1", kTwoFrames, [](const Animation& a) { return double(a.Fps); }, 1, 10},
        {"fps 12.9", "12.9", kTwoFrames, [](const Animation& a) { return double(a.Fps); }, 12, 12},
        // 2: a lone key frame keeps index 0 and time 0 in the document reader.
        {"lone frame index", "10", kOneFrame, [](const Animation& a) { return double(at(a, 0, 0).index); }, 7, 0},
        {"lone frame time", "10", kOneFrame, [](const Animation& a) { return double(at(a, 0, 0).StartTime); },
         double(0.7f), 0},
        // 3: 5 / 3 and 5 * (1 / 3) round apart in floats.
        {"start time", "3", kTwoFrames, [](const Animation& a) { return double(at(a, 0, 1).StartTime); },
         double(1.66666663f), double(1.66666675f)},
    };
    for (const Case& c : cases) {
        const std::string text = std::string("<anim><fps>") + c.fps + "</fps>" + c.parts + "</anim>";
        Ref<Animation> fromFile = Animation::animationWithFile(dir.write("row.xml", std::string_view(text)), 2.0f);
        Ref<XML> document = XML::initWithString(text);
        Ref<Animation> fromDocument = Animation::animationWithXML(*document, 2.0f);
        EXPECT_EQ(c.pick(*fromFile), c.fromFile) << c.what;
        EXPECT_EQ(c.pick(*fromDocument), c.fromDocument) << c.what;
    }
}

TEST_F(AnimationTest, ACopySharesTheKeyFramesAndIsPlacedAtKeyFrameZero)
{
    Ref<Animation> templ = Animation::animationWithFile(path, 1.0f);
    Ref<Animation> copy = templ->GenerateNewObject();
    ASSERT_EQ(copy->Animations.size(), 3u);
    EXPECT_NE(copy->Animations[0].get(), templ->Animations[0].get());
    EXPECT_EQ(copy->Animations[0]->Frames[1].get(), templ->Animations[0]->Frames[1].get());
    EXPECT_EQ(childCount(*copy), 0u);

    copy->PlaceObject();
    EXPECT_EQ(templ->GetSpriteNamed("arm.png"), nullptr);
    CCSprite* arm = copy->GetSpriteNamed("arm.png");
    ASSERT_NE(arm, nullptr);
    EXPECT_EQ(copy->GetSpriteNamed("body.png"), nullptr) << "a one-frame part keeps no sprite";
    EXPECT_EQ(childCount(*copy), 3u);
    EXPECT_EQ(arm->positionInPixels().y, -40);
    EXPECT_EQ(arm->opacity(), 255);
    EXPECT_EQ(arm->zOrder(), 2);
    EXPECT_FLOAT_EQ(arm->anchorPoint().x, 0.5f - 5.0f / 20.0f);
    // The box holds the three 20 x 10 pictures: body at (10, 10), arm and eye on y -40 and 0.
    EXPECT_FLOAT_EQ(copy->AnimationBox.origin.y, -45);
    EXPECT_FLOAT_EQ(copy->AnimationBox.size.height, 60);

    Ref<Animation> hidden = templ->GenerateNewObject();
    hidden->PlaceObject(0);
    EXPECT_EQ(hidden->GetSpriteNamed("arm.png")->opacity(), 0);
    hidden->StartAnimations(true);
    hidden->Update(0.01f);
    EXPECT_EQ(hidden->GetSpriteNamed("arm.png")->opacity(), 253) << "stepped parts take their key frames' opacity";
}

TEST_F(AnimationTest, StepsInterpolateAndTheEndLoopsOrStops)
{
    Ref<Animation> looping = placedCopy();
    CCSprite* arm = looping->GetSpriteNamed("arm.png");
    CCSprite* eye = looping->GetSpriteNamed("eye.png");
    looping->StartAnimations(true);
    looping->Update(0.05f);
    EXPECT_EQ(eye->positionInPixels().x, 1) << "adjacent key frames step";
    EXPECT_EQ(looping->Animations[2]->CurrentFrame, 0);
    looping->Update(0.05f); // the eye ends its stretch and starts again
    EXPECT_EQ(looping->Animations[2]->CurrentFrame, 0);
    EXPECT_FLOAT_EQ(looping->Animations[2]->Timer, 0);
    for (int i = 0; i < 4; ++i) looping->Update(0.1f);
    EXPECT_FLOAT_EQ(arm->positionInPixels().x, 50);
    EXPECT_FLOAT_EQ(arm->scaleX(), 1.5f);
    EXPECT_FLOAT_EQ(arm->rotation(), 45);
    for (int i = 0; i < 5; ++i) looping->Update(0.1f);
    EXPECT_FLOAT_EQ(arm->positionInPixels().x, 0) << "at 1 s it is back at key frame 0";

    // Without a loop the part that ends first stops the whole animation, and
    // an auto-released one leaves its parent.
    Ref<CCNode> parent = CCNode::node();
    Ref<Animation> once = placedCopy();
    parent->addChild(once.get());
    once->SetAutoRelease();
    once->StartAnimations(false);
    once->Update(0.1f);
    EXPECT_EQ(once->parent(), nullptr);
    EXPECT_EQ(once->GetSpriteNamed("eye.png")->positionInPixels().x, 1) << "back at key frame 0";

    Ref<Animation> held = placedCopy();
    held->StartAnimations(false, true);
    held->Update(0.06f);
    held->Update(0.06f);
    EXPECT_EQ(held->Animations[2]->CurrentFrame, 1) << "stopped at the end";
}

} // namespace
} // namespace mw
