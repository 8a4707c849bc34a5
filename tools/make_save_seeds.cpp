// Writes the seeds of the save file's fuzz target (fuzz/corpus/save_file)
// from a new game's save, in pieces of a few kilobytes each:
//   build/test/make_save_seeds <a new game's supersave.plist> fuzz/corpus/save_file
// (the save benchmark leaves one in $MOSSWICK_HOME's documents folder).
//
// new_game.plist is the save without its tables, as a whole file (with its
// check line), and new_game_body.plist its property list alone; each
// table_<name>.plist is a save holding one table with its first two
// records, with no check line (a missing table reads as an empty one). Lists
// keep their first four items. The whole game's save runs to tens of
// kilobytes, and every input the fuzzer derives from a seed that size parses
// and checks all of it; pieces reach the same tables, entries and checks at
// a fraction of the cost, and the fuzzer's cross-overs join them.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "foundation/PropertyList.h"
#include "foundation/Value.h"
#include "game/state/SaveFile.h"

namespace {

constexpr size_t kRecordsKept = 2;
constexpr size_t kItemsKept = 4;

void keepFirst(mw::Value& list, size_t count)
{
    if (mw::Value::Array* items = list.mutableArray(); items && items->size() > count) items->resize(count);
}

// A table entry (a keyed archive's bytes) with each table in it cut to its
// first records; the keys and the objects of a dictionary stay in step. Any
// other data comes back as it is.
mw::Value cutTable(const mw::Value& entry)
{
    const mw::Value::Bytes& bytes = entry.asData();
    std::optional<mw::Value> archive = mw::readPropertyList(bytes.data(), bytes.size());
    if (!archive || !archive->contains("$archiver") || !(*archive)["$top"].isDict()) return entry;
    mw::Value top = (*archive)["$top"];
    mw::Value::Dictionary cutTop;
    for (const auto& [name, table] : top.asDict()) {
        mw::Value cut = table;
        for (const char* list : {"NS.keys", "NS.objects"}) {
            if (mw::Value* items = cut.mutableDict() ? cut.mutableDict()->find(list) : nullptr) {
                keepFirst(*items, kRecordsKept);
            }
        }
        cutTop.set(name, std::move(cut));
    }
    archive->set("$top", mw::Value(std::move(cutTop)));
    const std::string text = mw::writePropertyList(*archive);
    return text.empty() ? entry : mw::Value(mw::Value::Bytes(text.begin(), text.end()));
}

bool writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return !bytes.empty() && out.good();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_save_seeds <supersave.plist> <folder>\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string error;
    const std::optional<mw::Value> save = mw::SaveFile::decode(file.data(), file.size(), &error);
    if (!save) {
        std::fprintf(stderr, "make_save_seeds: %s is no save: %s\n", argv[1], error.c_str());
        return 1;
    }
    const std::string folder = argv[2];
    bool ok = true;
    mw::Value::Dictionary plain;
    for (const auto& [key, value] : save->asDict()) {
        if (value.isData()) {
            const mw::Value table = mw::Value::dictionary({{key, cutTable(value)}});
            ok = writeFile(folder + "/table_" + key + ".plist", mw::writePropertyList(table)) && ok;
            continue;
        }
        mw::Value entry = value;
        keepFirst(entry, kItemsKept);
        plain.set(key, std::move(entry));
    }
    const std::string whole = mw::SaveFile::encode(mw::Value(std::move(plain)), &error);
    if (whole.empty()) {
        std::fprintf(stderr, "make_save_seeds: the cut save cannot be written: %s\n", error.c_str());
        return 1;
    }
    // The property list alone reaches the entries without the check line,
    // which the fuzzer's changes break at once.
    const std::string body = whole.substr(0, whole.rfind("<!--"));
    ok = writeFile(folder + "/new_game.plist", whole) && ok;
    ok = writeFile(folder + "/new_game_body.plist", body) && ok;
    return ok ? 0 : 1;
}
