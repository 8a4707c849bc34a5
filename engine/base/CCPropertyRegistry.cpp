#include "engine/base/CCPropertyRegistry.h"

namespace mw {

CCPropertyRegistry& CCPropertyRegistry::shared()
{
    static CCPropertyRegistry registry;
    return registry;
}

void CCPropertyRegistry::registerFloat(const std::string& name, Setter setter)
{
    floatSetters_[name].push_back(std::move(setter));
}

bool CCPropertyRegistry::setFloat(Object* object, std::string_view name, float value) const
{
    if (!object) return false;
    auto found = floatSetters_.find(std::string(name));
    if (found == floatSetters_.end()) return false;
    for (auto setter = found->second.rbegin(); setter != found->second.rend(); ++setter) {
        if ((*setter)(object, value)) return true;
    }
    return false;
}

} // namespace mw
