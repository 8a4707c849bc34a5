#include "engine/tilemaps/CCTMXXMLParser.h"

#include <libxml/parser.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>

#include "engine/support/CCFileUtils.h"
#include "engine/support/ZipUtils.h"
#include "engine/support/base64.h"
#include "foundation/LibxmlLog.h"
#include "foundation/Log.h"

namespace mw {

namespace {

// A layer of more cells than this is not given a tile array: its data would
// take more memory than any map the engine draws (and a hostile document
// could ask for gigabytes with two short numbers).
constexpr int64_t kMaxLayerCells = int64_t{1} << 22;

// Nested tileset files deeper than this are not read (a chain of files naming each other).
constexpr size_t kMaxNestedFiles = 8;

// The leading number of a string, as the documents' numbers are read: 0 when there is none.
double numberOf(const std::string& text)
{
    const char* begin = text.c_str();
    char* end = nullptr;
    const double value = std::strtod(begin, &end);
    return end == begin || !std::isfinite(value) ? 0.0 : value;
}

// The leading whole number, clamped to 32 bits.
int32_t intOf(const std::string& text)
{
    const double value = std::trunc(numberOf(text));
    return static_cast<int32_t>(std::clamp(value, static_cast<double>(std::numeric_limits<int32_t>::min()),
                                           static_cast<double>(std::numeric_limits<int32_t>::max())));
}

int32_t clampToInt(double value)
{
    if (!std::isfinite(value)) return 0;
    return static_cast<int32_t>(std::clamp(std::trunc(value), static_cast<double>(std::numeric_limits<int32_t>::min()),
                                           static_cast<double>(std::numeric_limits<int32_t>::max())));
}

const std::string& attribute(const std::map<std::string, std::string>& attributes, const char* name)
{
    static const std::string empty;
    const auto found = attributes.find(name);
    return found == attributes.end() ? empty : found->second;
}

bool hasAttribute(const std::map<std::string, std::string>& attributes, const char* name)
{
    return attributes.count(name) != 0;
}

// ---- libxml2 callbacks ----

CCTMXMapInfo* infoOf(void* context)
{
    auto* parser = static_cast<xmlParserCtxtPtr>(context);
    return static_cast<CCTMXMapInfo*>(parser->_private);
}

void onStartElement(void* context, const xmlChar* localName, const xmlChar* /*prefix*/, const xmlChar* /*uri*/,
                    int /*namespaceCount*/, const xmlChar** /*namespaces*/, int attributeCount, int /*defaulted*/,
                    const xmlChar** attributes)
{
    std::map<std::string, std::string> named;
    for (int i = 0; i < attributeCount; ++i) {
        const xmlChar* const* entry = attributes + static_cast<ptrdiff_t>(i) * 5;
        const auto* valueBegin = reinterpret_cast<const char*>(entry[3]);
        const auto* valueEnd = reinterpret_cast<const char*>(entry[4]);
        named.emplace(reinterpret_cast<const char*>(entry[0]), std::string(valueBegin, valueEnd));
    }
    infoOf(context)->startElement(reinterpret_cast<const char*>(localName), named);
}

void onEndElement(void* context, const xmlChar* localName, const xmlChar* /*prefix*/, const xmlChar* /*uri*/)
{
    infoOf(context)->endElement(reinterpret_cast<const char*>(localName));
}

void onCharacters(void* context, const xmlChar* text, int length)
{
    infoOf(context)->characters(reinterpret_cast<const char*>(text), length);
}

void onError(void* /*userData*/, xmlErrorPtr error)
{
    if (error && error->level >= XML_ERR_ERROR) {
        logLine("CCTMXMapInfo: %s at line %d; the map keeps what was read", error->message ? error->message : "error",
                error->line);
    }
}

} // namespace

// ---------------------------------------------------------------- records

CGRect CCTMXTilesetInfo::rectForGID(uint32_t gid) const
{
    const uint32_t n = (gid & kCCTMXFlippedMask) - firstGid;
    const double across = (static_cast<double>(imageSize.width) - 2.0 * margin + spacing) /
                          (static_cast<double>(tileSize.width) + spacing);
    // An image narrower than one tile still has a column, so the division is defined.
    const uint32_t perRow = std::isfinite(across) && across >= 1 ? static_cast<uint32_t>(std::min(across, 1e9)) : 1;
    CGRect rect;
    rect.size = tileSize;
    rect.origin.x = static_cast<float>(margin + (tileSize.width + static_cast<float>(spacing)) *
                                                    static_cast<float>(n % perRow));
    rect.origin.y = static_cast<float>(margin + (tileSize.height + static_cast<float>(spacing)) *
                                                    static_cast<float>(n / perRow));
    return rect;
}

const std::string* CCTMXObjectGroup::propertyNamed(const std::string& name) const
{
    const auto found = properties.find(name);
    return found == properties.end() ? nullptr : &found->second;
}

const CCTMXProperties* CCTMXObjectGroup::objectNamed(const std::string& name) const
{
    for (const CCTMXProperties& object : objects) {
        const auto found = object.find("name");
        if (found != object.end() && found->second == name) return &object;
    }
    return nullptr;
}

// ---------------------------------------------------------------- reading

Ref<CCTMXMapInfo> CCTMXMapInfo::formatWithTMXFile(const std::string& file)
{
    Ref<CCTMXMapInfo> info = makeRef<CCTMXMapInfo>();
    info->filename_ = CCFileUtils::fullPathFromRelativePath(file);
    info->parseXMLFile(info->filename_);
    return info;
}

Ref<CCTMXMapInfo> CCTMXMapInfo::formatWithXML(const std::string& xml, const std::string& resourcePath)
{
    Ref<CCTMXMapInfo> info = makeRef<CCTMXMapInfo>();
    info->resources_ = resourcePath;
    info->parseXMLData(xml.data(), xml.size());
    return info;
}

std::string CCTMXMapInfo::joinedPath(const std::string& relative) const
{
    if (!relative.empty() && relative.front() == '/') return relative;
    const std::filesystem::path folder =
        filename_.empty() ? std::filesystem::path(resources_) : std::filesystem::path(filename_).parent_path();
    return (folder / relative).lexically_normal().string();
}

void CCTMXMapInfo::parseXMLFile(const std::string& path)
{
    if (openFiles_.count(path) || openFiles_.size() >= kMaxNestedFiles) {
        logLine("CCTMXMapInfo: %s is already being read; the tileset is skipped", path.c_str());
        return;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        logLine("CCTMXMapInfo: cannot read %s", path.c_str());
        return;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    openFiles_.insert(path);
    parseXMLData(bytes.data(), bytes.size());
    openFiles_.erase(path);
}

void CCTMXMapInfo::parseXMLData(const char* data, size_t length)
{
    if (length > static_cast<size_t>(std::numeric_limits<int>::max())) {
        logLine("CCTMXMapInfo: a document of %zu bytes is too large", length);
        return;
    }
    routeLibxmlErrorsToLog();
    xmlSAXHandler handler;
    std::memset(&handler, 0, sizeof handler);
    handler.initialized = XML_SAX2_MAGIC;
    handler.startElementNs = &onStartElement;
    handler.endElementNs = &onEndElement;
    handler.characters = &onCharacters;
    handler.serror = &onError;

    xmlParserCtxtPtr parser = xmlCreatePushParserCtxt(&handler, nullptr, nullptr, 0, nullptr);
    if (!parser) {
        logLine("CCTMXMapInfo: no XML parser");
        return;
    }
    parser->_private = this;
    // No network, no external entities or DTDs loaded, no entity expansion.
    xmlCtxtUseOptions(parser, XML_PARSE_NONET | XML_PARSE_NOWARNING);
    (void)xmlParseChunk(parser, data, static_cast<int>(length), 1);
    xmlFreeParserCtxt(parser);
}

void CCTMXMapInfo::startElement(const std::string& name, const std::map<std::string, std::string>& attributes)
{
    if (name == "map") {
        const std::string& orientationName = attribute(attributes, "orientation");
        if (orientationName == "orthogonal") {
            orientation = CCTMXOrientationOrtho;
        } else if (orientationName == "isometric") {
            orientation = CCTMXOrientationIso;
        } else if (orientationName == "hexagonal") {
            orientation = CCTMXOrientationHex;
        } else {
            logLine("CCTMXMapInfo: unknown orientation \"%s\"", orientationName.c_str());
        }
        mapSize = {static_cast<float>(intOf(attribute(attributes, "width"))),
                   static_cast<float>(intOf(attribute(attributes, "height")))};
        tileSize = {static_cast<float>(intOf(attribute(attributes, "tilewidth"))),
                    static_cast<float>(intOf(attribute(attributes, "tileheight")))};
        parentElement_ = kMap;
    } else if (name == "tileset") {
        if (hasAttribute(attributes, "source")) {
            parseXMLFile(joinedPath(attribute(attributes, "source")));
            return;
        }
        Ref<CCTMXTilesetInfo> tileset = makeRef<CCTMXTilesetInfo>();
        tileset->name = attribute(attributes, "name");
        tileset->firstGid = static_cast<uint32_t>(intOf(attribute(attributes, "firstgid")));
        tileset->spacing = static_cast<uint32_t>(std::max(0, intOf(attribute(attributes, "spacing"))));
        tileset->margin = static_cast<uint32_t>(std::max(0, intOf(attribute(attributes, "margin"))));
        tileset->tileSize = {static_cast<float>(intOf(attribute(attributes, "tilewidth"))),
                             static_cast<float>(intOf(attribute(attributes, "tileheight")))};
        tilesets.push_back(tileset);
    } else if (name == "tile") {
        const uint32_t first = tilesets.empty() ? 0 : tilesets.back()->firstGid;
        parentGID_ = first + static_cast<uint32_t>(intOf(attribute(attributes, "id")));
        tileProperties[parentGID_] = {};
        parentElement_ = kTile;
    } else if (name == "layer") {
        Ref<CCTMXLayerInfo> layer = makeRef<CCTMXLayerInfo>();
        layer->name = attribute(attributes, "name");
        layer->layerSize = {static_cast<float>(std::max(0, intOf(attribute(attributes, "width")))),
                            static_cast<float>(std::max(0, intOf(attribute(attributes, "height"))))};
        layer->visible = attribute(attributes, "visible") != "0";
        if (hasAttribute(attributes, "opacity")) {
            const double opacity = numberOf(attribute(attributes, "opacity")) * 255;
            layer->opacity = static_cast<uint8_t>(std::clamp(std::trunc(opacity), 0.0, 255.0));
        }
        layer->offset = {static_cast<float>(numberOf(attribute(attributes, "x"))),
                         static_cast<float>(numberOf(attribute(attributes, "y")))};
        layers.push_back(layer);
        parentElement_ = kLayer;
    } else if (name == "objectgroup") {
        Ref<CCTMXObjectGroup> group = makeRef<CCTMXObjectGroup>();
        group->groupName = attribute(attributes, "name");
        group->positionOffset = {static_cast<float>(numberOf(attribute(attributes, "x")) * tileSize.width),
                                 static_cast<float>(numberOf(attribute(attributes, "y")) * tileSize.height)};
        objectGroups.push_back(group);
        parentElement_ = kObjectGroup;
    } else if (name == "image") {
        if (!tilesets.empty()) {
            tilesets.back()->sourceImage = joinedPath(attribute(attributes, "source"));
        }
    } else if (name == "data") {
        if (attribute(attributes, "encoding") == "base64") {
            layerAttribs_ = kDataBase64;
            storingCharacters_ = true;
            currentString_.clear();
            const std::string& compression = attribute(attributes, "compression");
            if (compression == "gzip") {
                layerAttribs_ |= kDataGzip;
            } else if (compression == "zlib") {
                layerAttribs_ |= kDataZlib;
            }
        } else {
            logLine("CCTMXMapInfo: only base64 tile data is read; the layer has no tiles");
        }
    } else if (name == "object") {
        if (objectGroups.empty()) return;
        CCTMXObjectGroup& group = *objectGroups.back();
        CCTMXProperties object;
        object["name"] = attribute(attributes, "name");
        object["type"] = attribute(attributes, "type");
        const double x = group.positionOffset.x + intOf(attribute(attributes, "x"));
        const double mapHeight = static_cast<double>(mapSize.height) * tileSize.height;
        const double y = mapHeight - clampToInt(group.positionOffset.y + intOf(attribute(attributes, "y"))) -
                         intOf(attribute(attributes, "height"));
        object["x"] = std::to_string(clampToInt(x));
        object["y"] = std::to_string(clampToInt(y));
        object["width"] = attribute(attributes, "width");
        object["height"] = attribute(attributes, "height");
        group.objects.push_back(std::move(object));
        parentElement_ = kObject;
    } else if (name == "property") {
        const std::string& key = attribute(attributes, "name");
        const std::string& value = attribute(attributes, "value");
        switch (parentElement_) {
        case kMap:
            properties[key] = value;
            break;
        case kLayer:
            if (!layers.empty()) layers.back()->properties[key] = value;
            break;
        case kObjectGroup:
            if (!objectGroups.empty()) objectGroups.back()->properties[key] = value;
            break;
        case kObject:
            if (!objectGroups.empty() && !objectGroups.back()->objects.empty()) {
                objectGroups.back()->objects.back()[key] = value;
            }
            break;
        case kTile:
            tileProperties[parentGID_][key] = value;
            break;
        case kNone:
            break;
        }
    }
}

void CCTMXMapInfo::characters(const char* text, int length)
{
    if (storingCharacters_ && length > 0) currentString_.append(text, static_cast<size_t>(length));
}

void CCTMXMapInfo::endElement(const std::string& name)
{
    if (name == "data" && (layerAttribs_ & kDataBase64)) {
        storingCharacters_ = false;
        finishData();
        currentString_.clear();
        layerAttribs_ = kDataNone;
    } else if (name == "map" || name == "layer" || name == "objectgroup" || name == "object") {
        parentElement_ = kNone;
    }
}

void CCTMXMapInfo::finishData()
{
    if (layers.empty()) return;
    CCTMXLayerInfo& layer = *layers.back();
    const auto cells = static_cast<int64_t>(layer.layerSize.width) * static_cast<int64_t>(layer.layerSize.height);
    if (cells <= 0 || cells > kMaxLayerCells) {
        logLine("CCTMXMapInfo: layer \"%s\" of %lld cells gets no tiles", layer.name.c_str(),
                static_cast<long long>(cells));
        return;
    }
    std::vector<unsigned char> decoded;
    if (base64Decode(reinterpret_cast<const unsigned char*>(currentString_.data()), currentString_.size(),
                     decoded) == 0) {
        logLine("CCTMXMapInfo: layer \"%s\": tile data does not decode", layer.name.c_str());
        return;
    }
    if (layerAttribs_ & (kDataGzip | kDataZlib)) {
        std::vector<unsigned char> inflated;
        if (ccInflateMemoryWithHint(decoded.data(), decoded.size(), inflated, static_cast<size_t>(cells) * 4) ==
            0) {
            logLine("CCTMXMapInfo: layer \"%s\": tile data does not inflate", layer.name.c_str());
            return;
        }
        decoded.swap(inflated);
    }
    // Short data leaves the remaining cells empty rather than being read past its end.
    const auto expected = static_cast<size_t>(cells);
    const size_t given = std::min(expected, decoded.size() / 4);
    if (given < expected) {
        logLine("CCTMXMapInfo: layer \"%s\" has %zu of %zu tiles; the rest stay empty", layer.name.c_str(), given,
                expected);
    }
    layer.tiles.assign(expected, 0);
    for (size_t i = 0; i < given; ++i) {
        const unsigned char* p = &decoded[i * 4];
        layer.tiles[i] = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
    }
}

} // namespace mw
