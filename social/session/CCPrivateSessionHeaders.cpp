// The headers every request to the service carries and the signatures of the
// client: the session secret, the challenge, telemetry and application
// signatures. All of them hash with MD5 over lower-cased text.

#include <optional>

#include "foundation/Format.h"
#include "foundation/Log.h"
#include "platform/DeviceFacts.h"
#include "platform/HTTPTransport.h"
#include "social/session/CCPrivateSession.h"
#include "social/services/CCTheming.h"
#include "social/support/Reachability.h"
#include "social/support/URLUtilities.h"

namespace mw {
namespace {

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

std::optional<std::string> CCPrivateSession::themeCapsString()
{
    return CCTheming::sharedInstance()->themeCapsString();
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
