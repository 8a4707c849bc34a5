#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "engine/menus/CCMenu.h"
#include "engine/menus/CCMenuItem.h"
#include "foundation/Notification.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Utf16.h"
#include "platform/Image.h"
#include "social/ui/UIControls.h"
#include "social/ui/UIDrawContext.h"
#include "social/ui/UITableView.h"
#include "social/ui/UITextField.h"
#include "social/ui/UIViewController.h"
#include "tests/social/ui/SocialUiFixture.h"

namespace mw::test {
namespace {

class ViewLayerTest : public SocialUiTest {
protected:
    void SetUp() override
    {
        SocialUiTest::SetUp();
        start("phone");
    }
};

TEST_F(ViewLayerTest, HitTestingTable)
{
    // root (whole screen) holds: a moved view, a scaled one, a turned one
    // (as orientation 2 turns), and views that never take touches.
    Ref<UIView> root = makeRef<UIView>(window_->bounds());
    window_->addSubview(root.get());
    auto add = [&](CGRect frame, int tag) {
        Ref<UIView> view = makeRef<UIView>(frame);
        view->setTag(tag);
        root->addSubview(view.get());
        return view;
    };
    Ref<UIView> moved = add({10, 10, 50, 50}, 1);
    moved->setCenter({135, 35}); // now at (110, 10)
    Ref<UIView> scaled = add({0, 100, 100, 100}, 2);
    scaled->setTransform(CGAffineTransformMakeScale(0.2f, 0.2f)); // (40, 140) to (60, 160)
    Ref<UIView> turned = add({200, 100, 100, 60}, 3);
    turned->setTransform(CGAffineTransformMakeRotation(static_cast<float>(M_PI)));
    Ref<UIView> inner = makeRef<UIView>(CGRect {0, 0, 20, 20}); // the turned view's top-left corner
    inner->setTag(31);
    turned->addSubview(inner.get());
    Ref<UIView> hidden = add({0, 300, 50, 50}, 4);
    hidden->setHidden(true);
    Ref<UIView> clear = add({60, 300, 50, 50}, 5);
    clear->setAlpha(0);
    Ref<UIView> deaf = add({120, 300, 50, 50}, 6);
    deaf->setUserInteractionEnabled(false);
    Ref<UIView> small = add({200, 300, 50, 50}, 7);
    Ref<UIView> outside = makeRef<UIView>(CGRect {60, 0, 30, 30}); // beyond its parent's right edge
    outside->setTag(71);
    small->addSubview(outside.get());

    struct Row {
        CGPoint point;
        int tag; // 0: the root
    };
    const Row rows[] = {
        {{115, 15}, 1},  {{15, 15}, 0},  {{50, 150}, 2},  {{10, 110}, 0}, {{295, 155}, 31},
        {{205, 105}, 3}, {{25, 325}, 0}, {{85, 325}, 0},  {{145, 325}, 0}, {{270, 310}, 0},
        {{210, 310}, 7},
    };
    for (const Row& row : rows) {
        UIView* hit = window_->hitTest(row.point);
        ASSERT_NE(hit, nullptr) << row.point.x << "," << row.point.y;
        EXPECT_EQ(hit == root.get() ? 0 : hit->tag(), row.tag) << row.point.x << "," << row.point.y;
    }
    // Conversions agree with the hit test.
    const CGPoint inInner = inner->convertPointFromView({295, 155}, nullptr);
    EXPECT_NEAR(inInner.x, 5, 1e-3);
    EXPECT_NEAR(inInner.y, 5, 1e-3);
    const CGRect back = inner->convertRectToView(inner->bounds(), root.get());
    EXPECT_NEAR(back.origin.x, 280, 1e-3);
    EXPECT_NEAR(back.origin.y, 140, 1e-3);
}

// A view that takes touches only on its children: the transparent rest of
// it lets touches through to the game.
class ChildrenOnly : public UIView {
public:
    using UIView::UIView;
    bool pointInside(CGPoint point) const override
    {
        for (const Ref<UIView>& child : subviews()) {
            if (!child->isHidden() && CGRectContainsPoint(child->frame(), point)) return true;
        }
        return false;
    }
};

TEST_F(ViewLayerTest, TouchesNoViewTakesReachTheGame)
{
    int presses = 0;
    Ref<CCMenuItem> item = CCMenuItem::itemWithCallback([&](CCMenuItem*) { ++presses; });
    item->setContentSize({320, 480});
    Ref<CCMenu> menu = CCMenu::menuWithItems({item.get()});
    scene_->addChild(menu.get());
    driver_->runFrames(1);

    Ref<ChildrenOnly> container = makeRef<ChildrenOnly>(window_->bounds());
    window_->addSubview(container.get());
    Ref<UIButton> button = makeRef<UIButton>(CGRect {20, 400, 100, 40});
    int taps = 0;
    button->setTouchUpInside([&](UIButton&) { ++taps; });
    container->addSubview(button.get());

    Ref<UITouch> through = driver_->touchDown({200, 100});
    driver_->touchUp(through.get());
    EXPECT_EQ(presses, 1);
    EXPECT_EQ(taps, 0);
    Ref<UITouch> onButton = driver_->touchDown({50, 420});
    EXPECT_TRUE(button->isHighlighted());
    driver_->touchUp(onButton.get());
    EXPECT_EQ(taps, 1);
    EXPECT_EQ(presses, 1);
}

TEST_F(ViewLayerTest, NamedAnimations)
{
    Ref<UIView> view = makeRef<UIView>(CGRect {0, 0, 100, 100});
    window_->addSubview(view.get());
    std::vector<std::pair<std::string, bool>> stops;
    auto record = [&](const std::string& name, bool finished) { stops.emplace_back(name, finished); };

    UIView::beginAnimations("slide");
    UIView::setAnimationDuration(0.4);
    UIView::setAnimationCurve(UIView::kCurveLinear);
    UIView::setAnimationDidStop(record);
    view->setCenter({250, 50});
    UIView::commitAnimations();
    EXPECT_EQ(view->center().x, 250) << "the model changes at once";
    EXPECT_NEAR(view->presentationCenter().x, 50, 0.01);
    runSeconds(0.2);
    EXPECT_NEAR(view->presentationCenter().x, 150, 0.5);
    runSeconds(0.2);
    EXPECT_NEAR(view->presentationCenter().x, 250, 0.01);
    EXPECT_EQ(stops, (std::vector<std::pair<std::string, bool>> {{"slide", true}}));

    // A second animation from the current state midway: the first stops
    // unfinished and the view goes on from where it was.
    stops.clear();
    UIView::beginAnimations("there");
    UIView::setAnimationDuration(0.4);
    UIView::setAnimationCurve(UIView::kCurveLinear);
    UIView::setAnimationDidStop(record);
    view->setCenter({50, 50});
    UIView::commitAnimations();
    runSeconds(0.2);
    const float midway = view->presentationCenter().x;
    EXPECT_NEAR(midway, 150, 0.5);
    UIView::beginAnimations("back");
    UIView::setAnimationBeginsFromCurrentState(true);
    UIView::setAnimationDidStop(record);
    view->setCenter({250, 50});
    UIView::commitAnimations();
    EXPECT_EQ(stops, (std::vector<std::pair<std::string, bool>> {{"there", false}}));
    EXPECT_NEAR(view->presentationCenter().x, midway, 0.01);
    runSeconds(0.1);
    EXPECT_GT(view->presentationCenter().x, midway);
    runSeconds(0.1); // the default 0.2 s
    EXPECT_NEAR(view->presentationCenter().x, 250, 0.01);
    EXPECT_EQ(stops.back(), (std::pair<std::string, bool> {"back", true}));

    // A view whose moves were ended by a change outside the block, and that
    // is then let go, leaves the animation, which still ends and tells.
    stops.clear();
    Ref<UIView> gone = makeRef<UIView>(CGRect {0, 0, 10, 10});
    window_->addSubview(gone.get());
    UIView::beginAnimations("gone");
    UIView::setAnimationDidStop(record);
    gone->setCenter({300, 300});
    view->setCenter({50, 50});
    UIView::commitAnimations();
    gone->setCenter({200, 200});
    runSeconds(0.05);
    gone->removeFromSuperview();
    gone = nullptr;
    runSeconds(0.3);
    EXPECT_EQ(stops, (std::vector<std::pair<std::string, bool>> {{"gone", true}}));
    EXPECT_NEAR(view->presentationCenter().x, 50, 0.01);

    // Switched off, changes apply at once.
    UIView::setAnimationsEnabled(false);
    UIView::beginAnimations("off");
    view->setAlpha(0.3f);
    UIView::commitAnimations();
    EXPECT_FLOAT_EQ(view->presentationAlpha(), 0.3f);
    UIView::setAnimationsEnabled(true);
}

// A view's background colour is filled only where no child paints over it
// (a full-screen controller would otherwise fill the screen twice a frame),
// so what shows must be exactly what showed when every fill was drawn: the
// child where it is, the parent's colour up to its edges with no seam of the
// game between them (at half-pixel edges too), the parent through a child's
// transparent pixels, and through a translucent parent's children.
class PictureWithAHole : public UIView {
public:
    using UIView::UIView;
    bool drawsContent() const override { return true; }
    void drawRect(UIDrawContext& context, CGRect) override
    {
        // Blue with a clear 20-point square left in its middle.
        context.setFillColor(FillColor {0, 0, 1, 1});
        const CGSize size = bounds().size;
        context.fillRect({0, 0, size.width, size.height / 2 - 10});
        context.fillRect({0, size.height / 2 + 10, size.width, size.height / 2 - 10});
        context.fillRect({0, 0, size.width / 2 - 10, size.height});
        context.fillRect({size.width / 2 + 10, 0, size.width / 2 - 10, size.height});
    }
};

TEST_F(ViewLayerTest, ABackgroundShowsOnlyWhereNoChildPaintsAndNeverLeavesASeam)
{
    const RGBA red {255, 0, 0, 255};
    const RGBA blue {0, 0, 255, 255};
    struct Row {
        const char* name;
        CGRect child;
        bool picture;     // the child paints a picture with a hole, not a colour
        float parentAlpha;
    };
    const Row rows[] = {
        {"a coloured child on whole points", {40, 40, 100, 80}, false, 1},
        {"a coloured child on half points", {40.5f, 39.5f, 100.5f, 80.5f}, false, 1},
        {"a picture with a hole", {40, 40, 100, 80}, true, 1},
        {"under a translucent parent", {40, 40, 100, 80}, false, 0.5f},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Ref<UIView> parent = makeRef<UIView>(CGRect {20, 30, 200, 160});
        parent->setBackgroundColor(FillColor {1, 0, 0, 1});
        parent->setAlpha(row.parentAlpha);
        Ref<UIView> child = makeRef<UIView>(row.child);
        if (row.picture) child = Ref<UIView>(makeRef<PictureWithAHole>(row.child).get());
        if (!row.picture) child->setBackgroundColor(FillColor {0, 0, 1, 1});
        parent->addSubview(child.get());
        window_->addSubview(parent.get());
        driver_->runFrames(2);
        const CGRect c {row.child.origin.x + 20, row.child.origin.y + 30, row.child.size.width, row.child.size.height};
        const CGPoint middle {c.origin.x + c.size.width / 2, c.origin.y + c.size.height / 2};
        if (row.parentAlpha < 1) {
            // The child's half-seen blue over the parent's half-seen red:
            // the red is still there.
            EXPECT_GT(pixelAt(middle).r, 60);
        } else if (row.picture) {
            EXPECT_EQ(pixelAt(middle), red) << "the parent through the hole";
            EXPECT_EQ(pixelAt({middle.x, c.origin.y + 5}), blue);
        } else {
            EXPECT_EQ(pixelAt(middle), blue);
            // Every pixel across each edge is the parent's or the child's.
            for (float d = -3; d <= 3; d += 1) {
                for (const CGPoint p : {CGPoint {c.origin.x + d, middle.y}, CGPoint {c.origin.x + c.size.width + d, middle.y},
                                        CGPoint {middle.x, c.origin.y + d}, CGPoint {middle.x, c.origin.y + c.size.height + d}}) {
                    const RGBA seen = pixelAt(p);
                    EXPECT_TRUE(seen == red || seen == blue) << p.x << ", " << p.y;
                }
            }
            EXPECT_EQ(pixelAt({c.origin.x - 4, middle.y}), red);
            EXPECT_EQ(pixelAt({c.origin.x + c.size.width + 4, c.origin.y + c.size.height + 4}), red);
        }
        parent->removeFromSuperview();
    }
}

// A node of the game's scene that counts how often it is drawn.
class CountedNode : public CCNode {
public:
    void visit() override { ++visits; }
    int visits = 0;
};

// A view that fills the whole screen opaquely, shown whole and unturned,
// hides the game: the engine stops drawing the scene beneath (it still
// runs) and starts again as soon as anything of the game could show.
TEST_F(ViewLayerTest, AScreenFillingOpaqueViewStopsTheGameBeingDrawnBeneath)
{
    Ref<CountedNode> counter = makeRef<CountedNode>();
    scene_->addChild(counter.get());
    const CGSize screen = window_->bounds().size;
    struct Row {
        const char* name;
        CGRect frame;
        float alpha;
        bool turned;
        bool picture;
        bool covers;
    };
    const Row rows[] = {
        {"an opaque colour over the whole screen", {0, 0, screen.width, screen.height}, 1, false, false, true},
        {"larger than the screen", {-10, -10, screen.width + 20, screen.height + 20}, 1, false, false, true},
        {"a point short", {0, 0, screen.width, screen.height - 1}, 1, false, false, false},
        {"translucent", {0, 0, screen.width, screen.height}, 0.99f, false, false, false},
        {"turned", {0, 0, screen.width, screen.height}, 1, true, false, false},
        {"a picture with a hole", {0, 0, screen.width, screen.height}, 1, false, true, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Ref<UIView> view = row.picture ? Ref<UIView>(makeRef<PictureWithAHole>(row.frame).get())
                                       : makeRef<UIView>(row.frame);
        if (!row.picture) view->setBackgroundColor(FillColor {0, 0, 1, 1});
        view->setAlpha(row.alpha);
        if (row.turned) view->setTransform(CGAffineTransformMakeRotation(0.01f));
        window_->addSubview(view.get());
        driver_->runFrames(2);
        const int before = counter->visits;
        driver_->runFrames(3);
        EXPECT_EQ(driver_->director()->isSceneCovered(), row.covers);
        EXPECT_EQ(counter->visits - before, row.covers ? 0 : 3);
        view->removeFromSuperview();
        driver_->runFrames(1);
        EXPECT_FALSE(driver_->director()->isSceneCovered()) << "the game shows again";
    }
    // Taken down while covering, the window gives the screen back.
    Ref<UIView> cover = makeRef<UIView>(CGRect {0, 0, screen.width, screen.height});
    cover->setBackgroundColor(FillColor {0, 0, 1, 1});
    window_->addSubview(cover.get());
    driver_->runFrames(2);
    ASSERT_TRUE(driver_->director()->isSceneCovered());
    window_->uninstall();
    EXPECT_FALSE(driver_->director()->isSceneCovered());
}

TEST_F(ViewLayerTest, TextDrawingByPixels)
{
    auto inkBox = [](UIDrawContext& context) {
        const BitmapContext& bitmap = context.bitmap();
        int minX = bitmap.width(), maxX = -1, minY = bitmap.height(), maxY = -1;
        for (int y = 0; y < bitmap.height(); ++y) {
            for (int x = 0; x < bitmap.width(); ++x) {
                if (bitmap.pixels()[(static_cast<size_t>(y) * bitmap.width() + x) * 4 + 3] > 60) {
                    minX = std::min(minX, x);
                    maxX = std::max(maxX, x);
                    minY = std::min(minY, y);
                    maxY = std::max(maxY, y);
                }
            }
        }
        return CGRect {float(minX), float(minY), float(maxX - minX + 1), float(maxY - minY + 1)};
    };
    Ref<UIFont> font = boldSystemFontOfSize(16);
    ASSERT_TRUE(font);
    // The three alignments.
    std::vector<float> lefts;
    for (UITextAlignment alignment : {UITextAlignmentLeft, UITextAlignmentCenter, UITextAlignmentRight}) {
        auto context = UIDrawContext::create({200, 30}, 1);
        context->setFillColor({0, 0, 0, 1});
        context->drawTextInRect("Moss", {0, 0, 200, 30}, font.get(), UILineBreakModeTailTruncation, alignment);
        const CGRect box = inkBox(*context);
        lefts.push_back(box.origin.x);
        if (alignment == UITextAlignmentCenter) {
            EXPECT_NEAR(box.origin.x + box.size.width / 2, 100, 2);
        }
        if (alignment == UITextAlignmentRight) {
            EXPECT_NEAR(box.origin.x + box.size.width, 200, 3);
        }
    }
    EXPECT_LT(lefts[0], 3);
    // Word wrap: six words, two to a line.
    const float twoWords = UIDrawContext::measure("pear pear", font.get()).width + 1;
    auto wrapped = UIDrawContext::create({twoWords, 200}, 1);
    const CGSize used = wrapped->drawTextInRect("pear pear pear pear pear pear", {0, 0, twoWords, 200}, font.get());
    const float line = UIDrawContext::measure("Ag", font.get()).height;
    EXPECT_NEAR(used.height / line, 3, 0.01);
    // Tail truncation stays inside the width.
    auto cut = UIDrawContext::create({60, 30}, 1);
    cut->setFillColor({0, 0, 0, 1});
    cut->drawTextInRect("a very long harvest", {0, 0, 60, 30}, font.get(), UILineBreakModeTailTruncation);
    EXPECT_LE(inkBox(*cut).origin.x + inkBox(*cut).size.width, 60);
    // Shrinking: down to the minimum and no further.
    auto shrink = UIDrawContext::create({300, 40}, 1);
    EXPECT_LT(shrink->drawTextAtPointForWidth("Mosswick market", {0, 0}, 100, font.get(), 8), 16);
    EXPECT_EQ(shrink->drawTextAtPointForWidth("Mosswick market day in the square", {0, 0}, 40, font.get(), 12), 12);
    EXPECT_EQ(shrink->drawTextAtPointForWidth("ok", {0, 0}, 100, font.get(), 8), 16);
    // A label sized to fit its text.
    Ref<UILabel> label = makeRef<UILabel>(CGRect {0, 0, 10, 10});
    label->setFont(font);
    label->setText("Harvest");
    label->sizeToFit();
    EXPECT_NEAR(label->bounds().size.width, std::ceil(UIDrawContext::measure("Harvest", font.get()).width), 0.01);
    EXPECT_NEAR(label->bounds().size.height, std::ceil(line), 0.01);
}

TEST_F(ViewLayerTest, PicturesAtTheirOwnSizeLandPixelForPixel)
{
    // Opaque red, half-transparent white, transparent: over opaque blue.
    Ref<Image> picture =
        Image::fromRGBA({255, 0, 0, 255, 255, 255, 255, 128, 10, 20, 30, 0}, 3, 1, ImageAlphaInfo::Last);
    ASSERT_TRUE(picture);
    using Pixel = std::array<int, 4>;
    const Pixel blue {0, 0, 255, 255}, red {255, 0, 0, 255}, half {128, 128, 255, 255};
    struct Row {
        float scale;
        float x; // points
        std::vector<Pixel> expected; // the first pixels of the top row
    };
    const Row rows[] = {
        {1, 1, {blue, red, half, blue, blue}},
        {1, -1, {half, blue, blue, blue, blue}},
        {1, 3, {blue, blue, blue, red, half}},
        {2, 1, {blue, blue, red, half, blue, blue}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "scale " << row.scale << " at " << row.x);
        auto context = UIDrawContext::create({5, 1}, row.scale);
        ASSERT_TRUE(context);
        context->setFillColor({0, 0, 1, 1});
        context->fillRect({0, 0, 5, 1});
        context->drawImage(*picture, {row.x, 0, 3 / row.scale, 1 / row.scale});
        const std::vector<uint8_t>& pixels = context->bitmap().pixels();
        for (size_t x = 0; x < row.expected.size(); ++x) {
            const Pixel got {pixels[x * 4], pixels[x * 4 + 1], pixels[x * 4 + 2], pixels[x * 4 + 3]};
            EXPECT_EQ(got, row.expected[x]) << "pixel " << x;
        }
    }
}

// Paints a red band across the top of its bounds (none for a height of 0)
// and counts its paintings.
class TopBand : public UIView {
public:
    TopBand(CGRect frame, float band) : UIView(frame), band_(band) {}
    bool drawsContent() const override { return true; }
    void drawRect(UIDrawContext& context, CGRect rect) override
    {
        ++paintings;
        if (band_ <= 0) return;
        context.setFillColor({1, 0, 0, 1});
        context.fillRect({0, 0, rect.size.width, band_});
    }
    int paintings = 0;

private:
    float band_;
};

TEST_F(ViewLayerTest, APictureClearBelowItsInkShowsWhatIsBeneathAndIsPaintedOnce)
{
    // Over a blue view: a band with clear space below it, and a view with
    // nothing painted at all.
    Ref<UIView> beneath = makeRef<UIView>(window_->bounds());
    beneath->setBackgroundColor(FillColor {0, 0, 1, 1});
    window_->addSubview(beneath.get());
    Ref<TopBand> band = makeRef<TopBand>(CGRect {20, 40, 100, 200}, 30);
    Ref<TopBand> clear = makeRef<TopBand>(CGRect {150, 40, 100, 200}, 0);
    window_->addSubview(band.get());
    window_->addSubview(clear.get());
    runSeconds(0.1);
    const RGBA red {255, 0, 0, 255}, blue {0, 0, 255, 255};
    EXPECT_EQ(pixelAt({70, 45}), red);
    EXPECT_EQ(pixelAt({70, 68}), red) << "the band's last rows";
    EXPECT_EQ(pixelAt({70, 72}), blue);
    EXPECT_EQ(pixelAt({70, 230}), blue);
    EXPECT_EQ(pixelAt({200, 100}), blue);
    EXPECT_EQ(band->paintings, 1);
    EXPECT_EQ(clear->paintings, 1) << "a picture with nothing in it is not painted again every frame";
    // Moved by half a point, the band's edge is what it was.
    band->setFrame({20.5f, 40.5f, 100, 200});
    runSeconds(0.1);
    EXPECT_EQ(pixelAt({70, 72}), blue);
    EXPECT_EQ(pixelAt({70, 60}), red);
}

// 3 sections, 40 rows of mixed heights.
class Rows : public UITableViewDataSource, public UITableViewDelegate {
public:
    int numberOfSectionsInTableView(UITableView&) override { return 3; }
    int numberOfRowsInSection(UITableView&, int section) override { return section == 0 ? 10 : 15; }
    std::optional<std::string> titleForHeaderInSection(UITableView&, int section) override
    {
        return "Section " + std::to_string(section);
    }
    Ref<UITableViewCell> cellForRowAtIndexPath(UITableView& table, NSIndexPath path) override
    {
        const std::string id = path.row % 2 ? "odd" : "even";
        Ref<UITableViewCell> cell = table.dequeueReusableCellWithIdentifier(id);
        if (!cell) {
            cell = makeRef<UITableViewCell>(id);
            ++made[id];
        }
        return cell;
    }
    float heightForRowAtIndexPath(UITableView&, NSIndexPath path) override { return path.row % 3 == 0 ? 60 : 40; }
    std::optional<NSIndexPath> willSelectRowAtIndexPath(UITableView&, NSIndexPath path) override
    {
        calls.push_back("will " + std::to_string(path.section) + "." + std::to_string(path.row));
        return path;
    }
    void didSelectRowAtIndexPath(UITableView&, NSIndexPath path) override
    {
        calls.push_back("did " + std::to_string(path.section) + "." + std::to_string(path.row));
    }
    void scrollViewWillBeginDragging(UIScrollView&) override { calls.push_back("begin drag"); }
    void scrollViewDidEndDragging(UIScrollView&, bool decelerate) override
    {
        calls.push_back(decelerate ? "end drag, decelerating" : "end drag");
    }
    void scrollViewDidEndDecelerating(UIScrollView&) override { calls.push_back("end deceleration"); }
    std::map<std::string, int> made;
    std::vector<std::string> calls;
};

TEST_F(ViewLayerTest, TableViewOfThreeSections)
{
    Rows rows;
    Ref<UITableView> table = makeRef<UITableView>(CGRect {0, 0, 320, 320});
    table->setSectionHeaderHeight(24);
    table->setSectionHeaderColour(FillColor {0.3f, 0.4f, 0.2f, 1});
    table->setSeparatorColour(FillColor {1, 0, 0, 1});
    table->setDataSource(&rows);
    table->setDelegate(&rows);
    window_->addSubview(table.get());
    table->reloadData();
    // Section 0: 24 header + 4 x 60 + 6 x 40 = 504.
    EXPECT_FLOAT_EQ(table->rectForHeaderInSection(1).origin.y, 504);
    EXPECT_FLOAT_EQ(table->rectForRowAtIndexPath({1, 0}).origin.y, 528);
    EXPECT_FLOAT_EQ(table->contentHeight(), 504 + 2 * (24 + 5 * 60 + 10 * 40));
    const size_t visible = table->indexPathsForVisibleRows().size();
    EXPECT_LE(table->visibleCells().size(), visible + 2);
    driver_->runFrames(1);
    EXPECT_EQ(pixelAt({160, 12}), (RGBA {77, 102, 51, 255})) << "header colour";
    EXPECT_EQ(pixelAt({160, 23 + 60}), (RGBA {255, 0, 0, 255})) << "separator under row 0.0";

    // Reuse: scrolling through everything makes only what is on screen.
    for (float y = 0; y <= table->maximumOffset().y; y += 37) table->setContentOffset({0, y});
    EXPECT_LE(rows.made["odd"] + rows.made["even"], static_cast<int>(visible) + 4);

    // Scrolling a row into view, and the offset kept.
    table->setContentOffset({0, 0});
    table->scrollToRowAtIndexPath({2, 7}, UITableView::kScrollNone, false);
    const CGRect row = table->rectForRowAtIndexPath({2, 7});
    EXPECT_FLOAT_EQ(table->contentOffset().y + 320, row.origin.y + row.size.height);
    const CGPoint kept = table->contentOffset();
    table->reloadData();
    EXPECT_EQ(table->contentOffset().y, kept.y);

    // Selection by a tap, then deselection.
    table->setContentOffset({0, 0});
    Ref<UITouch> tap = driver_->touchDown({100, 24 + 70});
    driver_->touchUp(tap.get());
    EXPECT_EQ(rows.calls, (std::vector<std::string> {"will 0.1", "did 0.1"}));
    ASSERT_TRUE(table->indexPathForSelectedRow());
    EXPECT_TRUE(table->cellForRowAtIndexPath({0, 1})->isSelected());
    table->deselectRowAtIndexPath({0, 1}, false);
    EXPECT_FALSE(table->indexPathForSelectedRow());

    // A slow drag, then a fling.
    rows.calls.clear();
    Ref<UITouch> drag = driver_->touchDown({100, 300});
    for (int i = 1; i <= 10; ++i) {
        driver_->runFrames(6);
        driver_->touchMove(drag.get(), {100, 300 - i * 10.0f});
    }
    driver_->runFrames(30);
    driver_->touchUp(drag.get());
    EXPECT_EQ(rows.calls, (std::vector<std::string> {"begin drag", "end drag"}));
    EXPECT_NEAR(table->contentOffset().y, 100, 1);
    rows.calls.clear();
    Ref<UITouch> fling = driver_->touchDown({100, 300});
    for (int i = 1; i <= 5; ++i) {
        driver_->runFrames(1);
        driver_->touchMove(fling.get(), {100, 300 - i * 20.0f});
    }
    driver_->touchUp(fling.get());
    runSeconds(3);
    EXPECT_EQ(rows.calls, (std::vector<std::string> {"begin drag", "end drag, decelerating", "end deceleration"}));
    EXPECT_GT(table->contentOffset().y, 200);
}

struct FieldCalls : UITextFieldDelegate {
    bool textFieldShouldReturn(UITextField& field) override
    {
        calls.push_back("return");
        field.resignFirstResponder();
        return true;
    }
    void textFieldDidBeginEditing(UITextField&) override { calls.push_back("begin"); }
    void textFieldDidEndEditing(UITextField&) override { calls.push_back("end"); }
    bool textFieldShouldChangeCharacters(UITextField&, UTF16Range range, const std::string& text) override
    {
        calls.push_back("change " + std::to_string(range.location) + "+" + std::to_string(range.length) + " '" + text + "'");
        return true;
    }
    std::vector<std::string> calls;
};

// A scroll view draws its content only inside its frame: a scrolled-out
// row must not cover what stands above it (here the window's ground). Any
// other view lets its subviews stand out. Both nested in a moved and turned
// holder, as the pull tab's strips are.
TEST_F(ViewLayerTest, ScrollViewsClipTheirContentOtherViewsDoNot)
{
    struct Row {
        const char* name;
        bool scroll;
        bool redAbove;
    };
    const Row rows[] = {{"scroll view", true, false}, {"plain view", false, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Ref<UIView> holder = makeRef<UIView>(CGRect {0, 0, 320, 480});
        holder->setTransform(CGAffineTransformMakeTranslation(0, 20));
        window_->addSubview(holder.get());
        Ref<UIView> area = row.scroll ? Ref<UIView>(makeRef<UIScrollView>(CGRect {0, 100, 320, 100}))
                                      : makeRef<UIView>(CGRect {0, 100, 320, 100});
        Ref<UIView> content = makeRef<UIView>(CGRect {0, 0, 320, 200});
        content->setBackgroundColor(FillColor {1, 0, 0, 1});
        area->addSubview(content.get());
        holder->addSubview(area.get());
        if (auto* scroll = dynamic_cast<UIScrollView*>(area.get())) {
            scroll->setContentSize({320, 200});
            scroll->setContentOffset({0, 40});
        } else {
            content->setFrame({0, -40, 320, 200});
        }
        driver_->runFrames(1);
        EXPECT_EQ(pixelAt({160, 150}), (RGBA {255, 0, 0, 255})) << "inside";
        EXPECT_EQ(pixelAt({160, 100}) == (RGBA {255, 0, 0, 255}), row.redAbove) << "above the frame";
        EXPECT_EQ(pixelAt({160, 230}) == (RGBA {255, 0, 0, 255}), row.redAbove) << "below the frame";
        EXPECT_EQ(pixelAt({160, 300}) == (RGBA {255, 0, 0, 255}), false) << "beyond the content";
        holder->removeFromSuperview();
    }
}

TEST_F(ViewLayerTest, TextFieldTypingAndTheKeyboard)
{
    FieldCalls calls;
    Ref<UITextField> field = makeRef<UITextField>(CGRect {10, 40, 300, 30});
    field->setDelegate(&calls);
    window_->addSubview(field.get());
    Ref<UITouch> tap = driver_->touchDown({50, 50});
    driver_->touchUp(tap.get());
    ASSERT_TRUE(field->isEditing());
    ASSERT_NE(window_->keyboardPanel(), nullptr);
    EXPECT_EQ(window_->keyboardPanel()->superview(), window_.get());
    EXPECT_FLOAT_EQ(window_->keyboardPanel()->frame().size.height, 216);
    EXPECT_TRUE(window_->typeText("Zażółć"));
    EXPECT_TRUE(window_->typeText("\xF0\x9F\x8D\x8E")); // an apple: two UTF-16 units
    EXPECT_EQ(field->text(), "Zażółć\xF0\x9F\x8D\x8E");
    EXPECT_TRUE(window_->pressBackspace());
    EXPECT_EQ(field->text(), "Zażółć");
    field->setSecureTextEntry(true);
    EXPECT_EQ(field->displayedText(), "\u2022\u2022\u2022\u2022\u2022\u2022");
    EXPECT_TRUE(window_->pressReturn());
    EXPECT_FALSE(field->isEditing());
    EXPECT_EQ(window_->keyboardPanel()->superview(), nullptr);
    EXPECT_EQ(calls.calls, (std::vector<std::string> {"begin", "change 0+0 'Zażółć'", "change 6+0 '\xF0\x9F\x8D\x8E'",
                                                      "change 6+2 ''", "return", "end"}));
    EXPECT_FALSE(window_->typeText("x")) << "nothing takes typing now";
}

TEST_F(ViewLayerTest, ModalPresentationSlidesUp)
{
    Ref<UIViewControllerBase> base = makeRef<UIViewControllerBase>();
    window_->addSubview(base->view());
    Ref<UIViewControllerBase> shown = makeRef<UIViewControllerBase>();
    base->presentModalViewController(shown.get(), true);
    EXPECT_EQ(base->modalViewController(), shown.get());
    EXPECT_EQ(shown->view()->superview(), window_.get());
    EXPECT_NEAR(shown->view()->presentationCenter().y, 480 + 240, 0.01);
    runSeconds(0.25);
    EXPECT_NEAR(shown->view()->presentationCenter().y, 240, 0.01);
    base->dismissModalViewControllerAnimated(false);
    EXPECT_EQ(shown->view()->superview(), nullptr);
    EXPECT_EQ(base->modalViewController(), nullptr);
}

// A view that leaves the notification centre from its destructor, as the
// skinned views do.
class ObservingView : public UIView {
public:
    explicit ObservingView(CGRect frame) : UIView(frame)
    {
        NotificationCenter::defaultCenter().addObserver(this, "image loaded", nullptr,
                                                        [](const Notification&) {});
    }
    ~ObservingView() override { NotificationCenter::defaultCenter().removeObserver(this); }
};

// A view still animating when the process ends, held by nothing but its
// animation, never reaches a notification centre already destroyed: the
// animations are used before the centre (as a test's reset uses them), the
// order in which static storage would let the centre go first.
TEST(ViewLayerExitTest, AViewLeftAnimatingAtExitLeavesALiveNotificationCentre)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            (void)UIView::runningAnimationCount();
            {
                auto view = makeRef<ObservingView>(CGRect {0, 0, 10, 10});
                UIView::beginAnimations("left running");
                UIView::setAnimationDuration(60);
                view->setCenter({100, 100});
                UIView::commitAnimations();
            }
            std::exit(UIView::runningAnimationCount() == 1 ? 0 : 2);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
} // namespace mw::test
