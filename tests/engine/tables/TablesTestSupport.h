#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <vector>

#include "engine/director/HeadlessDriver.h"
#include "engine/nodes/CCLayerColor.h"
#include "engine/nodes/CCScene.h"
#include "engine/tables/CCTableView.h"
#include "platform/DeviceProfile.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/SharedInstances.h"

namespace mw::test {

// A list cell that fills itself with one colour per index, so that pixels
// tell which cell lies where. It records what the table told it.
class ColourCell : public CCTableViewCell {
public:
    explicit ColourCell(CGSize size) : size_(size) { setContentSize(size); }

    // Drops what the cell showed and shows the item.
    void fill(uint32_t newItem)
    {
        item = newItem;
        removeAllChildrenWithCleanup(true);
        auto patch = CCLayerColor::layerWithColor(colourOf(item), size_.width, size_.height);
        addChild(patch.get());
    }
    void SetActive(bool active) override { activeCalls.push_back(active); }

    static ccColor4B colourOf(uint32_t item)
    {
        return {static_cast<uint8_t>(40 + 20 * (item % 10)), static_cast<uint8_t>(200 - 15 * (item % 10)), 90,
                255};
    }

    uint32_t item = 0;
    std::vector<bool> activeCalls;

private:
    CGSize size_;
};

// A data source of items 0 to count - 1 shown in cells of one size, that
// reuses queued cells (as a well-behaved list does) and counts the cells it
// was asked for and had to make; and a delegate that records the indices of tapped cells.
class ListSource : public CCTableViewDataSource, public CCTableViewDelegate {
public:
    ListSource(uint32_t count, CGSize size) : size(size)
    {
        for (uint32_t i = 0; i < count; ++i)
            items.push_back(i);
    }

    uint32_t numberOfCellsInTableView(CCTableView*) override { return static_cast<uint32_t>(items.size()); }
    CGSize cellSizeForTable(CCTableView*) override { return size; }
    Ref<CCTableViewCell> tableCellAtIndex(CCTableView* table, uint32_t idx) override
    {
        asked.push_back(idx);
        Ref<CCTableViewCell> cell = reuse ? table->dequeueCell() : nullptr;
        if (!cell) {
            cell = Ref<CCTableViewCell>(makeRef<ColourCell>(size));
            ++cellsMade;
        }
        static_cast<ColourCell*>(cell.get())->fill(items.at(idx));
        return cell;
    }
    void tableCellTouched(CCTableView*, CCTableViewCell* cell) override { tapped.push_back(cell->idx()); }

    std::vector<uint32_t> items;
    CGSize size;
    bool reuse = true;
    int cellsMade = 0;
    std::vector<uint32_t> asked; // every index a cell was asked for, in order
    std::vector<uint32_t> tapped;
};

// The indices of the cells a table shows, in order; and the items they show.
inline std::vector<uint32_t> shownIndices(const CCTableView& table)
{
    std::vector<uint32_t> indices;
    for (uint32_t i = 0; i < table.GetIndices(); ++i)
        indices.push_back(table.GetCell(i)->idx());
    return indices;
}

inline std::vector<uint32_t> shownItems(const CCTableView& table)
{
    std::vector<uint32_t> items;
    for (uint32_t i = 0; i < table.GetIndices(); ++i)
        items.push_back(static_cast<ColourCell*>(table.GetCell(i))->item);
    return items;
}

// The real frame loop on the test process's GL context for one device
// ("phone" by default), with a running scene that tests add their views to.
// Touches are given in GL points (origin bottom left) and converted to the
// view's points for the driver.
class TablesTest : public ::testing::Test {
protected:
    explicit TablesTest(const char* device = "phone") : device_(device) {}

    void SetUp() override
    {
        GLTestContext* gl = GLTestContext::acquire(64, 64);
        ASSERT_NE(gl, nullptr) << "no headless GL context";
        resetSharedInstances();
        driver_ = HeadlessDriver::createWithContext(gl->context(), *DeviceProfile::named(device_));
        ASSERT_NE(driver_, nullptr);
        scene_ = CCScene::node();
        driver_->director()->runWithScene(scene_.get());
        driver_->runFrames(1);
    }
    void TearDown() override
    {
        scene_ = nullptr;
        driver_.reset();
        resetSharedInstances();
    }

public:
    HeadlessDriver& driver() { return *driver_; }
    CCScene& scene() { return *scene_; }
    float screenHeight() const { return DeviceProfile::named(device_)->pointSize.height; }

    // The colour on screen at a GL point, in the last frame drawn.
    RGBA colourAt(CGPoint gl)
    {
        const DeviceProfile& device = *DeviceProfile::named(device_);
        const float scale = static_cast<float>(device.scale);
        const std::vector<uint8_t> pixels = driver_->readPixels();
        const int width = static_cast<int>(device.pointSize.width * scale);
        const int height = static_cast<int>(device.pointSize.height * scale);
        const int x = static_cast<int>(gl.x * scale);
        const int row = height - 1 - static_cast<int>(gl.y * scale);
        const uint8_t* p = &pixels[(static_cast<size_t>(row) * width + x) * 4];
        return {p[0], p[1], p[2], p[3]};
    }

    Ref<UITouch> touchDown(CGPoint gl) { return driver_->touchDown({gl.x, screenHeight() - gl.y}); }
    void touchMove(UITouch* touch, CGPoint gl) { driver_->touchMove(touch, {gl.x, screenHeight() - gl.y}); }
    // A finger put down at `from`, moved in `steps` equal steps to `to`, and lifted.
    void drag(CGPoint from, CGPoint to, int steps)
    {
        Ref<UITouch> touch = touchDown(from);
        for (int i = 1; i <= steps; ++i) {
            const float t = static_cast<float>(i) / static_cast<float>(steps);
            touchMove(touch.get(), {from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t});
        }
        driver_->touchUp(touch.get());
    }

protected:
    const char* device_;
    std::unique_ptr<HeadlessDriver> driver_;
    Ref<CCScene> scene_;
};

} // namespace mw::test
