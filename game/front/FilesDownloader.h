#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "game/front/SingleFileDownloader.h"

namespace mw {

// Fetches a list of names from one base address ("<base><name>") into the
// caches folder: first it learns every file's size, one after the other, then
// downloads them one after the other, and tells its listener of sizes, the end
// and the first failure (after cancelling itself). Cancelling, or destroying
// the batch, also deletes the temporary files of downloaders it made and had
// not started yet. Main thread.
class FilesDownloader : public Object, public SingleFileDownloaderDelegate {
public:
    enum Status { kIdle = 0, kCheckingSizes = 1, kDownloading = 2, kCancelled = 3, kComplete = 4 };

    [[nodiscard]] static Ref<FilesDownloader> downloaderWithFiles(std::vector<std::string> filenames,
                                                                  std::string sourcePath);
    FilesDownloader(std::vector<std::string> filenames, std::string sourcePath);
    ~FilesDownloader() override;

    void start();
    void cancel();

    uint64_t totalContentLength() const;
    uint64_t totalContentDownloaded() const;
    float totalPercentsDone() const;
    Status status() const { return status_; }
    const std::vector<uint32_t>& fileSizes() const { return fileSizes_; }

    std::string sourcePath;
    // The batch's listener (not owned; null for none).
    SingleFileDownloaderDelegate* delegate = nullptr;

    void downloadSizeUpdated(Object* sender) override;
    void downloadFinished(Object* sender) override;
    void downloadFailedWithError(Object* sender, const std::string& message) override;

private:
    std::vector<Ref<SingleFileDownloader>> makeDownloaders();
    void nextSize();
    void beginDownload();
    static void cancelAll(std::vector<Ref<SingleFileDownloader>>& downloaders);
    SingleFileDownloader* current() const;

    std::vector<std::string> filenames_;
    std::vector<Ref<SingleFileDownloader>> sizeCheckers_;
    std::vector<Ref<SingleFileDownloader>> fileDownloaders_;
    Status status_ = kIdle;
    int32_t curFile_ = 0;
    std::vector<uint32_t> fileSizes_;
};

} // namespace mw
