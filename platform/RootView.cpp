#include "platform/RootView.h"

#include <algorithm>

#include "foundation/Shared.h"

namespace mw {

namespace {
RootView* gInstalled = nullptr;
}

void ActivityIndicatorView::addToRootView()
{
    if (!onRootView_) RootView::sharedRootView().add(*this);
}

void ActivityIndicatorView::removeFromSuperview()
{
    if (onRootView_) RootView::sharedRootView().remove(*this);
}

void ActivityIndicatorView::startAnimating()
{
    if (animating_) return;
    animating_ = true;
    if (onRootView_) RootView::sharedRootView().changed();
}

void ActivityIndicatorView::stopAnimating()
{
    if (!animating_) return;
    animating_ = false;
    if (onRootView_) RootView::sharedRootView().changed();
}

void ModalScreen::present()
{
    if (!presented_) RootView::sharedRootView().present(*this);
}

void ModalScreen::dismiss()
{
    if (!presented_) return;
    Ref<ModalScreen> keep(this); // the root view held the last reference
    RootView::sharedRootView().dismiss(*this);
    if (onDone) {
        auto done = std::move(onDone);
        onDone = nullptr;
        done();
    }
}

RootView& RootView::sharedRootView()
{
    // The plain lists sit in a shared slot, which static destruction never
    // empties: a screen left in them would otherwise let its owner go then.
    return gInstalled ? *gInstalled : *Shared<RootView>::get();
}

void RootView::setSharedRootView(RootView* view)
{
    RootView& old = sharedRootView();
    auto spinners = std::move(old.spinners_);
    auto screens = std::move(old.screens_);
    old.spinners_.clear();
    old.screens_.clear();
    old.contentChanged();
    gInstalled = view;
    RootView& now = sharedRootView();
    now.spinners_ = std::move(spinners);
    now.screens_ = std::move(screens);
    now.contentChanged();
}

void RootView::closeAll()
{
    std::vector<Ref<ModalScreen>> screens = std::move(screens_);
    std::vector<Ref<ActivityIndicatorView>> spinners = std::move(spinners_);
    screens_.clear();
    spinners_.clear();
    for (const Ref<ModalScreen>& screen : screens) {
        screen->presented_ = false;
        screen->onDone = nullptr;
    }
    for (const Ref<ActivityIndicatorView>& spinner : spinners) spinner->onRootView_ = false;
    contentChanged();
}

void RootView::add(ActivityIndicatorView& spinner)
{
    spinner.onRootView_ = true;
    spinners_.push_back(Ref<ActivityIndicatorView>(&spinner));
    contentChanged();
}

void RootView::remove(ActivityIndicatorView& spinner)
{
    spinner.onRootView_ = false;
    Ref<ActivityIndicatorView> keep(&spinner);
    std::erase_if(spinners_, [&](const Ref<ActivityIndicatorView>& s) { return s.get() == &spinner; });
    contentChanged();
}

void RootView::present(ModalScreen& screen)
{
    screen.presented_ = true;
    screens_.push_back(Ref<ModalScreen>(&screen));
    contentChanged();
}

void RootView::dismiss(ModalScreen& screen)
{
    screen.presented_ = false;
    std::erase_if(screens_, [&](const Ref<ModalScreen>& s) { return s.get() == &screen; });
    contentChanged();
}

} // namespace mw
