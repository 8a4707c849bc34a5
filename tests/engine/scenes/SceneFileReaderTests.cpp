// The scene-file reader: a fixture with every node class, a hold button,
// member assignment and the fallbacks builds the expected tree; each bad
// file or node logs its warning and falls back.

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/base/CCPropertyRegistry.h"
#include "engine/labels/CCLabelBMFont.h"
#include "engine/menus/CCHoldButton.h"
#include "engine/menus/CCMenu.h"
#include "engine/menus/CCMenuItem.h"
#include "engine/nodes/CCLayer.h"
#include "engine/nodes/CCLayerColor.h"
#include "engine/nodes/CCLayerGradient.h"
#include "engine/nodes/CCScene.h"
#include "engine/particles/CCParticleSystem.h"
#include "engine/particles/CCParticleSystemQuad.h"
#include "engine/scenes/CCBReader.h"
#include "engine/sprites/CCSprite.h"
#include "engine/textures/CCTexture2D.h"
#include "engine/textures/CCTextureCache.h"
#include "foundation/Log.h"
#include "foundation/PropertyList.h"
#include "foundation/Value.h"
#include "tests/engine/labels/BitmapFontFixtures.h"
#include "tests/engine/particles/ParticleTestSupport.h"
#include "tests/support/SourceTree.h"

namespace mw {
namespace {

class TestPanelLayer : public CCLayer {};

class TestRootNode : public CCNode {
public:
    void onReset(Object*) { ++resets; }
    void didLoadFromCCB(Object*)
    {
        ++loads;
        childrenAtLoad = children() ? children()->count() : 0;
    }
    CCNode* resetButton = nullptr;
    int resets = 0;
    int loads = 0;
    uint32_t childrenAtLoad = 0;
};

class SceneOwner : public Object {
public:
    void onPlay(Object*) { ++plays; }
    CCNode* root = nullptr;
    CCNode* panel = nullptr;
    CCNode* playButton = nullptr;
    CCSprite* spriteOnly = nullptr;
    int plays = 0;
};

[[maybe_unused]] const bool standInsRegistered = [] {
    CCPropertyRegistry& registry = CCPropertyRegistry::shared();
    registry.registerClass<TestPanelLayer>("TestPanelLayer");
    registry.registerClass<TestRootNode>("TestRootNode");
    registry.registerSelector<TestRootNode>("onReset:", &TestRootNode::onReset);
    registry.registerSelector<TestRootNode>("didLoadFromCCB", &TestRootNode::didLoadFromCCB);
    registry.registerMember<TestRootNode, CCNode>("resetButton", &TestRootNode::resetButton);
    registry.registerSelector<SceneOwner>("onPlay:", &SceneOwner::onPlay);
    registry.registerMember<SceneOwner, CCNode>("root", &SceneOwner::root);
    registry.registerMember<SceneOwner, CCNode>("panel", &SceneOwner::panel);
    registry.registerMember<SceneOwner, CCNode>("playButton", &SceneOwner::playButton);
    registry.registerMember<SceneOwner, CCSprite>("spriteOnly", &SceneOwner::spriteOnly);
    return true;
}();

class SceneFileReaderTest : public test::GLRenderTest {
protected:
    void SetUp() override
    {
        GLRenderTest::SetUp();
        bundle_ = std::make_unique<test::ScratchBundle>();
        bundle_->loadTestSheet();
        bundle_->writeImage("ball.png", *test::solidImage(16, {0, 0, 255, 255}));
        bundle_->writeImage("missing-texture.png", *test::solidImage(8, {255, 0, 255, 255}));
        const std::vector<test::GlyphSpec> glyphs = test::blockGlyphs();
        bundle_->writeImage("blocks.png", *test::blockPage(glyphs));
        bundle_->writeText("blocks.fnt", test::fntText(glyphs, {}, 20, "blocks.png"));
        bundle_->writeText("missing-font.fnt", test::fntText(glyphs, {}, 20, "blocks.png"));
    }
    void TearDown() override { bundle_.reset(); }

    std::unique_ptr<test::ScratchBundle> bundle_;
};

// The child of node with the tag, as T (a test failure when absent).
template <typename T>
T* child(CCNode* node, int tag)
{
    CCNode* found = node->getChildByTag(tag);
    EXPECT_NE(found, nullptr) << "no child tagged " << tag;
    T* typed = dynamic_cast<T*>(found);
    EXPECT_NE(typed, nullptr) << "child " << tag << " is a " << (found ? found->description() : "null");
    return typed;
}

TEST_F(SceneFileReaderTest, FixtureBuildsTheTreeMembersAndSelectors)
{
    std::optional<Value> fixture = readPropertyListFile(test::sourceTreePath("tests/engine/scenes/fixtures/scene.ccb"));
    ASSERT_TRUE(fixture.has_value());
    bundle_->writeText("scene.ccb", writePropertyList(*fixture));
    SceneOwner owner;
    ScopedLogCapture log;
    Ref<CCScene> scene = CCBReader::sceneWithNodeGraphFromFile("scene.ccb", &owner);
    ASSERT_NE(scene, nullptr);
    auto* root = dynamic_cast<TestRootNode*>(scene->children()->objectAtIndexAs<CCNode>(0));
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->tag(), 1);
    EXPECT_EQ(root->contentSize(), CGSize(320, 480));

    // Children in file order, drawn by their z orders.
    root->sortAllChildren();
    std::vector<int> tags;
    for (Object* item : *root->children()) tags.push_back(static_cast<CCNode*>(item)->tag());
    EXPECT_EQ(tags, (std::vector<int>{3, 4, 5, 6, 7, 2, 8, 11, 12, 13}));

    auto* panel = child<TestPanelLayer>(root, 2);
    EXPECT_TRUE(panel->isTouchEnabled());
    EXPECT_EQ(panel->contentSize(), CGSize(100, 50));
    auto* colour = child<CCLayerColor>(root, 3);
    EXPECT_EQ(colour->color(), ccc3(255, 0, 0));
    EXPECT_EQ(colour->opacity(), 128);
    EXPECT_EQ(colour->contentSize(), CGSize(40, 30));
    auto* gradient = child<CCLayerGradient>(root, 4);
    EXPECT_EQ(gradient->color(), ccc3(0, 0, 255));
    EXPECT_EQ(gradient->endColor(), ccc3(0, 255, 0));
    EXPECT_EQ(gradient->endOpacity(), 64);
    EXPECT_EQ(gradient->vector(), CGPoint(0, 1));

    Ref<CCTexture2D> ball = CCTextureCache::sharedTextureCache()->addImage("ball.png");
    Ref<CCTexture2D> missing = CCTextureCache::sharedTextureCache()->addImage("missing-texture.png");
    auto* sprite = child<CCSprite>(root, 5);
    EXPECT_EQ(sprite->texture(), ball.get());
    EXPECT_EQ(sprite->contentSize(), CGSize(16, 16));  // sized by its picture, not the file
    EXPECT_EQ(sprite->opacity(), 200);
    EXPECT_TRUE(sprite->flipX());
    EXPECT_EQ(sprite->position(), CGPoint(160, 240));
    auto* framed = child<CCSprite>(root, 6);
    EXPECT_EQ(framed->textureRect(), CGRect(0, 0, 16, 16));
    EXPECT_EQ(child<CCSprite>(root, 7)->texture(), missing.get());

    auto* menu = child<CCMenu>(root, 8);
    EXPECT_TRUE(menu->isTouchEnabled());
    auto* play = child<CCMenuItemImage>(menu, 9);
    EXPECT_EQ(dynamic_cast<CCHoldButtonImage*>(play), nullptr);
    EXPECT_TRUE(play->isEnabled());
    EXPECT_EQ(play->contentSize(), CGSize(16, 16));  // the normal picture's: anchor and touch area lie on it
    EXPECT_EQ(dynamic_cast<CCSprite*>(play->normalImage())->texture(), ball.get());
    EXPECT_EQ(dynamic_cast<CCSprite*>(play->disabledImage())->texture(), missing.get());
    EXPECT_EQ(play->rect().size, CGSize(16, 16));
    play->activate();
    EXPECT_EQ(owner.plays, 1);
    auto* hold = child<CCHoldButtonImage>(menu, 10);
    EXPECT_FALSE(hold->isEnabled());
    // Held past its hold time (0 until the game sets one), it fires even disabled.
    hold->selected();
    hold->update(0.1f);
    hold->unselected();
    EXPECT_EQ(root->resets, 1);

    EXPECT_EQ(child<CCLabelBMFont>(root, 11)->string(), "ABC");
    EXPECT_EQ(child<CCLabelBMFont>(root, 12)->string(), "CAB");  // through the placeholder font

    auto* particles = child<CCParticleSystem>(root, 13);
    EXPECT_EQ(dynamic_cast<CCParticleSystemQuad*>(particles), nullptr);
    EXPECT_EQ(particles->allocatedParticles(), 2048u);
    EXPECT_EQ(particles->totalParticles(), 300u);
    EXPECT_FLOAT_EQ(particles->emissionRate(), 50);
    EXPECT_FLOAT_EQ(particles->startSize(), 12);  // read as an integer
    EXPECT_FLOAT_EQ(particles->angle(), 90);
    EXPECT_FLOAT_EQ(particles->startSpin(), 0);   // only quad systems read spins
    EXPECT_EQ(particles->gravity(), CGPoint(0, -30));
    EXPECT_EQ(particles->posVar(), CGPoint(4, 2));
    EXPECT_EQ(particles->positionType(), kCCPositionTypeGrouped);
    EXPECT_TRUE(particles->blendAdditive());
    EXPECT_EQ(particles->texture(), ball.get());

    EXPECT_EQ(owner.root, root);
    EXPECT_EQ(owner.panel, panel);
    EXPECT_EQ(owner.playButton, play);
    EXPECT_EQ(root->resetButton, hold);
    EXPECT_EQ(root->loads, 1);
    EXPECT_EQ(root->childrenAtLoad, 10u);
    // The placeholders log their own lines; the reader itself warns of nothing.
    for (const std::string& line : log.lines()) EXPECT_EQ(line.find("WARNING!"), std::string::npos) << line;
}

// ---- small documents for the warning paths ----

Value props(std::initializer_list<std::pair<std::string, Value>> extra)
{
    Value p = Value::dictionary({{"visible", true}, {"scaleX", 1}, {"scaleY", 1}});
    for (const auto& [key, value] : extra) p.set(key, value);
    return p;
}

Value nodeDict(const std::string& cls, Value properties, std::vector<Value> children = {})
{
    return Value::dictionary({{"class", cls}, {"properties", std::move(properties)},
                              {"children", Value::array(std::move(children))}});
}

Value document(Value graph, int version = 1, bool withType = true)
{
    Value doc = Value::dictionary({{"fileVersion", version}, {"nodeGraph", std::move(graph)}});
    if (withType) doc.set("fileType", "SceneBuilder");
    return doc;
}

struct WarningCase {
    const char* name;
    Value doc;
    std::vector<std::string> warnings;
    bool expectGraph;
};

TEST_F(SceneFileReaderTest, BadFilesAndNodesWarnAndFallBack)
{
    const Value item = nodeDict("CCMenuItemImage", props({{"spriteFileNormal", "ball.png"}, {"target", 2},
                                                          {"selector", "noSuchOperation:"}, {"tag", 5}}));
    const std::vector<WarningCase> cases = {
        {"no file type", document(nodeDict("CCNode", props({})), 1, false),
         {"WARNING! Trying to load invalid file type"}, true},
        {"newer version", document(nodeDict("CCNode", props({})), 2),
         {"WARNING! Trying to load file made with a newer version of SceneBuilder, please update the CCBReader class"},
         false},
        {"not a dictionary", Value::array(), {"WARNING! Trying to load invalid file type"}, false},
        {"unknown class", document(nodeDict("CCNode", props({}), {nodeDict("CCFancyNode", props({}))})),
         {"WARNING! Failed to load node of type: CCFancyNode", "WARNING! Failed to add child=(null) to node=<CCNode"},
         true},
        {"custom class of another kind",
         document(nodeDict("CCLayer", props({{"customClass", "CCSprite"}}))),
         {"WARNING! CCSprite is not subclass of CCLayer"}, true},
        {"custom class unknown", document(nodeDict("CCNode", props({{"customClass", "NoSuchClass"}}))),
         {"WARNING! Class of type NoSuchClass couldn't be found"}, true},
        {"selector the owner lacks", document(nodeDict("CCNode", props({}), {item})),
         {"WARNING! CCMenuItemImage target doesn't respond to selector noSuchOperation:"}, true},
        {"member the owner lacks",
         document(nodeDict("CCNode", props({{"memberVarAssignmentType", 2}, {"memberVarAssignmentName", "nothing"}}))),
         {"WARNING! Couldn't find member variable nothing"}, true},
        {"member of another type",
         document(nodeDict("CCNode", props({{"memberVarAssignmentType", 2}, {"memberVarAssignmentName", "spriteOnly"}}))),
         {"WARNING! Member variable spriteOnly cannot hold"}, true},
        {"assignment kind unknown",
         document(nodeDict("CCNode", props({{"memberVarAssignmentType", 3}, {"memberVarAssignmentName", "root"}}))),
         {"WARNING! Failed to find assignment object"}, true},
    };
    for (const WarningCase& c : cases) {
        SCOPED_TRACE(c.name);
        SceneOwner owner;
        ScopedLogCapture log;
        Ref<CCNode> graph = CCBReader::nodeGraphFromDictionary(c.doc, &owner);
        EXPECT_EQ(graph != nullptr, c.expectGraph);
        for (const std::string& warning : c.warnings) EXPECT_TRUE(log.contains(warning)) << warning;
        size_t warningLines = 0;
        for (const std::string& line : log.lines()) warningLines += line.rfind("WARNING!", 0) == 0 ? 1 : 0;
        EXPECT_EQ(warningLines, c.warnings.size());
    }
}

TEST_F(SceneFileReaderTest, FallbacksKeepTheNodeOfTheBaseClass)
{
    SceneOwner owner;
    ScopedLogCapture log;
    // A layer asking for a sprite class stays a plain layer.
    Ref<CCNode> layer = CCBReader::nodeGraphFromDictionary(
        document(nodeDict("CCLayer", props({{"customClass", "CCSprite"}}))), &owner);
    EXPECT_EQ(typeid(*layer), typeid(CCLayer));
    // Only the exact hold-button name makes a hold button.
    Ref<CCNode> item = CCBReader::nodeGraphFromDictionary(
        document(nodeDict("CCMenuItemImage", props({{"customClass", "TestPanelLayer"}, {"spriteFileNormal", "ball.png"}}))),
        &owner);
    EXPECT_EQ(typeid(*item), typeid(CCMenuItemImage));
    // A missing file and an unreadable one give nothing.
    EXPECT_EQ(CCBReader::nodeGraphFromFile("absent.ccb", &owner), nullptr);
    bundle_->writeText("garbage.ccb", "not a property list");
    EXPECT_EQ(CCBReader::nodeGraphFromFile("garbage.ccb", &owner), nullptr);
    EXPECT_TRUE(log.contains("WARNING! Trying to load invalid file type"));
    // A file without properties hides its node and scales it to nothing,
    // as the reader expects every property to be present.
    Ref<CCNode> bare = CCBReader::nodeGraphFromDictionary(document(Value::dictionary({{"class", "CCNode"}})));
    ASSERT_NE(bare, nullptr);
    EXPECT_FALSE(bare->visible());
    EXPECT_EQ(bare->scaleX(), 0);
}

TEST_F(SceneFileReaderTest, EditingModeRecordsRawValuesAndSkipsGameHooks)
{
    SceneOwner owner;
    Value extra = Value::dictionary();
    Ref<CCNode> graph = CCBReader::nodeGraphFromDictionary(
        document(nodeDict("CCLayer", props({{"tag", 7}, {"customClass", "TestPanelLayer"}, {"touchEnabled", true},
                                            {"memberVarAssignmentType", 2}, {"memberVarAssignmentName", "panel"}}))),
        &extra, "", &owner);
    ASSERT_NE(graph, nullptr);
    EXPECT_EQ(typeid(*graph), typeid(CCLayer));  // no custom class
    EXPECT_EQ(owner.panel, nullptr);             // no member assignment
    EXPECT_FALSE(static_cast<CCLayer*>(graph.get())->isTouchEnabled());
    const Value& recorded = extra[std::to_string(graph->tag())];
    EXPECT_EQ(recorded["customClass"].asString(), "TestPanelLayer");
    EXPECT_EQ(recorded["tag"].asInt(), 7);
    EXPECT_TRUE(recorded["touchEnabled"].asBool());
    EXPECT_TRUE(recorded["isExpanded"].asBool());
}

} // namespace
} // namespace mw
