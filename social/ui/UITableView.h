#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "foundation/NSTimer.h"
#include "foundation/Ref.h"
#include "social/ui/UIControls.h"
#include "social/ui/UISwipeGestureRecognizer.h"
#include "social/ui/UIView.h"

namespace mw {

class UIScrollView;

class UIScrollViewDelegate {
public:
    virtual ~UIScrollViewDelegate() = default;
    virtual void scrollViewDidScroll(UIScrollView&) {}
    virtual void scrollViewWillBeginDragging(UIScrollView&) {}
    virtual void scrollViewDidEndDragging(UIScrollView&, bool willDecelerate) {}
    virtual void scrollViewDidEndDecelerating(UIScrollView&) {}
};

// A view whose bounds origin is the content offset: a finger dragged more
// than a few points moves the content (clamped to the content size), and a
// fling goes on, slowing down, after the finger lifts. A touch that never
// became a drag is a tap (tapped()).
class UIScrollView : public UIView {
public:
    explicit UIScrollView(CGRect frame = CGRectZero);
    ~UIScrollView() override;

    CGSize contentSize() const { return contentSize_; }
    void setContentSize(CGSize size) { contentSize_ = size; }
    CGPoint contentOffset() const { return bounds().origin; }
    virtual void setContentOffset(CGPoint offset);
    bool isScrollEnabled() const { return scrollEnabled_; }
    void setScrollEnabled(bool on) { scrollEnabled_ = on; }
    bool isDragging() const { return dragging_; }
    bool isDecelerating() const { return static_cast<bool>(deceleration_); }
    // 0 default, 1 black, 2 white.
    int indicatorStyle() const { return indicatorStyle_; }
    void setIndicatorStyle(int style) { indicatorStyle_ = style; }
    void flashScrollIndicators() { ++indicatorFlashes_; }
    // Called with -1 for a swipe to the left and 1 to the right (a swipe
    // recogniser on this view: more than 50 points across within 30 up or
    // down, also when it starts on a row). Null removes it.
    void setSwipeHandler(std::function<void(int direction)> handler);
    int indicatorFlashCount() const { return indicatorFlashes_; }
    UIScrollViewDelegate* scrollDelegate() const { return scrollDelegate_; }
    void setScrollDelegate(UIScrollViewDelegate* delegate) { scrollDelegate_ = delegate; }
    // The largest offset the content allows.
    CGPoint maximumOffset() const;

    void touchesBegan(const UIViewTouches& touches) override;
    void touchesMoved(const UIViewTouches& touches) override;
    void touchesEnded(const UIViewTouches& touches) override;
    void touchesCancelled(const UIViewTouches& touches) override;

protected:
    // A touch that ended without dragging, at a point of the content.
    virtual void tapped(CGPoint point) {}
    virtual void offsetChanged() {}

private:
    void stopDeceleration();

    CGSize contentSize_ {0, 0};
    bool scrollEnabled_ = true;
    bool tracking_ = false;
    bool dragging_ = false;
    int indicatorStyle_ = 0;
    int indicatorFlashes_ = 0;
    CGPoint touchStart_ {0, 0};
    CGPoint offsetStart_ {0, 0};
    CGPoint lastPoint_ {0, 0};
    double lastTime_ = 0;
    float velocity_ = 0; // points a second, along y
    Ref<NSTimer> deceleration_;
    UIScrollViewDelegate* scrollDelegate_ = nullptr;
    Ref<UISwipeGestureRecognizer> swipe_;
};

struct NSIndexPath {
    int section = 0;
    int row = 0;
    friend bool operator==(const NSIndexPath&, const NSIndexPath&) = default;
    friend bool operator<(const NSIndexPath& a, const NSIndexPath& b)
    {
        return a.section != b.section ? a.section < b.section : a.row < b.row;
    }
};

// A row of a table: its content view fills it; selection is shown by the
// cell's subclasses.
class UITableViewCell : public UIView {
public:
    explicit UITableViewCell(std::string reuseIdentifier);
    const std::string& reuseIdentifier() const { return reuseIdentifier_; }
    UIView* contentView() const { return content_.get(); }
    bool isSelected() const { return selected_; }
    virtual void setSelected(bool selected, bool animated) { selected_ = selected; }
    virtual void prepareForReuse() {}

private:
    std::string reuseIdentifier_;
    Ref<UIView> content_;
    bool selected_ = false;
};

class UITableView;

class UITableViewDataSource {
public:
    virtual ~UITableViewDataSource() = default;
    virtual int numberOfSectionsInTableView(UITableView&) { return 1; }
    virtual int numberOfRowsInSection(UITableView&, int section) = 0;
    // Null leaves the row empty.
    virtual Ref<UITableViewCell> cellForRowAtIndexPath(UITableView&, NSIndexPath path) = 0;
    virtual std::optional<std::string> titleForHeaderInSection(UITableView&, int section) { return std::nullopt; }
};

class UITableViewDelegate : public UIScrollViewDelegate {
public:
    virtual float heightForRowAtIndexPath(UITableView&, NSIndexPath path);
    // The row to select instead, or nullopt to select none.
    virtual std::optional<NSIndexPath> willSelectRowAtIndexPath(UITableView&, NSIndexPath path) { return path; }
    virtual void didSelectRowAtIndexPath(UITableView&, NSIndexPath path) {}
};

// Sections of rows of varied heights, each section under a header of the
// table's header height and colour (sections with a title only when
// titles are given), separators between rows in a style and colour. Only
// the rows in view (and one beyond each edge) have cells; cells that leave
// the view are kept by reuse identifier for the next row that asks.
class UITableView : public UIScrollView {
public:
    enum SeparatorStyle { kSeparatorNone = 0, kSeparatorSingleLine = 1 };
    enum ScrollPosition { kScrollNone = 0, kScrollTop = 1, kScrollMiddle = 2, kScrollBottom = 3 };
    static constexpr float kDefaultRowHeight = 44;

    explicit UITableView(CGRect frame = CGRectZero);

    UITableViewDataSource* dataSource() const { return dataSource_; }
    void setDataSource(UITableViewDataSource* source) { dataSource_ = source; }
    UITableViewDelegate* delegate() const { return delegate_; }
    void setDelegate(UITableViewDelegate* delegate);

    float rowHeight() const { return rowHeight_; }
    void setRowHeight(float height) { rowHeight_ = height; }
    float sectionHeaderHeight() const { return headerHeight_; }
    void setSectionHeaderHeight(float height) { headerHeight_ = height; }
    void setSectionHeaderColour(std::optional<FillColor> colour) { headerColour_ = colour; }
    int separatorStyle() const { return separatorStyle_; }
    void setSeparatorStyle(int style) { separatorStyle_ = style; }
    void setSeparatorColour(std::optional<FillColor> colour) { separatorColour_ = colour; }

    void reloadData();
    Ref<UITableViewCell> dequeueReusableCellWithIdentifier(const std::string& identifier);
    int numberOfSections() const { return static_cast<int>(sections_.size()); }
    int numberOfRowsInSection(int section) const;
    CGRect rectForRowAtIndexPath(NSIndexPath path) const;
    CGRect rectForHeaderInSection(int section) const;
    std::optional<NSIndexPath> indexPathForRowAtPoint(CGPoint point) const;
    std::vector<NSIndexPath> indexPathsForVisibleRows() const;
    UITableViewCell* cellForRowAtIndexPath(NSIndexPath path) const;
    std::vector<UITableViewCell*> visibleCells() const;
    std::optional<NSIndexPath> indexPathForSelectedRow() const { return selected_; }
    void selectRowAtIndexPath(std::optional<NSIndexPath> path, bool animated);
    void deselectRowAtIndexPath(NSIndexPath path, bool animated);
    void scrollToRowAtIndexPath(NSIndexPath path, ScrollPosition position, bool animated);
    // Cells made by the data source so far (for tests of reuse).
    int cellsMade() const { return cellsMade_; }
    // Sum of the sections' heights.
    float contentHeight() const;

    void setContentOffset(CGPoint offset) override;
    void layoutSubviews() override;

protected:
    void tapped(CGPoint point) override;
    void offsetChanged() override { layoutRows(); }

private:
    struct Section {
        float top = 0;
        float headerHeight = 0;
        std::optional<std::string> title;
        std::vector<float> rowTops;
        std::vector<float> rowHeights;
        float height = 0;
    };
    void layoutRows();

    UITableViewDataSource* dataSource_ = nullptr;
    UITableViewDelegate* delegate_ = nullptr;
    float rowHeight_ = kDefaultRowHeight;
    float headerHeight_ = 22;
    std::optional<FillColor> headerColour_;
    int separatorStyle_ = kSeparatorSingleLine;
    std::optional<FillColor> separatorColour_ {FillColor {0.88f, 0.88f, 0.88f, 1}};
    std::vector<Section> sections_;
    std::map<NSIndexPath, Ref<UITableViewCell>> visible_;
    std::map<std::string, std::vector<Ref<UITableViewCell>>> reusable_;
    std::vector<Ref<UIView>> decorations_; // headers and separators in view
    std::optional<NSIndexPath> selected_;
    int cellsMade_ = 0;
    bool laying_ = false;
};

} // namespace mw
