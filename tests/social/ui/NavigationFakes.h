#pragma once

// A navigation controller that records what the navigation base asks of
// it, and a world for the base's tests: the scratch session of the social
// tests with the service's transfers held, outside links and the game
// centre recorded, and every request notification of the base caught.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "foundation/NotificationCenter.h"
#include "foundation/RunLoop.h"
#include "platform/GameCenter.h"
#include "social/queues/CCFetchManager.h"
#include "social/screens/CCNavControllerBase.h"
#include "social/queues/CCNeighbours.h"
#include "social/session/CCPrivateSession.h"
#include "social/queues/records/CCServerRecords.h"
#include "social/support/CCJSON.h"
#include "tests/social/SocialFixture.h"
#include "tests/support/RecordingOutsideServices.h"
#include "tests/support/RecordingPlatformServices.h"

namespace mw::test {

inline std::string jsonText(const Value& value) { return JSONFragment(value).value_or("<unwritable>"); }

inline Value parseJson(const std::string& text)
{
    CCJSON parser;
    JsonError error;
    std::optional<Value> value = parser.objectWithString(text, true, &error);
    EXPECT_TRUE(value) << text << " " << error.message;
    return value.value_or(Value());
}

class RecordingNav : public CCNavControllerBase {
public:
    struct Push {
        Ref<CCUIDescription> page;
        std::optional<std::string> tab;
        int animation = -1;
        bool noStack = false;
    };

    void pushView(const Ref<CCUIDescription>& page, const std::optional<std::string>& tab, int animation,
                  bool noStack) override
    {
        pushes.push_back({page, tab, animation, noStack});
        calls.push_back("push " + (page ? page->url() : std::string("<none>")) + " " +
                        std::to_string(animation) + (noStack ? " nostack" : ""));
    }
    CCUIDescription* currentDisplayedUiDescription() override { return current.get(); }
    void displayDialogWithUiDescription(CCUIDescription* description, CCModalViewDelegate*) override
    {
        calls.push_back("dialog " + (description ? jsonText(description->mainData()) : std::string()));
    }
    void clearTopTableSelection() override { calls.push_back("clearSelection"); }
    void activateGlobalNavUiAsGuest(bool guest, const std::string& tab) override
    {
        calls.push_back("global " + std::to_string(guest) + " " + tab);
    }
    void activateGlobalNavUiAsGuest(bool guest, const std::string& tab, const std::string& url) override
    {
        calls.push_back("global " + std::to_string(guest) + " " + tab + " " + url);
    }
    void activateBasicNavUiWithTab(bool tab) override { calls.push_back("basic " + std::to_string(tab)); }
    void activateBasicNavUiWithTab(bool tab, const std::string& url) override
    {
        calls.push_back("basic " + std::to_string(tab) + " " + url);
    }
    void initiateImagePickerWithType(int source, const std::string& url, CGRect rect, UIView* view) override
    {
        calls.push_back("picker " + std::to_string(source) + " " + url + " " + NSStringFromCGRect(rect) +
                        (view == pickerView ? " view" : " other-view"));
    }
    // The shared overlays are the base's own; these record instead when asked.
    void initiateAffiliateRedirect(const std::string& url) override
    {
        if (realOverlays) return CCNavControllerBase::initiateAffiliateRedirect(url);
        calls.push_back("redirect " + url);
    }
    void initiateSendSMSMessage(const std::string& body, const std::vector<std::string>& recipients) override
    {
        if (realOverlays) return CCNavControllerBase::initiateSendSMSMessage(body, recipients);
        std::string line = "sms " + body + " |";
        for (const std::string& one : recipients) line += " " + one;
        calls.push_back(line);
    }
    void blockUserInput(bool block) override
    {
        calls.push_back(std::string("block ") + (block ? "YES" : "NO"));
        if (realOverlays) CCNavControllerBase::blockUserInput(block);
    }
    CCGenericTableViewController* shownTablePage() override { return shown; }
    std::optional<std::string> navigationDescriptionUrl() const override { return navigationUrl; }
    void navigationDescriptionUpdated(const Ref<CCUIDescription>& description) override
    {
        calls.push_back("navigation " + description->url());
    }
    void displayIncomingPushNotice(const std::string& text, const std::string& url,
                                   const std::string& tab) override
    {
        calls.push_back("notice " + text + " " + url + " " + tab);
    }

    Ref<CCUIDescription> current;
    CCGenericTableViewController* shown = nullptr;
    std::optional<std::string> navigationUrl;
    UIView* pickerView = nullptr;
    bool realOverlays = false;
    std::vector<Push> pushes;
    std::vector<std::string> calls;
};

class NavigationWorld : public SocialFixture {
protected:
    static constexpr const char* kRequests[] = {
        "LumoraFBLogin",      "LumoraFBLogout",      "LumoraFBPublish",         "LumoraFBInvite",
        "LumoraTwitterLogin", "LumoraTwitterLogout", "LumoraTwitterProcessPin", "LumoraTwitterInvite"};

    void SetUp() override
    {
        SocialFixture::SetUp();
        previousTransport_ = HTTPTransport::replaceSharedInstance(transport_);
        previousOpener_ = URLOpener::replaceSharedInstance(opener_);
        previousGameCenter_ = GameCenter::replaceSharedInstance(gameCenter_);
        activate();
        ASSERT_NE(session(), nullptr);
        for (const char* name : kRequests) {
            requestObservers_.push_back(NotificationCenter::defaultCenter().addObserver(
                nullptr, name, nullptr, [this, name](const Notification& n) {
                    std::string line = std::string(name);
                    if (const auto* info = std::any_cast<Value>(&n.userInfo())) line += " " + jsonText(*info);
                    if (const auto* invite = std::any_cast<CCTwitterInviteInfo>(&n.userInfo()))
                        line += " " + jsonText(invite->info) +
                                (invite->viewcontroller == n.object() ? " self" : "");
                    nav_->calls.push_back(line);
                }));
        }
    }
    void TearDown() override
    {
        for (auto id : requestObservers_) NotificationCenter::defaultCenter().removeObserver(id);
        nav_ = nullptr;
        releaseQueued();
        SocialFixture::TearDown();
        HTTPTransport::replaceSharedInstance(previousTransport_);
        URLOpener::replaceSharedInstance(previousOpener_);
        GameCenter::replaceSharedInstance(previousGameCenter_);
    }

    static void releaseQueued()
    {
        if (!CCFetchManager::sharedInstance()) return;
        const std::vector<Ref<CCAbstractServerData>> queued = CCFetchManager::sharedInstance()->fetchQueue();
        for (const Ref<CCAbstractServerData>& record : queued) record->clearDelegate();
    }

    CCPrivateSession* session() { return CCPrivateSession::sharedInstance(); }

    // The queued post for a URL, or null.
    static Ref<CCAbstractServerData> queuedPost(const std::string& url)
    {
        for (const Ref<CCAbstractServerData>& record : CCFetchManager::sharedInstance()->fetchQueue())
            if (record->url() == url && record->postData()) return record;
        return nullptr;
    }
    static std::string bodyOf(const CCAbstractServerData& record)
    {
        const Value::Bytes& bytes = *record.postData();
        return std::string(bytes.begin(), bytes.end());
    }

    std::shared_ptr<RecordingHTTPTransport> transport_ = std::make_shared<RecordingHTTPTransport>();
    std::shared_ptr<RecordingURLOpener> opener_ = std::make_shared<RecordingURLOpener>();
    std::shared_ptr<RecordingGameCenter> gameCenter_ = std::make_shared<RecordingGameCenter>();
    Ref<RecordingNav> nav_ = makeRef<RecordingNav>();

private:
    std::shared_ptr<HTTPTransport> previousTransport_;
    std::shared_ptr<URLOpener> previousOpener_;
    std::shared_ptr<GameCenter> previousGameCenter_;
    std::vector<NotificationCenter::ObserverId> requestObservers_;
};

} // namespace mw::test
