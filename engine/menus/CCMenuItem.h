// The menu items: the buttons a menu presses and activates. The base holds
// the callback and the enabled and pressed flags; the kinds draw the button
// with a label, a character-map label, a TrueType label, three state nodes,
// three image files, or a cycle of other items.

#pragma once

#include <concepts>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <type_traits>
#include <vector>

#include "engine/base/CCRGBAProtocol.h"
#include "engine/nodes/CCNode.h"
#include "foundation/Selector.h"

namespace mw {

class CCMenuItem;
class CCSprite;

// What an item calls when it is activated: an operation of a target, with no
// argument or with the item as sender, or a function given the item. A
// target is not retained (it usually owns the menu). Empty when made without
// a callback or with a null target or selector; calling an empty one does
// nothing.
class CCMenuCallback {
public:
    CCMenuCallback() = default;
    CCMenuCallback(Object* target, SEL_Call selector);
    // The selector receives the item.
    CCMenuCallback(Object* target, SEL_CallO selector);
    template <typename F>
    requires(std::invocable<F, CCMenuItem*> && !std::same_as<std::remove_cvref_t<F>, CCMenuCallback>)
        CCMenuCallback(F block)
        : call_(std::function<void(CCMenuItem*)>(std::move(block)))
    {
    }

    explicit operator bool() const { return static_cast<bool>(call_); }
    void operator()(CCMenuItem* sender) const
    {
        if (call_) call_(sender);
    }

private:
    std::function<void(CCMenuItem*)> call_;
};

// The base: a node with a callback, created enabled and not pressed, anchored
// at its centre. The menu drives it through selected (the finger is on it),
// unselected (the finger left or lifted), activate (the press is complete)
// and setIsEnabled; kinds override them to show their state.
class CCMenuItem : public CCNode {
public:
    explicit CCMenuItem(CCMenuCallback callback = {});

    static Ref<CCMenuItem> itemWithCallback(CCMenuCallback callback)
    {
        return makeRef<CCMenuItem>(std::move(callback));
    }

    // Calls the callback when enabled; nothing when disabled.
    virtual void activate();
    virtual void selected() { isSelected_ = true; }
    virtual void unselected() { isSelected_ = false; }
    virtual void setIsEnabled(bool enabled) { isEnabled_ = enabled; }
    bool isEnabled() const { return isEnabled_; }
    // Replaces the callback with a function given the item; an empty one
    // leaves none (the scene-file reader hooks items up this way).
    void setCallback(std::function<void(Object* sender)> call);
    bool isSelected() const { return isSelected_; }
    // The item's box in its parent's space (position less the anchored part
    // of the content size; the content size). The menu uses its size.
    CGRect rect() const;

protected:
    // Calls the callback whatever the enabled flag (the hold buttons fire so).
    void invokeCallback() { callback_(this); }

private:
    CCMenuCallback callback_;
    bool isEnabled_ = true;
    bool isSelected_ = false;
};

// Tag of the label item's press-zoom action.
inline constexpr int kCCZoomActionTag = static_cast<int>(0xC0C05002u);

// An item shown by a label: any node with the label and colour protocols
// (character-map, bitmap-font or TrueType label). Pressed, it grows to 1.2
// times its resting scale; disabled, its label takes the disabled colour.
class CCMenuItemLabel : public CCMenuItem, public CCRGBAProtocol {
public:
    // The label is held as a child; a node without the label protocol is
    // refused (logged) and the item stays without a label.
    explicit CCMenuItemLabel(CCNode* label, CCMenuCallback callback = {});

    static Ref<CCMenuItemLabel> itemWithLabel(CCNode* label, CCMenuCallback callback = {})
    {
        return makeRef<CCMenuItemLabel>(label, std::move(callback));
    }

    CCNode* label() const { return label_; }
    // Replaces the label (the old one is removed with cleanup), anchors the
    // new one at (0, 0) and takes its content size.
    void setLabel(CCNode* label);
    // Sets the label's text and takes its new content size.
    void setString(const std::string& text);

    ccColor3B disabledColor() const { return disabledColor_; }
    void setDisabledColor(ccColor3B color) { disabledColor_ = color; }
    // The label's colour and opacity.
    ccColor3B color() const override;
    void setColor(ccColor3B color) override;
    uint8_t opacity() const override;
    void setOpacity(uint8_t opacity) override;

    void activate() override;
    void selected() override;
    void unselected() override;
    void setIsEnabled(bool enabled) override;

private:
    CCRGBAProtocol* labelColour() const;

    CCNode* label_ = nullptr; // held as a child
    ccColor3B colorBackup_ = ccc3(255, 255, 255);
    ccColor3B disabledColor_ = ccc3(126, 126, 126);
    // The scale before the press zoom; a press during the shrink of an
    // earlier one keeps it, so repeated presses never grow step by step.
    float originalScale_ = 1.0f;
};

// A label item with a character-map label (cells of a fixed size in one image).
class CCMenuItemAtlasFont : public CCMenuItemLabel {
public:
    using CCMenuItemLabel::CCMenuItemLabel;

    // Null when the character map cannot be loaded (the label logs it).
    static Ref<CCMenuItemAtlasFont> itemFromString(const std::string& text, const std::string& charMapFile,
                                                   uint32_t itemWidth, uint32_t itemHeight,
                                                   uint8_t startCharMap, CCMenuCallback callback = {});
};

// A label item with a TrueType label in a font and size that default to the
// class-wide settings at creation (later changes of those leave it alone).
// The label is a CCLabelTTF.
class CCMenuItemFont : public CCMenuItemLabel {
public:

    CCMenuItemFont(CCNode* label, const std::string& fontName, uint32_t fontSize, CCMenuCallback callback);

    // Null (logged) when no label can be made.
    static Ref<CCMenuItemFont> itemFromString(const std::string& text, CCMenuCallback callback = {});

    // The class-wide defaults for later items: 32 points, "Marker Felt".
    static void setDefaultFontSize(uint32_t size);
    static uint32_t defaultFontSize();
    static void setDefaultFontName(const std::string& name);
    static const std::string& defaultFontName();

    // The item's own setting; changing it remakes the label with the same text.
    uint32_t fontSize() const { return fontSize_; }
    void setFontSize(uint32_t size);
    const std::string& fontName() const { return fontName_; }
    void setFontName(const std::string& name);

private:
    void recreateLabel();

    uint32_t fontSize_;
    std::string fontName_;
};

// An item shown by three nodes with the colour protocol: normal, selected and
// disabled (the last two may be null). Exactly one shows at a time, as the
// item's state says.
class CCMenuItemSprite : public CCMenuItem, public CCRGBAProtocol {
public:
    // The nodes are held as children; the item takes the normal node's size.
    CCMenuItemSprite(CCNode* normal, CCNode* selected, CCNode* disabled, CCMenuCallback callback = {});

    static Ref<CCMenuItemSprite> itemFromNormalSprite(CCNode* normal, CCNode* selected,
                                                      CCNode* disabled = nullptr,
                                                      CCMenuCallback callback = {})
    {
        return makeRef<CCMenuItemSprite>(normal, selected, disabled, std::move(callback));
    }

    CCNode* normalImage() const { return normalImage_; }
    CCNode* selectedImage() const { return selectedImage_; }
    CCNode* disabledImage() const { return disabledImage_; }
    // Each replaces its node (the old one goes with cleanup) and anchors the
    // new one at (0, 0); the normal node shows, the others are hidden.
    void setNormalImage(CCNode* image);
    void setSelectedImage(CCNode* image);
    void setDisabledImage(CCNode* image);

    // Given to all three nodes; read from the normal one.
    ccColor3B color() const override;
    void setColor(ccColor3B color) override;
    uint8_t opacity() const override;
    void setOpacity(uint8_t opacity) override;

    void selected() override;
    void unselected() override;
    void setIsEnabled(bool enabled) override;

private:
    void replaceImage(CCNode*& slot, CCNode* image, bool visible);

    CCNode* normalImage_ = nullptr; // held as a child
    CCNode* selectedImage_ = nullptr; // held as a child, may be null
    CCNode* disabledImage_ = nullptr; // held as a child, may be null
};

// A sprite item made of image files (an empty name gives no node).
class CCMenuItemImage : public CCMenuItemSprite {
public:
    CCMenuItemImage(const std::string& normal, const std::string& selected, const std::string& disabled,
                    CCMenuCallback callback = {});

    // Null when the normal image cannot be loaded (the sprite logs it).
    static Ref<CCMenuItemImage> itemFromNormalImage(const std::string& normal, const std::string& selected,
                                                    const std::string& disabled = {},
                                                    CCMenuCallback callback = {});

private:
    CCMenuItemImage(Ref<CCSprite> normal, Ref<CCSprite> selected, Ref<CCSprite> disabled,
                    CCMenuCallback callback);
};

// Tag of the sub-item a toggle shows.
inline constexpr int kCCCurrentItemTag = static_cast<int>(0xC0C05001u);

// An item that cycles through other items: activating it shows the next one
// (wrapping round) before calling the callback, which so reads the new index.
class CCMenuItemToggle : public CCMenuItem, public CCRGBAProtocol {
public:
    // Shows the first sub-item.
    CCMenuItemToggle(CCMenuCallback callback, std::initializer_list<CCMenuItem*> items);

    static Ref<CCMenuItemToggle> itemWithItems(CCMenuCallback callback,
                                               std::initializer_list<CCMenuItem*> items)
    {
        return makeRef<CCMenuItemToggle>(std::move(callback), items);
    }

    const std::vector<Ref<CCMenuItem>>& subItems() const { return subItems_; }
    // Replaces the list; the index shown is kept as a number (the new list's
    // item shows at the next change of index).
    void setSubItems(std::vector<Ref<CCMenuItem>> items) { subItems_ = std::move(items); }
    uint32_t selectedIndex() const { return selectedIndex_; }
    // Shows the sub-item at the index and takes its size. An index past the
    // list is refused (logged).
    void setSelectedIndex(uint32_t index);
    // The sub-item shown; null when none is.
    CCMenuItem* selectedItem() const;

    ccColor3B color() const override { return color_; }
    void setColor(ccColor3B color) override;
    uint8_t opacity() const override { return opacity_; }
    void setOpacity(uint8_t opacity) override;

    void activate() override;
    void selected() override;
    void unselected() override;
    void setIsEnabled(bool enabled) override;

private:
    static constexpr uint32_t kNoIndex = 4294967295u;

    uint32_t selectedIndex_ = kNoIndex;
    std::vector<Ref<CCMenuItem>> subItems_;
    uint8_t opacity_ = 0;
    ccColor3B color_ = ccc3(0, 0, 0);
};

} // namespace mw
