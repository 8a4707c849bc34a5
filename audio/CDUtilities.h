#pragma once

#include <string>

namespace mw {

class CDUtilities {
public:
    // A path beginning with "/" as it is; otherwise the file of that relative
    // path in the bundle, or the path unchanged when the bundle has none.
    static std::string fullPathFromRelativePath(const std::string& relPath);
};

} // namespace mw
