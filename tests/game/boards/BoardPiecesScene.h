#pragma once

// The pieces of a session laid out together the way a board lays them out,
// for looking at them and checking their pixels: a 6 by 6 grid of tiles, the
// resource panel, a chain line with its stars through the first row, and the
// session's counters; the fields also get the tool frame.

#include <vector>

#include "engine/nodes/CCLayerColor.h"
#include "engine/nodes/CCScene.h"
#include "game/boards/BoardSupport.h"
#include "game/boards/CCCalendar.h"
#include "game/boards/CCFoodBar.h"
#include "game/boards/CCLineObject.h"
#include "game/boards/CCTimeStripCounter.h"
#include "game/boards/CCToolInfoFrame.h"
#include "game/boards/Puzzle.h"
#include "game/boards/PuzzleFactory.h"
#include "game/boards/ResourceBoard.h"
#include "game/state/Profile.h"
#include "tests/game/boards/BoardsTestSupport.h"

namespace mw::test {

struct BoardPiecesScene {
    BoardPiecesScene(CCScene& scene, int32_t mode)
    {
        const CGSize win = board::winSize();
        const bool tablet = board::isIpad();
        const float cell = tablet ? 99 : 49;
        // A blue that no board frame uses, so that "drawn" and "background" never meet.
        scene.addChild(CCLayerColor::layerWithColor({24, 36, 96, 255}, win.width, win.height).get(), -1);
        host = makeRef<RecordingBoard>();
        scene.addChild(host.get());
        // Bars a quarter, a half and three quarters full, by kind.
        Profile* profile = Profile::sharedInstance();
        for (const auto& [id, kind] : profile->collectibleDict) {
            if (kind->nextResourceCount > 0) {
                profile->CollectibleCountArray[static_cast<size_t>(id)] = kind->nextResourceCount * (1 + id % 3) / 4;
            }
        }
        panel = ResourceBoard::boardWithMode(mode);
        host->addChild(panel.get(), 2);
        Profile::sharedInstance()->CurrentMode = mode;
        factory = PuzzleFactory::factoryWithMode(mode, panel.get());
        tiles = factory->createPuzzles(36, panel.get());
        const float left = win.width / 2 - 2.5f * cell;
        const float bottom = (tablet ? 0.34f : 0.36f) * win.height;
        for (size_t i = 0; i < tiles.size(); ++i) {
            Puzzle& tile = *tiles[i];
            tile.row = static_cast<int32_t>(i / 6);
            tile.column = static_cast<int32_t>(i % 6);
            const float y = bottom + cell * static_cast<float>(tile.row) - (mode == 1 ? tile.StartRadius : 0);
            tile.setPosition({left + cell * static_cast<float>(tile.column), y});
            host->addChild(&tile, 1);
        }
        line = CCLineObject::line();
        host->addChild(line.get(), 3);
        line->SetMinGroup(2);
        for (size_t i = 0; i < 5; ++i) {
            chain.push_back(tiles[i].get());
            tiles[i]->setSelected(true);
            line->AddPoint(tiles[i]->GetMidpointPosition());
        }
        // The chain's gain previewed on its resource's slot.
        if (const Collectible* kind = chain.front()->TargetCollectible()) {
            panel->ChangeFakeProgressBy(5, kind->nextResource, kind->nextResourceCount);
        }
        if (mode == 0) {
            food = CCFoodBar::barWithFoodCount(6, 255, true, 30, 20, false);
            food->setPosition({tablet ? 36.0f : 20.0f, win.height - (tablet ? 40.0f : 20.0f)});
            host->addChild(food.get(), 4);
        } else {
            strip = CCTimeStripCounter::stripWithSteps(24);
            strip->setPosition({win.width * 0.3f, win.height - 6});
            host->addChild(strip.get(), 4);
            calendar = CCCalendar::calendarWithTime(4);
            calendar->setPosition({win.width * 0.12f, win.height - 4});
            host->addChild(calendar.get(), 4);
            calendar->ChangeDate(-1);
            toolFrame = CCToolInfoFrame::frame();
            toolFrame->setPosition({win.width * 0.5f, win.height * 0.62f});
            host->addChild(toolFrame.get(), 5);
        }
    }

    Ref<RecordingBoard> host;
    Ref<ResourceBoard> panel;
    Ref<PuzzleFactory> factory;
    std::vector<Ref<Puzzle>> tiles;
    std::vector<Puzzle*> chain;
    Ref<CCLineObject> line;
    Ref<CCFoodBar> food;
    Ref<CCTimeStripCounter> strip;
    Ref<CCCalendar> calendar;
    Ref<CCToolInfoFrame> toolFrame;
};

} // namespace mw::test
