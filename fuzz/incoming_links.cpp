// Feeds a payload (JSON, or the bytes as one text) to the session's launch
// options, opened addresses and remote notifications, with and without a
// full UI, then to the pending-address opening.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/ShippedTheme.h"
#include "foundation/RunLoop.h"
#include "social/data/CCDataStore.h"
#include "social/screens/CCNavControllerBase.h"
#include "social/session/CCPrivateSession.h"
#include "social/services/CCTheming.h"
#include "social/support/CCJSON.h"
#include "social/ui/UIView.h"

namespace {

class NoticeNav : public mw::CCNavControllerBase {
public:
    void displayIncomingPushNotice(const std::string& text, const std::string& url,
                                   const std::string& tab) override
    {
        seen += text.size() + url.size() + tab.size();
    }
    size_t seen = 0;
};

size_t opened = 0;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    mw::fuzz::startWithShippedTheme("incoming-links");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    mw::CCJSON parser;
    const mw::Value payload = parser.objectWithString(text, true, nullptr).value_or(mw::Value(text));
    mw::CCPrivateSession* session = mw::CCPrivateSession::sharedInstance();
    if (!session) return 0;
    mw::Ref<NoticeNav> root = mw::makeRef<NoticeNav>();
    bool fullUi = false;
    mw::CCSessionScreenHooks hooks;
    auto open = [](const std::string& tab, const std::optional<std::string>& url, bool) {
        opened += tab.size() + (url ? url->size() : 0);
    };
    hooks.activateLumoraUIOnTabId = open;
    hooks.activateMainUIOnTabId = open;
    hooks.presentPopupNotification = [](const std::string& title, const std::string& body) {
        opened += title.size() + body.size();
    };
    hooks.rootViewController = [&]() -> mw::Object* { return fullUi ? root.get() : nullptr; };
    session->setScreenHooks(hooks);

    session->setPendingIncomingUrlString("");
    (void)session->applicationDidFinishLaunchingWithOptions(payload);
    (void)session->applicationDidFinishLaunchingWithOptions(
        mw::Value::dictionary({{"UIApplicationLaunchOptionsRemoteNotificationKey", payload},
                               {"UIApplicationLaunchOptionsURLKey", payload}}));
    (void)session->appWasStartedFromPendingUrl();
    session->activateLumoraUIFromPendingUrl();
    (void)session->applicationHandleOpenURL(payload);
    (void)session->applicationOpenURL(payload, payload, payload);
    session->activateLumoraUIFromPendingUrl();
    session->applicationDidReceiveRemoteNotification(payload);
    fullUi = true;
    session->applicationDidReceiveRemoteNotification(payload);
    session->setScreenHooks({});
    mw::RunLoop::main().drain();
    // The usage records of pending addresses would pile up run after run.
    mw::CCDataStore::sharedInstance()->removeKey("currentusagedata");
    return 0;
}
