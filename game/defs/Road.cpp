#include "game/defs/Road.h"

#include <string>

namespace mw {

Ref<XML> Road::spline() const
{
    return file_ ? file_->query("spline[" + std::to_string(index_) + "].point").reader() : nullptr;
}

} // namespace mw
