#include "social/support/KeychainWrapper.h"

#include "foundation/KeyedArchive.h"
#include "foundation/Log.h"

namespace mw {

namespace {

const char* const kLogPrefix = "Lumora Error: ";

} // namespace

KeychainWrapper::KeychainWrapper(std::string account, std::string service,
                                 std::optional<std::string> accessGroup, std::shared_ptr<Keychain> keychain)
    : keychain_(keychain ? std::move(keychain) : Keychain::sharedInstance()), account_(std::move(account)),
      service_(std::move(service)), accessGroup_(std::move(accessGroup))
{
    failedAccessOnInit_ = !canAccessKeychain();
    if (failedAccessOnInit_)
        logLine("%s [KeychainWrapper] *** Failed to initialise keychain access ***", kLogPrefix);
}

KeychainWrapper::KeychainWrapper(std::string account, std::string service, std::shared_ptr<Keychain> keychain)
    : keychain_(keychain ? std::move(keychain) : Keychain::sharedInstance()),
      account_(std::move(account)),
      service_(std::move(service))
{
    failedAccessOnInit_ = true;
    for (const std::string& group : buildAccessGroupsArray()) {
        accessGroup_ = group;
        if (canAccessKeychain()) {
            failedAccessOnInit_ = false;
            break;
        }
    }
    if (failedAccessOnInit_)
        logLine("%s [KeychainWrapper] *** Failed to initialise keychain access ***", kLogPrefix);
}

std::vector<std::string> KeychainWrapper::buildAccessGroupsArray()
{
    return {std::string(kTeamIdentifiers[0]) + ".sharedstore",
            std::string(kTeamIdentifiers[1]) + ".sharedstore"};
}

KeychainQuery KeychainWrapper::newSearchDictionary(const std::string&) const
{
    return KeychainQuery{account_, service_, accessGroup_};
}

std::optional<Keychain::Bytes> KeychainWrapper::searchKeychainCopyMatching(const std::string& identifier)
{
    Keychain::Bytes value;
    if (keychain_->search(newSearchDictionary(identifier), value) != KeychainStatus::kSuccess)
        return std::nullopt;
    return value;
}

int32_t KeychainWrapper::createKeychainValue(const Keychain::Bytes& data, const std::string& identifier)
{
    return keychain_->add(newSearchDictionary(identifier), data);
}

int32_t KeychainWrapper::updateKeychainValue(const Keychain::Bytes& data, const std::string& identifier)
{
    return keychain_->update(newSearchDictionary(identifier), data);
}

int32_t KeychainWrapper::deleteKeychainValue(const std::string& identifier)
{
    return keychain_->remove(newSearchDictionary(identifier));
}

bool KeychainWrapper::keepUnreadableAside(const Keychain::Bytes& bytes)
{
    KeychainQuery side = newSearchDictionary(service_);
    side.service += kUnreadableSuffix;
    int32_t status = keychain_->add(side, bytes);
    if (status == KeychainStatus::kDuplicateItem) status = keychain_->update(side, bytes);
    if (status != KeychainStatus::kSuccess) {
        logLine("%s [KeychainWrapper] the item %s cannot be read and cannot be kept aside (status %d); left "
                "alone",
                kLogPrefix, service_.c_str(), static_cast<int>(status));
        return false;
    }
    logLine("%s [KeychainWrapper] the item %s cannot be read; its bytes are kept in %s", kLogPrefix,
            service_.c_str(), side.service.c_str());
    return true;
}

bool KeychainWrapper::canAccessKeychain()
{
    std::optional<Keychain::Bytes> stored = searchKeychainCopyMatching(service_);
    if (!stored) {
        // Made as a new item only: another program that made it meanwhile
        // may already have written to it, and its item is taken as it is.
        const std::optional<Keychain::Bytes> empty = archivedDictionary();
        if (!empty) return false;
        const int32_t status = createKeychainValue(*empty, service_);
        if (status != KeychainStatus::kSuccess && status != KeychainStatus::kDuplicateItem) return false;
        stored = searchKeychainCopyMatching(service_);
        if (!stored) return false;
    }
    KeyedUnarchiver unarchiver(*stored);
    const Value dictionary = unarchiver.ok() ? unarchiver.decodeValue(service_) : Value();
    if (!unarchiver.ok() || !(dictionary.isDict() || dictionary.isNull())) {
        return keepUnreadableAside(*stored);
    }
    keychainData_ = dictionary.isDict() ? dictionary : Value::dictionary();
    return true;
}

std::optional<Keychain::Bytes> KeychainWrapper::archivedDictionary() const
{
    KeyedArchiver archiver;
    archiver.encodeValue(service_, keychainData_);
    std::string error;
    std::vector<uint8_t> data = archiver.encodedData(&error);
    if (data.empty()) {
        logLine("%s [KeychainWrapper] cannot archive the dictionary: %s", kLogPrefix, error.c_str());
        return std::nullopt;
    }
    return data;
}

int32_t KeychainWrapper::writeDictionaryToKeychain()
{
    const std::optional<Keychain::Bytes> data = archivedDictionary();
    if (!data) return KeychainStatus::kParameterError;
    return writeToKeychain(*data, service_);
}

int32_t KeychainWrapper::writeToKeychain(const Keychain::Bytes& data, const std::string& identifier)
{
    if (searchKeychainCopyMatching(identifier)) return updateKeychainValue(data, identifier);
    int32_t status = createKeychainValue(data, identifier);
    if (status != KeychainStatus::kDuplicateItem) return status;
    // The look-up missed an item the add then finds: the item is the game's
    // own, so it is made again with the whole dictionary.
    status = deleteKeychainValue(identifier);
    if (status != KeychainStatus::kSuccess) return status;
    return createKeychainValue(data, identifier);
}

Value KeychainWrapper::myObjectForKey(const std::string& key) const
{
    if (failedAccessOnInit_) return Value();
    return keychainData_[key];
}

void KeychainWrapper::mySetObject(const Value& value, const std::string& key)
{
    if (value.isNull() || failedAccessOnInit_) return;
    const Value* existing = keychainData_.asDict().find(key);
    const std::optional<Value> old = existing ? std::optional<Value>(*existing) : std::nullopt;
    keychainData_.set(key, value);
    if (writeDictionaryToKeychain() == KeychainStatus::kSuccess) return;
    keychainData_.remove(key);
    if (old) keychainData_.set(key, *old);
}

void KeychainWrapper::myRemoveObjectForKey(const std::string& key)
{
    if (failedAccessOnInit_) return;
    const Value* existing = keychainData_.asDict().find(key);
    if (!existing) {
        // Every removal writes, as every change does; nothing can be lost here.
        (void)writeDictionaryToKeychain();
        return;
    }
    const Value old = *existing;
    keychainData_.remove(key);
    if (writeDictionaryToKeychain() != KeychainStatus::kSuccess) keychainData_.set(key, old);
}

std::string KeychainWrapper::errorFromOSStatus(int32_t status)
{
    const char* message = "Unknown keychain error";
    switch (status) {
    case -26275: message = "Unable to decode the provided data."; break;
    case -25308: message = "Interaction with the Security Server is not allowed."; break;
    case -25300: message = "The item cannot be found."; break;
    case -25299: message = "The item already exists."; break;
    case -25293: message = "Authorization/Authentication failed."; break;
    case -25291: message = "No keychain is available."; break;
    case -25243: message = "No access for item."; break;
    case -108: message = "Failed to allocate memory."; break;
    case -50: message = "One or more parameters passed to the function were not valid."; break;
    case -4: message = "Function or operation not implemented."; break;
    default: break;
    }
    return "The operation couldn't be completed. (OSStatus error " + std::to_string(status) + ".) " + message;
}

} // namespace mw
