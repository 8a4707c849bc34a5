// Feeds arbitrary documents to the TMX map reader (records only: building
// the drawable map needs GL and tile images), then reads every record back.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/tilemaps/CCTMXXMLParser.h"
#include "foundation/Log.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool quiet = [] {
        mw::setLogSink([](const std::string&) {});
        return true;
    }();
    (void)quiet;
    const std::string xml(reinterpret_cast<const char*>(data), size);
    // External tilesets resolve below a folder that does not exist.
    mw::Ref<mw::CCTMXMapInfo> info = mw::CCTMXMapInfo::formatWithXML(xml, "/nonexistent-tmx-folder");
    size_t seen = 0;
    for (const auto& layer : info->layers) {
        const auto cells = static_cast<size_t>(layer->layerSize.width) * static_cast<size_t>(layer->layerSize.height);
        // The tile array is either absent or exactly one GID per cell.
        if (!layer->tiles.empty() && layer->tiles.size() != cells) __builtin_trap();
        for (uint32_t gid : layer->tiles) seen += gid & 1;
    }
    for (const auto& tileset : info->tilesets) {
        tileset->imageSize = {100, 100};
        seen += static_cast<size_t>(tileset->rectForGID(tileset->firstGid + 3).origin.x);
    }
    for (const auto& group : info->objectGroups) seen += group->objects.size();
    return seen == 0xFFFFFFFF ? 1 : 0;
}
