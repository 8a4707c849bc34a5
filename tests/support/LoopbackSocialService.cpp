#include "tests/support/LoopbackSocialService.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>

#include "platform/HTTPTransport.h"
#include "social/session/CCPrivateSession.h"
#include "tests/support/HttpHead.h"

namespace mw::test {

namespace {

std::string lower(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

const char* kHeaderOrder[] = {
    "x-lumora-appid",   "x-lumora-uuid",       "x-lumora-udid",    "x-lumora-userid", "x-lumora-uname",
    "x-lumora-secret",  "x-lumora-appversion", "x-lumora-sdkname", "x-lumora-lumoraversion",
    "x-lumora-gcid",    "x-lumora-gcalias",    "x-lumora-gcsecret", "x-lumora-themecaps", "x-lumora-connection",
    "x-lumora-uiview", // the transfer's own, after the session's
};

int orderOf(const std::string& name)
{
    for (size_t i = 0; i < std::size(kHeaderOrder); ++i)
        if (name == kHeaderOrder[i]) return static_cast<int>(i);
    return -1;
}

// One side of a connection, with or without TLS.
struct Channel {
    int socket = -1;
    SSL* tls = nullptr;
    const std::atomic<bool>* stopping = nullptr;

    // Waits for input in short steps so that stopping the service ends it.
    bool readSome(std::string& buffer)
    {
        char chunk[65536];
        while (!tls || SSL_pending(tls) == 0) {
            if (*stopping) return false;
            pollfd watch{socket, POLLIN, 0};
            const int ready = ::poll(&watch, 1, 50);
            if (ready < 0) return false;
            if (ready > 0) break;
        }
        const int got = tls ? SSL_read(tls, chunk, sizeof chunk)
                            : static_cast<int>(::recv(socket, chunk, sizeof chunk, 0));
        if (got <= 0) return false;
        buffer.append(chunk, static_cast<size_t>(got));
        return true;
    }
    bool write(const std::string& bytes)
    {
        size_t sent = 0;
        while (sent < bytes.size()) {
            if (*stopping) return false;
            const int n = tls ? SSL_write(tls, bytes.data() + sent, static_cast<int>(bytes.size() - sent))
                              : static_cast<int>(::send(socket, bytes.data() + sent, bytes.size() - sent,
                                                        MSG_NOSIGNAL));
            if (n <= 0) return false;
            sent += static_cast<size_t>(n);
        }
        return true;
    }
};

std::string gzipped(const std::string& text)
{
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 31, 9, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, text.size()) + 64, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    stream.avail_in = static_cast<uInt>(text.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

std::string chunk(const std::string& bytes)
{
    char size[32];
    std::snprintf(size, sizeof size, "%zx\r\n", bytes.size());
    return size + bytes + "\r\n";
}

const char* reasonOf(int status)
{
    switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 307: return "Temporary Redirect";
    case 404: return "Not Found";
    default: return "Status";
    }
}

int serverNameCallback(SSL* ssl, int*, void* arg)
{
    auto& contexts = *static_cast<std::map<std::string, void*>*>(arg);
    const char* name = SSL_get_servername(ssl, TLSEXT_NAMETYPE_host_name);
    if (name) {
        auto found = contexts.find(lower(name));
        if (found != contexts.end()) SSL_set_SSL_CTX(ssl, static_cast<SSL_CTX*>(found->second));
    }
    return SSL_TLSEXT_ERR_OK;
}

SSL_CTX* makeContext(const TestCertificateAuthority::Issued& issued)
{
    SSL_CTX* context = SSL_CTX_new(TLS_server_method());
    if (SSL_CTX_use_certificate_chain_file(context, issued.certificateFile.c_str()) != 1 ||
        SSL_CTX_use_PrivateKey_file(context, issued.keyFile.c_str(), SSL_FILETYPE_PEM) != 1) {
        ERR_print_errors_fp(stderr);
        std::abort(); // a fixture that cannot be made: nothing to test
    }
    // Every new connection is a full handshake, so the count is of connections.
    SSL_CTX_set_session_cache_mode(context, SSL_SESS_CACHE_OFF);
    SSL_CTX_set_options(context, SSL_OP_NO_TICKET);
    return context;
}

int listenOnLoopback(int* port)
{
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int yes = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener, 64);
    socklen_t length = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    *port = ntohs(address.sin_port);
    return listener;
}

} // namespace

std::string LoopbackSocialService::Request::header(const std::string& name) const
{
    return headerField(fields, name);
}

bool LoopbackSocialService::Request::hasHeader(const std::string& name) const
{
    return hasHeaderField(fields, name);
}

std::vector<std::string> LoopbackSocialService::Request::lumoraHeaderNames() const
{
    std::vector<std::string> names;
    for (const auto& field : fields)
        if (lower(field.first).rfind("x-lumora-", 0) == 0) names.push_back(lower(field.first));
    return names;
}

LoopbackSocialService::LoopbackSocialService()
{
    // A client that hangs up mid-write must not end the test program.
    ::signal(SIGPIPE, SIG_IGN);
    const std::string service = lower(CCPrivateSession::serviceHost());
    const std::string telemetry = lower(CCPrivateSession::telemetryHost());
    SSL_CTX* main = makeContext(
        authority_.issue({"DNS:" + service, "DNS:" + telemetry, std::string("DNS:") + kOtherHost}));
    defaultContext_ = main;
    contexts_[service] = main;
    contexts_[telemetry] = main;
    contexts_[kOtherHost] = main;
    contexts_[kUntrustedHost] = makeContext(stranger_.issue({std::string("DNS:") + kUntrustedHost}));
    contexts_[kWrongNameHost] = makeContext(authority_.issue({"DNS:elsewhere.mosswick.test"}));
    contexts_[kExpiredHost] = makeContext(authority_.issueExpired({std::string("DNS:") + kExpiredHost}));
    for (auto& [name, context] : contexts_) {
        SSL_CTX_set_tlsext_servername_callback(static_cast<SSL_CTX*>(context), serverNameCallback);
        SSL_CTX_set_tlsext_servername_arg(static_cast<SSL_CTX*>(context), &contexts_);
    }
    tlsListener_ = listenOnLoopback(&tlsPort_);
    plainListener_ = listenOnLoopback(&plainPort_);
    acceptThread_ = std::thread([this] {
        while (!stopping_) {
            pollfd watch[2] = {{tlsListener_, POLLIN, 0}, {plainListener_, POLLIN, 0}};
            if (::poll(watch, 2, 20) <= 0) continue;
            for (int i = 0; i < 2; ++i) {
                if (!(watch[i].revents & POLLIN)) continue;
                const int client = ::accept4(watch[i].fd, nullptr, nullptr, SOCK_CLOEXEC);
                if (client < 0) continue;
                // Answers leave at once, not held back for a delayed acknowledgement.
                int on = 1;
                ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
                const int number = ++connections_;
                std::lock_guard guard(mutex_);
                openSockets_.insert(client);
                connectionThreads_.emplace_back([this, client, i, number] { serveConnection(client, i == 0, number); });
            }
        }
    });
}

LoopbackSocialService::~LoopbackSocialService()
{
    if (routed_) {
        HTTPTransport::setTrustedCertificatesFile("");
        HTTPTransport::setConnectTo({});
        HTTPTransport::setConnectionGuard(nullptr);
    }
    stopping_ = true;
    releasedSignal_.notify_all();
    acceptThread_.join();
    std::vector<std::thread> threads;
    {
        std::lock_guard guard(mutex_);
        for (int socket : openSockets_) ::shutdown(socket, SHUT_RDWR);
        threads.swap(connectionThreads_);
    }
    for (auto& thread : threads) thread.join();
    ::close(tlsListener_);
    ::close(plainListener_);
    std::set<void*> freed;
    for (auto& [name, context] : contexts_)
        if (freed.insert(context).second) SSL_CTX_free(static_cast<SSL_CTX*>(context));
}

void LoopbackSocialService::route()
{
    routed_ = true;
    HTTPTransport::setTrustedCertificatesFile(authority_.certificateFile());
    HTTPTransport::setConnectTo(connectToEntries());
    HTTPTransport::setConnectionGuard([](const std::string& address) {
        if (address == "127.0.0.1") return true;
        ADD_FAILURE() << "a transfer connected to " << address;
        return false;
    });
}

std::vector<std::string> LoopbackSocialService::connectToEntries() const
{
    std::vector<std::string> entries;
    for (const auto& [host, context] : contexts_) {
        entries.push_back(host + ":443:127.0.0.1:" + std::to_string(tlsPort_));
        entries.push_back(host + ":80:127.0.0.1:" + std::to_string(plainPort_));
    }
    return entries;
}

std::string LoopbackSocialService::httpsUrl(const std::string& host, const std::string& path)
{
    return "https://" + host + path;
}

std::string LoopbackSocialService::httpUrl(const std::string& host, const std::string& path)
{
    return "http://" + host + path;
}

void LoopbackSocialService::script(const std::string& target, Reply reply)
{
    std::lock_guard guard(mutex_);
    replies_[target] = std::move(reply);
}

void LoopbackSocialService::release(const std::string& target)
{
    {
        std::lock_guard guard(mutex_);
        released_.insert(target);
    }
    releasedSignal_.notify_all();
}

void LoopbackSocialService::setSigning(Signing signing)
{
    std::lock_guard guard(mutex_);
    signing_ = std::move(signing);
}

std::vector<LoopbackSocialService::Request> LoopbackSocialService::requests() const
{
    std::lock_guard guard(mutex_);
    return requests_;
}

void LoopbackSocialService::clearRequests()
{
    std::lock_guard guard(mutex_);
    requests_.clear();
}

std::vector<std::string> LoopbackSocialService::problems() const
{
    std::lock_guard guard(mutex_);
    return problems_;
}

void LoopbackSocialService::clearProblems()
{
    std::lock_guard guard(mutex_);
    problems_.clear();
}

std::string LoopbackSocialService::md5Lower(const std::string& text)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(text.data(), text.size(), digest, &length, EVP_md5(), nullptr);
    std::string hex;
    char two[3];
    for (unsigned int i = 0; i < length; ++i) {
        std::snprintf(two, sizeof two, "%02x", digest[i]);
        hex += two;
    }
    return hex;
}

std::string LoopbackSocialService::sessionSecret(const std::string& identity, const std::string& appId,
                                                 const std::string& secretKey)
{
    return md5Lower(lower(identity + appId + secretKey + CCPrivateSession::kFirstSalt +
                          CCPrivateSession::kSecondSalt));
}

std::string LoopbackSocialService::telemetrySignature(const std::string& appId)
{
    return md5Lower(lower(appId + CCPrivateSession::kFirstTelemetrySalt + CCPrivateSession::kSecondTelemetrySalt));
}

std::string LoopbackSocialService::challengeSignature(double result, const std::string& appId,
                                                      const std::string& secretKey)
{
    char text[64];
    std::snprintf(text, sizeof text, "%f", result);
    return md5Lower(lower(text + appId + secretKey + CCPrivateSession::kFirstSalt + CCPrivateSession::kSecondSalt));
}

void LoopbackSocialService::check(Request& request) const
{
    const std::vector<std::string> names = request.lumoraHeaderNames();
    const bool service = request.tls && (request.host == lower(CCPrivateSession::serviceHost()) ||
                                         request.host == lower(CCPrivateSession::telemetryHost()));
    if (!service) {
        if (!names.empty()) request.problems.push_back("x-lumora- headers sent to " + request.host);
        return;
    }
    int last = -1;
    for (const std::string& name : names) {
        const int order = orderOf(name);
        if (order < 0) request.problems.push_back("unknown header " + name);
        else if (order <= last) request.problems.push_back("out of order or repeated: " + name);
        last = std::max(last, order);
    }
    for (const char* required : {"x-lumora-uname", "x-lumora-secret", "x-lumora-appversion", "x-lumora-sdkname",
                                 "x-lumora-lumoraversion", "x-lumora-connection"}) {
        if (!request.hasHeader(required)) request.problems.push_back(std::string("missing ") + required);
    }
    if (request.hasHeader("x-lumora-udid")) request.problems.push_back("udid sent");
    if (request.header("x-lumora-sdkname") != "lumora-slimline") request.problems.push_back("wrong sdkname");
    if (request.header("x-lumora-lumoraversion") != "0.3 build 77") request.problems.push_back("wrong version");
    const std::string connection = request.header("x-lumora-connection");
    if (connection != "cell" && connection != "wifi" && connection != "none")
        request.problems.push_back("connection " + connection);
    const std::string version = request.header("x-lumora-appversion");
    const size_t dot = version.find('.');
    if (dot == std::string::npos || version.size() - dot - 1 != 4) request.problems.push_back("version " + version);
    const int gameCentre = request.hasHeader("x-lumora-gcid") + request.hasHeader("x-lumora-gcalias") +
                           request.hasHeader("x-lumora-gcsecret");
    if (gameCentre != 0 && gameCentre != 3) request.problems.push_back("incomplete game-centre headers");
    if (request.hasHeader("x-lumora-themecaps") && request.header("x-lumora-themecaps").empty())
        request.problems.push_back("empty themecaps");
    auto orNull = [&](const char* name) {
        return request.hasHeader(name) ? request.header(name) : std::string("(null)");
    };
    const std::string identity = request.hasHeader("x-lumora-userid") ? request.header("x-lumora-userid")
                                                                       : orNull("x-lumora-uuid");
    const std::string key = signing_.secretKey.empty() ? "(null)" : signing_.secretKey;
    if (request.header("x-lumora-secret") != sessionSecret(identity, orNull("x-lumora-appid"), key))
        request.problems.push_back("secret does not match");
}

LoopbackSocialService::Reply LoopbackSocialService::replyFor(const std::string& target) const
{
    auto found = replies_.find(target);
    if (found == replies_.end()) found = replies_.find(target.substr(0, target.find('?')));
    if (found != replies_.end()) return found->second;
    Reply missing;
    missing.status = 404;
    missing.body = "not found";
    return missing;
}

int LoopbackSocialService::openConnections() const
{
    std::lock_guard guard(mutex_);
    return static_cast<int>(openSockets_.size());
}

void LoopbackSocialService::serveConnection(int socket, bool tls, int number)
{
    Channel channel{socket, nullptr, &stopping_};
    auto finish = [&] {
        if (channel.tls) SSL_free(channel.tls);
        std::lock_guard guard(mutex_);
        openSockets_.erase(socket);
        ::close(socket);
    };
    if (tls) {
        const auto taken = std::chrono::steady_clock::now();
        while (!stopping_ && std::chrono::steady_clock::now() - taken < std::chrono::duration<double>(handshakeDelay_))
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        channel.tls = SSL_new(static_cast<SSL_CTX*>(defaultContext_));
        SSL_set_fd(channel.tls, socket);
        timeval limit{5, 0};
        ::setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        if (SSL_accept(channel.tls) != 1) {
            finish(); // a client that refused the certificate
            return;
        }
        ++handshakes_;
    }
    std::string buffer;
    while (!stopping_) {
        size_t headEnd;
        while ((headEnd = buffer.find("\r\n\r\n")) == std::string::npos) {
            if (!channel.readSome(buffer)) {
                finish();
                return;
            }
        }
        Request request;
        request.tls = tls;
        request.connection = number;
        HttpHead head = parseHttpHead(buffer.substr(0, headEnd));
        request.method = std::move(head.method);
        request.target = std::move(head.target);
        request.fields = std::move(head.fields);
        request.host = lower(request.header("Host").substr(0, request.header("Host").find(':')));
        const size_t bodyLength = std::strtoul(request.header("Content-Length").c_str(), nullptr, 10);
        buffer.erase(0, headEnd + 4);
        while (buffer.size() < bodyLength && channel.readSome(buffer)) { }
        request.body = buffer.substr(0, bodyLength);
        buffer.erase(0, std::min(bodyLength, buffer.size()));

        Reply reply;
        {
            std::lock_guard guard(mutex_);
            check(request);
            for (const std::string& problem : request.problems) problems_.push_back(request.target + ": " + problem);
            if (keepsRequests_) requests_.push_back(request);
            reply = replyFor(request.target);
        }
        if (observer_) observer_(request, reply.status);
        const auto start = std::chrono::steady_clock::now();
        while (!stopping_ && std::chrono::steady_clock::now() - start < std::chrono::duration<double>(reply.delaySeconds))
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (reply.held) {
            std::unique_lock lock(mutex_);
            releasedSignal_.wait(lock, [&] { return stopping_ || released_.count(request.target) != 0; });
        }
        if (reply.neverAnswer) {
            std::string ignored;
            while (channel.readSome(ignored)) { }
            finish();
            return;
        }
        // 204 and 304 answers have no body by definition; sending one would
        // corrupt the next answer on a kept-alive connection.
        const bool bodiless = reply.status == 204 || reply.status == 304;
        std::string body = bodiless ? std::string()
                                    : reply.encoding == Encoding::Gzip ? gzipped(reply.body) : reply.body;
        std::string out = "HTTP/1.1 " + std::to_string(reply.status) + " " + reasonOf(reply.status) + "\r\n";
        for (const auto& [name, value] : reply.fields) out += name + ": " + value + "\r\n";
        if (reply.encoding == Encoding::Gzip) out += "Content-Encoding: gzip\r\n";
        bool close = reply.dropAfter != std::string::npos;
        if (reply.encoding == Encoding::Chunked || reply.endless) {
            out += "Transfer-Encoding: chunked\r\n";
        } else if (bodiless) {
        } else if (reply.length == Length::Right) {
            out += "Content-Length: " + std::to_string(body.size()) + "\r\n";
        } else if (reply.length == Length::Wrong) {
            out += "Content-Length: " + std::to_string(body.size() + 100) + "\r\n";
            close = true;
        } else {
            out += "Connection: close\r\n";
            close = true;
        }
        out += "\r\n";
        const bool plain = !reply.endless && reply.encoding != Encoding::Chunked && request.method != "HEAD";
        if (plain) {
            // Head and body in one write, as a server with the answer at hand sends them.
            if (reply.dropAfter != std::string::npos) body.resize(std::min(body.size(), reply.dropAfter));
            if (!channel.write(out + body) || close) break;
            continue;
        }
        if (!channel.write(out)) break;
        if (request.method == "HEAD") continue;
        if (reply.endless) {
            const std::string piece = chunk(std::string(64 * 1024, 'x'));
            while (channel.write(piece)) { }
            break;
        }
        if (reply.dropAfter != std::string::npos) body.resize(std::min(body.size(), reply.dropAfter));
        if (reply.encoding == Encoding::Chunked && reply.dropAfter == std::string::npos) {
            for (size_t at = 0; at < body.size(); at += 16 * 1024) {
                if (!channel.write(chunk(body.substr(at, 16 * 1024)))) break;
            }
            channel.write("0\r\n\r\n");
        } else {
            if (reply.encoding == Encoding::Chunked && !body.empty()) body = chunk(body);
            channel.write(body);
        }
        if (close) break;
    }
    finish();
}

} // namespace mw::test
