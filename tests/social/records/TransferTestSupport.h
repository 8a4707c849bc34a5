#pragma once

// A social world with the loopback service routed in, and a delegate that
// records each report with whether it came inside the call that started it.

#include <string>
#include <vector>

#include "foundation/RunLoop.h"
#include "social/session/CCPrivateSession.h"
#include "social/queues/records/CCServerDataHTTP.h"
#include "social/queues/records/CCServerRecords.h"
#include "tests/social/SocialFixture.h"
#include "tests/support/LoopbackSocialService.h"

namespace mw::test {

struct RecordingTransferDelegate : CCServerDataHTTPDelegate {
    void serverDataFinishedNetworkOpWithStatus(CCAbstractServerData* record, int status) override
    {
        statuses.push_back(status);
        if (starting) ++insideStart;
        const HTTPResponse* response = record->urlResponse();
        finalUrls.push_back(response ? response->finalUrl : std::string());
    }
    std::vector<int> statuses;
    std::vector<std::string> finalUrls;
    bool starting = false;
    int insideStart = 0;
};

class TransferFixture : public SocialFixture {
protected:
    void SetUp() override
    {
        SocialFixture::SetUp();
        activate();
        // The session's own telemetry stays silent (avoid background
        // activity): these tests count the requests they make themselves.
        CCPrivateSession::sharedInstance()->activateLumoraSetting(2, Value("YES"));
        service_.route();
        service_.setSigning({kSecret});
        ServerDataTransferBounds bounds;
        bounds.stallSeconds = 5;
        ServerDataTransferBounds::setCurrent(bounds);
    }
    void TearDown() override
    {
        ServerDataTransferBounds::setCurrent(ServerDataTransferBounds());
        EXPECT_EQ(service_.problems(), std::vector<std::string>());
        SocialFixture::TearDown();
    }

    static std::string serviceUrl(const std::string& path)
    {
        return LoopbackSocialService::httpsUrl(CCPrivateSession::serviceHost(), path);
    }

    // Starts the transfer and runs the loop until it reports (or 10 s pass),
    // then a little longer so that a second report would show.
    int transfer(CCAbstractServerData& record, bool post, RecordingTransferDelegate& delegate)
    {
        delegate.starting = true;
        if (post) record.initiatePostWithDelegate(&delegate);
        else record.initiateGetWithDelegate(&delegate);
        delegate.starting = false;
        RunLoop::main().runUntil([&] { return !delegate.statuses.empty(); }, 10);
        RunLoop::main().runUntil([] { return false; }, 0.05);
        EXPECT_EQ(delegate.statuses.size(), 1u) << record.url();
        EXPECT_EQ(delegate.insideStart, 0) << record.url();
        EXPECT_FALSE(record.networkOpInProgress());
        return delegate.statuses.empty() ? -1 : delegate.statuses.front();
    }
    int get(const std::string& url)
    {
        auto record = makeRef<CCUIDescription>(url, 0, 0);
        RecordingTransferDelegate delegate;
        return transfer(*record, false, delegate);
    }

    LoopbackSocialService service_;
};

} // namespace mw::test
