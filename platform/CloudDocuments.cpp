#include "platform/CloudDocuments.h"

#include <algorithm>
#include <mutex>

#include "foundation/AtomicFile.h"
#include "foundation/Format.h"
#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Paths.h"
#include "foundation/RunLoop.h"

namespace mw {

namespace {

std::mutex& slotLock()
{
    static std::mutex* lock = new std::mutex();
    return *lock;
}

std::shared_ptr<CloudDocuments>& slot()
{
    static auto* service = new std::shared_ptr<CloudDocuments>();
    return *service;
}

} // namespace

std::shared_ptr<CloudDocuments> CloudDocuments::sharedInstance()
{
    std::lock_guard<std::mutex> lock(slotLock());
    if (!slot()) slot() = std::make_shared<CloudDocuments>();
    return slot();
}

std::shared_ptr<CloudDocuments> CloudDocuments::replaceSharedInstance(std::shared_ptr<CloudDocuments> service)
{
    std::lock_guard<std::mutex> lock(slotLock());
    auto previous = slot();
    slot() = std::move(service);
    return previous;
}

std::optional<std::string> CloudDocuments::urlForUbiquityContainerIdentifier(const std::string& identifier)
{
    ++containerLookups;
    if (std::find(resolvable_.begin(), resolvable_.end(), identifier) == resolvable_.end()) return std::nullopt;
    const std::string folder = Paths::join(Paths::documentsDirectory(), "Ubiquity/" + identifier);
    if (!Paths::createDirectories(folder)) {
        logLine("Cloud documents: the container folder %s cannot be made", folder.c_str());
        return std::nullopt;
    }
    return folder;
}

void CloudDocuments::addConflictVersion(const std::string& path, std::vector<uint8_t> contents, double modificationDate)
{
    auto version = std::make_unique<FileVersion>();
    version->contents = std::move(contents);
    version->modificationDate = modificationDate;
    FileVersion& added = *version;
    versions_.emplace_back(path, std::move(version));
    std::string error;
    const std::string copy = versionPath(path, added);
    if (!AtomicFile::write(copy, added.contents.data(), added.contents.size(), &error))
        logLine("Cloud documents: version %s not written (%s)", copy.c_str(), error.c_str());
}

std::vector<CloudDocuments::FileVersion*>
CloudDocuments::unresolvedConflictVersionsOfItemAtPath(const std::string& path)
{
    std::vector<FileVersion*> found;
    for (auto& [file, version] : versions_)
        if (file == path && !version->resolved) found.push_back(version.get());
    return found;
}

void CloudDocuments::removeOtherVersionsOfItemAtPath(const std::string& path)
{
    for (auto& [file, version] : versions_)
        if (file == path) std::remove(versionPath(file, *version).c_str());
    std::erase_if(versions_, [&](const auto& entry) { return entry.first == path; });
}

std::string CloudDocuments::versionPath(const std::string& path, const FileVersion& version) const
{
    return format("%s.version-%p", path.c_str(), static_cast<const void*>(&version));
}

void CloudDocument::setDocumentState(int state)
{
    state_ = state;
    NotificationCenter::defaultCenter().postNotification(kStateChangedNotification, this);
}

void CloudDocument::openWithCompletionHandler(std::function<void(bool)> done)
{
    if (auto service = CloudDocuments::sharedInstance()) ++service->documentsOpened;
    Ref<CloudDocument> self(this);
    RunLoop::main().perform([self, done = std::move(done)] {
        std::vector<uint8_t> bytes;
        std::string error;
        bool ok = Paths::fileExists(self->path_) && AtomicFile::read(self->path_, bytes, &error) &&
            self->loadFromContents(bytes);
        if (ok) self->state_ = kNormal;
        if (done) done(ok);
    });
}

void CloudDocument::saveWithCompletionHandler(std::function<void(bool)> done)
{
    Ref<CloudDocument> self(this);
    RunLoop::main().perform([self, done = std::move(done)] {
        std::optional<std::vector<uint8_t>> bytes = self->contentsForType();
        std::string error;
        bool ok = bytes && AtomicFile::write(self->path_, bytes->data(), bytes->size(), &error);
        if (!ok) logLine("Cloud documents: %s not saved (%s)", self->path_.c_str(), error.c_str());
        if (ok && self->state_ == kClosed) self->state_ = kNormal;
        if (done) done(ok);
    });
}

void CloudDocument::closeWithCompletionHandler(std::function<void(bool)> done)
{
    Ref<CloudDocument> self(this);
    RunLoop::main().perform([self, done = std::move(done)] {
        self->state_ = kClosed;
        if (done) done(true);
    });
}

} // namespace mw
