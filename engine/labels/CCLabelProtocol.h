#pragma once

#include <string>

namespace mw {

// A node that shows a text (the character-map, bitmap-font and TrueType labels).
class CCLabelProtocol {
public:
    virtual ~CCLabelProtocol() = default;

    // Keeps its own copy of the text (UTF-8).
    virtual void setString(const std::string& text) = 0;
    virtual const std::string& string() const = 0;
};

} // namespace mw
