#include "social/data/CCLumoraService.h"

#include <cstdio>
#include <cstdlib>
#include <optional>

#include "foundation/Paths.h"
#include "foundation/PropertyList.h"
#include "platform/Md5.h"
#include "social/support/URLUtilities.h"

namespace mw {
namespace {

// Every text that reaches a signature in the game is ASCII (UUIDs, digits,
// the key, the salts), so only ASCII letters are mapped.
std::string asciiLowerCase(std::string_view text)
{
    std::string lowered(text);
    for (char& c : lowered)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lowered;
}

// The bundle's value for a key, overridden by the environment.
std::string configuredHost(const char* variable, const char* bundleKey, const char* fallback)
{
    if (const char* host = std::getenv(variable); host && *host) return host;
    const std::string path = Paths::pathForResource("Info.plist");
    if (!path.empty()) {
        if (const std::optional<Value> info = readPropertyListFile(path)) {
            const std::string host = (*info)[bundleKey].asString();
            if (!host.empty()) return host;
        }
    }
    return fallback;
}

// The host of an absolute URL, lower-cased, without port or user part; empty
// when there is none.
std::string hostOfURL(const std::string& url, std::string* scheme)
{
    const size_t colon = url.find("://");
    if (colon == std::string::npos) return {};
    if (scheme) *scheme = asciiLowerCase(url.substr(0, colon));
    size_t start = colon + 3;
    size_t end = url.find_first_of("/?#", start);
    std::string authority = url.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (size_t at = authority.rfind('@'); at != std::string::npos) authority.erase(0, at + 1);
    if (!authority.empty() && authority.front() == '[') {
        size_t close = authority.find(']');
        return asciiLowerCase(authority.substr(0, close == std::string::npos ? close : close + 1));
    }
    if (size_t port = authority.find(':'); port != std::string::npos) authority.erase(port);
    return asciiLowerCase(authority);
}

} // namespace

std::string CCLumoraService::liteBaseUrl() { return std::string("https://") + kServiceHost + "/lite/"; }

std::string CCLumoraService::serviceHost()
{
    static const std::string host =
        configuredHost("MOSSWICK_SOCIAL_HOST", "MosswickSocialHost", kServiceHost);
    return host;
}

std::string CCLumoraService::telemetryHost()
{
    static const std::string host =
        configuredHost("MOSSWICK_TELEMETRY_HOST", "MosswickTelemetryHost", kTelemetryHost);
    return host;
}

bool CCLumoraService::isServiceURL(const std::string& url)
{
    std::string scheme;
    const std::string host = hostOfURL(url, &scheme);
    if (scheme != "https" || host.empty()) return false;
    return host == asciiLowerCase(serviceHost()) || host == asciiLowerCase(telemetryHost());
}

std::string CCLumoraService::hexHashForString(std::string_view text)
{
    // The bytes up to the first NUL, as the C string the hash once took.
    if (size_t nul = text.find('\0'); nul != std::string_view::npos) text = text.substr(0, nul);
    return Md5::upperHex(Md5::digest(text));
}

std::string CCLumoraService::signatureOf(std::string_view text)
{
    return asciiLowerCase(hexHashForString(asciiLowerCase(text)));
}

// ---- URL text ----

std::string CCLumoraService::urlEncodedDictionary(const Value& dictionary)
{
    std::string encoded;
    if (!dictionary.isDict()) return encoded;
    for (const auto& [key, value] : dictionary.asDict()) {
        std::string text;
        if (value.isString()) {
            text = value.asString();
        } else if (value.isNumber()) {
            // "%f" of the double: a float would turn 16777217 into 16777216.
            char number[64];
            std::snprintf(number, sizeof number, "%f", value.asDouble());
            text = number;
        } else {
            continue;
        }
        if (!encoded.empty()) encoded += '&';
        encoded += escapeQueryComponent(key) + "=" + escapeQueryComponent(text);
    }
    return encoded;
}

Value CCLumoraService::paramDictionaryFromUrlString(const std::string& url)
{
    const size_t question = url.find('?');
    if (question == std::string::npos) return Value();
    Value params = Value::dictionary();
    const std::string query = url.substr(question + 1);
    size_t start = 0;
    while (start <= query.size()) {
        size_t end = query.find('&', start);
        if (end == std::string::npos) end = query.size();
        const std::string piece = query.substr(start, end - start);
        const size_t equals = piece.find('=');
        // Exactly one "=": a piece without one or with more is skipped.
        if (equals != std::string::npos && piece.find('=', equals + 1) == std::string::npos) {
            params.set(piece.substr(0, equals), Value(piece.substr(equals + 1)));
        }
        start = end + 1;
    }
    return params;
}

} // namespace mw
