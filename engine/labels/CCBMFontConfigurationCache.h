#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>

#include "engine/labels/CCBMFontConfiguration.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"

namespace mw {

// The process-wide table of bitmap font descriptions by file name, so that
// each file is read once however many labels use it. It owns what it holds
// until purged (a memory warning and the director's end purge it); labels
// keep the configurations they use. Main thread only.
class CCBMFontConfigurationCache : public Object {
public:
    // The shared cache, made on first use.
    static CCBMFontConfigurationCache* sharedCache();
    // Drops the shared cache and its entries; the next access makes an empty one.
    static void purgeSharedCache();

    // The configuration stored under the name, read and stored on a miss
    // (a file that cannot be read is stored as a font without characters).
    CCBMFontConfiguration* configurationForFile(const std::string& fntFile);
    size_t count() const { return configurations_.size(); }

private:
    std::unordered_map<std::string, Ref<CCBMFontConfiguration>> configurations_;
};

} // namespace mw
