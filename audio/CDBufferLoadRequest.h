#pragma once

#include <string>

#include "foundation/Object.h"

namespace mw {

// One file to load into one sound identifier by an asynchronous load.
class CDBufferLoadRequest : public Object {
public:
    CDBufferLoadRequest(int soundId, std::string filePath) : filePath_(std::move(filePath)), soundId_(soundId)
    {
    }

    const std::string& filePath() const { return filePath_; }
    int soundId() const { return soundId_; }

private:
    std::string filePath_;
    int soundId_;
};

} // namespace mw
