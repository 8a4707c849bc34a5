#pragma once

// The request head as the loopback servers read it: the request line and the
// header fields, kept in the order sent. Shared by LoopbackHTTPServer and
// LoopbackSocialService so that both read a request the same way.

#include <string>
#include <utility>
#include <vector>

namespace mw::test {

using HeaderFields = std::vector<std::pair<std::string, std::string>>;

struct HttpHead {
    std::string method;
    std::string target; // as on the request line
    HeaderFields fields;
};

// `head` is everything before the blank line. A line without a colon is
// passed over; a value loses its leading spaces.
HttpHead parseHttpHead(const std::string& head);

// The first field of that name, compared without case; empty when absent.
std::string headerField(const HeaderFields& fields, const std::string& name);
bool hasHeaderField(const HeaderFields& fields, const std::string& name);

} // namespace mw::test
