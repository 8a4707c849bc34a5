#pragma once

#include <string>

#include "foundation/Ref.h"

namespace mw {

class CCNode;
class CCScene;
class Object;
class Value;

// Turns a scene file (a property list written by the scene editor, file type
// "SceneBuilder", version below 2) into a node tree: plain nodes, layers,
// colour and gradient layers, sprites, menus, image menu items and hold
// buttons, bitmap-font labels and particle systems.
//
// Every name the file carries resolves through the runtime registry
// (CCPropertyRegistry): a node's custom class, the class of menus and menu
// items, the operation a menu item calls, the owner's member a node lands
// in and the "didLoadFromCCB" hook. Menus and items are made through the
// registry by class name ("CCMenu", "CCMenuItemImage", "CCHoldButtonImage"),
// so the menu classes register themselves there; a menu-item class must be
// a node taking the object properties "normalImage", "selectedImage" and
// "disabledImage", the bool property "isEnabled" and the callback property
// "callback".
//
// A bad node never stops the reader: each failure logs one "WARNING! ..."
// line and falls back (a plain node of the base class, the sprite
// "missing-texture.png", the font "missing-font.fnt") or leaves the node
// out. Only an unreadable or too new file gives null. Main thread only; no
// state is kept between calls.
class CCBReader {
public:
    // The tree of the file in the bundle; named nodes land in the owner's
    // registered members (owner may be null). Null for an unreadable file.
    [[nodiscard]] static Ref<CCNode> nodeGraphFromFile(const std::string& file, Object* owner = nullptr);
    // A new scene holding the tree; null when the tree is.
    [[nodiscard]] static Ref<CCScene> sceneWithNodeGraphFromFile(const std::string& file, Object* owner = nullptr);

    // The tree of an already read file. extraProps, when given, switches to
    // the editing tool's mode: the file's raw values are recorded in it by
    // node tag, and custom classes, targets, members and the load hook are
    // skipped. assetsDir is put before every file name the file carries.
    [[nodiscard]] static Ref<CCNode> nodeGraphFromDictionary(const Value& dictionary, Object* owner = nullptr);
    [[nodiscard]] static Ref<CCNode> nodeGraphFromDictionary(const Value& dictionary, Value* extraProps,
                                                             const std::string& assetsDir, Object* owner);

    // One node and its subtree; root is the node member assignments of type
    // 1 go to (null: the node built here).
    [[nodiscard]] static Ref<CCNode> ccObjectFromDictionary(const Value& dictionary, Value* extraProps,
                                                            const std::string& assetsDir, Object* owner,
                                                            CCNode* root = nullptr);

    // A new object of the class registered under the name; null (and a
    // warning for a name that is not empty) when there is none.
    [[nodiscard]] static Ref<Object> createCustomClassWithName(const std::string& name);

    // Records value under key in the entry of dictionary for the tag.
    static void setExtraProp(const Value& value, const std::string& key, int tag, Value& dictionary);
};

} // namespace mw
