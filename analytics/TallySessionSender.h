#pragma once

#include <string>

#include "analytics/TallyReportSender.h"

namespace mw {

// Sends the stored sessions (and the current one when the upload carries it)
// as one report to the report address, one upload at a time: an upload that
// finds another running is skipped, not queued. Stored records are dropped
// only after an upload that waited for its answer got a 2xx from the report
// address itself, and only the records that report carried.
class TallySessionSender : public TallyReportSender {
public:
    void send(const TallyUpload& upload) override;

    // Whether an answer that ended at `finalUrl` came from the report
    // address `serverUrl` (same scheme, host and port).
    static bool sameOrigin(const std::string& serverUrl, const std::string& finalUrl);
};

} // namespace mw
