#include <gtest/gtest.h>

#include "social/CCGenericTableViewController.h"
#include "social/CCModalControllers.h"
#include "social/CCTheming.h"
#include "social/records/CCServerRecords.h"
#include "tests/social/ui/SocialUiFixture.h"

namespace mw::test {
namespace {

class DialogRenderTest : public SocialUiTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(DialogRenderTest, TwoButtonDialogAndNotice)
{
    start(GetParam());
    Ref<CCUIDescription> dialog = CCTheming::uiDescriptionForTwoButtonDialog(
        "Confirmation", "Send a basket of apples to Hollis in the next village?", "Yes", "No");
    // Over a page, as the table pages show their dialogs.
    Ref<UIView> page = makeRef<UIView>(window_->bounds());
    page->setBackgroundColor(FillColor {0.95f, 0.94f, 0.85f, 1});
    window_->addSubview(page.get());
    Ref<CCModalViewController> modal =
        CCModalViewController::create(dialog.get(), page.get(), false, false, false);
    ASSERT_NE(modal, nullptr);
    Ref<CCUIDescription> notice = CCTheming::uiDescriptionForPopup("Achievement", "First harvest of the season");
    Ref<CCModalPopupController> popup = CCModalPopupController::create(notice.get(), window_.get(), false, nullptr);
    ASSERT_NE(popup, nullptr);
    runSeconds(1.0);
    shoot(std::string("dialog_") + GetParam());
}

INSTANTIATE_TEST_SUITE_P(Devices, DialogRenderTest, ::testing::Values("phone", "phone-hd", "tablet", "tablet-hd"));

} // namespace
} // namespace mw::test

namespace mw::test {
namespace {

// A page holding every row kind of the theme.
Ref<CCUIDescription> everyRowPage()
{
    auto row = [](std::initializer_list<std::pair<std::string, Value>> keys) { return Value::dictionary(keys); };
    Value groups = Value::array({
        Value::dictionary({{"title", Value("Village news")},
                           {"items", Value::array({
                                         row({{"type", Value("lite_banner")}, {"image", Value("theme://images/banners/lite_placeholder.png")}}),
                                         row({{"type", Value("text_row")}, {"text", Value("The harvest festival starts on Friday")}}),
                                         row({{"type", Value("link_row")}, {"text", Value("Leaderboards")}, {"href", Value("leaderboards.cuid")}}),
                                         row({{"type", Value("growing_text_row")},
                                              {"text", Value("Neighbours can now send you seeds, planks and a spare cart wheel. "
                                                             "Gifts arrive the next time you visit the village square.")}}),
                                         row({{"type", Value("image_row")}, {"title", Value("Hollis")}, {"subtitle", Value("Level 12, mill owner")},
                                              {"image", Value("http://127.0.0.1/lite/images/hollis.png")}, {"href", Value("profile.cuid?id=7")}}),
                                         row({{"type", Value("two_button_row")}, {"buttontext1", Value("Invite")}, {"buttontext2", Value("Gift")},
                                              {"button1", Value("invite.cuid")}, {"button2", Value("gift.cuid")}}),
                                         row({{"type", Value("online_status_row")}, {"text", Value("Service status")}}),
                                     })}}),
        Value::dictionary({{"title", Value("Settings")},
                           {"items", Value::array({
                                         row({{"type", Value("form_switch")}, {"text", Value("Share my harvests")}, {"formid", Value("share")}, {"formdefault", Value(1)}}),
                                         row({{"type", Value("form_switchwithimage")}, {"text", Value("Notices")}, {"formid", Value("notices")}}),
                                         row({{"type", Value("form_switchpicturetwoline")}, {"title", Value("Wren")}, {"subtitle", Value("Orchard keeper")}, {"formid", Value("wren")}}),
                                         row({{"type", Value("form_switchpicturetwoline_disc")}, {"title", Value("Bram")}, {"subtitle", Value("Blacksmith")}, {"formid", Value("bram")}, {"formdefault", Value(1)}}),
                                         row({{"type", Value("form_textinput")}, {"label", Value("E-mail")}, {"formid", Value("email")}, {"formdefault", Value("wren@mosswick.example")}}),
                                         row({{"type", Value("form_passwordinput")}, {"label", Value("Password")}, {"formid", Value("password")}}),
                                         row({{"type", Value("banner")}, {"text", Value("Autumn market")}, {"image", Value("theme://images/banners/placeholder.png")}}),
                                     })}}),
    });
    Ref<CCUIDescription> page(new CCUIDescription("http://127.0.0.1/lite/everything.cuid", 10, 0));
    page->setMainData(Value::dictionary({{"title", Value("Mosswick")}, {"uitype", Value("groupedtable")}, {"groups", groups}}));
    return page;
}

class PageRenderTest : public SocialUiTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(PageRenderTest, EveryRowKindWithADialogAndANotice)
{
    start(GetParam());
    Ref<CCGenericTableViewController> controller =
        makeRef<CCGenericTableViewController>(everyRowPage(), nullptr, nullptr, "", "", true);
    window_->addSubview(controller->view());
    // A phone's page fills the screen; a tablet shows pages in a column of
    // the pages' width, as its popovers do.
    const CGRect screen = window_->bounds();
    controller->view()->setFrame(screen.size.width > 320 ? CGRect {(screen.size.width - 320) / 2, 0, 320, screen.size.height}
                                                         : screen);
    controller->tableView()->reloadData();
    runSeconds(0.2);
    shoot(std::string("page_") + GetParam());
    controller->displayDialogWithUiDescription(
        CCTheming::uiDescriptionForTwoButtonDialog("Confirmation", "Leave the village square?", "Yes", "No").get(),
        controller.get());
    Ref<CCModalPopupController> popup = CCModalPopupController::create(
        CCTheming::uiDescriptionForPopup("Game Center Sync", "Syncronising with Game Center").get(), window_.get(),
        false, nullptr);
    runSeconds(1.0);
    shoot(std::string("page_dialog_") + GetParam());
}

INSTANTIATE_TEST_SUITE_P(Devices, PageRenderTest, ::testing::Values("phone", "phone-hd", "tablet-hd"));

} // namespace
} // namespace mw::test
