#include "analytics/TallyHTTPEater.h"

#include <thread>

#include "analytics/TallyUtil.h"
#include "foundation/Format.h"

namespace mw {

TallyHTTPResponse TallyHTTPEater::get(const std::string& url, const Fields& headerFields)
{
    return *sendMethod("GET", url, {}, headerFields, 20, false);
}

TallyHTTPResponse TallyHTTPEater::post(const std::string& url, const std::vector<uint8_t>& body,
                                       const Fields& headerFields)
{
    return *sendMethod("POST", url, body, headerFields, 20, false);
}

std::optional<TallyHTTPResponse> TallyHTTPEater::sendMethod(const std::string& method, const std::string& url,
                                                            const std::vector<uint8_t>& body,
                                                            const Fields& headerFields, int timeoutSeconds,
                                                            bool useWebView)
{
    if (TallyUtil::isDebugLogEnabled()) TallyUtil::debugLog(format("TallyAnalytics: %@: %@", method, url));
    HTTPRequest request;
    request.method = method;
    request.url = url;
    request.body = body;
    request.headers.insert(headerFields.begin(), headerFields.end());
    request.timeoutSeconds = timeoutSeconds;
    const std::shared_ptr<HTTPTransport> transport = HTTPTransport::sharedInstance();
    if (useWebView) {
        // Nothing renders the page: the request goes out and its answer is dropped.
        std::thread([transport, request] { (void)transport->send(request); }).detach();
        return std::nullopt;
    }
    TallyHTTPResponse response = TallyHTTPResponse::fromTransport(transport->send(request));
    if (TallyUtil::isDebugLogEnabled())
        TallyUtil::debugLog("TallyAnalytics: HTTP Response[" + response.description() + "]");
    return response;
}

std::string TallyHTTPEater::queryDictionaryToString(const Fields& query)
{
    std::string text;
    for (const auto& [key, value] : query) {
        if (!text.empty()) text += '&';
        text += key + "=" + value;
    }
    return text;
}

std::optional<std::string> TallyHTTPEater::urlWithProtocol(const std::optional<std::string>& protocol,
                                                           const std::optional<std::string>& host, int port,
                                                           const std::optional<std::string>& path,
                                                           const std::optional<std::string>& query)
{
    std::string text = (protocol ? *protocol : std::string("http")) + "://";
    if (host) text += *host;
    if (port != 0 && port != 80) text += ":" + std::to_string(port);
    if (path) text += "/" + *path;
    if (query) text += "?" + *query;
    if (!host || host->empty()) return std::nullopt;
    for (unsigned char c : text) {
        if (c <= ' ' || c == 0x7F) return std::nullopt;
    }
    return text;
}

} // namespace mw
