#include "social/screens/CCSmallViews.h"

#include <cmath>

#include "platform/Image.h"
#include "social/services/CCTheming.h"

namespace mw {

// ---- image spinner ----

CCTesselActivityIndicatorView::CCTesselActivityIndicatorView(CGRect frame) : UIView(frame)
{
    setOpaque(false);
    setUserInteractionEnabled(false);
    Ref<Image> image = CCTheming::sharedInstance()->getImageFromPath("images/ipad_specific/spinner.png");
    if (!image) return;
    const float scale = CCTheming::sharedInstance()->deviceIsDoubleResolution() ? 2.0f : 1.0f;
    const CGSize size {image->width() / scale, image->height() / scale};
    spinner_ = makeRef<UIImageView>(CGRect {0, 0, size.width, size.height}, image);
    // Centred on the indicator's centre as its parent sees it.
    spinner_->setCenter(center());
    addSubview(spinner_.get());
}

void CCTesselActivityIndicatorView::startAnimating()
{
    if (animating_) return;
    setAnimation();
}

void CCTesselActivityIndicatorView::setAnimation()
{
    animating_ = true;
    if (!spinner_) return;
    Ref<CCTesselActivityIndicatorView> self(this);
    UIView::beginAnimations("tessel");
    UIView::setAnimationCurve(UIView::kCurveLinear);
    UIView::setAnimationDuration(0.1);
    UIView::setAnimationDidStop([self](const std::string& name, bool finished) { self->animationDidStop(name, finished); });
    spinner_->setTransform(CGAffineTransformMakeRotation(angle_));
    UIView::commitAnimations();
}

void CCTesselActivityIndicatorView::animationDidStop(const std::string& name, bool finished)
{
    angle_ += kStep;
    if (angle_ > 2 * static_cast<float>(M_PI)) angle_ = 0;
    if (animating_ && name == "tessel") setAnimation();
}

// ---- loading page ----

CCTabLoadingView::CCTabLoadingView(CGRect frame) : UIView(frame)
{
    setAutoresizingMask(kFlexibleWidth | kFlexibleHeight);
    CCTheming* theme = CCTheming::sharedInstance();
    if (theme->backgroundImageInTheme()) {
        setBackgroundColor(std::nullopt);
        auto spinner = makeRef<CCTesselActivityIndicatorView>(CGRect {0, 0, 320, 320});
        spinner->startAnimating();
        spinner_ = Ref<UIView>(spinner.get());
    } else {
        setBackgroundColor(theme->getMasterConfigTableBackgroundColour());
        auto spinner = makeRef<UIActivityIndicatorView>(UIActivityIndicatorView::kWhiteLarge);
        spinner->setFrame({0, 0, 320, 320});
        spinner->sizeToFit();
        spinner->startAnimating();
        spinner_ = Ref<UIView>(spinner.get());
    }
    setOpaque(true);
    setAlpha(1.0f);
    spinner_->setCenter({160, 160});
    addSubview(spinner_.get());
}

void CCTabLoadingView::cleanup()
{
    if (auto* tessel = dynamic_cast<CCTesselActivityIndicatorView*>(spinner_.get())) tessel->stopAnimating();
}

// ---- text field and event button ----

void CCTextField::touchesBegan(const UIViewTouches& touches)
{
    if (passThroughEvents) {
        if (UIResponder* next = nextResponder()) next->touchesBegan(touches);
    }
    UITextField::touchesBegan(touches);
}

void CCTextField::touchesEnded(const UIViewTouches& touches)
{
    if (passThroughEvents) {
        if (UIResponder* next = nextResponder()) next->touchesEnded(touches);
    }
    UITextField::touchesEnded(touches);
}

void CCEventButton::touchesBegan(const UIViewTouches& touches)
{
    lastBegan_ = touches;
    UIButton::touchesBegan(touches);
}

void CCEventButton::touchesEnded(const UIViewTouches& touches)
{
    lastEnded_ = touches;
    UIButton::touchesEnded(touches);
}

} // namespace mw
