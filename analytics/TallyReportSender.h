#pragma once

#include <optional>
#include <string>

#include "analytics/TallySession.h"
#include "foundation/Clock.h"
#include "foundation/Ref.h"

namespace mw {

// One upload as the main thread hands it to a sender thread: everything the
// upload reads of the settings and of the current session is taken when it
// starts, so the thread never reads state the main thread is changing.
struct TallyUpload {
    enum class Purpose { Start, Pause, EndOfSession };

    Purpose purpose = Purpose::Start;
    // False: the answer is not looked at (pause and end of session).
    bool waitsForAnswer = true;
    int timeoutSeconds = 20;
    // The report's time, seconds since 1970: when the upload was asked for,
    // read where the upload is made, not when a sender thread gets to it.
    double madeAt = Clock::wallSeconds();
    TallySession::AdRequest ads;
    // The current session's record, when the report carries it.
    std::optional<TallySession::Bytes> currentRecord;
    // The session whose internet flag the answer sets (on the main thread).
    Ref<TallySession> currentSession;
    std::string serverURL;
    // When set, the answer is read from here and nothing is posted.
    std::string savedResponseURL;
};

// Builds and sends reports of the stored sessions (see the storage). One
// upload runs at a time; an upload that finds another running is skipped.
class TallyReportSender {
public:
    virtual ~TallyReportSender() = default;
    // Runs on the thread it is called on until the upload ends.
    virtual void send(const TallyUpload& upload) = 0;
};

} // namespace mw
