#include "engine/scenes/CCBReader.h"

#include <exception>
#include <typeinfo>

#include "engine/base/CCPropertyRegistry.h"
#include "engine/labels/CCLabelBMFont.h"
#include "engine/menus/CCMenu.h"
#include "engine/menus/CCMenuItem.h"
#include "engine/nodes/CCLayer.h"
#include "engine/nodes/CCLayerColor.h"
#include "engine/nodes/CCLayerGradient.h"
#include "engine/nodes/CCNode.h"
#include "engine/nodes/CCScene.h"
#include "engine/particles/CCParticleSystem.h"
#include "engine/particles/CCParticleSystemQuad.h"
#include "engine/sprites/CCSprite.h"
#include "engine/sprites/CCSpriteFrame.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "engine/support/CCFileUtils.h"
#include "engine/textures/CCTexture2D.h"
#include "engine/textures/CCTextureCache.h"
#include "foundation/Log.h"
#include "foundation/PropertyList.h"
#include "foundation/Value.h"

namespace mw {

namespace {

// Menus and items are made by name only. Naming their types here links
// their sources into every program that reads scene files, and with them
// the registrations of those names.
[[maybe_unused]] const std::type_info* const menuClassesLinked[] = {&typeid(CCMenu), &typeid(CCMenuItemImage)};

constexpr uint32_t kSceneFilePoolSize = 2048;
constexpr const char* kMissingTexture = "missing-texture.png";
constexpr const char* kMissingFont = "missing-font.fnt";

// ---- value readers: missing keys read as 0, false or (0, 0) ----

CGPoint pointVal(const Value& props, const char* key)
{
    const Value& v = props[key];
    return {v[0].asFloat(), v[1].asFloat()};
}

CGSize sizeVal(const Value& props, const char* key)
{
    const Value& v = props[key];
    return {v[0].asFloat(), v[1].asFloat()};
}

ccColor3B color3Val(const Value& props, const char* key)
{
    const Value& v = props[key];
    return {static_cast<uint8_t>(v[0].asInt()), static_cast<uint8_t>(v[1].asInt()),
            static_cast<uint8_t>(v[2].asInt())};
}

ccColor4F color4fVal(const Value& props, const char* key)
{
    const Value& v = props[key];
    return {v[0].asFloat(), v[1].asFloat(), v[2].asFloat(), v[3].asFloat()};
}

ccBlendFunc blendFuncVal(const Value& props, const char* key)
{
    const Value& v = props[key];
    return {static_cast<uint32_t>(v[0].asInt()), static_cast<uint32_t>(v[1].asInt())};
}

bool boolVal(const Value& props, const char* key) { return props[key].asBool(); }
float floatVal(const Value& props, const char* key) { return props[key].asFloat(); }
int intVal(const Value& props, const char* key) { return props[key].asInt(); }
// Integer-read values of the particle step: fractions are cut.
float intAsFloat(const Value& props, const char* key) { return static_cast<float>(props[key].asInt()); }
uint8_t opacityVal(const Value& props, const char* key) { return static_cast<uint8_t>(props[key].asInt()); }

std::string describe(const CCNode* node) { return node ? node->description() : "(null)"; }

// One node's build: what every step needs.
struct Build {
    const Value& props;
    Value* extraProps;  // null in game mode
    const std::string& assetsDir;
    bool gameMode() const { return extraProps == nullptr; }
    std::string asset(const char* key) const { return assetsDir + props[key].asString(); }
    void record(CCNode* node, const char* key, const Value& value) const
    {
        if (extraProps) CCBReader::setExtraProp(value, key, node->tag(), *extraProps);
    }
};

// ---- property steps ----

void setPropsForNode(CCNode* node, const Build& b, bool sizesItself)
{
    const Value& props = b.props;
    node->setPosition(pointVal(props, "position"));
    if (!sizesItself) node->setContentSize(sizeVal(props, "contentSize"));
    node->setScaleX(floatVal(props, "scaleX"));
    node->setScaleY(floatVal(props, "scaleY"));
    node->setAnchorPoint(pointVal(props, "anchorPoint"));
    node->setRotation(floatVal(props, "rotation"));
    node->setIsRelativeAnchorPoint(boolVal(props, "isRelativeAnchorPoint"));
    node->setVisible(boolVal(props, "visible"));
    if (b.gameMode()) {
        node->setTag(intVal(props, "tag"));
        return;
    }
    // The editing tool numbers untagged nodes itself.
    if (node->tag() == -1) node->setTag(static_cast<int>(b.extraProps->size()) + 1);
    b.record(node, "tag", props["tag"]);
    b.record(node, "customClass", props["customClass"]);
    b.record(node, "memberVarAssignmentType", props["memberVarAssignmentType"]);
    b.record(node, "memberVarAssignmentName", props["memberVarAssignmentName"]);
    b.record(node, "lockedScaleRatio", props["lockedScaleRatio"]);
    b.record(node, "isExpanded", props.contains("isExpanded") ? props["isExpanded"] : Value(true));
}

void setPropsForLayer(CCLayer* layer, const Build& b)
{
    if (b.gameMode()) {
        layer->setIsTouchEnabled(boolVal(b.props, "touchEnabled"));
        layer->setIsAccelerometerEnabled(boolVal(b.props, "accelerometerEnabled"));
        return;
    }
    for (const char* key : {"touchEnabled", "accelerometerEnabled", "mouseEnabled", "keyboardEnabled"}) {
        b.record(layer, key, b.props[key]);
    }
}

void setPropsForLayerColor(CCLayerColor* layer, const Build& b)
{
    layer->setColor(color3Val(b.props, "color"));
    layer->setOpacity(opacityVal(b.props, "opacity"));
    layer->setBlendFunc(blendFuncVal(b.props, "blendFunc"));
}

void setPropsForLayerGradient(CCLayerGradient* layer, const Build& b)
{
    layer->setStartColor(color3Val(b.props, "color"));
    layer->setStartOpacity(opacityVal(b.props, "opacity"));
    layer->setEndColor(color3Val(b.props, "endColor"));
    layer->setEndOpacity(opacityVal(b.props, "endOpacity"));
    layer->setVector(pointVal(b.props, "vector"));
}

void setPropsForSprite(CCSprite* sprite, const Build& b)
{
    sprite->setOpacity(opacityVal(b.props, "opacity"));
    sprite->setColor(color3Val(b.props, "color"));
    sprite->setFlipX(boolVal(b.props, "flipX"));
    sprite->setFlipY(boolVal(b.props, "flipY"));
    sprite->setBlendFunc(blendFuncVal(b.props, "blendFunc"));
    b.record(sprite, "spriteFile", b.props["spriteFile"]);
    if (b.props.contains("spriteFramesFile")) b.record(sprite, "spriteSheetFile", b.props["spriteFramesFile"]);
}

void setPropsForMenuItem(CCNode* item, const Build& b)
{
    CCPropertyRegistry::shared().setBool(item, "isEnabled", boolVal(b.props, "isEnabled"));
    b.record(item, "selector", b.props["selector"]);
    b.record(item, "target", b.props["target"]);
    if (b.props.contains("spriteFramesFile")) b.record(item, "spriteSheetFile", b.props["spriteFramesFile"]);
}

void setPropsForMenuItemImage(CCNode* item, const Build& b)
{
    for (const char* key : {"spriteFileNormal", "spriteFileSelected", "spriteFileDisabled"}) {
        b.record(item, key, b.props[key]);
    }
}

void setPropsForLabelBMFont(CCLabelBMFont* label, const Build& b)
{
    label->setOpacity(opacityVal(b.props, "opacity"));
    label->setColor(color3Val(b.props, "color"));
    b.record(label, "fontFile", b.props["fontFile"]);
}

void setPropsForParticleSystem(CCParticleSystem* system, const Build& b)
{
    const Value& p = b.props;
    system->setEmitterMode(intVal(p, "emitterMode"));
    system->setEmissionRate(floatVal(p, "emissionRate"));
    system->setDuration(floatVal(p, "duration"));
    system->setPosVar(pointVal(p, "posVar"));
    system->setTotalParticles(static_cast<uint32_t>(intVal(p, "totalParticles")));
    system->setLife(floatVal(p, "life"));
    system->setLifeVar(floatVal(p, "lifeVar"));
    system->setStartSize(intAsFloat(p, "startSize"));
    system->setStartSizeVar(intAsFloat(p, "startSizeVar"));
    system->setEndSize(intAsFloat(p, "endSize"));
    system->setEndSizeVar(intAsFloat(p, "endSizeVar"));
    if (dynamic_cast<CCParticleSystemQuad*>(system)) {
        system->setStartSpin(intAsFloat(p, "startSpin"));
        system->setStartSpinVar(intAsFloat(p, "startSpinVar"));
        system->setEndSpin(intAsFloat(p, "endSpin"));
        system->setEndSpinVar(intAsFloat(p, "endSpinVar"));
    }
    system->setStartColor(color4fVal(p, "startColor"));
    system->setStartColorVar(color4fVal(p, "startColorVar"));
    system->setEndColor(color4fVal(p, "endColor"));
    system->setEndColorVar(color4fVal(p, "endColorVar"));
    system->setBlendFunc(blendFuncVal(p, "blendFunc"));
    if (system->emitterMode() != kCCParticleModeGravity) {
        system->setStartRadius(intAsFloat(p, "startRadius"));
        system->setStartRadiusVar(intAsFloat(p, "startRadiusVar"));
        system->setEndRadius(intAsFloat(p, "endRadius"));
        system->setEndRadiusVar(intAsFloat(p, "endRadiusVar"));
        system->setRotatePerSecond(intAsFloat(p, "rotatePerSecond"));
        system->setRotatePerSecondVar(intAsFloat(p, "rotatePerSecondVar"));
    } else {
        system->setGravity(pointVal(p, "gravity"));
        system->setAngle(intAsFloat(p, "angle"));
        system->setAngleVar(intAsFloat(p, "angleVar"));
        system->setSpeed(intAsFloat(p, "speed"));
        system->setSpeedVar(intAsFloat(p, "speedVar"));
        system->setTangentialAccel(intAsFloat(p, "tangentialAccel"));
        system->setTangentialAccelVar(intAsFloat(p, "tangentialAccelVar"));
        system->setRadialAccel(intAsFloat(p, "radialAccel"));
        system->setRadialAccelVar(intAsFloat(p, "radialAccelVar"));
    }
    system->setPositionType(kCCPositionTypeGrouped);
    b.record(system, "spriteFile", p["spriteFile"]);
}

// ---- creation ----

Ref<CCSprite> spriteFromFile(const std::string& path)
{
    Ref<CCSprite> sprite = CCSprite::spriteWithFile(path);
    if (!sprite) sprite = CCSprite::spriteWithFile(kMissingTexture);
    // Without even the placeholder the sprite is empty, never absent.
    if (!sprite) sprite = makeRef<CCSprite>();
    return sprite;
}

// The sprite for a frame name, or null when the cache has no such frame.
Ref<CCSprite> spriteFromFrame(const std::string& frameName)
{
    Ref<CCSpriteFrame> frame = CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(frameName);
    if (!frame) return nullptr;
    return CCSprite::spriteWithSpriteFrame(frame.get());
}

// One sprite of a sprite or menu item: from the frame named by key when a
// frames file is given, else from the file.
Ref<CCSprite> spriteFor(const Build& b, const char* key)
{
    if (!b.props["spriteFramesFile"].asString().empty()) {
        Ref<CCSprite> sprite = spriteFromFrame(b.props[key].asString());
        return sprite ? sprite : spriteFromFile(kMissingTexture);
    }
    return spriteFromFile(b.asset(key));
}

Ref<CCNode> makeMenuItem(const Build& b, const std::string& customClass, Object* owner, CCNode* root)
{
    CCPropertyRegistry& registry = CCPropertyRegistry::shared();
    const char* className = customClass == "CCHoldButtonImage" ? "CCHoldButtonImage" : "CCMenuItemImage";
    Ref<Object> made = registry.createInstance(className);
    Ref<CCNode> item = dynamicRef<CCNode>(made);
    if (!item) {
        logLine("WARNING! Class of type %s couldn't be found", className);
        return nullptr;
    }
    Ref<CCSprite> normal = spriteFor(b, "spriteFileNormal");
    Ref<CCSprite> selected = spriteFor(b, "spriteFileSelected");
    Ref<CCSprite> disabled = spriteFor(b, "spriteFileDisabled");
    registry.setObject(item.get(), "normalImage", normal.get());
    registry.setObject(item.get(), "selectedImage", selected.get());
    registry.setObject(item.get(), "disabledImage", disabled.get());
    // Made from its sprites, an item takes the normal sprite's size: its
    // anchor and the area its menu hit-tests are measured on it.
    item->setContentSize(normal->contentSize());
    if (b.gameMode()) {
        const int targetKind = intVal(b.props, "target");
        Object* target = targetKind == 2 ? owner : targetKind == 1 ? root : nullptr;
        const std::string selectorName = b.props["selector"].asString();
        if (!selectorName.empty() && target) {
            CCPropertyRegistry::Callback callback = registry.selector(target, selectorName);
            if (callback) {
                registry.setCallback(item.get(), "callback", std::move(callback));
            } else {
                logLine("WARNING! CCMenuItemImage target doesn't respond to selector %s", selectorName.c_str());
            }
        }
    }
    return item;
}

// A plain node of a base class.
template <typename Base>
Ref<Base> plainNode()
{
    return makeRef<Base>();
}

template <>
Ref<CCLayerGradient> plainNode<CCLayerGradient>()
{
    return makeRef<CCLayerGradient>(ccColor4B{0, 0, 0, 255}, ccColor4B{0, 0, 0, 255});
}

// A node of one of the four base classes, or of its custom class when that
// is registered and derives from the base.
template <typename Base>
Ref<Base> makeBaseNode(const std::string& customClass, const char* baseName, bool gameMode)
{
    if (gameMode && !customClass.empty()) {
        Ref<Object> custom = CCBReader::createCustomClassWithName(customClass);
        if (custom) {
            if (Ref<Base> typed = dynamicRef<Base>(custom)) return typed;
            logLine("WARNING! %s is not subclass of %s", customClass.c_str(), baseName);
        }
    }
    return plainNode<Base>();
}

Ref<CCNode> makeNode(const std::string& className, const Build& b, const std::string& customClass, Object* owner,
                     CCNode* root)
{
    if (className == "CCParticleSystem") {
        Ref<CCParticleSystem> system = CCParticleSystem::particleWithTotalParticles(kSceneFilePoolSize);
        if (!system) return nullptr;
        Ref<CCTexture2D> texture = CCTextureCache::sharedTextureCache()->addImage(b.asset("spriteFile"));
        system->setTexture(texture.get());
        setPropsForNode(system.get(), b, false);
        setPropsForParticleSystem(system.get(), b);
        return system;
    }
    if (className == "CCMenuItemImage") {
        // The item's root is the graph's root, or the item itself at the top.
        Ref<CCNode> item = makeMenuItem(b, customClass, owner, root);
        if (!item) return nullptr;
        setPropsForNode(item.get(), b, true);
        setPropsForMenuItem(item.get(), b);
        setPropsForMenuItemImage(item.get(), b);
        return item;
    }
    if (className == "CCMenu") {
        Ref<Object> made = CCPropertyRegistry::shared().createInstance("CCMenu");
        Ref<CCLayer> menu = dynamicRef<CCLayer>(made);
        if (!menu) {
            logLine("WARNING! Class of type CCMenu couldn't be found");
            return nullptr;
        }
        setPropsForNode(menu.get(), b, false);
        setPropsForLayer(menu.get(), b);
        return menu;
    }
    if (className == "CCLabelBMFont") {
        const std::string text = b.props["string"].asString();
        Ref<CCLabelBMFont> label;
        try {
            label = CCLabelBMFont::labelWithString(text, b.asset("fontFile"));
        } catch (const std::exception&) {
            label = nullptr;
        }
        if (!label) label = CCLabelBMFont::labelWithString(text, kMissingFont);
        if (!label) return nullptr;
        setPropsForNode(label.get(), b, true);
        setPropsForLabelBMFont(label.get(), b);
        return label;
    }
    if (className == "CCSprite") {
        Ref<CCSprite> sprite = spriteFor(b, "spriteFile");
        setPropsForNode(sprite.get(), b, true);
        setPropsForSprite(sprite.get(), b);
        return sprite;
    }
    if (className == "CCLayerGradient") {
        Ref<CCLayerGradient> layer = makeBaseNode<CCLayerGradient>(customClass, "CCLayerGradient", b.gameMode());
        setPropsForNode(layer.get(), b, false);
        setPropsForLayer(layer.get(), b);
        setPropsForLayerColor(layer.get(), b);
        setPropsForLayerGradient(layer.get(), b);
        return layer;
    }
    if (className == "CCLayerColor") {
        Ref<CCLayerColor> layer = makeBaseNode<CCLayerColor>(customClass, "CCLayerColor", b.gameMode());
        setPropsForNode(layer.get(), b, false);
        setPropsForLayer(layer.get(), b);
        setPropsForLayerColor(layer.get(), b);
        return layer;
    }
    if (className == "CCLayer") {
        Ref<CCLayer> layer = makeBaseNode<CCLayer>(customClass, "CCLayer", b.gameMode());
        setPropsForNode(layer.get(), b, false);
        setPropsForLayer(layer.get(), b);
        return layer;
    }
    if (className == "CCNode") {
        Ref<CCNode> node = makeBaseNode<CCNode>(customClass, "CCNode", b.gameMode());
        setPropsForNode(node.get(), b, false);
        return node;
    }
    logLine("WARNING! Failed to load node of type: %s", className.c_str());
    return nullptr;
}

void assignMember(CCNode* node, const Value& props, Object* owner, CCNode* root)
{
    const std::string name = props["memberVarAssignmentName"].asString();
    const int type = intVal(props, "memberVarAssignmentType");
    if (name.empty() || type == 0) return;
    Object* target = type == 1 ? static_cast<Object*>(root) : type == 2 ? owner : nullptr;
    if (!target) {
        logLine("WARNING! Failed to find assignment object");
        return;
    }
    switch (CCPropertyRegistry::shared().assignMember(target, name, node)) {
    case CCPropertyRegistry::MemberResult::Assigned:
        break;
    case CCPropertyRegistry::MemberResult::NoSuchMember:
        logLine("WARNING! Couldn't find member variable %s", name.c_str());
        break;
    case CCPropertyRegistry::MemberResult::WrongType:
        logLine("WARNING! Member variable %s cannot hold %s", name.c_str(), node->description().c_str());
        break;
    }
}

} // namespace

Ref<CCNode> CCBReader::nodeGraphFromFile(const std::string& file, Object* owner)
{
    const std::string path = CCFileUtils::bundlePath() + "/" + file;
    std::optional<Value> dictionary = readPropertyListFile(path);
    if (!dictionary || !dictionary->isDict()) {
        logLine("WARNING! Trying to load invalid file type");
        return nullptr;
    }
    return nodeGraphFromDictionary(*dictionary, owner);
}

Ref<CCScene> CCBReader::sceneWithNodeGraphFromFile(const std::string& file, Object* owner)
{
    Ref<CCNode> graph = nodeGraphFromFile(file, owner);
    if (!graph) return nullptr;
    Ref<CCScene> scene = CCScene::node();
    scene->addChild(graph.get());
    return scene;
}

Ref<CCNode> CCBReader::nodeGraphFromDictionary(const Value& dictionary, Object* owner)
{
    return nodeGraphFromDictionary(dictionary, nullptr, "", owner);
}

Ref<CCNode> CCBReader::nodeGraphFromDictionary(const Value& dictionary, Value* extraProps,
                                               const std::string& assetsDir, Object* owner)
{
    if (!dictionary.isDict()) {
        logLine("WARNING! Trying to load invalid file type");
        return nullptr;
    }
    if (dictionary["fileType"].asString() != "SceneBuilder") {
        logLine("WARNING! Trying to load invalid file type");
    }
    if (dictionary["fileVersion"].asInt() >= 2) {
        logLine("WARNING! Trying to load file made with a newer version of SceneBuilder, please update the "
                "CCBReader class");
        return nullptr;
    }
    return ccObjectFromDictionary(dictionary["nodeGraph"], extraProps, assetsDir, owner);
}

Ref<CCNode> CCBReader::ccObjectFromDictionary(const Value& dictionary, Value* extraProps,
                                              const std::string& assetsDir, Object* owner, CCNode* root)
{
    const std::string className = dictionary["class"].asString();
    const Value& props = dictionary["properties"];
    const Build build{props, extraProps, assetsDir};
    const std::string customClass = build.gameMode() ? props["customClass"].asString() : std::string();

    Ref<CCNode> node = makeNode(className, build, customClass, owner, root);
    if (!node) return nullptr;

    CCNode* childRoot = root ? root : node.get();
    for (const Value& childDictionary : dictionary["children"].asArray()) {
        Ref<CCNode> child = ccObjectFromDictionary(childDictionary, extraProps, assetsDir, owner, childRoot);
        const int z = intVal(childDictionary["properties"], "zOrder");
        if (child) {
            node->addChild(child.get(), z);
        } else {
            logLine("WARNING! Failed to add child=%s to node=%s", describe(child.get()).c_str(),
                    describe(node.get()).c_str());
        }
    }

    if (build.gameMode()) {
        assignMember(node.get(), props, owner, childRoot);
        if (CCPropertyRegistry::Callback loaded = CCPropertyRegistry::shared().selector(node.get(), "didLoadFromCCB")) {
            loaded(node.get());
        }
    }
    return node;
}

Ref<Object> CCBReader::createCustomClassWithName(const std::string& name)
{
    if (name.empty()) return nullptr;
    Ref<Object> made = CCPropertyRegistry::shared().createInstance(name);
    if (!made) logLine("WARNING! Class of type %s couldn't be found", name.c_str());
    return made;
}

void CCBReader::setExtraProp(const Value& value, const std::string& key, int tag, Value& dictionary)
{
    if (!dictionary.isDict()) dictionary = Value::dictionary();
    const std::string tagKey = std::to_string(tag);
    Value entry = dictionary.contains(tagKey) ? dictionary[tagKey] : Value::dictionary();
    entry.set(key, value);
    dictionary.set(tagKey, std::move(entry));
}

} // namespace mw
