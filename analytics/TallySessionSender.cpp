#include "analytics/TallySessionSender.h"

#include <cctype>
#include <mutex>

#include "analytics/TallyAdBlocks.h"
#include "analytics/TallyHTTPEater.h"
#include "analytics/TallySessionStore.h"
#include "analytics/TallyUtil.h"
#include "foundation/Format.h"
#include "foundation/RunLoop.h"

namespace mw {

namespace {

std::mutex& networkLock()
{
    static std::mutex* const lock = new std::mutex();
    return *lock;
}

std::string origin(const std::string& url)
{
    const size_t scheme = url.find("://");
    if (scheme == std::string::npos) return url;
    const size_t pathStart = url.find_first_of("/?#", scheme + 3);
    std::string text = url.substr(0, pathStart);
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

bool TallySessionSender::sameOrigin(const std::string& serverUrl, const std::string& finalUrl)
{
    return origin(serverUrl) == origin(finalUrl);
}

void TallySessionSender::send(const TallyUpload& upload)
{
    std::unique_lock<std::mutex> guard(networkLock(), std::try_to_lock);
    if (!guard.owns_lock()) {
        TallyUtil::debugLog("Could not acquire network lock. Skipping");
        return;
    }
    try {
        TallyUtil::debugLog(format("TallyAnalytics: Sending sessions to server withTimeout[%d]",
                                   upload.waitsForAnswer ? 0 : 1));
        // A stored file that cannot be read now sends nothing of it and keeps it.
        const std::vector<TallySession::Bytes> stored =
            TallySessionStore::savedSessions().value_or(std::vector<TallySession::Bytes>());
        std::vector<TallySession::ReportItem> items(stored.begin(), stored.end());
        if (upload.currentRecord) items.emplace_back(*upload.currentRecord);

        TallyHTTPResponse answer;
        if (!upload.savedResponseURL.empty()) {
            answer = TallyHTTPResponse::readFromURL(upload.savedResponseURL);
        } else {
            const TallySession::Bytes report =
                TallySession::dataForSessions(items, upload.ads, upload.madeAt);
            answer = *TallyHTTPEater::sendMethod("POST", upload.serverURL, report,
                                                 { { "Content-Type", "application/octet-stream" } },
                                                 upload.timeoutSeconds, false);
            if (TallyUtil::isDebugLogEnabled()) (void)answer.saveToDisk();
        }
        if (!upload.waitsForAnswer) return;

        // An answer cut off mid-body did not arrive, whatever its status line said.
        const bool success = answer.isSuccess() && answer.error().empty();
        if (const Ref<TallySession> session = upload.currentSession) {
            // The session belongs to the main thread.
            RunLoop::performOnMain([session, success] { session->setInternetAvailable(success); });
        }
        // A captive portal answers 200 from its own address, and a 3xx left
        // unfollowed delivered nothing: only the report address's 2xx counts.
        const bool accepted =
            success && answer.statusCode() <= 299 &&
            (!upload.savedResponseURL.empty() || sameOrigin(upload.serverURL, answer.finalUrl()));
        if (accepted) {
            if (TallySessionStore::removeSentSessions(stored)) TallySessionStore::setSentSession();
            TallyUtil::debugLog(format("TallyAnalytics: Sent %d session(s).", int(items.size())));
        } else {
            TallyUtil::debugLog("TallyAnalytics: Could not connect to server.");
        }
        // Ad blocks come only from the report service itself, never from a portal's page.
        if (upload.ads.any() && accepted && !answer.body().empty())
            (void)TallyAdBlocks::scan(answer.body(), upload.ads);
    } catch (const std::exception& exception) {
        TallyUtil::handleException(exception);
    }
}

} // namespace mw
