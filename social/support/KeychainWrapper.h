#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "foundation/Value.h"
#include "platform/Keychain.h"

namespace mw {

// One small dictionary of property-list values kept in one generic-password
// item of the platform keychain (account, service, access group), so that it
// outlives the game's files. The item's value is a keyed archive whose one
// entry, under the service's name, is the dictionary. Every change writes the
// whole dictionary; a refused write leaves the item and the dictionary as
// they were. A wrapper that could not reach the keychain when it was made
// answers null to every read and ignores every write. Main thread.
class KeychainWrapper {
public:
    // The two team identifiers whose "<team>.sharedstore" groups are tried.
    static constexpr const char* kTeamIdentifiers[2] = {"7ZQ4M2KX9A", "K3V8N5T2LP"};
    // The service an unreadable item's bytes are copied to: "<service>" + this.
    static constexpr const char* kUnreadableSuffix = ".unreadable";

    // Uses that group (or none); the keychain is the installed one unless given.
    KeychainWrapper(std::string account, std::string service, std::optional<std::string> accessGroup,
                    std::shared_ptr<Keychain> keychain = nullptr);
    // Tries the groups of buildAccessGroupsArray in order, keeping the first
    // that works; after a full failure the last group tried stays set.
    KeychainWrapper(std::string account, std::string service, std::shared_ptr<Keychain> keychain = nullptr);

    // The value, or null when missing or when the keychain could not be reached.
    Value myObjectForKey(const std::string& key) const;
    // Stores and writes; a null value does nothing. A refused write puts the
    // old value back (or removes the key when there was none).
    void mySetObject(const Value& value, const std::string& key);
    // Removes and writes; a refused write puts the old value back.
    void myRemoveObjectForKey(const std::string& key);

    // Reads the item, creating it with the current (empty) dictionary when
    // missing; one that another program made meanwhile is read as it is,
    // never written over. An item whose bytes are no archive of a dictionary is first
    // copied to the side item (service + kUnreadableSuffix, reported), then
    // the wrapper goes on with its empty dictionary; if that copy fails the
    // keychain counts as unreachable, so nothing is written over the item.
    bool canAccessKeychain();
    // Archives the dictionary and writes it; the status of the write.
    int32_t writeDictionaryToKeychain();
    // Updates the item when it exists, else adds it; an add answered
    // "exists" deletes the item and adds it again (a failed delete's status
    // is the answer).
    int32_t writeToKeychain(const Keychain::Bytes& data, const std::string& identifier);
    // The item's value, or null. The identifier is unused: the query is
    // always the wrapper's own account, service and group.
    std::optional<Keychain::Bytes> searchKeychainCopyMatching(const std::string& identifier);
    int32_t createKeychainValue(const Keychain::Bytes& data, const std::string& identifier);
    int32_t updateKeychainValue(const Keychain::Bytes& data, const std::string& identifier);
    int32_t deleteKeychainValue(const std::string& identifier);
    KeychainQuery newSearchDictionary(const std::string& identifier) const;

    static std::vector<std::string> buildAccessGroupsArray();
    // "<the platform's description of the status> <message of the status>".
    static std::string errorFromOSStatus(int32_t status);

    const std::string& account() const { return account_; }
    const std::string& service() const { return service_; }
    const std::optional<std::string>& accessGroup() const { return accessGroup_; }
    const Value& keychainData() const { return keychainData_; }
    bool failedAccessOnInit() const { return failedAccessOnInit_; }

private:
    bool keepUnreadableAside(const Keychain::Bytes& bytes);
    // The dictionary as the item's value; null (logged) when it cannot be archived.
    std::optional<Keychain::Bytes> archivedDictionary() const;

    std::shared_ptr<Keychain> keychain_;
    std::string account_;
    std::string service_;
    std::optional<std::string> accessGroup_;
    Value keychainData_ = Value::dictionary();
    bool failedAccessOnInit_ = false;
};

} // namespace mw
