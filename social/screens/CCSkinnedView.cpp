#include "social/screens/CCSkinnedView.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "foundation/Log.h"
#include "foundation/Notification.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Utf16.h"
#include "platform/AddressBook.h"
#include "platform/Application.h"
#include "social/data/CCDataStore.h"
#include "social/queues/CCFetchManager.h"
#include "social/screens/CCScreenSession.h"
#include "social/screens/CCSmallViews.h"
#include "social/services/CCTheming.h"
#include "social/queues/records/CCServerRecords.h"
#include "social/support/Reachability.h"
#include "social/ui/UIDrawContext.h"

namespace mw {

namespace {

constexpr const char* kBadgeImage = "images/global_components/badge.png";
constexpr float kNoMinimumSize = 1000; // "minsize" absent

std::vector<std::string> split(const std::string& text, const std::string& by)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        const size_t at = text.find(by, start);
        parts.push_back(text.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos) break;
        start = at + by.size();
    }
    return parts;
}

// A skin rectangle that can be drawn and hit: finite, not negative in size,
// and inside a generous bound, so a hostile skin cannot ask for vast canvases
// or text layouts. Others are skipped (a missing x or y is +infinity).
bool finiteRect(const CGRect& r)
{
    constexpr float kLimit = 100000;
    auto usable = [](float v) { return std::isfinite(v) && std::fabs(v) <= kLimit; };
    return usable(r.origin.x) && usable(r.origin.y) && usable(r.size.width) && usable(r.size.height) &&
           r.size.width >= 0 && r.size.height >= 0;
}

// A skin's font size, kept to sizes a screen can show.
float itemFontSize(const Value& item)
{
    const float size = item["size"].asFloat();
    return std::isfinite(size) ? std::clamp(size, 1.0f, 300.0f) : 12.0f;
}

std::string textOf(const Value& value)
{
    if (value.isString()) return value.asString();
    if (value.isNumber()) return value.asString();
    return {};
}

// The embedded video page, filled with text made safe for HTML.
std::string videoPage(const std::string& address, const std::string& video, float width, float height)
{
    char size[64];
    std::snprintf(size, sizeof size, "width=\"%0.0f\" height=\"%0.0f\"", width, height);
    return "<html><head><style>body{background-color:transparent;color:white;margin:0}</style></head><body>"
           "<embed id=\"ytplayer\" src=\"" +
           htmlEscaped(address) + htmlEscaped(video) + "\" type=\"application/x-shockwave-flash\" " + size +
           "></embed></body></html>";
}

} // namespace

// ---------------------------------------------------------------- renderer

UITextAlignment CCSkinnedItemRenderer::textAlignmentFromItem(const Value& item)
{
    const std::string_view align = item["halign"].stringView();
    if (align == "center") return UITextAlignmentCenter;
    if (align == "right") return UITextAlignmentRight;
    return UITextAlignmentLeft;
}

void CCSkinnedItemRenderer::setCurrentContextColourFromString(UIDrawContext& context, const std::string& colour)
{
    if (std::optional<FillColor> parsed = CCTheming::sharedInstance()->uiColorFromString(colour)) {
        context.setFillColor(*parsed);
    }
}

std::optional<FillColor> CCSkinnedItemRenderer::getColourFromColourItem(const Value& item)
{
    if (!item["color"].isString()) return std::nullopt;
    return CCTheming::sharedInstance()->uiColorFromString(item["color"].asString());
}

void CCSkinnedItemRenderer::doRenderOneLineTextItem(UIDrawContext& context, const Value& item,
                                                    const std::string& text, CGRect rect, CGPoint translation)
{
    CGRect area = CCTheming::dimensionsFromItem(item);
    if (!finiteRect(area)) return;
    area.origin.x += translation.x;
    area.origin.y += translation.y;
    Ref<UIFont> font = boldSystemFontOfSize(itemFontSize(item));
    const float minimum = item.contains("minsize") ? std::clamp(item["minsize"].asFloat(), 1.0f, 300.0f) : kNoMinimumSize;
    const UITextAlignment alignment = textAlignmentFromItem(item);
    if (minimum == kNoMinimumSize || alignment != UITextAlignmentLeft) {
        context.drawTextInRect(text, area, font.get(), UILineBreakModeTailTruncation, alignment);
    } else {
        context.drawTextAtPointForWidth(text, area.origin, area.size.width, font.get(), minimum);
    }
}

void CCSkinnedItemRenderer::renderOneLineTextItem(UIDrawContext& context, const Value& item, const std::string& text,
                                                  CGRect rect)
{
    context.saveState();
    if (item["bgcolor"].isString()) {
        setCurrentContextColourFromString(context, item["bgcolor"].asString());
        for (CGPoint offset : {CGPoint {-1, -1}, CGPoint {1, -1}, CGPoint {-1, 1}, CGPoint {1, 1}}) {
            doRenderOneLineTextItem(context, item, text, rect, offset);
        }
    } else if (item["mbhighcolor"].isString() && item["mbshadowcolor"].isString()) {
        setCurrentContextColourFromString(context, item["mbhighcolor"].asString());
        doRenderOneLineTextItem(context, item, text, rect, {0.7f, 0.7f});
        setCurrentContextColourFromString(context, item["mbshadowcolor"].asString());
        doRenderOneLineTextItem(context, item, text, rect, {-0.7f, -0.7f});
    }
    if (item["color"].isString()) setCurrentContextColourFromString(context, item["color"].asString());
    doRenderOneLineTextItem(context, item, text, rect, {0, 0});
    context.restoreState();
}

void CCSkinnedItemRenderer::renderMultiLineTextItem(UIDrawContext& context, const Value& item,
                                                    const std::string& text, CGRect rect)
{
    if (item["valign"].stringView() == "center") return renderMultiLineTextItemFromLabel(context, item, text, rect);
    const CGRect area = CCTheming::dimensionsFromItem(item);
    if (!finiteRect(area)) return;
    context.saveState();
    if (item["color"].isString()) setCurrentContextColourFromString(context, item["color"].asString());
    Ref<UIFont> font = boldSystemFontOfSize(itemFontSize(item));
    context.drawTextInRect(text, area, font.get(), UILineBreakModeWordWrap, textAlignmentFromItem(item));
    context.restoreState();
}

void CCSkinnedItemRenderer::renderMultiLineTextItemFromLabel(UIDrawContext& context, const Value& item,
                                                             const std::string& text, CGRect rect)
{
    const CGRect area = CCTheming::dimensionsFromItem(item);
    if (!finiteRect(area)) return;
    Ref<UIFont> base = boldSystemFontOfSize(itemFontSize(item));
    if (!base) return;
    // Shrinks until the wrapped text fits the item's height, down to
    // "minsize" when given.
    const float minimum = item.contains("minsize") ? std::clamp(item["minsize"].asFloat(), 1.0f, 300.0f) : base->pointSize();
    Ref<UIFont> font = base;
    CGSize fits = UIDrawContext::measure(text, font.get(), {area.size.width, 100000});
    while (fits.height > area.size.height && font->pointSize() - 1 >= minimum) {
        font = base->fontWithSize(font->pointSize() - 1);
        fits = UIDrawContext::measure(text, font.get(), {area.size.width, 100000});
    }
    const float height = std::min(fits.height, area.size.height);
    context.saveState();
    if (std::optional<FillColor> colour = getColourFromColourItem(item)) context.setFillColor(*colour);
    context.drawTextInRect(text, {area.origin.x, area.origin.y + (area.size.height - height) / 2, area.size.width, height},
                           font.get(), UILineBreakModeWordWrap, textAlignmentFromItem(item));
    context.restoreState();
}

Ref<UILabel> CCSkinnedItemRenderer::createLabelForStretchyItem(const Value& item, const std::string& text, CGRect frame)
{
    Ref<UILabel> label = makeRef<UILabel>(frame);
    label->setFont(boldSystemFontOfSize(itemFontSize(item)));
    label->setTextAlignment(textAlignmentFromItem(item));
    if (std::optional<FillColor> colour = getColourFromColourItem(item)) label->setTextColor(*colour);
    label->setNumberOfLines(0);
    label->setLineBreakMode(UILineBreakModeWordWrap);
    label->setAutoresizingMask(UIView::kFlexibleHeight);
    label->setBackgroundColor(std::nullopt);
    label->setText(text);
    CGRect sized = frame;
    sized.size.height = label->sizeThatFits({frame.size.width, 0}).height;
    label->setFrame(sized);
    return label;
}

void CCSkinnedItemRenderer::renderImageItem(UIDrawContext& context, const Value& item, const Image* image, CGRect rect,
                                            bool fill)
{
    if (!image) return;
    const CGRect area = fill ? rect : CCTheming::dimensionsFromItem(item);
    if (!finiteRect(area)) return;
    context.drawImage(*image, area);
}

std::optional<CGRect> CCSkinnedItemRenderer::badgeRectForItem(const Value& item)
{
    CCTheming* theme = CCTheming::sharedInstance();
    Ref<Image> image = theme->getImageFromPath(kBadgeImage);
    if (!image) return std::nullopt;
    const CGRect area = CCTheming::dimensionsFromItem(item);
    if (!finiteRect(area)) return std::nullopt;
    const float scale = theme->deviceIsDoubleResolution() ? 2.0f : 1.0f;
    float width = image->width() / scale;
    float height = image->height() / scale;
    const float maxWidth = std::min(area.size.width, 26.0f);
    const float maxHeight = std::min(area.size.height, 22.0f);
    if (width > maxWidth) {
        height *= maxWidth / width;
        width = maxWidth;
    } else if (height > maxHeight) {
        width *= maxHeight / height;
        height = maxHeight;
    }
    return CGRect {area.origin.x + area.size.width - width, area.origin.y, width, height};
}

Ref<UIFont> CCSkinnedItemRenderer::getFontForTargetFontHeight(float target, const std::string& text,
                                                              const UIFont* current)
{
    float size = current ? current->pointSize() : 14;
    Ref<UIFont> font = boldSystemFontOfSize(size);
    float height = UIDrawContext::measure(text, font.get()).height;
    if (height == target) return font;
    const bool shrink = height > target;
    for (int tries = 1; tries <= 15; ++tries) {
        size += shrink ? -1 : 1;
        if (size < 1) break;
        font = boldSystemFontOfSize(size);
        height = UIDrawContext::measure(text, font.get()).height;
        if (shrink ? height <= target : height >= target) return font;
    }
    return boldSystemFontOfSize(14);
}

void CCSkinnedItemRenderer::renderBadgeForButton(UIDrawContext& context, const Value& item, const std::string& text,
                                                 CGRect rect)
{
    CCTheming* theme = CCTheming::sharedInstance();
    Ref<Image> image = theme->getImageFromPath(kBadgeImage);
    const std::optional<CGRect> place = badgeRectForItem(item);
    if (!image || !place) return;
    context.drawImage(*image, *place);
    Ref<UIFont> font = boldSystemFontOfSize(14);
    float textHeight = UIDrawContext::measure(text, font.get()).height;
    if (textHeight > place->size.height || textHeight < place->size.height * 0.79f) {
        font = getFontForTargetFontHeight(std::round(place->size.height * 0.79f), text, font.get());
        textHeight = UIDrawContext::measure(text, font.get()).height;
    }
    CGRect textRect = *place;
    textRect.origin.y += (place->size.height - textHeight) / 4;
    if (!theme->statusBarSkinInTheme()) textRect.origin.x -= 1;
    context.saveState();
    context.setFillColor({1, 1, 1, 1});
    context.drawTextInRect(text, textRect, font.get(), UILineBreakModeClip, UITextAlignmentCenter);
    context.restoreState();
}

// ---------------------------------------------------------------- view

CCSkinnedView::CCSkinnedView(Value element, Value skin, CGRect frame, Ref<CCFormModel> formModel, bool shouldCache)
    : UIView(frame), element_(std::move(element)), skin_(std::move(skin)), formModel_(std::move(formModel)),
      shouldCache_(shouldCache)
{
    if (!element_.isDict()) element_ = Value::dictionary();
    setOpaque(false);
    setBackgroundColor(std::nullopt);
    syncFormModelAndDefaults();
    syncFormModelToUI();
    syncDepressedButtonFromUIElement();
    syncImageActivationFromUIElement();
}

CCSkinnedView::~CCSkinnedView() { NotificationCenter::defaultCenter().removeObserver(this); }

void CCSkinnedView::updateWithUIElement(Value element, Ref<CCFormModel> formModel, bool shouldCache)
{
    element_ = element.isDict() ? std::move(element) : Value::dictionary();
    formModel_ = std::move(formModel);
    shouldCache_ = shouldCache;
    syncFormModelAndDefaults();
    syncFormModelToUI();
    syncDepressedButtonFromUIElement();
    setNeedsDisplay();
}

bool CCSkinnedView::isSwitchRow() const
{
    const std::string_view type = element_["type"].stringView();
    return type == "form_switch" || type == "form_switchwithimage" || type == "form_switchpicturetwoline" ||
           type == "form_switchpicturetwoline_disc";
}

bool CCSkinnedView::isTextRow() const
{
    const std::string_view type = element_["type"].stringView();
    return type == "form_textinput" || type == "form_passwordinput";
}

// ---- form model ----

void CCSkinnedView::syncFormModelAndDefaults()
{
    const std::string formId = textOf(element_["formid"]);
    if (formId.empty() || !formModel_) return;
    if (formModel_->values.contains(formId)) return;
    if (element_.contains("formdefault")) formModel_->values.set(formId, element_["formdefault"]);
    else if (isSwitchRow()) formModel_->values.set(formId, Value(0));
    else if (isTextRow()) formModel_->values.set(formId, Value(""));
}

Value CCSkinnedView::modelData() const
{
    const std::string formId = textOf(element_["formid"]);
    if (formId.empty() || !formModel_) return Value();
    return formModel_->values[formId];
}

void CCSkinnedView::setModelData(Value value)
{
    const std::string formId = textOf(element_["formid"]);
    if (formId.empty() || !formModel_) return;
    formModel_->values.remove(formId);
    formModel_->values.set(formId, std::move(value));
}

void CCSkinnedView::syncFormModelToUI()
{
    if (isSwitchRow()) {
        depressedButton_ = modelData().asInt() == 1 ? "switch" : "";
        return;
    }
    if (!isTextRow()) return;
    if (!textField_) {
        const Value& item = skinItemForId("textinput", skin_);
        if (!item.isNull()) {
            const bool password = element_["type"].stringView() == "form_passwordinput";
            if (password) setModelData(Value(""));
            setupTextFieldWithItem(item, modelData().asString(), password);
        }
    }
    if (textField_ && modelData().isString() && !textField_->isEditing()) textField_->setText(modelData().asString());
}

void CCSkinnedView::syncDepressedButtonFromUIElement()
{
    if (element_.contains("depressedbutton")) depressedButton_ = textOf(element_["depressedbutton"]);
}

void CCSkinnedView::syncImageActivationFromUIElement()
{
    activations_.clear();
    deactivations_.clear();
    CCDataStore* store = CCDataStore::sharedInstance();
    if (element_["activate"].isString()) {
        for (const std::string& entry : split(element_["activate"].asString(), "|")) {
            const size_t arrow = entry.find("->");
            const size_t at = entry.rfind('@');
            if (arrow == std::string::npos || at == std::string::npos || at < arrow + 2) continue;
            const std::string token = entry.substr(0, arrow);
            if (store && store->isImageActivationSetForToken(token)) {
                activations_[entry.substr(at + 1)] = entry.substr(arrow + 2, at - arrow - 2);
            }
        }
    }
    if (element_["deactivate"].isString()) {
        for (const std::string& entry : split(element_["deactivate"].asString(), "|")) {
            const size_t arrow = entry.find("->");
            if (arrow == std::string::npos) continue;
            if (store && store->isImageActivationSetForToken(entry.substr(0, arrow))) {
                deactivations_.insert(entry.substr(arrow + 2));
            }
        }
    }
    if (deactivations_.count("disc")) {
        element_.remove("href");
        element_.remove("yesnoconfirm");
    }
}

std::optional<Value> CCSkinnedView::replacementDictForUiElement() const
{
    if (!element_["replace"].isString()) return std::nullopt;
    CCDataStore* store = CCDataStore::sharedInstance();
    Value out = Value::dictionary();
    for (const std::string& entry : split(element_["replace"].asString(), "|")) {
        const size_t arrow = entry.find("->");
        if (arrow == std::string::npos || !store) continue;
        if (std::optional<std::string> text = store->textForToken(entry.substr(0, arrow))) {
            out.set(entry.substr(arrow + 2), Value(*text));
        }
    }
    if (out.empty()) return std::nullopt;
    return out;
}

// ---- controls ----

void CCSkinnedView::setupTextFieldWithItem(const Value& item, const std::string& text, bool password)
{
    const CGRect area = CCTheming::dimensionsFromItem(item);
    textField_ = Ref<UITextField>(new CCTextField(finiteRect(area) ? area : CGRectZero));
    textField_->setAutocapitalization(false);
    if (element_["flags"].stringView().find("emailkeyboard") != std::string_view::npos) {
        textField_->setKeyboardType(UITextField::kKeyboardEmailAddress);
    }
    textField_->setText(text);
    textField_->setFont(systemFontOfSize(itemFontSize(item)));
    if (std::optional<FillColor> colour = CCSkinnedItemRenderer::getColourFromColourItem(item)) {
        textField_->setTextColor(*colour);
    }
    textField_->setDelegate(this);
    textField_->setReturnKeyType(UITextField::kReturnDone);
    textField_->setAutocorrection(false);
    textField_->setSecureTextEntry(password);
    addSubview(textField_.get());
}

void CCSkinnedView::setupStretchyTextWithItem(const Value& item, const std::string& text)
{
    if (!finiteRect(CCTheming::dimensionsFromItem(item))) return;
    if (!stretchyLabel_) {
        stretchyLabel_ = CCSkinnedItemRenderer::createLabelForStretchyItem(item, text, CCTheming::dimensionsFromItem(item));
        addSubview(stretchyLabel_.get());
    } else if (stretchyLabel_->text() != text) {
        stretchyLabel_->setText(text);
        CGRect sized = stretchyLabel_->frame();
        sized.size.height = stretchyLabel_->sizeThatFits({sized.size.width, 0}).height;
        stretchyLabel_->setFrame(sized);
    }
    const CGRect itemRect = CCTheming::dimensionsFromItem(item);
    CGRect frameNow = CCTheming::dimensionsFromItem(skinItemForId("background", skin_));
    if (!finiteRect(frameNow)) frameNow = {0, 0, 0, 0};
    frameNow.origin = frame().origin;
    frameNow.size.height += stretchyLabel_->frame().size.height - itemRect.size.height;
    // The label keeps its own height while the view grows around it.
    const unsigned mask = stretchyLabel_->autoresizingMask();
    stretchyLabel_->setAutoresizingMask(0);
    setFrame(frameNow);
    stretchyLabel_->setAutoresizingMask(mask);
}

void CCSkinnedView::setupSpinnerWithItem(const Value& item)
{
    if (spinner_) return;
    const CGRect area = CCTheming::dimensionsFromItem(item);
    if (!finiteRect(area)) return;
    if (CCTheming::sharedInstance()->statusBarSkinInTheme()) {
        auto spinner = makeRef<CCTesselActivityIndicatorView>(area);
        spinner->setFrame({0, 0, area.size.width, area.size.height});
        if (UIImageView* image = spinner->spinnerView()) {
            image->setCenter({area.origin.x + area.size.width / 2, area.origin.y + area.size.height / 2});
        }
        spinner->startAnimating();
        spinner_ = Ref<UIView>(spinner.get());
    } else {
        auto spinner = makeRef<UIActivityIndicatorView>(UIActivityIndicatorView::kWhiteLarge);
        spinner->setFrame(area);
        spinner->sizeToFit();
        spinner->startAnimating();
        spinner_ = Ref<UIView>(spinner.get());
    }
    addSubview(spinner_.get());
}

void CCSkinnedView::setupWebViewWithItem(const Value& item, const std::string& source)
{
    if (webView_) return;
    const CGRect area = CCTheming::dimensionsFromItem(item);
    if (!finiteRect(area)) return;
    const std::string prefix = "lumora-uiwebview://";
    const size_t at = source.find(prefix);
    const std::string video = at == std::string::npos ? std::string() : source.substr(at + prefix.size());
    webView_ = makeRef<UIWebView>(area);
    webView_->loadHTMLString(videoPage("http://", video, area.size.width, area.size.height), "http://" + video);
    addSubview(webView_.get());
}

void CCSkinnedView::updateFrameForContent()
{
    std::optional<Value> replacements = replacementDictForUiElement();
    for (const Value& item : skin_["items"].asArray()) {
        if (item["type"].stringView() != "stretchytext") continue;
        const std::string id = textOf(item["id"]);
        const std::string text = replacements && (*replacements).contains(id) ? (*replacements)[id].asString()
                                                                              : textOf(element_[id]);
        setupStretchyTextWithItem(item, text);
    }
}

void CCSkinnedView::setHighlighted(bool on)
{
    highlighted_ = on;
    if (!shouldHighlightOnTouch_) return;
    if (on) {
        if (!highlight_) {
            highlight_ = makeRef<UIView>(bounds());
            highlight_->setBackgroundColor(FillColor {1, 1, 1, 1});
            highlight_->setOpaque(false);
            highlight_->setAlpha(0.4f);
            highlight_->setUserInteractionEnabled(false);
        }
        highlight_->setFrame(bounds());
        addSubview(highlight_.get());
    } else if (highlight_) {
        highlight_->removeFromSuperview();
    }
}

CGSize CCSkinnedView::sizeThatFits(CGSize) const
{
    const Value& background = skinItemForId("background", skin_);
    CGRect size {0, 0, background["w"].asFloat(), background["h"].asFloat()};
    if (!finiteRect(size)) return CGSizeZero;
    return size.size;
}

CGRect CCSkinnedView::popoverRectForSkinItem(const std::string& itemId, int, float shift) const
{
    CGRect area = CCTheming::dimensionsFromItem(skinItemForId(itemId, skin_));
    area.size.width -= shift;
    return area;
}

const Value& CCSkinnedView::skinItemForId(const std::string& itemId, const Value& skin)
{
    return CCTheming::itemForId(itemId, skin);
}

UIButton* CCSkinnedView::findButtonInView(UIView* view)
{
    if (!view) return nullptr;
    if (auto* button = dynamic_cast<UIButton*>(view)) return button;
    for (const Ref<UIView>& child : view->subviews()) {
        if (UIButton* found = findButtonInView(child.get())) return found;
    }
    return nullptr;
}

// ---- drawing ----

void CCSkinnedView::observeImage(const std::string& url)
{
    NotificationCenter& centre = NotificationCenter::defaultCenter();
    centre.removeObserver(this, url, nullptr);
    CCSkinnedView* self = this;
    centre.addObserver(this, url, nullptr, [self](const Notification&) { self->setNeedsDisplay(); });
}

void CCSkinnedView::drawImageItem(UIDrawContext& context, const Value& item, size_t index, CGRect bounds)
{
    CCTheming* theme = CCTheming::sharedInstance();
    const std::string id = textOf(item["id"]);
    std::string source = element_[id].isString() ? element_[id].asString() : std::string();
    auto activation = activations_.find(id);
    if (activation != activations_.end() && activation->second.size() >= 2) source = activation->second;
    const std::string themeSource = textOf(item["themesrc"]);
    auto drawThemeSource = [&](bool whole) {
        if (themeSource.size() < 2) return;
        Ref<Image> image = theme->getImageFromPath(themeSource);
        CCSkinnedItemRenderer::renderImageItem(context, item, image.get(), bounds, whole);
    };
    if (source.empty()) {
        drawThemeSource(id == "background");
        return;
    }
    if (pathUrlContainsPrefix(source, "theme://")) {
        Ref<Image> image = theme->getImageFromPath(source);
        CCSkinnedItemRenderer::renderImageItem(context, item, image.get(), bounds, false);
        return;
    }
    if (pathUrlContainsPrefix(source, "lumora-uiwebview://")) {
        setupWebViewWithItem(item, source);
        return;
    }
    if (pathUrlContainsPrefix(source, "lumora-contactimage://")) {
        const std::string number = source.substr(source.find("lumora-contactimage://") + 22);
        const int recordId = std::atoi(number.c_str());
        Ref<Image> picture;
        const std::vector<uint8_t> bytes = AddressBook::sharedInstance()->pictureForRecord(recordId);
        if (!bytes.empty()) picture = Image::decode(bytes.data(), bytes.size(), "contact picture");
        if (picture) CCSkinnedItemRenderer::renderImageItem(context, item, picture.get(), bounds, false);
        else drawThemeSource(false);
        return;
    }
    // A server image: drawn from the fetch manager's cache once it is
    // there; asked for (once) and stood in for by the theme picture before.
    observeImage(source);
    CCFetchManager* fetcher = CCFetchManager::sharedInstance();
    Ref<CCAbstractServerData> held = fetcher->serverDataForURL(source);
    auto* imageData = dynamic_cast<CCImageData*>(held.get());
    Ref<Image> image = imageData ? imageData->imageDataAsUIImage() : nullptr;
    if (image) {
        const bool whole = element_["type"].stringView() == "lite_banner" && element_.contains("height");
        CCSkinnedItemRenderer::renderImageItem(context, item, image.get(), bounds, whole);
        if (CCDataStore* store = CCDataStore::sharedInstance(); store && element_.contains("impression")) {
            store->logImpressionData(element_["impression"], element_["type"].asString(), false);
        }
        if (delegate_ && delegate_->isGenericTableViewController()) delegate_->dataForRowReady(*this);
        return;
    }
    if (source == "blank") return;
    Ref<CCImageData> request(new CCImageData(source));
    request->setPlaceInPermanentCache(shouldCache_);
    fetcher->queueServerData(Ref<CCAbstractServerData>(request.get()), 400, static_cast<int>(index));
    drawThemeSource(false);
}

void CCSkinnedView::drawRect(UIDrawContext& context, CGRect rect)
{
    updateFrameForContent();
    syncFormModelToUI();
    int badgeTotal = badgesEnabled_ ? 0 : -1;
    if (skin_.isNull()) return;
    CCTheming* theme = CCTheming::sharedInstance();
    const std::optional<Value> replacements = replacementDictForUiElement();
    const CGRect area = bounds();
    const Value::Array& items = skin_["items"].asArray();
    for (size_t index = 0; index < items.size(); ++index) {
        const Value& item = items[index];
        const std::string id = textOf(item["id"]);
        if (!id.empty() && (id == disabledItem_ || deactivations_.count(id))) continue;
        const Value& value = element_[id];
        const std::string_view type = item["type"].stringView();
        auto textFor = [&]() {
            if (replacements && (*replacements).contains(id)) return (*replacements)[id].asString();
            return textOf(value);
        };
        if (type == "image") {
            drawImageItem(context, item, index, area);
        } else if (type == "onlinestatus") {
            CCScreenSession* session = CCScreenSession::shared();
            Reachability* reach = session ? session->reachability() : nullptr;
            const bool online = reach && reach->currentReachabilityStatus() != NotReachable;
            Ref<Image> image = theme->getImageFromPath(textOf(item[online ? "onlineimage" : "offlineimage"]));
            CCSkinnedItemRenderer::renderImageItem(context, item, image.get(), area, false);
        } else if (type == "onelinetext") {
            if (!value.isNull() || (replacements && (*replacements).contains(id))) {
                CCSkinnedItemRenderer::renderOneLineTextItem(context, item, textFor(), area);
            }
        } else if (type == "multilinetext") {
            if (!value.isNull() || (replacements && (*replacements).contains(id))) {
                CCSkinnedItemRenderer::renderMultiLineTextItem(context, item, textFor(), area);
            }
        } else if (type == "stretchytext") {
            setupStretchyTextWithItem(item, textFor());
        } else if (type == "spinner") {
            setupSpinnerWithItem(item);
        } else if (type == "button" || type == "tab") {
            std::optional<std::string> pressedPath = item["depressedimage"].isString()
                                                         ? std::optional<std::string>(item["depressedimage"].asString())
                                                         : std::nullopt;
            std::optional<std::string> normalPath = item["image"].isString()
                                                        ? std::optional<std::string>(item["image"].asString())
                                                        : std::nullopt;
            if (delegate_) {
                if (auto over = delegate_->depressedImageForTabOrButton(item, id)) pressedPath = over;
                if (auto over = delegate_->normalImageForTabOrButton(item, id)) normalPath = over;
            }
            Ref<Image> image;
            if (pressedPath && id == depressedButton_) image = theme->getImageFromPath(*pressedPath);
            if (!image && normalPath) image = theme->getImageFromPath(*normalPath);
            CCSkinnedItemRenderer::renderImageItem(context, item, image.get(), area, false);
        } else if (type == "switch") {
            if (id == depressedButton_ && item["depressedimage"].isString()) {
                Ref<Image> image = theme->getImageFromPath(item["depressedimage"].asString());
                CCSkinnedItemRenderer::renderImageItem(context, item, image.get(), area, false);
            }
        }
        if (badgesEnabled_ && type == "tab" && (value.isString() || value.isNumber())) {
            const int count = value.asInt();
            badgeTotal += count;
            CCSkinnedItemRenderer::renderBadgeForButton(context, item, std::to_string(count), area);
        }
    }
    if (badgesEnabled_) {
        CCScreenSession* session = CCScreenSession::shared();
        const Value& setting = session ? session->valueForWorkaroundSetting(7) : Value::null();
        if (!(setting.isString() && setting.stringView() == "YES")) {
            Application::sharedApplication().setApplicationIconBadgeNumber(badgeTotal);
        }
    }
}

// ---- touches ----

bool CCSkinnedView::tapAtPoint(CGPoint point)
{
    Ref<CCSkinnedView> hold(this);
    for (const Value& item : skin_["items"].asArray()) {
        const std::string_view type = item["type"].stringView();
        const CGRect area = CCTheming::dimensionsFromItem(item);
        if (!finiteRect(area)) continue;
        if (type == "button" || type == "tab") {
            if (!CGRectContainsPoint(area, point)) continue;
            if (!item["id"].isString()) return true;
            const std::string id = item["id"].asString();
            const Value& value = element_[id];
            if (value.isString()) {
                Value info = Value::dictionary({{"url", value}, {"rect", Value(NSStringFromCGRect(bounds()))}});
                if (type == "tab") info.set("nostackpush", Value(1));
                NotificationCenter::defaultCenter().postNotification(
                    kTableLinkNotification, this, CCTableLinkInfo {info, Ref<UIView>(this)});
            } else {
                if (type == "tab") depressedButton_ = id;
                setNeedsDisplay();
                if (delegate_) delegate_->skinnedViewButtonPressed(*this, id, std::string(type), item["href"]);
            }
            return true;
        }
        if (type == "switch") {
            const CGRect grown {area.origin.x - 12, area.origin.y - 12, area.size.width + 24, area.size.height + 24};
            if (!CGRectContainsPoint(grown, point)) continue;
            if (!depressedButton_.empty()) {
                depressedButton_.clear();
                setModelData(Value(0));
            } else {
                depressedButton_ = textOf(item["id"]);
                setModelData(Value(1));
            }
            setNeedsDisplay();
            return true;
        }
        if (type == "multilinetext" && webView_ && findButtonInView(webView_.get())) {
            findButtonInView(webView_.get())->sendTouchUpInside();
            return true;
        }
    }
    return false;
}

void CCSkinnedView::touchesBegan(const UIViewTouches& touches)
{
    bool taken = false;
    for (const UIViewTouch& touch : touches) {
        if (tapAtPoint(convertPointFromView(touch.windowPoint, nullptr))) taken = true;
    }
    if (!taken) UIView::touchesBegan(touches);
}

void CCSkinnedView::touchesEnded(const UIViewTouches& touches) { UIView::touchesEnded(touches); }

// ---- text field ----

void CCSkinnedView::postKeyboardNotification(const char* name)
{
    Value info = Value::dictionary({{"row", Value(row_)}, {"section", Value(section_)}});
    NotificationCenter::defaultCenter().postNotification(name, this, info);
}

bool CCSkinnedView::textFieldShouldReturn(UITextField& field)
{
    field.resignFirstResponder();
    return true;
}

void CCSkinnedView::textFieldDidBeginEditing(UITextField&)
{
    editingHold_ = Ref<UIView>(this);
    postKeyboardNotification(kKeyboardWillAppearNotification);
}

void CCSkinnedView::textFieldDidEndEditing(UITextField& field)
{
    Ref<UIView> hold = editingHold_;
    postKeyboardNotification(kKeyboardWillDisappearNotification);
    setModelData(Value(field.text()));
    editingHold_ = nullptr;
}

bool CCSkinnedView::textFieldShouldChangeCharacters(UITextField& field, UTF16Range range, const std::string& replacement)
{
    const std::string& text = field.text();
    const size_t from = utf8OffsetForUtf16Index(text, range.location);
    const size_t to = utf8OffsetForUtf16Index(text, range.location + range.length);
    setModelData(Value(text.substr(0, from) + replacement + text.substr(to)));
    return true;
}

} // namespace mw
