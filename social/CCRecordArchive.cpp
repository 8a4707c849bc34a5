#include "social/CCRecordArchive.h"

#include <optional>

#include "foundation/AtomicFile.h"
#include "foundation/KeyedArchive.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "foundation/PropertyList.h"
#include "social/CCLumoraLog.h"

namespace mw {

namespace {

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

Value snapshot(const std::vector<Ref<CCAbstractServerData>>& records, const char* label)
{
    ArchiveItem::Items items;
    items.reserve(records.size());
    for (const Ref<CCAbstractServerData>& record : records) {
        if (!record) continue;
        std::optional<std::string> envelope = record->JSONRepresentationWithInternal(true);
        if (!envelope) {
            logLine("%s%s: the record for \"%s\" cannot be written; left out of the file", kLumoraError, label,
                    record->url().c_str());
            continue;
        }
        std::optional<Value::Bytes> image;
        if (record->image() && !record->receivedData().empty()) image = record->receivedData();
        items.emplace_back(makeRef<ArchivedRecord>(record->className(), std::move(*envelope), std::move(image),
                                                   record->postData()));
    }
    KeyedArchiver archiver;
    archiver.encodeItem(kRootKey, ArchiveItem::array(std::move(items)));
    return archiver.archiveValue();
}

bool write(const Value& snapshot, const std::string& path, std::string* error)
{
    if (snapshot.isNull()) {
        if (error) *error = "nothing to write";
        return false;
    }
    std::string reason;
    const std::string text = writePropertyList(snapshot, &reason);
    if (text.empty()) {
        logLine("%s%s not written: %s", kLumoraError, path.c_str(), reason.c_str());
        if (error) *error = reason;
        return false;
    }
    return AtomicFile::write(path, text, error);
}

std::vector<uint8_t> encode(const std::vector<Ref<CCAbstractServerData>>& records)
{
    const Value value = snapshot(records, "archive");
    const std::string text = value.isNull() ? std::string() : writePropertyList(value);
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
    if (movedTo) movedTo->clear();
    if (!Paths::fileExists(path)) return ReadOutcome::NoFile;
    std::vector<uint8_t> bytes;
    std::string error;
    if (!AtomicFile::read(path, bytes, &error)) {
        logLine("%s%s cannot be read (%s); it is left as it is and not written this run", kLumoraError, label,
                error.c_str());
        return ReadOutcome::Unreadable;
    }
    if (decode(bytes.data(), bytes.size(), records, label, &error)) return ReadOutcome::Read;
    records.clear();
    const std::string moved = AtomicFile::moveAside(path);
    if (moved.empty()) {
        // Still in the way: keep it, and keep every write off it.
        logLine("%s%s is no queue (%s) and could not be moved aside; it is not written this run", kLumoraError,
                label, error.c_str());
        return ReadOutcome::Unreadable;
    }
    logLine("%s%s is no queue (%s); moved to %s, starting empty", kLumoraError, label, error.c_str(),
            moved.c_str());
    if (movedTo) *movedTo = moved;
    return ReadOutcome::MovedAside;
}

} // namespace RecordArchive

} // namespace mw
