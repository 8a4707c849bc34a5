#pragma once

#include <string>
#include <vector>

#include "social/queues/records/CCAbstractServerData.h"

// The seventeen kinds of server data record. Each fixes its type number; the
// small kinds read a few keys of the main data. Every accessor reads
// forgivingly and gives null (absent) for a value of the wrong kind.

namespace mw {

// A record of one fixed kind made by `initWithUrl:`: base init, then type and URL.
template <int Type>
class CCTypedServerData : public CCAbstractServerData {
public:
    static constexpr int kDataType = Type;
    explicit CCTypedServerData(std::string url = {})
    {
        setDataType(Type);
        setUrl(std::move(url));
    }
};

#define MW_SERVER_RECORD(Name, Type)                                                                              \
    class Name : public CCTypedServerData<Type> {                                                                 \
    public:                                                                                                       \
        using CCTypedServerData<Type>::CCTypedServerData;                                                         \
        std::string className() const override { return #Name; }                                                 \
    }

// The figures a telemetry post reads, under the session telemetry's names.
// The session's telemetry answers them; the post reads whichever source is
// installed and, once filled, tells it to move on to the next post.
class CCAnalyticsSource {
public:
    virtual ~CCAnalyticsSource() = default;
    virtual std::string analyticsSessionId() = 0;
    virtual int analyticsMinutesSinceLastSession() = 0;
    virtual int analyticsLastSessionDuration() = 0;
    virtual int analyticsSessionDuration() = 0;
    virtual int analyticsSessionPostIndex() = 0;
    virtual bool analyticsIsFinalSessionPost() = 0;
    virtual double analyticsSessionStartTimestamp() = 0;
    virtual int analyticsSessionTimeSinceStart() = 0;
    virtual double analyticsSessionCurrentTimestamp() = 0;
    virtual int analyticsMinutesSinceLastSessionData() = 0;
    // Null when the player has no level yet.
    virtual Value lastUserLevel() = 0;
    // The game session's own figures (the game configuration session).
    virtual Value gameSessionAnalytics() = 0;
    virtual void analyticsUpdateCurrentSessionDataForNextPost() = 0;

    // The installed source (not owned); null until the telemetry installs one.
    static CCAnalyticsSource* installed();
    static void install(CCAnalyticsSource* source);
};

// A telemetry post.
class CCAnalyticData : public CCTypedServerData<1> {
public:
    CCAnalyticData() { setMainData(Value::dictionary()); }
    std::string className() const override { return "CCAnalyticData"; }
    // Fills the main data from the device, the session, the installed
    // figures and the data store's ready-to-go lists (which move into the
    // record), then asks the figures' source to move on. Without a source
    // only the device's and the session's keys are filled.
    void populateWithCurrentData();
};

// One page of the server-driven interface.
class CCUIDescription : public CCAbstractServerData {
public:
    static constexpr int kDataType = 2;
    // View types: a page of a navigation stack, and a tab page (fetched
    // with the "x-lumora-uiview" tab header).
    static constexpr int kViewTypeStack = 1;
    static constexpr int kViewTypeTab = 2;
    // As read from an envelope: no URL, priority 10000, view type 1.
    CCUIDescription();
    // A page to fetch: priority + sub-priority (saturating), view type as
    // given. The base initialiser does not run, so the page has no timestamp.
    CCUIDescription(std::string url, int priority, int subPriority, int viewType = 1);
    std::string className() const override { return "CCUIDescription"; }

    // Reads of the page. A value of the wrong kind, or an index out of
    // range, reads as absent (0, null or NO).
    int numberOfGroups() const;
    Value titleForGroup(int group) const;
    int itemsInGroup(int group) const;
    Value elementForItem(int item, int group) const;
    Value elementTypeForItem(int item, int group) const;
    // Change the page in place; out of range or on a page without that group
    // they change nothing and answer false.
    bool removeElementForItem(int item, int group);
    bool insertElement(const Value& element, int index, int group);
    int numberOfTabs() const;
    Value elementForTab(int tab) const;
    Value flatUIElement() const;
    Value viewTitle() const;
    Value eventDictionary() const;
    bool hasEventDictionary() const { return !eventDictionary().isNull(); }
    // 1 "groupedtable", 2 "plaintable", 3 "toplevel", else 0.
    int uiType() const;
    // True for the grouped table style.
    bool uiTypeAsTableViewStyle() const { return uiType() == 1; }

    bool isCacheControlInitial() const { return cacheHas("basedata"); }
    bool isCacheControlMutable() const { return cacheHas("mutable") || isCacheControlNoCache(); }
    bool isCacheControlUpdateGlobalNav() const { return cacheHas("update_global_nav"); }
    bool isCacheControlUpdatePlayerData() const { return cacheHas("update_user_data"); }
    bool isCacheControlSwitchedUser() const { return cacheHas("switched_user"); }
    bool isCacheControlNoCache() const { return cacheHas("no_cache"); }
    bool isCacheControlViewStackUseRedirect() const { return cacheHas("stack_use_redirect"); }
    bool isCacheControlRetainPostData() const { return cacheHas("retainpostdata"); }
    bool isUIControlClosed() const { return textHas("uicontrol", "closed"); }
    bool isUIControlOpen() const { return textHas("uicontrol", "open"); }

    // Prefetching through the fetch manager. Every element of every group
    // with "prefetch" and "href": an unknown page is queued new at the base
    // priority and the element's "prefetch" as sub-priority, a known page not
    // fresh this session is queued again, a fresh one is left.
    void queuePrefetchItemsWithBasePriority(int basePriority) const;
    // The images of "banner" and "lite_banner" elements, indexed by the
    // images actually queued; answers those queued, in order.
    std::vector<std::string> queuePrefetchImageUrls() const;
    void queuePrefetchImageUrlByRowIndex(int row) const;
    // Queues the image at priority 400 + index unless it is absent, "blank"
    // or known and fresh this session; answers whether it queued.
    bool prefetchImageUrl(const Value& image, int index) const;

    // Some element of some group links to activation and is no "Cancel".
    bool containsActivateUi() const;
    // The first element, in group then item order, with a "redirect" key.
    Value uiElementForRedirect() const;

private:
    bool cacheHas(const char* word) const { return textHas("cache", word); }
    bool textHas(const char* key, const char* word) const;
    // The group's object, or null.
    const Value& group(int group) const;
    const Value& items(int group) const;
};

// A picture; decodes its received bytes once.
class CCImageData : public CCTypedServerData<3> {
public:
    using CCTypedServerData<3>::CCTypedServerData;
    std::string className() const override { return "CCImageData"; }
    // Decodes the received bytes when a transfer left some and they form a picture.
    void convertToImageDataIfAble();
    // The picture, decoding first when there is none yet; null when none.
    Ref<Image> imageDataAsUIImage();
    // The transfer decoded the received bytes away from the main thread:
    // `image` (null when they formed no picture, which keeps the earlier
    // one) stands for them until the next transfer starts, so the
    // conversion does not decode them again.
    void takeDecodedReceivedData(Ref<Image> image);
    void forgetDecodedReceivedData() { receivedDataDecoded_ = false; }

private:
    bool receivedDataDecoded_ = false;
};

// A push token posted to the service as lower-case hexadecimal text.
class CCDeviceToken : public CCTypedServerData<4> {
public:
    CCDeviceToken() = default;
    explicit CCDeviceToken(const Value::Bytes& token);
    std::string className() const override { return "CCDeviceToken"; }
};

MW_SERVER_RECORD(CCNullPost, 5);
MW_SERVER_RECORD(CCLeaderboardData, 6);
MW_SERVER_RECORD(CCGameCenterLeaderboardData, 7);
MW_SERVER_RECORD(CCGameCenterAchievementData, 8);
MW_SERVER_RECORD(CCAchievementData, 10);
MW_SERVER_RECORD(CCAffiliateData, 11);

// The player's data as the service knows it.
class CCPlayerData : public CCTypedServerData<9> {
public:
    using CCTypedServerData<9>::CCTypedServerData;
    std::string className() const override { return "CCPlayerData"; }
    Value lumoraAlias() const;
    // YES unless "guestuser" is present and true.
    bool lumoraUser() const;
    bool facebookUser() const;
    bool twitterUser() const;
    int lumoraFriends() const;
    int gameFriends() const;
    Value gifts() const;
    Value giftsLeft() const;
    int badge() const;
    // An integer as its digits, a real as the JSON writer's text, a boolean as
    // "1" or "0", a string as itself; none when absent or of another kind.
    std::optional<std::string> lumoraplayerid() const;
    Value lumorafriendids() const;
    // The collection, null when absent, empty or not a collection.
    Value goods() const;
    Value balances() const;
    // Makes an empty object the main data when there is none or it is no object (logged).
    void prepareForPost();
    // Store the collection and make the post bytes the main data's JSON. A
    // value the writer refuses changes nothing and is logged; false then.
    bool setGoods(const Value& goods) { return setCollection("goods", goods); }
    bool setBalances(const Value& balances) { return setCollection("balances", balances); }

private:
    bool setCollection(const char* key, const Value& value);
};

// The game's configuration as the service sends it.
class CCConfigurationData : public CCTypedServerData<12> {
public:
    using CCTypedServerData<12>::CCTypedServerData;
    std::string className() const override { return "CCConfigurationData"; }
    Value configName() const;
    Value configDataType() const;
    Value configData() const;
    void prepareForPost();
};

class CCCloudStoreSaveData : public CCTypedServerData<13> {
public:
    using CCTypedServerData<13>::CCTypedServerData;
    std::string className() const override { return "CCCloudStoreSaveData"; }
    Value keys() const;
    Value currentUserId() const;
    Value currentUserFriendCode() const;
};

class CCCloudStoreSummaryData : public CCTypedServerData<14> {
public:
    using CCTypedServerData<14>::CCTypedServerData;
    std::string className() const override { return "CCCloudStoreSummaryData"; }
    Value summaryItems() const;
    Value userIsLocked() const;
    Value currentUserId() const;
    Value currentUserFriendCode() const;
};

class CCMessageListData : public CCTypedServerData<15> {
public:
    using CCTypedServerData<15>::CCTypedServerData;
    std::string className() const override { return "CCMessageListData"; }
    // Null unless the main data is an object.
    Value messages() const;
};

class CCSocialPlayerData : public CCTypedServerData<16> {
public:
    using CCTypedServerData<16>::CCTypedServerData;
    std::string className() const override { return "CCSocialPlayerData"; }
    Value friends() const;
    // Forgiving integer read, clamped to the int range; 0 when absent.
    int socialRating() const;
    Value userId() const;
};

class CCSocialNeighboursData : public CCTypedServerData<17> {
public:
    using CCTypedServerData<17>::CCTypedServerData;
    std::string className() const override { return "CCSocialNeighboursData"; }
    Value neighbours() const;
    Value otherUsers() const;
};

#undef MW_SERVER_RECORD

} // namespace mw
