#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/AlertPresenter.h"
#include "platform/AlertView.h"

namespace mw {
namespace {

class Answers : public AlertViewDelegate {
public:
    void alertViewClickedButtonAtIndex(AlertView& alert, int index) override
    {
        seen.push_back(alert.title + " " + std::to_string(index) + " " + alert.text);
    }
    std::vector<std::string> seen;
};

TEST(AlertViewTest, FieldTakesUtf8AndBackspaceRemovesWholeCharacters)
{
    auto alert = makeRef<AlertView>("Name", "", nullptr, std::vector<std::string>{"OK"});
    alert->hasTextField = true;
    alert->insertText("Zażółć");
    alert->insertText("\xF0\x9F\x90\x94"); // a chicken, four bytes
    EXPECT_EQ(alert->text, "Zażółć\xF0\x9F\x90\x94");
    alert->deleteBackward();
    EXPECT_EQ(alert->text, "Zażółć");
    alert->deleteBackward();
    alert->deleteBackward();
    EXPECT_EQ(alert->text, "Zażó");
    for (int i = 0; i < 10; ++i) alert->deleteBackward();
    EXPECT_EQ(alert->text, "");

    auto plain = makeRef<AlertView>("Plain", "", nullptr, std::vector<std::string>{"OK"});
    plain->insertText("x");
    EXPECT_EQ(plain->text, "") << "an alert without a field takes no typing";
}

TEST(AlertViewTest, EachAlertAnswersItsDelegateOnceByObject)
{
    Answers answers;
    AlertViewPresenter& presenter = AlertViewPresenter::sharedPresenter();
    ASSERT_TRUE(presenter.visibleAlerts().empty());
    auto first = makeRef<AlertView>("first", "", &answers, std::vector<std::string>{"No", "Yes"});
    auto second = makeRef<AlertView>("second", "", &answers, std::vector<std::string>{"OK"});
    second->hasTextField = true;
    first->show();
    second->show();
    second->show();
    ASSERT_EQ(presenter.visibleAlerts().size(), 2u);
    EXPECT_EQ(presenter.frontAlert(), second.get());
    presenter.frontAlert()->insertText("ok");
    presenter.frontAlert()->dismissWithClickedButtonIndex(0);
    EXPECT_EQ(presenter.frontAlert(), first.get());
    first->dismissWithClickedButtonIndex(-1);
    first->dismissWithClickedButtonIndex(1); // no longer shown: nothing
    EXPECT_EQ(answers.seen, (std::vector<std::string>{"second 0 ok", "first -1 "}));
    EXPECT_TRUE(presenter.visibleAlerts().empty());
}

TEST(AlertViewTest, PresenterKeepsAnAlertAliveUntilAnswered)
{
    Answers answers;
    {
        auto alert = makeRef<AlertView>("kept", "", &answers, std::vector<std::string>{"OK"});
        alert->show();
    }
    ASSERT_NE(AlertViewPresenter::sharedPresenter().frontAlert(), nullptr);
    AlertViewPresenter::sharedPresenter().frontAlert()->dismissWithClickedButtonIndex(0);
    EXPECT_EQ(answers.seen, std::vector<std::string>{"kept 0 "});
}

// A delegate that goes away is forgotten by every alert that names it, shown
// or not yet: an answer that comes later reaches nobody.
TEST(AlertViewTest, ADelegateThatGoesAwayIsForgottenByItsAlerts)
{
    auto leaving = std::make_unique<Answers>();
    Answers staying;
    auto shown = makeRef<AlertView>("shown", "", leaving.get(), std::vector<std::string>{"OK"});
    auto unshown = makeRef<AlertView>("unshown", "", leaving.get(), std::vector<std::string>{"OK"});
    auto other = makeRef<AlertView>("other", "", &staying, std::vector<std::string>{"OK"});
    shown->show();
    other->show();
    leaving.reset();
    ASSERT_EQ(shown->delegate, nullptr);
    ASSERT_EQ(unshown->delegate, nullptr);
    EXPECT_EQ(other->delegate, &staying);
    shown->dismissWithClickedButtonIndex(0);
    unshown->show();
    unshown->dismissWithClickedButtonIndex(0);
    other->dismissWithClickedButtonIndex(0);
    EXPECT_EQ(staying.seen, std::vector<std::string>{"other 0 "});
    EXPECT_TRUE(AlertViewPresenter::sharedPresenter().visibleAlerts().empty());
}

TEST(AlertViewTest, OneButtonAlertsShowAsAlertViews)
{
    AlertPresenter::sharedInstance()->showAlert("Title", "Something went wrong.", "Cancel");
    AlertView* shown = AlertViewPresenter::sharedPresenter().frontAlert();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->title, "Title");
    EXPECT_EQ(shown->message, "Something went wrong.");
    EXPECT_EQ(shown->buttonTitles, std::vector<std::string>{"Cancel"});
    shown->dismissWithClickedButtonIndex(0); // no delegate: closing is all the button does
    EXPECT_TRUE(AlertViewPresenter::sharedPresenter().visibleAlerts().empty());
}

} // namespace
} // namespace mw
