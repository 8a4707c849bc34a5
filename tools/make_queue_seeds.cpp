// Writes the seeds of the queue files' fuzz target (fuzz/corpus/queue_files):
// "FetchManager" and "PostManager" files holding records of several kinds,
// and "GCPostManager" files of both shapes, as the managers write them.
//   build/dev/make_queue_seeds fuzz/corpus/queue_files
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "foundation/KeyedArchive.h"
#include "platform/GKAchievement.h"
#include "platform/GKScore.h"
#include "social/queues/CCFetchManager.h"
#include "social/queues/CCGameCenterPostManager.h"
#include "social/queues/records/CCServerRecords.h"

namespace {

bool writeSeed(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return !bytes.empty() && out.good();
}

std::vector<mw::Ref<mw::CCAbstractServerData>> records()
{
    std::vector<mw::Ref<mw::CCAbstractServerData>> list;
    auto page = mw::makeRef<mw::CCUIDescription>("https://lite.example/lite/base.cuid", 10, 0);
    page->mutableMainData().set("cache", mw::Value("basedata"));
    page->mutableMainData().set("title", mw::Value("Village news"));
    list.emplace_back(page);
    auto telemetry = mw::makeRef<mw::CCAnalyticData>();
    telemetry->setUrl("https://telemetry.example/analytics/index.php?sig=0");
    telemetry->mutableMainData().set(
        "usage", mw::Value::array({mw::Value::array({mw::Value(1700000000.0), mw::Value("UI_START"), mw::Value()})}));
    list.emplace_back(telemetry);
    auto image = mw::makeRef<mw::CCImageData>("https://lite.example/img/advert_global.img");
    list.emplace_back(image);
    auto nullPost = mw::makeRef<mw::CCNullPost>("https://lite.example/lite/null");
    nullPost->setPostData(mw::Value::Bytes{'a', '=', '1'});
    list.emplace_back(nullPost);
    list.emplace_back(mw::makeRef<mw::CCDeviceToken>(mw::Value::Bytes{0x0f, 0xa0, 0x33}));
    return list;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_queue_seeds <folder>\n");
        return 2;
    }
    const std::string folder = argv[1];
    bool ok = writeSeed(folder + "/records.archive", mw::CCFetchManager::encodeFile(records()));

    mw::CCGameCenterPostManager::Queue queue;
    queue[mw::CCGameCenterPostManager::kNoPlayer] = {mw::Ref<mw::Object>(mw::makeRef<mw::GKScore>("coins", 120))};
    queue["G:1234"] = {mw::Ref<mw::Object>(mw::makeRef<mw::GKScore>("coins", 7)),
                       mw::Ref<mw::Object>(mw::makeRef<mw::GKAchievement>("com.zandovar.mw.diy", 40))};
    ok = writeSeed(folder + "/players.archive", mw::CCGameCenterPostManager::encodeFile(queue)) && ok;

    // The older shape: the list of no player as the root.
    mw::KeyedArchiver archiver;
    archiver.encodeItem("root", mw::ArchiveItem::array({mw::ArchiveItem(mw::Ref<mw::GKScore>(mw::makeRef<mw::GKScore>("old", 3))),
                                                        mw::ArchiveItem(mw::Ref<mw::GKAchievement>(
                                                            mw::makeRef<mw::GKAchievement>("com.zandovar.mw.moo", 100)))}));
    ok = writeSeed(folder + "/older-array.archive", archiver.encodedData()) && ok;
    return ok ? 0 : 1;
}
