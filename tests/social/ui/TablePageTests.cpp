#include <gtest/gtest.h>

#include "foundation/NotificationCenter.h"
#include "platform/ImageSources.h"
#include "social/CCDataStore.h"
#include "social/CCFetchManager.h"
#include "social/CCGenericTableViewController.h"
#include "social/CCStorePurchases.h"
#include "social/CCTheming.h"
#include "social/records/CCServerRecords.h"
#include "social/support/CCJSON.h"
#include "tests/social/ui/SocialUiFixture.h"
#include "tests/support/FetchAnswers.h"
#include "tests/support/RecordingOutsideServices.h"
#include "tests/support/RecordingPlatformServices.h"
#include "tests/support/ScriptedStore.h"

namespace mw::test {
namespace {

constexpr const char* kPage = "http://127.0.0.1/lite/page.cuid";

Value parse(const std::string& json)
{
    CCJSON parser;
    JsonError error;
    std::optional<Value> value = parser.objectWithString(json, &error);
    EXPECT_TRUE(value) << json << " " << error.message;
    return value.value_or(Value());
}

Ref<CCUIDescription> page(const std::string& dataJson, const std::string& url = kPage)
{
    Ref<CCUIDescription> description(new CCUIDescription(url, 10, 0));
    description->setMainData(parse(dataJson));
    return description;
}

class Sources : public ImageSources {
public:
    bool isSourceTypeAvailable(SourceType type) override { return available.count(type) != 0; }
    std::vector<std::string> pictures(SourceType) override { return {}; }
    std::set<int> available;
};

// What the navigation controller hears.
class Nav : public CCMainNavControllerInterface {
public:
    void genericTableViewControllerFailedToLoadPage(CCGenericTableViewController&) override { calls.push_back("failed"); }
    void genericTableViewControllerLoadedPage(CCGenericTableViewController&) override { calls.push_back("loaded"); }
    void loadUiDescription() override { calls.push_back("reload"); }
    void popViewWithAnimation(int animation) override { calls.push_back("pop " + std::to_string(animation)); }
    void removeUrlStringFromFormModel(const std::string& url) override { calls.push_back("forget " + url); }
    bool answersGotTouchPoint() const override { return true; }
    void genericTableViewControllerGotTouchPoint(CGPoint point, CCGenericTableViewController&, UIView&) override
    {
        calls.push_back("touch " + std::to_string(int(point.x)) + "," + std::to_string(int(point.y)));
    }
    std::vector<std::string> calls;
};

// Answers the page's own queued fetch, as the transfer would: the fetch
// manager starts it at once, and a transfer ends its operation before it
// reports (bytes of a record still in transfer are no answer).
void answerQueued(const std::string& url, const std::string& envelope)
{
    CCFetchManager* fetcher = CCFetchManager::sharedInstance();
    for (const Ref<CCAbstractServerData>& record : fetcher->fetchQueue()) {
        if (record->url() != url) continue;
        Ref<CCAbstractServerData> held = record;
        held->clearDelegate(); // ends the pending transfer, not in progress
        held->setReceivedData(Value::Bytes(envelope.begin(), envelope.end()));
        fetcher->serverDataFinishedNetworkOpWithStatus(held.get(), 0);
        return;
    }
    ADD_FAILURE() << "nothing queued for " << url;
}

class TablePageTest : public SocialUiTest {
protected:
    void SetUp() override
    {
        SocialUiTest::SetUp();
        // The pages' fetches stay pending: the tests answer them.
        previousTransport_ = HTTPTransport::replaceSharedInstance(transport_);
        start("phone");
        previousSources_ = ImageSources::replaceSharedInstance(sources_);
        linkObserver_ = NotificationCenter::defaultCenter().addObserver(nullptr, kTableLinkNotification, nullptr,
                                                        [this](const Notification& n) {
                                                            links.push_back(std::any_cast<CCTableLinkInfo>(n.userInfo()).info);
                                                        });
    }
    void TearDown() override
    {
        NotificationCenter::defaultCenter().removeObserver(linkObserver_);
        if (controller_) controller_->willDealloc();
        controller_ = nullptr;
        ImageSources::replaceSharedInstance(previousSources_);
        // Pending transfers hold their records until they end.
        const std::vector<Ref<CCAbstractServerData>> queued = CCFetchManager::sharedInstance()->fetchQueue();
        for (const Ref<CCAbstractServerData>& record : queued) record->clearDelegate();
        SocialUiTest::TearDown();
        HTTPTransport::replaceSharedInstance(previousTransport_);
    }
    CCGenericTableViewController& show(Ref<CCUIDescription> description, bool backBar = false,
                                       const std::string& progress = "")
    {
        if (controller_) {
            controller_->willDealloc();
            controller_->view()->removeFromSuperview();
        }
        controller_ = makeRef<CCGenericTableViewController>(description, nullptr, &nav_, progress,
                                                            progress.empty() ? "" : progress + "_noback", backBar);
        window_->addSubview(controller_->view());
        controller_->view()->setFrame(window_->bounds());
        controller_->tableView()->reloadData();
        return *controller_;
    }
    void select(int section, int row)
    {
        UITableView& table = *controller_->tableView();
        table.selectRowAtIndexPath(NSIndexPath {section, row}, false);
        controller_->didSelectRowAtIndexPath(table, {section, row});
    }
    void tapDialogButton(bool yes)
    {
        // "button1" at (16, 216) and "button2" at (146, 216) of the 280 x 280 dialog centred on the page.
        Ref<UITouch> touch = driver_->touchDown({yes ? 50.0f : 180.0f, 100 + 230});
        driver_->touchUp(touch.get());
        runSeconds(0.3);
    }

    std::shared_ptr<Sources> sources_ = std::make_shared<Sources>();
    std::shared_ptr<ImageSources> previousSources_;
    std::shared_ptr<RecordingHTTPTransport> transport_ = std::make_shared<RecordingHTTPTransport>();
    std::shared_ptr<HTTPTransport> previousTransport_;
    Nav nav_;
    Ref<CCGenericTableViewController> controller_;
    std::vector<Value> links;
    NotificationCenter::ObserverId linkObserver_ = 0;
};

TEST_F(TablePageTest, SectionsRowsTitlesAndHeights)
{
    CCGenericTableViewController& controller = show(page(R"({"title":"Village","groups":[
        {"title":"News","items":[{"type":"text_row","text":"a"},
            {"type":"growing_text_row","text":"A long line of news about the village that wraps over several lines of the row."},
            {"type":"no_such_skin"}]},
        {"items":[{"type":"image_row","title":"Hollis"}]}]})"));
    UITableView& table = *controller.tableView();
    EXPECT_EQ(controller.title(), "Village");
    EXPECT_EQ(table.numberOfSections(), 2);
    EXPECT_EQ(table.numberOfRowsInSection(0), 3);
    EXPECT_EQ(controller.titleForHeaderInSection(table, 0), "News");
    EXPECT_FALSE(controller.titleForHeaderInSection(table, 1));
    EXPECT_FLOAT_EQ(table.rectForRowAtIndexPath({0, 0}).size.height, 44);
    EXPECT_GT(table.rectForRowAtIndexPath({0, 1}).size.height, 40);
    EXPECT_FLOAT_EQ(table.rectForRowAtIndexPath({0, 2}).size.height, UITableView::kDefaultRowHeight);
    EXPECT_FLOAT_EQ(table.rectForRowAtIndexPath({1, 0}).size.height, 80);
    UITableViewCell* empty = table.cellForRowAtIndexPath({0, 2});
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(dynamic_cast<CCSkinnedTableViewCell*>(empty), nullptr);
    EXPECT_NE(dynamic_cast<CCSkinnedTableViewCell*>(table.cellForRowAtIndexPath({0, 0})), nullptr);
}

TEST_F(TablePageTest, RowsTheDeviceCannotServeAreRemoved)
{
    struct Row {
        const char* element;
        std::set<int> sources;
        bool sms;
        bool kept;
    };
    const Row rows[] = {
        {R"({"type":"text_row","formid":"imagesubmitlibrary"})", {}, false, false},
        {R"({"type":"text_row","formid":"imagesubmitlibrary"})", {ImageSources::kPhotoLibrary}, false, true},
        {R"({"type":"text_row","formid":"imagesubmitcamera"})", {ImageSources::kPhotoLibrary, ImageSources::kSavedPhotosAlbum}, false, false},
        {R"({"type":"text_row","formid":"imagesubmitalbum"})", {ImageSources::kSavedPhotosAlbum}, false, true},
        {R"({"type":"text_row","formid":"submitcontactsnumbers"})", {}, false, false},
        {R"({"type":"text_row","formid":"submitcontactsnumbers"})", {}, true, true},
        {R"({"type":"text_row","href":"lumora://twitterinvite"})", {}, false, false},
        {R"({"type":"text_row","href":"lumora://gamecenterlogin"})", {}, false, false},
        {R"({"type":"text_row","href":"lumora://gamecenterachievements"})", {}, false, false},
        {R"({"type":"text_row","href":"lumora://gamecenterleaderboards?x=1"})", {}, false, false},
        {R"({"type":"text_row","productID":"coins_100"})", {}, false, false},
        {R"({"type":"text_row","href":"ok.cuid"})", {}, false, true},
    };
    for (const Row& row : rows) {
        sources_->available = row.sources;
        facts_->sendsText = row.sms;
        Ref<CCUIDescription> description = page(std::string(R"({"groups":[{"items":[{"type":"text_row"},)") + row.element +
                                                R"(,)" + row.element + R"(]},{"items":[]}]})");
        CCGenericTableViewController::removeUnsupportedElementsFromUiDescription(description.get());
        EXPECT_EQ(description->itemsInGroup(0), row.kept ? 3 : 1) << row.element;
        EXPECT_EQ(description->numberOfGroups(), 2) << "empty groups stay";
    }
}

// A game centre and a store for one test; the session sees game-centre
// support only once setting 5 is "YES".
class GameCentreAndStore {
public:
    GameCentreAndStore()
        : previousGameCenter_(GameCenter::replaceSharedInstance(gameCenter)),
          previousStore_(Store::replaceSharedInstance(store))
    {
    }
    ~GameCentreAndStore()
    {
        CCPrivateSession::sharedInstance()->activateLumoraSetting(5, Value("NO"));
        CCSKTransactionHandler::releaseSharedInstance();
        CCSKProductInfo::releaseSharedInstance();
        Store::replaceSharedInstance(previousStore_);
        GameCenter::replaceSharedInstance(previousGameCenter_);
    }
    void support(bool on)
    {
        CCPrivateSession::sharedInstance()->activateLumoraSetting(5, Value(on ? "YES" : "NO"));
    }

    std::shared_ptr<RecordingGameCenter> gameCenter = std::make_shared<RecordingGameCenter>();
    std::shared_ptr<ScriptedStore> store = std::make_shared<ScriptedStore>();

private:
    std::shared_ptr<GameCenter> previousGameCenter_;
    std::shared_ptr<Store> previousStore_;
};

// With game-centre support on, its rows follow the local player; a product
// row stays when the store knows the product.
TEST_F(TablePageTest, GameCentreRowsFollowTheLocalPlayerAndProductRowsTheStore)
{
    GameCentreAndStore services;
    services.store->catalogue = {{"coins_100", "100 coins", 0.99, "en_US", "A small bag"}};
    CCPrivateSession::sharedInstance()->activateLumoraSetting(6, Value(Value::Array {Value("coins_100")}));
    RunLoop::main().drain();
    EXPECT_TRUE(CCSKProductInfo::productInfoIsUpToDate());
    struct Row {
        const char* element;
        bool support;
        bool signedIn;
        bool kept;
    };
    const Row rows[] = {
        {R"({"type":"text_row","href":"lumora://gamecenterlogin"})", true, false, true},
        {R"({"type":"text_row","href":"lumora://gamecenterlogin"})", true, true, false},
        {R"({"type":"text_row","href":"lumora://gamecenterlogin"})", false, false, false},
        {R"({"type":"text_row","href":"lumora://gamecenterachievements"})", true, true, true},
        {R"({"type":"text_row","href":"lumora://gamecenterachievements"})", true, false, false},
        {R"({"type":"text_row","href":"lumora://gamecenterleaderboards?x=1"})", true, true, true},
        {R"({"type":"text_row","href":"lumora://gamecenterleaderboards?x=1"})", false, true, false},
        {R"({"type":"text_row","productID":"coins_100"})", false, false, true},
        {R"({"type":"text_row","productID":"coins_1000"})", false, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.element) + (row.support ? " support" : "") +
                     (row.signedIn ? " signed in" : ""));
        services.support(row.support);
        services.gameCenter->authenticated = row.signedIn;
        Ref<CCUIDescription> description =
            page(std::string(R"({"groups":[{"items":[{"type":"text_row"},)") + row.element + "]}]}");
        CCGenericTableViewController::removeUnsupportedElementsFromUiDescription(description.get());
        EXPECT_EQ(description->itemsInGroup(0), row.kept ? 2 : 1);
    }
}

// A row asking for the game-centre friends submits their aliases once the
// game centre has answered; without support, or when it fails, the link goes
// as it is.
TEST_F(TablePageTest, AGameCentreFriendsRowSubmitsTheFriendsAliases)
{
    GameCentreAndStore services;
    services.gameCenter->authenticated = true;
    services.gameCenter->friends = {"G:1", "G:2"};
    services.gameCenter->aliases = {{"G:1", "Ada"}, {"G:2", "Bo"}};
    struct Row {
        const char* name;
        bool support;
        bool fails;
        Value friends; // null: none submitted
    };
    const Row rows[] = {
        {"support on", true, false, Value::dictionary({{"G:1", Value("Ada")}, {"G:2", Value("Bo")}})},
        {"support off", false, false, Value()},
        {"the game centre fails", true, true, Value()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        services.support(row.support);
        if (row.fails) services.gameCenter->failNext(RecordingGameCenter::kFriends, {3, "No network."});
        CCGenericTableViewController& controller = show(page(
            R"({"groups":[{"items":[{"type":"text_row","href":"f.cuid","formid":"getGameCenterFriends"}]}]})"));
        links.clear();
        select(0, 0);
        for (int turn = 0; turn < 5; ++turn) {
            RunLoop::main().drain();
            runSeconds(0.02);
        }
        ASSERT_EQ(links.size(), 1u);
        EXPECT_EQ(links[0]["url"].asString(), "f.cuid");
        EXPECT_EQ(links[0].contains("formsubmit"), !row.friends.isNull());
        EXPECT_EQ(controller.formModel()->values["gcfriends"], row.friends);
    }
}

TEST_F(TablePageTest, SelectionTable)
{
    facts_->sendsText = true;
    sources_->available = {ImageSources::kSavedPhotosAlbum};
    book_->book = {{"Ada", "Nowak", 7, {{"home", "ada@example.org"}}, {{"mobile", "+48 600"}}}};
    CCGenericTableViewController& controller = show(page(R"({"groups":[{"items":[
        {"type":"text_row","href":"a.cuid","usage":[1,"TAB_ACT","x","y","z","w","v"]},
        {"type":"text_row","href":"buy.cuid"},
        {"type":"text_row","href":"sure.cuid","yesnoconfirm":"Leave the square?"},
        {"type":"text_row","href":"f.cuid","formid":"submit","flags":"stack_use_redirect"},
        {"type":"text_row","href":"f.cuid","formid":"submiturlencoded"},
        {"type":"text_row","href":"f.cuid","formid":"imagesubmitalbum"},
        {"type":"text_row","href":"f.cuid","formid":"submitcontacts"},
        {"type":"text_row","href":"f.cuid","publishinfo":"P","templatetext":"T","flags":"no_stack_push"},
        {"type":"text_row","href":"f.cuid","templatetext":"T","sms-text":"mine"},
        {"type":"text_row","href":"lumora://selectall"},
        {"type":"text_row","href":"lumora://selectitem","formid":"pick"}]}],
        "defaults":{"sms-text":"page"}})"));
    controller.formModel()->values.set("pick", Value(0));
    controller.formModel()->values.set("other", Value(0));
    sources_->available = {ImageSources::kSavedPhotosAlbum};

    const size_t usageBefore = CCDataStore::sharedInstance()->currentUsageData().size();
    select(0, 0);
    EXPECT_EQ(CCDataStore::sharedInstance()->currentUsageData().size(), usageBefore + 1) << "the usage record logged";
    EXPECT_TRUE(links.empty()) << "not at once";
    runSeconds(0.02);
    ASSERT_EQ(links.size(), 1u);
    EXPECT_EQ(links[0]["url"].asString(), "a.cuid");
    EXPECT_EQ(links[0]["sourceurl"].asString(), kPage);
    EXPECT_TRUE(links[0].contains("rect"));
    EXPECT_EQ(links[0]["sms-text"].asString(), "page");

    struct Row {
        int row;
        std::vector<std::string> keys;
    };
    const Row rows[] = {
        {3, {"formsubmit", "nostackpush", "stackuseredirect"}},
        {4, {"formsubmiturlencoded", "nostackpush"}},
        {5, {"imagesubmitalbum", "nostackpush"}},
        {6, {"formsubmit"}},
        {7, {"publishinfo", "nostackpush"}},
        {8, {"invitetext"}},
    };
    for (const Row& row : rows) {
        links.clear();
        select(0, row.row);
        runSeconds(0.02);
        ASSERT_EQ(links.size(), 1u) << row.row;
        std::vector<std::string> extra;
        for (const auto& [key, value] : links[0].asDict()) {
            if (key != "url" && key != "sourceurl" && key != "rect" && key != "sms-text") extra.push_back(key);
        }
        std::sort(extra.begin(), extra.end());
        std::vector<std::string> expected = row.keys;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(extra, expected) << row.row;
    }
    EXPECT_EQ(controller.formModel()->values["contacts"][0].asString(), "ada@example.org");

    // The element's own SMS text before the page's.
    links.clear();
    select(0, 8);
    runSeconds(0.02);
    EXPECT_EQ(links[0]["sms-text"].asString(), "mine");
    EXPECT_EQ(links[0]["invitetext"].asString(), "T");

    // Page-local links change the form and post nothing.
    links.clear();
    select(0, 10);
    EXPECT_EQ(controller.formModel()->values["pick"].asInt(), 1);
    select(0, 9);
    EXPECT_EQ(controller.formModel()->values["other"].asInt(), 1);
    runSeconds(0.1);
    EXPECT_TRUE(links.empty());

    // An unknown product (the page lost such rows when it was made; one
    // that comes later): "Unable to Purchase", nothing opened.
    controller.currentUIDescription()->removeElementForItem(1, 0);
    controller.currentUIDescription()->insertElement(
        Value::dictionary({{"type", Value("text_row")}, {"href", Value("buy.cuid")}, {"productID", Value("coins")}}), 1, 0);
    controller.tableView()->reloadData();
    select(0, 1);
    ASSERT_NE(controller.modalViewController(), nullptr);
    EXPECT_EQ(controller.modalViewController()->skinnedView()->uiElement()["title"].asString(), "Unable to Purchase");
    runSeconds(0.5);
    tapDialogButton(true);
    runSeconds(0.1);
    EXPECT_TRUE(links.empty());
    EXPECT_EQ(controller.modalViewController(), nullptr);

    // A confirmation: No opens nothing, Yes opens the link.
    select(0, 2);
    runSeconds(0.5);
    EXPECT_EQ(controller.modalViewController()->skinnedView()->uiElement()["body"].asString(), "Leave the square?");
    tapDialogButton(false);
    EXPECT_TRUE(links.empty());
    select(0, 2);
    runSeconds(0.5);
    tapDialogButton(true);
    runSeconds(0.05);
    ASSERT_EQ(links.size(), 1u);
    EXPECT_EQ(links[0]["url"].asString(), "sure.cuid");
}

TEST_F(TablePageTest, FetchNotices)
{
    // A page without data shows the loading page and asks for itself.
    Ref<CCUIDescription> empty(new CCUIDescription(kPage, 10, 0));
    CCGenericTableViewController& controller = show(empty, true);
    ASSERT_NE(controller.progressView(), nullptr);
    ASSERT_EQ(CCFetchManager::sharedInstance()->fetchQueue().size(), 1u);
    EXPECT_EQ(CCFetchManager::sharedInstance()->fetchQueue()[0]->fetchPriority(), 10);

    // Another URL changes nothing.
    NotificationCenter::defaultCenter().postNotification(
        "http://127.0.0.1/lite/other.cuid", nullptr, Value::dictionary({{"url", Value("http://127.0.0.1/lite/other.cuid")}, {"status", Value(1)}}));
    EXPECT_NE(controller.progressView(), nullptr);

    // The page arrives.
    std::vector<std::string> events;
    const NotificationCenter::ObserverId eventObserver = NotificationCenter::defaultCenter().addObserver(
        nullptr, "lumora-event", nullptr, [&events](const Notification&) { events.push_back("event"); });
    answerQueued(kPage, R"({"meta":{"type":"uidesc","timestamp":1},"data":{"title":"Square","event":{"kind":"visit"},
        "prefetch":["http://127.0.0.1/lite/next.cuid"],
        "groups":[{"items":[{"type":"text_row","text":"hello"}]}]}})");
    EXPECT_EQ(controller.progressView(), nullptr);
    EXPECT_EQ(controller.title(), "Square");
    EXPECT_EQ(controller.currentUIDescription()->itemsInGroup(0), 2);
    EXPECT_EQ(controller.currentUIDescription()->elementForItem(0, 0)["type"].asString(), "back_bar");
    EXPECT_EQ(events.size(), 1u);
    EXPECT_EQ(controller.tableView()->indicatorFlashCount(), 1);
    EXPECT_NE(std::find(nav_.calls.begin(), nav_.calls.end(), "loaded"), nav_.calls.end());
    NotificationCenter::defaultCenter().removeObserver(eventObserver);

    // After a post the source page's form values go, unless the page keeps them.
    nav_.calls.clear();
    controller.currentUIDescription()->setSourceUrl("http://127.0.0.1/lite/form.cuid");
    NotificationCenter::defaultCenter().postNotification(
        kPage, nullptr, Value::dictionary({{"url", Value(kPage)}, {"status", Value(1)}, {"waspost", Value("YES")}}));
    EXPECT_NE(std::find(nav_.calls.begin(), nav_.calls.end(), "forget http://127.0.0.1/lite/form.cuid"), nav_.calls.end());

    // Status 3: reload and failure.
    nav_.calls.clear();
    NotificationCenter::defaultCenter().postNotification(kPage, nullptr,
                                                         Value::dictionary({{"url", Value(kPage)}, {"status", Value(3)}}));
    EXPECT_EQ(nav_.calls, (std::vector<std::string> {"reload", "failed"}));

    // Status 0: the no-connection dialog, whose button reports a failed page.
    nav_.calls.clear();
    NotificationCenter::defaultCenter().postNotification(kPage, nullptr,
                                                         Value::dictionary({{"url", Value(kPage)}, {"status", Value(0)}}));
    ASSERT_NE(controller.modalViewController(), nullptr);
    EXPECT_EQ(controller.modalViewController()->skinnedView()->uiElement()["title"].asString(), "Internet Unavailable");
    runSeconds(0.5);
    Ref<UITouch> ok = driver_->touchDown({160, 100 + 230});
    driver_->touchUp(ok.get());
    runSeconds(0.3);
    EXPECT_EQ(nav_.calls, (std::vector<std::string> {"loaded", "failed"}));
}

TEST_F(TablePageTest, ARedirectIsOpenedAtOnceAndNothingElse)
{
    Ref<CCUIDescription> empty(new CCUIDescription(kPage, 10, 0));
    CCGenericTableViewController& controller = show(empty);
    answerQueued(kPage, R"({"meta":{"type":"uidesc","timestamp":1},"data":{"title":"Moved",
        "groups":[{"items":[{"type":"text_row","redirect":1,"href":"there.cuid"}]}]}})");
    runSeconds(0.05);
    ASSERT_EQ(links.size(), 1u);
    EXPECT_EQ(links[0]["url"].asString(), "there.cuid");
    EXPECT_NE(controller.title(), "Moved");
}

TEST_F(TablePageTest, RefreshTimerOfAMutablePage)
{
    CCGenericTableViewController& controller = show(page(R"({"cache":"mutable","groups":[{"items":[{"type":"text_row","href":"x.cuid"}]}]})"));
    EXPECT_TRUE(controller.hasRefreshTimer());
    EXPECT_TRUE(CCFetchManager::sharedInstance()->fetchQueue().empty());
    runSeconds(1.05);
    ASSERT_EQ(CCFetchManager::sharedInstance()->fetchQueue().size(), 1u);
    EXPECT_EQ(CCFetchManager::sharedInstance()->fetchQueue()[0]->fetchPriority(), 10);
    controller.startRefreshTimer();
    select(0, 0); // a link cancels it
    EXPECT_FALSE(controller.hasRefreshTimer());
    controller.startRefreshTimer();
    controller.didReceiveMemoryWarning();
    EXPECT_FALSE(controller.hasRefreshTimer());
}

TEST_F(TablePageTest, ProgressPagesDimmingSwipesAndPopoverHeights)
{
    Ref<CCUIDescription> first(new CCUIDescription(kPage, 10, 0));
    CCGenericTableViewController& plain = show(first);
    EXPECT_NE(dynamic_cast<CCTabLoadingView*>(plain.progressView()), nullptr);
    plain.willDealloc();
    controller_ = nullptr;
    Ref<CCUIDescription> second(new CCUIDescription("http://127.0.0.1/lite/b.cuid", 10, 0));
    CCGenericTableViewController& skinned = show(second, true, "progress_indicator");
    auto* progress = dynamic_cast<CCSkinnedView*>(skinned.progressView());
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->uiElement()["backtext"].asString(), "Back");
    EXPECT_FLOAT_EQ(skinned.totalHeight(), 320);

    CCGenericTableViewController& filled = show(page(R"({"groups":[{"items":[{"type":"text_row"}]}]})"));
    EXPECT_FLOAT_EQ(filled.totalHeight(), 45) << "at least 45";
    filled.displayDialogWithUiDescription(CCTheming::uiDescriptionForOneButtonDialog("a", "b", "OK").get(), &filled);
    EXPECT_FLOAT_EQ(filled.totalHeight(), 320) << "320 with a dialog";
    filled.modalViewController()->view()->removeFromSuperview();

    // The dimming overlay passes its touch on.
    nav_.calls.clear();
    filled.setDimAmount(0.5f);
    ASSERT_NE(filled.dimmingButton(), nullptr);
    EXPECT_FLOAT_EQ(filled.dimmingButton()->alpha(), 0.5f);
    Ref<UITouch> touch = driver_->touchDown({40, 60});
    driver_->touchUp(touch.get());
    EXPECT_EQ(nav_.calls, (std::vector<std::string> {"touch 40,60"}));
    filled.setDimAmount(0);
    EXPECT_EQ(filled.dimmingButton(), nullptr);

    // Swipes pop on tablets only: left 5, right 4.
    filled.handleSwipe(-1);
    filled.handleSwipe(1);
    EXPECT_EQ(nav_.calls, (std::vector<std::string> {"touch 40,60", "pop 5", "pop 4"}));
}

} // namespace
} // namespace mw::test

namespace mw::test {
namespace {

TEST_F(TablePageTest, APageLastHeldByItsPendingLinkGoesQuietly)
{
    // The link's timer is the page's last holder when the run loop fires and
    // drops it; the page, with a dialog up, must not hand work back to the
    // run loop from its destructor (it used to wait on the loop's own lock).
    CCGenericTableViewController& controller =
        show(page(R"({"groups":[{"items":[{"type":"text_row","href":"a.cuid"}]}]})"));
    controller.displayDialogWithUiDescription(CCTheming::uiDescriptionForOneButtonDialog("a", "b", "OK").get(), nullptr);
    UIView* dialog = controller.modalViewController()->view();
    Ref<UIView> dialogHeld(dialog);
    select(0, 0);
    controller.view()->removeFromSuperview();
    controller_ = nullptr;
    runSeconds(0.05);
    EXPECT_EQ(links.size(), 1u);
    EXPECT_EQ(dialogHeld->superview(), nullptr);
}

} // namespace
} // namespace mw::test
