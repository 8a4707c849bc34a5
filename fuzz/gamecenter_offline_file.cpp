// Feeds arbitrary bytes to the reader of the game centre's file of unsent
// achievements ("GameCenterSave.txt"). Whatever it accepts must write back
// and read again to the same identifiers and percentages.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "foundation/Log.h"
#include "game/state/GameCenterManager.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool quiet = (mw::setLogSink([](const std::string&) {}), true);
    (void)quiet;
    auto file = mw::GameCenterManager::parseOfflineFile(data, size);
    if (!file || !file->asDict().contains("Achievements")) return 0;
    auto decoded = *mw::GameCenterManager::decodeOfflineAchievements((*file)["Achievements"].asData());
    auto again = mw::GameCenterManager::decodeOfflineAchievements(
        mw::GameCenterManager::encodeOfflineAchievements(decoded));
    if (!again || again->size() != decoded.size()) std::abort();
    for (size_t i = 0; i < decoded.size(); ++i) {
        if ((*again)[i]->identifier != decoded[i]->identifier) std::abort();
        if ((*again)[i]->percentComplete != decoded[i]->percentComplete) std::abort();
    }
    return 0;
}
