#include "game/front/FilesDownloader.h"

namespace mw {

Ref<FilesDownloader> FilesDownloader::downloaderWithFiles(std::vector<std::string> filenames, std::string sourcePath)
{
    return makeRef<FilesDownloader>(std::move(filenames), std::move(sourcePath));
}

FilesDownloader::FilesDownloader(std::vector<std::string> filenames, std::string base)
    : sourcePath(std::move(base)), filenames_(std::move(filenames)), fileSizes_(filenames_.size(), 0)
{
}

FilesDownloader::~FilesDownloader()
{
    cancel();
    delegate = nullptr;
}

std::vector<Ref<SingleFileDownloader>> FilesDownloader::makeDownloaders()
{
    std::vector<Ref<SingleFileDownloader>> made;
    for (const std::string& name : filenames_)
        made.push_back(SingleFileDownloader::fileDownloaderWithSourcePath(sourcePath + name, name, this));
    return made;
}

SingleFileDownloader* FilesDownloader::current() const
{
    const auto& list = status_ == kCheckingSizes ? sizeCheckers_ : fileDownloaders_;
    if (curFile_ < 0 || static_cast<size_t>(curFile_) >= list.size()) return nullptr;
    return list[curFile_].get();
}

void FilesDownloader::start()
{
    if (status_ != kIdle) return;
    status_ = kCheckingSizes;
    sizeCheckers_ = makeDownloaders();
    curFile_ = 0;
    nextSize();
}

void FilesDownloader::nextSize()
{
    if (static_cast<size_t>(curFile_) >= sizeCheckers_.size()) {
        cancelAll(sizeCheckers_);
        sizeCheckers_.clear();
        beginDownload();
        return;
    }
    Ref<FilesDownloader> keep(this);
    sizeCheckers_[curFile_]->startDownload();
}

void FilesDownloader::beginDownload()
{
    status_ = kDownloading;
    fileDownloaders_ = makeDownloaders();
    curFile_ = 0;
    if (fileDownloaders_.empty()) {
        status_ = kComplete;
        if (delegate) delegate->downloadFinished(this);
        return;
    }
    fileDownloaders_[0]->startDownload();
}

void FilesDownloader::downloadSizeUpdated(Object* sender)
{
    SingleFileDownloader* checker = current();
    if (!checker || sender != checker) return; // a late word from one already done with
    fileSizes_[curFile_] = checker->contentLength();
    if (status_ == kCheckingSizes && !checker->foundPresent()) {
        // Only the answer's head was wanted.
        checker->cancelDownload();
        ++curFile_;
        nextSize();
    }
}

void FilesDownloader::downloadFinished(Object* sender)
{
    SingleFileDownloader* finished = current();
    if (!finished || sender != finished) return;
    if (status_ == kCheckingSizes) {
        // A file already present answers size and end at once: it counts once.
        fileSizes_[curFile_] = finished->contentLength();
        ++curFile_;
        nextSize();
        return;
    }
    if (status_ != kDownloading) return;
    ++curFile_;
    if (static_cast<size_t>(curFile_) < fileDownloaders_.size()) {
        Ref<FilesDownloader> keep(this);
        fileDownloaders_[curFile_]->startDownload();
        return;
    }
    status_ = kComplete;
    if (delegate) delegate->downloadFinished(this);
}

void FilesDownloader::downloadFailedWithError(Object*, const std::string& message)
{
    Ref<FilesDownloader> keep(this);
    cancel();
    if (delegate) delegate->downloadFailedWithError(this, message);
}

void FilesDownloader::cancelAll(std::vector<Ref<SingleFileDownloader>>& downloaders)
{
    // Those not started yet hold temporary files too.
    for (auto& downloader : downloaders) downloader->cancelDownload();
}

void FilesDownloader::cancel()
{
    if (status_ == kCheckingSizes) {
        cancelAll(sizeCheckers_);
        sizeCheckers_.clear();
    } else if (status_ == kDownloading) {
        cancelAll(fileDownloaders_);
        fileDownloaders_.clear();
    } else {
        return;
    }
    status_ = kCancelled;
}

uint64_t FilesDownloader::totalContentLength() const
{
    if (status_ != kDownloading && status_ != kComplete) return 0;
    uint64_t total = 0;
    for (uint32_t size : fileSizes_) total += size;
    return total;
}

uint64_t FilesDownloader::totalContentDownloaded() const
{
    if (status_ != kDownloading && status_ != kComplete) return 0;
    uint64_t total = 0;
    for (const auto& downloader : fileDownloaders_) total += downloader->contentDownloaded();
    return total;
}

float FilesDownloader::totalPercentsDone() const
{
    const uint64_t length = totalContentLength();
    if (length == 0) return 0;
    return 100.0f * static_cast<float>(totalContentDownloaded()) / static_cast<float>(length);
}

} // namespace mw
