#include "platform/Pasteboard.h"

#include <mutex>

#include "foundation/AtomicFile.h"
#include "foundation/GuardedPropertyList.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "foundation/PropertyList.h"

namespace mw {

namespace {

std::mutex gLock;
std::shared_ptr<Pasteboard>& installed()
{
    static std::shared_ptr<Pasteboard> store = std::make_shared<FilePasteboard>();
    return store;
}

// Every file pasteboard of the process reads and writes under one lock, so two
// threads never interleave a read-change-write of the same file.
std::mutex gFileLock;

// The pasteboard's values: a dictionary (empty when there is no file), or
// nothing when the file is there and cannot be read now.
std::optional<Value> readPasteboard(const std::string& path)
{
    std::optional<Value> contents;
    const GuardedRead read = readGuardedPropertyList(path, "Pasteboard: " + path,
        AtomicFile::kDefaultReadLimit, &Value::isDict, "it holds no dictionary", contents);
    if (read == GuardedRead::Unreadable) return std::nullopt;
    if (read == GuardedRead::Read) return contents;
    return Value::dictionary();
}

} // namespace

std::shared_ptr<Pasteboard> Pasteboard::sharedInstance()
{
    std::lock_guard<std::mutex> guard(gLock);
    return installed();
}

std::shared_ptr<Pasteboard> Pasteboard::replaceSharedInstance(std::shared_ptr<Pasteboard> store)
{
    std::lock_guard<std::mutex> guard(gLock);
    if (!store) store = std::make_shared<FilePasteboard>();
    std::swap(store, installed());
    return store;
}

std::string FilePasteboard::pathFor(const std::string& name) const
{
    const std::string file = name + ".pasteboard";
    return folder_.empty() ? Paths::documentsPath(file) : Paths::join(folder_, file);
}

std::optional<std::vector<uint8_t>> FilePasteboard::dataForType(const std::string& name,
                                                                const std::string& type)
{
    std::lock_guard<std::mutex> guard(gFileLock);
    const std::optional<Value> values = readPasteboard(pathFor(name));
    if (!values) return std::nullopt;
    const Value* value = values->asDict().find(type);
    if (!value || !value->isData()) return std::nullopt;
    return value->asData();
}

bool FilePasteboard::setDataForType(const std::string& name, const std::string& type,
                                    const std::vector<uint8_t>& data)
{
    std::lock_guard<std::mutex> guard(gFileLock);
    const std::string path = pathFor(name);
    std::optional<Value> values = readPasteboard(path);
    if (!values) return false;
    values->set(type, Value(data));
    std::string error;
    if (!writePropertyListFile(path, *values, &error)) {
        logLine("Pasteboard: cannot write %s (%s)", path.c_str(), error.c_str());
        return false;
    }
    return true;
}

} // namespace mw
