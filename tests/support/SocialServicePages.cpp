#include "tests/support/SocialServicePages.h"

#include <cstdint>
#include <vector>

#include "platform/Image.h"
#include "social/session/CCPrivateSession.h"
#include "tests/support/LoopbackSocialService.h"

namespace mw::test {

std::string SocialServicePages::envelope(const std::string& data)
{
    return R"({"meta":{"type":"uidesc","timestamp":1},"data":)" + data + "}";
}

std::string SocialServicePages::lite(const std::string& path) { return CCPrivateSession::liteBaseUrl() + path; }

std::string SocialServicePages::bannerPng()
{
    std::vector<uint8_t> pixels(320 * 120 * 4);
    for (size_t i = 0; i < pixels.size(); i += 4) {
        pixels[i] = 200;
        pixels[i + 1] = 120;
        pixels[i + 2] = 40;
        pixels[i + 3] = 255;
    }
    Ref<Image> image = Image::fromRGBA(std::move(pixels), 320, 120, ImageAlphaInfo::Last);
    if (!image) return {};
    const std::vector<uint8_t> png = image->encodePNG();
    return std::string(png.begin(), png.end());
}

void SocialServicePages::script(LoopbackSocialService& service)
{
    const std::string banner = lite(std::string("images/banner.png?liteBannerId=") + kBannerId);
    service.script("/lite/newsfeed.cuid",
                   {200, {{"Content-Type", "application/json"}},
                    envelope(R"({"uitype":"plaintable","groups":[{"items":[{"type":"lite_banner","height":120,)"
                             R"("delay":2,"image":")" + banner + R"("}]}]})")});
    service.script("/lite/images/banner.png", {200, {{"Content-Type", "image/png"}}, bannerPng()});
    service.script("/lite/profile.cuid",
                   {200, {}, envelope(R"({"uitype":"plaintable","groups":[{"items":[)"
                                      R"({"type":"link_row","text":"Friends","href":")" +
                                      lite("friends.cuid") + R"("},{"type":"text_row","text":"Mossbury"}]}]})")});
    service.script("/lite/friends.cuid",
                   {200, {}, envelope(R"({"uitype":"plaintable","groups":[{"items":[)"
                                      R"({"type":"link_row","text":"Sync","yesnoconfirm":"Open the sync page?",)"
                                      R"("href":")" + lite("sync.cuid") + R"("}]}]})")});
    service.script("/lite/sync.cuid",
                   {200, {}, envelope(R"({"uitype":"plaintable","groups":[{"items":[)"
                                      R"({"type":"link_row","text":"Sync now","href":"lumora://gamecentersync"}]}]})")});
    service.script("/analytics/index.php", {200, {}, ""});
}

} // namespace mw::test
