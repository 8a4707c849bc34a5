#include "analytics/TallyHTTPResponse.h"

#include <cmath>

#include "analytics/TallyUtil.h"
#include "foundation/AtomicFile.h"
#include "foundation/Clock.h"
#include "foundation/Format.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "foundation/PropertyList.h"

namespace mw {

TallyHTTPResponse TallyHTTPResponse::fromTransport(const HTTPResponse& response)
{
    TallyHTTPResponse answer;
    answer.error_ = response.error;
    answer.finalUrl_ = response.finalUrl;
    if (response.status != 0) {
        answer.body_ = response.body;
        answer.statusCode_ = response.status;
        answer.headers_.assign(response.headers.begin(), response.headers.end());
    }
    return answer;
}

std::string TallyHTTPResponse::description() const
{
    return format("status:%d error:%@ body:%@", statusCode_, error_.empty() ? std::string("(null)") : error_,
                  std::string(body_.begin(), body_.end()));
}

std::string TallyHTTPResponse::filePath(int64_t number)
{
    return format("%@/tallyResponse%lld", Paths::documentsDirectory(), static_cast<long long>(number));
}

std::string TallyHTTPResponse::saveToDisk() const
{
    Value headers = Value::dictionary();
    for (const auto& [name, value] : headers_) headers.set(name, value);
    const Value saved = Value::dictionary(
        { { "statusCode", Value(int32_t(statusCode_)) }, { "body", Value(body_) }, { "headers", headers } });
    const std::string path = filePath(static_cast<int64_t>(std::floor(Clock::wallSeconds())));
    std::string error;
    if (!writePropertyListFile(path, saved, &error)) {
        logLine("TallyAnalytics: cannot save the answer to %s (%s)", path.c_str(), error.c_str());
        return std::string();
    }
    return path;
}

std::optional<TallyHTTPResponse> TallyHTTPResponse::parseSaved(const std::vector<uint8_t>& bytes)
{
    const std::optional<Value> saved = readPropertyList(bytes.data(), bytes.size());
    if (!saved || !saved->isDict()) return std::nullopt;
    Fields headers;
    for (const auto& [name, value] : (*saved)["headers"].asDict())
        headers.emplace_back(name, value.asString());
    return TallyHTTPResponse((*saved)["body"].asData(), (*saved)["statusCode"].asInt(), std::move(headers),
                             {});
}

TallyHTTPResponse TallyHTTPResponse::readFromURL(const std::string& url)
{
    std::vector<uint8_t> bytes;
    if (url.rfind("http://", 0) == 0 || url.rfind("https://", 0) == 0) {
        HTTPRequest request;
        request.url = url;
        request.timeoutSeconds = 20;
        const HTTPResponse fetched = HTTPTransport::sharedInstance()->send(request);
        if (fetched.status < 200 || fetched.status > 299) return TallyHTTPResponse();
        bytes = fetched.body;
    } else {
        const std::string path = url.rfind("file://", 0) == 0 ? url.substr(7) : url;
        if (!AtomicFile::read(path, bytes)) return TallyHTTPResponse();
    }
    return parseSaved(bytes).value_or(TallyHTTPResponse());
}

} // namespace mw
