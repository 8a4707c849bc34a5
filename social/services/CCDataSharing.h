#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "foundation/NotificationCenter.h"
#include "foundation/NSTimer.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "platform/HTTPCookie.h"

namespace mw {

class KeychainWrapper;

// The record shared between the publisher's applications: a device identity
// and the service's sign-in cookies, each with the date that decides merges.
// Dates are seconds since 1970.
struct CCDataSharingData {
    static constexpr const char* kClassName = "CCDataSharingData";
    static constexpr const char* kUuidKey = "CCDataSharingStore_uuid";
    static constexpr const char* kUuidTimestampKey = "CCDataSharingStore_uuidTimestamp";
    static constexpr const char* kCookiesKey = "CCDataSharingStore_cookies";
    static constexpr const char* kCookieTimestampKey = "CCDataSharingStore_cookieTimestamp";
    static constexpr const char* kCookieClassName = "CCStorableCookie";
    static constexpr const char* kCookiePropertiesKey = "CCStorableCookie_properties";

    std::optional<std::string> uuid;
    std::optional<double> uuidTimestamp;
    std::optional<std::vector<HTTPCookie>> cookies;
    std::optional<double> cookieTimestamp;

    // The first cookie's security token ("JSESSIONID" value), if any.
    std::optional<std::string> securityTokenFromCookies() const;
    // Takes the other record's identity and cookies where the rules say it wins.
    void mergeWithSharingStore(const CCDataSharingData& other);
    // Identity, its date and the security token (with the presence of each
    // field); the cookie date is not compared.
    bool isEqual(const CCDataSharingData* other) const;
    std::string description() const;

    // The keyed archive (a property list naming its class; each field only
    // when present) and back. Bytes that are no archive of this record give
    // nullopt, with the reason.
    std::vector<uint8_t> archive() const;
    static std::optional<CCDataSharingData> unarchive(const uint8_t* data, size_t size, std::string* error = nullptr);
    static std::optional<CCDataSharingData> unarchive(const std::vector<uint8_t>& bytes, std::string* error = nullptr)
    {
        return unarchive(bytes.data(), bytes.size(), error);
    }
};

// One place the record is kept.
class CCDataSharingStore : public Object {
public:
    static constexpr const char* kReadyNotification = "KCCDataSharingStoreReady";
    virtual std::optional<CCDataSharingData> dataFromStore() = 0;
    virtual void putDataToStore(const CCDataSharingData& data) = 0;
    virtual void clearDataFromStore() = 0;
    virtual bool isReady() = 0;
    virtual std::string storeName() const = 0;
};

// The application's data store, key "CCDataSharingStore_local".
class CCLocalDataSharingStore : public CCDataSharingStore {
public:
    static constexpr const char* kKey = "CCDataSharingStore_local";
    std::optional<CCDataSharingData> dataFromStore() override;
    void putDataToStore(const CCDataSharingData& data) override;
    void clearDataFromStore() override;
    bool isReady() override { return true; }
    std::string storeName() const override { return "CCLocalDataSharingStore"; }
};

// The keychain item of account "zandovar", service "datasharing", in the
// first access group that works, under the key "datasharing".
class CCKeychainDataSharingStore : public CCDataSharingStore {
public:
    static constexpr const char* kKey = "datasharing";
    CCKeychainDataSharingStore();
    ~CCKeychainDataSharingStore() override;
    std::optional<CCDataSharingData> dataFromStore() override;
    void putDataToStore(const CCDataSharingData& data) override;
    void clearDataFromStore() override;
    bool isReady() override;
    std::string storeName() const override { return "CCKeychainDataSharingStore"; }
    KeychainWrapper& wrapper() { return *wrapper_; }

private:
    std::unique_ptr<KeychainWrapper> wrapper_;
};

// The shared cookie storage: the three sign-in cookies of the service host.
class CCCookieDataSharingStore : public CCDataSharingStore {
public:
    // 1 second after 1970: the date of cookies whose token never changed.
    static constexpr double kUnchangedDate = 1;
    std::optional<std::vector<HTTPCookie>> cookiesFromCookieStore() const;
    void storeCookiesInCookieStore(const std::vector<HTTPCookie>& cookies);
    std::optional<CCDataSharingData> dataFromStore() override;
    void putDataToStore(const CCDataSharingData& data) override;
    void clearDataFromStore() override;
    bool isReady() override;
    std::string storeName() const override { return "CCCookieDataSharingStore"; }

private:
    std::optional<std::string> lastSecurityToken_;
    std::optional<double> lastSecurityTokenChangeDate_;
};

// Resolves the record over the stores it is given: reads each, merges, and
// writes the result back to every ready store that differs. Main thread.
class CCDataSharing : public Object {
public:
    static constexpr const char* kUpdatedNotification = "KCCDataSharingUpdated";
    static constexpr double kStartupSeconds = 4.0;
    using Entry = std::variant<std::string, Ref<Object>>;

    // Each entry a store, or the class name of one (CCLocalDataSharingStore,
    // CCKeychainDataSharingStore, CCCookieDataSharingStore,
    // CCCloudDataSharingStore); anything else is skipped with a log line.
    // Null: no stores, and updated at once.
    static Ref<CCDataSharing> initWithImplementationList(const std::optional<std::vector<Entry>>& list);
    ~CCDataSharing() override;

    void injectImplementationString(const std::string& className);
    void injectImplementation(const Ref<Object>& store);
    void dssImplementationUpdated();
    void dssStartupTimerExpired();
    bool isUpdated();
    std::optional<std::string> uuid() const;
    void resolveDssImplementations() { attemptResolveOfDssImplementations(); }
    void clearStoreData();
    static std::string getUUID();
    static CCDataSharingData newDataSharingStore();

    const std::optional<CCDataSharingData>& resolved() const { return resolved_; }
    const std::vector<Ref<CCDataSharingStore>>& stores() const { return stores_; }

private:
    CCDataSharing() = default;
    void attemptResolveOfDssImplementations();

    std::optional<CCDataSharingData> resolved_;
    std::vector<Ref<CCDataSharingStore>> stores_;
    std::vector<NotificationCenter::ObserverId> observers_;
    bool timerHasExpired_ = false;
    Ref<NSTimer> startupTimer_;
};

} // namespace mw
