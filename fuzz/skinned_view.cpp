// Feeds a skin description and a server element (two JSON texts, split at
// the first NUL byte) to a skinned view: its layout, its drawing into a
// canvas (no GL) and a tap at the middle of every item.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "foundation/Log.h"
#include "social/ui/UIView.h"
#include "social/CCSkinnedView.h"
#include "social/CCTheming.h"
#include "social/support/CCJSON.h"
#include "social/ui/UIDrawContext.h"

namespace {

mw::Value parse(std::string_view text)
{
    mw::CCJSON json;
    mw::JsonError error;
    std::optional<mw::Value> value = json.objectWithString(std::string(text), &error);
    return value ? *value : mw::Value();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    mw::setLogSink([](const std::string&) {});
    ::setenv("MOSSWICK_HOME", "/tmp/mosswick-fuzz-skinned-view", 0);
    // The shipped theme and fonts, from the source tree this target was built from.
    const std::string resources = std::filesystem::path(__FILE__).parent_path().parent_path() / "resources";
    ::setenv("MOSSWICK_RESOURCES", resources.c_str(), 0);
    mw::CCTheming::sharedInstance()->setCurrentTheme("mosswick_01");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const size_t split = bytes.find('\0');
    const mw::Value skin = parse(bytes.substr(0, split));
    const mw::Value element = split == std::string_view::npos ? mw::Value() : parse(bytes.substr(split + 1));
    mw::Ref<mw::CCSkinnedView> view = mw::makeRef<mw::CCSkinnedView>(element, skin, mw::CGRect {0, 0, 320, 60},
                                                                     mw::makeRef<mw::CCFormModel>(), false);
    view->setBadgesEnabled(true);
    view->updateFrameForContent();
    (void)view->sizeThatFits(mw::CGSizeZero);
    if (auto context = mw::UIDrawContext::create({320, 60}, 1)) view->drawRect(*context, view->bounds());
    for (const mw::Value& item : skin["items"].asArray()) {
        const mw::CGRect rect = mw::CCTheming::dimensionsFromItem(item);
        (void)view->tapAtPoint({rect.origin.x + rect.size.width / 2, rect.origin.y + rect.size.height / 2});
    }
    // No window runs the animations here: drop them with the views.
    mw::UIView::removeAllAnimations();
    return 0;
}
