#include <arpa/inet.h>
#include <curl/curl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/statvfs.h>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cctype>
#include <cmath>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

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

// Bumped whenever the connect-to entries change.
std::atomic<uint64_t> gRoutingGeneration{0};

// The connect-to entries as libcurl takes them (null for none), and the
// generation they belong to.
curl_slist* makeRouting(uint64_t* generation = nullptr)
{
    std::lock_guard<std::mutex> lock(trustLock());
    if (generation) *generation = gRoutingGeneration.load();
    curl_slist* routing = nullptr;
    for (const std::string& entry : connectToEntries()) routing = curl_slist_append(routing, entry.c_str());
    return routing;
}

// What both forms of sending set on a handle: address, method, body and the
// caller's headers, with `routing` (which must outlive the transfer) as its
// connect-to list. Answers the header list, which must outlive it too.
curl_slist* applyRequest(CURL* easy, const HTTPRequest& r, curl_slist* routing)
{
    curl_easy_setopt(easy, CURLOPT_URL, r.url.c_str());
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(easy, CURLOPT_OPENSOCKETFUNCTION, openGuardedSocket);
    if (routing) curl_easy_setopt(easy, CURLOPT_CONNECT_TO, routing);
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

// What the network thread saw of one transfer, handed to the main thread in
// the order it happened.
struct Event {
    enum Kind { Response, Data, Redirect, Fail, Finish } kind;
    HTTPResponse response;          // Response, Redirect
    std::string text;               // Redirect: the location; Fail: the reason
    int status = 0;                 // Redirect
    std::vector<uint8_t> data;      // Data
    std::shared_ptr<void> prepared; // Finish: what the request's prepare made
    bool wasPrepared = false;       // Finish: the prepare ran (its result may be null)

    static Event answer(HTTPResponse head) { return {Response, std::move(head), {}, 0, {}, {}, false}; }
    static Event redirect(HTTPResponse head, std::string location, int status)
    {
        return {Redirect, std::move(head), std::move(location), status, {}, {}, false};
    }
    static Event bytes(const uint8_t* first, size_t count)
    {
        return {Data, {}, {}, 0, std::vector<uint8_t>(first, first + count), {}, false};
    }
    static Event fail(std::string reason) { return {Fail, {}, std::move(reason), 0, {}, {}, false}; }
    static Event finish() { return {Finish, {}, {}, 0, {}, {}, false}; }
    static Event preparedFinish(std::shared_ptr<void> prepared)
    {
        return {Finish, {}, {}, 0, {}, std::move(prepared), true};
    }
};

class CurlHTTPConnection;
class NetworkThread;
struct Transfer;

// One event of one transfer on its way to the main thread.
using Delivery = std::pair<std::shared_ptr<Transfer>, Event>;

// Body bytes of one transfer handed over but not yet taken by the main
// thread beyond which the network thread pauses it: a slow main thread bounds
// the memory a fast download can fill.
constexpr uint64_t kMaxUndeliveredBytes = 4 * 1024 * 1024;

// A request while it runs. The request is written before the hand-over and
// only read afterwards; the rest belongs to one thread as marked.
struct Transfer {
    HTTPRequest request;

    // Main thread only.
    HTTPConnectionDelegate* delegate = nullptr;
    CurlHTTPConnection* connection = nullptr; // null once the caller dropped it
    bool ended = false;                        // finished, failed or cancelled

    // Both threads.
    std::atomic<bool> cancelled{false};
    std::atomic<uint64_t> undelivered{0};
    std::atomic<bool> paused{false};

    NetworkThread* network = nullptr; // set before the hand-over

    // Network thread only.
    CURL* easy = nullptr;
    curl_slist* headerList = nullptr;
    uint64_t received = 0; // body bytes seen, after decoding
    std::vector<uint8_t> body; // kept whole for the request's prepare
    bool overLimit = false;
    HTTPResponse head; // of the answer being read
    bool headComplete = false;
    bool redirected = false;
};

// libcurl's receive buffer for the transfers: large enough that a fast
// download costs few callbacks, small next to a frame's memory.
constexpr long kReceiveBufferBytes = 256 * 1024;

// Threads running libcurl: the TLS work and the loopback deliveries of one
// thread's sends and receives bound how fast a burst of small answers goes.
constexpr size_t kNetworkThreads = 2;

// The longest single wait on the sockets (curl_multi_poll takes milliseconds
// as an int).
constexpr double kLongestWaitSeconds = 3600;

// The thread that runs libcurl for the run-loop transport. The main thread
// hands it commands (start, stop, resume a transfer); it hands back what
// happened through the main run loop, one queued drain for however many
// events came meanwhile. It touches no delegate and no caller's object.
class NetworkThread : public std::enable_shared_from_this<NetworkThread> {
public:
    enum class Command { Add, Remove, Resume };

    NetworkThread() : owner_(::getpid())
    {
        multi_ = curl_multi_init();
        curl_multi_setopt(multi_, CURLMOPT_MAXCONNECTS, HTTPTransport::kIdleConnectionsKept);
    }
    ~NetworkThread()
    {
        if (multi_) curl_multi_cleanup(multi_);
    }

    pid_t owner() const { return owner_; }

    // Main thread: transfers handed over and not yet ended.
    int load() const { return load_; }
    void noteStarted() { ++load_; }
    void noteEnded() { --load_; }

    void launch()
    {
        thread_ = std::thread([this] { run(); });
    }

    // Ends the thread; transfers still running are dropped and nothing more
    // reaches a delegate.
    void shutDown()
    {
        closed_ = true;
        {
            std::lock_guard guard(lock_);
            stopping_ = true;
        }
        curl_multi_wakeup(multi_);
        if (thread_.joinable()) thread_.join();
    }

    void send(Command command, std::shared_ptr<Transfer> transfer)
    {
        bool wake = false;
        {
            std::lock_guard guard(lock_);
            inbox_.push_back({command, std::move(transfer)});
            inboxFilled_.store(true, std::memory_order_release);
            wake = sleeping_;
            sleeping_ = false;
        }
        if (wake) curl_multi_wakeup(multi_);
    }

    // Main thread: hands over the events that had come when this drain was
    // queued, in order; later ones wait for the drain they queue, so an
    // answer never arrives in the turn that started its request. A delegate
    // that runs the loop from a callback goes on with the same sequence, so
    // no event overtakes an earlier one.
    void deliver()
    {
        if (pending_.empty()) {
            std::lock_guard guard(lock_);
            drainPosted_ = false;
            pending_.swap(outbox_);
        }
        while (!pending_.empty() && !closed_) {
            auto [transfer, event] = std::move(pending_.front());
            pending_.pop_front();
            dispatch(transfer, event);
        }
    }

    static size_t onHeader(char* buffer, size_t size, size_t count, void* user);
    static size_t onBody(char* buffer, size_t size, size_t count, void* user);

private:
    struct Order {
        Command command;
        std::shared_ptr<Transfer> transfer;
    };

    void run()
    {
        std::vector<Order> orders;
        for (;;) {
            {
                std::lock_guard guard(lock_);
                orders.swap(inbox_);
                inboxFilled_.store(false, std::memory_order_relaxed);
                if (stopping_) break;
            }
            for (Order& order : orders) obey(order);
            orders.clear();
            int running = 0;
            curl_multi_perform(multi_, &running);
            collectFinished();
            publish();
            // One preparation a turn: requests started meanwhile go out
            // between two, and each finish is handed over as it is ready.
            if (prepareNext()) continue;
            long curlMs = -1;
            curl_multi_timeout(multi_, &curlMs);
            long ms = static_cast<long>(kLongestWaitSeconds * 1000);
            if (curlMs >= 0) ms = std::min(ms, curlMs);
            if (ms > 0 && !running_.empty() && spinForInput()) continue;
            {
                std::lock_guard guard(lock_);
                if (!inbox_.empty() || stopping_) continue;
                sleeping_ = true;
            }
            if (ms > 0) curl_multi_poll(multi_, nullptr, 0, static_cast<int>(ms), nullptr);
            std::lock_guard guard(lock_);
            sleeping_ = false;
        }
        for (auto& transfer : running_) release(*transfer);
        running_.clear();
        for (CURL* easy : idleHandles_) curl_easy_cleanup(easy);
        idleHandles_.clear();
        curl_slist_free_all(routing_);
        for (curl_slist* list : retiredRouting_) curl_slist_free_all(list);
    }

    // While transfers run, answers come back quickly: the sockets and the
    // inbox are watched for a moment before the thread sleeps.
    bool spinForInput()
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::microseconds(50);
        do {
            if (inboxFilled_.load(std::memory_order_acquire)) return true;
            int ready = 0;
            curl_multi_poll(multi_, nullptr, 0, 0, &ready);
            if (ready > 0) return true;
        } while (std::chrono::steady_clock::now() < end);
        return false;
    }

    void obey(Order& order)
    {
        Transfer& t = *order.transfer;
        switch (order.command) {
        case Command::Add:
            if (t.cancelled) return;
            t.easy = takeHandle();
            if (!t.easy) {
                events_.push_back({order.transfer, Event::fail("cannot make a transfer")});
                return;
            }
            configure(t);
            curl_multi_add_handle(multi_, t.easy);
            running_.push_back(std::move(order.transfer));
            break;
        case Command::Remove:
            release(t);
            std::erase(running_, order.transfer);
            break;
        case Command::Resume:
            if (t.easy) curl_easy_pause(t.easy, CURLPAUSE_CONT);
            break;
        }
    }

    void configure(Transfer& t)
    {
        CURL* easy = t.easy;
        const HTTPRequest& r = t.request;
        t.headerList = applyRequest(easy, r, currentRouting());
        curl_easy_setopt(easy, CURLOPT_PRIVATE, &t);
        curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
        curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &NetworkThread::onHeader);
        curl_easy_setopt(easy, CURLOPT_HEADERDATA, &t);
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &NetworkThread::onBody);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, &t);
        curl_easy_setopt(easy, CURLOPT_BUFFERSIZE,
                         r.receiveBufferBytes > 0 ? static_cast<long>(r.receiveBufferBytes) : kReceiveBufferBytes);
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(r.timeoutSeconds * 1000));
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, std::max(1L, static_cast<long>(r.timeoutSeconds)));
    }

    // The handle goes back to the idle ones: reset, it keeps its receive
    // buffer and costs the next transfer no allocation.
    void release(Transfer& t)
    {
        if (!t.easy) return;
        curl_multi_remove_handle(multi_, t.easy);
        if (idleHandles_.size() < kIdleHandlesKept) {
            curl_easy_reset(t.easy);
            idleHandles_.push_back(t.easy);
        } else {
            curl_easy_cleanup(t.easy);
        }
        curl_slist_free_all(t.headerList);
        t.easy = nullptr;
        t.headerList = nullptr;
    }

    CURL* takeHandle()
    {
        if (idleHandles_.empty()) return curl_easy_init();
        CURL* easy = idleHandles_.back();
        idleHandles_.pop_back();
        return easy;
    }

    // The connect-to list of the present entries, made again only when they
    // changed. Lists of earlier entries stay until the thread ends, since
    // handles made with them may still run.
    curl_slist* currentRouting()
    {
        if (!routingMade_ || gRoutingGeneration.load() != routingGeneration_) {
            if (routing_) retiredRouting_.push_back(routing_);
            routing_ = makeRouting(&routingGeneration_);
            routingMade_ = true;
        }
        return routing_;
    }

    void collectFinished()
    {
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(multi_, &left)) {
            if (message->msg != CURLMSG_DONE) continue;
            Transfer* done = nullptr;
            curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, reinterpret_cast<char**>(&done));
            auto found = std::find_if(running_.begin(), running_.end(),
                                      [done](const auto& transfer) { return transfer.get() == done; });
            if (found == running_.end()) continue;
            std::shared_ptr<Transfer> transfer = std::move(*found);
            running_.erase(found);
            const CURLcode result = message->data.result;
            if (result == CURLE_OK && (transfer->headComplete || transfer->redirected)) {
                long status = 0;
                curl_easy_getinfo(transfer->easy, CURLINFO_RESPONSE_CODE, &status);
                if (transfer->request.prepare && !transfer->redirected && status >= 200 && status < 300) {
                    toPrepare_.push_back(transfer);
                } else {
                    events_.push_back({transfer, Event::finish()});
                }
            } else {
                std::string text = result == CURLE_OK ? "no answer" : curl_easy_strerror(result);
                if (transfer->overLimit || result == CURLE_FILESIZE_EXCEEDED) {
                    text = "body larger than " + std::to_string(transfer->request.maxBodyBytes) + " bytes";
                }
                events_.push_back({transfer, Event::fail(std::move(text))});
            }
            // The connection goes back to the pool now, not when the main
            // thread gets round to the answer.
            release(*transfer);
        }
    }

    // Hands this turn's events over; the first of a batch queues a drain.
    void publish()
    {
        if (events_.empty()) return;
        bool post = false;
        {
            std::lock_guard guard(lock_);
            for (Delivery& delivery : events_) outbox_.push_back(std::move(delivery));
            post = !drainPosted_;
            drainPosted_ = true;
        }
        events_.clear();
        if (!post) return;
        std::weak_ptr<NetworkThread> weak = weak_from_this();
        RunLoop::main().perform([weak] {
            if (auto self = weak.lock()) self->deliver();
        });
    }

    // The oldest answer whose request asked for a preparation, done here
    // rather than on another thread, which would cost a wake-up; its finish
    // follows. Answers whether there was one.
    bool prepareNext()
    {
        if (toPrepare_.empty()) return false;
        std::shared_ptr<Transfer> transfer = std::move(toPrepare_.front());
        toPrepare_.pop_front();
        std::shared_ptr<void> prepared;
        if (!transfer->cancelled) {
            try {
                prepared = transfer->request.prepare(transfer->body);
            } catch (const std::exception& error) {
                logLine("HTTP: preparing the answer of %s failed: %s", transfer->request.url.c_str(), error.what());
            }
        }
        transfer->body = {};
        events_.push_back({std::move(transfer), Event::preparedFinish(std::move(prepared))});
        publish();
        return true;
    }

    void push(Transfer& t, Event event)
    {
        // The transfer is running, so running_ holds it.
        for (const auto& transfer : running_) {
            if (transfer.get() == &t) {
                events_.push_back({transfer, std::move(event)});
                return;
            }
        }
    }

    static void dispatch(const std::shared_ptr<Transfer>& transfer, Event& event);

    pid_t owner_;
    CURLM* multi_ = nullptr;
    std::thread thread_;
    std::atomic<bool> closed_{false};

    std::mutex lock_;
    std::vector<Order> inbox_;          // under lock_
    std::atomic<bool> inboxFilled_{false}; // inbox_ is not empty (set under lock_)
    bool sleeping_ = false;             // under lock_: waiting on the sockets
    bool stopping_ = false;             // under lock_
    std::deque<Delivery> outbox_;       // under lock_
    bool drainPosted_ = false;          // under lock_

    static constexpr size_t kIdleHandlesKept = 16;

    // Network thread only.
    std::vector<std::shared_ptr<Transfer>> running_;
    std::vector<CURL*> idleHandles_;
    curl_slist* routing_ = nullptr;
    bool routingMade_ = false;
    uint64_t routingGeneration_ = 0;
    std::vector<curl_slist*> retiredRouting_;
    std::vector<Delivery> events_; // this turn's

    std::deque<std::shared_ptr<Transfer>> toPrepare_; // finished, waiting for their preparation

    // Main thread only: taken from the outbox, not yet handed over.
    std::deque<Delivery> pending_;
    int load_ = 0;
};

class CurlHTTPConnection : public HTTPConnection {
public:
    CurlHTTPConnection(std::shared_ptr<Transfer> transfer, std::weak_ptr<NetworkThread> network)
        : transfer_(std::move(transfer)), network_(std::move(network))
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
        const bool running = !transfer_->ended;
        transfer_->ended = true;
        if (!running) return;
        // The transport may be gone already, its threads with it.
        if (auto network = network_.lock()) {
            network->noteEnded();
            network->send(NetworkThread::Command::Remove, transfer_);
        }
    }
    const HTTPRequest& request() const override { return transfer_->request; }

private:
    std::shared_ptr<Transfer> transfer_;
    std::weak_ptr<NetworkThread> network_;
};

size_t NetworkThread::onHeader(char* buffer, size_t size, size_t count, void* user)
{
    auto& transfer = *static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    std::string line(buffer, bytes);
    if (line.rfind("HTTP/", 0) == 0) transfer.headComplete = false;
    if (!readHeaderLine(line, transfer.head)) return bytes;
    if (transfer.head.status < 200) return bytes; // an interim answer
    transfer.headComplete = true;
    auto& headers = transfer.head.headers;
    auto location = headers.find("location");
    if (transfer.head.status >= 300 && transfer.head.status < 400 && location != headers.end()) {
        transfer.redirected = true;
        transfer.network->push(transfer, Event::redirect(transfer.head, location->second, transfer.head.status));
    } else {
        transfer.network->push(transfer, Event::answer(std::move(transfer.head)));
        transfer.head = HTTPResponse();
    }
    return bytes;
}

// Body bytes are copied into the transfer's events. A cancelled transfer is
// stopped by answering 0.
size_t NetworkThread::onBody(char* buffer, size_t size, size_t count, void* user)
{
    auto& transfer = *static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    if (transfer.cancelled) return 0;
    if (transfer.redirected || bytes == 0) return bytes;
    const uint64_t limit = transfer.request.maxBodyBytes;
    if (limit > 0 && transfer.received + bytes > limit) {
        transfer.overLimit = true;
        return 0;
    }
    // Paused while the main thread is behind; libcurl hands the same bytes
    // again when it is resumed. The flag goes up before the count is read,
    // so a main thread catching up meanwhile sees it and resumes.
    transfer.paused = true;
    if (transfer.undelivered > kMaxUndeliveredBytes) return CURL_WRITEFUNC_PAUSE;
    transfer.paused = false;
    transfer.received += bytes;
    transfer.undelivered += bytes;
    const auto* first = reinterpret_cast<const uint8_t*>(buffer);
    if (transfer.request.prepare) transfer.body.insert(transfer.body.end(), first, first + bytes);
    transfer.network->push(transfer, Event::bytes(first, bytes));
    return bytes;
}

void NetworkThread::dispatch(const std::shared_ptr<Transfer>& transfer, Event& event)
{
    Transfer& t = *transfer;
    if (event.kind == Event::Data) {
        t.undelivered -= event.data.size();
        if (t.undelivered <= kMaxUndeliveredBytes && t.paused.exchange(false) && !t.ended) {
            if (NetworkThread* network = t.network) network->send(Command::Resume, transfer);
        }
    }
    if (t.ended || !t.connection) return;
    const bool last = event.kind == Event::Fail || event.kind == Event::Finish;
    if (last) {
        t.ended = true;
        t.network->noteEnded();
    }
    HTTPConnectionDelegate* delegate = t.delegate;
    if (!delegate) return;
    HTTPConnection& connection = *t.connection;
    switch (event.kind) {
    case Event::Response: delegate->didReceiveResponse(connection, event.response); break;
    case Event::Data: delegate->didReceiveData(connection, event.data.data(), event.data.size()); break;
    case Event::Redirect:
        delegate->willRedirect(connection, event.response);
        if (t.cancelled || !t.connection) return;
        delegate->didRedirect(connection, event.status, event.text);
        break;
    case Event::Fail: delegate->didFail(connection, event.text); break;
    case Event::Finish:
        if (event.wasPrepared) {
            delegate->didPrepare(connection, std::move(event.prepared));
            if (t.cancelled || !t.connection) return;
        }
        delegate->didFinish(connection);
        break;
    }
}

class CurlHTTPTransport : public HTTPTransport {
public:
    CurlHTTPTransport()
    {
        initialiseCurlOnce();
        // Without its threaded resolver libcurl resolves names inside
        // curl_multi_perform, on the network thread, holding up every other
        // transfer.
        static std::once_flag resolverNote;
        std::call_once(resolverNote, [] {
            if (!(curl_version_info(CURLVERSION_NOW)->features & CURL_VERSION_ASYNCHDNS))
                logLine("HTTP: libcurl resolves names synchronously; a slow name server stalls every transfer");
        });
    }
    ~CurlHTTPTransport() override
    {
        for (auto& network : networks_) {
            if (!network) continue;
            if (network->owner() == ::getpid()) network->shutDown();
            else leaveAlone(std::move(network));
        }
    }

    std::unique_ptr<HTTPConnection> start(const HTTPRequest& request, HTTPConnectionDelegate* delegate) override
    {
        if (request.url.rfind("http://", 0) != 0 && request.url.rfind("https://", 0) != 0) {
            logLine("HTTP: cannot send to \"%s\"", request.url.c_str());
            return nullptr;
        }
        NetworkThread& network = leastLoadedNetwork();
        auto transfer = std::make_shared<Transfer>();
        transfer->request = request;
        transfer->delegate = delegate;
        transfer->network = &network;
        auto connection = std::make_unique<CurlHTTPConnection>(transfer, network.weak_from_this());
        network.noteStarted();
        network.send(NetworkThread::Command::Add, std::move(transfer));
        return connection;
    }

private:
    // A forked child's copy of the parent's thread state: the thread does not
    // exist here and a lock it held at the fork may stay taken, so it is
    // neither joined nor destroyed.
    static void leaveAlone(std::shared_ptr<NetworkThread> network)
    {
        new std::shared_ptr<NetworkThread>(std::move(network));
    }

    // The thread with the fewest transfers running, made when needed.
    NetworkThread& leastLoadedNetwork()
    {
        NetworkThread* best = nullptr;
        for (auto& network : networks_) {
            if (network && network->owner() != ::getpid()) leaveAlone(std::move(network));
            if (!network) {
                network = std::make_shared<NetworkThread>();
                network->launch();
            }
            if (!best || network->load() < best->load()) best = network.get();
        }
        return *best;
    }

    std::array<std::shared_ptr<NetworkThread>, kNetworkThreads> networks_;
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
    curl_slist* routing = makeRouting();
    curl_slist* headerList = applyRequest(easy, request, routing);
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
    ++gRoutingGeneration;
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
