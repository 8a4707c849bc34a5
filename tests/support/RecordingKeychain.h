#pragma once

// An in-memory stand-in for the platform keychain that records its calls and
// can be told to fail: refuse an access group, refuse writes or deletes, or
// miss an existing item on the next search (so that the add after it answers
// "exists").

#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "platform/Keychain.h"

namespace mw::test {

class RecordingKeychain : public Keychain {
public:
    int32_t add(const KeychainQuery& query, const Bytes& value) override
    {
        calls.push_back("add " + query.service);
        if (int32_t refused = refusal(query, true)) return refused;
        if (items.count(keyOf(query))) return KeychainStatus::kDuplicateItem;
        items[keyOf(query)] = value;
        return KeychainStatus::kSuccess;
    }
    int32_t update(const KeychainQuery& query, const Bytes& value) override
    {
        calls.push_back("update " + query.service);
        if (int32_t refused = refusal(query, true)) return refused;
        const auto found = items.find(keyOf(query));
        if (found == items.end()) return KeychainStatus::kItemNotFound;
        found->second = value;
        return KeychainStatus::kSuccess;
    }
    int32_t remove(const KeychainQuery& query) override
    {
        calls.push_back("delete " + query.service);
        if (int32_t refused = refusal(query, true)) return refused;
        if (refuseDeletes) return KeychainStatus::kNoAccess;
        return items.erase(keyOf(query)) ? KeychainStatus::kSuccess : KeychainStatus::kItemNotFound;
    }
    int32_t search(const KeychainQuery& query, Bytes& value) override
    {
        calls.push_back("search " + query.service);
        if (int32_t refused = refusal(query, false)) return refused;
        if (missNextSearch) {
            missNextSearch = false;
            return KeychainStatus::kItemNotFound;
        }
        const auto found = items.find(keyOf(query));
        if (found == items.end()) return KeychainStatus::kItemNotFound;
        value = found->second;
        return KeychainStatus::kSuccess;
    }

    using Key = std::tuple<std::string, std::string, std::string>; // account, service, group ("" for none)
    static Key keyOf(const KeychainQuery& query)
    {
        return {query.account, query.service, query.accessGroup.value_or("")};
    }

    std::map<Key, Bytes> items;
    std::set<std::string> refusedGroups; // every call on these answers kNoAccess
    bool refuseWrites = false;           // add, update and delete answer kNoAccess
    bool refuseDeletes = false;          // delete alone answers kNoAccess
    bool missNextSearch = false;         // the next search answers "not found" whatever is stored
    std::vector<std::string> calls;      // "add <service>", "search <service>", ...

private:
    int32_t refusal(const KeychainQuery& query, bool writes) const
    {
        if (query.accessGroup && refusedGroups.count(*query.accessGroup)) return KeychainStatus::kNoAccess;
        if (writes && refuseWrites) return KeychainStatus::kNoAccess;
        return 0;
    }
};

} // namespace mw::test
