#include "platform/URLOpener.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "foundation/Log.h"

extern char** environ;

namespace mw {

namespace {

bool spawnDetached(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    if (posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
    // xdg-open hands the address over and exits; reap it off the main thread.
    std::thread([child] {
        int status = 0;
        waitpid(child, &status, 0);
    }).detach();
    return true;
}

bool isWebAddress(const std::string& address)
{
    return address.rfind("http://", 0) == 0 || address.rfind("https://", 0) == 0;
}

class DesktopURLOpener : public URLOpener {
public:
    explicit DesktopURLOpener(std::function<bool(const std::vector<std::string>&)> launch)
        : launch_(std::move(launch))
    {
    }
    bool openURL(const std::string& address) override
    {
        const char* allowed = std::getenv("MOSSWICK_OPEN_URLS");
        if (!isWebAddress(address) || !allowed || std::strcmp(allowed, "1") != 0) {
            logLine("Outside link not opened: %s", address.c_str());
            return false;
        }
        if (!launch_({"xdg-open", address})) {
            logLine("Outside link: cannot start xdg-open for %s", address.c_str());
            return false;
        }
        return true;
    }

private:
    std::function<bool(const std::vector<std::string>&)> launch_;
};

std::mutex gLock;
std::shared_ptr<URLOpener>& installed()
{
    static std::shared_ptr<URLOpener> opener = std::make_shared<DesktopURLOpener>(spawnDetached);
    return opener;
}

} // namespace

std::shared_ptr<URLOpener> URLOpener::sharedInstance()
{
    std::lock_guard<std::mutex> guard(gLock);
    return installed();
}

std::shared_ptr<URLOpener> URLOpener::replaceSharedInstance(std::shared_ptr<URLOpener> opener)
{
    std::lock_guard<std::mutex> guard(gLock);
    if (!opener) opener = std::make_shared<DesktopURLOpener>(spawnDetached);
    std::swap(opener, installed());
    return opener;
}

std::shared_ptr<URLOpener> URLOpener::makeDesktop(std::function<bool(const std::vector<std::string>&)> launch)
{
    return std::make_shared<DesktopURLOpener>(std::move(launch));
}

} // namespace mw
