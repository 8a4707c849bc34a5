#pragma once

// An HTTP/1.1 server on 127.0.0.1 (an ephemeral port) for tests of the
// network clients: one connection at a time, one request per connection,
// each closed after its answer. It records every request it reads, in order.
// It answers either from scripted replies by path (the default) or with the
// raw bytes a test's handler returns.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace mw::test {

class LoopbackHTTPServer {
public:
    struct Reply {
        int status = 200;
        std::string body;
        std::map<std::string, std::string> headers;
        bool sendLength = true;            // false: the body ends when the connection closes
        size_t dropAfter = std::string::npos; // close after this many body bytes
    };
    struct Request {
        std::string method;
        std::string path; // the path and query as sent
        std::vector<std::pair<std::string, std::string>> headers; // as sent, in order
        std::vector<uint8_t> body;

        // The value of the first field of that name (any case), or empty.
        std::string header(const std::string& name) const;
        bool hasHeader(const std::string& name) const;
        std::string bodyText() const { return std::string(body.begin(), body.end()); }
    };
    // Answers a request with the raw response bytes; empty closes the
    // connection without an answer.
    using Handler = std::function<std::string(const Request&)>;

    // A server that speaks TLS with this certificate and key (PEM files),
    // at https addresses.
    struct Tls {
        std::string certificateFile;
        std::string keyFile;
    };

    // Answers from script(); unscripted paths answer 404.
    LoopbackHTTPServer();
    explicit LoopbackHTTPServer(Handler handler);
    LoopbackHTTPServer(Handler handler, const Tls& tls);
    ~LoopbackHTTPServer();
    LoopbackHTTPServer(const LoopbackHTTPServer&) = delete;
    LoopbackHTTPServer& operator=(const LoopbackHTTPServer&) = delete;

    int port() const { return port_; }
    // "http://127.0.0.1:<port>" (https with TLS) followed by path.
    std::string url(const std::string& path = "/") const;
    // The reply for a path (scripted servers only).
    void script(const std::string& path, Reply reply);
    std::vector<Request> requests() const;
    // Off: requests are answered but not kept (long benchmark runs).
    void setKeepsRequests(bool keep) { keepsRequests_ = keep; }
    // "METHOD path" of every request, in order.
    std::vector<std::string> requestLines() const;

    // A complete response with Content-Length and the given extra fields.
    static std::string response(int status, const std::string& body = {},
                                const std::vector<std::pair<std::string, std::string>>& fields = {});

private:
    void listen();
    void serve();
    void answer(int client, void* tlsSession);
    std::string scriptedAnswer(const Request& request);

    Handler handler_;
    void* tlsContext_ = nullptr; // the TLS context, or null for plain HTTP
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> keepsRequests_{true};
    mutable std::mutex mutex_;
    std::map<std::string, Reply> replies_;
    std::vector<Request> requests_;
    std::thread thread_;
};

} // namespace mw::test
