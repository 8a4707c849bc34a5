// The transfer of a server data record over HTTP: the request of each hop,
// the redirects, the cookies, the answer and the one status it sums up to.

#include "social/queues/records/CCServerDataHTTP.h"

#include <mutex>

#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "foundation/PropertyList.h"
#include "foundation/RunLoop.h"
#include "platform/HTTPCookie.h"
#include "platform/HTTPCookieStorage.h"
#include "social/queues/CCNeighbours.h"
#include "social/queues/CCQueueSession.h"
#include "social/queues/records/CCServerRecords.h"

namespace mw {
namespace {

std::mutex gBoundsLock;
ServerDataTransferBounds gBounds;

std::string lowerCase(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// Only these two schemes are transferred, for the first request and every hop.
bool isTransferableURL(const std::string& url)
{
    const size_t colon = url.find("://");
    if (colon == std::string::npos) return false;
    const std::string scheme = lowerCase(url.substr(0, colon));
    return (scheme == "http" || scheme == "https") && url.size() > colon + 3;
}

// A Location against the URL it came from: absolute, scheme-relative,
// absolute path or relative path. Empty when `base` has no scheme.
std::string resolveLocation(const std::string& base, const std::string& location)
{
    const size_t schemeEnd = location.find(':');
    const size_t firstSlash = location.find('/');
    if (schemeEnd != std::string::npos && (firstSlash == std::string::npos || schemeEnd < firstSlash)) {
        return location; // has its own scheme
    }
    const size_t colon = base.find("://");
    if (colon == std::string::npos) return {};
    if (location.rfind("//", 0) == 0) return base.substr(0, colon + 1) + location;
    const size_t pathStart = base.find('/', colon + 3);
    const std::string origin = pathStart == std::string::npos ? base : base.substr(0, pathStart);
    if (!location.empty() && location.front() == '/') return origin + location;
    std::string path = pathStart == std::string::npos ? "/" : base.substr(pathStart);
    if (size_t end = path.find_first_of("?#"); end != std::string::npos) path.erase(end);
    if (location.empty()) return origin + path;
    if (location.front() == '?') return origin + path + location;
    path.erase(path.rfind('/') + 1);
    return origin + path + location;
}

std::string bundleText(const char* key)
{
    static const std::optional<Value> info = [] {
        const std::string path = Paths::pathForResource("Info.plist");
        return path.empty() ? std::optional<Value>() : readPropertyListFile(path);
    }();
    return info ? (*info)[key].asString() : std::string();
}

bool isSuccess(int status) { return status == 0 || status == 200 || status == 201 || status == 202; }

} // namespace

ServerDataTransferBounds ServerDataTransferBounds::current()
{
    std::lock_guard guard(gBoundsLock);
    return gBounds;
}

void ServerDataTransferBounds::setCurrent(const ServerDataTransferBounds& bounds)
{
    std::lock_guard guard(gBoundsLock);
    gBounds = bounds;
}

// ---- the record's side ----

CCAbstractServerData::~CCAbstractServerData()
{
    // A running transfer holds the record, so one that is still here has
    // ended; this only lets go of it.
    if (transfer_) transfer_->cancel();
}

void CCAbstractServerData::initiateGetWithDelegate(CCServerDataHTTPDelegate* delegate)
{
    if (auto running = std::move(transfer_)) running->cancel();
    httpDelegate_ = delegate;
    transfer_ = std::make_shared<ServerDataTransfer>(*this, ServerDataTransfer::Kind::Get);
    transfer_->start();
}

void CCAbstractServerData::initiatePostWithDelegate(CCServerDataHTTPDelegate* delegate)
{
    if (auto running = std::move(transfer_)) running->cancel();
    httpDelegate_ = delegate;
    transfer_ = std::make_shared<ServerDataTransfer>(*this, ServerDataTransfer::Kind::Post);
    transfer_->start();
}

void CCAbstractServerData::clearDelegate()
{
    httpDelegate_ = nullptr;
    // Last: cancelling may let go of the last hold on this record.
    if (auto running = std::move(transfer_)) running->cancel();
}

void CCAbstractServerData::addUserAgentToHeaders(HTTPRequest& request) const
{
    request.headers.set("User-Agent", bundleText("CFBundleName") + "/" + bundleText("CFBundleVersion") + " gzip");
}

void CCAbstractServerData::addContentTypeToHeaders(HTTPRequest& request) const
{
    const bool form = url_.empty() || url_.find("j_spring_security_check") != std::string::npos;
    request.headers.set("Content-Type", form ? "application/x-www-form-urlencoded" : "application/json");
}

const HTTPResponse* CCAbstractServerData::urlResponse() const
{
    return transfer_ ? transfer_->response() : nullptr;
}

// ---- the transfer ----

ServerDataTransfer::ServerDataTransfer(CCAbstractServerData& record, Kind kind) : record_(&record), kind_(kind) {}

ServerDataTransfer::~ServerDataTransfer() = default;

void ServerDataTransfer::start()
{
    CCAbstractServerData& record = *record_;
    std::vector<uint8_t> body;
    if (kind_ == Kind::Post) {
        if (record.dataType() == CCUIDescription::kDataType) record.setDoNotCacheOverride(true);
        if (record.postData()) {
            body = *record.postData();
        } else if (std::optional<std::string> envelope = record.JSONRepresentation()) {
            body.assign(envelope->begin(), envelope->end());
        }
    }
    record.setNetworkOpAttemptCount(record.networkOpAttemptCount() + 1);
    record.setNetworkOpInProgress(true);
    record.setReceivedData({});
    if (auto* picture = dynamic_cast<CCImageData*>(&record)) picture->forgetDecodedReceivedData();
    if (kind_ == Kind::Post && body.empty()) {
        logLine("Lumora: nothing to post to %s", record.url().c_str());
        reportLater(kNetworkOpHTTPError);
        return;
    }
    if (!isTransferableURL(record.url())) {
        logLine("Lumora: cannot transfer \"%s\"", record.url().c_str());
        reportLater(kNetworkOpFailed);
        return;
    }
    buildRequest(record.url(), kind_ == Kind::Post ? "POST" : "GET", std::move(body));
    if (!sendCurrentRequest()) reportLater(kNetworkOpFailed);
}

void ServerDataTransfer::buildRequest(const std::string& url, const std::string& method, std::vector<uint8_t> body)
{
    CCAbstractServerData& record = *record_;
    const ServerDataTransferBounds bounds = ServerDataTransferBounds::current();
    request_ = HTTPRequest();
    request_.method = method;
    request_.url = url;
    request_.body = std::move(body);
    request_.timeoutSeconds = bounds.stallSeconds;
    request_.maxBodyBytes = bounds.maxBodyBytes;
    request_.acceptCompressed = true;
    // Bodies reach the main thread in pieces of at most this size.
    request_.receiveBufferBytes = 64 * 1024;
    // A picture is decoded by the transport, away from the main thread, as
    // soon as its bytes are in; the record takes the picture with the finish.
    if (method == "GET" && dynamic_cast<CCImageData*>(&record)) {
        request_.prepare = [name = url](const std::vector<uint8_t>& bytes) -> std::shared_ptr<void> {
            return std::make_shared<Ref<Image>>(Image::decode(bytes.data(), bytes.size(), name));
        };
    }
    if (method == "POST") record.addContentTypeToHeaders(request_);
    else request_.headers.set("Content-Type", "application/json");
    // The session signs only requests to its own hosts over https; every
    // hop is judged by its own URL.
    if (CCQueueSession* session = CCQueueSession::shared()) session->addHeadersToURLRequest(request_);
    if (record.dataType() == CCUIDescription::kDataType && record.uiViewType() == 2)
        request_.headers.set("x-lumora-uiview", "lumora-tab");
    record.addUserAgentToHeaders(request_);
    std::string cookies;
    for (const HTTPCookie& cookie : HTTPCookieStorage::sharedInstance()->cookiesForURL(url)) {
        if (!cookies.empty()) cookies += "; ";
        cookies += std::string(cookie.name()) + "=" + std::string(cookie.value());
    }
    if (!cookies.empty()) request_.headers.set("Cookie", cookies);
}

bool ServerDataTransfer::sendCurrentRequest()
{
    ++hops_;
    hasResponse_ = false;
    connection_ = HTTPTransport::sharedInstance()->start(request_, this);
    return connection_ != nullptr;
}

void ServerDataTransfer::reportLater(int status)
{
    std::weak_ptr<ServerDataTransfer> weak = weak_from_this();
    RunLoop::main().perform([weak, status] {
        if (auto self = weak.lock()) self->finishWithStatus(status);
    });
}

void ServerDataTransfer::cancel()
{
    if (ended_) return;
    ended_ = true;
    auto keep = shared_from_this();
    Ref<CCAbstractServerData> record = std::move(record_);
    if (connection_) connection_->cancel();
    connection_.reset();
    record->setNetworkOpInProgress(false);
}

void ServerDataTransfer::storeCookies(const HTTPResponse& response)
{
    std::vector<std::string> lines;
    for (const auto& [name, value] : response.fields)
        if (name == "set-cookie") lines.push_back(value);
    if (!lines.empty()) HTTPCookieStorage::sharedInstance()->setCookiesFromResponse(lines, request_.url);
}

void ServerDataTransfer::didReceiveResponse(HTTPConnection&, const HTTPResponse& response)
{
    if (ended_) return;
    response_ = response;
    response_.finalUrl = request_.url;
    hasResponse_ = true;
    storeCookies(response);
    // A new answer starts the body again; an announced length within the
    // bound is taken at its word, so a large body is not copied as it grows.
    record_->receivedData_.clear();
    if (response.expectedLength > 0 && static_cast<uint64_t>(response.expectedLength) <= request_.maxBodyBytes)
        record_->receivedData_.reserve(static_cast<size_t>(response.expectedLength));
}

void ServerDataTransfer::didReceiveData(HTTPConnection&, const uint8_t* bytes, size_t count)
{
    if (ended_) return;
    record_->receivedData_.insert(record_->receivedData_.end(), bytes, bytes + count);
}

void ServerDataTransfer::willRedirect(HTTPConnection&, const HTTPResponse& head)
{
    if (ended_) return;
    storeCookies(head);
}

void ServerDataTransfer::didRedirect(HTTPConnection&, int status, const std::string& location)
{
    if (ended_) return;
    const std::string next = resolveLocation(request_.url, location);
    if (hops_ >= ServerDataTransferBounds::current().maxHops) {
        logLine("Lumora: too many redirects from %s", record_->url().c_str());
        finishWithStatus(kNetworkOpFailed);
        return;
    }
    if (!isTransferableURL(next)) {
        logLine("Lumora: redirect to \"%s\" not followed", next.c_str());
        finishWithStatus(kNetworkOpFailed);
        return;
    }
    // 307 and 308 keep method and body; the others go on as a GET.
    const bool keep = status == 307 || status == 308;
    std::string method = keep ? request_.method : "GET";
    std::vector<uint8_t> body = keep ? std::move(request_.body) : std::vector<uint8_t>();
    // The connection of this hop is in its own callback: stop it and let the
    // transport drop it once the callback has returned.
    auto old = std::move(connection_);
    old->cancel();
    RunLoop::main().perform([held = std::shared_ptr<HTTPConnection>(std::move(old))] {});
    buildRequest(next, method, std::move(body));
    if (!sendCurrentRequest()) finishWithStatus(kNetworkOpFailed);
}

void ServerDataTransfer::didFail(HTTPConnection&, const std::string& message)
{
    if (ended_) return;
    logLine("Lumora: transfer of %s failed: %s", record_->url().c_str(), message.c_str());
    finishWithStatus(hasResponse_ && response_.status == 404 ? kNetworkOpFailedAfter404 : kNetworkOpFailed);
}

void ServerDataTransfer::didPrepare(HTTPConnection&, std::shared_ptr<void> result)
{
    auto* picture = dynamic_cast<CCImageData*>(record_.get());
    if (!picture || ended_) return;
    const auto* image = static_cast<const Ref<Image>*>(result.get());
    picture->takeDecodedReceivedData(image ? *image : Ref<Image>());
}

void ServerDataTransfer::didFinish(HTTPConnection&)
{
    if (ended_) return;
    const int http = hasResponse_ ? response_.status : 0;
    const std::string finalUrl = hasResponse_ ? response_.finalUrl : record_->url();
    if (record_->dataType() == CCNullPost::kDataType && finalUrl != record_->url()) {
        finishWithStatus(kNetworkOpRedirectedNullPost);
    } else if (isSuccess(http)) {
        finishWithStatus(kNetworkOpOk);
    } else if (http == 400) {
        CCQueueSession* session = CCQueueSession::shared();
        finishWithStatus(session && session->is2dotXOSVersion() ? kNetworkOpBadRequestOn2x : kNetworkOpHTTPError);
    } else if (http == 410) {
        finishWithStatus(kNetworkOpGone);
    } else {
        finishWithStatus(kNetworkOpHTTPError);
    }
}

void ServerDataTransfer::finishWithStatus(int status)
{
    if (ended_) return;
    ended_ = true;
    // Both stay alive through the report, whatever the delegate drops.
    auto keep = shared_from_this();
    Ref<CCAbstractServerData> record = std::move(record_);
    if (connection_) {
        auto old = std::move(connection_);
        old->cancel();
        RunLoop::main().perform([held = std::shared_ptr<HTTPConnection>(std::move(old))] {});
    }
    record->setNetworkOpInProgress(false);
    if (status == kNetworkOpFailed || status == kNetworkOpFailedAfter404) {
        record->setReceivedData({});
        hasResponse_ = false;
    }
    const std::string finalUrl = hasResponse_ ? response_.finalUrl : record->url();
    if (CCServerDataHTTPDelegate* delegate = record->httpDelegate())
        delegate->serverDataFinishedNetworkOpWithStatus(record.get(), status);
    if (status == kNetworkOpOk) {
        // Told once; the record is now the cache's.
        record->setHttpDelegate(nullptr);
        if (finalUrl != record->url() && record->dataType() == CCUIDescription::kDataType) {
            // Only the stale copy under the final URL goes, never the record
            // just cached for the requested one.
            CCFetchManager::sharedInstance()->clearUrlFromCache(finalUrl);
            record->setUrl(finalUrl);
        }
    }
    // The delegate may have started another transfer of the record meanwhile.
    if (record->transfer_.get() == this) record->transfer_.reset();
}

} // namespace mw
