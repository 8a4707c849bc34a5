// Serves the social screens' pages on this machine so that a game process can
// show them: the tests' loopback social service with their pages, checking
// every request's signing against the game's own secret. ./play --social runs
// it beside the game.
//
//   build/release/mosswick_social_service
//
// Once it listens it prints two lines to stdout, in the environment form the
// game reads at start-up (and nothing more to stdout after them):
//   MOSSWICK_SOCIAL_CA=<the PEM file of the certificate authority vouching for it>
//   MOSSWICK_SOCIAL_CONNECT_TO=<HOST:PORT:127.0.0.1:PORT entries, comma-separated>
// It logs each request it answers and every check a request fails, and runs
// until SIGINT or SIGTERM; then it stops, removes its certificate files and
// exits with 0. The host names come from the bundle (MOSSWICK_RESOURCES) and
// MOSSWICK_SOCIAL_HOST / MOSSWICK_TELEMETRY_HOST, as the game's do, so both
// processes must see the same environment.
#include <csignal>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <pthread.h>

#include "foundation/Log.h"
#include "game/front/MosswickAppDelegate.h"
#include "tests/support/LoopbackSocialService.h"
#include "tests/support/SocialServicePages.h"

namespace {

using mw::logLine;
using mw::test::LoopbackSocialService;

void logRequest(const LoopbackSocialService::Request& request, int status)
{
    logLine("social service: %s %s://%s%s -> %d", request.method.c_str(), request.tls ? "https" : "http",
            request.host.c_str(), request.target.c_str(), status);
    for (const std::string& problem : request.problems)
        logLine("social service: check failed: %s: %s", request.target.c_str(), problem.c_str());
}

std::string joined(const std::vector<std::string>& entries)
{
    std::string text;
    for (const std::string& entry : entries) text += (text.empty() ? "" : ",") + entry;
    return text;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1) {
        const std::string arg = argv[1];
        const bool help = arg == "--help" || arg == "-h";
        std::fprintf(help ? stdout : stderr,
                     "Usage: mosswick_social_service\n"
                     "Serves the social screens' pages on 127.0.0.1 until SIGINT or SIGTERM; prints\n"
                     "MOSSWICK_SOCIAL_CA=... and MOSSWICK_SOCIAL_CONNECT_TO=... for the game's\n"
                     "environment.\n");
        return help ? 0 : 2;
    }
    // Blocked before the service starts its threads, which inherit the mask:
    // the stop signals reach only the wait below.
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stops, nullptr);

    LoopbackSocialService service;
    service.setSigning({mw::MosswickAppDelegate::kSocialSecret});
    // It may run for hours: the log is the record, not memory.
    service.setKeepsRequests(false);
    service.setRequestObserver(logRequest);
    mw::test::SocialServicePages::script(service);

    if (!std::ifstream(service.authorityFile()).good()) {
        logLine("social service: cannot write the certificate authority's file '%s'",
                service.authorityFile().c_str());
        return 1;
    }
    std::printf("MOSSWICK_SOCIAL_CA=%s\nMOSSWICK_SOCIAL_CONNECT_TO=%s\n", service.authorityFile().c_str(),
                joined(service.connectToEntries()).c_str());
    std::fflush(stdout);
    logLine("social service: listening on 127.0.0.1, port %d for https and %d for http",
            service.tlsPort(), service.plainPort());

    int received = 0;
    sigwait(&stops, &received);
    logLine("social service: stopping (%s)", received == SIGINT ? "SIGINT" : "SIGTERM");
    // The service goes with main: its threads stop and its certificate files are removed.
    return 0;
}
