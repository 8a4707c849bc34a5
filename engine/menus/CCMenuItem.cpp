#include "engine/menus/CCMenuItem.h"

#include "engine/labels/CCLabelTTF.h"

#include <algorithm>

#include "engine/actions/CCActionInterval.h"
#include "engine/base/CCPropertyRegistry.h"
#include "engine/labels/CCLabelAtlas.h"
#include "engine/labels/CCLabelProtocol.h"
#include "engine/menus/CCHoldButton.h"
#include "engine/sprites/CCSprite.h"
#include "foundation/Log.h"

namespace mw {

namespace {

// Scene files name image items (and image hold buttons, whose header has no
// source that is sure to be linked) and set their pictures, their enabled
// flag and their operation by name; the items register those names.
[[maybe_unused]] const bool classesRegistered = [] {
    CCPropertyRegistry& registry = CCPropertyRegistry::shared();
    registry.registerClass("CCMenuItemImage", [] {
        return Ref<Object>(makeRef<CCMenuItemImage>(std::string(), std::string(), std::string()));
    });
    registry.registerClass("CCHoldButtonImage", [] {
        return Ref<Object>(makeRef<CCHoldButtonImage>(std::string(), std::string(), std::string()));
    });
    registry.registerObject<CCMenuItemSprite, CCNode>("normalImage", &CCMenuItemSprite::setNormalImage);
    registry.registerObject<CCMenuItemSprite, CCNode>("selectedImage", &CCMenuItemSprite::setSelectedImage);
    registry.registerObject<CCMenuItemSprite, CCNode>("disabledImage", &CCMenuItemSprite::setDisabledImage);
    registry.registerBool<CCMenuItem>("isEnabled", &CCMenuItem::setIsEnabled);
    registry.registerCallback<CCMenuItem>("callback", &CCMenuItem::setCallback);
    return true;
}();

} // namespace

void CCMenuItem::setCallback(std::function<void(Object* sender)> call)
{
    callback_ = call ? CCMenuCallback([call](CCMenuItem* item) { call(item); }) : CCMenuCallback();
}

// ---- callback ----

CCMenuCallback::CCMenuCallback(Object* target, SEL_Call selector)
{
    if (target && selector) call_ = [target, selector](CCMenuItem*) { (target->*selector)(); };
}

CCMenuCallback::CCMenuCallback(Object* target, SEL_CallO selector)
{
    if (target && selector) call_ = [target, selector](CCMenuItem* sender) { (target->*selector)(sender); };
}

// ---- base item ----

CCMenuItem::CCMenuItem(CCMenuCallback callback) : callback_(std::move(callback))
{
    setAnchorPoint({0.5f, 0.5f});
}

void CCMenuItem::activate()
{
    if (isEnabled_) invokeCallback();
}

CGRect CCMenuItem::rect() const
{
    return {{position_.x - contentSize_.width * anchorPoint_.x,
             position_.y - contentSize_.height * anchorPoint_.y},
            contentSize_};
}

// ---- label item ----

namespace {

CCRGBAProtocol* colourOf(CCNode* node)
{
    return dynamic_cast<CCRGBAProtocol*>(node);
}

CCLabelProtocol* textOf(CCNode* node)
{
    return dynamic_cast<CCLabelProtocol*>(node);
}

} // namespace

CCMenuItemLabel::CCMenuItemLabel(CCNode* label, CCMenuCallback callback) : CCMenuItem(std::move(callback))
{
    setLabel(label);
}

void CCMenuItemLabel::setLabel(CCNode* label)
{
    if (label == label_) return;
    if (label && !textOf(label)) {
        logLine("Menu item: a label item needs a node that shows a text");
        return;
    }
    if (label_) removeChild(label_, true);
    label_ = label;
    if (!label_) return;
    addChild(label_);
    label_->setAnchorPoint(CGPointZero);
    setContentSize(label_->contentSize());
}

void CCMenuItemLabel::setString(const std::string& text)
{
    if (!label_) return;
    textOf(label_)->setString(text);
    setContentSize(label_->contentSize());
}

CCRGBAProtocol* CCMenuItemLabel::labelColour() const
{
    return colourOf(label_);
}

ccColor3B CCMenuItemLabel::color() const
{
    CCRGBAProtocol* colour = labelColour();
    return colour ? colour->color() : ccc3(0, 0, 0);
}

void CCMenuItemLabel::setColor(ccColor3B color)
{
    if (CCRGBAProtocol* colour = labelColour()) colour->setColor(color);
}

uint8_t CCMenuItemLabel::opacity() const
{
    CCRGBAProtocol* colour = labelColour();
    return colour ? colour->opacity() : 0;
}

void CCMenuItemLabel::setOpacity(uint8_t opacity)
{
    if (CCRGBAProtocol* colour = labelColour()) colour->setOpacity(opacity);
}

void CCMenuItemLabel::activate()
{
    if (!isEnabled()) return;
    // The release snaps the zoom back at once, whatever the shrink started by
    // unselected had reached.
    stopAllActions();
    setScale(originalScale_);
    CCMenuItem::activate();
}

void CCMenuItemLabel::selected()
{
    if (!isEnabled()) return;
    CCMenuItem::selected();
    if (CCAction* zoom = getActionByTag(kCCZoomActionTag)) {
        stopAction(zoom);
    } else {
        originalScale_ = scale();
    }
    auto grow = CCScaleTo::actionWithDuration(0.1f, originalScale_ * 1.2f);
    grow->setTag(kCCZoomActionTag);
    runAction(grow.get());
}

void CCMenuItemLabel::unselected()
{
    if (!isEnabled()) return;
    CCMenuItem::unselected();
    stopActionByTag(kCCZoomActionTag);
    auto shrink = CCScaleTo::actionWithDuration(0.1f, originalScale_);
    shrink->setTag(kCCZoomActionTag);
    runAction(shrink.get());
}

void CCMenuItemLabel::setIsEnabled(bool enabled)
{
    if (enabled != isEnabled()) {
        if (CCRGBAProtocol* colour = labelColour()) {
            if (enabled) {
                colour->setColor(colorBackup_);
            } else {
                colorBackup_ = colour->color();
                colour->setColor(disabledColor_);
            }
        }
    }
    CCMenuItem::setIsEnabled(enabled);
}

// ---- atlas-font item ----

Ref<CCMenuItemAtlasFont> CCMenuItemAtlasFont::itemFromString(const std::string& text,
                                                             const std::string& charMapFile,
                                                             uint32_t itemWidth, uint32_t itemHeight,
                                                             uint8_t startCharMap, CCMenuCallback callback)
{
    auto label = CCLabelAtlas::labelWithString(text, charMapFile, itemWidth, itemHeight, startCharMap);
    if (!label) return nullptr;
    return makeRef<CCMenuItemAtlasFont>(label.get(), std::move(callback));
}

// ---- font item ----

namespace {

struct FontDefaults {
    uint32_t size = 32;
    std::string name = "Marker Felt";
};

FontDefaults& fontDefaults()
{
    static FontDefaults defaults;
    return defaults;
}

Ref<CCNode> makeFontLabel(const std::string& text, const std::string& fontName, uint32_t fontSize)
{
    return CCLabelTTF::labelWithString(text, fontName, static_cast<float>(fontSize));
}

} // namespace

void CCMenuItemFont::setDefaultFontSize(uint32_t size)
{
    fontDefaults().size = size;
}

uint32_t CCMenuItemFont::defaultFontSize()
{
    return fontDefaults().size;
}

void CCMenuItemFont::setDefaultFontName(const std::string& name)
{
    fontDefaults().name = name;
}

const std::string& CCMenuItemFont::defaultFontName()
{
    return fontDefaults().name;
}

CCMenuItemFont::CCMenuItemFont(CCNode* label, const std::string& fontName, uint32_t fontSize,
                               CCMenuCallback callback)
    : CCMenuItemLabel(label, std::move(callback)), fontSize_(fontSize), fontName_(fontName)
{
}

Ref<CCMenuItemFont> CCMenuItemFont::itemFromString(const std::string& text, CCMenuCallback callback)
{
    const FontDefaults& defaults = fontDefaults();
    auto label = makeFontLabel(text, defaults.name, defaults.size);
    if (!label) return nullptr;
    return makeRef<CCMenuItemFont>(label.get(), defaults.name, defaults.size, std::move(callback));
}

void CCMenuItemFont::setFontSize(uint32_t size)
{
    fontSize_ = size;
    recreateLabel();
}

void CCMenuItemFont::setFontName(const std::string& name)
{
    fontName_ = name;
    recreateLabel();
}

void CCMenuItemFont::recreateLabel()
{
    CCLabelProtocol* text = textOf(label());
    auto label = makeFontLabel(text ? text->string() : std::string(), fontName_, fontSize_);
    if (label) setLabel(label.get());
}

// ---- sprite item ----

CCMenuItemSprite::CCMenuItemSprite(CCNode* normal, CCNode* selected, CCNode* disabled,
                                   CCMenuCallback callback)
    : CCMenuItem(std::move(callback))
{
    setNormalImage(normal);
    setSelectedImage(selected);
    setDisabledImage(disabled);
    if (normalImage_) setContentSize(normalImage_->contentSize());
}

void CCMenuItemSprite::replaceImage(CCNode*& slot, CCNode* image, bool visible)
{
    if (image == slot) return;
    if (image) {
        image->setAnchorPoint(CGPointZero);
        image->setVisible(visible);
    }
    if (slot) removeChild(slot, true);
    slot = image;
    if (image) addChild(image);
}

void CCMenuItemSprite::setNormalImage(CCNode* image)
{
    replaceImage(normalImage_, image, true);
}

void CCMenuItemSprite::setSelectedImage(CCNode* image)
{
    replaceImage(selectedImage_, image, false);
}

void CCMenuItemSprite::setDisabledImage(CCNode* image)
{
    replaceImage(disabledImage_, image, false);
}

ccColor3B CCMenuItemSprite::color() const
{
    CCRGBAProtocol* colour = colourOf(normalImage_);
    return colour ? colour->color() : ccc3(0, 0, 0);
}

void CCMenuItemSprite::setColor(ccColor3B color)
{
    for (CCNode* image : {normalImage_, selectedImage_, disabledImage_}) {
        if (CCRGBAProtocol* colour = colourOf(image)) colour->setColor(color);
    }
}

uint8_t CCMenuItemSprite::opacity() const
{
    CCRGBAProtocol* colour = colourOf(normalImage_);
    return colour ? colour->opacity() : 0;
}

void CCMenuItemSprite::setOpacity(uint8_t opacity)
{
    for (CCNode* image : {normalImage_, selectedImage_, disabledImage_}) {
        if (CCRGBAProtocol* colour = colourOf(image)) colour->setOpacity(opacity);
    }
}

namespace {

// Shows the normal, selected and disabled nodes as asked (null ones skipped).
void showImages(CCNode* normal, bool showNormal, CCNode* selected, bool showSelected, CCNode* disabled,
                bool showDisabled)
{
    if (normal) normal->setVisible(showNormal);
    if (selected) selected->setVisible(showSelected);
    if (disabled) disabled->setVisible(showDisabled);
}

} // namespace

void CCMenuItemSprite::selected()
{
    CCMenuItem::selected();
    // Without a selected node the normal one stands for the pressed state.
    showImages(normalImage_, !selectedImage_, selectedImage_, true, disabledImage_, false);
}

void CCMenuItemSprite::unselected()
{
    CCMenuItem::unselected();
    showImages(normalImage_, true, selectedImage_, false, disabledImage_, false);
}

void CCMenuItemSprite::setIsEnabled(bool enabled)
{
    CCMenuItem::setIsEnabled(enabled);
    const bool showDisabled = !enabled && disabledImage_;
    showImages(normalImage_, !showDisabled, selectedImage_, false, disabledImage_, showDisabled);
}

// ---- image item ----

namespace {

Ref<CCSprite> spriteOrNull(const std::string& file)
{
    if (file.empty()) return nullptr;
    return CCSprite::spriteWithFile(file);
}

} // namespace

CCMenuItemImage::CCMenuItemImage(const std::string& normal, const std::string& selected,
                                 const std::string& disabled, CCMenuCallback callback)
    : CCMenuItemImage(spriteOrNull(normal), spriteOrNull(selected), spriteOrNull(disabled),
                      std::move(callback))
{
}

CCMenuItemImage::CCMenuItemImage(Ref<CCSprite> normal, Ref<CCSprite> selected, Ref<CCSprite> disabled,
                                 CCMenuCallback callback)
    : CCMenuItemSprite(normal.get(), selected.get(), disabled.get(), std::move(callback))
{
}

Ref<CCMenuItemImage> CCMenuItemImage::itemFromNormalImage(const std::string& normal,
                                                          const std::string& selected,
                                                          const std::string& disabled,
                                                          CCMenuCallback callback)
{
    auto item = makeRef<CCMenuItemImage>(normal, selected, disabled, std::move(callback));
    if (!item->normalImage()) return nullptr;
    return item;
}

// ---- toggle item ----

CCMenuItemToggle::CCMenuItemToggle(CCMenuCallback callback, std::initializer_list<CCMenuItem*> items)
    : CCMenuItem(std::move(callback))
{
    subItems_.reserve(std::max<size_t>(items.size(), 2));
    for (CCMenuItem* item : items) {
        if (item) subItems_.emplace_back(item);
    }
    setSelectedIndex(0);
}

void CCMenuItemToggle::setSelectedIndex(uint32_t index)
{
    if (index == selectedIndex_) return;
    if (index >= subItems_.size()) {
        logLine("Menu item: toggle index %u past its %zu items", index, subItems_.size());
        return;
    }
    selectedIndex_ = index;
    removeChildByTag(kCCCurrentItemTag, false);
    CCMenuItem* item = subItems_[index].get();
    // A sub-item shown before under another parent moves here.
    if (item->parent()) item->removeFromParentAndCleanup(false);
    addChild(item, 0, kCCCurrentItemTag);
    const CGSize size = item->contentSize();
    setContentSize(size);
    item->setPosition({size.width / 2, size.height / 2});
}

CCMenuItem* CCMenuItemToggle::selectedItem() const
{
    return selectedIndex_ < subItems_.size() ? subItems_[selectedIndex_].get() : nullptr;
}

void CCMenuItemToggle::setColor(ccColor3B color)
{
    color_ = color;
    for (const auto& item : subItems_) {
        if (CCRGBAProtocol* colour = dynamic_cast<CCRGBAProtocol*>(item.get())) colour->setColor(color);
    }
}

void CCMenuItemToggle::setOpacity(uint8_t opacity)
{
    opacity_ = opacity;
    for (const auto& item : subItems_) {
        if (CCRGBAProtocol* colour = dynamic_cast<CCRGBAProtocol*>(item.get())) colour->setOpacity(opacity);
    }
}

void CCMenuItemToggle::activate()
{
    if (isEnabled() && !subItems_.empty()) {
        const uint32_t next = selectedIndex_ >= subItems_.size()
            ? 0
            : static_cast<uint32_t>((selectedIndex_ + 1) % subItems_.size());
        setSelectedIndex(next);
    }
    CCMenuItem::activate();
}

void CCMenuItemToggle::selected()
{
    CCMenuItem::selected();
    if (CCMenuItem* item = selectedItem()) item->selected();
}

void CCMenuItemToggle::unselected()
{
    CCMenuItem::unselected();
    if (CCMenuItem* item = selectedItem()) item->unselected();
}

void CCMenuItemToggle::setIsEnabled(bool enabled)
{
    CCMenuItem::setIsEnabled(enabled);
    for (const auto& item : subItems_)
        item->setIsEnabled(enabled);
}

} // namespace mw
