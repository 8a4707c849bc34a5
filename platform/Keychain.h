#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace mw {

// Status numbers of keychain calls, as the platform gives them.
namespace KeychainStatus {
inline constexpr int32_t kSuccess = 0;
inline constexpr int32_t kDuplicateItem = -25299;
inline constexpr int32_t kItemNotFound = -25300;
inline constexpr int32_t kNoKeychain = -25291;
inline constexpr int32_t kNoAccess = -25243;
inline constexpr int32_t kParameterError = -50;
inline constexpr int32_t kIOError = -36;
} // namespace KeychainStatus

// Which generic-password item a call means.
struct KeychainQuery {
    std::string account;
    std::string service;
    std::optional<std::string> accessGroup; // none: the item without a group
};

// The platform's store of small secrets that outlive the application's files:
// generic-password items keyed by account, service and access group, whose
// value is opaque bytes. Main thread.
class Keychain {
public:
    using Bytes = std::vector<uint8_t>;

    // The installed keychain (the desktop's file unless another was installed).
    static std::shared_ptr<Keychain> sharedInstance();
    // Installs a keychain, or the desktop's again for null; answers the previous.
    static std::shared_ptr<Keychain> replaceSharedInstance(std::shared_ptr<Keychain> keychain);

    virtual ~Keychain() = default;
    // Adds a new item; kDuplicateItem when one exists.
    virtual int32_t add(const KeychainQuery& query, const Bytes& value) = 0;
    // Replaces an item's value; kItemNotFound when there is none.
    virtual int32_t update(const KeychainQuery& query, const Bytes& value) = 0;
    // Deletes an item; kItemNotFound when there is none.
    virtual int32_t remove(const KeychainQuery& query) = 0;
    // Copies an item's value into `value`; kItemNotFound when there is none.
    virtual int32_t search(const KeychainQuery& query, Bytes& value) = 0;
};

// One item of the desktop keychain's file.
struct KeychainItem {
    KeychainQuery query;
    Keychain::Bytes value;
};

// The desktop keychain: every item in one property-list file of its own
// ({"items": [{"account", "service", "accessGroup"?, "value"}]}) in a private
// folder of the data folder (a 0600 file in a 0700 folder; wider rights found
// are tightened and logged). Each call reads the file and writes it back
// atomically under an exclusive lock on a lock file beside it, so two
// programs of the same user never tear it or lose each other's items. A file
// that does not parse is moved aside and reported, and the keychain starts
// empty; one that cannot be read for another reason, or cannot be moved
// aside, makes every call fail with kNoKeychain and stays as it is. The items are not encrypted: a key
// kept beside them would add nothing, and the folder is the user's alone.
class FileKeychain : public Keychain {
public:
    // `folder` holds the file "keychain.plist" and its lock file.
    explicit FileKeychain(std::string folder);

    int32_t add(const KeychainQuery& query, const Bytes& value) override;
    int32_t update(const KeychainQuery& query, const Bytes& value) override;
    int32_t remove(const KeychainQuery& query) override;
    int32_t search(const KeychainQuery& query, Bytes& value) override;

    const std::string& filePath() const { return file_; }

    // Reads a keychain file's bytes into its items (a list of item
    // dictionaries); null when they are no keychain file.
    static std::optional<std::vector<KeychainItem>> parse(const uint8_t* data, size_t size);

private:
    template <typename Operation>
    int32_t transact(Operation operation);

    std::string folder_;
    std::string file_;
    std::string lockFile_;
};

} // namespace mw
