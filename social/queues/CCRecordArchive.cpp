#include "social/queues/CCRecordArchive.h"

#include <atomic>
#include <mutex>
#include <optional>
#include <thread>

#include "foundation/AtomicFile.h"
#include "foundation/KeyedArchive.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "foundation/PropertyList.h"
#include "foundation/RunLoop.h"
#include "social/data/CCLumoraLog.h"
#include "social/queues/records/CCServerRecords.h"
#include "foundation/GuardedFileRead.h"

namespace mw {

namespace {

// A queue of requests waiting to be sent: a file far larger is no queue of ours.
constexpr size_t kLargestQueue = size_t(16) << 20;

constexpr const char* kRootKey = "root";

// What a record writes into its archive, taken once on the main thread: the
// same fields under the same class name, so the file reads back as records.
class ArchivedRecord : public Object, public Archivable {
public:
    ArchivedRecord(std::string className, std::string envelope, std::optional<Value::Bytes> image,
                   std::optional<Value::Bytes> post)
        : className_(std::move(className)), envelope_(std::move(envelope)), image_(std::move(image)),
          post_(std::move(post))
    {
    }
    std::string className() const override { return className_; }
    void encodeWithCoder(KeyedArchiver& coder) const override
    {
        coder.encodeString(CCAbstractServerData::kArchiveKey, envelope_);
        if (image_) coder.encodeData(CCAbstractServerData::kArchiveImageKey, *image_);
        if (post_) coder.encodeData(CCAbstractServerData::kArchivePostKey, *post_);
    }
    bool initWithCoder(KeyedUnarchiver&) override { return false; }

private:
    std::string className_;
    std::string envelope_;
    std::optional<Value::Bytes> image_;
    std::optional<Value::Bytes> post_;
};

} // namespace

namespace RecordArchive {

Snapshot snapshot(const std::vector<Ref<CCAbstractServerData>>& records, const char* label)
{
    Snapshot taken;
    taken.label = label;
    taken.entries.reserve(records.size());
    for (const Ref<CCAbstractServerData>& record : records) {
        if (!record) continue;
        Ref<CCAbstractServerData> copy = CCAbstractServerData::recordForDataType(record->dataType());
        // A record of no known kind keeps its envelope's fields all the same.
        if (!copy) copy = Ref<CCAbstractServerData>(makeRef<CCNullPost>());
        copy->setDataType(record->dataType());
        copy->setUrl(record->url());
        copy->setDoNotCacheOverride(record->doNotCacheOverride());
        copy->setFetchPriority(record->fetchPriority());
        copy->setMainData(record->mainData());
        copy->setTimeStamp(record->timeStamp());
        copy->setPostData(record->postData());
        Snapshot::Entry entry{record->className(), copy, std::nullopt};
        if (record->image() && !record->receivedData().empty()) entry.image = record->receivedData();
        taken.entries.push_back(std::move(entry));
    }
    return taken;
}

namespace {

std::string textOf(const Snapshot& snapshot, std::string* error)
{
    ArchiveItem::Items items;
    items.reserve(snapshot.entries.size());
    for (const Snapshot::Entry& entry : snapshot.entries) {
        std::optional<std::string> envelope = entry.copy->JSONRepresentationWithInternal(true);
        if (!envelope) {
            logLine("%s%s: the record for \"%s\" cannot be written; left out of the file", kLumoraError,
                    snapshot.label.c_str(), entry.copy->url().c_str());
            continue;
        }
        items.emplace_back(makeRef<ArchivedRecord>(entry.className, std::move(*envelope), entry.image,
                                                   entry.copy->postData()));
    }
    KeyedArchiver archiver;
    archiver.encodeItem(kRootKey, ArchiveItem::array(std::move(items)));
    const Value value = archiver.archiveValue(error);
    if (value.isNull()) return {};
    return writePropertyList(value, error);
}

} // namespace

bool write(const Snapshot& snapshot, const std::string& path, std::string* error)
{
    std::string reason;
    const std::string text = textOf(snapshot, &reason);
    if (text.empty()) {
        logLine("%s%s not written: %s", kLumoraError, path.c_str(), reason.c_str());
        if (error) *error = reason;
        return false;
    }
    return AtomicFile::write(path, text, error);
}

std::vector<uint8_t> encode(const std::vector<Ref<CCAbstractServerData>>& records)
{
    const std::string text = textOf(snapshot(records, "archive"), nullptr);
    return std::vector<uint8_t>(text.begin(), text.end());
}

bool decode(const uint8_t* data, size_t size, std::vector<Ref<CCAbstractServerData>>& records, const char* label,
            std::string* error)
{
    records.clear();
    KeyedUnarchiver unarchiver(data, size);
    if (!unarchiver.containsValueForKey(kRootKey)) {
        if (error) *error = unarchiver.ok() ? "the archive holds no root" : unarchiver.error();
        return false;
    }
    const ArchiveItem root = unarchiver.decodeItem(kRootKey);
    if (root.kind() != ArchiveItem::Kind::Array) {
        if (error) *error = "the root is no array of records";
        return false;
    }
    for (const ArchiveItem& item : root.items()) {
        Ref<CCAbstractServerData> record = item.objectAs<CCAbstractServerData>();
        if (!record) {
            logLine("%s%s: an entry that is no record was dropped", kLumoraError, label);
            continue;
        }
        records.push_back(std::move(record));
    }
    return true;
}

ReadOutcome readFile(const std::string& path, std::vector<Ref<CCAbstractServerData>>& records, const char* label,
                     std::string* movedTo)
{
    records.clear();
    const ReadOutcome outcome = readGuardedFile(
        path, std::string(kLumoraError) + label, kLargestQueue,
        [&](const std::vector<uint8_t>& bytes, std::string* error) {
            return decode(bytes.data(), bytes.size(), records, label, error);
        },
        movedTo);
    if (outcome != ReadOutcome::Read) records.clear();
    return outcome;
}

} // namespace RecordArchive

namespace {

std::mutex gHookLock;
std::function<void()>& writeHook()
{
    static std::function<void()>* const hook = new std::function<void()>();
    return *hook;
}

} // namespace

struct RecordFileWriter::State {
    std::mutex fileLock;
    uint64_t writtenGeneration = 0; // under fileLock
    std::atomic<size_t> writes{0};
    std::atomic<bool> alive{true};

    bool write(const RecordArchive::Snapshot& snapshot, uint64_t generation, const std::string& path)
    {
        std::lock_guard guard(fileLock);
        if (generation <= writtenGeneration) return true;
        std::function<void()> hook;
        {
            std::lock_guard hookGuard(gHookLock);
            hook = writeHook();
        }
        if (hook) hook();
        if (!RecordArchive::write(snapshot, path)) return false;
        writtenGeneration = generation;
        writes.fetch_add(1);
        return true;
    }
};

RecordFileWriter::RecordFileWriter() : state_(std::make_shared<State>()) {}

RecordFileWriter::~RecordFileWriter() { state_->alive = false; }

bool RecordFileWriter::writeNow(const RecordArchive::Snapshot& snapshot, uint64_t generation, const std::string& path)
{
    return state_->write(snapshot, generation, path);
}

void RecordFileWriter::writeInBackground(RecordArchive::Snapshot snapshot, uint64_t generation, std::string path,
                                         std::function<void(uint64_t, bool)> done)
{
    std::thread([state = state_, snapshot = std::move(snapshot), generation, path = std::move(path),
                 done = std::move(done)]() mutable {
        const bool ok = state->write(snapshot, generation, path);
        snapshot = RecordArchive::Snapshot();
        RunLoop::performOnMain([state, generation, ok, done = std::move(done)] {
            if (state->alive && done) done(generation, ok);
        });
    }).detach();
}

size_t RecordFileWriter::writeCount() const { return state_->writes.load(); }

void RecordFileWriter::setWriteHook(std::function<void()> hook)
{
    std::lock_guard guard(gHookLock);
    writeHook() = std::move(hook);
}

} // namespace mw
