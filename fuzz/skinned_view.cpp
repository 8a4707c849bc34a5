// Feeds a skin description and a server element (two JSON texts, split at
// the first NUL byte) to a skinned view: its layout, its drawing into a
// canvas (no GL) and a tap at the middle of every item.
#include <cstddef>
#include <cstdint>

#include "foundation/RunLoop.h"
#include "fuzz/FuzzerFlags.h"
#include "fuzz/ShippedTheme.h"
#include "social/screens/CCSkinnedView.h"
#include "social/services/CCTheming.h"
#include "social/ui/UIDrawContext.h"
#include "social/ui/UIView.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Entropic scheduling looks every feature an input reaches up in its list
    // of rare ones; a skinned view reaches some fifteen thousand, and that
    // lookup cost more than twice the view's own work. Without it, the same
    // inputs run about twice as fast and reach as much.
    mw::fuzz::addFlagUnlessGiven(argc, argv, "-entropic=0");
    mw::fuzz::startWithShippedTheme("skinned-view");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto [skin, element] = mw::fuzz::splitIntoTwoTexts(data, size);
    mw::Ref<mw::CCSkinnedView> view = mw::makeRef<mw::CCSkinnedView>(element, skin, mw::CGRect {0, 0, 320, 60},
                                                                     mw::makeRef<mw::CCFormModel>(), false);
    view->setBadgesEnabled(true);
    view->updateFrameForContent();
    (void)view->sizeThatFits(mw::CGSizeZero);
    if (auto context = mw::UIDrawContext::create({320, 60}, 1)) view->drawRect(*context, view->bounds());
    for (const mw::Value& item : skin["items"].asArray()) {
        const mw::CGRect rect = mw::CCTheming::dimensionsFromItem(item);
        (void)view->tapAtPoint({rect.origin.x + rect.size.width / 2, rect.origin.y + rect.size.height / 2});
    }
    // No window runs the animations here: drop them with the views.
    mw::UIView::removeAllAnimations();
    // The turn of the main loop a frame would give: the theme writes the
    // half-size copy of a double-size image it found there, and later inputs
    // read that copy (kept in its cache) instead of decoding the large one
    // again, and queueing yet another copy, at every input.
    mw::RunLoop::main().drain();
    return 0;
}
