#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "foundation/Object.h"
#include "foundation/Ref.h"

namespace mw {

// The runtime registry: the names that data carries, resolved to code. Data
// files name classes (to make), properties (to set), operations (to call)
// and members of an owner (to fill); the tween action drives a float
// property given as a string. Nothing else dispatches on strings.
//
// A class registers its own names once, in its own source, before main runs.
// A property, operation or member registration also serves every subclass,
// and a subclass may register the same name again to take it over: the
// newest registration that accepts the object wins. Main thread only.
class CCPropertyRegistry {
public:
    // The one registry.
    static CCPropertyRegistry& shared();

    // An operation bound to its target, called with the sender.
    using Callback = std::function<void(Object* sender)>;

    // ---- classes ----
    // Registers T's default construction under `name` (a later registration
    // of the same name replaces it).
    template <typename T>
    void registerClass(const std::string& name)
    {
        registerClass(name, [] { return Ref<Object>(makeRef<T>()); });
    }
    // Registers a factory under `name`, for a class without a default constructor.
    void registerClass(const std::string& name, std::function<Ref<Object>()> factory);
    // A new object of the class registered under `name`, not yet set up
    // beyond its constructor; null for an unknown name.
    [[nodiscard]] Ref<Object> createInstance(std::string_view name) const;

    // ---- properties ----
    template <typename T>
    void registerFloat(const std::string& name, void (T::*setter)(float))
    {
        registerSetter(floatSetters_, name, [setter](Object* object, float value) {
            T* typed = dynamic_cast<T*>(object);
            if (!typed) return false;
            (typed->*setter)(value);
            return true;
        });
    }
    template <typename T>
    void registerBool(const std::string& name, void (T::*setter)(bool))
    {
        registerSetter(boolSetters_, name, [setter](Object* object, bool value) {
            T* typed = dynamic_cast<T*>(object);
            if (!typed) return false;
            (typed->*setter)(value);
            return true;
        });
    }
    // An object-valued property; a value that is not a V (null aside) is refused.
    template <typename T, typename V>
    void registerObject(const std::string& name, void (T::*setter)(V*))
    {
        registerSetter(objectSetters_, name, [setter](Object* object, Object* value) {
            T* typed = dynamic_cast<T*>(object);
            V* typedValue = dynamic_cast<V*>(value);
            if (!typed || (value && !typedValue)) return false;
            (typed->*setter)(typedValue);
            return true;
        });
    }
    // A property that takes a callback (a menu item's action).
    template <typename T>
    void registerCallback(const std::string& name, void (T::*setter)(Callback))
    {
        registerSetter(callbackSetters_, name, [setter](Object* object, Callback value) {
            T* typed = dynamic_cast<T*>(object);
            if (!typed) return false;
            (typed->*setter)(std::move(value));
            return true;
        });
    }
    // Each setter answers false (and sets nothing) when the object is null,
    // its class has no property of that name and kind, or the value does not fit.
    bool setFloat(Object* object, std::string_view name, float value) const;
    bool setBool(Object* object, std::string_view name, bool value) const;
    bool setObject(Object* object, std::string_view name, Object* value) const;
    bool setCallback(Object* object, std::string_view name, Callback value) const;

    // ---- operations ----
    // Registers an operation taking the sender, callable by name.
    template <typename T>
    void registerSelector(const std::string& name, void (T::*method)(Object* sender))
    {
        registerSetter(selectors_, name, [method](Object* target, Callback* bound) {
            T* typed = dynamic_cast<T*>(target);
            if (!typed) return false;
            *bound = [typed, method](Object* sender) { (typed->*method)(sender); };
            return true;
        });
    }
    // The named operation bound to the target (which it does not retain);
    // empty when the target is null or does not respond to the name.
    [[nodiscard]] Callback selector(Object* target, std::string_view name) const;

    // ---- members of an owner ----
    // Registers an assignable member: a plain, non-owning pointer to an M.
    template <typename T, typename M>
    void registerMember(const std::string& name, M* T::*member)
    {
        registerSetter(memberSetters_, name, [member](Object* owner, Object* value) {
            T* typed = dynamic_cast<T*>(owner);
            if (!typed) return MemberResult::NoSuchMember;
            M* typedValue = dynamic_cast<M*>(value);
            if (value && !typedValue) return MemberResult::WrongType;
            typed->*member = typedValue;
            return MemberResult::Assigned;
        });
    }
    enum class MemberResult { Assigned, NoSuchMember, WrongType };
    // Stores value (not retained) into the owner's member of that name.
    MemberResult assignMember(Object* owner, std::string_view name, Object* value) const;

private:
    CCPropertyRegistry() = default;

    template <typename Entry>
    using Table = std::unordered_map<std::string, std::vector<Entry>>;
    template <typename Entry>
    static void registerSetter(Table<Entry>& table, const std::string& name, std::type_identity_t<Entry> entry)
    {
        table[name].push_back(std::move(entry));
    }
    std::unordered_map<std::string, std::function<Ref<Object>()>> factories_;
    Table<std::function<bool(Object*, float)>> floatSetters_;
    Table<std::function<bool(Object*, bool)>> boolSetters_;
    Table<std::function<bool(Object*, Object*)>> objectSetters_;
    Table<std::function<bool(Object*, Callback)>> callbackSetters_;
    Table<std::function<bool(Object*, Callback*)>> selectors_;
    Table<std::function<MemberResult(Object*, Object*)>> memberSetters_;
};

} // namespace mw
