#include "social/queues/records/CCAbstractServerData.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "foundation/Clock.h"
#include "foundation/Log.h"
#include "social/queues/records/CCServerRecords.h"
#include "social/support/CCJSON.h"

namespace mw {
namespace {

constexpr const char* kTypeWords[CCAbstractServerData::kLastDataType + 1] = {
    nullptr,          "analytic",          "uidesc",      "image",       "token",     "nullpost",
    "leaderboard",    "gkleaderboard",     "gkachievement", "playerdata", "achievement", "affiliate",
    "configurationdata", "savedata",       "summarydata", "messagelist", "socialuserdata", "socialneighboursdata",
};

// Archives name the concrete class; each kind is registered under its name so
// a decode builds the right one.
const ArchivableRegistration<CCAnalyticData> analyticRegistration("CCAnalyticData");
const ArchivableRegistration<CCUIDescription> pageRegistration("CCUIDescription");
const ArchivableRegistration<CCImageData> imageRegistration("CCImageData");
const ArchivableRegistration<CCDeviceToken> tokenRegistration("CCDeviceToken");
const ArchivableRegistration<CCNullPost> nullPostRegistration("CCNullPost");
const ArchivableRegistration<CCLeaderboardData> leaderboardRegistration("CCLeaderboardData");
const ArchivableRegistration<CCGameCenterLeaderboardData> gkLeaderboardRegistration("CCGameCenterLeaderboardData");
const ArchivableRegistration<CCGameCenterAchievementData> gkAchievementRegistration("CCGameCenterAchievementData");
const ArchivableRegistration<CCPlayerData> playerRegistration("CCPlayerData");
const ArchivableRegistration<CCAchievementData> achievementRegistration("CCAchievementData");
const ArchivableRegistration<CCAffiliateData> affiliateRegistration("CCAffiliateData");
const ArchivableRegistration<CCConfigurationData> configurationRegistration("CCConfigurationData");
const ArchivableRegistration<CCCloudStoreSaveData> saveRegistration("CCCloudStoreSaveData");
const ArchivableRegistration<CCCloudStoreSummaryData> summaryRegistration("CCCloudStoreSummaryData");
const ArchivableRegistration<CCMessageListData> messageListRegistration("CCMessageListData");
const ArchivableRegistration<CCSocialPlayerData> socialPlayerRegistration("CCSocialPlayerData");
const ArchivableRegistration<CCSocialNeighboursData> neighboursRegistration("CCSocialNeighboursData");

} // namespace

int CCAbstractServerData::dataTypeFromString(std::string_view word)
{
    for (int type = 1; type <= kLastDataType; ++type)
        if (word == kTypeWords[type]) return type;
    return -1;
}

std::string CCAbstractServerData::stringFromDataType(int type)
{
    if (type < 1 || type > kLastDataType) return "unknown";
    return kTypeWords[type];
}

Ref<CCAbstractServerData> CCAbstractServerData::recordForDataType(int type)
{
    switch (type) {
    case 1: return makeRef<CCAnalyticData>();
    case 2: return makeRef<CCUIDescription>();
    case 3: return makeRef<CCImageData>();
    case 4: return makeRef<CCDeviceToken>();
    case 5: return makeRef<CCNullPost>();
    case 6: return makeRef<CCLeaderboardData>();
    case 7: return makeRef<CCGameCenterLeaderboardData>();
    case 8: return makeRef<CCGameCenterAchievementData>();
    case 9: return makeRef<CCPlayerData>();
    case 10: return makeRef<CCAchievementData>();
    case 11: return makeRef<CCAffiliateData>();
    case 12: return makeRef<CCConfigurationData>();
    case 13: return makeRef<CCCloudStoreSaveData>();
    case 14: return makeRef<CCCloudStoreSummaryData>();
    case 15: return makeRef<CCMessageListData>();
    case 16: return makeRef<CCSocialPlayerData>();
    case 17: return makeRef<CCSocialNeighboursData>();
    default: return {};
    }
}

CCAbstractServerData::CCAbstractServerData() : timeStamp_(Clock::wallSeconds()) {}

int64_t CCAbstractServerData::wholeSeconds(double seconds)
{
    if (std::isnan(seconds)) return 0;
    // 2^63 as a double is the first value beyond the range.
    constexpr double kLimit = 9223372036854775808.0;
    if (seconds >= kLimit) return std::numeric_limits<int64_t>::max();
    if (seconds < -kLimit) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(seconds); // truncates toward zero
}

Ref<CCAbstractServerData> CCAbstractServerData::serverDataFromJSONData(std::optional<std::string_view> text,
                                                                       const Value::Bytes* imageBytes)
{
    if (!text || text->empty()) throw ServerDataNoInit("No data supplied to initFromJSONData");
    CCJSON json;
    JsonError error;
    std::optional<Value> parsed = json.objectWithString(*text, &error);
    if (!parsed || !parsed->isDict()) throw ServerDataNoInit("Unable to decode data");

    const Value& meta = parsed->get("meta");
    if (!meta.isDict()) return {};
    const Value& word = meta.get("type");
    if (!word.isString()) return {};
    Ref<CCAbstractServerData> record = recordForDataType(dataTypeFromString(word.stringView()));
    if (!record) return {};
    record->setTimeStamp(meta.get("timestamp").asDouble());

    const Value& internal = parsed->get("internal");
    if (internal.isDict()) {
        if (const Value& url = internal.get("url"); url.isString()) record->setUrl(std::string(url.stringView()));
        if (const Value& pri = internal.get("pri"); pri.isNumber() || pri.isString())
            record->setFetchPriority(pri.asInt());
        if (const Value& nocache = internal.get("nocache"); nocache.isNumber() || nocache.isString())
            record->setDoNotCacheOverride(nocache.asBool());
    }
    // The envelope's data replaces whatever the kind starts with; a scalar
    // is no document, a list is kept as it came.
    const Value& data = parsed->get("data");
    record->setMainData(data.isDict() || data.isArray() ? data : Value());
    if (imageBytes && !imageBytes->empty() && record->dataType() == CCImageData::kDataType)
        record->setImage(Image::decode(imageBytes->data(), imageBytes->size(), record->url()));
    return record;
}

std::optional<std::string> CCAbstractServerData::JSONRepresentationWithInternal(bool withInternal) const
{
    Value envelope = Value::dictionary(
        {{"meta", Value::dictionary({{"type", stringFromDataType(dataType_)},
                                     {"timestamp", Value::int64(wholeSeconds(timeStamp_.value_or(0.0)))}})}});
    if (!mainData_.isNull()) envelope.set("data", mainData_);
    if (withInternal && !url_.empty())
        envelope.set("internal", Value::dictionary({{"url", url_},
                                                     {"pri", Value(int32_t(fetchPriority_))},
                                                     {"nocache", Value(doNotCacheOverride_)}}));
    // Logs the writer's error itself.
    return mw::JSONRepresentation(envelope);
}

int CCAbstractServerData::fetchComparator(const CCAbstractServerData& other) const
{
    if (fetchPriority_ < other.fetchPriority_) return -1;
    if (fetchPriority_ > other.fetchPriority_) return 1;
    return 0;
}

bool CCAbstractServerData::isEqual(const CCAbstractServerData* other) const
{
    if (other == this) return true;
    if (!other || mainData_.isNull() || other->mainData_.isNull()) return false;
    return mainData_ == other->mainData_;
}

Ref<CCAbstractServerData> CCAbstractServerData::serverDataFromUpdatedData()
{
    if (auto* image = dynamic_cast<CCImageData*>(this)) {
        image->convertToImageDataIfAble();
        return Ref<CCAbstractServerData>(this);
    }
    std::string_view text(reinterpret_cast<const char*>(receivedData_.data()), receivedData_.size());
    try {
        // The parser refuses text that is not UTF-8.
        Ref<CCAbstractServerData> record = serverDataFromJSONData(text);
        if (record) {
            record->setUrl(url_);
            return record;
        }
    } catch (const ServerDataNoInit&) {
    }
    return Ref<CCAbstractServerData>(this);
}

std::string CCAbstractServerData::description() const
{
    return "<" + className() + "> [url " + url_ + "]";
}

void CCAbstractServerData::encodeWithCoder(KeyedArchiver& coder) const
{
    std::optional<std::string> envelope = JSONRepresentationWithInternal(true);
    if (envelope) coder.encodeString(kArchiveKey, *envelope);
    if (image_ && !receivedData_.empty()) coder.encodeData(kArchiveImageKey, receivedData_);
    if (postData_) coder.encodeData(kArchivePostKey, *postData_);
}

void CCAbstractServerData::takeContentOf(CCAbstractServerData& other)
{
    dataType_ = other.dataType_;
    doNotCacheOverride_ = other.doNotCacheOverride_;
    fetchPriority_ = other.fetchPriority_;
    mainData_ = std::move(other.mainData_);
    timeStamp_ = other.timeStamp_;
    url_ = std::move(other.url_);
    image_ = std::move(other.image_);
    uiViewType_ = other.uiViewType_;
}

bool CCAbstractServerData::initWithCoder(KeyedUnarchiver& coder)
{
    const Value envelope = coder.decodeValue(kArchiveKey);
    const Value image = coder.decodeValue(kArchiveImageKey);
    const Value post = coder.decodeValue(kArchivePostKey);
    if (post.isData()) postData_ = post.asData();
    if (!envelope.isString()) return true;
    try {
        Ref<CCAbstractServerData> record =
            serverDataFromJSONData(envelope.stringView(), image.isData() ? &image.asData() : nullptr);
        if (record) {
            takeContentOf(*record);
            if (image_) receivedData_ = image.asData();
        }
    } catch (const ServerDataNoInit& error) {
        logLine("Server data archive unreadable: %s", error.reason().c_str());
    }
    return true;
}

} // namespace mw
