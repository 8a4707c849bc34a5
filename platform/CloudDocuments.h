#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/Object.h"
#include "foundation/Ref.h"

namespace mw {

// The platform's cloud documents as this desktop build offers them: each
// ubiquity container is a folder of the data folder ("Documents/Ubiquity/<id>"),
// and only the identifiers configured to resolve have one (none by default:
// the desktop has no cloud account). Document states and the conflict
// versions of a file are set from outside (tests script them as the cloud
// would). Main thread.
class CloudDocuments {
public:
    struct FileVersion {
        std::vector<uint8_t> contents;
        double modificationDate = 0; // seconds since 1970
        bool resolved = false;
    };

    static std::shared_ptr<CloudDocuments> sharedInstance();
    static std::shared_ptr<CloudDocuments> replaceSharedInstance(std::shared_ptr<CloudDocuments> service);

    // The container's folder (made on first use), or nullopt when the
    // identifier does not resolve.
    std::optional<std::string> urlForUbiquityContainerIdentifier(const std::string& identifier);
    void setResolvableContainers(std::vector<std::string> identifiers) { resolvable_ = std::move(identifiers); }

    // Conflict versions of the file at a path, in the order they arrived.
    void addConflictVersion(const std::string& path, std::vector<uint8_t> contents, double modificationDate);
    std::vector<FileVersion*> unresolvedConflictVersionsOfItemAtPath(const std::string& path);
    // Removes every version of the file but the current one.
    void removeOtherVersionsOfItemAtPath(const std::string& path);
    // Where a version's contents are read from when it is opened as a document.
    std::string versionPath(const std::string& path, const FileVersion& version) const;

    // What was asked of the service (the game's run must show none).
    int containerLookups = 0;
    int documentsOpened = 0;
    int metadataQueriesStarted = 0;

private:
    std::vector<std::string> resolvable_;
    std::vector<std::pair<std::string, std::unique_ptr<FileVersion>>> versions_;
};

// A document kept in a file of a container. open reads the file into the
// document, save writes the document's contents over its own file; their
// completions (success or not) run later on the main run loop.
class CloudDocument : public Object {
public:
    enum State { kNormal = 0, kClosed = 1, kInConflict = 2, kEditingDisabled = 8 };
    static constexpr const char* kStateChangedNotification = "UIDocumentStateChangedNotification";

    explicit CloudDocument(std::string path) : path_(std::move(path)) {}
    const std::string& path() const { return path_; }
    int documentState() const { return state_; }
    // The cloud moved the document to another state: observers of the
    // state notification (object = this document) are told at once.
    void setDocumentState(int state);

    void openWithCompletionHandler(std::function<void(bool success)> done);
    void saveWithCompletionHandler(std::function<void(bool success)> done);
    void closeWithCompletionHandler(std::function<void(bool success)> done);

protected:
    // The bytes to write; nullopt fails the save.
    virtual std::optional<std::vector<uint8_t>> contentsForType() = 0;
    // Takes the file's bytes; false fails the open.
    virtual bool loadFromContents(const std::vector<uint8_t>& contents) = 0;

private:
    std::string path_;
    int state_ = kClosed;
};

} // namespace mw
