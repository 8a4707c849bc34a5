#include <gtest/gtest.h>

#include "foundation/NotificationCenter.h"
#include "platform/Application.h"
#include "platform/URLOpener.h"
#include "social/data/CCDataStore.h"
#include "social/screens/CCGenericTableViewController.h"
#include "social/queues/CCFetchManager.h"
#include "social/screens/CCSkinnedView.h"
#include "social/services/CCTheming.h"
#include "social/queues/records/CCServerRecords.h"
#include "social/support/CCJSON.h"
#include "social/ui/UIDrawContext.h"
#include "tests/social/ui/SocialUiFixture.h"
#include "tests/support/RecordingOutsideServices.h"

namespace mw::test {
namespace {

Value parse(const std::string& json)
{
    CCJSON parser;
    JsonError error;
    std::optional<Value> value = parser.objectWithString(json, &error);
    EXPECT_TRUE(value) << json;
    return value.value_or(Value());
}

struct Presses : CCSkinnedViewDelegate {
    void skinnedViewButtonPressed(CCSkinnedView& view, const std::string& id, const std::string& type,
                                  const Value& href) override
    {
        pressed.push_back(id + " " + type + " " + href.asString() + " pressed=" + view.depressedButton());
    }
    std::vector<std::string> pressed;
};

// Catches "tablelink" notices and what reaches the next responder.
class SkinnedViewTest : public SocialUiTest {
protected:
    void SetUp() override
    {
        SocialUiTest::SetUp();
        start("phone");
        linkObserver_ = NotificationCenter::defaultCenter().addObserver(nullptr, kTableLinkNotification, nullptr,
                                                        [this](const Notification& n) {
                                                            links.push_back(std::any_cast<CCTableLinkInfo>(n.userInfo()).info);
                                                        });
    }
    void TearDown() override
    {
        NotificationCenter::defaultCenter().removeObserver(linkObserver_);
        SocialUiTest::TearDown();
    }
    Ref<CCSkinnedView> make(const std::string& skin, const std::string& element, Ref<CCFormModel> model = nullptr)
    {
        Ref<CCSkinnedView> view = makeRef<CCSkinnedView>(parse(element), parse(skin), CGRect {0, 0, 320, 60},
                                                         model ? model : makeRef<CCFormModel>(), false);
        window_->addSubview(view.get());
        return view;
    }
    std::vector<Value> links;
    NotificationCenter::ObserverId linkObserver_ = 0;
};

class NextResponder : public UIView {
public:
    using UIView::UIView;
    void touchesBegan(const UIViewTouches&) override { ++touches; }
    int touches = 0;
};

TEST_F(SkinnedViewTest, TapTable)
{
    const std::string skin = R"({"items":[
        {"id":"tabA","type":"tab","x":0,"y":0,"w":40,"h":40},
        {"id":"buttonB","type":"button","x":50,"y":0,"w":40,"h":40,"href":"skinhref"},
        {"id":"tabC","type":"tab","x":100,"y":0,"w":40,"h":40},
        {"type":"button","x":150,"y":0,"w":40,"h":40},
        {"id":"switch","type":"switch","x":250,"y":20,"w":40,"h":20}]})";
    Ref<CCFormModel> model = makeRef<CCFormModel>();
    Ref<CCSkinnedView> view = make(skin, R"({"type":"form_switch","formid":"agree","tabA":"news.cuid","buttonB":"gift.cuid","tabC":4})", model);
    Presses presses;
    view->setDelegate(&presses);
    Ref<NextResponder> next = makeRef<NextResponder>(window_->bounds());
    window_->insertSubviewAtIndex(next.get(), 0);
    next->addSubview(view.get());

    struct Row {
        CGPoint point;
        const char* link;      // "" none
        bool nostackpush;
        const char* pressed;   // "" none
        int switchValue;
        int nextTouches;
    };
    const Row rows[] = {
        {{240, 10}, "", false, "", 1, 0},          // 10 outside the switch: toggles
        {{237, 10}, "", false, "", 1, 1},          // 13 outside: not the switch; the next responder
        {{300, 50}, "", false, "", 0, 0},          // 10 outside at the bottom right: toggles back
        {{200, 55}, "", false, "", 0, 1},
        {{20, 20}, "news.cuid", true, "", 0, 0},
        {{70, 20}, "gift.cuid", false, "", 0, 0},
        {{120, 20}, "", false, "tabC tab  pressed=tabC", 0, 0},
        {{170, 20}, "", false, "", 0, 0},          // an item without an id takes the touch, nothing more
    };
    for (const Row& row : rows) {
        links.clear();
        presses.pressed.clear();
        const int before = next->touches;
        Ref<UITouch> touch = driver_->touchDown(row.point);
        driver_->touchUp(touch.get());
        if (*row.link) {
            ASSERT_EQ(links.size(), 1u) << row.point.x;
            EXPECT_EQ(links[0]["url"].asString(), row.link);
            EXPECT_EQ(links[0].contains("nostackpush"), row.nostackpush);
            if (row.nostackpush) {
                EXPECT_EQ(links[0]["nostackpush"].asInt(), 1);
            }
            EXPECT_EQ(links[0]["rect"].asString(), NSStringFromCGRect(view->bounds()));
        } else {
            EXPECT_TRUE(links.empty()) << row.point.x;
        }
        EXPECT_EQ(presses.pressed, *row.pressed ? std::vector<std::string> {row.pressed} : std::vector<std::string> {})
            << row.point.x;
        EXPECT_EQ(model->values["agree"].asInt(), row.switchValue) << row.point.x << "," << row.point.y;
        EXPECT_EQ(next->touches - before, row.nextTouches) << row.point.x << "," << row.point.y;
    }
}

TEST_F(SkinnedViewTest, VideoPageIsEscapedAndItsButtonOpensTheVideo)
{
    auto opener = std::make_shared<RecordingURLOpener>();
    auto previous = URLOpener::replaceSharedInstance(opener);
    const std::string skin = R"({"items":[{"id":"video","type":"image","x":0,"y":0,"w":160,"h":90},
        {"id":"caption","type":"multilinetext","x":170,"y":0,"w":140,"h":60,"size":12}]})";
    Ref<CCSkinnedView> view = make(skin, R"({"type":"video_row","video":"lumora-uiwebview://v.example/a\"><script>x</script>","caption":"Watch"})");
    view->setNeedsDisplay();
    driver_->runFrames(2);
    ASSERT_NE(view->webView(), nullptr);
    const std::string page = view->webView()->pageText();
    EXPECT_EQ(page.find("<script>"), std::string::npos) << page;
    EXPECT_NE(page.find("&lt;script&gt;"), std::string::npos);
    EXPECT_NE(page.find("width=\"160\" height=\"90\""), std::string::npos);
    Ref<UITouch> touch = driver_->touchDown({200, 20});
    driver_->touchUp(touch.get());
    EXPECT_EQ(opener->opened, (std::vector<std::string> {"http://v.example/a\"><script>x</script>"}));
    URLOpener::replaceSharedInstance(previous);
}

TEST_F(SkinnedViewTest, ActivationDeactivationAndReplacement)
{
    CCDataStore* store = CCDataStore::sharedInstance();
    store->setImageActivationList(std::vector<std::string> {"spring", "closed"});
    store->setTextForToken("Welcome back, Wren", "greet");
    const std::string skin = R"({"items":[{"id":"pic","type":"image","x":0,"y":0,"w":10,"h":10},
        {"id":"disc","type":"image","x":20,"y":0,"w":10,"h":10},{"id":"title","type":"onelinetext","x":40,"y":0,"w":200,"h":20}]})";
    Ref<CCSkinnedView> view = make(skin, R"({"type":"t","href":"x.cuid","yesnoconfirm":"Sure?",
        "activate":"spring->images/spring.png@pic|winter->images/winter.png@pic|malformed|also->bad",
        "deactivate":"closed->disc|open->title|nonsense",
        "replace":"greet->title|missing->pic"})");
    EXPECT_EQ(view->activations(), (std::map<std::string, std::string> {{"pic", "images/spring.png"}}));
    EXPECT_EQ(view->deactivations(), (std::set<std::string> {"disc"}));
    EXPECT_FALSE(view->uiElement().contains("href"));
    EXPECT_FALSE(view->uiElement().contains("yesnoconfirm"));
    const std::optional<Value> replacements = view->replacementDictForUiElement();
    ASSERT_TRUE(replacements);
    EXPECT_EQ((*replacements)["title"].asString(), "Welcome back, Wren");
    EXPECT_FALSE(replacements->contains("pic"));
}

TEST_F(SkinnedViewTest, BadgesAddUpOnTheIconUnlessTheWorkaroundSaysNo)
{
    const std::string skin = R"({"items":[{"id":"news","type":"tab","x":0,"y":0,"w":80,"h":40},
        {"id":"gifts","type":"tab","x":80,"y":0,"w":20,"h":40}]})";
    Application::sharedApplication().setApplicationIconBadgeNumber(0);
    Ref<CCSkinnedView> view = make(skin, R"({"type":"strip","news":"3","gifts":2})");
    view->setBadgesEnabled(true);
    view->setNeedsDisplay();
    driver_->runFrames(1);
    EXPECT_EQ(Application::sharedApplication().applicationIconBadgeNumber(), 5);
    // At most 26 x 22 at the item's top right, narrower items narrower.
    const std::optional<CGRect> wide = CCSkinnedItemRenderer::badgeRectForItem(
        CCTheming::itemForId("news", view->skinDescription()));
    ASSERT_TRUE(wide);
    EXPECT_TRUE(CGRectEqualToRect(*wide, {54, 0, 26, 22})) << NSStringFromCGRect(*wide);
    const std::optional<CGRect> narrow = CCSkinnedItemRenderer::badgeRectForItem(
        CCTheming::itemForId("gifts", view->skinDescription()));
    EXPECT_NEAR(narrow->size.width, 20, 1e-4);
    EXPECT_NEAR(narrow->origin.x, 80, 1e-4);
    // The badge text's font fits about 0.79 of the badge's height.
    Ref<UIFont> font = CCSkinnedItemRenderer::getFontForTargetFontHeight(17, "3", boldSystemFontOfSize(14).get());
    EXPECT_GE(UIDrawContext::measure("3", font.get()).height, 17);

    // A tab without a place gets no badge (and draws nothing out of range).
    Ref<CCSkinnedView> placeless = make(R"({"items":[{"id":"news","type":"tab","w":80,"h":40}]})",
                                        R"({"type":"strip","news":"4"})");
    placeless->setBadgesEnabled(true);
    placeless->setNeedsDisplay();
    driver_->runFrames(1);
    EXPECT_FALSE(CCSkinnedItemRenderer::badgeRectForItem(CCTheming::itemForId("news", placeless->skinDescription())));

    CCPrivateSession::sharedInstance()->activateLumoraSetting(7, Value("YES"));
    Application::sharedApplication().setApplicationIconBadgeNumber(1);
    view->setNeedsDisplay();
    driver_->runFrames(1);
    EXPECT_EQ(Application::sharedApplication().applicationIconBadgeNumber(), 1);
}

TEST_F(SkinnedViewTest, ServerImagesAreAskedForOnceAndDrawnWhenTheyArrive)
{
    const std::string skin = R"({"items":[{"id":"bg","type":"image","x":0,"y":0,"w":10,"h":10},
        {"id":"photo","type":"image","x":0,"y":0,"w":60,"h":60,"themesrc":"theme://images/rows/placeholder.png"},
        {"id":"none","type":"image","x":0,"y":0,"w":60,"h":60,"themesrc":"theme://images/rows/placeholder.png"}]})";
    Ref<CCSkinnedView> view = make(skin, R"({"type":"image_row","photo":"http://127.0.0.1/p.png","none":"blank"})");
    driver_->runFrames(1);
    CCFetchManager* fetcher = CCFetchManager::sharedInstance();
    ASSERT_EQ(fetcher->fetchQueue().size(), 1u) << "\"blank\" asks for nothing";
    EXPECT_EQ(fetcher->fetchQueue()[0]->url(), "http://127.0.0.1/p.png");
    EXPECT_EQ(fetcher->fetchQueue()[0]->fetchPriority(), 401) << "400 and the item's index";
    EXPECT_NE(pixelAt({30, 50}), (RGBA {255, 0, 0, 255}));
    // The picture arrives: a red square.
    std::vector<uint8_t> red(8 * 8 * 4, 0);
    for (size_t i = 0; i < red.size(); i += 4) {
        red[i] = 255;
        red[i + 3] = 255;
    }
    const std::vector<uint8_t> png = Image::fromRGBA(red, 8, 8, ImageAlphaInfo::Last)->encodePNG();
    Ref<CCImageData> arrived(new CCImageData("http://127.0.0.1/p.png"));
    arrived->setReceivedData(Value::Bytes(png.begin(), png.end()));
    fetcher->serverDataFinishedNetworkOpWithStatus(arrived.get(), 0);
    driver_->runFrames(1);
    EXPECT_EQ(pixelAt({30, 50}), (RGBA {255, 0, 0, 255}));
}

TEST_F(SkinnedViewTest, FormRows)
{
    const std::string textSkin = R"({"items":[{"id":"background","type":"image","x":0,"y":0,"w":320,"h":52},
        {"id":"textinput","type":"textinput","x":10,"y":10,"w":300,"h":30,"size":15,"color":"000000"}]})";
    Ref<CCFormModel> model = makeRef<CCFormModel>();
    model->values.set("password", Value("old secret"));
    Ref<CCSkinnedView> email = make(textSkin, R"({"type":"form_textinput","formid":"email","flags":"emailkeyboard"})", model);
    Ref<CCSkinnedView> password = make(textSkin, R"({"type":"form_passwordinput","formid":"password"})", model);
    Ref<CCSkinnedView> toggle = make(R"({"items":[{"id":"switch","type":"switch","x":0,"y":0,"w":40,"h":20}]})",
                                     R"({"type":"form_switch","formid":"share","formdefault":1})", model);
    Ref<CCSkinnedView> plain = make(R"({"items":[]})", R"({"type":"form_switch","formid":"plain"})", model);
    EXPECT_EQ(model->values["email"].asString(), "");
    EXPECT_EQ(model->values["password"].asString(), "") << "a password row starts empty";
    EXPECT_EQ(model->values["share"].asInt(), 1);
    EXPECT_EQ(toggle->depressedButton(), "switch");
    EXPECT_EQ(model->values["plain"].asInt(), 0);
    ASSERT_TRUE(email->textField() && password->textField());
    EXPECT_EQ(email->textField()->keyboardType(), UITextField::kKeyboardEmailAddress);
    EXPECT_TRUE(password->textField()->isSecureTextEntry());
    EXPECT_EQ(email->textField()->returnKeyType(), UITextField::kReturnDone);

    std::vector<std::string> notes;
    std::vector<NotificationCenter::ObserverId> observers;
    for (const char* name : {kKeyboardWillAppearNotification, kKeyboardWillDisappearNotification}) {
        observers.push_back(NotificationCenter::defaultCenter().addObserver(nullptr, name, nullptr, [&notes](const Notification& n) {
            const Value& info = *std::any_cast<Value>(&n.userInfo());
            notes.push_back(n.name() + " " + info["section"].asString() + "." + info["row"].asString());
        }));
    }
    email->setTableIndexPath(1, 4);
    email->textField()->becomeFirstResponder();
    window_->typeText("wren@");
    EXPECT_EQ(model->values["email"].asString(), "wren@");
    window_->typeText("moss.example");
    window_->pressReturn();
    EXPECT_EQ(model->values["email"].asString(), "wren@moss.example");
    EXPECT_EQ(notes, (std::vector<std::string> {"CC_KeyboardWillAppear 1.4", "CC_KeyboardWillDisappear 1.4"}));
    for (NotificationCenter::ObserverId id : observers) NotificationCenter::defaultCenter().removeObserver(id);
}

TEST_F(SkinnedViewTest, HighlightOnPhonesForLinkedRowsOnly)
{
    const Value skin = parse(R"({"items":[{"id":"background","type":"image","x":0,"y":0,"w":320,"h":44}]})");
    CCSkinnedTableViewCell linked(parse(R"({"type":"link_row","href":"a.cuid"})"), skin, "link_row", nullptr, false, nullptr);
    linked.setSelected(true, false);
    ASSERT_NE(linked.skinnedView()->highlightView(), nullptr);
    EXPECT_FLOAT_EQ(linked.skinnedView()->highlightView()->alpha(), 0.4f);
    EXPECT_EQ(linked.skinnedView()->highlightView()->superview(), linked.skinnedView());
    linked.setSelected(false, false);
    EXPECT_EQ(linked.skinnedView()->highlightView()->superview(), nullptr);
    CCSkinnedTableViewCell unlinked(parse(R"({"type":"text_row"})"), skin, "text_row", nullptr, false, nullptr);
    unlinked.setSelected(true, false);
    EXPECT_EQ(unlinked.skinnedView()->highlightView(), nullptr);

    facts_->pad = true;
    CCPrivateSession::releaseSharedInstance(); // asks the device again
    CCSkinnedTableViewCell padRow(parse(R"({"type":"link_row","href":"a.cuid"})"), skin, "link_row", nullptr, false, nullptr);
    padRow.setSelected(true, false);
    EXPECT_EQ(padRow.skinnedView()->highlightView(), nullptr);
}

TEST_F(SkinnedViewTest, GrowingTextMakesTheRowTaller)
{
    const Value& skin = CCTheming::sharedInstance()->getSkinDescription("growing_text_row");
    CCSkinnedTableViewCell one(parse(R"({"type":"growing_text_row","text":"Short"})"), skin, "", nullptr, false, nullptr);
    CCSkinnedTableViewCell many(parse(R"({"type":"growing_text_row","text":"A long line of news about the village that wraps over several lines of the row."})"),
                                skin, "", nullptr, false, nullptr);
    const float base = 40;
    const float shortHeight = one.determineHeightForRow();
    const float tallHeight = many.determineHeightForRow();
    const float label = many.skinnedView()->stretchyLabel()->frame().size.height;
    EXPECT_FLOAT_EQ(tallHeight, base + label - 20);
    EXPECT_GT(tallHeight, shortHeight);
}

} // namespace
} // namespace mw::test
