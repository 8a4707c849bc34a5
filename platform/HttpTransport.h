#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace mw {

// One HTTP request as the client libraries send it.
struct HttpRequest {
    std::string method = "GET";
    std::string url;
    std::vector<uint8_t> body;
    // Sent exactly as given; the transport adds only what HTTP itself needs
    // (Host, Content-Length), no cookies and no "Expect: 100-continue".
    std::vector<std::pair<std::string, std::string>> headers;
    double timeoutSeconds = 20;
};

// What came back. A request that got no answer has status 0 and an error.
struct HttpResponse {
    int status = 0;
    // The header fields of the latest response (after redirects, the last one's).
    std::vector<std::pair<std::string, std::string>> headers;
    std::vector<uint8_t> body;
    std::string error; // empty when the transfer completed
    std::string finalUrl; // where the last redirect led; the request's address without one
};

// Sends one request and blocks the calling thread until the answer is
// complete or the time-out passes. Redirects are followed to http and https
// addresses only; nothing is cached; peers and host names are verified. The
// desktop uses libcurl (one handle per call); tests may install a fake. Any thread.
class HttpTransport {
public:
    static std::shared_ptr<HttpTransport> sharedInstance();
    // Installs a transport, or the desktop's again for null; answers the previous.
    static std::shared_ptr<HttpTransport> replaceSharedInstance(std::shared_ptr<HttpTransport> transport);

    virtual ~HttpTransport() = default;
    virtual HttpResponse send(const HttpRequest& request) = 0;
};

} // namespace mw
