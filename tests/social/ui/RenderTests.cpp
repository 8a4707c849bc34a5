#include <gtest/gtest.h>

#include <filesystem>

#include "foundation/Paths.h"
#include "platform/MessageService.h"
#include "social/screens/CCGenericTableViewController.h"
#include "social/screens/CCModalControllers.h"
#include "social/services/CCTheming.h"
#include "social/queues/records/CCServerRecords.h"
#include "social/ui/UIControls.h"
#include "social/ui/UIDrawContext.h"
#include "social/ui/UIImagePickerController.h"
#include "social/ui/UIMessageComposeViewController.h"
#include "social/ui/UINavigationController.h"
#include "social/ui/UIPopoverController.h"
#include "social/ui/UITabBarController.h"
#include "social/ui/UITableView.h"
#include "social/ui/UITextField.h"
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

namespace mw::test {
namespace {

// A few rows for the controls screen's table.
class FruitRows : public UITableViewDataSource, public UITableViewDelegate {
public:
    int numberOfSectionsInTableView(UITableView&) override { return 2; }
    int numberOfRowsInSection(UITableView&, int) override { return 3; }
    std::optional<std::string> titleForHeaderInSection(UITableView&, int section) override
    {
        return section == 0 ? "Orchard" : "Field";
    }
    Ref<UITableViewCell> cellForRowAtIndexPath(UITableView& table, NSIndexPath path) override
    {
        Ref<UITableViewCell> cell = makeRef<UITableViewCell>("fruit");
        Ref<UILabel> label = makeRef<UILabel>(CGRect {12, 0, 200, 36});
        label->setText(std::string(path.section == 0 ? "Apple tree " : "Carrot row ") + std::to_string(path.row + 1));
        label->setFont(systemFontOfSize(15));
        label->setAutoresizingMask(UIView::kFlexibleWidth);
        cell->contentView()->addSubview(label.get());
        cell->setBackgroundColor(FillColor {0.98f, 0.97f, 0.92f, 1});
        return cell;
    }
    float heightForRowAtIndexPath(UITableView&, NSIndexPath) override { return 36; }
};

class ControlsRenderTest : public SocialUiTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(ControlsRenderTest, EveryControl)
{
    start(GetParam());
    CCTheming* theme = CCTheming::sharedInstance();
    Ref<UIView> screen = makeRef<UIView>(CGRect {0, 0, 320, 480});
    screen->setBackgroundColor(FillColor {0.95f, 0.94f, 0.85f, 1});
    window_->addSubview(screen.get());
    Ref<UILabel> title = makeRef<UILabel>(CGRect {10, 8, 300, 30});
    title->setFont(boldSystemFontOfSize(20));
    title->setText("Every control");
    title->setTextAlignment(UITextAlignmentCenter);
    screen->addSubview(title.get());
    Ref<UIButton> button = makeRef<UIButton>(CGRect {10, 46, 145, 40});
    button->setImage(theme->getImageFromPath("images/rows/button.png"), theme->getImageFromPath("images/rows/button_pressed.png"));
    button->setTitle("Press", boldSystemFontOfSize(15), {1, 1, 1, 1});
    screen->addSubview(button.get());
    Ref<UIButton> pressed = makeRef<UIButton>(CGRect {165, 46, 145, 40});
    pressed->setImage(theme->getImageFromPath("images/rows/button.png"), theme->getImageFromPath("images/rows/button_pressed.png"));
    pressed->setTitle("Pressed", boldSystemFontOfSize(15), {1, 1, 1, 1});
    pressed->setHighlighted(true);
    screen->addSubview(pressed.get());
    Ref<UIImageView> picture = makeRef<UIImageView>(CGRect {10, 96, 64, 64}, theme->getImageFromPath("images/rows/placeholder.png"));
    screen->addSubview(picture.get());
    Ref<UILabel> wrapped = makeRef<UILabel>(CGRect {84, 96, 226, 64});
    wrapped->setNumberOfLines(0);
    wrapped->setFont(systemFontOfSize(13));
    wrapped->setText("A label of several lines that wraps its words inside the width it is given.");
    screen->addSubview(wrapped.get());
    Ref<UIActivityIndicatorView> gray = makeRef<UIActivityIndicatorView>(UIActivityIndicatorView::kGray);
    gray->setCenter({30, 180});
    gray->startAnimating();
    screen->addSubview(gray.get());
    Ref<UIView> dark = makeRef<UIView>(CGRect {60, 164, 60, 40});
    dark->setBackgroundColor(FillColor {0.2f, 0.25f, 0.15f, 1});
    screen->addSubview(dark.get());
    Ref<UIActivityIndicatorView> white = makeRef<UIActivityIndicatorView>(UIActivityIndicatorView::kWhiteLarge);
    white->setCenter({30, 20});
    white->startAnimating();
    dark->addSubview(white.get());
    Ref<UITextField> field = makeRef<UITextField>(CGRect {130, 170, 180, 30});
    field->setBackgroundColor(FillColor {1, 1, 1, 1});
    field->setFont(systemFontOfSize(15));
    screen->addSubview(field.get());
    FruitRows rows;
    Ref<UITableView> table = makeRef<UITableView>(CGRect {0, 212, 320, 268});
    table->setSectionHeaderHeight(24);
    table->setSectionHeaderColour(theme->getMasterConfigTableHeaderColour());
    table->setSeparatorColour(theme->getMasterConfigTableItemSeparatorColor());
    table->setDataSource(&rows);
    table->setDelegate(&rows);
    screen->addSubview(table.get());
    table->reloadData();
    field->becomeFirstResponder();
    window_->typeText("Zażółć");
    runSeconds(0.3);
    shoot(std::string("controls_") + GetParam());
    field->resignFirstResponder();
}

INSTANTIATE_TEST_SUITE_P(Devices, ControlsRenderTest, ::testing::Values("phone-hd", "tablet"));

} // namespace
} // namespace mw::test

namespace mw::test {
namespace {

// A page with a coloured ground and a line of text.
Ref<UIViewControllerBase> plainPage(const std::string& title, FillColor ground)
{
    Ref<UIViewControllerBase> page = makeRef<UIViewControllerBase>();
    page->setTitle(title);
    page->view()->setBackgroundColor(ground);
    Ref<UILabel> label = makeRef<UILabel>(CGRect {10, 10, 300, 30});
    label->setFont(boldSystemFontOfSize(17));
    label->setText(title);
    page->view()->addSubview(label.get());
    return page;
}

class AlwaysSends : public MessageService {
public:
    bool canSendText() override { return true; }
    Result sendText(const std::vector<std::string>&, const std::string&) override { return kSent; }
};

class ControllersRenderTest : public SocialUiTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(ControllersRenderTest, TabsNavigationPopoverPickerAndComposer)
{
    start(GetParam());
    const FillColor cream {0.95f, 0.94f, 0.85f, 1};
    Ref<UIViewControllerBase> root = plainPage("Village news", cream);
    Ref<UINavigationController> navigation = makeRef<UINavigationController>(root.get());
    navigation->setTitle("News");
    Ref<UIViewControllerBase> friends = plainPage("Friends", cream);
    Ref<UIViewControllerBase> gifts = plainPage("Gifts", cream);
    Ref<UITabBarController> tabs = makeRef<UITabBarController>();
    tabs->setViewControllers({navigation.get(), friends.get(), gifts.get()});
    window_->addSubview(tabs->view());
    navigation->pushViewController(plainPage("Hollis's orchard", FillColor {0.90f, 0.93f, 0.84f, 1}).get(), true);
    Ref<UIViewControllerBase> inside = plainPage("In a popover", FillColor {1, 1, 1, 1});
    Ref<UIPopoverController> popover = makeRef<UIPopoverController>(inside.get());
    popover->setPopoverContentSize({220, 140}, false);
    popover->presentPopoverFromRect({10, 60, 40, 40}, window_.get(), UIPopoverController::kArrowLeft, true);
    runSeconds(0.3);
    shoot(std::string("controllers_") + GetParam());
    popover->dismissPopoverAnimated(false);

    const std::string folder = Paths::documentsPath("Pictures");
    std::filesystem::create_directories(folder);
    for (int i = 0; i < 6; ++i) {
        std::vector<uint8_t> pixels(60 * 40 * 4);
        for (size_t p = 0; p < pixels.size(); p += 4) {
            pixels[p] = static_cast<uint8_t>(60 + 30 * i);
            pixels[p + 1] = static_cast<uint8_t>(160 - 15 * i);
            pixels[p + 2] = 90;
            pixels[p + 3] = 255;
        }
        ASSERT_TRUE(Image::fromRGBA(std::move(pixels), 60, 40, ImageAlphaInfo::Last)
                        ->writePNG(folder + "/p" + std::to_string(i) + ".png"));
    }
    Ref<UIImagePickerController> picker = makeRef<UIImagePickerController>();
    tabs->presentModalViewController(picker.get(), false);
    runSeconds(0.1);
    shoot(std::string("picker_") + GetParam());
    tabs->dismissModalViewControllerAnimated(false);

    std::shared_ptr<MessageService> previous = MessageService::replaceSharedInstance(std::make_shared<AlwaysSends>());
    Ref<UIMessageComposeViewController> composer = UIMessageComposeViewController::create();
    ASSERT_NE(composer, nullptr);
    composer->setModalPresentationStyle(UIMessageComposeViewController::kFormSheet);
    composer->setRecipients({"+48 600 100 200", "wren@mosswick.example"});
    composer->setBody("Come and see my village: the mill turns again and the orchard is in bloom.");
    tabs->presentModalViewController(composer.get(), false);
    runSeconds(0.1);
    shoot(std::string("composer_") + GetParam());
    tabs->dismissModalViewControllerAnimated(false);
    MessageService::replaceSharedInstance(previous);
}

INSTANTIATE_TEST_SUITE_P(Devices, ControllersRenderTest, ::testing::Values("phone-hd", "tablet"));

} // namespace
} // namespace mw::test
