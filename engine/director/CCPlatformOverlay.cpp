#include "engine/director/CCPlatformOverlay.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "engine/director/CCDirector.h"
#include "engine/labels/CCLabelTTF.h"
#include "engine/nodes/CCLayerColor.h"
#include "engine/touch/CCTouchDispatcher.h"

namespace mw {

namespace {

constexpr const char* kFont = "HelveticaNeue";
constexpr const char* kBoldFont = "HelveticaNeue-Bold";

// One friendly palette for everything the platform shows: warm paper,
// brown ink, a green for what the player can press.
constexpr ccColor4B kDim{0, 0, 0, 110};
constexpr ccColor4B kPaper{252, 247, 235, 250};
constexpr ccColor4B kEdge{122, 88, 56, 255};
constexpr ccColor4B kRule{214, 200, 176, 255};
constexpr ccColor4B kFieldEdge{160, 140, 118, 255};
constexpr ccColor4B kField{255, 255, 255, 255};
constexpr ccColor3B kInk{70, 45, 25};
constexpr ccColor3B kSoftInk{105, 80, 60};
constexpr ccColor3B kAction{36, 120, 64};
constexpr ccColor3B kWhite{255, 255, 255};

// Each helper adds its node to the parent, which owns it.
void box(CCNode& parent, ccColor4B color, CGRect rect)
{
    auto layer = CCLayerColor::layerWithColor(color, rect.size.width, rect.size.height);
    layer->setPosition(rect.origin);
    parent.addChild(layer.get());
}

// A label whose left, centre or right edge sits at x and whose centre line sits at y.
CCLabelTTF* text(CCNode& parent, const std::string& string, const char* font, float size, ccColor3B color,
                     float x, float y, float anchorX = 0.5f)
{
    auto label = CCLabelTTF::labelWithString(string, font, size);
    label->setColor(color);
    label->setAnchorPoint({anchorX, 0.5f});
    label->setPosition({x, y});
    parent.addChild(label.get());
    return label.get();
}

// A wrapped block of text inside `width`; answers its height.
float paragraph(CCNode& parent, const std::string& string, const char* font, float size, ccColor3B color,
                float centreX, float top, float width)
{
    if (string.empty()) return 0;
    // Measure it unwrapped first, then allow for each forced and wrapped line.
    auto probe = CCLabelTTF::labelWithString(string, font, size);
    const int breaks = static_cast<int>(std::count(string.begin(), string.end(), '\n'));
    const int lines = std::max(1, static_cast<int>(std::ceil(probe->contentSize().width / (width * 0.92f)))) + breaks;
    const float height = std::ceil(lines * size * 1.25f);
    auto label = CCLabelTTF::labelWithString(string, CGSize{width, height}, UITextAlignmentCenter, font, size);
    label->setColor(color);
    label->setAnchorPoint({0.5f, 1});
    label->setPosition({centreX, top});
    parent.addChild(label.get());
    return height;
}

} // namespace

// The node the director draws above the scene; it swallows every touch while
// something modal is shown and hands button presses back.
class CCPlatformOverlay::Layer : public CCLayer {
public:
    explicit Layer(CCPlatformOverlay& owner) : owner_(owner) {}
    void registerWithTouchDispatcher() override
    {
        // Ahead of every menu and layer of the game: the dispatcher offers
        // touches from the highest priority down, unless told to reverse.
        CCTouchDispatcher* dispatcher = CCTouchDispatcher::sharedDispatcher();
        dispatcher->addTargetedDelegate(this, dispatcher->reversePriority() ? INT_MIN + 1 : INT_MAX - 1, true);
    }
    bool ccTouchBegan(UITouch*, const UIEvent&) override { return owner_.isModal(); }
    void ccTouchEnded(UITouch* touch, const UIEvent&) override { owner_.press(convertTouchToNodeSpace(touch)); }
    int32_t targetedTouchCallbacks() const override { return kCCTouchBeganBit | kCCTouchEndedBit; }
    void update(float dt) override
    {
        // Spinners turn one spoke every twelfth of a second.
        elapsed_ += dt;
        const float angle = std::floor(elapsed_ * 12.0f) * 30.0f;
        for (CCNode* spinner : spinners) spinner->setRotation(std::fmod(angle, 360.0f));
    }
    std::vector<CCNode*> spinners; // children of this layer, rebuilt with it

private:
    CCPlatformOverlay& owner_;
    float elapsed_ = 0;
};

CCPlatformOverlay::CCPlatformOverlay() : layer_(makeRef<Layer>(*this)) {}

CCPlatformOverlay::~CCPlatformOverlay() { uninstall(); }

void CCPlatformOverlay::install(CCDirector& director)
{
    if (director_) return;
    director_ = &director;
    layer_->setContentSize(director.winSize());
    director.setNotificationNode(layer_.get());
    layer_->setIsTouchEnabled(true);
    layer_->onEnter();
    layer_->scheduleUpdate();
    AlertViewPresenter::setSharedPresenter(this);
    RootView::setSharedRootView(this);
}

void CCPlatformOverlay::uninstall()
{
    if (!director_) return;
    AlertViewPresenter::setSharedPresenter(nullptr);
    RootView::setSharedRootView(nullptr);
    layer_->unscheduleUpdate();
    layer_->onExit();
    layer_->removeAllChildrenWithCleanup(true);
    if (director_->notificationNode() == layer_.get()) director_->setNotificationNode(nullptr);
    director_ = nullptr;
}

bool CCPlatformOverlay::isModal() const { return !visibleAlerts().empty() || !modalScreens().empty(); }

void CCPlatformOverlay::press(CGPoint point)
{
    // The front alert answers first, then the front screen; nothing else
    // may be pressed while they are up.
    for (auto button = buttons_.rbegin(); button != buttons_.rend(); ++button) {
        if (!CGRectContainsPoint(button->area, point)) continue;
        Button hit = *button;
        if (hit.alert) hit.alert->dismissWithClickedButtonIndex(hit.index);
        else if (hit.screen) hit.screen->dismiss();
        return;
    }
}

void CCPlatformOverlay::rebuild()
{
    if (!director_) return;
    layer_->removeAllChildrenWithCleanup(true);
    layer_->spinners.clear();
    buttons_.clear();
    const CGSize window = director_->winSize();
    layer_->setContentSize(window);
    for (const auto& screen : modalScreens()) buildScreen(*screen, window);
    for (const auto& spinner : spinners())
        if (spinner->isAnimating()) buildSpinner(*spinner, window);
    // Only the front alert takes presses; the others wait dimmed behind it.
    const auto& alerts = visibleAlerts();
    for (size_t i = 0; i < alerts.size(); ++i) buildAlert(*alerts[i], window, i + 1 == alerts.size());
}

void CCPlatformOverlay::buildSpinner(ActivityIndicatorView& spinner, CGSize window)
{
    auto wheel = CCNode::node();
    const float side = spinner.side();
    wheel->setPosition({spinner.center.x, window.height - spinner.center.y});
    const ccColor4B tint =
        spinner.style == ActivityIndicatorView::kGray ? ccColor4B{118, 118, 118, 255} : ccColor4B{255, 255, 255, 255};
    const float spokeWidth = std::max(2.0f, side * 0.09f);
    const float spokeLength = side * 0.27f;
    for (int i = 0; i < 12; ++i) {
        auto arm = CCNode::node();
        arm->setRotation(i * 30.0f);
        ccColor4B color = tint;
        // The leading spoke is darkest; the trail fades behind it.
        color.a = static_cast<uint8_t>(255 - (11 - i) * 17);
        box(*arm, color, {{-spokeWidth / 2, side * 0.23f}, {spokeWidth, spokeLength}});
        wheel->addChild(arm.get());
    }
    layer_->addChild(wheel.get());
    layer_->spinners.push_back(wheel.get());
}

void CCPlatformOverlay::buildScreen(ModalScreen& screen, CGSize window)
{
    box(*layer_, {244, 238, 222, 255}, {{0, 0}, window});
    const float bar = 44;
    box(*layer_, kEdge, {{0, window.height - bar}, {window.width, bar}});
    text(*layer_, screen.title, kBoldFont, 19, kWhite, window.width / 2, window.height - bar / 2);
    CCLabelTTF* done = text(*layer_, "Done", kBoldFont, 16, kWhite, window.width - 12, window.height - bar / 2, 1);
    const float doneWidth = done->contentSize().width + 24;
    buttons_.push_back({{{window.width - doneWidth, window.height - bar}, {doneWidth, bar}}, nullptr,
                        Ref<ModalScreen>(&screen), 0});
    float y = window.height - bar;
    const float row = 44;
    if (screen.rows.empty()) {
        text(*layer_, screen.emptyText, kFont, 15, kSoftInk, window.width / 2, y - row);
        return;
    }
    for (const auto& [label, value] : screen.rows) {
        if (y - row < 0) break;
        box(*layer_, {255, 252, 244, 255}, {{0, y - row + 1}, {window.width, row - 1}});
        box(*layer_, kRule, {{0, y - row}, {window.width, 1}});
        text(*layer_, label, kFont, 15, kInk, 14, y - row / 2, 0);
        text(*layer_, value, kBoldFont, 15, kAction, window.width - 14, y - row / 2, 1);
        y -= row;
    }
}

void CCPlatformOverlay::buildAlert(AlertView& alert, CGSize window, bool front)
{
    box(*layer_, kDim, {{0, 0}, window});
    const float width = std::min(270.0f, window.width - 40);
    const float pad = 16;
    const float buttonHeight = 44;
    const bool sideBySide = alert.buttonTitles.size() == 2;
    const size_t buttonRows = sideBySide ? 1 : alert.buttonTitles.size();

    // Lay out in a node first to learn the height, top down from 0.
    auto content = CCNode::node();
    float y = -pad;
    if (!alert.title.empty()) y -= paragraph(*content, alert.title, kBoldFont, 17, kInk, width / 2, y, width - 2 * pad) + 6;
    y -= paragraph(*content, alert.message, kFont, 14, kSoftInk, width / 2, y, width - 2 * pad);
    if (alert.hasTextField) {
        y -= 10;
        const float field = 30;
        box(*content, kFieldEdge, {{pad, y - field}, {width - 2 * pad, field}});
        box(*content, kField, {{pad + 1, y - field + 1}, {width - 2 * pad - 2, field - 2}});
        CCLabelTTF* typed = text(*content, alert.text, kFont, 15, kInk, pad + 7, y - field / 2, 0);
        if (front) {
            // The caret after the text shows where typing goes.
            const float caretX = pad + 7 + (alert.text.empty() ? 0 : typed->contentSize().width) + 1;
            box(*content, {36, 120, 64, 255}, {{caretX, y - field + 6}, {2, field - 12}});
        }
        y -= field;
    }
    y -= pad;
    const float height = -y + buttonRows * buttonHeight;

    const CGPoint origin{std::round((window.width - width) / 2), std::round((window.height - height) / 2)};
    box(*layer_, kEdge, {{origin.x - 2, origin.y - 2}, {width + 4, height + 4}});
    box(*layer_, kPaper, {origin, {width, height}});
    content->setPosition({origin.x, origin.y + height});
    layer_->addChild(content.get());

    // Buttons along the bottom: two side by side, otherwise stacked; the
    // last is the one the alert proposes, in bold.
    const size_t count = alert.buttonTitles.size();
    for (size_t i = 0; i < count; ++i) {
        CGRect area;
        if (sideBySide) {
            area = {{origin.x + i * width / 2, origin.y}, {width / 2, buttonHeight}};
        } else {
            area = {{origin.x, origin.y + (count - 1 - i) * buttonHeight}, {width, buttonHeight}};
        }
        box(*layer_, kRule, {{area.origin.x, area.origin.y + buttonHeight - 1}, {area.size.width, 1}});
        if (sideBySide && i == 1) box(*layer_, kRule, {{area.origin.x, area.origin.y}, {1, buttonHeight}});
        const bool proposed = i + 1 == count && count > 1;
        (void)text(*layer_, alert.buttonTitles[i], proposed ? kBoldFont : kFont, 16, kAction,
             area.origin.x + area.size.width / 2, area.origin.y + buttonHeight / 2);
        if (front) buttons_.push_back({area, Ref<AlertView>(&alert), nullptr, static_cast<int>(i)});
    }
}

} // namespace mw
