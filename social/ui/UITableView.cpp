#include "social/ui/UITableView.h"

#include <algorithm>
#include <cmath>

#include "foundation/Clock.h"
#include "social/ui/UIDrawContext.h"

namespace mw {

namespace {

constexpr float kDragThreshold = 6;       // points a finger moves before it drags
constexpr float kFlingThreshold = 60;     // points a second that keep the content moving
constexpr float kDecelerationRate = 0.95f; // per sixtieth of a second

} // namespace

// ---------------------------------------------------------------- scroll view

UIScrollView::UIScrollView(CGRect frame) : UIView(frame) { setClipsToBounds(true); }

UIScrollView::~UIScrollView() { stopDeceleration(); }

void UIScrollView::setSwipeHandler(std::function<void(int direction)> handler)
{
    if (swipe_) removeGestureRecognizer(swipe_.get());
    swipe_ = nullptr;
    if (!handler) return;
    swipe_ = makeRef<UISwipeGestureRecognizer>([handler](UISwipeGestureRecognizer& recognizer) {
        handler(recognizer.recognizedDirection() == UISwipeGestureRecognizer::kDirectionLeft ? -1 : 1);
    });
    swipe_->setDirection(UISwipeGestureRecognizer::kDirectionLeft | UISwipeGestureRecognizer::kDirectionRight);
    addGestureRecognizer(swipe_.get());
}

CGPoint UIScrollView::maximumOffset() const
{
    return {std::max(0.0f, contentSize_.width - bounds().size.width),
            std::max(0.0f, contentSize_.height - bounds().size.height)};
}

void UIScrollView::setContentOffset(CGPoint offset)
{
    CGRect area = bounds();
    if (area.origin.x == offset.x && area.origin.y == offset.y) return;
    area.origin = offset;
    setBounds(area);
    offsetChanged();
    if (scrollDelegate_) scrollDelegate_->scrollViewDidScroll(*this);
}

void UIScrollView::stopDeceleration()
{
    if (deceleration_) deceleration_->invalidate();
    deceleration_ = nullptr;
}

void UIScrollView::touchesBegan(const UIViewTouches& touches)
{
    if (touches.empty()) return;
    stopDeceleration();
    tracking_ = true;
    dragging_ = false;
    touchStart_ = touches.front().windowPoint;
    lastPoint_ = touchStart_;
    lastTime_ = Clock::monotonicSeconds();
    offsetStart_ = contentOffset();
    velocity_ = 0;
}

void UIScrollView::touchesMoved(const UIViewTouches& touches)
{
    if (!tracking_ || touches.empty()) return;
    const CGPoint point = touches.front().windowPoint;
    if (!dragging_) {
        if (!scrollEnabled_ || std::fabs(point.y - touchStart_.y) < kDragThreshold) return;
        dragging_ = true;
        if (scrollDelegate_) scrollDelegate_->scrollViewWillBeginDragging(*this);
    }
    const double now = Clock::monotonicSeconds();
    const double dt = now - lastTime_;
    if (dt > 0) velocity_ = static_cast<float>((lastPoint_.y - point.y) / dt);
    lastPoint_ = point;
    lastTime_ = now;
    const CGPoint limit = maximumOffset();
    setContentOffset({offsetStart_.x, std::clamp(offsetStart_.y - (point.y - touchStart_.y), 0.0f, limit.y)});
}

void UIScrollView::touchesEnded(const UIViewTouches& touches)
{
    if (!tracking_) return;
    tracking_ = false;
    if (!dragging_) {
        if (touches.empty()) return;
        const CGPoint end = touches.front().windowPoint;
        tapped(convertPointFromView(end, nullptr));
        return;
    }
    dragging_ = false;
    // A finger that rested before lifting throws nothing.
    if (Clock::monotonicSeconds() - lastTime_ > 0.1) velocity_ = 0;
    const bool decelerate = std::fabs(velocity_) > kFlingThreshold;
    if (scrollDelegate_) scrollDelegate_->scrollViewDidEndDragging(*this, decelerate);
    if (!decelerate) return;
    Ref<UIScrollView> self(this);
    deceleration_ = NSTimer::scheduledTimer(1.0 / 60, true, [self](NSTimer*) {
        self->velocity_ *= kDecelerationRate;
        const CGPoint limit = self->maximumOffset();
        const CGPoint now = self->contentOffset();
        const float next = std::clamp(now.y + self->velocity_ / 60, 0.0f, limit.y);
        self->setContentOffset({now.x, next});
        if (std::fabs(self->velocity_) < 5 || next == 0 || next == limit.y) {
            self->stopDeceleration();
            if (self->scrollDelegate_) self->scrollDelegate_->scrollViewDidEndDecelerating(*self);
        }
    });
}

void UIScrollView::touchesCancelled(const UIViewTouches& touches)
{
    tracking_ = false;
    if (dragging_) {
        dragging_ = false;
        if (scrollDelegate_) scrollDelegate_->scrollViewDidEndDragging(*this, false);
    }
}

// ---------------------------------------------------------------- cells

UITableViewCell::UITableViewCell(std::string reuseIdentifier)
    : UIView(CGRect {0, 0, 320, UITableView::kDefaultRowHeight}), reuseIdentifier_(std::move(reuseIdentifier))
{
    content_ = makeRef<UIView>(bounds());
    content_->setAutoresizingMask(kFlexibleWidth | kFlexibleHeight);
    addSubview(content_.get());
}

float UITableViewDelegate::heightForRowAtIndexPath(UITableView& table, NSIndexPath) { return table.rowHeight(); }

// ---------------------------------------------------------------- table

namespace {

// A section header: its colour and title.
class HeaderView : public UIView {
public:
    HeaderView(CGRect frame, std::optional<FillColor> colour, std::string title) : UIView(frame), title_(std::move(title))
    {
        setBackgroundColor(colour);
        setUserInteractionEnabled(false);
    }
    bool drawsContent() const override { return !title_.empty(); }
    void drawRect(UIDrawContext& context, CGRect rect) override
    {
        Ref<UIFont> font = boldSystemFontOfSize(std::min(17.0f, bounds().size.height * 0.7f));
        const float height = UIDrawContext::measure("Ag", font.get()).height;
        context.setFillColor({1, 1, 1, 1});
        context.drawTextInRect(title_, {10, (bounds().size.height - height) / 2, bounds().size.width - 20, height},
                               font.get(), UILineBreakModeTailTruncation);
    }

private:
    std::string title_;
};

} // namespace

UITableView::UITableView(CGRect frame) : UIScrollView(frame) {}

void UITableView::setDelegate(UITableViewDelegate* delegate)
{
    delegate_ = delegate;
    setScrollDelegate(delegate);
}

int UITableView::numberOfRowsInSection(int section) const
{
    if (section < 0 || section >= numberOfSections()) return 0;
    return static_cast<int>(sections_[static_cast<size_t>(section)].rowHeights.size());
}

float UITableView::contentHeight() const
{
    return sections_.empty() ? 0 : sections_.back().top + sections_.back().height;
}

void UITableView::reloadData()
{
    for (auto& [path, cell] : visible_) {
        cell->removeFromSuperview();
        reusable_[cell->reuseIdentifier()].push_back(cell);
    }
    visible_.clear();
    sections_.clear();
    if (dataSource_) {
        const int count = dataSource_->numberOfSectionsInTableView(*this);
        float top = 0;
        for (int s = 0; s < count; ++s) {
            Section section;
            section.top = top;
            section.title = dataSource_->titleForHeaderInSection(*this, s);
            section.headerHeight = section.title ? headerHeight_ : 0;
            float y = section.headerHeight;
            const int rows = dataSource_->numberOfRowsInSection(*this, s);
            for (int r = 0; r < rows; ++r) {
                const float h = delegate_ ? delegate_->heightForRowAtIndexPath(*this, {s, r}) : rowHeight_;
                section.rowTops.push_back(y);
                section.rowHeights.push_back(h);
                y += h;
            }
            section.height = y;
            top += y;
            sections_.push_back(std::move(section));
        }
    }
    setContentSize({bounds().size.width, contentHeight()});
    const CGPoint limit = maximumOffset();
    if (contentOffset().y > limit.y) {
        CGRect area = bounds();
        area.origin.y = limit.y;
        setBounds(area);
    }
    layoutRows();
}

Ref<UITableViewCell> UITableView::dequeueReusableCellWithIdentifier(const std::string& identifier)
{
    auto found = reusable_.find(identifier);
    if (found == reusable_.end() || found->second.empty()) return nullptr;
    Ref<UITableViewCell> cell = found->second.back();
    found->second.pop_back();
    cell->prepareForReuse();
    return cell;
}

CGRect UITableView::rectForRowAtIndexPath(NSIndexPath path) const
{
    if (path.section < 0 || path.section >= numberOfSections()) return CGRectZero;
    const Section& section = sections_[static_cast<size_t>(path.section)];
    if (path.row < 0 || path.row >= static_cast<int>(section.rowTops.size())) return CGRectZero;
    return {0, section.top + section.rowTops[static_cast<size_t>(path.row)], bounds().size.width,
            section.rowHeights[static_cast<size_t>(path.row)]};
}

CGRect UITableView::rectForHeaderInSection(int section) const
{
    if (section < 0 || section >= numberOfSections()) return CGRectZero;
    const Section& s = sections_[static_cast<size_t>(section)];
    return {0, s.top, bounds().size.width, s.headerHeight};
}

std::optional<NSIndexPath> UITableView::indexPathForRowAtPoint(CGPoint point) const
{
    for (int s = 0; s < numberOfSections(); ++s) {
        for (int r = 0; r < numberOfRowsInSection(s); ++r) {
            if (CGRectContainsPoint(rectForRowAtIndexPath({s, r}), point)) return NSIndexPath {s, r};
        }
    }
    return std::nullopt;
}

std::vector<NSIndexPath> UITableView::indexPathsForVisibleRows() const
{
    std::vector<NSIndexPath> paths;
    const CGRect view = bounds();
    for (const auto& [path, cell] : visible_) {
        if (CGRectIntersectsRect(rectForRowAtIndexPath(path), view)) paths.push_back(path);
    }
    return paths;
}

UITableViewCell* UITableView::cellForRowAtIndexPath(NSIndexPath path) const
{
    auto found = visible_.find(path);
    return found == visible_.end() ? nullptr : found->second.get();
}

std::vector<UITableViewCell*> UITableView::visibleCells() const
{
    std::vector<UITableViewCell*> cells;
    for (const auto& [path, cell] : visible_) cells.push_back(cell.get());
    return cells;
}

void UITableView::setContentOffset(CGPoint offset) { UIScrollView::setContentOffset(offset); }

void UITableView::layoutSubviews() { layoutRows(); }

// Cells for the rows in view and one row beyond each edge; the rest go to
// the reuse queues. Headers and separators are remade for what is in view.
void UITableView::layoutRows()
{
    if (laying_) return;
    laying_ = true;
    const CGRect view = bounds();
    std::vector<NSIndexPath> wanted;
    for (int s = 0; s < numberOfSections(); ++s) {
        const int rows = numberOfRowsInSection(s);
        for (int r = 0; r < rows; ++r) {
            const CGRect row = rectForRowAtIndexPath({s, r});
            if (row.origin.y + row.size.height >= view.origin.y && row.origin.y <= view.origin.y + view.size.height) {
                wanted.push_back({s, r});
            }
        }
    }
    // One row beyond each edge, so a short scroll finds its cell ready.
    if (!wanted.empty()) {
        auto before = [this](NSIndexPath p) -> std::optional<NSIndexPath> {
            if (p.row > 0) return NSIndexPath {p.section, p.row - 1};
            for (int s = p.section - 1; s >= 0; --s) {
                if (numberOfRowsInSection(s) > 0) return NSIndexPath {s, numberOfRowsInSection(s) - 1};
            }
            return std::nullopt;
        };
        auto after = [this](NSIndexPath p) -> std::optional<NSIndexPath> {
            if (p.row + 1 < numberOfRowsInSection(p.section)) return NSIndexPath {p.section, p.row + 1};
            for (int s = p.section + 1; s < numberOfSections(); ++s) {
                if (numberOfRowsInSection(s) > 0) return NSIndexPath {s, 0};
            }
            return std::nullopt;
        };
        if (auto p = before(wanted.front())) wanted.insert(wanted.begin(), *p);
        if (auto p = after(wanted.back())) wanted.push_back(*p);
    }
    for (auto it = visible_.begin(); it != visible_.end();) {
        if (std::find(wanted.begin(), wanted.end(), it->first) == wanted.end()) {
            it->second->removeFromSuperview();
            reusable_[it->second->reuseIdentifier()].push_back(it->second);
            it = visible_.erase(it);
        } else {
            ++it;
        }
    }
    for (const Ref<UIView>& decoration : decorations_) decoration->removeFromSuperview();
    decorations_.clear();
    for (const NSIndexPath& path : wanted) {
        const CGRect rect = rectForRowAtIndexPath(path);
        Ref<UITableViewCell> cell;
        auto found = visible_.find(path);
        if (found != visible_.end()) {
            cell = found->second;
        } else if (dataSource_) {
            cell = dataSource_->cellForRowAtIndexPath(*this, path);
            if (!cell) continue;
            ++cellsMade_;
            visible_[path] = cell;
            cell->setSelected(selected_ && *selected_ == path, false);
        }
        if (!cell) continue;
        cell->setFrame(rect);
        if (cell->superview() != this) insertSubviewAtIndex(cell.get(), 0);
        if (separatorStyle_ == kSeparatorSingleLine && separatorColour_) {
            Ref<UIView> line = makeRef<UIView>(CGRect {0, rect.origin.y + rect.size.height - 1, rect.size.width, 1});
            line->setBackgroundColor(separatorColour_);
            line->setUserInteractionEnabled(false);
            addSubview(line.get());
            decorations_.push_back(line);
        }
    }
    for (int s = 0; s < numberOfSections(); ++s) {
        const CGRect header = rectForHeaderInSection(s);
        if (header.size.height <= 0 || !CGRectIntersectsRect(header, view)) continue;
        Ref<UIView> headerView(new HeaderView(header, headerColour_, sections_[static_cast<size_t>(s)].title.value_or("")));
        addSubview(headerView.get());
        decorations_.push_back(headerView);
    }
    laying_ = false;
}

void UITableView::selectRowAtIndexPath(std::optional<NSIndexPath> path, bool animated)
{
    if (selected_) {
        if (UITableViewCell* cell = cellForRowAtIndexPath(*selected_)) cell->setSelected(false, animated);
    }
    selected_ = path;
    if (selected_) {
        if (UITableViewCell* cell = cellForRowAtIndexPath(*selected_)) cell->setSelected(true, animated);
    }
}

void UITableView::deselectRowAtIndexPath(NSIndexPath path, bool animated)
{
    if (selected_ && *selected_ == path) selectRowAtIndexPath(std::nullopt, animated);
}

void UITableView::scrollToRowAtIndexPath(NSIndexPath path, ScrollPosition position, bool animated)
{
    const CGRect row = rectForRowAtIndexPath(path);
    const CGRect view = bounds();
    float y = view.origin.y;
    switch (position) {
    case kScrollTop: y = row.origin.y; break;
    case kScrollMiddle: y = row.origin.y + row.size.height / 2 - view.size.height / 2; break;
    case kScrollBottom: y = row.origin.y + row.size.height - view.size.height; break;
    case kScrollNone:
        if (row.origin.y < view.origin.y) y = row.origin.y;
        else if (row.origin.y + row.size.height > view.origin.y + view.size.height) {
            y = row.origin.y + row.size.height - view.size.height;
        }
        break;
    }
    setContentOffset({view.origin.x, std::clamp(y, 0.0f, maximumOffset().y)});
}

void UITableView::tapped(CGPoint point)
{
    const std::optional<NSIndexPath> hit = indexPathForRowAtPoint(point);
    if (!hit) return;
    Ref<UITableView> hold(this);
    std::optional<NSIndexPath> chosen = delegate_ ? delegate_->willSelectRowAtIndexPath(*this, *hit) : hit;
    if (!chosen) return;
    selectRowAtIndexPath(chosen, false);
    if (delegate_) delegate_->didSelectRowAtIndexPath(*this, *chosen);
}

} // namespace mw
