#pragma once

#include <string>

#include "foundation/Ref.h"
#include "social/queues/CCFetchManager.h"
#include "social/queues/records/CCServerRecords.h"

namespace mw::test {

// Hands the shared fetch manager an answer for url as a finished transfer
// does: a page record that received the envelope text, reported with
// status 0. Answers the record.
inline Ref<CCAbstractServerData> answerFetch(const std::string& url, const std::string& envelope, int status = 0)
{
    auto record = makeRef<CCUIDescription>(url, 10, 0);
    record->setReceivedData(Value::Bytes(envelope.begin(), envelope.end()));
    CCFetchManager::sharedInstance()->serverDataFinishedNetworkOpWithStatus(record.get(), status);
    return record;
}

// The envelope of a page whose cache control is `cache`.
inline std::string pageEnvelope(const std::string& cache)
{
    return R"({"meta":{"type":"uidesc","timestamp":1},"data":{"cache":")" + cache + R"(","title":"t"}})";
}

} // namespace mw::test
