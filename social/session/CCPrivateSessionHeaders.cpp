// The headers every request to the service carries and the signatures of the
// client: the session secret, the challenge, telemetry and application
// signatures. All of them hash with MD5 over lower-cased text.

#include <cstdlib>
#include <optional>

#include "foundation/Format.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "foundation/PropertyList.h"
#include "platform/DeviceFacts.h"
#include "platform/HTTPTransport.h"
#include "platform/Md5.h"
#include "social/session/CCPrivateSession.h"
#include "social/services/CCTheming.h"
#include "social/support/Reachability.h"
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

// A value that could add a header line or split the request is refused.
bool isSafeHeaderValue(const std::string& value)
{
    for (unsigned char c : value)
        if (c < 0x20 || c == 0x7F) return false;
    return true;
}

void setHeader(HTTPRequest& request, const char* name, const std::optional<std::string>& value)
{
    if (!value) return;
    if (!isSafeHeaderValue(*value)) {
        logLine("Lumora: header %s not sent: its value holds a control character", name);
        return;
    }
    request.headers.set(name, *value);
}

} // namespace

std::string CCPrivateSession::serviceHost()
{
    static const std::string host = configuredHost("MOSSWICK_SOCIAL_HOST", "MosswickSocialHost", kServiceHost);
    return host;
}

std::string CCPrivateSession::telemetryHost()
{
    static const std::string host =
        configuredHost("MOSSWICK_TELEMETRY_HOST", "MosswickTelemetryHost", kTelemetryHost);
    return host;
}

bool CCPrivateSession::isServiceURL(const std::string& url)
{
    std::string scheme;
    const std::string host = hostOfURL(url, &scheme);
    if (scheme != "https" || host.empty()) return false;
    return host == asciiLowerCase(serviceHost()) || host == asciiLowerCase(telemetryHost());
}

std::string CCPrivateSession::hexHashForString(std::string_view text)
{
    // The bytes up to the first NUL, as the C string the hash once took.
    if (size_t nul = text.find('\0'); nul != std::string_view::npos) text = text.substr(0, nul);
    return Md5::upperHex(Md5::digest(text));
}

std::string CCPrivateSession::signatureOf(std::string_view text)
{
    return asciiLowerCase(hexHashForString(asciiLowerCase(text)));
}

std::string CCPrivateSession::sessionSecret()
{
    std::optional<std::string> identity;
    if (std::string user = userID(); !user.empty()) identity = std::move(user);
    else if (auto uuid = UUID()) identity = std::move(uuid);
    else identity = UDID();
    // A missing part is written as the platform writes a missing object.
    auto part = [](const std::optional<std::string>& text) { return text ? *text : std::string("(null)"); };
    auto partOf = [](const std::string& text) { return text.empty() ? std::string("(null)") : text; };
    const std::string source =
        part(identity) + partOf(appId_) + partOf(secretKey_) + kFirstSalt + kSecondSalt;
    // Any change of an input (identity, application id, key) makes a new
    // secret; the cached one is for exactly this text.
    if (!secret_ || source != secretSource_) {
        secret_ = signatureOf(source);
        secretSource_ = source;
    }
    return *secret_;
}

std::string CCPrivateSession::challengeResultSignature(double result) const
{
    return signatureOf(format("%f", result) + appId_ + secretKey_ + kFirstSalt + kSecondSalt);
}

std::string CCPrivateSession::telemetrySignature() const
{
    return signatureOf(appId_ + kFirstTelemetrySalt + kSecondTelemetrySalt);
}

std::string CCPrivateSession::applicationSignature() const
{
    return signatureOf(appId_ + secretKey_ + kFirstSalt + kSecondSalt);
}

void CCPrivateSession::setGameCenterIdentity(std::optional<std::string> playerId, std::optional<std::string> alias,
                                             std::optional<std::string> secret)
{
    gcPlayerID_ = std::move(playerId);
    gcPlayerAlias_ = std::move(alias);
    gcSecret_ = std::move(secret);
}

void CCPrivateSession::addHeadersToURLRequest(HTTPRequest& request)
{
    // The player's id and secret go to the service's own hosts only.
    if (!isServiceURL(request.url)) return;
    auto present = [](const std::string& text) {
        return text.empty() ? std::nullopt : std::optional<std::string>(text);
    };
    setHeader(request, "x-lumora-appid", present(appId_));
    setHeader(request, "x-lumora-uuid", UUID());
    setHeader(request, "x-lumora-udid", UDID());
    setHeader(request, "x-lumora-userid", present(userID()));
    setHeader(request, "x-lumora-uname", DeviceFacts::sharedInstance()->systemText("hw.machine"));
    setHeader(request, "x-lumora-secret", sessionSecret());
    setHeader(request, "x-lumora-appversion", format("%4.4f", version_));
    setHeader(request, "x-lumora-sdkname", std::string(kSdkName));
    setHeader(request, "x-lumora-lumoraversion", std::string(kSdkVersion));
    if (isGameCenterSupportEnabled() && gcPlayerID_) {
        setHeader(request, "x-lumora-gcid", gcPlayerID_);
        if (gcPlayerAlias_) setHeader(request, "x-lumora-gcalias", escapeQueryComponent(*gcPlayerAlias_));
        setHeader(request, "x-lumora-gcsecret", gcSecret_);
    }
    if (auto caps = CCTheming::sharedInstance()->themeCapsString(); caps && !caps->empty())
        setHeader(request, "x-lumora-themecaps", caps);
    const int status = reachability_ ? reachability_->currentReachabilityStatus() : NotReachable;
    setHeader(request, "x-lumora-connection",
              std::string(status == ReachableViaWWAN ? "cell" : status == ReachableViaWiFi ? "wifi" : "none"));
}

} // namespace mw
