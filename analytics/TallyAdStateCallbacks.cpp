#include "analytics/TallyAdStateCallbacks.h"

#include <algorithm>
#include <mutex>
#include <optional>
#include <thread>

#include "analytics/TallyHTTPEater.h"
#include "analytics/TallyUtil.h"
#include "foundation/Format.h"
#include "foundation/Log.h"

namespace mw {

namespace {

struct CallbackState {
    std::mutex lock;
    bool loaded = false;
    // False while the file is there and could not be read: writing then
    // would replace callbacks nobody has seen.
    bool writable = true;
    std::vector<TallyAdStateCallbacks::Entry> list;
    std::mutex threadsLock;
    std::vector<std::thread> threads;
};

CallbackState& state()
{
    static CallbackState* const shared = new CallbackState();
    return *shared;
}

template <typename... Args> void debug(std::string_view fmt, const Args&... args)
{
    if (!TallyUtil::isDebugLogEnabled()) return;
    TallyUtil::debugLog(format(fmt, args...));
}

// Call with the state's lock held.
void loadLocked(CallbackState& s)
{
    if (s.loaded) return;
    s.loaded = true;
    std::optional<std::vector<TallyAdStateCallbacks::Entry>> read =
        TallySessionStore::savedAdStateCallbacks();
    s.writable = read.has_value();
    if (read) s.list = std::move(*read);
}

void writeLocked(CallbackState& s)
{
    if (!s.writable) {
        logLine("TallyAnalytics: the ad-state callback file could not be read; not writing over it");
        return;
    }
    (void)TallySessionStore::setSavedAdStateCallbacks(s.list);
}

void trim(std::vector<TallyAdStateCallbacks::Entry>& callbacks)
{
    if (callbacks.size() <= TallyAdStateCallbacks::kMaxCallbacks) return;
    const size_t surplus = callbacks.size() - TallyAdStateCallbacks::kMaxCallbacks;
    debug("Tally: Max ad states allowed[%d] exceeded", int(TallyAdStateCallbacks::kMaxCallbacks));
    debug("Tally: Removing [%d] callbacks from saved callbacks", int(surplus));
    callbacks.erase(callbacks.begin(), callbacks.begin() + long(surplus));
}

} // namespace

void TallyAdStateCallbacks::asyncNotifyAdStateCompleted(const std::string& url)
{
    const Entry entry { url, 0 };
    CallbackState& s = state();
    std::lock_guard<std::mutex> guard(s.threadsLock);
    s.threads.emplace_back([entry] {
        try {
            sendAdStateCompleted(entry);
        } catch (const std::exception& exception) {
            TallyUtil::handleException(exception);
        }
    });
}

void TallyAdStateCallbacks::sendAdStateCompleted(const Entry& entry)
{
    bool loaded = false;
    {
        std::lock_guard<std::mutex> guard(state().lock);
        loaded = state().loaded;
    }
    sendAdStateCompleted(entry, !loaded);
}

void TallyAdStateCallbacks::sendAdStateCompleted(const Entry& entry, bool saveData)
{
    Entry attempt = entry;
    const TallyHTTPResponse answer = TallyHTTPEater::get(attempt.url);
    debug("Tally: HTTP Response for ad state notification [%@]", answer.description());
    if (answer.isSuccess() && answer.error().empty()) {
        debug("Tally: sent ad state completed to server at url[%@]", attempt.url);
        return;
    }
    debug("Tally: could not send ad state completed to server for url [%@]", attempt.url);
    attempt.attempts += 1;
    if (attempt.attempts >= kMaxAttempts) {
        debug("Exceeded number of attempts for callback[%@]", attempt.url);
        return;
    }
    addToSavedAdStateCallbacks(attempt);
    if (saveData) {
        CallbackState& s = state();
        std::lock_guard<std::mutex> guard(s.lock);
        writeLocked(s);
    }
}

void TallyAdStateCallbacks::sendSavedAdStateCallbacks()
{
    try {
        std::vector<Entry> taken;
        {
            CallbackState& s = state();
            std::lock_guard<std::mutex> guard(s.lock);
            loadLocked(s);
            taken.assign(s.list.begin(), s.list.begin() + long(std::min(s.list.size(), kRetriesPerRun)));
        }
        for (const Entry& entry : taken) {
            debug("Attempting to send saved callback[%@]", entry.url);
            sendAdStateCompleted(entry, false);
        }
        CallbackState& s = state();
        std::lock_guard<std::mutex> guard(s.lock);
        debug("Discarded Items count[%d]", int(taken.size()));
        // One stored entry per entry taken: a failed one came back at the end
        // with its count raised, so it differs from the one taken.
        for (const Entry& entry : taken) {
            const auto at = std::find(s.list.begin(), s.list.end(), entry);
            if (at != s.list.end()) s.list.erase(at);
        }
        writeLocked(s);
    } catch (const std::exception& exception) {
        TallyUtil::handleException(exception);
    }
}

std::vector<TallyAdStateCallbacks::Entry> TallyAdStateCallbacks::savedAdStateCallbacks()
{
    CallbackState& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    loadLocked(s);
    return s.list;
}

void TallyAdStateCallbacks::setSavedAdStateCallbacks(const std::vector<Entry>& callbacks)
{
    CallbackState& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    loadLocked(s);
    s.list = callbacks;
    writeLocked(s);
}

void TallyAdStateCallbacks::addToSavedAdStateCallbacks(const Entry& entry)
{
    debug("Tally: Add ad state callback [%@] to saved callbacks", entry.url);
    CallbackState& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    loadLocked(s);
    s.list.push_back(entry);
    trim(s.list);
}

void TallyAdStateCallbacks::removeOldAdStateCallbacksIfNecessary(std::vector<Entry>& callbacks)
{
    trim(callbacks);
}

void TallyAdStateCallbacks::resetForTesting()
{
    std::vector<std::thread> threads;
    {
        std::lock_guard<std::mutex> guard(state().threadsLock);
        threads = std::move(state().threads);
    }
    for (std::thread& thread : threads) thread.join();
    std::lock_guard<std::mutex> guard(state().lock);
    state().loaded = false;
    state().writable = true;
    state().list.clear();
}

} // namespace mw
