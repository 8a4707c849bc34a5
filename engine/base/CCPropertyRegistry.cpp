#include "engine/base/CCPropertyRegistry.h"

namespace mw {

namespace {

// Tries the setters of the name from the newest; true at the first that takes it.
template <typename Table, typename... Args>
bool applyNewestFirst(const Table& table, Object* object, std::string_view name, Args&&... args)
{
    if (!object) return false;
    auto found = table.find(std::string(name));
    if (found == table.end()) return false;
    for (auto setter = found->second.rbegin(); setter != found->second.rend(); ++setter) {
        if ((*setter)(object, args...)) return true;
    }
    return false;
}

} // namespace

CCPropertyRegistry& CCPropertyRegistry::shared()
{
    static CCPropertyRegistry registry;
    return registry;
}

void CCPropertyRegistry::registerClass(const std::string& name, std::function<Ref<Object>()> factory)
{
    factories_[name] = std::move(factory);
}

Ref<Object> CCPropertyRegistry::createInstance(std::string_view name) const
{
    auto found = factories_.find(std::string(name));
    if (found == factories_.end()) return nullptr;
    return found->second();
}

bool CCPropertyRegistry::setFloat(Object* object, std::string_view name, float value) const
{
    return applyNewestFirst(floatSetters_, object, name, value);
}

bool CCPropertyRegistry::setBool(Object* object, std::string_view name, bool value) const
{
    return applyNewestFirst(boolSetters_, object, name, value);
}

bool CCPropertyRegistry::setObject(Object* object, std::string_view name, Object* value) const
{
    return applyNewestFirst(objectSetters_, object, name, value);
}

bool CCPropertyRegistry::setCallback(Object* object, std::string_view name, Callback value) const
{
    return applyNewestFirst(callbackSetters_, object, name, value);
}

CCPropertyRegistry::Callback CCPropertyRegistry::selector(Object* target, std::string_view name) const
{
    Callback bound;
    applyNewestFirst(selectors_, target, name, &bound);
    return bound;
}

CCPropertyRegistry::MemberResult CCPropertyRegistry::assignMember(Object* owner, std::string_view name,
                                                                  Object* value) const
{
    if (!owner) return MemberResult::NoSuchMember;
    auto found = memberSetters_.find(std::string(name));
    if (found == memberSetters_.end()) return MemberResult::NoSuchMember;
    for (auto setter = found->second.rbegin(); setter != found->second.rend(); ++setter) {
        const MemberResult result = (*setter)(owner, value);
        if (result != MemberResult::NoSuchMember) return result;
    }
    return MemberResult::NoSuchMember;
}

} // namespace mw
