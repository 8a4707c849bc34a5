#pragma once

// Where the game's transfers go when a loopback social service runs beside it
// (tools/social_service, which ./play --social starts). The service names two
// things in the environment, read once at start-up before any transfer:
//   MOSSWICK_SOCIAL_CA          the PEM file of the authority that vouches for it
//   MOSSWICK_SOCIAL_CONNECT_TO  "HOST:PORT:ADDRESS:PORT" entries, comma-separated
// With neither set nothing changes. The two go together and are taken whole
// or not at all: a half routing would send the rest of the hosts to the real
// service with only the test authority trusted.

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "foundation/Log.h"
#include "platform/HTTPTransport.h"

namespace mw {

struct SocialServiceRouting {
    std::string authorityFile;
    std::vector<std::string> connectTo;
};

// Whether `entry` reads "HOST:PORT:ADDRESS:PORT", with a host and an address
// and two ports from 1 to 65535.
inline bool isConnectToEntry(const std::string& entry)
{
    auto isPort = [](const std::string& text) {
        if (text.empty() || text.size() > 5) return false;
        for (char c : text)
            if (c < '0' || c > '9') return false;
        const long port = std::strtol(text.c_str(), nullptr, 10);
        return port >= 1 && port <= 65535;
    };
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t colon; (colon = entry.find(':', start)) != std::string::npos; start = colon + 1)
        parts.push_back(entry.substr(start, colon - start));
    parts.push_back(entry.substr(start));
    return parts.size() == 4 && !parts[0].empty() && isPort(parts[1]) && !parts[2].empty() &&
           isPort(parts[3]);
}

// The routing the two values name (null for an unset variable). Nothing
// when neither is set; nothing, with one log line saying why, when one is
// missing, the file cannot be read, or an entry is malformed.
inline std::optional<SocialServiceRouting> socialServiceRouting(const char* authority, const char* connectTo)
{
    const bool hasAuthority = authority && *authority;
    const bool hasConnectTo = connectTo && *connectTo;
    if (!hasAuthority && !hasConnectTo) return std::nullopt;
    if (!hasAuthority || !hasConnectTo) {
        logLine("social service routing ignored: MOSSWICK_SOCIAL_CA and MOSSWICK_SOCIAL_CONNECT_TO go "
                "together, and %s is not set",
                hasAuthority ? "MOSSWICK_SOCIAL_CONNECT_TO" : "MOSSWICK_SOCIAL_CA");
        return std::nullopt;
    }
    SocialServiceRouting routing;
    routing.authorityFile = authority;
    if (!std::ifstream(routing.authorityFile).good()) {
        logLine("social service routing ignored: cannot read MOSSWICK_SOCIAL_CA '%s'", authority);
        return std::nullopt;
    }
    const std::string entries = connectTo;
    size_t start = 0;
    while (true) {
        const size_t comma = entries.find(',', start);
        const std::string entry = entries.substr(start, comma == std::string::npos ? comma : comma - start);
        if (!isConnectToEntry(entry)) {
            logLine("social service routing ignored: MOSSWICK_SOCIAL_CONNECT_TO entry '%s' is not "
                    "HOST:PORT:ADDRESS:PORT",
                    entry.c_str());
            return std::nullopt;
        }
        routing.connectTo.push_back(entry);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return routing;
}

// Reads the environment and points the platform transport at the service it
// names, saying so in one line. Call once, before the game starts.
inline void routeToSocialServiceFromEnvironment()
{
    const std::optional<SocialServiceRouting> routing =
        socialServiceRouting(std::getenv("MOSSWICK_SOCIAL_CA"), std::getenv("MOSSWICK_SOCIAL_CONNECT_TO"));
    if (!routing) return;
    HTTPTransport::setTrustedCertificatesFile(routing->authorityFile);
    HTTPTransport::setConnectTo(routing->connectTo);
    logLine("social service routing: %zu connect-to entries, trusting %s", routing->connectTo.size(),
            routing->authorityFile.c_str());
}

} // namespace mw
