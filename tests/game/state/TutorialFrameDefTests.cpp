#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "foundation/KeyedArchive.h"
#include "game/state/DataParser.h"
#include "game/state/Profile.h"
#include "game/state/TutorialFrameDef.h"
#include "tests/game/state/GameStateTestSupport.h"

namespace mw {
namespace {

using test::GameStateScope;
using test::TempDir;

// Frames that each show one rule of the game-data mapping.
const char* const kFrames = R"(<?xml version="1.0" encoding="UTF-8"?>
<GameData>
  <Levels><Level Points="0" Nagroda="0"/><Level Points="100" Nagroda="50"/></Levels>
  <TutorialFrames>
    <TutorialFrame ID="1" Name="T_ONE" IconPng="i.png" WorkerIcon="w.png" AdditionaNumber="4" CollectibleID="7"
                   bOnlyText="true" bResource="true" bPlacement1="true" bPlacement6="true"/>
    <TutorialFrame ID="2" Name="T_TWO" bOnlyText="True" bSingleIcon="1" bCollectible="true" bPlacement2="TRUE"/>
    <TutorialFrame ID="3" Name="T_THREE" bResource="true" bPlacement3="true"/>
    <TutorialFrame ID="4" Name="T_NONE"/>
    <TutorialFrame ID="5" Name="T_FIRST" bSingleIcon="true"/>
    <TutorialFrame ID="5" Name="T_LATER" bOnlyText="true" bPlacement5="true"/>
  </TutorialFrames>
</GameData>
)";

TEST(TutorialFrameDefReading, EveryFieldOfEveryFrameFromTheGameData)
{
    GameStateScope scope;
    TempDir dir;
    const std::string path = dir.file("frames.xml");
    TempDir::writeText(path, kFrames);
    DataParser parser;
    ASSERT_TRUE(parser.parseData(path));

    struct Row {
        int32_t id;
        const char* langId;
        const char* icon;
        const char* worker;
        int32_t number;
        int32_t relation;
        int32_t type;
        std::vector<bool> placements;
    };
    const Row rows[] = {
        // Two kind flags: the first in the order wins.
        {1, "T_ONE", "i.png", "w.png", 4, 7, 100, {true, false, false, false, false, true}},
        // "True", "1" and "TRUE" are not "true".
        {2, "T_TWO", "", "", 0, 0, 102, {false, false, false, false, false, false}},
        {3, "T_THREE", "", "", 0, 0, 103, {false, false, true, false, false, false}},
        // No kind flag: type 0; no placement attribute: six NO.
        {4, "T_NONE", "", "", 0, 0, 0, {false, false, false, false, false, false}},
        // The later of two frames with one identifier replaces the earlier.
        {5, "T_LATER", "", "", 0, 0, 100, {false, false, false, false, true, false}},
    };
    Profile* profile = Profile::sharedInstance();
    EXPECT_EQ(profile->TutorialDict.size(), std::size(rows));
    for (const Row& row : rows) {
        TutorialFrameDef* frame = profile->GetTutorialDef(row.id);
        ASSERT_NE(frame, nullptr) << row.id;
        EXPECT_EQ(frame->ID, row.id);
        EXPECT_EQ(frame->LangID, row.langId) << row.id;
        EXPECT_EQ(frame->Icon, row.icon) << row.id;
        EXPECT_EQ(frame->WorkerIcon, row.worker) << row.id;
        EXPECT_EQ(frame->AdditionalNumber, row.number) << row.id;
        EXPECT_EQ(frame->RelationID, row.relation) << row.id;
        EXPECT_EQ(frame->Type, row.type) << row.id;
        EXPECT_EQ(frame->bPlacements, row.placements) << row.id;
        EXPECT_FALSE(frame->Done) << row.id;
        EXPECT_TRUE(frame->ArrowAfter) << "the game data has no attribute for it";
        EXPECT_FALSE(frame->ArrowAfterDone) << row.id;
    }
}

TEST(TutorialFrameDefArchive, RoundTripKeepsAllElevenFields)
{
    auto frame = makeRef<TutorialFrameDef>();
    frame->ID = 47;
    frame->Type = 103;
    frame->LangID = "TUT_47";
    frame->Icon = "icon.png";
    frame->WorkerIcon = "worker.png";
    frame->AdditionalNumber = 12;
    frame->RelationID = 9;
    frame->setBPlacements({false, false, true, false, true, false});
    frame->Done = true;
    frame->ArrowAfter = false;
    frame->ArrowAfterDone = true;

    std::string error;
    const std::vector<uint8_t> bytes = archivedDataWithRootObject(frame.get(), &error);
    ASSERT_FALSE(bytes.empty()) << error;
    Ref<TutorialFrameDef> back = dynamicRef<TutorialFrameDef>(unarchiveObjectWithData(bytes, &error));
    ASSERT_NE(back, nullptr) << error;
    EXPECT_EQ(back->ID, 47);
    EXPECT_EQ(back->Type, 103);
    EXPECT_EQ(back->LangID, "TUT_47");
    EXPECT_EQ(back->Icon, "icon.png");
    EXPECT_EQ(back->WorkerIcon, "worker.png");
    EXPECT_EQ(back->AdditionalNumber, 12);
    EXPECT_EQ(back->RelationID, 9);
    EXPECT_EQ(back->bPlacements, (std::vector<bool> {false, false, true, false, true, false}));
    EXPECT_TRUE(back->Done);
    EXPECT_FALSE(back->ArrowAfter);
    EXPECT_TRUE(back->ArrowAfterDone);
}

// A record as a damaged or hand-edited save holds it: whatever fields the
// test writes, under the record's class name.
class EditedRecord : public Object, public Archivable {
public:
    explicit EditedRecord(std::function<void(KeyedArchiver&)> write)
        : write_(std::move(write))
    {
    }
    std::string className() const override { return "TutorialFrameDef"; }
    void encodeWithCoder(KeyedArchiver& coder) const override { write_(coder); }
    bool initWithCoder(KeyedUnarchiver&) override { return false; }

private:
    std::function<void(KeyedArchiver&)> write_;
};

Ref<TutorialFrameDef> readEdited(std::function<void(KeyedArchiver&)> write)
{
    auto edited = makeRef<EditedRecord>(std::move(write));
    std::string error;
    const std::vector<uint8_t> bytes = archivedDataWithRootObject(edited.get(), &error);
    EXPECT_FALSE(bytes.empty()) << error;
    return dynamicRef<TutorialFrameDef>(unarchiveObjectWithData(bytes, &error));
}

ArchiveItem flags(std::vector<Value> values)
{
    ArchiveItem::Items items;
    for (Value& value : values)
        items.emplace_back(std::move(value));
    return ArchiveItem::array(std::move(items));
}

TEST(TutorialFrameDefArchive, DamagedRecordsReadAsMissingKeysWithSixPlacements)
{
    struct Row {
        const char* name;
        std::function<void(KeyedArchiver&)> write;
        std::function<void(const TutorialFrameDef&)> check;
    };
    const std::vector<bool> none(6, false);
    const Row rows[] = {
        {"no ArrowAfter key reads NO, not the default YES",
         [](KeyedArchiver& c) {
             c.encodeInt32("ID", 3);
             c.encodeBool("Done", true);
         },
         [&](const TutorialFrameDef& f) {
             EXPECT_EQ(f.ID, 3);
             EXPECT_TRUE(f.Done);
             EXPECT_FALSE(f.ArrowAfter);
             EXPECT_EQ(f.bPlacements, none);
         }},
        {"a short placement list is filled with NO",
         [](KeyedArchiver& c) {
             c.encodeItem("bPlacements", flags({Value(true), Value(false), Value(true)}));
         },
         [](const TutorialFrameDef& f) {
             EXPECT_EQ(f.bPlacements, (std::vector<bool> {true, false, true, false, false, false}));
         }},
        {"placements that are no list, and entries of the wrong kind",
         [](KeyedArchiver& c) { c.encodeItem("bPlacements", Value("true,true")); },
         [&](const TutorialFrameDef& f) { EXPECT_EQ(f.bPlacements, none); }},
        {"entries of the wrong kind are NO",
         [](KeyedArchiver& c) {
             c.encodeItem("bPlacements", flags({Value("true"), Value(true)}));
         },
         [](const TutorialFrameDef& f) {
             EXPECT_EQ(f.bPlacements, (std::vector<bool> {false, true, false, false, false, false}));
         }},
        {"numbers and flags written as strings, strings written as numbers",
         [](KeyedArchiver& c) {
             c.encodeString("ID", "12");
             c.encodeString("Type", "101");
             c.encodeString("Done", "YES");
             c.encodeString("ArrowAfter", "1");
             c.encodeInt32("LangID", 5);
             c.encodeBool("Icon", true);
         },
         [&](const TutorialFrameDef& f) {
             EXPECT_EQ(f.ID, 0);
             EXPECT_EQ(f.Type, 0);
             EXPECT_FALSE(f.Done);
             EXPECT_FALSE(f.ArrowAfter);
             EXPECT_EQ(f.LangID, "");
             EXPECT_EQ(f.Icon, "");
             EXPECT_EQ(f.bPlacements, none);
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Ref<TutorialFrameDef> frame = readEdited(row.write);
        ASSERT_NE(frame, nullptr);
        row.check(*frame);
        EXPECT_GE(frame->bPlacements.size(), TutorialFrameDef::kPlacementCount);
    }
}

TEST(TutorialFrameDefArchive, TheProfileKeepsFramesUnderTutorialDictInItsSave)
{
    GameStateScope scope;
    Profile* profile = Profile::sharedInstance();
    auto frame = makeRef<TutorialFrameDef>();
    frame->ID = 8;
    frame->LangID = "TUT_8";
    frame->setBPlacements({true});
    frame->Done = true;
    profile->TutorialDict[8] = frame;
    ASSERT_TRUE(profile->SaveData());

    Profile::purgeSharedInstance();
    profile = Profile::sharedInstance();
    ASSERT_TRUE(profile->Load());
    TutorialFrameDef* back = profile->GetTutorialDef(8);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->LangID, "TUT_8");
    EXPECT_TRUE(back->Done);
    EXPECT_EQ(back->bPlacements, (std::vector<bool> {true, false, false, false, false, false}));
}

} // namespace
} // namespace mw
