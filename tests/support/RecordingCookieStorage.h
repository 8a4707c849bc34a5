#pragma once

// An in-memory cookie store with the real rules, for tests to plant cookies
// in and read them back; it records deletions.

#include <string>
#include <vector>

#include "platform/HTTPCookieStorage.h"

namespace mw::test {

class RecordingCookieStorage : public CookieJar {
public:
    void plant(const HTTPCookie& cookie) { setCookie(cookie); }
    void deleteCookie(const HTTPCookie& cookie) override
    {
        deleted.push_back(std::string(cookie.name()));
        CookieJar::deleteCookie(cookie);
    }
    std::vector<std::string> deleted; // names, in order
};

} // namespace mw::test
