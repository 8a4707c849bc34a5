// Feeds a tapped link's user info (JSON; any other text is the link's
// address) through the navigation base: the recipient test, the command
// table and the page links, with a controller that only records.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "foundation/RunLoop.h"
#include "fuzz/HeldTransport.h"
#include "fuzz/ScratchFolder.h"
#include "social/data/CCDataStore.h"
#include "social/queues/CCFetchManager.h"
#include "social/screens/CCNavControllerBase.h"
#include "social/session/CCPrivateSession.h"
#include "social/services/CCTheming.h"
#include "social/queues/records/CCServerRecords.h"
#include "social/support/CCJSON.h"
#include "social/ui/UIView.h"

namespace {

class RecordingNav : public mw::CCNavControllerBase {
public:
    void pushView(const mw::Ref<mw::CCUIDescription>& page, const std::optional<std::string>&, int,
                  bool) override
    {
        if (page) ++pushes;
    }
    mw::CCUIDescription* currentDisplayedUiDescription() override { return current.get(); }
    void initiateAffiliateRedirect(const std::string&) override { ++others; }
    void initiateSendSMSMessage(const std::string&, const std::vector<std::string>&) override { ++others; }
    void blockUserInput(bool) override { ++others; }
    void initiateImagePickerWithType(int, const std::string&, mw::CGRect rect, mw::UIView*) override
    {
        // The rectangle text becomes geometry as a picker would use it.
        (void)mw::NSStringFromCGRect(rect);
        ++others;
    }
    mw::Ref<mw::CCUIDescription> current;
    int pushes = 0;
    int others = 0;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    mw::setLogSink([](const std::string&) {});
    mw::fuzz::useScratchHome("navigation-links");
    const std::string resources = std::filesystem::path(__FILE__).parent_path().parent_path() / "resources";
    ::setenv("MOSSWICK_RESOURCES", resources.c_str(), 0);
    (void)mw::HTTPTransport::replaceSharedInstance(std::make_shared<mw::fuzz::HeldTransport>());
    mw::CCTheming::sharedInstance()->setCurrentTheme("mosswick_01");
    // Notices are counted, not shown.
    if (mw::CCPrivateSession* session = mw::CCPrivateSession::sharedInstance()) {
        mw::CCSessionScreenHooks hooks;
        hooks.presentPopupNotification = [](const std::string&, const std::string&) {};
        session->setScreenHooks(hooks);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    mw::CCJSON parser;
    std::optional<mw::Value> parsed = parser.objectWithString(text, true, nullptr);
    mw::Value info = parsed && parsed->isDict() ? *parsed : mw::Value::dictionary({{"url", mw::Value(text)}});

    mw::Ref<RecordingNav> nav = mw::makeRef<RecordingNav>();
    (void)nav->view();
    // A page with a form, so that form posts and the PIN command have one.
    nav->current = mw::makeRef<mw::CCUIDescription>(mw::CCPrivateSession::liteBaseUrl() + "form.cuid", 10, 0);
    nav->formModelCreatingForUrl(nav->current->url())->values.set("pinCode", info["pin"]);
    mw::Ref<mw::UIView> view = mw::makeRef<mw::UIView>();
    mw::NotificationCenter::defaultCenter().postNotification(mw::kTableLinkNotification, nullptr,
                                                             mw::CCTableLinkInfo {info, view});
    nav->fetchUpdateNotification(mw::Notification("x", nullptr, info));
    nav = nullptr;
    mw::RunLoop::main().drain();
    mw::CCFetchManager* fetch = mw::CCFetchManager::sharedInstance();
    const auto queued = fetch->fetchQueue();
    for (const auto& record : queued) record->clearDelegate();
    // The held transport never answers, so the records a link started stay
    // with the manager: kept, they would pile up from input to input (and
    // the leak check would scan them after each). Each input gets a fresh
    // manager, and a fresh store without the previous input's usage log.
    mw::CCFetchManager::releaseSharedInstance();
    mw::CCDataStore::sharedInstance()->removeAllKeys();
    mw::UIView::removeAllAnimations();
    return 0;
}
