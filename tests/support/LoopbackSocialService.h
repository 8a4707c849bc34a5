#pragma once

// The social service's stand-in for tests: HTTPS on one ephemeral port of
// 127.0.0.1 (the certificate chosen by the name the client asks for) and
// plain HTTP on another, with keep-alive connections served each on its own
// thread. A test certificate authority made at start vouches for the service
// host, the telemetry host and kOtherHost; kUntrustedHost presents a
// certificate of another authority, kWrongNameHost one for another name and
// kExpiredHost an expired one. route() points the platform transport at it:
// the real host names stay in URLs, Host headers and certificate checks,
// and a guard fails the test on any connection to an address but 127.0.0.1.
//
// Every request is recorded (method, target, host, header fields in order,
// body, connection number, whether it came over TLS) and checked: a request
// to the service's hosts over TLS must carry the "x-lumora-" headers by
// their rules, in their order, with the session secret the service
// recomputes; any other request must carry none. Replies are scripted per
// path: status, fields, a body plain, chunked or gzip-encoded, a
// Content-Length right, wrong or absent, a delay, held until released,
// dropped after some body bytes, never answered, or streamed without end.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/support/TestCertificateAuthority.h"

namespace mw::test {

class LoopbackSocialService {
public:
    static constexpr const char* kOtherHost = "images.mosswick.test";
    static constexpr const char* kUntrustedHost = "untrusted.mosswick.test";
    static constexpr const char* kWrongNameHost = "wrongname.mosswick.test";
    static constexpr const char* kExpiredHost = "expired.mosswick.test";

    enum class Encoding { Plain, Chunked, Gzip };
    enum class Length { Right, Wrong, Absent };
    struct Reply {
        int status = 200;
        std::vector<std::pair<std::string, std::string>> fields;
        std::string body;
        Encoding encoding = Encoding::Plain;
        Length length = Length::Right; // Wrong announces 100 bytes more than sent
        double delaySeconds = 0;       // before the head
        bool held = false;             // the head waits for release()
        size_t dropAfter = std::string::npos; // close after this many body bytes
        bool neverAnswer = false;       // keep the connection, say nothing
        bool endless = false;           // a chunked body that never ends
    };
    struct Request {
        std::string method;
        std::string target;
        std::string host; // the Host field without port
        bool tls = false;
        int connection = 0;
        std::vector<std::pair<std::string, std::string>> fields;
        std::string body;
        std::vector<std::string> problems; // of the header check

        std::string header(const std::string& name) const; // empty when absent
        bool hasHeader(const std::string& name) const;
        std::vector<std::string> lumoraHeaderNames() const;
    };
    // What the service knows of the game to check the signing.
    struct Signing {
        std::string secretKey;
    };

    LoopbackSocialService();
    ~LoopbackSocialService();
    LoopbackSocialService(const LoopbackSocialService&) = delete;
    LoopbackSocialService& operator=(const LoopbackSocialService&) = delete;

    // Points the platform transport here (trust, connect-to, guard); undone
    // by the destructor.
    void route();
    // The connect-to entries route() sets, "HOST:PORT:127.0.0.1:PORT" for
    // every host served, port 443 to the TLS port and 80 to the plain one:
    // what another process needs, with authorityFile(), to reach the service.
    std::vector<std::string> connectToEntries() const;
    // "https://<host>" + path (or http on the plain port's mapping, port 80).
    static std::string httpsUrl(const std::string& host, const std::string& path);
    static std::string httpUrl(const std::string& host, const std::string& path);

    // The reply for a target (path and query as sent; a scripted path
    // without query also answers the path with any query). Unscripted
    // targets answer 404.
    void script(const std::string& target, Reply reply);
    void release(const std::string& target);
    void setSigning(Signing signing);
    // Holds every TLS handshake back this long after the connection is taken.
    void setHandshakeDelay(double seconds) { handshakeDelay_ = seconds; }

    std::vector<Request> requests() const;
    void clearRequests();
    void setKeepsRequests(bool keep) { keepsRequests_ = keep; }
    // Told of every request once it is checked (its problems filled in),
    // with the status about to be answered; on the connection's thread,
    // outside the service's lock. Set before the first request.
    using RequestObserver = std::function<void(const Request& request, int status)>;
    void setRequestObserver(RequestObserver observer) { observer_ = std::move(observer); }
    int handshakes() const { return handshakes_; }
    int connections() const { return connections_; }
    // Connections being served now.
    int openConnections() const;
    // Every problem the header checks found, "<target>: <problem>".
    std::vector<std::string> problems() const;
    void clearProblems();
    const std::string& authorityFile() const { return authority_.certificateFile(); }
    int tlsPort() const { return tlsPort_; }
    int plainPort() const { return plainPort_; }

    // The signatures as the service computes them (MD5 called directly).
    static std::string md5Lower(const std::string& text);
    static std::string sessionSecret(const std::string& identity, const std::string& appId,
                                     const std::string& secretKey);
    static std::string telemetrySignature(const std::string& appId);
    static std::string challengeSignature(double result, const std::string& appId, const std::string& secretKey);

private:
    struct Listener;
    void accept(Listener& listener);
    void serveConnection(int socket, bool tls, int number);
    void check(Request& request) const;
    Reply replyFor(const std::string& target) const;

    TestCertificateAuthority authority_;
    TestCertificateAuthority stranger_{"Stranger Authority"};
    std::map<std::string, void*> contexts_; // host -> SSL_CTX
    void* defaultContext_ = nullptr;
    int tlsListener_ = -1;
    int plainListener_ = -1;
    int tlsPort_ = 0;
    int plainPort_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> keepsRequests_{true};
    std::atomic<int> handshakes_{0};
    std::atomic<int> connections_{0};
    std::atomic<double> handshakeDelay_{0};
    mutable std::mutex mutex_;
    std::condition_variable releasedSignal_;
    std::map<std::string, Reply> replies_;
    std::set<std::string> released_;
    Signing signing_;
    std::vector<Request> requests_;
    std::vector<std::string> problems_;
    RequestObserver observer_;
    std::thread acceptThread_;
    std::vector<std::thread> connectionThreads_;
    std::set<int> openSockets_;
    bool routed_ = false;
};

} // namespace mw::test
