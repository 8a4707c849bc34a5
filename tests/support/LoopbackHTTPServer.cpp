#include "tests/support/LoopbackHTTPServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>

#include <openssl/err.h>
#include <openssl/ssl.h>

#include "tests/support/HttpHead.h"

namespace mw::test {

namespace {

const char* reasonOf(int status)
{
    switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

void sendAll(int socket, SSL* tls, const std::string& bytes)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = tls ? SSL_write(tls, bytes.data() + sent, static_cast<int>(bytes.size() - sent))
                              : ::send(socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return;
        sent += static_cast<size_t>(n);
    }
}

// Appends what arrives within five seconds; false when nothing more will.
bool readMore(int socket, SSL* tls, std::string& buffer)
{
    char chunk[65536];
    if (!tls || SSL_pending(tls) == 0) {
        pollfd watch{socket, POLLIN, 0};
        if (::poll(&watch, 1, 5000) <= 0) return false;
    }
    const ssize_t got = tls ? SSL_read(tls, chunk, sizeof chunk) : ::recv(socket, chunk, sizeof chunk, 0);
    if (got <= 0) return false;
    buffer.append(chunk, static_cast<size_t>(got));
    return true;
}

} // namespace

std::string LoopbackHTTPServer::Request::header(const std::string& name) const
{
    return headerField(headers, name);
}

bool LoopbackHTTPServer::Request::hasHeader(const std::string& name) const
{
    return hasHeaderField(headers, name);
}

LoopbackHTTPServer::LoopbackHTTPServer()
    : LoopbackHTTPServer(Handler())
{
}

LoopbackHTTPServer::LoopbackHTTPServer(Handler handler, const Tls& tls)
    : handler_(std::move(handler))
{
    // TLS writes with write(2): a client that hangs up (one refusing the
    // certificate does) must not end the test program.
    ::signal(SIGPIPE, SIG_IGN);
    SSL_CTX* context = SSL_CTX_new(TLS_server_method());
    if (SSL_CTX_use_certificate_chain_file(context, tls.certificateFile.c_str()) != 1 ||
        SSL_CTX_use_PrivateKey_file(context, tls.keyFile.c_str(), SSL_FILETYPE_PEM) != 1) {
        ERR_print_errors_fp(stderr);
        std::abort(); // a test fixture that cannot be made: nothing to test
    }
    tlsContext_ = context;
    listen();
}

LoopbackHTTPServer::LoopbackHTTPServer(Handler handler)
    : handler_(std::move(handler))
{
    listen();
}

void LoopbackHTTPServer::listen()
{
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    int yes = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener_, 16);
    socklen_t length = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
}

LoopbackHTTPServer::~LoopbackHTTPServer()
{
    stopping_ = true;
    thread_.join();
    ::close(listener_);
    SSL_CTX_free(static_cast<SSL_CTX*>(tlsContext_));
}

std::string LoopbackHTTPServer::url(const std::string& path) const
{
    return std::string(tlsContext_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_) + path;
}

void LoopbackHTTPServer::script(const std::string& path, Reply reply)
{
    std::lock_guard<std::mutex> guard(mutex_);
    replies_[path] = std::move(reply);
}

std::vector<LoopbackHTTPServer::Request> LoopbackHTTPServer::requests() const
{
    std::lock_guard<std::mutex> guard(mutex_);
    return requests_;
}

std::vector<std::string> LoopbackHTTPServer::requestLines() const
{
    std::vector<std::string> lines;
    for (const auto& request : requests()) lines.push_back(request.method + " " + request.path);
    return lines;
}

std::string LoopbackHTTPServer::response(int status, const std::string& body,
                                         const std::vector<std::pair<std::string, std::string>>& fields)
{
    std::string text = "HTTP/1.1 " + std::to_string(status) + " " + reasonOf(status) + "\r\n";
    for (const auto& [name, value] : fields) text += name + ": " + value + "\r\n";
    text += "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    return text;
}

void LoopbackHTTPServer::serve()
{
    while (!stopping_) {
        pollfd watch{listener_, POLLIN, 0};
        if (::poll(&watch, 1, 20) <= 0) continue;
        const int client = ::accept(listener_, nullptr, nullptr);
        if (client < 0) continue;
        SSL* tls = nullptr;
        if (tlsContext_) {
            tls = SSL_new(static_cast<SSL_CTX*>(tlsContext_));
            SSL_set_fd(tls, client);
            // A client that refuses the certificate ends here.
            timeval limit{5, 0};
            ::setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
            if (SSL_accept(tls) != 1) {
                SSL_free(tls);
                ::close(client);
                continue;
            }
        }
        answer(client, tls);
        if (tls) {
            (void)SSL_shutdown(tls);
            SSL_free(tls);
        }
        ::close(client);
    }
}

void LoopbackHTTPServer::answer(int client, void* tlsSession)
{
    SSL* tls = static_cast<SSL*>(tlsSession);
    std::string received;
    size_t headEnd = std::string::npos;
    while ((headEnd = received.find("\r\n\r\n")) == std::string::npos) {
        if (!readMore(client, tls, received)) return;
    }
    HttpHead head = parseHttpHead(received.substr(0, headEnd));
    Request request;
    request.method = std::move(head.method);
    request.path = std::move(head.target);
    request.headers = std::move(head.fields);
    const size_t bodyLength = std::strtoul(request.header("Content-Length").c_str(), nullptr, 10);
    std::string body = received.substr(headEnd + 4);
    while (body.size() < bodyLength && readMore(client, tls, body)) { }
    request.body.assign(body.begin(), body.end());
    if (keepsRequests_) {
        std::lock_guard<std::mutex> guard(mutex_);
        requests_.push_back(request);
    }
    const std::string out = handler_ ? handler_(request) : scriptedAnswer(request);
    if (!out.empty()) sendAll(client, tls, out);
}

std::string LoopbackHTTPServer::scriptedAnswer(const Request& request)
{
    Reply reply;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        auto found = replies_.find(request.path);
        if (found != replies_.end()) {
            reply = found->second;
        } else {
            reply.status = 404;
            reply.body = "not found";
        }
    }
    std::string out = "HTTP/1.1 " + std::to_string(reply.status) + " " + reasonOf(reply.status) + "\r\n";
    for (const auto& [name, value] : reply.headers) out += name + ": " + value + "\r\n";
    if (reply.sendLength) out += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
    out += "Connection: close\r\n\r\n";
    if (request.method != "HEAD") out.append(reply.body, 0, std::min(reply.body.size(), reply.dropAfter));
    return out;
}

} // namespace mw::test
