#pragma once

// An HTTP/1.1 server on 127.0.0.1 (an ephemeral port) with scripted replies,
// for tests of the network clients: one connection at a time, each closed
// after its answer. It records every request it reads, in order.

#include <atomic>
#include <cstddef>
#include <map>
#include <mutex>
#include <string>
#include <thread>
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
        std::string path;
        std::map<std::string, std::string> headers; // names in lower case
        std::string body;
    };

    LoopbackHTTPServer();
    ~LoopbackHTTPServer();
    LoopbackHTTPServer(const LoopbackHTTPServer&) = delete;
    LoopbackHTTPServer& operator=(const LoopbackHTTPServer&) = delete;

    // "http://127.0.0.1:<port>" followed by path.
    std::string url(const std::string& path) const;
    // The reply for a path; unscripted paths answer 404.
    void script(const std::string& path, Reply reply);
    std::vector<Request> requests() const;
    // "METHOD path" of every request, in order.
    std::vector<std::string> requestLines() const;

private:
    void serve();
    void answer(int client);

    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::map<std::string, Reply> replies_;
    std::vector<Request> requests_;
    std::thread thread_;
};

} // namespace mw::test
