#pragma once

// A scripted stand-in for the platform's reachability service: tests set the
// flags of each target (by host name or dotted address) and inject changes,
// which arrive through the main run loop, never inside the call that made
// them, and never to a target that stopped watching meanwhile.

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "foundation/RunLoop.h"
#include "platform/NetworkReachability.h"

namespace mw::test {

class RecordingReachability : public NetworkReachability {
public:
    struct Script {
        std::map<std::string, std::optional<uint32_t>> flags; // nullopt: flags cannot be read
        std::map<uint64_t, std::pair<std::string, std::function<void(uint32_t)>>> watchers;
        uint64_t nextWatch = 1;
    };

    std::unique_ptr<ReachabilityTarget> targetForHostName(const std::string& hostName) override
    {
        return make(hostName);
    }
    std::unique_ptr<ReachabilityTarget> targetForAddress(uint32_t address) override
    {
        uint8_t b[4];
        std::memcpy(b, &address, 4);
        return make(std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." +
                    std::to_string(b[3]));
    }

    // The flags a target answers from now on (0 until set).
    void setFlags(const std::string& key, std::optional<uint32_t> flags) { script_->flags[key] = flags; }
    // Sets the flags and queues the change callbacks of the key's watchers on
    // the main run loop.
    void injectChange(const std::string& key, uint32_t flags)
    {
        script_->flags[key] = flags;
        for (const auto& [id, watcher] : script_->watchers) {
            if (watcher.first != key) continue;
            std::weak_ptr<Script> script = script_;
            RunLoop::main().perform([script, id = id, flags] {
                const auto alive = script.lock();
                if (!alive) return;
                const auto found = alive->watchers.find(id);
                if (found != alive->watchers.end()) found->second.second(flags);
            });
        }
    }
    size_t watcherCount() const { return script_->watchers.size(); }
    // Watches started so far (a watch started again counts again).
    uint64_t watchesStarted() const { return script_->nextWatch - 1; }

    std::set<std::string> refusedTargets;  // keys for which no target can be made
    std::vector<std::string> targetsMade;  // keys, in order

private:
    class Target : public ReachabilityTarget {
    public:
        Target(std::string key, std::shared_ptr<Script> script)
            : key_(std::move(key)), script_(std::move(script))
        {
        }
        ~Target() override { stopWatching(); }
        std::optional<uint32_t> flags() override
        {
            const auto found = script_->flags.find(key_);
            return found == script_->flags.end() ? std::optional<uint32_t>(0) : found->second;
        }
        bool startWatching(std::function<void(uint32_t)> changed) override
        {
            stopWatching();
            watch_ = script_->nextWatch++;
            script_->watchers[watch_] = {key_, std::move(changed)};
            return true;
        }
        void stopWatching() override
        {
            if (watch_) script_->watchers.erase(watch_);
            watch_ = 0;
        }

    private:
        std::string key_;
        std::shared_ptr<Script> script_;
        uint64_t watch_ = 0;
    };

    std::unique_ptr<ReachabilityTarget> make(const std::string& key)
    {
        if (refusedTargets.count(key)) return nullptr;
        targetsMade.push_back(key);
        return std::make_unique<Target>(key, script_);
    }

    std::shared_ptr<Script> script_ = std::make_shared<Script>();
};

} // namespace mw::test
