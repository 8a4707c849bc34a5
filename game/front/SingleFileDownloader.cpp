#include "game/front/SingleFileDownloader.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <unistd.h>

#include "foundation/Log.h"
#include "foundation/Paths.h"

namespace mw {

Ref<SingleFileDownloader> SingleFileDownloader::fileDownloaderWithSourcePath(const std::string& sourcePath,
                                                                            const std::string& targetFilename,
                                                                            SingleFileDownloaderDelegate* delegate)
{
    return makeRef<SingleFileDownloader>(sourcePath, targetFilename, delegate);
}

SingleFileDownloader::SingleFileDownloader(std::string sourcePath, std::string targetFilename,
                                           SingleFileDownloaderDelegate* delegate)
    : filename_(std::move(targetFilename)), sourcePath_(std::move(sourcePath)), delegate_(delegate)
{
    if (!isSafeFilename(filename_)) {
        logLine("Downloader: refusing the name \"%s\"", filename_.c_str());
        return;
    }
    const std::string tmp = tmpPathWithFilename(filename_);
    if (checkTargetDirectory(tmp)) file_ = std::fopen(tmp.c_str(), "wb");
}

SingleFileDownloader::~SingleFileDownloader() { cancelDownload(); }

std::string SingleFileDownloader::destinationDirectoryPath() { return Paths::cachesDirectory(); }

std::string SingleFileDownloader::tmpPathWithFilename(const std::string& filename)
{
    return destinationDirectoryPath() + "/" + filename + tmpSuffix();
}

std::string SingleFileDownloader::targetPath() const { return destinationDirectoryPath() + "/" + filename_; }

bool SingleFileDownloader::isSafeFilename(const std::string& filename)
{
    if (filename.empty() || filename.front() == '/') return false;
    size_t start = 0;
    while (start <= filename.size()) {
        size_t end = filename.find('/', start);
        if (end == std::string::npos) end = filename.size();
        if (filename.compare(start, end - start, "..") == 0 && end - start == 2) return false;
        start = end + 1;
    }
    return true;
}

bool SingleFileDownloader::checkTargetDirectory(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0) return true;
    const std::string parent = path.substr(0, slash);
    size_t at = 0;
    while (at != std::string::npos) {
        at = parent.find('/', at + 1);
        const std::string folder = parent.substr(0, at);
        struct stat info {};
        if (::stat(folder.c_str(), &info) != 0 && ::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) {
            logLine("Downloader: cannot create the folder %s: %s", folder.c_str(), std::strerror(errno));
            return false;
        }
        // Whatever stands in the way is the player's or another program's:
        // it stays, and the download fails.
        if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
            logLine("Downloader: %s is in the way of a folder; nothing is written", folder.c_str());
            return false;
        }
    }
    return true;
}

void SingleFileDownloader::startDownload()
{
    if (!isSafeFilename(filename_)) {
        if (delegate_) delegate_->downloadFailedWithError(this, "Can't create file");
        return;
    }
    struct stat info {};
    if (::stat(targetPath().c_str(), &info) == 0) {
        foundPresent_ = true;
        cancelDownload();
        bytesTotal_ = bytesReceived_ = static_cast<uint32_t>(info.st_size);
        if (delegate_) delegate_->downloadSizeUpdated(this);
        if (delegate_) delegate_->downloadFinished(this);
        return;
    }
    if (!file_) {
        if (delegate_) delegate_->downloadFailedWithError(this, "Can't create file");
        return;
    }
    HTTPRequest request;
    request.url = sourcePath_;
    request.timeoutSeconds = 15;
    connection_ = HTTPTransport::sharedInstance()->start(request, this);
    if (!connection_) {
        if (delegate_) delegate_->downloadFailedWithError(this, "Can't open connection");
        return;
    }
    downloading_ = true;
}

void SingleFileDownloader::cancelDownload()
{
    if (connection_) connection_->cancel();
    connection_.reset();
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
        ::unlink(tmpPathWithFilename(filename_).c_str());
    }
    downloading_ = false;
}

void SingleFileDownloader::fail(const std::string& message)
{
    Ref<SingleFileDownloader> keep(this); // the listener may let go of it
    cancelDownload();
    if (delegate_) delegate_->downloadFailedWithError(this, message);
}

void SingleFileDownloader::didReceiveResponse(HTTPConnection&, const HTTPResponse& response)
{
    if (response.status < 200 || response.status > 299) {
        fail("Connection Error"); // an error page is not the file
        return;
    }
    bytesReceived_ = 0;
    const bool known = response.expectedLength >= 0;
    bytesTotal_ = known ? static_cast<uint32_t>(response.expectedLength) : kUnknownLength;
    if (known) {
        std::optional<uint64_t> space = freeSpaceOfFolder(destinationDirectoryPath());
        if (space && *space != 0 && *space < (uint64_t(1) << 32) && bytesTotal_ >= *space) {
            fail("Not enough space");
            return;
        }
    }
    if (delegate_) delegate_->downloadSizeUpdated(this);
}

void SingleFileDownloader::didReceiveData(HTTPConnection&, const uint8_t* bytes, size_t count)
{
    bytesReceived_ += static_cast<uint32_t>(count);
    if (file_ && std::fwrite(bytes, 1, count, file_) != count) fail("Can't create file");
}

void SingleFileDownloader::didRedirect(HTTPConnection&, int, const std::string&) { fail("Unhandled redirect"); }

void SingleFileDownloader::didFail(HTTPConnection&, const std::string&) { fail("Connection Error"); }

void SingleFileDownloader::didFinish(HTTPConnection&)
{
    Ref<SingleFileDownloader> keep(this);
    std::string error;
    const std::string tmp = tmpPathWithFilename(filename_);
    bool moved = false;
    if (file_ && std::fflush(file_) == 0) {
        std::fclose(file_);
        file_ = nullptr;
        moved = std::rename(tmp.c_str(), targetPath().c_str()) == 0;
        if (!moved) {
            error = std::strerror(errno);
            ::unlink(tmp.c_str());
        }
    } else {
        error = "The file could not be written.";
    }
    cancelDownload();
    if (moved) {
        if (delegate_) delegate_->downloadFinished(this);
    } else if (delegate_) {
        delegate_->downloadFailedWithError(this, error);
    }
}

} // namespace mw
