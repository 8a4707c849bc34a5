#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace mw {

// The header fields of a request, in the order they were first set. Names
// compare without regard to case; setting a field again replaces its value
// in place, as a mutable URL request does.
class HTTPHeaderFields {
public:
    using Field = std::pair<std::string, std::string>;
    using const_iterator = std::vector<Field>::const_iterator;

    // The value of a field, added empty at the end when it is not there yet.
    std::string& operator[](const std::string& name);
    void set(const std::string& name, std::string value) { (*this)[name] = std::move(value); }
    // Null when the field is not set.
    const std::string* find(const std::string& name) const;
    bool contains(const std::string& name) const { return find(name) != nullptr; }
    void remove(const std::string& name);
    template <typename Iterator> void insert(Iterator first, Iterator last)
    {
        for (; first != last; ++first) set(first->first, first->second);
    }
    const_iterator begin() const { return fields_.begin(); }
    const_iterator end() const { return fields_.end(); }
    size_t size() const { return fields_.size(); }
    bool empty() const { return fields_.empty(); }
    void clear() { fields_.clear(); }

private:
    std::vector<Field> fields_;
};

// One request to send: the method, the absolute http or https address, the
// headers and the body (empty for GET). The headers are sent exactly as given,
// in their order; the transport adds only what HTTP itself needs (Host,
// Content-Length, and Accept-Encoding when asked), no cookies and no
// "Expect: 100-continue".
struct HTTPRequest {
    std::string method = "GET";
    std::string url;
    HTTPHeaderFields headers;
    std::vector<uint8_t> body;
    // start(): no byte moving for this long (connecting, in the TLS
    // handshake, waiting for the answer or mid-body) fails the request.
    // send(): the whole exchange must be over by then.
    double timeoutSeconds = 60;
    // start(): a body larger than this after decoding, announced or
    // received, fails the request; 0 sets no bound.
    uint64_t maxBodyBytes = 0;
    // start(): offers "gzip, deflate" and hands over the decoded body.
    bool acceptCompressed = false;
    // start(): the receive buffer, 0 for the transport's default (large, for
    // few callbacks). Body data reaches the delegate in pieces of at most
    // this size.
    size_t receiveBufferBytes = 0;
    // start(): work on the complete body of a successful answer (2xx, not a
    // redirect) done away from the main thread, such as decoding a picture.
    // Its result reaches the delegate's didPrepare just before didFinish;
    // the transfer is not reported finished before it is ready. It must
    // touch nothing but the bytes it is given.
    std::function<std::shared_ptr<void>(const std::vector<uint8_t>& body)> prepare;
};

// An answer. The header names are in lower case; after an interim answer
// (100 Continue) or a followed redirect they are the last answer's.
// start() delivers the head only (status, expectedLength, headers); send()
// fills in the rest. A request that got no answer has status 0 and an error.
struct HTTPResponse {
    int status = 0;
    int64_t expectedLength = -1; // -1: the server did not say
    std::map<std::string, std::string> headers;
    // Every header field of the answer in order, names in lower case (the
    // repeated ones, such as Set-Cookie, each on its own).
    std::vector<std::pair<std::string, std::string>> fields;
    std::vector<uint8_t> body;
    std::string error; // empty when the transfer completed
    std::string finalUrl; // where the last redirect led; the request's address without one
};

class HTTPConnection;

// What a running request reports, always from the main run loop and never
// inside the call that started or cancelled it. Per request, in order: either
// didReceiveResponse, didReceiveData zero or more times and then didFinish;
// or didRedirect (the transport never follows one) and then didFinish; or
// didFail at any point, after which nothing more arrives. Every operation is
// optional.
class HTTPConnectionDelegate {
public:
    virtual ~HTTPConnectionDelegate() = default;
    virtual void didReceiveResponse(HTTPConnection&, const HTTPResponse&) {}
    virtual void didReceiveData(HTTPConnection&, const uint8_t* /*bytes*/, size_t /*count*/) {}
    // The head of a 3xx answer with a Location header, just before didRedirect.
    virtual void willRedirect(HTTPConnection&, const HTTPResponse& /*head*/) {}
    // A 3xx answer with a Location header; its body is not delivered.
    virtual void didRedirect(HTTPConnection&, int /*status*/, const std::string& /*location*/) {}
    // No connection, a dropped connection, a timeout, or a body shorter than
    // announced. `message` is the transport's own text.
    virtual void didFail(HTTPConnection&, const std::string& /*message*/) {}
    // What the request's prepare made of the body (null when it made
    // nothing), just before didFinish.
    virtual void didPrepare(HTTPConnection&, std::shared_ptr<void> /*result*/) {}
    virtual void didFinish(HTTPConnection&) {}
};

// One running request. Destroying it cancels it.
class HTTPConnection {
public:
    virtual ~HTTPConnection() = default;
    // Stops the request; its delegate hears nothing more, not even what is
    // already queued.
    virtual void cancel() = 0;
    virtual const HTTPRequest& request() const = 0;
};

// The platform's HTTP service. start() hands the request to one of the
// transport's two network threads (the one with fewer requests running),
// which runs libcurl for it and, when asked, the request's prepare; what
// happens comes back through RunLoop::main(), one queued piece of work for
// whatever arrived meanwhile, so the main thread spends no time on TLS or
// sockets. Body data is handed over as it arrives (valid only during the
// call); a main thread that falls 4 MB behind on one request pauses it.
// send() is the blocking form for background threads.
class HTTPTransport {
public:
    // The installed transport (libcurl's unless another was installed).
    static std::shared_ptr<HTTPTransport> sharedInstance();
    // Installs a transport, or libcurl's again for null; answers the previous.
    static std::shared_ptr<HTTPTransport> replaceSharedInstance(std::shared_ptr<HTTPTransport> transport);

    // Finished connections each network thread keeps open for reuse,
    // however many requests are running at the time (libcurl's own bound
    // shrinks with the running requests, so a burst that ends one request
    // at a time would otherwise close connections it is about to need).
    static constexpr long kIdleConnectionsKept = 16;

    virtual ~HTTPTransport() = default;
    // Starts sending at once. The delegate is not owned and must outlive the
    // connection (or cancel it first). Null, with one log line, for an
    // address the transport cannot send to.
    [[nodiscard]] virtual std::unique_ptr<HTTPConnection> start(const HTTPRequest& request,
                                                                HTTPConnectionDelegate* delegate) = 0;
    // Sends one request and blocks the calling thread until the answer is
    // complete or the time-out passes. Redirects are followed to http and
    // https addresses only; nothing is cached; peers and host names are
    // verified. The default is libcurl's (one handle per call); a fake may
    // answer itself. Any thread.
    virtual HTTPResponse send(const HTTPRequest& request);

    // The certificate authorities that vouch for https peers: a PEM file, or
    // the system's store for the empty text (the default). Requests started
    // later use it. Any thread.
    static void setTrustedCertificatesFile(const std::string& pemPath);
    static std::string trustedCertificatesFile();

    // Test routing. Connect-to entries as libcurl takes them
    // ("HOST:PORT:CONNECT-HOST:CONNECT-PORT"): the connection goes to the
    // other address while URLs, Host headers and certificate names stay the
    // real ones. The guard is told every address a connection is opened to
    // and refuses it by answering false. Requests started later use them.
    static void setConnectTo(std::vector<std::string> entries);
    static void setConnectionGuard(std::function<bool(const std::string& address)> guard);
};

// Bytes free to an unprivileged writer in the file system holding `folder`
// (statvfs), or nothing when it cannot be read. Tests replace the answer with
// setFreeSpaceOverride; null puts statvfs back.
std::optional<uint64_t> freeSpaceOfFolder(const std::string& folder);
void setFreeSpaceOverride(std::function<std::optional<uint64_t>(const std::string& folder)> answer);

} // namespace mw
