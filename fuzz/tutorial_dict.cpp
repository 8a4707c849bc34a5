// The tutorial frames of a save: arbitrary bytes decoded as the keyed
// archive the profile keeps under "TutorialDict", with the frame record
// registered. Every record that decodes must carry at least six placement
// flags (the tutorial pop-up reads all six) and must archive and decode
// again to the same fields.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "foundation/KeyedArchive.h"
#include "foundation/Log.h"
#include "game/state/TutorialFrameDef.h"

namespace {

[[noreturn]] void fail(const char* what, int32_t id)
{
    std::fprintf(stderr, "tutorial_dict: %s (frame %d)\n", what, id);
    std::abort();
}

bool sameFields(const mw::TutorialFrameDef& a, const mw::TutorialFrameDef& b)
{
    return a.ID == b.ID && a.Type == b.Type && a.LangID == b.LangID && a.Icon == b.Icon
        && a.WorkerIcon == b.WorkerIcon && a.AdditionalNumber == b.AdditionalNumber
        && a.RelationID == b.RelationID && a.bPlacements == b.bPlacements && a.Done == b.Done
        && a.ArrowAfter == b.ArrowAfter && a.ArrowAfterDone == b.ArrowAfterDone;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    mw::setLogSink([](const std::string&) {});
    // Naming the class links its registration into this program.
    (void)mw::makeRef<mw::TutorialFrameDef>();
    if (!mw::ArchivableRegistry::isRegistered("TutorialFrameDef")) fail("the record is not registered", -1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    mw::KeyedUnarchiver coder(data, size);
    const mw::ArchiveItem table = coder.decodeItem("TutorialDict");
    for (const auto& [key, item] : table.entries()) {
        (void)key.value().asInt();
        const mw::Ref<mw::TutorialFrameDef> frame = item.objectAs<mw::TutorialFrameDef>();
        if (!frame) continue;
        if (frame->bPlacements.size() < mw::TutorialFrameDef::kPlacementCount)
            fail("fewer than six placements", frame->ID);
        for (size_t i = 0; i < 8; ++i)
            (void)frame->placement(i);
        std::string error;
        const std::vector<uint8_t> bytes = mw::archivedDataWithRootObject(frame.get(), &error);
        if (bytes.empty()) fail("a decoded record cannot be archived", frame->ID);
        const mw::Ref<mw::TutorialFrameDef> again
            = mw::dynamicRef<mw::TutorialFrameDef>(mw::unarchiveObjectWithData(bytes, &error));
        if (!again || !sameFields(*frame, *again))
            fail("a record changes through an archive round trip", frame->ID);
    }
    return 0;
}
