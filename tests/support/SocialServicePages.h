#pragma once

#include <string>

namespace mw::test {

class LoopbackSocialService;

// The pages the loopback service answers for the social screens: a news
// page with one lite banner that closes the strip after 2 s, the second
// tab's page with a link row to a second page, whose confirmed link leads
// to a third page holding the game-centre sync command; and the telemetry
// host's empty answer. Shared by the in-game tests and the service tool.
struct SocialServicePages {
    // The news banner's id, as the banner's address carries it.
    static constexpr const char* kBannerId = "77";

    // A service page: `data` inside a "uidesc" envelope.
    static std::string envelope(const std::string& data);
    // `path` under the service's lite base address.
    static std::string lite(const std::string& path);
    // The banner picture: 320 x 120, one warm colour, as PNG bytes.
    static std::string bannerPng();
    // Scripts every page above on `service`.
    static void script(LoopbackSocialService& service);
};

} // namespace mw::test
