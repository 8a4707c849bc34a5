#include "tests/support/HttpHead.h"

#include <strings.h>

#include <algorithm>

namespace mw::test {

HttpHead parseHttpHead(const std::string& head)
{
    HttpHead parsed;
    size_t lineEnd = head.find("\r\n");
    const std::string first = head.substr(0, lineEnd);
    const size_t space = first.find(' ');
    parsed.method = first.substr(0, space);
    parsed.target = first.substr(space + 1, first.rfind(' ') - space - 1);
    while (lineEnd != std::string::npos && lineEnd < head.size()) {
        const size_t next = head.find("\r\n", lineEnd + 2);
        const std::string line =
            head.substr(lineEnd + 2, next == std::string::npos ? std::string::npos : next - lineEnd - 2);
        const size_t colon = line.find(':');
        if (colon != std::string::npos) {
            const size_t valueStart = line.find_first_not_of(' ', colon + 1);
            parsed.fields.emplace_back(line.substr(0, colon),
                                       valueStart == std::string::npos ? "" : line.substr(valueStart));
        }
        lineEnd = next;
    }
    return parsed;
}

std::string headerField(const HeaderFields& fields, const std::string& name)
{
    for (const auto& [key, value] : fields)
        if (strcasecmp(key.c_str(), name.c_str()) == 0) return value;
    return {};
}

bool hasHeaderField(const HeaderFields& fields, const std::string& name)
{
    return std::any_of(fields.begin(), fields.end(),
                       [&](const auto& field) { return strcasecmp(field.first.c_str(), name.c_str()) == 0; });
}

} // namespace mw::test
