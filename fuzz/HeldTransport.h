#pragma once

// The transport of the fuzz targets that reach the network code: nothing
// leaves the process, every request stays pending until it is cancelled.
#include <memory>
#include <utility>

#include "platform/HTTPTransport.h"

namespace mw::fuzz {

class HeldTransport : public HTTPTransport {
    class Held : public HTTPConnection {
    public:
        explicit Held(HTTPRequest request) : request_(std::move(request)) {}
        void cancel() override {}
        const HTTPRequest& request() const override { return request_; }

    private:
        HTTPRequest request_;
    };

public:
    std::unique_ptr<HTTPConnection> start(const HTTPRequest& request, HTTPConnectionDelegate*) override
    {
        return std::make_unique<Held>(request);
    }
};

} // namespace mw::fuzz
