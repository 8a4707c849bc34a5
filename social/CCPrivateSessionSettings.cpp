// The session's numbered settings, the orientation of the social screens and
// the small questions about the device, location, address book and URL text.

#include <cmath>
#include <cstdio>

#include "foundation/Clock.h"
#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "platform/AddressBook.h"
#include "platform/Application.h"
#include "platform/DeviceFacts.h"
#include "platform/HTTPCookieStorage.h"
#include "platform/LocationService.h"
#include "social/CCDataStore.h"
#include "social/CCLoginHandler.h"
#include "social/CCLumoraLog.h"
#include "social/CCNavControllerBase.h"
#include "social/CCNeighbours.h"
#include "social/CCPrivateSession.h"
#include "social/CCStorePurchases.h"
#include "social/support/URLUtilities.h"
#include "social/ui/UIWindow.h"

namespace mw {

namespace {

constexpr const char* kOrientationWillChange = "CCOrientationWillChangeNotification";
constexpr const char* kOrientationDidChange = "CCOrientationDidChangeNotification";
constexpr double kLocationAccuracyMeters = 1000;

// The cookies that keep a player signed in to the service.
constexpr const char* kSessionCookieNames[] = {"JSESSIONID", "REMEMBER_ME", "SPRING_SECURITY_REMEMBER_ME_COOKIE"};

std::function<void(const Value&)>& storeProductsHook()
{
    static std::function<void(const Value&)> hook;
    return hook;
}

bool isYes(const Value& value) { return value.isString() && value.stringView() == "YES"; }

std::optional<std::string> optionalString(const Value& value)
{
    if (!value.isString()) return std::nullopt;
    return value.asString();
}

} // namespace

void CCPrivateSession::setStoreProductsHook(std::function<void(const Value& productIds)> hook)
{
    storeProductsHook() = std::move(hook);
}

const Value& CCPrivateSession::valueForWorkaroundSetting(int number) const
{
    auto found = workaroundSettings_.find(number);
    return found == workaroundSettings_.end() ? Value::null() : found->second;
}

void CCPrivateSession::activateLumoraSetting(int number, const Value& value)
{
    if (value.isNull()) {
        workaroundSettings_.erase(number);
    } else {
        workaroundSettings_[number] = value;
        if (number == 2 && value.isString() && value.stringView() == "NO") {
            if (postManager_) postManager_->startPosting();
            if (gcPostManager_) gcPostManager_->startPosting();
        }
    }
    CCDataStore* store = CCDataStore::sharedInstance();
    switch (number) {
    case -1005:
        store->setSpoofUserId(optionalString(value));
        clearDataForUniqueIDChangeAndClearCloudStores(true);
        break;
    case -1002:
        store->setSpoofUUID(optionalString(value));
        clearDataForUniqueIDChangeAndClearCloudStores(true);
        break;
    case -1001:
        store->setSpoofUdid(optionalString(value));
        clearDataForUniqueIDChangeAndClearCloudStores(true);
        break;
    case -1004:
        store->setUUIDEnabled(isYes(value));
        clearDataForUniqueIDChangeAndClearCloudStores(false);
        break;
    case -1003:
        store->setUDIDEnabled(isYes(value));
        clearDataForUniqueIDChangeAndClearCloudStores(false);
        break;
    case 6:
        if (value.isArray() && !value.empty()) {
            if (storeProductsHook()) {
                storeProductsHook()(value);
            } else {
                CCSKProductInfo::sharedInstance()->startUpdating();
                CCSKTransactionHandler::sharedInstance();
            }
        }
        break;
    case 8:
        if (value.isString()) EnablePublicAPILog(!isYes(value));
        break;
    default: break;
    }
}

void CCPrivateSession::disableAvoidBackgroundActivity()
{
    if (isYes(valueForWorkaroundSetting(2))) activateLumoraSetting(2, Value("NO"));
}

void CCPrivateSession::clearDataForUniqueIDChangeAndClearCloudStores(bool clearCookies)
{
    secret_.reset();
    updateSecretForGameCenterPlayerId();
    CCFetchManager* fetchManager = CCFetchManager::sharedInstance();
    fetchManager->stopFetching();
    fetchManager->clearDataWithCompleteClean(true);
    CCLoginHandler::sharedInstance()->setIsFirstUiActivationToday(true);
    if (!clearCookies) return;
    // Every sign-in cookie that would go to the service host: host-only ones
    // and those of a domain the host belongs to alike.
    auto storage = HTTPCookieStorage::sharedInstance();
    const double now = Clock::wallSeconds();
    for (const HTTPCookie& cookie : storage->cookies()) {
        bool named = false;
        for (const char* name : kSessionCookieNames) named = named || cookie.name() == name;
        if (!named) continue;
        const std::string url = std::string("https://") + kServiceHost + std::string(cookie.path());
        if (cookie.matches(url, now)) {
            storage->deleteCookie(cookie);
        }
    }
}

// ---- orientation ----

int CCPrivateSession::currentDeviceOrientation()
{
    if (currentDeviceOrientation_ == 0) {
        int orientation = Application::sharedApplication().statusBarOrientation();
        bool allowed = false;
        for (int entry : orientationLockList_) allowed = allowed || entry == orientation;
        if (!allowed && !orientationLockList_.empty()) orientation = orientationLockList_.front();
        currentDeviceOrientation_ = orientation;
    }
    return currentDeviceOrientation_;
}

int CCPrivateSession::currentInterfaceOrientation()
{
    const int orientation = currentDeviceOrientation();
    return orientation >= 2 && orientation <= 4 ? orientation : 1;
}

CGAffineTransform CCPrivateSession::workaroundTransformForCurrentDeviceOrientation()
{
    switch (currentDeviceOrientation()) {
    case 2: return CGAffineTransformRotate(CGAffineTransformIdentity, float(M_PI));
    case 3: return CGAffineTransformRotate(CGAffineTransformIdentity, float(M_PI_2));
    case 4: return CGAffineTransformRotate(CGAffineTransformIdentity, float(-M_PI_2));
    default: return CGAffineTransformIdentity;
    }
}

void CCPrivateSession::willRotateToInterfaceOrientation(int orientation, double duration)
{
    bool allowed = false;
    for (int entry : orientationLockList_) allowed = allowed || entry == orientation;
    if (!allowed || orientation == currentDeviceOrientation()) return;
    currentDeviceOrientation_ = orientation;
    consumeNextDidRotate_ = true;
    // The full UI's view lies in the top window, not under the game's root
    // controller: the platform's rotation reaches it only through here.
    if (Ref<CCNavControllerBase> root = rootViewController_)
        root->willRotateToInterfaceOrientation(orientation, duration);
    NotificationCenter::defaultCenter().postNotification(kOrientationWillChange, this);
}

void CCPrivateSession::didRotateFromInterfaceOrientation(int previousOrientation)
{
    if (!consumeNextDidRotate_) return;
    consumeNextDidRotate_ = false;
    if (Ref<CCNavControllerBase> root = rootViewController_)
        root->didRotateFromInterfaceOrientation(previousOrientation);
    NotificationCenter::defaultCenter().postNotification(kOrientationDidChange, this);
}

// ---- device ----

bool CCPrivateSession::osMajorVersionIs(const char* major) const
{
    const std::string version = DeviceFacts::sharedInstance()->systemVersion();
    return version.substr(0, version.find('.')) == major;
}

bool CCPrivateSession::is2dotXOSVersion() const { return osMajorVersionIs("2"); }
bool CCPrivateSession::is3dotXOSVersion() const { return osMajorVersionIs("3"); }
bool CCPrivateSession::is4dotXOSVersion() const { return osMajorVersionIs("4"); }
bool CCPrivateSession::isOnPreiOS5() const { return is2dotXOSVersion() || is3dotXOSVersion() || is4dotXOSVersion(); }

UIWindow* CCPrivateSession::getTopApplicationWindow() const { return UIWindow::keyWindow(); }

bool CCPrivateSession::isRunningOniPad()
{
    if (isRunningOniPadCache_ == 0) isRunningOniPadCache_ = DeviceFacts::sharedInstance()->isPadIdiom() ? 2 : 1;
    return isRunningOniPadCache_ == 2;
}

bool CCPrivateSession::supportsMultitasking() const { return DeviceFacts::sharedInstance()->supportsMultitasking(); }

bool CCPrivateSession::isSMSMessagingSupported() const { return DeviceFacts::sharedInstance()->canSendText(); }

// ---- location ----

void CCPrivateSession::startLocationManager()
{
    Ref<CCPrivateSession> self(this);
    LocationService::sharedInstance()->start(kLocationAccuracyMeters,
                                             [self](const LocationService::Location& location) {
                                                 self->currentLocation_ =
                                                     std::make_pair(location.latitude, location.longitude);
                                             });
    locationStarted_ = true;
}

void CCPrivateSession::stopLocationManager()
{
    if (locationStarted_) LocationService::sharedInstance()->stop();
}

bool CCPrivateSession::locationServicesAvailable() const
{
    return locationStarted_ && LocationService::sharedInstance()->servicesEnabled();
}

void CCPrivateSession::addCommonFieldsToFormModel(Value& form) const
{
    if (!form.isDict()) form = Value::dictionary();
    if (currentLocation_ && locationServicesAvailable()) {
        form.set("lumora-latitude", Value(currentLocation_->first));
        form.set("lumora-longitude", Value(currentLocation_->second));
    } else {
        form.set("lumora-latitude", Value("unavailable"));
        form.set("lumora-longitude", Value("unavailable"));
    }
    form.set("_spring_security_remember_me", Value("true"));
}

// ---- address book ----

Value CCPrivateSession::getArrayOfAddressBookEmailAddresses() const
{
    Value::Array addresses;
    for (const AddressBook::Person& person : AddressBook::sharedInstance()->people()) {
        for (const auto& [label, address] : person.emailAddresses) addresses.emplace_back(address);
    }
    return Value(std::move(addresses));
}

namespace {

std::string fullName(const AddressBook::Person& person) { return person.firstName + " " + person.lastName; }

std::string contactImageUrl(int32_t recordId)
{
    char url[48];
    std::snprintf(url, sizeof url, "lumora-contactimage://%d", recordId);
    return url;
}

} // namespace

Value CCPrivateSession::getArrayOfAddressBookEmailAddressesNamesAndContactIDs() const
{
    Value contacts = Value::dictionary();
    for (const AddressBook::Person& person : AddressBook::sharedInstance()->people()) {
        if (person.emailAddresses.empty()) continue;
        Value entry = Value::dictionary();
        if (!person.firstName.empty() || !person.lastName.empty()) entry.set("name", Value(fullName(person)));
        if (person.recordId != -1) entry.set("image", Value(contactImageUrl(person.recordId)));
        contacts.set(person.emailAddresses.front().second, std::move(entry));
    }
    return contacts;
}

Value CCPrivateSession::getArrayOfContactsWith(int flags, int /*requiring*/) const
{
    const bool wantEmail = (flags & 2) != 0;
    const bool wantPhone = (flags & 4) != 0 && isSMSMessagingSupported();
    const bool wantImage = (flags & 8) != 0;
    Value contacts = Value::dictionary();
    const std::vector<AddressBook::Person> people = AddressBook::sharedInstance()->people();
    for (size_t index = 0; index < people.size(); ++index) {
        const AddressBook::Person& person = people[index];
        if (person.firstName.empty() && person.lastName.empty()) continue;
        Value entry = Value::dictionary({{"name", Value(fullName(person))}});
        if (wantImage) entry.set("image", Value(contactImageUrl(person.recordId)));
        bool added = false;
        if (wantEmail) {
            Value emails = Value::dictionary();
            for (const auto& [label, address] : person.emailAddresses) emails.set(label, Value(address));
            added = added || !emails.empty();
            entry.set("emaildict", std::move(emails));
        }
        if (wantPhone) {
            Value phones = Value::dictionary();
            for (const auto& [label, number] : person.phoneNumbers) phones.set(label, Value(number));
            added = added || !phones.empty();
            entry.set("phonedict", std::move(phones));
        }
        if (added) contacts.set(std::to_string(index), std::move(entry));
    }
    return contacts;
}

// ---- URL text ----

std::string CCPrivateSession::urlEncodedDictionary(const Value& dictionary)
{
    std::string encoded;
    if (!dictionary.isDict()) return encoded;
    for (const auto& [key, value] : dictionary.asDict()) {
        std::string text;
        if (value.isString()) {
            text = value.asString();
        } else if (value.isNumber()) {
            // "%f" of the double: a float would turn 16777217 into 16777216.
            char number[64];
            std::snprintf(number, sizeof number, "%f", value.asDouble());
            text = number;
        } else {
            continue;
        }
        if (!encoded.empty()) encoded += '&';
        encoded += escapeQueryComponent(key) + "=" + escapeQueryComponent(text);
    }
    return encoded;
}

Value CCPrivateSession::paramDictionaryFromUrlString(const std::string& url)
{
    const size_t question = url.find('?');
    if (question == std::string::npos) return Value();
    Value params = Value::dictionary();
    const std::string query = url.substr(question + 1);
    size_t start = 0;
    while (start <= query.size()) {
        size_t end = query.find('&', start);
        if (end == std::string::npos) end = query.size();
        const std::string piece = query.substr(start, end - start);
        const size_t equals = piece.find('=');
        // Exactly one "=": a piece without one or with more is skipped.
        if (equals != std::string::npos && piece.find('=', equals + 1) == std::string::npos) {
            params.set(piece.substr(0, equals), Value(piece.substr(equals + 1)));
        }
        start = end + 1;
    }
    return params;
}

} // namespace mw
