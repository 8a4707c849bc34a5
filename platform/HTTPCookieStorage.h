#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/HTTPCookie.h"

namespace mw {

// The process's shared cookie store: what the service sets through its
// responses and what goes back with each request. Main thread.
class HTTPCookieStorage {
public:
    // The installed store: the one kept in the data folder, unless another was installed.
    static std::shared_ptr<HTTPCookieStorage> sharedInstance();
    // Installs a store, or the data-folder one again for null; answers the previous.
    static std::shared_ptr<HTTPCookieStorage>
    replaceSharedInstance(std::shared_ptr<HTTPCookieStorage> storage);

    virtual ~HTTPCookieStorage() = default;
    // Every cookie held, in the order they were first set.
    virtual std::vector<HTTPCookie> cookies() const = 0;
    // The cookies to send with a request to the URL now.
    virtual std::vector<HTTPCookie> cookiesForURL(std::string_view url) const = 0;
    // Stores a cookie, replacing one of the same name, domain and path (whose
    // creation time it keeps). An expired cookie removes that one instead.
    virtual void setCookie(const HTTPCookie& cookie) = 0;
    // Stores the cookies of a response's Set-Cookie lines received for `url`;
    // lines that are no valid cookie for that URL are skipped (logged).
    virtual void setCookiesFromResponse(const std::vector<std::string>& setCookieLines,
                                        std::string_view url) = 0;
    // Removes the cookie of that name, domain and path.
    virtual void deleteCookie(const HTTPCookie& cookie) = 0;
};

// The rules of a store, in memory: the base of the data-folder store and of
// test stores.
class CookieJar : public HTTPCookieStorage {
public:
    std::vector<HTTPCookie> cookies() const override;
    std::vector<HTTPCookie> cookiesForURL(std::string_view url) const override;
    void setCookie(const HTTPCookie& cookie) override;
    void setCookiesFromResponse(const std::vector<std::string>& setCookieLines,
                                std::string_view url) override;
    void deleteCookie(const HTTPCookie& cookie) override;

protected:
    // Called after every change; a persistent store writes itself here.
    virtual void changed() {}
    std::vector<HTTPCookie> cookies_;
};

// The desktop store: cookies with an expiry date are kept in an owner-only
// property-list file (written atomically at every change); session cookies
// last for the run. A file that does not parse is moved aside and reported;
// one that cannot be read for another reason, or cannot be moved aside, is
// left alone, reported, and not written over during this run.
class FileCookieStorage : public CookieJar {
public:
    explicit FileCookieStorage(std::string path);
    const std::string& path() const { return path_; }

protected:
    void changed() override;

private:
    void load();
    std::string path_;
    bool mayWrite_ = true;
};

} // namespace mw
