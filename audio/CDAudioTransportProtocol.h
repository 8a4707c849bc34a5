#pragma once

namespace mw {

// Playing control of one sound; each answers whether it succeeded.
class CDAudioTransportProtocol {
public:
    virtual ~CDAudioTransportProtocol() = default;
    virtual bool play() = 0;
    virtual bool pause() = 0;
    virtual bool stop() = 0;
    virtual bool rewind() = 0;
};

} // namespace mw
