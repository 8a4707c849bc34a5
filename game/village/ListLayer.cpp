#include "game/village/ListLayer.h"

#include <algorithm>

#include "engine/director/CCDirector.h"
#include "engine/menus/CCMenu.h"
#include "engine/sprites/CCSprite.h"
#include "engine/touch/CCTouchDispatcher.h"
#include "foundation/Log.h"
#include "game/boards/WidgetDevice.h"

namespace mw {

float listBottomBarHeight() { return widgetOnTablet() ? 90.0f : 45.0f; }
float listTopBarHeight() { return widgetOnTablet() ? 54.0f : 27.0f; }

// ---------------------------------------------------------------- ListLayer

ListLayer::~ListLayer()
{
    myTable = nullptr;
    removeAllChildrenWithCleanup(true);
}

CGSize ListLayer::fullTableSize()
{
    const CGSize win = CCDirector::sharedDirector()->winSize();
    return {win.width, win.height - (listBottomBarHeight() + listTopBarHeight())};
}

CGPoint ListLayer::fullTablePosition() { return {0, listBottomBarHeight()}; }

bool ListLayer::initListTable(CCNode* guiParent, CGSize size, CGPoint position)
{
    VParent = guiParent;
    WinSize = CCDirector::sharedDirector()->winSize();
    if (WinSize.width <= 0 || WinSize.height <= 0) {
        logLine("ListLayer: no window to size the list from");
        return false;
    }
    TableSize = size;
    myTable = CCTableView::viewWithDataSource(this, TableSize);
    myTable->setDelegate(this);
    myTable->setVerticalFillOrder(kCCTableViewFillTopDown);
    myTable->setDirection(kCCScrollViewDirectionVertical);
    addChild(myTable.get(), 0);
    myTable->setPosition(position);
    myTable->reloadData();
    return true;
}

void ListLayer::onEnter()
{
    CCLayer::onEnter();
    if (myTable) CCTouchDispatcher::sharedDispatcher()->setPriority(kListTablePriority, myTable.get());
}

void ListLayer::SetInputActive(bool active)
{
    setIsTouchEnabled(active);
    if (!myTable) return;
    myTable->setIsTouchEnabled(active);
    if (active && myTable->isRunning())
        CCTouchDispatcher::sharedDispatcher()->setPriority(kListTablePriority, myTable.get());
}

void ListLayer::SetInputActiveWithParent(bool active)
{
    SetInputActive(active);
    if (VParent) VParent->SetInputActive(active);
}

bool ListLayer::openOverList(const Ref<CCNode>& popUp, int z)
{
    if (!popUp || VParent == nullptr) {
        logLine("ListLayer: no pop-up, or no parent to give the input back; nothing opens");
        return false;
    }
    popUp->setPosition({WinSize.width / 2, WinSize.height / 2});
    VParent->addChild(popUp.get(), z);
    SetInputActiveWithParent(false);
    return true;
}

void ListLayer::reloadKeepingOffset()
{
    if (!myTable) return;
    const CGPoint offset = myTable->contentOffset();
    myTable->reloadData();
    myTable->setContentOffset(offset);
}

void ListLayer::discardReusableCell(CCTableView* table)
{
    if (table == nullptr) return;
    if (Ref<CCTableViewCell> reused = table->dequeueCell()) reused->removeAllChildrenWithCleanup(true);
}

// ---------------------------------------------------------------- ListRow

ListRow::~ListRow() { removeAllChildrenWithCleanup(true); }

void ListRow::onEnter()
{
    CCTableViewCell::onEnter();
    if (menu) CCTouchDispatcher::sharedDispatcher()->setPriority(kListRowMenuPriority, menu.get());
}

void ListRow::SetActive(bool active)
{
    if (!menu) return;
    menu->setIsTouchEnabled(active);
    if (active && menu->isRunning())
        CCTouchDispatcher::sharedDispatcher()->setPriority(kListRowMenuPriority, menu.get());
}

ListLayer* ListRow::listLayer() const
{
    const CCNode* container = parent();
    const CCNode* table = container != nullptr ? container->parent() : nullptr;
    return table != nullptr ? dynamic_cast<ListLayer*>(table->parent()) : nullptr;
}

bool ListRow::inVisibleBand() const
{
    const CCNode* container = parent();
    const CCNode* table = container != nullptr ? container->parent() : nullptr;
    if (table == nullptr) return true;
    const float bottom = listBottomBarHeight();
    const float y = position().y + container->position().y + table->position().y + bottom;
    const float halfRow = sprite ? sprite->contentSize().height / 2 : 0.0f;
    const float windowHeight = CCDirector::sharedDirector()->winSize().height;
    return !(y < std::max(bottom, halfRow) || y > windowHeight - listTopBarHeight());
}

void ListRow::tintOddRow(CCSprite* background, uint32_t index)
{
    if (background != nullptr && index % 2 == 1)
        background->setColor({kListOddRowShade, kListOddRowShade, kListOddRowShade});
}

CCSprite* ListRow::setBackground(const std::string& frame, uint32_t index)
{
    sprite = CCSprite::spriteWithSpriteFrameName(frame);
    if (!sprite) {
        logLine("ListRow: no row picture %s", frame.c_str());
        return nullptr;
    }
    tintOddRow(sprite.get(), index);
    sprite->setAnchorPoint({0, 0});
    addChild(sprite.get());
    return sprite.get();
}

CCMenu* ListRow::makeMenu(CCNode* parent, CGPoint position)
{
    menu = CCMenu::menuWithItems({});
    menu->setPosition(position);
    if (parent != nullptr) parent->addChild(menu.get());
    return menu.get();
}

} // namespace mw
