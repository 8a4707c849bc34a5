#pragma once

#include <cstdint>
#include <string>

namespace mw {

// What the purchase service tells the purchase pop-up on screen: progress
// text, a failure's text, and the gold a purchase brought. The pop-up
// derives from it; every operation is optional.
class InAppFrame {
public:
    virtual ~InAppFrame() = default;
    virtual void SetText(const std::string& /*text*/) {}
    virtual void Failed(const std::string& /*text*/) {}
    virtual void Success(int32_t /*gold*/) {}
};

} // namespace mw
