#include "social/support/URLUtilities.h"

#include <cctype>
#include <vector>

namespace mw {

namespace {

const char kHexDigits[] = "0123456789ABCDEF";

void appendEscaped(std::string& out, unsigned char byte)
{
    out += '%';
    out += kHexDigits[byte >> 4];
    out += kHexDigits[byte & 0xF];
}

bool isHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

// The light escaping of an address or an existing query item.
std::string escapeLegacy(std::string_view text)
{
    static const std::string_view kLegal = "!$&'()*+,-./:;=?@_~";
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(text[i]);
        if (byte == '%' && i + 2 < text.size() && isHex(text[i + 1]) && isHex(text[i + 2])) {
            out += '%';
        } else if (byte < 0x80 &&
                   (std::isalnum(byte) || kLegal.find(static_cast<char>(byte)) != std::string_view::npos)) {
            out += static_cast<char>(byte);
        } else {
            appendEscaped(out, byte);
        }
    }
    return out;
}

std::vector<std::string_view> split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (true) {
        const size_t at = text.find(separator, start);
        parts.push_back(
            text.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
        if (at == std::string_view::npos) return parts;
        start = at + 1;
    }
}

} // namespace

std::string escapeQueryComponent(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x80 && (std::isalnum(byte) || c == '-' || c == '.' || c == '_' || c == '~')) out += c;
        else appendEscaped(out, byte);
    }
    return out;
}

bool urlHasQueryItem(std::string_view url, std::string_view name, std::string_view value)
{
    url = url.substr(0, url.find('#'));
    const size_t question = url.find('?');
    if (question == std::string_view::npos) return false;
    for (const std::string_view item : split(url.substr(question + 1), '&')) {
        const size_t equals = item.find('=');
        if (equals == std::string_view::npos) continue;
        if (item.substr(0, equals) == name && item.substr(equals + 1) == value) return true;
    }
    return false;
}

std::optional<std::string> urlStringUsingBaseUrl(std::string_view base, const Value& params)
{
    const std::vector<std::string_view> parts = split(base, '?');
    if (parts.size() > 2) return std::nullopt;
    std::string url = escapeLegacy(parts[0]);
    bool first = true;
    const auto separate = [&] {
        url += first ? '?' : '&';
        first = false;
    };
    if (parts.size() == 2) {
        for (const std::string_view item : split(parts[1], '&')) {
            separate();
            url += escapeLegacy(item);
        }
    }
    if (params.isDict()) {
        for (const auto& [key, value] : params.asDict()) {
            if (!value.isString()) continue;
            separate();
            url += escapeQueryComponent(key);
            url += '=';
            url += escapeQueryComponent(value.stringView());
        }
    }
    return url;
}

std::optional<std::string> urlStringUsingDomain(std::string_view domain, std::string_view path,
                                                const Value& params)
{
    std::string base(domain);
    base += path;
    return urlStringUsingBaseUrl(base, params);
}

bool cookiesEqual(const HTTPCookie* a, const HTTPCookie* b)
{
    if (!a || !b) return false;
    Value left = a->properties();
    Value right = b->properties();
    left.remove("Created");
    right.remove("Created");
    return left == right;
}

std::optional<std::string> securityToken(const HTTPCookie& cookie)
{
    if (cookie.name() != "JSESSIONID") return std::nullopt;
    return std::string(cookie.value());
}

} // namespace mw
