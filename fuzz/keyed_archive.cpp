// Feeds arbitrary bytes to keyed-archive decoding with the program's
// archivable classes registered, so that class-tagged records build real
// objects. A root object that decodes must encode again, and that archive
// must decode and encode to the same bytes (no field, kind or order drifts).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/support/CCArray.h"
#include "engine/text/ZAttributedString.h"
#include "foundation/KeyedArchive.h"
#include "foundation/Log.h"

namespace {

// Every class the program registers for decoding. Naming each class here also
// links its registration into this program.
const char* const kArchivableClasses[] = {"CCArray", "ZAttributeRun", "ZAttributedString",
                                         "ZMutableAttributedString"};

[[noreturn]] void mismatch(const char* what, const std::string& detail)
{
    std::fprintf(stderr, "keyed_archive: %s\n%s\n", what, detail.c_str());
    std::abort();
}

std::string text(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    mw::setLogSink([](const std::string&) {});
    (void)mw::makeRef<mw::CCArray>();
    (void)mw::makeRef<mw::ZMutableAttributedString>();
    for (const char* name : kArchivableClasses) {
        if (!mw::ArchivableRegistry::isRegistered(name)) mismatch("a class is not registered", name);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    mw::KeyedUnarchiver unarchiver(data, size);
    const mw::ArchiveItem item = unarchiver.decodeItem("root");
    (void)unarchiver.decodeValue("root");

    // Walk the decoded graph as a program would.
    std::vector<const mw::ArchiveItem*> pending = {&item};
    while (!pending.empty()) {
        const mw::ArchiveItem* next = pending.back();
        pending.pop_back();
        if (mw::Ref<mw::CCArray> array = next->objectAs<mw::CCArray>()) {
            for (mw::Object* element : *array) (void)element;
        }
        // A decoded string must keep its invariants: every query below would
        // trip over runs out of order or past the text.
        if (mw::Ref<mw::ZAttributedString> string = next->objectAs<mw::ZAttributedString>()) {
            (void)string->description();
            for (size_t index = 0; index < string->length(); ++index) {
                mw::NSRange range{};
                (void)string->attributesAtIndex(index, &range);
                if (range.location > index || range.location + range.length <= index) {
                    mismatch("a run's extent misses its index", string->description());
                }
            }
            const mw::Ref<mw::ZMutableAttributedString> edited = string->mutableCopy();
            edited->deleteCharactersInRange({0, edited->length() / 2});
        }
        for (const mw::ArchiveItem& child : next->items()) pending.push_back(&child);
        for (const auto& [key, value] : next->entries()) {
            pending.push_back(&key);
            pending.push_back(&value);
        }
    }

    const mw::Ref<mw::Object> root = mw::unarchiveObjectWithData(data, size);
    const auto* archivable = dynamic_cast<const mw::Archivable*>(root.get());
    if (!archivable) return 0;
    std::string error;
    const std::vector<uint8_t> archived = mw::archivedDataWithRootObject(archivable, &error);
    if (archived.empty()) mismatch("a decoded object cannot be encoded", error);
    const mw::Ref<mw::Object> again = mw::unarchiveObjectWithData(archived, &error);
    const auto* archivableAgain = dynamic_cast<const mw::Archivable*>(again.get());
    if (!archivableAgain) mismatch("what was encoded cannot be decoded", error + "\n" + text(archived));
    const std::vector<uint8_t> rearchived = mw::archivedDataWithRootObject(archivableAgain, &error);
    if (rearchived != archived) mismatch("a second encoding gives other bytes", text(archived) + "\n----\n" + text(rearchived));
    return 0;
}
