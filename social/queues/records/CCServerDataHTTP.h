#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "foundation/Ref.h"
#include "platform/HTTPTransport.h"
#include "social/queues/records/CCAbstractServerData.h"

namespace mw {

// The bounds every transfer of a record runs under. Tests shorten them;
// nothing else changes them.
struct ServerDataTransferBounds {
    // No byte moving for this long ends the transfer as a failure.
    double stallSeconds = 60;
    // A body larger than this after decoding ends the transfer as a failure.
    uint64_t maxBodyBytes = 16u * 1024 * 1024;
    // Hops a transfer may take, the first request included.
    int maxHops = 10;

    static ServerDataTransferBounds current();
    // Installs bounds for the transfers started afterwards.
    static void setCurrent(const ServerDataTransferBounds& bounds);
};

// One transfer of one record: the request of each hop, the redirects our code
// follows (http and https only), the cookies of each hop, the answer and the
// one status it sums up to. Made by the record's initiate calls; holds the
// record while it runs and lets go of it when it reports or is cleared.
// Main thread.
class ServerDataTransfer : public HTTPConnectionDelegate, public std::enable_shared_from_this<ServerDataTransfer> {
public:
    enum class Kind { Get, Post };

    ServerDataTransfer(CCAbstractServerData& record, Kind kind);
    ~ServerDataTransfer() override;
    ServerDataTransfer(const ServerDataTransfer&) = delete;
    ServerDataTransfer& operator=(const ServerDataTransfer&) = delete;

    // Sends the first request; a transfer that cannot start reports
    // kNetworkOpFailed (or kNetworkOpHTTPError for a POST with nothing to
    // send) on a later turn of the run loop.
    void start();
    // Stops without a report and lets go of the record.
    void cancel();
    // The head of the last answer (its final URL included); null before one.
    const HTTPResponse* response() const { return hasResponse_ ? &response_ : nullptr; }
    // The request of the hop being sent (for tests and diagnostics).
    const HTTPRequest& currentRequest() const { return request_; }

    // HTTPConnectionDelegate
    void didReceiveResponse(HTTPConnection& connection, const HTTPResponse& response) override;
    void didReceiveData(HTTPConnection& connection, const uint8_t* bytes, size_t count) override;
    void willRedirect(HTTPConnection& connection, const HTTPResponse& head) override;
    void didRedirect(HTTPConnection& connection, int status, const std::string& location) override;
    void didFail(HTTPConnection& connection, const std::string& message) override;
    void didPrepare(HTTPConnection& connection, std::shared_ptr<void> result) override;
    void didFinish(HTTPConnection& connection) override;

private:
    // Builds the request of a hop to `url` with the given method and body.
    void buildRequest(const std::string& url, const std::string& method, std::vector<uint8_t> body);
    bool sendCurrentRequest();
    void reportLater(int status);
    void finishWithStatus(int status);
    void storeCookies(const HTTPResponse& response);

    Ref<CCAbstractServerData> record_;
    Kind kind_;
    HTTPRequest request_;
    std::unique_ptr<HTTPConnection> connection_;
    HTTPResponse response_;
    bool hasResponse_ = false;
    int hops_ = 0;
    bool ended_ = false;
};

} // namespace mw
