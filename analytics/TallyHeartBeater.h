#pragma once

#include "foundation/NSTimer.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"

namespace mw {

// A once-a-second beat of the analytics client: posts
// "TallyHeartBeatNotification" on the default notification centre from a
// repeating timer of the main run loop. Main thread.
class TallyHeartBeater : public Object {
public:
    static constexpr const char* kNotificationName = "TallyHeartBeatNotification";

    // The shared beater, made and started with the interval on the first
    // call; later calls answer it and leave its interval as it was.
    static TallyHeartBeater* createAndStartInstance(double interval);
    // The shared beater, or null before the first createAndStartInstance.
    static TallyHeartBeater* instance();
    // Stops and drops the shared beater (tests).
    static void purgeInstance();

    ~TallyHeartBeater() override;
    void start(double interval);
    void heartBeat();

private:
    Ref<NSTimer> timer_;
};

} // namespace mw
