#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace mw {

// Opens an address outside the game (a store page, a web page). The
// desktop's hands http and https addresses to `xdg-open`, but only when
// MOSSWICK_OPEN_URLS=1 is set, so that tests and unattended runs never open
// a browser; every other address, and every address without the variable,
// is logged. Tests install a recording stand-in. Main thread.
class URLOpener {
public:
    // The installed opener (the desktop's unless another was installed).
    static std::shared_ptr<URLOpener> sharedInstance();
    // Installs an opener, or the desktop's again for null; answers the previous.
    static std::shared_ptr<URLOpener> replaceSharedInstance(std::shared_ptr<URLOpener> opener);

    // The desktop's opener with another way of starting a program (tests);
    // `launch` takes the argument list and answers whether it started.
    static std::shared_ptr<URLOpener> makeDesktop(std::function<bool(const std::vector<std::string>&)> launch);

    virtual ~URLOpener() = default;
    // Answers whether the address was handed to a program that opens it.
    virtual bool openURL(const std::string& address) = 0;
};

} // namespace mw
