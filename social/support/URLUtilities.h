#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "foundation/Value.h"
#include "platform/HTTPCookie.h"

namespace mw {

// URL building. The address and the query items already in the base keep a
// light escaping: only what may not stand in a URL at all (spaces, quotes,
// angle brackets, braces, control and non-ASCII characters, a "%" that does
// not start a "%XX" escape) becomes %XX, so reserved characters keep their
// meaning and escapes already made stay as they are. Parameter keys and
// values are escaped as query components (all but letters, digits and
// "-._~"), so no value can split or change the query.

// `base` followed by "?key=value&..." for every string key with a string
// value of `params` in its order (other entries, and a `params` that is no
// dictionary, add nothing); the base's own query items come first. Null when
// the base holds more than one "?".
std::optional<std::string> urlStringUsingBaseUrl(std::string_view base, const Value& params);
// The same with the base made of domain and path joined as they are.
std::optional<std::string> urlStringUsingDomain(std::string_view domain, std::string_view path,
                                                const Value& params);

// Percent-escapes a query component: every byte but letters, digits and "-._~".
std::string escapeQueryComponent(std::string_view text);

// YES when the query of `url` (after its first "?", before any "#") holds the
// item `name`=`value`: the whole key and the whole value up to "&" or the end,
// compared as they stand (pass a value escaped as the URL carries it). "id=a1"
// is not found in "?id=a10" nor in "?xid=a1".
bool urlHasQueryItem(std::string_view url, std::string_view name, std::string_view value);

// Cookie rules. Two cookies are equal when their property dictionaries are
// equal once "Created" is left out of both (the same cookie received twice);
// a null cookie equals nothing.
bool cookiesEqual(const HTTPCookie* a, const HTTPCookie* b);
// The cookie's value when it is the service's session cookie ("JSESSIONID").
std::optional<std::string> securityToken(const HTTPCookie& cookie);

} // namespace mw
