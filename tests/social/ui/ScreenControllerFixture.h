#pragma once

// A social screen controller over the real frame loop with no network: the
// shared HTTP transport is a recording one for the test's length, and the
// fetch manager's queued records are detached before the world goes, so
// none reports to a controller that is gone. The subclass starts the driver
// (start) and makes its controller.

#include <memory>
#include <vector>

#include "foundation/RunLoop.h"
#include "social/queues/CCFetchManager.h"
#include "social/session/CCPrivateSession.h"
#include "social/queues/records/CCServerRecords.h"
#include "tests/social/ui/SocialUiFixture.h"
#include "tests/support/RecordingOutsideServices.h"

namespace mw::test {

class ScreenControllerTest : public SocialUiTest {
protected:
    void SetUp() override
    {
        SocialUiTest::SetUp();
        previousTransport_ = HTTPTransport::replaceSharedInstance(transport_);
    }
    // The subclass lets its controller go first.
    void TearDown() override
    {
        const std::vector<Ref<CCAbstractServerData>> queued = CCFetchManager::sharedInstance()->fetchQueue();
        for (const Ref<CCAbstractServerData>& record : queued) record->clearDelegate();
        SocialUiTest::TearDown();
        HTTPTransport::replaceSharedInstance(previousTransport_);
    }
    static CCPrivateSession* session() { return CCPrivateSession::sharedInstance(); }
    // Runs the frames for `seconds`, then the work queued on the run loop.
    void settle(double seconds = 0.05)
    {
        runSeconds(seconds);
        RunLoop::main().drain();
    }

    std::shared_ptr<RecordingHTTPTransport> transport_ = std::make_shared<RecordingHTTPTransport>();
    std::shared_ptr<HTTPTransport> previousTransport_;
};

} // namespace mw::test
