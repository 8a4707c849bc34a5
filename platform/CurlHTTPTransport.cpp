#include <arpa/inet.h>
#include <curl/curl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <mutex>

#include "foundation/Log.h"
#include "foundation/RunLoop.h"
#include "platform/HTTPTransport.h"

namespace mw {

namespace {

std::string lowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string trimmed(const std::string& text)
{
    size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

void initialiseCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::mutex& trustLock()
{
    static std::mutex* const lock = new std::mutex();
    return *lock;
}

std::string& trustedFile()
{
    static std::string* const file = new std::string();
    return *file;
}

std::vector<std::string>& connectToEntries()
{
    static auto* const entries = new std::vector<std::string>();
    return *entries;
}

std::function<bool(const std::string&)>& connectionGuard()
{
    static auto* const guard = new std::function<bool(const std::string&)>();
    return *guard;
}

// Asks the guard (when one is installed) about every address a transfer
// connects to; a refused one gets no socket.
curl_socket_t openGuardedSocket(void*, curlsocktype purpose, curl_sockaddr* address)
{
    std::function<bool(const std::string&)> guard;
    {
        std::lock_guard<std::mutex> lock(trustLock());
        guard = connectionGuard();
    }
    if (guard && purpose == CURLSOCKTYPE_IPCXN) {
        char text[INET6_ADDRSTRLEN] = "?";
        if (address->family == AF_INET) {
            inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(&address->addr)->sin_addr, text, sizeof text);
        } else if (address->family == AF_INET6) {
            inet_ntop(AF_INET6, &reinterpret_cast<sockaddr_in6*>(&address->addr)->sin6_addr, text, sizeof text);
        }
        if (!guard(text)) {
            logLine("HTTP: connection to %s refused by the guard", text);
            return CURL_SOCKET_BAD;
        }
    }
    return socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
}

bool hasHeader(const HTTPRequest& request, const std::string& name) { return request.headers.contains(name); }

// Header names are ASCII tokens: folding the letters is enough.
bool sameName(const std::string& a, const std::string& b)
{
    auto fold = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](unsigned char x, unsigned char y) { return fold(x) == fold(y); });
}

// What both forms of sending set on a handle: address, method, body and the
// caller's headers. Answers the header list, which must outlive the transfer.
curl_slist* applyRequest(CURL* easy, const HTTPRequest& r, curl_slist** routing)
{
    curl_easy_setopt(easy, CURLOPT_URL, r.url.c_str());
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(easy, CURLOPT_OPENSOCKETFUNCTION, openGuardedSocket);
    {
        std::lock_guard<std::mutex> lock(trustLock());
        for (const std::string& entry : connectToEntries()) *routing = curl_slist_append(*routing, entry.c_str());
    }
    if (*routing) curl_easy_setopt(easy, CURLOPT_CONNECT_TO, *routing);
    if (r.acceptCompressed) curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "gzip, deflate");
    if (r.maxBodyBytes > 0)
        curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(r.maxBodyBytes));
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    // Peers and host names are always verified; only the anchors can change.
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    if (const std::string anchors = HTTPTransport::trustedCertificatesFile(); !anchors.empty()) {
        curl_easy_setopt(easy, CURLOPT_CAINFO, anchors.c_str());
        curl_easy_setopt(easy, CURLOPT_CAPATH, nullptr);
    }
    if (r.method == "HEAD") {
        curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    } else if (r.method == "POST") {
        curl_easy_setopt(easy, CURLOPT_POST, 1L);
    } else if (r.method != "GET") {
        curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, r.method.c_str());
    }
    if (!r.body.empty() || r.method == "POST") {
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(r.body.size()));
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, r.body.data());
    }
    curl_slist* list = nullptr;
    for (const auto& [name, value] : r.headers) list = curl_slist_append(list, (name + ": " + value).c_str());
    // libcurl's own additions are switched off: the caller's fields are the
    // request's. "Expect: 100-continue" would also stall larger bodies.
    for (const char* own : {"accept", "expect", "content-type"}) {
        if (!hasHeader(r, own)) list = curl_slist_append(list, (std::string(own) + ":").c_str());
    }
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, list);
    return list;
}

// Reads one header line into `head`. A status line starts a new head (after
// a 100 Continue or a redirect only the last answer's fields count). Answers
// true for the blank line that ends a head.
bool readHeaderLine(const std::string& line, HTTPResponse& head)
{
    if (line.rfind("HTTP/", 0) == 0) {
        head.status = 0;
        head.expectedLength = -1;
        head.headers.clear();
        head.fields.clear();
        size_t space = line.find(' ');
        if (space != std::string::npos) head.status = std::atoi(line.c_str() + space + 1);
        return false;
    }
    std::string content = trimmed(line);
    if (content.empty()) {
        auto& headers = head.headers;
        auto chunked = headers.find("transfer-encoding");
        auto length = headers.find("content-length");
        if (length != headers.end() &&
            (chunked == headers.end() || lowerCase(chunked->second).find("chunked") == std::string::npos)) {
            head.expectedLength = std::strtoll(length->second.c_str(), nullptr, 10);
        }
        return true;
    }
    size_t colon = content.find(':');
    if (colon != std::string::npos) {
        std::string name = lowerCase(trimmed(content.substr(0, colon)));
        std::string value = trimmed(content.substr(colon + 1));
        head.headers[name] = value;
        head.fields.emplace_back(std::move(name), std::move(value));
    }
    return false;
}

// What curl's callbacks saw during one turn of the multi handle, other than
// body data. They are handed to the delegate outside curl_multi_perform, or
// just before the body data that follows them.
struct Event {
    enum Kind { Response, Redirect, Fail, Finish } kind;
    HTTPResponse response;
    std::string text;
    int status = 0;
};

class CurlHTTPConnection;
class CurlHTTPTransport;

// The part of a request the transport keeps while curl works on it.
struct Transfer {
    CURL* easy = nullptr;
    curl_slist* headerList = nullptr;
    curl_slist* routing = nullptr;
    uint64_t received = 0; // body bytes handed over, after decoding
    bool overLimit = false;
    HTTPRequest request;
    HTTPConnectionDelegate* delegate = nullptr;
    CurlHTTPConnection* connection = nullptr; // null once the caller dropped it
    CurlHTTPTransport* owner = nullptr;
    bool added = false; // to the multi handle
    bool cancelled = false;
    bool done = false;

    // Head of the answer being read.
    HTTPResponse head;
    bool headComplete = false;
    bool redirected = false;
    std::vector<Event> events;
};

class CurlHTTPConnection : public HTTPConnection {
public:
    CurlHTTPConnection(std::shared_ptr<Transfer> transfer, std::function<void(Transfer&)> remove)
        : transfer_(std::move(transfer)), remove_(std::move(remove))
    {
        transfer_->connection = this;
    }
    ~CurlHTTPConnection() override
    {
        cancel();
        transfer_->connection = nullptr;
    }
    void cancel() override
    {
        if (transfer_->cancelled) return;
        transfer_->cancelled = true;
        transfer_->events.clear();
        remove_(*transfer_);
    }
    const HTTPRequest& request() const override { return transfer_->request; }

private:
    std::shared_ptr<Transfer> transfer_;
    std::function<void(Transfer&)> remove_;
};

size_t onHeader(char* buffer, size_t size, size_t count, void* user)
{
    auto& transfer = *static_cast<Transfer*>(user);
    std::string line(buffer, size * count);
    if (line.rfind("HTTP/", 0) == 0) transfer.headComplete = false;
    if (!readHeaderLine(line, transfer.head)) return size * count;
    if (transfer.head.status < 200) return size * count; // an interim answer
    transfer.headComplete = true;
    auto& headers = transfer.head.headers;
    auto location = headers.find("location");
    if (transfer.head.status >= 300 && transfer.head.status < 400 && location != headers.end()) {
        transfer.redirected = true;
        transfer.events.push_back({Event::Redirect, transfer.head, location->second, transfer.head.status});
    } else {
        transfer.events.push_back({Event::Response, transfer.head, {}, 0});
    }
    return size * count;
}

// libcurl's receive buffer for the run-loop transfers: large enough that a
// fast download costs few callbacks and writes, small next to a frame's memory.
constexpr long kReceiveBufferBytes = 256 * 1024;

// The longest single wait on the sockets (curl_multi_poll takes milliseconds
// as an int).
constexpr double kLongestWaitSeconds = 3600;

class CurlHTTPTransport : public HTTPTransport, public std::enable_shared_from_this<CurlHTTPTransport> {
public:
    CurlHTTPTransport()
    {
        initialiseCurlOnce();
        // Without its threaded resolver libcurl resolves names inside
        // curl_multi_perform, on the main thread.
        static std::once_flag resolverNote;
        std::call_once(resolverNote, [] {
            if (!(curl_version_info(CURLVERSION_NOW)->features & CURL_VERSION_ASYNCHDNS))
                logLine("HTTP: libcurl resolves names synchronously; a slow name server stalls the main loop");
        });
        multi_ = std::shared_ptr<CURLM>(curl_multi_init(), [](CURLM* multi) { curl_multi_cleanup(multi); });
        curl_multi_setopt(multi_.get(), CURLMOPT_MAXCONNECTS, kIdleConnectionsKept);
    }
    ~CurlHTTPTransport() override
    {
        if (source_) RunLoop::main().removeWaitableSource(source_.get());
        for (auto& transfer : transfers_) release(*transfer);
        // The multi handle goes with the last wake-up that may still hold it.
    }

    std::unique_ptr<HTTPConnection> start(const HTTPRequest& request, HTTPConnectionDelegate* delegate) override
    {
        if (request.url.rfind("http://", 0) != 0 && request.url.rfind("https://", 0) != 0) {
            logLine("HTTP: cannot send to \"%s\"", request.url.c_str());
            return nullptr;
        }
        auto transfer = std::make_shared<Transfer>();
        transfer->request = request;
        transfer->delegate = delegate;
        transfer->owner = this;
        transfer->easy = curl_easy_init();
        configure(*transfer);
        // Inside curl (a delegate starting a request from a data callback)
        // the handle joins after curl returns.
        if (!insideCurl_) {
            curl_multi_add_handle(multi_.get(), transfer->easy);
            transfer->added = true;
        }
        transfers_.push_back(transfer);
        std::weak_ptr<CurlHTTPTransport> weak = weak_from_this();
        auto connection = std::make_unique<CurlHTTPConnection>(transfer, [weak](Transfer& t) {
            if (auto self = weak.lock()) self->release(t);
        });
        ensureSource();
        return connection;
    }

    // Body data goes to the delegate straight from libcurl's buffer, after
    // the head events before it. A delegate that cancels here (any
    // connection) has its transfer taken out once curl returns; answering 0
    // stops curl reading for a cancelled one.
    static size_t onBody(char* buffer, size_t size, size_t count, void* user)
    {
        auto& transfer = *static_cast<Transfer*>(user);
        size_t bytes = size * count;
        if (transfer.cancelled) return 0;
        if (transfer.redirected || bytes == 0) return bytes;
        const uint64_t limit = transfer.request.maxBodyBytes;
        if (limit > 0 && transfer.received + bytes > limit) {
            transfer.overLimit = true;
            return 0;
        }
        transfer.received += bytes;
        transfer.owner->dispatch(transfer);
        if (transfer.cancelled) return 0;
        if (transfer.connection && transfer.delegate) {
            transfer.delegate->didReceiveData(*transfer.connection, reinterpret_cast<const uint8_t*>(buffer), bytes);
        }
        return transfer.cancelled ? 0 : bytes;
    }

private:
    void configure(Transfer& t)
    {
        CURL* easy = t.easy;
        const HTTPRequest& r = t.request;
        t.headerList = applyRequest(easy, r, &t.routing);
        curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
        curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, onHeader);
        curl_easy_setopt(easy, CURLOPT_HEADERDATA, &t);
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &CurlHTTPTransport::onBody);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, &t);
        curl_easy_setopt(easy, CURLOPT_BUFFERSIZE,
                         r.receiveBufferBytes > 0 ? static_cast<long>(r.receiveBufferBytes) : kReceiveBufferBytes);
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(r.timeoutSeconds * 1000));
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, std::max(1L, static_cast<long>(r.timeoutSeconds)));
    }

    // Inside curl_multi_perform only marks the transfer; the turn takes it
    // out of the multi handle once curl returns.
    void release(Transfer& t)
    {
        t.cancelled = true;
        t.events.clear();
        if (!t.easy || insideCurl_) return;
        if (t.added) curl_multi_remove_handle(multi_.get(), t.easy);
        curl_easy_cleanup(t.easy);
        curl_slist_free_all(t.headerList);
        curl_slist_free_all(t.routing);
        t.easy = nullptr;
        t.headerList = nullptr;
        t.routing = nullptr;
    }

    // While requests run, the main loop turns curl at every drain and, when
    // it has nothing else to do, sleeps on curl's sockets and time-outs.
    void ensureSource()
    {
        if (source_) return;
        std::weak_ptr<CurlHTTPTransport> weak = weak_from_this();
        source_ = std::make_shared<RunLoop::WaitableSource>();
        source_->service = [weak] {
            if (auto self = weak.lock()) self->turn();
        };
        source_->wait = [weak](double seconds) {
            if (auto self = weak.lock()) self->waitForSockets(seconds);
        };
        source_->wake = [multi = multi_] { curl_multi_wakeup(multi.get()); };
        RunLoop::main().addWaitableSource(source_);
    }

    void waitForSockets(double seconds)
    {
        if (insideCurl_) return;
        long curlMs = -1;
        curl_multi_timeout(multi_.get(), &curlMs);
        long ms = static_cast<long>(std::ceil(std::min(seconds, kLongestWaitSeconds) * 1000));
        if (curlMs >= 0) ms = std::min(ms, curlMs);
        if (ms <= 0) return;
        curl_multi_poll(multi_.get(), nullptr, 0, static_cast<int>(ms), nullptr);
    }

    void turn()
    {
        // A delegate draining the loop from a callback. The caller holds the
        // transport, so a delegate may drop it meanwhile.
        if (insideCurl_) return;
        for (auto& transfer : transfers_) {
            // Started from inside curl: joins now.
            if (transfer->easy && !transfer->cancelled && !transfer->added) {
                curl_multi_add_handle(multi_.get(), transfer->easy);
                transfer->added = true;
            }
        }
        int running = 0;
        insideCurl_ = true;
        curl_multi_perform(multi_.get(), &running);
        insideCurl_ = false;
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(multi_.get(), &left)) {
            if (message->msg != CURLMSG_DONE) continue;
            for (auto& transfer : transfers_) {
                if (transfer->easy != message->easy_handle || transfer->cancelled) continue;
                transfer->done = true;
                CURLcode result = message->data.result;
                if (result == CURLE_OK && (transfer->headComplete || transfer->redirected)) {
                    transfer->events.push_back({Event::Finish, {}, {}, 0});
                } else {
                    std::string text = result == CURLE_OK ? "no answer" : curl_easy_strerror(result);
                    if (transfer->overLimit || result == CURLE_FILESIZE_EXCEEDED) {
                        text = "body larger than " + std::to_string(transfer->request.maxBodyBytes) + " bytes";
                    }
                    transfer->events.push_back({Event::Fail, {}, text, 0});
                }
            }
        }
        // Hand the events over; a delegate may cancel any connection meanwhile.
        auto snapshot = transfers_;
        for (auto& transfer : snapshot) dispatch(*transfer);
        std::erase_if(transfers_, [this](const std::shared_ptr<Transfer>& t) {
            if (t->done || t->cancelled) release(*t);
            return t->cancelled || t->done;
        });
        if (transfers_.empty() && source_) {
            RunLoop::main().removeWaitableSource(source_.get());
            source_ = nullptr;
        }
    }

    void dispatch(Transfer& t)
    {
        if (t.events.empty()) return;
        std::vector<Event> events;
        events.swap(t.events);
        for (auto& event : events) {
            if (t.cancelled || !t.connection) return;
            HTTPConnection& connection = *t.connection;
            HTTPConnectionDelegate* delegate = t.delegate;
            if (!delegate) continue;
            switch (event.kind) {
            case Event::Response: delegate->didReceiveResponse(connection, event.response); break;
            case Event::Redirect:
                delegate->willRedirect(connection, event.response);
                if (t.cancelled || !t.connection) return;
                delegate->didRedirect(connection, event.status, event.text);
                break;
            case Event::Fail: delegate->didFail(connection, event.text); break;
            case Event::Finish: delegate->didFinish(connection); break;
            }
        }
    }

    std::shared_ptr<CURLM> multi_;
    std::vector<std::shared_ptr<Transfer>> transfers_;
    std::shared_ptr<RunLoop::WaitableSource> source_;
    bool insideCurl_ = false;
};

size_t collectHead(char* buffer, size_t size, size_t count, void* user)
{
    (void)readHeaderLine(std::string(buffer, size * count), *static_cast<HTTPResponse*>(user));
    return size * count;
}

size_t collectBody(char* buffer, size_t size, size_t count, void* user)
{
    auto& body = static_cast<HTTPResponse*>(user)->body;
    body.insert(body.end(), buffer, buffer + size * count);
    return size * count;
}

std::mutex gLock;
std::shared_ptr<HTTPTransport>& installed()
{
    static std::shared_ptr<HTTPTransport> transport = std::make_shared<CurlHTTPTransport>();
    return transport;
}

std::mutex gSpaceLock;
std::function<std::optional<uint64_t>(const std::string&)> gFreeSpaceOverride;

} // namespace

std::string& HTTPHeaderFields::operator[](const std::string& name)
{
    for (auto& field : fields_)
        if (sameName(field.first, name)) return field.second;
    fields_.emplace_back(name, std::string());
    return fields_.back().second;
}

const std::string* HTTPHeaderFields::find(const std::string& name) const
{
    for (const auto& field : fields_)
        if (sameName(field.first, name)) return &field.second;
    return nullptr;
}

void HTTPHeaderFields::remove(const std::string& name)
{
    std::erase_if(fields_, [&](const Field& field) { return sameName(field.first, name); });
}

std::shared_ptr<HTTPTransport> HTTPTransport::sharedInstance()
{
    std::lock_guard<std::mutex> guard(gLock);
    return installed();
}

std::shared_ptr<HTTPTransport> HTTPTransport::replaceSharedInstance(std::shared_ptr<HTTPTransport> transport)
{
    std::lock_guard<std::mutex> guard(gLock);
    if (!transport) transport = std::make_shared<CurlHTTPTransport>();
    std::swap(transport, installed());
    return transport;
}

HTTPResponse HTTPTransport::send(const HTTPRequest& request)
{
    initialiseCurlOnce();
    HTTPResponse response;
    response.finalUrl = request.url;
    CURL* easy = curl_easy_init();
    if (!easy) {
        response.error = "cannot make a transfer";
        return response;
    }
    curl_slist* routing = nullptr;
    curl_slist* headerList = applyRequest(easy, request, &routing);
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(request.timeoutSeconds * 1000));
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, collectBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &response);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, collectHead);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &response);
    const CURLcode result = curl_easy_perform(easy);
    if (result != CURLE_OK) response.error = curl_easy_strerror(result);
    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    response.status = static_cast<int>(status);
    if (char* effective = nullptr; curl_easy_getinfo(easy, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective) {
        response.finalUrl = effective;
    }
    curl_slist_free_all(headerList);
    curl_slist_free_all(routing);
    curl_easy_cleanup(easy);
    return response;
}

void HTTPTransport::setConnectTo(std::vector<std::string> entries)
{
    std::lock_guard<std::mutex> guard(trustLock());
    connectToEntries() = std::move(entries);
}

void HTTPTransport::setConnectionGuard(std::function<bool(const std::string& address)> guard)
{
    std::lock_guard<std::mutex> lock(trustLock());
    connectionGuard() = std::move(guard);
}

void HTTPTransport::setTrustedCertificatesFile(const std::string& pemPath)
{
    std::lock_guard<std::mutex> guard(trustLock());
    trustedFile() = pemPath;
}

std::string HTTPTransport::trustedCertificatesFile()
{
    std::lock_guard<std::mutex> guard(trustLock());
    return trustedFile();
}

std::optional<uint64_t> freeSpaceOfFolder(const std::string& folder)
{
    {
        std::lock_guard<std::mutex> guard(gSpaceLock);
        if (gFreeSpaceOverride) return gFreeSpaceOverride(folder);
    }
    struct statvfs info {};
    if (statvfs(folder.c_str(), &info) != 0) return std::nullopt;
    return static_cast<uint64_t>(info.f_bavail) * info.f_frsize;
}

void setFreeSpaceOverride(std::function<std::optional<uint64_t>(const std::string& folder)> answer)
{
    std::lock_guard<std::mutex> guard(gSpaceLock);
    gFreeSpaceOverride = std::move(answer);
}

} // namespace mw
