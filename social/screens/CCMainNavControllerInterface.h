#pragma once

#include <string>

#include "foundation/Geometry.h"
#include "foundation/Value.h"

namespace mw {

class CCGenericTableViewController;
class CCUIDescription;
class UIView;
struct UIViewTouch;

// What a navigation controller offers the pages it shows. The navigation
// controllers themselves (phone, tablet, pull tab, embedded) answer what
// they know; each call here does nothing until one does.
class CCMainNavControllerInterface {
public:
    virtual ~CCMainNavControllerInterface() = default;
    virtual void genericTableViewControllerFailedToLoadPage(CCGenericTableViewController&) {}
    virtual void genericTableViewControllerLoadedPage(CCGenericTableViewController&) {}
    virtual void loadUiDescription() {}
    virtual void popViewWithAnimation(int animation) {}
    virtual void clearTopTableSelection() {}
    virtual void removeUrlStringFromFormModel(const std::string& url) {}
    // Optional callbacks, each with its own "answers" flag as the pages
    // ask whether the controller has them.
    virtual bool answersGotTouchPoint() const { return false; }
    virtual void genericTableViewControllerGotTouchPoint(CGPoint point, CCGenericTableViewController&, UIView&) {}
    virtual bool answersGotBackNav() const { return false; }
    virtual void genericTableViewControllerGotBackNav() {}
    virtual bool answersPrefetch() const { return false; }
    virtual void prefetchUrlLoaded() {}
    virtual void noPrefetchUrlsToLoad() {}
    // The pull tab: scroll callbacks, banner overrides and its pages.
    virtual bool isPullTabController() const { return false; }
    virtual void genericTableViewControllerScrollViewWillBeginDragging(CCGenericTableViewController&) {}
    virtual void genericTableViewControllerScrollViewDidEndDragging(CCGenericTableViewController&, bool decelerate) {}
    virtual void genericTableViewControllerScrollViewDidEndDecelerating(CCGenericTableViewController&) {}
    // Entries {"elementIndex", "height"} for the page's banners.
    virtual Value bannerOverridesFromCurrentUiDescription(CCUIDescription*) { return Value(); }
    virtual void setBannerOverrides(const Value&) {}
};

} // namespace mw
