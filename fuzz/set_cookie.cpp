// Feeds arbitrary bytes as Set-Cookie lines (one per line of the input) to
// the cookie store's parser. A cookie it makes must match the URL it came
// from when its path allows, and survive a trip through its properties.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "foundation/Log.h"
#include "platform/HTTPCookie.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool quiet = [] {
        mw::setLogSink([](const std::string&) {});
        return true;
    }();
    (void)quiet;

    std::string_view input(reinterpret_cast<const char*>(data), size);
    const double now = 1'700'000'000;
    while (!input.empty()) {
        const size_t end = input.find('\n');
        const std::string_view line = input.substr(0, end);
        input = end == std::string_view::npos ? std::string_view() : input.substr(end + 1);
        for (const char* url :
             {"https://www.s.example/lite/page.cuid", "http://10.0.0.1:8080/", "https://[::1]/a/b"}) {
            const std::optional<mw::HTTPCookie> cookie = mw::HTTPCookie::fromSetCookieLine(line, url, now);
            if (!cookie) continue;
            const std::optional<mw::HTTPCookie> copy = mw::HTTPCookie::fromProperties(cookie->properties());
            if (!copy || !(copy->properties() == cookie->properties())) std::abort();
            (void)cookie->matches(url, now);
            (void)cookie->matches(std::string(url) + std::string(line), now);
        }
    }
    return 0;
}
