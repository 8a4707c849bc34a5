#pragma once

// A whole field board with the game's own data, art and strings from the
// bundle (skipped while the bundle lacks the device's sheets), helpers that
// lay out tiles by letter and draw chains in board space, and a bot that
// finds a counting chain and plays it.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "engine/scheduler/CCScheduler.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "engine/support/CCFileUtils.h"
#include "foundation/Random.h"
#include "game/boards/Board.h"
#include "game/boards/BoardSupport.h"
#include "game/boards/CountryBoard.h"
#include "game/boards/Puzzle.h"
#include "game/boards/PuzzleFactory.h"
#include "game/state/DataParser.h"
#include "game/state/LocalisationManager.h"
#include "game/state/Resource.h"
#include "game/state/TutorialFrameDef.h"
#include "tests/game/boards/BoardsTestSupport.h"

namespace mw::test {

// A field board whose presentation and summary hooks are recorded. With
// `present` set the tutorial frames count as shown (input then goes off).
class RecordingCountryBoard : public CountryBoard {
public:
    bool PresentTutorialFrame(int32_t, int) override { return present; }
    bool PresentTutorialAnimation(int32_t) override { return present; }
    void PutTutorialArrow(CCNode*, CGPoint, int, int tag) override { arrows.push_back(tag); }
    void ShowEndOfSession(int32_t mode) override
    {
        endModes.push_back(mode);
        const Profile* p = Profile::sharedInstance();
        keptAtEnd = p->SavedFieldPuzzles;
        removedAtEnd = TilesRemoved;
        seasonAtEnd = CurrentPuzzleFactory ? CurrentPuzzleFactory->season() : -1;
    }
    bool present = false;
    std::vector<int> arrows;
    std::vector<int32_t> endModes;
    std::vector<int32_t> keptAtEnd;
    int32_t removedAtEnd = -1;
    int32_t seasonAtEnd = -1;
};

// The default generators seeded once: a board's own seeding from the clock
// is ignored, so a session repeats for a seed.
class PinnedSeedRandom : public DefaultRandomSource {
public:
    explicit PinnedSeedRandom(uint32_t seed)
    {
        DefaultRandomSource::srandom(seed);
        DefaultRandomSource::srand(seed);
        DefaultRandomSource::seedArc4random(seed);
    }
    void srandom(uint32_t) override {}
    void srand(uint32_t) override {}
};

// The longest chain of up to `limit` tiles on `field` that counts (as long
// as its last tile's kind asks for), or empty: the bot's search, bounded to
// 20,000 steps. `takeAnimals` NO leaves rabbits and wolves out of chains.
inline std::vector<std::pair<int, int>> findFieldChain(const CountryBoard& field, size_t limit = 8,
                                                       bool takeAnimals = true)
{
    using Cell = std::pair<int, int>;
    std::vector<Cell> best;
    int budget = 20000;
    std::vector<Cell> path;
    std::vector<std::vector<bool>> used(Board::kSize, std::vector<bool>(Board::kSize, false));
    const auto counts = [&field](const std::vector<Cell>& cells) {
        const Puzzle* last = field.puzzleAt(cells.back().first, cells.back().second);
        const Collectible* kind = last->TargetCollectible();
        return static_cast<int32_t>(cells.size()) >= std::max(kind ? kind->minGroup : 0, 0);
    };
    const auto animal = [](const Puzzle* tile) { return tile->GetType() == 17 || tile->GetType() == 18; };
    std::function<void(const Puzzle*)> walk = [&](const Puzzle* first) {
        if (--budget < 0) return;
        if (path.size() > best.size() && counts(path)) best = path;
        if (path.size() >= limit) return;
        const Cell at = path.back();
        for (int dr = -1; dr <= 1; ++dr)
            for (int dc = -1; dc <= 1; ++dc) {
                const int r = at.first + dr, c = at.second + dc;
                if (r < 0 || c < 0 || r >= Board::kSize || c >= Board::kSize || used[r][c]) continue;
                const Puzzle* next = field.puzzleAt(r, c);
                if (!next || !Board::isPuzzleChainsToPuzzle(first, next)) continue;
                if (!takeAnimals && animal(next)) continue;
                used[r][c] = true;
                path.emplace_back(r, c);
                walk(first);
                path.pop_back();
                used[r][c] = false;
            }
    };
    for (int r = 0; r < Board::kSize; ++r)
        for (int c = 0; c < Board::kSize; ++c) {
            const Puzzle* first = field.puzzleAt(r, c);
            if (!first || !first->CanCollect) continue;
            if (!takeAnimals && animal(first)) continue;
            used[r][c] = true;
            path = {{r, c}};
            walk(first);
            used[r][c] = false;
        }
    return best;
}

struct FieldDevice {
    const char* device;
    std::vector<const char*> sheets;
    friend void PrintTo(const FieldDevice& d, std::ostream* out) { *out << d.device; }
};

inline const std::vector<FieldDevice>& fieldDevices()
{
    static const std::vector<FieldDevice> devices{
        {"phone",
         {"gameplay_iPhone4-L.plist", "gui_common-L.plist", "gui_iphone4n-L.plist",
          "Village-iPhone4-L.plist"}},
        {"phone-hd",
         {"gameplay_iPhone4-H.plist", "gui_common-H.plist", "gui_iphone4n-H.plist",
          "Village-iPhone4-H.plist"}},
        {"tablet-hd",
         {"gameplay_iPhone4-H2.plist", "gui_common-H2.plist", "gui_ipadn2.plist",
          "Village-iPhone4-H2.plist"}},
    };
    return devices;
}

inline const FieldDevice& fieldDevice(const std::string& name)
{
    for (const FieldDevice& d : fieldDevices())
        if (name == d.device) return d;
    return fieldDevices().front();
}

// Tile kinds by letter.
inline int32_t fieldKind(char code)
{
    static const std::map<char, int32_t> kinds{{'g', 10}, {'w', 11}, {'c', 12}, {'b', 13},
                                               {'h', 14}, {'p', 15}, {'o', 16}, {'r', 17},
                                               {'f', 18}, {'a', 19}, {'$', 21}};
    auto it = kinds.find(code);
    return it == kinds.end() ? -1 : it->second;
}

class FieldBoardTest : public BoardTest {
protected:
    explicit FieldBoardTest(const char* device = "phone") : BoardTest(device) { loadSheet_ = false; }

    void SetUp() override
    {
        resources_ = sourceTreePath("resources");
        for (const char* sheet : fieldDevice(device_).sheets) {
            if (!std::filesystem::exists(resources_ + "/" + sheet))
                GTEST_SKIP() << "the bundle has no " << sheet;
        }
        BoardTest::SetUp();
        if (HasFatalFailure()) return;
        CCFileUtils::setBundlePath(resources_);
        Profile::purgeSharedInstance();
        DataParser parser;
        ASSERT_TRUE(parser.parseData(resources_ + "/test.xml"));
        for (const char* sheet : fieldDevice(device_).sheets)
            ASSERT_TRUE(CCSpriteFrameCache::sharedSpriteFrameCache()->addSpriteFramesWithFile(sheet))
                << sheet;
        std::ifstream strings(resources_ + "/stringdb.csv", std::ios::binary);
        std::stringstream bytes;
        bytes << strings.rdbuf();
        LocalisationManager::sharedInstance()->parseCSVData(bytes.str());
        // No sound engine here: the audio counts as failed, so that starting
        // the field's music does not wait for it.
        GlobalObject::sharedInstance()->AudioState = GlobalObject::kAudioFailed;
        // A player past the tutorial, unless a test opens frames again.
        for (auto& [id, frame] : profile().TutorialDict) {
            frame->Done = true;
            frame->ArrowAfterDone = true;
        }
        profile().FieldVisits = 1;
    }
    void TearDown() override
    {
        if (board_) board_->removeFromParentAndCleanup(true);
        board_ = nullptr;
        BoardTest::TearDown();
    }

    // A new recording field board running in the scene.
    void newBoard(bool present = false)
    {
        if (board_) board_->removeFromParentAndCleanup(true);
        auto made = makeRef<RecordingCountryBoard>();
        made->present = present;
        EXPECT_TRUE(made->init());
        scene().addChild(made.get());
        driver().runFrames(1);
        board_ = made;
    }
    void openFrames(const std::vector<int32_t>& frames)
    {
        for (const int32_t id : frames) {
            TutorialFrameDef* frame = profile().GetTutorialDef(id);
            ASSERT_NE(frame, nullptr) << id;
            frame->Done = false;
            frame->ArrowAfterDone = false;
        }
    }

    // The board the helpers act on: one made by the scene, else the test's own.
    CountryBoard* field() const { return sceneBoard_ ? sceneBoard_ : board_.get(); }

    // Rows from the top, one letter a tile (see fieldKind); '.' keeps the tile.
    void layout(const std::vector<std::string>& rows)
    {
        for (int r = 0; r < Board::kSize; ++r) {
            for (int c = 0; c < Board::kSize; ++c) {
                const char code = rows.at(static_cast<size_t>(r)).at(static_cast<size_t>(c));
                if (code == '.') continue;
                Puzzle* old = field()->puzzleAt(r, c);
                if (old->GetType() != fieldKind(code)) {
                    ASSERT_NE(field()->replacePuzzle(old, fieldKind(code)), nullptr) << code;
                }
            }
        }
        field()->setActivePuzzles(nullptr);
    }
    // Ticks the scheduler (actions, timers, the block) without drawing.
    void tick(double seconds)
    {
        const int steps = static_cast<int>(seconds * 60 + 0.5);
        for (int i = 0; i < steps; ++i) CCScheduler::sharedScheduler()->tick(1.0f / 60);
        gameSeconds_ += steps / 60.0;
    }
    // Lets a turn's animations and checks run out, answering a no-moves alert.
    void settle(double seconds = 1.2)
    {
        tick(seconds);
        while (driver().pressAlertButton(0)) tick(0.6);
    }
    using Cell = std::pair<int, int>;
    // Down on the first cell, through the others, up: in board space.
    bool play(const std::vector<Cell>& cells)
    {
        if (!field()->touchBeganAt(
                field()->puzzleAt(cells.front().first, cells.front().second)->GetMidpointPosition()))
            return false;
        for (size_t i = 1; i < cells.size(); ++i)
            field()->touchMovedTo(field()->puzzleAt(cells[i].first, cells[i].second)->GetMidpointPosition());
        field()->touchEnded();
        return true;
    }
    bool gridConsistent() const
    {
        for (int r = 0; r < Board::kSize; ++r)
            for (int c = 0; c < Board::kSize; ++c) {
                const Puzzle* tile = field()->puzzleAt(r, c);
                if (!tile || tile->row != r || tile->column != c || tile->parent() != field()) return false;
            }
        return true;
    }

    // The longest counting chain the bot finds (up to `limit` tiles), or empty.
    // `takeAnimals` NO leaves rabbits and wolves out of chains.
    std::vector<Cell> findChain(size_t limit = 8, bool takeAnimals = true) const
    {
        return findFieldChain(*field(), limit, takeAnimals);
    }

    // What one session played by the bot came to.
    struct SessionFigures {
        int chains = 0;         // chains played (counted turns and free moves)
        double seconds = 0;     // game time from the first touch to the summary
        int32_t removed = 0;    // tiles taken
        int64_t yield = 0;      // units of the field's resources gained
        bool ended = false;     // the summary was asked for
        bool consistent = true; // the grid held together after every turn
    };
    // Plays the test's board to its summary: the longest chain it finds each
    // turn (`takeAnimals` NO: through no animal while another chain is
    // there), a shuffle when there is none.
    SessionFigures playBotSession(bool takeAnimals = true)
    {
        SessionFigures figures;
        const auto stock = [this] {
            int64_t sum = 0;
            for (const Ref<Resource>& resource : profile().GetResourcesForMode(1))
                sum += profile().GetResourceCount(resource->ID);
            return sum;
        };
        const int64_t before = stock();
        const double start = gameSeconds_;
        for (int guard = 0; guard < 600 && board_->endModes.empty(); ++guard) {
            if (profile().countryStepsForBar == 0 || !board_->isTouchEnabled() || board_->isInputBlocked()) {
                settle(0.5);
                continue;
            }
            std::vector<Cell> chain = findChain(8, takeAnimals);
            // Only chains through animals left: take one rather than stall.
            if (chain.empty() && !takeAnimals) chain = findChain(8, true);
            if (chain.empty() || !play(chain)) {
                settle(0.5);
                continue;
            }
            ++figures.chains;
            settle();
            figures.consistent = figures.consistent && gridConsistent();
        }
        settle(2.0);
        figures.ended = !board_->endModes.empty();
        if (!figures.ended) {
            std::string kinds;
            for (int r = 0; r < Board::kSize; ++r) {
                for (int c = 0; c < Board::kSize; ++c)
                    kinds += std::to_string(board_->puzzleAt(r, c)->GetType()) + " ";
                kinds += "/ ";
            }
            ADD_FAILURE() << "stuck: " << profile().countryStepsForBar << " moves left, touch "
                          << board_->isTouchEnabled() << ", blocked " << board_->isInputBlocked()
                          << ", block " << board_->isBlockRunning() << ", alert "
                          << (board_->noMovesAlert() != nullptr) << ", chain " << findChain().size()
                          << ", grid " << kinds;
        }
        figures.removed = board_->TilesRemoved;
        figures.seconds = gameSeconds_ - start;
        figures.yield = stock() - before;
        return figures;
    }

    std::string resources_;
    double gameSeconds_ = 0;
    Ref<RecordingCountryBoard> board_;
    CountryBoard* sceneBoard_ = nullptr;
};

} // namespace mw::test
