// Feeds a pull tab's configuration skin and overlay position skin (two JSON
// texts, split at the first NUL byte) to a pull tab over the shipped strips:
// the geometry of every state, edge and orientation, the page transforms,
// every state change with its animation run to the end, the banner layout,
// the keyboard and rotation. Nothing may convert out of range.
#include <cstddef>
#include <cstdint>

#include "fuzz/ShippedTheme.h"
#include "foundation/Notification.h"
#include "foundation/RunLoop.h"
#include "social/data/CCDataStore.h"
#include "social/session/CCPrivateSession.h"
#include "social/screens/CCPullTabViewController.h"
#include "social/ui/UIView.h"

namespace {

class Quiet : public mw::CCPullTabViewControllerDelegate {
public:
    void onPullTabViewControllerDeactivated() override {}
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    mw::fuzz::startWithShippedTheme("pull-tab");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto [config, frames] = mw::fuzz::splitIntoTwoTexts(data, size);
    const int edge = static_cast<int>(size % 5); // 4: no edge at all
    Quiet quiet;
    auto parent = mw::makeRef<mw::UIView>(mw::CGRect {0, 0, 320, 480});
    mw::Ref<mw::CCPullTabViewController> tab = mw::CCPullTabViewController::create(
        &quiet, "pulltab/bottom/lumoraslimline_landscape", "pulltab/bottom/lumoraslimline_portrait", parent, edge, 1,
        frames, config);
    tab->setTwoStageMode(size % 2 == 1);
    for (int state = 0; state < 4; ++state) (void)tab->offsetForState(state);
    for (bool shown : {false, true}) (void)tab->transformForAnimation(shown);
    (void)tab->keyboardSquishAmountForTableView();
    tab->setHeightAndTransformForBanner();
    // Every row of the state table, each animation run to its end.
    for (int step = 0; step < 6; ++step) {
        tab->changeState();
        mw::UIView::advanceAnimations(1.0);
        if (tab->state() == 3) {
            mw::NotificationCenter::defaultCenter().postNotification(mw::kKeyboardWillAppearNotification,
                                                                     tab->visiblePullTabView());
            mw::NotificationCenter::defaultCenter().postNotification(mw::kKeyboardWillDisappearNotification);
            mw::UIView::advanceAnimations(1.0);
        }
    }
    tab->willRotate();
    tab->didRotate();
    tab->resetLumoraPullTabState();
    mw::UIView::advanceAnimations(1.0);
    tab->deactivateWithAnimation(true);
    mw::UIView::advanceAnimations(1.0);
    mw::RunLoop::main().drain();
    tab->deactivateWithAnimation(false);
    mw::UIView::removeAllAnimations();
    mw::RunLoop::main().drain();
    // Every input logs the tab it opened. Kept, the log would grow run after
    // run, and each input's store write encodes all of it: each input starts
    // from an empty store.
    mw::CCDataStore::sharedInstance()->removeAllKeys();
    return 0;
}
