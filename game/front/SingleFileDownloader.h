#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "platform/HTTPTransport.h"

namespace mw {

// Hears how a download goes. `sender` is the downloader (a single file's or
// a batch) that reports. Every operation is optional.
class SingleFileDownloaderDelegate {
public:
    virtual ~SingleFileDownloaderDelegate() = default;
    virtual void downloadSizeUpdated(Object* /*sender*/) {}
    virtual void downloadFinished(Object* /*sender*/) {}
    virtual void downloadFailedWithError(Object* /*sender*/, const std::string& /*message*/) {}
};

// Fetches one file from a full address into the caches folder under a
// relative name, writing "<name>.tmp" beside the target first and moving it
// into place at the end. A target already present is never fetched again.
// The temporary file is made when the downloader is; it is gone again once
// the download finished, failed or was cancelled (and when the downloader
// goes). A name that is absolute or climbs with ".." is refused before
// anything is made. Main thread.
class SingleFileDownloader : public Object, public HTTPConnectionDelegate {
public:
    static constexpr uint32_t kUnknownLength = 4294967295u;

    [[nodiscard]] static Ref<SingleFileDownloader> fileDownloaderWithSourcePath(const std::string& sourcePath,
                                                                                const std::string& targetFilename,
                                                                                SingleFileDownloaderDelegate* delegate);
    SingleFileDownloader(std::string sourcePath, std::string targetFilename, SingleFileDownloaderDelegate* delegate);
    ~SingleFileDownloader() override;

    static std::string destinationDirectoryPath();
    static std::string tmpSuffix() { return ".tmp"; }
    static std::string tmpPathWithFilename(const std::string& filename);
    // Whether a relative name stays inside the caches folder.
    static bool isSafeFilename(const std::string& filename);
    // Makes every missing folder of the path's parent; false when one cannot
    // be made or something other than a folder stands where one is needed
    // (it is left as it is).
    static bool checkTargetDirectory(const std::string& path);
    std::string targetPath() const;

    uint32_t contentLength() const { return bytesTotal_; }
    uint32_t contentDownloaded() const { return bytesReceived_; }
    bool isDownloading() const { return downloading_; }
    // Whether the target was already present when the download started.
    bool foundPresent() const { return foundPresent_; }

    void startDownload();
    void cancelDownload();

    void didReceiveResponse(HTTPConnection&, const HTTPResponse& response) override;
    void didReceiveData(HTTPConnection&, const uint8_t* bytes, size_t count) override;
    void didRedirect(HTTPConnection&, int status, const std::string& location) override;
    void didFail(HTTPConnection&, const std::string& message) override;
    void didFinish(HTTPConnection&) override;

private:
    void fail(const std::string& message);

    bool downloading_ = false;
    bool foundPresent_ = false;
    std::unique_ptr<HTTPConnection> connection_;
    std::FILE* file_ = nullptr;
    std::string filename_;
    std::string sourcePath_;
    SingleFileDownloaderDelegate* delegate_;
    uint32_t bytesReceived_ = 0;
    uint32_t bytesTotal_ = 0;
};

} // namespace mw
