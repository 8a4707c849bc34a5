#include "social/services/CCGameSession.h"

#include <cmath>

#include "foundation/Clock.h"
#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "foundation/RunLoop.h"
#include "foundation/Shared.h"
#include "foundation/Utf16.h"
#include "social/data/CCDataStore.h"
#include "social/queues/CCFetchManager.h"
#include "social/data/CCLumoraLog.h"
#include "social/data/CCLumoraService.h"
#include "social/services/CCServiceSession.h"
#include "social/queues/records/CCServerRecords.h"
#include "social/support/CCJSON.h"
#include "social/support/KeychainWrapper.h"

namespace mw {

namespace {

constexpr const char* kKeychainAccount = "zandovar";
constexpr const char* kKeychainService = "gameconfig";
constexpr const char* kNameKey = "gameconfigname";
constexpr const char* kTypeKey = "gameconfigtype";
constexpr const char* kDataKey = "gameconfigdata";

// The first kMaxEventIdLength UTF-16 units, cut before a surrogate pair
// that would be split.
std::string cutEventId(const std::string& id)
{
    std::u16string units = utf8ToUtf16(id);
    if (units.size() <= CCGameSession::kMaxEventIdLength) return id;
    size_t length = CCGameSession::kMaxEventIdLength;
    const char16_t last = units[length - 1];
    if (last >= 0xD800 && last <= 0xDBFF) --length;
    units.resize(length);
    return utf16ToUtf8(units);
}

} // namespace

CCGameSession* CCGameSession::sharedInstance() { return Shared<CCGameSession>::get(); }

void CCGameSession::releaseSharedInstance() { Shared<CCGameSession>::purge(); }

CCGameSession::CCGameSession() { readFromFile(); }

CCGameSession::~CCGameSession() { NotificationCenter::defaultCenter().removeObserver(this); }

// ---- keychain ----

void CCGameSession::setEnableKeychainAccess(bool enable)
{
    if (enable && !keychain_) {
        keychain_ = std::make_unique<KeychainWrapper>(kKeychainAccount, kKeychainService);
        readFromKeychain();
    } else if (!enable && keychain_) {
        writeToKeychain();
        keychain_.reset();
    }
}

void CCGameSession::writeToKeychain()
{
    if (!keychain_ || !gameConfig_) return;
    keychain_->mySetObject(gameConfig_->configName(), kNameKey);
    keychain_->mySetObject(gameConfig_->configDataType(), kTypeKey);
    keychain_->mySetObject(gameConfig_->configData(), kDataKey);
}

void CCGameSession::readFromKeychain()
{
    if (!keychain_) return;
    const Value name = keychain_->myObjectForKey(kNameKey);
    if (name.isNull()) return;
    auto config = makeRef<CCConfigurationData>();
    config->prepareForPost();
    config->mutableMainData().set("name", name);
    config->mutableMainData().set("type", keychain_->myObjectForKey(kTypeKey));
    const Value payload = keychain_->myObjectForKey(kDataKey);
    config->mutableMainData().set("configuration", payload.isString() ? payload : Value(JSONFragment(payload).value_or(std::string())));
    gameConfig_ = config;
    Ref<CCGameSession> self(this);
    RunLoop::performOnMain([self] { self->postConfigurationUpdatedNotificationWithSuccess(true); });
}

// ---- downloads ----

void CCGameSession::setDownloadConfigurationsEnabled(bool enable)
{
    CCServiceSession* session = CCServiceSession::shared();
    if (!session) return;
    session->activateLumoraSetting(10, Value(enable ? "YES" : "NO"));
    if (enable) downloadConfiguration();
}

bool CCGameSession::downloadConfigurationsEnabled() const
{
    CCServiceSession* session = CCServiceSession::installed();
    if (!session) return false;
    const Value& setting = session->valueForWorkaroundSetting(10);
    return setting.isString() && setting.stringView() == "YES";
}

std::string CCGameSession::urlForConfigurationData() const
{
    CCServiceSession* session = CCServiceSession::shared();
    const std::string signature = session ? session->applicationSignature() : std::string();
    return CCLumoraService::liteBaseUrl() + "abconfigurations/request?sig=" + signature;
}

void CCGameSession::downloadConfiguration()
{
    if (!downloadConfigurationsEnabled()) return;
    const double now = Clock::wallSeconds();
    if (std::fabs(now - gameConfigDownloadedTimeStamp_) <= kDownloadInterval) {
        postConfigurationUpdatedNotificationWithSuccess(gameConfig_ != nullptr);
        return;
    }
    const std::string url = urlForConfigurationData();
    auto record = makeRef<CCConfigurationData>(url);
    CCFetchManager* fetchManager = CCFetchManager::sharedInstance();
    fetchManager->clearUrlFromCache(url);
    (void)fetchManager->queueServerData(record, kDownloadPriority, 0);
    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.removeObserver(this, url, fetchManager);
    center.addObserver(this, url, fetchManager,
                       [this](const Notification& notification) { fetchUpdateNotification(notification); });
    writeToFile();
}

void CCGameSession::fetchUpdateNotification(const Notification& notification)
{
    const auto* info = std::any_cast<Value>(&notification.userInfo());
    bool success = false;
    if (info && (*info)["status"].asInt() == 1 && (*info)["url"].isString()) {
        Ref<CCConfigurationData> config = dynamicRef<CCConfigurationData>(
            CCFetchManager::sharedInstance()->serverDataForURL((*info)["url"].asString()));
        if (config && config->dataAvailable() && config->configName().isString()) {
            gameConfig_ = config;
            gameConfigDownloadedTimeStamp_ = Clock::wallSeconds();
            writeToFile();
            success = true;
        }
    }
    postConfigurationUpdatedNotificationWithSuccess(success);
}

// ---- given configurations ----

void CCGameSession::initialiseConfigurationWithData(const Value& data, const std::string& type)
{
    if (gameConfig_ || type != "json") {
        postConfigurationUpdatedNotificationWithSuccess(false);
        return;
    }
    CCJSON writer;
    std::optional<std::string> text = writer.stringWithObject(data);
    if (!text) {
        postConfigurationUpdatedNotificationWithSuccess(false);
        return;
    }
    initialiseConfigurationWithDataString(*text, type);
}

void CCGameSession::initialiseConfigurationWithDataString(const std::string& text, const std::string& type)
{
    if (gameConfig_) {
        postConfigurationUpdatedNotificationWithSuccess(false);
        return;
    }
    auto config = makeRef<CCConfigurationData>();
    config->prepareForPost();
    config->mutableMainData().set("name", Value("default"));
    config->mutableMainData().set("type", Value(type));
    config->mutableMainData().set("configuration", Value(text));
    gameConfig_ = config;
    writeToFile();
    postConfigurationUpdatedNotificationWithSuccess(true);
}

void CCGameSession::postConfigurationUpdatedNotificationWithSuccess(bool success)
{
    Value info = Value::dictionary({{"success", Value(success)}});
    std::any userInfo = info;
    if (gameConfig_) {
        // The configuration's main data; the record is gameConfig().
        info.set("config", gameConfig_->mainData());
        userInfo = info;
    }
    NotificationCenter::defaultCenter().postNotification(kConfigurationUpdateNotification, this, userInfo);
}

// ---- the store ----

void CCGameSession::writeToFile()
{
    CCDataStore* store = CCDataStore::sharedInstance();
    store->setValue(kTimestampKey, Value(gameConfigDownloadedTimeStamp_));
    (void)store->writeToFile();
    if (keychain_) writeToKeychain();
}

void CCGameSession::readFromFile()
{
    const Value& stamp = CCDataStore::sharedInstance()->valueForKey(kTimestampKey);
    if (stamp.isNumber()) gameConfigDownloadedTimeStamp_ = stamp.asDouble();
    if (keychain_) readFromKeychain();
}

// ---- usage ----

Value CCGameSession::gameSessionAnalytics() const
{
    const Value name = gameConfig_ ? gameConfig_->configName() : Value();
    return Value::dictionary({{"configuration", name.isString() ? name : Value("none")}});
}

void CCGameSession::logUsageForId(const std::string& eventId, const Value& data)
{
    if (eventId.empty()) return;
    if (!data.isNull()) {
        CCJSON writer;
        if (!writer.stringWithFragment(data, nullptr)) {
            logLine("%sGame usage \"%s\": its data cannot be sent; nothing logged", kLumoraError, eventId.c_str());
            return;
        }
    }
    CCDataStore* store = CCDataStore::sharedInstance();
    Value entry = Value::array();
    entry.push(Value(store->intervalSince1970WithAnalyticOffset()));
    entry.push(Value(cutEventId(eventId)));
    entry.push(data.isNull() ? Value::null() : data);
    Value log = store->valueForKey(kUsageKey);
    if (!log.isArray()) log = Value::array();
    log.push(std::move(entry));
    store->setValue(kUsageKey, std::move(log));
    (void)store->writeToFile();
}

void CCGameSession::logApplicationInstallEvent()
{
    CCDataStore* store = CCDataStore::sharedInstance();
    if (store->appInstalled()) return;
    store->setAppInstalled();
    logUsageForId(kInstallEvent);
}

} // namespace mw
