#include "platform/HTTPCookie.h"

#include <algorithm>
#include <cctype>
#include <ctime>

#include "foundation/Clock.h"

namespace mw {

namespace {

std::string lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string_view trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

bool allDigits(std::string_view text)
{
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A cookie date as the usual cookie rules read it: tokens in any order, the
// first time hh:mm:ss, day of month, month name and year found; two-digit
// years 70-99 are 19xx, 00-69 20xx. Null when a part is missing or out of range.
std::optional<double> parseCookieDate(std::string_view text)
{
    const auto isDelimiter = [](char c) {
        const unsigned char u = static_cast<unsigned char>(c);
        return u == 0x09 || (u >= 0x20 && u <= 0x2F) || (u >= 0x3B && u <= 0x40) ||
               (u >= 0x5B && u <= 0x60) || (u >= 0x7B && u <= 0x7E);
    };
    int hour = -1, minute = 0, second = 0, day = -1, month = -1, year = -1;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && isDelimiter(text[i])) ++i;
        const size_t start = i;
        while (i < text.size() && !isDelimiter(text[i])) ++i;
        const std::string_view token = text.substr(start, i - start);
        if (token.empty()) continue;
        if (hour < 0 && std::count(token.begin(), token.end(), ':') == 2) {
            const size_t a = token.find(':');
            const size_t b = token.find(':', a + 1);
            const std::string_view h = token.substr(0, a), m = token.substr(a + 1, b - a - 1),
                                   s = token.substr(b + 1);
            if (allDigits(h) && allDigits(m) && allDigits(s) && h.size() <= 2 && m.size() <= 2 &&
                s.size() <= 2) {
                hour = std::stoi(std::string(h));
                minute = std::stoi(std::string(m));
                second = std::stoi(std::string(s));
                continue;
            }
        }
        if (day < 0 && allDigits(token) && token.size() <= 2) {
            day = std::stoi(std::string(token));
            continue;
        }
        if (month < 0 && token.size() >= 3) {
            static const char* const kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                                  "jul", "aug", "sep", "oct", "nov", "dec"};
            const std::string prefix = lower(token.substr(0, 3));
            const auto found = std::find(std::begin(kMonths), std::end(kMonths), prefix);
            if (found != std::end(kMonths)) {
                month = static_cast<int>(found - std::begin(kMonths));
                continue;
            }
        }
        if (year < 0 && allDigits(token) && token.size() >= 2 && token.size() <= 4) {
            year = std::stoi(std::string(token));
            if (year >= 70 && year <= 99) year += 1900;
            else if (year < 70) year += 2000;
        }
    }
    if (hour < 0 || day < 1 || day > 31 || month < 0 || year < 1601 || hour > 23 || minute > 59 ||
        second > 59) {
        return std::nullopt;
    }
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    return static_cast<double>(timegm(&parts));
}

// The cookie rules' domain match: the host itself, or a host under the domain.
bool domainMatches(std::string_view host, std::string_view domain)
{
    if (host == domain) return true;
    return host.size() > domain.size() && host.ends_with(domain) &&
           host[host.size() - domain.size() - 1] == '.';
}

bool pathMatches(std::string_view requestPath, std::string_view cookiePath)
{
    if (requestPath == cookiePath) return true;
    if (!requestPath.starts_with(cookiePath)) return false;
    return cookiePath.ends_with('/') || requestPath[cookiePath.size()] == '/';
}

// The folder of the request path, the default path of a cookie.
std::string defaultPath(std::string_view requestPath)
{
    if (requestPath.empty() || requestPath[0] != '/') return "/";
    const size_t slash = requestPath.rfind('/');
    return slash == 0 ? "/" : std::string(requestPath.substr(0, slash));
}

bool isIpAddress(std::string_view host)
{
    return host.find(':') != std::string_view::npos ||
           std::all_of(host.begin(), host.end(), [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
}

} // namespace

std::optional<CookieURL> CookieURL::parse(std::string_view url)
{
    const size_t colon = url.find("://");
    if (colon == std::string_view::npos || colon == 0) return std::nullopt;
    CookieURL parts;
    parts.scheme = lower(url.substr(0, colon));
    std::string_view rest = url.substr(colon + 3);
    const size_t authorityEnd = rest.find_first_of("/?#");
    std::string_view authority = rest.substr(0, authorityEnd);
    if (const size_t at = authority.rfind('@'); at != std::string_view::npos) authority.remove_prefix(at + 1);
    if (!authority.empty() && authority.front() == '[') {
        const size_t close = authority.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        authority = authority.substr(0, close + 1);
    } else if (const size_t port = authority.find(':'); port != std::string_view::npos) {
        authority = authority.substr(0, port);
    }
    if (authority.empty()) return std::nullopt;
    parts.host = lower(authority);
    std::string_view path =
        authorityEnd == std::string_view::npos ? std::string_view() : rest.substr(authorityEnd);
    path = path.substr(0, path.find_first_of("?#"));
    parts.path = path.empty() ? "/" : std::string(path);
    return parts;
}

std::optional<HTTPCookie> HTTPCookie::fromProperties(const Value& properties)
{
    if (!properties.isDict() || !properties["Name"].isString() || properties["Name"].stringView().empty() ||
        !properties["Domain"].isString() || properties["Domain"].stringView().empty() ||
        !properties["Path"].isString()) {
        return std::nullopt;
    }
    Value copy = properties;
    if (!copy["Value"].isString()) copy.set("Value", "");
    if (!copy["Created"].isReal()) copy.set("Created", Clock::wallSeconds() - Value::kReferenceDateUnixTime);
    return HTTPCookie(std::move(copy));
}

std::optional<HTTPCookie> HTTPCookie::fromSetCookieLine(std::string_view line, std::string_view url,
                                                        double now)
{
    const std::optional<CookieURL> target = CookieURL::parse(url);
    if (!target) return std::nullopt;
    const size_t firstSemicolon = line.find(';');
    const std::string_view pair = line.substr(0, firstSemicolon);
    const size_t equals = pair.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    const std::string_view name = trim(pair.substr(0, equals));
    const std::string_view value = trim(pair.substr(equals + 1));
    if (name.empty()) return std::nullopt;

    std::optional<double> expires;
    std::optional<double> maxAgeExpires;
    std::string domain;
    std::string path;
    bool secure = false;
    bool httpOnly = false;
    std::string_view attributes =
        firstSemicolon == std::string_view::npos ? std::string_view() : line.substr(firstSemicolon + 1);
    while (!attributes.empty()) {
        const size_t end = attributes.find(';');
        const std::string_view attribute = attributes.substr(0, end);
        attributes = end == std::string_view::npos ? std::string_view() : attributes.substr(end + 1);
        const size_t eq = attribute.find('=');
        const std::string key = lower(trim(attribute.substr(0, eq)));
        const std::string_view argument =
            eq == std::string_view::npos ? std::string_view() : trim(attribute.substr(eq + 1));
        if (key == "expires") {
            if (auto date = parseCookieDate(argument)) expires = date;
        } else if (key == "max-age") {
            std::string_view digits = argument;
            const bool negative = !digits.empty() && digits[0] == '-';
            if (negative) digits.remove_prefix(1);
            if (allDigits(digits)) {
                // Large ages only need to be far away, not exact.
                const double seconds = digits.size() > 12 ? 1e12 : std::stod(std::string(digits));
                maxAgeExpires = negative || seconds == 0 ? now - 1 : now + seconds;
            }
        } else if (key == "domain") {
            std::string_view d = argument;
            if (!d.empty() && d.front() == '.') d.remove_prefix(1);
            if (!d.empty()) domain = lower(d);
        } else if (key == "path") {
            if (!argument.empty() && argument.front() == '/') path = std::string(argument);
        } else if (key == "secure") {
            secure = true;
        } else if (key == "httponly") {
            httpOnly = true;
        }
    }

    ValueDictionary properties;
    properties.set("Name", std::string(name));
    properties.set("Value", std::string(value));
    if (domain.empty()) {
        properties.set("Domain", target->host);
    } else {
        // A cookie may only claim the host's own domain or one above it, never an address's.
        if (!domainMatches(target->host, domain) || (isIpAddress(target->host) && domain != target->host)) {
            return std::nullopt;
        }
        properties.set("Domain", "." + domain);
    }
    properties.set("Path", path.empty() ? defaultPath(target->path) : path);
    if (const std::optional<double> expiry = maxAgeExpires ? maxAgeExpires : expires) {
        properties.set("Expires", Value::dateFromUnixTime(*expiry));
    }
    properties.set("Created", now - Value::kReferenceDateUnixTime);
    if (secure) properties.set("Secure", true);
    if (httpOnly) properties.set("HttpOnly", true);
    return HTTPCookie(Value(std::move(properties)));
}

bool HTTPCookie::matches(std::string_view url, double now) const
{
    const std::optional<CookieURL> target = CookieURL::parse(url);
    if (!target) return false;
    if (!isSessionOnly() && expiresUnixTime() <= now) return false;
    if (isSecure() && target->scheme != "https") return false;
    const std::string cookieDomain = lower(domain());
    const bool hostOnly = !cookieDomain.starts_with('.');
    if (hostOnly ? target->host != cookieDomain
                 : !domainMatches(target->host, std::string_view(cookieDomain).substr(1))) {
        return false;
    }
    return pathMatches(target->path, path());
}

bool HTTPCookie::sameSlot(const HTTPCookie& other) const
{
    return name() == other.name() && lower(domain()) == lower(other.domain()) && path() == other.path();
}

} // namespace mw
