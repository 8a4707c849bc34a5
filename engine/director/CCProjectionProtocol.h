#pragma once

namespace mw {

// Sets up a custom projection when the director's projection kind is
// "custom": the director calls it each time the projection is applied.
class CCProjectionProtocol {
public:
    virtual ~CCProjectionProtocol() = default;
    virtual void updateProjection() = 0;
};

} // namespace mw
