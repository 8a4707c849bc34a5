#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "foundation/Object.h"

namespace mw {

class CDSoundEngine;

// Which sound identifier holds which file. Identifiers are handed out 0, 1,
// 2, ... and reused last-freed-first. The engine is not retained: the simple
// audio facade keeps both. Used on one thread (the main thread).
class CDBufferManager : public Object {
public:
    explicit CDBufferManager(CDSoundEngine* engine);

    // The file's identifier. When it has none and create is set, loads it into
    // a free identifier; -1 when create is not set or the load fails (the
    // identifier is then free again).
    int bufferForFile(const std::string& filePath, bool create);
    // Unloads the file's buffer and frees its identifier; an unknown file does
    // nothing.
    void releaseBufferForFile(const std::string& filePath);

private:
    CDSoundEngine* soundEngine_;
    std::unordered_map<std::string, int> loadedBuffers_;
    std::vector<int> freedBuffers_;
    int nextBufferId_ = 0;
};

} // namespace mw
