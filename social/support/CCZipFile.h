#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace mw {

// What a zip file's user may answer. Optional operations: respondsTo() says
// which ones the delegate has; without one, messages are dropped and
// overwriting is allowed.
class CCZipFileDelegate {
public:
    enum : unsigned { kErrorMessage = 1u << 0, kOverWriteOperation = 1u << 1 };
    virtual ~CCZipFileDelegate() = default;
    virtual unsigned respondsTo() const = 0;
    // Why the last operation failed.
    virtual void ErrorMessage(const std::string& message) {}
    // Whether the existing file at the path may be replaced.
    virtual bool OverWriteOperation(const std::string& path) { return true; }
};

// Reads and writes zip archives through minizip. One archive open for
// writing and one for reading at a time; both close on destruction.
//
// Extraction is safe against hostile archives: an entry name that is
// absolute, has a drive prefix or a ".." component (backslashes read as "/")
// is refused with "Unsafe entry name", so nothing is written outside the
// target folder. An entry is written to a temporary file beside its target
// and renamed over it only once it was read to its end with a correct
// checksum, so a failure leaves no partial file. Extracted files take the
// entry's date and time fields (local time) unless those are zero.
//
// Reading costs a bounded number of file operations: the library looks at
// an entry's extra field record by record, a seek and a read each, so an
// archive with long extra fields could cost hundreds of thousands of system
// calls at every walk of its directory. UnzipOpenFile walks the directory
// once within kMostDirectoryCalls reads, seeks and tells, and refuses an
// archive that needs more (with kDirectoryTooCostly); every later walk (a
// lookup by name, a whole extraction) does that same work again.
class CCZipFile {
public:
    // A theme of a few hundred entries takes about a third of this.
    static constexpr size_t kMostDirectoryCalls = size_t(1) << 15;
    static constexpr const char* kDirectoryTooCostly = "Archive directory too costly to read";

    CCZipFile();
    ~CCZipFile();
    CCZipFile(const CCZipFile&) = delete;
    CCZipFile& operator=(const CCZipFile&) = delete;

    // Writing. A new archive at the path (an existing file is replaced).
    [[nodiscard]] bool CreateZipFile2(const std::string& path);
    // Adds the file's contents under `newName` (deflated, with the file's
    // modification time as the entry's date). False without an open archive
    // or when the file cannot be read.
    [[nodiscard]] bool addFileToZip(const std::string& file, const std::string& newName);
    // Finishes the archive; false when none was open or it cannot be finished.
    bool CloseZipFile2();

    // Reading. False when the archive cannot be opened, or when its
    // directory costs more than kMostDirectoryCalls to walk.
    [[nodiscard]] bool UnzipOpenFile(const std::string& path);
    // Extracts every entry into the folder; with `overWrite` existing files
    // are replaced without asking. Stops at the first entry that fails.
    [[nodiscard]] bool UnzipFileTo(const std::string& folder, bool overWrite);
    // Extracts one entry, looked up by its name in the archive (with or
    // without regard to case). False at once when it is not there; false
    // when the file exists and the delegate refuses to overwrite it.
    [[nodiscard]] bool UnzipSpecifiedFile(const std::string& name, const std::string& folder,
                                          bool caseSensitive);
    // Whether the open archive has an entry of that name (with or without
    // regard to case); false when none is open.
    [[nodiscard]] bool hasEntry(const std::string& name, bool caseSensitive);
    // The first entry's name without its slashes when that entry is a
    // folder; otherwise "" (with "Root directory not found").
    std::string rootDirectory();
    // True also when no archive was open.
    bool UnzipCloseFile();
    // Reads, seeks and tells made on the archive open for reading (or the
    // last one refused) since it was opened; those refused at the cap are
    // not made and not counted.
    size_t readerCalls() const;

    // Not owned; must outlive its use here.
    CCZipFileDelegate* delegate() const { return delegate_; }
    void setDelegate(CCZipFileDelegate* delegate) { delegate_ = delegate; }

private:
    bool extractCurrentEntry(const std::string& folder, bool overwriteAll, bool wholeArchive);
    void OutputErrorMessage(const std::string& message) const;
    bool OverWrite(const std::string& path) const;

    void* zipFile_ = nullptr; // minizip writer handle
    struct ReaderFile;
    void* unzFile_ = nullptr; // minizip reader handle
    // The reader's file functions and their count; kept after a close or a
    // refusal for readerCalls().
    std::unique_ptr<ReaderFile> readerFile_;
    CCZipFileDelegate* delegate_ = nullptr;
};

} // namespace mw
