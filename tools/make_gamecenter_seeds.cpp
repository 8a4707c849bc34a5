// Writes the seeds of the game centre offline file's fuzz target
// (fuzz/corpus/gamecenter_offline_file): files as the game writes them.
//   build/dev/make_gamecenter_seeds fuzz/corpus/gamecenter_offline_file
#include <cstdio>
#include <string>
#include <vector>

#include "foundation/PropertyList.h"
#include "game/state/GameCenterManager.h"

namespace {

bool writeSeed(const std::string& path, std::vector<mw::Ref<mw::GKAchievement>> achievements, bool foreignKey)
{
    mw::Value::Dictionary file;
    if (foreignKey) file.set("Someone", mw::Value("else's"));
    file.set("Achievements", mw::Value(mw::GameCenterManager::encodeOfflineAchievements(achievements)));
    return mw::writePropertyListFile(path, mw::Value(std::move(file)));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_gamecenter_seeds <folder>\n");
        return 2;
    }
    const std::string folder = argv[1];
    bool ok = writeSeed(folder + "/two.plist",
                        {mw::makeRef<mw::GKAchievement>("com.zandovar.mw.downtown", 100),
                         mw::makeRef<mw::GKAchievement>("com.zandovar.mw.diy", 40)},
                        false);
    ok = writeSeed(folder + "/foreign.plist", {mw::makeRef<mw::GKAchievement>("com.zandovar.mw.moo", 100)}, true) && ok;
    ok = writeSeed(folder + "/empty.plist", {}, false) && ok;
    return ok ? 0 : 1;
}
