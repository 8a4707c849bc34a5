// Feeds arbitrary property lists to the scene-file reader, in the game's mode
// (with an owner that has members and an operation) and in the editing
// tool's mode. The bundle is an empty folder, so no image reaches GL: every
// sprite falls back to an empty one and fonts are missing.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/base/CCPropertyRegistry.h"
#include "engine/nodes/CCNode.h"
#include "engine/scenes/CCBReader.h"
#include "engine/support/CCFileUtils.h"
#include "foundation/Log.h"
#include "foundation/PropertyList.h"
#include "foundation/Value.h"

namespace {

class FuzzOwner : public mw::Object {
public:
    void onTap(mw::Object*) {}
    mw::CCNode* member = nullptr;
};

// Drops a graph as the game drops a scene: its nodes stopped and unscheduled.
// A particle system schedules its update when it is made, and the scheduler
// would otherwise keep it, with its pool of particles, for the rest of the run.
void dropGraph(mw::CCNode* graph)
{
    if (graph) graph->cleanup();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool ready = [] {
        mw::setLogSink([](const std::string&) {});
        mw::CCFileUtils::setBundlePath("/nonexistent/mosswick-fuzz-bundle");
        mw::CCPropertyRegistry& registry = mw::CCPropertyRegistry::shared();
        registry.registerSelector<FuzzOwner>("onTap:", &FuzzOwner::onTap);
        registry.registerMember<FuzzOwner, mw::CCNode>("member", &FuzzOwner::member);
        return true;
    }();
    (void)ready;
    const std::optional<mw::Value> plist = mw::readPropertyList(data, size);
    if (!plist) {
        return 0;
    }
    FuzzOwner owner;
    {
        mw::Ref<mw::CCNode> graph = mw::CCBReader::nodeGraphFromDictionary(*plist, &owner);
        dropGraph(graph.get());
    }
    mw::Value extra = mw::Value::dictionary();
    mw::Ref<mw::CCNode> edited = mw::CCBReader::nodeGraphFromDictionary(*plist, &extra, "assets/", &owner);
    dropGraph(edited.get());
    return 0;
}
