#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "foundation/Object.h"

namespace mw {

// Named float properties that can be set by name, the small part of
// key-value coding the engine needs (the tween action drives a property
// given as a string). A class registers its setters once; a registration
// also serves every subclass, and a subclass may register the same name
// again to take it over. Each class registers its own properties (CCNode
// its "rotation", "scale", "scaleX", "scaleY", "skewX", "skewY" and "vertexZ"
// before main runs).
class CCPropertyRegistry {
public:
    // The one registry (main thread only).
    static CCPropertyRegistry& shared();

    // Registers `setter` under `name` for objects of class T and its subclasses.
    template <typename T>
    void registerFloat(const std::string& name, void (T::*setter)(float))
    {
        registerFloat(name, [setter](Object* object, float value) {
            T* typed = dynamic_cast<T*>(object);
            if (!typed) return false;
            (typed->*setter)(value);
            return true;
        });
    }

    // Sets the property on the object; false (and nothing set) when the
    // object is null or its class has no float property of that name.
    bool setFloat(Object* object, std::string_view name, float value) const;

private:
    // Sets the value when the object is of the registering class.
    using Setter = std::function<bool(Object*, float)>;

    CCPropertyRegistry() = default;
    void registerFloat(const std::string& name, Setter setter);

    // Per name, the setters in order of registration; the newest that
    // accepts the object wins.
    std::unordered_map<std::string, std::vector<Setter>> floatSetters_;
};

} // namespace mw
