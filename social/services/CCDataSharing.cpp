#include "social/services/CCDataSharing.h"

#include "foundation/Clock.h"
#include "foundation/Format.h"
#include "foundation/Log.h"
#include "foundation/PropertyList.h"
#include "platform/DeviceFacts.h"
#include "platform/HTTPCookieStorage.h"
#include "social/services/CCCloudDataSharingStore.h"
#include "social/data/CCDataStore.h"
#include "social/data/CCLumoraLog.h"
#include "social/data/CCLumoraService.h"
#include "social/support/KeychainWrapper.h"
#include "social/support/URLUtilities.h"

namespace mw {

namespace {

constexpr const char* kSessionCookieNames[] = { "JSESSIONID", "REMEMBER_ME", "SPRING_SECURITY_REMEMBER_ME_COOKIE" };

std::string dateText(const std::optional<double>& date) { return date ? format("%.3f", *date) : std::string("(null)"); }

} // namespace

// ---- the record ----

std::optional<std::string> CCDataSharingData::securityTokenFromCookies() const
{
    if (!cookies) return std::nullopt;
    for (const HTTPCookie& cookie : *cookies)
        if (auto token = securityToken(cookie)) return token;
    return std::nullopt;
}

void CCDataSharingData::mergeWithSharingStore(const CCDataSharingData& other)
{
    // Identity: the one made first is the device's.
    bool otherIdentity = false;
    if (uuid.has_value() != other.uuid.has_value()) {
        otherIdentity = other.uuid.has_value();
    } else if (uuid && other.uuid) {
        otherIdentity = other.uuidTimestamp && (!uuidTimestamp || *other.uuidTimestamp < *uuidTimestamp);
    }
    if (otherIdentity) {
        uuid = other.uuid;
        if (other.uuidTimestamp) uuidTimestamp = other.uuidTimestamp;
    }

    // Cookies: a sign-in beats none; between two sign-ins the later wins.
    const auto mine = securityTokenFromCookies();
    const auto theirs = other.securityTokenFromCookies();
    auto laterWins = [&] {
        if (cookieTimestamp.has_value() != other.cookieTimestamp.has_value()) return other.cookieTimestamp.has_value();
        return cookieTimestamp && other.cookieTimestamp && *other.cookieTimestamp > *cookieTimestamp;
    };
    bool otherCookies = false;
    if (mine.has_value() != theirs.has_value()) {
        otherCookies = theirs.has_value();
    } else if (mine && theirs && *mine != *theirs) {
        otherCookies =
            cookieTimestamp && other.cookieTimestamp ? *other.cookieTimestamp > *cookieTimestamp : laterWins();
    } else {
        otherCookies = laterWins();
    }
    if (otherCookies) {
        if (other.cookies) cookies = other.cookies;
        if (other.cookieTimestamp) cookieTimestamp = other.cookieTimestamp;
    }
}

bool CCDataSharingData::isEqual(const CCDataSharingData* other) const
{
    if (other == this) return true;
    if (!other) return false;
    const auto mine = securityTokenFromCookies();
    const auto theirs = other->securityTokenFromCookies();
    if (uuid.has_value() != other->uuid.has_value() || uuidTimestamp.has_value() != other->uuidTimestamp.has_value() ||
        cookies.has_value() != other->cookies.has_value() || mine.has_value() != theirs.has_value())
        return false;
    return uuid == other->uuid && uuidTimestamp == other->uuidTimestamp && mine == theirs;
}

std::string CCDataSharingData::description() const
{
    return format("<CCDataSharingData> [uuid %s][uuidTime %s]\n[cookieTime "
                  "%s][secToken %s]",
                  uuid ? uuid->c_str() : "(null)", dateText(uuidTimestamp).c_str(), dateText(cookieTimestamp).c_str(),
                  securityTokenFromCookies().value_or("(null)").c_str());
}

// Dates are archived as seconds since 1970 in full: a property-list date
// keeps whole seconds only, and a record read back with a cut date would
// never again equal the one it was written from. Dates are read in both forms.
std::vector<uint8_t> CCDataSharingData::archive() const
{
    Value::Dictionary root;
    root.set("$class", Value(kClassName));
    if (uuid) root.set(kUuidKey, Value(*uuid));
    if (uuidTimestamp) root.set(kUuidTimestampKey, Value(*uuidTimestamp));
    if (cookies) {
        Value::Array list;
        for (const HTTPCookie& cookie : *cookies)
            list.push_back(Value::dictionary(
                { { "$class", Value(kCookieClassName) }, { kCookiePropertiesKey, cookie.properties() } }));
        root.set(kCookiesKey, Value(std::move(list)));
    }
    if (cookieTimestamp) root.set(kCookieTimestampKey, Value(*cookieTimestamp));
    std::string error;
    const std::string text = writePropertyList(Value(std::move(root)), &error);
    if (text.empty()) logLine("%sthe shared record cannot be archived (%s)", kLumoraError, error.c_str());
    return std::vector<uint8_t>(text.begin(), text.end());
}

std::optional<CCDataSharingData> CCDataSharingData::unarchive(const uint8_t* data, size_t size, std::string* error)
{
    auto fail = [error](const std::string& why) -> std::optional<CCDataSharingData> {
        if (error) *error = why;
        return std::nullopt;
    };
    if (!data || size == 0) return fail("no bytes");
    std::string readError;
    std::optional<Value> root = readPropertyList(data, size, &readError);
    if (!root) return fail(readError);
    if (!root->isDict() || (*root)["$class"].asString() != kClassName)
        return fail("the archive holds no shared record");
    CCDataSharingData record;
    const Value& uuid = (*root)[kUuidKey];
    if (!uuid.isNull()) {
        if (!uuid.isString()) return fail("the identity is no text");
        record.uuid = uuid.asString();
    }
    for (auto [key, field] : { std::pair { kUuidTimestampKey, &record.uuidTimestamp },
                               std::pair { kCookieTimestampKey, &record.cookieTimestamp } }) {
        const Value& date = (*root)[key];
        if (date.isNull()) continue;
        if (date.isDate()) *field = date.asUnixTime();
        else if (date.isReal() || date.isInteger()) *field = date.asDouble();
        else return fail(std::string(key) + " is no date");
    }
    const Value& cookies = (*root)[kCookiesKey];
    if (!cookies.isNull()) {
        if (!cookies.isArray()) return fail("the cookies are no list");
        std::vector<HTTPCookie> list;
        for (const Value& entry : cookies.asArray()) {
            if (!entry.isDict() || entry["$class"].asString() != kCookieClassName) return fail("a cookie is no cookie");
            std::optional<HTTPCookie> cookie = HTTPCookie::fromProperties(entry[kCookiePropertiesKey]);
            if (!cookie) return fail("a cookie's properties are incomplete");
            list.push_back(std::move(*cookie));
        }
        record.cookies = std::move(list);
    }
    return record;
}

// ---- the local store ----

std::optional<CCDataSharingData> CCLocalDataSharingStore::dataFromStore()
{
    const Value& stored = CCDataStore::sharedInstance()->valueForKey(kKey);
    if (!stored.isData()) return std::nullopt;
    std::string error;
    auto record = CCDataSharingData::unarchive(stored.asData(), &error);
    if (!record) logLine("%sthe data store's shared record is unreadable (%s)", kLumoraError, error.c_str());
    return record;
}

void CCLocalDataSharingStore::putDataToStore(const CCDataSharingData& data)
{
    CCDataStore* store = CCDataStore::sharedInstance();
    store->setValue(kKey, Value(data.archive()));
    store->writeToFile();
}

void CCLocalDataSharingStore::clearDataFromStore() { CCDataStore::sharedInstance()->removeKey(kKey); }

// ---- the keychain store ----

CCKeychainDataSharingStore::CCKeychainDataSharingStore() :
    wrapper_(std::make_unique<KeychainWrapper>("zandovar", "datasharing"))
{
}

CCKeychainDataSharingStore::~CCKeychainDataSharingStore() = default;

std::optional<CCDataSharingData> CCKeychainDataSharingStore::dataFromStore()
{
    const Value stored = wrapper_->myObjectForKey(kKey);
    if (!stored.isData()) return std::nullopt;
    std::string error;
    auto record = CCDataSharingData::unarchive(stored.asData(), &error);
    if (!record) logLine("%sthe keychain's shared record is unreadable (%s)", kLumoraError, error.c_str());
    return record;
}

void CCKeychainDataSharingStore::putDataToStore(const CCDataSharingData& data)
{
    wrapper_->mySetObject(Value(data.archive()), kKey);
}

void CCKeychainDataSharingStore::clearDataFromStore() { wrapper_->myRemoveObjectForKey(kKey); }

bool CCKeychainDataSharingStore::isReady() { return !wrapper_->failedAccessOnInit(); }

// ---- the cookie store ----

std::optional<std::vector<HTTPCookie>> CCCookieDataSharingStore::cookiesFromCookieStore() const
{
    auto storage = HTTPCookieStorage::sharedInstance();
    if (!storage) return std::nullopt;
    const std::string host = CCLumoraService::serviceHost();
    std::vector<HTTPCookie> found;
    for (const HTTPCookie& cookie : storage->cookies()) {
        bool named = false;
        for (const char* name : kSessionCookieNames) named = named || cookie.name() == name;
        if (named && cookie.domain() == host) found.push_back(cookie);
    }
    if (found.empty()) return std::nullopt;
    return found;
}

void CCCookieDataSharingStore::storeCookiesInCookieStore(const std::vector<HTTPCookie>& cookies)
{
    auto storage = HTTPCookieStorage::sharedInstance();
    if (!storage) return;
    for (const HTTPCookie& cookie : cookies) storage->setCookie(cookie);
}

std::optional<CCDataSharingData> CCCookieDataSharingStore::dataFromStore()
{
    auto cookies = cookiesFromCookieStore();
    if (!cookies) return std::nullopt;
    CCDataSharingData record;
    for (const HTTPCookie& cookie : *cookies) {
        auto token = securityToken(cookie);
        if (!token) continue;
        if (!lastSecurityToken_) {
            lastSecurityToken_ = token;
        } else if (*lastSecurityToken_ != *token) {
            lastSecurityToken_ = token;
            lastSecurityTokenChangeDate_ = Clock::wallSeconds();
        }
    }
    record.cookies = std::move(cookies);
    record.cookieTimestamp = lastSecurityTokenChangeDate_.value_or(kUnchangedDate);
    return record;
}

void CCCookieDataSharingStore::putDataToStore(const CCDataSharingData& data)
{
    if (data.cookies) storeCookiesInCookieStore(*data.cookies);
}

void CCCookieDataSharingStore::clearDataFromStore()
{
    auto storage = HTTPCookieStorage::sharedInstance();
    auto cookies = cookiesFromCookieStore();
    if (!storage || !cookies) return;
    for (const HTTPCookie& cookie : *cookies) storage->deleteCookie(cookie);
}

bool CCCookieDataSharingStore::isReady() { return HTTPCookieStorage::sharedInstance() != nullptr; }

// ---- the resolver ----

Ref<CCDataSharing> CCDataSharing::initWithImplementationList(const std::optional<std::vector<Entry>>& list)
{
    Ref<CCDataSharing> sharing(new CCDataSharing());
    if (!list) {
        sharing->timerHasExpired_ = true;
        return sharing;
    }
    for (const Entry& entry : *list) {
        if (const auto* name = std::get_if<std::string>(&entry))
            sharing->injectImplementationString(*name);
        else
            sharing->injectImplementation(std::get<Ref<Object>>(entry));
    }
    sharing->attemptResolveOfDssImplementations();
    CCDataSharing* raw = sharing.get();
    sharing->startupTimer_ =
        NSTimer::scheduledTimer(kStartupSeconds, false, [raw](NSTimer*) { raw->dssStartupTimerExpired(); });
    return sharing;
}

CCDataSharing::~CCDataSharing()
{
    if (startupTimer_) startupTimer_->invalidate();
    for (auto id : observers_) NotificationCenter::defaultCenter().removeObserver(id);
}

void CCDataSharing::injectImplementationString(const std::string& className)
{
    Ref<Object> store;
    if (className == "CCLocalDataSharingStore")
        store = Ref<Object>(makeRef<CCLocalDataSharingStore>().get());
    else if (className == "CCKeychainDataSharingStore")
        store = Ref<Object>(makeRef<CCKeychainDataSharingStore>().get());
    else if (className == "CCCookieDataSharingStore")
        store = Ref<Object>(makeRef<CCCookieDataSharingStore>().get());
    else if (className == "CCCloudDataSharingStore")
        store = Ref<Object>(makeRef<CCCloudDataSharingStore>().get());
    if (!store) {
        logLine("%sno data sharing store is named %s", kLumoraError, className.c_str());
        return;
    }
    injectImplementation(store);
}

void CCDataSharing::injectImplementation(const Ref<Object>& object)
{
    Ref<CCDataSharingStore> store = dynamicRef<CCDataSharingStore>(object);
    if (!store) {
        logLine("%sa data sharing implementation that is no store was skipped", kLumoraError);
        return;
    }
    stores_.push_back(store);
    observers_.push_back(
        NotificationCenter::defaultCenter().addObserver(this, CCDataSharingStore::kReadyNotification, store.get(),
                                                        [this](const Notification&) { dssImplementationUpdated(); }));
}

void CCDataSharing::dssImplementationUpdated()
{
    attemptResolveOfDssImplementations();
    NotificationCenter::defaultCenter().postNotification(kUpdatedNotification, this);
}

void CCDataSharing::dssStartupTimerExpired()
{
    timerHasExpired_ = true;
    startupTimer_ = nullptr;
    NotificationCenter::defaultCenter().postNotification(kUpdatedNotification, this);
}

bool CCDataSharing::isUpdated()
{
    if (timerHasExpired_) return true;
    for (const auto& store : stores_)
        if (!store->isReady()) return false;
    return true;
}

std::optional<std::string> CCDataSharing::uuid() const { return resolved_ ? resolved_->uuid : std::nullopt; }

void CCDataSharing::clearStoreData()
{
    for (const auto& store : stores_) store->clearDataFromStore();
}

std::string CCDataSharing::getUUID() { return DeviceFacts::sharedInstance()->randomUUIDString(); }

CCDataSharingData CCDataSharing::newDataSharingStore()
{
    CCDataSharingData record;
    record.uuid = getUUID();
    record.uuidTimestamp = Clock::wallSeconds();
    return record;
}

void CCDataSharing::attemptResolveOfDssImplementations()
{
    if (stores_.empty()) return;
    std::vector<std::optional<CCDataSharingData>> noted;
    std::optional<CCDataSharingData> base;
    for (const auto& store : stores_) {
        noted.push_back(store->dataFromStore());
        if (!base && noted.back()) base = noted.back();
    }
    if (!base) base = newDataSharingStore();
    for (const auto& record : noted)
        if (record) base->mergeWithSharingStore(*record);
    for (size_t i = 0; i < stores_.size(); ++i) {
        const bool same = noted[i] && noted[i]->isEqual(&*base);
        if (!same && stores_[i]->isReady()) stores_[i]->putDataToStore(*base);
    }
    resolved_ = base;
}

} // namespace mw
