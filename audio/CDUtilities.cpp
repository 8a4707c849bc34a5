#include "audio/CDUtilities.h"

#include "foundation/Paths.h"

namespace mw {

std::string CDUtilities::fullPathFromRelativePath(const std::string& relPath)
{
    if (relPath.empty() || relPath.front() == '/') return relPath;
    std::string found = Paths::pathForResource(relPath);
    return found.empty() ? relPath : found;
}

} // namespace mw
