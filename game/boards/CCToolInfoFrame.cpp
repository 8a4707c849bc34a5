#include "game/boards/CCToolInfoFrame.h"

#include "engine/labels/CCLabelTTF.h"
#include "engine/menus/CCMenu.h"
#include "engine/menus/CCMenuItem.h"
#include "engine/sprites/CCSprite.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "game/boards/BoardHost.h"
#include "game/boards/BoardSupport.h"
#include "game/state/LocalisationManager.h"
#include "game/state/Profile.h"

namespace mw {

namespace {

Ref<CCSprite> frameSprite(const std::string& name)
{
    if (!CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(name)) return nullptr;
    return CCSprite::spriteWithSpriteFrameName(name);
}

CGSize cellSize()
{
    return board::isIpad() ? CGSize{380, 92} : CGSize{190, 46};
}

std::string enumNameOf(int32_t upgrade)
{
    const Profile* profile = Profile::sharedInstance();
    if (upgrade < 1 || static_cast<size_t>(upgrade) > profile->EnumNames.size()) return "";
    return profile->EnumNames[static_cast<size_t>(upgrade - 1)];
}

} // namespace

std::vector<int32_t> CCToolInfoFrame::listedTools()
{
    const Profile* profile = Profile::sharedInstance();
    const bool field = profile->CurrentMode == 1;
    std::vector<int32_t> tools;
    for (int32_t id = 1; id <= 143; ++id) {
        const UpgradeItem* item = profile->GetUpgrade(id);
        if (item && item->Type == 4 && !item->isHidden && item->isField == field) tools.push_back(id);
    }
    return tools;
}

ToolInfoCell::ToolInfoCell(uint32_t index)
{
    const std::vector<int32_t> tools = CCToolInfoFrame::listedTools();
    if (index >= tools.size()) return;
    tool_ = tools[index];
    const UpgradeItem* item = Profile::sharedInstance()->GetUpgrade(tool_);
    const bool tablet = board::isIpad();
    const float unit = tablet ? 2.0f : 1.0f;
    if (auto picture = frameSprite(item->PngName + ".png")) {
        picture->setScale(0.75f);
        picture->setAnchorPoint({0, 0.5f});
        picture->setPosition({5 * unit, 22 * unit});
        addChild(picture.get());
    }
    const std::string stem = enumNameOf(tool_);
    const LocalisationManager* strings = LocalisationManager::sharedInstance();
    auto name = CCLabelTTF::labelWithString(strings->getValue(stem + "_NAME"), "HelveticaNeue-Bold", 10 * unit);
    name->setAnchorPoint({0, 0.5f});
    name->setColor(ccc3(82, 69, 66));
    name->setPosition({tablet ? 130.0f : 65.0f, tablet ? 75.0f : 37.0f});
    addChild(name.get());
    auto description = CCLabelTTF::labelWithString(strings->getValue(stem + "_DESC_SHORT"),
                                                   CGSize{120 * unit, 35 * unit}, UITextAlignmentLeft,
                                                   "HelveticaNeue", 9 * unit);
    description->setAnchorPoint({0, 0.5f});
    description->setColor(ccc3(123, 107, 94));
    description->setPosition({tablet ? 130.0f : 65.0f, tablet ? 20.0f : 10.0f});
    addChild(description.get());
}

CCToolInfoFrame::CCToolInfoFrame()
{
    const bool tablet = board::isIpad();
    CGSize size{0, 0};
    if (auto picture = frameSprite("goods_popup.png")) {
        size = picture->contentSize();
        addChild(picture.get());
    }
    const float w = size.width, h = size.height;
    if (auto help = frameSprite("popup_tools_help_bg.png")) {
        help->setPosition({tablet ? -14.0f : -7.0f, -0.36f * h - (tablet ? 6.0f : 3.0f)});
        addChild(help.get());
    }
    table_ = CCTableView::viewWithDataSource(this, {0.9f * w, 0.745f * h});
    table_->setDirection(kCCScrollViewDirectionVertical);
    table_->setVerticalFillOrder(kCCTableViewFillTopDown);
    table_->setDelegate(this);
    table_->setPosition({-0.46f * w, -0.41f * h});
    addChild(table_.get(), 0);

    Ref<CCMenuItemSprite> back;
    auto normal = frameSprite("but_menu_back.png");
    auto pressed = frameSprite("but_menu_back_click.png");
    if (normal) {
        back = CCMenuItemSprite::itemFromNormalSprite(normal.get(), pressed.get(), nullptr,
                                                      CCMenuCallback(this, call_selector(CCToolInfoFrame::MenuClick)));
        menu_ = CCMenu::menuWithItems({back.get()});
    } else {
        menu_ = CCMenu::menuWithItems({});
    }
    menu_->setPosition({0.32f * w, 0.375f * h});
    addChild(menu_.get());
    table_->reloadData();
}

CCToolInfoFrame::~CCToolInfoFrame()
{
    // The table asks its source and delegate while it lives; they go first.
    if (table_) {
        table_->setDelegate(nullptr);
    }
}

uint32_t CCToolInfoFrame::numberOfCellsInTableView(CCTableView*)
{
    return static_cast<uint32_t>(listedTools().size());
}

CGSize CCToolInfoFrame::cellSizeForTable(CCTableView*)
{
    return cellSize();
}

Ref<CCTableViewCell> CCToolInfoFrame::tableCellAtIndex(CCTableView* table, uint32_t idx)
{
    // A cell offered for reuse is emptied and dropped: rows are made anew.
    if (Ref<CCTableViewCell> reused = table->dequeueCell()) reused->removeAllChildrenWithCleanup(true);
    auto cell = makeRef<ToolInfoCell>(idx);
    return cell;
}

void CCToolInfoFrame::MenuClick()
{
    if (BoardHost* host = board::hostOf(this)) host->ToolInfoCallback();
}

} // namespace mw
