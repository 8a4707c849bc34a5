#pragma once

#include <vector>

#include "foundation/Object.h"
#include "foundation/Ref.h"

namespace mw {

class CDBufferLoadRequest;
class CDSoundEngine;

// The work of CDSoundEngine::loadBuffersAsynchronously, run on a thread of
// its own: loads each request in order, moving the engine's progress from 0
// to 1, then posts kCDN_AsynchLoadComplete on the main thread. Failed loads
// show only in their buffers' state. The engine is not retained: it waits for
// its loaders before it lets OpenAL go, and a shutdown makes them stop
// between files (no notice is posted then).
class CDAsynchBufferLoader : public Object {
public:
    CDAsynchBufferLoader(std::vector<Ref<CDBufferLoadRequest>> loadRequests, CDSoundEngine* soundEngine);

    void main();

private:
    std::vector<Ref<CDBufferLoadRequest>> loadRequests_;
    CDSoundEngine* soundEngine_;
};

} // namespace mw
