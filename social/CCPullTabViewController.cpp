#include "social/CCPullTabViewController.h"

namespace mw {

bool CCPullTabView::pointInside(CGPoint point) const
{
    for (const Ref<UIView>& sub : subviews()) {
        if (sub->isHidden()) continue;
        if (sub->pointInside(sub->convertPointFromView(point, this))) return true;
    }
    return false;
}

Ref<CCPullTabViewController> CCPullTabViewController::create(CCPullTabViewControllerDelegate* delegate,
                                                             const std::string& landscapeSkin,
                                                             const std::string& portraitSkin, UIView* parentView,
                                                             int fromEdge, int initialState, Value frameData,
                                                             Value configData)
{
    Ref<CCPullTabViewController> controller(new CCPullTabViewController());
    controller->delegate_ = delegate;
    controller->landscapeSkinName_ = landscapeSkin;
    controller->portraitSkinName_ = portraitSkin;
    controller->parentView_ = parentView;
    controller->fromEdge_ = fromEdge;
    controller->initialState_ = initialState;
    controller->frameData_ = std::move(frameData);
    controller->configData_ = std::move(configData);
    if (parentView) parentView->addSubview(controller->view());
    return controller;
}

CCPullTabViewController::~CCPullTabViewController()
{
    if (isViewLoaded()) view()->removeFromSuperview();
}

void CCPullTabViewController::deactivateWithAnimation(bool)
{
    Ref<CCPullTabViewController> self(this);
    state_ = kStateOffscreen;
    if (delegate_) delegate_->onPullTabViewControllerDeactivated();
}

void CCPullTabViewController::resetLumoraPullTabState() { state_ = kStateTabVisible; }

void CCPullTabViewController::showPullTab()
{
    if (state_ == kStateOffscreen) changeState();
}

void CCPullTabViewController::changeState() { state_ = initialState_; }

void CCPullTabViewController::changeStateFrom(int, int to, double, const std::string&) { state_ = to; }

void CCPullTabViewController::skinnedViewButtonPressed(CCSkinnedView&, const std::string&, const std::string&,
                                                       const Value&)
{
}

void CCPullTabViewController::loadView()
{
    auto container = makeRef<CCPullTabView>();
    setView(container);
}

} // namespace mw
