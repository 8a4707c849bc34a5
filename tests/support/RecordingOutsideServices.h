#pragma once

// Recording stand-ins of the HTTP transport and the outside-link opener:
// nothing leaves the process; tests read back what was asked for.

#include <string>
#include <vector>

#include "platform/HTTPTransport.h"
#include "platform/URLOpener.h"

namespace mw::test {

// Answers nothing: each request is recorded and stays pending until cancelled.
class RecordingHTTPTransport : public HTTPTransport {
public:
    class Connection : public HTTPConnection {
    public:
        explicit Connection(HTTPRequest request) : request_(std::move(request)) {}
        void cancel() override {}
        const HTTPRequest& request() const override { return request_; }

    private:
        HTTPRequest request_;
    };

    std::unique_ptr<HTTPConnection> start(const HTTPRequest& request, HTTPConnectionDelegate*) override
    {
        urls.push_back(request.url);
        requests.push_back(request);
        return std::make_unique<Connection>(request);
    }
    std::vector<std::string> urls;
    std::vector<HTTPRequest> requests; // as started, options included
};

class RecordingURLOpener : public URLOpener {
public:
    bool openURL(const std::string& address) override
    {
        opened.push_back(address);
        return true;
    }
    std::vector<std::string> opened;
};

} // namespace mw::test
