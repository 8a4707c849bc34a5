#include <gtest/gtest.h>

#include <cmath>

#include "platform/Image.h"
#include "social/data/CCDataStore.h"
#include "social/screens/CCGenericTableViewController.h"
#include "social/services/CCStorePurchases.h"
#include "social/services/CCTheming.h"
#include "tests/social/ui/NavigationFakes.h"

namespace mw::test {
namespace {

const std::string kLite = CCPrivateSession::liteBaseUrl();

Ref<CCUIDescription> pageAt(const std::string& url, const std::string& dataJson = R"({"title":"t"})")
{
    auto page = makeRef<CCUIDescription>(url, 10, 0);
    page->setMainData(parseJson(dataJson));
    return page;
}

// Puts a page answer in the fetch manager's cache as a finished transfer does.
void cachePage(const std::string& url, const std::string& dataJson)
{
    const std::string envelope = R"({"meta":{"type":"uidesc","timestamp":1},"data":)" + dataJson + "}";
    auto record = makeRef<CCUIDescription>(url, 10, 0);
    record->setReceivedData(Value::Bytes(envelope.begin(), envelope.end()));
    CCFetchManager::sharedInstance()->serverDataFinishedNetworkOpWithStatus(record.get(), 0);
}

class NavigationBaseTest : public NavigationWorld {
protected:
    void dispatch(const std::string& infoJson, UIView* view = nullptr)
    {
        nav_->dispatchLink(parseJson(infoJson), view);
        RunLoop::main().drain();
    }
};

// ---- the command table ----

TEST_F(NavigationBaseTest, CommandTableMatchesAndNearMisses)
{
    struct Row {
        const char* info;               // the link's user info
        std::vector<std::string> calls; // what the controller and the outside saw
    };
    const std::string challenge = kLite + "challenge_start?challengeID=7";
    const Row rows[] = {
        {R"({"url":"lumora://activateui"})", {"global 0 profiletab"}},
        {R"({"url":"lumora://activateui?x"})", {"push lumora://activateui?x 1"}},
        {R"({"url":"lumora://activateuiasguest"})", {"global 1 profiletab"}},
        {R"({"url":"lumora-activateui://https://h/p"})", {"global 0 profiletab https://h/p"}},
        // Holds "lumora-activateuiasguest://" but not "lumora-activateui://": row 4.
        {R"({"url":"lumora-activateuiasguest://x"})", {"global 1 profiletab x"}},
        {R"({"url":"lumora://deactivateui"})", {"basic 1"}},
        {R"({"url":"lumora://deactivateui/"})", {"push lumora://deactivateui/ 1"}},
        {R"({"url":"https://h/sign_up_reminder.cuid"})", {"basic 1 https://h/sign_up_reminder.cuid"}},
        {R"({"url":"lumora://facebooklogin"})", {"LumoraFBLogin"}},
        {R"({"url":"lumora://facebooklogout"})", {"LumoraFBLogout"}},
        {R"({"url":"lumora://facebookinvite","invitetext":"come"})",
         {R"(LumoraFBInvite {"message":"come"})", "clearSelection"}},
        {R"({"url":"lumora://facebookpublish/x","publishinfo":{"a":1}})",
         {R"(LumoraFBPublish {"publishinfo":{"a":1}})"}},
        {R"({"url":"lumora://twitterlogin"})", {"LumoraTwitterLogin"}},
        {R"({"url":"lumora://twitterlogout/now"})", {"LumoraTwitterLogout"}},
        {R"({"url":"lumora://twitterpin"})", {R"(LumoraTwitterProcessPin {"pin":null})"}},
        {R"({"url":"lumora://twitterinvite","invitetext":"hey"})",
         {R"(LumoraTwitterInvite {"message":"hey"} self)", "clearSelection"}},
        {R"({"url":"lumora://create-sms/5551234","sms-text":"join"})", {"sms join | 5551234"}},
        {R"({"url":"lumora://create-sms"})", {"sms  | lumora://create-sms"}},
        {R"({"url":"itms://apps/x"})", {"open itms://apps/x"}},
        {R"({"url":"lumora-affiliate://ads.example/c?id=1"})", {"redirect http://ads.example/c?id=1"}},
        {R"({"url":"lumora-http://click.affiliates-one.mosswick.example/c"})",
         {"redirect http://click.affiliates-one.mosswick.example/c"}},
        {R"({"url":"lumora-http://click.affiliates-two.mosswick.example"})",
         {"redirect http://click.affiliates-two.mosswick.example"}},
        {R"({"url":"lumora-http://click.affiliates-one.mosswick.example.other.org/"})",
         {"open http://click.affiliates-one.mosswick.example.other.org/"}},
        {R"({"url":"lumora-http://example.org/page"})", {"open http://example.org/page"}},
        {R"({"url":"lumora://buyvirtualcurrency"})", {}},
        {R"({"url":"lumora://startchallenge?challengeID=7&gameConfigID=c3"})", {"push " + challenge + " 1"}},
        {R"({"url":"lumora://startchallenge?challengeID=7"})", {}},
        {R"({"url":"x"})", {}},
        {R"({"url":""})", {}},
        {R"({"url":7})", {}},
        {R"({"nourl":"lumora://activateui"})", {}},
        {R"({"url":"https://h/a page"})", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.info);
        nav_->calls.clear();
        opener_->opened.clear();
        dispatch(row.info);
        std::vector<std::string> seen = nav_->calls;
        for (const std::string& opened : opener_->opened) seen.push_back("open " + opened);
        EXPECT_EQ(seen, row.calls);
    }
}

TEST_F(NavigationBaseTest, SignInCommandsClearTheirAddressFromTheCache)
{
    for (const char* url : {"lumora://facebooklogin", "lumora://facebooklogout", "lumora://twitterlogin",
                            "lumora://create-sms/1"}) {
        SCOPED_TRACE(url);
        clearNeighbourCalls();
        nav_->dispatchLink(Value::dictionary({{"url", Value(url)}}), nullptr);
        EXPECT_EQ(neighbourCalls(),
                  (std::vector<std::string> {std::string("fetchManager clearUrlFromCache ") + url}));
    }
}

TEST_F(NavigationBaseTest, PinCommandSendsThePinOfTheShownPage)
{
    nav_->current = pageAt(kLite + "twitter_pin.cuid");
    nav_->formModelCreatingForUrl(kLite + "twitter_pin.cuid")->values.set("pinCode", Value("4321"));
    dispatch(R"({"url":"lumora://twitterpin"})");
    EXPECT_EQ(nav_->calls, (std::vector<std::string> {R"(LumoraTwitterProcessPin {"pin":"4321"})"}));
}

TEST_F(NavigationBaseTest, OutsideLinksSaveTheStoreBeforeLeaving)
{
    // The opener reads the store's file as it stands when the link leaves.
    class Checking : public URLOpener {
    public:
        bool openURL(const std::string& address) override
        {
            std::ifstream file(CCDataStore::saveFilePath());
            const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
            seen.push_back(address + (text.find("probe-7431") != std::string::npos ? " saved" : " unsaved"));
            return true;
        }
        std::vector<std::string> seen;
    };
    auto checking = std::make_shared<Checking>();
    URLOpener::replaceSharedInstance(checking);
    int probe = 0;
    for (const char* url : {"itms://apps/mosswick", "lumora-http://example.org/x"}) {
        CCDataStore::sharedInstance()->setValue("probe", Value("probe-743" + std::to_string(++probe)));
        nav_->dispatchLink(Value::dictionary({{"url", Value(url)}}), nullptr);
        probe = 0;
    }
    EXPECT_EQ(checking->seen,
              (std::vector<std::string> {"itms://apps/mosswick saved", "http://example.org/x saved"}));
    URLOpener::replaceSharedInstance(opener_);
}

TEST_F(NavigationBaseTest, GameCentreCommands)
{
    session()->activateLumoraSetting(5, Value("YES"));
    // The screens' commands are in the screens' tests (they need a window).
    // Signing in: the fetch data is cleared (not completely) once the game
    // centre says yes; the selection is cleared at once.
    gameCenter_->signsIn = true;
    nav_->calls.clear();
    clearNeighbourCalls();
    nav_->dispatchLink(Value::dictionary({{"url", Value("lumora://gamecenterlogin")}}), nullptr);
    EXPECT_EQ(nav_->calls, (std::vector<std::string> {"clearSelection"}));
    EXPECT_EQ(gameCenter_->authentications, 1);
    RunLoop::main().drain();
    const std::vector<std::string> calls = neighbourCalls();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "fetchManager clearDataWithCompleteClean 0"),
              calls.end());

    // A sync stores its time.
    dispatch(R"({"url":"lumora://gamecentersync"})");
    EXPECT_TRUE(CCDataStore::sharedInstance()->valueForKey("gcsync").isNumber());
}

// ---- who answers ----

TEST_F(NavigationBaseTest, OnlyThePagesOwnControllerAnswersItsTaps)
{
    auto other = makeRef<RecordingNav>();
    (void)nav_->view();
    (void)other->view();
    auto ownPage =
        makeRef<CCGenericTableViewController>(pageAt(kLite + "a.cuid"), nullptr, nav_.get(), "", "", false);
    auto otherPage =
        makeRef<CCGenericTableViewController>(pageAt(kLite + "b.cuid"), nullptr, other.get(), "", "", false);
    auto skinned = makeRef<CCSkinnedView>(Value::dictionary(), Value::dictionary(), CGRect {0, 0, 10, 10},
                                          nullptr, false);
    struct Plain : CCSkinnedViewDelegate {
        void skinnedViewButtonPressed(CCSkinnedView&, const std::string&, const std::string&,
                                      const Value&) override
        {}
    } plainDelegate;
    struct Row {
        const char* name;
        Object* sender;
        CCSkinnedViewDelegate* delegate;
        bool own;
        bool others;
    };
    const Row rows[] = {
        {"own page", ownPage.get(), nullptr, true, false},
        {"other page", otherPage.get(), nullptr, false, true},
        {"row of own page", skinned.get(), ownPage.get(), true, false},
        {"row without delegate", skinned.get(), nullptr, false, false},
        {"row of a plain delegate", skinned.get(), &plainDelegate, true, true},
        {"anyone else", nullptr, nullptr, true, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        nav_->calls.clear();
        other->calls.clear();
        skinned->setDelegate(row.delegate);
        NotificationCenter::defaultCenter().postNotification(
            kTableLinkNotification, row.sender,
            CCTableLinkInfo {Value::dictionary({{"url", Value("lumora://activateui")}}), nullptr});
        EXPECT_EQ(!nav_->calls.empty(), row.own);
        EXPECT_EQ(!other->calls.empty(), row.others);
    }
    skinned->setDelegate(nullptr);
    ownPage->willDealloc();
    otherPage->willDealloc();
}

// ---- page links ----

TEST_F(NavigationBaseTest, FormPostSendsTheFormAsJson)
{
    const std::string source = kLite + "invite.cuid";
    nav_->current = pageAt(source);
    nav_->formModelCreatingForUrl(source)->values.set("name", Value("Ada"));
    const char* suggestions[] = {"suggest_friend_contacts.cuid?suggest=1", "invite/contacts/send",
                                 "suggest_via_sms.cuid?suggest=1", "invite/sms"};
    for (const char* suggestion : suggestions) {
        SCOPED_TRACE(suggestion);
        const std::string link = kLite + suggestion;
        nav_->calls.clear();
        nav_->setCreateSmsUrl(std::nullopt);
        clearNeighbourCalls();
        nav_->dispatchLink(Value::dictionary({{"url", Value(link)},
                                              {"formsubmit", Value("")},
                                              {"nostackpush", Value("")},
                                              {"sourceurl", Value(source)}}),
                           nullptr);
        EXPECT_EQ(nav_->createSmsUrl(), link);
        EXPECT_EQ(nav_->calls, (std::vector<std::string> {"push " + link + " 0 nostack"}));
        const std::vector<std::string> cleared = {"fetchManager clearUrlFromCache " + link,
                                                  "fetchManager clearUrlFromCache " + source};
        EXPECT_EQ(neighbourCalls(), cleared);
        Ref<CCAbstractServerData> post = queuedPost(link);
        ASSERT_NE(post, nullptr);
        EXPECT_EQ(post->sourceUrl(), source);
        const Value body = parseJson(bodyOf(*post));
        EXPECT_EQ(body["name"].asString(), "Ada");
        EXPECT_EQ(body["lumora-latitude"].asString(), "unavailable");
        EXPECT_EQ(body["lumora-longitude"].asString(), "unavailable");
        EXPECT_TRUE(body.contains("_spring_security_remember_me"));
    }

    // Any other form post leaves the awaited message address alone.
    nav_->setCreateSmsUrl(std::nullopt);
    nav_->dispatchLink(Value::dictionary({{"url", Value(kLite + "profile_save")}, {"formsubmit", Value("")}}),
                       nullptr);
    EXPECT_EQ(nav_->createSmsUrl(), std::nullopt);
    EXPECT_EQ(nav_->calls.back(), "push " + kLite + "profile_save 1");
}

TEST_F(NavigationBaseTest, UrlEncodedFormPost)
{
    const std::string source = kLite + "login.cuid";
    nav_->current = pageAt(source);
    nav_->formModelCreatingForUrl(source)->values.set("j_username", Value("ada lovelace"));
    const std::string link = kLite + "j_spring_security_check";
    nav_->dispatchLink(Value::dictionary({{"url", Value(link)}, {"formsubmiturlencoded", Value("")}}),
                       nullptr);
    Ref<CCAbstractServerData> post = queuedPost(link);
    ASSERT_NE(post, nullptr);
    EXPECT_EQ(bodyOf(*post), CCPrivateSession::urlEncodedDictionary(nav_->formModelForUrl(source)->values));
    EXPECT_NE(bodyOf(*post).find("j_username=ada%20lovelace"), std::string::npos) << bodyOf(*post);
    EXPECT_EQ(nav_->calls, (std::vector<std::string> {"push " + link + " 1"}));
}

TEST_F(NavigationBaseTest, FormSubmitWithoutAFormIsAPlainLink)
{
    nav_->current = pageAt(kLite + "no_form.cuid");
    const std::string link = kLite + "next.cuid";
    nav_->dispatchLink(Value::dictionary({{"url", Value(link)}, {"formsubmit", Value("")}}), nullptr);
    EXPECT_EQ(queuedPost(link), nullptr);
    EXPECT_EQ(nav_->calls, (std::vector<std::string> {"push " + link + " 1"}));
}

TEST_F(NavigationBaseTest, ImageUploadAsksThePickerInSourceOrder)
{
    auto tapped = makeRef<UIView>();
    nav_->pickerView = tapped.get();
    nav_->current = pageAt(kLite + "picture.cuid");
    const std::string link = kLite + "upload_picture";
    struct Row {
        std::vector<const char*> keys;
        int source;
    };
    const Row rows[] = {
        {{"imagesubmitalbum", "imagesubmitcamera", "imagesubmitlibrary"}, 0},
        {{"imagesubmitalbum", "imagesubmitcamera"}, 1},
        {{"imagesubmitalbum"}, 2},
    };
    for (const Row& row : rows) {
        nav_->calls.clear();
        clearNeighbourCalls();
        Value info = Value::dictionary({{"url", Value(link)}, {"rect", Value("{{1, 2}, {30, 40}}")}});
        for (const char* key : row.keys) info.set(key, Value(""));
        nav_->dispatchLink(info, tapped.get());
        EXPECT_EQ(nav_->calls,
                  (std::vector<std::string> {"picker " + std::to_string(row.source) + " " + link + " " +
                                             NSStringFromCGRect({1, 2, 30, 40}) + " view"}));
        EXPECT_EQ(neighbourCalls(),
                  (std::vector<std::string> {"fetchManager clearUrlFromCache " + link,
                                             "fetchManager clearUrlFromCache " + kLite + "picture.cuid"}));
    }
}

TEST_F(NavigationBaseTest, PlainLinksUseTheCacheUnlessItSaysNoCache)
{
    const std::string kept = kLite + "kept.cuid";
    const std::string fresh = kLite + "fresh.cuid";
    const std::string none = kLite + "none.cuid";
    cachePage(kept, R"({"title":"kept"})");
    cachePage(fresh, R"({"title":"fresh","cache":"no_cache"})");
    Ref<CCAbstractServerData> cachedKept = CCFetchManager::sharedInstance()->serverDataForURL(kept);
    ASSERT_NE(cachedKept, nullptr);
    for (const std::string& url : {kept, fresh, none}) dispatch(R"({"url":")" + url + "\"}");
    ASSERT_EQ(nav_->pushes.size(), 3u);
    EXPECT_EQ(nav_->pushes[0].page.get(), cachedKept.get());
    EXPECT_FALSE(nav_->pushes[1].page->dataAvailable()) << "the no-cache record is replaced";
    EXPECT_EQ(CCFetchManager::sharedInstance()->serverDataForURL(fresh), nullptr);
    EXPECT_EQ(nav_->pushes[2].page->url(), none);
    EXPECT_EQ(nav_->pushes[2].page->fetchPriority(), 10);
    for (const auto& push : nav_->pushes) {
        EXPECT_EQ(push.animation, 1);
        EXPECT_FALSE(push.noStack);
        EXPECT_EQ(push.tab, std::nullopt);
    }
    dispatch(R"({"url":")" + none + R"(","nostackpush":1})");
    EXPECT_EQ(nav_->pushes.back().animation, 0);
    EXPECT_TRUE(nav_->pushes.back().noStack);
}

// ---- earn currency ----

TEST_F(NavigationBaseTest, EarnCurrencyPostsAndRedirectsTheAnswer)
{
    nav_->current = pageAt(kLite + "offers.cuid");
    nav_->formModelCreatingForUrl(kLite + "offers.cuid")->values.set("offer", Value("o1"));
    dispatch(R"({"url":"lumora-earnvc://lumora.mosswick.example/lite/earn?o=1","sourceurl":"https://s/x"})");
    const std::string url = "https://lumora.mosswick.example/lite/earn?o=1";
    EXPECT_EQ(nav_->earnVCRedirectUrl(), url);
    EXPECT_TRUE(nav_->calls.empty()) << "nothing is pushed";
    Ref<CCAbstractServerData> post = queuedPost(url);
    ASSERT_NE(post, nullptr);
    EXPECT_EQ(post->sourceUrl(), "https://s/x");
    // Made at priority 500, but every post is queued as urgent (10): it goes
    // out at once instead of waiting behind the page fetches for a slot.
    EXPECT_EQ(post->fetchPriority(), static_cast<int>(CCFetchManager::kUrgentPriority));
    const Value body = parseJson(bodyOf(*post));
    EXPECT_EQ(body["offer"].asString(), "o1");
    EXPECT_EQ(body["lumora-latitude"].asString(), "unavailable");

    // The answer names the affiliate address to follow.
    cachePage(url, R"({"lumora-affiliate":"http://ads.example/go"})");
    nav_->fetchUpdateNotification(
        Notification("x", nullptr, Value::dictionary({{"url", Value(url)}, {"status", Value(1)}})));
    EXPECT_EQ(nav_->calls, (std::vector<std::string> {"redirect http://ads.example/go"}));
    EXPECT_EQ(nav_->earnVCRedirectUrl(), std::nullopt);
}

// ---- purchases ----

TEST_F(NavigationBaseTest, PurchaseWithoutAProductDoesNothing)
{
    EXPECT_TRUE(nav_->initiateInAppPurchaseWithUrlString("lumora://buyvirtualcurrency?other=1"));
    EXPECT_TRUE(nav_->calls.empty());
}

TEST_F(NavigationBaseTest, PurchaseOnADeviceThatCannotPayShowsTheRefusal)
{
    EXPECT_FALSE(
        nav_->initiateInAppPurchaseWithUrlString("lumora://buyvirtualcurrency?productID=coins%2E100"));
    ASSERT_EQ(nav_->calls.size(), 2u);
    EXPECT_EQ(nav_->calls[0], "clearSelection");
    EXPECT_NE(nav_->calls[1].find("Unable to Purchase"), std::string::npos) << nav_->calls[1];
    EXPECT_NE(nav_->calls[1].find("Your device is not authorized for payments."), std::string::npos);
    EXPECT_EQ(CCSKTransactionHandler::sharedInstance()->delegate(), nav_.get());
}

TEST_F(NavigationBaseTest, PurchaseResultIsReportedToTheService)
{
    const std::string report = kLite + "buy_virtual_currency.cuid";
    struct Row {
        const char* name;
        std::optional<StoreError> error;
        bool cancelled;
        std::optional<std::string> receipt;
        std::optional<std::string> body; // none: nothing pushed
    };
    const Row rows[] = {
        {"success", std::nullopt, false,
         "UkVDRUlQVA==", R"({"productID":"coins100","receipt":"UkVDRUlQVA=="})"},
        {"success without receipt", std::nullopt, false, std::nullopt, R"({"productID":"coins100"})"},
        {"failure", StoreError {3, "The store is closed."}, false, std::nullopt,
         R"({"productID":"coins100","error":"The store is closed."})"},
        {"cancelled", StoreError {2, "Cancelled."}, true, std::nullopt, std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        nav_->calls.clear();
        nav_->pushes.clear();
        nav_->transactionFinishedWithError(row.error, row.cancelled, "coins100", row.receipt);
        ASSERT_GE(nav_->calls.size(), 2u);
        EXPECT_EQ(nav_->calls[0], "block NO");
        EXPECT_EQ(nav_->calls[1], "clearSelection");
        if (!row.body) {
            EXPECT_TRUE(nav_->pushes.empty());
            continue;
        }
        ASSERT_EQ(nav_->pushes.size(), 1u);
        EXPECT_EQ(nav_->pushes[0].page->url(), report);
        EXPECT_EQ(nav_->pushes[0].animation, 0);
        EXPECT_TRUE(nav_->pushes[0].noStack);
        EXPECT_EQ(bodyOf(*nav_->pushes[0].page), *row.body);
    }
}

// ---- pictures ----

Ref<Image> quarteredImage(int width, int height)
{
    // Left half red, right half blue; top half bright, bottom half dark: a
    // crop about the centre keeps all four colours in its quarters.
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p =
                &pixels[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 4];
            const uint8_t level = y < height / 2 ? 240 : 60;
            p[0] = x < width / 2 ? level : 0;
            p[1] = 0;
            p[2] = x < width / 2 ? 0 : level;
            p[3] = 255;
        }
    return Image::fromRGBA(std::move(pixels), width, height, ImageAlphaInfo::NoneSkipLast);
}

TEST_F(NavigationBaseTest, PicturesAreCroppedSquareAboutTheCentreAndShrunk)
{
    for (auto [width, height] : {std::pair {300, 200}, std::pair {200, 300}, std::pair {114, 114}}) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        Ref<Image> source = quarteredImage(width, height);
        Ref<Image> square = CCNavControllerBase::makeSquareImageFromImage(source.get());
        ASSERT_NE(square, nullptr);
        const int side = std::min(width, height);
        EXPECT_EQ(square->width(), side);
        EXPECT_EQ(square->height(), side);
        CCResizedBitmap resized = CCNavControllerBase::makeResizedImage(CGSize {114, 114}, square.get(), 0);
        ASSERT_NE(resized.image, nullptr);
        EXPECT_EQ(resized.width, 114);
        EXPECT_EQ(resized.height, 114);
        EXPECT_EQ(resized.bytesPerRow % 16, 0u);
        EXPECT_GE(resized.bytesPerRow, 114u * 4);
        EXPECT_EQ(resized.rows.size(), resized.bytesPerRow * 114);
        // The four quarters keep their colours.
        auto at = [&](int x, int y) {
            return &resized.image->pixels()[(static_cast<size_t>(y) * 114 + x) * 4];
        };
        EXPECT_GT(at(10, 10)[0], 200);
        EXPECT_GT(at(103, 10)[2], 200);
        EXPECT_LT(at(10, 103)[0], 100);
        EXPECT_GT(at(10, 103)[0], 20);
        EXPECT_LT(at(103, 103)[2], 100);
        // The JPEG decodes back to 114 × 114.
        std::vector<uint8_t> jpeg = CCNavControllerBase::uploadJpegForImage(source.get());
        Ref<Image> decoded = Image::decode(jpeg.data(), jpeg.size());
        ASSERT_NE(decoded, nullptr);
        EXPECT_EQ(decoded->width(), 114);
        EXPECT_EQ(decoded->height(), 114);
        EXPECT_EQ(decoded->fileType(), ImageFileType::JPEG);
    }
    EXPECT_EQ(CCNavControllerBase::makeSquareImageFromImage(nullptr), nullptr);
    EXPECT_EQ(CCNavControllerBase::makeResizedImage(CGSize {0, 5}, quarteredImage(4, 4).get(), 0).image,
              nullptr);
    EXPECT_EQ(CCNavControllerBase::makeResizedImage(CGSize {NAN, 5}, quarteredImage(4, 4).get(), 0).image,
              nullptr);
}

TEST_F(NavigationBaseTest, PickedPictureIsPostedOrDroppedWhenItCannotBeEncoded)
{
    const std::string url = kLite + "upload_picture";
    Ref<Image> picture = quarteredImage(300, 200);
    ASSERT_TRUE(nav_->doImagePickerWithImage(picture.get(), url));
    Ref<CCAbstractServerData> post = queuedPost(url);
    ASSERT_NE(post, nullptr);
    const Value::Bytes& bytes = *post->postData();
    Ref<Image> decoded = Image::decode(bytes.data(), bytes.size());
    ASSERT_NE(decoded, nullptr);
    EXPECT_EQ(decoded->width(), 114);
    EXPECT_EQ(nav_->calls, (std::vector<std::string> {"push " + url + " 0 nostack"}));

    releaseQueued();
    CCFetchManager::sharedInstance()->clearUrlFromFetchQueue(url);
    nav_->calls.clear();
    CCNavControllerBase::setJpegEncoderForTesting(
        [](const Image&, float) { return std::vector<uint8_t> {}; });
    EXPECT_FALSE(nav_->doImagePickerWithImage(picture.get(), url));
    CCNavControllerBase::setJpegEncoderForTesting(nullptr);
    EXPECT_EQ(queuedPost(url), nullptr);
    EXPECT_TRUE(nav_->calls.empty());
}

// ---- fetch-update follow-ups ----

TEST_F(NavigationBaseTest, FetchUpdateFollowUps)
{
    const std::string challenge = kLite + "challenge_start?challengeID=9";
    auto notify = [&](const std::string& url, int status, const char* redirect = nullptr) {
        Value info = Value::dictionary({{"url", Value(url)}, {"status", Value(status)}});
        if (redirect) info.set("redirecturl", Value(redirect));
        nav_->fetchUpdateNotification(Notification(url, CCFetchManager::sharedInstance(), info));
    };
    struct Delegate : CCPrivateSessionDelegate {
        unsigned respondsTo() const override { return kChallengeStarted; }
        void challengeStartedWithGameConfig(const Value& config) override
        {
            configs.push_back(config.asString());
        }
        std::vector<std::string> configs;
    };
    Delegate delegate;
    // The test's delegate stands in for the one activation gave.
    session()->sessionActivatedWithAppID(kAppId, &delegate, 1.0, "mosswick_01", kSecret);

    // A challenge start that left no page (the service answers 410, which
    // drops the record) confirms the challenge.
    ASSERT_TRUE(session()->notifyStartChallengeWithUrlString(
        "lumora://startchallenge?challengeID=9&gameConfigID=g5"));
    nav_->setStartChallengeUrl(challenge);
    notify(challenge, 1);
    EXPECT_EQ(delegate.configs, (std::vector<std::string> {"g5"}));
    EXPECT_EQ(nav_->startChallengeUrl(), std::nullopt);
    // With data the page is the page: no confirmation.
    nav_->setStartChallengeUrl(challenge);
    cachePage(challenge, R"({"title":"Ready?"})");
    notify(challenge, 1);
    EXPECT_EQ(delegate.configs.size(), 1u);
    EXPECT_EQ(nav_->startChallengeUrl(), std::nullopt);

    // A message invitation opens the composer with the answer's recipients.
    const std::string invite = kLite + "invite/sms";
    nav_->setCreateSmsUrl(invite);
    cachePage(invite, R"({"createsms":{"recipients":["555 1","555 2"],"sms-text":"Play with me"}})");
    notify(invite, 1);
    EXPECT_EQ(nav_->calls, (std::vector<std::string> {"sms Play with me | 555 1 555 2"}));
    EXPECT_EQ(nav_->createSmsUrl(), std::nullopt);

    // The navigation description, once fetched.
    nav_->calls.clear();
    nav_->navigationUrl = kLite + "globalnav.cuid";
    cachePage(kLite + "globalnav.cuid", R"({"title":"nav"})");
    notify(kLite + "globalnav.cuid", 2);
    notify(kLite + "globalnav.cuid", 1);
    EXPECT_EQ(nav_->calls, (std::vector<std::string> {"navigation " + kLite + "globalnav.cuid"}));

    // A redirect rewrites the history only when the page asks for it.
    const std::string moved = kLite + "moved.cuid";
    const std::string plain = kLite + "plain.cuid";
    nav_->addUrlHistoryItemWithUrl(moved);
    nav_->addUrlHistoryItemWithUrl(plain);
    nav_->addUrlHistoryItemWithUrl(moved);
    cachePage(moved, R"({"cache":"stack_use_redirect"})");
    cachePage(plain, R"({"title":"p"})");
    notify(moved, 1, "https://lumora.mosswick.example/lite/new.cuid");
    notify(plain, 1, "https://lumora.mosswick.example/lite/other.cuid");
    std::vector<std::string> history;
    for (const auto& item : nav_->viewUrlStack()) history.push_back(item->url());
    EXPECT_EQ(history, (std::vector<std::string> {kLite + "new.cuid", plain, kLite + "new.cuid"}));
}

// ---- the message result ----

TEST_F(NavigationBaseTest, MessageResultReportsToTheShownPage)
{
    book_->book = {{"Ada", "Lovelace", 7, {{"home", "ada@example.org"}}, {{"mobile", "555 0101"}}}};
    facts_->sendsText = true;
    struct Row {
        const char* page;
        const char* formId;
        int mask;
        const char* target;
    };
    const Row rows[] = {
        {"sms_a.cuid", "submitcontactsnumbers_x", 13, "https://lumora.mosswick.example/lite/sms_done"},
        {"sms_b.cuid", "other", 15, "https://lumora.mosswick.example/lite/sms_done"},
        {"sms_c.cuid", nullptr, 15, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.page);
        const std::string url = kLite + row.page;
        if (row.formId) {
            cachePage(url, std::string(R"({"createsms":{"sms-redirect-url":")") + row.target +
                               R"(","formId":")" + row.formId + "\"}}");
        }
        Ref<CCUIDescription> record =
            CCNavControllerBase::smsResultRecord(pageAt(url).get(), 1, {"555 0101"});
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->url(), row.target ? std::string(row.target) : url);
        const Value body = parseJson(bodyOf(*record));
        EXPECT_EQ(jsonText(body["smsSent"]), R"({"result":1,"recipients":["555 0101"]})");
        EXPECT_EQ(jsonText(body["contacts"]), jsonText(session()->getArrayOfContactsWith(row.mask, 4)));
        EXPECT_TRUE(body.contains("_spring_security_remember_me"));
    }
    EXPECT_EQ(CCNavControllerBase::smsResultRecord(nullptr, 0, {}), nullptr);
}

// ---- history ----

TEST_F(NavigationBaseTest, HistoryKeepsRowOffsetsOfTheLastItem)
{
    nav_->updatePreviousUrlHistoryItemWithOffset({1, 2}); // empty: nothing
    nav_->addUrlHistoryItemWithUrl("a");
    nav_->addUrlHistoryItemWithUrl("b");
    nav_->updatePreviousUrlHistoryItemWithOffset({0, 88});
    EXPECT_EQ(nav_->urlHistoryCount(), 2u);
    EXPECT_EQ(nav_->lastUrlHistoryItem()->rowOffset().y, 88);
    EXPECT_EQ(nav_->viewUrlStack()[0]->rowOffset().y, 0);
    nav_->removeLastUrlHistoryItem();
    EXPECT_EQ(nav_->lastUrlHistoryItem()->url(), "a");
    nav_->emptyUrlHistory();
    nav_->removeLastUrlHistoryItem();
    EXPECT_EQ(nav_->lastUrlHistoryItem(), nullptr);
}

} // namespace
} // namespace mw::test
