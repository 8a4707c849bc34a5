#include <curl/curl.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <mutex>

#include "foundation/Log.h"
#include "foundation/NSTimer.h"
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

bool hasHeader(const HTTPRequest& request, const std::string& name)
{
    return std::any_of(request.headers.begin(), request.headers.end(),
                       [&](const auto& field) { return lowerCase(field.first) == name; });
}

// What both forms of sending set on a handle: address, method, body and the
// caller's headers. Answers the header list, which must outlive the transfer.
curl_slist* applyRequest(CURL* easy, const HTTPRequest& r)
{
    curl_easy_setopt(easy, CURLOPT_URL, r.url.c_str());
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
        head.headers[lowerCase(trimmed(content.substr(0, colon)))] = trimmed(content.substr(colon + 1));
    }
    return false;
}

// What curl's callbacks saw during one turn of the multi handle. They are
// handed to the delegate only after curl returns, so a delegate may cancel
// or destroy its connection from any callback.
struct Event {
    enum Kind { Response, Data, Redirect, Fail, Finish } kind;
    HTTPResponse response;
    std::vector<uint8_t> data;
    std::string text;
    int status = 0;
};

class CurlHTTPConnection;

// The part of a request the transport keeps while curl works on it.
struct Transfer {
    CURL* easy = nullptr;
    curl_slist* headerList = nullptr;
    HTTPRequest request;
    HTTPConnectionDelegate* delegate = nullptr;
    CurlHTTPConnection* connection = nullptr; // null once the caller dropped it
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
        transfer.events.push_back({Event::Redirect, {}, {}, location->second, transfer.head.status});
    } else {
        transfer.events.push_back({Event::Response, transfer.head, {}, {}, 0});
    }
    return size * count;
}

size_t onBody(char* buffer, size_t size, size_t count, void* user)
{
    auto& transfer = *static_cast<Transfer*>(user);
    size_t bytes = size * count;
    if (transfer.redirected || bytes == 0) return bytes;
    // Consecutive pieces of one turn travel as one event.
    if (!transfer.events.empty() && transfer.events.back().kind == Event::Data) {
        auto& data = transfer.events.back().data;
        data.insert(data.end(), buffer, buffer + bytes);
    } else {
        Event event{Event::Data, {}, {}, {}, 0};
        event.data.assign(buffer, buffer + bytes);
        transfer.events.push_back(std::move(event));
    }
    return bytes;
}

class CurlHTTPTransport : public HTTPTransport, public std::enable_shared_from_this<CurlHTTPTransport> {
public:
    CurlHTTPTransport()
    {
        initialiseCurlOnce();
        multi_ = curl_multi_init();
    }
    ~CurlHTTPTransport() override
    {
        if (timer_) timer_->invalidate();
        for (auto& transfer : transfers_) release(*transfer);
        curl_multi_cleanup(multi_);
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
        transfer->easy = curl_easy_init();
        configure(*transfer);
        curl_multi_add_handle(multi_, transfer->easy);
        transfers_.push_back(transfer);
        std::weak_ptr<CurlHTTPTransport> weak = weak_from_this();
        auto connection = std::make_unique<CurlHTTPConnection>(transfer, [weak](Transfer& t) {
            if (auto self = weak.lock()) self->release(t);
        });
        ensureTimer();
        return connection;
    }

private:
    void configure(Transfer& t)
    {
        CURL* easy = t.easy;
        const HTTPRequest& r = t.request;
        t.headerList = applyRequest(easy, r);
        curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
        curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, onHeader);
        curl_easy_setopt(easy, CURLOPT_HEADERDATA, &t);
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, onBody);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, &t);
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(r.timeoutSeconds * 1000));
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, std::max(1L, static_cast<long>(r.timeoutSeconds)));
    }

    // Safe outside curl_multi_perform only (the events are dispatched after it).
    void release(Transfer& t)
    {
        if (!t.easy) return;
        curl_multi_remove_handle(multi_, t.easy);
        curl_easy_cleanup(t.easy);
        curl_slist_free_all(t.headerList);
        t.easy = nullptr;
        t.headerList = nullptr;
        t.cancelled = true;
    }

    void ensureTimer()
    {
        if (timer_ && timer_->isValid()) return;
        std::weak_ptr<CurlHTTPTransport> weak = weak_from_this();
        // Interval 0: one turn at every drain of the main loop, never blocking.
        timer_ = NSTimer::timer(0, true, [weak](NSTimer*) {
            if (auto self = weak.lock()) self->turn();
        });
        RunLoop::main().addTimer(timer_);
    }

    void turn()
    {
        int running = 0;
        curl_multi_perform(multi_, &running);
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(multi_, &left)) {
            if (message->msg != CURLMSG_DONE) continue;
            for (auto& transfer : transfers_) {
                if (transfer->easy != message->easy_handle) continue;
                transfer->done = true;
                CURLcode result = message->data.result;
                if (result == CURLE_OK && (transfer->headComplete || transfer->redirected)) {
                    transfer->events.push_back({Event::Finish, {}, {}, {}, 0});
                } else {
                    std::string text = result == CURLE_OK ? "no answer" : curl_easy_strerror(result);
                    transfer->events.push_back({Event::Fail, {}, {}, text, 0});
                }
            }
        }
        // Hand the events over; a delegate may cancel any connection meanwhile.
        auto snapshot = transfers_;
        for (auto& transfer : snapshot) dispatch(*transfer);
        std::erase_if(transfers_, [this](const std::shared_ptr<Transfer>& t) {
            if (t->done && !t->cancelled) release(*t);
            return t->cancelled || t->done;
        });
        if (transfers_.empty() && timer_) {
            timer_->invalidate();
            timer_ = nullptr;
        }
    }

    void dispatch(Transfer& t)
    {
        std::vector<Event> events;
        events.swap(t.events);
        for (auto& event : events) {
            if (t.cancelled || !t.connection) return;
            HTTPConnection& connection = *t.connection;
            HTTPConnectionDelegate* delegate = t.delegate;
            if (!delegate) continue;
            switch (event.kind) {
            case Event::Response: delegate->didReceiveResponse(connection, event.response); break;
            case Event::Data: delegate->didReceiveData(connection, event.data.data(), event.data.size()); break;
            case Event::Redirect: delegate->didRedirect(connection, event.status, event.text); break;
            case Event::Fail: delegate->didFail(connection, event.text); break;
            case Event::Finish: delegate->didFinish(connection); break;
            }
        }
    }

    CURLM* multi_ = nullptr;
    std::vector<std::shared_ptr<Transfer>> transfers_;
    Ref<NSTimer> timer_;
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
    curl_slist* headerList = applyRequest(easy, request);
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
    curl_easy_cleanup(easy);
    return response;
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
