#pragma once

// A plain HTTP/1.1 server on 127.0.0.1 and an ephemeral port for the network
// clients' tests: it records every request and answers each with what the
// test's handler returns (raw response bytes; empty closes the connection
// without an answer). One connection at a time, one request per connection.

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace mw::test {

class LoopbackHttpServer {
public:
    struct Request {
        std::string method;
        std::string target; // the path and query as sent
        std::vector<std::pair<std::string, std::string>> headers;
        std::vector<uint8_t> body;

        // The value of the first field of that name (any case), or empty.
        std::string header(const std::string& name) const;
        bool hasHeader(const std::string& name) const;
    };
    using Handler = std::function<std::string(const Request&)>;

    explicit LoopbackHttpServer(Handler handler);
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    int port() const { return port_; }
    // "http://127.0.0.1:<port><path>".
    std::string url(const std::string& path = "/") const;
    std::vector<Request> requests() const;

    // A complete response with Content-Length and the given extra fields.
    static std::string response(int status, const std::string& body = {},
                                const std::vector<std::pair<std::string, std::string>>& fields = {});

private:
    void serve();

    Handler handler_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_ { false };
    mutable std::mutex lock_;
    std::vector<Request> requests_;
    std::thread thread_;
};

} // namespace mw::test
