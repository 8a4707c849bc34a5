#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/rendering/CCProgressTimer.h"
#include "engine/sprites/CCSprite.h"
#include "game/boards/CCLineObject.h"
#include "game/boards/Puzzle.h"
#include "game/boards/PuzzleFactory.h"
#include "game/boards/ResourceBoard.h"
#include "game/boards/ccThickLine.h"
#include "game/defs/Animation.h"
#include "game/defs/XMLManager.h"
#include "game/state/XML.h"
#include "tests/game/boards/BoardsTestSupport.h"

namespace mw {
namespace {

using test::BoardTest;
using test::RecordingBoard;

// A part animation of one part that slides from x 0 to x 20 over a second.
constexpr const char* kSlide = R"(<?xml version="1.0"?>
<anim>
  <fps>10</fps>
  <animation image="grass_spring.png">
    <frame index="0"><item x="0" y="0" scaleX="1" scaleY="1" depth="1" alpha="255" rotation="0"/></frame>
    <frame index="10"><item x="20" y="0" scaleX="1" scaleY="1" depth="1" alpha="255" rotation="0"/></frame>
  </animation>
</anim>
)";

// A one-shot burst whose texture file names the board's particle batch.
constexpr const char* kBurst = R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
<key>maxParticles</key><integer>4</integer>
<key>duration</key><real>0.1</real>
<key>particleLifespan</key><real>0.3</real>
<key>startParticleSize</key><real>8</real>
<key>finishParticleSize</key><real>-1</real>
<key>startColorRed</key><real>1</real><key>startColorAlpha</key><real>1</real>
<key>textureFileName</key><string>dust.png</string>
</dict></plist>)";

class TabletPiecesTest : public BoardTest {
protected:
    TabletPiecesTest() : BoardTest("tablet") {}
    void SetUp() override
    {
        BoardTest::SetUp();
        board = makeRef<RecordingBoard>();
        scene().addChild(board.get());
        // Two of the templates the definitions load at start-up; the rest are missing.
        for (const char* file : {"grass_spring.xml", "chicken.xml"})
            bundle_.write(file, std::string_view(kSlide));
        XMLManager::sharedInstance()->initXMLS();
        bundle_.write("dirt_particle.plist", std::string_view(kBurst));
        EXPECT_TRUE(test::solidImage(8, 8, {255, 255, 255, 255})->writePNG(bundle_.file("dust.png")));
    }
    Ref<Puzzle> fieldTile(int32_t kind)
    {
        auto factory = PuzzleFactory::factoryWithMode(1, nullptr);
        Ref<Puzzle> tile = factory->createPuzzleWithType(kind, nullptr);
        board->addChild(tile.get());
        return tile;
    }
    Ref<RecordingBoard> board;
};

TEST_F(TabletPiecesTest, FieldTilesAnimateByTheirFlags)
{
    // Grass animates for ever on a tablet.
    Ref<Puzzle> grass = fieldTile(10);
    EXPECT_FLOAT_EQ(grass->StartRadius, 46);
    auto* looping = dynamic_cast<Animation*>(grass->getChildByTag(Puzzle::kTagFieldAnimation));
    ASSERT_NE(looping, nullptr);
    EXPECT_TRUE(looping->Loop);

    // A kind whose template did not load shows its plain picture.
    Ref<Puzzle> rabbit = fieldTile(17);
    EXPECT_FALSE(rabbit->getChildByTag(Puzzle::kTagFieldAnimation));
    EXPECT_NE(rabbit->texture(), nullptr);

    // The chicken plays now and then: its first idle animation comes after 8 to 16 s.
    Ref<Puzzle> chicken = fieldTile(14);
    auto* idle = dynamic_cast<Animation*>(chicken->getChildByTag(Puzzle::kTagFieldAnimation));
    ASSERT_NE(idle, nullptr);
    EXPECT_FALSE(idle->Loop);
    EXPECT_GE(chicken->RndTimeStep, 8);
    EXPECT_LE(chicken->RndTimeStep, 16);
    const float wait = chicken->RndTimeStep;
    CCSprite* part = idle->GetSpriteNamed("grass_spring.png");
    ASSERT_NE(part, nullptr);
    run(wait - 0.5);
    EXPECT_FLOAT_EQ(part->position().x, 0) << "still waiting";
    run(1.0);
    EXPECT_GT(part->position().x, 0) << "the idle animation plays";
    EXPECT_GE(chicken->RndTimeStep, 8);
    EXPECT_LT(chicken->RndTimer, 1);
}

TEST_F(TabletPiecesTest, MineTilesHandTheirBurstToTheBoardsBatch)
{
    auto factory = PuzzleFactory::factoryWithMode(0, nullptr);
    Ref<Puzzle> rubble = factory->createPuzzleWithType(2, nullptr);
    board->addChild(rubble.get());
    EXPECT_FLOAT_EQ(rubble->StartRadius, 46);
    rubble->SpawnParticle();
    EXPECT_EQ(board->particles, (std::vector<std::string>{"dust.png"}));
    EXPECT_EQ(Puzzle::particleOf(13), std::string("grain_particle"));
    EXPECT_EQ(Puzzle::particleOf(10), std::string("grass_01_particle"));
    EXPECT_EQ(Puzzle::particleOf(24), std::string("mine_particle"));
}

TEST_F(TabletPiecesTest, ThePanelAndTheLineTakeTheTabletsSizes)
{
    auto panel = ResourceBoard::boardWithMode(0);
    board->addChild(panel.get());
    CCNode* slot = panel->slotOf(14);
    EXPECT_FLOAT_EQ(slot->position().y, 0.21f * 1024);
    EXPECT_EQ(slot->getChildByTag(ResourceBoard::kTagIcon)->position(), (CGPoint{0, 26}));
    EXPECT_EQ(slot->getChildByTag(ResourceBoard::kTagCounter)->position(), (CGPoint{0, 1}));
    EXPECT_EQ(panel->progressBarOf(14)->position(), (CGPoint{0, -48}));
    EXPECT_FLOAT_EQ(ccThickLineHalfWidth(), 5);
    EXPECT_FLOAT_EQ(ccThickLineCapRadius(), 16);
    // The walked length counts double on a tablet: 5000 steps reach 100.
    auto line = CCLineObject::line();
    profile().FingerLength = 4999;
    line->AddPoint({0, 0});
    EXPECT_EQ(ledger().grants, (std::vector<std::string>{"com.zandovar.mw.shortwalk ACH_SHORT 5"}));
}

} // namespace
} // namespace mw
