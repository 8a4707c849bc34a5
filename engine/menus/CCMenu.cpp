#include "engine/menus/CCMenu.h"

#include <algorithm>

#include "engine/base/CCPropertyRegistry.h"
#include "engine/base/CCWinSize.h"
#include "engine/base/ccViewSpace.h"
#include "engine/touch/CCTouchDispatcher.h"
#include "foundation/Log.h"

namespace mw {

namespace {

// Scene files name this class; it registers itself for the reader.
[[maybe_unused]] const bool classRegistered = [] {
    CCPropertyRegistry::shared().registerClass<CCMenu>("CCMenu");
    return true;
}();

// The children of a node in child order, as the nodes they are.
template <typename F> void forEachChild(const CCNode* node, F f)
{
    CCArray* children = node->children();
    if (!children) return;
    for (uint32_t i = 0; i < children->count(); ++i) {
        f(static_cast<CCNode*>(children->objectAtIndex(i)));
    }
}

uint32_t childCount(const CCNode* node)
{
    return node->children() ? node->children()->count() : 0;
}

} // namespace

CCMenu::CCMenu(std::initializer_list<CCMenuItem*> items)
{
    isTouchEnabled_ = true;
    const CGSize win = ccWinSize();
    setIsRelativeAnchorPoint(false);
    setAnchorPoint({0.5f, 0.5f});
    setContentSize(win);
    setPosition({win.width / 2, win.height / 2});
    int z = 0;
    for (CCMenuItem* item : items) {
        if (item) addChild(item, z++);
    }
}

void CCMenu::registerWithTouchDispatcher()
{
    CCTouchDispatcher::sharedDispatcher()->addTargetedDelegate(this, kCCMenuTouchPriority, true);
}

void CCMenu::setOpacity(uint8_t opacity)
{
    opacity_ = opacity;
    forEachChild(this, [opacity](CCNode* child) {
        if (auto* colour = dynamic_cast<CCRGBAProtocol*>(child)) colour->setOpacity(opacity);
    });
}

void CCMenu::setColor(ccColor3B color)
{
    color_ = color;
    forEachChild(this, [color](CCNode* child) {
        if (auto* colour = dynamic_cast<CCRGBAProtocol*>(child)) colour->setColor(color);
    });
}

// ---- touches ----

CCMenuItem* CCMenu::itemForTouch(const UITouch* touch)
{
    if (!touch) return nullptr;
    const CGPoint location = ccConvertToGL(touch->locationInView());
    CCMenuItem* found = nullptr;
    forEachChild(this, [&](CCNode* child) {
        auto* item = dynamic_cast<CCMenuItem*>(child);
        if (found || !item || !item->visible() || !item->isEnabled()) return;
        const CGPoint local = item->convertToNodeSpace(location);
        const CGRect box = {CGPointZero, item->rect().size};
        if (CGRectContainsPoint(box, local)) found = item;
    });
    return found;
}

bool CCMenu::ccTouchBegan(UITouch* touch, const UIEvent& event)
{
    if (state_ != kWaiting) return false;
    // A hidden menu, or one under a hidden node, stays registered but claims nothing.
    for (const CCNode* node = this; node; node = node->parent()) {
        if (!node->visible()) return false;
    }
    selectedItem_ = itemForTouch(touch);
    if (!selectedItem_) return false;
    selectedItem_->selected();
    state_ = kTrackingTouch;
    return true;
}

void CCMenu::ccTouchMoved(UITouch* touch, const UIEvent& event)
{
    if (state_ != kTrackingTouch) return;
    CCMenuItem* current = itemForTouch(touch);
    if (current == selectedItem_) return;
    if (selectedItem_) selectedItem_->unselected();
    selectedItem_ = current;
    if (selectedItem_) selectedItem_->selected();
}

void CCMenu::ccTouchEnded(UITouch* touch, const UIEvent& event)
{
    if (state_ != kTrackingTouch) return;
    // Kept alive through its callback, which may remove it from the menu.
    Ref<CCMenuItem> item(selectedItem_);
    releaseSelected();
    if (item) item->activate();
}

void CCMenu::ccTouchCancelled(UITouch* touch, const UIEvent& event)
{
    if (state_ != kTrackingTouch) return;
    releaseSelected();
}

void CCMenu::releaseSelected()
{
    CCMenuItem* item = selectedItem_;
    selectedItem_ = nullptr;
    state_ = kWaiting;
    if (item) item->unselected();
}

void CCMenu::onExit()
{
    if (state_ == kTrackingTouch) releaseSelected();
    CCLayer::onExit();
}

// ---- layout ----

void CCMenu::alignItemsVerticallyWithPadding(float padding)
{
    float height = -padding;
    forEachChild(this,
                 [&](CCNode* child) { height += child->contentSize().height * child->scaleY() + padding; });
    float y = height / 2;
    forEachChild(this, [&](CCNode* child) {
        const float h = child->contentSize().height * child->scaleY();
        child->setPosition({0, y - h / 2});
        y -= h + padding;
    });
}

void CCMenu::alignItemsHorizontallyWithPadding(float padding)
{
    float width = -padding;
    forEachChild(this,
                 [&](CCNode* child) { width += child->contentSize().width * child->scaleX() + padding; });
    float x = -width / 2;
    forEachChild(this, [&](CCNode* child) {
        const float w = child->contentSize().width * child->scaleX();
        child->setPosition({x + w / 2, 0});
        x += w + padding;
    });
}

bool CCMenu::countsCoverChildren(const std::vector<uint32_t>& counts, const char* alignment) const
{
    uint64_t sum = 0;
    for (uint32_t count : counts) {
        if (count == 0) {
            logLine("Menu: %s with a count of 0; items left in place", alignment);
            return false;
        }
        sum += count;
    }
    if (sum != childCount(this)) {
        logLine("Menu: %s counts %llu items for %u children; items left in place", alignment,
                static_cast<unsigned long long>(sum), childCount(this));
        return false;
    }
    return true;
}

// Row heights are whole numbers (truncated) and the total height a signed
// one, so the rows land on whole points as they always have.
void CCMenu::alignItemsInColumns(const std::vector<uint32_t>& itemsPerRow)
{
    if (!countsCoverChildren(itemsPerRow, "alignItemsInColumns")) return;

    int height = -5;
    size_t row = 0;
    uint32_t rowHeight = 0;
    uint32_t columnsOccupied = 0;
    forEachChild(this, [&](CCNode* child) {
        rowHeight
            = static_cast<uint32_t>(std::max(static_cast<float>(rowHeight), child->contentSize().height));
        if (++columnsOccupied >= itemsPerRow[row]) {
            height += static_cast<int>(rowHeight) + 5;
            columnsOccupied = 0;
            rowHeight = 0;
            ++row;
        }
    });

    const CGSize win = ccWinSize();
    row = 0;
    rowHeight = 0;
    uint32_t rowColumns = 0;
    float w = 0;
    float x = 0;
    float y = static_cast<float>(height / 2);
    forEachChild(this, [&](CCNode* child) {
        if (rowColumns == 0) {
            rowColumns = itemsPerRow[row];
            w = win.width / static_cast<float>(rowColumns + 1);
            x = w;
        }
        const float childHeight = child->contentSize().height;
        rowHeight = static_cast<uint32_t>(std::max(static_cast<float>(rowHeight), childHeight));
        child->setPosition({x - win.width / 2, y - childHeight / 2});
        x += w;
        if (++columnsOccupied >= rowColumns) {
            y -= static_cast<float>(rowHeight + 5);
            columnsOccupied = 0;
            rowColumns = 0;
            rowHeight = 0;
            ++row;
        }
    });
}

// Column widths are whole numbers (truncated). The total width counts 10
// points between columns while they are placed 5 apart, and items step down
// by their height + 10 while a column's height counted + 5: the block is not
// exactly centred, and screens laid out with it rely on where it lands.
void CCMenu::alignItemsInRows(const std::vector<uint32_t>& itemsPerColumn)
{
    if (!countsCoverChildren(itemsPerColumn, "alignItemsInRows")) return;

    std::vector<uint32_t> columnWidths;
    std::vector<int> columnHeights;
    int width = -10;
    int columnHeight = -5;
    size_t column = 0;
    uint32_t columnWidth = 0;
    uint32_t rowsOccupied = 0;
    forEachChild(this, [&](CCNode* child) {
        const CGSize size = child->contentSize();
        columnWidth = static_cast<uint32_t>(std::max(static_cast<float>(columnWidth), size.width));
        columnHeight += static_cast<int>(size.height + 5);
        if (++rowsOccupied >= itemsPerColumn[column]) {
            columnWidths.push_back(columnWidth);
            columnHeights.push_back(columnHeight);
            width += static_cast<int>(columnWidth) + 10;
            rowsOccupied = 0;
            columnWidth = 0;
            columnHeight = -5;
            ++column;
        }
    });

    const CGSize win = ccWinSize();
    column = 0;
    columnWidth = 0;
    uint32_t columnRows = 0;
    float x = static_cast<float>(-(width / 2));
    float y = 0;
    forEachChild(this, [&](CCNode* child) {
        if (columnRows == 0) {
            columnRows = itemsPerColumn[column];
            y = (static_cast<float>(columnHeights[column]) + win.height) / 2;
        }
        const CGSize size = child->contentSize();
        columnWidth = static_cast<uint32_t>(std::max(static_cast<float>(columnWidth), size.width));
        child->setPosition({x + static_cast<float>(columnWidths[column] / 2), y - win.height / 2});
        y -= size.height + 10;
        if (++rowsOccupied >= columnRows) {
            x += static_cast<float>(columnWidth + 5);
            rowsOccupied = 0;
            columnRows = 0;
            columnWidth = 0;
            ++column;
        }
    });
}

} // namespace mw
