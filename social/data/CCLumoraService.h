#pragma once

#include <string>
#include <string_view>

#include "foundation/Value.h"

namespace mw {

// The fixed facts of the service the social client talks to: its hosts and
// page base, the salts and the hashing of the client's signatures, the name
// and version the client gives itself, and the URL text of its forms. They
// hold no state, so every part of the client reaches them without a
// session; the session answers them under its own name too.
class CCLumoraService {
public:
    // The service host: requests, reachability and cookies are about it.
    static constexpr const char* kServiceHost = "lumora.mosswick.example";
    // Its HTTPS base of the pages.
    static std::string liteBaseUrl();

    // The two hosts of the service (project configuration: the bundle's
    // "MosswickSocialHost" and "MosswickTelemetryHost", overridden by
    // MOSSWICK_SOCIAL_HOST and MOSSWICK_TELEMETRY_HOST; kServiceHost and
    // kTelemetryHost otherwise). Read once.
    static std::string serviceHost();
    static std::string telemetryHost();
    static constexpr const char* kTelemetryHost = "telemetry.mosswick.example";
    // True only for an https URL whose host is one of the two: the requests
    // that may carry the player's id and session secret.
    static bool isServiceURL(const std::string& url);

    // The salts appended wherever the client signs: the first two after the
    // secret key, the other two only in the telemetry signature.
    static constexpr const char* kFirstSalt = "qWmRtVnBxKz";
    static constexpr const char* kSecondSalt = "Pkjh7#";
    static constexpr const char* kFirstTelemetrySalt = "m4q8z2t";
    static constexpr const char* kSecondTelemetrySalt = "c7n2w9x4k1v8r3p6";
    static constexpr const char* kSdkName = "lumora-slimline";
    static constexpr const char* kSdkVersion = "0.3 build 77";

    // MD5 of the text's bytes up to its first NUL, as 32 upper-case
    // hexadecimal digits.
    static std::string hexHashForString(std::string_view text);
    // Lower-cases (ASCII letters only), hashes and lower-cases the digest:
    // the form of every signature of the client.
    static std::string signatureOf(std::string_view text);

    static std::string urlEncodedDictionary(const Value& dictionary);
    // Null without a "?".
    static Value paramDictionaryFromUrlString(const std::string& url);
};

} // namespace mw
