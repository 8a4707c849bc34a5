#include "engine/base/ccDescription.h"

#include <cxxabi.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace mw {

std::string ccClassName(const std::type_info& type)
{
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), std::free);
    std::string name = (status == 0 && demangled) ? demangled.get() : type.name();
    const auto lastColon = name.rfind("::");
    return lastColon == std::string::npos ? name : name.substr(lastColon + 2);
}

std::string ccAddressString(const void* address)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%08X",
                  static_cast<unsigned>(reinterpret_cast<uintptr_t>(address) & 0xFFFFFFFFu));
    return buffer;
}

} // namespace mw
