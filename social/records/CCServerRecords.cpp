#include "social/records/CCServerRecords.h"

#include <cstdio>
#include <limits>

#include "foundation/Log.h"
#include "platform/DeviceFacts.h"
#include "social/CCDataStore.h"
#include "social/CCFetchManager.h"
#include "social/CCPrivateSession.h"
#include "social/support/Reachability.h"
#include "social/support/CCJSON.h"

namespace mw {
namespace {

// A main-data value of any kind, or null when the data is no object.
Value field(const CCAbstractServerData& record, const char* key)
{
    return record.mainData().get(key);
}


bool readsAsNumber(const Value& value) { return value.isNumber() || value.isString(); }

int saturatingSum(int a, int b)
{
    const long long sum = static_cast<long long>(a) + b;
    if (sum > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    if (sum < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return static_cast<int>(sum);
}

} // namespace

CCUIDescription::CCUIDescription()
{
    setDataType(kDataType);
    setFetchPriority(kEnvelopePagePriority);
    setUiViewType(1);
}

CCUIDescription::CCUIDescription(std::string url, int priority, int subPriority, int viewType)
    : CCAbstractServerData(NoBaseInit{})
{
    setUrl(std::move(url));
    setFetchPriority(saturatingSum(priority, subPriority));
    setDataType(kDataType);
    setUiViewType(viewType);
}

const Value& CCUIDescription::group(int group) const
{
    const Value& groups = mainData().get("groups");
    if (group < 0 || !groups.isArray()) return Value::null();
    const Value& found = groups.at(static_cast<size_t>(group));
    return found.isDict() ? found : Value::null();
}

const Value& CCUIDescription::items(int group) const
{
    const Value& found = this->group(group).get("items");
    return found.isArray() ? found : Value::null();
}

int CCUIDescription::numberOfGroups() const
{
    const Value& groups = mainData().get("groups");
    return groups.isArray() ? static_cast<int>(groups.size()) : 0;
}

Value CCUIDescription::titleForGroup(int group) const
{
    const Value& title = this->group(group).get("title");
    return title.isString() ? title : Value();
}

int CCUIDescription::itemsInGroup(int group) const { return static_cast<int>(items(group).size()); }

Value CCUIDescription::elementForItem(int item, int group) const
{
    if (item < 0) return {};
    const Value& element = items(group).at(static_cast<size_t>(item));
    return element.isDict() ? element : Value();
}

Value CCUIDescription::elementTypeForItem(int item, int group) const
{
    return elementForItem(item, group).get("type");
}

// The group's item list for a change in place, unshared first; null when the
// page has no such group or its "items" is of another kind.
static Value::Array* mutableItems(Value& mainData, int group, bool create)
{
    ValueDictionary* page = mainData.mutableDict();
    Value* groups = page ? page->find("groups") : nullptr;
    Value::Array* list = groups ? groups->mutableArray() : nullptr;
    if (!list || group < 0 || static_cast<size_t>(group) >= list->size()) return nullptr;
    ValueDictionary* groupObject = (*list)[static_cast<size_t>(group)].mutableDict();
    if (!groupObject) return nullptr;
    Value* items = groupObject->find("items");
    if (!items && create) {
        (*list)[static_cast<size_t>(group)].set("items", Value::array());
        items = (*list)[static_cast<size_t>(group)].mutableDict()->find("items");
    }
    return items ? items->mutableArray() : nullptr;
}

bool CCUIDescription::removeElementForItem(int item, int group)
{
    if (item < 0 || item >= itemsInGroup(group)) return false;
    Value::Array* list = mutableItems(mutableMainData(), group, false);
    if (!list) return false;
    list->erase(list->begin() + item);
    return true;
}

bool CCUIDescription::insertElement(const Value& element, int index, int group)
{
    if (index < 0 || index > itemsInGroup(group)) return false;
    Value::Array* list = mutableItems(mutableMainData(), group, true);
    if (!list) return false;
    list->insert(list->begin() + index, element);
    return true;
}

int CCUIDescription::numberOfTabs() const
{
    const Value& tabs = mainData().get("tabs");
    return tabs.isArray() ? static_cast<int>(tabs.size()) : 0;
}

Value CCUIDescription::elementForTab(int tab) const
{
    if (tab < 0) return {};
    const Value& element = mainData().get("tabs").at(static_cast<size_t>(tab));
    return element.isDict() ? element : Value();
}

Value CCUIDescription::flatUIElement() const
{
    const Value& flat = mainData().get("uidata");
    return flat.isDict() ? flat : Value();
}

Value CCUIDescription::viewTitle() const
{
    const Value& title = mainData().get("title");
    return title.isString() ? title : Value();
}

Value CCUIDescription::eventDictionary() const
{
    const Value& event = mainData().get("event");
    return event.isDict() ? event : Value();
}

int CCUIDescription::uiType() const
{
    const std::string_view word = mainData().get("uitype").stringView();
    if (word == "groupedtable") return 1;
    if (word == "plaintable") return 2;
    if (word == "toplevel") return 3;
    return 0;
}

bool CCUIDescription::textHas(const char* key, const char* word) const
{
    return mainData().get(key).stringView().find(word) != std::string_view::npos;
}

void CCUIDescription::queuePrefetchItemsWithBasePriority(int basePriority) const
{
    CCFetchManager* fetchManager = CCFetchManager::sharedInstance();
    for (int g = 0; g < numberOfGroups(); ++g)
        for (int i = 0; i < itemsInGroup(g); ++i) {
            const Value element = elementForItem(i, g);
            const Value& prefetch = element.get("prefetch");
            const Value& href = element.get("href");
            if (!(prefetch.isNumber() || prefetch.isString()) || !href.isString()) continue;
            const int subPriority = prefetch.asInt();
            const std::string url(href.stringView());
            Ref<CCAbstractServerData> known = fetchManager->serverDataForURL(url);
            if (!known)
                fetchManager->queueServerData(makeRef<CCUIDescription>(url, basePriority, subPriority), basePriority,
                                              subPriority);
            else if (!known->freshThisSession())
                fetchManager->queueServerData(known, basePriority, subPriority);
        }
}

std::vector<std::string> CCUIDescription::queuePrefetchImageUrls() const
{
    std::vector<std::string> queued;
    for (int g = 0; g < numberOfGroups(); ++g)
        for (int i = 0; i < itemsInGroup(g); ++i) {
            const Value element = elementForItem(i, g);
            const std::string_view type = element.get("type").stringView();
            if (type != "banner" && type != "lite_banner") continue;
            const Value& image = element.get("image");
            if (prefetchImageUrl(image, static_cast<int>(queued.size()))) queued.emplace_back(image.stringView());
        }
    return queued;
}

void CCUIDescription::queuePrefetchImageUrlByRowIndex(int row) const
{
    (void)prefetchImageUrl(elementForItem(row, 0).get("image"), 0);
}

bool CCUIDescription::prefetchImageUrl(const Value& image, int index) const
{
    constexpr int kImagePriority = 400;
    if (!image.isString() || image.stringView() == "blank") return false;
    const std::string url(image.stringView());
    CCFetchManager* fetchManager = CCFetchManager::sharedInstance();
    Ref<CCAbstractServerData> record = fetchManager->serverDataForURL(url);
    if (record && record->freshThisSession()) return false;
    if (!record) record = Ref<CCAbstractServerData>(makeRef<CCImageData>(url));
    fetchManager->queueServerData(record, kImagePriority, index);
    return true;
}

bool CCUIDescription::containsActivateUi() const
{
    for (int g = 0; g < numberOfGroups(); ++g) {
        for (int i = 0; i < itemsInGroup(g); ++i) {
            const Value element = elementForItem(i, g);
            const Value& href = element.get("href");
            if (!href.isString()) continue;
            const std::string_view link = href.stringView();
            const bool activates = link.find("lumora-activateui://") != std::string_view::npos ||
                                   link.find("lumora-activateuiasguest://") != std::string_view::npos ||
                                   link == "lumora://activateui" || link == "lumora://activateuiasguest";
            if (activates && element.get("text").stringView() != "Cancel") return true;
        }
    }
    return false;
}

Value CCUIDescription::uiElementForRedirect() const
{
    for (int g = 0; g < numberOfGroups(); ++g)
        for (int i = 0; i < itemsInGroup(g); ++i) {
            Value element = elementForItem(i, g);
            if (element.contains("redirect")) return element;
        }
    return {};
}

void CCImageData::convertToImageDataIfAble()
{
    if (!updatedDataAvailable() || receivedDataDecoded_) return;
    const Value::Bytes& bytes = receivedData();
    Ref<Image> decoded = Image::decode(bytes.data(), bytes.size(), url());
    if (decoded) setImage(std::move(decoded));
}

void CCImageData::takeDecodedReceivedData(Ref<Image> image)
{
    if (image) setImage(std::move(image));
    receivedDataDecoded_ = true;
}

Ref<Image> CCImageData::imageDataAsUIImage()
{
    if (!image()) convertToImageDataIfAble();
    return image();
}

CCDeviceToken::CCDeviceToken(const Value::Bytes& token)
{
    static const char kDigits[] = "0123456789abcdef";
    Value::Bytes hex;
    hex.reserve(token.size() * 2);
    for (uint8_t byte : token) {
        hex.push_back(static_cast<uint8_t>(kDigits[byte >> 4]));
        hex.push_back(static_cast<uint8_t>(kDigits[byte & 0xF]));
    }
    setPostData(std::move(hex));
    setDoNotCacheOverride(true);
}

// ---- player data ----

Value CCPlayerData::lumoraAlias() const { return field(*this, "lumorauser"); }

bool CCPlayerData::lumoraUser() const
{
    const Value& guest = mainData().get("guestuser");
    return !(readsAsNumber(guest) && guest.asBool());
}

bool CCPlayerData::facebookUser() const
{
    const Value& value = mainData().get("facebookuser");
    return readsAsNumber(value) && value.asBool();
}

bool CCPlayerData::twitterUser() const
{
    const Value& value = mainData().get("twitteruser");
    return readsAsNumber(value) && value.asBool();
}

int CCPlayerData::lumoraFriends() const
{
    const Value& value = mainData().get("lumorafriends");
    return readsAsNumber(value) ? value.asInt() : -1;
}

int CCPlayerData::gameFriends() const
{
    const Value& value = mainData().get("gamefriends");
    return readsAsNumber(value) ? value.asInt() : -1;
}

Value CCPlayerData::gifts() const { return field(*this, "gifts"); }
Value CCPlayerData::giftsLeft() const { return field(*this, "giftsLeft"); }

int CCPlayerData::badge() const
{
    const Value& value = mainData().get("badge");
    return readsAsNumber(value) ? value.asInt() : 0;
}

std::optional<std::string> CCPlayerData::lumoraplayerid() const
{
    const Value& value = mainData().get("lumoraplayerid");
    switch (value.kind()) {
    case Value::Kind::Boolean: return value.asBool() ? "1" : "0";
    case Value::Kind::Integer:
    case Value::Kind::Decimal:
    case Value::Kind::String: return value.asString();
    case Value::Kind::Real: return JSONFragment(value);
    default: return std::nullopt;
    }
}

Value CCPlayerData::lumorafriendids() const { return field(*this, "lumorafriendids"); }

Value CCPlayerData::goods() const
{
    Value value = field(*this, "goods");
    if (!(value.isArray() || value.isDict()) || value.empty()) return {};
    return value;
}

Value CCPlayerData::balances() const
{
    Value value = field(*this, "balances");
    if (!(value.isArray() || value.isDict()) || value.empty()) return {};
    return value;
}

void CCPlayerData::prepareForPost()
{
    if (mainData().isDict()) return;
    if (!mainData().isNull()) logLine("Player data: main data is no object; replaced by an empty one");
    setMainData(Value::dictionary());
}

bool CCPlayerData::setCollection(const char* key, const Value& value)
{
    Value data = mainData().isDict() ? mainData() : Value::dictionary();
    data.set(key, value);
    // Logs the writer's refusal itself.
    std::optional<std::string> text = mw::JSONRepresentation(data);
    if (!text) return false;
    prepareForPost();
    mutableMainData().set(key, value);
    setPostData(Value::Bytes(text->begin(), text->end()));
    return true;
}

// ---- configuration ----

Value CCConfigurationData::configName() const { return field(*this, "name"); }
Value CCConfigurationData::configDataType() const { return field(*this, "type"); }
Value CCConfigurationData::configData() const { return field(*this, "configuration"); }

void CCConfigurationData::prepareForPost()
{
    if (mainData().isNull()) setMainData(Value::dictionary());
}

// ---- small kinds ----

Value CCCloudStoreSaveData::keys() const { return field(*this, "saves"); }
Value CCCloudStoreSaveData::currentUserId() const { return field(*this, "currentUserId"); }
Value CCCloudStoreSaveData::currentUserFriendCode() const { return field(*this, "currentUserFriendCode"); }

Value CCCloudStoreSummaryData::summaryItems() const { return field(*this, "summaries"); }
Value CCCloudStoreSummaryData::userIsLocked() const { return field(*this, "userIsLocked"); }
Value CCCloudStoreSummaryData::currentUserId() const { return field(*this, "currentUserId"); }
Value CCCloudStoreSummaryData::currentUserFriendCode() const { return field(*this, "currentUserFriendCode"); }

Value CCMessageListData::messages() const
{
    if (!mainData().isDict()) return {};
    return field(*this, "messages");
}

Value CCSocialPlayerData::friends() const { return field(*this, "friends"); }

int CCSocialPlayerData::socialRating() const
{
    const Value& value = mainData().get("socialRating");
    return readsAsNumber(value) ? value.asInt() : 0;
}

Value CCSocialPlayerData::userId() const { return field(*this, "userId"); }
Value CCSocialNeighboursData::neighbours() const { return field(*this, "neighbours"); }
Value CCSocialNeighboursData::otherUsers() const { return field(*this, "otherUsers"); }

} // namespace mw

// ---- the telemetry post ----

namespace mw {
namespace {
CCAnalyticsSource* gAnalyticsSource = nullptr;
} // namespace

CCAnalyticsSource* CCAnalyticsSource::installed() { return gAnalyticsSource; }
void CCAnalyticsSource::install(CCAnalyticsSource* source) { gAnalyticsSource = source; }

void CCAnalyticData::populateWithCurrentData()
{
    Value& data = mutableMainData();
    if (!data.isDict()) data = Value::dictionary();
    const std::shared_ptr<DeviceFacts> device = DeviceFacts::sharedInstance();
    data.set("osversion", Value(device->systemVersion()));
    data.set("devicemodel", Value(device->modelName()));
    data.set("deviceuname", Value(device->systemText("hw.machine").value_or("")));
    if (const std::vector<std::string> languages = device->preferredLanguages(); !languages.empty())
        data.set("preferredlang", Value(languages.front()));
    data.set("analyticsversion", Value(uint32_t(3)));

    CCPrivateSession* session = CCPrivateSession::sharedInstance();
    if (session && !session->appId().empty()) data.set("appid", Value(session->appId()));
    data.set("appversion", Value(session ? session->version() : 0.0));
    const int link = session && session->reachability() ? session->reachability()->currentReachabilityStatus()
                                                         : NotReachable;
    data.set("connection", Value(link == ReachableViaWWAN ? "cell" : link == ReachableViaWiFi ? "wifi" : "none"));
    if (session && session->isGameCenterSupportEnabled() && session->gcPlayerID())
        data.set("gkplayerid", Value(*session->gcPlayerID()));

    CCDataStore* store = CCDataStore::sharedInstance();
    // Each ready list moves into the post: it leaves the store now.
    if (const Value& usage = store->readyToGoLumoraUsageData(); !usage.isNull()) {
        data.set("usage", usage);
        store->clearReadyToGoLumoraUsageData();
    }
    if (const Value& impressions = store->readyToGoImpressionData(); !impressions.isNull()) {
        data.set("impression", impressions);
        store->clearReadyToGoImpressionData();
    }
    if (const Value& gameUsage = store->readyToGoGameUsageData(); !gameUsage.isNull()) {
        data.set("gameusage", gameUsage);
        store->clearReadyToGoGameUsageData();
    }

    CCAnalyticsSource* figures = CCAnalyticsSource::installed();
    if (!figures) return;
    data.set("clientsessionid", Value(figures->analyticsSessionId()));
    data.set("lastsessionlength", Value(int32_t(figures->analyticsLastSessionDuration())));
    data.set("minssincelast", Value(int32_t(figures->analyticsMinutesSinceLastSession())));
    data.set("gamesession", figures->gameSessionAnalytics());
    Value extra = Value::dictionary();
    extra.set("clientSessionPostIndex", Value(int32_t(figures->analyticsSessionPostIndex())));
    extra.set("clientSessionTimestamp", Value(figures->analyticsSessionCurrentTimestamp()));
    extra.set("currentSessionDuration", Value(int32_t(figures->analyticsSessionDuration())));
    extra.set("minsSinceLastSessionDataPosted", Value(int32_t(figures->analyticsMinutesSinceLastSessionData())));
    extra.set("clientSessionStartTimestamp", Value(figures->analyticsSessionStartTimestamp()));
    extra.set("minsSinceClientSessionStart", Value(int32_t(figures->analyticsSessionTimeSinceStart())));
    extra.set("clientSessionFinalPost", Value(figures->analyticsIsFinalSessionPost()));
    extra.set("sdkVersion", Value(CCPrivateSession::kSdkVersion));
    if (Value level = figures->lastUserLevel(); !level.isNull()) extra.set("lastUserLevel", std::move(level));
    data.set("extrasessiondata", std::move(extra));
    figures->analyticsUpdateCurrentSessionDataForNextPost();
}

} // namespace mw
