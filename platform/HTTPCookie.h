#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "foundation/Value.h"

namespace mw {

// One HTTP cookie, described by its property dictionary:
//   "Name", "Value", "Domain" (".example.net" for a cookie of the domain and
//   the hosts under it, "www.example.net" for that host only), "Path",
//   "Expires" (a date; absent for a cookie of this run only), "Created"
//   (seconds since 2001-01-01 UTC, a real), "Secure" and "HttpOnly" (booleans).
class HTTPCookie {
public:
    // Null unless the dictionary has a non-empty name, a domain and a path.
    static std::optional<HTTPCookie> fromProperties(const Value& properties);

    // One line of a response's Set-Cookie headers, received for `url` at
    // wall time `now` (seconds since 1970). Null when the line is no cookie
    // or names a domain the URL's host does not belong to.
    static std::optional<HTTPCookie> fromSetCookieLine(std::string_view line, std::string_view url,
                                                       double now);

    const Value& properties() const { return properties_; }
    std::string_view name() const { return properties_["Name"].stringView(); }
    std::string_view value() const { return properties_["Value"].stringView(); }
    std::string_view domain() const { return properties_["Domain"].stringView(); }
    std::string_view path() const { return properties_["Path"].stringView(); }
    bool isSecure() const { return properties_["Secure"].asBool(); }
    bool isHTTPOnly() const { return properties_["HttpOnly"].asBool(); }
    // No expiry date: the cookie lasts for this run only.
    bool isSessionOnly() const { return !properties_["Expires"].isDate(); }
    // Seconds since 1970; meaningful only when not session-only.
    double expiresUnixTime() const { return properties_["Expires"].asUnixTime(); }

    // Whether the cookie goes with a request to `url` at wall time `now`: the
    // domain (a host-only cookie its host alone), the path, https for a
    // secure cookie, and not expired.
    bool matches(std::string_view url, double now) const;
    // Same name, domain and path: one replaces the other.
    bool sameSlot(const HTTPCookie& other) const;

private:
    explicit HTTPCookie(Value properties) : properties_(std::move(properties)) {}
    Value properties_;
};

// The parts of an absolute URL a cookie looks at. Null for a URL without
// scheme or host.
struct CookieURL {
    std::string scheme; // lower case
    std::string host;   // lower case, without port
    std::string path;   // "/" when empty; without query and fragment
    static std::optional<CookieURL> parse(std::string_view url);
};

} // namespace mw
