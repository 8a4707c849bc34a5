#include <gtest/gtest.h>

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
