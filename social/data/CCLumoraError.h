#pragma once

#include <string>

namespace mw {

// A refusal of the social client: a domain, a code and the text shown in the
// log (the platform's error with its localized description).
struct CCLumoraError {
    std::string domain;
    int code = 0;
    std::string localizedDescription;
    std::string filePath; // the file concerned, when there is one
};

} // namespace mw
