#include "platform/HTTPCookieStorage.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <mutex>

#include "foundation/AtomicFile.h"
#include "foundation/Clock.h"
#include "foundation/GuardedPropertyList.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "foundation/PropertyList.h"

namespace mw {

namespace {

std::mutex gLock;
std::shared_ptr<HTTPCookieStorage>& installed()
{
    static std::shared_ptr<HTTPCookieStorage> storage;
    return storage;
}

std::shared_ptr<HTTPCookieStorage> makeDefault()
{
    return std::make_shared<FileCookieStorage>(Paths::documentsPath("Cookies.plist"));
}

} // namespace

std::shared_ptr<HTTPCookieStorage> HTTPCookieStorage::sharedInstance()
{
    std::lock_guard<std::mutex> guard(gLock);
    if (!installed()) installed() = makeDefault();
    return installed();
}

std::shared_ptr<HTTPCookieStorage>
HTTPCookieStorage::replaceSharedInstance(std::shared_ptr<HTTPCookieStorage> storage)
{
    std::lock_guard<std::mutex> guard(gLock);
    std::swap(storage, installed());
    return storage;
}

std::vector<HTTPCookie> CookieJar::cookies() const
{
    return cookies_;
}

std::vector<HTTPCookie> CookieJar::cookiesForURL(std::string_view url) const
{
    const double now = Clock::wallSeconds();
    std::vector<HTTPCookie> matching;
    for (const HTTPCookie& cookie : cookies_) {
        if (cookie.matches(url, now)) matching.push_back(cookie);
    }
    // Longer paths first, as the cookie rules order them.
    std::stable_sort(matching.begin(), matching.end(), [](const HTTPCookie& a, const HTTPCookie& b) {
        return a.path().size() > b.path().size();
    });
    return matching;
}

void CookieJar::setCookie(const HTTPCookie& cookie)
{
    const auto slot = std::find_if(cookies_.begin(), cookies_.end(),
                                   [&](const HTTPCookie& held) { return held.sameSlot(cookie); });
    const bool expired = !cookie.isSessionOnly() && cookie.expiresUnixTime() <= Clock::wallSeconds();
    if (expired) {
        if (slot == cookies_.end()) return;
        cookies_.erase(slot);
    } else if (slot != cookies_.end()) {
        Value properties = cookie.properties();
        properties.set("Created", slot->properties()["Created"]);
        *slot = *HTTPCookie::fromProperties(properties);
    } else {
        cookies_.push_back(cookie);
    }
    changed();
}

void CookieJar::setCookiesFromResponse(const std::vector<std::string>& setCookieLines, std::string_view url)
{
    const double now = Clock::wallSeconds();
    for (const std::string& line : setCookieLines) {
        if (std::optional<HTTPCookie> cookie = HTTPCookie::fromSetCookieLine(line, url, now)) {
            setCookie(*cookie);
        } else {
            logLine("HTTPCookieStorage: skipped a Set-Cookie line that is no cookie for %s",
                    std::string(url).c_str());
        }
    }
}

void CookieJar::deleteCookie(const HTTPCookie& cookie)
{
    const auto slot = std::find_if(cookies_.begin(), cookies_.end(),
                                   [&](const HTTPCookie& held) { return held.sameSlot(cookie); });
    if (slot == cookies_.end()) return;
    cookies_.erase(slot);
    changed();
}

FileCookieStorage::FileCookieStorage(std::string path) : path_(std::move(path))
{
    load();
}

void FileCookieStorage::load()
{
    std::optional<Value> stored;
    const GuardedRead read = readGuardedPropertyList(path_, "HTTPCookieStorage: " + path_,
        AtomicFile::kDefaultReadLimit, &Value::isArray, "no cookie list", stored);
    // Perhaps readable later: keep it whole and do not write over it.
    if (read == GuardedRead::Unreadable) mayWrite_ = false;
    if (read != GuardedRead::Read) return;
    const double now = Clock::wallSeconds();
    for (const Value& properties : stored->asArray()) {
        const std::optional<HTTPCookie> cookie = HTTPCookie::fromProperties(properties);
        if (cookie && !cookie->isSessionOnly() && cookie->expiresUnixTime() > now)
            cookies_.push_back(*cookie);
    }
}

void FileCookieStorage::changed()
{
    if (!mayWrite_) return;
    Value::Array kept;
    for (const HTTPCookie& cookie : cookies_) {
        if (!cookie.isSessionOnly()) kept.push_back(cookie.properties());
    }
    std::string error;
    const std::string text = writePropertyList(Value(std::move(kept)), &error);
    if (text.empty()) {
        logLine("HTTPCookieStorage: cannot encode the cookies: %s", error.c_str());
        return;
    }
    Paths::createDirectories(path_.substr(0, path_.rfind('/')));
    // The atomic write keeps the permissions of the file it replaces, so a
    // first file is made private before anything is written into it.
    if (!Paths::fileExists(path_)) {
        const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) ::close(fd);
    }
    (void)AtomicFile::write(path_, text, &error); // a failure is logged by AtomicFile
}

} // namespace mw
