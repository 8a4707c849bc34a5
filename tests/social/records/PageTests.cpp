#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "social/queues/CCFetchManager.h"
#include "social/queues/records/CCServerRecords.h"
#include "social/support/CCJSON.h"
#include "tests/support/FetchAnswers.h"

namespace mw {
namespace {

CCUIDescription pageWith(const std::string& data)
{
    CCUIDescription page("https://svc.test/lite/p", 100, 0);
    if (!data.empty()) page.setMainData(JSONValue(data).value_or(Value()));
    return page;
}

std::string text(const Value& value) { return value.isNull() ? "nil" : *JSONFragment(value); }

const char* const kPage = R"({
  "title": "Village", "uitype": "groupedtable",
  "groups": [
    {"title": "First", "items": [{"type": "banner", "href": "https://svc.test/a"}, {"type": "text", "redirect": 1}]},
    {"items": [{"type": "link", "redirect": 2}]},
    7,
    {"title": 5, "items": "none"}
  ],
  "tabs": [{"type": "tab", "href": "h"}, "x"],
  "uidata": {"type": "flat"},
  "event": {"name": "go"}
})";

TEST(Page, ReadsOfAPageAndOfWrongKinds)
{
    const CCUIDescription page = pageWith(kPage);
    const CCUIDescription empty = pageWith("");
    EXPECT_EQ(page.numberOfGroups(), 4);
    EXPECT_EQ(empty.numberOfGroups(), 0);

    struct Row {
        int group;
        std::string title;
        int items;
        std::string firstType;
    };
    const std::vector<Row> groups = {
        {0, "\"First\"", 2, "\"banner\""}, {1, "nil", 1, "\"link\""}, {2, "nil", 0, "nil"},
        {3, "nil", 0, "nil"},              {4, "nil", 0, "nil"},      {-1, "nil", 0, "nil"},
    };
    for (const Row& row : groups) {
        SCOPED_TRACE(row.group);
        EXPECT_EQ(text(page.titleForGroup(row.group)), row.title);
        EXPECT_EQ(page.itemsInGroup(row.group), row.items);
        EXPECT_EQ(text(page.elementTypeForItem(0, row.group)), row.firstType);
    }
    EXPECT_TRUE(page.elementForItem(2, 0).isNull());
    EXPECT_TRUE(page.elementForItem(-1, 0).isNull());

    EXPECT_EQ(page.numberOfTabs(), 2);
    EXPECT_EQ(text(page.elementForTab(0)["type"]), "\"tab\"");
    EXPECT_TRUE(page.elementForTab(1).isNull());
    EXPECT_TRUE(page.elementForTab(2).isNull());
    EXPECT_EQ(text(page.flatUIElement()), R"({"type":"flat"})");
    EXPECT_EQ(text(page.viewTitle()), "\"Village\"");
    EXPECT_TRUE(page.hasEventDictionary());
    EXPECT_FALSE(empty.hasEventDictionary());
    EXPECT_FALSE(pageWith(R"({"event":"go","title":3,"uidata":[1],"tabs":{}})").hasEventDictionary());
    EXPECT_TRUE(pageWith(R"({"title":3})").viewTitle().isNull());
    EXPECT_EQ(text(page.uiElementForRedirect()["redirect"]), "1");
    EXPECT_TRUE(pageWith(R"({"groups":[{"items":[{"type":"a"}]}]})").uiElementForRedirect().isNull());
}

TEST(Page, UiTypeWords)
{
    const std::vector<std::pair<std::string, int>> rows = {
        {R"({"uitype":"groupedtable"})", 1}, {R"({"uitype":"plaintable"})", 2}, {R"({"uitype":"toplevel"})", 3},
        {R"({"uitype":"other"})", 0},       {"{}", 0},                          {R"({"uitype":1})", 0}};
    for (const auto& [data, type] : rows) {
        EXPECT_EQ(pageWith(data).uiType(), type) << data;
        EXPECT_EQ(pageWith(data).uiTypeAsTableViewStyle(), type == 1) << data;
    }
}

TEST(Page, CacheWordsAloneAndInsideLongerText)
{
    using Test = bool (CCUIDescription::*)() const;
    const std::vector<std::pair<const char*, Test>> words = {
        {"basedata", &CCUIDescription::isCacheControlInitial},
        {"mutable", &CCUIDescription::isCacheControlMutable},
        {"update_global_nav", &CCUIDescription::isCacheControlUpdateGlobalNav},
        {"update_user_data", &CCUIDescription::isCacheControlUpdatePlayerData},
        {"switched_user", &CCUIDescription::isCacheControlSwitchedUser},
        {"no_cache", &CCUIDescription::isCacheControlNoCache},
        {"stack_use_redirect", &CCUIDescription::isCacheControlViewStackUseRedirect},
        {"retainpostdata", &CCUIDescription::isCacheControlRetainPostData},
    };
    for (const auto& [word, test] : words) {
        SCOPED_TRACE(word);
        EXPECT_TRUE((pageWith(std::string(R"({"cache":")") + word + "\"}").*test)());
        EXPECT_TRUE((pageWith(std::string(R"({"cache":"x,)") + word + ",y\"}").*test)());
        EXPECT_FALSE((pageWith("{}").*test)());
        EXPECT_FALSE((pageWith(R"({"cache":["no_cache"]})").*test)());
    }
    EXPECT_TRUE(pageWith(R"({"cache":"no_cache"})").isCacheControlMutable());
    EXPECT_TRUE(pageWith(R"({"uicontrol":"closed"})").isUIControlClosed());
    EXPECT_FALSE(pageWith(R"({"uicontrol":"closed"})").isUIControlOpen());
    EXPECT_TRUE(pageWith(R"({"uicontrol":"is open"})").isUIControlOpen());
}

TEST(Page, InsertAndRemoveInAndOutOfRange)
{
    CCUIDescription page = pageWith(kPage);
    const Value element = Value::dictionary({{"type", "new"}});
    EXPECT_TRUE(page.insertElement(element, 2, 0));
    EXPECT_EQ(page.itemsInGroup(0), 3);
    EXPECT_EQ(page.elementForItem(2, 0), element);
    EXPECT_TRUE(page.removeElementForItem(0, 0));
    EXPECT_EQ(text(page.elementTypeForItem(0, 0)), "\"text\"");

    const Value before = page.mainData();
    struct Row {
        int index;
        int group;
    };
    for (Row row : std::vector<Row>{{5, 0}, {-1, 0}, {0, 2}, {0, 3}, {0, 9}, {0, -1}}) {
        EXPECT_FALSE(page.insertElement(element, row.index, row.group)) << row.index << "," << row.group;
        EXPECT_FALSE(page.removeElementForItem(row.index, row.group)) << row.index << "," << row.group;
    }
    EXPECT_EQ(page.mainData(), before);
    CCUIDescription empty = pageWith("");
    EXPECT_FALSE(empty.insertElement(element, 0, 0));
    EXPECT_TRUE(empty.mainData().isNull());
}

TEST(Page, ActivationLinks)
{
    const std::vector<std::pair<std::string, bool>> rows = {
        {R"({"href":"lumora-activateui://x"})", true},
        {R"({"href":"go lumora-activateuiasguest://y"})", true},
        {R"({"href":"lumora://activateui"})", true},
        {R"({"href":"lumora://activateuiasguest"})", true},
        {R"({"href":"lumora://activateui/more"})", false},
        {R"({"href":"lumora://activateui","text":"Cancel"})", false},
        {R"({"href":"lumora://activateui","text":"OK"})", true},
        {R"({"text":"lumora://activateui"})", false},
        {R"({"href":["lumora://activateui"]})", false},
    };
    for (const auto& [element, activates] : rows)
        EXPECT_EQ(pageWith(R"({"groups":[{"items":[)" + element + "]}]}").containsActivateUi(), activates)
            << element;
}

// Prefetching through the fetch manager's queue (no session: nothing starts).
class PagePrefetch : public ::testing::Test {
protected:
    void SetUp() override { CCFetchManager::releaseSharedInstance(); }
    void TearDown() override { CCFetchManager::releaseSharedInstance(); }
    // A cached record for url, answered earlier in the run (fresh) or not.
    void know(const std::string& url, bool fresh)
    {
        Ref<CCAbstractServerData> record = test::answerFetch(url, test::pageEnvelope("mutable"));
        Ref<CCAbstractServerData> cached = CCFetchManager::sharedInstance()->serverDataForURL(url);
        ASSERT_TRUE(cached);
        cached->setFreshThisSession(fresh);
    }
    // The queue as "url priority", in queue order.
    static std::vector<std::string> queue()
    {
        std::vector<std::string> rows;
        for (const auto& record : CCFetchManager::sharedInstance()->fetchQueue())
            rows.push_back(record->url() + " " + std::to_string(record->fetchPriority()));
        return rows;
    }
};

TEST_F(PagePrefetch, PagesAreQueuedUnlessKnownAndFresh)
{
    know("https://svc.test/stale", false);
    know("https://svc.test/fresh", true);
    const CCUIDescription page = pageWith(R"({"groups":[
        {"items":[{"href":"https://svc.test/new","prefetch":2.7},{"href":"https://svc.test/stale","prefetch":1},
                  {"href":"https://svc.test/fresh","prefetch":1},{"href":"https://svc.test/none"},{"prefetch":3}]},
        {"items":[{"href":"https://svc.test/max","prefetch":2147483647},{"href":["x"],"prefetch":1}]}]})");
    page.queuePrefetchItemsWithBasePriority(100);
    EXPECT_EQ(queue(), (std::vector<std::string>{
                           "https://svc.test/stale 101",
                           "https://svc.test/new 102",
                           "https://svc.test/max 2147483647",
                       }));
    const auto& queued = CCFetchManager::sharedInstance()->fetchQueue();
    EXPECT_EQ(queued[1]->className(), "CCUIDescription");
    EXPECT_EQ(queued[0].get(), CCFetchManager::sharedInstance()->serverDataForURL("https://svc.test/stale").get())
        << "the cached record itself is queued again";
}

TEST_F(PagePrefetch, BannerImagesCountOnlyThoseQueued)
{
    know("https://cdn.test/fresh.png", true);
    const CCUIDescription page = pageWith(R"({"groups":[
        {"items":[{"type":"banner","image":"https://cdn.test/a.png"},{"type":"banner","image":"blank"},
                  {"type":"text","image":"https://cdn.test/text.png"},{"type":"lite_banner"},
                  {"type":"lite_banner","image":"https://cdn.test/fresh.png"}]},
        {"items":[{"type":"lite_banner","image":"https://cdn.test/b.png"},{"type":"banner","image":7}]}]})");
    EXPECT_EQ(page.queuePrefetchImageUrls(),
              (std::vector<std::string>{"https://cdn.test/a.png", "https://cdn.test/b.png"}));
    EXPECT_EQ(queue(), (std::vector<std::string>{"https://cdn.test/a.png 400", "https://cdn.test/b.png 401"}));
    EXPECT_EQ(CCFetchManager::sharedInstance()->fetchQueue()[0]->className(), "CCImageData");

    // Only the row's own image is queued again, which restarts its attempts.
    for (const auto& record : CCFetchManager::sharedInstance()->fetchQueue()) record->setNetworkOpAttemptCount(2);
    page.queuePrefetchImageUrlByRowIndex(0);
    page.queuePrefetchImageUrlByRowIndex(1);
    page.queuePrefetchImageUrlByRowIndex(9);
    const auto& queued = CCFetchManager::sharedInstance()->fetchQueue();
    EXPECT_EQ(queue(), (std::vector<std::string>{"https://cdn.test/a.png 400", "https://cdn.test/b.png 401"}));
    EXPECT_EQ(queued[0]->networkOpAttemptCount(), 0);
    EXPECT_EQ(queued[1]->networkOpAttemptCount(), 2);
}

} // namespace
} // namespace mw
